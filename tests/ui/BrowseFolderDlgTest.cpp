// The folder browser as the user meets it: the real dialog under the pages'
// Browse buttons (a restore through the real main dialog), its tree walked
// node by node, a folder created through the real name dialog, and its layout
// when the user enlarges it.

#include "app/BackupDlg.h"
#include "framework/CWinApp.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "items/ItemNames.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CBrowseFolderDlg.h"
#include "ui/CPropPageBackup.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using test::ItemText;
using test::LoadText;

namespace {

// Runs a script on the visible dialog with the caption, from inside whatever
// modal loop shows it. A dialog the script leaves open is cancelled, so a
// failed test does not hang in it.
class WindowScript {
public:
    WindowScript(const wchar_t* caption, std::function<void(HWND)> script) : m_caption(caption), m_script(script)
    {
        m_nTimer = SetTimer(nullptr, 0, 20, OnTimer);
        Pending()[m_nTimer] = this;
    }
    ~WindowScript()
    {
        KillTimer(nullptr, m_nTimer);
        Pending().erase(m_nTimer);
    }
    bool Ran() const { return m_bRan; }

private:
    static std::map<UINT_PTR, WindowScript*>& Pending()
    {
        static std::map<UINT_PTR, WindowScript*> pending;
        return pending;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR nTimer, DWORD)
    {
        auto it = Pending().find(nTimer);
        HWND hWnd = it == Pending().end() ? nullptr : FindWindowW(L"#32770", it->second->m_caption);
        if (!hWnd || !IsWindowVisible(hWnd))
            return;
        WindowScript* pThis = it->second;
        KillTimer(nullptr, nTimer);
        Pending().erase(it);
        pThis->m_bRan = true;
        pThis->m_script(hWnd);
        if (IsWindow(hWnd) && IsWindowVisible(hWnd))
            PostMessageW(hWnd, WM_COMMAND, IDCANCEL, 0);
    }

    const wchar_t* m_caption;
    std::function<void(HWND)> m_script;
    UINT_PTR m_nTimer = 0;
    bool m_bRan = false;
};

// Opens the tree down to a folder as the user does, one level at a time, and
// selects it; null when a level is missing.
HTREEITEM SelectFolder(HWND hTree, const CString& path)
{
    HTREEITEM hItem = TVI_ROOT;
    for (int start = 0; hItem && start < path.GetLength();) {
        const int end = path.Find(L'\\', start) < 0 ? path.GetLength() : path.Find(L'\\', start);
        // A drive's node shows its letter in brackets, a folder's its display name.
        const CString name = start ? CDirectory::CreateFileNameForDisplay(path.Mid(start, end - start))
                                   : L"(" + path.Left(2) + L")";
        if (hItem != TVI_ROOT)
            TreeView_Expand(hTree, hItem, TVE_EXPAND);
        HTREEITEM hChild = hItem == TVI_ROOT ? TreeView_GetRoot(hTree) : TreeView_GetChild(hTree, hItem);
        for (hItem = nullptr; hChild && !hItem; hChild = TreeView_GetNextSibling(hTree, hChild)) {
            wchar_t text[MAX_PATH] = {};
            TVITEMW item = {};
            item.mask = TVIF_TEXT;
            item.hItem = hChild;
            item.pszText = text;
            item.cchTextMax = MAX_PATH;
            TreeView_GetItem(hTree, &item);
            if (start ? name.CompareNoCase(text) == 0 : CString(text).Find(name) >= 0)
                hItem = hChild;
        }
        start = end + 1;
    }
    if (hItem)
        TreeView_SelectItem(hTree, hItem);
    return hItem;
}

void ClickButton(HWND hDlg, int nId)
{
    SendMessageW(GetDlgItem(hDlg, nId), BM_CLICK, 0, 0);
}

// Clicks the new-folder button and answers the name dialog with the name
// (Cancel when it is null).
void NewFolder(HWND hBrowser, const wchar_t* name)
{
    WindowScript script(L"Dialog", [name](HWND hDlg) {
        EXPECT_EQ(CString(L"Please enter the name for the new folder:"), CWnd::GetText(GetWindow(hDlg, GW_CHILD)));
        if (name)
            SetDlgItemTextW(hDlg, IDC_FOLDER_NAME, name);
        ClickButton(hDlg, name ? IDOK : IDCANCEL);
    });
    ClickButton(hBrowser, IDC_CREATE_NEW_FOLDER);
    EXPECT_TRUE(script.Ran());
}

RECT ClientRectOf(HWND hDlg, int nId)
{
    RECT rect;
    HWND hCtrl = GetDlgItem(hDlg, nId);
    GetWindowRect(hCtrl, &rect);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Works in a directory right below C:\, so the tree reaches it in two steps.
class BrowseFolderDlgTest : public test::UiTest {
protected:
    BrowseFolderDlgTest()
    {
        // Process ids repeat under Wine; a directory left by a killed run is skipped.
        static int counter = 0;
        do
            m_dir.Format(L"C:\\orvex-browse-%lu-%d", GetCurrentProcessId(), ++counter);
        while (!CreateDirectoryW(m_dir, nullptr));
    }
    ~BrowseFolderDlgTest() override { test::RemoveTree(m_dir); }

    CString m_dir;
};

} // namespace

TEST_F(BrowseFolderDlgTest, BackupPageTakesAFolderCreatedInTheBrowser)
{
    ASSERT_TRUE(CreateDirectoryW(m_dir + L"\\Sicherungen", nullptr));
    CPropPageBackup page;
    test::PageHost host({&page});
    SetDlgItemTextW(page.m_hWnd, IDC_MEDIA_PATH, L"R:\\");
    const CString diskName = CDirectory::CreateFileNameForDisk(L"Praxis: Mai?");

    WindowScript browse(L"Browse", [&](HWND hDlg) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(hDlg, IDC_CREATE_NEW_FOLDER)));
        HWND hTree = GetDlgItem(hDlg, IDC_FOLDER_TREE);
        ASSERT_NE(nullptr, SelectFolder(hTree, m_dir + L"\\Sicherungen"));
        NewFolder(hDlg, L"Praxis: Mai?");
        EXPECT_TRUE(test::DirExists(m_dir + L"\\Sicherungen\\" + diskName)) << "created under its disk name";
        // The refill recreated the node; the user opens it again and finds the new folder.
        ASSERT_NE(nullptr, SelectFolder(hTree, m_dir + L"\\Sicherungen\\" + diskName));
        ClickButton(hDlg, IDOK);
    });
    test::Click(page.m_hWnd, IDC_BROWSE);
    ASSERT_TRUE(browse.Ran());
    EXPECT_EQ(m_dir + L"\\Sicherungen\\" + diskName, ItemText(page.m_hWnd, IDC_MEDIA_PATH));
}

