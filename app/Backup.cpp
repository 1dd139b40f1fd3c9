#include "app/Backup.h"

#include "app/BackupCheck.h"
#include "app/BackupException.h"
#include "app/BackupMedium.h"
#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/BackupMedia.h"
#include "items/CBackupItem.h"
#include "items/ChecksumFile.h"
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

void AppendLine(CString& strText, const CString& strLine)
{
    if (!strText.IsEmpty())
        strText += L"\n";
    strText += strLine;
}

// The first ten names, one a line, and how many more there are.
CString NameFirstFiles(const std::vector<CString>& names)
{
    const size_t kNamed = 10;
    CString strText;
    for (size_t i = 0; i < names.size() && i < kNamed; ++i)
        AppendLine(strText, L"    " + names[i]);
    if (names.size() > kNamed) {
        CString strMore;
        strMore.FormatMessage(IDS_AND_MORE, static_cast<int>(names.size() - kNamed));
        AppendLine(strText, L"    " + strMore);
    }
    return strText;
}

} // namespace

void CBackup::DoBackup(IProgressListener* pListener)
{
    m_bCancel = FALSE;
    m_bVerifying = FALSE;
    StartRecord();
    CBackupMedium medium(m_strBackupDir);
    m_pMedium = &medium;
    BOOL bFatal = FALSE;
    try {
        BackupOntoMedia(medium, pListener);
        // Restoration data whose copy may be bad, or of a backup that cannot
        // be restored, must stay where it is.
        if (gDeleteRestorations && !IsCancelled() && !AnyVerifyFailed() && !m_bBookkeepingFailed) {
            SetProgressPos(0);
            SetStatusText(L"Deleting");
            m_pRoot->DeleteRestorations(pListener);
        }
        ShowBackupResult();
    } catch (CFileException* e) {
        ShowFileError(e);
        bFatal = TRUE;
        e->Delete();
    } catch (CArchiveException* e) {
        ShowError(IDS_UNKNOWN_ERROR);
        bFatal = TRUE;
        e->Delete();
    } catch (CException* e) {
        ShowUnexpectedError();
        bFatal = TRUE;
        e->Delete();
    } catch (...) {
        ShowUnexpectedError();
        bFatal = TRUE;
    }
    if (bFatal)
        MarkEndedEarly(medium);
    m_pMedium = nullptr;
    RecordOutcome(bFatal || m_bBookkeepingFailed);
    gRememberChoice = FALSE;
    gOverwriteChoice = FALSE;
    Finish();
}

void CBackup::BackupOntoMedia(CBackupMedium& medium, IProgressListener* pListener)
{
    int nDisk = 1;
    m_bBookkeepingFailed = !medium.Start(nDisk);
    while (!m_bBookkeepingFailed) {
        SetStatusText(LoadText(IDS_COPYING_FILES));
        BOOL bDone = FALSE;
        LONGLONG nNeededBytes = 0;
        try {
            m_pRoot->Backup(m_strBackupDir, pListener);
            bDone = TRUE;
        } catch (CBackupException* e) {
            // Whatever ended the copying, this medium is closed and the next
            // pass continues on a new one.
            nNeededBytes = e->GetNeededBytes();
            e->Delete();
        }
        // Each medium is verified before it leaves the drive, and its
        // Backup.ini counts what the verification found.
        if (gVerifyAfterBackup && !IsCancelled())
            VerifyMedium(pListener);
        m_bBookkeepingFailed = !medium.Close(MediumState(bDone));
        if (bDone || m_bBookkeepingFailed)
            return;
        if (gAutomatedMode || !ChangeMedium(medium, ++nDisk, nNeededBytes)) {
            m_bCancel = TRUE;
            MarkEndedEarly(medium);
            return;
        }
    }
}

void CBackup::MarkEndedEarly(CBackupMedium& medium)
{
    // The medium the run broke off on says that no further medium follows.
    if (medium.GetDisk() == 0 || medium.DiskInDrive() != medium.GetDisk())
        return;
    SBackupIniState state = MediumState(FALSE);
    state.bCancelled = TRUE;
    medium.Close(state);
}

