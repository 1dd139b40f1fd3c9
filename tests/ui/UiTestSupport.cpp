#include "tests/ui/UiTestSupport.h"

#include "app/BackupDialog.h"
#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "res/resource.h"
#include "tests/TestSupport.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace test {

namespace {

// Question dialogs the test did not expect; answered with Cancel so that no
// test waits for a window nobody answers.
std::atomic<int> gUnexpectedQuestions{0};

} // namespace

PageHost::PageHost(std::initializer_list<CPropertyPage*> pages)
{
    m_hWnd = CreateWindowExW(0, L"Static", L"page host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 560, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    for (CPropertyPage* pPage : pages)
        m_sheet.AddPage(pPage);
    CWnd parent(m_hWnd);
    if (!m_sheet.Create(&parent, WS_CHILD | WS_VISIBLE))
        ADD_FAILURE() << "the property sheet could not be created";
}

void Click(HWND hPage, int nId)
{
    SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hPage, nId)));
}

bool FocusedAndSelected(HWND hDlg, int nId)
{
    HWND hEdit = GetDlgItem(hDlg, nId);
    DWORD nStart = 0;
    DWORD nEnd = 0;
    SendMessageW(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&nStart), reinterpret_cast<LPARAM>(&nEnd));
    return GetFocus() == hEdit && nStart == 0 && nEnd == static_cast<DWORD>(GetWindowTextLengthW(hEdit));
}

bool WindowManagerRunning(CString* pWhyNot)
{
    // Written by the fixture (tests/window-manager) when it could not start one.
    const CString unavailable = BuildDir() + L"\\wm\\wm-unavailable";
    if (!FileExists(unavailable))
        return true;
    const std::vector<unsigned char> why = ReadBytes(unavailable);
    *pWhyNot = CString(std::string(why.begin(), why.end()).c_str());
    return false;
}

void ToggleByKey(HWND hTree, CTreeItem* pItem)
{
    SendMessageW(hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(pItem->GetTreeItem()));
    SendMessageW(hTree, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(hTree, WM_KEYUP, VK_SPACE, 0);
}

MessageLog::MessageLog(std::initializer_list<int> answers) : m_answers(answers)
{
    AfxSetMessageResponder([this](HWND hOwner, const CString& text, const CString& caption, UINT type) {
        std::lock_guard<std::mutex> lock(m_mutex);
        bool visible = m_phWatched && *m_phWatched && IsWindowVisible(*m_phWatched);
        m_messages.push_back({text, caption, type, visible, hOwner});
        int answer = IDOK;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        return answer;
    });
}

std::vector<SMessage> MessageLog::Messages() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

std::vector<CString> MessageLog::Texts() const
{
    std::vector<CString> texts;
    for (const SMessage& m : Messages())
        texts.push_back(m.text);
    return texts;
}

FolderChoices::FolderChoices(std::initializer_list<CString> folders) : m_folders(folders)
{
    CBrowseFolderDlg::SetResponder([this](BOOL bShowNewFolder, CString& strPath) -> INT_PTR {
        m_newFolderOffered.push_back(bShowNewFolder);
        if (m_folders.empty())
            return IDCANCEL;
        const CString strFolder = m_folders.front();
        m_folders.pop_front();
        if (strFolder.IsEmpty())
            return IDCANCEL;
        strPath = strFolder;
        return IDOK;
    });
}

void MakePatientFile(const CString& dataDir, const wchar_t* patient, const wchar_t* caseName, const wchar_t* file,
                     size_t nBytes)
{
    const CString caseDir = dataDir + L"\\" + patient + L"\\" + caseName;
    SHCreateDirectoryExW(nullptr, caseDir, nullptr);
    std::vector<unsigned char> bytes(nBytes);
    for (size_t i = 0; i < nBytes; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    WriteBytes(caseDir + L"\\" + file, bytes);
}

void MakeBackup(const CString& backup)
{
    CBackupItemRoot* pRoot = new CBackupItemRoot;
    pRoot->BuildForBackup();
    pRoot->SelectAll();
    MessageLog log;
    {
        CBackupDialog progress(backup, pRoot, TRUE);
        progress.DoModal();
    }
    pRoot->DeleteFromTree(nullptr);
    EXPECT_EQ((std::vector<CString>{LoadText(IDS_BACKUP_SUCCEEDED)}), log.Texts()) << "backup into " << backup;
}

void UiTest::SetUp()
{
    gUnexpectedQuestions = 0;
    AfxSetDialogResponder([](HWND, UINT, const CString&) {
        ++gUnexpectedQuestions;
        return SDialogAnswer{IDCANCEL, FALSE};
    });
    test::ResetFlags();
}

void UiTest::TearDown()
{
    AfxSetDialogResponder(nullptr);
    EXPECT_EQ(0, gUnexpectedQuestions.load()) << "a question dialog came up";
    test::ResetFlags();
}

} // namespace test
