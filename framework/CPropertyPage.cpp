#include "framework/CPropertyPage.h"

#include "framework/CWinApp.h"

CPropertyPage::CPropertyPage(UINT nIdTemplate) : CDialog(nIdTemplate) {}

BOOL CPropertyPage::OnSetActive()
{
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return TRUE;
}

PROPSHEETPAGEW CPropertyPage::GetPageDescription()
{
    PROPSHEETPAGEW psp = {};
    psp.dwSize = sizeof psp;
    psp.hInstance = AfxGetInstanceHandle();
    psp.pszTemplate = MAKEINTRESOURCEW(m_nIdTemplate);
    psp.pfnDlgProc = PageProc;
    psp.lParam = reinterpret_cast<LPARAM>(this);
    return psp;
}

BOOL CPropertyPage::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
    switch (hdr->code) {
    case PSN_SETACTIVE:
        *pResult = OnSetActive() ? 0 : -1;
        return TRUE;
    case PSN_KILLACTIVE:
        *pResult = OnKillActive() ? FALSE : TRUE;
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CDialog* pThis;
    if (msg == WM_INITDIALOG) {
        // For a page the creation parameter is its PROPSHEETPAGE, which carries the object.
        pThis = reinterpret_cast<CPropertyPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
        pThis->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pThis));
    } else {
        pThis = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    return Dispatch(pThis, hWnd, msg, wParam, lParam);
}
