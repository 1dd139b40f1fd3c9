#pragma once
// The Restore page: the user picks a backup directory, the page shows what it
// holds in a check-box tree, and Restore copies the checked items back into
// the installation in the progress dialog. The media field always names the
// backup the tree shows: a folder that is not a backup leaves both alone.

#include "controls/CCheckboxTree.h"
#include "controls/ICheckBoxListener.h"
#include "framework/CButton.h"
#include "framework/CPropertyPage.h"

class CBackupItemRoot;

class CPropPageRestore : public CPropertyPage, private ICheckBoxListener {
public:
    CPropPageRestore();
    ~CPropPageRestore() override;

    // The root of the tree the page shows; owned by the page.
    CBackupItemRoot* GetRoot() const { return m_pRoot; }

    // A directory with at least one of the four top-level item directories
    // (names compared exactly).
    static BOOL IsBackupDirectory(const CString& strPath);

protected:
    // User-interface thread.
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnCheckChanged(CTreeItem* pItem) override;
    void OnBrowse();
    // Tells the user what the run that wrote the backup in strPath did not save.
    void ShowIfIncomplete(const CString& strPath);
    // Says which parts are shown grey because their archive is missing.
    void ShowIfArchivesMissing();
    void OnRestore();
    // Checks the backup shown against its checksums; ends with a message.
    void OnCheckBackup();
    void OnDestroy();

    CCheckboxTree m_tree;
    CBackupItemRoot* m_pRoot;
    CButton m_btnRestore;
};
