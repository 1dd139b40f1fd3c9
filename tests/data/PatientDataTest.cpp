// The patient items on a literal data directory: which patients and files a
// backup lists, and the deletion of restoration data: only case directories
// wholly in the backup, and in a verifying run wholly verified.

#include "app/Backup.h"
#include "app/BackupException.h"
#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "items/data/CBackupItemPatientData.h"
#include "items/data/CBackupItemPatientDataIndex.h"
#include "items/data/DataPath.h"
#include "items/registry/CBackupItemRegistrySettings.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"
#include "tests/RunRecorder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using test::DirExists;
using test::FileExists;

namespace {

std::set<std::wstring> Names(const CBackupItem& item)
{
    std::set<std::wstring> names;
    for (INT_PTR i = 0; i < item.GetChildren().GetSize(); ++i)
        names.insert(item.GetChildren()[i]->GetName().Str());
    return names;
}

CBackupItemPatientData* Child(const CBackupItem& item, const wchar_t* name)
{
    for (INT_PTR i = 0; i < item.GetChildren().GetSize(); ++i) {
        if (item.GetChildren()[i]->GetName() == name)
            return static_cast<CBackupItemPatientData*>(item.GetChildren()[i]);
    }
    return nullptr;
}

struct TreeDeleter {
    void operator()(CBackupItem* pItem) const { pItem->DeleteFromTree(nullptr); }
};
using Index = std::unique_ptr<CBackupItemPatientDataIndex, TreeDeleter>;

CString Text(UINT nStringId, int nNumber = 0)
{
    CString text;
    text.FormatMessage(nStringId, nNumber);
    return text;
}

// A restore that, as it begins, points the data path setting elsewhere, as
// another program might.
struct RestoreRun : test::RunRecorder {
    void SetStatusText(const CString& strText) override
    {
        test::SetDataPath(movedTo);
        RunRecorder::SetStatusText(strText);
    }

    CString movedTo;
};

class PatientDataTest : public test::DataItemsTest {
protected:
    void SetUp() override
    {
        DataItemsTest::SetUp();
        test::MakeTree(data, {
                                 {L"Anna\\Case1\\a.dat", std::string(100, 'a')},
                                 {L"Anna\\Case1\\b.CDT", std::string(200, 'b')},
                                 {L"Anna\\Case2\\img.tif", std::string(400, 't')},
                                 {L"Anna\\Case2\\c.dat", std::string(50, 'c')},
                                 {L"Anna\\Case3\\notes.txt", std::string(10, 'n')},
                                 {L"Anna\\Case3\\d.dat", std::string(60, 'd')},
                                 {L"Anna\\Case5\\e.sdt", std::string(300, 'e')},
                                 {L"Anna\\Thumbnail\\Thumbnail.jpg", std::string(70, 'j')},
                                 {L"Anna\\loose.dat", std::string(80, 'l')},
                                 {L"Bert\\Case\\only.tif", std::string(500, 'T')},
                                 {L"Carl\\loose.dat", std::string(90, 'L')},
                                 {L"Dora\\Case\\x.txt", std::string(5, 'x')},
                             });
        test::SetDataPath(data);
    }

    Index Build(bool bChecked)
    {
        Index index(new CBackupItemPatientDataIndex);
        index->BuildForBackup();
        if (bChecked)
            index->SelectAll();
        return index;
    }

    CString Live(const wchar_t* path) const { return CDirectory::Concat(data, path); }

