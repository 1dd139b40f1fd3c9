// The registry archive, byte for byte, on the real registry.

#include "items/registry/CBackupItemRegistry.h"

#include "framework/CMemFile.h"
#include "tests/registry/AllocationProbe.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

using namespace regtest;

namespace {

const DWORD kUser = 0x80000001;
const DWORD kMachine = 0x80000002;

Bytes Write(CBackupItemRegistry& item)
{
    CMemFile file;
    item.WriteRegistry(&file);
    return ToBytes(file);
}

Bytes Export(HKEY hRoot, const CString& strPath, BOOL bWithSubKeys)
{
    CBackupItemRegistry item;
    item.AddHive(hRoot, strPath, bWithSubKeys);
    return Write(item);
}

void Read(const Bytes& bytes)
{
    CMemFile file;
    Fill(file, bytes);
    CBackupItemRegistry item;
    item.ReadRegistry(&file);
}

// The cause of the CArchiveException the read raised; -1 when it raised
// nothing. Any other exception fails the test.
int ReadFailure(const Bytes& bytes)
{
    try {
        Read(bytes);
    } catch (CArchiveException* e) {
        int cause = e->m_cause;
        e->Delete();
        return cause;
    } catch (CException* e) {
        e->Delete();
        ADD_FAILURE() << "a damaged archive raised another exception than CArchiveException";
        return -2;
    }
    return -1;
}

// The archive bytes of one record: version, count 1, the record head.
ArchiveBytes OneRecord(DWORD dwHive, const CString& strPath)
{
    ArchiveBytes bytes;
    bytes.Dword(1).Dword(1).Dword(dwHive).Str(strPath.Str());
    return bytes;
}

Bytes Tail(const Bytes& bytes, size_t from)
{
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
}

std::wstring Repeat(wchar_t ch, size_t n)
{
    return std::wstring(n, ch);
}

class RegistryArchiveTest : public FlagsFixture {
protected:
    ScratchKey m_key;
};

TEST_F(RegistryArchiveTest, EmptyArchiveAndEmptyKeys)
{
    CBackupItemRegistry item;
    Bytes bytes = Write(item);
    EXPECT_EQ((Bytes{0x01, 0, 0, 0, 0, 0, 0, 0}), bytes);
    CMemFile file;
    Fill(file, bytes);
    item.ReadRegistry(&file);
    EXPECT_EQ(8u, file.GetPosition());

    Bytes expected = OneRecord(kUser, m_key.Path()).Get();
    expected.insert(expected.end(), {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(expected, Export(HKEY_CURRENT_USER, m_key.Path(), TRUE));
    ScratchKey machineKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(OneRecord(kMachine, machineKey.Path()).EmptyBody().Get(),
              Export(HKEY_LOCAL_MACHINE, machineKey.Path(), TRUE));
}

TEST_F(RegistryArchiveTest, OneValueIsTypeLengthAndDataAndComesBack)
{
    const struct {
        const wchar_t* name;
        DWORD type;
        Bytes data;
        Bytes body;
    } cases[] = {
        {L"abc", REG_DWORD, {0x44, 0x33, 0x22, 0x11},
         {0xFE, 0xFF, 0xFF, 0xFF,                                     // no sub-keys
          0x01, 0x00, 0x00, 0x00,                                     // a value
          0xFF, 0xFE, 0xFF, 0x03, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, // "abc"
          0x04, 0x00, 0x00, 0x00,                                     // REG_DWORD
          0x04, 0x00, 0x00, 0x00,                                     // 4 bytes
          0x44, 0x33, 0x22, 0x11,                                     // the data
          0xFF, 0xFF, 0xFF, 0xFF}},                                   // no more values
        // The default value has the empty name.
        {L"", REG_SZ, {0x78, 0x00, 0x00, 0x00},
         {0xFE, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFE, 0xFF, 0x00, 0x01, 0x00, 0x00, 0x00,
          0x04, 0x00, 0x00, 0x00, 0x78, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        // A value of length zero has no data bytes.
        {L"e", REG_BINARY, {},
         ArchiveBytes().Dword(0xFFFFFFFE).Dword(1).Str(L"e").Dword(REG_BINARY).Dword(0).Dword(0xFFFFFFFF).Get()},
    };
    const size_t head = OneRecord(kUser, m_key.Path()).Size();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        DeleteTree(HKEY_CURRENT_USER, m_key.Path());
        SetValue(HKEY_CURRENT_USER, m_key.Path(), c.name, c.type, c.data);
        Bytes bytes = Export(HKEY_CURRENT_USER, m_key.Path(), TRUE);
        ASSERT_GE(bytes.size(), head);
        EXPECT_EQ(c.body, Tail(bytes, head));

        DeleteTree(HKEY_CURRENT_USER, m_key.Path());
        Read(bytes);
        DWORD type = 0;
        Bytes data{1};
        ASSERT_TRUE(QueryValue(HKEY_CURRENT_USER, m_key.Path(), *c.name ? c.name : nullptr, type, data));
        EXPECT_EQ(c.type, type);
        EXPECT_EQ(c.data, data);
    }
}

TEST_F(RegistryArchiveTest, SubKeysAreWrittenDepthFirstBeforeTheKeysValues)
{
    SetDword(HKEY_CURRENT_USER, m_key.Path(), L"k", 1);
    SetDword(HKEY_CURRENT_USER, m_key.Sub(L"S"), L"v", 7);
    CreateKey(HKEY_CURRENT_USER, m_key.Sub(L"S\\T"));
    Bytes bytes = Export(HKEY_CURRENT_USER, m_key.Path(), TRUE);

    ArchiveBytes expected = OneRecord(kUser, m_key.Path());
    expected.Dword(0).Str(L"S");                    // sub-key S
    expected.Dword(0).Str(L"T").EmptyBody();        // S\T, empty
    expected.Dword(0xFFFFFFFE);                     // end of S's sub-keys
    expected.Dword(1).Str(L"v").Dword(REG_DWORD).Dword(4).Dword(7).Dword(0xFFFFFFFF);
    expected.Dword(0xFFFFFFFE);                     // end of the key's sub-keys
    expected.Dword(1).Str(L"k").Dword(REG_DWORD).Dword(4).Dword(1).Dword(0xFFFFFFFF);
    EXPECT_EQ(expected.Get(), bytes);

    // Without its sub-keys the key ends them right after the path.
    ArchiveBytes flat = OneRecord(kUser, m_key.Path());
    flat.Dword(0xFFFFFFFE).Dword(1).Str(L"k").Dword(REG_DWORD).Dword(4).Dword(1).Dword(0xFFFFFFFF);
    EXPECT_EQ(flat.Get(), Export(HKEY_CURRENT_USER, m_key.Path(), FALSE));
}

TEST_F(RegistryArchiveTest, ValueNameOf256CharactersEndsTheValueList)
{
    // Created in name order, which is also the order the registry lists them
    // in, whether it keeps the order of creation or sorts.
    std::wstring fits = Repeat(L'M', 255);
    std::wstring tooLong = Repeat(L'N', 256);
    SetDword(HKEY_CURRENT_USER, m_key.Path(), L"A1", 1);
    SetDword(HKEY_CURRENT_USER, m_key.Path(), fits.c_str(), 2);
    SetDword(HKEY_CURRENT_USER, m_key.Path(), tooLong.c_str(), 3);
    SetDword(HKEY_CURRENT_USER, m_key.Path(), L"Z9", 4);
    Bytes bytes = Export(HKEY_CURRENT_USER, m_key.Path(), TRUE);

    ArchiveBytes expected = OneRecord(kUser, m_key.Path());
    expected.Dword(0xFFFFFFFE);
    expected.Dword(1).Str(L"A1").Dword(REG_DWORD).Dword(4).Dword(1);
    expected.Dword(1).Str(fits).Dword(REG_DWORD).Dword(4).Dword(2);
    expected.Dword(0xFFFFFFFF);
    EXPECT_EQ(expected.Get(), bytes);
}

TEST_F(RegistryArchiveTest, MissingKeyIsWrittenEmptyAndRestoredAsAnEmptyKey)
{
    CString absent = m_key.Sub(L"Absent\\Deeper");
    Bytes bytes = Export(HKEY_CURRENT_USER, absent, TRUE);
    EXPECT_EQ(OneRecord(kUser, absent).EmptyBody().Get(), bytes);

    Read(bytes);
    KeyTree tree = ReadTree(HKEY_CURRENT_USER, absent);
    EXPECT_TRUE(tree.exists);
    EXPECT_TRUE(tree.values.empty());
    EXPECT_TRUE(tree.subKeys.empty());
}

TEST_F(RegistryArchiveTest, TrailingAndDoubledBackslashesCreateTheSameKeys)
{
    ArchiveBytes bytes;
    bytes.Dword(1).Dword(2);
    bytes.Dword(kUser).Str((m_key.Sub(L"Trail") + L"\\").Str());
    bytes.Dword(0xFFFFFFFE).Dword(1).Str(L"t").Dword(REG_DWORD).Dword(4).Dword(5).Dword(0xFFFFFFFF);
    bytes.Dword(kUser).Str((m_key.Path() + L"\\\\Doubled\\\\\\Key").Str());
    bytes.Dword(0xFFFFFFFE).Dword(1).Str(L"d").Dword(REG_DWORD).Dword(4).Dword(6).Dword(0xFFFFFFFF);
    Read(bytes.Get());

    KeyTree trail = ReadTree(HKEY_CURRENT_USER, m_key.Sub(L"Trail"));
    EXPECT_TRUE(trail.exists);
    EXPECT_EQ(1u, trail.values.count(L"t"));
    EXPECT_TRUE(trail.subKeys.empty());
    KeyTree doubled = ReadTree(HKEY_CURRENT_USER, m_key.Sub(L"Doubled"));
    ASSERT_EQ(1u, doubled.subKeys.size());
    EXPECT_EQ(1u, doubled.subKeys.count(L"Key"));
    EXPECT_TRUE(doubled.values.empty());
    EXPECT_EQ(1u, doubled.subKeys[L"Key"].values.count(L"d"));
}

TEST_F(RegistryArchiveTest, PathOfTheArchiveInTheEightBitFormIsRestored)
{
    std::string path = "Software\\Tessaro\\OrvexTest\\EightBit";
    ArchiveBytes bytes;
    bytes.Dword(1).Dword(1).Dword(kUser).Byte(static_cast<BYTE>(path.size()));
    bytes.Raw(Bytes(path.begin(), path.end()));
    bytes.Dword(0xFFFFFFFE).Dword(1).Byte(1).Byte('n').Dword(REG_DWORD).Dword(4).Dword(9).Dword(0xFFFFFFFF);
    Read(bytes.Get());

    CString key(L"Software\\Tessaro\\OrvexTest\\EightBit");
    DWORD type = 0;
    Bytes data;
    EXPECT_TRUE(QueryValue(HKEY_CURRENT_USER, key, L"n", type, data));
    EXPECT_EQ(DwordBytes(9), data);
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

TEST_F(RegistryArchiveTest, ExportThenImportIntoAClearedKeyReproducesTheTree)
{
    HKEY u = HKEY_CURRENT_USER;
    Bytes large(10000);
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<unsigned char>(i * 7 + 3);
    const wchar_t multi[] = L"Krone\0Br\u00FCcke\0\0";
    const BYTE* pm = reinterpret_cast<const BYTE*>(multi);
    SetString(u, m_key.Path(), L"", L"root default");
    SetString(u, m_key.Path(), L"Practice", L"Zahnarztpraxis Dr. Wei\u00DF");
    SetValue(u, m_key.Path(), L"InstallDir", REG_EXPAND_SZ, {'%', 0, 'P', 0, '%', 0, 0, 0});
    SetValue(u, m_key.Path(), L"Modules", REG_MULTI_SZ, Bytes(pm, pm + sizeof multi));
    SetValue(u, m_key.Path(), L"Large", REG_BINARY, large);
    SetValue(u, m_key.Path(), L"Empty", REG_BINARY, {});
    SetValue(u, m_key.Path(), L"Odd", REG_SZ, {'a', 0, 'b'});
    SetValue(u, m_key.Path(), L"Stamp", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    SetValue(u, m_key.Path(), L"None", REG_NONE, {9});
    SetValue(u, m_key.Path(), L"Private", 0x12345, {1, 2});
    SetValue(u, m_key.Path(), Repeat(L'L', 255).c_str(), REG_DWORD, DwordBytes(255));
    SetDword(u, m_key.Sub(L"Materials\\Zirkonoxid \u2013 transluzent"), L"Shrinkage", 1250);
    SetString(u, m_key.Sub(L"Materials\\Feldspat"), L"", L"Feldspatkeramik");
    SetDword(u, m_key.Sub(L"Materials\\Feldspat\\Shades\\A1"), L"Index", 1);
    CreateKey(u, m_key.Sub(L"Empty Key"));
    SetDword(u, m_key.Sub(L"Br\u00FCcke"), L"Count", 3);

    KeyTree before = ReadTree(u, m_key.Path());
    ASSERT_EQ(11u, before.values.size());
    ASSERT_EQ(3u, before.subKeys.size());
    Bytes bytes = Export(u, m_key.Path(), TRUE);
    ASSERT_GT(bytes.size(), 10000u);

    DeleteTree(u, m_key.Path());
    ASSERT_FALSE(KeyExists(u, m_key.Path()));
    Read(bytes);

    KeyTree after = ReadTree(u, m_key.Path());
    EXPECT_EQ("", Difference(before, after));
    EXPECT_TRUE(before == after);
}

TEST_F(RegistryArchiveTest, RestoreMergesIntoWhatIsThere)
{
    SetDword(HKEY_CURRENT_USER, m_key.Path(), L"Stored", 1);
    Bytes bytes = Export(HKEY_CURRENT_USER, m_key.Path(), TRUE);
    SetDword(HKEY_CURRENT_USER, m_key.Path(), L"Stored", 2);
    SetDword(HKEY_CURRENT_USER, m_key.Path(), L"Local", 3);
    SetDword(HKEY_CURRENT_USER, m_key.Sub(L"LocalKey"), L"x", 4);

    Read(bytes);
    DWORD type = 0;
    Bytes data;
    ASSERT_TRUE(QueryValue(HKEY_CURRENT_USER, m_key.Path(), L"Stored", type, data));
    EXPECT_EQ(DwordBytes(1), data);
    ASSERT_TRUE(QueryValue(HKEY_CURRENT_USER, m_key.Path(), L"Local", type, data));
    EXPECT_EQ(DwordBytes(3), data);
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, m_key.Sub(L"LocalKey"), L"x"));
}

TEST_F(RegistryArchiveTest, ArchiveCutInsideARecordKeepsWhatWasReadAndRaisesEndOfFile)
{
    ArchiveBytes bytes;
    bytes.Dword(1).Dword(2);
    bytes.Dword(kUser).Str(m_key.Sub(L"A").Str());
    bytes.Dword(0xFFFFFFFE).Dword(1).Str(L"a").Dword(REG_DWORD).Dword(4).Dword(1).Dword(0xFFFFFFFF);
    bytes.Dword(kUser).Str(m_key.Sub(L"B").Str());
    bytes.Dword(0).Str(L"Sub").Dword(0xFFFFFFFE).Dword(1).Str(L"s").Dword(REG_DWORD).Dword(4).Dword(2).Dword(0xFFFFFFFF);
    bytes.Dword(0xFFFFFFFE);
    bytes.Dword(1).Str(L"b1").Dword(REG_DWORD).Dword(4).Dword(3);
    size_t cut = bytes.Size() + 6;
    bytes.Dword(1).Str(L"b2").Dword(REG_DWORD).Dword(4).Dword(4).Dword(0xFFFFFFFF);
    Bytes damaged(bytes.Get().begin(), bytes.Get().begin() + static_cast<std::ptrdiff_t>(cut));

    EXPECT_EQ(CArchiveException::endOfFile, ReadFailure(damaged));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, m_key.Sub(L"A"), L"a"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, m_key.Sub(L"B\\Sub"), L"s"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, m_key.Sub(L"B"), L"b1"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, m_key.Sub(L"B"), L"b2"));
}

TEST_F(RegistryArchiveTest, TruncationAtEveryByteRaisesArchiveException)
{
    SetDword(HKEY_CURRENT_USER, m_key.Sub(L"S"), L"v", 7);
    SetString(HKEY_CURRENT_USER, m_key.Path(), L"name", L"text");
    Bytes bytes = Export(HKEY_CURRENT_USER, m_key.Path(), TRUE);
    DeleteTree(HKEY_CURRENT_USER, m_key.Path());

    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_EQ(CArchiveException::endOfFile, ReadFailure(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n))))
            << "cut after " << n << " of " << bytes.size() << " bytes";
    DeleteTree(HKEY_CURRENT_USER, m_key.Path());
    EXPECT_EQ(-1, ReadFailure(bytes));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, m_key.Sub(L"S"), L"v"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, m_key.Path(), L"name"));
}

