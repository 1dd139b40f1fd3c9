#include "framework/CWnd.h"

#include "framework/CDialog.h"

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

BOOL CWnd::SubclassDlgItem(UINT nId, CWnd* pParent)
{
    HWND hWnd = pParent ? ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nId)) : nullptr;
    if (!hWnd)
        return FALSE;
    m_hWnd = hWnd;
    PreSubclassWindow();
    return CDialog::RegisterReflection(m_hWnd, this);
}
