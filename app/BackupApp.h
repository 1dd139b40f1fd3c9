#pragma once
// The application object: reads the command line and runs the help, the main
// dialog for interactive work, an unattended backup into one target folder,
// or (with -check) the check of one backup folder.

#include "framework/CWinApp.h"

class CBackupApp : public CWinApp {
public:
    CBackupApp();

    BOOL InitInstance() override;

protected:
    // The two dialogs start-up chooses between; virtual so that a test can see
    // the choice and the flags without a window.
    virtual void RunHelpDialog();
    virtual void RunMainDialog();
    // The check's progress dialog, unattended; returns the check's outcome.
    virtual UINT RunCheck(const CString& strBackupDir);
};
