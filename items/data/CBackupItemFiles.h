#pragma once
// One file of one patient: the leaf of the item tree. Its name is the file's
// path below the patient directory ("case directory\file name"), which is also
// the path of its copy below the patient directory of a backup. It copies the
// file into a backup and back, compares the copy with the live file, asks
// before overwriting, and raises the full-medium condition that makes a backup
// span several media. Copying, verifying and deleting run on the worker thread
// of a run; BuildForRestore, UpdateSize and SelectIfModified on the user
// interface thread while a page builds its tree.

#include "framework/CSha256.h"
#include "items/data/HashedCopy.h"
#include "items/CBackupItem.h"

class CBackupItemFiles : public CBackupItem {
public:
    // strDir is the full path of the directory the file was listed in, strFile
    // its plain name; bTiff marks a TIFF image, copied only with the TIFF option.
    CBackupItemFiles(const CString& strDir, const CString& strFile, BOOL bTiff);
    ~CBackupItemFiles() override;

    // Always selected: the patient above decides.
    UINT GetCheck() override;
    // Shows no node of its own; only starts a new run.
    void InsertIntoTree(ITreeView* pTree, CBackupItem* pParent) override;
    LONGLONG CalculateSize() override;
    void BackupFile(const CString& strSrcDir, const CString& strDstDir, IProgressListener* pListener) override;
    void RestoreFile(const CString& strSrcDir, const CString& strDstDir, IProgressListener* pListener) override;
    void BuildForBackup() override;
    // strPatientDir: the patient's directory below "Patient Data Index" of one medium.
    void BuildForRestore(const CString& strPatientDir) override;
    void VerifyFile(const CString& strSrcDir, const CString& strDstDir, IProgressListener* pListener) override;
    // After CopyFileW(strSrc, strDst, TRUE) failed: asks before overwriting an
    // existing target, reports a copy that failed for another reason, and on a
    // full target ends the medium (CBackupException) or, unattended, the run.
    void OnCopyFailed(const CString& strSrc, const CString& strDst, IProgressListener* pListener) override;
    BOOL IsTiffImage() override;
    // A TIFF image counts only while the TIFF option is on.
    LONGLONG CountSelectedFiles() override;

    // The size and medium that UpdateSize and BuildForRestore would read, as
    // the patient's directory listing already reported them.
    void SetSize(LONGLONG nSize) { m_nSize = nSize; }
    void SetRestoreSource(const CString& strBackupDir, UINT nDisk, LONGLONG nSize);

    // Re-reads the size of the live file below the patient directory.
    virtual void UpdateSize(const CString& strPatientDir);
    // Removes the live case directory that holds the file, with everything in
    // it; the patient item calls it only for case directories that are wholly
    // in this backup (IsSafelyBackedUp of every file in it).
    virtual void DeleteRestoration(const CString& strPatientDir, IProgressListener* pListener);

    // Selects the item when the live file carries the archive attribute (new
    // or modified since its last backup). TIFF images never count.
    BOOL SelectIfModified(const CString& strPatientDir);

    // The copy made in this run is whole in the backup: copied by this run and,
    // when the run verifies, verified. A file whose existing copy was kept (No
    // to the overwrite question) counts only once verified.
    BOOL IsSafelyBackedUp() const;
    // The file could not be copied, or its copy did not verify, in this run.
    BOOL HasFailed() const;
    // The name of the case directory that holds the file.
    CString GetCaseDirectory() const;
    // What DeleteRestoration adds to the progress: the deletion phase fills the
    // whole bar, whose range is twice the size on a verifying backup.
    LONGLONG GetDeletionProgress();

private:
    // How the last copy of the file ended. A failed file is not tried again in
    // the same run (InsertIntoTree starts a new one).
    enum class ECopyResult { NotTried, Copied, KeptExisting, Failed };

    // The copy failed for good: the partial target is gone, the live file keeps
    // its attributes and the run learns about it.
    void GiveUp(const CString& strSrc, DWORD nError, IProgressListener* pListener);
    // The overwrite question for an existing target; FALSE (and the target
    // kept) when the answer is No or Cancel.
    BOOL MayOverwrite(const CString& strSrc, const CString& strDst, IProgressListener* pListener);
    // After a copy failed with nError: gives the file up when the target had
    // room (the source could not be read), otherwise takes the target as full.
    void OnCopyError(const CString& strSrc, const CString& strDst, DWORD nError, IProgressListener* pListener);
    // The target is full: ends the medium (CBackupException) or, unattended, the run.
    void OnMediumFull(const CString& strSrc, const CString& strDst, IProgressListener* pListener);
    // A restore from a medium with a checksum file: the copy is written under
    // a temporary name and, when pExpected is given, replaces the live file
    // only with the digest expected; a damaged copy is reported.
    void RestoreChecked(const CString& strSrc, const CString& strDst, const CSha256::Digest* pExpected,
                        const HashedCopyProgress& progress, IProgressListener* pListener);

    BOOL m_bTiff;
    ECopyResult m_eCopyResult = ECopyResult::NotTried;
    // The SHA-256 of the bytes of the last copy this item wrote.
    CSha256::Digest m_digest = {};
    // The copy differed from the live file or could not be read back.
    BOOL m_bVerifyFailed = FALSE;
};
