// The patient index item: its documented bytes, and a restore that creates
// only plain directories inside the data directory.

#include "items/data/CBackupItemPatientIndex.h"

#include "framework/CArchive.h"
#include "framework/CFile.h"
#include "installation/CDirectory.h"
#include "tests/TestSupport.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace regtest;

namespace {

std::set<std::wstring> Entries(const CString& dir)
{
    CStringArray names;
    CDirectory::ListFiles(dir, names, L"*.*", 0xFFFFFFFF);
    std::set<std::wstring> out;
    for (INT_PTR i = 0; i < names.GetSize(); ++i)
        out.insert(names[i].Str());
    return out;
}

// <temp>\Data is the data directory by the installation's setting.
class PatientIndexTest : public FlagsFixture {
protected:
    void SetUp() override
    {
        FlagsFixture::SetUp();
        m_settings = std::make_unique<StashedKey>(HKEY_LOCAL_MACHINE, L"Software\\Tessaro");
        ASSERT_TRUE(CDirectory::Make(m_data));
        ASSERT_TRUE(CDirectory::Make(m_backup + L"\\Patient Index"));
        SetString(HKEY_LOCAL_MACHINE, L"Software\\Tessaro\\ORVEX\\Settings", L"DataPath", m_data);
    }
    void TearDown() override
    {
        m_settings.reset();
        FlagsFixture::TearDown();
    }
    void Restore(const std::vector<std::wstring>& names)
    {
        CStringArray list;
        for (const std::wstring& name : names)
            list.Add(CString(name));
        CFile out(m_index, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&out, CArchive::store);
        list.Serialize(ar);
        ar.Close();
        out.Close();
        WriteBackupIni(m_backup, 1, 1);
        CBackupItemPatientIndex item;
        item.BuildForRestore(m_backup + L"\\Patient Index");
        item.SetCheck(1);
        item.Restore(m_backup, &m_listener);
    }

    std::unique_ptr<StashedKey> m_settings;
    test::TempDir m_dir;
    const CString m_data = m_dir / L"Data";
    const CString m_backup = m_dir / L"Backup";
    const CString m_index = m_backup + L"\\Patient Index\\Patient Index";
    TestListener m_listener;
};

TEST_F(PatientIndexTest, IndexOfAAndBCIsSixteenDocumentedBytes)
{
    ASSERT_TRUE(CDirectory::Make(m_data + L"\\A"));
    ASSERT_TRUE(CDirectory::Make(m_data + L"\\BC"));
    CBackupItemPatientIndex item;
    item.BuildForBackup();
    EXPECT_EQ(16, item.GetSize());
    item.SetCheck(1);
    item.Backup(m_backup, &m_listener);
    // The names in the order the file system lists them.
    CStringArray listed;
    CDirectory::ListFiles(m_data, listed, L"*.*", FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_EQ(2, listed.GetSize());
    Bytes a = {0xFF, 0xFE, 0xFF, 0x01, 0x41, 0x00};
    Bytes bc = {0xFF, 0xFE, 0xFF, 0x02, 0x42, 0x00, 0x43, 0x00};
    Bytes expected = {0x02, 0x00};
    for (const Bytes* name : {listed[0] == L"A" ? &a : &bc, listed[0] == L"A" ? &bc : &a})
        expected.insert(expected.end(), name->begin(), name->end());
    EXPECT_EQ(expected, test::ReadBytes(m_index));
}

TEST_F(PatientIndexTest, RestoreCreatesOnlyPlainNamesInsideTheDataDirectory)
{
    const std::set<std::wstring> plain = {L"Good", L"M\u00FCller_Anna_1962-03-14", L"COM0", L"LPT10",
                                          L"CONSOLE", L"Nullify", L".hidden", L" lead", L"CONIN"};
    std::vector<std::wstring> names(plain.begin(), plain.end());
    // Wine creates no directory named like a console device at all, so the
    // filter is asked directly as well.
    for (const wchar_t* name : {L"", L".", L"..", L"..\\Escaped", L"a\\b", L"a/b", L"C:Stream", L"C:\\Rooted",
                                L"NUL", L"con", L"Con.txt", L"PRN.x.y", L"AUX", L"COM1", L"lpt9.dat", L"COM\u00B9",
                                L"NUL .txt", L"CONIN$", L"conout$.log", L"CONOUT$", L"Conin$ .txt", L"trail.",
                                L"trail ", L"x<y", L"x>y", L"x\"y", L"x|y", L"x?y", L"x*y", L"tab\there", L"a\x1F"}) {
        EXPECT_FALSE(CBackupItemPatientIndex::IsPlainDirectoryName(name)) << CString(name);
        names.push_back(name);
    }
    const std::set<std::wstring> around = Entries(m_dir.Path());
    Restore(names);
    EXPECT_EQ(plain, Entries(m_data));
    EXPECT_EQ(around, Entries(m_dir.Path()));
    EXPECT_EQ(static_cast<LONGLONG>(test::ReadBytes(m_index).size()), m_listener.progress);
}

} // namespace
