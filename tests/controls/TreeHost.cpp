#include "tests/controls/TreeHost.h"

#include <cstring>

namespace test {

BOOL TreeHost::Create()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    HWND hWnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_BROWSE_FOLDER), nullptr,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd && m_bAttached;
}

void FillingTree::BeginAnimation(HTREEITEM hWaitNode)
{
    CWaitingTreeCtrl::BeginAnimation(hWaitNode);
    if (m_onBegin)
        m_onBegin(hWaitNode);
}

BOOL FillingTree::FillItem(HTREEITEM hParent)
{
    m_filled.push_back(hParent);
    if (m_onFill)
        m_onFill(hParent);
    for (int i = 0; i < m_nChildren; ++i) {
        CString text;
        text.Format(L"child %d", i);
        InsertItem(text, hParent);
    }
    return m_bResult;
}

HTREEITEM InsertNode(HWND hTree, const wchar_t* pszText, HTREEITEM hParent, BOOL bHasChildren)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = hParent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(pszText);
    insert.item.cChildren = bHasChildren ? 1 : 0;
    return TreeView_InsertItem(hTree, &insert);
}

void SetChildrenMark(HWND hTree, HTREEITEM hItem, BOOL bHasChildren)
{
    TVITEMW item = {};
    item.mask = TVIF_HANDLE | TVIF_CHILDREN;
    item.hItem = hItem;
    item.cChildren = bHasChildren ? 1 : 0;
    TreeView_SetItem(hTree, &item);
}

std::vector<HTREEITEM> ChildrenOf(HWND hTree, HTREEITEM hParent)
{
    std::vector<HTREEITEM> children;
    HTREEITEM hChild = hParent == TVI_ROOT ? TreeView_GetRoot(hTree) : TreeView_GetChild(hTree, hParent);
    for (; hChild; hChild = TreeView_GetNextSibling(hTree, hChild))
        children.push_back(hChild);
    return children;
}

CString NodeText(HWND hTree, HTREEITEM hItem)
{
    wchar_t buffer[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_HANDLE | TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = buffer;
    item.cchTextMax = MAX_PATH;
    TreeView_GetItem(hTree, &item);
    return buffer;
}

std::vector<CString> ChildTexts(HWND hTree, HTREEITEM hParent)
{
    std::vector<CString> texts;
    for (HTREEITEM hChild : ChildrenOf(hTree, hParent))
        texts.push_back(NodeText(hTree, hChild));
    return texts;
}

RECT NodeTextRect(HWND hTree, HTREEITEM hItem)
{
    // The request carries the node in the rectangle's first bytes.
    RECT rect = {};
    std::memcpy(&rect, &hItem, sizeof hItem);
    if (!SendMessageW(hTree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)))
        SetRectEmpty(&rect);
    return rect;
}

void ExpandAgain(HWND hTree, HTREEITEM hItem)
{
    TreeView_SetItemState(hTree, hItem, 0, TVIS_EXPANDEDONCE);
    TreeView_Expand(hTree, hItem, TVE_EXPAND);
}

} // namespace test
