#pragma once
// A node of a check-box tree: its node handle, its check state (which is also
// the index of its check picture), whether the user may change it, and a
// buffer that keeps the text handed to the tree control alive.

#include "framework/CString.h"

#include <commctrl.h>

class CTreeItem {
public:
    enum : UINT { Unchecked = 0, Checked = 1, PartlyChecked = 2 };

    virtual UINT GetCheck();
    virtual void SetCheck(UINT nCheck);
    // The user's click: unchecked becomes checked, anything else but an
    // out-of-range value becomes unchecked.
    virtual void ToggleCheck();
    virtual CString GetName() = 0;

    BOOL IsEnabled() const { return m_bEnabled; }
    void Enable(BOOL bEnable) { m_bEnabled = bEnable; }

    HTREEITEM GetTreeItem() const { return m_hTreeItem; }
    void SetTreeItem(HTREEITEM hItem) { m_hTreeItem = hItem; }
    CString& DisplayText() { return m_strDisplayText; }

protected:
    CTreeItem() = default;
    // Items are destroyed only through CBackupItem's virtual destructor.
    ~CTreeItem() = default;

private:
    HTREEITEM m_hTreeItem = nullptr;
    UINT m_nCheck = Unchecked;
    BOOL m_bEnabled = TRUE;
    CString m_strDisplayText;
};
