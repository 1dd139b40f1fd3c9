#pragma once
// The driver of one backup or restore run over an item tree. It owns the
// cancellation and the run's record of failures; the visible side of the
// listener (status text, progress, messages, closing) is left to the
// progress dialog, which derives from it and runs the procedures on a worker
// thread.

#include "app/IProgressListener.h"
#include "framework/CArray.h"

#include <atomic>

class CBackupItem;

class CBackup : public IProgressListener {
public:
    // Bits of a run's outcome, the exit code of an unattended run; 0 when
    // everything selected was copied (and verified where asked).
    enum : UINT {
        OutcomeIncomplete = 1,   // cancelled, or a full medium ended an unattended run
        OutcomeCopyFailed = 2,   // files could not be copied
        OutcomeVerifyFailed = 4, // a copy differs from its file or could not be read back
        OutcomeFatal = 8,        // a file or archive error ended the run
    };

    CBackup() = default;
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

    // Writes BackupComplete and then DiskNumber into strIniPath; failures are
    // not detected.
    static void WriteBackupState(int nComplete, int nDisk, const CString& strIniPath);

    // Any thread.
    BOOL IsCancelled() override { return m_bCancel; }
    void Cancel() override { m_bCancel = TRUE; }

    // Worker thread, from the items.
    void ReportFailure(ERunFailure kind, const CString& strFile) override;
    void ReportCopied() override
    {
        m_bFreshMedium = FALSE;
        ++m_nCopied;
    }
    BOOL IsFreshMedium() override { return m_bFreshMedium; }

    // Read once the run has ended.
    UINT GetOutcome() const { return m_nOutcome; }
    int GetCopyFailures() const { return m_nCopyFailures; }
    int GetVerifyFailures() const { return m_nVerifyFailures; }
    // Each file that could not be copied or verified, once, in report order.
    const CStringArray& GetFailedFiles() const { return m_arrFailedFiles; }

private:
    void StartRecord();
    BOOL AnyVerifyFailed() const { return m_bVerifyMismatch || m_nVerifyFailures > 0; }
    // The number the final message names; a mismatch found by a verify pass
    // names no file, but at least one file did not verify.
    int CountFailedFiles() const;
    void ShowFailedFiles(UINT nFormatId);
    void ShowFileError(const CFileException* e);
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
    int m_nCopyFailures = 0;
    int m_nCopied = 0;
    int m_nVerifyFailures = 0;
    CStringArray m_arrFailedFiles;
    std::atomic<UINT> m_nOutcome{0};
};
