#pragma once
// A property sheet created as a child window of a dialog, with its own OK,
// Cancel and Apply buttons hidden: the pages are the whole content.

#include "framework/CPropertyPage.h"

#include <vector>

class CPropertySheet : public CWnd {
public:
    void AddPage(CPropertyPage* pPage) { m_pages.push_back(pPage); }
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const;

    // Creates the sheet with every page added so far as a child of pParent,
    // with the given window styles (WS_CHILD is always among them).
    BOOL Create(CWnd* pParent, DWORD dwStyle, DWORD dwExStyle = 0);

    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage);
    int GetActiveIndex() const;
    CPropertyPage* GetActivePage() const;

    // The keys of every property sheet: Ctrl+Tab and Ctrl+PageDown show the
    // next page, Ctrl+Shift+Tab and Ctrl+PageUp the previous one, round the
    // end. For the message loop of the window that holds the sheet: TRUE when
    // the message was such a key for a window of the sheet and was handled.
    BOOL TranslatePageKey(const MSG& msg);

private:
    static int CALLBACK SheetCallback(HWND hWnd, UINT msg, LPARAM lParam);

    std::vector<CPropertyPage*> m_pages;
};
