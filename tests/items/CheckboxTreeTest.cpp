// Items in a real tree-view control: insertion, expansion and release.

#include "controls/CCheckboxTree.h"
#include "tests/items/TestItems.h"

#include <gtest/gtest.h>

using test::PlainItem;

namespace {

const int kCallbackImage = 5;

// A hidden parent window with a tree-view child, and a count of the
// delete-item messages the control received.
class TreeWindow {
public:
    TreeWindow()
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"OrvexTestTreeParent";
        RegisterClassW(&wc);
        m_hParent = CreateWindowExW(0, wc.lpszClassName, L"tree parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300,
                                    nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        m_hTree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES,
                                  0, 0, 280, 280, m_hParent, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowSubclass(m_hTree, CountDeletes, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~TreeWindow()
    {
        RemoveWindowSubclass(m_hTree, CountDeletes, 1);
        DestroyWindow(m_hParent);
    }

    HWND Tree() const { return m_hTree; }
    UINT Count() const { return static_cast<UINT>(SendMessageW(m_hTree, TVM_GETCOUNT, 0, 0)); }
    int m_nDeleteMessages = 0;

private:
    // Answers the control's text requests as the owner of callback nodes does.
    static LRESULT CALLBACK ParentProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TVN_GETDISPINFOW) {
            auto* pInfo = reinterpret_cast<NMTVDISPINFOW*>(lParam);
            if (pInfo->item.mask & TVIF_TEXT)
                lstrcpynW(pInfo->item.pszText, L"from callback", pInfo->item.cchTextMax);
            if (pInfo->item.mask & TVIF_IMAGE)
                pInfo->item.iImage = kCallbackImage;
            if (pInfo->item.mask & TVIF_SELECTEDIMAGE)
                pInfo->item.iSelectedImage = kCallbackImage;
            return 0;
        }
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }

