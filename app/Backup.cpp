#include "app/Backup.h"

#include "app/BackupCheck.h"
#include "app/BackupException.h"
#include "app/BackupMedium.h"
#include "app/ReportFolder.h"
#include "app/RunEventLog.h"
#include "app/Globals.h"
#include "framework/SystemErrorText.h"
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
    if (strLine.IsEmpty())
        return;
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
    StartRun(ERunKind::Backup);
    CBackupMedium medium(m_strBackupDir);
    m_pMedium = &medium;
    BOOL bFatal = FALSE;
    SMessage message;
    try {
        BackupOntoMedia(medium, pListener);
        // Restoration data whose copy may be bad, or of a backup that cannot
        // be restored, must stay where it is.
        if (gDeleteRestorations && !IsCancelled() && !AnyVerifyFailed() && !m_bBookkeepingFailed) {
            SetProgressPos(0);
            SetStatusText(L"Deleting");
            m_pRoot->DeleteRestorations(pListener);
        }
        message = BackupResult();
    } catch (CFileException* e) {
        message = FileErrorMessage(e);
        bFatal = TRUE;
        e->Delete();
    } catch (CArchiveException* e) {
        message = ErrorMessage(IDS_UNKNOWN_ERROR);
        bFatal = TRUE;
        e->Delete();
    } catch (CException* e) {
        message = ErrorMessage(IDS_UNKNOWN_ERROR);
        bFatal = TRUE;
        e->Delete();
    } catch (...) {
        message = ErrorMessage(IDS_UNKNOWN_ERROR);
        bFatal = TRUE;
    }
    if (bFatal)
        MarkEndedEarly(medium);
    RecordOutcome(bFatal || m_bBookkeepingFailed);
    EndRun(message, &medium);
    m_pMedium = nullptr;
}

void CBackup::BackupOntoMedia(CBackupMedium& medium, IProgressListener* pListener)
{
    int nDisk = 1;
    m_bBookkeepingFailed = !medium.Start(nDisk);
    m_pReport->StartMedium(nDisk);
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
        m_bBookkeepingFailed = !medium.Close(MediumState(bDone), *m_pReport, bDone);
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
    medium.Close(state, *m_pReport, TRUE);
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
        m_pReport->StartMedium(nDisk);
        m_bFreshMedium = TRUE;
        return TRUE;
    }
}

