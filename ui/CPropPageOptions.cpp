#include "ui/CPropPageOptions.h"

#include "app/Globals.h"
#include "res/resource.h"

CPropPageOptions::CPropPageOptions() : CPropertyPage(IDD_PROPPAGE_OPTIONS) {}

BOOL CPropPageOptions::OnCommand(WPARAM wParam, LPARAM)
{
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    const int nId = LOWORD(wParam);
    const BOOL bChecked = ::IsDlgButtonChecked(m_hWnd, nId) == BST_CHECKED;
    switch (nId) {
    case IDC_VERIFY_AFTER_BACKUP:
        gVerifyAfterBackup = bChecked;
        return TRUE;
    case IDC_DELETE_RESTORATIONS:
        gDeleteRestorations = bChecked;
        return TRUE;
    case IDC_BACKUP_TIFF_IMAGES:
        gBackupTiffImages = bChecked;
        return TRUE;
    default:
        return FALSE;
    }
}
