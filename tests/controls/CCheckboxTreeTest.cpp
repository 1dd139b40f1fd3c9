// The check-box tree driven by the real tree view's window messages in a real
// dialog: clicks on check pictures and labels, the space key, double clicks,
// reflection.

#include "controls/CCheckboxTree.h"
#include "controls/ICheckBoxListener.h"
#include "items/CTreeItem.h"
#include "framework/CDialog.h"
#include "res/resource.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

// A real dialog on the folder browser's template, created hidden, whose tree
// view the check-box tree takes over in OnInitDialog; it records the
// notifications that reach the dialog.
class TreeHost : public CDialog {
public:
    static const int kTreeId = IDC_FOLDER_TREE;
    explicit TreeHost(std::function<BOOL(TreeHost*)> attach) : CDialog(0), m_attach(std::move(attach)) {}
    ~TreeHost() override { ::DestroyWindow(m_hWnd); }

    BOOL Create()
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_BROWSE_FOLDER), nullptr,
                                    DialogProc, reinterpret_cast<LPARAM>(this)) &&
               m_bAttached;
    }
    HWND Tree() const { return GetDlgItem(kTreeId); }

    std::vector<UINT> m_notified;

protected:
    BOOL OnInitDialog() override
    {
        m_bAttached = m_attach(this);
        return TRUE;
    }
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT*) override
    {
        m_notified.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
        return FALSE;
    }

private:
    std::function<BOOL(TreeHost*)> m_attach;
    BOOL m_bAttached = FALSE;
};

using States = std::vector<UINT>;

class NamedItem : public CTreeItem {
public:
    explicit NamedItem(const wchar_t* pszName) : m_strName(pszName) {}
    CString GetName() override { return m_strName; }

private:
    CString m_strName;
};

class RecordingListener : public ICheckBoxListener {
public:
    void OnCheckChanged(CTreeItem* pItem) override
    {
        m_calls.push_back(pItem);
        if (m_onCall)
            m_onCall();
    }
    std::vector<CTreeItem*> m_calls;
    std::function<void()> m_onCall;
};

