// The folder browser as the user meets it: the real dialog under the pages'
// Browse buttons, its tree walked node by node, a folder created through the
// real name dialog, and its layout when the user enlarges it.

#include "app/BackupDialog.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CBrowseFolderDlg.h"
#include "ui/CPropPageBackup.h"
#include "ui/CPropPageRestore.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using test::ItemText;
using test::LoadText;

namespace {

// Runs a script on the first visible window of this thread with the caption,
// from inside whatever modal loop shows it. A window the script leaves open
// is cancelled, so a failed test does not hang in the dialog.
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
    WindowScript(const WindowScript&) = delete;
    WindowScript& operator=(const WindowScript&) = delete;

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
        if (it == Pending().end())
            return;
        WindowScript* pThis = it->second;
        HWND hWnd = pThis->Find();
        if (!hWnd)
            return;
        KillTimer(nullptr, nTimer);
        Pending().erase(it);
        pThis->m_bRan = true;
        pThis->m_script(hWnd);
        if (IsWindow(hWnd) && IsWindowVisible(hWnd))
            PostMessageW(hWnd, WM_COMMAND, IDCANCEL, 0);
    }

    HWND Find() const
    {
        struct SSearch {
            const wchar_t* caption;
            HWND found;
        } search = {m_caption, nullptr};
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hWnd, LPARAM lParam) -> BOOL {
                auto* p = reinterpret_cast<SSearch*>(lParam);
                if (!IsWindowVisible(hWnd) || CWnd::GetText(hWnd) != p->caption)
                    return TRUE;
                p->found = hWnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    const wchar_t* m_caption;
    std::function<void(HWND)> m_script;
    UINT_PTR m_nTimer = 0;
    bool m_bRan = false;
};

// A directory right below C:\, so the tree reaches it in two steps.
class DriveRootDir {
public:
    DriveRootDir()
    {
        // Process ids repeat under Wine; a directory left by a killed run is skipped.
        static int counter = 0;
        do
            m_path.Format(L"C:\\orvex-browse-%lu-%d", GetCurrentProcessId(), ++counter);
        while (!CreateDirectoryW(m_path, nullptr));
    }
    ~DriveRootDir() { test::RemoveTree(m_path); }
    DriveRootDir(const DriveRootDir&) = delete;
    DriveRootDir& operator=(const DriveRootDir&) = delete;

    const CString& Path() const { return m_path; }
    CString operator/(const wchar_t* name) const { return CDirectory::Concat(m_path, name); }

private:
    CString m_path;
};

