#include "controls/CWaitingTreeCtrl.h"

#include <mmsystem.h>

namespace {

// Stops the animation of a fill however FillItem leaves.
template <class Stop>
class CAnimationScope {
public:
    explicit CAnimationScope(Stop stop) : m_stop(stop) {}
    ~CAnimationScope() { m_stop(); }
    CAnimationScope(const CAnimationScope&) = delete;
    CAnimationScope& operator=(const CAnimationScope&) = delete;

private:
    Stop m_stop;
};

} // namespace

CWaitingTreeCtrl::CWaitingTreeCtrl() : m_strWaitMessage(L"Loading...") {}

CWaitingTreeCtrl::~CWaitingTreeCtrl()
{
    if (m_nTimerId)
        ::timeKillEvent(m_nTimerId);
}

void CWaitingTreeCtrl::SetFillProgress(int nTotal, int nDone)
{
    m_nTotal = nTotal;
    m_nDone = nDone;
    if (m_hProgressEvent)
        ::SetEvent(m_hProgressEvent.Get());
}

void CWaitingTreeCtrl::AddFillProgress(int nIncrement)
{
    m_nDone += nIncrement;
    if (m_hProgressEvent)
        ::SetEvent(m_hProgressEvent.Get());
}

BOOL CWaitingTreeCtrl::ItemHasChildren(HTREEITEM hItem) const
{
    TVITEMW item = {};
    item.mask = TVIF_HANDLE | TVIF_CHILDREN;
    item.hItem = hItem;
    if (!SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return FALSE;
    return item.cChildren != 0;
}

BOOL CWaitingTreeCtrl::GetImageRect(HTREEITEM hItem, RECT* pRect) const
{
    if (!SendMessage(TVM_GETIMAGELIST, TVSIL_NORMAL))
        return FALSE;
    RECT text;
    if (!GetItemRect(hItem, &text, TRUE))
        return FALSE;
    const int cx = ::GetSystemMetrics(SM_CXSMICON);
    const int cy = ::GetSystemMetrics(SM_CYSMICON);
    pRect->right = text.left - 3;
    pRect->left = pRect->right - cx;
    pRect->top = text.top + (text.bottom - text.top - cy) / 2;
    pRect->bottom = pRect->top + cy;
    return TRUE;
}

COLORREF CWaitingTreeCtrl::GetBackgroundColor() const
{
    // The default colour (-1) masks to white.
    return static_cast<COLORREF>(SendMessage(TVM_GETBKCOLOR)) & 0xFFFFFF;
}

void CWaitingTreeCtrl::Refill(HTREEITEM hParent)
{
    if (hParent != TVI_ROOT && !ItemHasChildren(hParent))
        return;
    SetRedraw(FALSE);
    DeleteChildren(hParent);
    if (hParent == TVI_ROOT) {
        RefillRoot();
    } else {
        PrepareFill(hParent);
        RunFill(hParent);
    }
    SetRedraw(TRUE);
}

void CWaitingTreeCtrl::RefillRoot()
{
    PrepareFill(TVI_ROOT);
    RunFill(TVI_ROOT);
    SetRedraw(FALSE);
    // Showing the first node must not scroll the tree sideways.
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    const BOOL bHaveScroll = ::GetScrollInfo(m_hWnd, SB_HORZ, &info);
    if (HTREEITEM hFirst = GetRootItem())
        SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(hFirst));
    if (bHaveScroll)
        ::SetScrollInfo(m_hWnd, SB_HORZ, &info, FALSE);
    SetRedraw(TRUE);
}

BOOL CWaitingTreeCtrl::OnReflectedNotify(NMHDR* pHdr, LRESULT* pResult)
{
    if (pHdr->code != TVN_ITEMEXPANDINGW && pHdr->code != TVN_ITEMEXPANDEDW)
        return FALSE;
    const auto* pTree = reinterpret_cast<const NMTREEVIEWW*>(pHdr);
    if (pTree->action & TVE_EXPAND) {
        if (pHdr->code == TVN_ITEMEXPANDINGW)
            PrepareFill(pTree->itemNew.hItem);
        else
            RunFill(pTree->itemNew.hItem);
    }
    *pResult = 0;
    return TRUE;
}

void CWaitingTreeCtrl::PrepareFill(HTREEITEM hItem)
{
    if (GetFirstChild(hItem)) {
        if (!ShouldRefill(hItem)) {
            m_hItemToFill = nullptr;
            return;
        }
        DeleteChildren(hItem);
    }
    m_hItemToFill = hItem;
    ::UpdateWindow(m_hWnd);
    SetRedraw(FALSE);
    m_hWaitNode = InsertItem(m_strWaitMessage, hItem, TVI_LAST);
    m_nTotal = 1;
    m_nDone = 0;
}

