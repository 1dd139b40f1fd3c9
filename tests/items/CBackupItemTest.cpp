// The default rules of the item tree: check states, the walks over the
// children, selection, and the name look-ups.

#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "installation/CPatient.h"
#include "tests/TestSupport.h"
#include "tests/items/TestItems.h"

#include <gtest/gtest.h>

using test::Events;
using test::PlainItem;

namespace {

// Releases a test tree the way the program does, without a tree control.
struct TreeReleaser {
    CBackupItem* pRoot;
    ~TreeReleaser() { pRoot->DeleteFromTree(nullptr); }
};

} // namespace

TEST(CTreeItem, ToggleCheckFollowsTheClickRule)
{
    PlainItem item(L"a");
    const UINT from[] = {0, 1, 2, 3, 7, 0xFFFFFFFF};
    const UINT to[] = {1, 0, 0, 1, 1, 1};
    for (size_t i = 0; i < sizeof from / sizeof from[0]; ++i) {
        item.SetCheck(from[i]);
        item.ToggleCheck();
        EXPECT_EQ(to[i], item.GetCheck()) << "toggling from " << from[i];
    }
}

TEST(CBackupItem, BackupCreatesItsDirectoryAndVisitsChildrenInOrder)
{
    test::TempDir dir;
    Events events;
    auto* pRoot = new PlainItem(L"top", &events);
    TreeReleaser release{pRoot};
    auto* pA = pRoot->Add(new PlainItem(L"a", &events));
    pRoot->Add(new PlainItem(L"b", &events));
    auto* pC = pRoot->Add(new PlainItem(L"c", &events));
    pRoot->SetCheck(1);
    pA->SetCheck(2);
    pC->SetCheck(1);
    events.clear();

    pRoot->Backup(dir.Path(), nullptr);

    EXPECT_EQ((Events{L"backup top", L"backup a", L"backup b", L"backup c"}), events);
    EXPECT_TRUE(test::DirExists(dir / L"top"));
    // A partly checked item counts as selected; an unchecked one creates nothing.
    EXPECT_TRUE(test::DirExists(dir / L"top\\a"));
    EXPECT_FALSE(test::DirExists(dir / L"top\\b"));
    EXPECT_TRUE(test::DirExists(dir / L"top\\c"));
    EXPECT_EQ(1u, pRoot->GetBackupState());
    EXPECT_EQ(1u, pA->GetBackupState());
    EXPECT_EQ(0u, pRoot->GetChildren()[1]->GetBackupState());
}

TEST(CBackupItem, BackupOfUnselectedOrDoneItemCreatesNothingAndSkipsChildren)
{
    test::TempDir dir;
    const UINT checks[] = {0, 1, 1};
    const UINT states[] = {0, 1, 2};
    for (int i = 0; i < 3; ++i) {
        Events events;
        auto* pRoot = new PlainItem(L"top", &events);
        TreeReleaser release{pRoot};
        pRoot->Add(new PlainItem(L"child", &events))->SetCheck(1);
        pRoot->SetCheck(checks[i]);
        pRoot->SetBackupState(states[i]);
        events.clear();

        pRoot->Backup(dir.Path(), nullptr);

        EXPECT_EQ((Events{L"backup top"}), events) << "case " << i;
        EXPECT_FALSE(test::DirExists(dir / L"top")) << "case " << i;
        EXPECT_EQ(states[i], pRoot->GetBackupState());
    }
}

TEST(CBackupItem, BackupMakesTheAbsoluteDirectoryOfARelativeTarget)
{
    test::TempDir dir;
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path()));
    PlainItem item(L"item");
    item.SetCheck(1);
    item.Backup(L"rel\\deeper", nullptr);
    SetCurrentDirectoryW(old);
    EXPECT_TRUE(test::DirExists(dir / L"rel\\deeper\\item"));
}

TEST(CBackupItem, WalksPassTheSameArgumentToEveryChildRegardlessOfSelection)
{
    Events events;
    auto* pRoot = new PlainItem(L"top", &events);
    TreeReleaser release{pRoot};
    auto* pA = pRoot->Add(new PlainItem(L"a", &events));
    pA->Add(new PlainItem(L"a1", &events));
    pRoot->Add(new PlainItem(L"b", &events));
    events.clear();

    pRoot->Restore(L"X:\\src", nullptr);
    pRoot->Verify(L"X:\\dst", nullptr);
    pRoot->DeleteRestorations(nullptr);
    pRoot->SelectModified();

    EXPECT_EQ((Events{L"restore top", L"restore a", L"restore a1", L"restore b",
                      L"verify top", L"verify a", L"verify a1", L"verify b",
                      L"delete top", L"delete a", L"delete a1", L"delete b",
                      L"modified top", L"modified a", L"modified a1", L"modified b"}),
              events);
}

