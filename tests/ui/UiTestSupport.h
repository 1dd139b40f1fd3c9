#pragma once
// What the tests of the pages and dialogs share: pages in a real property
// sheet, recorded message boxes with scripted answers, scripted folder
// choices, a live installation of real files and the real registry, and a
// fixture that resets the process-wide state.

#include "framework/CPropertySheet.h"
#include "framework/MessageBox.h"
#include "framework/CString.h"
#include "items/CTreeItem.h"
#include "tests/RunFlags.h"
#include "tests/TestSupport.h"
#include "ui/CBrowseFolderDlg.h"

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace test {

// A hidden top-level window holding a property sheet with the given pages, as
// the main dialog holds its sheet. The first page is created at once; the
// others when they are activated.
class PageHost {
public:
    explicit PageHost(std::initializer_list<CPropertyPage*> pages);
    ~PageHost() { DestroyWindow(m_hWnd); }

private:
    HWND m_hWnd = nullptr;
    CPropertySheet m_sheet;
};

// Clicks a button of a page as the user does: the page hears BN_CLICKED with
// the button's window, whether or not the button is enabled.
void Click(HWND hPage, int nId);
inline CString ItemText(HWND hPage, int nId) { return CWnd::GetText(GetDlgItem(hPage, nId)); }
inline bool ItemEnabled(HWND hPage, int nId) { return IsWindowEnabled(GetDlgItem(hPage, nId)) != FALSE; }
// Whether the field has the keyboard focus with its whole text selected, as
// after a refused input that the user has to correct there.
bool FocusedAndSelected(HWND hDlg, int nId);
// Toggles an item's check box as the user does with the keyboard: selects its
// node in the tree control and presses the space key there.
void ToggleByKey(HWND hTree, CTreeItem* pItem);

// One message box as the program asked for it.
struct SMessage {
    CString text;
    CString caption;
    UINT type;
    // Whether the window given (see WatchWindow) was visible when the box came.
    bool watchedVisible;
    // The window the box belonged to.
    HWND hOwner;
};

// Records every message box (from any thread) and answers each with the next
// scripted answer, IDOK once the script is used up. Installed for its lifetime.
class MessageLog {
public:
    explicit MessageLog(std::initializer_list<int> answers = {});
    ~MessageLog() { AfxSetMessageResponder(nullptr); }

    std::vector<SMessage> Messages() const;
    std::vector<CString> Texts() const;
    // Notes at every box whether this window is visible then.
    void WatchWindow(HWND* phWnd) { m_phWatched = phWnd; }

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::vector<SMessage> m_messages;
    HWND* m_phWatched = nullptr;
};

// Answers the folder browser with scripted folders (an empty one: cancelled)
// and records whether each request showed the new-folder button.
class FolderChoices {
public:
    explicit FolderChoices(std::initializer_list<CString> folders);
    ~FolderChoices() { CBrowseFolderDlg::SetResponder(nullptr); }

    const std::vector<BOOL>& NewFolderOffered() const { return m_newFolderOffered; }

private:
    std::deque<CString> m_folders;
    std::vector<BOOL> m_newFolderOffered;
};

inline CString LoadText(UINT nId)
{
    CString text;
    text.LoadString(nId);
    return text;
}

// Points the installation's DataPath at a directory for the object's lifetime,
// in a settings key of its own; the old key comes back afterwards.
class DataPathOverride {
public:
    explicit DataPathOverride(const CString& strDataDir) { SetDataPath(strDataDir); }

private:
    StashedKey m_settings{HKEY_LOCAL_MACHINE, kSettingsKey};
};

// One patient with one case holding one data file of exactly nBytes bytes,
// below dataDir: <dataDir>\<patient>\<case>\<file>.
void MakePatientFile(const CString& dataDir, const wchar_t* patient, const wchar_t* caseName, const wchar_t* file,
                     size_t nBytes);

// A backup of the whole live installation into the folder, made by the
// program's own driver and progress dialog.
void MakeBackup(const CString& backup);

// An integer of a backup's Backup.ini; -1 when missing.
inline int ReadBackupIni(const CString& backupDir, const wchar_t* key)
{
    return static_cast<int>(GetPrivateProfileIntW(L"Backup", key, -1, backupDir + L"\\Backup.ini"));
}

// Resets the process-wide flags before and after each test, and fails a test
// in which a question dialog (the overwrite question) came up unasked.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// TRUE when the test fixture runs a window manager on the display, as on a
// desktop; otherwise FALSE with the reason (for a skip message).
bool WindowManagerRunning(CString* pWhyNot);

} // namespace test
