#pragma once
// Thin wrapper of a window handle. It never owns the window: destroying the
// wrapper leaves the window alone.

#include "framework/CString.h"

class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    HWND GetDlgItem(int nId) const { return ::GetDlgItem(m_hWnd, nId); }
    void SetWindowText(const wchar_t* psz) { ::SetWindowTextW(m_hWnd, psz); }
    CString GetWindowText() const { return GetText(m_hWnd); }
    void SetDlgItemText(int nId, const wchar_t* psz) { ::SetDlgItemTextW(m_hWnd, nId, psz); }
    CString GetDlgItemText(int nId) const { return GetText(GetDlgItem(nId)); }

    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, msg, wParam, lParam);
    }
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, msg, wParam, lParam);
    }

    static CString GetText(HWND hWnd);

    // Centres the window on its owner, or on the work area of its monitor
    // when it has no visible owner; the size and z-order stay.
    void CenterWindow();
    // Moves the keyboard focus to an edit control and selects its whole text,
    // so that what the user types next replaces it.
    static void FocusAndSelect(HWND hEdit);

    // Takes over the control nId of the dialog pParent: PreSubclassWindow
    // first, then the control's notifications are handed back to this object
    // (see CDialog). FALSE when the dialog has no such control.
    BOOL SubclassDlgItem(UINT nId, CWnd* pParent);

    // A notification this control sent to its parent dialog, handed back to
    // it because it registered for that with CDialog::RegisterReflection.
    // TRUE when handled, with the notification's result in *pResult.
    virtual BOOL OnReflectedNotify(NMHDR* pHdr, LRESULT* pResult) { return FALSE; }

protected:
    // Called by SubclassDlgItem once the window handle is known, before any
    // notification is reflected.
    virtual void PreSubclassWindow() {}

public:
    HWND m_hWnd = nullptr;
};
