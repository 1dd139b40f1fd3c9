#include "ui/COverwriteFilesDlg.h"

#include "framework/MessageBox.h"
#include "res/resource.h"

COverwriteFilesDlg::COverwriteFilesDlg(CWnd* pParentWnd) : CDialog(IDD_OVERWRITE_FILES, pParentWnd) {}

INT_PTR COverwriteFilesDlg::DoModal()
{
    SDialogAnswer answer{};
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!AfxAskDialogResponder(hOwner, IDD_OVERWRITE_FILES, m_strMessage, &answer))
        return CDialog::DoModal();
    const BOOL bRemember = m_bShowRemember && answer.bRemember;
    if (answer.nButton == IDOK)
        Answer(EOverwriteAnswer::Yes, bRemember);
    else if (answer.nButton == IDNO)
        Answer(EOverwriteAnswer::No, bRemember);
    else
        Answer(EOverwriteAnswer::Cancel, FALSE);
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
    Answer(EOverwriteAnswer::Yes, IsRememberTicked());
    EndDialog(IDOK);
}

void COverwriteFilesDlg::OnCancel()
{
    Answer(EOverwriteAnswer::Cancel, FALSE);
    EndDialog(IDOK);
}

BOOL COverwriteFilesDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) != IDNO || HIWORD(wParam) != BN_CLICKED)
        return CDialog::OnCommand(wParam, lParam);
    Answer(EOverwriteAnswer::No, IsRememberTicked());
    EndDialog(IDOK);
    return TRUE;
}

void COverwriteFilesDlg::Answer(EOverwriteAnswer eResult, BOOL bRemember)
{
    m_eResult = eResult;
    m_bRemember = bRemember && eResult != EOverwriteAnswer::Cancel;
}

BOOL COverwriteFilesDlg::IsRememberTicked() const
{
    return m_bShowRemember && ::IsDlgButtonChecked(m_hWnd, IDC_OVERWRITE_REMEMBER) == BST_CHECKED;
}
