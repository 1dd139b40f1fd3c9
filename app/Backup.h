#pragma once
// The driver of one backup or restore run over an item tree. It owns the
// cancellation and the run's record of failures; the visible side of the
// listener (status text, progress, messages, closing) is left to the
// progress dialog, which derives from it and runs the procedures on a worker
// thread.

#include "app/IProgressListener.h"
#include "app/RunReport.h"
#include "framework/CArray.h"

#include <atomic>
#include <map>
#include <memory>
#include <vector>

class CBackupItem;
class CBackupCheck;
class CBackupMedium;
struct SBackupIniState;

// The user's answer to the overwrite question.
enum class EOverwriteAnswer { No, Yes, Cancel };

class CBackup : public IProgressListener {
public:
    // Bits of a run's outcome, the exit code of an unattended run; 0 when
    // everything selected was copied (and verified where asked).
    enum : UINT {
        OutcomeIncomplete = 1,   // cancelled, or a full medium ended an unattended run
        OutcomeCopyFailed = 2,   // files could not be copied
        OutcomeVerifyFailed = 4, // a copy differs from its file or could not be read back
        OutcomeFatal = 8,        // a file or archive error ended the run, or a medium's Backup.ini
                                 // could not be written
    };

    // Items may report to a run before it starts (as the tests drive them).
    CBackup() : m_pReport(std::make_unique<CRunReport>(ERunKind::Backup, CString())) {}
    CBackup(const CBackup&) = delete;
    CBackup& operator=(const CBackup&) = delete;

    // Set before the run (user-interface thread).
    // For a backup the directory to write into, for a restore the one to read from.
    void SetBackupDir(const CString& strDir) { m_strBackupDir = strDir; }
    const CString& GetBackupDir() const { return m_strBackupDir; }
    // The root of the item tree; not owned.
    void SetRoot(CBackupItem* pRoot) { m_pRoot = pRoot; }
    CBackupItem* GetRoot() const { return m_pRoot; }

    // Worker thread. Both end with Finish on every path; pListener is handed
    // to the items, the driver itself reports through its own operations.
    void DoBackup(IProgressListener* pListener);
    void DoRestore(IProgressListener* pListener);
    // Checks the backup in the backup directory against the checksum files
    // of its media, without the live data. Outcome: bit 4 for damaged or
    // missing files, bit 1 when cancelled or a medium has no checksums,
    // bit 8 when the folder is no backup.
    void DoCheck(IProgressListener* pListener);

    // Writes BackupComplete and then DiskNumber into strIniPath; failures are
    // not detected.
    static void WriteBackupState(int nComplete, int nDisk, const CString& strIniPath);

    // Any thread.
    BOOL IsCancelled() override { return m_bCancel; }
    void Cancel() override { m_bCancel = TRUE; }

    // Worker thread, from the items.
    void ReportFailure(ERunFailure kind, const CString& strFile, DWORD nError = ERROR_SUCCESS) override;
    void ReportCopied(LONGLONG nBytes) override;
    void ReportVerified(LONGLONG nBytes) override;
    BOOL IsFreshMedium() override { return m_bFreshMedium; }
    void ReportCaseKept(const CString& strCaseDir, ECaseKept reason, DWORD nError = ERROR_SUCCESS) override;
    void ReportCaseDeleted(const CString& strCaseDir) override;
    BOOL KeepRoomFor(const CString& strPath) override;
    void ReportWritten(const CString& strPath, LONGLONG nBytes, const CSha256::Digest& digest) override;
    void BeginMedium(const CString& strBackupDir) override;
    EChecksum LookUpChecksum(const CString& strPath, CSha256::Digest& digest) override;
    // Asks through ShowOverwriteQuestion unless the run remembers an answer
    // (gRememberChoice, gOverwriteChoice, cleared when the run ends).
    BOOL AskOverwrite(const CString& strMessage, const CString& strFile) override;
    // A run without a display of its detail ignores the file it works on.
    void SetCurrentFile(const CString&) override {}

