#include "installation/COrvexCommandLine.h"

COrvexCommandLine gCommandLine;

void COrvexCommandLine::ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL)
{
    CString text = pszParam ? pszParam : L"";
    if (bFlag)
        m_options.Add(text);
    else
        m_parameters.Add(text);
}

int COrvexCommandLine::GetParameterCount() const
{
    return static_cast<int>(m_parameters.GetSize());
}

CString COrvexCommandLine::GetParameter(int nIndex) const
{
    return m_parameters.GetAt(nIndex);
}

BOOL COrvexCommandLine::HasOption(const CString& strOption) const
{
    for (INT_PTR i = 0; i < m_options.GetSize(); ++i) {
        if (m_options[i].CompareNoCase(strOption) == 0)
            return TRUE;
    }
    return FALSE;
}