    static LRESULT CALLBACK CountDeletes(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
    {
        if (msg == TVM_DELETEITEM)
            ++reinterpret_cast<TreeWindow*>(data)->m_nDeleteMessages;
        return DefSubclassProc(hWnd, msg, wParam, lParam);
    }

    HWND m_hParent = nullptr;
    HWND m_hTree = nullptr;
};

// root -> (a -> (a1, a2), b)
PlainItem* MakeTree(int* pDeleted)
{
    auto* pRoot = new PlainItem(L"root", nullptr, pDeleted);
    auto* pA = pRoot->Add(new PlainItem(L"a", nullptr, pDeleted));
    pA->Add(new PlainItem(L"a1", nullptr, pDeleted));
    pA->Add(new PlainItem(L"a2", nullptr, pDeleted));
    pRoot->Add(new PlainItem(L"b", nullptr, pDeleted));
    return pRoot;
}

TVITEMW GetNode(HWND hTree, HTREEITEM hItem)
{
    TVITEMW item = {};
    item.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    item.stateMask = TVIS_EXPANDED;
    item.hItem = hItem;
    SendMessageW(hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item;
}

} // namespace

TEST(CCheckboxTree, InsertItemAppendsACallbackNodeThatPointsToTheItem)
{
    TreeWindow window;
    ASSERT_NE(nullptr, window.Tree());
    CCheckboxTree tree(window.Tree());
    PlainItem first(L"first");
    PlainItem second(L"second");
    PlainItem child(L"child");

    HTREEITEM hFirst = tree.InsertItem(&first, nullptr);
    HTREEITEM hSecond = tree.InsertItem(&second, nullptr);
    HTREEITEM hChild = tree.InsertItem(&child, &first);

    ASSERT_NE(nullptr, hFirst);
    EXPECT_EQ(hFirst, first.GetTreeItem());
    EXPECT_EQ(hSecond, second.GetTreeItem());
    EXPECT_EQ(hChild, child.GetTreeItem());
    EXPECT_EQ(3u, window.Count());
    EXPECT_EQ(hFirst, tree.GetRootItem());
    EXPECT_EQ(hSecond, tree.GetNextSiblingItem(hFirst));
    EXPECT_EQ(hFirst, tree.GetParentItem(hChild));
    EXPECT_EQ(&child, tree.GetTreeItem(hChild));

    TVITEMW node = GetNode(window.Tree(), hChild);
    EXPECT_EQ(reinterpret_cast<LPARAM>(&child), node.lParam);
    // Images are asked for as well; the control answers with the marker or
    // with what its owner supplies on request.
    EXPECT_TRUE(node.iImage == I_IMAGECALLBACK || node.iImage == kCallbackImage) << node.iImage;
    EXPECT_TRUE(node.iSelectedImage == I_IMAGECALLBACK || node.iSelectedImage == kCallbackImage) << node.iSelectedImage;

    // The text is asked for, not stored: the control answers with the marker
    // or with what its owner supplies on request.
    TVITEMW text = {};
    text.mask = TVIF_HANDLE | TVIF_TEXT;
    text.hItem = hChild;
    wchar_t buf[64] = L"unchanged";
    text.pszText = buf;
    text.cchTextMax = 64;
    SendMessageW(window.Tree(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&text));
    EXPECT_TRUE(text.pszText == LPSTR_TEXTCALLBACKW || CString(text.pszText) == L"from callback")
        << "text stored in the node";
    tree.DeleteAllItems();
}

TEST(CBackupItem, InsertIntoTreeMirrorsTheChildrenAndExpandsOnlyTheTop)
{
    TreeWindow window;
    CCheckboxTree tree(window.Tree());
    int nDeleted = 0;
    PlainItem* pRoot = MakeTree(&nDeleted);
    CBackupItem* pA = pRoot->GetChildren()[0];
    CBackupItem* pA2 = pA->GetChildren()[1];
    pRoot->SetBackupState(2);
    pA2->SetBackupState(1);

    pRoot->InsertIntoTree(&tree, nullptr);

    EXPECT_EQ(5u, window.Count());
    HTREEITEM hRoot = tree.GetRootItem();
    EXPECT_EQ(pRoot->GetTreeItem(), hRoot);
    EXPECT_EQ(nullptr, tree.GetNextSiblingItem(hRoot));
    HTREEITEM hA = tree.GetChildItem(hRoot);
    EXPECT_EQ(pA, tree.GetTreeItem(hA));
    EXPECT_EQ(pRoot->GetChildren()[1], tree.GetTreeItem(tree.GetNextSiblingItem(hA)));
    HTREEITEM hA1 = tree.GetChildItem(hA);
    EXPECT_EQ(pA->GetChildren()[0], tree.GetTreeItem(hA1));
    EXPECT_EQ(pA2, tree.GetTreeItem(tree.GetNextSiblingItem(hA1)));

    EXPECT_TRUE(GetNode(window.Tree(), hRoot).state & TVIS_EXPANDED);
    EXPECT_FALSE(GetNode(window.Tree(), hA).state & TVIS_EXPANDED);
    // Showing a tree starts a new run.
    EXPECT_EQ(0u, pRoot->GetBackupState());
    EXPECT_EQ(0u, pA2->GetBackupState());

    pRoot->DeleteFromTree(&tree);
    EXPECT_EQ(0u, window.Count());
    EXPECT_EQ(5, window.m_nDeleteMessages);
    EXPECT_EQ(5, nDeleted);
}

TEST(CBackupItem, DeleteFromTreeLeavesOtherNodesAlone)
{
    TreeWindow window;
    CCheckboxTree tree(window.Tree());
    PlainItem other(L"other page's item");
    tree.InsertItem(&other, nullptr);
    int nDeleted = 0;
    PlainItem* pRoot = MakeTree(&nDeleted);
    pRoot->InsertIntoTree(&tree, nullptr);
    ASSERT_EQ(6u, window.Count());

    pRoot->DeleteFromTree(&tree);

    EXPECT_EQ(1u, window.Count());
    EXPECT_EQ(other.GetTreeItem(), tree.GetRootItem());
    EXPECT_EQ(5, nDeleted);
    tree.DeleteAllItems();
}

TEST(CBackupItem, DeleteFromTreeOfANeverInsertedTreeSendsNoMessage)
{
    TreeWindow window;
    CCheckboxTree tree(window.Tree());
    PlainItem other(L"shown");
    tree.InsertItem(&other, nullptr);
    int nDeleted = 0;
    PlainItem* pRoot = MakeTree(&nDeleted);

    pRoot->DeleteFromTree(&tree);

    EXPECT_EQ(5, nDeleted);
    EXPECT_EQ(0, window.m_nDeleteMessages);
    EXPECT_EQ(1u, window.Count());
    tree.DeleteAllItems();
}
