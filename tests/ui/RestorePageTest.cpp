// The Restore page in a real property sheet: which folders count as a backup,
// what a browse does to the field and the tree (a rejected folder leaves both
// naming the backup shown), the Restore button, and a restore of real files.

#include "app/BackupDialog.h"
#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "items/ItemNames.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CPropPageRestore.h"

#include <gtest/gtest.h>

using test::Click;
using test::ItemEnabled;
using test::ItemText;
using test::LoadText;

namespace {

class RestorePageTest : public test::UiTest {
protected:
    void SetUp() override
    {
        test::UiTest::SetUp();
        test::MakePatientFile(m_data.Path(), L"Anna", L"2023-05-02_Krone", L"scan.dat", 3000);
        test::MakePatientFile(m_data.Path(), L"Bruno", L"2023-06-12_Bruecke", L"model.cdt", 7000);
    }

    // A backup of the whole live installation, made by the program's driver.
    void MakeBackup(const CString& backup)
    {
        CBackupItemRoot* pRoot = new CBackupItemRoot;
        pRoot->BuildForBackup();
        pRoot->SelectAll();
        test::MessageLog log;
        {
            CBackupDialog progress(backup, pRoot, TRUE);
            progress.DoModal();
        }
        pRoot->DeleteFromTree(nullptr);
        ASSERT_EQ((std::vector<CString>{LoadText(IDS_BACKUP_SUCCEEDED)}), log.Texts());
    }

    HWND Page() const { return m_page.m_hWnd; }
    HWND Tree() const { return GetDlgItem(m_page.m_hWnd, IDC_RESTORE_TREE); }
    CBackupItem* Child(const wchar_t* name) const
    {
        const auto& children = m_page.GetRoot()->GetChildren();
        for (INT_PTR i = 0; i < children.GetSize(); ++i) {
            if (children[i]->GetName() == name)
                return children[i];
        }
        return nullptr;
    }

    test::TempDir m_data;
    test::DataPathOverride m_dataPath{m_data.Path()};
    test::TempDir m_media;
    CPropPageRestore m_page;
};

// The box a rejected folder brings: the framework's plain box.
void ExpectNoBackupFound(const std::vector<test::SMessage>& messages)
{
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(LoadText(IDS_NO_BACKUP_FOUND), messages[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK), messages[0].type & MB_TYPEMASK);
}

} // namespace

TEST(IsBackupDirectory, AnyOfTheFourItemDirectoriesExactly)
{
    test::TempDir dir;
    EXPECT_FALSE(CPropPageRestore::IsBackupDirectory(dir.Path()));
    EXPECT_FALSE(CPropPageRestore::IsBackupDirectory(dir / L"missing"));

    ASSERT_TRUE(CreateDirectoryW(dir / L"settings", nullptr));
    test::WriteText(dir / L"Patient Index", "a file, not a directory");
    ASSERT_TRUE(CreateDirectoryW(dir / L"Patient Data", nullptr));
    EXPECT_FALSE(CPropPageRestore::IsBackupDirectory(dir.Path()));

    for (const wchar_t* name : {kSettingsName, kCalibrationsName, kPatientIndexName, kPatientDataIndexName}) {
        test::TempDir one;
        ASSERT_TRUE(CreateDirectoryW(one / name, nullptr));
        EXPECT_TRUE(CPropPageRestore::IsBackupDirectory(one.Path())) << CString(name);
    }
}

TEST_F(RestorePageTest, StartsEmptyWithRestoreDisabled)
{
    test::PageHost host({&m_page});
    EXPECT_EQ(CString(), ItemText(Page(), IDC_MEDIA_PATH));
    EXPECT_FALSE(ItemEnabled(Page(), IDC_MEDIA_PATH));
    EXPECT_FALSE(ItemEnabled(Page(), IDC_RESTORE));
    ASSERT_NE(nullptr, m_page.GetRoot());
    EXPECT_EQ(0, m_page.GetRoot()->GetChildren().GetSize());
}

TEST_F(RestorePageTest, BrowseToABackupShowsItsContents)
{
    CString backup = m_media / L"Sicherung 1";
    MakeBackup(backup);
    test::PageHost host({&m_page});
    test::FolderChoices choices({backup});
    test::MessageLog log;
    Click(Page(), IDC_BROWSE);

    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ((std::vector<BOOL>{FALSE}), choices.NewFolderOffered());
    EXPECT_EQ(CDirectory::CreateFileNameForDisplay(backup), ItemText(Page(), IDC_MEDIA_PATH));
    EXPECT_EQ(CString(L"Sicherung 1"), m_page.GetRoot()->GetName());
    ASSERT_NE(nullptr, Child(kSettingsName));
    ASSERT_NE(nullptr, Child(kPatientDataIndexName));
    EXPECT_EQ(2, Child(kPatientDataIndexName)->GetChildren().GetSize());
    EXPECT_GT(static_cast<UINT>(SendMessageW(Tree(), TVM_GETCOUNT, 0, 0)), 4u);
    // A new tree starts unchecked.
    EXPECT_EQ(CTreeItem::Unchecked, m_page.GetRoot()->GetCheck());
    EXPECT_FALSE(ItemEnabled(Page(), IDC_RESTORE));
}

