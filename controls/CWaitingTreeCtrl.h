#pragma once
// Tree view that fills a node's children only when the node is first
// expanded. While a derived class fills (FillItem, on the user-interface
// thread, which pumps no messages meanwhile) a temporary child "Loading..."
// stands under the node and a thread of its own calls AnimationStep on every
// tick of a periodic timer and on every progress report, so that a derived
// class can draw something that moves (see CHourglassFX and CProgressFX).
//
// Take the control over with SubclassDlgItem: its parent dialog reflects the
// expansion notifications back to it.

#include "framework/CHandle.h"
#include "framework/CTreeCtrl.h"

#include <atomic>

class CWaitingTreeCtrl : public CTreeCtrl {
public:
    CWaitingTreeCtrl();
    ~CWaitingTreeCtrl() override;

    // Period of the animation timer in milliseconds; 0: no timer ticks.
    void SetAnimationPeriod(UINT nMilliseconds) { m_nAnimationPeriod = nMilliseconds; }

    // Progress of the running fill, for FillItem. A total of 0 or less means
    // the total is not known.
    void SetFillProgress(int nTotal, int nDone);
    void AddFillProgress(int nIncrement);

    // Throws away the children of hParent (TVI_ROOT: the top level) and fills
    // them again. A real node not marked as having children is left alone.
    void Refill(HTREEITEM hParent);

    BOOL ItemHasChildren(HTREEITEM hItem) const;

    // The small-icon square left of the node's text: SM_CXSMICON x
    // SM_CYSMICON, ending 3 pixels before the text, centred on it vertically.
    // FALSE without a normal image list or when the node is not visible.
    BOOL GetImageRect(HTREEITEM hItem, RECT* pRect) const;

    const CString& GetWaitMessage() const { return m_strWaitMessage; }

protected:
    // Called on the user-interface thread before the animation thread starts.
    virtual void BeginAnimation(HTREEITEM hWaitNode) {}
    // Called on the animation thread: bTimerTick is TRUE for a timer tick,
    // FALSE for a progress report. The user-interface thread is busy filling
    // and then waits for this thread, so a step draws on its own DC and must
    // never send a message to the tree.
    virtual void AnimationStep(BOOL bTimerTick, int nTotal, int nDone) {}
    // Called on the user-interface thread after the animation thread ended.
    virtual void EndAnimation() {}
    // Whether a node that has children already is filled again on expansion.
    virtual BOOL ShouldRefill(HTREEITEM hItem) { return FALSE; }
    // Inserts the children of hParent (TVI_ROOT: the top level). TRUE when
    // the node's expand button is to show whether children were found; FALSE
    // leaves a node without children collapsed and expandable.
    virtual BOOL FillItem(HTREEITEM hParent) { return FALSE; }

    BOOL OnReflectedNotify(NMHDR* pHdr, LRESULT* pResult) override;

    // The tree's background colour as a plain RGB value.
    COLORREF GetBackgroundColor() const;

    // TRUE makes the wait node visible and painted before the fill starts.
    BOOL m_bAnimated = FALSE;

private:
    void PrepareFill(HTREEITEM hItem);
    void RunFill(HTREEITEM hItem);
    void RefillRoot();
    void DeleteChildren(HTREEITEM hItem);
    // The first child of a node or, for TVI_ROOT, the first top-level node.
    HTREEITEM GetFirstChild(HTREEITEM hItem) const;
    void SetRedraw(BOOL bRedraw);
    void StartAnimation();
    void StopAnimation();
    void ClearImageArea();
    void AnimationLoop();
    static DWORD WINAPI AnimationThread(LPVOID pParam);

    CHandle m_hThread;
    CHandle m_hTimerEvent;
    CHandle m_hProgressEvent;
    std::atomic<BOOL> m_bStop{FALSE};
    UINT m_nTimerId = 0;
    UINT m_nAnimationPeriod = 0;
    CString m_strWaitMessage;
    // Written by the user-interface thread, read by the animation thread.
    std::atomic<int> m_nDone{0};
    std::atomic<int> m_nTotal{0};
    HTREEITEM m_hWaitNode = nullptr;
    HTREEITEM m_hItemToFill = nullptr;
};
