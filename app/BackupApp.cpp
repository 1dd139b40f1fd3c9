#include "app/BackupApp.h"

#include "app/Backup.h"
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