struct HostileCase {
    const char* what;
    Bytes (*make)(const CString& path);
};

Bytes HugeDataLength(const CString& path)
{
    return OneRecord(kUser, path).Dword(0xFFFFFFFE).Dword(1).Str(L"v").Dword(REG_BINARY).Dword(0xFFFFFFFF).Dword(0).Get();
}

Bytes HugeValueName(const CString& path)
{
    return OneRecord(kUser, path).Dword(0xFFFFFFFE).Dword(1).Byte(0xFF).Word(0xFFFE).Byte(0xFF).Word(0xFFFF).Dword(0x7FFFFFFF).Dword(0).Get();
}

Bytes HugeKeyPath(const CString&)
{
    return ArchiveBytes().Dword(1).Dword(1).Dword(kUser).Byte(0xFF).Word(0xFFFE).Byte(0xFF).Word(0xFFFF).Dword(0xFFFFFFFF)
        .Dword(0xFFFFFFFF).Dword(0x7FFFFFFF).Dword(0).Get();
}

Bytes HugeEightBitSubKeyName(const CString& path)
{
    return OneRecord(kUser, path).Dword(0).Byte(0xFF).Word(0xFFFF).Dword(0xFFFFFFF0).Dword(0).Get();
}

void PrintTo(const HostileCase& c, std::ostream* os)
{
    *os << c.what;
}

