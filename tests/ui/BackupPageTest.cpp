// The Backup page in a real property sheet, over a live installation made of
// real files and the real registry: the required space, the Start Backup
// button, the proposed name, every refusal of the input in its order, and the
// fresh tree after a backup.

#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "items/ItemNames.h"
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

// A live installation with the given patients, each with one file of the
// given size, and the page built over it.
class BackupPageTest : public test::UiTest {
protected:
    void MakePatient(const wchar_t* name, size_t nBytes)
    {
        test::MakePatientFile(m_data.Path(), name, L"2024-01-01_Krone", L"scan.dat", nBytes);
    }
    HWND Page() const { return m_page.m_hWnd; }
    // The items of the patients in the tree.
    const CArray<CBackupItem*, CBackupItem*>& Patients() const
    {
        return m_page.GetRoot()->GetChildren()[3]->GetChildren();
    }

    test::TempDir m_data;
    test::DataPathOverride m_dataPath{m_data.Path()};
    CPropPageBackup m_page;
};

void UncheckAll(CBackupItem* pItem)
{
    pItem->SetCheck(CTreeItem::Unchecked);
    for (INT_PTR i = 0; i < pItem->GetChildren().GetSize(); ++i)
        UncheckAll(pItem->GetChildren()[i]);
}

// The failure message the page shows, with its caption and style.
void ExpectError(const test::SMessage& message, const CString& text)
{
    EXPECT_EQ(text, message.text);
    EXPECT_EQ(LoadText(IDS_ERROR), message.caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), message.type);
}

// A drive letter that names no drive in this prefix.
CString MissingDrive()
{
    for (wchar_t letter = L'Q'; letter >= L'G'; --letter) {
        CString root = CString(letter) + L":\\";
        if (GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR)
            return root;
    }
    return CString();
}

} // namespace

TEST(RequiredMegabytes, WholeMegabytesPlusOneForMoreThanOneByte)
{
    EXPECT_EQ(0, CPropPageBackup::RequiredMegabytes(0));
    EXPECT_EQ(0, CPropPageBackup::RequiredMegabytes(1));
    EXPECT_EQ(1, CPropPageBackup::RequiredMegabytes(2));
    EXPECT_EQ(1, CPropPageBackup::RequiredMegabytes(kMegabyte - 1));
    EXPECT_EQ(2, CPropPageBackup::RequiredMegabytes(kMegabyte));
    EXPECT_EQ(3, CPropPageBackup::RequiredMegabytes(2 * kMegabyte));
    EXPECT_EQ(4097, CPropPageBackup::RequiredMegabytes(4096LL * kMegabyte + 5));
}

TEST(FormatBackupName, LongDateWithoutCommasAndTheTime)
{
    // 2023-11-14 22:13:20 UTC; the local date and time depend on the time zone.
    const __time64_t t = 1700000000;
    struct tm local = {};
    ASSERT_EQ(0, _localtime64_s(&local, &t));
    CString name = CPropPageBackup::FormatBackupName(t);

    wchar_t time[8];
    swprintf(time, 8, L" %02d:%02d", local.tm_hour, local.tm_min);
    EXPECT_EQ(L"Backup : ", name.Left(9));
    EXPECT_EQ(CString(time), name.Right(6));
    EXPECT_EQ(-1, name.Find(L','));

    wchar_t localeName[LOCALE_NAME_MAX_LENGTH] = {};
    GetUserDefaultLocaleName(localeName, LOCALE_NAME_MAX_LENGTH);
    if (CString(localeName) != L"en-US")
        GTEST_SKIP() << "the exact long date is known for en-US only, not " << CString(localeName);
    static const wchar_t* const kDays[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                           L"Thursday", L"Friday", L"Saturday"};
    static const wchar_t* const kMonths[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                             L"July",    L"August",   L"September", L"October", L"November", L"December"};
    CString expected;
    expected.Format(L"Backup : %s %s %d %d%s", kDays[local.tm_wday], kMonths[local.tm_mon], local.tm_mday,
                    local.tm_year + 1900, time);
    EXPECT_EQ(expected, name);
}

