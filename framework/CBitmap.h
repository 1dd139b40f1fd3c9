#pragma once
// Owns one GDI bitmap and deletes it when it goes away. The bitmap must not be
// selected into a DC by then.

#include <windows.h>

class CBitmap {
public:
    // A bitmap in the format of hDC's device; null (see Get) when it fails.
    CBitmap(HDC hDC, int cx, int cy) : m_hBitmap(::CreateCompatibleBitmap(hDC, cx, cy)) {}
    ~CBitmap()
    {
        if (m_hBitmap)
            ::DeleteObject(m_hBitmap);
    }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    HBITMAP Get() const { return m_hBitmap; }

private:
    HBITMAP m_hBitmap;
};