TEST(CBackupItem, SelectAllChecksChildrenBeforeTheirParent)
{
    Events events;
    auto* pRoot = new PlainItem(L"top", &events);
    TreeReleaser release{pRoot};
    auto* pA = pRoot->Add(new PlainItem(L"a", &events));
    pA->Add(new PlainItem(L"a1", &events));
    pA->Add(new PlainItem(L"a2", &events));
    pRoot->Add(new PlainItem(L"b", &events));
    events.clear();

    pRoot->SelectAll();

    EXPECT_EQ((Events{L"check a1", L"check a2", L"check a", L"check b", L"check top"}), events);
    EXPECT_EQ(1u, pRoot->GetCheck());
    EXPECT_EQ(1u, pA->GetChildren()[1]->GetCheck());
    PlainItem leaf(L"leaf");
    leaf.SetCheck(2);
    leaf.SelectAll();
    EXPECT_EQ(1u, leaf.GetCheck());
}

TEST(CBackupItem, HasItemsOnDiskAsksEveryChildAndTestsFullCheckOnly)
{
    Events events;
    auto* pRoot = new PlainItem(L"top", &events);
    TreeReleaser release{pRoot};
    auto* pA = pRoot->Add(new PlainItem(L"a", &events));
    auto* pB = pRoot->Add(new PlainItem(L"b", &events));
    pA->SetDiskNumber(2);
    pA->SetCheck(1);
    pRoot->SetDiskNumber(3);
    pRoot->SetCheck(2);
    events.clear();

    // a answers first; b is still asked.
    EXPECT_TRUE(pRoot->HasItemsOnDisk(2));
    EXPECT_EQ((Events{L"disk top", L"disk a", L"disk b"}), events);
    // The partly checked top lies on disk 3 but answers only from its children.
    EXPECT_FALSE(pRoot->HasItemsOnDisk(3));
    pRoot->SetCheck(1);
    EXPECT_TRUE(pRoot->HasItemsOnDisk(3));
    // A state beyond 2 is not "checked" here either.
    pA->SetCheck(7);
    EXPECT_FALSE(pRoot->HasItemsOnDisk(2));
    pB->SetDiskNumber(2);
    pB->SetCheck(1);
    EXPECT_TRUE(pRoot->HasItemsOnDisk(2));
    EXPECT_FALSE(pRoot->HasItemsOnDisk(0));
}

TEST(CBackupItem, CalculateSizeSumsChildrenWithoutTestingTheSelection)
{
    auto* pRoot = new PlainItem(L"top");
    TreeReleaser release{pRoot};
    auto* pA = pRoot->Add(new PlainItem(L"a"));
    pA->Add(new test::SizedItem(L"a1", 1000))->SetCheck(1);
    pA->Add(new test::SizedItem(L"a2", 20));
    pRoot->Add(new test::SizedItem(L"b", 300))->SetCheck(2);
    pRoot->SetSize(99);

    // The unchecked top and a still add what their leaves answer.
    EXPECT_EQ(1300, pRoot->CalculateSize());
    EXPECT_EQ(1300, pRoot->GetSize());
    EXPECT_EQ(1000, pA->GetSize());

    pRoot->GetChildren()[1]->SetCheck(0);
    EXPECT_EQ(1000, pRoot->CalculateSize());
    EXPECT_EQ(1000, pRoot->GetSize());
}

TEST(CBackupItem, ContainsItemComparesNamesExactly)
{
    auto* pRoot = new PlainItem(L"Patient Data Index");
    TreeReleaser release{pRoot};
    auto* pA = pRoot->Add(new PlainItem(L"Smith, John"));
    pA->Add(new PlainItem(L"case 1"));
    pRoot->Add(new PlainItem(L"Doe"));

    EXPECT_TRUE(pRoot->ContainsItem(L"Patient Data Index"));
    EXPECT_TRUE(pRoot->ContainsItem(L"case 1"));
    EXPECT_TRUE(pRoot->ContainsItem(L"Doe"));
    EXPECT_FALSE(pRoot->ContainsItem(L"patient data index"));
    EXPECT_FALSE(pRoot->ContainsItem(L"CASE 1"));
    EXPECT_FALSE(pRoot->ContainsItem(L"case"));
    EXPECT_FALSE(pRoot->ContainsItem(L""));
    EXPECT_FALSE(pA->ContainsItem(L"Doe"));
}

