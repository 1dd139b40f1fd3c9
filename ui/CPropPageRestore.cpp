#include "ui/CPropPageRestore.h"

#include "app/BackupDialog.h"
#include "app/BackupDlg.h"
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "items/BackupMedia.h"
#include "items/CBackupItemRoot.h"
#include "items/ItemNames.h"
#include "res/resource.h"
#include "ui/CBrowseFolderDlg.h"
#include "ui/CDiskPromptBox.h"

CPropPageRestore::CPropPageRestore() : CPropertyPage(IDD_PROPPAGE_RESTORE), m_pRoot(new CBackupItemRoot) {}

CPropPageRestore::~CPropPageRestore()
{
    // Only a page whose window never existed still holds its tree here.
    if (m_pRoot)
        m_pRoot->DeleteFromTree(nullptr);
}

BOOL CPropPageRestore::IsBackupDirectory(const CString& strPath)
{
    static const wchar_t* const kItemNames[] = {kCalibrationsName, kPatientDataIndexName, kPatientIndexName,
                                                kSettingsName};
    CStringArray names;
    CDirectory::ListFiles(strPath, names, L"*.*", FILE_ATTRIBUTE_DIRECTORY);
    for (INT_PTR i = 0; i < names.GetSize(); ++i) {
        for (const wchar_t* pszItemName : kItemNames) {
            if (names[i] == pszItemName)
                return TRUE;
        }
    }
    return FALSE;
}

BOOL CPropPageRestore::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_tree.Init(IDC_RESTORE_TREE, this, this);
    m_btnRestore.m_hWnd = GetDlgItem(IDC_RESTORE);
    return TRUE;
}

BOOL CPropPageRestore::OnCommand(WPARAM wParam, LPARAM)
{
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_RESTORE:
        OnRestore();
        return TRUE;
    case IDC_CHECK_BACKUP:
        OnCheckBackup();
        return TRUE;
    case IDC_BROWSE:
        OnBrowse();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CPropPageRestore::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_DESTROY)
        OnDestroy();
    return CPropertyPage::OnMessage(msg, wParam, lParam, result);
}

void CPropPageRestore::OnCheckChanged(CTreeItem*)
{
    m_btnRestore.EnableWindow(m_pRoot->GetCheck() != CTreeItem::Unchecked);
}

void CPropPageRestore::OnBrowse()
{
    // No folder can be created while choosing a backup.
    CBrowseFolderDlg dlg(nullptr);
    dlg.HideNewFolderButton();
    dlg.SetInitialFolder(CDirectory::CreateFileNameForDisk(GetDlgItemText(IDC_MEDIA_PATH)));
    if (dlg.DoModal() != IDOK)
        return;
    const CString strPath = dlg.GetPath();
    if (strPath.IsEmpty() || !IsBackupDirectory(strPath)) {
        // The field keeps naming the backup the tree shows, so a restore
        // never looks for that backup's media in the rejected folder.
        AfxMessageBox(IDS_NO_BACKUP_FOUND, 0);
        FocusAndSelect(GetDlgItem(IDC_MEDIA_PATH));
        return;
    }
    // A folder whose Backup.ini names no medium of a backup would have the
    // media prompts ask for disks that never come.
    const CString strShown = CDirectory::CreateFileNameForDisplay(strPath);
    const int nDisk = ReadBackupIniValue(strPath, kDiskNumberKey);
    if (nDisk < 1 || nDisk > kMaxDiskNumber) {
        CString text;
        text.FormatMessage(IDS_NO_VALID_BACKUP_INI, strShown.GetString());
        AfxMessageBox(text, 0);
        FocusAndSelect(GetDlgItem(IDC_MEDIA_PATH));
        return;
    }
    SetDlgItemText(IDC_MEDIA_PATH, strShown);
    m_pRoot->DeleteFromTree(&m_tree);
    m_pRoot = new CBackupItemRoot;
    // The boxes asking for further media belong to the main dialog.
    CDiskPromptBox prompt(::GetAncestor(m_hWnd, GA_ROOT));
    m_pRoot->SetDiskPrompt(&prompt);
    m_pRoot->BuildForRestore(strPath);
    m_pRoot->SetDiskPrompt(nullptr);
    m_pRoot->InsertIntoTree(&m_tree, nullptr);
    // A backup that is shown can be checked.
    ::EnableWindow(GetDlgItem(IDC_CHECK_BACKUP), TRUE);
    ShowIfIncomplete(strPath);
    ShowIfArchivesMissing();
}

namespace {

// The names of the items of a restore tree that are disabled: in a restore
// tree, only a settings or key item whose archive no medium holds.
void CollectDisabled(const CBackupItem* pItem, CString& strNames)
{
    for (INT_PTR i = 0; i < pItem->GetChildren().GetSize(); ++i) {
        CBackupItem* pChild = pItem->GetChildren()[i];
        if (!pChild->IsEnabled())
            strNames += (strNames.IsEmpty() ? L"" : L", ") + pChild->GetName();
        CollectDisabled(pChild, strNames);
    }
}

} // namespace

void CPropPageRestore::ShowIfArchivesMissing()
{
    CString strNames;
    CollectDisabled(m_pRoot, strNames);
    if (strNames.IsEmpty())
        return;
    CString text;
    text.FormatMessage(IDS_ARCHIVES_MISSING, strNames.GetString());
    AfxMessageBox(text, MB_ICONINFORMATION);
}

void CPropPageRestore::ShowIfIncomplete(const CString& strPath)
{
    // The medium in the drive is the last one read: it holds the totals of
    // the run that wrote it.
    const struct {
        const wchar_t* pszKey;
        UINT nReasonId;
    } marks[] = {{kCancelledKey, IDS_INCOMPLETE_CANCELLED},
                 {kFailedFilesKey, IDS_INCOMPLETE_FAILED_FILES},
                 {kVerifyFailuresKey, IDS_INCOMPLETE_VERIFY_FAILURES}};
    CString reasons;
    for (const auto& mark : marks) {
        const int n = ReadBackupIniValue(strPath, mark.pszKey);
        if (n <= 0)
            continue;
        CString reason;
        reason.FormatMessage(mark.nReasonId, n);
        reasons += reasons.IsEmpty() ? reason : L"; " + reason;
    }
    if (reasons.IsEmpty())
        return;
    CString text;
    text.FormatMessage(IDS_BACKUP_INCOMPLETE, reasons.GetString());
    AfxMessageBox(text, 0);
}

void CPropPageRestore::OnRestore()
{
    const CString strBackup = GetDlgItemText(IDC_MEDIA_PATH);
    if (strBackup.IsEmpty()) {
        AfxMessageBox(IDS_NO_PATH_ENTERED, MB_OK);
        FocusAndSelect(GetDlgItem(IDC_MEDIA_PATH));
        return;
    }
    if (m_pRoot->GetCheck() == CTreeItem::Unchecked)
        return;
    {
        CBackupDialog dlg(strBackup, m_pRoot, FALSE);
        dlg.DoModal();
    }
    // The live data have changed: the Backup page shows them afresh.
    if (auto* pMain = dynamic_cast<CBackupDlg*>(AfxGetMainWnd()))
        pMain->RebuildBackupTree();
}

void CPropPageRestore::OnCheckBackup()
{
    const CString strBackup = GetDlgItemText(IDC_MEDIA_PATH);
    if (strBackup.IsEmpty())
        return;
    CBackupDialog dlg(strBackup);
    dlg.DoModal();
}

void CPropPageRestore::OnDestroy()
{
    m_pRoot->DeleteFromTree(&m_tree);
    m_pRoot = nullptr;
}
