#pragma once
// A memory device context compatible with another DC, deleted when the object
// goes away. Whatever was selected into it must be selected out before then
// (CSelectObject does that).

#include <windows.h>

class CCompatibleDC {
public:
    explicit CCompatibleDC(HDC hDC) : m_hDC(::CreateCompatibleDC(hDC)) {}
    ~CCompatibleDC()
    {
        if (m_hDC)
            ::DeleteDC(m_hDC);
    }
    CCompatibleDC(const CCompatibleDC&) = delete;
    CCompatibleDC& operator=(const CCompatibleDC&) = delete;

    // Null when the DC could not be created.
    HDC Get() const { return m_hDC; }

private:
    HDC m_hDC;
};
