#include "tests/controls/TreeHostDialog.h"

#include "tests/controls/CheckboxTreeDialog.h"

#include <cstring>

namespace test {

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

TreeHostDialog::~TreeHostDialog()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

BOOL TreeHostDialog::Create(bool bVisible)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    std::vector<WORD> tmpl = MakeOneControlTemplate(WC_TREEVIEWW, kTreeId,
                                                    WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT);
    HWND hWnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(tmpl.data()),
                                             nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    if (hWnd && bVisible) {
        ::ShowWindow(hWnd, SW_SHOW);
        ::UpdateWindow(hWnd);
    }
    return hWnd && m_bSubclassed;
}

BOOL TreeHostDialog::OnInitDialog()
{
    m_bSubclassed = m_pTree->SubclassDlgItem(kTreeId, this);
    return TRUE;
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

std::vector<CString> ChildTexts(HWND hTree, HTREEITEM hParent)
{
    std::vector<CString> texts;
    for (HTREEITEM hChild : ChildrenOf(hTree, hParent)) {
        wchar_t buffer[64] = {};
        TVITEMW item = {};
        item.mask = TVIF_HANDLE | TVIF_TEXT;
        item.hItem = hChild;
        item.pszText = buffer;
        item.cchTextMax = 64;
        TreeView_GetItem(hTree, &item);
        texts.push_back(buffer);
    }
    return texts;
}

RECT NodeTextRect(HWND hTree, HTREEITEM hItem)
{
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
