// The patient items on a literal data directory: which patients and files a
// backup lists, their sizes, backup, verification, the deletion of restoration
// data (only case directories wholly in the backup), selection of modified
// data, and the restore tree built from several media.

#include "app/BackupException.h"
#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "items/data/CBackupItemFiles.h"
#include "items/data/CBackupItemPatientData.h"
#include "items/data/CBackupItemPatientDataIndex.h"
#include "items/data/PatientDataFiles.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"
#include "tests/data/RecordingListener.h"

#include <gtest/gtest.h>

#include <algorithm>
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

CBackupItem* Child(const CBackupItem& item, const wchar_t* name)
{
    for (INT_PTR i = 0; i < item.GetChildren().GetSize(); ++i) {
        if (item.GetChildren()[i]->GetName() == name)
            return item.GetChildren()[i];
    }
    return nullptr;
}

// Releases an item tree built in a test, as the pages do.
struct TreeDeleter {
    void operator()(CBackupItem* pItem) const { pItem->DeleteFromTree(nullptr); }
};
template <class T>
using Tree = std::unique_ptr<T, TreeDeleter>;

class PatientDataTest : public test::DataItemsTest {
protected:
    void SetUp() override
    {
        DataItemsTest::SetUp();
        data = tmp / L"Data";
        backupIndex = tmp / L"Backup\\Patient Data Index";
        test::MakeTree(data, {
                                 {L"Anna\\Case1\\a.dat", std::string(100, 'a')},
                                 {L"Anna\\Case1\\b.CDT", std::string(200, 'b')},
                                 {L"Anna\\Case1\\scan.sdt", std::string(300, 's')},
                                 {L"Anna\\Case2\\img.tif", std::string(400, 't')},
                                 {L"Anna\\Case2\\c.dat", std::string(50, 'c')},
                                 {L"Anna\\Case3\\notes.txt", std::string(10, 'n')},
                                 {L"Anna\\Case3\\d.dat", std::string(60, 'd')},
                                 {L"Anna\\Thumbnail\\Thumbnail.jpg", std::string(70, 'j')},
                                 {L"Anna\\loose.dat", std::string(80, 'l')},
                                 {L"Bert\\Case\\only.tif", std::string(500, 'T')},
                                 {L"Carl\\loose.dat", std::string(90, 'L')},
                                 {L"Dora\\Case\\x.txt", std::string(5, 'x')},
                             });
        ASSERT_TRUE(CDirectory::Make(data + L"\\Emil"));
        test::SettingsKeyGuard::SetDataPath(data);
    }

    // The tree of the live data, every patient checked.
    Tree<CBackupItemPatientDataIndex> BuildChecked()
    {
        Tree<CBackupItemPatientDataIndex> index(new CBackupItemPatientDataIndex);
        index->BuildForBackup();
        index->SelectAll();
        return index;
    }

    CString Live(const wchar_t* path) const { return CDirectory::Concat(data, path); }
    CString Copy(const wchar_t* path) const { return CDirectory::Concat(backupIndex, path); }

    test::TempDir tmp;
    CString data;
    CString backupIndex;
    test::RecordingListener listener;
};

TEST(PatientDataFilesTest, WhichFilesBelongToABackup)
{
    for (const wchar_t* name : {L"a.dat", L"A.DAT", L"x.Cdt", L"scan.sdt", L"thumbnail.JPG"})
        EXPECT_TRUE(IsPatientDataFile(name)) << CString(name);
    for (const wchar_t* name : {L"other.jpg", L"a.dat.bak", L"dat", L"a.tif"})
        EXPECT_FALSE(IsPatientDataFile(name)) << CString(name);
    EXPECT_TRUE(IsTiffFile(L"A.TIF"));
    EXPECT_FALSE(IsTiffFile(L"a.tiff"));
    EXPECT_FALSE(IsTiffFile(L"a.dat"));
}