class HostileLengthTest : public RegistryArchiveTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileLengthTest, RaisesArchiveExceptionWithoutAllocatingForIt)
{
    Bytes bytes = GetParam().make(m_key.Sub(L"Hostile"));
    int cause = 0;
    size_t largest = 0;
    {
        AllocationProbe probe;
        cause = ReadFailure(bytes);
        largest = probe.Largest();
    }
    EXPECT_EQ(CArchiveException::endOfFile, cause);
    EXPECT_LT(largest, 64u * 1024u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, HostileLengthTest,
                         ::testing::Values(HostileCase{"data length 0xFFFFFFFF", HugeDataLength},
                                           HostileCase{"value name of 2^31 units", HugeValueName},
                                           HostileCase{"key path with a 64-bit length", HugeKeyPath},
                                           HostileCase{"8-bit sub-key name", HugeEightBitSubKeyName}),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return std::to_string(info.index); });

TEST_F(RegistryArchiveTest, RecordOfAnotherHiveIsWalkedAndTheNextOneApplied)
{
    CString foreign = L".DEFAULT\\Software\\Tessaro\\OrvexTest\\Foreign";
    ArchiveBytes bytes;
    bytes.Dword(1).Dword(2);
    bytes.Dword(0x80000003).Str(foreign.Str());
    bytes.Dword(0).Str(L"Sub").Dword(0xFFFFFFFE).Dword(1).Str(L"s").Dword(REG_DWORD).Dword(4).Dword(1).Dword(0xFFFFFFFF);
    bytes.Dword(0xFFFFFFFE).Dword(1).Str(L"f").Dword(REG_DWORD).Dword(4).Dword(2).Dword(0xFFFFFFFF);
    bytes.Dword(kUser).Str(m_key.Sub(L"Next").Str());
    bytes.Dword(0xFFFFFFFE).Dword(1).Str(L"n").Dword(REG_DWORD).Dword(4).Dword(3).Dword(0xFFFFFFFF);

    UndoCreation undo(HKEY_USERS, foreign);
    EXPECT_EQ(-1, ReadFailure(bytes.Get()));
    EXPECT_FALSE(KeyExists(HKEY_USERS, foreign));
    DWORD type = 0;
    Bytes data;
    ASSERT_TRUE(QueryValue(HKEY_CURRENT_USER, m_key.Sub(L"Next"), L"n", type, data));
    EXPECT_EQ(DwordBytes(3), data);
}

