// The backup walk of the item tree: a directory for each selected item not
// yet backed up, on whichever medium the run is at.

#include "items/CBackupItem.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A node with the base rules; it notes each backup that reaches it.
class PlainItem : public CBackupItem {
public:
    PlainItem(const wchar_t* pszName, std::vector<CString>* pLog) : m_pLog(pLog) { SetName(pszName); }
    void BuildForBackup() override {}
    void BuildForRestore(const CString&) override {}
    void Backup(const CString& strDir, IProgressListener* pListener) override
    {
        m_pLog->push_back(GetName());
        CBackupItem::Backup(strDir, pListener);
    }
    PlainItem* Add(const wchar_t* pszName, UINT nCheck)
    {
        auto* pChild = new PlainItem(pszName, m_pLog);
        AddChild(pChild);
        pChild->SetCheck(nCheck);
        return pChild;
    }

private:
    std::vector<CString>* m_pLog;
};

} // namespace

TEST(CBackupItem, BackupMakesTheDirectoriesOfSelectedItemsNotYetBackedUp)
{
    test::TempDir dir;
    std::vector<CString> log;
    PlainItem root(L"top", &log);
    root.SetCheck(CBackupItem::Checked);
    PlainItem* pA = root.Add(L"a", CBackupItem::PartlyChecked);
    root.Add(L"b", CBackupItem::Unchecked);
    root.Add(L"c", CBackupItem::Checked)->SetBackupState(CBackupItem::BackedUp);

    root.Backup(dir.Path(), nullptr);
    // A partly checked item counts as selected; the children are visited all the same.
    EXPECT_EQ((std::vector<CString>{L"top", L"a", L"b", L"c"}), log);
    EXPECT_EQ((std::vector<CString>{L"top"}), test::SubDirectories(dir.Path()));
    EXPECT_EQ((std::vector<CString>{L"a"}), test::SubDirectories(dir / L"top"));
    EXPECT_EQ(CBackupItem::BackedUp, pA->GetBackupState());

    // An item already backed up visits no child.
    log.clear();
    root.Backup(dir.Path(), nullptr);
    EXPECT_EQ(std::vector<CString>{L"top"}, log);
}