    // Read once the run has ended.
    UINT GetOutcome() const { return m_nOutcome; }
    int GetCopyFailures() const { return m_nCopyFailures; }
    int GetVerifyFailures() const { return m_nVerifyFailures; }
    // Each file that could not be copied or verified, once, in report order.
    const CStringArray& GetFailedFiles() const { return m_arrFailedFiles; }
    // Case directories kept although their restoration data was to be deleted.
    int GetCasesKept() const { return m_nCasesKeptNotInBackup + m_nCasesKeptFailed; }
    // The run's report in the report folder of this computer; empty when it
    // could not be written.
    const CString& GetReportPath() const { return m_strReportPath; }

protected:
    // User-interface thread: the worker could not be started, so the run
    // ends before it began, as a failed one.
    void EndWithoutRun();
    // Worker thread: the visible side's overwrite question; bRemember comes
    // back TRUE when the user asked for the answer to be kept for the run.
    virtual EOverwriteAnswer ShowOverwriteQuestion(const CString& strMessage, BOOL& bRemember) = 0;
    // Worker thread: the run's report lies at strPath; the visible side may
    // offer to open it with the final message of a run that went wrong.
    virtual void OfferReport(const CString&) {}
    // The report folder of this computer; a test points it elsewhere.
    virtual CString GetReportFolder() const;
    // What the run has recorded so far.
    const CRunReport& GetReport() const { return *m_pReport; }

private:
    // The final message of a run: a string of the string table, or a text.
    struct SMessage {
        UINT nId = 0;
        CString strText;
        BOOL bError = FALSE;
        // Unattended, a cancelled backup ends without a word.
        BOOL bShow = TRUE;
        CString Text() const;
    };

    // The start of every run: a clean record and a report of this kind.
    void StartRun(ERunKind kind);
    // The end of every run: the outcome into the report, the report onto
    // the last medium (pMedium) and into the report folder, the event log
    // for an unattended run, then the final message and Finish.
    void EndRun(SMessage message, CBackupMedium* pMedium);
    // The medium loop: copies onto one medium after the other until the tree
    // is done, the user gives up or a medium's Backup.ini fails.
    void BackupOntoMedia(CBackupMedium& medium, IProgressListener* pListener);
    // After a fatal error: the medium in the drive says the run ended there.
    void MarkEndedEarly(CBackupMedium& medium);
    // Verifies the patient data copied onto the medium in the drive.
    void VerifyMedium(IProgressListener* pListener);
    SBackupIniState MediumState(BOOL bComplete) const;
    // Asks for the medium that is to become disk nDisk until one that can
    // take the file of nNeededBytes is in the drive (or the file can never
    // fit on a medium of that size); FALSE when the user gives up.
    BOOL ChangeMedium(CBackupMedium& medium, int nDisk, LONGLONG nNeededBytes);
    SMessage BackupResult() const;
    SMessage RestoreResult() const;
    SMessage CheckResult(const CBackupCheck& check) const;
    // The message of a run that an exception ended.
    static SMessage FileErrorMessage(const CFileException* e);
    static SMessage ErrorMessage(UINT nId);
    // The files that could not be copied, up to ten, relative to the data folder.
    CString NameFailedFiles() const;
    void StartRecord();
    BOOL AnyVerifyFailed() const { return m_bVerifyMismatch || m_nVerifyFailures > 0; }
    // The number the final message names; a mismatch found by a verify pass
    // names no file, but at least one file did not verify.
    int CountFailedFiles() const;
    void RecordOutcome(BOOL bFatal);

    CString m_strBackupDir;
    CBackupItem* m_pRoot = nullptr;
    // Written by the dialog's thread (Cancel button) and by the worker.
    std::atomic<BOOL> m_bCancel{FALSE};
    // Set when a backup's first verification starts; chooses the cancel message.
    BOOL m_bVerifying = FALSE;

    // The run's record, written by the worker thread.
    BOOL m_bFreshMedium = FALSE;
    BOOL m_bVerifyMismatch = FALSE;
    // A medium's Backup.ini could not be written or read back.
    BOOL m_bBookkeepingFailed = FALSE;
    // The patient data folder, when it did not exist at the start of a backup.
    CString m_strMissingDataPath;
    int m_nCasesKeptNotInBackup = 0;
    int m_nCasesKeptFailed = 0;
    int m_nCopyFailures = 0;
    int m_nCopied = 0;
    // The medium a backup writes on, while DoBackup runs.
    CBackupMedium* m_pMedium = nullptr;
    // The checksums of the medium a restore reads, by upper-case path
    // relative to its backup folder (with a trailing backslash).
    BOOL m_bHasChecksums = FALSE;
    CString m_strChecksumPrefix;
    std::map<CString, CSha256::Digest> m_checksums;
    int m_nVerifyFailures = 0;
    // Files kept at the overwrite question.
    int m_nKeptExisting = 0;
    CStringArray m_arrFailedFiles;
    std::atomic<UINT> m_nOutcome{0};
    std::unique_ptr<CRunReport> m_pReport;
    CString m_strReportPath;
};
