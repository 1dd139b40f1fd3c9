// The Options page: each box writes its own process-wide flag when clicked,
// and nothing sets the boxes from the flags.

#include "app/Globals.h"
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CPropPageOptions.h"

#include <gtest/gtest.h>

class OptionsPageTest : public test::UiTest {};

TEST_F(OptionsPageTest, EachBoxDrivesItsOwnFlagAndStartsUncheckedWhateverTheFlags)
{
    gVerifyAfterBackup = TRUE;
    CPropPageOptions page;
    test::PageHost host({&page});
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page.m_hWnd, IDC_VERIFY_AFTER_BACKUP));
    EXPECT_TRUE(gVerifyAfterBackup) << "creating the page changed the flag";

    // Clicked as the mouse does: the control toggles and tells the page.
    auto click = [&](int nId) { SendMessageW(GetDlgItem(page.m_hWnd, nId), BM_CLICK, 0, 0); };
    auto flags = [] { return std::vector<bool>{!!gVerifyAfterBackup, !!gDeleteRestorations, !!gBackupTiffImages}; };
    gVerifyAfterBackup = FALSE;
    click(IDC_DELETE_RESTORATIONS);
    EXPECT_EQ((std::vector<bool>{false, true, false}), flags());
    click(IDC_BACKUP_TIFF_IMAGES);
    click(IDC_VERIFY_AFTER_BACKUP);
    click(IDC_DELETE_RESTORATIONS);
    EXPECT_EQ((std::vector<bool>{true, false, true}), flags());
}
