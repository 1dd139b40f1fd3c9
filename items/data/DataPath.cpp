#include "items/data/DataPath.h"

#include "app/Globals.h"
#include "framework/UniqueRegKey.h"
#include "installation/CDirectory.h"
#include "installation/COrvexRegistry.h"

#include <cstdlib>
#include <cstring>
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

// The registry reads the value into a buffer of 260 characters.
const DWORD kValueBytes = 260 * sizeof(wchar_t);

// Per thread: the pin of a run serves its worker thread only, and the
// user-interface thread, which may build a tree the moment the run's dialog
// closes, reads the setting as ever.
thread_local CDataPathPin* gpPin = nullptr;

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

CString ResolveDataPathValue(DWORD type, const void* pData, DWORD nBytes)
{
    // Only a whole, terminated string that fits the buffer; REG_EXPAND_SZ is
    // taken literally, as the installation writes plain paths.
    CString setting = kDefaultDataPath;
    wchar_t text[kValueBytes / sizeof(wchar_t)];
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && nBytes <= kValueBytes && nBytes % sizeof(wchar_t) == 0) {
        if (nBytes == 0) {
            setting.Empty();
        } else {
            std::memcpy(text, pData, nBytes);
            if (text[nBytes / sizeof(wchar_t) - 1] == L'\0')
                setting = text;
        }
    }
    return ResolveDataPath(setting, ModuleFileName());
}

CString GetDataPath()
{
    if (gpPin)
        return gpPin->m_strPath;
    CString keyPath = gRegistry.GetRegistryRoot() + L"Settings";
    HKEY hRaw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &hRaw) != ERROR_SUCCESS)
        return kDefaultDataPath;
    UniqueRegKey key(hRaw);
    BYTE value[kValueBytes];
    DWORD type = 0;
    DWORD bytes = sizeof value;
    if (RegQueryValueExW(key.Get(), L"DataPath", nullptr, &type, value, &bytes) != ERROR_SUCCESS)
        return ResolveDataPath(kDefaultDataPath, ModuleFileName());
    return ResolveDataPathValue(type, value, bytes);
}

CDataPathPin::CDataPathPin() : m_strPath(GetDataPath()), m_pOuter(gpPin)
{
    gpPin = this;
}

CDataPathPin::~CDataPathPin()
{
    gpPin = m_pOuter;
}

BOOL IsDataPathWritable()
{
    if (!gpPin)
        return TRUE;
    if (gpPin->m_nWritable < 0) {
        const CString path = GetFullPath(gpPin->m_strPath);
        try {
            gpPin->m_nWritable = CDirectory::Exist(path) || CDirectory::Make(path);
        } catch (CFileException* e) {
            e->Delete();
            gpPin->m_nWritable = FALSE;
        }
    }
    return gpPin->m_nWritable;
}
