// The registry archive, byte for byte, on the real registry, and its reader
// on damaged, hostile and foreign archives.

#include "items/registry/CBackupItemRegistry.h"

#include "framework/CMemFile.h"
#include "tests/registry/AllocationProbe.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

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
int ReadFailure(const Bytes& bytes, size_t* pLargestAllocation = nullptr)
{
    CMemFile file;
    if (!bytes.empty())
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
    AllocationProbe probe;
    try {
        CBackupItemRegistry().ReadRegistry(&file);
    } catch (CArchiveException* e) {
        int cause = e->m_cause;
        e->Delete();
        if (pLargestAllocation)
            *pLargestAllocation = probe.Largest();
        return cause;
    }
    return -1;
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

TEST_F(RegistryArchiveTest, ExportThenImportIntoAClearedKeyReproducesTheTree)
{
    Bytes large(10000);
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<unsigned char>(i * 7 + 3);
    const wchar_t multi[] = L"Krone\0Br\u00FCcke\0\0";
    const BYTE* pm = reinterpret_cast<const BYTE*>(multi);
    SetString(hUser, m_key.Path(), L"Practice", L"Zahnarztpraxis Dr. Wei\u00DF");
    SetValue(hUser, m_key.Path(), L"Modules", REG_MULTI_SZ, Bytes(pm, pm + sizeof multi));
    SetValue(hUser, m_key.Path(), L"Large", REG_BINARY, large);
    SetValue(hUser, m_key.Path(), L"Odd", REG_SZ, {'a', 0, 'b'});
    SetValue(hUser, m_key.Path(), L"Private", 0x12345, {1, 2});
    SetDword(hUser, m_key.Sub(L"Materials\\Zirkonoxid \u2013 transluzent"), L"Shrinkage", 1250);
    CreateKey(hUser, m_key.Sub(L"Empty Key"));
    KeyTree before = ReadTree(hUser, m_key.Path());
    Bytes bytes = Export(m_key.Path(), TRUE);
    RegDeleteTreeW(hUser, m_key.Path());
    // What is there already is merged with, not replaced.
    SetDword(hUser, m_key.Path(), L"Local", 3);
    SetDword(hUser, m_key.Path(), L"Odd", 3);
    EXPECT_EQ(-1, ReadFailure(bytes));
    before.values[L"Local"] = {REG_DWORD, DwordBytes(3)};
    EXPECT_TRUE(before == ReadTree(hUser, m_key.Path()));
}

TEST_F(RegistryArchiveTest, TruncatedArchiveChangesNothingAndRaisesEndOfFile)
{
    SetDword(hUser, m_key.Sub(L"S"), L"v", 7);
    SetString(hUser, m_key.Path(), L"name", L"text");
    Bytes bytes = Export(m_key.Path(), TRUE);
    RegDeleteTreeW(hUser, m_key.Path());
    for (size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_EQ(CArchiveException::endOfFile, ReadFailure(Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(n))))
            << "cut after " << n;
        ASSERT_FALSE(KeyExists(hUser, m_key.Path())) << "cut after " << n;
    }
    EXPECT_EQ(-1, ReadFailure(bytes));
    EXPECT_TRUE(ValueExists(hUser, m_key.Path(), L"name"));
}

TEST_F(RegistryArchiveTest, HostileLengthsRaiseEndOfFileWithoutAllocatingForThem)
{
    const CString key = m_key.Sub(L"Hostile");
    const Bytes cases[] = {
        Records(1, key).Dword(0xFFFFFFFE).Dword(1).Str(L"v").Dword(REG_BINARY).Dword(0xFFFFFFFF).Dword(0).Get(),
        Records(1, key).Dword(0xFFFFFFFE).Dword(1).Byte(0xFF).Word(0xFFFE).Byte(0xFF).Word(0xFFFF).Dword(0x7FFFFFFF).Get(),
        ArchiveBytes().Dword(1).Dword(1).Dword(kUser).Byte(0xFF).Word(0xFFFE).Byte(0xFF).Word(0xFFFF).Dword(0xFFFFFFFF)
            .Dword(0xFFFFFFFF).Dword(0x7FFFFFFF).Get(),
        Records(1, key).Dword(0).Byte(0xFF).Word(0xFFFF).Dword(0xFFFFFFF0).Dword(0).Get(),
        // A record count is no reason to reserve anything either.
        Records(0x7FFFFFFF, key).EmptyBody().Get(),
    };
    for (const Bytes& bytes : cases) {
        size_t largest = SIZE_MAX;
        EXPECT_EQ(CArchiveException::endOfFile, ReadFailure(bytes, &largest)) << &bytes - cases;
        EXPECT_LT(largest, 64u * 1024u) << &bytes - cases;
    }
    RegDeleteTreeW(hUser, key);
    EXPECT_EQ(-1, ReadFailure(Records(0x80000000, key).EmptyBody().Get()));
    EXPECT_FALSE(KeyExists(hUser, key)) << "a negative count reads nothing";
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

TEST_F(RegistryArchiveTest, PathInTheEightBitFormIsRestored)
{
    const std::string path = "Software\\Tessaro\\OrvexTest\\EightBit";
    ArchiveBytes bytes;
    bytes.Dword(1).Dword(1).Dword(kUser).Byte(static_cast<BYTE>(path.size())).Raw(path);
    bytes.Dword(0xFFFFFFFE).Dword(1).Byte(1).Byte('n').Dword(REG_DWORD).Dword(4).Dword(9).Dword(0xFFFFFFFF);
    EXPECT_EQ(-1, ReadFailure(bytes.Get()));
    DWORD type = 0;
    Bytes data;
    EXPECT_TRUE(QueryValue(hUser, CString(L"Software\\Tessaro\\OrvexTest\\EightBit"), L"n", type, data));
    EXPECT_EQ(DwordBytes(9), data);
    RegDeleteTreeW(hUser, L"Software\\Tessaro\\OrvexTest\\EightBit");
}

} // namespace
