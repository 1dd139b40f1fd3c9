// The settings item and the item of one key, on the real registry and real files.

#include "items/registry/CBackupItemRegistry.h"
#include "items/registry/CBackupItemRegistrySettings.h"

#include "app/Globals.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace regtest;

namespace {

const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const wchar_t kRoot[] = L"Software\\Tessaro\\ORVEX\\";
const wchar_t kCommon[] = L"Software\\Tessaro\\CADCAM\\Common\\";
const wchar_t kMilling[] = L"Software\\Tessaro\\CADCAM\\Device\\Milling";
const wchar_t kProfil[] = L"Software\\Tessaro\\CADCAM\\Profil";

// The installation's keys are moved aside for every test; five keys of test data.
class RegistryItemsTest : public FlagsFixture {
protected:
    void SetUp() override
    {
        FlagsFixture::SetUp();
        m_userKeys = std::make_unique<StashedKey>(kUser, kRoot);
        m_machineKeys = std::make_unique<StashedKey>(kMachine, L"Software\\Tessaro");
        SetString(kUser, kRoot, L"Language", L"de-DE");
        SetDword(kUser, CString(kRoot) + L"Views\\3D", L"Zoom", 150);
        SetString(kMachine, kRoot, L"Version", L"4.2.1");
        SetDword(kMachine, kCommon, L"NetworkPort", 2870);
        SetString(kMachine, kMilling, L"Port", L"COM3");
        SetString(kMachine, CString(kMilling) + L"\\Tools", L"Left", L"Step Bur 12S");
        SetDword(kMachine, CString(kProfil) + L"\\Standard", L"Spacer", 80);
        m_archive = m_dir / L"Settings\\Settings";
    }

    void TearDown() override
    {
        m_machineKeys.reset();
        m_userKeys.reset();
        FlagsFixture::TearDown();
    }

