#include "controls/CResizableDialog.h"

#include <windowsx.h>

namespace {

// Moves collected with DeferWindowPos, applied together when the object goes
// away, so the controls jump to their new places in one step.
class CDeferredWindowPos {
public:
    explicit CDeferredWindowPos(int nWindows) : m_hdwp(::BeginDeferWindowPos(nWindows)) {}
    ~CDeferredWindowPos()
    {
        if (m_hdwp)
            ::EndDeferWindowPos(m_hdwp);
    }
    CDeferredWindowPos(const CDeferredWindowPos&) = delete;
    CDeferredWindowPos& operator=(const CDeferredWindowPos&) = delete;

    void Move(HWND hWnd, const RECT& rc)
    {
        const int cx = rc.right - rc.left;
        const int cy = rc.bottom - rc.top;
        // Without NOCOPYBITS a moved control keeps the pixels found at its old
        // place as valid; after the dialog itself grew these may be blank,
        // and the control stays blank until something repaints it.
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
        // A failed DeferWindowPos has freed the whole set; the rest still move,
        // one by one.
        if (m_hdwp)
            m_hdwp = ::DeferWindowPos(m_hdwp, hWnd, nullptr, rc.left, rc.top, cx, cy, flags);
        if (!m_hdwp)
            ::SetWindowPos(hWnd, nullptr, rc.left, rc.top, cx, cy, flags);
    }

private:
    HDWP m_hdwp;
};

// BeginPaint and its EndPaint.
class CPaintScope {
public:
    explicit CPaintScope(HWND hWnd) : m_hWnd(hWnd), m_hDC(::BeginPaint(hWnd, &m_ps)) {}
    ~CPaintScope() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintScope(const CPaintScope&) = delete;
    CPaintScope& operator=(const CPaintScope&) = delete;

    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps = {};
    HDC m_hDC;
};

bool IsNoAnchor(SIZE anchor)
{
    return anchor.cx == CResizableDialog::kNoAnchor.cx && anchor.cy == CResizableDialog::kNoAnchor.cy;
}

} // namespace

CResizableDialog::CResizableDialog(UINT nIdTemplate, CWnd* pParentWnd)
    : CDialog(nIdTemplate, pParentWnd),
      m_cxGrip(::GetSystemMetrics(SM_CXVSCROLL)),
      m_cyGrip(::GetSystemMetrics(SM_CYHSCROLL))
{
}

void CResizableDialog::AnchorControl(HWND hControl, SIZE topLeft, SIZE bottomRight)
{
    CString strClass;
    ::GetClassNameW(hControl, strClass.GetBuffer(MAX_PATH), MAX_PATH + 1);
    strClass.ReleaseBuffer();
    strClass.MakeUpper();
    const LONG_PTR style = ::GetWindowLongPtrW(hControl, GWL_STYLE);

    // Check boxes, radio buttons and group boxes overlap their neighbours;
    // without clipping, a moved group box paints over the controls inside it.
    if (strClass == L"BUTTON" && (style & 0x7) != 0)
        ::SetWindowLongPtrW(hControl, GWL_STYLE, style | WS_CLIPSIBLINGS);

    SLayout layout = {};
    layout.hWnd = hControl;
    layout.bListBox = strClass == L"LISTBOX";
    if (strClass == L"STATIC") {
        const LONG_PTR type = style & SS_TYPEMASK;
        layout.bRepaint = type != SS_SIMPLE &&
                          (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || (style & SS_CENTERIMAGE));
    }

    if (IsNoAnchor(bottomRight))
        bottomRight = topLeft;
    RECT rcClient;
    ::GetClientRect(m_hWnd, &rcClient);
    const RECT rc = GetChildRect(hControl);
    layout.topLeftAnchor = topLeft;
    layout.topLeftMargin = {rc.left - rcClient.right * topLeft.cx / 100, rc.top - rcClient.bottom * topLeft.cy / 100};
    layout.bottomRightAnchor = bottomRight;
    layout.bottomRightMargin = {rc.right - rcClient.right * bottomRight.cx / 100,
                                rc.bottom - rcClient.bottom * bottomRight.cy / 100};
    m_layouts.push_back(layout);
}

