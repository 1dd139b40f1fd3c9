#pragma once
// Owns one kernel object handle (event, thread, file mapping) and closes it
// when it goes away. Move-only, so a handle is closed exactly once. Null and
// INVALID_HANDLE_VALUE both count as "no handle".

#include <windows.h>

class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE h) : m_h(h) {}
    ~CHandle() { Reset(); }

    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& other) noexcept : m_h(other.m_h) { other.m_h = nullptr; }
    CHandle& operator=(CHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.m_h);
            other.m_h = nullptr;
        }
        return *this;
    }

    HANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h && m_h != INVALID_HANDLE_VALUE; }

    void Reset(HANDLE h = nullptr)
    {
        if (*this)
            ::CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h = nullptr;
};
