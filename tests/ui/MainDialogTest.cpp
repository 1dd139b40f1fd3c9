// The main dialog run modally as the program runs it: the sheet and its pages
// are looked at from inside the dialog's own message loop, an interactive
// restore goes through the pages, and an unattended run ends the dialog by
// itself.

#include "app/BackupDialog.h"
#include "app/BackupDlg.h"
#include "app/Globals.h"
#include "framework/CWinApp.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "items/ItemNames.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using test::Click;
using test::ItemEnabled;
using test::ItemText;
using test::LoadText;

namespace {

std::function<void()>* gpScript = nullptr;
CDialog* gpScriptDialog = nullptr;

void CALLBACK RunScript(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    KillTimer(nullptr, idEvent);
    (*gpScript)();
    // Also after a failed assertion, so that the test goes on.
    gpScriptDialog->PostMessage(WM_CLOSE);
}

// Runs the dialog modally; once its message loop runs, the script runs inside
// it, and then the dialog is closed. The dialog's result.
INT_PTR RunWithScript(CDialog& dlg, std::function<void()> script)
{
    gpScript = &script;
    gpScriptDialog = &dlg;
    SetTimer(nullptr, 0, 1, RunScript);
    INT_PTR result = dlg.DoModal();
    gpScript = nullptr;
    gpScriptDialog = nullptr;
    return result;
}

HWND TabControl(CBackupDlg& dlg)
{
    return reinterpret_cast<HWND>(dlg.GetSheet().SendMessage(PSM_GETTABCONTROL));
}

// A live installation of small patients.
class MainDialogTest : public test::UiTest {
protected:
    void SetUp() override
    {
        test::UiTest::SetUp();
        test::MakePatientFile(m_data.Path(), L"Anna", L"2023-05-02_Krone", L"scan.dat", 3000);
        test::MakePatientFile(m_data.Path(), L"Bruno", L"2023-06-12_Bruecke", L"model.cdt", 7000);
    }

    CBackupItemRoot* BackupRoot() { return m_dlg.GetBackupPage().GetRoot(); }

    test::TempDir m_data;
    test::DataPathOverride m_dataPath{m_data.Path()};
    CBackupDlg m_dlg;
};

} // namespace

