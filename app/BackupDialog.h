#pragma once
// The progress dialog of a backup or restore run. One object is the window,
// the driver and the listener the items report to: when it opens it starts a
// worker thread that runs the driver on it; the run ends with Finish, which
// closes the dialog. Enter, Escape and Alt+F4 never end it while the run goes
// on: Escape and a close request act like the Cancel button.

#include "app/Backup.h"
#include "framework/CDialog.h"
#include "framework/CProgressCtrl.h"
#include "framework/CWinThread.h"

#include <atomic>
#include <functional>
#include <memory>

class CBackupDialog : public CDialog, public CBackup {
public:
    // User-interface thread. bBackupMode: TRUE for a backup, FALSE for a restore.
    CBackupDialog(const CString& strBackupDir, CBackupItem* pRoot, BOOL bBackupMode);
    // A check of the backup in strBackupDir against its checksums.
    explicit CBackupDialog(const CString& strBackupDir);
    // Waits for the worker, which has nothing left to do once it called Finish.
    ~CBackupDialog() override;

    // Worker thread: the visible side of the listener, by messages to the dialog.
    void AddProgress(LONGLONG nBytes) override;
    void SetStatusText(const CString& strText) override;
    void ShowError(UINT nStringId) override;
    void ShowErrorText(const CString& strText) override;
    void ShowInfoText(const CString& strText) override;
    void SetProgressPos(int nPos) override;
    int GetProgressPos() override;
    void Finish() override;
    void ShowInfo(UINT nStringId) override;
    // Worker thread: the run's questions, asked on the dialog's thread in
    // boxes the dialog owns, so they stand in front of it.
    BOOL AskForMedium(const CString& strText) override;
    BOOL AskForDisk(UINT nDisk) override;
    // Worker thread: the file in hand, shown with the bar in the detail lines.
    void SetCurrentFile(const CString& strPath) override;

    // Kilobytes of a byte count as the bar counts them: at least 1 for any data.
    static int BytesToUnits(LONGLONG nBytes);

    // The bar is moved at most this often; a run of small files would
    // otherwise send one message per file to the dialog's thread.
    static const ULONGLONG kProgressIntervalMs = 200;

protected:
    EOverwriteAnswer ShowOverwriteQuestion(const CString& strMessage, BOOL& bRemember) override;
    // An error message at the end then asks whether to open the report.
    void OfferReport(const CString& strPath) override { m_strReportPath = strPath; }

    // User-interface thread.
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void InitProgressRange();
    // Worker thread: moves the bar by what AddProgress collected since the
    // last move. Every other listener operation calls it first, so the bar
    // never lags behind what the run reports or reads.
    void ShowPendingProgress();
    void OnCancelButton();
    void ShowBox(const CString& strText, UINT nCaptionId, UINT nIcon);
    // The detail lines: the file in hand; files, megabytes and time so far
    // and the time left.
    void ShowDetail();
    // Worker thread: runs fn on the dialog's thread and waits for it.
    void RunOnDialogThread(const std::function<void()>& fn);

    static UINT BackupThreadProc(LPVOID pParam);
    static UINT RestoreThreadProc(LPVOID pParam);
    static UINT CheckThreadProc(LPVOID pParam);

    enum class EMode { Backup, Restore, Check };

    CProgressCtrl m_progress;
    EMode m_eMode;
    // Set by Finish before it posts IDOK: only that IDOK ends the dialog.
    std::atomic<BOOL> m_bFinished{FALSE};
    std::unique_ptr<CWinThread> m_pWorker;
    // Worker thread only.
    int m_nPendingUnits = 0;
    ULONGLONG m_nLastShownTick = 0;
    CString m_strCurrentFile;
    CString m_strDataPath;
    LONGLONG m_nFilesDone = 0;
    LONGLONG m_nBytesDone = 0;
    CString m_strReportPath;
    // Set when the dialog opens.
    LONGLONG m_nFilesTotal = 0;
    LONGLONG m_nBytesTotal = 0;
    ULONGLONG m_nStartTick = 0;
};
