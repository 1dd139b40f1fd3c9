#include "items/data/CBackupItemFiles.h"

#include "app/BackupException.h"
#include "app/Globals.h"
#include "app/IProgressListener.h"
#include "installation/CDirectory.h"
#include "installation/CPatient.h"
#include "items/BackupMedia.h"
#include "items/data/DataPath.h"
#include "items/data/HashedCopy.h"
#include "res/resource.h"

#include <atomic>

namespace {

// Names a temporary copy may take before one is free, as GetTempFileNameW tries.
constexpr int kTemporaryNameTries = 0x10000;

CString DirectoryOf(const CString& path)
{
    return path.Left(path.ReverseFind(L'\\'));
}

void RemoveFile(const CString& path)
{
    // A copy takes the source's attributes, and a read-only file cannot be deleted.
    ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path);
}

// CopyFileW that leaves no partial target behind: Windows removes the target
// of a failed copy, Wine keeps what was written so far. A target that existed
// before a copy that may not overwrite it was not touched and stays. The last
// error is the copy's.
BOOL CopyWholeFile(const CString& strSrc, const CString& strDst, BOOL bFailIfExists)
{
    const BOOL bKeepTarget = bFailIfExists && CDirectory::FileExist(strDst, CString());
    if (::CopyFileW(strSrc, strDst, bFailIfExists))
        return TRUE;
    const DWORD error = ::GetLastError();
    if (!bKeepTarget)
        RemoveFile(strDst);
    ::SetLastError(error);
    return FALSE;
}

// What became of a copy made through a temporary name.
enum class EReplace { Replaced, Failed, Damaged };

