#pragma once
// Tree view whose nodes are CTreeItem objects: each node's item data points to
// its item, and the node asks for its text and picture when it is drawn, so the
// control keeps no copies of names or check states. The tree never owns or
// deletes an item; the items remove their own nodes.

#include "framework/CTreeCtrl.h"

class CTreeItem;

class CCheckboxTree : public CTreeCtrl {
public:
    CCheckboxTree() = default;
    explicit CCheckboxTree(HWND hWnd) : CTreeCtrl(hWnd) {}

    // Appends a node for pItem under hParent (null or TVI_ROOT: top level),
    // stores the node in the item and returns it; null when the control refuses.
    HTREEITEM InsertItem(CTreeItem* pItem, HTREEITEM hParent);
    using CTreeCtrl::InsertItem;

    // The item a node stands for; null for a node without one.
    CTreeItem* GetTreeItem(HTREEITEM hItem) const;
};
