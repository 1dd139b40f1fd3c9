// The root item: the media walk of a restore tree over several real
// removable media, and a cancelled backup.

#include "app/Backup.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "items/ItemNames.h"
#include "tests/MediaDrive.h"
#include "tests/RunRecorder.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A restorable item on a given medium that records on which media it was
// restored, and 0 for each backup that reached it.
class MediumItem : public CBackupItem {
public:
    MediumItem(UINT nDisk, std::vector<UINT>* pLog) : m_pLog(pLog)
    {
        m_nDiskNumber = nDisk;
        SetName(L"item");
        SetCheck(Checked);
    }
    void BuildForBackup() override {}
    void BuildForRestore(const CString&) override {}
    void Restore(const CString& strSrcDir, IProgressListener*) override
    {
        if (ReadDiskNumber(strSrcDir) == m_nDiskNumber)
            m_pLog->push_back(m_nDiskNumber);
    }
    void Backup(const CString&, IProgressListener*) override { m_pLog->push_back(0); }

private:
    std::vector<UINT>* m_pLog;
};

void WriteIni(const CString& dir, int complete, int disk)
{
    CBackup::WriteBackupState(complete, disk, CDirectory::Concat(dir, L"Backup.ini"));
}

// Answers the prompts for a disk: each answer either inserts a medium and says
// OK, or cancels; the disks asked for are kept. It answers the root while a
// restore tree is read, and a run's prompts through onDisk.
class PromptScript : public IDiskPrompt {
public:
    struct Answer {
        int insert; // medium to insert before answering, -1 for none
        bool ok;
    };

    explicit PromptScript(std::vector<Answer> answers) : m_answers(std::move(answers)) {}

    BOOL AskForDisk(UINT nDisk) override
    {
        prompts.push_back(nDisk);
        if (m_next >= m_answers.size())
            return FALSE;
        Answer a = m_answers[m_next++];
        if (a.insert >= 0)
            test::MediaDrive::Insert(a.insert);
        return a.ok;
    }
    void Serve(test::RunRecorder& run)
    {
        run.onDisk = [this](UINT nDisk) { return AskForDisk(nDisk); };
    }

    std::vector<UINT> prompts;

private:
    std::vector<Answer> m_answers;
    size_t m_next = 0;
};

class RootItemTest : public ::testing::Test {
protected:
    // Media 1 to n with the given top-level directories, each with its Backup.ini.
    static CString MakeMedia(const std::vector<std::vector<const wchar_t*>>& media)
    {
        CString backup = test::MediaDrive::Root() + L"Backup 1";
        for (size_t i = 0; i < media.size(); ++i) {
            int n = static_cast<int>(i) + 1;
            test::MediaDrive::Erase(n);
            CString dir = test::MediaDrive::MediumPath(n) + L"\\Backup 1";
            CDirectory::Make(dir);
            for (const wchar_t* name : media[i])
                CDirectory::Make(CDirectory::Concat(dir, name));
            WriteIni(dir, i + 1 == media.size() ? 1 : 0, n);
        }
        test::MediaDrive::Insert(1);
        return backup;
    }

    static std::vector<CString> ChildNames(CBackupItem& root)
    {
        std::vector<CString> names;
        for (INT_PTR i = 0; i < root.GetChildren().GetSize(); ++i)
            names.push_back(root.GetChildren()[i]->GetName());
        return names;
    }
};

} // namespace

