// Items in a real tree-view control: insertion, expansion and release.

#include "controls/CCheckboxTree.h"
#include "tests/items/TestItems.h"

#include <gtest/gtest.h>

using test::PlainItem;

TEST(CBackupItem, InsertIntoTreeMirrorsTheChildrenAndDeleteFromTreeRemovesOnlyThem)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND hTree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_OVERLAPPEDWINDOW | TVS_HASBUTTONS, 0, 0, 280, 280, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, hTree);
    CCheckboxTree tree(hTree);
    auto count = [hTree] { return SendMessageW(hTree, TVM_GETCOUNT, 0, 0); };
    auto expanded = [&tree](HTREEITEM h) { return (tree.GetItemState(h, TVIS_EXPANDED) & TVIS_EXPANDED) != 0; };
    PlainItem other(L"other page's item");
    tree.InsertItem(&other, nullptr);
    // root -> (a -> (a1, a2), b); a tree never shown is released all the same.
    int nDeleted = 0;
    for (bool bShow : {true, false}) {
        auto* pRoot = new PlainItem(L"root", nullptr, &nDeleted);
        auto* pA = pRoot->Add(new PlainItem(L"a", nullptr, &nDeleted));
        pA->Add(new PlainItem(L"a1", nullptr, &nDeleted));
        auto* pA2 = pA->Add(new PlainItem(L"a2", nullptr, &nDeleted));
        pRoot->Add(new PlainItem(L"b", nullptr, &nDeleted));
        pA2->SetBackupState(1);
        if (bShow) {
            pRoot->InsertIntoTree(&tree, nullptr);
            EXPECT_EQ(6, count());
            HTREEITEM hRoot = tree.GetNextSiblingItem(tree.GetRootItem());
            EXPECT_EQ(pRoot, tree.GetTreeItem(hRoot));
            HTREEITEM hA = tree.GetChildItem(hRoot);
            EXPECT_EQ(pA2, tree.GetTreeItem(tree.GetNextSiblingItem(tree.GetChildItem(hA))));
            EXPECT_TRUE(expanded(hRoot));
            EXPECT_FALSE(expanded(hA));
            // Showing a tree starts a new run.
            EXPECT_EQ(0u, pA2->GetBackupState());
        }
        pRoot->DeleteFromTree(&tree);
        EXPECT_EQ(1, count());
        EXPECT_EQ(other.GetTreeItem(), tree.GetRootItem());
        EXPECT_EQ(bShow ? 5 : 10, nDeleted);
    }
    DestroyWindow(hTree);
}
