#pragma once
// A real dialog (modeless, from a template built in memory) holding one tree
// view that a CCheckboxTree takes over in OnInitDialog, as the pages do; test
// items for its nodes and a listener that records its calls.

#include "controls/CCheckboxTree.h"
#include "controls/ICheckBoxListener.h"
#include "framework/CDialog.h"
#include "items/CTreeItem.h"

#include <functional>
#include <vector>

namespace test {

class NamedItem : public CTreeItem {
public:
    explicit NamedItem(const wchar_t* pszName) : m_strName(pszName) {}
    CString GetName() override { return m_strName; }

private:
    CString m_strName;
};

class RecordingListener : public ICheckBoxListener {
public:
    void OnCheckChanged(CTreeItem* pItem) override
    {
        m_calls.push_back(pItem);
        if (m_onCall)
            m_onCall(pItem);
    }

    std::vector<CTreeItem*> m_calls;
    // Runs inside each call, to look at the tree at that moment.
    std::function<void(CTreeItem*)> m_onCall;
};

class CheckboxTreeDialog : public CDialog {
public:
    static const int kTreeId = 100;

    explicit CheckboxTreeDialog(ICheckBoxListener* pListener);
    ~CheckboxTreeDialog() override;

    // Creates the dialog hidden: the tree lays out, hit-tests and paints on
    // request all the same, and hidden windows spare Wine's wait for the X
    // server to unmap them. FALSE when the dialog or the tree's Init failed.
    BOOL Create();

    CCheckboxTree& Tree() { return m_tree; }
    HWND TreeWindow() const { return GetDlgItem(kTreeId); }
    // The codes of the notifications from hFrom that reached OnNotify.
    std::vector<UINT> NotifiedCodes(HWND hFrom) const;

protected:
    BOOL OnInitDialog() override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    ICheckBoxListener* m_pListener;
    CCheckboxTree m_tree;
    BOOL m_bTreeInit = FALSE;
    std::vector<NMHDR> m_notified;
};

// Builds the DLGTEMPLATE of a dialog with one child control of the given
// window class, id and style, filling the dialog.
std::vector<WORD> MakeOneControlTemplate(const wchar_t* pszClass, int nId, DWORD dwStyle);

} // namespace test
