#pragma once
// An open registry key, created on demand, closed when the object goes.
// Every failure throws DemoError naming the key.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class DemoRegKey {
public:
    // Creates (or opens) root\path in the 64-bit registry view.
    DemoRegKey(HKEY root, const std::wstring& path);
    ~DemoRegKey();
    DemoRegKey(const DemoRegKey&) = delete;
    DemoRegKey& operator=(const DemoRegKey&) = delete;

    DemoRegKey SubKey(const std::wstring& name) const { return DemoRegKey(m_key, name, m_name + L"\\" + name); }

    // An empty name sets the key's default value.
    void SetString(const std::wstring& name, const std::wstring& value) const;
    void SetExpandString(const std::wstring& name, const std::wstring& value) const;
    void SetMultiString(const std::wstring& name, const std::vector<std::wstring>& values) const;
    void SetDword(const std::wstring& name, DWORD value) const;
    void SetQword(const std::wstring& name, uint64_t value) const;
    void SetBinary(const std::wstring& name, const std::vector<unsigned char>& value) const;

private:
    DemoRegKey(HKEY parent, const std::wstring& path, std::wstring displayName);
    void Set(const std::wstring& name, DWORD type, const void* data, size_t size) const;

    HKEY m_key = nullptr;
    std::wstring m_name;
};
