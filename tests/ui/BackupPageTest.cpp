// The Backup page in a real property sheet, over a live installation made of
// real files and the real registry: the required space, the Start Backup
// button, the proposed name, every refusal of the input, and the fresh tree
// after a backup.

#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "res/resource.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CPropPageBackup.h"

#include <gtest/gtest.h>

using test::Click;
using test::ItemEnabled;
using test::ItemText;
using test::LoadText;

namespace {

const size_t kMegabyte = 1024 * 1024;

class BackupPageTest : public test::UiTest {
protected:
    void MakePatient(const wchar_t* name, size_t nBytes)
    {
        test::MakePatientFile(m_data.Path(), name, L"2024-01-01_Krone", L"scan.dat", nBytes);
    }
    HWND Page() const { return m_page.m_hWnd; }
    const CArray<CBackupItem*, CBackupItem*>& Patients() const
    {
        return m_page.GetRoot()->GetChildren()[3]->GetChildren();
    }
    // Start Backup with the path and name in the fields; the messages shown.
    std::vector<test::SMessage> Start(const CString& path, const CString& name, std::initializer_list<int> answers = {})
    {
        test::MessageLog log(answers);
        SetDlgItemTextW(Page(), IDC_MEDIA_PATH, path);
        SetDlgItemTextW(Page(), IDC_BACKUP_NAME, name);
        // The focus elsewhere, as the tree has it after the user ticked there.
        SetFocus(GetDlgItem(Page(), IDC_BACKUP_TREE));
        Click(Page(), IDC_START_BACKUP);
        return log.Messages();
    }

    test::TempDir m_data;
    test::DataPathOverride m_dataPath{m_data.Path()};
    CPropPageBackup m_page;
};

// The failure message the page shows, with its caption and style, and the
// field to correct: focused, its text selected.
void ExpectError(const std::vector<test::SMessage>& messages, const CString& text, HWND hPage, int nFieldId)
{
    EXPECT_TRUE(test::FocusedAndSelected(hPage, nFieldId)) << "field " << nFieldId;
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(text, messages[0].text);
    EXPECT_EQ(LoadText(IDS_ERROR), messages[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), messages[0].type);
}

} // namespace

TEST(RequiredMegabytes, WholeMegabytesPlusOneForMoreThanOneByte)
{
    const LONGLONG bytes[] = {0, 1, 2, kMegabyte - 1, kMegabyte, 2 * kMegabyte, 4096LL * kMegabyte + 5};
    const LONGLONG megabytes[] = {0, 0, 1, 1, 2, 3, 4097};
    for (size_t i = 0; i < std::size(bytes); ++i)
        EXPECT_EQ(megabytes[i], CPropPageBackup::RequiredMegabytes(bytes[i])) << bytes[i];
}

TEST(RequiredMegabytes, ASelectionLargerThanTheMediumSaysHowManyMediaLikeItItNeeds)
{
    SKIP_WITHOUT_MEDIA();
    test::MediaDrive::Insert(1);
    test::MediaDrive::Erase(1);
    // The 3 MiB test medium holds a little less than 3 MiB of files.
    EXPECT_EQ(CString(), CPropPageBackup::MediaNeededText(kMegabyte, L"R:\\Backup"));
    EXPECT_EQ(CString(L"needs about 3 media like R:\\"), CPropPageBackup::MediaNeededText(8 * kMegabyte, L"R:\\"));
    EXPECT_EQ(CString(L"needs about 4 media like R:\\"),
              CPropPageBackup::MediaNeededText(9 * kMegabyte, L"R:\\Backup\\New"));
    EXPECT_EQ(CString(), CPropPageBackup::MediaNeededText(8 * kMegabyte, CString()));
}

TEST(FormatBackupName, LongDateWithoutCommasAndTheTimeInAnyScript)
{
    // Tuesday, 14 November 2023, 22:13, and a minute later.
    const SYSTEMTIME t = {2023, 11, 2, 14, 22, 13, 20, 0};
    const SYSTEMTIME later = {2023, 11, 2, 14, 22, 14, 20, 0};
    const wchar_t* const cases[][2] = {{L"en-US", L"Backup : Tuesday November 14 2023 22:13"},
                                       {L"de-DE", L"Backup : Dienstag 14. November 2023 22:13"},
                                       {L"ru-RU", nullptr}, {L"el-GR", nullptr}, {L"ja-JP", nullptr}};
    for (const auto& c : cases) {
        const CString name = CPropPageBackup::FormatBackupName(c[0], t);
        EXPECT_TRUE(!c[1] || name == CString(c[1])) << name.GetString();
        EXPECT_NE(-1, name.Find(L"14")) << name.GetString();
        EXPECT_EQ(CString(L" 22:13"), name.Right(6)) << c[0];
        EXPECT_NE(name, CPropPageBackup::FormatBackupName(c[0], later)) << c[0];
    }
}