TEST_F(BackupPageTest, FirstDisplayHasNothingSelected)
{
    MakePatient(L"Anna", 5000);
    const __time64_t before = _time64(nullptr);
    test::PageHost host({&m_page});
    const __time64_t after = _time64(nullptr);

    EXPECT_FALSE(ItemEnabled(Page(), IDC_START_BACKUP));
    EXPECT_EQ(CString(L"0"), ItemText(Page(), IDC_REQUIRED_SPACE));
    EXPECT_EQ(LoadText(IDS_DEFAULT_MEDIA_PATH), ItemText(Page(), IDC_MEDIA_PATH));
    CString name = ItemText(Page(), IDC_BACKUP_NAME);
    EXPECT_TRUE(name == CPropPageBackup::FormatBackupName(before) || name == CPropPageBackup::FormatBackupName(after))
        << name;
    EXPECT_EQ(CTreeItem::Unchecked, m_page.GetRoot()->GetCheck());
    ASSERT_EQ(1, Patients().GetSize());
    EXPECT_EQ(CString(L"Anna"), Patients()[0]->GetName());
}

TEST_F(BackupPageTest, RequiredSpaceOfTheSelectedPatientData)
{
    struct Case {
        size_t bytes;
        const wchar_t* megabytes;
    } cases[] = {{1, L"0"}, {2, L"1"}, {kMegabyte - 1, L"1"}, {kMegabyte, L"2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        test::TempDir data;
        test::DataPathOverride dataPath(data.Path());
        test::MakePatientFile(data.Path(), L"Bruno", L"case", L"a.dat", c.bytes);
        CPropPageBackup page;
        test::PageHost host({&page});
        EXPECT_EQ(CString(L"0"), ItemText(page.m_hWnd, IDC_REQUIRED_SPACE));

        const auto& patients = page.GetRoot()->GetChildren()[3]->GetChildren();
        ASSERT_EQ(1, patients.GetSize());
        test::ToggleByKey(GetDlgItem(page.m_hWnd, IDC_BACKUP_TREE), patients[0]);
        EXPECT_EQ(CString(c.megabytes), ItemText(page.m_hWnd, IDC_REQUIRED_SPACE));
        // Even a selection that shows 0 MB can be backed up.
        EXPECT_TRUE(ItemEnabled(page.m_hWnd, IDC_START_BACKUP));
    }
}

TEST_F(BackupPageTest, TickingAnItemEnablesStartAndUntickingAllDisablesIt)
{
    MakePatient(L"Anna", 3 * kMegabyte);
    MakePatient(L"Bruno", kMegabyte);
    test::PageHost host({&m_page});
    HWND hTree = GetDlgItem(Page(), IDC_BACKUP_TREE);
    ASSERT_EQ(2, Patients().GetSize());

    test::ToggleByKey(hTree, Patients()[1]);
    EXPECT_TRUE(ItemEnabled(Page(), IDC_START_BACKUP));
    EXPECT_EQ(CString(L"2"), ItemText(Page(), IDC_REQUIRED_SPACE));
    test::ToggleByKey(hTree, Patients()[0]);
    EXPECT_EQ(CString(L"5"), ItemText(Page(), IDC_REQUIRED_SPACE));

    test::ToggleByKey(hTree, Patients()[0]);
    test::ToggleByKey(hTree, Patients()[1]);
    EXPECT_FALSE(ItemEnabled(Page(), IDC_START_BACKUP));
    EXPECT_EQ(CString(L"0"), ItemText(Page(), IDC_REQUIRED_SPACE));
}

TEST_F(BackupPageTest, SelectModifiedSelectsTheNewPatientData)
{
    MakePatient(L"Anna", 3 * kMegabyte);
    MakePatient(L"Bruno", kMegabyte);
    test::PageHost host({&m_page});
    ASSERT_EQ(2, Patients().GetSize());
    Click(Page(), IDC_SELECT_MODIFIED);
    // Files just written are new data.
    EXPECT_EQ(CTreeItem::Checked, Patients()[0]->GetCheck());
    EXPECT_EQ(CTreeItem::Checked, Patients()[1]->GetCheck());
    EXPECT_TRUE(ItemEnabled(Page(), IDC_START_BACKUP));
    const LONGLONG nSelected = m_page.GetRoot()->CalculateSize();
    EXPECT_GE(nSelected, static_cast<LONGLONG>(4 * kMegabyte));
    CString expected;
    expected.Format(L"%lld", CPropPageBackup::RequiredMegabytes(nSelected));
    EXPECT_EQ(expected, ItemText(Page(), IDC_REQUIRED_SPACE));
}

TEST_F(BackupPageTest, ActivatingThePageRecomputesTheSpaceAndTheButton)
{
    MakePatient(L"Anna", 2 * kMegabyte);
    test::PageHost host({&m_page});
    m_page.GetRoot()->SelectAll();
    EXPECT_FALSE(ItemEnabled(Page(), IDC_START_BACKUP));
    EXPECT_TRUE(m_page.OnSetActive());
    EXPECT_TRUE(ItemEnabled(Page(), IDC_START_BACKUP));
    CString expected;
    expected.Format(L"%lld", CPropPageBackup::RequiredMegabytes(m_page.GetRoot()->CalculateSize()));
    EXPECT_EQ(expected, ItemText(Page(), IDC_REQUIRED_SPACE));
    EXPECT_NE(CString(L"0"), expected);

    // Unselecting everything disables the button again.
    UncheckAll(m_page.GetRoot());
    m_page.OnSetActive();
    EXPECT_FALSE(ItemEnabled(Page(), IDC_START_BACKUP));
    EXPECT_EQ(CString(L"0"), ItemText(Page(), IDC_REQUIRED_SPACE));
}

TEST_F(BackupPageTest, BrowseOffersANewFolderAndKeepsTheFieldWhenCancelled)
{
    test::PageHost host({&m_page});
    test::FolderChoices choices({L"D:\\Sicherung", L""});
    Click(Page(), IDC_BROWSE);
    EXPECT_EQ(CString(L"D:\\Sicherung"), ItemText(Page(), IDC_MEDIA_PATH));
    Click(Page(), IDC_BROWSE);
    EXPECT_EQ(CString(L"D:\\Sicherung"), ItemText(Page(), IDC_MEDIA_PATH));
    EXPECT_EQ((std::vector<BOOL>{TRUE, TRUE}), choices.NewFolderOffered());
}

TEST_F(BackupPageTest, EmptyMediaPathComesFirst)
{
    test::PageHost host({&m_page});
    test::MessageLog log;
    SetDlgItemTextW(Page(), IDC_MEDIA_PATH, L"");
    SetDlgItemTextW(Page(), IDC_BACKUP_NAME, L"");
    Click(Page(), IDC_START_BACKUP);
    auto messages = log.Messages();
    ASSERT_EQ(1u, messages.size());
    ExpectError(messages[0], LoadText(IDS_ENTER_VALID_BACKUP_PATH));
}

TEST_F(BackupPageTest, EmptyNameIsRefused)
{
    test::PageHost host({&m_page});
    test::TempDir media;
    test::MessageLog log;
    SetDlgItemTextW(Page(), IDC_MEDIA_PATH, media.Path());
    SetDlgItemTextW(Page(), IDC_BACKUP_NAME, L"");
    Click(Page(), IDC_START_BACKUP);
    auto messages = log.Messages();
    ASSERT_EQ(1u, messages.size());
    ExpectError(messages[0], LoadText(IDS_ENTER_FOLDER_NAME));
}

TEST_F(BackupPageTest, ExistingFolderIsAskedAboutBeforeTheNameCheck)
{
    test::PageHost host({&m_page});
    test::TempDir media;
    ASSERT_TRUE(CreateDirectoryW(media / L"Mo,Di", nullptr));

    // Cancel: the backup is not started.
    {
        test::MessageLog log({IDCANCEL});
        SetDlgItemTextW(Page(), IDC_MEDIA_PATH, media.Path());
        SetDlgItemTextW(Page(), IDC_BACKUP_NAME, L"Mo,Di");
        Click(Page(), IDC_START_BACKUP);
        auto messages = log.Messages();
        ASSERT_EQ(2u, messages.size());
        EXPECT_EQ(LoadText(IDS_BACKUP_DIR_EXISTS) + L"\n" + LoadText(IDS_DO_YOU_WANT_TO_CONTINUE), messages[0].text);
        EXPECT_EQ(LoadText(IDS_ERROR), messages[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONERROR), messages[0].type);
        ExpectError(messages[1], LoadText(IDS_BACKUP_CANCELLED));
        EXPECT_EQ(-1, test::ReadBackupIni(media / L"Mo,Di", L"BackupComplete"));
    }
    // OK: every further check is skipped, the comma too, and the backup goes
    // into the existing folder.
    {
        test::MessageLog log({IDOK});
        Click(Page(), IDC_START_BACKUP);
        auto texts = log.Texts();
        ASSERT_EQ(2u, texts.size());
        EXPECT_EQ(LoadText(IDS_BACKUP_SUCCEEDED), texts[1]);
        EXPECT_EQ(1, test::ReadBackupIni(media / L"Mo,Di", L"BackupComplete"));
    }
}

TEST_F(BackupPageTest, ExistingFolderIsFoundUnderItsDiskName)
{
    test::PageHost host({&m_page});
    test::TempDir media;
    CString diskName = CDirectory::CreateFileNameForDisk(L"Backup : Montag");
    ASSERT_NE(CString(L"Backup : Montag"), diskName);
    ASSERT_TRUE(CreateDirectoryW(media.Path() + L"\\" + diskName, nullptr));
    test::MessageLog log({IDCANCEL});
    SetDlgItemTextW(Page(), IDC_MEDIA_PATH, media.Path());
    SetDlgItemTextW(Page(), IDC_BACKUP_NAME, L"Backup : Montag");
    Click(Page(), IDC_START_BACKUP);
    auto texts = log.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(LoadText(IDS_BACKUP_DIR_EXISTS) + L"\n" + LoadText(IDS_DO_YOU_WANT_TO_CONTINUE), texts[0]);
}

TEST_F(BackupPageTest, PathWithoutAnyExistingAncestorIsInvalid)
{
    CString drive = MissingDrive();
    if (drive.IsEmpty())
        GTEST_SKIP() << "every drive letter is in use";
    test::PageHost host({&m_page});
    test::MessageLog log;
    SetDlgItemTextW(Page(), IDC_MEDIA_PATH, drive + L"Sicherung");
    SetDlgItemTextW(Page(), IDC_BACKUP_NAME, L"a,b");
    Click(Page(), IDC_START_BACKUP);
    auto messages = log.Messages();
    ASSERT_EQ(1u, messages.size());
    CString expected;
    expected.FormatMessage(IDS_PATH_INVALID, (drive + L"Sicherung\\a,b").GetString());
    ExpectError(messages[0], expected);
}

TEST_F(BackupPageTest, BackslashOrCommaInTheNameIsRefused)
{
    test::PageHost host({&m_page});
    test::TempDir media;
    for (const wchar_t* name : {L"Mo,Di", L"sub\\dir"}) {
        SCOPED_TRACE(CString(name));
        test::MessageLog log;
        SetDlgItemTextW(Page(), IDC_MEDIA_PATH, media.Path());
        SetDlgItemTextW(Page(), IDC_BACKUP_NAME, name);
        Click(Page(), IDC_START_BACKUP);
        auto messages = log.Messages();
        ASSERT_EQ(1u, messages.size());
        ExpectError(messages[0], LoadText(IDS_BAD_FOLDER_NAME));
    }
    EXPECT_TRUE(test::SubDirectories(media.Path()).empty());
}

TEST_F(BackupPageTest, PatientDataNeedsFiveMegabytesOnTheMedium)
{
    SKIP_WITHOUT_MEDIA();
    test::MediaDrive::Erase(1);
    test::MediaDrive::Insert(1);
    MakePatient(L"Anna", 1000);
    test::PageHost host({&m_page});
    SetDlgItemTextW(Page(), IDC_MEDIA_PATH, test::MediaDrive::Root());
    SetDlgItemTextW(Page(), IDC_BACKUP_NAME, L"Nacht");

    // The 3 MiB medium is too small once the patient data are selected ...
    Click(Page(), IDC_SELECT_MODIFIED);
    {
        test::MessageLog log;
        Click(Page(), IDC_START_BACKUP);
        auto messages = log.Messages();
        ASSERT_EQ(1u, messages.size());
        ExpectError(messages[0], LoadText(IDS_LESS_THAN_5MB));
        EXPECT_FALSE(test::DirExists(L"R:\\Nacht"));
    }
    // ... but not for the settings alone.
    UncheckAll(m_page.GetRoot());
    m_page.GetRoot()->GetChildren()[0]->SetCheck(CTreeItem::Checked);
    {
        test::MessageLog log;
        Click(Page(), IDC_START_BACKUP);
        auto texts = log.Texts();
        ASSERT_EQ(1u, texts.size());
        EXPECT_EQ(LoadText(IDS_BACKUP_SUCCEEDED), texts[0]);
        EXPECT_EQ(1, test::ReadBackupIni(L"R:\\Nacht", L"BackupComplete"));
    }
    test::MediaDrive::Insert(0);
    test::MediaDrive::Erase(1);
}

TEST_F(BackupPageTest, AfterABackupTheTreeIsFreshAndUnselected)
{
    MakePatient(L"Anna", 40000);
    MakePatient(L"Bruno", 30000);
    test::PageHost host({&m_page});
    test::TempDir media;
    Click(Page(), IDC_SELECT_MODIFIED);
    ASSERT_TRUE(ItemEnabled(Page(), IDC_START_BACKUP));
    SetDlgItemTextW(Page(), IDC_MEDIA_PATH, media.Path());
    SetDlgItemTextW(Page(), IDC_BACKUP_NAME, L"Backup : Freitag 12:30");

    test::MessageLog log;
    Click(Page(), IDC_START_BACKUP);
    EXPECT_EQ((std::vector<CString>{LoadText(IDS_BACKUP_SUCCEEDED)}), log.Texts());

    // The backup went into the media folder under the name's disk form.
    CString backup = media.Path() + L"\\" + CDirectory::CreateFileNameForDisk(L"Backup : Freitag 12:30");
    EXPECT_EQ(1, test::ReadBackupIni(backup, L"BackupComplete"));
    EXPECT_EQ(1, test::ReadBackupIni(backup, L"DiskNumber"));
    EXPECT_EQ(40000u, test::ReadBytes(backup + L"\\Patient Data Index\\Anna\\2024-01-01_Krone\\scan.dat").size());
    EXPECT_EQ(30000u, test::ReadBytes(backup + L"\\Patient Data Index\\Bruno\\2024-01-01_Krone\\scan.dat").size());

    EXPECT_EQ(CString(L"0"), ItemText(Page(), IDC_REQUIRED_SPACE));
    EXPECT_FALSE(ItemEnabled(Page(), IDC_START_BACKUP));
    EXPECT_EQ(CTreeItem::Unchecked, m_page.GetRoot()->GetCheck());
    ASSERT_EQ(2, Patients().GetSize());
    EXPECT_EQ(CTreeItem::Unchecked, Patients()[0]->GetCheck());
    EXPECT_EQ(CTreeItem::Unchecked, Patients()[1]->GetCheck());
    EXPECT_EQ(0, m_page.GetRoot()->CalculateSize());
}

TEST_F(BackupPageTest, RebuildTreeShowsTheLiveDataAfresh)
{
    MakePatient(L"Anna", 1000);
    test::PageHost host({&m_page});
    Click(Page(), IDC_SELECT_MODIFIED);
    ASSERT_EQ(1, Patients().GetSize());
    MakePatient(L"Carla", 1000);
    m_page.RebuildTree();
    ASSERT_EQ(2, Patients().GetSize());
    EXPECT_EQ(CTreeItem::Unchecked, m_page.GetRoot()->GetCheck());
    EXPECT_EQ(CString(L"0"), ItemText(Page(), IDC_REQUIRED_SPACE));
}
