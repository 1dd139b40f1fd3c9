#pragma once
// What the registry says about one installed device. A plain value.

#include "framework/CString.h"
#include "installation/EDeviceType.h"

class COrvexDeviceInfo {
public:
    COrvexDeviceInfo() = default;
    COrvexDeviceInfo(const CString& strKeyName, const CString& strDescription, DWORD dwSerialNumber,
                     EDeviceType eType, BOOL bHidden);

    // The name of the device's subkey below the devices key.
    const CString& GetKeyName() const { return m_strKeyName; }
    const CString& GetDescription() const { return m_strDescription; }
    // 0 for a device without a serial number.
    DWORD GetSerialNumber() const { return m_dwSerialNumber; }
    // Decimal, without leading zeros.
    CString GetSerialNumberStr() const;
    EDeviceType GetDeviceType() const { return m_eType; }
    // Nonzero for a device that is not to be shown.
    BOOL IsHidden() const { return m_bHidden; }

private:
    CString m_strKeyName;
    CString m_strDescription;
    DWORD m_dwSerialNumber = 0;
    EDeviceType m_eType = eDeviceUnknown;
    BOOL m_bHidden = FALSE;
};
