// The resizable dialog on the folder browser's real template: controls follow
// their anchors when the real window grows, and it never gets smaller than
// at opening.

#include "controls/CResizableDialog.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

// The browser's layout, plus a label anchored at the centre for both corners.
class BrowseLayoutDialog : public CResizableDialog {
public:
    BrowseLayoutDialog() : CResizableDialog(IDD_BROWSE_FOLDER) {}
    ~BrowseLayoutDialog() override { ::DestroyWindow(m_hWnd); }
    bool Create()
    {
        return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_BROWSE_FOLDER), nullptr,
                                    DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
    }

    // Tree, new-folder button, OK, label.
    std::vector<HWND> m_children;

protected:
    BOOL OnInitDialog() override
    {
        CResizableDialog::OnInitDialog();
        HWND hLabel = ::CreateWindowExW(0, L"Static", L"centre", WS_CHILD | WS_VISIBLE, 120, 90, 60, 20, m_hWnd,
                                        nullptr, ::GetModuleHandleW(nullptr), nullptr);
        m_children = {GetDlgItem(IDC_FOLDER_TREE), GetDlgItem(IDC_CREATE_NEW_FOLDER), GetDlgItem(IDOK), hLabel};
        AnchorControl(m_children[0], kAnchorTopLeft, kAnchorBottomRight);
        AnchorControl(m_children[1], kAnchorBottomLeft, kNoAnchor);
        AnchorControl(m_children[2], kAnchorBottomRight, kNoAnchor);
        AnchorControl(m_children[3], kAnchorMiddleCenter, kAnchorMiddleCenter);
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

class ResizableDialogTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dialog.Create()); }
    void Grow(int dx, int dy)
    {
        const RECT rc = WindowRect(m_dialog.m_hWnd);
        SetWindowPos(m_dialog.m_hWnd, nullptr, 0, 0, rc.right - rc.left + dx, rc.bottom - rc.top + dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    BrowseLayoutDialog m_dialog;
};

TEST_F(ResizableDialogTest, ControlsFollowTheirAnchorsWhenTheDialogGrows)
{
    std::vector<RECT> before;
    for (HWND hChild : m_dialog.m_children)
        before.push_back(WindowRect(hChild));
    Grow(120, 80);
    // Per child: moves of its left, top, right and bottom edges.
    const LONG expected[][4] = {
        {0, 0, 120, 80},    // tree, both corners: grows with the dialog
        {0, 80, 0, 80},     // new folder, bottom left: follows the bottom edge
        {120, 80, 120, 80}, // OK, bottom right: keeps its size and distance to the corner
        {60, 40, 60, 40},   // label, centre: half the growth
    };
    for (size_t i = 0; i < before.size(); ++i) {
        const RECT after = WindowRect(m_dialog.m_children[i]);
        EXPECT_EQ(expected[i][0], after.left - before[i].left) << "child " << i;
        EXPECT_EQ(expected[i][1], after.top - before[i].top) << "child " << i;
        EXPECT_EQ(expected[i][2], after.right - before[i].right) << "child " << i;
        EXPECT_EQ(expected[i][3], after.bottom - before[i].bottom) << "child " << i;
    }
}

TEST_F(ResizableDialogTest, NeverSmallerThanWhenItOpened)
{
    const RECT opened = WindowRect(m_dialog.m_hWnd);
    Grow(-50, -40);
    const RECT shrunk = WindowRect(m_dialog.m_hWnd);
    EXPECT_TRUE(EqualRect(&opened, &shrunk));
}

} // namespace