void CWaitingTreeCtrl::RunFill(HTREEITEM hItem)
{
    if (!m_hItemToFill)
        return;
    m_hItemToFill = nullptr;
    if (m_bAnimated) {
        SetRedraw(TRUE);
        SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(m_hWaitNode));
        ::UpdateWindow(m_hWnd);
    }
    BOOL bResult;
    {
        StartAnimation();
        CAnimationScope scope([this] { StopAnimation(); });
        if (m_bAnimated)
            ClearImageArea();
        SetRedraw(FALSE);
        // A null node would make the tree delete every node.
        if (m_hWaitNode)
            DeleteItem(m_hWaitNode);
        m_hWaitNode = nullptr;
        bResult = FillItem(hItem);
    }
    if (hItem != TVI_ROOT) {
        const BOOL bHasChild = GetFirstChild(hItem) != nullptr;
        if (bResult) {
            TVITEMW item = {};
            item.mask = TVIF_HANDLE | TVIF_CHILDREN;
            item.hItem = hItem;
            item.cChildren = bHasChild ? 1 : 0;
            SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        } else if (!bHasChild) {
            // The node stays expandable, so that it can be tried again (a
            // medium inserted later). Windows keeps the children mark when the
            // wait node goes, but some tree views clear it: it is set again.
            TVITEMW item = {};
            item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_CHILDREN;
            item.hItem = hItem;
            item.cChildren = 1;
            item.stateMask = TVIS_EXPANDED;
            SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    SetRedraw(TRUE);
}

void CWaitingTreeCtrl::StartAnimation()
{
    BeginAnimation(m_hWaitNode);
    m_bStop = FALSE;
    m_hTimerEvent.Reset(::CreateEventW(nullptr, FALSE, TRUE, nullptr));
    m_hProgressEvent.Reset(::CreateEventW(nullptr, FALSE, TRUE, nullptr));
    // Without its events or its thread the fill simply runs without animation.
    if (!m_hTimerEvent || !m_hProgressEvent)
        return;
    m_hThread.Reset(::CreateThread(nullptr, 0, AnimationThread, this, 0, nullptr));
    if (m_hThread && m_nAnimationPeriod) {
        // Killed synchronously, so no tick can set an event after it is closed.
        m_nTimerId = ::timeSetEvent(m_nAnimationPeriod, 5, reinterpret_cast<LPTIMECALLBACK>(m_hTimerEvent.Get()), 0,
                                    TIME_PERIODIC | TIME_CALLBACK_EVENT_SET | TIME_KILL_SYNCHRONOUS);
    }
}

void CWaitingTreeCtrl::StopAnimation()
{
    if (m_nTimerId) {
        ::timeKillEvent(m_nTimerId);
        m_nTimerId = 0;
    }
    m_bStop = TRUE;
    if (m_hProgressEvent)
        ::SetEvent(m_hProgressEvent.Get());
    if (m_hThread)
        ::WaitForSingleObject(m_hThread.Get(), INFINITE);
    m_hThread.Reset();
    m_hTimerEvent.Reset();
    m_hProgressEvent.Reset();
    EndAnimation();
}

void CWaitingTreeCtrl::ClearImageArea()
{
    RECT rect;
    if (!GetImageRect(m_hWaitNode, &rect))
        return;
    HBRUSH hBrush = ::CreateSolidBrush(GetBackgroundColor());
    if (!hBrush)
        return;
    if (HDC hDC = ::GetDC(m_hWnd)) {
        ::FillRect(hDC, &rect, hBrush);
        ::ReleaseDC(m_hWnd, hDC);
    }
    ::DeleteObject(hBrush);
}

DWORD WINAPI CWaitingTreeCtrl::AnimationThread(LPVOID pParam)
{
    static_cast<CWaitingTreeCtrl*>(pParam)->AnimationLoop();
    return 0;
}

void CWaitingTreeCtrl::AnimationLoop()
{
    const HANDLE events[2] = {m_hTimerEvent.Get(), m_hProgressEvent.Get()};
    for (;;) {
        const DWORD dwWait = ::WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if ((dwWait != WAIT_OBJECT_0 && dwWait != WAIT_OBJECT_0 + 1) || m_bStop)
            return;
        AnimationStep(dwWait == WAIT_OBJECT_0, m_nTotal, m_nDone);
    }
}

void CWaitingTreeCtrl::DeleteChildren(HTREEITEM hItem)
{
    if (hItem == TVI_ROOT) {
        DeleteAllItems();
        return;
    }
    while (HTREEITEM hChild = GetChildItem(hItem))
        DeleteItem(hChild);
}

HTREEITEM CWaitingTreeCtrl::GetFirstChild(HTREEITEM hItem) const
{
    return hItem == TVI_ROOT ? GetRootItem() : GetChildItem(hItem);
}

void CWaitingTreeCtrl::SetRedraw(BOOL bRedraw)
{
    SendMessage(WM_SETREDRAW, bRedraw);
}
