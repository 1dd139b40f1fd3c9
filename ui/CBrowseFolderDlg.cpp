#include "ui/CBrowseFolderDlg.h"

#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "res/resource.h"
#include "ui/CFolderNameInputDlg.h"

#include <shlobj.h>

namespace {

CBrowseFolderDlg::Responder gResponder;

// An item ID list from the shell, freed when it goes away.
class CItemIdList {
public:
    CItemIdList() = default;
    ~CItemIdList() { ::CoTaskMemFree(m_pidl); }
    CItemIdList(const CItemIdList&) = delete;
    CItemIdList& operator=(const CItemIdList&) = delete;
    LPITEMIDLIST* operator&() { return &m_pidl; }
    LPITEMIDLIST Get() const { return m_pidl; }

private:
    LPITEMIDLIST m_pidl = nullptr;
};

} // namespace

CBrowseFolderDlg::CBrowseFolderDlg(CWnd* pParent)
    : CResizableDialog(IDD_BROWSE_FOLDER, pParent),
      // A shared icon: the system frees it, not the dialog.
      m_hIcon(::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

void CBrowseFolderDlg::SetResponder(Responder responder)
{
    gResponder = std::move(responder);
}

INT_PTR CBrowseFolderDlg::DoModal()
{
    if (gResponder) {
        m_strPath.Empty();
        return gResponder(m_bShowNewFolder, m_strPath);
    }
    return CResizableDialog::DoModal();
}

BOOL CBrowseFolderDlg::OnInitDialog()
{
    CResizableDialog::OnInitDialog();
    m_tree.SubclassDlgItem(IDC_FOLDER_TREE, this);
    if (!m_bShowNewFolder)
        ::ShowWindow(GetDlgItem(IDC_CREATE_NEW_FOLDER), SW_HIDE);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    AnchorControl(GetDlgItem(IDC_FOLDER_TREE), kAnchorTopLeft, kAnchorBottomRight);
    AnchorControl(GetDlgItem(IDC_CREATE_NEW_FOLDER), kAnchorBottomLeft, kNoAnchor);
    AnchorControl(GetDlgItem(IDOK), kAnchorBottomRight, kNoAnchor);
    AnchorControl(GetDlgItem(IDCANCEL), kAnchorBottomRight, kNoAnchor);

    // Reading the drives takes a moment: the dialog is on screen meanwhile.
    CenterWindow();
    ShowWindow(SW_SHOW);
    ::UpdateWindow(m_hWnd);

    m_tree.SetWindowText(L"ShellTree Control");
    CItemIdList drives;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(m_hWnd, CSIDL_DRIVES, &drives)))
        m_tree.SetRootFolder(drives.Get(), FALSE);
    // The arrow keys move through the folders at once: the focus is in the
    // tree, on the initial folder or else on the first node.
    if (m_strInitialFolder.IsEmpty() || !m_tree.SelectPath(m_strInitialFolder))
        m_tree.SelectItem(m_tree.GetRootItem());
    ::SetFocus(m_tree.m_hWnd);
    return FALSE;
}

void CBrowseFolderDlg::OnOK()
{
    m_strPath = m_tree.GetSelectedPath();
    EndDialog(IDOK);
}

BOOL CBrowseFolderDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_CREATE_NEW_FOLDER && HIWORD(wParam) == BN_CLICKED) {
        OnCreateNewFolder();
        return TRUE;
    }
    return CResizableDialog::OnCommand(wParam, lParam);
}

void CBrowseFolderDlg::OnCreateNewFolder()
{
    const CString strParent = m_tree.GetSelectedPath();
    if (strParent.IsEmpty()) {
        AfxMessageBox(IDS_ENTER_VALID_PATH, MB_OK);
        return;
    }
    CFolderNameInputDlg dlg(this);
    dlg.DoModal();
    const CString strName = dlg.GetFolderName();
    if (strName.IsEmpty())
        return;
    const CString strPath = CDirectory::Concat(strParent, CDirectory::CreateFileNameForDisk(strName));
    CDirectory::Make(GetFullPath(strPath));
    RefreshAfterNewFolder();
    // The refill took the selection away: the new folder is shown and
    // selected, so that OK takes it; where it could not be made, the folder
    // selected before is selected again.
    m_tree.SelectPath(strPath);
    ::SetFocus(m_tree.m_hWnd);
}

void CBrowseFolderDlg::RefreshAfterNewFolder()
{
    HTREEITEM hSelected = m_tree.GetSelectedItem();
    if (!hSelected)
        return;
    HTREEITEM hParent = m_tree.GetParentItem(hSelected);
    m_tree.Refill(hParent ? hParent : TVI_ROOT);
}
