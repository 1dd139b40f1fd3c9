#pragma once
// Owns one open registry key and closes it when it goes away. Move-only, so a
// key is closed exactly once. Open into a plain HKEY and hand it over only on
// success: the out parameter is not reliably cleared when an open fails.
// Never give it a predefined root such as HKEY_LOCAL_MACHINE: those are not
// the caller's to close.

#include <windows.h>

class UniqueRegKey {
public:
    UniqueRegKey() = default;
    explicit UniqueRegKey(HKEY hKey) : m_hKey(hKey) {}
    ~UniqueRegKey() { Reset(); }

    UniqueRegKey(const UniqueRegKey&) = delete;
    UniqueRegKey& operator=(const UniqueRegKey&) = delete;
    UniqueRegKey(UniqueRegKey&& other) noexcept : m_hKey(other.Release()) {}
    UniqueRegKey& operator=(UniqueRegKey&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    HKEY Get() const { return m_hKey; }
    explicit operator bool() const { return m_hKey != nullptr; }

    void Reset(HKEY hKey = nullptr)
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
        m_hKey = hKey;
    }

    HKEY Release()
    {
        HKEY hKey = m_hKey;
        m_hKey = nullptr;
        return hKey;
    }

private:
    HKEY m_hKey = nullptr;
};
