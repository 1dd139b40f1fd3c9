#include "app/Backup.h"

#include "app/BackupException.h"
#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "items/BackupMedia.h"
#include "items/CBackupItem.h"
#include "items/ItemNames.h"
#include "items/data/DataPath.h"
#include "res/resource.h"

namespace {

CString LoadText(UINT nId)
{
    CString strText;
    strText.LoadString(nId);
    return strText;
}

} // namespace

void CBackup::DoBackup(IProgressListener* pListener)
{
    m_bCancel = FALSE;
    m_bVerifying = FALSE;
    StartRecord();
    BOOL bFatal = FALSE;
    try {
        BOOL bDone = FALSE;
        int nDisk = 0;
        CString strIni = CDirectory::Concat(m_strBackupDir, kBackupIniName);
        do {
            ++nDisk;
            SetStatusText(LoadText(IDS_COPYING_FILES));
            try {
                m_pRoot->Backup(m_strBackupDir, pListener);
                WriteBackupState(1, nDisk, strIni);
                bDone = TRUE;
            } catch (CBackupException* e) {
                // Whatever ended the copying, this medium is closed and the
                // next pass continues on a new one.
                WriteBackupState(0, nDisk, strIni);
                e->Delete();
            }
            // Each medium is verified before it leaves the drive.
            if (gVerifyAfterBackup && !IsCancelled()) {
                m_bVerifying = TRUE;
                SetStatusText(LoadText(IDS_VERIFYING_FILES));
                try {
                    m_pRoot->Verify(CDirectory::Concat(m_strBackupDir, kPatientDataIndexName), pListener);
                } catch (CBackupException* e) {
                    ShowError(IDS_VERIFY_FAILED);
                    m_bVerifyMismatch = TRUE;
                    e->Delete();
                }
            }
            if (!bDone) {
                if (gAutomatedMode || AfxMessageBox(IDS_MEDIA_FULL, MB_OKCANCEL) != IDOK) {
                    m_bCancel = TRUE;
                    bDone = TRUE;
                } else {
                    m_bFreshMedium = TRUE;
                }
            }
        } while (!bDone);

        // Restoration data whose copy may be bad must stay where it is.
        if (gDeleteRestorations && !IsCancelled() && !AnyVerifyFailed()) {
            SetProgressPos(0);
            SetStatusText(L"Deleting");
            m_pRoot->DeleteRestorations(pListener);
        }

        if (IsCancelled() && m_bVerifying)
            ShowInfo(IDS_VERIFY_CANCELLED);
        else if (!IsCancelled() && CountFailedFiles() > 0)
            ShowFailedFiles(IDS_BACKUP_FINISHED_WITH_ERRORS);
        else if (!IsCancelled())
            ShowInfo(IDS_BACKUP_SUCCEEDED);
        else if (!gAutomatedMode)
            ShowInfo(IDS_BACKUP_CANCELLED);
    } catch (CFileException* e) {
        ShowFileError(e);
        bFatal = TRUE;
        e->Delete();
    } catch (CArchiveException* e) {
        ShowError(IDS_UNKNOWN_ERROR);
        bFatal = TRUE;
        e->Delete();
    }
    RecordOutcome(bFatal);
    gRememberChoice = FALSE;
    gOverwriteChoice = FALSE;
    Finish();
}

void CBackup::DoRestore(IProgressListener* pListener)
{
    m_bCancel = FALSE;
    StartRecord();
    // Read before anything is written: the patient data of the whole run go
    // there, whatever a restored setting says.
    CDataPathPin dataPath;
    BOOL bFatal = FALSE;
    try {
        SetStatusText(LoadText(IDS_COPYING_FILES));
        // The Restore page hands over the directory in its display form.
        m_pRoot->Restore(CDirectory::CreateFileNameForDisk(m_strBackupDir), pListener);
        if (IsCancelled())
            ShowInfo(IDS_RESTORE_CANCELLED);
        else if (CountFailedFiles() > 0)
            ShowFailedFiles(IDS_RESTORE_FINISHED_WITH_ERRORS);
        else if (m_nCopied == 0)
            ShowInfo(IDS_NOTHING_RESTORED);
        else
            ShowInfo(IDS_RESTORE_SUCCEEDED);
    } catch (CBackupException* e) {
        // The files item's only reason to end a restore: the target disk is full.
        ShowError(IDS_WRITE_FAILED);
        bFatal = TRUE;
        e->Delete();
    } catch (CFileException* e) {
        ShowFileError(e);
        bFatal = TRUE;
        e->Delete();
    } catch (CArchiveException* e) {
        ShowError(IDS_BACKUP_DAMAGED);
        bFatal = TRUE;
        e->Delete();
    }
    RecordOutcome(bFatal);
    gOverwriteChoice = FALSE;
    gRememberChoice = FALSE;
    Finish();
}

void CBackup::WriteBackupState(int nComplete, int nDisk, const CString& strIniPath)
{
    wchar_t szComplete[12];
    wchar_t szDisk[12];
    _itow_s(nComplete, szComplete, 10);
    _itow_s(nDisk, szDisk, 10);
    ::WritePrivateProfileStringW(kBackupIniSection, kBackupCompleteKey, szComplete, strIniPath);
    ::WritePrivateProfileStringW(kBackupIniSection, kDiskNumberKey, szDisk, strIniPath);
}

void CBackup::ReportFailure(ERunFailure kind, const CString& strFile)
{
    if (kind == ERunFailure::CopyFailed)
        ++m_nCopyFailures;
    else
        ++m_nVerifyFailures;
    for (INT_PTR i = 0; i < m_arrFailedFiles.GetSize(); ++i) {
        if (m_arrFailedFiles[i].CompareNoCase(strFile) == 0)
            return;
    }
    m_arrFailedFiles.Add(strFile);
}

void CBackup::StartRecord()
{
    m_bFreshMedium = FALSE;
    m_bVerifyMismatch = FALSE;
    m_nCopyFailures = 0;
    m_nCopied = 0;
    m_nVerifyFailures = 0;
    m_arrFailedFiles.RemoveAll();
    m_nOutcome = 0;
}

int CBackup::CountFailedFiles() const
{
    int nFiles = static_cast<int>(m_arrFailedFiles.GetSize());
    return (nFiles == 0 && m_bVerifyMismatch) ? 1 : nFiles;
}

void CBackup::ShowFailedFiles(UINT nFormatId)
{
    CString strText;
    strText.FormatMessage(nFormatId, CountFailedFiles());
    ShowErrorText(strText);
}

void CBackup::ShowFileError(const CFileException* e)
{
    switch (e->m_cause) {
    case CFileException::accessDenied:
    case CFileException::directoryFull:
    case CFileException::diskFull:
        ShowError(IDS_WRITE_FAILED);
        break;
    default:
        ShowError(IDS_UNKNOWN_ERROR);
        break;
    }
}

void CBackup::RecordOutcome(BOOL bFatal)
{
    UINT nBits = bFatal ? static_cast<UINT>(OutcomeFatal) : 0;
    if (m_bCancel)
        nBits |= OutcomeIncomplete;
    if (m_nCopyFailures > 0)
        nBits |= OutcomeCopyFailed;
    if (AnyVerifyFailed())
        nBits |= OutcomeVerifyFailed;
    m_nOutcome = nBits;
}