TEST_F(BackupPageTest, RefusedInputShowsItsMessageAndMakesNoFolder)
{
    test::PageHost host({&m_page});
    test::TempDir media;
    ExpectError(Start(L"", L""), LoadText(IDS_ENTER_VALID_BACKUP_PATH), Page(), IDC_MEDIA_PATH);
    ExpectError(Start(media.Path(), L""), LoadText(IDS_ENTER_FOLDER_NAME), Page(), IDC_BACKUP_NAME);
    ExpectError(Start(media.Path(), L"Mo,Di"), LoadText(IDS_BAD_FOLDER_NAME), Page(), IDC_BACKUP_NAME);
    ExpectError(Start(media.Path(), L"sub\\dir"), LoadText(IDS_BAD_FOLDER_NAME), Page(), IDC_BACKUP_NAME);
    EXPECT_TRUE(test::SubDirectories(media.Path()).empty());

    // A path with no existing ancestor, on a letter that names no drive.
    for (wchar_t letter = L'Q'; letter >= L'G'; --letter) {
        const CString root = CString(letter) + L":\\";
        if (GetDriveTypeW(root) != DRIVE_NO_ROOT_DIR)
            continue;
        CString expected;
        expected.FormatMessage(IDS_PATH_INVALID, (root + L"Sicherung\\a,b").GetString());
        ExpectError(Start(root + L"Sicherung", L"a,b"), expected, Page(), IDC_MEDIA_PATH);
        break;
    }
}

TEST_F(BackupPageTest, ExistingFolderUnderTheDiskNameIsAskedAboutBeforeAnyOtherCheck)
{
    test::PageHost host({&m_page});
    test::TempDir media;
    const CString backup = media / CDirectory::CreateFileNameForDisk(L"Mo,Di: Nacht");
    ASSERT_NE(media / L"Mo,Di: Nacht", backup);
    ASSERT_TRUE(CreateDirectoryW(backup, nullptr));

    // A media path written with "/" finds the same folder and makes nothing
    // in the working directory (here the media folder).
    CString slashed = media.Path();
    slashed.Replace(L'\\', L'/');
    wchar_t old[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryW(media.Path()));
    std::vector<std::vector<test::SMessage>> answers;
    for (const CString& path : {media.Path(), slashed})
        answers.push_back(Start(path, L"Mo,Di: Nacht", {IDCANCEL}));
    SetCurrentDirectoryW(old);
    EXPECT_EQ(1u, test::SubDirectories(media.Path()).size()) << "only the backup folder";
    for (const std::vector<test::SMessage>& messages : answers) {
        ASSERT_EQ(2u, messages.size());
        EXPECT_EQ(LoadText(IDS_BACKUP_DIR_EXISTS) + L"\n" + LoadText(IDS_DO_YOU_WANT_TO_CONTINUE), messages[0].text);
        EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONERROR), messages[0].type);
        ExpectError({messages[1]}, LoadText(IDS_BACKUP_CANCELLED), Page(), IDC_BACKUP_NAME);
    }
    EXPECT_EQ(-1, test::ReadBackupIni(backup, L"BackupComplete"));

    // OK skips every further check, the comma's too.
    std::vector<test::SMessage> messages = Start(media.Path(), L"Mo,Di: Nacht", {IDOK});
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ(LoadText(IDS_BACKUP_SUCCEEDED), messages[1].text);
    EXPECT_EQ(1, test::ReadBackupIni(backup, L"BackupComplete"));
}

