#pragma once
// Owns one GDI brush and deletes it when it goes away or is replaced. The
// brush must not be selected into a DC by then.

#include <windows.h>

class CBrush {
public:
    CBrush() = default;
    ~CBrush() { DeleteObject(); }
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;

    // Replaces any brush held so far; FALSE when GDI gives none.
    BOOL CreateSolidBrush(COLORREF color)
    {
        DeleteObject();
        m_hBrush = ::CreateSolidBrush(color);
        return m_hBrush != nullptr;
    }
    void DeleteObject()
    {
        if (m_hBrush)
            ::DeleteObject(m_hBrush);
        m_hBrush = nullptr;
    }

    // Null when no brush is held.
    HBRUSH Get() const { return m_hBrush; }

private:
    HBRUSH m_hBrush = nullptr;
};
