#include "tests/ui/UiTestSupport.h"

#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "framework/UniqueRegKey.h"
#include "installation/COrvexRegistry.h"
#include "tests/TestSupport.h"
#include "ui/CBrowseFolderDlg.h"

#include <algorithm>
#include <atomic>

namespace test {

namespace {

const wchar_t kHostClass[] = L"OrvexTestPageHost";

CString SettingsKey()
{
    return gRegistry.GetRegistryRoot() + L"Settings";
}

} // namespace

PageHost::PageHost(std::initializer_list<CPropertyPage*> pages)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    RegisterClassW(&wc);
    m_hWnd = CreateWindowExW(0, kHostClass, L"page host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 560, nullptr, nullptr,
                             GetModuleHandleW(nullptr), this);
    for (CPropertyPage* pPage : pages)
        m_sheet.AddPage(pPage);
    CWnd parent(m_hWnd);
    if (!m_sheet.Create(&parent, WS_CHILD | WS_VISIBLE))
        ADD_FAILURE() << "the property sheet could not be created";
}

PageHost::~PageHost()
{
    DestroyWindow(m_hWnd);
}

LRESULT CALLBACK PageHost::WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* pCreate = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pCreate->lpCreateParams));
    }
    auto* pThis = reinterpret_cast<PageHost*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (msg == WM_COMMAND && pThis)
        pThis->m_commands.push_back(LOWORD(wParam));
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

void Click(HWND hPage, int nId)
{
    SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hPage, nId)));
}

CString ItemText(HWND hPage, int nId)
{
    return CWnd::GetText(GetDlgItem(hPage, nId));
}

bool ItemEnabled(HWND hPage, int nId)
{
    return IsWindowEnabled(GetDlgItem(hPage, nId)) != FALSE;
}

void ToggleByKey(HWND hTree, CTreeItem* pItem)
{
    SendMessageW(hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(pItem->GetTreeItem()));
    SendMessageW(hTree, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(hTree, WM_KEYUP, VK_SPACE, 0);
}

MessageLog::MessageLog(std::initializer_list<int> answers) : m_answers(answers)
{
    InitializeCriticalSection(&m_lock);
    AfxSetMessageResponder([this](const CString& text, const CString& caption, UINT type) {
        EnterCriticalSection(&m_lock);
        bool visible = m_phWatched && *m_phWatched && IsWindowVisible(*m_phWatched);
        m_messages.push_back({text, caption, type, visible});
        int answer = IDOK;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        LeaveCriticalSection(&m_lock);
        return answer;
    });
}

MessageLog::~MessageLog()
{
    AfxSetMessageResponder(nullptr);
    DeleteCriticalSection(&m_lock);
}

std::vector<SMessage> MessageLog::Messages() const
{
    EnterCriticalSection(&m_lock);
    std::vector<SMessage> copy = m_messages;
    LeaveCriticalSection(&m_lock);
    return copy;
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

FolderChoices::~FolderChoices()
{
    CBrowseFolderDlg::SetResponder(nullptr);
}

CString LoadText(UINT nId)
{
    CString text;
    text.LoadString(nId);
    return text;
}

DataPathOverride::DataPathOverride(const CString& strDataDir)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKey(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "the settings key could not be opened";
        return;
    }
    UniqueRegKey key(hKey);
    wchar_t buffer[1024];
    DWORD bytes = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(hKey, L"DataPath", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
        buffer[bytes / sizeof(wchar_t)] = L'\0';
        m_bHadValue = true;
        m_oldValue = buffer;
    }
    CString value = strDataDir;
    RegSetValueExW(hKey, L"DataPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.GetString()),
                   static_cast<DWORD>((value.GetLength() + 1) * sizeof(wchar_t)));
}

DataPathOverride::~DataPathOverride()
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SettingsKey(), 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return;
    UniqueRegKey key(hKey);
    if (m_bHadValue)
        RegSetValueExW(hKey, L"DataPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_oldValue.c_str()),
                       static_cast<DWORD>((m_oldValue.size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(hKey, L"DataPath");
}

void MakePatientFile(const CString& dataDir, const wchar_t* patient, const wchar_t* caseName, const wchar_t* file,
                     size_t nBytes)
{
    CString patientDir = dataDir + L"\\" + patient;
    CString caseDir = patientDir + L"\\" + caseName;
    CreateDirectoryW(dataDir, nullptr);
    CreateDirectoryW(patientDir, nullptr);
    CreateDirectoryW(caseDir, nullptr);
    std::vector<unsigned char> bytes(nBytes);
    for (size_t i = 0; i < nBytes; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    WriteBytes(caseDir + L"\\" + file, bytes);
}

int MakeDemoInstallation(const CString& args)
{
    return RunProgram(ProgramPath(L"MakeDemoInstallation.exe"), args, 120000);
}

std::vector<CString> SubDirectories(const CString& dir)
{
    std::vector<CString> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(dir + L"\\*", &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        CString name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

int ReadBackupIni(const CString& backupDir, const wchar_t* key)
{
    return static_cast<int>(GetPrivateProfileIntW(L"Backup", key, -1, backupDir + L"\\Backup.ini"));
}

namespace {

// Question dialogs the test did not expect; answered with Cancel so that no
// test waits for a window nobody answers.
std::atomic<int> gUnexpectedQuestions{0};

} // namespace

void UiTest::SetUp()
{
    gUnexpectedQuestions = 0;
    AfxSetDialogResponder([](UINT, const CString&) {
        ++gUnexpectedQuestions;
        return SDialogAnswer{IDCANCEL, FALSE};
    });
    gAutomatedMode = gSelectModifiedOnly = gDeleteRestorations = FALSE;
    gBackupTiffImages = gVerifyAfterBackup = gRememberChoice = gOverwriteChoice = FALSE;
    gTargetPath = L"";
    gUnattendedOutcome = 0;
}

void UiTest::TearDown()
{
    AfxSetDialogResponder(nullptr);
    EXPECT_EQ(0, gUnexpectedQuestions.load()) << "a question dialog came up";
    gAutomatedMode = gSelectModifiedOnly = gDeleteRestorations = FALSE;
    gBackupTiffImages = gVerifyAfterBackup = gRememberChoice = gOverwriteChoice = FALSE;
    gTargetPath = L"";
    gUnattendedOutcome = 0;
}

} // namespace test