TEST_F(PatientDataTest, BackupTreeListsPatientsWithDataAndTheirCaseFiles)
{
    Tree<CBackupItemPatientDataIndex> index(new CBackupItemPatientDataIndex);
    index->BuildForBackup();
    EXPECT_EQ(CString(L"Patient Data Index"), index->GetName());
    EXPECT_TRUE(index->IsEnabled());
    // Bert has TIFF images only, Dora nothing to save, Emil nothing at all.
    EXPECT_EQ((std::set<std::wstring>{L"Anna", L"Carl"}), Names(*index));

    auto* anna = static_cast<CBackupItemPatientData*>(Child(*index, L"Anna"));
    ASSERT_NE(nullptr, anna);
    EXPECT_EQ((std::set<std::wstring>{L"Case1\\a.dat", L"Case1\\b.CDT", L"Case1\\scan.sdt", L"Case2\\img.tif",
                                      L"Case2\\c.dat", L"Case3\\d.dat", L"Thumbnail\\Thumbnail.jpg"}),
              Names(*anna));
    for (INT_PTR i = 0; i < anna->GetChildren().GetSize(); ++i) {
        CBackupItem* file = anna->GetChildren()[i];
        EXPECT_EQ(file->GetName() == L"Case2\\img.tif", file->IsTiffImage() != FALSE) << file->GetName();
    }
    EXPECT_EQ(780, anna->GetSize());
    EXPECT_EQ(400, anna->GetTiffSize());

    // Data lying only directly in the patient directory lists the patient, with nothing to copy.
    auto* carl = Child(*index, L"Carl");
    ASSERT_NE(nullptr, carl);
    EXPECT_EQ(0, carl->GetChildren().GetSize());

    gBackupTiffImages = TRUE;
    Tree<CBackupItemPatientDataIndex> withTiff(new CBackupItemPatientDataIndex);
    withTiff->BuildForBackup();
    EXPECT_EQ((std::set<std::wstring>{L"Anna", L"Bert", L"Carl"}), Names(*withTiff));
    EXPECT_EQ(500, static_cast<CBackupItemPatientData*>(Child(*withTiff, L"Bert"))->GetTiffSize());
}

TEST_F(PatientDataTest, EmptyOrMissingDataDirectoryDisablesTheBranch)
{
    test::SettingsKeyGuard::SetDataPath(tmp / L"Data\\Emil");
    Tree<CBackupItemPatientDataIndex> empty(new CBackupItemPatientDataIndex);
    empty->BuildForBackup();
    EXPECT_FALSE(empty->IsEnabled());
    EXPECT_EQ(0, empty->GetChildren().GetSize());

    test::SettingsKeyGuard::SetDataPath(tmp / L"Nowhere");
    Tree<CBackupItemPatientDataIndex> missing(new CBackupItemPatientDataIndex);
    missing->BuildForBackup();
    EXPECT_FALSE(missing->IsEnabled());
}

TEST_F(PatientDataTest, SizeFollowsSelectionAndTheTiffOption)
{
    Tree<CBackupItemPatientDataIndex> index(new CBackupItemPatientDataIndex);
    index->BuildForBackup();
    CBackupItem* anna = Child(*index, L"Anna");
    ASSERT_NE(nullptr, anna);
    EXPECT_EQ(0, anna->CalculateSize());
    EXPECT_EQ(0, index->CalculateSize());
    anna->SetCheck(1);
    EXPECT_EQ(780, anna->CalculateSize());
    EXPECT_EQ(780, index->CalculateSize());
    gBackupTiffImages = TRUE;
    EXPECT_EQ(1180, anna->CalculateSize()) << "switching TIFF images on counts them at once";
}

TEST_F(PatientDataTest, UncheckedPatientIsPassedOver)
{
    Tree<CBackupItemPatientDataIndex> index(new CBackupItemPatientDataIndex);
    index->BuildForBackup();
    CBackupItem* anna = Child(*index, L"Anna");
    ASSERT_NE(nullptr, anna);
    anna->Backup(backupIndex, &listener);
    EXPECT_FALSE(DirExists(Copy(L"Anna")));
    EXPECT_EQ(0u, anna->GetBackupState());
    anna->Verify(backupIndex, &listener);
    anna->DeleteRestorations(&listener);
    EXPECT_TRUE(DirExists(Live(L"Anna\\Case1")));
    EXPECT_EQ(0, listener.progress);

    index->SelectAll();
    listener.cancelled = TRUE;
    index->Backup(tmp / L"Backup", &listener);
    EXPECT_EQ(0, listener.progress) << "a cancelled run copies nothing more";
    EXPECT_EQ(1u, anna->GetBackupState()) << "the patient counts as done even when cancelled";
}

