#include "tests/registry/RegistryTestSupport.h"

#include "framework/UniqueRegKey.h"
#include "tests/TestSupport.h"

namespace regtest {

namespace {

const wchar_t kTestRoot[] = L"Software\\Tessaro\\OrvexTest";

CString UniqueName(const wchar_t* pszRoot, const wchar_t* pszKind)
{
    static LONG counter = 0;
    CString name;
    name.Format(L"%s\\%s-%lu-%ld", pszRoot, pszKind, GetCurrentProcessId(), InterlockedIncrement(&counter));
    return name;
}

UniqueRegKey Open(HKEY hRoot, const CString& path, REGSAM access = KEY_READ)
{
    HKEY hKey = nullptr;
    return RegOpenKeyExW(hRoot, path, 0, access, &hKey) == ERROR_SUCCESS ? UniqueRegKey(hKey) : UniqueRegKey();
}

UniqueRegKey Create(HKEY hRoot, const CString& path)
{
    HKEY hKey = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyW(hRoot, path, &hKey)) << path;
    return UniqueRegKey(hKey);
}

void ReadTreeOf(HKEY hKey, KeyTree& tree)
{
    tree.exists = true;
    wchar_t name[16384];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(hKey, index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        Bytes data(size);
        nameLength = 16384;
        RegEnumValueW(hKey, index, name, &nameLength, nullptr, &type, data.empty() ? nullptr : data.data(), &size);
        tree.values[std::wstring(name, nameLength)] = {type, data};
    }
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = 256;
        if (RegEnumKeyExW(hKey, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        UniqueRegKey sub = Open(hKey, name);
        ReadTreeOf(sub.Get(), tree.subKeys[std::wstring(name, nameLength)]);
    }
}

} // namespace

ScratchKey::ScratchKey(HKEY hRoot) : m_path(UniqueName(kTestRoot, L"Key")), m_undo(hRoot, m_path)
{
    CreateKey(hRoot, m_path);
}

void SetValue(HKEY hRoot, const CString& strPath, const wchar_t* pszName, DWORD type, const Bytes& data)
{
    UniqueRegKey key = Create(hRoot, strPath);
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key.Get(), pszName, 0, type, data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size())));
}

void SetString(HKEY hRoot, const CString& strPath, const wchar_t* pszName, const wchar_t* pszValue)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(pszValue);
    SetValue(hRoot, strPath, pszName, REG_SZ, Bytes(p, p + (wcslen(pszValue) + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY hRoot, const CString& strPath, const wchar_t* pszName, DWORD value)
{
    SetValue(hRoot, strPath, pszName, REG_DWORD, DwordBytes(value));
}

void CreateKey(HKEY hRoot, const CString& strPath)
{
    Create(hRoot, strPath);
}

void DeleteTree(HKEY hRoot, const CString& strPath)
{
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(hRoot, strPath));
}

bool KeyExists(HKEY hRoot, const CString& strPath)
{
    return static_cast<bool>(Open(hRoot, strPath));
}

bool ValueExists(HKEY hRoot, const CString& strPath, const wchar_t* pszName)
{
    UniqueRegKey key = Open(hRoot, strPath);
    return key && RegQueryValueExW(key.Get(), pszName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

KeyTree ReadTree(HKEY hRoot, const CString& strPath)
{
    KeyTree tree;
    if (UniqueRegKey key = Open(hRoot, strPath))
        ReadTreeOf(key.Get(), tree);
    return tree;
}

ArchiveBytes& ArchiveBytes::Dword(DWORD dw)
{
    return Word(static_cast<WORD>(dw)).Word(static_cast<WORD>(dw >> 16));
}

ArchiveBytes& ArchiveBytes::Word(WORD w)
{
    return Byte(static_cast<BYTE>(w)).Byte(static_cast<BYTE>(w >> 8));
}

ArchiveBytes& ArchiveBytes::Byte(BYTE b)
{
    m_bytes.push_back(b);
    return *this;
}

ArchiveBytes& ArchiveBytes::Str(const std::wstring& text)
{
    Byte(0xFF).Word(0xFFFE);
    const size_t n = text.size();
    if (n < 0xFF)
        Byte(static_cast<BYTE>(n));
    else if (n < 0xFFFE)
        Byte(0xFF).Word(static_cast<WORD>(n));
    else
        Byte(0xFF).Word(0xFFFF).Dword(static_cast<DWORD>(n));
    for (wchar_t ch : text)
        Word(static_cast<WORD>(ch));
    return *this;
}

Bytes ToBytes(CMemFile& file)
{
    const BYTE* p = file.GetBuffer();
    return p ? Bytes(p, p + file.GetLength()) : Bytes();
}

Bytes DwordBytes(DWORD dw)
{
    return ArchiveBytes().Dword(dw).Get();
}

} // namespace regtest
