// The resizable dialog on the folder browser's real template: controls follow
// their anchors when the real window is resized, minimized and restored; the
// minimum size, the grip's hit test and the grip's pixels on screen.

#include "controls/CResizableDialog.h"
#include "framework/CWindowDC.h"
#include "res/resource.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

// The browser's layout, plus a label made at run time and anchored at the
// centre for both corners. Hidden, as the template has no WS_VISIBLE.
class BrowseLayoutDialog : public CResizableDialog {
public:
    BrowseLayoutDialog() : CResizableDialog(IDD_BROWSE_FOLDER) {}
    ~BrowseLayoutDialog() override
    {
        if (m_hWnd)
            ::DestroyWindow(m_hWnd);
    }

    bool Create()
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_BROWSE_FOLDER), nullptr,
                                    DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
    }

    // Tree, new-folder button, OK, Cancel, label.
    std::vector<HWND> m_children;

protected:
    BOOL OnInitDialog() override
    {
        CResizableDialog::OnInitDialog();
        HWND hLabel = ::CreateWindowExW(0, L"Static", L"centre", WS_CHILD | WS_VISIBLE | SS_LEFT, 120, 90, 60, 20,
                                        m_hWnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        m_children = {GetDlgItem(IDC_FOLDER_TREE), GetDlgItem(IDC_CREATE_NEW_FOLDER), GetDlgItem(IDOK),
                      GetDlgItem(IDCANCEL), hLabel};
        AnchorControl(m_children[0], kAnchorTopLeft, kAnchorBottomRight);
        AnchorControl(m_children[1], kAnchorBottomLeft, kNoAnchor);
        AnchorControl(m_children[2], kAnchorBottomRight, kNoAnchor);
        AnchorControl(m_children[3], kAnchorBottomRight, kNoAnchor);
        AnchorControl(m_children[4], kAnchorMiddleCenter, kAnchorMiddleCenter);
        return TRUE;
    }
};