TEST_F(PatientDataTest, BackupCopiesTheCaseFilesIntoThePatientDirectory)
{
    auto index = BuildChecked();
    index->Backup(tmp / L"Backup", &listener);
    for (const wchar_t* file : {L"Anna\\Case1\\a.dat", L"Anna\\Case1\\b.CDT", L"Anna\\Case1\\scan.sdt",
                                L"Anna\\Case2\\c.dat", L"Anna\\Case3\\d.dat", L"Anna\\Thumbnail\\Thumbnail.jpg"}) {
        EXPECT_EQ(test::ReadBytes(Live(file)), test::ReadBytes(Copy(file))) << CString(file);
    }
    EXPECT_FALSE(FileExists(Copy(L"Anna\\Case2\\img.tif")));
    EXPECT_FALSE(FileExists(Copy(L"Anna\\Case3\\notes.txt")));
    EXPECT_FALSE(FileExists(Copy(L"Anna\\loose.dat")));
    EXPECT_FALSE(DirExists(Copy(L"Carl")));
    EXPECT_EQ(780, listener.progress);
    EXPECT_EQ(1u, Child(*index, L"Anna")->GetBackupState());
}

TEST_F(PatientDataTest, DeletionTakesOnlyCaseDirectoriesWhollyInTheBackup)
{
    auto index = BuildChecked();
    index->Backup(tmp / L"Backup", &listener);
    listener.progress = 0;
    index->DeleteRestorations(&listener);

    EXPECT_FALSE(DirExists(Live(L"Anna\\Case1")));
    EXPECT_FALSE(DirExists(Live(L"Anna\\Thumbnail")));
    // A TIFF image that was not backed up, and a file of another type, keep their case.
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case2\\img.tif")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case2\\c.dat")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case3\\notes.txt")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case3\\d.dat")));
    // The patient directory and what lies directly in it remain.
    EXPECT_TRUE(FileExists(Live(L"Anna\\loose.dat")));
    EXPECT_TRUE(FileExists(Live(L"Carl\\loose.dat")));
    EXPECT_EQ(1180, listener.progress) << "every file counts, deleted or kept";
}

TEST_F(PatientDataTest, TiffOptionLetsCasesWithImagesGo)
{
    gBackupTiffImages = TRUE;
    auto index = BuildChecked();
    index->Backup(tmp / L"Backup", &listener);
    index->DeleteRestorations(&listener);
    EXPECT_FALSE(DirExists(Live(L"Anna\\Case2")));
    EXPECT_FALSE(DirExists(Live(L"Bert\\Case")));
    EXPECT_TRUE(DirExists(Live(L"Anna\\Case3")));
}

TEST_F(PatientDataTest, CaseWithAFailedCopyOrASubdirectoryStays)
{
    test::MakeTree(data, {{L"Anna\\Thumbnail\\Old\\older.jpg", "o"}});
    auto index = BuildChecked();
    {
        test::FileLock lock(Live(L"Anna\\Case1\\b.CDT"));
        ASSERT_TRUE(lock.IsHeld());
        index->Backup(tmp / L"Backup", &listener);
    }
    ASSERT_EQ(1u, listener.Failed(ERunFailure::CopyFailed).size());
    EXPECT_EQ(Live(L"Anna\\Case1\\b.CDT"), listener.Failed(ERunFailure::CopyFailed)[0]);
    index->DeleteRestorations(&listener);
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case1\\a.dat")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case1\\b.CDT")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case1\\scan.sdt")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Thumbnail\\Thumbnail.jpg")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Thumbnail\\Old\\older.jpg")));
}

TEST_F(PatientDataTest, CaseWithAFileAddedAfterTheTreeWasBuiltStays)
{
    auto index = BuildChecked();
    index->Backup(tmp / L"Backup", &listener);
    test::MakeTree(data, {{L"Anna\\Case1\\new.dat", "n"}});
    index->DeleteRestorations(&listener);
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case1\\new.dat")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Case1\\a.dat")));
}

TEST_F(PatientDataTest, VerifyingRunDeletesOnlyVerifiedCases)
{
    gVerifyAfterBackup = TRUE;
    auto index = BuildChecked();
    index->Backup(tmp / L"Backup", &listener);
    index->DeleteRestorations(&listener);
    EXPECT_TRUE(DirExists(Live(L"Anna\\Case1"))) << "nothing verified yet";
    EXPECT_TRUE(DirExists(Live(L"Anna\\Thumbnail")));

    test::WriteText(Copy(L"Anna\\Thumbnail\\Thumbnail.jpg"), std::string(70, 'X'));
    EXPECT_THROW(index->Verify(backupIndex, &listener), CBackupException*);
    index->DeleteRestorations(&listener);
    EXPECT_FALSE(DirExists(Live(L"Anna\\Case1")));
    EXPECT_TRUE(FileExists(Live(L"Anna\\Thumbnail\\Thumbnail.jpg"))) << "its copy failed verification";
}

