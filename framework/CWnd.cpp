#include "framework/CWnd.h"

CString CWnd::GetText(HWND hWnd)
{
    CString text;
    if (!hWnd)
        return text;
    int n = ::GetWindowTextLengthW(hWnd);
    if (n <= 0)
        return text;
    ::GetWindowTextW(hWnd, text.GetBuffer(n + 1), n + 1);
    text.ReleaseBuffer();
    return text;
}
