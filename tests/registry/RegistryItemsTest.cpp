// The registry items: the settings item and the item of one key, on the real
// registry and real files.

#include "items/registry/CBackupItemRegistry.h"
#include "items/registry/CBackupItemRegistrySettings.h"

#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

using namespace regtest;

namespace {

const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const wchar_t kRoot[] = L"Software\\Tessaro\\ORVEX\\";
const wchar_t kCommon[] = L"Software\\Tessaro\\CADCAM\\Common\\";
const wchar_t kMilling[] = L"Software\\Tessaro\\CADCAM\\Device\\Milling";
const wchar_t kProfil[] = L"Software\\Tessaro\\CADCAM\\Profil";

Bytes ArchiveOf(CBackupItemRegistry& item)
{
    CMemFile file;
    item.WriteRegistry(&file);
    return ToBytes(file);
}

// The installation's keys are moved aside for every test and come back after it.
class RegistryItemsTest : public FlagsFixture {
protected:
    void SetUp() override
    {
        FlagsFixture::SetUp();
        m_userKeys.reset(new StashedKey(kUser, kRoot));
        m_machineKeys.reset(new StashedKey(kMachine, L"Software\\Tessaro"));
    }

    void TearDown() override
    {
        m_machineKeys.reset();
        m_userKeys.reset();
        FlagsFixture::TearDown();
    }

    void MakeFiveKeys()
    {
        SetString(kUser, kRoot, L"Language", L"de-DE");
        SetDword(kUser, CString(kRoot) + L"Views\\3D", L"Zoom", 150);
        SetString(kMachine, kRoot, L"Version", L"4.2.1");
        SetDword(kMachine, CString(kRoot) + L"Settings", L"AutoSave", 1);
        SetDword(kMachine, kCommon, L"NetworkPort", 2870);
        SetString(kMachine, CString(kCommon) + L"Materials\\Zirkon", L"", L"Zirkonoxid");
        SetString(kMachine, kMilling, L"Port", L"COM3");
        SetString(kMachine, CString(kMilling) + L"\\Tools", L"Left", L"Step Bur 12S");
        SetDword(kMachine, kProfil, L"Count", 2);
        SetDword(kMachine, CString(kProfil) + L"\\Standard", L"Spacer", 80);
    }

