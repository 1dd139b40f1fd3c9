#include "tools/DemoRegKey.h"

#include "tools/DemoError.h"

namespace {

std::wstring RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return L"HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER)
        return L"HKEY_CURRENT_USER";
    return L"HKEY";
}

} // namespace

DemoRegKey::DemoRegKey(HKEY root, const std::wstring& path)
    : DemoRegKey(root, path, RootName(root) + L"\\" + path)
{
}

DemoRegKey::DemoRegKey(HKEY parent, const std::wstring& path, std::wstring displayName)
    : m_name(std::move(displayName))
{
    LONG rc = RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_READ | KEY_WRITE | KEY_WOW64_64KEY, nullptr, &m_key, nullptr);
    if (rc != ERROR_SUCCESS) {
        m_key = nullptr;
        std::wstring what = L"cannot create registry key " + m_name;
        if (rc == ERROR_ACCESS_DENIED)
            what += L" (run as administrator)";
        throw DemoError::FromWin32(what, static_cast<DWORD>(rc));
    }
}

DemoRegKey::~DemoRegKey()
{
    if (m_key)
        RegCloseKey(m_key);
}

void DemoRegKey::Set(const std::wstring& name, DWORD type, const void* data, size_t size) const
{
    LONG rc = RegSetValueExW(m_key, name.empty() ? nullptr : name.c_str(), 0, type,
                             static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    if (rc != ERROR_SUCCESS)
        throw DemoError::FromWin32(L"cannot write registry value " + m_name + L"\\" + (name.empty() ? L"(default)" : name),
                                   static_cast<DWORD>(rc));
}

void DemoRegKey::SetString(const std::wstring& name, const std::wstring& value) const
{
    Set(name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

void DemoRegKey::SetExpandString(const std::wstring& name, const std::wstring& value) const
{
    Set(name, REG_EXPAND_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

void DemoRegKey::SetMultiString(const std::wstring& name, const std::vector<std::wstring>& values) const
{
    std::wstring data;
    for (const std::wstring& value : values) {
        data += value;
        data += L'\0';
    }
    data += L'\0';
    Set(name, REG_MULTI_SZ, data.data(), data.size() * sizeof(wchar_t));
}

void DemoRegKey::SetDword(const std::wstring& name, DWORD value) const
{
    Set(name, REG_DWORD, &value, sizeof value);
}

void DemoRegKey::SetQword(const std::wstring& name, uint64_t value) const
{
    Set(name, REG_QWORD, &value, sizeof value);
}

void DemoRegKey::SetBinary(const std::wstring& name, const std::vector<unsigned char>& value) const
{
    Set(name, REG_BINARY, value.data(), value.size());
}
