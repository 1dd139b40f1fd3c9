// The check-box tree driven through the real tree view's window messages in a
// real dialog: mouse clicks on the check pictures, the space key, double
// clicks, painting, and the display callbacks.

#include "tests/TestSupport.h"
#include "tests/controls/CheckboxTreeDialog.h"

#include <gtest/gtest.h>

#include <cstring>

using test::CheckboxTreeDialog;
using test::NamedItem;
using test::RecordingListener;

namespace {

using States = std::vector<UINT>;

COLORREF PixelColour(DWORD pixel)
{
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

// 32-bit top-down pixels of a cx x cy area, drawn by paint(hdc).
template <class Paint>
std::vector<DWORD> Render(int cx, int cy, Paint paint)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HDC hdc = CreateCompatibleDC(nullptr);
    HBITMAP hbm = CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    RECT rc = {0, 0, cx, cy};
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_WINDOW));
    paint(hdc);
    GdiFlush();
    const auto* p = static_cast<const DWORD*>(pBits);
    std::vector<DWORD> pixels(p, p + cx * cy);
    SelectObject(hdc, hOld);
    DeleteObject(hbm);
    DeleteDC(hdc);
    return pixels;
}

// root "Backup" -> (settings -> (keys, values), patients)
class CheckboxTreeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dialog.Create());
        m_hTree = m_dialog.TreeWindow();
        CCheckboxTree& tree = m_dialog.Tree();
        ASSERT_NE(nullptr, tree.InsertItem(&m_root, nullptr));
        ASSERT_NE(nullptr, tree.InsertItem(&m_settings, &m_root));
        ASSERT_NE(nullptr, tree.InsertItem(&m_keys, &m_settings));
        ASSERT_NE(nullptr, tree.InsertItem(&m_values, &m_settings));
        ASSERT_NE(nullptr, tree.InsertItem(&m_patients, &m_root));
        tree.Expand(m_root.GetTreeItem(), TVE_EXPAND);
        tree.Expand(m_settings.GetTreeItem(), TVE_EXPAND);
        SetFocus(m_hTree);
        test::PumpMessages(50);
    }

    States GetStates()
    {
        return {m_root.GetCheck(), m_settings.GetCheck(), m_keys.GetCheck(), m_values.GetCheck(), m_patients.GetCheck()};
    }

    RECT TextRect(const CTreeItem& item) const
    {
        // The request carries the node in the rectangle's first bytes.
        RECT rc = {};
        HTREEITEM hItem = item.GetTreeItem();
        memcpy(&rc, &hItem, sizeof hItem);
        SendMessageW(m_hTree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc));
        return rc;
    }

    // The check picture stands left of the label, where a tree shows icons.
    POINT CheckPoint(const CTreeItem& item) const
    {
        RECT rc = TextRect(item);
        return {rc.left - 8, (rc.top + rc.bottom) / 2};
    }

    POINT LabelPoint(const CTreeItem& item) const
    {
        RECT rc = TextRect(item);
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }

    HTREEITEM HitTest(POINT pt, UINT* pFlags) const
    {
        TVHITTESTINFO info = {};
        info.pt = pt;
        auto hItem = reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
        *pFlags = info.flags;
        return hItem;
    }

    // A left click as the tree view sees it. The control reads the position
    // of a click from the message queue (GetMessagePos), not from the mouse
    // message, so the cursor is put on the point first: the button-up that
    // ends the tree's drag detection is posted and carries that position.
    testing::AssertionResult Click(POINT pt)
    {
        POINT screen = pt;
        ClientToScreen(m_hTree, &screen);
        if (!SetCursorPos(screen.x, screen.y))
            return testing::AssertionFailure() << "SetCursorPos failed";
        test::PumpMessages(20);
        POINT now = {};
        GetCursorPos(&now);
        if (now.x != screen.x || now.y != screen.y)
            return testing::AssertionFailure() << "cursor at " << now.x << "," << now.y << " instead of " << screen.x
                                               << "," << screen.y;
        LPARAM lParam = MAKELPARAM(pt.x, pt.y);
        PostMessageW(m_hTree, WM_LBUTTONUP, 0, lParam);
        SendMessageW(m_hTree, WM_LBUTTONDOWN, MK_LBUTTON, lParam);
        test::PumpMessages(20);
        return testing::AssertionSuccess();
    }

    testing::AssertionResult ClickCheck(const CTreeItem& item)
    {
        POINT pt = CheckPoint(item);
        UINT nFlags = 0;
        if (HitTest(pt, &nFlags) != item.GetTreeItem() || !(nFlags & TVHT_ONITEMICON))
            return testing::AssertionFailure() << "no check picture at " << pt.x << "," << pt.y << " (flags " << nFlags
                                               << ")";
        return Click(pt);
    }

    void PressSpace()
    {
        SetFocus(m_hTree);
        SendMessageW(m_hTree, WM_KEYDOWN, VK_SPACE, 0x00390001);
        SendMessageW(m_hTree, WM_KEYUP, VK_SPACE, 0xC0390001);
        test::PumpMessages(20);
    }

    void Select(const CTreeItem* pItem)
    {
        SendMessageW(m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(pItem ? pItem->GetTreeItem() : nullptr));
    }

    HTREEITEM Selected() const
    {
        return reinterpret_cast<HTREEITEM>(SendMessageW(m_hTree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    }

    bool IsExpanded(const CTreeItem& item) const
    {
        return SendMessageW(m_hTree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item.GetTreeItem()), TVIS_EXPANDED) &
               TVIS_EXPANDED;
    }

    void DoubleClick(const CTreeItem& item)
    {
        POINT pt = LabelPoint(item);
        SendMessageW(m_hTree, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        test::PumpMessages(20);
    }

    // Pixels of the tree's client area as it paints itself.
    std::vector<DWORD> PaintTree(int* pWidth)
    {
        RECT rc = {};
        GetClientRect(m_hTree, &rc);
        *pWidth = rc.right;
        return Render(rc.right, rc.bottom, [this](HDC hdc) {
            SendMessageW(m_hTree, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), PRF_CLIENT);
        });
    }

    RecordingListener m_listener;
    NamedItem m_root{L"Backup"};
    NamedItem m_settings{L"Settings"};
    NamedItem m_keys{L"Keys"};
    NamedItem m_values{L"Values"};
    NamedItem m_patients{L"Patient Data Index"};
    CheckboxTreeDialog m_dialog{&m_listener};
    HWND m_hTree = nullptr;
};

