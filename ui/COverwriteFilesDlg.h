#pragma once
// The question whether an existing target file may be overwritten: Yes, No, or
// Cancel (stop the whole run), and whether to remember Yes or No for the rest
// of the run. The progress dialog shows it, as its owner, for the run.

#include "app/Backup.h"
#include "framework/CDialog.h"

class COverwriteFilesDlg : public CDialog {
public:
    explicit COverwriteFilesDlg(CWnd* pParentWnd = nullptr);

    void SetMessage(const CString& strMessage) { m_strMessage = strMessage; }
    void SetShowRemember(BOOL bShow) { m_bShowRemember = bShow; }
    // The answer after DoModal; DoModal's own result is IDOK for every answer.
    EOverwriteAnswer GetResult() const { return m_eResult; }
    // The remember box was ticked with Yes or No.
    BOOL GetRemember() const { return m_bRemember; }

    // Shows the dialog, or lets an installed dialog responder answer instead.
    INT_PTR DoModal() override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    // Records the answer and, for Yes or No with the box ticked, that it is
    // to be remembered.
    void Answer(EOverwriteAnswer eResult, BOOL bRemember);
    BOOL IsRememberTicked() const;

    CString m_strMessage;
    BOOL m_bShowRemember = TRUE;
    // A dialog that could not be shown stops the run rather than guess.
    EOverwriteAnswer m_eResult = EOverwriteAnswer::Cancel;
    BOOL m_bRemember = FALSE;
};
