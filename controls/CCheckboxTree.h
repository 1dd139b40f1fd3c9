#pragma once
// Tree view with a three-state check box in front of every node. Each node's
// item data points to its CTreeItem, which owns the check state, the enabled
// flag and the text; the node asks for its text and picture whenever it is
// drawn, so the control keeps no copies of names or states. The tree never
// owns or deletes an item; the items remove their own nodes.
//
// The control handles its own notifications (check-image clicks, the space
// key, display texts, the pale colour of disabled items): its parent dialog
// reflects them back to it (see CDialog). User-interface thread only.

#include "framework/CImageList.h"
#include "framework/CTreeCtrl.h"
#include "items/ITreeView.h"

class ICheckBoxListener;

class CCheckboxTree : public CTreeCtrl, public ITreeView {
public:
    CCheckboxTree() = default;
    // Wraps a tree view for its nodes only, without the check-box behaviour.
    explicit CCheckboxTree(HWND hWnd) : CTreeCtrl(hWnd) {}
    ~CCheckboxTree() override;

    // Takes over the tree view with id nId of the dialog pParent, remembers
    // the listener (may be null) and attaches the check pictures. Call once,
    // before any node is inserted; FALSE when the control cannot be taken over.
    BOOL Init(UINT nId, CWnd* pParent, ICheckBoxListener* pListener);

    // Appends a node for pItem after the existing children of pParent's node
    // (at the top level when pParent is null), stores the node in the item
    // and returns it; null when the control refuses.
    HTREEITEM InsertItem(CTreeItem* pItem, CTreeItem* pParent) override;
    BOOL Expand(HTREEITEM hItem, UINT nCode) override { return CTreeCtrl::Expand(hItem, nCode); }
    BOOL DeleteItem(HTREEITEM hItem) override { return CTreeCtrl::DeleteItem(hItem); }

    // Brings every parent state below the first top-level node in line with
    // its children and repaints; for the owner after it changed states in code.
    void RefreshCheckStates();

    // The item a node stands for; null for a node without one.
    CTreeItem* GetTreeItem(HTREEITEM hItem) const;

protected:
    BOOL OnReflectedNotify(NMHDR* pHdr, LRESULT* pResult) override;

private:
    CTreeItem* GetParentTreeItem(CTreeItem* pItem) const;
    CTreeItem* GetChildTreeItem(CTreeItem* pItem) const;
    CTreeItem* GetNextSiblingTreeItem(CTreeItem* pItem) const;

    // The user's toggle of one item, with propagation and notification.
    void ToggleItem(CTreeItem* pItem);
    void PropagateCheck(CTreeItem* pItem);
    void UpdateParents(CTreeItem* pItem);
    void UpdateSubtree(CTreeItem* pItem);
    // Gives nCheck to the enabled descendants of pItem; returns the state
    // pItem must take (2 when a disabled node kept another state).
    UINT SetChildrenCheck(CTreeItem* pItem, UINT nCheck);

    void BuildCheckImages();
    void OnGetDispInfo(NMTVDISPINFOW* pInfo);
    void OnClick();
    void OnKeyDown(const NMTVKEYDOWN* pKey);
    LRESULT OnCustomDraw(NMTVCUSTOMDRAW* pDraw) const;
    // TRUE when the double click at the point in lParam hits the first
    // top-level node, which must not collapse or expand by it.
    BOOL IsDoubleClickOnTopNode(LPARAM lParam) const;
    // Gives the window back its own procedure and stops the reflection.
    void Detach();

    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR nId,
                                         DWORD_PTR dwRefData);

    CImageList m_imageList;
    ICheckBoxListener* m_pListener = nullptr;
    COLORREF m_clrDisabledText = 0;
};
