#pragma once
// Adds to a waiting tree a small progress bar right of the wait message, which
// grows with the progress the filling code reports. T is CWaitingTreeCtrl or
// a class derived from it (in the folder browser, CHourglassFX of the shell
// tree, so that the hourglass turns beside the bar).

#include "controls/CWaitingTreeCtrl.h"
#include "framework/CBrush.h"
#include "framework/CClientDC.h"

#include <type_traits>

// Width in pixels, 0 to 50, of the bar for nDone steps of nTotal. A total of
// 0 or less is unknown: the bar then grows quickly at first (8 pixels after
// one step) and approaches the full width.
int ProgressBarWidth(int nTotal, int nDone);

template <class T>
class CProgressFX : public T {
    static_assert(std::is_base_of<CWaitingTreeCtrl, T>::value, "CProgressFX animates a waiting tree");

protected:
    // User-interface thread.
    void BeginAnimation(HTREEITEM hWaitNode) override
    {
        T::BeginAnimation(hWaitNode);
        RECT text;
        if (this->GetItemRect(hWaitNode, &text, TRUE)) {
            m_rcFrame = text;
            const int d = (m_rcFrame.bottom - m_rcFrame.top - 16) / 2;
            if (d > 0)
                ::InflateRect(&m_rcFrame, 0, -d);
            ::OffsetRect(&m_rcFrame, m_rcFrame.right - m_rcFrame.left + 3, 0);
            m_rcBar = m_rcFrame;
            ::InflateRect(&m_rcBar, -3, -3);
            m_rcFrame.right = m_rcFrame.left + 56;
            m_rcBar.right = m_rcBar.left;
        } else {
            ::SetRectEmpty(&m_rcFrame);
            ::SetRectEmpty(&m_rcBar);
        }
        m_brFrame.CreateSolidBrush(RGB(0, 0, 0));
        m_brBar.CreateSolidBrush(RGB(255, 0, 0));
    }

    // Animation thread. The bar is never erased: it only grows.
    void AnimationStep(BOOL bTimerTick, int nTotal, int nDone) override
    {
        T::AnimationStep(bTimerTick, nTotal, nDone);
        if (bTimerTick || ::IsRectEmpty(&m_rcFrame) || !m_brFrame.Get() || !m_brBar.Get())
            return;
        CClientDC dc(this->m_hWnd);
        if (!dc.Get())
            return;
        ::FrameRect(dc.Get(), &m_rcFrame, m_brFrame.Get());
        m_rcBar.right = m_rcBar.left + ProgressBarWidth(nTotal, nDone);
        ::FillRect(dc.Get(), &m_rcBar, m_brBar.Get());
    }

    // User-interface thread, after the animation thread ended.
    void EndAnimation() override
    {
        T::EndAnimation();
        m_brFrame.DeleteObject();
        m_brBar.DeleteObject();
    }

private:
    RECT m_rcFrame = {};
    RECT m_rcBar = {};
    CBrush m_brFrame;
    CBrush m_brBar;
};
