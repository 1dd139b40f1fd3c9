// The registry archive, byte for byte, on the real registry, and its reader
// on damaged, hostile and foreign archives, with the patient index's reader.

#include "items/registry/CBackupItemRegistry.h"

#include "framework/CMemFile.h"
#include "installation/CDirectory.h"
#include "items/data/CBackupItemPatientIndex.h"
#include "items/data/DataPath.h"
#include "tests/TestSupport.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <cstring>
#include <random>
#include <set>
#include <tuple>

using namespace regtest;

namespace {

const DWORD kUser = 0x80000001;
const HKEY hUser = HKEY_CURRENT_USER;

Bytes Export(const CString& strPath, BOOL bWithSubKeys, HKEY hRoot = hUser)
{
    CBackupItemRegistry item;
    item.AddHive(hRoot, strPath, bWithSubKeys);
    CMemFile file;
    item.WriteRegistry(&file);
    return ToBytes(file);
}

// The cause of the CArchiveException the read raised; -1 when it raised nothing.
int ReadFailure(const Bytes& bytes)
{
    CMemFile file;
    file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
    int cause = -1;
    try {
        CBackupItemRegistry().ReadRegistry(&file);
    } catch (CArchiveException* e) {
        cause = e->m_cause;
        e->Delete();
    }
    return cause;
}

size_t PeakMemory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

// A cut, a scribbled byte, a boundary value over four bytes, or a repeated slice.
Bytes Mutate(Bytes bytes, std::mt19937& rng)
{
    const size_t at = rng() % bytes.size(), from = rng() % bytes.size(), kind = rng() % 4;
    const Bytes slice(bytes.begin() + from, bytes.begin() + std::min(bytes.size(), from + 1 + rng() % 16));
    const DWORD edges[] = {0, 1, 0xFFFE, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
    const DWORD edge = edges[rng() % 8];
    if (kind == 0)
        bytes.resize(at);
    else if (kind == 1)
        bytes[at] = static_cast<BYTE>(rng());
    else if (kind == 2)
        std::memcpy(&bytes[at], &edge, std::min<size_t>(4, bytes.size() - at));
    else
        bytes.insert(bytes.begin() + at, slice.begin(), slice.end());
    return bytes;
}

// The keys of each hive and of its Software key, but the program's own: where
// a key written outside the program's keys would show.
std::set<std::wstring> OutsideKeys()
{
    std::set<std::wstring> names;
    for (HKEY hRoot : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
        for (const wchar_t* path : {L"", L"Software\\"}) {
            HKEY hKey = nullptr;
            if (RegOpenKeyExW(hRoot, path, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
                continue;
            wchar_t name[256];
            for (DWORD i = 0, n = 256; RegEnumKeyExW(hKey, i, name, &n, nullptr, nullptr, nullptr, nullptr) == 0;
                 ++i, n = 256)
                names.insert(path + std::wstring(name));
            RegCloseKey(hKey);
        }
    }
    names.erase(L"Software\\Tessaro");
    return names;
}

// Version, count, and the head of the first record.
ArchiveBytes Records(DWORD nCount, const CString& strPath, DWORD dwHive = kUser)
{
    return ArchiveBytes().Dword(1).Dword(nCount).Dword(dwHive).Str(strPath.Str());
}

class RegistryArchiveTest : public FlagsFixture {
protected:
    ScratchKey m_key;
};

TEST_F(RegistryArchiveTest, LayoutOfKeysValuesAndSubKeys)
{
    CBackupItemRegistry empty;
    CMemFile file;
    empty.WriteRegistry(&file);
    EXPECT_EQ((Bytes{1, 0, 0, 0, 0, 0, 0, 0}), ToBytes(file));

    const CString key = m_key.Path();
    SetValue(hUser, key, L"abc", REG_DWORD, {0x44, 0x33, 0x22, 0x11});
    Bytes expected = Records(1, key).Get();
    expected.insert(expected.end(), {
        0xFE, 0xFF, 0xFF, 0xFF,                                     // no sub-keys
        0x01, 0x00, 0x00, 0x00,                                     // a value
        0xFF, 0xFE, 0xFF, 0x03, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, // "abc"
        0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,             // REG_DWORD, 4 bytes
        0x44, 0x33, 0x22, 0x11,                                     // the data
        0xFF, 0xFF, 0xFF, 0xFF});                                   // no more values
    EXPECT_EQ(expected, Export(key, TRUE));

    // Sub-keys come depth first before the key's values; the default value
    // has the empty name, a value of length zero no data, and a name of 256
    // characters ends the value list.
    RegDeleteTreeW(hUser, key);
    SetString(hUser, key, L"", L"x");
    SetValue(hUser, key + L"\\S", L"e", REG_BINARY, {});
    CreateKey(hUser, key + L"\\S\\T");
    SetDword(hUser, key, std::wstring(256, L'N').c_str(), 3);
    ArchiveBytes tree = Records(1, key);
    tree.Dword(0).Str(L"S").Dword(0).Str(L"T").EmptyBody().Dword(0xFFFFFFFE);
    tree.Dword(1).Str(L"e").Dword(REG_BINARY).Dword(0).Dword(0xFFFFFFFF).Dword(0xFFFFFFFE);
    tree.Dword(1).Str(L"").Dword(REG_SZ).Dword(4).Dword(0x78).Dword(0xFFFFFFFF);
    EXPECT_EQ(tree.Get(), Export(key, TRUE));
    ArchiveBytes flat = Records(1, key).Dword(0xFFFFFFFE).Dword(1).Str(L"").Dword(REG_SZ).Dword(4).Dword(0x78).Dword(0xFFFFFFFF);
    EXPECT_EQ(flat.Get(), Export(key, FALSE));
    // A missing key is written empty, in HKLM under its own hive number.
    ScratchKey machine(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(Records(1, machine.Path() + L"\\Absent", 0x80000002).EmptyBody().Get(),
              Export(machine.Path() + L"\\Absent", TRUE, HKEY_LOCAL_MACHINE));
}

TEST_F(RegistryArchiveTest, DamagedArchivesChangeNothingAndStayWithinTheFileTheKeysAndTheDataDirectory)
{
    // Whatever an archive may write lies below these and goes back as it was.
    const HKEY hMachine = HKEY_LOCAL_MACHINE;
    const StashedKey user(hUser, L"Software\\Tessaro"), machine(hMachine, L"Software\\Tessaro");
    // No path of the scratch directory in the seeds: every run damages the same bytes.
    const CString settings = L"Software\\Tessaro\\ORVEX\\";
    SetString(hMachine, settings + L"Settings", L"DataPath", L"..\\Elsewhere");
    SetDword(hMachine, settings + L"Views", L"Zoom", 150);
    SetValue(hMachine, L"Software\\Tessaro\\Devices\\Mill\\Calibration", L"Offsets", REG_BINARY, {1, 2, 3, 4, 5});
    const Bytes seeds[] = {Export(settings, TRUE, hMachine), Export(L"Software\\Tessaro\\Devices\\Mill", TRUE, hMachine),
                           {0x02, 0x00, 0xFF, 0xFE, 0xFF, 0x01, 'A', 0x00, 0x04, 'B', 'e', 'r', 't'}};
    // Value lengths and counts no file can hold (the archive's own test has
    // the strings), and every cut of the settings and of the index, are damage
    // that changes nothing; then seeded damage to the three archives.
    const CString key = L"Software\\Tessaro\\Hostile";
    std::vector<std::pair<int, Bytes>> inputs = {
        {0, Records(1, key).Dword(0xFFFFFFFE).Dword(1).Str(L"v").Dword(REG_BINARY).Dword(0xFFFFFFFF).Get()},
        {0, Records(0x7FFFFFFF, key).EmptyBody().Get()},
        {2, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (int seed : {0, 2}) {
        for (size_t n = 0; n < seeds[seed].size(); ++n)
            inputs.push_back({seed, Bytes(seeds[seed].begin(), seeds[seed].begin() + std::ptrdiff_t(n))});
    }
    const size_t nDamaged = inputs.size();
    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i)
        inputs.push_back({i % 3, Mutate(seeds[i % 3], rng)});

    test::TempDir dir;
    SetString(hMachine, settings + L"Settings", L"DataPath", dir / L"Data");
    const CString dataPath = GetDataPath();
    const CString index = dir / L"Backup\\Patient Index\\Patient Index";
    ASSERT_TRUE(CDirectory::Make(dir / L"Data") && CDirectory::Make(dir / L"Backup\\Patient Index"));
    test::WriteBytes(index, seeds[2]);
    WriteBackupIni(dir / L"Backup", 1, 1);
    CBackupItemPatientIndex item;
    item.BuildForRestore(dir / L"Backup\\Patient Index");
    item.SetCheck(1);
    TestListener listener;
    const std::set<std::wstring> outside = OutsideKeys();
    const size_t peak = PeakMemory();
    // What damage leaves as it was: the program's keys and the data directory.
    const auto state = [&] {
        CStringArray patients;
        CDirectory::ListFiles(dir / L"Data", patients, L"*.*", 0xFFFFFFFF);
        return std::make_tuple(ReadTree(hUser, L"Software\\Tessaro"), ReadTree(hMachine, L"Software\\Tessaro"),
                               patients.GetSize());
    };
    for (size_t i = 0; i < inputs.size(); ++i) {
        const Bytes& bytes = inputs[i].second;
        const bool damaged = i < nDamaged;
        const auto before = damaged ? state() : decltype(state())();
        int cause = -1;
        if (inputs[i].first < 2) {
            cause = ReadFailure(bytes);
        } else {
            test::WriteBytes(index, bytes);
            try {
                item.Restore(dir / L"Backup", &listener);
            } catch (CArchiveException* e) {
                cause = e->m_cause;
                e->Delete();
            }
        }
        ASSERT_EQ(dataPath, GetDataPath()) << "case " << i;
        if (damaged) {
            ASSERT_GE(cause, 0) << "case " << i;
            ASSERT_TRUE(before == state()) << "case " << i;
        }
    }
    EXPECT_LT(PeakMemory(), peak + 256 * 1024 * 1024) << "a length from an archive was allocated";
    EXPECT_EQ(outside, OutsideKeys());
    CStringArray entries;
    EXPECT_EQ(2, CDirectory::ListFiles(dir.Path(), entries, L"*.*", 0xFFFFFFFF)) << "only Backup and Data";
    EXPECT_EQ(0, CDirectory::ListFiles(dir / L"Data", entries, L"*.*", ~DWORD(FILE_ATTRIBUTE_DIRECTORY)));
}

TEST_F(RegistryArchiveTest, RecordsOutsideTheProgramsKeysAreWalkedButNeverApplied)
{
    const struct {
        DWORD hive;
        const wchar_t* path;
    } foreign[] = {
        {kUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run"}, {kUser, L"Software\\Tessaro"},
        {kUser, L"Software\\Tessaro\\"}, {kUser, L"Software\\Tessaro\\..\\OrvexTestPlanted"},
        {kUser, L"Software\\Tessaro\\.\\OrvexTestPlanted"}, {kUser, L"\\Software\\Tessaro\\OrvexTestPlanted"},
        {kUser, L"Software\\TessaroX\\OrvexTestPlanted"}, {kUser, L"SoftwareX\\Tessaro\\OrvexTestPlanted"},
        {kUser, L""}, {0x80000003, L".DEFAULT\\Software\\Tessaro\\OrvexTest\\Foreign"},
    };
    for (const auto& f : foreign) {
        const HKEY hRoot = f.hive == kUser ? hUser : HKEY_USERS;
        const CString path = f.path;
        ArchiveBytes bytes = Records(2, path, f.hive);
        bytes.Dword(0).Str(L"Planted").EmptyBody().Dword(0xFFFFFFFE).OneValue(L"OrvexTestPlanted", 1);
        bytes.Dword(kUser).Str(m_key.Sub(L"Next").Str()).Dword(0xFFFFFFFE).OneValue(L"n", 3);
        const bool existed = KeyExists(hRoot, path);
        UndoCreation undoPath(hRoot, path);
        UndoCreation undoPlanted(hRoot, path.IsEmpty() ? CString(L"Planted") : path + L"\\Planted");
        UndoCreation undoEscape(hRoot, L"Software\\OrvexTestPlanted");
        EXPECT_EQ(-1, ReadFailure(bytes.Get())) << path;
        EXPECT_FALSE(ValueExists(hRoot, path, L"OrvexTestPlanted")) << path;
        EXPECT_FALSE(KeyExists(hRoot, path + L"\\Planted")) << path;
        EXPECT_EQ(existed, KeyExists(hRoot, path)) << path;
        EXPECT_FALSE(KeyExists(hRoot, L"Software\\OrvexTestPlanted")) << path;
        EXPECT_TRUE(ValueExists(hUser, m_key.Sub(L"Next"), L"n")) << "the next record, read from where it begins";
        RegDeleteTreeW(hUser, m_key.Sub(L"Next"));
        // A key that was there (Run, Software\Tessaro) loses what a faulty import planted in it.
        RegDeleteKeyValueW(hRoot, path, L"OrvexTestPlanted");
    }
    // Below the program's key the path is matched without regard to case.
    CString upper = m_key.Path();
    upper.MakeUpper();
    EXPECT_EQ(-1, ReadFailure(Records(1, upper + L"\\\\Doubled\\").Dword(0xFFFFFFFE).OneValue(L"c", 1).Get()));
    EXPECT_TRUE(ValueExists(hUser, m_key.Sub(L"Doubled"), L"c"));
}

TEST_F(RegistryArchiveTest, SubKeyNamesThatAreNotPlainAreWalkedAndNotApplied)
{
    ArchiveBytes bytes = Records(1, m_key.Path());
    // The registry would read a name only up to its null character.
    for (const std::wstring& name : {std::wstring(), std::wstring(L"a\\b"), std::wstring(L".."), std::wstring(L"."),
                                     std::wstring(L"Plain\0", 6)})
        bytes.Dword(0).Str(name).Dword(0xFFFFFFFE).OneValue(L"bad", 1);
    bytes.Dword(0).Str(L"Plain").Dword(0xFFFFFFFE).OneValue(L"good", 2);
    bytes.Dword(0xFFFFFFFE).OneValue(std::wstring(L"bad\0", 4), 3);
    EXPECT_EQ(-1, ReadFailure(bytes.Get()));
    KeyTree tree = ReadTree(hUser, m_key.Path());
    ASSERT_EQ(1u, tree.subKeys.size());
    EXPECT_EQ(1u, tree.subKeys[L"Plain"].values.size());
    EXPECT_TRUE(tree.values.empty());

    // A key the registry refuses (a name longer than a key name may be) is
    // reported as not written, never passed over in silence.
    const std::wstring tooLong(300, L'x');
    const Bytes refused = Records(1, m_key.Path()).Dword(0).Str(tooLong).Dword(0xFFFFFFFE).OneValue(L"v", 1)
                              .Dword(0xFFFFFFFE).Dword(0xFFFFFFFF).Get();
    CMemFile file;
    file.Write(refused.data(), static_cast<UINT>(refused.size()));
    file.SeekToBegin();
    const SRegistryImport result = CBackupItemRegistry().ReadRegistry(&file);
    EXPECT_EQ(std::vector<CString>{L"HKEY_CURRENT_USER\\" + m_key.Path() + L"\\" + tooLong.c_str()},
              result.notWritten);
    EXPECT_FALSE(result.bAccessDenied);
}

TEST_F(RegistryArchiveTest, NestingIsBoundedByTheRegistrysLimit)
{
    auto nested = [this](int levels) {
        ArchiveBytes bytes = Records(1, m_key.Path());
        for (int i = 0; i < levels; ++i)
            bytes.Dword(0).Str(L"d");
        bytes.Dword(0xFFFFFFFE).OneValue(L"deep", 1);
        for (int i = 0; i < levels; ++i)
            bytes.EmptyBody();
        return bytes.Get();
    };
    EXPECT_EQ(CArchiveException::genericException, ReadFailure(nested(600)));
    EXPECT_EQ(-1, ReadFailure(nested(100)));
    CString deep = m_key.Path();
    for (int i = 0; i < 100; ++i)
        deep += L"\\d";
    EXPECT_TRUE(ValueExists(hUser, deep, L"deep"));
}

} // namespace