TEST(CBackupItem, IsItemCheckedNeedsANameMatchAndANonzeroState)
{
    Events events;
    auto* pRoot = new PlainItem(L"root");
    TreeReleaser release{pRoot};
    auto* pIndex = pRoot->Add(new PlainItem(L"Patient Data Index", &events));
    auto* pOther = pRoot->Add(new PlainItem(L"Settings", &events));
    auto* pTwin = pRoot->Add(new PlainItem(L"Patient Data Index", &events));

    EXPECT_FALSE(pRoot->IsItemChecked(L"Patient Data Index"));
    pOther->SetCheck(1);
    EXPECT_FALSE(pRoot->IsItemChecked(L"Patient Data Index"));
    pTwin->SetCheck(2);
    EXPECT_TRUE(pRoot->IsItemChecked(L"Patient Data Index"));
    EXPECT_FALSE(pRoot->IsItemChecked(L"PATIENT DATA INDEX"));
    pTwin->SetCheck(0);
    pIndex->SetCheck(1);
    EXPECT_TRUE(pRoot->IsItemChecked(L"Patient Data Index"));
    EXPECT_TRUE(pRoot->IsItemChecked(L"Settings"));
    // A checked item with another name does not make the parent match.
    pRoot->SetCheck(1);
    EXPECT_FALSE(pRoot->IsItemChecked(L"Calibration Data"));
    EXPECT_TRUE(pRoot->IsItemChecked(L"root"));
}

class CalculateDirectorySize : public ::testing::Test {
protected:
    void TearDown() override { gBackupTiffImages = FALSE; }
};

TEST_F(CalculateDirectorySize, CountsPatientDataAtAnyDepthAndTiffOnlyWhenIncluded)
{
    test::TempDir dir;
    CString patient = dir / L"Doe";
    CreateDirectoryW(patient, nullptr);
    CreateDirectoryW(patient + L"\\case1", nullptr);
    CreateDirectoryW(patient + L"\\case1\\deep", nullptr);
    CreateDirectoryW(patient + L"\\" + CPatient::GetThumbnailDirectory(), nullptr);
    test::WriteText(patient + L"\\loose.dat", std::string(3, 'a'));
    test::WriteText(patient + L"\\case1\\model.DAT", std::string(10, 'a'));
    test::WriteText(patient + L"\\case1\\c.Cdt", std::string(20, 'a'));
    test::WriteText(patient + L"\\case1\\s.sdt", std::string(30, 'a'));
    test::WriteText(patient + L"\\case1\\photo.TIF", std::string(50, 'a'));
    test::WriteText(patient + L"\\case1\\photo.tiff", std::string(500, 'a'));
    test::WriteText(patient + L"\\case1\\notes.txt", std::string(600, 'a'));
    test::WriteText(patient + L"\\case1\\dat", std::string(700, 'a'));
    test::WriteText(patient + L"\\case1\\deep\\g.sdt", std::string(70, 'a'));
    test::WriteText(patient + L"\\case1\\deep\\g.tif", std::string(80, 'a'));
    CString thumb = CPatient::GetThumbnailFileName();
    thumb.MakeUpper();
    test::WriteText(patient + L"\\" + CPatient::GetThumbnailDirectory() + L"\\" + thumb, std::string(40, 'a'));
    // A directory named like a data file is descended into, not counted.
    CreateDirectoryW(patient + L"\\case1\\odd.dat", nullptr);
    test::WriteText(patient + L"\\case1\\odd.dat\\inner.cdt", std::string(5, 'a'));

    PlainItem item(L"any");
    EXPECT_EQ(3 + 10 + 20 + 30 + 70 + 40 + 5, item.CalculateDirectorySize(patient));
    gBackupTiffImages = TRUE;
    EXPECT_EQ(3 + 10 + 20 + 30 + 70 + 40 + 5 + 50 + 80, item.CalculateDirectorySize(patient));
    EXPECT_EQ(0, item.CalculateDirectorySize(dir / L"missing"));
}