void CBackup::VerifyMedium(IProgressListener* pListener)
{
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

SBackupIniState CBackup::MediumState(BOOL bComplete) const
{
    SBackupIniState state;
    state.nComplete = bComplete ? 1 : 0;
    state.bCancelled = m_bCancel;
    state.nFailedFiles = m_nCopyFailures;
    state.nVerifyFailures = (m_nVerifyFailures == 0 && m_bVerifyMismatch) ? 1 : m_nVerifyFailures;
    return state;
}

BOOL CBackup::ChangeMedium(CBackupMedium& medium, int nDisk, LONGLONG nNeededBytes)
{
    // On a hard disk the same volume goes on once room was made; a removable
    // medium this run already wrote on is never taken for the next one.
    const BOOL bRemovable = GetDriveTypeOfPath(GetFullPath(m_strBackupDir)) == DRIVE_REMOVABLE;
    const ULONGLONG nRoom = static_cast<ULONGLONG>(nNeededBytes) + kMediumSlackBytes;
    UINT nReason = IDS_MEDIA_FULL;
    for (;;) {
        CString strDisk;
        strDisk.FormatMessage(IDS_INSERT_AS_DISK, nDisk);
        if (!AskForMedium(LoadText(nReason) + L"\n" + strDisk) || IsCancelled())
            return FALSE;
        if (bRemovable && medium.DiskInDrive() != 0) {
            nReason = IDS_MEDIUM_ALREADY_USED;
            continue;
        }
        // A file larger than the whole medium never fits: the medium is
        // taken, and the file is given up once it fails there.
        if (GetFreeDiskSpace(m_strBackupDir) < nRoom && GetMediumCapacity(m_strBackupDir) >= nRoom) {
            nReason = IDS_MEDIUM_NO_ROOM;
            continue;
        }
        if (!medium.Start(nDisk)) {
            nReason = IDS_MEDIUM_NO_ROOM;
            continue;
        }
        m_bFreshMedium = TRUE;
        return TRUE;
    }
}

void CBackup::ShowBackupResult()
{
    if (m_bBookkeepingFailed) {
        ShowError(IDS_BACKUP_STATE_NOT_WRITTEN);
        return;
    }
    if (IsCancelled()) {
        if (m_bVerifying)
            ShowInfo(IDS_VERIFY_CANCELLED);
        else if (!gAutomatedMode)
            ShowInfo(IDS_BACKUP_CANCELLED);
        return;
    }
    CString strText;
    BOOL bErrors = FALSE;
    if (CountFailedFiles() > 0) {
        strText.FormatMessage(IDS_BACKUP_FINISHED_WITH_ERRORS, CountFailedFiles());
        if (gDeleteRestorations)
            strText += L" " + LoadText(IDS_RESTORATION_DATA_KEPT);
        bErrors = TRUE;
    }
    if (!m_strMissingDataPath.IsEmpty()) {
        CString strMissing;
        strMissing.FormatMessage(IDS_DATA_PATH_MISSING, m_strMissingDataPath.GetString());
        AppendLine(strText, strMissing);
        bErrors = TRUE;
    }
    if (m_nCasesKeptNotInBackup > 0) {
        CString strKept;
        strKept.FormatMessage(IDS_CASES_KEPT_NOT_IN_BACKUP, m_nCasesKeptNotInBackup);
        AppendLine(strText, strKept);
    }
    if (m_nCasesKeptFailed > 0) {
        CString strKept;
        strKept.FormatMessage(IDS_CASES_KEPT_FAILED, m_nCasesKeptFailed);
        AppendLine(strText, strKept);
    }
    if (bErrors)
        ShowErrorText(strText);
    else if (strText.IsEmpty())
        ShowInfo(IDS_BACKUP_SUCCEEDED);
    else
        ShowInfoText(LoadText(IDS_BACKUP_SUCCEEDED) + L"\n" + strText);
}

void CBackup::ShowUnexpectedError()
{
    // The run cannot tell what went wrong, only that it did not finish.
    try {
        ShowError(IDS_UNKNOWN_ERROR);
    } catch (...) {
    }
}

void CBackup::EndWithoutRun()
{
    m_nOutcome = OutcomeFatal;
    ShowError(IDS_UNKNOWN_ERROR);
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
    } catch (CException* e) {
        ShowUnexpectedError();
        bFatal = TRUE;
        e->Delete();
    } catch (...) {
        ShowUnexpectedError();
        bFatal = TRUE;
    }
    RecordOutcome(bFatal);
    gOverwriteChoice = FALSE;
    gRememberChoice = FALSE;
    Finish();
}

void CBackup::DoCheck(IProgressListener* pListener)
{
    m_bCancel = FALSE;
    StartRecord();
    UINT nBits = 0;
    try {
        SetStatusText(LoadText(IDS_CHECKING_FILES));
        const CString strDir = CDirectory::CreateFileNameForDisk(m_strBackupDir);
        CBackupCheck check(strDir);
        if (!check.Run(pListener)) {
            CString strText;
            strText.FormatMessage(IDS_NO_VALID_BACKUP_INI, m_strBackupDir.GetString());
            ShowErrorText(strText);
            nBits = OutcomeFatal;
        } else {
            if (!check.GetDamaged().empty() || !check.GetMissing().empty())
                nBits |= OutcomeVerifyFailed;
            if (IsCancelled() || check.GetMediaWithoutChecksums() > 0)
                nBits |= OutcomeIncomplete;
            ShowCheckResult(check);
        }
    } catch (CFileException* e) {
        ShowFileError(e);
        nBits |= OutcomeFatal;
        e->Delete();
    } catch (CException* e) {
        ShowUnexpectedError();
        nBits |= OutcomeFatal;
        e->Delete();
    } catch (...) {
        ShowUnexpectedError();
        nBits |= OutcomeFatal;
    }
    m_nOutcome = nBits;
    Finish();
}

