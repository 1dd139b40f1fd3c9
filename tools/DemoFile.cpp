#include "tools/DemoFile.h"

#include "tools/DemoError.h"

#include <algorithm>

DemoFile::DemoFile(const std::wstring& path) : m_path(path)
{
    const DWORD access = GENERIC_WRITE | FILE_WRITE_ATTRIBUTES;
    m_handle = CreateFileW(path.c_str(), access, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        // CREATE_ALWAYS refuses to replace a read-only or hidden file, which a
        // restore or a user may have left behind.
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        m_handle = CreateFileW(path.c_str(), access, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    }
    if (m_handle == INVALID_HANDLE_VALUE)
        throw DemoError::FromWin32(L"cannot create " + path, GetLastError());
}

DemoFile::~DemoFile()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
}

void DemoFile::Write(const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(m_handle, p, chunk, &written, nullptr) || written != chunk)
            throw DemoError::FromWin32(L"cannot write " + m_path, GetLastError());
        p += chunk;
        size -= chunk;
    }
}

void DemoFile::SetTime(const FILETIME& time)
{
    if (!SetFileTime(m_handle, &time, &time, &time))
        throw DemoError::FromWin32(L"cannot set the time of " + m_path, GetLastError());
}

void DemoFile::MakeDirectory(const std::wstring& path)
{
    if (CreateDirectoryW(path.c_str(), nullptr))
        return;
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) {
        size_t slash = path.find_last_of(L'\\');
        if (slash != std::wstring::npos && slash > 0) {
            MakeDirectory(path.substr(0, slash));
            if (CreateDirectoryW(path.c_str(), nullptr))
                return;
            error = GetLastError();
        }
    }
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    throw DemoError::FromWin32(L"cannot create directory " + path, error);
}