TEST_F(BackupPageTest, PatientDataNeedFiveMegabytesOnTheMediumTheSettingsDoNot)
{
    SKIP_WITHOUT_MEDIA();
    test::MediaDrive::Erase(1);
    test::MediaDrive::Insert(1);
    MakePatient(L"Anna", 1000);
    test::PageHost host({&m_page});
    Click(Page(), IDC_SELECT_MODIFIED);
    ExpectError(Start(test::MediaDrive::Root(), L"Nacht"), LoadText(IDS_LESS_THAN_5MB), Page(), IDC_MEDIA_PATH);
    EXPECT_FALSE(test::DirExists(L"R:\\Nacht"));

    m_page.RebuildTree();
    m_page.GetRoot()->GetChildren()[0]->SetCheck(CTreeItem::Checked);
    const std::vector<test::SMessage> messages = Start(test::MediaDrive::Root(), L"Nacht");
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(LoadText(IDS_BACKUP_SUCCEEDED), messages[0].text);
    EXPECT_EQ(1, test::ReadBackupIni(L"R:\\Nacht", L"BackupComplete"));
    test::MediaDrive::Insert(0);
    test::MediaDrive::Erase(1);
}

TEST_F(BackupPageTest, AFailedRunKeepsTheTicksAndASuccessfulOneLeavesAFreshTreeBothAFreshName)
{
    MakePatient(L"Anna", kMegabyte + 40000);
    MakePatient(L"Bruno", 30000);
    test::PageHost host({&m_page});
    test::TempDir media;
    EXPECT_FALSE(ItemEnabled(Page(), IDC_START_BACKUP));
    Click(Page(), IDC_SELECT_MODIFIED);
    EXPECT_EQ(CTreeItem::Checked, Patients()[0]->GetCheck()) << "files just written are new data";
    EXPECT_TRUE(ItemEnabled(Page(), IDC_START_BACKUP));
    CString required;
    required.Format(L"%lld", CPropPageBackup::RequiredMegabytes(m_page.GetRoot()->CalculateSize()));
    EXPECT_EQ(required, ItemText(Page(), IDC_REQUIRED_SPACE));
    EXPECT_NE(CString(L"0"), required);

    // Held open without sharing, Bruno's file cannot be copied.
    HANDLE hLocked = CreateFileW(m_data / L"Bruno\\2024-01-01_Krone\\scan.dat", GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLocked);
    std::vector<CString> names = {ItemText(Page(), IDC_BACKUP_NAME)};
    std::vector<test::SMessage> messages = Start(media.Path(), names.back());
    CloseHandle(hLocked);
    ASSERT_EQ(1u, messages.size());
    EXPECT_NE(LoadText(IDS_BACKUP_SUCCEEDED), messages[0].text);
    EXPECT_EQ((std::vector<UINT>{CTreeItem::Checked, CTreeItem::Checked}),
              (std::vector<UINT>{Patients()[0]->GetCheck(), Patients()[1]->GetCheck()}));
    EXPECT_EQ(required, ItemText(Page(), IDC_REQUIRED_SPACE));
    EXPECT_TRUE(ItemEnabled(Page(), IDC_START_BACKUP));

    names.push_back(ItemText(Page(), IDC_BACKUP_NAME));
    messages = Start(media.Path(), names.back());
    ASSERT_EQ(1u, messages.size()) << "the fresh name is free";
    EXPECT_EQ(LoadText(IDS_BACKUP_SUCCEEDED), messages[0].text);
    const CString backup = media / CDirectory::CreateFileNameForDisk(names.back());
    EXPECT_EQ(1, test::ReadBackupIni(backup, L"BackupComplete"));
    EXPECT_EQ(30000u, test::ReadBytes(backup + L"\\Patient Data Index\\Bruno\\2024-01-01_Krone\\scan.dat").size());
    EXPECT_EQ(CString(L"0"), ItemText(Page(), IDC_REQUIRED_SPACE));
    EXPECT_FALSE(ItemEnabled(Page(), IDC_START_BACKUP));
    ASSERT_EQ(2, Patients().GetSize());
    EXPECT_EQ(0, m_page.GetRoot()->CalculateSize());
    names.push_back(ItemText(Page(), IDC_BACKUP_NAME));
    for (size_t i = 1; i < names.size(); ++i) {
        EXPECT_EQ(0, names[i].Find(L"Backup : ")) << names[i];
        EXPECT_NE(names[i - 1], names[i]);
    }
    EXPECT_FALSE(test::DirExists(media / CDirectory::CreateFileNameForDisk(names.back())));
}
