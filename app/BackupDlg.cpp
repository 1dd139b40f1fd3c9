#include "app/BackupDlg.h"

#include "framework/CWinApp.h"
#include "res/resource.h"

CBackupDlg::CBackupDlg(CWnd* pParent)
    : CDialog(IDD_BACKUP_DIALOG, pParent),
      m_hIcon(static_cast<HICON>(::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0,
                                              0, LR_DEFAULTSIZE | LR_SHARED)))
{
}

CBackupDlg::~CBackupDlg() = default;

BOOL CBackupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}