    test::TempDir tmp;
    const CString data = tmp / L"Data";
    test::RunRecorder listener;
};

TEST_F(PatientDataTest, BackupTreeListsPatientsWithDataAndTheirCaseFiles)
{
    Index index = Build(true);
    // Bert has TIFF images only, Dora nothing to save; Carl only loose data, so nothing to copy.
    EXPECT_EQ((std::set<std::wstring>{L"Anna", L"Carl"}), Names(*index));
    CBackupItemPatientData* anna = Child(*index, L"Anna");
    ASSERT_NE(nullptr, anna);
    EXPECT_EQ((std::set<std::wstring>{L"Case1\\a.dat", L"Case1\\b.CDT", L"Case2\\img.tif", L"Case2\\c.dat",
                                      L"Case3\\d.dat", L"Case5\\e.sdt", L"Thumbnail\\Thumbnail.jpg"}),
              Names(*anna));
    EXPECT_EQ(780, anna->CalculateSize()) << "TIFF images count with -t only";
    EXPECT_EQ(0, Child(*index, L"Carl")->GetChildren().GetSize());

    gBackupTiffImages = TRUE;
    EXPECT_EQ(1180, anna->CalculateSize());
    Index tiff = Build(false);
    EXPECT_EQ((std::set<std::wstring>{L"Anna", L"Bert", L"Carl"}), Names(*tiff));
    // New or modified data (every file here) never takes in a TIFF image: Bert stays unticked.
    tiff->SelectModified();
    EXPECT_EQ(CTreeItem::Checked, Child(*tiff, L"Anna")->GetCheck());
    EXPECT_EQ(CTreeItem::Unchecked, Child(*tiff, L"Bert")->GetCheck());
}

TEST_F(PatientDataTest, ACancelEndsTheBackupBeforeThePatientsNextFile)
{
    struct CancelAtFirstCopy : test::RunRecorder {
        void ReportWritten(const CString& strPath, LONGLONG nBytes, const CSha256::Digest& digest) override
        {
            RunRecorder::ReportWritten(strPath, nBytes, digest);
            Cancel();
        }
    } run;
    Build(true)->Backup(tmp / L"Backup", &run);
    EXPECT_EQ(1, run.copies);
}

TEST_F(PatientDataTest, DeletionTakesOnlyCaseDirectoriesWhollyInTheBackup)
{
    Index index = Build(true);
    {
        CHandle lock = test::LockFile(Live(L"Anna\\Case1\\b.CDT"));
        ASSERT_TRUE(lock);
        index->Backup(tmp / L"Backup", &listener);
    }
    EXPECT_EQ(std::vector<CString>{Live(L"Anna\\Case1\\b.CDT")}, listener.Failed(ERunFailure::CopyFailed));
    test::MakeTree(data, {{L"Anna\\Thumbnail\\Old\\older.jpg", "o"}});
    listener.progress = 0;
    index->DeleteRestorations(&listener);

    EXPECT_FALSE(DirExists(Live(L"Anna\\Case5")));
    // A failed copy, an unsaved TIFF image, another type, a new sub-directory: each keeps its case.
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case1\\a.dat")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case2\\c.dat")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case3\\d.dat")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Thumbnail\\Thumbnail.jpg")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\loose.dat")));
    EXPECT_EQ(1180, listener.progress) << "every file counts, deleted or kept";
}

TEST_F(PatientDataTest, VerifyingRunDeletesOnlyVerifiedCases)
{
    gVerifyAfterBackup = TRUE;
    Index index = Build(true);
    index->Backup(tmp / L"Backup", &listener);
    index->DeleteRestorations(&listener);
    EXPECT_TRUE(DirExists(Live(L"Anna\\Case5"))) << "nothing verified yet";

    const CString copies = tmp / L"Backup\\Patient Data Index";
    test::WriteText(copies + L"\\Anna\\Case1\\a.dat", std::string(100, 'X'));
    test::WriteText(copies + L"\\Anna\\Thumbnail\\Thumbnail.jpg", std::string(70, 'X'));
    EXPECT_THROW(index->Verify(copies, &listener), CBackupException*);
    EXPECT_EQ(2u, listener.Failed(ERunFailure::VerifyFailed).size()) << "every file is compared before the error";
    listener.progress = 0;
    index->DeleteRestorations(&listener);
    EXPECT_EQ(2 * 1180, listener.progress) << "twice what the deletion adds without -v";
    EXPECT_FALSE(DirExists(Live(L"Anna\\Case5")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case1\\b.CDT")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Thumbnail\\Thumbnail.jpg")));
}

TEST_F(PatientDataTest, RestoreWritesOnlyIntoTheDataPathItStartedWith)
{
    // A backup whose settings name another data folder.
    const CString backup = tmp / L"Backup";
    test::SetDataPath(tmp / L"Elsewhere");
    CBackupItemRegistrySettings settings;
    settings.BuildForBackup();
    settings.SetCheck(1);
    settings.Backup(backup, &listener);
    test::SetDataPath(data);
    Build(true)->Backup(backup, &listener);
    CBackup::WriteBackupState(1, 1, backup + L"\\Backup.ini");

    // The second data path lies on a drive the system does not have.
    wchar_t drive = L'Z';
    while (GetLogicalDrives() & (1u << (drive - L'A')))
        --drive;
    for (const CString& live : {data, CString(drive) + L":\\Orvex Data"}) {
        SCOPED_TRACE(testing::PrintToString(live));
        test::RemoveTree(data);
        test::SetDataPath(live);
        auto* root = new CBackupItemRoot;
        root->BuildForRestore(backup);
        root->SelectAll();
        RestoreRun run;
        run.movedTo = tmp / L"Moved";
        run.SetRoot(root);
        run.SetBackupDir(backup);
        run.DoRestore(&run);
        root->DeleteFromTree(nullptr);

        const bool writable = live == data;
        EXPECT_EQ(writable, FileExists(Live(L"Anna\\Case1\\a.dat")));
        CString kept, end;
        kept.Format(L"info %d", IDS_DATA_PATH_KEPT);
        end.Format(L"info %d", IDS_RESTORE_SUCCEEDED);
        if (!writable)
            end = L"error " + Text(IDS_RESTORE_FINISHED_WITH_ERRORS, 6);
        EXPECT_EQ(kept, run.events.at(1));
        EXPECT_EQ(0, run.events.at(run.events.size() - 2).Find(end)) << "ends with its message";
        EXPECT_EQ(tmp / L"Moved\\", GetDataPath()) << "the backup's setting is not restored";
        EXPECT_FALSE(DirExists(tmp / L"Elsewhere") || DirExists(tmp / L"Moved"));
    }
}

} // namespace
