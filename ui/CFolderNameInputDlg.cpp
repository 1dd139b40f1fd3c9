#include "ui/CFolderNameInputDlg.h"

#include "framework/MessageBox.h"
#include "res/resource.h"

CFolderNameInputDlg::CFolderNameInputDlg(CWnd* pParent) : CDialog(IDD_FOLDER_NAME_INPUT, pParent) {}

BOOL CFolderNameInputDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CenterWindow();
    return TRUE;
}

void CFolderNameInputDlg::OnOK()
{
    const CString strName = GetDlgItemText(IDC_FOLDER_NAME);
    // A backslash would make the name a path reaching outside the selected folder.
    if (strName.Find(L'\\') >= 0) {
        AfxMessageBox(IDS_NEW_FOLDER_NAME_INVALID, MB_OK);
        FocusAndSelect(GetDlgItem(IDC_FOLDER_NAME));
        return;
    }
    m_strFolderName = strName;
    CDialog::OnOK();
}

void CFolderNameInputDlg::OnCancel()
{
    m_strFolderName.Empty();
    CDialog::OnCancel();
}