    std::unique_ptr<StashedKey> m_userKeys;
    std::unique_ptr<StashedKey> m_machineKeys;
    test::TempDir m_dir;
    TestListener m_listener;
};

TEST_F(RegistryItemsTest, SettingsItemIsDisabledWithoutAnyOfTheFiveKeys)
{
    CBackupItemRegistrySettings item;
    EXPECT_EQ(CString(L"Settings"), item.GetName());
    item.BuildForBackup();
    EXPECT_FALSE(item.IsEnabled());
    EXPECT_EQ(0, item.GetSize());
    EXPECT_EQ(0, item.GetHives().GetSize());
    item.SelectModified();
    EXPECT_EQ(0u, item.GetCheck());

    // Select-all still checks it; the backup then holds an archive without records.
    item.SelectAll();
    item.Backup(m_dir.Path(), &m_listener);
    EXPECT_EQ((Bytes{1, 0, 0, 0, 0, 0, 0, 0}), test::ReadBytes(m_dir / L"Settings\\Settings"));
    EXPECT_EQ(CBackupItem::BackedUp, item.GetBackupState());
}

TEST_F(RegistryItemsTest, SettingsItemCollectsTheFiveKeysInTheirOrder)
{
    MakeFiveKeys();
    CBackupItemRegistrySettings item;
    item.BuildForBackup();
    EXPECT_TRUE(item.IsEnabled());
    const auto& hives = item.GetHives();
    ASSERT_EQ(5, hives.GetSize());
    const struct {
        HKEY root;
        const wchar_t* path;
        BOOL withSubKeys;
    } expected[] = {{kUser, kRoot, TRUE}, {kMachine, kRoot, TRUE}, {kMachine, kCommon, TRUE},
                    {kMachine, kMilling, FALSE}, {kMachine, kProfil, TRUE}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(expected[i].root, hives[i].hHive) << i;
        EXPECT_EQ(CString(expected[i].path), hives[i].strKeyPath) << i;
        EXPECT_EQ(expected[i].withSubKeys, hives[i].bWithSubKeys) << i;
    }
    EXPECT_EQ(static_cast<LONGLONG>(ArchiveOf(item).size()), item.GetSize());
    EXPECT_EQ(0, item.CalculateSize()) << "counts only when selected";
    item.SelectModified();
    EXPECT_EQ(1u, item.GetCheck());
    EXPECT_EQ(item.GetSize(), item.CalculateSize());
    item.SetCheck(2);
    EXPECT_EQ(0, item.CalculateSize()) << "a partly checked settings item saves nothing";

    // Only the keys that exist are taken.
    DeleteTree(kUser, kRoot);
    DeleteTree(kMachine, L"Software\\Tessaro");
    SetDword(kMachine, kProfil, L"Count", 2);
    CBackupItemRegistrySettings one;
    one.BuildForBackup();
    ASSERT_EQ(1, one.GetHives().GetSize());
    EXPECT_EQ(CString(kProfil), one.GetHives()[0].strKeyPath);
}

TEST_F(RegistryItemsTest, SettingsRoundTripBringsBackMillingWithoutItsSubKeys)
{
    MakeFiveKeys();
    CBackupItemRegistrySettings item;
    item.BuildForBackup();
    item.SetCheck(1);
    gAutomatedMode = TRUE;
    item.Backup(m_dir.Path(), &m_listener);

    CString archive = m_dir / L"Settings\\Settings";
    ASSERT_TRUE(test::FileExists(archive));
    EXPECT_EQ(static_cast<size_t>(item.GetSize()), test::ReadBytes(archive).size());
    EXPECT_EQ(item.GetSize(), m_listener.progress);

    KeyTree user = ReadTree(kUser, kRoot);
    KeyTree machine = ReadTree(kMachine, kRoot);
    KeyTree common = ReadTree(kMachine, kCommon);
    KeyTree milling = ReadTree(kMachine, kMilling);
    KeyTree profil = ReadTree(kMachine, kProfil);
    DeleteTree(kUser, kRoot);
    DeleteTree(kMachine, L"Software\\Tessaro");

    WriteBackupIni(m_dir.Path(), 1, 1);
    CBackupItemRegistrySettings restore;
    restore.BuildForRestore(m_dir / L"Settings");
    EXPECT_EQ(item.GetSize(), restore.GetSize());
    EXPECT_EQ(1u, restore.GetDiskNumber());
    restore.SetCheck(1);
    TestListener listener;
    restore.Restore(m_dir.Path(), &listener);

    EXPECT_EQ("", Difference(user, ReadTree(kUser, kRoot)));
    EXPECT_EQ("", Difference(machine, ReadTree(kMachine, kRoot)));
    EXPECT_EQ("", Difference(common, ReadTree(kMachine, kCommon)));
    EXPECT_EQ("", Difference(profil, ReadTree(kMachine, kProfil)));
    KeyTree millingAfter = ReadTree(kMachine, kMilling);
    EXPECT_EQ(milling.values, millingAfter.values);
    EXPECT_EQ(1u, milling.subKeys.count(L"Tools"));
    EXPECT_TRUE(millingAfter.subKeys.empty());
    EXPECT_EQ(restore.GetSize(), listener.progress);
}

TEST_F(RegistryItemsTest, SettingsAreSavedInACancelledRunAndADeviceKeyIsNot)
{
    MakeFiveKeys();
    m_listener.Cancel();
    CBackupItemRegistrySettings settings;
    settings.BuildForBackup();
    settings.SetCheck(1);
    settings.Backup(m_dir.Path(), &m_listener);
    EXPECT_TRUE(test::FileExists(m_dir / L"Settings\\Settings"));

    CBackupItemRegistry device(kMachine, kProfil, L"Device 1");
    device.BuildForBackup();
    device.SetCheck(1);
    device.Backup(m_dir.Path(), &m_listener);
    EXPECT_FALSE(test::FileExists(m_dir / L"Device 1"));
    EXPECT_EQ(CBackupItem::NotBackedUp, device.GetBackupState());
}

TEST_F(RegistryItemsTest, UncheckedOrDoneItemsWriteNothing)
{
    MakeFiveKeys();
    CBackupItemRegistrySettings settings;
    settings.BuildForBackup();
    settings.Backup(m_dir.Path(), &m_listener);
    EXPECT_FALSE(test::DirExists(m_dir / L"Settings"));

    settings.SetCheck(1);
    settings.Backup(m_dir.Path(), &m_listener);
    ASSERT_TRUE(test::FileExists(m_dir / L"Settings\\Settings"));
    ASSERT_TRUE(DeleteFileW(m_dir / L"Settings\\Settings"));
    // A second pass after a medium change does not write it again.
    settings.Backup(m_dir.Path(), &m_listener);
    EXPECT_FALSE(test::FileExists(m_dir / L"Settings\\Settings"));
    EXPECT_EQ(1, m_listener.progressCalls);
}

TEST_F(RegistryItemsTest, KeyItemWritesItsArchiveNamedLikeItselfAndCreatesTheDirectory)
{
    SetDword(kMachine, kProfil, L"Count", 2);
    CBackupItemRegistry item(kMachine, kProfil, L"Lumara 3D 3309214");
    item.BuildForBackup();
    EXPECT_EQ(0, item.CalculateSize());
    item.SetCheck(2);
    EXPECT_EQ(item.GetSize(), item.CalculateSize());
    CString dir = m_dir / L"Calibration\\Nested";
    item.Backup(dir, &m_listener);
    Bytes written = test::ReadBytes(dir + L"\\Lumara 3D 3309214");
    EXPECT_EQ(ArchiveOf(item), written);
    EXPECT_EQ(static_cast<LONGLONG>(written.size()), m_listener.progress);
    EXPECT_EQ(CBackupItem::BackedUp, item.GetBackupState());
}

class OverwriteTest : public RegistryItemsTest {
protected:
    void SetUp() override
    {
        RegistryItemsTest::SetUp();
        MakeFiveKeys();
        m_item.BuildForBackup();
        m_item.SetCheck(1);
        ASSERT_TRUE(CreateDirectoryW(m_dir / L"Settings", nullptr));
        m_archive = m_dir / L"Settings\\Settings";
        test::WriteText(m_archive, "old");
    }

