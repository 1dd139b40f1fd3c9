#pragma once
// The main window: a modal dialog that hosts the Backup, Restore and Options
// pages in a property sheet. It only arranges the pages; all work starts from
// them. Unattended, the end of the run closes it (and so ends the process).

#include "framework/CDialog.h"
#include "framework/CPropertySheet.h"
#include "ui/CPropPageBackup.h"
#include "ui/CPropPageOptions.h"
#include "ui/CPropPageRestore.h"

class CBackupDlg : public CDialog {
public:
    explicit CBackupDlg(CWnd* pParent = nullptr);
    ~CBackupDlg() override;

    // User-interface thread. The Backup page discards its tree and shows the
    // live installation afresh (after a restore changed it).
    void RebuildBackupTree();

    // The sheet and its pages, for whoever drives the dialog.
    CPropertySheet& GetSheet() { return m_sheet; }
    CPropPageBackup& GetBackupPage() { return m_pageBackup; }
    CPropPageRestore& GetRestorePage() { return m_pageRestore; }
    CPropPageOptions& GetOptionsPage() { return m_pageOptions; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The sheet's page keys (Ctrl+Tab and the like).
    BOOL PreTranslateMessage(MSG* pMsg) override;

private:
    // Draws the icon in place of the minimised window's content.
    void PaintIcon();

    // The pages are declared first, so they outlive the sheet that shows them.
    CPropPageBackup m_pageBackup;
    CPropPageRestore m_pageRestore;
    CPropPageOptions m_pageOptions;
    CPropertySheet m_sheet;
    HICON m_hIcon;
};
