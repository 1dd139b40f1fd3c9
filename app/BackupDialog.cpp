#include "app/BackupDialog.h"

#include "app/Globals.h"
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "items/CBackupItem.h"
#include "items/ChecksumCheck.h"
#include "items/data/DataPath.h"
#include "res/resource.h"
#include "ui/CDiskPromptBox.h"
#include "ui/COverwriteFilesDlg.h"

namespace {

// Sent by the worker with a function to run on the dialog's thread.
const UINT kRunOnDialogThread = WM_APP + 1;

// "1:05:09" or "5:09".
CString FormatDuration(ULONGLONG nSeconds)
{
    CString text;
    if (nSeconds >= 3600)
        text.Format(L"%llu:%02llu:%02llu", nSeconds / 3600, nSeconds / 60 % 60, nSeconds % 60);
    else
        text.Format(L"%llu:%02llu", nSeconds / 60, nSeconds % 60);
    return text;
}

} // namespace

CBackupDialog::CBackupDialog(const CString& strBackupDir, CBackupItem* pRoot, BOOL bBackupMode)
    : CDialog(IDD_PROGRESS, AfxGetMainWnd()), m_eMode(bBackupMode ? EMode::Backup : EMode::Restore)
{
    SetBackupDir(strBackupDir);
    SetRoot(pRoot);
}

CBackupDialog::CBackupDialog(const CString& strBackupDir) : CDialog(IDD_PROGRESS, AfxGetMainWnd()), m_eMode(EMode::Check)
{
    SetBackupDir(strBackupDir);
}

CBackupDialog::~CBackupDialog()
{
    m_pWorker.reset();
}

int CBackupDialog::BytesToUnits(LONGLONG nBytes)
{
    int units = static_cast<int>(nBytes / 1024);
    if (units == 0 && nBytes > 0)
        units = 1;
    return units;
}

BOOL CBackupDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_progress.m_hWnd = GetDlgItem(IDC_PROGRESS_BAR);
    // The range is computed before the worker starts, so the two never walk
    // the item tree at the same time.
    InitProgressRange();
    m_pWorker = AfxBeginThread(m_eMode == EMode::Backup    ? BackupThreadProc
                               : m_eMode == EMode::Restore ? RestoreThreadProc
                                                           : CheckThreadProc,
                               this);
    if (!m_pWorker)
        EndWithoutRun();
    return TRUE;
}

void CBackupDialog::InitProgressRange()
{
    m_nStartTick = ::GetTickCount64();
    m_strDataPath = GetDataPath();
    // A check reads what the medium in the drive lists.
    const LONGLONG nBytes = m_eMode == EMode::Check
                                ? ListedBytes(CDirectory::CreateFileNameForDisk(GetBackupDir()))
                                : GetRoot()->CalculateSize();
    int units = BytesToUnits(nBytes);
    m_nBytesTotal = nBytes;
    m_nFilesTotal = m_eMode == EMode::Check ? 0 : GetRoot()->CountSelectedFiles();
    if (gVerifyAfterBackup) {
        units *= 2;
        m_nBytesTotal *= 2;
    }
    m_progress.SetRange32(0, units);
}

UINT CBackupDialog::BackupThreadProc(LPVOID pParam)
{
    auto* self = static_cast<CBackupDialog*>(pParam);
    self->DoBackup(self);
    return 0;
}

UINT CBackupDialog::RestoreThreadProc(LPVOID pParam)
{
    auto* self = static_cast<CBackupDialog*>(pParam);
    self->DoRestore(self);
    return 0;
}

UINT CBackupDialog::CheckThreadProc(LPVOID pParam)
{
    auto* self = static_cast<CBackupDialog*>(pParam);
    self->DoCheck(self);
    return 0;
}

void CBackupDialog::OnOK()
{
    if (m_bFinished)
        EndDialog(IDOK);
}

void CBackupDialog::OnCancel()
{
    OnCancelButton();
}

BOOL CBackupDialog::OnCommand(WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) == IDC_PROGRESS_CANCEL && HIWORD(wParam) == BN_CLICKED) {
        OnCancelButton();
        return TRUE;
    }
    return FALSE;
}

BOOL CBackupDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == kRunOnDialogThread) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        result = 0;
        return TRUE;
    }
    if (msg == WM_CLOSE) {
        OnCancelButton();
        result = 0;
        return TRUE;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}

void CBackupDialog::OnCancelButton()
{
    Cancel();
    CString text;
    text.LoadString(IDS_CANCELLING);
    SetDlgItemText(IDC_PROGRESS_STATUS, text);
}

void CBackupDialog::AddProgress(LONGLONG nBytes)
{
    // Rounded per call, so the sum is what one message per call would add.
    m_nPendingUnits += BytesToUnits(nBytes);
    m_nBytesDone += nBytes;
    if (::GetTickCount64() - m_nLastShownTick >= kProgressIntervalMs)
        ShowPendingProgress();
}

void CBackupDialog::ShowPendingProgress()
{
    if (m_nPendingUnits == 0)
        return;
    m_nLastShownTick = ::GetTickCount64();
    m_progress.OffsetPos(m_nPendingUnits);
    m_nPendingUnits = 0;
    ShowDetail();
}

void CBackupDialog::SetCurrentFile(const CString& strPath)
{
    // The lab knows its files by patient: a path below the data folder is
    // shown from there.
    const BOOL bInData = strPath.Left(m_strDataPath.GetLength()).CompareNoCase(m_strDataPath) == 0;
    m_strCurrentFile = bInData ? strPath.Mid(m_strDataPath.GetLength()) : strPath;
    ++m_nFilesDone;
}

