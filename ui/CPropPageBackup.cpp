#include "ui/CPropPageBackup.h"

#include "app/Backup.h"
#include "app/BackupDialog.h"
#include "app/Globals.h"
#include "framework/CWaitCursor.h"
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "items/BackupMedia.h"
#include "items/CBackupItemRoot.h"
#include "items/ItemNames.h"
#include "res/resource.h"
#include "ui/CBrowseFolderDlg.h"
#include "ui/CSelectionSnapshot.h"

#include <vector>

namespace {

// The patient data index is not started on a medium with less free space.
const ULONGLONG kPatientDataMinFreeBytes = 0x500000;

CString LoadText(UINT nId)
{
    CString text;
    text.LoadString(nId);
    return text;
}

} // namespace

CPropPageBackup::CPropPageBackup() : CPropertyPage(IDD_PROPPAGE_BACKUP), m_pRoot(new CBackupItemRoot) {}

CPropPageBackup::~CPropPageBackup()
{
    // Only a page whose window never existed still holds its tree here.
    if (m_pRoot)
        m_pRoot->DeleteFromTree(nullptr);
}

LONGLONG CPropPageBackup::RequiredMegabytes(LONGLONG nBytes)
{
    LONGLONG nMegabytes = nBytes / 1024 / 1024;
    if (nBytes > 1)
        ++nMegabytes;
    return nMegabytes;
}

CString CPropPageBackup::DefaultBackupName()
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return FormatBackupName(LOCALE_NAME_USER_DEFAULT, now);
}

CString CPropPageBackup::FormatBackupName(const wchar_t* pszLocale, const SYSTEMTIME& time)
{
    // The long date is taken whole, however long the user's format makes it.
    int nChars = ::GetDateFormatEx(pszLocale, DATE_LONGDATE, &time, nullptr, nullptr, 0, nullptr);
    std::vector<wchar_t> longDate(nChars > 0 ? nChars : 1, L'\0');
    if (nChars > 0)
        ::GetDateFormatEx(pszLocale, DATE_LONGDATE, &time, nullptr, longDate.data(), nChars, nullptr);
    // Hours and minutes as 00 to 23 and 00 to 59, whatever the locale's time format.
    wchar_t clock[8] = {};
    if (::GetTimeFormatEx(pszLocale, 0, &time, L"HH:mm", clock, 8) == 0)
        return CString();

    CString name = L"Backup : ";
    name += longDate.data();
    name.Remove(L',');
    name += L" ";
    name += clock;
    return name;
}

BOOL CPropPageBackup::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    SetDlgItemText(IDC_BACKUP_NAME, DefaultBackupName());

    if (gAutomatedMode) {
        ::EnableWindow(GetDlgItem(IDC_START_BACKUP), FALSE);
        ::EnableWindow(GetDlgItem(IDC_BROWSE), FALSE);
        ::EnableWindow(GetDlgItem(IDC_SELECT_MODIFIED), FALSE);
        SetDlgItemText(IDC_MEDIA_PATH, gTargetPath);
        m_tree.Init(IDC_BACKUP_TREE, this, this);
        BuildTree();
        if (gSelectModifiedOnly) {
            m_pRoot->SelectModified();
            m_tree.RefreshCheckStates();
            OnCheckChanged(m_pRoot);
        } else {
            m_pRoot->SelectAll();
            m_tree.RefreshCheckStates();
        }
        // Posted, so that the backup starts once the main dialog is up. The
        // command names the button's window, so it counts although the
        // button is disabled.
        HWND hStart = GetDlgItem(IDC_START_BACKUP);
        PostMessage(WM_COMMAND, MAKEWPARAM(IDC_START_BACKUP, BN_CLICKED), reinterpret_cast<LPARAM>(hStart));
    } else {
        ::EnableWindow(GetDlgItem(IDC_START_BACKUP), FALSE);
        SetDlgItemText(IDC_MEDIA_PATH, LoadText(IDS_DEFAULT_MEDIA_PATH));
        m_tree.Init(IDC_BACKUP_TREE, this, this);
        BuildTree();
    }
    return TRUE;
}

void CPropPageBackup::BuildTree()
{
    m_pRoot->BuildForBackup();
    m_pRoot->InsertIntoTree(&m_tree, nullptr);
}