class ForeignPathTest : public RegistryArchiveTest, public ::testing::WithParamInterface<const wchar_t*> {};

// A record outside the program's keys is walked, never applied, and the next
// record is read from where it begins.
TEST_P(ForeignPathTest, IsNotApplied)
{
    CString path = GetParam();
    const wchar_t* value = L"OrvexTestPlanted";
    ArchiveBytes bytes;
    bytes.Dword(1).Dword(2);
    bytes.Dword(kUser).Str(path.Str());
    bytes.Dword(0).Str(L"Planted").Dword(0xFFFFFFFE).Dword(0xFFFFFFFF);
    bytes.Dword(0xFFFFFFFE).Dword(1).Str(value).Dword(REG_SZ).Dword(4).Dword(0x00000078).Dword(0xFFFFFFFF);
    bytes.Dword(kUser).Str(m_key.Sub(L"Next").Str());
    bytes.Dword(0xFFFFFFFE).Dword(1).Str(L"n").Dword(REG_DWORD).Dword(4).Dword(3).Dword(0xFFFFFFFF);

    bool existedBefore = KeyExists(HKEY_CURRENT_USER, path);
    bool valueBefore = ValueExists(HKEY_CURRENT_USER, path, value);
    UndoCreation undoPath(HKEY_CURRENT_USER, path);
    UndoCreation undoPlanted(HKEY_CURRENT_USER, path.IsEmpty() ? CString(L"Planted") : path + L"\\Planted");
    UndoCreation undoEscape(HKEY_CURRENT_USER, L"Software\\OrvexTestPlanted");
    EXPECT_EQ(-1, ReadFailure(bytes.Get()));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, path, value));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path + L"\\Planted"));
    EXPECT_EQ(existedBefore, KeyExists(HKEY_CURRENT_USER, path));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\OrvexTestPlanted"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Tessaro\\..\\OrvexTestPlanted"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, m_key.Sub(L"Next"), L"n"));

    if (existedBefore && !valueBefore) {
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS) {
            RegDeleteValueW(hKey, value);
            RegCloseKey(hKey);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, ForeignPathTest,
                         ::testing::Values(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                           L"Software\\Tessaro",
                                           L"Software\\Tessaro\\",
                                           L"Software\\Tessaro\\..\\OrvexTestPlanted",
                                           L"Software\\Tessaro\\.\\OrvexTestPlanted",
                                           L"\\Software\\Tessaro\\OrvexTestPlanted",
                                           L"Software\\TessaroX\\OrvexTestPlanted",
                                           L"SoftwareX\\Tessaro\\OrvexTestPlanted",
                                           L"Software\\OrvexTestPlanted",
                                           L""));