TEST_F(MainDialogTest, OpensWithTheBackupTabAfterInitialisingEveryPage)
{
    bool ran = false;
    INT_PTR result = RunWithScript(m_dlg, [&] {
        ran = true;
        HWND hSheet = m_dlg.GetSheet().m_hWnd;
        ASSERT_NE(nullptr, hSheet);
        EXPECT_EQ(m_dlg.m_hWnd, GetParent(hSheet));
        EXPECT_TRUE(GetWindowLongPtrW(hSheet, GWL_STYLE) & WS_TABSTOP);
        EXPECT_TRUE(GetWindowLongPtrW(hSheet, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);

        EXPECT_EQ(0, m_dlg.GetSheet().GetActiveIndex());
        EXPECT_EQ(0, static_cast<int>(SendMessageW(TabControl(m_dlg), TCM_GETCURSEL, 0, 0)));
        EXPECT_TRUE(IsWindowVisible(m_dlg.GetBackupPage().m_hWnd));

        // Every page has been created and initialised.
        HWND hRestore = m_dlg.GetRestorePage().m_hWnd;
        HWND hOptions = m_dlg.GetOptionsPage().m_hWnd;
        ASSERT_NE(nullptr, hRestore);
        ASSERT_NE(nullptr, hOptions);
        EXPECT_FALSE(IsWindowVisible(hRestore));
        EXPECT_FALSE(IsWindowVisible(hOptions));
        EXPECT_NE(0, SendMessageW(GetDlgItem(hRestore, IDC_RESTORE_TREE), TVM_GETIMAGELIST, TVSIL_NORMAL, 0))
            << "the restore tree has no check pictures";
        EXPECT_NE(nullptr, GetDlgItem(hOptions, IDC_VERIFY_AFTER_BACKUP));
        EXPECT_EQ(LoadText(IDS_DEFAULT_MEDIA_PATH), ItemText(m_dlg.GetBackupPage().m_hWnd, IDC_MEDIA_PATH));

        // The sheet sits where the placeholder says, 7 units up and left.
        RECT rcPlaceholder, rcSheet;
        GetWindowRect(GetDlgItem(m_dlg.m_hWnd, IDC_SHEET_PLACEHOLDER), &rcPlaceholder);
        GetWindowRect(hSheet, &rcSheet);
        MapWindowPoints(nullptr, m_dlg.m_hWnd, reinterpret_cast<POINT*>(&rcPlaceholder), 2);
        MapWindowPoints(nullptr, m_dlg.m_hWnd, reinterpret_cast<POINT*>(&rcSheet), 2);
        EXPECT_EQ(rcPlaceholder.left - 7, rcSheet.left);
        EXPECT_EQ(rcPlaceholder.top - 7, rcSheet.top);

        HICON hBig = reinterpret_cast<HICON>(m_dlg.SendMessage(WM_GETICON, ICON_BIG));
        EXPECT_NE(nullptr, hBig);
        EXPECT_EQ(hBig, reinterpret_cast<HICON>(m_dlg.SendMessage(WM_GETICON, ICON_SMALL)));
        EXPECT_EQ(hBig, reinterpret_cast<HICON>(m_dlg.SendMessage(WM_QUERYDRAGICON)));

    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(MainDialogTest, TabsAreInTheOrderBackupRestoreOptions)
{
    RunWithScript(m_dlg, [&] {
        HWND hTab = TabControl(m_dlg);
        ASSERT_EQ(3, static_cast<int>(SendMessageW(hTab, TCM_GETITEMCOUNT, 0, 0)));
        const wchar_t* expected[] = {L"Backup", L"Restore", L"Options"};
        for (int i = 0; i < 3; ++i) {
            wchar_t text[64] = {};
            TCITEMW item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            SendMessageW(hTab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(CString(expected[i]), CString(text));
        }
    });
}

TEST_F(MainDialogTest, RebuildBackupTreeDropsTheSelection)
{
    RunWithScript(m_dlg, [&] {
        HWND hPage = m_dlg.GetBackupPage().m_hWnd;
        Click(hPage, IDC_SELECT_MODIFIED);
        EXPECT_NE(CTreeItem::Unchecked, BackupRoot()->GetCheck());
        EXPECT_EQ(CString(L"1"), ItemText(hPage, IDC_REQUIRED_SPACE));
        test::MakePatientFile(m_data.Path(), L"Carla", L"2024-01-01_Inlay", L"a.dat", 100);

        m_dlg.RebuildBackupTree();
        EXPECT_EQ(CTreeItem::Unchecked, BackupRoot()->GetCheck());
        EXPECT_EQ(CString(L"0"), ItemText(hPage, IDC_REQUIRED_SPACE));
        EXPECT_EQ(3, BackupRoot()->GetChildren()[3]->GetChildren().GetSize());
    });
}

TEST_F(MainDialogTest, InteractiveRestoreThroughThePages)
{
    // A backup of the whole installation, made by the program's own driver.
    test::TempDir media;
    CString backup = media / L"Sicherung";
    {
        CBackupItemRoot* pRoot = new CBackupItemRoot;
        pRoot->BuildForBackup();
        pRoot->SelectAll();
        test::MessageLog log;
        CBackupDialog progress(backup, pRoot, TRUE);
        progress.DoModal();
        pRoot->DeleteFromTree(nullptr);
        ASSERT_EQ((std::vector<CString>{LoadText(IDS_BACKUP_SUCCEEDED)}), log.Texts());
    }
    const std::vector<unsigned char> original =
        test::ReadBytes(m_data / L"Bruno\\2023-06-12_Bruecke\\model.cdt");
    ASSERT_EQ(7000u, original.size());

    test::FolderChoices choices({backup});
    test::MessageLog log;
    // The Restore page finds the main dialog as the application's main window.
    CWinApp app(L"ORVEX Backup");
    app.m_pMainWnd = &m_dlg;
    RunWithScript(m_dlg, [&] {
        HWND hBackup = m_dlg.GetBackupPage().m_hWnd;
        HWND hRestore = m_dlg.GetRestorePage().m_hWnd;
        m_dlg.GetSheet().SetActivePage(1);
        Click(hBackup, IDC_SELECT_MODIFIED);
        ASSERT_NE(CTreeItem::Unchecked, BackupRoot()->GetCheck());

        Click(hRestore, IDC_BROWSE);
        CBackupItemRoot* pRoot = m_dlg.GetRestorePage().GetRoot();
        EXPECT_EQ(backup, ItemText(hRestore, IDC_MEDIA_PATH));
        EXPECT_EQ(CString(L"Sicherung"), pRoot->GetName());
        CBackupItem* pPatientData = nullptr;
        for (INT_PTR i = 0; i < pRoot->GetChildren().GetSize(); ++i) {
            if (pRoot->GetChildren()[i]->GetName() == kPatientDataIndexName)
                pPatientData = pRoot->GetChildren()[i];
        }
        ASSERT_NE(nullptr, pPatientData);

        // The user ticks the patient data and restores them.
        test::RemoveTree(m_data / L"Anna");
        test::RemoveTree(m_data / L"Bruno");
        test::ToggleByKey(GetDlgItem(hRestore, IDC_RESTORE_TREE), pPatientData);
        EXPECT_TRUE(ItemEnabled(hRestore, IDC_RESTORE));
        Click(hRestore, IDC_RESTORE);

        // The Backup page shows the live data afresh, with nothing selected.
        EXPECT_EQ(CTreeItem::Unchecked, BackupRoot()->GetCheck());
        EXPECT_EQ(CString(L"0"), ItemText(hBackup, IDC_REQUIRED_SPACE));
        EXPECT_EQ(2, BackupRoot()->GetChildren()[3]->GetChildren().GetSize());
        // The restore tree keeps its selection.
        EXPECT_EQ(CTreeItem::Checked, pPatientData->GetCheck());
    });
    EXPECT_EQ((std::vector<BOOL>{FALSE}), choices.NewFolderOffered());
    EXPECT_EQ((std::vector<CString>{LoadText(IDS_RESTORE_SUCCEEDED)}), log.Texts());
    EXPECT_EQ(original, test::ReadBytes(m_data / L"Bruno\\2023-06-12_Bruecke\\model.cdt"));
}

TEST_F(MainDialogTest, UnattendedRunEndsTheDialogByItself)
{
    test::TempDir target;
    gAutomatedMode = TRUE;
    gVerifyAfterBackup = TRUE;
    gTargetPath = target.Path();
    gUnattendedOutcome = 99;
    CWinApp app(L"ORVEX Backup");
    app.m_pMainWnd = &m_dlg;
    test::MessageLog log;

    EXPECT_EQ(IDOK, m_dlg.DoModal());
    app.m_pMainWnd = nullptr;

    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(0u, gUnattendedOutcome.load());
    std::vector<CString> backups = test::SubDirectories(target.Path());
    ASSERT_EQ(1u, backups.size());
    CString backup = target.Path() + L"\\" + backups[0];
    EXPECT_EQ(1, test::ReadBackupIni(backup, L"BackupComplete"));
    EXPECT_EQ(7000u, test::ReadBytes(backup + L"\\Patient Data Index\\Bruno\\2023-06-12_Bruecke\\model.cdt").size());
}

TEST_F(MainDialogTest, UnattendedRunIntoAnExistingBackupIsRefusedSilently)
{
    test::TempDir target;
    // The page names the backup after the minute it starts in.
    const __time64_t now = _time64(nullptr);
    for (__time64_t t : {now, now + 60}) {
        CString name = CDirectory::CreateFileNameForDisk(CPropPageBackup::FormatBackupName(t));
        ASSERT_TRUE(CreateDirectoryW(target.Path() + L"\\" + name, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    gAutomatedMode = TRUE;
    gTargetPath = target.Path();
    CWinApp app(L"ORVEX Backup");
    app.m_pMainWnd = &m_dlg;
    test::MessageLog log;

    EXPECT_EQ(IDOK, m_dlg.DoModal());
    app.m_pMainWnd = nullptr;

    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(static_cast<UINT>(CBackup::OutcomeFatal), gUnattendedOutcome.load());
    for (const CString& name : test::SubDirectories(target.Path()))
        EXPECT_EQ(-1, test::ReadBackupIni(target.Path() + L"\\" + name, L"BackupComplete")) << name;
}
