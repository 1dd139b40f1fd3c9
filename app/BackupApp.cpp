#include "app/BackupApp.h"

#include "app/Backup.h"
#include "app/BackupDialog.h"
#include "app/BackupDlg.h"
#include "app/Globals.h"
#include "app/HelpDialog.h"
#include "installation/CDirectory.h"
#include "installation/COrvexCommandLine.h"

CBackupApp::CBackupApp() : CWinApp(L"ORVEX Backup") {}

BOOL CBackupApp::InitInstance()
{
    ParseCommandLine(gCommandLine);

    gAutomatedMode = FALSE;
    gSelectModifiedOnly = FALSE;
    gDeleteRestorations = FALSE;
    gBackupTiffImages = FALSE;
    gVerifyAfterBackup = FALSE;
    gRememberChoice = FALSE;
    gOverwriteChoice = FALSE;

    // A check of a backup: the one parameter is the backup folder.
    if (gCommandLine.GetParameterCount() == 1 && gCommandLine.HasOption(L"check")) {
        m_nExitCode = static_cast<int>(RunCheck(GetFullPath(gCommandLine.GetParameter(0))));
        return FALSE;
    }

    if (gCommandLine.GetParameterCount() != 1) {
        if (gCommandLine.HasOption(L"?"))
            RunHelpDialog();
        else
            RunMainDialog();
        return FALSE;
    }

    CString target = GetFullPath(gCommandLine.GetParameter(0));
    // A target that cannot be created ends the process without any window.
    if (!CDirectory::Make(target)) {
        m_nExitCode = CBackup::OutcomeFatal;
        return FALSE;
    }

    gAutomatedMode = TRUE;
    gSelectModifiedOnly = gCommandLine.HasOption(L"i");
    gDeleteRestorations = gCommandLine.HasOption(L"d");
    gBackupTiffImages = gCommandLine.HasOption(L"t");
    gVerifyAfterBackup = gCommandLine.HasOption(L"v");
    gTargetPath = target;
    // Until the Backup page records how the run ended, it counts as not done:
    // a main dialog closed before the run started does not exit with 0.
    gUnattendedOutcome = CBackup::OutcomeIncomplete;
    RunMainDialog();
    m_nExitCode = static_cast<int>(gUnattendedOutcome.load());
    return FALSE;
}

UINT CBackupApp::RunCheck(const CString& strBackupDir)
{
    // Unattended like the backup: no message box, and the window closes by
    // itself; the exit code is the result.
    gAutomatedMode = TRUE;
    CBackupDialog dlg(strBackupDir);
    m_pMainWnd = &dlg;
    const INT_PTR nResult = dlg.DoModal();
    m_pMainWnd = nullptr;
    return nResult == -1 ? static_cast<UINT>(CBackup::OutcomeFatal) : dlg.GetOutcome();
}

void CBackupApp::RunHelpDialog()
{
    CHelpDialog dlg;
    dlg.DoModal();
}

void CBackupApp::RunMainDialog()
{
    CBackupDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
}