BOOL CPropPageBackup::OnSetActive()
{
    OnCheckChanged(m_pRoot);
    return TRUE;
}

BOOL CPropPageBackup::OnCommand(WPARAM wParam, LPARAM)
{
    // Another medium may hold more or less of the selection.
    if (LOWORD(wParam) == IDC_MEDIA_PATH && HIWORD(wParam) == EN_CHANGE) {
        ShowMediaNeeded();
        return TRUE;
    }
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_START_BACKUP:
        OnStartBackup();
        return TRUE;
    case IDC_BROWSE:
        OnBrowse();
        return TRUE;
    case IDC_SELECT_MODIFIED:
        OnSelectModified();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CPropPageBackup::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_DESTROY)
        OnDestroy();
    return CPropertyPage::OnMessage(msg, wParam, lParam, result);
}

void CPropPageBackup::OnCheckChanged(CTreeItem*)
{
    CWaitCursor wait;
    m_nRequiredBytes = m_pRoot->CalculateSize();
    CString megabytes;
    megabytes.Format(L"%lld", RequiredMegabytes(m_nRequiredBytes));
    SetDlgItemText(IDC_REQUIRED_SPACE, megabytes);
    ::EnableWindow(GetDlgItem(IDC_START_BACKUP), m_pRoot->GetCheck() != CTreeItem::Unchecked);
    ShowMediaNeeded();
}

void CPropPageBackup::ShowMediaNeeded()
{
    SetDlgItemText(IDC_MEDIA_NEEDED, MediaNeededText(m_nRequiredBytes, GetDlgItemText(IDC_MEDIA_PATH)));
}

CString CPropPageBackup::MediaNeededText(LONGLONG nBytes, const CString& strMedia)
{
    const CString strPath = GetFullPath(strMedia);
    const ULONGLONG nCapacity = GetMediumCapacity(strPath);
    // Said only when the selection does not fit and the medium can tell its size.
    if (strMedia.IsEmpty() || nCapacity <= kMediumSlackBytes || static_cast<ULONGLONG>(nBytes) <= GetFreeDiskSpace(strPath))
        return CString();
    const ULONGLONG nPerMedium = nCapacity - kMediumSlackBytes;
    const ULONGLONG nMedia = (static_cast<ULONGLONG>(nBytes) + nPerMedium - 1) / nPerMedium;
    wchar_t root[MAX_PATH] = L"";
    if (!::GetVolumePathNameW(strPath, root, MAX_PATH))
        return CString();
    CString text;
    text.FormatMessage(IDS_MEDIA_NEEDED, static_cast<int>(nMedia), root);
    return text;
}

void CPropPageBackup::OnSelectModified()
{
    m_pRoot->SelectModified();
    m_tree.RefreshCheckStates();
    OnCheckChanged(m_pRoot);
}

CString CPropPageBackup::GetMediaPath() const
{
    CString strMedia = GetDlgItemText(IDC_MEDIA_PATH);
    strMedia.Replace(L'/', L'\\');
    return strMedia;
}

void CPropPageBackup::OnBrowse()
{
    CBrowseFolderDlg dlg(nullptr);
    dlg.SetInitialFolder(GetMediaPath());
    if (dlg.DoModal() == IDOK && !dlg.GetPath().IsEmpty())
        SetDlgItemText(IDC_MEDIA_PATH, dlg.GetPath());
}

