#include "tests/registry/RegistryTestSupport.h"

#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "framework/UniqueRegKey.h"
#include "tests/TestSupport.h"

#include <sstream>

namespace regtest {

namespace {

const wchar_t kTestRoot[] = L"Software\\Tessaro\\OrvexTest";

CString UniqueName(const wchar_t* pszKind)
{
    static LONG counter = 0;
    CString name;
    name.Format(L"%s\\%s-%lu-%ld", kTestRoot, pszKind, GetCurrentProcessId(), InterlockedIncrement(&counter));
    return name;
}

CString WithoutTrailingBackslash(CString path)
{
    while (!path.IsEmpty() && path[path.GetLength() - 1] == L'\\')
        path = path.Left(path.GetLength() - 1);
    return path;
}

// The test root goes when the last scratch key or stash below it has gone;
// RegDeleteKeyW refuses a key that still has sub-keys.
void DropTestRoot(HKEY hRoot)
{
    RegDeleteKeyW(hRoot, kTestRoot);
}

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    if (n)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// The tests create Software\Tessaro where a prefix had none; it goes again
// at the end of the run unless something else was put below it meanwhile.
class TessaroKeyEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_userHad = KeyExists(HKEY_CURRENT_USER, kTessaro);
        m_machineHad = KeyExists(HKEY_LOCAL_MACHINE, kTessaro);
    }

    void TearDown() override
    {
        if (!m_userHad)
            RegDeleteKeyW(HKEY_CURRENT_USER, kTessaro);
        if (!m_machineHad)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTessaro);
    }

private:
    static constexpr const wchar_t* kTessaro = L"Software\\Tessaro";
    bool m_userHad = true;
    bool m_machineHad = true;
};

::testing::Environment* const gTessaroKeyEnvironment = ::testing::AddGlobalTestEnvironment(new TessaroKeyEnvironment);

} // namespace

ScratchKey::ScratchKey(HKEY hRoot) : m_hRoot(hRoot), m_path(UniqueName(L"Key"))
{
    CreateKey(m_hRoot, m_path);
}

ScratchKey::~ScratchKey()
{
    RegDeleteTreeW(m_hRoot, m_path);
    DropTestRoot(m_hRoot);
}

StashedKey::StashedKey(HKEY hRoot, const CString& strPath)
    : m_hRoot(hRoot), m_path(WithoutTrailingBackslash(strPath)), m_stash(UniqueName(L"Stash"))
{
    Stash();
}

void StashedKey::Stash()
{
    HKEY hSource = nullptr;
    if (RegOpenKeyExW(m_hRoot, m_path, 0, KEY_READ, &hSource) != ERROR_SUCCESS)
        return;
    UniqueRegKey source(hSource);
    HKEY hStash = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, m_stash, &hStash));
    UniqueRegKey stash(hStash);
    ASSERT_EQ(ERROR_SUCCESS, RegCopyTreeW(source.Get(), nullptr, stash.Get()));
    source.Reset();
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(m_hRoot, m_path));
    m_existed = true;
}

StashedKey::~StashedKey()
{
    RegDeleteTreeW(m_hRoot, m_path);
    if (m_existed) {
        HKEY hStash = nullptr;
        HKEY hTarget = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, m_stash, 0, KEY_READ, &hStash) == ERROR_SUCCESS) {
            UniqueRegKey stash(hStash);
            if (RegCreateKeyW(m_hRoot, m_path, &hTarget) == ERROR_SUCCESS) {
                UniqueRegKey target(hTarget);
                EXPECT_EQ(ERROR_SUCCESS, RegCopyTreeW(stash.Get(), nullptr, target.Get()));
            }
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, m_stash);
    }
    DropTestRoot(HKEY_CURRENT_USER);
}

UndoCreation::UndoCreation(HKEY hRoot, const CString& strPath) : m_hRoot(hRoot)
{
    CString prefix;
    int start = 0;
    while (start < strPath.GetLength()) {
        int end = strPath.Find(L'\\', start);
        if (end < 0)
            end = strPath.GetLength();
        if (end > start) {
            prefix += (prefix.IsEmpty() ? L"" : L"\\") + strPath.Mid(start, end - start);
            if (!KeyExists(m_hRoot, prefix)) {
                m_missing = prefix;
                return;
            }
        }
        start = end + 1;
    }
}

UndoCreation::~UndoCreation()
{
    if (!m_missing.IsEmpty() && KeyExists(m_hRoot, m_missing))
        RegDeleteTreeW(m_hRoot, m_missing);
}

void SetValue(HKEY hRoot, const CString& strPath, const wchar_t* pszName, DWORD type, const Bytes& data)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(hRoot, strPath, &hKey));
    UniqueRegKey key(hKey);
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
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(hRoot, strPath, &hKey));
    RegCloseKey(hKey);
}

void DeleteTree(HKEY hRoot, const CString& strPath)
{
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(hRoot, strPath));
}

bool KeyExists(HKEY hRoot, const CString& strPath)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, strPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

bool QueryValue(HKEY hRoot, const CString& strPath, const wchar_t* pszName, DWORD& type, Bytes& data)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, strPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    UniqueRegKey key(hKey);
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), pszName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data.assign(size, 0);
    return RegQueryValueExW(key.Get(), pszName, nullptr, &type, data.empty() ? nullptr : data.data(), &size) ==
           ERROR_SUCCESS;
}

bool ValueExists(HKEY hRoot, const CString& strPath, const wchar_t* pszName)
{
    DWORD type = 0;
    Bytes data;
    return QueryValue(hRoot, strPath, pszName, type, data);
}