TEST_F(PatientDataTest, VerifyComparesEveryFileBeforeReportingAMismatch)
{
    auto index = BuildChecked();
    index->Backup(tmp / L"Backup", &listener);
    test::WriteText(Copy(L"Anna\\Case1\\a.dat"), std::string(100, 'X'));
    test::WriteText(Copy(L"Anna\\Case3\\d.dat"), std::string(60, 'X'));
    listener.progress = 0;
    int thrown = 0;
    try {
        index->Verify(backupIndex, &listener);
    } catch (CBackupException* e) {
        ++thrown;
        e->Delete();
    }
    EXPECT_EQ(1, thrown);
    std::vector<CString> failed = listener.Failed(ERunFailure::VerifyFailed);
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ((std::vector<CString>{Live(L"Anna\\Case1\\a.dat"), Live(L"Anna\\Case3\\d.dat")}), failed);
    EXPECT_EQ(780 - 160, listener.progress) << "the equal copies are verified";
}

TEST_F(PatientDataTest, SelectModifiedChecksPatientsWithModifiedDataFiles)
{
    gBackupTiffImages = TRUE;
    Tree<CBackupItemPatientDataIndex> index(new CBackupItemPatientDataIndex);
    index->BuildForBackup();
    index->SelectModified();
    // New files carry the archive attribute.
    EXPECT_EQ(1u, Child(*index, L"Anna")->GetCheck());
    EXPECT_EQ(0u, Child(*index, L"Bert")->GetCheck()) << "a modified TIFF image alone does not count";
    EXPECT_EQ(0u, Child(*index, L"Carl")->GetCheck()) << "no case files at all";
    Child(*index, L"Bert")->SetCheck(1);
    index->SelectModified();
    EXPECT_EQ(1u, Child(*index, L"Bert")->GetCheck()) << "a check is never cleared";

    // A backup clears the attributes; then only a modified or vanished file counts.
    index->SelectAll();
    index->Backup(tmp / L"Backup", &listener);
    Tree<CBackupItemPatientDataIndex> after(new CBackupItemPatientDataIndex);
    after->BuildForBackup();
    ASSERT_TRUE(DeleteFileW(Live(L"Anna\\Case3\\d.dat")));
    after->SelectModified();
    EXPECT_EQ(1u, Child(*after, L"Anna")->GetCheck()) << "a vanished file counts as modified";

    if (!test::ArchiveBitClears(Live(L"Anna\\Case1\\a.dat")))
        GTEST_SKIP() << "this file system reports the archive attribute on every file (Wine), so a file "
                        "saved by a backup cannot be told from a modified one here";
    Tree<CBackupItemPatientDataIndex> again(new CBackupItemPatientDataIndex);
    again->BuildForBackup();
    test::MakeTree(data, {{L"Anna\\Case3\\d.dat", "d"}});
    ASSERT_TRUE(SetFileAttributesW(Live(L"Anna\\Case3\\d.dat"), FILE_ATTRIBUTE_NORMAL));
    again->SelectModified();
    EXPECT_EQ(0u, Child(*again, L"Anna")->GetCheck());
    ASSERT_TRUE(SetFileAttributesW(Live(L"Anna\\Case2\\c.dat"), FILE_ATTRIBUTE_ARCHIVE));
    again->SelectModified();
    EXPECT_EQ(1u, Child(*again, L"Anna")->GetCheck());
}

// One medium's backup below root: its Backup.ini and patient files.
CString MakeMedium(const CString& root, int nDisk, const test::FileTree& files)
{
    test::MakeTree(CDirectory::Concat(root, L"Patient Data Index"), files);
    CString number;
    number.Format(L"%d", nDisk);
    WritePrivateProfileStringW(L"Backup", L"DiskNumber", number, CDirectory::Concat(root, L"Backup.ini"));
    return CDirectory::Concat(root, L"Patient Data Index");
}

