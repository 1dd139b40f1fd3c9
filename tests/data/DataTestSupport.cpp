#include "tests/data/DataTestSupport.h"

#include "app/Globals.h"
#include "framework/UniqueRegKey.h"
#include "installation/CDirectory.h"
#include "installation/COrvexRegistry.h"
#include "tests/TestSupport.h"

namespace test {

namespace {

const wchar_t kSnapshotKey[] = L"Software\\OrvexDataItemsTest\\SettingsSnapshot";

CString SettingsKeyPath()
{
    return gRegistry.GetRegistryRoot() + L"Settings";
}

UniqueRegKey OpenKey(HKEY hRoot, const CString& path, bool bCreate)
{
    HKEY hKey = nullptr;
    LONG rc = bCreate ? RegCreateKeyExW(hRoot, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr)
                      : RegOpenKeyExW(hRoot, path, 0, KEY_ALL_ACCESS, &hKey);
    return rc == ERROR_SUCCESS ? UniqueRegKey(hKey) : UniqueRegKey();
}

} // namespace

SettingsKeyGuard::SettingsKeyGuard()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kSnapshotKey);
    UniqueRegKey settings = OpenKey(HKEY_LOCAL_MACHINE, SettingsKeyPath(), false);
    if (!settings)
        return;
    UniqueRegKey snapshot = OpenKey(HKEY_CURRENT_USER, kSnapshotKey, true);
    if (!snapshot || RegCopyTreeW(settings.Get(), nullptr, snapshot.Get()) != ERROR_SUCCESS)
        ADD_FAILURE() << "the settings key could not be saved";
    m_bSaved = true;
}

SettingsKeyGuard::~SettingsKeyGuard()
{
    RemoveKey();
    if (!m_bSaved)
        return;
    {
        UniqueRegKey snapshot = OpenKey(HKEY_CURRENT_USER, kSnapshotKey, false);
        UniqueRegKey settings = OpenKey(HKEY_LOCAL_MACHINE, SettingsKeyPath(), true);
        if (snapshot && settings)
            RegCopyTreeW(snapshot.Get(), nullptr, settings.Get());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kSnapshotKey);
}

void SettingsKeyGuard::RemoveKey()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyPath());
}

void SettingsKeyGuard::SetDataPath(const CString& path)
{
    UniqueRegKey key = OpenKey(HKEY_LOCAL_MACHINE, SettingsKeyPath(), true);
    ASSERT_TRUE(key);
    const BYTE* pData = reinterpret_cast<const BYTE*>(path.GetString());
    const DWORD bytes = static_cast<DWORD>((path.GetLength() + 1) * sizeof(wchar_t));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), L"DataPath", 0, REG_SZ, pData, bytes));
}

void MakeTree(const CString& root, const FileTree& tree)
{
    for (const auto& entry : tree) {
        CString path = CDirectory::Concat(root, entry.first);
        ASSERT_TRUE(CDirectory::Make(path.Left(path.ReverseFind(L'\\')))) << path;
        WriteText(path, entry.second);
    }
}

std::string ReadText(const CString& path)
{
    std::vector<unsigned char> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string Pattern(size_t n, unsigned seed)
{
    std::string bytes(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 16);
    }
    return bytes;
}

CHandle LockFile(const CString& path)
{
    return CHandle(CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool IsReadOnly(const CString& path)
{
    return (GetFileAttributesW(path) & FILE_ATTRIBUTE_READONLY) != 0;
}

void DataItemsTest::SetUp()
{
    ResetFlags();
}

void DataItemsTest::TearDown()
{
    ResetFlags();
}

void DataItemsTest::ResetFlags()
{
    gAutomatedMode = gSelectModifiedOnly = gDeleteRestorations = FALSE;
    gBackupTiffImages = gVerifyAfterBackup = gRememberChoice = gOverwriteChoice = FALSE;
}

} // namespace test