    bool Kept() { return test::ReadBytes(m_archive) == Bytes{'o', 'l', 'd'}; }

    CBackupItemRegistrySettings m_item;
    CString m_archive;
};

TEST_F(OverwriteTest, StoredChoiceOrAnswerDecides)
{
    const struct {
        const char* what;
        BOOL automated;
        BOOL remember;
        BOOL overwrite;
        int answer;
        bool overwritten;
    } cases[] = {
        {"unattended overwrites without asking", TRUE, FALSE, FALSE, 0, true},
        {"remembered Yes", FALSE, TRUE, TRUE, 0, true},
        {"remembered No", FALSE, TRUE, FALSE, 0, false},
        {"Yes", FALSE, FALSE, FALSE, IDOK, true},
        {"Cancel stops the run", FALSE, FALSE, FALSE, IDCANCEL, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteText(m_archive, "old");
        gAutomatedMode = c.automated;
        gRememberChoice = c.remember;
        gOverwriteChoice = c.overwrite;
        int questions = 0;
        AfxSetDialogResponder([&](UINT, const CString&) {
            ++questions;
            return SDialogAnswer{c.answer, TRUE};
        });
        CBackupItemRegistrySettings item;
        item.BuildForBackup();
        item.SetCheck(1);
        TestListener listener;
        item.Backup(m_dir.Path(), &listener);
        EXPECT_EQ(c.answer ? 1 : 0, questions);
        EXPECT_EQ(c.overwritten, test::ReadBytes(m_archive) == ArchiveOf(item));
        EXPECT_EQ(!c.overwritten, Kept());
        EXPECT_EQ(c.answer == IDCANCEL, listener.cancelled != FALSE);
        // Kept or not, the item counts as done.
        EXPECT_EQ(CBackupItem::BackedUp, item.GetBackupState());
        EXPECT_EQ(item.GetSize(), listener.progress);
        if (c.answer == IDCANCEL) {
            EXPECT_FALSE(gRememberChoice);
        }
    }
}

TEST_F(OverwriteTest, QuestionNamesTheFileAndNoWithRememberKeepsLaterArchivesToo)
{
    std::vector<CString> asked;
    AfxSetDialogResponder([&](UINT nIdTemplate, const CString& text) {
        EXPECT_EQ(static_cast<UINT>(IDD_OVERWRITE_FILES), nIdTemplate);
        asked.push_back(text);
        return SDialogAnswer{IDNO, TRUE};
    });
    m_item.Backup(m_dir.Path(), &m_listener);
    ASSERT_EQ(1u, asked.size());
    CString expected;
    expected.FormatMessage(IDS_FILE_EXISTS, m_archive.GetString());
    EXPECT_EQ(expected, asked[0]);
    EXPECT_GE(asked[0].Find(m_archive), 0);
    EXPECT_TRUE(Kept());
    EXPECT_TRUE(gRememberChoice);
    EXPECT_FALSE(gOverwriteChoice);

    CBackupItemRegistry device(kMachine, kProfil, L"Device");
    device.BuildForBackup();
    device.SetCheck(1);
    test::WriteText(m_dir / L"Device", "old");
    device.Backup(m_dir.Path(), &m_listener);
    EXPECT_EQ(1u, asked.size());
    EXPECT_EQ((Bytes{'o', 'l', 'd'}), test::ReadBytes(m_dir / L"Device"));
    EXPECT_EQ(CBackupItem::BackedUp, device.GetBackupState());
}

// A key item's archive in m_dir\Calibration\Profil, made from the live key, on medium 2.
class KeyItemRestoreTest : public RegistryItemsTest {
protected:
    void SetUp() override
    {
        RegistryItemsTest::SetUp();
        SetDword(kMachine, kProfil, L"Count", 2);
        CBackupItemRegistry source(kMachine, kProfil, L"Profil");
        source.BuildForBackup();
        source.SetCheck(1);
        source.Backup(m_dir / L"Calibration", &m_listener);
        m_size = source.GetSize();
        WriteBackupIni(m_dir.Path(), 0, 2);
        m_item.BuildForRestore(m_dir / L"Calibration\\Profil");
        DeleteTree(kMachine, kProfil);
    }
    CBackupItemRegistry m_item;
    LONGLONG m_size = 0;
};

TEST_F(KeyItemRestoreTest, RestoresOnlyFromItsOwnMediumAndOnlyWhenSelected)
{
    EXPECT_EQ(CString(L"Profil"), m_item.GetName());
    EXPECT_EQ(m_size, m_item.GetSize());
    EXPECT_EQ(2u, m_item.GetDiskNumber());
    EXPECT_EQ(0, m_item.GetHives().GetSize());
    CBackupItemRegistry missing;
    missing.BuildForRestore(m_dir / L"Calibration\\Absent");
    EXPECT_EQ(CString(), missing.GetName());
    EXPECT_EQ(0, missing.GetSize());

    TestListener listener;
    m_item.Restore(m_dir / L"Calibration", &listener);
    EXPECT_FALSE(KeyExists(kMachine, kProfil)) << "not selected";
    m_item.SetCheck(1);
    WriteBackupIni(m_dir.Path(), 1, 3);
    m_item.Restore(m_dir / L"Calibration", &listener);
    EXPECT_FALSE(KeyExists(kMachine, kProfil)) << "another medium";
    EXPECT_EQ(0, listener.progressCalls);
    WriteBackupIni(m_dir.Path(), 0, 2);
    m_item.Restore(m_dir / L"Calibration", &listener);
    EXPECT_TRUE(ValueExists(kMachine, kProfil, L"Count"));
    EXPECT_EQ(m_size, listener.progress);
}

TEST_F(KeyItemRestoreTest, ArchiveThatVanishedRaisesFileException)
{
    m_item.SetCheck(1);
    ASSERT_TRUE(DeleteFileW(m_dir / L"Calibration\\Profil"));
    int cause = -1;
    try {
        m_item.Restore(m_dir / L"Calibration", &m_listener);
    } catch (CFileException* e) {
        cause = e->m_cause;
        e->Delete();
    }
    EXPECT_EQ(CFileException::fileNotFound, cause);
}

} // namespace
