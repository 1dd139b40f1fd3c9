// The folder browser as the user meets it, with a window manager on the
// display: the real dialog under the pages' Browse buttons (a restore through
// the real main dialog, whose page keys switch the pages), its tree walked
// node by node, a folder created through the real name dialog, and its
// painting when the user enlarges it (where it moves is the resizable
// dialog's test).

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

#include <shlobj.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

using test::ItemText;
using test::LoadText;

namespace {

// Runs a script on the visible dialog with the caption, from inside whatever
// modal loop shows it. A dialog the script leaves open is cancelled, so a
// failed test does not hang in it, unless the script is one step of several.
class WindowScript {
public:
    WindowScript(const wchar_t* caption, std::function<void(HWND)> script, bool bLastStep = true)
        : m_caption(caption), m_script(script), m_bLastStep(bLastStep)
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
        if (pThis->m_bLastStep && IsWindow(hWnd) && IsWindowVisible(hWnd))
            PostMessageW(hWnd, WM_COMMAND, IDCANCEL, 0);
    }

    const wchar_t* m_caption;
    std::function<void(HWND)> m_script;
    bool m_bLastStep;
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

// The path of the selected node, from its item ID list; empty without one.
CString SelectedPath(HWND hTree)
{
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = TreeView_GetSelection(hTree);
    wchar_t path[MAX_PATH] = {};
    if (!item.hItem || !TreeView_GetItem(hTree, &item) || !item.lParam ||
        !SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(item.lParam), path))
        return CString();
    return path;
}

void ClickButton(HWND hDlg, int nId)
{
    SendMessageW(GetDlgItem(hDlg, nId), BM_CLICK, 0, 0);
}

