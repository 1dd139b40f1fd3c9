// The default rules of the item tree: the backup walk, the name look-ups and
// which files count in a directory.

#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "installation/CPatient.h"
#include "tests/TestSupport.h"
#include "tests/items/TestItems.h"

#include <gtest/gtest.h>

#include <memory>

using test::Events;
using test::PlainItem;

namespace {

struct TreeDeleter {
    void operator()(CBackupItem* pItem) const { pItem->DeleteFromTree(nullptr); }
};
using Tree = std::unique_ptr<PlainItem, TreeDeleter>;

} // namespace

TEST(CBackupItem, BackupMakesTheDirectoriesOfSelectedItemsNotYetBackedUp)
{
    test::TempDir dir;
    Events events;
    Tree root(new PlainItem(L"top", &events));
    auto* pA = root->Add(new PlainItem(L"a", &events));
    root->Add(new PlainItem(L"b", &events));
    root->Add(new PlainItem(L"c", &events))->SetBackupState(1);
    root->SetCheck(1);
    pA->SetCheck(2);
    root->GetChildren()[2]->SetCheck(1);

    root->Backup(dir.Path(), nullptr);

    // A partly checked item counts as selected; the children are visited all the same.
    EXPECT_EQ((Events{L"backup top", L"backup a", L"backup b", L"backup c"}), events);
    EXPECT_TRUE(test::DirExists(dir / L"top\\a"));
    EXPECT_FALSE(test::DirExists(dir / L"top\\b"));
    EXPECT_FALSE(test::DirExists(dir / L"top\\c"));
    EXPECT_EQ(1u, pA->GetBackupState());
    EXPECT_EQ(0u, root->GetChildren()[1]->GetBackupState());

    // An item already backed up visits no child.
    events.clear();
    root->Backup(dir.Path(), nullptr);
    EXPECT_EQ((Events{L"backup top"}), events);
}

TEST(CBackupItem, NameLookUpsCompareExactlyAndIsItemCheckedNeedsACheck)
{
    Tree root(new PlainItem(L"root"));
    root->Add(new PlainItem(L"Patient Data Index"))->Add(new PlainItem(L"case 1"));
    EXPECT_TRUE(root->ContainsItem(L"case 1"));
    EXPECT_FALSE(root->ContainsItem(L"CASE 1"));
    EXPECT_FALSE(root->ContainsItem(L"case"));
    EXPECT_FALSE(root->IsItemChecked(L"Patient Data Index"));
    root->GetChildren()[0]->SetCheck(2);
    EXPECT_TRUE(root->IsItemChecked(L"Patient Data Index"));
    EXPECT_FALSE(root->IsItemChecked(L"patient data index"));
}

TEST(CBackupItem, CalculateDirectorySizeCountsPatientDataAtAnyDepthAndTiffOnlyWhenIncluded)
{
    test::TempDir dir;
    CString thumb = CPatient::GetThumbnailDirectory() + L"\\" + CPatient::GetThumbnailFileName();
    thumb.MakeUpper();
    const struct {
        const wchar_t* name;
        int size;
    } files[] = {{L"loose.dat", 3}, {L"c\\model.DAT", 10}, {L"c\\c.Cdt", 20}, {L"c\\deep\\g.sdt", 30},
                 {L"c\\photo.TIF", 50}, {L"c\\photo.tiff", 500}, {L"c\\notes.txt", 600}, {L"c\\dat", 700},
                 {L"c\\odd.dat\\inner.cdt", 5}, {thumb.GetString(), 40}};
    for (const auto& f : files) {
        CString path = dir / f.name;
        CDirectory::Make(path.Left(path.ReverseFind(L'\\')));
        test::WriteText(path, std::string(f.size, 'a'));
    }
    PlainItem item(L"any");
    EXPECT_EQ(3 + 10 + 20 + 30 + 5 + 40, item.CalculateDirectorySize(dir.Path()));
    gBackupTiffImages = TRUE;
    EXPECT_EQ(3 + 10 + 20 + 30 + 5 + 40 + 50, item.CalculateDirectorySize(dir.Path()));
    gBackupTiffImages = FALSE;
    EXPECT_EQ(0, item.CalculateDirectorySize(dir / L"missing"));
}
