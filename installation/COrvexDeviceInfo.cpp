#include "installation/COrvexDeviceInfo.h"

COrvexDeviceInfo::COrvexDeviceInfo(const CString& strKeyName, const CString& strDescription, DWORD dwSerialNumber,
                                   EDeviceType eType, BOOL bHidden)
    : m_strKeyName(strKeyName), m_strDescription(strDescription), m_dwSerialNumber(dwSerialNumber), m_eType(eType),
      m_bHidden(bHidden)
{
}

CString COrvexDeviceInfo::GetSerialNumberStr() const
{
    CString text;
    text.Format(L"%lu", static_cast<unsigned long>(m_dwSerialNumber));
    return text;
}
