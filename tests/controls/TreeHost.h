#pragma once
// A real dialog on the folder browser's template whose tree view a control
// object takes over in OnInitDialog; helpers to read and expand nodes.

#include "controls/CWaitingTreeCtrl.h"
#include "framework/CDialog.h"
#include "res/resource.h"

#include <functional>
#include <vector>

namespace test {

class TreeHost : public CDialog {
public:
    static const int kTreeId = IDC_FOLDER_TREE;
    explicit TreeHost(std::function<BOOL(TreeHost*)> attach) : CDialog(0), m_attach(std::move(attach)) {}
    // Taken over with SubclassDlgItem.
    explicit TreeHost(CWnd* pTree) : TreeHost([pTree](TreeHost* p) { return pTree->SubclassDlgItem(kTreeId, p); }) {}
    ~TreeHost() override { Destroy(); }

    // Hidden, sparing Wine's wait for the X server; FALSE if the take-over failed.
    BOOL Create();
    void Destroy() { ::DestroyWindow(m_hWnd); }
    HWND Tree() const { return GetDlgItem(kTreeId); }

    // The codes of the notifications that reached OnNotify.
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

// Fills a node with m_nChildren nodes "child <i>", answers m_bResult, records
// the nodes filled; the hooks run in BeginAnimation and in FillItem.
class FillingTree : public CWaitingTreeCtrl {
public:
    int m_nChildren = 3;
    BOOL m_bResult = TRUE;
    BOOL m_bRefill = FALSE;
    std::vector<HTREEITEM> m_filled;
    std::function<void(HTREEITEM hWaitNode)> m_onBegin;
    std::function<void(HTREEITEM hParent)> m_onFill;

protected:
    void BeginAnimation(HTREEITEM hWaitNode) override;
    BOOL ShouldRefill(HTREEITEM) override { return m_bRefill; }
    BOOL FillItem(HTREEITEM hParent) override;
};

// A node with an explicit children mark (the expand button when TRUE).
HTREEITEM InsertNode(HWND hTree, const wchar_t* pszText, HTREEITEM hParent = TVI_ROOT, BOOL bHasChildren = TRUE);
void SetChildrenMark(HWND hTree, HTREEITEM hItem, BOOL bHasChildren);
std::vector<HTREEITEM> ChildrenOf(HWND hTree, HTREEITEM hParent);
CString NodeText(HWND hTree, HTREEITEM hItem);
std::vector<CString> ChildTexts(HWND hTree, HTREEITEM hParent);
RECT NodeTextRect(HWND hTree, HTREEITEM hItem);
// The tree view notifies a programmatic expansion only once per node unless
// TVIS_EXPANDEDONCE is cleared; a click on the button always notifies.
void ExpandAgain(HWND hTree, HTREEITEM hItem);

} // namespace test