TEST_F(RegistryArchiveTest, PathBelowTheProgramsKeyIsMatchedWithoutRegardToCase)
{
    CString path = m_key.Path();
    path.MakeUpper();
    Bytes bytes = OneRecord(kUser, path).Dword(0xFFFFFFFE).Dword(1).Str(L"c").Dword(REG_DWORD).Dword(4).Dword(1).Dword(0xFFFFFFFF).Get();
    EXPECT_EQ(-1, ReadFailure(bytes));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, m_key.Path(), L"c"));
}

TEST_F(RegistryArchiveTest, SubKeyNamesThatAreNotPlainAreWalkedAndNotApplied)
{
    ArchiveBytes bytes = OneRecord(kUser, m_key.Path());
    for (const wchar_t* name : {L"", L"a\\b", L"..", L"."})
        bytes.Dword(0).Str(name).Dword(0xFFFFFFFE).Dword(1).Str(L"bad").Dword(REG_DWORD).Dword(4).Dword(1).Dword(0xFFFFFFFF);
    bytes.Dword(0).Str(L"Plain").Dword(0xFFFFFFFE).Dword(1).Str(L"good").Dword(REG_DWORD).Dword(4).Dword(2).Dword(0xFFFFFFFF);
    bytes.EmptyBody();

    EXPECT_EQ(-1, ReadFailure(bytes.Get()));
    KeyTree tree = ReadTree(HKEY_CURRENT_USER, m_key.Path());
    ASSERT_EQ(1u, tree.subKeys.size());
    EXPECT_EQ(1u, tree.subKeys[L"Plain"].values.count(L"good"));
    EXPECT_TRUE(tree.values.empty());
}

