#include "ui/CFolderNameInputDlg.h"

#include "res/resource.h"

CFolderNameInputDlg::CFolderNameInputDlg(CWnd* pParent) : CDialog(IDD_FOLDER_NAME_INPUT, pParent) {}

void CFolderNameInputDlg::OnOK()
{
    m_strFolderName = GetDlgItemText(IDC_FOLDER_NAME);
    CDialog::OnOK();
}

void CFolderNameInputDlg::OnCancel()
{
    m_strFolderName.Empty();
    CDialog::OnCancel();
}