TEST_F(PatientDataTest, RestoreTreeJoinsAPatientSpreadOverTwoMedia)
{
    CString first = MakeMedium(tmp / L"M1", 1, {{L"Anna\\Case1\\a.dat", std::string(100, 'a')},
                                                 {L"Anna\\Case1\\b.tif", std::string(40, 't')},
                                                 {L"Bert\\Case\\only.tif", std::string(500, 'T')}});
    CString second = MakeMedium(tmp / L"M2", 2, {{L"Anna\\Case2\\c.dat", std::string(50, 'c')}});
    CString third = MakeMedium(tmp / L"M3", 3, {{L"ANNA\\Case\\x.dat", std::string(7, 'x')}});
    Tree<CBackupItemPatientDataIndex> index(new CBackupItemPatientDataIndex);
    index->BuildForRestore(first);
    index->BuildForRestore(second);
    index->BuildForRestore(third);

    EXPECT_TRUE(index->IsEnabled());
    // Names that differ in case are different patients; a TIFF-only patient is left out.
    EXPECT_EQ((std::set<std::wstring>{L"Anna", L"ANNA"}), Names(*index));
    auto* anna = static_cast<CBackupItemPatientData*>(Child(*index, L"Anna"));
    ASSERT_NE(nullptr, anna);
    EXPECT_EQ((std::set<std::wstring>{L"Case1\\a.dat", L"Case1\\b.tif", L"Case2\\c.dat"}), Names(*anna));
    EXPECT_EQ(150, anna->GetSize());
    EXPECT_EQ(40, anna->GetTiffSize());
    EXPECT_TRUE(anna->HasItemsOnDisk(1));
    EXPECT_TRUE(anna->HasItemsOnDisk(2));
    EXPECT_FALSE(anna->HasItemsOnDisk(3));
    CBackupItem* upper = Child(*index, L"ANNA");
    ASSERT_NE(nullptr, upper);
    EXPECT_FALSE(upper->HasItemsOnDisk(1));
    EXPECT_TRUE(upper->HasItemsOnDisk(3));

    Tree<CBackupItemPatientDataIndex> none(new CBackupItemPatientDataIndex);
    none->BuildForRestore(MakeMedium(tmp / L"M4", 1, {{L"Dora\\Case\\x.txt", "x"}}));
    EXPECT_FALSE(none->IsEnabled());
    EXPECT_EQ(0, none->GetChildren().GetSize());
}

TEST_F(PatientDataTest, RestoreCopiesTheMediumsFilesIntoTheLiveData)
{
    CString medium = tmp / L"M1";
    CString pdi = MakeMedium(medium, 1, {{L"Fritz\\Case\\a.dat", "fritz a"},
                                         {L"Fritz\\Thumbnail\\Thumbnail.jpg", "jpeg"},
                                         {L"Gina\\Case\\g.dat", "gina"}});
    Tree<CBackupItemPatientDataIndex> index(new CBackupItemPatientDataIndex);
    index->BuildForRestore(pdi);
    Child(*index, L"Fritz")->SetCheck(1);
    index->SetCheck(2);

    index->Restore(medium, &listener);
    EXPECT_EQ("fritz a", test::ReadText(Live(L"Fritz\\Case\\a.dat")));
    EXPECT_TRUE(FileExists(Live(L"Fritz\\Thumbnail\\Thumbnail.jpg")));
    EXPECT_NE(0u, test::Attributes(Live(L"Fritz\\Thumbnail")) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(DirExists(Live(L"Gina"))) << "unchecked";
    EXPECT_EQ(11, listener.progress);

    // With another medium in the drive the patient directory is still made.
    test::RemoveTree(Live(L"Fritz"));
    WritePrivateProfileStringW(L"Backup", L"DiskNumber", L"2", CDirectory::Concat(medium, L"Backup.ini"));
    index->Restore(medium, &listener);
    EXPECT_TRUE(DirExists(Live(L"Fritz")));
    EXPECT_FALSE(DirExists(Live(L"Fritz\\Case")));
}

TEST_F(PatientDataTest, RestoreCancelledAtTheOverwriteQuestionStopsBeforeTheNextFile)
{
    CString medium = tmp / L"M1";
    CString pdi = MakeMedium(medium, 1, {{L"Anna\\Case1\\a.dat", "backup a"},
                                         {L"Anna\\Case1\\b.CDT", "backup b"},
                                         {L"Anna\\Case1\\scan.sdt", "backup s"}});
    Tree<CBackupItemPatientDataIndex> index(new CBackupItemPatientDataIndex);
    index->BuildForRestore(pdi);
    index->SelectAll();
    int questions = 0;
    AfxSetDialogResponder([&](UINT, const CString&) {
        ++questions;
        return SDialogAnswer{IDCANCEL, FALSE};
    });
    index->Restore(medium, &listener);
    EXPECT_EQ(1, questions);
    EXPECT_TRUE(listener.cancelled);
    EXPECT_EQ(std::string(100, 'a'), test::ReadText(Live(L"Anna\\Case1\\a.dat")));
    EXPECT_EQ(std::string(200, 'b'), test::ReadText(Live(L"Anna\\Case1\\b.CDT")));
    EXPECT_EQ(std::string(300, 's'), test::ReadText(Live(L"Anna\\Case1\\scan.sdt")));
}

} // namespace