TEST_F(RegistryArchiveTest, NestingIsBoundedByTheRegistrysLimit)
{
    // Sub-keys d\d\...\d, the value "deep" in the innermost one.
    auto nested = [this](int levels) {
        ArchiveBytes bytes = OneRecord(kUser, m_key.Path());
        for (int i = 0; i < levels; ++i)
            bytes.Dword(0).Str(L"d");
        bytes.Dword(0xFFFFFFFE).Dword(1).Str(L"deep").Dword(REG_DWORD).Dword(4).Dword(1).Dword(0xFFFFFFFF);
        for (int i = 0; i < levels; ++i)
            bytes.EmptyBody();
        return bytes.Get();
    };
    EXPECT_EQ(CArchiveException::genericException, ReadFailure(nested(600)));
    EXPECT_EQ(-1, ReadFailure(nested(100)));
    CString deep = m_key.Path();
    for (int i = 0; i < 100; ++i)
        deep += L"\\d";
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, deep, L"deep"));
}

TEST_F(RegistryArchiveTest, RecordCountIsNotTrusted)
{
    ArchiveBytes negative;
    negative.Dword(1).Dword(0x80000000).Dword(kUser).Str(m_key.Sub(L"R").Str()).EmptyBody();
    EXPECT_EQ(-1, ReadFailure(negative.Get()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_key.Sub(L"R"))) << "a negative count reads nothing";

    ArchiveBytes absurd;
    absurd.Dword(1).Dword(0x7FFFFFFF).Dword(kUser).Str(m_key.Sub(L"R").Str()).EmptyBody();
    size_t largest = 0;
    int cause = 0;
    {
        AllocationProbe probe;
        cause = ReadFailure(absurd.Get());
        largest = probe.Largest();
    }
    EXPECT_EQ(CArchiveException::endOfFile, cause);
    EXPECT_LT(largest, 64u * 1024u);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, m_key.Sub(L"R")));
}

} // namespace
