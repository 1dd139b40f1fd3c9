#pragma once
// A real dialog (modeless, from a template built in memory) whose one tree
// view a waiting tree takes over with SubclassDlgItem, as the folder browser
// does; a waiting tree whose fill the tests script; node helpers.

#include "controls/CWaitingTreeCtrl.h"
#include "framework/CDialog.h"

#include <functional>
#include <vector>

namespace test {

// Fills a node with m_nChildren nodes "child 0", "child 1", ..., answers
// m_bResult and records the nodes it filled. The hooks run inside
// BeginAnimation and inside FillItem (before inserting), to look at the tree
// at those moments.
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

class TreeHostDialog : public CDialog {
public:
    static const int kTreeId = 100;

    explicit TreeHostDialog(CWnd* pTree) : CDialog(0), m_pTree(pTree) {}
    ~TreeHostDialog() override;

    // Hidden unless bVisible (drawing checks need the screen). FALSE when the
    // dialog or the take-over failed.
    BOOL Create(bool bVisible = false);
    HWND TreeWindow() const { return GetDlgItem(kTreeId); }

protected:
    BOOL OnInitDialog() override;

private:
    CWnd* m_pTree;
    BOOL m_bSubclassed = FALSE;
};

// A node with an explicit children mark (the expand button when TRUE).
HTREEITEM InsertNode(HWND hTree, const wchar_t* pszText, HTREEITEM hParent = TVI_ROOT, BOOL bHasChildren = TRUE);
void SetChildrenMark(HWND hTree, HTREEITEM hItem, BOOL bHasChildren);
std::vector<HTREEITEM> ChildrenOf(HWND hTree, HTREEITEM hParent);
std::vector<CString> ChildTexts(HWND hTree, HTREEITEM hParent);
RECT NodeTextRect(HWND hTree, HTREEITEM hItem);
// The tree view notifies a programmatic expansion only once per node unless
// TVIS_EXPANDEDONCE is cleared; a click on the button always notifies.
void ExpandAgain(HWND hTree, HTREEITEM hItem);

} // namespace test
