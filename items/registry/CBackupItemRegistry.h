#pragma once
// A leaf item that keeps a list of registry keys in one registry archive file
// of the backup, and writes whatever such a file lists back into the registry.
//
// The archive: DWORD version 1, DWORD record count, then per record the DWORD
// hive id, the key path and the key's body. A body is, per sub-key, DWORD 0,
// the name and the sub-key's body; then DWORD 0xFFFFFFFE; then, per value,
// DWORD 1, the name, DWORD type, DWORD length and the data; then DWORD
// 0xFFFFFFFF. Strings use the archive's string encoding.

#include "items/CBackupItem.h"
#include "items/registry/SRegHive.h"

#include <vector>

class CArchive;
class CFile;

// What applying an archive did not do.
struct SRegistryImport {
    // A "DataPath" naming another folder than the installation's was held back.
    BOOL bKeptDataPath = FALSE;
    // Keys that could not be created or written, by their full path.
    std::vector<CString> notWritten;
    // Among them, keys the user has no right to write (below HKEY_LOCAL_MACHINE
    // without administrator rights).
    BOOL bAccessDenied = FALSE;
};

class CBackupItemRegistry : public CBackupItem {
public:
    // For an item filled by BuildForRestore from an archive file.
    CBackupItemRegistry();
    // One key of the hive with its whole sub-key tree.
    CBackupItemRegistry(HKEY hHive, const CString& strKeyPath, CString strName);
    ~CBackupItemRegistry() override;

    // Called on the user-interface thread.
    void BuildForBackup() override;
    // strPath is the full path of an archive file.
    void BuildForRestore(const CString& strPath) override;
    void SelectModified() override;
    LONGLONG CalculateSize() override;

    // Called on the worker thread of a run.
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;

    void AddHive(HKEY hHive, const CString& strKeyPath, BOOL bWithSubKeys);
    const CArray<SRegHive, const SRegHive&>& GetHives() const { return m_arrHives; }

    // Writes the archive of the hive list at the file's position; the file
    // stays open. A value that keeps changing while it is read raises
    // CBackupException (code 5) naming its key.
    void WriteRegistry(CFile* pFile);
    // Applies the archive at the file's position to the registry. The file
    // comes from a backup medium and is not trusted: only keys below
    // Software\Tessaro\ of the current user or the machine are written,
    // damage raises CArchiveException before anything is written, and the
    // installation's "DataPath" is not changed to another folder.
    SRegistryImport ReadRegistry(CFile* pFile);

protected:
    // The size estimate: the archive of the hive list, written into memory.
    // A key that keeps changing gets no estimate; the backup meets it again.
    void MeasureArchive();
    // Writes the archive into the file under a temporary name first, so a
    // failure leaves no truncated archive under the real name. A key that
    // keeps changing is reported to the run as not saved, and no archive is
    // written.
    void WriteArchiveFile(const CString& strFile, IProgressListener* pListener);
    // Applies the archive in the file and tells the listener, also when a data
    // path setting of the backup was held back; a missing file raises
    // CFileException.
    void ReadArchiveFile(const CString& strFile, IProgressListener* pListener);

    CArray<SRegHive, const SRegHive&> m_arrHives;

private:
    // strPath names the key in a failure: a value that keeps changing while
    // it is read raises CBackupException (code 5) with the key's path as text.
    static void ExportKey(HKEY hKey, const CString& strPath, CArchive& ar, BOOL bWithSubKeys);
    static void ExportValues(HKEY hKey, const CString& strPath, CArchive& ar);
};