// Presses the keys in order and lets them go in reverse, as the user does.
void Type(const std::vector<WORD>& keys)
{
    std::vector<INPUT> inputs(2 * keys.size(), INPUT{INPUT_KEYBOARD, {}});
    for (size_t i = 0, n = inputs.size(); i < keys.size(); ++i) {
        inputs[i].ki.wVk = inputs[n - 1 - i].ki.wVk = keys[i];
        inputs[n - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

POINT CentreOf(HWND hWnd)
{
    RECT rect;
    GetWindowRect(hWnd, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// Clicks the new-folder button and answers the name dialog, centred on the
// browser, with the name (Cancel when it is null). A name the dialog refuses
// stays in its field to be corrected: that text is returned, and the dialog
// is cancelled.
CString NewFolder(HWND hBrowser, const wchar_t* name)
{
    CString kept;
    WindowScript script(L"New Folder", [&](HWND hDlg) {
        EXPECT_EQ(CString(L"Please enter the name for the new folder:"), CWnd::GetText(GetWindow(hDlg, GW_CHILD)));
        const POINT centre = CentreOf(hDlg);
        const POINT browser = CentreOf(hBrowser);
        EXPECT_LE(std::abs(centre.x - browser.x) + std::abs(centre.y - browser.y), 2) << "centred on the browser";
        if (name)
            SetDlgItemTextW(hDlg, IDC_FOLDER_NAME, name);
        ClickButton(hDlg, name ? IDOK : IDCANCEL);
        if (IsWindowVisible(hDlg)) {
            kept = CWnd::GetText(GetDlgItem(hDlg, IDC_FOLDER_NAME));
            EXPECT_TRUE(test::FocusedAndSelected(hDlg, IDC_FOLDER_NAME));
            ClickButton(hDlg, IDCANCEL);
        }
    });
    ClickButton(hBrowser, IDC_CREATE_NEW_FOLDER);
    EXPECT_TRUE(script.Ran());
    return kept;
}

RECT ClientRectOf(HWND hDlg, int nId)
{
    RECT rect;
    HWND hCtrl = GetDlgItem(hDlg, nId);
    GetWindowRect(hCtrl, &rect);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The pixels of the dialog's window within a control's place that differ
// from the plain face colour: a painted button shows its edges and text.
int DrawnPixels(HWND hDlg, int nId)
{
    const RECT rect = ClientRectOf(hDlg, nId);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    HDC hdc = GetDC(hDlg);
    int nDrawn = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x)
            nDrawn += GetPixel(hdc, x, y) != face;
    }
    ReleaseDC(hDlg, hdc);
    return nDrawn;
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

TEST_F(BrowseFolderDlgTest, BackupPageOpensTheBrowserAtItsMediaFolderAndTakesTheFolderCreatedThere)
{
    CString whyNot;
    if (!test::WindowManagerRunning(&whyNot))
        GTEST_SKIP() << "no window manager on the display: " << whyNot;
    const CString media = m_dir + L"\\Sicherungen";
    ASSERT_TRUE(CreateDirectoryW(media, nullptr));
    CPropPageBackup page;
    test::PageHost host({&page});
    // Typed with "/", which Windows takes for the separator.
    CString typed = media;
    typed.Replace(L'\\', L'/');
    SetDlgItemTextW(page.m_hWnd, IDC_MEDIA_PATH, typed);
    const CString created = media + L"\\" + CDirectory::CreateFileNameForDisk(L"Praxis: Mai?");

    WindowScript browse(L"Browse", [&](HWND hDlg) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(hDlg, IDC_CREATE_NEW_FOLDER)));
        HWND hTree = GetDlgItem(hDlg, IDC_FOLDER_TREE);
        // Anywhere else the new folder would be asked for where none can be made.
        ASSERT_EQ(media, SelectedPath(hTree)) << "opened at the page's media folder";
        EXPECT_EQ(hTree, GetFocus());
        EXPECT_EQ(CString(), NewFolder(hDlg, L"Praxis: Mai?"));
        EXPECT_TRUE(test::DirExists(created)) << "created under its disk name";
        // Shown and selected: OK takes what the user sees selected.
        EXPECT_EQ(created, SelectedPath(hTree));
        RECT rect;
        EXPECT_TRUE(TreeView_GetItemRect(hTree, TreeView_GetSelection(hTree), &rect, TRUE)) << "not expanded to";
        EXPECT_EQ(hTree, GetFocus());
        ClickButton(hDlg, IDOK);
    });
    test::Click(page.m_hWnd, IDC_BROWSE);
    ASSERT_TRUE(browse.Ran());
    EXPECT_EQ(created, ItemText(page.m_hWnd, IDC_MEDIA_PATH));
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
    const wchar_t* const kMain = L"ORVEX Backup Version 1.0";
    // The page keys, typed one after the other; the dialog's own loop handles
    // each before the next step looks at the page shown.
    const std::vector<std::vector<WORD>> keys = {
        {VK_CONTROL, VK_NEXT}, {VK_CONTROL, VK_TAB}, {VK_CONTROL, VK_TAB}, {VK_CONTROL, VK_SHIFT, VK_TAB},
        {VK_CONTROL, VK_PRIOR}};
    std::vector<int> pages;
    std::vector<std::unique_ptr<WindowScript>> steps;
    std::function<void(size_t)> typeKeys;
    std::function<void()> restore;
    typeKeys = [&](size_t i) {
        if (i > 0)
            pages.push_back(dlg.GetSheet().GetActiveIndex());
        if (i == keys.size()) {
            restore();
            return;
        }
        Type(keys[i]);
        steps.push_back(std::make_unique<WindowScript>(kMain, [&, i](HWND) { typeKeys(i + 1); }, i + 1 == keys.size()));
    };
    WindowScript main(kMain, [&](HWND hMain) {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(hMain, MONITOR_DEFAULTTOPRIMARY), &monitor);
        const POINT centre = CentreOf(hMain);
        EXPECT_LE(std::abs(centre.x - (monitor.rcWork.left + monitor.rcWork.right) / 2) +
                      std::abs(centre.y - (monitor.rcWork.top + monitor.rcWork.bottom) / 2),
                  2)
            << "the main dialog opens centred";
        typeKeys(0);
    }, false);
    restore = [&] {
        HWND hBackup = dlg.GetBackupPage().m_hWnd;
        HWND hRestore = dlg.GetRestorePage().m_hWnd;
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
    };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    ASSERT_TRUE(main.Ran());
    EXPECT_EQ((std::vector<int>{1, 2, 0, 2, 1}), pages) << "Ctrl+PageDown, Ctrl+Tab twice, Ctrl+Shift+Tab, Ctrl+PageUp";
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
        EXPECT_EQ(CString(), NewFolder(hDlg, nullptr));
        EXPECT_EQ(CString(L"..\\Ausserhalb"), NewFolder(hDlg, L"..\\Ausserhalb"));
        EXPECT_EQ(LoadText(IDS_NEW_FOLDER_NAME_INVALID), log.Texts().back());
        EXPECT_TRUE(test::SubDirectories(m_dir).empty());
        EXPECT_FALSE(test::DirExists(L"C:\\Ausserhalb"));
        // A folder read once is not read again when it opens a second time.
        const HTREEITEM hDrive = TreeView_GetParent(hTree, SelectFolder(hTree, m_dir));
        const HTREEITEM hFirst = TreeView_GetChild(hTree, hDrive);
        TreeView_Expand(hTree, hDrive, TVE_COLLAPSE);
        TreeView_SetItemState(hTree, hDrive, 0, TVIS_EXPANDEDONCE);
        TreeView_Expand(hTree, hDrive, TVE_EXPAND);
        EXPECT_EQ(hFirst, TreeView_GetChild(hTree, hDrive));
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

TEST_F(BrowseFolderDlgTest, EnlargedItsButtonsArePaintedAtTheirNewPlacesAtOnce)
{
    CBrowseFolderDlg dlg(nullptr);
    WindowScript browse(L"Browse", [&](HWND hDlg) {
        RECT window;
        GetWindowRect(hDlg, &window);
        SetWindowPos(hDlg, nullptr, 0, 0, window.right - window.left + 120, window.bottom - window.top + 90,
                     SWP_NOMOVE | SWP_NOZORDER);
        UpdateWindow(hDlg);
        for (int nId : {IDC_CREATE_NEW_FOLDER, IDOK, IDCANCEL})
            EXPECT_LT(100, DrawnPixels(hDlg, nId)) << "button " << nId;
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_TRUE(browse.Ran());
}
