#pragma once
// Thin wrapper of a tree-view control: its messages as member functions. Like
// CWnd it never owns the window, and it never owns what the nodes' item data
// point to.

#include "framework/CWnd.h"

#include <commctrl.h>

class CTreeCtrl : public CWnd {
public:
    CTreeCtrl() = default;
    explicit CTreeCtrl(HWND hWnd) : CWnd(hWnd) {}

    // Wraps an existing tree-view window.
    void Attach(HWND hWnd) { m_hWnd = hWnd; }

    // Null when the control refuses the node.
    HTREEITEM InsertItem(const TVINSERTSTRUCTW& insert);
    // A node with a fixed text, appended under hParent (TVI_ROOT: top level).
    HTREEITEM InsertItem(const wchar_t* pszText, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST);
    BOOL DeleteItem(HTREEITEM hItem);
    BOOL DeleteAllItems();
    // nCode: TVE_EXPAND, TVE_COLLAPSE or TVE_TOGGLE.
    BOOL Expand(HTREEITEM hItem, UINT nCode);
    // Makes the node the selected one and scrolls it into view.
    BOOL SelectItem(HTREEITEM hItem);

    UINT GetCount() const;
    LPARAM GetItemData(HTREEITEM hItem) const;
    BOOL SetItemData(HTREEITEM hItem, LPARAM lParam);
    UINT GetItemState(HTREEITEM hItem, UINT nStateMask) const;

    // TVGN_* relations; null when there is no such node.
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const;
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXT); }
    HTREEITEM GetParentItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PARENT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }

    // The node's rectangle in client co-ordinates, of its text only or of the
    // whole line; FALSE when the node is not visible.
    BOOL GetItemRect(HTREEITEM hItem, RECT* pRect, BOOL bTextOnly) const;

    // The node at a point in client co-ordinates; the TVHT_* flags in *pFlags.
    HTREEITEM HitTest(POINT pt, UINT* pFlags = nullptr) const;
    // nType: TVSIL_NORMAL or TVSIL_STATE; returns the previous list.
    HIMAGELIST SetImageList(HIMAGELIST hImageList, int nType);
};