TEST_F(RootItemTest, OneMediumIsReadWithoutPrompt)
{
    test::TempDir dir;
    CString backup = dir / L"Backup \uA789 1";
    CDirectory::Make(CDirectory::Concat(backup, kSettingsName));
    CDirectory::Make(CDirectory::Concat(backup, L"settings-like but not an item"));
    WriteIni(backup, 1, 1);
    PromptScript script({});
    auto* root = new CBackupItemRoot();
    root->SetDiskPrompt(&script);
    root->BuildForRestore(backup);
    EXPECT_TRUE(script.prompts.empty());
    EXPECT_EQ(1, root->GetDiskCount());
    EXPECT_EQ(std::vector<CString>{kSettingsName}, ChildNames(*root));
    EXPECT_EQ(CDirectory::CreateFileNameForDisplay(L"Backup \uA789 1"), root->GetName());
    root->DeleteFromTree(nullptr);

    // A medium numbered beyond any backup gives the disk loop nothing to walk.
    WriteIni(backup, 1, 2000000000);
    root = new CBackupItemRoot();
    root->SetDiskPrompt(&script);
    root->BuildForRestore(backup);
    std::vector<UINT> restored;
    root->AddChild(new MediumItem(2000000000, &restored));
    test::RunRecorder run;
    root->Restore(backup, &run);
    EXPECT_TRUE(script.prompts.empty());
    EXPECT_TRUE(restored.empty());
    // A cancelled backup goes to no further item.
    run.Cancel();
    root->Backup(dir / L"Backup", &run);
    EXPECT_TRUE(restored.empty());
    root->DeleteFromTree(nullptr);
}

TEST_F(RootItemTest, ThreeMediaArePromptedInTurnAndAWrongOneBringsThePromptBack)
{
    SKIP_WITHOUT_MEDIA();
    CString backup = MakeMedia({{kSettingsName, kPatientIndexName}, {kPatientIndexName}, {kPatientDataIndexName}});
    // Medium 3 is inserted when 2 is asked for: the same prompt comes back.
    PromptScript script({{3, true}, {2, true}, {3, true}});
    auto* root = new CBackupItemRoot();
    root->SetDiskPrompt(&script);
    root->BuildForRestore(backup);
    EXPECT_EQ((std::vector<UINT>{2, 2, 3}), script.prompts);
    EXPECT_EQ(3, root->GetDiskCount());
    // An item found again on a later medium is not created twice.
    std::vector<CString> expected = {kSettingsName, kPatientIndexName, kPatientDataIndexName};
    EXPECT_EQ(expected, ChildNames(*root));
    root->DeleteFromTree(nullptr);

    // Cancel at the first prompt keeps the first medium's items.
    test::MediaDrive::Insert(1);
    PromptScript cancel({{-1, false}});
    root = new CBackupItemRoot();
    root->SetDiskPrompt(&cancel);
    root->BuildForRestore(backup);
    EXPECT_EQ(1u, cancel.prompts.size());
    EXPECT_EQ((std::vector<CString>{kSettingsName, kPatientIndexName}), ChildNames(*root));
    EXPECT_EQ(1, root->GetDiskCount());
    root->DeleteFromTree(nullptr);
}

TEST_F(RootItemTest, RestoreAsksOnlyForMediaWithSelectedItemsAndCancelAtAPromptStopsIt)
{
    SKIP_WITHOUT_MEDIA();
    CString backup = MakeMedia({{}, {}, {}});
    auto* root = new CBackupItemRoot();
    {
        // The last medium is in the drive when the tree is read.
        test::MediaDrive::Insert(3);
        PromptScript none({});
        root->SetDiskPrompt(&none);
        root->BuildForRestore(backup);
        EXPECT_TRUE(none.prompts.empty());
        EXPECT_EQ(3, root->GetDiskCount());
    }
    std::vector<UINT> restored;
    root->AddChild(new MediumItem(1, &restored));
    root->AddChild(new MediumItem(3, &restored));
    PromptScript script({{1, true}, {3, true}});
    test::RunRecorder run;
    script.Serve(run);
    root->Restore(backup, &run);
    EXPECT_EQ((std::vector<UINT>{1, 3}), script.prompts);
    EXPECT_EQ((std::vector<UINT>{1, 3}), restored);
    EXPECT_FALSE(run.IsCancelled());

    // Medium 3 is in the drive; the wrong medium is answered with OK once, then Cancel.
    root->AddChild(new MediumItem(2, &restored));
    PromptScript cancel({{-1, true}, {-1, false}});
    cancel.Serve(run);
    root->Restore(backup, &run);
    EXPECT_EQ(2u, cancel.prompts.size()) << "no further medium may be asked for after Cancel";
    EXPECT_TRUE(run.IsCancelled());
    EXPECT_EQ((std::vector<UINT>{1, 3}), restored);
    root->DeleteFromTree(nullptr);
}