TEST_F(CheckboxTreeTest, InitAttachesThreeCheckPicturesOf16By16AsNormalAndStateImages)
{
    auto hNormal = reinterpret_cast<HIMAGELIST>(SendMessageW(m_hTree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    auto hState = reinterpret_cast<HIMAGELIST>(SendMessageW(m_hTree, TVM_GETIMAGELIST, TVSIL_STATE, 0));
    ASSERT_NE(nullptr, hNormal);
    EXPECT_EQ(hNormal, hState);
    EXPECT_EQ(3, ImageList_GetImageCount(hNormal));
    int cx = 0;
    int cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(hNormal, &cx, &cy));
    EXPECT_EQ(16, cx);
    EXPECT_EQ(16, cy);
    IMAGEINFO info = {};
    ASSERT_TRUE(ImageList_GetImageInfo(hNormal, 0, &info));
    BITMAP bm = {};
    ASSERT_TRUE(GetObjectW(info.hbmImage, sizeof bm, &bm));
    EXPECT_EQ(32, bm.bmBitsPixel);
    EXPECT_EQ(nullptr, info.hbmMask) << "a 32-bit list without ILC_MASK";
}

TEST_F(CheckboxTreeTest, CheckPicturesAreTheSystemCheckBoxesInStateOrder)
{
    auto hList = reinterpret_cast<HIMAGELIST>(SendMessageW(m_hTree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    const UINT frames[] = {DFCS_BUTTONCHECK, DFCS_BUTTONCHECK | DFCS_CHECKED,
                           DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE};
    std::vector<std::vector<DWORD>> images;
    for (int i = 0; i < 3; ++i) {
        std::vector<DWORD> drawn = Render(16, 16, [&](HDC hdc) { ImageList_Draw(hList, i, hdc, 0, 0, ILD_NORMAL); });
        std::vector<DWORD> expected = Render(16, 16, [&](HDC hdc) {
            RECT rc = {0, 0, 16, 16};
            DrawFrameControl(hdc, &rc, DFC_BUTTON, frames[i]);
        });
        for (int p = 0; p < 16 * 16; ++p)
            ASSERT_EQ(PixelColour(expected[p]), PixelColour(drawn[p])) << "image " << i << " pixel " << p % 16 << ","
                                                                       << p / 16;
        images.push_back(drawn);
    }
    EXPECT_NE(images[0], images[1]);
    EXPECT_NE(images[1], images[2]);
}

TEST_F(CheckboxTreeTest, DisplayInfoGivesTheNameAndTheCheckStateAsImage)
{
    m_values.SetCheck(CTreeItem::PartlyChecked);
    TVITEMW item = {};
    item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = m_values.GetTreeItem();
    wchar_t buf[64] = L"";
    item.pszText = buf;
    item.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(m_hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(CString(L"Values"), CString(item.pszText));
    EXPECT_EQ(2, item.iImage);
    EXPECT_EQ(2, item.iSelectedImage);

    // Nothing is kept in the node: the next request sees the new state.
    m_values.SetCheck(CTreeItem::Checked);
    item.hItem = m_patients.GetTreeItem();
    item.pszText = buf;
    SendMessageW(m_hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(CString(L"Patient Data Index"), CString(item.pszText));
    EXPECT_EQ(0, item.iImage);
    item.hItem = m_values.GetTreeItem();
    SendMessageW(m_hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(1, item.iImage);
    // The dialog never sees the requests: the tree answers them itself.
    for (UINT code : m_dialog.NotifiedCodes(m_hTree))
        EXPECT_NE(static_cast<UINT>(TVN_GETDISPINFOW), code);
}

TEST_F(CheckboxTreeTest, ClickOnTheCheckPictureOfALeafChecksItAndSettlesItsParents)
{
    States atCall;
    m_listener.m_onCall = [&](CTreeItem*) { atCall = GetStates(); };

    ASSERT_TRUE(ClickCheck(m_keys));
    EXPECT_EQ((States{2, 2, 1, 0, 0}), GetStates());
    ASSERT_EQ(1u, m_listener.m_calls.size());
    EXPECT_EQ(&m_keys, m_listener.m_calls[0]);
    EXPECT_EQ((States{2, 2, 1, 0, 0}), atCall) << "the listener is told after the tree is settled";

    ASSERT_TRUE(ClickCheck(m_values));
    EXPECT_EQ((States{2, 1, 1, 1, 0}), GetStates());
    ASSERT_TRUE(ClickCheck(m_patients));
    EXPECT_EQ((States{1, 1, 1, 1, 1}), GetStates());
    ASSERT_TRUE(ClickCheck(m_keys));
    EXPECT_EQ((States{2, 2, 0, 1, 1}), GetStates());
    EXPECT_EQ(4u, m_listener.m_calls.size());
    // The clicks were the tree's own notifications, not the dialog's.
    for (UINT code : m_dialog.NotifiedCodes(m_hTree))
        EXPECT_NE(static_cast<UINT>(NM_CLICK), code);
}

TEST_F(CheckboxTreeTest, ClickOnTheCheckPictureOfAParentGivesItsStateToTheWholeSubtree)
{
    ASSERT_TRUE(ClickCheck(m_settings));
    EXPECT_EQ((States{2, 1, 1, 1, 0}), GetStates());
    // The top node was partly checked: the click clears everything.
    ASSERT_TRUE(ClickCheck(m_root));
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    ASSERT_TRUE(ClickCheck(m_root));
    EXPECT_EQ((States{1, 1, 1, 1, 1}), GetStates());
    ASSERT_TRUE(ClickCheck(m_root));
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    EXPECT_EQ((std::vector<CTreeItem*>{&m_settings, &m_root, &m_root, &m_root}), m_listener.m_calls);
}

TEST_F(CheckboxTreeTest, ClickOnTheLabelOnlySelects)
{
    Select(&m_root);
    ASSERT_TRUE(Click(LabelPoint(m_values)));
    EXPECT_EQ(m_values.GetTreeItem(), Selected()) << "the click reached the tree";
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    EXPECT_TRUE(m_listener.m_calls.empty());
}

TEST_F(CheckboxTreeTest, SpaceKeyTogglesTheSelectedItem)
{
    Select(&m_patients);
    PressSpace();
    EXPECT_EQ((States{2, 0, 0, 0, 1}), GetStates());
    EXPECT_EQ((std::vector<CTreeItem*>{&m_patients}), m_listener.m_calls);
    PressSpace();
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    EXPECT_EQ(2u, m_listener.m_calls.size());
}

TEST_F(CheckboxTreeTest, SpaceKeyWithoutASelectedItemDoesNothing)
{
    Select(nullptr);
    ASSERT_EQ(nullptr, Selected());
    PressSpace();
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    EXPECT_TRUE(m_listener.m_calls.empty());
}

TEST_F(CheckboxTreeTest, OtherKeysToggleNothing)
{
    Select(&m_patients);
    SendMessageW(m_hTree, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    SendMessageW(m_hTree, WM_KEYDOWN, 'X', 0x002D0001);
    test::PumpMessages(20);
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    EXPECT_TRUE(m_listener.m_calls.empty());
}

TEST_F(CheckboxTreeTest, TogglingAPartlyCheckedItemUnchecksItsEnabledSubtree)
{
    m_keys.SetCheck(CTreeItem::Checked);
    m_dialog.Tree().RefreshCheckStates();
    ASSERT_EQ((States{2, 2, 1, 0, 0}), GetStates());

    ASSERT_TRUE(ClickCheck(m_settings));
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
}

TEST_F(CheckboxTreeTest, ADisabledChildKeepsItsStateAndLeavesTheToggledParentPartlyChecked)
{
    m_keys.Enable(FALSE);
    ASSERT_TRUE(ClickCheck(m_settings));
    EXPECT_EQ((States{2, 2, 0, 1, 0}), GetStates());

    // Partly checked, the top node clears; checked from the top, the
    // disabled node is not reached either.
    ASSERT_TRUE(ClickCheck(m_root));
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    ASSERT_TRUE(ClickCheck(m_root));
    EXPECT_EQ((States{2, 2, 0, 1, 1}), GetStates());

    // A checked disabled node stays checked when everything is cleared.
    m_keys.SetCheck(CTreeItem::Checked);
    m_dialog.Tree().RefreshCheckStates();
    ASSERT_EQ((States{1, 1, 1, 1, 1}), GetStates());
    ASSERT_TRUE(ClickCheck(m_root));
    EXPECT_EQ((States{2, 2, 1, 0, 0}), GetStates());
}

TEST_F(CheckboxTreeTest, ADisabledItemIgnoresClicksAndTheSpaceKey)
{
    m_patients.Enable(FALSE);
    ASSERT_TRUE(ClickCheck(m_patients));
    Select(&m_patients);
    PressSpace();
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    EXPECT_TRUE(m_listener.m_calls.empty());

    m_settings.Enable(FALSE);
    ASSERT_TRUE(ClickCheck(m_settings));
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates()) << "nor does it pass a check to its children";
    EXPECT_TRUE(m_listener.m_calls.empty());
}

TEST_F(CheckboxTreeTest, ADisabledItemIsDrawnInThePaleColour)
{
    m_patients.Enable(FALSE);
    Select(&m_keys);
    int cx = 0;
    std::vector<DWORD> pixels = PaintTree(&cx);
    const COLORREF pale = GetSysColor(COLOR_3DLIGHT);
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    ASSERT_NE(pale, text);
    auto count = [&](const CTreeItem& item, COLORREF colour) {
        RECT rc = TextRect(item);
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y) {
            for (int x = rc.left; x < rc.right; ++x)
                n += PixelColour(pixels[y * cx + x]) == colour;
        }
        return n;
    };
    EXPECT_GT(count(m_patients, pale), 0);
    EXPECT_EQ(0, count(m_patients, text));
    EXPECT_GT(count(m_values, text), 0);
    EXPECT_EQ(0, count(m_values, pale));
}

TEST_F(CheckboxTreeTest, CustomDrawAsksForEveryItemAndRecoloursOnlyDisabledOnes)
{
    m_patients.Enable(FALSE);
    HWND hDialog = m_dialog.GetSafeHwnd();
    auto send = [&](DWORD dwStage, CTreeItem* pItem, NMTVCUSTOMDRAW* pDraw) {
        *pDraw = {};
        pDraw->nmcd.hdr.hwndFrom = m_hTree;
        pDraw->nmcd.hdr.idFrom = CheckboxTreeDialog::kTreeId;
        pDraw->nmcd.hdr.code = NM_CUSTOMDRAW;
        pDraw->nmcd.dwDrawStage = dwStage;
        pDraw->nmcd.lItemlParam = reinterpret_cast<LPARAM>(pItem);
        pDraw->clrText = RGB(1, 2, 3);
        return SendMessageW(hDialog, WM_NOTIFY, CheckboxTreeDialog::kTreeId, reinterpret_cast<LPARAM>(pDraw));
    };
    NMTVCUSTOMDRAW draw;
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW, send(CDDS_PREPAINT, nullptr, &draw));
    EXPECT_EQ(CDRF_NEWFONT, send(CDDS_ITEMPREPAINT, &m_patients, &draw));
    EXPECT_EQ(GetSysColor(COLOR_3DLIGHT), draw.clrText);
    EXPECT_EQ(CDRF_DODEFAULT, send(CDDS_ITEMPREPAINT, &m_values, &draw));
    EXPECT_EQ(RGB(1, 2, 3), draw.clrText);
    EXPECT_EQ(CDRF_DODEFAULT, send(CDDS_ITEMPREPAINT, nullptr, &draw)) << "a node without an item";
    EXPECT_EQ(CDRF_DODEFAULT, send(CDDS_ITEMPOSTPAINT, &m_patients, &draw));
    for (UINT code : m_dialog.NotifiedCodes(m_hTree))
        EXPECT_NE(static_cast<UINT>(NM_CUSTOMDRAW), code);
}

TEST_F(CheckboxTreeTest, DoubleClickLeavesTheTopNodeExpandedAndTogglesOthers)
{
    ASSERT_TRUE(IsExpanded(m_root));
    ASSERT_TRUE(IsExpanded(m_settings));
    DoubleClick(m_root);
    EXPECT_TRUE(IsExpanded(m_root));
    DoubleClick(m_settings);
    EXPECT_FALSE(IsExpanded(m_settings));
    DoubleClick(m_settings);
    EXPECT_TRUE(IsExpanded(m_settings));
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
}

TEST_F(CheckboxTreeTest, RefreshCheckStatesAppliesTheParentRuleToTheWholeTree)
{
    m_keys.SetCheck(CTreeItem::Checked);
    m_values.SetCheck(CTreeItem::Checked);
    m_patients.SetCheck(CTreeItem::Checked);
    m_dialog.Tree().RefreshCheckStates();
    EXPECT_EQ((States{1, 1, 1, 1, 1}), GetStates());

    m_values.SetCheck(CTreeItem::Unchecked);
    m_dialog.Tree().RefreshCheckStates();
    EXPECT_EQ((States{2, 2, 1, 0, 1}), GetStates());

    m_keys.SetCheck(CTreeItem::Unchecked);
    m_patients.SetCheck(CTreeItem::Unchecked);
    m_dialog.Tree().RefreshCheckStates();
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());

    // A partly checked child makes every ancestor partly checked.
    m_keys.SetCheck(CTreeItem::PartlyChecked);
    m_values.SetCheck(CTreeItem::PartlyChecked);
    m_patients.SetCheck(CTreeItem::PartlyChecked);
    m_dialog.Tree().RefreshCheckStates();
    EXPECT_EQ((States{2, 2, 2, 2, 2}), GetStates());
    EXPECT_TRUE(m_listener.m_calls.empty()) << "changes in code are not the user's";
}

TEST(CCheckboxTree, InitFailsWithoutSuchAControl)
{
    RecordingListener listener;
    CheckboxTreeDialog dialog(&listener);
    ASSERT_TRUE(dialog.Create());
    CCheckboxTree other;
    EXPECT_FALSE(other.Init(CheckboxTreeDialog::kTreeId + 1, &dialog, nullptr));
    EXPECT_EQ(nullptr, other.GetSafeHwnd());
}

TEST(CCheckboxTree, WorksWithoutAListener)
{
    CheckboxTreeDialog dialog(nullptr);
    ASSERT_TRUE(dialog.Create());
    NamedItem item(L"alone");
    dialog.Tree().InsertItem(&item, nullptr);
    SendMessageW(dialog.TreeWindow(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item.GetTreeItem()));
    SetFocus(dialog.TreeWindow());
    SendMessageW(dialog.TreeWindow(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    EXPECT_EQ(1u, item.GetCheck());
}

} // namespace
