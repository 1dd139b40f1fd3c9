#include "ui/CDiskPromptBox.h"

#include "framework/MessageBox.h"
#include "res/resource.h"

BOOL CDiskPromptBox::AskForDisk(UINT nDisk)
{
    CString text;
    text.FormatMessage(IDS_INSERT_DISK, nDisk);
    return AfxMessageBox(text, MB_OKCANCEL, m_hOwner) == IDOK;
}
