// The Options page: each box writes its own process-wide flag when clicked,
// and nothing sets the boxes from the flags.

#include "app/Globals.h"
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CPropPageOptions.h"

#include <gtest/gtest.h>

namespace {

class OptionsPageTest : public test::UiTest {
protected:
    // Clicks the box as the mouse does: the control toggles and tells the page.
    void ClickBox(int nId) { SendMessageW(GetDlgItem(m_page.m_hWnd, nId), BM_CLICK, 0, 0); }
    bool Checked(int nId) const { return IsDlgButtonChecked(m_page.m_hWnd, nId) == BST_CHECKED; }

    CPropPageOptions m_page;
};

} // namespace

TEST_F(OptionsPageTest, FreshPageShowsAllBoxesUnchecked)
{
    test::PageHost host({&m_page});
    EXPECT_FALSE(Checked(IDC_VERIFY_AFTER_BACKUP));
    EXPECT_FALSE(Checked(IDC_DELETE_RESTORATIONS));
    EXPECT_FALSE(Checked(IDC_BACKUP_TIFF_IMAGES));
    EXPECT_FALSE(gVerifyAfterBackup);
    EXPECT_FALSE(gDeleteRestorations);
    EXPECT_FALSE(gBackupTiffImages);
}

TEST_F(OptionsPageTest, BoxesAreNotSetFromTheFlags)
{
    gVerifyAfterBackup = TRUE;
    gBackupTiffImages = TRUE;
    test::PageHost host({&m_page});
    EXPECT_FALSE(Checked(IDC_VERIFY_AFTER_BACKUP));
    EXPECT_FALSE(Checked(IDC_BACKUP_TIFF_IMAGES));
    // Creating the page leaves the flags alone too.
    EXPECT_TRUE(gVerifyAfterBackup);
    EXPECT_TRUE(gBackupTiffImages);
}

TEST_F(OptionsPageTest, EachBoxDrivesItsOwnFlag)
{
    test::PageHost host({&m_page});
    ClickBox(IDC_VERIFY_AFTER_BACKUP);
    EXPECT_TRUE(gVerifyAfterBackup);
    EXPECT_FALSE(gDeleteRestorations);
    EXPECT_FALSE(gBackupTiffImages);

    ClickBox(IDC_DELETE_RESTORATIONS);
    EXPECT_TRUE(gDeleteRestorations);
    EXPECT_FALSE(gBackupTiffImages);

    ClickBox(IDC_BACKUP_TIFF_IMAGES);
    EXPECT_TRUE(gBackupTiffImages);
    EXPECT_TRUE(gVerifyAfterBackup);
    EXPECT_TRUE(gDeleteRestorations);
}

TEST_F(OptionsPageTest, CheckingAndUncheckingLeavesTheFlagFalse)
{
    test::PageHost host({&m_page});
    for (int nId : {IDC_VERIFY_AFTER_BACKUP, IDC_DELETE_RESTORATIONS, IDC_BACKUP_TIFF_IMAGES}) {
        ClickBox(nId);
        ClickBox(nId);
    }
    EXPECT_FALSE(gVerifyAfterBackup);
    EXPECT_FALSE(gDeleteRestorations);
    EXPECT_FALSE(gBackupTiffImages);
}

TEST_F(OptionsPageTest, FlagsKeepTheirValueWhenThePageGoes)
{
    {
        test::PageHost host({&m_page});
        ClickBox(IDC_DELETE_RESTORATIONS);
    }
    EXPECT_TRUE(gDeleteRestorations);
    // A new page window starts unchecked but does not clear the flag.
    CPropPageOptions again;
    test::PageHost host({&again});
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(again.m_hWnd, IDC_DELETE_RESTORATIONS));
    EXPECT_TRUE(gDeleteRestorations);
}