// Window rectangle; of a child, in its parent's client co-ordinates.
RECT WindowRect(HWND hWnd)
{
    RECT rc;
    GetWindowRect(hWnd, &rc);
    if (GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(nullptr, GetParent(hWnd), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

RECT ClientRect(HWND hWnd)
{
    RECT rc;
    GetClientRect(hWnd, &rc);
    return rc;
}

class ResizableDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dialog.Create());
        m_hWnd = m_dialog.m_hWnd;
    }

    std::vector<RECT> ChildRects() const
    {
        std::vector<RECT> rects;
        for (HWND hChild : m_dialog.m_children)
            rects.push_back(WindowRect(hChild));
        return rects;
    }
    void Grow(int dx, int dy)
    {
        const RECT rc = WindowRect(m_hWnd);
        SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left + dx, rc.bottom - rc.top + dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    LRESULT HitTest(POINT pt) const
    {
        ClientToScreen(m_hWnd, &pt);
        return SendMessageW(m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    }
    // Pixels of the grip area, outside every child, that differ from the
    // dialog's background, read back from the window after it painted.
    int GripPixels() const
    {
        UpdateWindow(m_hWnd);
        test::PumpMessages(100);
        const RECT rcClient = ClientRect(m_hWnd);
        POINT origin = {0, 0};
        MapWindowPoints(m_hWnd, nullptr, &origin, 1);
        const RECT rcWindow = WindowRect(m_hWnd);
        CWindowDC dc(m_hWnd);
        auto pixel = [&](POINT pt) {
            return GetPixel(dc.Get(), pt.x + origin.x - rcWindow.left, pt.y + origin.y - rcWindow.top);
        };
        const COLORREF background = pixel({1, 1});
        int count = 0;
        for (int y = rcClient.bottom - GetSystemMetrics(SM_CYHSCROLL); y < rcClient.bottom; ++y) {
            for (int x = rcClient.right - GetSystemMetrics(SM_CXVSCROLL); x < rcClient.right; ++x) {
                if (ChildWindowFromPointEx(m_hWnd, {x, y}, CWP_SKIPINVISIBLE) == m_hWnd && pixel({x, y}) != background)
                    ++count;
            }
        }
        return count;
    }

    BrowseLayoutDialog m_dialog;
    HWND m_hWnd = nullptr;
};

TEST_F(ResizableDialogTest, ControlsFollowTheirAnchorsWhenTheDialogGrows)
{
    const std::vector<RECT> before = ChildRects();
    const RECT rcClient = ClientRect(m_hWnd);
    Grow(120, 80);
    ASSERT_EQ(rcClient.right + 120, ClientRect(m_hWnd).right);
    ASSERT_EQ(rcClient.bottom + 80, ClientRect(m_hWnd).bottom);

    // Per child: moves of its left, top, right and bottom edges.
    const LONG expected[][4] = {
        {0, 0, 120, 80},    // tree, both corners: grows with the dialog
        {0, 80, 0, 80},     // new folder, bottom left: follows the bottom edge
        {120, 80, 120, 80}, // OK and Cancel, bottom right: keep their size and
        {120, 80, 120, 80}, // distance to the corner
        {60, 40, 60, 40},   // label, centre: half the growth
    };
    const std::vector<RECT> after = ChildRects();
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(expected[i][0], after[i].left - before[i].left) << "child " << i;
        EXPECT_EQ(expected[i][1], after[i].top - before[i].top) << "child " << i;
        EXPECT_EQ(expected[i][2], after[i].right - before[i].right) << "child " << i;
        EXPECT_EQ(expected[i][3], after[i].bottom - before[i].bottom) << "child " << i;
    }
}

TEST_F(ResizableDialogTest, AnchoringClipsButtonsOtherThanPlainPushButtons)
{
    EXPECT_TRUE(GetWindowLongPtrW(m_dialog.GetDlgItem(IDOK), GWL_STYLE) & WS_CLIPSIBLINGS);
    EXPECT_FALSE(GetWindowLongPtrW(m_dialog.GetDlgItem(IDCANCEL), GWL_STYLE) & WS_CLIPSIBLINGS);
}

TEST_F(ResizableDialogTest, NeverSmallerThanWhenItOpened)
{
    const RECT opened = WindowRect(m_hWnd);
    MINMAXINFO mmi = {};
    mmi.ptMaxTrackSize = {4000, 3000};
    SendMessageW(m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ(opened.right - opened.left, mmi.ptMinTrackSize.x);
    EXPECT_EQ(opened.bottom - opened.top, mmi.ptMinTrackSize.y);
    EXPECT_EQ(4000, mmi.ptMaxTrackSize.x);

    // The system clamps every resize of a sizable window to that answer.
    Grow(-50, -40);
    const RECT rc = WindowRect(m_hWnd);
    EXPECT_TRUE(EqualRect(&opened, &rc));
}

TEST_F(ResizableDialogTest, GripIsTheBottomRightSizingBorder)
{
    Grow(30, 20);
    const RECT rc = ClientRect(m_hWnd);
    const int cxGrip = GetSystemMetrics(SM_CXVSCROLL);
    const int cyGrip = GetSystemMetrics(SM_CYHSCROLL);
    EXPECT_EQ(HTBOTTOMRIGHT, HitTest({rc.right - cxGrip, rc.bottom - cyGrip}));
    EXPECT_EQ(HTCLIENT, HitTest({rc.right - cxGrip - 1, rc.bottom - 1}));
    EXPECT_EQ(HTCLIENT, HitTest({rc.right - 1, rc.bottom - cyGrip - 1}));
}

TEST_F(ResizableDialogTest, GripIsDrawnUnlessMaximized)
{
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    EXPECT_GT(GripPixels(), 0);
    ShowWindow(m_hWnd, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(m_hWnd));
    EXPECT_EQ(0, GripPixels());
}

TEST_F(ResizableDialogTest, MinimizeAndRestoreKeepTheLayout)
{
    const std::vector<RECT> before = ChildRects();
    ShowWindow(m_hWnd, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(IsIconic(m_hWnd));
    // The controls were laid out for an empty client area meanwhile.
    const RECT rcIconic = ClientRect(m_hWnd);
    ASSERT_TRUE(IsRectEmpty(&rcIconic));
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ASSERT_FALSE(IsIconic(m_hWnd));
    const std::vector<RECT> after = ChildRects();
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_TRUE(EqualRect(&before[i], &after[i])) << "child " << i;
}

} // namespace