void CBackupDialog::ShowDetail()
{
    const ULONGLONG nElapsed = (::GetTickCount64() - m_nStartTick) / 1000;
    // The message functions take no floating-point inserts.
    CString strDone, strTotal;
    strDone.Format(L"%.1f", m_nBytesDone / 1048576.0);
    strTotal.Format(L"%.1f", m_nBytesTotal / 1048576.0);
    CString strCounts;
    strCounts.FormatMessage(IDS_PROGRESS_COUNTS, static_cast<int>(m_nFilesDone), static_cast<int>(m_nFilesTotal),
                            strDone.GetString(), strTotal.GetString(), FormatDuration(nElapsed).GetString());
    // The time left, once enough is done to tell.
    if (m_nBytesDone > 0 && m_nBytesTotal > m_nBytesDone && nElapsed >= 2) {
        const ULONGLONG nLeft = static_cast<ULONGLONG>(
            static_cast<double>(nElapsed) * static_cast<double>(m_nBytesTotal - m_nBytesDone) / m_nBytesDone);
        CString strLeft;
        strLeft.FormatMessage(IDS_PROGRESS_TIME_LEFT, FormatDuration(nLeft).GetString());
        strCounts += strLeft;
    }
    ::SendMessageW(GetDlgItem(IDC_PROGRESS_FILE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_strCurrentFile.GetString()));
    ::SendMessageW(GetDlgItem(IDC_PROGRESS_COUNTS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(strCounts.GetString()));
}

void CBackupDialog::SetStatusText(const CString& strText)
{
    ShowPendingProgress();
    // A new phase (verifying, deleting) counts its files afresh.
    m_nFilesDone = 0;
    ::SendMessageW(GetDlgItem(IDC_PROGRESS_STATUS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(strText.GetString()));
}

void CBackupDialog::ShowBox(const CString& strText, UINT nCaptionId, UINT nIcon)
{
    if (gAutomatedMode)
        return;
    CString caption;
    caption.LoadString(nCaptionId);
    RunOnDialogThread([&] { ShowMessageBox(m_hWnd, strText, caption, MB_OK | nIcon); });
}

void CBackupDialog::RunOnDialogThread(const std::function<void()>& fn)
{
    // The bar shows what the run did up to the question, not an older state.
    ShowPendingProgress();
    ::SendMessageW(m_hWnd, kRunOnDialogThread, 0, reinterpret_cast<LPARAM>(&fn));
}

BOOL CBackupDialog::AskForMedium(const CString& strText)
{
    // Unattended nobody could answer.
    if (gAutomatedMode)
        return FALSE;
    BOOL bOk = FALSE;
    RunOnDialogThread([&] { bOk = AfxMessageBox(strText, MB_OKCANCEL, m_hWnd) == IDOK; });
    return bOk;
}

BOOL CBackupDialog::AskForDisk(UINT nDisk)
{
    if (gAutomatedMode)
        return FALSE;
    BOOL bOk = FALSE;
    RunOnDialogThread([&] { bOk = CDiskPromptBox(m_hWnd).AskForDisk(nDisk); });
    return bOk;
}

EOverwriteAnswer CBackupDialog::ShowOverwriteQuestion(const CString& strMessage, BOOL& bRemember)
{
    EOverwriteAnswer answer = EOverwriteAnswer::Cancel;
    RunOnDialogThread([&] {
        COverwriteFilesDlg dlg(this);
        dlg.SetMessage(strMessage);
        dlg.DoModal();
        answer = dlg.GetResult();
        bRemember = dlg.GetRemember();
    });
    return answer;
}

void CBackupDialog::ShowError(UINT nStringId)
{
    CString text;
    text.FormatMessage(nStringId);
    ShowErrorText(text);
}

void CBackupDialog::ShowErrorText(const CString& strText)
{
    ShowPendingProgress();
    if (gAutomatedMode || m_strReportPath.IsEmpty()) {
        ShowBox(strText, IDS_ERROR, MB_ICONERROR);
        return;
    }
    // The end of a run that went wrong: the report tells the whole story.
    CString question;
    question.LoadString(IDS_OPEN_REPORT);
    CString caption;
    caption.LoadString(IDS_ERROR);
    const CString text = strText + L"\n\n" + question;
    RunOnDialogThread([&] {
        if (ShowMessageBox(m_hWnd, text, caption, MB_YESNO | MB_ICONERROR) == IDYES)
            OpenReportFile(m_hWnd, m_strReportPath);
    });
}

void CBackupDialog::ShowInfoText(const CString& strText)
{
    ShowPendingProgress();
    ShowBox(strText, IDS_INFORMATION, MB_ICONINFORMATION);
}

void CBackupDialog::ShowInfo(UINT nStringId)
{
    ShowPendingProgress();
    CString text;
    text.FormatMessage(nStringId);
    ShowBox(text, IDS_INFORMATION, MB_ICONINFORMATION);
}

void CBackupDialog::SetProgressPos(int nPos)
{
    ShowPendingProgress();
    m_progress.SetPos(nPos);
}

int CBackupDialog::GetProgressPos()
{
    ShowPendingProgress();
    return m_progress.GetPos();
}

void CBackupDialog::Finish()
{
    ShowPendingProgress();
    m_bFinished = TRUE;
    PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    // Unattended, the end of the run also ends the main dialog and so the process.
    CWnd* pMain = AfxGetMainWnd();
    if (gAutomatedMode && pMain && pMain->m_hWnd)
        pMain->PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}
