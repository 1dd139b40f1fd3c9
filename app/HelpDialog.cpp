#include "app/HelpDialog.h"

#include "res/resource.h"

CHelpDialog::CHelpDialog(CWnd* pParent) : CDialog(IDD_HELP, pParent) {}

BOOL CHelpDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    CString text;
    text.LoadString(IDS_COMMAND_LINE_HELP);
    SetDlgItemText(IDC_HELP_TEXT, text);
    return TRUE;
}