void CBackup::ShowCheckResult(const CBackupCheck& check)
{
    if (IsCancelled()) {
        ShowInfo(IDS_CHECK_CANCELLED);
        return;
    }
    CString strText;
    const BOOL bFailed = !check.GetDamaged().empty() || !check.GetMissing().empty();
    if (bFailed) {
        strText.FormatMessage(IDS_CHECK_FAILED, static_cast<int>(check.GetDamaged().size()),
                              static_cast<int>(check.GetMissing().size()));
        std::vector<CString> names = check.GetDamaged();
        names.insert(names.end(), check.GetMissing().begin(), check.GetMissing().end());
        AppendLine(strText, NameFirstFiles(names));
    } else {
        strText.FormatMessage(IDS_CHECK_PASSED, check.GetWhole());
    }
    if (check.GetMediaWithoutChecksums() > 0) {
        CString strNone;
        strNone.FormatMessage(IDS_CHECK_NO_CHECKSUMS, check.GetMediaWithoutChecksums());
        AppendLine(strText, strNone);
    }
    if (!check.GetUnlisted().empty()) {
        CString strUnlisted;
        strUnlisted.FormatMessage(IDS_CHECK_UNLISTED, static_cast<int>(check.GetUnlisted().size()));
        AppendLine(strText, strUnlisted);
        AppendLine(strText, NameFirstFiles(check.GetUnlisted()));
    }
    if (bFailed || check.GetMediaWithoutChecksums() > 0)
        ShowErrorText(strText);
    else
        ShowInfoText(strText);
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
    if (kind == ERunFailure::DataPathMissing) {
        m_strMissingDataPath = strFile;
        return;
    }
    if (kind == ERunFailure::VerifyFailed)
        ++m_nVerifyFailures;
    else
        ++m_nCopyFailures;
    for (INT_PTR i = 0; i < m_arrFailedFiles.GetSize(); ++i) {
        if (m_arrFailedFiles[i].CompareNoCase(strFile) == 0)
            return;
    }
    m_arrFailedFiles.Add(strFile);
}

void CBackup::ReportCaseKept(const CString&, BOOL bFailed)
{
    if (bFailed)
        ++m_nCasesKeptFailed;
    else
        ++m_nCasesKeptNotInBackup;
}

BOOL CBackup::KeepRoomFor(const CString& strPath)
{
    return !m_pMedium || m_pMedium->KeepRoomFor(strPath);
}

void CBackup::ReportWritten(const CString& strPath, const CSha256::Digest& digest)
{
    m_bFreshMedium = FALSE;
    if (m_pMedium)
        m_pMedium->AddWritten(strPath, digest);
}

void CBackup::BeginMedium(const CString& strBackupDir)
{
    m_checksums.clear();
    m_strChecksumPrefix = CDirectory::Concat(GetFullPath(strBackupDir), CString());
    SChecksumList list;
    try {
        m_bHasChecksums = ReadChecksumFile(strBackupDir, list);
    } catch (CFileException* e) {
        // A checksum file that cannot be read vouches for nothing.
        e->Delete();
        m_bHasChecksums = FALSE;
    }
    for (SChecksumEntry& entry : list.entries)
        m_checksums[entry.strPath.MakeUpper()] = entry.digest;
}

EChecksum CBackup::LookUpChecksum(const CString& strPath, CSha256::Digest& digest)
{
    if (!m_bHasChecksums)
        return EChecksum::NoChecksumFile;
    CString strFull = GetFullPath(strPath);
    if (strFull.Left(m_strChecksumPrefix.GetLength()).CompareNoCase(m_strChecksumPrefix) != 0)
        return EChecksum::NotListed;
    const auto found = m_checksums.find(strFull.Mid(m_strChecksumPrefix.GetLength()).MakeUpper());
    if (found == m_checksums.end())
        return EChecksum::NotListed;
    digest = found->second;
    return EChecksum::Listed;
}

BOOL CBackup::AskOverwrite(const CString& strMessage)
{
    if (gRememberChoice)
        return gOverwriteChoice;
    BOOL bRemember = FALSE;
    const EOverwriteAnswer answer = ShowOverwriteQuestion(strMessage, bRemember);
    if (answer == EOverwriteAnswer::Cancel) {
        Cancel();
        return FALSE;
    }
    if (bRemember) {
        gOverwriteChoice = answer == EOverwriteAnswer::Yes;
        gRememberChoice = TRUE;
    }
    return answer == EOverwriteAnswer::Yes;
}

void CBackup::StartRecord()
{
    m_bHasChecksums = FALSE;
    m_checksums.clear();
    m_bFreshMedium = FALSE;
    m_bVerifyMismatch = FALSE;
    m_bBookkeepingFailed = FALSE;
    m_strMissingDataPath.Empty();
    m_nCasesKeptNotInBackup = 0;
    m_nCasesKeptFailed = 0;
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
    // Patient data that could not be found is patient data not saved.
    if (m_nCopyFailures > 0 || !m_strMissingDataPath.IsEmpty())
        nBits |= OutcomeCopyFailed;
    if (AnyVerifyFailed())
        nBits |= OutcomeVerifyFailed;
    m_nOutcome = nBits;
}