BOOL CResizableDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    UpdateGripRect();
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    m_minSize = {rc.right - rc.left, rc.bottom - rc.top};
    m_bInitialized = TRUE;
    return TRUE;
}

BOOL CResizableDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_NCHITTEST: {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ScreenToClient(m_hWnd, &pt);
        // A maximized dialog draws no grip and cannot be sized.
        if (!::IsZoomed(m_hWnd) && pt.x >= 0 && pt.y >= 0 && ::PtInRect(&m_rcGrip, pt)) {
            result = HTBOTTOMRIGHT;
            return TRUE;
        }
        return FALSE;
    }
    case WM_GETMINMAXINFO:
        // Also sent while the window is created, before the size to keep is known.
        if (!m_bInitialized)
            return FALSE;
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {m_minSize.cx, m_minSize.cy};
        result = 0;
        return TRUE;
    case WM_SIZE:
        // Left unhandled: the default handling does nothing a dialog needs
        // first. Minimized, the client area is empty and the controls pile up
        // at their margins; restoring computes them afresh from the margins,
        // which no move changes.
        if (wParam != SIZE_MAXSHOW && wParam != SIZE_MAXHIDE && m_bInitialized)
            RepositionControls();
        return CDialog::OnMessage(msg, wParam, lParam, result);
    case WM_PAINT:
        OnPaint();
        result = 0;
        return TRUE;
    default:
        return CDialog::OnMessage(msg, wParam, lParam, result);
    }
}

void CResizableDialog::UpdateGripRect()
{
    ::GetClientRect(m_hWnd, &m_rcGrip);
    m_rcGrip.left = m_rcGrip.right - m_cxGrip;
    m_rcGrip.top = m_rcGrip.bottom - m_cyGrip;
}

void CResizableDialog::RepositionControls()
{
    RECT rcClient;
    ::GetClientRect(m_hWnd, &rcClient);
    const LONG cx = rcClient.right;
    const LONG cy = rcClient.bottom;
    CDeferredWindowPos deferred(static_cast<int>(m_layouts.size()));

    for (const SLayout& layout : m_layouts) {
        const RECT rcOld = GetChildRect(layout.hWnd);
        const RECT rcNew = {cx * layout.topLeftAnchor.cx / 100 + layout.topLeftMargin.cx,
                            cy * layout.topLeftAnchor.cy / 100 + layout.topLeftMargin.cy,
                            cx * layout.bottomRightAnchor.cx / 100 + layout.bottomRightMargin.cx,
                            cy * layout.bottomRightAnchor.cy / 100 + layout.bottomRightMargin.cy};
        if (::EqualRect(&rcOld, &rcNew))
            continue;

        bool bMoveNow = layout.bRepaint;
        if (layout.bListBox) {
            // A list box scrolled to its right end would show a stale strip
            // when it widens: it has to move and repaint at once.
            const LONG growth = (rcNew.right - rcNew.left) - (rcOld.right - rcOld.left);
            SCROLLINFO si = {};
            si.cbSize = sizeof si;
            si.fMask = SIF_ALL;
            if (::GetScrollInfo(layout.hWnd, SB_HORZ, &si)) {
                const int limit = si.nMax - (si.nPage > 0 ? static_cast<int>(si.nPage) - 1 : 0);
                if (limit > 0 && si.nPos > limit - growth)
                    bMoveNow = true;
            }
        }
        if (bMoveNow) {
            ::MoveWindow(layout.hWnd, rcNew.left, rcNew.top, rcNew.right - rcNew.left, rcNew.bottom - rcNew.top, TRUE);
            ::InvalidateRect(layout.hWnd, nullptr, TRUE);
        }
        deferred.Move(layout.hWnd, rcNew);
    }

    ::InvalidateRect(m_hWnd, &m_rcGrip, TRUE);
    UpdateGripRect();
    ::InvalidateRect(m_hWnd, &m_rcGrip, TRUE);
}

void CResizableDialog::OnPaint()
{
    CPaintScope paint(m_hWnd);
    if (!::IsZoomed(m_hWnd)) {
        RECT rc = m_rcGrip;
        ::DrawFrameControl(paint.Get(), &rc, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    }
}

RECT CResizableDialog::GetChildRect(HWND hControl) const
{
    RECT rc;
    ::GetWindowRect(hControl, &rc);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}
