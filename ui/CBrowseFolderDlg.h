#pragma once
// The program's folder chooser: a resizable dialog with the computer's drives
// and folders in a tree that fills each level when it is first opened, a
// button that creates a folder below the selected one, OK and Cancel.

#include "controls/CHourglassFX.h"
#include "controls/CProgressFX.h"
#include "controls/CResizableDialog.h"
#include "controls/CShellTreeCtrl.h"

#include <functional>

class CBrowseFolderDlg : public CResizableDialog {
public:
    explicit CBrowseFolderDlg(CWnd* pParent = nullptr);

    // Call before DoModal when no folder may be created (choosing a backup).
    void HideNewFolderButton() { m_bShowNewFolder = FALSE; }

    // The folder to open the tree at, expanded to and selected (its nearest
    // existing ancestor when it does not exist; the first node when none is
    // given or none lies on its path); call before DoModal.
    void SetInitialFolder(const CString& strFolder) { m_strInitialFolder = strFolder; }

    // The chosen folder after OK; empty after Cancel or when the selected
    // node is not a file-system folder.
    const CString& GetPath() const { return m_strPath; }

    INT_PTR DoModal() override;

    // A test's stand-in for the user: it gets whether the new-folder button
    // would show, may set the chosen path and returns the closing button.
    using Responder = std::function<INT_PTR(BOOL bShowNewFolder, CString& strPath)>;
    // Installs (or, with an empty function, removes) the responder. Tests only.
    static void SetResponder(Responder responder);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void OnCreateNewFolder();
    // Fills the selected node's parent again, so the selected node gets its
    // expand button and shows the new folder when it is opened.
    void RefreshAfterNewFolder();

    CProgressFX<CHourglassFX<CShellTreeCtrl>> m_tree;
    HICON m_hIcon;
    CString m_strPath;
    CString m_strInitialFolder;
    BOOL m_bShowNewFolder = TRUE;
};
