#include "items/registry/CBackupItemRegistry.h"

#include "app/BackupException.h"
#include "app/Globals.h"
#include "app/IProgressListener.h"
#include "framework/CArchive.h"
#include "framework/CAtomicFile.h"
#include "framework/CFile.h"
#include "framework/CMemFile.h"
#include "installation/CDirectory.h"
#include "items/data/ArchiveOverwrite.h"
#include "res/resource.h"

namespace {

// The size estimate grows its memory file in steps of this many bytes.
const UINT kMemFileGrowth = 1024;

// The path without its last component, and without the backslash before it.
CString ParentPath(const CString& strPath)
{
    int slash = strPath.ReverseFind(L'\\');
    return slash < 0 ? CString() : strPath.Left(slash);
}

} // namespace

CBackupItemRegistry::CBackupItemRegistry() = default;

CBackupItemRegistry::CBackupItemRegistry(HKEY hHive, const CString& strKeyPath, CString strName)
{
    AddHive(hHive, strKeyPath, TRUE);
    SetName(strName);
}

CBackupItemRegistry::~CBackupItemRegistry() = default;

void CBackupItemRegistry::AddHive(HKEY hHive, const CString& strKeyPath, BOOL bWithSubKeys)
{
    m_arrHives.Add(SRegHive{hHive, strKeyPath, bWithSubKeys});
}

void CBackupItemRegistry::BuildForBackup()
{
    MeasureArchive();
}

void CBackupItemRegistry::MeasureArchive()
{
    m_nSize = 0;
    CMemFile file(kMemFileGrowth);
    try {
        WriteRegistry(&file);
    } catch (CBackupException* e) {
        e->Delete();
        return;
    }
    m_nSize = static_cast<LONGLONG>(file.GetLength());
}

void CBackupItemRegistry::BuildForRestore(const CString& strPath)
{
    if (!CDirectory::FileExist(strPath, CString())) {
        // Nothing to restore: the node cannot be ticked.
        Enable(FALSE);
        return;
    }
    SetName(strPath.Mid(strPath.ReverseFind(L'\\') + 1));
    m_nSize = CDirectory::GetFileSize(strPath);
    // The archive lies in its parent's directory, which lies in the backup directory.
    m_strBackupDir = ParentPath(ParentPath(strPath));
    m_nDiskNumber = ReadDiskNumber(m_strBackupDir);
}

void CBackupItemRegistry::SelectModified()
{
    if (IsEnabled())
        SetCheck(Checked);
}

LONGLONG CBackupItemRegistry::CalculateSize()
{
    return GetCheck() != Unchecked ? m_nSize : 0;
}

void CBackupItemRegistry::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    if (GetCheck() == Unchecked || m_nBackupState != NotBackedUp || pListener->IsCancelled())
        return;
    CString file = CDirectory::Concat(strDstDir, GetName());
    CDirectory::Make(GetFullPath(strDstDir));
    if (MayWriteArchive(file, pListener))
        WriteArchiveFile(file, pListener);
    m_nBackupState = BackedUp;
    pListener->AddProgress(CalculateSize());
}

void CBackupItemRegistry::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    // A backup directory is known only once the archive was found in it.
    if (GetCheck() == Unchecked || m_strBackupDir.IsEmpty() || ReadDiskNumber(m_strBackupDir) != m_nDiskNumber)
        return;
    ReadArchiveFile(CDirectory::Concat(strSrcDir, GetName()), pListener);
    pListener->AddProgress(CalculateSize());
}

void CBackupItemRegistry::WriteArchiveFile(const CString& strFile, IProgressListener* pListener)
{
    if (!pListener->KeepRoomFor(strFile))
        AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, strFile);
    CAtomicFile file(strFile);
    try {
        WriteRegistry(&file);
    } catch (CBackupException* e) {
        pListener->ReportFailure(ERunFailure::CopyFailed, e->GetText(), ERROR_LOCK_VIOLATION);
        e->Delete();
        return;
    }
    const LONGLONG nBytes = static_cast<LONGLONG>(file.GetLength());
    pListener->ReportWritten(strFile, nBytes, file.Commit());
}

void CBackupItemRegistry::ReadArchiveFile(const CString& strFile, IProgressListener* pListener)
{
    CFile file(strFile, CFile::modeRead);
    const SRegistryImport result = ReadRegistry(&file);
    file.Close();
    if (result.bKeptDataPath)
        pListener->ShowInfo(IDS_DATA_PATH_KEPT);
    // A restore that could not write a key says so, never in silence.
    for (const CString& strKey : result.notWritten)
        pListener->ReportFailure(ERunFailure::CopyFailed, strKey, result.bAccessDenied ? ERROR_ACCESS_DENIED : ERROR_WRITE_FAULT);
    if (result.bAccessDenied)
        pListener->ShowError(IDS_REGISTRY_NEEDS_ADMIN);
    pListener->ReportCopied(CalculateSize());
}
