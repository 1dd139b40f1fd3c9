#pragma once
// The application object: reads the command line and runs the help, the main
// dialog for interactive work, or an unattended backup into one target folder.

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
};