namespace {

void ReadTreeOf(HKEY hKey, KeyTree& tree)
{
    tree.exists = true;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueW(hKey, index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        Bytes data(size);
        nameLength = 16384;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegEnumValueW(hKey, index, name, &nameLength, nullptr, &type, data.empty() ? nullptr : data.data(), &size));
        data.resize(size);
        tree.values[std::wstring(name, nameLength)] = {type, data};
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(hKey, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY hSub = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(hKey, name, 0, KEY_READ, &hSub));
        UniqueRegKey sub(hSub);
        ReadTreeOf(sub.Get(), tree.subKeys[std::wstring(name, nameLength)]);
    }
}

} // namespace

KeyTree ReadTree(HKEY hRoot, const CString& strPath)
{
    KeyTree tree;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, strPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return tree;
    UniqueRegKey key(hKey);
    ReadTreeOf(key.Get(), tree);
    return tree;
}

std::string Difference(const KeyTree& expected, const KeyTree& actual, const std::string& where)
{
    std::string at = where.empty() ? "<key>" : where;
    if (expected.exists != actual.exists)
        return at + (expected.exists ? " is missing" : " should not exist");
    for (const auto& value : expected.values) {
        auto found = actual.values.find(value.first);
        if (found == actual.values.end())
            return at + " lacks value '" + Narrow(value.first) + "'";
        if (found->second != value.second) {
            std::ostringstream os;
            os << at << " value '" << Narrow(value.first) << "' differs: type " << value.second.first << "/"
               << found->second.first << ", " << value.second.second.size() << "/" << found->second.second.size() << " bytes";
            return os.str();
        }
    }
    for (const auto& value : actual.values) {
        if (!expected.values.count(value.first))
            return at + " has extra value '" + Narrow(value.first) + "'";
    }
    for (const auto& sub : expected.subKeys) {
        auto found = actual.subKeys.find(sub.first);
        std::string subWhere = at + "\\" + Narrow(sub.first);
        if (found == actual.subKeys.end())
            return subWhere + " is missing";
        std::string inner = Difference(sub.second, found->second, subWhere);
        if (!inner.empty())
            return inner;
    }
    for (const auto& sub : actual.subKeys) {
        if (!expected.subKeys.count(sub.first))
            return at + " has extra sub-key '" + Narrow(sub.first) + "'";
    }
    return std::string();
}

ArchiveBytes& ArchiveBytes::Dword(DWORD dw)
{
    for (int i = 0; i < 4; ++i)
        m_bytes.push_back(static_cast<unsigned char>(dw >> (8 * i)));
    return *this;
}

ArchiveBytes& ArchiveBytes::Word(WORD w)
{
    m_bytes.push_back(static_cast<unsigned char>(w));
    m_bytes.push_back(static_cast<unsigned char>(w >> 8));
    return *this;
}

ArchiveBytes& ArchiveBytes::Byte(BYTE b)
{
    m_bytes.push_back(b);
    return *this;
}

ArchiveBytes& ArchiveBytes::Str(const std::wstring& text)
{
    Byte(0xFF).Word(0xFFFE);
    size_t n = text.size();
    if (n < 0xFF) {
        Byte(static_cast<BYTE>(n));
    } else if (n < 0xFFFE) {
        Byte(0xFF).Word(static_cast<WORD>(n));
    } else {
        Byte(0xFF).Word(0xFFFF).Dword(static_cast<DWORD>(n));
    }
    for (wchar_t ch : text)
        Word(static_cast<WORD>(ch));
    return *this;
}

ArchiveBytes& ArchiveBytes::Raw(const Bytes& bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

ArchiveBytes& ArchiveBytes::EmptyBody()
{
    return Dword(0xFFFFFFFE).Dword(0xFFFFFFFF);
}

Bytes ToBytes(CMemFile& file)
{
    const BYTE* p = file.GetBuffer();
    return p ? Bytes(p, p + file.GetLength()) : Bytes();
}

void Fill(CMemFile& file, const Bytes& bytes)
{
    if (!bytes.empty())
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
}

Bytes DwordBytes(DWORD dw)
{
    return ArchiveBytes().Dword(dw).Get();
}

void WriteBackupIni(const CString& strBackupDir, int nComplete, int nDisk)
{
    CString ini = strBackupDir + L"\\Backup.ini";
    CString complete;
    complete.Format(L"%d", nComplete);
    CString disk;
    disk.Format(L"%d", nDisk);
    ASSERT_TRUE(WritePrivateProfileStringW(L"Backup", L"BackupComplete", complete, ini));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Backup", L"DiskNumber", disk, ini));
}

namespace {

void ClearFlags()
{
    gAutomatedMode = FALSE;
    gSelectModifiedOnly = FALSE;
    gDeleteRestorations = FALSE;
    gBackupTiffImages = FALSE;
    gVerifyAfterBackup = FALSE;
    gRememberChoice = FALSE;
    gOverwriteChoice = FALSE;
    AfxSetDialogResponder(DialogResponder());
    AfxSetMessageResponder(MessageResponder());
}

} // namespace

void FlagsFixture::SetUp()
{
    ClearFlags();
    // No window may block a test: a question nobody expected fails it.
    AfxSetDialogResponder([](UINT nIdTemplate, const CString& text) {
        ADD_FAILURE() << "unexpected question dialog " << nIdTemplate << ": " << ::testing::PrintToString(text);
        return SDialogAnswer{IDCANCEL, FALSE};
    });
    AfxSetMessageResponder([](const CString& text, const CString&, UINT) {
        ADD_FAILURE() << "unexpected message box: " << ::testing::PrintToString(text);
        return IDCANCEL;
    });
}

void FlagsFixture::TearDown()
{
    ClearFlags();
}

} // namespace regtest
