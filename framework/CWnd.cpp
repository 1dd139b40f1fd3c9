#include "framework/CWnd.h"

#include "framework/CDialog.h"

CString CWnd::GetText(HWND hWnd)
{
    CString text;
    if (!hWnd)
        return text;
    int n = ::GetWindowTextLengthW(hWnd);
    if (n <= 0)
        return text;
    ::GetWindowTextW(hWnd, text.GetBuffer(n + 1), n + 1);
    text.ReleaseBuffer();
    return text;
}

BOOL CWnd::SubclassDlgItem(UINT nId, CWnd* pParent)
{
    HWND hWnd = pParent ? ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nId)) : nullptr;
    if (!hWnd)
        return FALSE;
    m_hWnd = hWnd;
    PreSubclassWindow();
    return CDialog::RegisterReflection(m_hWnd, this);
}

void CWnd::CenterWindow()
{
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    RECT area;
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (!hOwner || !::IsWindowVisible(hOwner) || ::IsIconic(hOwner) || !::GetWindowRect(hOwner, &area)) {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
        area = monitor.rcWork;
    }
    const int cx = window.right - window.left;
    const int cy = window.bottom - window.top;
    ::SetWindowPos(m_hWnd, nullptr, area.left + (area.right - area.left - cx) / 2,
                   area.top + (area.bottom - area.top - cy) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::FocusAndSelect(HWND hEdit)
{
    ::SetFocus(hEdit);
    ::SendMessageW(hEdit, EM_SETSEL, 0, -1);
}
