#pragma once
// The main window: a modal dialog that will host the Backup, Restore and
// Options pages.

#include "framework/CDialog.h"

class CBackupDlg : public CDialog {
public:
    explicit CBackupDlg(CWnd* pParent = nullptr);
    ~CBackupDlg() override;

protected:
    BOOL OnInitDialog() override;

private:
    HICON m_hIcon;
};