// Copies strSrc beside strDst under a temporary name of its own, hashing the
// bytes it writes into digest, and gives the copy strDst's name only when it
// is whole and, with pExpected, has the digest expected. So a failed or
// damaged copy leaves strDst as it was (on a restore, the live file). The
// copy takes the source's attributes less nAttributesCleared. The last error
// is the failure's.
EReplace CopyThroughTemporary(const CString& strSrc, const CString& strDst, BOOL bTargetExists,
                              CSha256::Digest& digest, const CSha256::Digest* pExpected,
                              const HashedCopyProgress& progress = nullptr, DWORD nAttributesCleared = 0)
{
    // The copy creates the temporary itself and fails on a name that is
    // taken, so no name is made by one call and opened by the next.
    static std::atomic<unsigned> nextName{::GetTickCount()};
    auto temporary = [&strDst] {
        CString temp;
        temp.Format(L"%s\\orv%04X.tmp", DirectoryOf(strDst).GetString(), nextName++ & 0xFFFF);
        return temp;
    };
    if (!bTargetExists) {
        // Nothing to keep: the copy takes the name while it is open.
        for (int nTry = 0; nTry < kTemporaryNameTries; ++nTry) {
            switch (CopyFileHashedInto(strSrc, temporary(), strDst, digest, pExpected, progress, nAttributesCleared)) {
            case EHashedCopy::Copied:
                return EReplace::Replaced;
            case EHashedCopy::Refused:
                return EReplace::Damaged;
            case EHashedCopy::Failed:
                if (::GetLastError() != ERROR_FILE_EXISTS)
                    return EReplace::Failed;
            }
        }
        return EReplace::Failed;
    }
    CString temp;
    BOOL bCopied = FALSE;
    for (int nTry = 0; nTry < kTemporaryNameTries && !bCopied; ++nTry) {
        temp = temporary();
        bCopied = CopyFileHashed(strSrc, temp, TRUE, digest, progress);
        if (!bCopied && ::GetLastError() != ERROR_FILE_EXISTS)
            return EReplace::Failed;
    }
    if (!bCopied)
        return EReplace::Failed;
    if (pExpected && digest != *pExpected) {
        RemoveFile(temp);
        return EReplace::Damaged;
    }
    // The user chose to overwrite, a read-only target included.
    ::SetFileAttributesW(strDst, FILE_ATTRIBUTE_NORMAL);
    if (!::MoveFileExW(temp, strDst, MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = ::GetLastError();
        RemoveFile(temp);
        ::SetLastError(error);
        return EReplace::Failed;
    }
    // After the move, which may set the archive bit again.
    if (nAttributesCleared)
        CDirectory::ModifyFileAttributes(strDst, nAttributesCleared, FALSE);
    return EReplace::Replaced;
}

// What the progress display was told of the file in hand, block by block, so
// the bar moves within a large file; the rest of the file's count follows
// when it is done, and a copy that fails takes back what it showed.
class CBlockProgress {
public:
    explicit CBlockProgress(IProgressListener* pListener) : m_pListener(pListener) {}

    HashedCopyProgress Callback()
    {
        return [this](DWORD nBytes) {
            Add(nBytes);
            return true;
        };
    }
    std::function<void(DWORD)> CompareCallback()
    {
        return [this](DWORD nBytes) { Add(nBytes); };
    }
    void TakeBack()
    {
        if (m_nShown > 0)
            m_pListener->AddProgress(-m_nShown);
        m_nShown = 0;
    }
    // The file is done: the display counts nBytes for it in all.
    void Complete(LONGLONG nBytes)
    {
        if (nBytes > m_nShown)
            m_pListener->AddProgress(nBytes - m_nShown);
        m_nShown = nBytes;
    }

private:
    void Add(DWORD nBytes)
    {
        m_nShown += nBytes;
        m_pListener->AddProgress(nBytes);
    }

    IProgressListener* m_pListener;
    LONGLONG m_nShown = 0;
};

BOOL IsDiskFullError(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

} // namespace

CBackupItemFiles::CBackupItemFiles(const CString& strDir, const CString& strFile, BOOL bTiff) : m_bTiff(bTiff)
{
    m_strName = CDirectory::Concat(strDir.Mid(strDir.ReverseFind(L'\\') + 1), strFile);
}

CBackupItemFiles::~CBackupItemFiles() = default;

UINT CBackupItemFiles::GetCheck()
{
    return Checked;
}

void CBackupItemFiles::InsertIntoTree(ITreeView*, CBackupItem*)
{
    m_nBackupState = NotBackedUp;
    m_eCopyResult = ECopyResult::NotTried;
    m_bVerifyFailed = FALSE;
}

LONGLONG CBackupItemFiles::CalculateSize()
{
    return m_nSize;
}

void CBackupItemFiles::BackupFile(const CString& strSrcDir, const CString& strDstDir, IProgressListener* pListener)
{
    if (m_nBackupState != NotBackedUp || m_eCopyResult == ECopyResult::Failed)
        return;
    if (IsTiffImage() && !gBackupTiffImages)
        return;
    const CString dst = GetFullPath(CDirectory::Concat(strDstDir, m_strName));
    const CString src = CDirectory::Concat(strSrcDir, m_strName);
    CDirectory::Make(DirectoryOf(dst));
    pListener->SetCurrentFile(src);
    CBlockProgress progress(pListener);
    BOOL bSourceMarked = FALSE;
    try {
        // The medium keeps room for the file's line in its checksum file
        // before the file may take the medium's last free space.
        if (!pListener->KeepRoomFor(dst))
            OnMediumFull(src, dst, pListener);
        else if (CopyFileHashed(src, dst, TRUE, m_digest, progress.Callback(), &bSourceMarked))
            m_eCopyResult = ECopyResult::Copied;
        else
            OnCopyFailed(src, dst, pListener);
    } catch (CBackupException* e) {
        // What the bar showed of the file goes back: it is copied again.
        progress.TakeBack();
        // Nothing was copied since the last medium change, so the file does
        // not fit even on an empty medium: asking for yet another one would
        // never end.
        if (!pListener->IsFreshMedium())
            throw;
        e->Delete();
        GiveUp(src, ERROR_DISK_FULL, pListener);
    }
    if (m_eCopyResult == ECopyResult::Failed) {
        progress.TakeBack();
        return;
    }
    if (m_eCopyResult == ECopyResult::Copied)
        pListener->ReportWritten(dst, CalculateSize(), m_digest);
    // Cleared attributes (the archive bit above all) mark the file as saved;
    // the copy did so through its handle where it could.
    if (!bSourceMarked)
        ::SetFileAttributesW(src, 0);
    m_nBackupState = BackedUp;
    progress.Complete(CalculateSize());
}

void CBackupItemFiles::OnCopyFailed(const CString& strSrc, const CString& strDst, IProgressListener* pListener)
{
    DWORD error = ::GetLastError();
    if (CDirectory::FileExist(strDst, CString())) {
        if (!MayOverwrite(strSrc, strDst, pListener))
            return;
        if (CopyThroughTemporary(strSrc, strDst, TRUE, m_digest, nullptr) == EReplace::Replaced) {
            m_eCopyResult = ECopyResult::Copied;
            return;
        }
        error = ::GetLastError();
    }
    OnCopyError(strSrc, strDst, error, pListener);
}

BOOL CBackupItemFiles::MayOverwrite(const CString& strSrc, const CString& strDst, IProgressListener* pListener)
{
    CString message;
    message.FormatMessage(IDS_FILE_EXISTS_IN, strSrc.GetString(), DirectoryOf(strDst).GetString());
    if (pListener->AskOverwrite(message, strDst))
        return TRUE;
    m_eCopyResult = ECopyResult::KeptExisting;
    return FALSE;
}

void CBackupItemFiles::OnCopyError(const CString& strSrc, const CString& strDst, DWORD nError,
                                   IProgressListener* pListener)
{
    const ULONGLONG freeBytes = GetFreeDiskSpace(strDst);
    const LONGLONG size = CDirectory::GetFileSize(strSrc);
    if (!IsDiskFullError(nError) && freeBytes >= static_cast<ULONGLONG>(size)) {
        // There was room: the source could not be read (locked, unreadable, gone).
        GiveUp(strSrc, nError, pListener);
        return;
    }
    OnMediumFull(strSrc, strDst, pListener);
}

void CBackupItemFiles::OnMediumFull(const CString& strSrc, const CString& strDst, IProgressListener* pListener)
{
    const LONGLONG size = CDirectory::GetFileSize(strSrc);
    if (gAutomatedMode) {
        // Nobody can change the medium in an unattended run.
        pListener->Cancel();
        GiveUp(strSrc, ERROR_DISK_FULL, pListener);
        return;
    }
    if (GetDriveTypeOfPath(strDst) == DRIVE_REMOVABLE) {
        ::WritePrivateProfileStringW(L"Backup", L"LastBackedFile", strSrc, L"Backup.ini");
        throw new CBackupException(IDS_INSERT_NEXT_MEDIA, CString(), size);
    }
    CString text;
    text.LoadString(IDS_NOT_ENOUGH_SPACE);
    throw new CBackupException(IDS_NOT_ENOUGH_SPACE, text, size);
}

void CBackupItemFiles::GiveUp(const CString& strSrc, DWORD nError, IProgressListener* pListener)
{
    m_eCopyResult = ECopyResult::Failed;
    pListener->ReportFailure(ERunFailure::CopyFailed, strSrc, nError);
}

void CBackupItemFiles::VerifyFile(const CString& strSrcDir, const CString& strDstDir, IProgressListener* pListener)
{
    if (m_nBackupState != BackedUp || m_bVerifyFailed || pListener->IsCancelled())
        return;
    const CString src = CDirectory::Concat(strSrcDir, m_strName);
    const CString dst = CDirectory::Concat(strDstDir, m_strName);
    pListener->SetCurrentFile(src);
    CBlockProgress progress(pListener);
    int equal = 0;
    DWORD nError = ERROR_SUCCESS;
    try {
        CDirectory::Compare(src, dst, &equal, progress.CompareCallback());
    } catch (CFileException* e) {
        // A copy that cannot be read back is as bad as a different one.
        nError = static_cast<DWORD>(e->m_lOsError);
        e->Delete();
        equal = 0;
    }
    if (!equal) {
        // Its copy on a later medium would not be the one compared, so it is
        // not compared again; and marked modified, the next backup of new or
        // modified data takes it again.
        m_bVerifyFailed = TRUE;
        CDirectory::ModifyFileAttributes(src, FILE_ATTRIBUTE_ARCHIVE, TRUE);
        pListener->ReportFailure(ERunFailure::VerifyFailed, src, nError);
        CString text;
        text.LoadString(IDS_VERIFY_FAILED);
        throw new CBackupException(IDS_VERIFY_FAILED, text);
    }
    m_nBackupState = Verified;
    pListener->ReportVerified(CalculateSize());
    progress.Complete(CalculateSize());
}

void CBackupItemFiles::RestoreFile(const CString& strSrcDir, const CString& strDstDir, IProgressListener* pListener)
{
    if (m_nDiskNumber != ReadDiskNumber(m_strBackupDir))
        return;
    const CString dst = GetFullPath(CDirectory::Concat(strDstDir, m_strName));
    const CString src = CDirectory::Concat(strSrcDir, m_strName);
    // Nothing is written towards a data directory that cannot be made, not
    // even the directories on the way to it.
    if (!IsDataPathWritable()) {
        GiveUp(src, ERROR_PATH_NOT_FOUND, pListener);
        return;
    }
    CDirectory::Make(DirectoryOf(dst));
    pListener->SetCurrentFile(dst);
    CBlockProgress progress(pListener);
    CSha256::Digest expected = {};
    const EChecksum checksum = pListener->LookUpChecksum(src, expected);
    const BOOL bChecked = checksum != EChecksum::NoChecksumFile;
    if (bChecked)
        RestoreChecked(src, dst, checksum == EChecksum::Listed ? &expected : nullptr, progress.Callback(), pListener);
    else if (CopyWholeFile(src, dst, TRUE))
        m_eCopyResult = ECopyResult::Copied;
    else
        OnCopyFailed(src, dst, pListener);
    if (m_eCopyResult == ECopyResult::Failed)
        return;
    // A restored file is not new or modified data (a checked copy is made
    // without the archive bit). A live file the user kept stays as it is:
    // newer than the backup, it belongs in the next one.
    if (m_eCopyResult == ECopyResult::Copied) {
        pListener->ReportCopied(CalculateSize());
        if (!bChecked)
            CDirectory::ModifyFileAttributes(dst, FILE_ATTRIBUTE_ARCHIVE, FALSE);
        if (m_strName.CompareNoCase(CPatient::GetThumbnailDirectory() + L"\\" + CPatient::GetThumbnailFileName()) == 0)
            CDirectory::ModifyFileAttributes(CDirectory::SplitPathFromFileNameWithPath(dst), FILE_ATTRIBUTE_HIDDEN,
                                             TRUE);
    }
    progress.Complete(CalculateSize());
}

void CBackupItemFiles::RestoreChecked(const CString& strSrc, const CString& strDst, const CSha256::Digest* pExpected,
                                      const HashedCopyProgress& progress, IProgressListener* pListener)
{
    const BOOL bExists = CDirectory::FileExist(strDst, CString());
    if (bExists && !MayOverwrite(strSrc, strDst, pListener))
        return;
    // A restored file is not new or modified data: the copy is made without
    // the archive bit.
    switch (CopyThroughTemporary(strSrc, strDst, bExists, m_digest, pExpected, progress, FILE_ATTRIBUTE_ARCHIVE)) {
    case EReplace::Replaced:
        m_eCopyResult = ECopyResult::Copied;
        return;
    case EReplace::Damaged:
        // The live file stays as it was: a damaged copy never replaces it.
        m_eCopyResult = ECopyResult::Failed;
        pListener->ReportFailure(ERunFailure::Damaged, strSrc, ERROR_SUCCESS);
        return;
    case EReplace::Failed:
        OnCopyError(strSrc, strDst, ::GetLastError(), pListener);
        return;
    }
}

void CBackupItemFiles::BuildForBackup()
{
}

void CBackupItemFiles::BuildForRestore(const CString& strPatientDir)
{
    m_strBackupDir = DirectoryOf(DirectoryOf(strPatientDir));
    m_nDiskNumber = ReadDiskNumber(m_strBackupDir);
    m_nSize = CDirectory::GetFileSize(CDirectory::Concat(strPatientDir, m_strName));
}

void CBackupItemFiles::SetRestoreSource(const CString& strBackupDir, UINT nDisk, LONGLONG nSize)
{
    m_strBackupDir = strBackupDir;
    m_nDiskNumber = nDisk;
    m_nSize = nSize;
}

BOOL CBackupItemFiles::IsTiffImage()
{
    return m_bTiff;
}

LONGLONG CBackupItemFiles::CountSelectedFiles()
{
    return (m_bTiff && !gBackupTiffImages) ? 0 : 1;
}

void CBackupItemFiles::UpdateSize(const CString& strPatientDir)
{
    m_nSize = CDirectory::GetFileSize(CDirectory::Concat(strPatientDir, m_strName));
}

void CBackupItemFiles::DeleteRestoration(const CString& strPatientDir, IProgressListener* pListener)
{
    const CString path = CDirectory::Concat(strPatientDir, m_strName);
    // The second and later files of a case directory find it gone already.
    if (CDirectory::FileExist(path, CString())) {
        try {
            CDirectory::Remove(DirectoryOf(path));
            pListener->ReportCaseDeleted(DirectoryOf(path));
        } catch (CFileException* e) {
            // A case directory that cannot go (a file in it is open) stays,
            // and the run says why; the backup itself is whole.
            pListener->ReportCaseKept(DirectoryOf(path), ECaseKept::DeleteFailed, static_cast<DWORD>(e->m_lOsError));
            e->Delete();
        }
    }
    pListener->AddProgress(GetDeletionProgress());
}

BOOL CBackupItemFiles::SelectIfModified(const CString& strPatientDir)
{
    if (IsTiffImage())
        return FALSE;
    // A file that vanished (INVALID_FILE_ATTRIBUTES) counts as modified too.
    const DWORD attributes = ::GetFileAttributesW(CDirectory::Concat(strPatientDir, m_strName));
    if (!(attributes & FILE_ATTRIBUTE_ARCHIVE))
        return FALSE;
    SetCheck(Checked);
    return TRUE;
}

BOOL CBackupItemFiles::HasFailed() const
{
    return m_eCopyResult == ECopyResult::Failed || m_bVerifyFailed;
}

BOOL CBackupItemFiles::IsSafelyBackedUp() const
{
    if (m_bVerifyFailed)
        return FALSE;
    if (m_nBackupState == Verified)
        return TRUE;
    return m_nBackupState == BackedUp && m_eCopyResult == ECopyResult::Copied && !gVerifyAfterBackup;
}

CString CBackupItemFiles::GetCaseDirectory() const
{
    return DirectoryOf(m_strName);
}

LONGLONG CBackupItemFiles::GetDeletionProgress()
{
    return gVerifyAfterBackup ? CalculateSize() * 2 : CalculateSize();
}
