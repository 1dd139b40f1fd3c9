#include "items/data/DataPath.h"

#include "framework/UniqueRegKey.h"
#include "installation/COrvexRegistry.h"

#include <cstdlib>
#include <cwctype>

namespace {

const wchar_t kDefaultDataPath[] = L"..\\Data\\";

BOOL IsAbsolute(const CString& path)
{
    return (std::iswalpha(path[0]) && path[1] == L':') || (path[0] == L'\\' && path[1] == L'\\');
}

BOOL StartsWith(const CString& s, const wchar_t* prefix)
{
    return s.Left(static_cast<int>(wcslen(prefix))) == prefix;
}

BOOL EndsWithBackslash(const CString& s)
{
    return s.Right(1) == L"\\";
}

// The value only when it is a whole, terminated string that fits the buffer;
// REG_EXPAND_SZ is taken literally, as the installation writes plain paths.
BOOL ReadDataPathValue(HKEY hKey, CString& strValue)
{
    wchar_t buffer[260];
    DWORD type = 0;
    DWORD bytes = sizeof buffer;
    if (RegQueryValueExW(hKey, L"DataPath", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS)
        return FALSE;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return FALSE;
    if (bytes == 0) {
        strValue.Empty();
        return TRUE;
    }
    if (bytes % sizeof(wchar_t) != 0 || buffer[bytes / sizeof(wchar_t) - 1] != L'\0')
        return FALSE;
    strValue = buffer;
    return TRUE;
}

CString ModuleFileName()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return CString();
    return CString(path, static_cast<int>(n));
}

} // namespace

CString ResolveDataPath(const CString& strSetting, const CString& strModuleFile)
{
    CString result = strSetting;
    if (!(result.GetLength() > 2 && IsAbsolute(result))) {
        wchar_t drive[_MAX_DRIVE] = L"";
        wchar_t dir[_MAX_DIR] = L"";
        _wsplitpath(strModuleFile, drive, dir, nullptr, nullptr);
        if (StartsWith(result, L"\\")) {
            result = CString(drive) + result;
        } else {
            CString base = CString(drive) + dir;
            if (EndsWithBackslash(base))
                base = base.Left(base.GetLength() - 1);
            // An executable in a drive's root or one level below may climb to
            // the drive itself; deeper ones stop one level below it.
            const BOOL top = base.ReverseFind(L'\\') <= 2;
            while (result.GetLength() > 1 && StartsWith(result, L".")) {
                int n = base.ReverseFind(L'\\');
                if (StartsWith(result, L"..\\") && (n > 3 || top)) {
                    result = result.Mid(3);
                    base = n < 0 ? CString() : base.Left(n);
                } else if (StartsWith(result, L".\\")) {
                    result = result.Mid(2);
                } else {
                    break;
                }
            }
            result = base + L"\\" + result;
        }
    }
    if (!EndsWithBackslash(result))
        result += L'\\';
    return result;
}

CString GetDataPath()
{
    CString keyPath = gRegistry.GetRegistryRoot() + L"Settings";
    HKEY hRaw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &hRaw) != ERROR_SUCCESS)
        return kDefaultDataPath;
    UniqueRegKey key(hRaw);
    CString setting = kDefaultDataPath;
    CString value;
    if (ReadDataPathValue(key.Get(), value))
        setting = value;
    return ResolveDataPath(setting, ModuleFileName());
}