    std::unique_ptr<StashedKey> m_userKeys;
    std::unique_ptr<StashedKey> m_machineKeys;
    test::TempDir m_dir;
    CString m_archive;
    TestListener m_listener;
};

TEST_F(RegistryItemsTest, SettingsRoundTripBringsBackMillingWithoutItsSubKeys)
{
    // The five keys come back as they were, all but Milling with their sub-keys.
    CBackupItemRegistrySettings item;
    item.BuildForBackup();
    item.SetCheck(2);
    EXPECT_EQ(0, item.CalculateSize()) << "a partly checked settings item saves nothing";
    item.SetCheck(1);
    // Saved even in a cancelled run.
    m_listener.Cancel();
    item.Backup(m_dir.Path(), &m_listener);
    EXPECT_EQ(static_cast<size_t>(item.GetSize()), test::ReadBytes(m_archive).size());

    KeyTree user = ReadTree(kUser, kRoot);
    KeyTree machine = ReadTree(kMachine, L"Software\\Tessaro");
    DeleteTree(kUser, kRoot);
    DeleteTree(kMachine, L"Software\\Tessaro");
    WriteBackupIni(m_dir.Path(), 1, 1);
    CBackupItemRegistrySettings restore;
    restore.BuildForRestore(m_dir / L"Settings");
    restore.SetCheck(1);
    TestListener listener;
    restore.Restore(m_dir.Path(), &listener);
    EXPECT_EQ(restore.GetSize(), listener.progress);
    EXPECT_TRUE(user == ReadTree(kUser, kRoot));
    KeyTree after = ReadTree(kMachine, L"Software\\Tessaro");
    EXPECT_FALSE(after == machine);
    machine.subKeys[L"CADCAM"].subKeys[L"Device"].subKeys[L"Milling"].subKeys.clear();
    EXPECT_TRUE(after == machine) << "everything but Milling's sub-keys comes back";
    // A Settings directory without its archive offers no node to tick, unless
    // the archive was found on an earlier medium.
    const LONGLONG nSize = restore.GetSize();
    ASSERT_TRUE(DeleteFileW(m_archive));
    restore.BuildForRestore(m_dir / L"Settings");
    EXPECT_TRUE(restore.IsEnabled());
    EXPECT_EQ(nSize, restore.GetSize()) << "the size found on the earlier medium counts for the progress";
    CBackupItemRegistrySettings missing;
    missing.BuildForRestore(m_dir / L"Settings");
    EXPECT_FALSE(missing.IsEnabled());
}

TEST_F(RegistryItemsTest, StoredChoiceOrAnswerDecidesOverAnExistingArchive)
{
    const struct {
        BOOL automated;
        BOOL remember;
        BOOL overwrite;
        int answer;
        bool overwritten;
    } cases[] = {
        {TRUE, FALSE, FALSE, 0, true},  {FALSE, TRUE, TRUE, 0, true}, {FALSE, TRUE, FALSE, 0, false},
        {FALSE, FALSE, FALSE, IDOK, true}, {FALSE, FALSE, FALSE, IDCANCEL, false},
    };
    ASSERT_TRUE(CreateDirectoryW(m_dir / L"Settings", nullptr));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "answer " << c.answer << ", stored " << c.remember << c.overwrite);
        test::WriteText(m_archive, "old");
        gAutomatedMode = c.automated;
        gRememberChoice = c.remember;
        gOverwriteChoice = c.overwrite;
        int questions = 0;
        TestListener listener;
        listener.onOverwrite = [&](const CString& text, BOOL& bRemember) {
            ++questions;
            CString expected;
            expected.FormatMessage(IDS_FILE_EXISTS, m_archive.GetString());
            EXPECT_EQ(expected, text);
            bRemember = TRUE;
            return c.answer == IDOK ? EOverwriteAnswer::Yes : EOverwriteAnswer::Cancel;
        };
        CBackupItemRegistrySettings item;
        item.BuildForBackup();
        item.SetCheck(1);
        item.Backup(m_dir.Path(), &listener);
        EXPECT_EQ(c.answer ? 1 : 0, questions);
        EXPECT_EQ(c.overwritten, test::ReadBytes(m_archive) != (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(c.answer == IDCANCEL, listener.IsCancelled() != FALSE);
        // Kept or not, the item counts as done.
        EXPECT_EQ(CBackupItem::BackedUp, item.GetBackupState());
        EXPECT_EQ(item.GetSize(), listener.progress);
    }
    EXPECT_FALSE(gRememberChoice) << "Cancel remembers nothing";
}

TEST_F(RegistryItemsTest, KeyItemRestoresOnlyFromItsOwnMediumAndNotInACancelledBackup)
{
    CBackupItemRegistry source(kMachine, kProfil, L"Profil");
    source.BuildForBackup();
    source.SetCheck(1);
    source.Backup(m_dir / L"Calibration", &m_listener);
    EXPECT_EQ(source.GetSize(), m_listener.progress);
    WriteBackupIni(m_dir.Path(), 0, 2);
    CBackupItemRegistry item;
    item.BuildForRestore(m_dir / L"Calibration\\Profil");
    CBackupItemRegistry missing;
    missing.BuildForRestore(m_dir / L"Calibration\\Gone");
    EXPECT_FALSE(missing.IsEnabled());
    DeleteTree(kMachine, kProfil);

    TestListener listener;
    item.SetCheck(1);
    WriteBackupIni(m_dir.Path(), 1, 3);
    item.Restore(m_dir / L"Calibration", &listener);
    EXPECT_FALSE(KeyExists(kMachine, kProfil)) << "another medium";
    WriteBackupIni(m_dir.Path(), 0, 2);
    item.Restore(m_dir / L"Calibration", &listener);
    EXPECT_TRUE(ValueExists(kMachine, CString(kProfil) + L"\\Standard", L"Spacer"));

    CBackupItemRegistry device(kMachine, kProfil, L"Device 1");
    device.BuildForBackup();
    device.SetCheck(1);
    listener.Cancel();
    device.Backup(m_dir.Path(), &listener);
    EXPECT_FALSE(test::FileExists(m_dir / L"Device 1"));
    EXPECT_EQ(CBackupItem::NotBackedUp, device.GetBackupState());
}

} // namespace
