#include "ui/COverwriteFilesDlg.h"

#include "app/Globals.h"
#include "app/IProgressListener.h"
#include "framework/MessageBox.h"
#include "res/resource.h"

COverwriteFilesDlg::COverwriteFilesDlg(CWnd* pParentWnd) : CDialog(IDD_OVERWRITE_FILES, pParentWnd) {}

INT_PTR COverwriteFilesDlg::DoModal()
{
    SDialogAnswer answer{};
    if (!AfxAskDialogResponder(IDD_OVERWRITE_FILES, m_strMessage, &answer))
        return CDialog::DoModal();
    const BOOL bRemember = m_bShowRemember && answer.bRemember;
    if (answer.nButton == IDOK)
        Answer(ResultYes, bRemember);
    else if (answer.nButton == IDNO)
        Answer(ResultNo, bRemember);
    else
        Answer(ResultCancel, FALSE);
    return IDOK;
}

BOOL COverwriteFilesDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_OVERWRITE_MESSAGE, m_strMessage);
    ::ShowWindow(GetDlgItem(IDC_OVERWRITE_REMEMBER), m_bShowRemember ? SW_SHOW : SW_HIDE);
    return TRUE;
}

void COverwriteFilesDlg::OnOK()
{
    Answer(ResultYes, IsRememberTicked());
    EndDialog(IDOK);
}

void COverwriteFilesDlg::OnCancel()
{
    Answer(ResultCancel, FALSE);
    EndDialog(IDOK);
}

BOOL COverwriteFilesDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) != IDNO || HIWORD(wParam) != BN_CLICKED)
        return CDialog::OnCommand(wParam, lParam);
    Answer(ResultNo, IsRememberTicked());
    EndDialog(IDOK);
    return TRUE;
}

void COverwriteFilesDlg::Answer(UINT nResult, BOOL bRemember)
{
    m_nResult = nResult;
    if (bRemember && nResult != ResultCancel) {
        gOverwriteChoice = nResult == ResultYes;
        gRememberChoice = TRUE;
    }
}

BOOL COverwriteFilesDlg::IsRememberTicked() const
{
    return m_bShowRemember && ::IsDlgButtonChecked(m_hWnd, IDC_OVERWRITE_REMEMBER) == BST_CHECKED;
}

BOOL COverwriteFilesDlg::Ask(const CString& strMessage, IProgressListener* pListener)
{
    COverwriteFilesDlg dlg(nullptr);
    dlg.SetMessage(strMessage);
    dlg.SetShowRemember(TRUE);
    dlg.DoModal();
    switch (dlg.GetResult()) {
    case ResultYes:
        return TRUE;
    case ResultCancel:
        pListener->Cancel();
        return FALSE;
    default:
        return FALSE;
    }
}
