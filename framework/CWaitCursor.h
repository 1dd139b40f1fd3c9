#pragma once
// Shows the wait cursor for the lifetime of the object.

#include <windows.h>

class CWaitCursor {
public:
    CWaitCursor() : m_hOld(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_hOld ? m_hOld : ::LoadCursorW(nullptr, IDC_ARROW)); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_hOld;
};
