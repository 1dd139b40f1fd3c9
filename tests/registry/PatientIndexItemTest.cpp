// The patient index item: its file, its overwrite rule and a restore that
// creates only plain directories inside the data directory.

#include "items/data/CBackupItemPatientIndex.h"

#include "app/Globals.h"
#include "framework/CArchive.h"
#include "framework/CFile.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "tests/TestSupport.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace regtest;

namespace {

const wchar_t kSettingsKey[] = L"Software\\Tessaro\\ORVEX\\Settings";

std::set<std::wstring> Entries(const CString& dir)
{
    CStringArray names;
    CDirectory::ListFiles(dir, names, L"*.*", 0xFFFFFFFF);
    std::set<std::wstring> out;
    for (INT_PTR i = 0; i < names.GetSize(); ++i)
        out.insert(names[i].Str());
    return out;
}

void WriteIndex(const CString& file, const std::vector<std::wstring>& names)
{
    CStringArray list;
    for (const std::wstring& name : names)
        list.Add(CString(name));
    CFile out(file, CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&out, CArchive::store);
    list.Serialize(ar);
    ar.Close();
    out.Close();
}

// The data directory is <temp>\Data, named by the installation's setting; the
// installation's own keys are moved aside meanwhile.
class PatientIndexTest : public FlagsFixture {
protected:
    void SetUp() override
    {
        FlagsFixture::SetUp();
        m_settings.reset(new StashedKey(HKEY_LOCAL_MACHINE, L"Software\\Tessaro"));
        m_data = m_dir / L"Data";
        m_backup = m_dir / L"Backup";
        ASSERT_TRUE(CreateDirectoryW(m_data, nullptr));
        ASSERT_TRUE(CreateDirectoryW(m_backup, nullptr));
        SetString(HKEY_LOCAL_MACHINE, kSettingsKey, L"DataPath", m_data);
        m_index = m_backup + L"\\Patient Index\\Patient Index";
    }

    void TearDown() override
    {
        m_settings.reset();
        FlagsFixture::TearDown();
    }

    void AddPatient(const wchar_t* name) { ASSERT_TRUE(CreateDirectoryW(m_data + L"\\" + name, nullptr)); }

