// Seeded damage to the three archives a restore reads (the settings, a
// calibration key, the patient index): no crash or hang, no allocation the
// file cannot account for, nothing changed outside the program's keys and the
// data directory.

#include "items/data/CBackupItemPatientIndex.h"
#include "items/data/DataPath.h"
#include "items/registry/CBackupItemRegistry.h"

#include "framework/CArchive.h"
#include "installation/CDirectory.h"
#include "tests/TestSupport.h"
#include "tests/registry/AllocationProbe.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace regtest;

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;

// A cut, a scribbled byte, a boundary value over four bytes, or a repeated slice.
Bytes Mutate(Bytes bytes, std::mt19937& rng)
{
    const size_t at = rng() % bytes.size();
    const size_t from = rng() % bytes.size();
    const DWORD edges[] = {0, 1, 0xFFFE, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
    const DWORD edge = edges[rng() % 8];
    const Bytes slice(bytes.begin() + from, bytes.begin() + std::min(bytes.size(), from + 1 + rng() % 16));
    switch (rng() % 4) {
    case 0:
        bytes.resize(at);
        break;
    case 1:
        bytes[at] = static_cast<BYTE>(rng());
        break;
    case 2:
        for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i)
            bytes[at + i] = static_cast<BYTE>(edge >> (8 * i));
        break;
    default:
        bytes.insert(bytes.begin() + at, slice.begin(), slice.end());
    }
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

class ArchiveFuzzTest : public FlagsFixture {
protected:
    // Whatever the archives may write lies below these and goes back as it was.
    StashedKey m_user{HKEY_CURRENT_USER, L"Software\\Tessaro"};
    StashedKey m_machine{kMachine, L"Software\\Tessaro"};
    test::TempDir m_dir;
    TestListener m_listener;
};

TEST_F(ArchiveFuzzTest, DamagedArchivesStayWithinTheFileTheProgramsKeysAndTheDataDirectory)
{
    // No path of the scratch directory in the seeds: every run damages the same bytes.
    const CString settings = L"Software\\Tessaro\\ORVEX\\";
    SetString(kMachine, settings + L"Settings", L"DataPath", L"..\\Elsewhere");
    SetDword(kMachine, settings + L"Views", L"Zoom", 150);
    SetValue(kMachine, L"Software\\Tessaro\\Devices\\Mill\\Calibration", L"Offsets", REG_BINARY, {1, 2, 3, 4, 5});
    Bytes seeds[3];
    for (int i = 0; i < 2; ++i) {
        CBackupItemRegistry item;
        item.AddHive(kMachine, i == 0 ? settings : CString(L"Software\\Tessaro\\Devices\\Mill"), TRUE);
        CMemFile file;
        item.WriteRegistry(&file);
        seeds[i] = ToBytes(file);
    }
    seeds[2] = {0x02, 0x00, 0xFF, 0xFE, 0xFF, 0x01, 'A', 0x00, 0x04, 'B', 'e', 'r', 't'};
    SetString(kMachine, settings + L"Settings", L"DataPath", m_dir / L"Data");
    const CString dataPath = GetDataPath();
    const CString index = m_dir / L"Backup\\Patient Index\\Patient Index";
    ASSERT_TRUE(CDirectory::Make(m_dir / L"Data") && CDirectory::Make(m_dir / L"Backup\\Patient Index"));
    test::WriteBytes(index, seeds[2]);
    WriteBackupIni(m_dir / L"Backup", 1, 1);
    CBackupItemPatientIndex item;
    item.BuildForRestore(m_dir / L"Backup\\Patient Index");
    item.SetCheck(1);
    const std::set<std::wstring> outside = OutsideKeys();

    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i) {
        const Bytes bytes = Mutate(seeds[i % 3], rng);
        CMemFile file;
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file.SeekToBegin();
        test::WriteBytes(index, bytes);
        AllocationProbe probe;
        try {
            if (i % 3 == 2)
                item.Restore(m_dir / L"Backup", &m_listener);
            else
                CBackupItemRegistry().ReadRegistry(&file);
        } catch (CArchiveException* e) {
            e->Delete();
        }
        // The archive's buffer, or an 8-bit string widened to UTF-16.
        ASSERT_LE(probe.Largest(), std::max<size_t>(4096, 2 * bytes.size())) << "case " << i;
        ASSERT_EQ(dataPath, GetDataPath()) << "case " << i;
    }
    EXPECT_EQ(outside, OutsideKeys());
    CStringArray entries;
    EXPECT_EQ(2, CDirectory::ListFiles(m_dir.Path(), entries, L"*.*", 0xFFFFFFFF)) << "only Backup and Data";
    EXPECT_EQ(0, CDirectory::ListFiles(m_dir / L"Data", entries, L"*.*", ~DWORD(FILE_ATTRIBUTE_DIRECTORY)));
}

} // namespace