TEST_F(BrowseFolderDlgTest, RestoreThroughTheMainDialogFromABackupChosenInTheBrowser)
{
    test::TempDir data;
    test::DataPathOverride dataPath(data.Path());
    test::MakePatientFile(data.Path(), L"Anna", L"2023-05-02_Krone", L"scan.dat", 3000);
    test::MakePatientFile(data.Path(), L"Bruno", L"2023-06-12_Bruecke", L"model.cdt", 7000);
    const CString backup = m_dir + L"\\Sicherung 1";
    test::MakeBackup(backup);
    const std::vector<unsigned char> original = test::ReadBytes(data / L"Bruno\\2023-06-12_Bruecke\\model.cdt");
    CBackupDlg dlg;
    // The Restore page finds the main dialog as the application's main window.
    CWinApp app(L"ORVEX Backup");
    app.m_pMainWnd = &dlg;
    test::MessageLog log;
    WindowScript main(L"ORVEX Backup Version 1.0", [&](HWND) {
        HWND hBackup = dlg.GetBackupPage().m_hWnd;
        HWND hRestore = dlg.GetRestorePage().m_hWnd;
        dlg.GetSheet().SetActivePage(1);
        test::Click(hBackup, IDC_SELECT_MODIFIED);
        WindowScript browse(L"Browse", [&](HWND hDlg) {
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(hDlg, IDC_CREATE_NEW_FOLDER))) << "no folder is made to restore from";
            ASSERT_NE(nullptr, SelectFolder(GetDlgItem(hDlg, IDC_FOLDER_TREE), backup));
            ClickButton(hDlg, IDOK);
        });
        test::Click(hRestore, IDC_BROWSE);
        ASSERT_TRUE(browse.Ran());
        EXPECT_EQ(CDirectory::CreateFileNameForDisplay(backup), ItemText(hRestore, IDC_MEDIA_PATH));
        CBackupItem* pBruno = nullptr;
        const auto& items = dlg.GetRestorePage().GetRoot()->GetChildren();
        for (INT_PTR i = 0; i < items.GetSize(); ++i) {
            for (INT_PTR j = 0; items[i]->GetName() == kPatientDataIndexName && j < items[i]->GetChildren().GetSize(); ++j)
                pBruno = items[i]->GetChildren()[j]->GetName() == L"Bruno" ? items[i]->GetChildren()[j] : pBruno;
        }
        ASSERT_NE(nullptr, pBruno);
        test::RemoveTree(data / L"Anna");
        test::RemoveTree(data / L"Bruno");
        EXPECT_FALSE(test::ItemEnabled(hRestore, IDC_RESTORE));
        test::ToggleByKey(GetDlgItem(hRestore, IDC_RESTORE_TREE), pBruno);
        EXPECT_TRUE(test::ItemEnabled(hRestore, IDC_RESTORE));
        test::Click(hRestore, IDC_RESTORE);
        EXPECT_EQ(CTreeItem::Checked, pBruno->GetCheck()) << "the restore tree keeps its selection";
        // The Backup page shows the live data afresh, with nothing selected.
        CBackupItemRoot* pLive = dlg.GetBackupPage().GetRoot();
        EXPECT_EQ(CTreeItem::Unchecked, pLive->GetCheck());
        EXPECT_EQ(CString(L"0"), ItemText(hBackup, IDC_REQUIRED_SPACE));
        EXPECT_EQ(1, pLive->GetChildren()[3]->GetChildren().GetSize());
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    ASSERT_TRUE(main.Ran());
    EXPECT_EQ((std::vector<CString>{LoadText(IDS_RESTORE_SUCCEEDED)}), log.Texts());
    EXPECT_EQ(original, test::ReadBytes(data / L"Bruno\\2023-06-12_Bruecke\\model.cdt"));
    EXPECT_FALSE(test::DirExists(data / L"Anna")) << "only what was ticked comes back";
}

