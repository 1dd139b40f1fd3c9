// The Restore page in a real property sheet: which folders count as a backup,
// and a rejected folder leaving field and tree on the backup shown, with the
// focus on the field.

#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CPropPageRestore.h"

#include <gtest/gtest.h>

using test::Click;
using test::ItemText;
using test::LoadText;

namespace {

class RestorePageTest : public test::UiTest {
protected:
    void SetUp() override
    {
        test::UiTest::SetUp();
        test::MakePatientFile(m_data.Path(), L"Anna", L"2023-05-02_Krone", L"scan.dat", 3000);
        test::MakeBackup(m_backup);
    }
    HWND Page() const { return m_page.m_hWnd; }

    test::TempDir m_data;
    test::DataPathOverride m_dataPath{m_data.Path()};
    test::TempDir m_media;
    const CString m_backup = m_media / L"Sicherung";
    CPropPageRestore m_page;
};

} // namespace

TEST_F(RestorePageTest, WithoutABackupShownRestoreAsksForAPathAndARejectedFolderChangesNothing)
{
    test::TempDir other;
    ASSERT_TRUE(CreateDirectoryW(other / L"settings", nullptr));
    test::PageHost host({&m_page});
    // The focus elsewhere, as after the user ticked in the tree.
    SetFocus(GetDlgItem(Page(), IDC_RESTORE_TREE));
    {
        test::MessageLog log;
        Click(Page(), IDC_RESTORE);
        ASSERT_EQ(1u, log.Messages().size());
        EXPECT_EQ(LoadText(IDS_NO_PATH_ENTERED), log.Messages()[0].text);
        EXPECT_TRUE(test::FocusedAndSelected(Page(), IDC_MEDIA_PATH));
    }
    test::FolderChoices choices({m_backup, other.Path(), L""});
    test::MessageLog log;
    Click(Page(), IDC_BROWSE);
    CBackupItemRoot* pShown = m_page.GetRoot();
    const INT_PTR nShown = pShown->GetChildren().GetSize();
    SetFocus(GetDlgItem(Page(), IDC_RESTORE_TREE));
    Click(Page(), IDC_BROWSE);
    EXPECT_TRUE(test::FocusedAndSelected(Page(), IDC_MEDIA_PATH));
    // The framework's plain box.
    ASSERT_EQ(1u, log.Messages().size());
    EXPECT_EQ(LoadText(IDS_NO_BACKUP_FOUND), log.Messages()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK), log.Messages()[0].type & MB_TYPEMASK);
    Click(Page(), IDC_BROWSE);
    EXPECT_EQ(CDirectory::CreateFileNameForDisplay(m_backup), ItemText(Page(), IDC_MEDIA_PATH));
    EXPECT_EQ(pShown, m_page.GetRoot());
    EXPECT_EQ(nShown, m_page.GetRoot()->GetChildren().GetSize());
    EXPECT_EQ(CString(L"Sicherung"), m_page.GetRoot()->GetName());
    EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, FALSE}), choices.NewFolderOffered());
}

TEST_F(RestorePageTest, BackupIniDecidesWhetherAFolderOpensAndTellsWhatItsRunDidNotSave)
{
    CString refused;
    refused.FormatMessage(IDS_NO_VALID_BACKUP_INI, CDirectory::CreateFileNameForDisplay(m_backup).GetString());
    const CString incomplete = L"This backup is incomplete: the backup run was cancelled or stopped at a full medium "
                               L"before all selected data was saved; 2 file(s) could not be copied; 1 file(s) failed "
                               L"the verification.";
    // The section's lines; null: no Backup.ini, empty: an empty file.
    const struct {
        const char* ini;
        CString message;
    } cases[] = {
        {nullptr, refused}, {"", refused}, {"BackupComplete=1\r\nDiskNumber=0", refused},
        {"BackupComplete=1\r\nDiskNumber=-1", refused}, {"BackupComplete=1\r\nDiskNumber=2000000000", refused},
        // A cancelled run wrote no further medium: none is asked for.
        {"BackupComplete=0\r\nDiskNumber=1\r\nCancelled=1\r\nFailedFiles=2\r\nVerifyFailures=1", incomplete},
        {"BackupComplete=1\r\nDiskNumber=1\r\nFailedFiles=0", L""},
    };
    test::PageHost host({&m_page});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini ? c.ini : "no Backup.ini");
        DeleteFileW(m_backup + L"\\Backup.ini");
        if (c.ini)
            test::WriteText(m_backup + L"\\Backup.ini", *c.ini ? "[Backup]\r\n" + std::string(c.ini) + "\r\n" : "");
        SetDlgItemTextW(Page(), IDC_MEDIA_PATH, L"");
        test::FolderChoices choices({m_backup});
        test::MessageLog log({IDCANCEL});
        SetFocus(GetDlgItem(Page(), IDC_BROWSE));
        Click(Page(), IDC_BROWSE);
        EXPECT_EQ(c.message.IsEmpty() ? std::vector<CString>{} : std::vector<CString>{c.message}, log.Texts());
        EXPECT_EQ(c.message != refused, !ItemText(Page(), IDC_MEDIA_PATH).IsEmpty()) << "opened";
        if (c.message == refused) {
            EXPECT_TRUE(test::FocusedAndSelected(Page(), IDC_MEDIA_PATH));
        }
    }
    // A part whose archive is missing is shown grey, and the page says why.
    ASSERT_TRUE(DeleteFileW(m_backup + L"\\Settings\\Settings"));
    test::FolderChoices choices({m_backup});
    test::MessageLog log;
    Click(Page(), IDC_BROWSE);
    CString missing;
    missing.FormatMessage(IDS_ARCHIVES_MISSING, L"Settings");
    EXPECT_EQ(std::vector<CString>{missing}, log.Texts());
}

TEST_F(RestorePageTest, CheckReadsTheBackupShownAgainstItsChecksumsAndNamesADamagedCopy)
{
    test::PageHost host({&m_page});
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(), IDC_CHECK_BACKUP))) << "no backup shown yet";
    test::FolderChoices choices({m_backup});
    Click(Page(), IDC_BROWSE);
    const CString copy = m_backup + L"\\Patient Data Index\\Anna\\2023-05-02_Krone\\scan.dat";
    std::vector<unsigned char> bytes = test::ReadBytes(copy);
    enum { Whole, Damaged, NoChecksums };
    for (int state : {Whole, Damaged, NoChecksums}) {
        if (state == Damaged) {
            bytes[7] ^= 1;
            test::WriteBytes(copy, bytes);
        }
        if (state == NoChecksums) {
            ASSERT_TRUE(DeleteFileW(m_backup + L"\\Checksums.sha256"));
        }
        test::MessageLog log;
        Click(Page(), IDC_CHECK_BACKUP);
        ASSERT_EQ(1u, log.Messages().size());
        const CString text = log.Messages()[0].text;
        CString expected;
        if (state == Damaged)
            expected.FormatMessage(IDS_CHECK_FAILED, 1, 0);
        else if (state == Whole)
            expected = LoadText(IDS_CHECK_PASSED).Left(20);
        else
            expected.FormatMessage(IDS_CHECK_NO_CHECKSUMS, 1);
        EXPECT_EQ(0, text.Find(expected)) << text;
        EXPECT_EQ(state == Damaged, text.Find(L"Patient Data Index\\Anna\\2023-05-02_Krone\\scan.dat") > 0) << text;
    }
}
