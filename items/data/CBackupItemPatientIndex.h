#pragma once
// The "Patient Index" item: the names of the patient directories in the data
// directory, kept as a serialised CStringArray in the file
// "Patient Index\Patient Index" of a backup. A restore re-creates the listed
// directories, empty; their files come from the patient data items.

#include "items/CBackupItem.h"

class CBackupItemPatientIndex : public CBackupItem {
public:
    CBackupItemPatientIndex();
    ~CBackupItemPatientIndex() override;

    // Called on the user-interface thread. Without patients the item is disabled.
    void BuildForBackup() override;
    // strPath is the item's directory inside a backup.
    void BuildForRestore(const CString& strPath) override;
    void SelectModified() override;
    LONGLONG CalculateSize() override;

    // Called on the worker thread of a run; both directories are the backup directory.
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;

    // The index comes from a backup medium: only a name that makes one plain
    // directory directly inside the data directory is restored.
    static BOOL IsPlainDirectoryName(const CString& strName);

private:
    // The subdirectories of the data directory, as the file system lists them.
    static void ListPatients(CStringArray& names);
};