TEST_F(RestorePageTest, RejectedFolderLeavesFieldAndTreeOnTheShownBackup)
{
    CString backup = m_media / L"Sicherung";
    MakeBackup(backup);
    test::TempDir other;
    ASSERT_TRUE(CreateDirectoryW(other / L"settings", nullptr));
    test::PageHost host({&m_page});

    // Nothing shown yet: the field stays empty.
    {
        test::FolderChoices choices({other.Path()});
        test::MessageLog log;
        Click(Page(), IDC_BROWSE);
        ExpectNoBackupFound(log.Messages());
        EXPECT_EQ(CString(), ItemText(Page(), IDC_MEDIA_PATH));
    }
    {
        test::FolderChoices choices({backup, other.Path()});
        test::MessageLog log;
        Click(Page(), IDC_BROWSE);
        CBackupItemRoot* pShown = m_page.GetRoot();
        INT_PTR nShown = pShown->GetChildren().GetSize();
        Click(Page(), IDC_BROWSE);
        ExpectNoBackupFound(log.Messages());
        EXPECT_EQ(CDirectory::CreateFileNameForDisplay(backup), ItemText(Page(), IDC_MEDIA_PATH));
        EXPECT_EQ(pShown, m_page.GetRoot());
        EXPECT_EQ(nShown, m_page.GetRoot()->GetChildren().GetSize());
        EXPECT_EQ(CString(L"Sicherung"), m_page.GetRoot()->GetName());
    }
}

TEST_F(RestorePageTest, CancelledBrowseChangesNothing)
{
    test::PageHost host({&m_page});
    test::FolderChoices choices({L""});
    test::MessageLog log;
    CBackupItemRoot* pBefore = m_page.GetRoot();
    Click(Page(), IDC_BROWSE);
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(pBefore, m_page.GetRoot());
    EXPECT_EQ(CString(), ItemText(Page(), IDC_MEDIA_PATH));
}

TEST_F(RestorePageTest, RestoreButtonFollowsTheUsersTicks)
{
    CString backup = m_media / L"Sicherung";
    MakeBackup(backup);
    test::PageHost host({&m_page});
    test::FolderChoices choices({backup});
    Click(Page(), IDC_BROWSE);
    CBackupItem* pPatients = Child(kPatientDataIndexName);
    ASSERT_NE(nullptr, pPatients);

    test::ToggleByKey(Tree(), pPatients->GetChildren()[0]);
    EXPECT_TRUE(ItemEnabled(Page(), IDC_RESTORE));
    EXPECT_EQ(CTreeItem::PartlyChecked, m_page.GetRoot()->GetCheck());
    test::ToggleByKey(Tree(), pPatients->GetChildren()[0]);
    EXPECT_FALSE(ItemEnabled(Page(), IDC_RESTORE));
    EXPECT_EQ(CTreeItem::Unchecked, m_page.GetRoot()->GetCheck());
}

TEST_F(RestorePageTest, RestoreWithoutAPathAsksForOne)
{
    test::PageHost host({&m_page});
    test::MessageLog log;
    Click(Page(), IDC_RESTORE);
    auto messages = log.Messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(LoadText(IDS_NO_PATH_ENTERED), messages[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK), messages[0].type & MB_TYPEMASK);
}

TEST_F(RestorePageTest, RestoreWithNothingCheckedDoesNothing)
{
    CString backup = m_media / L"Sicherung";
    MakeBackup(backup);
    test::PageHost host({&m_page});
    test::FolderChoices choices({backup});
    Click(Page(), IDC_BROWSE);
    test::RemoveTree(m_data / L"Anna");
    test::MessageLog log;
    Click(Page(), IDC_RESTORE);
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_FALSE(test::DirExists(m_data / L"Anna"));
}

TEST_F(RestorePageTest, RestoreCopiesTheTickedPatientBack)
{
    CString backup = m_media / L"Sicherung";
    MakeBackup(backup);
    const std::vector<unsigned char> anna = test::ReadBytes(m_data / L"Anna\\2023-05-02_Krone\\scan.dat");
    test::PageHost host({&m_page});
    test::FolderChoices choices({backup});
    Click(Page(), IDC_BROWSE);
    CBackupItem* pPatients = Child(kPatientDataIndexName);
    ASSERT_NE(nullptr, pPatients);
    ASSERT_EQ(2, pPatients->GetChildren().GetSize());
    CBackupItem* pAnna = pPatients->GetChildren()[0]->GetName() == L"Anna" ? pPatients->GetChildren()[0]
                                                                           : pPatients->GetChildren()[1];
    test::ToggleByKey(Tree(), pAnna);

    test::RemoveTree(m_data / L"Anna");
    test::RemoveTree(m_data / L"Bruno");
    test::MessageLog log;
    Click(Page(), IDC_RESTORE);
    EXPECT_EQ((std::vector<CString>{LoadText(IDS_RESTORE_SUCCEEDED)}), log.Texts());
    EXPECT_EQ(anna, test::ReadBytes(m_data / L"Anna\\2023-05-02_Krone\\scan.dat"));
    // Only what was ticked comes back.
    EXPECT_FALSE(test::DirExists(m_data / L"Bruno"));
    // The tree and its selection stay.
    EXPECT_EQ(CTreeItem::Checked, pAnna->GetCheck());
}