BOOL CPropPageBackup::ValidateInput(const CString& strMedia, const CString& strName)
{
    const CString strFolder = CDirectory::CreateFileNameForDisk(CDirectory::Concat(strMedia, strName));
    CString text;
    // The field the user has to change: the name, unless the media path is at fault.
    int nField = IDC_BACKUP_NAME;
    if (strMedia.IsEmpty()) {
        text = LoadText(IDS_ENTER_VALID_BACKUP_PATH);
        nField = IDC_MEDIA_PATH;
    } else if (strName.IsEmpty()) {
        text = LoadText(IDS_ENTER_FOLDER_NAME);
    } else if (CDirectory::Exist(strFolder)) {
        if (gAutomatedMode) {
            text = LoadText(IDS_BACKUP_DIR_EXISTS);
        } else {
            CString question = LoadText(IDS_BACKUP_DIR_EXISTS) + L"\n" + LoadText(IDS_DO_YOU_WANT_TO_CONTINUE);
            // Going on into the existing folder skips every further check.
            if (ShowMessageBox(m_hWnd, question, LoadText(IDS_ERROR), MB_OKCANCEL | MB_ICONERROR) == IDOK)
                return TRUE;
            text = LoadText(IDS_BACKUP_CANCELLED);
        }
    } else if (!CheckBackupPath(strFolder)) {
        text.FormatMessage(IDS_PATH_INVALID, strFolder.GetString());
        nField = IDC_MEDIA_PATH;
    } else if (strName.FindOneOf(L"\\,") >= 0) {
        text = LoadText(IDS_BAD_FOLDER_NAME);
    } else if (m_pRoot->IsItemChecked(kPatientDataIndexName) &&
               GetFreeDiskSpace(CDirectory::Concat(strMedia, strName)) < kPatientDataMinFreeBytes) {
        text = LoadText(IDS_LESS_THAN_5MB);
        nField = IDC_MEDIA_PATH;
    } else {
        return TRUE;
    }
    RefuseInput(text, nField);
    return FALSE;
}

void CPropPageBackup::RefuseInput(const CString& strText, int nFieldId)
{
    if (!gAutomatedMode) {
        ShowMessageBox(m_hWnd, strText, LoadText(IDS_ERROR), MB_OK | MB_ICONERROR);
        FocusAndSelect(GetDlgItem(nFieldId));
        return;
    }
    // Unattended, a refused start ends the run as a finished backup does.
    gUnattendedOutcome = CBackup::OutcomeFatal;
    CWnd* pMain = AfxGetMainWnd();
    if (pMain && pMain->m_hWnd)
        pMain->PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CPropPageBackup::OnStartBackup()
{
    // Read once here, so that the checks and the backup see the same folder;
    // only the name maps "/" to a look-alike.
    const CString strMedia = GetMediaPath();
    const CString strName = GetDlgItemText(IDC_BACKUP_NAME);
    if (!ValidateInput(strMedia, strName))
        return;
    const CString strTarget = CDirectory::Concat(strMedia, CDirectory::CreateFileNameForDisk(strName));
    UINT nOutcome;
    {
        CBackupDialog dlg(strTarget, m_pRoot, TRUE);
        const INT_PTR nResult = dlg.DoModal();
        nOutcome = nResult == -1 ? static_cast<UINT>(CBackup::OutcomeFatal) : dlg.GetOutcome();
    }
    // Unattended, the main dialog ends with the run: reading the whole
    // installation again would only delay the end of the process.
    if (gAutomatedMode) {
        gUnattendedOutcome = nOutcome;
        return;
    }
    // The tree is built afresh either way, since its items keep the state of
    // the run; after a run that did not complete, the user's ticks are kept
    // for the next try.
    if (nOutcome == 0) {
        RebuildTree();
        ::EnableWindow(GetDlgItem(IDC_START_BACKUP), FALSE);
    } else {
        const CSelectionSnapshot ticks(m_pRoot);
        RebuildTree();
        ticks.ApplyTo(m_pRoot);
        m_tree.RefreshCheckStates();
        OnCheckChanged(m_pRoot);
    }
    ProposeFreshName(strMedia);
    ::SetFocus(m_tree.m_hWnd);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CPropPageBackup::ProposeFreshName(const CString& strMedia)
{
    const CString strDefault = DefaultBackupName();
    CString strName = strDefault;
    // A run shorter than a minute leaves the name of this minute taken.
    for (int n = 2; !strName.IsEmpty() &&
                    CDirectory::Exist(CDirectory::Concat(strMedia, CDirectory::CreateFileNameForDisk(strName)));
         ++n)
        strName.Format(L"%s (%d)", strDefault.GetString(), n);
    SetDlgItemText(IDC_BACKUP_NAME, strName);
}

void CPropPageBackup::RebuildTree()
{
    CWaitCursor wait;
    m_pRoot->DeleteFromTree(&m_tree);
    m_pRoot = new CBackupItemRoot;
    BuildTree();
    SetDlgItemText(IDC_REQUIRED_SPACE, L"0");
}

void CPropPageBackup::OnDestroy()
{
    m_pRoot->DeleteFromTree(&m_tree);
    m_pRoot = nullptr;
}
