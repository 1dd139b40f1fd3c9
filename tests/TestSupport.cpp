#include "tests/TestSupport.h"

#include "framework/UniqueRegKey.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

void PrintTo(const CString& s, std::ostream* os)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, s.GetString(), s.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string utf8(n, '\0');
    if (n)
        WideCharToMultiByte(CP_UTF8, 0, s.GetString(), s.GetLength(), &utf8[0], n, nullptr, nullptr);
    *os << '"' << utf8 << '"';
}

namespace test {

TempDir::TempDir()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    for (;;) {
        CString candidate;
        candidate.Format(L"%sorvex-test-%lu-%ld", base, GetCurrentProcessId(), InterlockedIncrement(&counter));
        if (CreateDirectoryW(candidate, nullptr)) {
            m_path = candidate;
            return;
        }
    }
}

TempDir::~TempDir()
{
    RemoveTree(m_path);
}

CString TempDir::operator/(const wchar_t* name) const
{
    return m_path + L"\\" + name;
}

std::string ReadText(const CString& path)
{
    const std::vector<unsigned char> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<unsigned char> ReadBytes(const CString& path)
{
    std::vector<unsigned char> bytes;
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    unsigned char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), buf, buf + got);
    CloseHandle(h);
    return bytes;
}

void WriteBytes(const CString& path, const std::vector<unsigned char>& bytes)
{
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD done = 0;
    if (!bytes.empty())
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
}

void WriteText(const CString& path, const std::string& text)
{
    WriteBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

bool FileExists(const CString& path)
{
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const CString& path)
{
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const CString& path)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(path + L"\\*", &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            CString name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            CString full = path + L"\\" + name;
            SetFileAttributesW(full, FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path);
}

const wchar_t kSettingsKey[] = L"Software\\Tessaro\\ORVEX\\Settings";

UndoCreation::UndoCreation(HKEY hRoot, const CString& strPath) : m_hRoot(hRoot)
{
    // Built of the path's names, so that no run of backslashes names another key.
    CString prefix;
    for (int start = 0; start < strPath.GetLength();) {
        int end = strPath.Find(L'\\', start);
        if (end < 0)
            end = strPath.GetLength();
        if (end > start) {
            prefix += (prefix.IsEmpty() ? L"" : L"\\") + strPath.Mid(start, end - start);
            HKEY hKey = nullptr;
            if (RegOpenKeyExW(m_hRoot, prefix, 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
                m_missing = prefix;
                return;
            }
            RegCloseKey(hKey);
        }
        start = end + 1;
    }
}

UndoCreation::~UndoCreation()
{
    if (!m_missing.IsEmpty())
        RegDeleteTreeW(m_hRoot, m_missing);
}

StashedKey::StashedKey(HKEY hRoot, const CString& strPath) : m_undo(hRoot, strPath), m_hRoot(hRoot), m_path(strPath)
{
    static LONG counter = 0;
    m_stash.Format(L"Software\\OrvexTestStash\\%lu-%ld", GetCurrentProcessId(), InterlockedIncrement(&counter));
    while (m_path.GetLength() && m_path[m_path.GetLength() - 1] == L'\\')
        m_path = m_path.Left(m_path.GetLength() - 1);
    HKEY hSource = nullptr;
    if (RegOpenKeyExW(m_hRoot, m_path, 0, KEY_READ, &hSource) != ERROR_SUCCESS)
        return;
    UniqueRegKey source(hSource);
    HKEY hStash = nullptr;
    UniqueRegKey stash(RegCreateKeyW(HKEY_CURRENT_USER, m_stash, &hStash) ? nullptr : hStash);
    m_existed = RegCopyTreeW(source.Get(), nullptr, stash.Get()) == ERROR_SUCCESS;
    EXPECT_TRUE(m_existed) << "cannot move " << m_path << " aside";
    source.Reset();
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(m_hRoot, m_path));
}

StashedKey::~StashedKey()
{
    RegDeleteTreeW(m_hRoot, m_path);
    if (m_existed) {
        HKEY hStash = nullptr, hTarget = nullptr;
        UniqueRegKey stash(RegOpenKeyExW(HKEY_CURRENT_USER, m_stash, 0, KEY_READ, &hStash) ? nullptr : hStash);
        UniqueRegKey target(RegCreateKeyW(m_hRoot, m_path, &hTarget) ? nullptr : hTarget);
        EXPECT_EQ(ERROR_SUCCESS, RegCopyTreeW(stash.Get(), nullptr, target.Get())) << "cannot put " << m_path << " back";
        stash.Reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, m_stash);
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\OrvexTestStash");
}

void SetDataPath(const CString& path)
{
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"DataPath", REG_SZ, path.GetString(),
                                             static_cast<DWORD>((path.GetLength() + 1) * sizeof(wchar_t))));
}

std::vector<CString> SubDirectories(const CString& dir)
{
    std::vector<CString> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(dir + L"\\*", &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const CString name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

CString BuildDir()
{
    // The test programs lie in <build>\tests.
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    CString path = exe;
    path = path.Left(path.ReverseFind(L'\\'));
    return path.Left(path.ReverseFind(L'\\'));
}

CString ProgramPath(const wchar_t* exeName)
{
    return BuildDir() + L"\\" + exeName;
}

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

int RunProgram(const CString& exe, const CString& args, DWORD timeoutMs)
{
    CString cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe, cmd.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -2;
    cmd.ReleaseBuffer();
    int code = -1;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(pi.hProcess, &exitCode);
        code = static_cast<int>(exitCode);
    } else {
        TerminateProcess(pi.hProcess, 999);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

int RunUnixShell(const CString& workDir, const CString& command, DWORD timeoutMs)
{
    // Wine starts a Unix program but can neither wait for it nor tell its
    // exit code, so the shell leaves its status in a file, whole or not at all.
    const CString status = workDir + L"\\unix-status";
    CString cmd = L"sh -c \"" + command + L"; echo $? >unix-status.tmp; mv unix-status.tmp unix-status\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!FileExists(L"Z:\\bin\\sh") ||
        !CreateProcessW(L"Z:\\bin\\sh", cmd.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, workDir, &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (FileExists(status)) {
            std::vector<unsigned char> text = ReadBytes(status);
            DeleteFileW(status);
            return atoi(std::string(text.begin(), text.end()).c_str());
        }
        Sleep(50);
    }
    return -1;
}

} // namespace test
