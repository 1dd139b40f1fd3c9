#pragma once
// The question whether an existing target file may be overwritten: Yes, No, or
// Cancel (stop the whole run), optionally remembering Yes or No for the rest
// of the run in gRememberChoice and gOverwriteChoice. Run modally, without a
// parent, on the worker thread of a backup or restore.

#include "framework/CDialog.h"

class IProgressListener;

class COverwriteFilesDlg : public CDialog {
public:
    enum : UINT { ResultNo = 0, ResultYes = 1, ResultCancel = 2 };

    explicit COverwriteFilesDlg(CWnd* pParentWnd = nullptr);

    void SetMessage(const CString& strMessage) { m_strMessage = strMessage; }
    void SetShowRemember(BOOL bShow) { m_bShowRemember = bShow; }
    // The answer after DoModal; DoModal's own result is IDOK for every answer.
    UINT GetResult() const { return m_nResult; }

    // Shows the dialog, or lets an installed dialog responder answer instead.
    INT_PTR DoModal() override;

    // Asks the question with the remember box shown; TRUE for Yes. Cancel
    // stops the run through pListener.
    static BOOL Ask(const CString& strMessage, IProgressListener* pListener);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    // Records the answer and, for Yes or No with the box ticked, remembers it.
    void Answer(UINT nResult, BOOL bRemember);
    BOOL IsRememberTicked() const;

    CString m_strMessage;
    BOOL m_bShowRemember = TRUE;
    // A dialog that could not be shown stops the run rather than guess.
    UINT m_nResult = ResultCancel;
};