CBackup::SMessage CBackup::BackupResult() const
{
    if (m_bBookkeepingFailed)
        return ErrorMessage(IDS_BACKUP_STATE_NOT_WRITTEN);
    SMessage message;
    if (m_bCancel) {
        message.nId = m_bVerifying ? IDS_VERIFY_CANCELLED : IDS_BACKUP_CANCELLED;
        message.bShow = m_bVerifying || !gAutomatedMode;
        return message;
    }
    CString strText;
    if (CountFailedFiles() > 0) {
        strText.FormatMessage(IDS_BACKUP_FINISHED_WITH_ERRORS, CountFailedFiles());
        if (gDeleteRestorations)
            strText += L" " + LoadText(IDS_RESTORATION_DATA_KEPT);
        AppendLine(strText, NameFailedFiles());
        message.bError = TRUE;
    }
    if (!m_strMissingDataPath.IsEmpty()) {
        CString strMissing;
        strMissing.FormatMessage(IDS_DATA_PATH_MISSING, m_strMissingDataPath.GetString());
        AppendLine(strText, strMissing);
        message.bError = TRUE;
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
    if (message.bError) {
        message.strText = strText;
        return message;
    }
    // Every file was kept at the overwrite question: nothing was copied.
    const UINT nLead = (m_nCopied == 0 && m_nKeptExisting > 0) ? IDS_NOTHING_COPIED : IDS_BACKUP_SUCCEEDED;
    if (strText.IsEmpty())
        message.nId = nLead;
    else
        message.strText = LoadText(nLead) + L"\n" + strText;
    return message;
}

void CBackup::EndWithoutRun()
{
    m_nOutcome = OutcomeFatal;
    ShowError(IDS_UNKNOWN_ERROR);
    Finish();
}

void CBackup::DoRestore(IProgressListener* pListener)
{
    StartRun(ERunKind::Restore);
    // Read before anything is written: the patient data of the whole run go
    // there, whatever a restored setting says.
    CDataPathPin dataPath;
    BOOL bFatal = FALSE;
    SMessage message;
    try {
        SetStatusText(LoadText(IDS_COPYING_FILES));
        // The Restore page hands over the directory in its display form.
        m_pRoot->Restore(CDirectory::CreateFileNameForDisk(m_strBackupDir), pListener);
        message = RestoreResult();
    } catch (CBackupException* e) {
        // The files item's only reason to end a restore: the target disk is full.
        message = ErrorMessage(IDS_WRITE_FAILED);
        bFatal = TRUE;
        e->Delete();
    } catch (CFileException* e) {
        message = FileErrorMessage(e);
        bFatal = TRUE;
        e->Delete();
    } catch (CArchiveException* e) {
        message = ErrorMessage(IDS_BACKUP_DAMAGED);
        bFatal = TRUE;
        e->Delete();
    } catch (CException* e) {
        message = ErrorMessage(IDS_UNKNOWN_ERROR);
        bFatal = TRUE;
        e->Delete();
    } catch (...) {
        message = ErrorMessage(IDS_UNKNOWN_ERROR);
        bFatal = TRUE;
    }
    RecordOutcome(bFatal);
    EndRun(message, nullptr);
}

CBackup::SMessage CBackup::RestoreResult() const
{
    SMessage message;
    if (m_bCancel) {
        message.nId = IDS_RESTORE_CANCELLED;
    } else if (CountFailedFiles() > 0) {
        message.strText.FormatMessage(IDS_RESTORE_FINISHED_WITH_ERRORS, CountFailedFiles());
        AppendLine(message.strText, NameFailedFiles());
        message.bError = TRUE;
    } else {
        message.nId = m_nCopied == 0 ? IDS_NOTHING_RESTORED : IDS_RESTORE_SUCCEEDED;
    }
    return message;
}

void CBackup::DoCheck(IProgressListener* pListener)
{
    StartRun(ERunKind::Check);
    UINT nBits = 0;
    SMessage message;
    try {
        SetStatusText(LoadText(IDS_CHECKING_FILES));
        CBackupCheck check(CDirectory::CreateFileNameForDisk(m_strBackupDir));
        if (!check.Run(pListener)) {
            message.strText.FormatMessage(IDS_NO_VALID_BACKUP_INI, m_strBackupDir.GetString());
            message.bError = TRUE;
            nBits = OutcomeFatal;
        } else {
            if (!check.GetDamaged().empty() || !check.GetMissing().empty())
                nBits |= OutcomeVerifyFailed;
            if (IsCancelled() || check.GetMediaWithoutChecksums() > 0)
                nBits |= OutcomeIncomplete;
            for (const CString& strPath : check.GetDamaged())
                m_pReport->AddVerifyMismatch(strPath);
            for (const CString& strPath : check.GetMissing())
                m_pReport->AddFailure(strPath, ERROR_FILE_NOT_FOUND);
            for (const CString& strPath : check.GetUnlisted())
                m_pReport->AddUnlisted(strPath);
            message = CheckResult(check);
        }
    } catch (CFileException* e) {
        message = FileErrorMessage(e);
        nBits |= OutcomeFatal;
        e->Delete();
    } catch (CException* e) {
        message = ErrorMessage(IDS_UNKNOWN_ERROR);
        nBits |= OutcomeFatal;
        e->Delete();
    } catch (...) {
        message = ErrorMessage(IDS_UNKNOWN_ERROR);
        nBits |= OutcomeFatal;
    }
    m_nOutcome = nBits;
    EndRun(message, nullptr);
}

CBackup::SMessage CBackup::CheckResult(const CBackupCheck& check) const
{
    SMessage message;
    if (m_bCancel) {
        message.nId = IDS_CHECK_CANCELLED;
        return message;
    }
    CString& strText = message.strText;
    const BOOL bFailed = !check.GetDamaged().empty() || !check.GetMissing().empty();
    if (bFailed) {
        strText.FormatMessage(IDS_CHECK_FAILED, static_cast<int>(check.GetDamaged().size()),
                              static_cast<int>(check.GetMissing().size()));
        std::vector<CString> names = check.GetDamaged();
        names.insert(names.end(), check.GetMissing().begin(), check.GetMissing().end());
        AppendLine(strText, NameFirstFiles(names));
    } else if (check.GetWhole() > 0 || check.GetMediaWithoutChecksums() == 0) {
        // A backup without checksums is not called whole for no file checked.
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
    message.bError = bFailed || check.GetMediaWithoutChecksums() > 0;
    return message;
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

void CBackup::ReportFailure(ERunFailure kind, const CString& strFile, DWORD nError)
{
    switch (kind) {
    case ERunFailure::DataPathMissing:
        m_strMissingDataPath = strFile;
        m_pReport->AddFailure(strFile, ERROR_PATH_NOT_FOUND);
        return;
    case ERunFailure::VerifyFailed:
        ++m_nVerifyFailures;
        m_pReport->AddVerifyMismatch(strFile, nError);
        break;
    case ERunFailure::Damaged:
        ++m_nCopyFailures;
        m_pReport->AddVerifyMismatch(strFile, nError);
        break;
    case ERunFailure::CopyFailed:
        ++m_nCopyFailures;
        m_pReport->AddFailure(strFile, nError);
        break;
    }
    for (INT_PTR i = 0; i < m_arrFailedFiles.GetSize(); ++i) {
        if (m_arrFailedFiles[i].CompareNoCase(strFile) == 0)
            return;
    }
    m_arrFailedFiles.Add(strFile);
}

void CBackup::ReportCopied(LONGLONG nBytes)
{
    m_bFreshMedium = FALSE;
    ++m_nCopied;
    m_pReport->AddCopied(nBytes);
}

void CBackup::ReportVerified(LONGLONG nBytes)
{
    m_pReport->AddVerified(nBytes);
}

void CBackup::ReportCaseKept(const CString& strCaseDir, ECaseKept reason, DWORD nError)
{
    if (reason == ECaseKept::NotInBackup)
        ++m_nCasesKeptNotInBackup;
    else
        ++m_nCasesKeptFailed;
    m_pReport->AddCaseKept(strCaseDir, reason, nError);
}

void CBackup::ReportCaseDeleted(const CString& strCaseDir)
{
    m_pReport->AddCaseDeleted(strCaseDir);
}

BOOL CBackup::KeepRoomFor(const CString& strPath)
{
    return !m_pMedium || m_pMedium->KeepRoomFor(strPath);
}

void CBackup::ReportWritten(const CString& strPath, LONGLONG nBytes, const CSha256::Digest& digest)
{
    m_bFreshMedium = FALSE;
    ++m_nCopied;
    m_pReport->AddCopied(nBytes);
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
    const BOOL bInBackup = strFull.Left(m_strChecksumPrefix.GetLength()).CompareNoCase(m_strChecksumPrefix) == 0;
    const auto found = bInBackup ? m_checksums.find(strFull.Mid(m_strChecksumPrefix.GetLength()).MakeUpper())
                                 : m_checksums.end();
    if (found == m_checksums.end()) {
        // Restored unchecked; the report names it.
        m_pReport->AddUnlisted(strPath);
        return EChecksum::NotListed;
    }
    digest = found->second;
    return EChecksum::Listed;
}

BOOL CBackup::AskOverwrite(const CString& strMessage, const CString& strFile)
{
    BOOL bYes = gOverwriteChoice;
    if (!gRememberChoice) {
        BOOL bRemember = FALSE;
        const EOverwriteAnswer answer = ShowOverwriteQuestion(strMessage, bRemember);
        if (answer == EOverwriteAnswer::Cancel) {
            Cancel();
            return FALSE;
        }
        bYes = answer == EOverwriteAnswer::Yes;
        if (bRemember) {
            gOverwriteChoice = bYes;
            gRememberChoice = TRUE;
        }
    }
    if (!bYes) {
        ++m_nKeptExisting;
        m_pReport->AddKeptExisting(strFile);
    }
    return bYes;
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
    m_nKeptExisting = 0;
    m_arrFailedFiles.RemoveAll();
    m_nOutcome = 0;
    m_strReportPath.Empty();
}

int CBackup::CountFailedFiles() const
{
    int nFiles = static_cast<int>(m_arrFailedFiles.GetSize());
    return (nFiles == 0 && m_bVerifyMismatch) ? 1 : nFiles;
}

CBackup::SMessage CBackup::FileErrorMessage(const CFileException* e)
{
    switch (e->m_cause) {
    case CFileException::accessDenied:
    case CFileException::directoryFull:
    case CFileException::diskFull:
        return ErrorMessage(IDS_WRITE_FAILED);
    default:
        return ErrorMessage(IDS_UNKNOWN_ERROR);
    }
}

CBackup::SMessage CBackup::ErrorMessage(UINT nId)
{
    SMessage message;
    message.nId = nId;
    message.bError = TRUE;
    return message;
}

CString CBackup::SMessage::Text() const
{
    return strText.IsEmpty() ? LoadText(nId) : strText;
}

CString CBackup::NameFailedFiles() const
{
    // Paths below the data folder or the backup folder are named from there,
    // as the lab knows them.
    const CString prefixes[] = {GetDataPath(), CDirectory::Concat(m_strBackupDir, CString())};
    std::vector<CString> names;
    for (INT_PTR i = 0; i < m_arrFailedFiles.GetSize(); ++i) {
        CString strName = m_arrFailedFiles[i];
        for (const CString& strPrefix : prefixes) {
            if (strName.Left(strPrefix.GetLength()).CompareNoCase(strPrefix) == 0) {
                strName = strName.Mid(strPrefix.GetLength());
                break;
            }
        }
        names.push_back(strName);
    }
    return NameFirstFiles(names);
}

void CBackup::StartRun(ERunKind kind)
{
    m_bCancel = FALSE;
    if (kind == ERunKind::Backup)
        m_bVerifying = FALSE;
    StartRecord();
    m_pReport = std::make_unique<CRunReport>(kind, m_strBackupDir);
    if (gAutomatedMode)
        m_pReport->SetUnattended(::GetCommandLineW());
    SRunOptions options;
    options.bVerify = gVerifyAfterBackup;
    options.bModifiedOnly = gSelectModifiedOnly;
    options.bDeleteRestorations = gDeleteRestorations;
    options.bTiffImages = gBackupTiffImages;
    m_pReport->SetOptions(options);
    // What is ticked, top-level item by item.
    for (INT_PTR i = 0; m_pRoot && i < m_pRoot->GetChildren().GetSize(); ++i) {
        CBackupItem* pItem = m_pRoot->GetChildren()[i];
        if (pItem->GetCheck() != CTreeItem::Unchecked)
            m_pReport->AddSelected(pItem->GetName(), pItem->CountSelectedFiles(), pItem->CalculateSize());
    }
    m_pReport->Begin();
}

void CBackup::EndRun(SMessage message, CBackupMedium* pMedium)
{
    m_pReport->SetOutcome(m_nOutcome, message.Text());
    m_pReport->End();
    // A backup's whole report goes onto its last medium, where it is still in the drive.
    DWORD nError = ERROR_SUCCESS;
    if (pMedium && pMedium->GetDisk() > 0 && pMedium->DiskInDrive() == pMedium->GetDisk())
        nError = pMedium->WriteRunReport(*m_pReport);
    const DWORD nFolderError = CReportFolder(GetReportFolder()).Add(*m_pReport, m_strReportPath);
    if (nError == ERROR_SUCCESS)
        nError = nFolderError;
    if (gAutomatedMode)
        ReportRunToEventLog(*m_pReport, m_strReportPath);
    // A report that could not be written leaves the run's outcome as it is.
    if (nError != ERROR_SUCCESS) {
        CString strFailed;
        strFailed.FormatMessage(IDS_REPORT_NOT_WRITTEN, GetSystemErrorText(nError).GetString());
        message.strText = message.Text() + L"\n" + strFailed;
    }
    if (message.bShow) {
        if (message.bError && !m_strReportPath.IsEmpty())
            OfferReport(m_strReportPath);
        if (!message.strText.IsEmpty())
            message.bError ? ShowErrorText(message.strText) : ShowInfoText(message.strText);
        else
            message.bError ? ShowError(message.nId) : ShowInfo(message.nId);
    }
    gRememberChoice = FALSE;
    gOverwriteChoice = FALSE;
    Finish();
}

CString CBackup::GetReportFolder() const
{
    return CReportFolder::GetDefaultPath();
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
