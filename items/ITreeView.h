#pragma once
// What an item tree needs of the tree control that shows it: the items insert,
// expand and delete their nodes through it, so they know no window. The
// check-box tree implements it.

#include "items/CTreeItem.h"

class ITreeView {
public:
    // Inserts a node for pItem below pParent's node (a top-level node for a
    // null parent) and stores the node in pItem.
    virtual HTREEITEM InsertItem(CTreeItem* pItem, CTreeItem* pParent) = 0;
    virtual BOOL Expand(HTREEITEM hItem, UINT nCode) = 0;
    virtual BOOL DeleteItem(HTREEITEM hItem) = 0;

protected:
    ~ITreeView() = default;
};
