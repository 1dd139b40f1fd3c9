#pragma once
// Dialog with a resizable frame. Each registered child keeps its distance to
// one or two anchor points of the client area, so it moves and grows with the
// dialog. A size grip in the bottom-right corner answers hit tests as the
// bottom-right sizing border, and the dialog never gets smaller than it was
// when it opened. User-interface thread only.
//
// An anchor point is a pair of percentages of the client area's width and
// height: (0, 0) top left, (50, 50) centre, (100, 100) bottom right.

#include "framework/CDialog.h"

#include <vector>

class CResizableDialog : public CDialog {
public:
    static constexpr SIZE kAnchorTopLeft{0, 0};
    static constexpr SIZE kAnchorTopCenter{50, 0};
    static constexpr SIZE kAnchorTopRight{100, 0};
    static constexpr SIZE kAnchorMiddleLeft{0, 50};
    static constexpr SIZE kAnchorMiddleCenter{50, 50};
    static constexpr SIZE kAnchorMiddleRight{100, 50};
    static constexpr SIZE kAnchorBottomLeft{0, 100};
    static constexpr SIZE kAnchorBottomCenter{50, 100};
    static constexpr SIZE kAnchorBottomRight{100, 100};
    static constexpr SIZE kNoAnchor{-1, -1};

    explicit CResizableDialog(UINT nIdTemplate, CWnd* pParentWnd = nullptr);

protected:
    // Registers a child control; call in OnInitDialog after this class's.
    // With kNoAnchor as bottomRight the control moves but keeps its size.
    void AnchorControl(HWND hControl, SIZE topLeft, SIZE bottomRight = kNoAnchor);

    // Derived classes call it first.
    BOOL OnInitDialog() override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct SLayout {
        HWND hWnd;
        BOOL bListBox;
        // A static control whose text or centred image would otherwise keep
        // stale pixels when it moves.
        BOOL bRepaint;
        SIZE topLeftAnchor;
        SIZE topLeftMargin;
        SIZE bottomRightAnchor;
        SIZE bottomRightMargin;
    };

    void UpdateGripRect();
    void RepositionControls();
    void OnPaint();
    // The control's window rectangle in this dialog's client co-ordinates.
    RECT GetChildRect(HWND hControl) const;

    BOOL m_bInitialized = FALSE;
    int m_cxGrip;
    int m_cyGrip;
    RECT m_rcGrip = {};
    // Window size, not client size, as WM_GETMINMAXINFO wants it.
    SIZE m_minSize = {};
    std::vector<SLayout> m_layouts;
};
