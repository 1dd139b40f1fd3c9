#pragma once
// Adds to a waiting tree an hourglass that turns in the image position of the
// wait node, one step of the program's animated hourglass cursor per timer
// tick. T is CWaitingTreeCtrl or a class derived from it.

#include "controls/CWaitingTreeCtrl.h"
#include "framework/CBrush.h"
#include "framework/CClientDC.h"
#include "framework/CWinApp.h"
#include "res/resource.h"

#include <type_traits>

template <class T>
class CHourglassFX : public T {
    static_assert(std::is_base_of<CWaitingTreeCtrl, T>::value, "CHourglassFX animates a waiting tree");

public:
    // Steps of the hourglass cursor, and how long each shows.
    static const int kFrameCount = 10;
    static const UINT kStepMilliseconds = 125;

    CHourglassFX()
        : m_hHourglass(static_cast<HCURSOR>(::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_HOURGLASS),
                                                         IMAGE_CURSOR, 0, 0, LR_DEFAULTCOLOR)))
    {
        this->m_bAnimated = TRUE;
        this->SetAnimationPeriod(kStepMilliseconds);
    }
    ~CHourglassFX() override
    {
        if (m_hHourglass)
            ::DestroyCursor(m_hHourglass);
    }

protected:
    // User-interface thread.
    void BeginAnimation(HTREEITEM hWaitNode) override
    {
        T::BeginAnimation(hWaitNode);
        m_nFrame = 0;
        // Without an image position there is nowhere to draw; an empty
        // rectangle would make DrawIconEx fall back to the cursor's own size.
        if (!this->GetImageRect(hWaitNode, &m_rcImage))
            ::SetRectEmpty(&m_rcImage);
        m_brBackground.CreateSolidBrush(this->GetBackgroundColor());
    }

    // Animation thread.
    void AnimationStep(BOOL bTimerTick, int nTotal, int nDone) override
    {
        T::AnimationStep(bTimerTick, nTotal, nDone);
        if (!bTimerTick)
            return;
        m_nFrame = (m_nFrame + 1) % kFrameCount;
        if (!m_hHourglass || ::IsRectEmpty(&m_rcImage))
            return;
        CClientDC dc(this->m_hWnd);
        if (!dc.Get())
            return;
        // The brush makes DrawIconEx compose the step off screen first, so
        // the previous step never shows through.
        ::DrawIconEx(dc.Get(), m_rcImage.left, m_rcImage.top, m_hHourglass, m_rcImage.right - m_rcImage.left,
                     m_rcImage.bottom - m_rcImage.top, static_cast<UINT>(m_nFrame), m_brBackground.Get(), DI_NORMAL);
    }

    // User-interface thread, after the animation thread ended.
    void EndAnimation() override
    {
        T::EndAnimation();
        m_brBackground.DeleteObject();
    }

private:
    CBrush m_brBackground;
    RECT m_rcImage = {};
    int m_nFrame = 0;
    HCURSOR m_hHourglass;
};
