#include "controls/CCheckboxTree.h"

#include "items/CTreeItem.h"

HTREEITEM CCheckboxTree::InsertItem(CTreeItem* pItem, HTREEITEM hParent)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = hParent ? hParent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    // The check picture is the node's image, so that it stands where a tree
    // normally shows an icon; its index is the item's check state.
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(pItem);
    HTREEITEM hItem = CTreeCtrl::InsertItem(insert);
    pItem->SetTreeItem(hItem);
    return hItem;
}

CTreeItem* CCheckboxTree::GetTreeItem(HTREEITEM hItem) const
{
    return reinterpret_cast<CTreeItem*>(GetItemData(hItem));
}