TEST_F(BrowseFolderDlgTest, NoFolderWithoutAValidParentOrName)
{
    test::MessageLog log;
    CBrowseFolderDlg dlg(nullptr);
    WindowScript browse(L"Browse", [&](HWND hDlg) {
        HWND hTree = GetDlgItem(hDlg, IDC_FOLDER_TREE);
        ASSERT_NE(nullptr, TreeView_GetRoot(hTree)) << "the drives are listed";
        TreeView_SelectItem(hTree, nullptr);
        ClickButton(hDlg, IDC_CREATE_NEW_FOLDER);
        EXPECT_EQ((std::vector<CString>{LoadText(IDS_ENTER_VALID_PATH)}), log.Texts());

        ASSERT_NE(nullptr, SelectFolder(hTree, m_dir));
        NewFolder(hDlg, nullptr);
        NewFolder(hDlg, L"..\\Ausserhalb");
        EXPECT_EQ(LoadText(IDS_NEW_FOLDER_NAME_INVALID), log.Texts().back());
        EXPECT_TRUE(test::SubDirectories(m_dir).empty());
        EXPECT_FALSE(test::DirExists(L"C:\\Ausserhalb"));
        // A virtual folder of the computer folder (Wine lists its control
        // panel there) has no path; where there is none, no node is selected.
        HTREEITEM hVirtual = TreeView_GetRoot(hTree);
        for (; hVirtual; hVirtual = TreeView_GetNextSibling(hTree, hVirtual)) {
            wchar_t text[MAX_PATH] = {};
            TVITEMW item = {};
            item.mask = TVIF_TEXT;
            item.hItem = hVirtual;
            item.pszText = text;
            item.cchTextMax = MAX_PATH;
            if (TreeView_GetItem(hTree, &item) && !wcsstr(text, L":)"))
                break;
        }
        TreeView_SelectItem(hTree, hVirtual);
        ClickButton(hDlg, IDC_CREATE_NEW_FOLDER);
        EXPECT_EQ(3u, log.Texts().size());
        EXPECT_EQ(LoadText(IDS_ENTER_VALID_PATH), log.Texts().back());
        ClickButton(hDlg, IDOK);
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(browse.Ran());
    EXPECT_EQ(CString(), dlg.GetPath()) << "OK on a folder without a path chooses nothing";
}

TEST_F(BrowseFolderDlgTest, EnlargingGrowsTheTreeAndKeepsTheButtonsAtTheirEdges)
{
    CBrowseFolderDlg dlg(nullptr);
    WindowScript browse(L"Browse", [&](HWND hDlg) {
        const int ids[] = {IDC_FOLDER_TREE, IDC_CREATE_NEW_FOLDER, IDOK};
        std::vector<LONG> moves;
        std::vector<RECT> before;
        for (int nId : ids)
            before.push_back(ClientRectOf(hDlg, nId));
        RECT window;
        GetWindowRect(hDlg, &window);
        SetWindowPos(hDlg, nullptr, 0, 0, window.right - window.left + 120, window.bottom - window.top + 90,
                     SWP_NOMOVE | SWP_NOZORDER);
        for (int i = 0; i < 3; ++i) {
            const RECT after = ClientRectOf(hDlg, ids[i]);
            moves.insert(moves.end(), {after.left - before[i].left, after.top - before[i].top,
                                       after.right - before[i].right, after.bottom - before[i].bottom});
        }
        // Left, top, right and bottom edges of the tree, the new-folder button and OK.
        EXPECT_EQ((std::vector<LONG>{0, 0, 120, 90, 0, 90, 0, 90, 120, 90, 120, 90}), moves);
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_TRUE(browse.Ran());
    EXPECT_EQ(CString(), dlg.GetPath());
}