// root "Backup" -> (settings -> (keys, values), patients)
class CheckboxTreeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_host.Create());
        m_hTree = m_host.Tree();
        ASSERT_NE(nullptr, m_tree.InsertItem(&m_root, nullptr));
        m_tree.InsertItem(&m_settings, &m_root);
        m_tree.InsertItem(&m_keys, &m_settings);
        m_tree.InsertItem(&m_values, &m_settings);
        m_tree.InsertItem(&m_patients, &m_root);
        m_tree.Expand(m_root.GetTreeItem(), TVE_EXPAND);
        m_tree.Expand(m_settings.GetTreeItem(), TVE_EXPAND);
        SetFocus(m_hTree);
        test::PumpMessages(50);
    }

    States GetStates()
    {
        return {m_root.GetCheck(), m_settings.GetCheck(), m_keys.GetCheck(), m_values.GetCheck(), m_patients.GetCheck()};
    }
    // The request carries the node in the rectangle's first bytes.
    RECT TextRect(const CTreeItem& item) const
    {
        RECT rect = {};
        const HTREEITEM hItem = item.GetTreeItem();
        std::memcpy(&rect, &hItem, sizeof hItem);
        SendMessageW(m_hTree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }

    // A left click on the check picture, left of the label, or on the label.
    // The control reads a click's position from the queue (GetMessagePos), so
    // the cursor goes there first: the posted button-up ending the drag
    // detection carries it.
    testing::AssertionResult ClickCheck(const CTreeItem& item, bool bOnLabel = false)
    {
        const RECT rc = TextRect(item);
        POINT pt = {bOnLabel ? rc.left + 4 : rc.left - 8, (rc.top + rc.bottom) / 2};
        TVHITTESTINFO info = {};
        info.pt = pt;
        if (TreeView_HitTest(m_hTree, &info) != item.GetTreeItem() ||
            !(info.flags & (bOnLabel ? TVHT_ONITEMLABEL : TVHT_ONITEMICON)))
            return testing::AssertionFailure() << "not on the item's part at " << pt.x << "," << pt.y;
        POINT screen = pt;
        ClientToScreen(m_hTree, &screen);
        SetCursorPos(screen.x, screen.y);
        test::PumpMessages(20);
        POINT now = {};
        GetCursorPos(&now);
        if (now.x != screen.x || now.y != screen.y)
            return testing::AssertionFailure() << "the cursor did not move";
        PostMessageW(m_hTree, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
        SendMessageW(m_hTree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        test::PumpMessages(20);
        return testing::AssertionSuccess();
    }
    void PressSpace(const CTreeItem* pItem)
    {
        TreeView_SelectItem(m_hTree, pItem ? pItem->GetTreeItem() : nullptr);
        SetFocus(m_hTree);
        SendMessageW(m_hTree, WM_KEYDOWN, VK_SPACE, 0x00390001);
        SendMessageW(m_hTree, WM_KEYUP, VK_SPACE, 0xC0390001);
        test::PumpMessages(20);
    }

    RecordingListener m_listener;
    NamedItem m_root{L"Backup"}, m_settings{L"Settings"}, m_keys{L"Keys"}, m_values{L"Values"};
    NamedItem m_patients{L"Patient Data Index"};
    CCheckboxTree m_tree;
    TreeHost m_host{[this](TreeHost* p) { return m_tree.Init(TreeHost::kTreeId, p, &m_listener); }};
    HWND m_hTree = nullptr;
};

TEST_F(CheckboxTreeTest, ClicksOnCheckPicturesToggleAndSettleParentsAndChildren)
{
    States atCall;
    m_listener.m_onCall = [&] { atCall = GetStates(); };
    ASSERT_TRUE(ClickCheck(m_keys, true));
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates()) << "a click on the label only selects";
    ASSERT_TRUE(ClickCheck(m_keys));
    EXPECT_EQ((States{2, 2, 1, 0, 0}), GetStates());
    EXPECT_EQ((States{2, 2, 1, 0, 0}), atCall) << "the listener is told after the tree is settled";
    ASSERT_TRUE(ClickCheck(m_values));
    ASSERT_TRUE(ClickCheck(m_patients));
    EXPECT_EQ((States{1, 1, 1, 1, 1}), GetStates());
    ASSERT_TRUE(ClickCheck(m_keys));
    EXPECT_EQ((States{2, 2, 0, 1, 1}), GetStates());
    // A partly checked parent clears its subtree; a clear one checks it.
    ASSERT_TRUE(ClickCheck(m_root));
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    ASSERT_TRUE(ClickCheck(m_settings));
    EXPECT_EQ((States{2, 1, 1, 1, 0}), GetStates());
    EXPECT_EQ((std::vector<CTreeItem*>{&m_keys, &m_values, &m_patients, &m_keys, &m_root, &m_settings}),
              m_listener.m_calls);
    EXPECT_EQ(0, std::count(m_host.m_notified.begin(), m_host.m_notified.end(), static_cast<UINT>(NM_CLICK)))
        << "the dialog saw the tree's own click";
}

TEST_F(CheckboxTreeTest, DisabledItemsAreInertAndKeepTheirStateUnderAToggledParent)
{
    m_patients.Enable(FALSE);
    ASSERT_TRUE(ClickCheck(m_patients));
    PressSpace(&m_patients);
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
    EXPECT_TRUE(m_listener.m_calls.empty());

    m_keys.Enable(FALSE);
    ASSERT_TRUE(ClickCheck(m_settings));
    EXPECT_EQ((States{2, 2, 0, 1, 0}), GetStates());
    // A checked disabled node stays checked when everything is cleared.
    m_keys.SetCheck(CTreeItem::Checked);
    m_tree.RefreshCheckStates();
    ASSERT_EQ((States{2, 1, 1, 1, 0}), GetStates());
    ASSERT_TRUE(ClickCheck(m_root));
    EXPECT_EQ((States{2, 2, 1, 0, 0}), GetStates());
}

TEST_F(CheckboxTreeTest, DoubleClickLeavesTheTopNodeExpandedAndTogglesOthers)
{
    for (const CTreeItem* pItem : {&m_root, &m_settings}) {
        const RECT rc = TextRect(*pItem);
        SendMessageW(m_hTree, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(rc.left + 4, (rc.top + rc.bottom) / 2));
        test::PumpMessages(20);
    }
    EXPECT_TRUE(TreeView_GetItemState(m_hTree, m_root.GetTreeItem(), TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_FALSE(TreeView_GetItemState(m_hTree, m_settings.GetTreeItem(), TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ((States{0, 0, 0, 0, 0}), GetStates());
}

TEST_F(CheckboxTreeTest, ATreeObjectThatGoesAwayStopsTakingTheNotifications)
{
    {
        CCheckboxTree other;
        ASSERT_TRUE(other.Init(TreeHost::kTreeId, &m_host, nullptr));
    }
    // A dangling registration would hand this to the destroyed object.
    NMHDR hdr = {m_hTree, static_cast<UINT_PTR>(TreeHost::kTreeId), NM_CLICK};
    SendMessageW(m_host.GetSafeHwnd(), WM_NOTIFY, TreeHost::kTreeId, reinterpret_cast<LPARAM>(&hdr));
    EXPECT_EQ(1, std::count(m_host.m_notified.begin(), m_host.m_notified.end(), static_cast<UINT>(NM_CLICK)));
}

} // namespace
