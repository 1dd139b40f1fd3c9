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

    m_sheet.AddPage(&m_pageBackup);
    m_sheet.AddPage(&m_pageRestore);
    m_sheet.AddPage(&m_pageOptions);
    m_sheet.Create(this, WS_CHILD | WS_VISIBLE, 0);
    // The keyboard moves into and through the pages.
    ::SetWindowLongPtrW(m_sheet.m_hWnd, GWL_EXSTYLE,
                        ::GetWindowLongPtrW(m_sheet.m_hWnd, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    ::SetWindowLongPtrW(m_sheet.m_hWnd, GWL_STYLE, ::GetWindowLongPtrW(m_sheet.m_hWnd, GWL_STYLE) | WS_TABSTOP);

    // Every page is created (and initialised) now; the Backup page is shown.
    m_sheet.SetActivePage(&m_pageRestore);
    m_sheet.SetActivePage(&m_pageOptions);
    m_sheet.SetActivePage(&m_pageBackup);

    RECT rcPlaceholder = {};
    ::GetWindowRect(GetDlgItem(IDC_SHEET_PLACEHOLDER), &rcPlaceholder);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rcPlaceholder), 2);
    ::SetWindowPos(m_sheet.m_hWnd, nullptr, rcPlaceholder.left - 7, rcPlaceholder.top - 7, 0, 0,
                   SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

BOOL CBackupDlg::PreTranslateMessage(MSG* pMsg)
{
    return m_sheet.TranslatePageKey(*pMsg);
}

void CBackupDlg::RebuildBackupTree()
{
    m_pageBackup.RebuildTree();
}

BOOL CBackupDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_PAINT:
        if (!IsIconic())
            break;
        PaintIcon();
        result = 0;
        return TRUE;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return TRUE;
    default:
        break;
    }
    return CDialog::OnMessage(msg, wParam, lParam, result);
}

void CBackupDlg::PaintIcon()
{
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int x = (rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(hdc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
}