CString NodeText(HWND hTree, HTREEITEM hItem)
{
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageW(hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

HTREEITEM FindChild(HWND hTree, HTREEITEM hParent, std::function<bool(const CString&)> match)
{
    HTREEITEM hChild = TreeView_GetChild(hTree, hParent);
    for (; hChild; hChild = TreeView_GetNextSibling(hTree, hChild)) {
        if (match(NodeText(hTree, hChild)))
            return hChild;
    }
    return nullptr;
}

// Opens the tree down to a folder as the user does, one level at a time, and
// selects it; null when a level is missing.
HTREEITEM SelectFolder(HWND hTree, const CString& path)
{
    const CString drive = L"(" + path.Left(2) + L")";
    HTREEITEM hItem = FindChild(hTree, TVI_ROOT, [&](const CString& text) { return text.Find(drive) >= 0; });
    for (int start = 3; hItem && start < path.GetLength();) {
        int end = path.Find(L'\\', start);
        if (end < 0)
            end = path.GetLength();
        const CString name = CDirectory::CreateFileNameForDisplay(path.Mid(start, end - start));
        TreeView_Expand(hTree, hItem, TVE_EXPAND);
        hItem = FindChild(hTree, hItem, [&](const CString& text) { return text.CompareNoCase(name) == 0; });
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

// Answers the name dialog with a name (Cancel when it is null).
WindowScript AnswerNameDialog(const wchar_t* name)
{
    return WindowScript(L"Dialog", [name](HWND hDlg) {
        EXPECT_EQ(CString(L"Please enter the name for the new folder:"), CWnd::GetText(GetWindow(hDlg, GW_CHILD)));
        if (!name) {
            ClickButton(hDlg, IDCANCEL);
            return;
        }
        SetDlgItemTextW(hDlg, IDC_FOLDER_NAME, name);
        ClickButton(hDlg, IDOK);
    });
}

RECT ClientRectOf(HWND hDlg, int nId)
{
    RECT rect;
    HWND hCtrl = GetDlgItem(hDlg, nId);
    GetWindowRect(hCtrl, &rect);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class BrowseFolderDlgTest : public test::UiTest {
protected:
    DriveRootDir m_dir;
};

} // namespace

TEST_F(BrowseFolderDlgTest, BackupPageTakesAFolderCreatedInTheBrowser)
{
    ASSERT_TRUE(CreateDirectoryW(m_dir / L"Sicherungen", nullptr));
    CPropPageBackup page;
    test::PageHost host({&page});
    SetDlgItemTextW(page.m_hWnd, IDC_MEDIA_PATH, L"R:\\");
    const CString diskName = CDirectory::CreateFileNameForDisk(L"Praxis: Mai?");

    WindowScript browse(L"Browse", [&](HWND hDlg) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(hDlg, IDC_CREATE_NEW_FOLDER)));
        HWND hTree = GetDlgItem(hDlg, IDC_FOLDER_TREE);
        ASSERT_NE(nullptr, SelectFolder(hTree, m_dir / L"Sicherungen"));
        {
            WindowScript name = AnswerNameDialog(L"Praxis: Mai?");
            ClickButton(hDlg, IDC_CREATE_NEW_FOLDER);
            EXPECT_TRUE(name.Ran());
        }
        EXPECT_TRUE(test::DirExists(m_dir / L"Sicherungen\\" + diskName)) << "created under its disk name";
        // The refill recreated the node; the user opens it again and finds the new folder.
        ASSERT_NE(nullptr, SelectFolder(hTree, m_dir / L"Sicherungen\\" + diskName));
        ClickButton(hDlg, IDOK);
    });
    test::Click(page.m_hWnd, IDC_BROWSE);
    ASSERT_TRUE(browse.Ran());
    EXPECT_EQ(m_dir / L"Sicherungen\\" + diskName, ItemText(page.m_hWnd, IDC_MEDIA_PATH));
}

TEST_F(BrowseFolderDlgTest, RestorePageOpensABackupChosenInTheBrowser)
{
    test::TempDir data;
    test::DataPathOverride dataPath(data.Path());
    test::MakePatientFile(data.Path(), L"Anna", L"2023-05-02_Krone", L"scan.dat", 3000);
    const CString backup = m_dir / L"Sicherung 1";
    {
        CBackupItemRoot* pRoot = new CBackupItemRoot;
        pRoot->BuildForBackup();
        pRoot->SelectAll();
        test::MessageLog log;
        {
            CBackupDialog progress(backup, pRoot, TRUE);
            progress.DoModal();
        }
        pRoot->DeleteFromTree(nullptr);
        ASSERT_EQ((std::vector<CString>{LoadText(IDS_BACKUP_SUCCEEDED)}), log.Texts());
    }
    CPropPageRestore page;
    test::PageHost host({&page});
    test::MessageLog log;
    WindowScript browse(L"Browse", [&](HWND hDlg) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(hDlg, IDC_CREATE_NEW_FOLDER))) << "no folder is made to restore from";
        ASSERT_NE(nullptr, SelectFolder(GetDlgItem(hDlg, IDC_FOLDER_TREE), backup));
        ClickButton(hDlg, IDOK);
    });
    test::Click(page.m_hWnd, IDC_BROWSE);
    ASSERT_TRUE(browse.Ran());
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(CDirectory::CreateFileNameForDisplay(backup), ItemText(page.m_hWnd, IDC_MEDIA_PATH));
    EXPECT_LT(0, page.GetRoot()->GetChildren().GetSize());
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

        ASSERT_NE(nullptr, SelectFolder(hTree, m_dir.Path()));
        {
            WindowScript name = AnswerNameDialog(nullptr);
            ClickButton(hDlg, IDC_CREATE_NEW_FOLDER);
            EXPECT_TRUE(name.Ran());
        }
        {
            WindowScript name = AnswerNameDialog(L"..\\Ausserhalb");
            ClickButton(hDlg, IDC_CREATE_NEW_FOLDER);
            EXPECT_TRUE(name.Ran());
        }
        EXPECT_EQ(LoadText(IDS_NEW_FOLDER_NAME_INVALID), log.Texts().back());
        EXPECT_TRUE(test::SubDirectories(m_dir.Path()).empty());
        EXPECT_FALSE(test::DirExists(L"C:\\Ausserhalb"));
        TreeView_SelectItem(hTree, nullptr);
        ClickButton(hDlg, IDOK);
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(browse.Ran());
    EXPECT_EQ(CString(), dlg.GetPath()) << "OK without a selection chooses nothing";
}

TEST_F(BrowseFolderDlgTest, EnlargingGrowsTheTreeAndKeepsTheButtonsAtTheirEdges)
{
    CBrowseFolderDlg dlg(nullptr);
    WindowScript browse(L"Browse", [&](HWND hDlg) {
        const RECT tree = ClientRectOf(hDlg, IDC_FOLDER_TREE);
        const RECT create = ClientRectOf(hDlg, IDC_CREATE_NEW_FOLDER);
        const RECT ok = ClientRectOf(hDlg, IDOK);
        RECT window;
        GetWindowRect(hDlg, &window);
        SetWindowPos(hDlg, nullptr, 0, 0, window.right - window.left + 120, window.bottom - window.top + 90,
                     SWP_NOMOVE | SWP_NOZORDER);
        const RECT tree2 = ClientRectOf(hDlg, IDC_FOLDER_TREE);
        const RECT create2 = ClientRectOf(hDlg, IDC_CREATE_NEW_FOLDER);
        const RECT ok2 = ClientRectOf(hDlg, IDOK);
        EXPECT_EQ(tree.left, tree2.left);
        EXPECT_EQ(tree.top, tree2.top);
        EXPECT_EQ(tree.right + 120, tree2.right);
        EXPECT_EQ(tree.bottom + 90, tree2.bottom);
        EXPECT_EQ(create.left, create2.left);
        EXPECT_EQ(create.top + 90, create2.top);
        EXPECT_EQ(create.right, create2.right);
        EXPECT_EQ(ok.left + 120, ok2.left);
        EXPECT_EQ(ok.bottom + 90, ok2.bottom);
        EXPECT_EQ(ok.right - ok.left, ok2.right - ok2.left);
        ClickButton(hDlg, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_TRUE(browse.Ran());
    EXPECT_EQ(CString(), dlg.GetPath());
}
