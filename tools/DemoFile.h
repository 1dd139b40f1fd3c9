#pragma once
// A file created (or truncated) for writing; closed when the object goes.
// Every failure throws DemoError naming the file.

#include <windows.h>

#include <string>

class DemoFile {
public:
    explicit DemoFile(const std::wstring& path);
    ~DemoFile();
    DemoFile(const DemoFile&) = delete;
    DemoFile& operator=(const DemoFile&) = delete;

    void Write(const void* data, size_t size);
    void SetTime(const FILETIME& time);

    // Creates a directory and its missing parents; an existing one is fine.
    static void MakeDirectory(const std::wstring& path);

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    std::wstring m_path;
};
