#pragma once
// The one failure the demo installer reports: a readable message, shown by
// wmain before it exits with a non-zero code.

#include <windows.h>

#include <string>

class DemoError {
public:
    explicit DemoError(std::wstring message) : m_message(std::move(message)) {}

    // "what: <system text of error>" for a failed Win32 call.
    static DemoError FromWin32(const std::wstring& what, DWORD error);

    const std::wstring& Message() const { return m_message; }

private:
    std::wstring m_message;
};