    std::unique_ptr<StashedKey> m_settings;
    test::TempDir m_dir;
    CString m_data;
    CString m_backup;
    CString m_index;
    TestListener m_listener;
};

TEST_F(PatientIndexTest, IndexOfAAndBCIsSixteenDocumentedBytes)
{
    AddPatient(L"A");
    AddPatient(L"BC");
    CBackupItemPatientIndex item;
    EXPECT_EQ(CString(L"Patient Index"), item.GetName());
    item.BuildForBackup();
    EXPECT_TRUE(item.IsEnabled());
    EXPECT_EQ(16, item.GetSize());
    EXPECT_EQ(0, item.CalculateSize());
    // Any enabled index counts as modified.
    item.SelectModified();
    EXPECT_EQ(1u, item.GetCheck());
    EXPECT_EQ(16, item.CalculateSize());

    item.Backup(m_backup, &m_listener);
    // The names are stored in the order the file system lists them.
    CStringArray listed;
    CDirectory::ListFiles(m_data, listed, L"*.*", FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_EQ(2, listed.GetSize());
    Bytes a = {0xFF, 0xFE, 0xFF, 0x01, 0x41, 0x00};
    Bytes bc = {0xFF, 0xFE, 0xFF, 0x02, 0x42, 0x00, 0x43, 0x00};
    Bytes expected = {0x02, 0x00};
    const Bytes& first = listed[0] == L"A" ? a : bc;
    const Bytes& second = listed[0] == L"A" ? bc : a;
    expected.insert(expected.end(), first.begin(), first.end());
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(expected, test::ReadBytes(m_index));
    EXPECT_EQ(16, m_listener.progress);
    EXPECT_EQ(CBackupItem::BackedUp, item.GetBackupState());

    // A second pass after a medium change does not write it again.
    ASSERT_TRUE(DeleteFileW(m_index));
    item.Backup(m_backup, &m_listener);
    EXPECT_FALSE(test::FileExists(m_index));
    EXPECT_EQ(1, m_listener.progressCalls);
}

TEST_F(PatientIndexTest, EmptyDataDirectoryDisablesTheItemAndAnEmptyIndexIsTwoBytes)
{
    test::WriteText(m_data + L"\\not a patient.txt", "x");
    CBackupItemPatientIndex item;
    item.BuildForBackup();
    EXPECT_FALSE(item.IsEnabled());
    EXPECT_EQ(0, item.GetSize());
    item.SelectModified();
    EXPECT_EQ(0u, item.GetCheck());

    item.SelectAll();
    item.Backup(m_backup, &m_listener);
    EXPECT_EQ((Bytes{0x00, 0x00}), test::ReadBytes(m_index));
}

TEST_F(PatientIndexTest, InteractiveRunAsksAndCancelStopsTheRun)
{
    AddPatient(L"A");
    ASSERT_TRUE(CDirectory::Make(m_backup + L"\\Patient Index"));
    test::WriteText(m_index, "old index");
    int asked = 0;
    AfxSetDialogResponder([&](UINT, const CString& text) {
        ++asked;
        EXPECT_GE(text.Find(m_index), 0);
        return SDialogAnswer{IDCANCEL, FALSE};
    });
    CBackupItemPatientIndex item;
    item.BuildForBackup();
    item.SetCheck(1);
    item.Backup(m_backup, &m_listener);
    EXPECT_EQ(1, asked);
    EXPECT_TRUE(m_listener.cancelled);
    EXPECT_EQ(9u, test::ReadBytes(m_index).size());

    AfxSetDialogResponder([&](UINT, const CString&) {
        ++asked;
        return SDialogAnswer{IDOK, FALSE};
    });
    CBackupItemPatientIndex again;
    again.BuildForBackup();
    again.SetCheck(1);
    again.Backup(m_backup, &m_listener);
    EXPECT_EQ(2, asked);
    EXPECT_EQ(8u, test::ReadBytes(m_index).size());
}

TEST_F(PatientIndexTest, RestoreCreatesOnlyPlainNamesInsideTheDataDirectory)
{
    ASSERT_TRUE(CDirectory::Make(m_backup + L"\\Patient Index"));
    std::vector<std::wstring> names = {
        L"Good", L"M\u00FCller_Anna_1962-03-14", L"", L".", L"..", L"..\\Escaped", L"a\\b", L"a/b",
        L"C:Stream", L"C:\\Rooted", L"NUL", L"con", L"Con.txt", L"PRN.x.y", L"AUX", L"COM1", L"lpt9.dat",
        L"COM\u00B9", L"NUL .txt", L"trail.", L"trail ", L"x<y", L"x>y", L"x\"y", L"x|y", L"x?y", L"x*y",
        L"tab\there", L"COM0", L"LPT10", L"CONSOLE", L"Nullify", L".hidden", L" lead"};
    WriteIndex(m_index, names);
    WriteBackupIni(m_backup, 1, 1);
    std::set<std::wstring> around = Entries(m_dir.Path());

    CBackupItemPatientIndex item;
    item.BuildForRestore(m_backup + L"\\Patient Index");
    EXPECT_EQ(1u, item.GetDiskNumber());
    EXPECT_EQ(static_cast<LONGLONG>(test::ReadBytes(m_index).size()), item.GetSize());
    item.SetCheck(1);
    item.Restore(m_backup, &m_listener);

    std::set<std::wstring> expected = {L"Good", L"M\u00FCller_Anna_1962-03-14", L"COM0", L"LPT10", L"CONSOLE",
                                       L"Nullify", L".hidden", L" lead"};
    EXPECT_EQ(expected, Entries(m_data));
    EXPECT_EQ(around, Entries(m_dir.Path()));
    EXPECT_EQ(item.GetSize(), m_listener.progress);
}

TEST_F(PatientIndexTest, RestoreKeepsExistingPatientsAndStopsAtCancel)
{
    AddPatient(L"A");
    test::WriteText(m_data + L"\\A\\case.dat", "data");
    ASSERT_TRUE(CDirectory::Make(m_backup + L"\\Patient Index"));
    WriteIndex(m_index, {L"A", L"B"});
    CBackupItemPatientIndex item;
    item.BuildForRestore(m_backup + L"\\Patient Index");
    item.SetCheck(1);
    m_listener.Cancel();
    item.Restore(m_backup, &m_listener);
    EXPECT_FALSE(test::DirExists(m_data + L"\\B")) << "created after a cancel";
    m_listener.cancelled = FALSE;
    item.Restore(m_backup, &m_listener);
    EXPECT_TRUE(test::DirExists(m_data + L"\\B"));
    EXPECT_EQ((Bytes{'d', 'a', 't', 'a'}), test::ReadBytes(m_data + L"\\A\\case.dat"));
}

TEST_F(PatientIndexTest, RestoreOnAnotherMediumUnselectedOrWithoutIndexCreatesNothing)
{
    ASSERT_TRUE(CDirectory::Make(m_backup + L"\\Patient Index"));
    CBackupItemPatientIndex none;
    none.BuildForRestore(m_backup + L"\\Patient Index");
    EXPECT_EQ(0, none.GetSize());
    none.SetCheck(1);
    none.Restore(m_backup, &m_listener);
    EXPECT_EQ(0, m_listener.progress);
    m_listener.progressCalls = 0;

    WriteIndex(m_index, {L"A"});
    WriteBackupIni(m_backup, 0, 1);
    CBackupItemPatientIndex item;
    item.BuildForRestore(m_backup + L"\\Patient Index");
    item.SetCheck(1);
    WriteBackupIni(m_backup, 1, 2);
    item.Restore(m_backup, &m_listener);
    WriteBackupIni(m_backup, 0, 1);
    item.SetCheck(0);
    item.Restore(m_backup, &m_listener);
    EXPECT_TRUE(Entries(m_data).empty());
    EXPECT_EQ(2, m_listener.progressCalls) << "progress is reported all the same";
}

TEST_F(PatientIndexTest, DamagedIndexRaisesArchiveExceptionAndCreatesNothing)
{
    ASSERT_TRUE(CDirectory::Make(m_backup + L"\\Patient Index"));
    // Two names announced, one and a half present.
    test::WriteBytes(m_index, {0x02, 0x00, 0xFF, 0xFE, 0xFF, 0x01, 0x41, 0x00, 0xFF, 0xFE, 0xFF, 0x05, 0x42});
    CBackupItemPatientIndex item;
    item.BuildForRestore(m_backup + L"\\Patient Index");
    item.SetCheck(1);
    bool raised = false;
    try {
        item.Restore(m_backup, &m_listener);
    } catch (CArchiveException* e) {
        raised = true;
        e->Delete();
    }
    EXPECT_TRUE(raised);
    EXPECT_TRUE(Entries(m_data).empty());
}

TEST(PatientIndexNames, PlainNamesAreTakenAndOthersRefused)
{
    for (const wchar_t* name : {L"A", L"Smith_John", L"COM0", L"LPT10", L"CONSOLE", L"AUXILIARY", L".hidden", L"a.b"})
        EXPECT_TRUE(CBackupItemPatientIndex::IsPlainDirectoryName(name)) << ::testing::PrintToString(CString(name));
    for (const wchar_t* name : {L"", L".", L"..", L"a.", L"a ", L"nul", L"Aux.dat", L"com9", L"LPT1.tar.gz", L"CON .x",
                                L"a\\b", L"a/b", L"a:b", L"a<b", L"a>b", L"a\"b", L"a|b", L"a?b", L"a*b", L"a\x1F"})
        EXPECT_FALSE(CBackupItemPatientIndex::IsPlainDirectoryName(name)) << ::testing::PrintToString(CString(name));
}

} // namespace
