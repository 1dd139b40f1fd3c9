#include "framework/CPropertySheet.h"

#include "framework/CWinApp.h"

namespace {

// The styles for the sheet being created; the creation callback has no
// parameter of its own, and sheets are created on the user-interface thread only.
thread_local DWORD tCreateStyle = 0;

const int kSheetButtons[] = {IDOK, IDCANCEL, 0x3021 /* Apply */, IDHELP};

} // namespace

CPropertyPage* CPropertySheet::GetPage(int nPage) const
{
    return nPage >= 0 && nPage < GetPageCount() ? m_pages[nPage] : nullptr;
}

int CALLBACK CPropertySheet::SheetCallback(HWND, UINT msg, LPARAM lParam)
{
    if (msg == PSCB_PRECREATE && lParam) {
        // The template is a DLGTEMPLATE or a DLGTEMPLATEEX (signature 0xFFFF).
        auto* words = reinterpret_cast<WORD*>(lParam);
        DWORD* pStyle = (words[0] == 1 && words[1] == 0xFFFF) ? reinterpret_cast<DWORD*>(words + 6)
                                                               : reinterpret_cast<DWORD*>(lParam);
        *pStyle &= ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_THICKFRAME | WS_VISIBLE | DS_CONTEXTHELP);
        *pStyle |= tCreateStyle | WS_CHILD | DS_CONTROL;
    }
    return 0;
}

BOOL CPropertySheet::Create(CWnd* pParent, DWORD dwStyle, DWORD dwExStyle)
{
    std::vector<PROPSHEETPAGEW> pages;
    for (CPropertyPage* pPage : m_pages)
        pages.push_back(pPage->GetPageDescription());

    PROPSHEETHEADERW psh = {};
    psh.dwSize = sizeof psh;
    psh.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW | PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    psh.hwndParent = pParent ? pParent->m_hWnd : nullptr;
    psh.hInstance = AfxGetInstanceHandle();
    psh.nPages = static_cast<UINT>(pages.size());
    psh.ppsp = pages.data();
    psh.pfnCallback = SheetCallback;
    tCreateStyle = dwStyle;
    INT_PTR result = ::PropertySheetW(&psh);
    tCreateStyle = 0;
    if (result == 0 || result == -1)
        return FALSE;
    m_hWnd = reinterpret_cast<HWND>(result);
    for (int id : kSheetButtons) {
        HWND hButton = ::GetDlgItem(m_hWnd, id);
        if (hButton) {
            ::ShowWindow(hButton, SW_HIDE);
            ::EnableWindow(hButton, FALSE);
        }
    }
    if (dwExStyle)
        ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) | dwExStyle);
    return TRUE;
}

BOOL CPropertySheet::SetActivePage(int nPage)
{
    return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, nPage, 0));
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* pPage)
{
    for (int i = 0; i < GetPageCount(); ++i)
        if (m_pages[i] == pPage)
            return SetActivePage(i);
    return FALSE;
}

int CPropertySheet::GetActiveIndex() const
{
    HWND hPage = reinterpret_cast<HWND>(SendMessage(PSM_GETCURRENTPAGEHWND));
    for (int i = 0; i < GetPageCount(); ++i)
        if (m_pages[i]->m_hWnd && m_pages[i]->m_hWnd == hPage)
            return i;
    return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    return GetPage(GetActiveIndex());
}

BOOL CPropertySheet::TranslatePageKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || ::GetKeyState(VK_CONTROL) >= 0 || GetPageCount() == 0 || !m_hWnd ||
        (msg.hwnd != m_hWnd && !::IsChild(m_hWnd, msg.hwnd)))
        return FALSE;
    int nStep;
    switch (msg.wParam) {
    case VK_TAB:
        nStep = ::GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
        break;
    case VK_NEXT:
        nStep = 1;
        break;
    case VK_PRIOR:
        nStep = -1;
        break;
    default:
        return FALSE;
    }
    HWND hTabs = reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL));
    const BOOL bOnTabs = ::GetFocus() == hTabs;
    const int nCount = GetPageCount();
    SetActivePage((GetActiveIndex() + nStep + nCount) % nCount);
    // The focus must not stay in the page just hidden: it goes to the new
    // page's first control, or stays on the tabs when it was there.
    CPropertyPage* pPage = GetActivePage();
    HWND hFirst = pPage && !bOnTabs ? ::GetNextDlgTabItem(pPage->m_hWnd, nullptr, FALSE) : nullptr;
    ::SetFocus(hFirst ? hFirst : hTabs);
    return TRUE;
}
