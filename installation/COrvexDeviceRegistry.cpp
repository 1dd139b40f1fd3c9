#include "installation/COrvexDeviceRegistry.h"

#include "framework/UniqueRegKey.h"

#include <vector>

namespace {

const wchar_t kDevicesKey[] = L"Software\\Tessaro\\CADCAM\\Devices";

// The longest key name the registry allows, plus the terminator.
const DWORD kMaxKeyName = 256;
// A longer name than that is still read, up to the longest key path.
const DWORD kMaxKeyPath = 32768;

DWORD ReadDword(HKEY hKey, const wchar_t* pszName, DWORD dwDefault)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(hKey, pszName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return dwDefault;
    return value;
}

// The data of a REG_SZ value up to its first terminator, whether or not the
// data carry one; an odd last byte is dropped.
BOOL ReadString(HKEY hKey, const wchar_t* pszName, CString& strValue)
{
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(hKey, pszName, nullptr, &type, nullptr, &size);
    std::vector<wchar_t> buffer;
    // The value may grow between the two calls.
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        if (type != REG_SZ)
            return FALSE;
        buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = size;
        result = RegQueryValueExW(hKey, pszName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            size_t length = got / sizeof(wchar_t);
            size_t end = 0;
            while (end < length && buffer[end] != L'\0')
                ++end;
            strValue = CString(buffer.data(), static_cast<int>(end));
            return TRUE;
        }
        size = got;
    }
    return FALSE;
}

// The name of the sub-key at index, read into a buffer that grows while the
// name does not fit. Any other result ends an enumeration: a key deleted while
// it is open fails alike for every index.
LONG EnumSubKeyName(HKEY hKey, DWORD index, CString& strName)
{
    std::vector<wchar_t> name(kMaxKeyName);
    for (;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        LONG result = RegEnumKeyExW(hKey, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA && name.size() < kMaxKeyPath) {
            name.resize(name.size() * 2);
            continue;
        }
        if (result == ERROR_SUCCESS)
            strName = CString(name.data(), static_cast<int>(nameLength));
        return result;
    }
}

} // namespace

void COrvexDeviceRegistry::ListAllOrvexDevices(COrvexDeviceInfoArray& devices, int bIncludeHidden)
{
    devices.RemoveAll();
    HKEY hDevices = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDevicesKey, 0, KEY_READ, &hDevices) != ERROR_SUCCESS)
        return;
    UniqueRegKey devicesKey(hDevices);

    CString keyName;
    for (DWORD index = 0; EnumSubKeyName(devicesKey.Get(), index, keyName) == ERROR_SUCCESS; ++index) {
        HKEY hDevice = nullptr;
        if (RegOpenKeyExW(devicesKey.Get(), keyName, 0, KEY_QUERY_VALUE, &hDevice) != ERROR_SUCCESS)
            continue;
        UniqueRegKey deviceKey(hDevice);

        CString description;
        if (!ReadString(deviceKey.Get(), L"Description", description))
            description = keyName;
        DWORD serial = ReadDword(deviceKey.Get(), L"SerialNumber", 0);
        EDeviceType type = static_cast<EDeviceType>(ReadDword(deviceKey.Get(), L"Type", eDeviceUnknown));
        BOOL hidden = ReadDword(deviceKey.Get(), L"Hidden", 0) != 0;
        if (hidden && !bIncludeHidden)
            continue;
        devices.Add(COrvexDeviceInfo(keyName, description, serial, type, hidden));
    }
}

CString COrvexDeviceRegistry::GetOrvexDeviceRoot(const COrvexDeviceInfo& device)
{
    return CString(kDevicesKey) + L"\\" + device.GetKeyName();
}
