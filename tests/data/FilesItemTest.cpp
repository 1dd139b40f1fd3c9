// The files item on real files: copying into a backup and back, the overwrite
// question with scripted answers, copies that fail, verification, deleting
// the case directory and the test for new or modified data.

#include "app/BackupException.h"
#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "items/data/CBackupItemFiles.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"
#include "tests/data/RecordingListener.h"

#include <gtest/gtest.h>

#include <memory>

using test::Attributes;
using test::FileExists;
using test::ReadText;
using test::WriteText;

namespace {

CString LoadText(UINT nId)
{
    CString text;
    text.LoadString(nId);
    return text;
}

size_t CountFiles(const CString& dir)
{
    CStringArray names;
    CDirectory::ListFiles(dir, names, L"*.*", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    return static_cast<size_t>(names.GetSize());
}

class FilesItemTest : public test::DataItemsTest {
protected:
    void SetUp() override
    {
        DataItemsTest::SetUp();
        live = tmp / L"Data\\Patient";
        backup = tmp / L"Backup\\Patient Data Index\\Patient";
    }

    // A live file Case\name with this content, and its item.
    std::unique_ptr<CBackupItemFiles> LiveFile(const wchar_t* name, const std::string& content, BOOL bTiff = FALSE)
    {
        test::MakeTree(live, {{name, content}});
        CString path = CDirectory::Concat(live, name);
        auto item = std::make_unique<CBackupItemFiles>(path.Left(path.ReverseFind(L'\\')),
                                                       path.Mid(path.ReverseFind(L'\\') + 1), bTiff);
        item->UpdateSize(live);
        return item;
    }

    CString LivePath(const wchar_t* name) const { return CDirectory::Concat(live, name); }
    CString BackupPath(const wchar_t* name) const { return CDirectory::Concat(backup, name); }

    // Answers every overwrite question with this answer and counts the questions.
    void AnswerOverwrite(int nButton, BOOL bRemember)
    {
        AfxSetDialogResponder([this, nButton, bRemember](UINT, const CString& text) {
            ++questions;
            lastQuestion = text;
            return SDialogAnswer{nButton, bRemember};
        });
    }

    test::TempDir tmp;
    CString live;
    CString backup;
    test::RecordingListener listener;
    int questions = 0;
    CString lastQuestion;
};

TEST_F(FilesItemTest, NameIsTheCaseDirectoryAndTheFile)
{
    CBackupItemFiles item(L"C:\\Data\\Patient\\Case 1", L"scan.sdt", FALSE);
    EXPECT_EQ(CString(L"Case 1\\scan.sdt"), item.GetName());
    EXPECT_EQ(CString(L"Case 1"), item.GetCaseDirectory());
    EXPECT_EQ(1u, item.GetCheck());
    EXPECT_FALSE(item.IsTiffImage());
    EXPECT_EQ(0, item.CalculateSize());

    CBackupItemFiles bare(L"Case", L"image.tif", TRUE);
    EXPECT_EQ(CString(L"Case\\image.tif"), bare.GetName());
    EXPECT_TRUE(bare.IsTiffImage());
    item.SetCheck(0);
    EXPECT_EQ(1u, item.GetCheck()) << "a files item always counts as selected";
}

TEST_F(FilesItemTest, UpdateSizeReadsTheLiveFile)
{
    auto item = LiveFile(L"Case\\a.dat", std::string(1234, 'x'));
    EXPECT_EQ(1234, item->CalculateSize());
    WriteText(LivePath(L"Case\\a.dat"), "12");
    item->UpdateSize(live);
    EXPECT_EQ(2, item->CalculateSize());
    DeleteFileW(LivePath(L"Case\\a.dat"));
    item->UpdateSize(live);
    EXPECT_EQ(0, item->CalculateSize());
}

TEST_F(FilesItemTest, BackupCopiesTheFileAndClearsItsAttributes)
{
    const std::string content = test::Pattern(70000, 1);
    auto item = LiveFile(L"Case 1\\a.dat", content);
    ASSERT_TRUE(SetFileAttributesW(LivePath(L"Case 1\\a.dat"), FILE_ATTRIBUTE_READONLY));

    item->BackupFile(live, backup, &listener);

    EXPECT_EQ(content, ReadText(BackupPath(L"Case 1\\a.dat")));
    EXPECT_EQ(0u, Attributes(LivePath(L"Case 1\\a.dat")) & FILE_ATTRIBUTE_READONLY);
    if (test::ArchiveBitClears(LivePath(L"Case 1\\a.dat"))) {
        EXPECT_EQ(0u, Attributes(LivePath(L"Case 1\\a.dat")) & FILE_ATTRIBUTE_ARCHIVE);
    }
    EXPECT_EQ(1u, item->GetBackupState());
    EXPECT_EQ(70000, listener.progress);
    EXPECT_EQ(1, listener.copies);
    EXPECT_TRUE(listener.failures.empty());
    EXPECT_TRUE(item->IsSafelyBackedUp());
    gVerifyAfterBackup = TRUE;
    EXPECT_FALSE(item->IsSafelyBackedUp()) << "a verifying run trusts only verified copies";
}

TEST_F(FilesItemTest, ACopiedFileIsNotCopiedAgainInTheSameRun)
{
    auto item = LiveFile(L"Case\\a.dat", "first");
    item->BackupFile(live, backup, &listener);
    WriteText(LivePath(L"Case\\a.dat"), "second");
    item->BackupFile(live, backup, &listener);
    EXPECT_EQ("first", ReadText(BackupPath(L"Case\\a.dat")));
    EXPECT_EQ(5, listener.progress);
    EXPECT_EQ(0, questions);

    // Showing the tree starts a new run.
    item->InsertIntoTree(nullptr, nullptr);
    EXPECT_EQ(0u, item->GetBackupState());
}

TEST_F(FilesItemTest, TiffImageIsCopiedOnlyWithTheOption)
{
    auto item = LiveFile(L"Case\\image.tif", "II*\0 tiff", TRUE);
    ASSERT_TRUE(SetFileAttributesW(LivePath(L"Case\\image.tif"), FILE_ATTRIBUTE_READONLY));
    item->BackupFile(live, backup, &listener);
    EXPECT_FALSE(FileExists(BackupPath(L"Case\\image.tif")));
    EXPECT_EQ(0u, item->GetBackupState());
    EXPECT_EQ(0, listener.progress);
    EXPECT_NE(0u, Attributes(LivePath(L"Case\\image.tif")) & FILE_ATTRIBUTE_READONLY);

    gBackupTiffImages = TRUE;
    item->BackupFile(live, backup, &listener);
    EXPECT_TRUE(FileExists(BackupPath(L"Case\\image.tif")));
    EXPECT_EQ(1u, item->GetBackupState());
}

TEST_F(FilesItemTest, UnreadableSourceIsReportedAndKeepsItsAttributes)
{
    auto item = LiveFile(L"Case\\locked.dat", test::Pattern(5000, 2));
    ASSERT_TRUE(SetFileAttributesW(LivePath(L"Case\\locked.dat"), FILE_ATTRIBUTE_READONLY));
    {
        test::FileLock lock(LivePath(L"Case\\locked.dat"));
        ASSERT_TRUE(lock.IsHeld());
        item->BackupFile(live, backup, &listener);
    }
    EXPECT_FALSE(FileExists(BackupPath(L"Case\\locked.dat")));
    EXPECT_EQ(0u, item->GetBackupState());
    EXPECT_EQ(0, listener.progress);
    EXPECT_EQ(0, listener.copies);
    EXPECT_FALSE(listener.cancelled);
    EXPECT_NE(0u, Attributes(LivePath(L"Case\\locked.dat")) & FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(1u, listener.failures.size());
    EXPECT_EQ(ERunFailure::CopyFailed, listener.failures[0].first);
    EXPECT_EQ(LivePath(L"Case\\locked.dat"), listener.failures[0].second);
    EXPECT_FALSE(item->IsSafelyBackedUp());

    // Not tried again in the same run, so reported once.
    item->BackupFile(live, backup, &listener);
    EXPECT_FALSE(FileExists(BackupPath(L"Case\\locked.dat")));
    EXPECT_EQ(1u, listener.failures.size());

    item->InsertIntoTree(nullptr, nullptr);
    item->BackupFile(live, backup, &listener);
    EXPECT_TRUE(FileExists(BackupPath(L"Case\\locked.dat")));
    EXPECT_EQ(1u, item->GetBackupState());
}

TEST_F(FilesItemTest, ExistingTargetAsksAndNoKeepsIt)
{
    auto item = LiveFile(L"Case\\a.dat", "new content");
    ASSERT_TRUE(SetFileAttributesW(LivePath(L"Case\\a.dat"), FILE_ATTRIBUTE_READONLY));
    test::MakeTree(backup, {{L"Case\\a.dat", "old"}});
    AnswerOverwrite(IDNO, FALSE);

    item->BackupFile(live, backup, &listener);

    EXPECT_EQ(1, questions);
    // FormatMessage writes its line breaks as CR LF.
    CString expected = L"The file \r\n" + LivePath(L"Case\\a.dat") + L"\r\nalready exists in\r\n" +
                       CDirectory::Concat(backup, L"Case") + L".\r\nDo you want to overwrite the existing file?";
    EXPECT_EQ(expected, lastQuestion);
    EXPECT_EQ("old", ReadText(BackupPath(L"Case\\a.dat")));
    // The file counts as done, as the user chose.
    EXPECT_EQ(1u, item->GetBackupState());
    EXPECT_EQ(11, listener.progress);
    EXPECT_EQ(0u, Attributes(LivePath(L"Case\\a.dat")) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, listener.copies);
    EXPECT_FALSE(listener.cancelled);
    EXPECT_FALSE(item->IsSafelyBackedUp()) << "the backup holds an older file";
}

TEST_F(FilesItemTest, ExistingTargetYesOverwritesIt)
{
    auto item = LiveFile(L"Case\\a.dat", "new content");
    test::MakeTree(backup, {{L"Case\\a.dat", "old"}});
    AnswerOverwrite(IDOK, FALSE);
    item->BackupFile(live, backup, &listener);
    EXPECT_EQ(1, questions);
    EXPECT_EQ("new content", ReadText(BackupPath(L"Case\\a.dat")));
    EXPECT_EQ(1u, item->GetBackupState());
    EXPECT_EQ(1, listener.copies);
    EXPECT_TRUE(item->IsSafelyBackedUp());
    EXPECT_FALSE(gRememberChoice);
}

TEST_F(FilesItemTest, ExistingTargetCancelStopsTheRunAfterThisFile)
{
    auto item = LiveFile(L"Case\\a.dat", "new content");
    test::MakeTree(backup, {{L"Case\\a.dat", "old"}});
    AnswerOverwrite(IDCANCEL, TRUE);
    item->BackupFile(live, backup, &listener);
    EXPECT_TRUE(listener.cancelled);
    EXPECT_EQ("old", ReadText(BackupPath(L"Case\\a.dat")));
    EXPECT_EQ(1u, item->GetBackupState());
    EXPECT_FALSE(gRememberChoice);
}

TEST_F(FilesItemTest, RememberedAnswersAreUsedWithoutAsking)
{
    auto first = LiveFile(L"Case\\a.dat", "new a");
    auto second = LiveFile(L"Case\\b.dat", "new b");
    test::MakeTree(backup, {{L"Case\\a.dat", "old a"}, {L"Case\\b.dat", "old b"}});
    AnswerOverwrite(IDCANCEL, FALSE);

    gRememberChoice = TRUE;
    gOverwriteChoice = TRUE;
    first->BackupFile(live, backup, &listener);
    gOverwriteChoice = FALSE;
    second->BackupFile(live, backup, &listener);

    EXPECT_EQ(0, questions);
    EXPECT_EQ("new a", ReadText(BackupPath(L"Case\\a.dat")));
    EXPECT_EQ("old b", ReadText(BackupPath(L"Case\\b.dat")));
    EXPECT_FALSE(listener.cancelled);
}

TEST_F(FilesItemTest, YesWithRememberAnswersTheFollowingFiles)
{
    auto first = LiveFile(L"Case\\a.dat", "new a");
    auto second = LiveFile(L"Case\\b.dat", "new b");
    test::MakeTree(backup, {{L"Case\\a.dat", "old a"}, {L"Case\\b.dat", "old b"}});
    AnswerOverwrite(IDOK, TRUE);
    first->BackupFile(live, backup, &listener);
    second->BackupFile(live, backup, &listener);
    EXPECT_EQ(1, questions);
    EXPECT_EQ("new a", ReadText(BackupPath(L"Case\\a.dat")));
    EXPECT_EQ("new b", ReadText(BackupPath(L"Case\\b.dat")));
}

TEST_F(FilesItemTest, NoWithRememberKeepsTheFollowingFiles)
{
    auto first = LiveFile(L"Case\\a.dat", "new a");
    auto second = LiveFile(L"Case\\b.dat", "new b");
    test::MakeTree(backup, {{L"Case\\a.dat", "old a"}, {L"Case\\b.dat", "old b"}});
    AnswerOverwrite(IDNO, TRUE);
    first->BackupFile(live, backup, &listener);
    second->BackupFile(live, backup, &listener);
    EXPECT_EQ(1, questions);
    EXPECT_EQ("old a", ReadText(BackupPath(L"Case\\a.dat")));
    EXPECT_EQ("old b", ReadText(BackupPath(L"Case\\b.dat")));
    EXPECT_EQ(2u, first->GetBackupState() + second->GetBackupState());
}

TEST_F(FilesItemTest, OverwriteThatFailsKeepsTheOldTargetAndIsReported)
{
    auto item = LiveFile(L"Case\\a.dat", "new content");
    test::MakeTree(backup, {{L"Case\\a.dat", "old"}});
    ASSERT_TRUE(SetFileAttributesW(LivePath(L"Case\\a.dat"), FILE_ATTRIBUTE_READONLY));
    AnswerOverwrite(IDOK, FALSE);
    {
        test::FileLock lock(LivePath(L"Case\\a.dat"));
        ASSERT_TRUE(lock.IsHeld());
        item->BackupFile(live, backup, &listener);
    }
    EXPECT_EQ(1, questions);
    EXPECT_EQ("old", ReadText(BackupPath(L"Case\\a.dat")));
    EXPECT_EQ(1u, CountFiles(CDirectory::Concat(backup, L"Case"))) << "a temporary copy was left behind";
    EXPECT_EQ(0u, item->GetBackupState());
    EXPECT_NE(0u, Attributes(LivePath(L"Case\\a.dat")) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(1u, listener.Failed(ERunFailure::CopyFailed).size());
}

TEST_F(FilesItemTest, OverwriteReplacesAReadOnlyTarget)
{
    auto item = LiveFile(L"Case\\a.dat", "new content");
    test::MakeTree(backup, {{L"Case\\a.dat", "old"}});
    ASSERT_TRUE(SetFileAttributesW(BackupPath(L"Case\\a.dat"), FILE_ATTRIBUTE_READONLY));
    AnswerOverwrite(IDOK, FALSE);
    item->BackupFile(live, backup, &listener);
    EXPECT_EQ("new content", ReadText(BackupPath(L"Case\\a.dat")));
    EXPECT_EQ(1u, CountFiles(CDirectory::Concat(backup, L"Case")));
    EXPECT_TRUE(listener.failures.empty());
}

TEST_F(FilesItemTest, VerifyOfAnEqualCopyMarksItVerified)
{
    auto item = LiveFile(L"Case\\a.dat", test::Pattern(100000, 3));
    item->BackupFile(live, backup, &listener);
    item->VerifyFile(live, backup, &listener);
    EXPECT_EQ(2u, item->GetBackupState());
    EXPECT_EQ(200000, listener.progress);
    gVerifyAfterBackup = TRUE;
    EXPECT_TRUE(item->IsSafelyBackedUp());

    // Verified once only.
    DeleteFileW(BackupPath(L"Case\\a.dat"));
    item->VerifyFile(live, backup, &listener);
    EXPECT_EQ(200000, listener.progress);
    EXPECT_TRUE(listener.failures.empty());
}

TEST_F(FilesItemTest, VerifyMismatchThrowsReportsAndMarksTheFileModified)
{
    auto item = LiveFile(L"Case\\a.dat", test::Pattern(5000, 4));
    item->BackupFile(live, backup, &listener);
    std::string changed = test::Pattern(5000, 4);
    changed[4321] ^= 1;
    WriteText(BackupPath(L"Case\\a.dat"), changed);

    UINT code = 0;
    CString text;
    try {
        item->VerifyFile(live, backup, &listener);
    } catch (CBackupException* e) {
        code = e->GetCode();
        text = e->GetText();
        e->Delete();
    }
    EXPECT_EQ(static_cast<UINT>(IDS_VERIFY_FAILED), code);
    EXPECT_EQ(LoadText(IDS_VERIFY_FAILED), text);
    EXPECT_EQ(1u, item->GetBackupState());
    EXPECT_EQ(5000, listener.progress) << "only the copy counted";
    ASSERT_EQ(1u, listener.failures.size());
    EXPECT_EQ(ERunFailure::VerifyFailed, listener.failures[0].first);
    EXPECT_EQ(LivePath(L"Case\\a.dat"), listener.failures[0].second);
    EXPECT_FALSE(item->IsSafelyBackedUp());
    // Where the bit can be cleared at all (not under Wine), it is set again.
    if (test::ArchiveBitClears(LivePath(L"Case\\a.dat"))) {
        EXPECT_NE(0u, Attributes(LivePath(L"Case\\a.dat")) & FILE_ATTRIBUTE_ARCHIVE);
    }

    // Not compared again (its copy may be on a medium that has left the drive).
    EXPECT_NO_THROW(item->VerifyFile(live, backup, &listener));
    EXPECT_EQ(1u, listener.failures.size());
}

TEST_F(FilesItemTest, VerifyOfAMissingCopyFails)
{
    auto item = LiveFile(L"Case\\a.dat", "content");
    item->BackupFile(live, backup, &listener);
    ASSERT_TRUE(DeleteFileW(BackupPath(L"Case\\a.dat")));
    EXPECT_THROW(item->VerifyFile(live, backup, &listener), CBackupException*);
    EXPECT_EQ(1u, listener.Failed(ERunFailure::VerifyFailed).size());
}

TEST_F(FilesItemTest, VerifyDoesNothingBeforeACopyOrAfterCancel)
{
    auto item = LiveFile(L"Case\\a.dat", "content");
    EXPECT_NO_THROW(item->VerifyFile(live, backup, &listener));
    EXPECT_EQ(0u, item->GetBackupState());

    item->BackupFile(live, backup, &listener);
    ASSERT_TRUE(DeleteFileW(BackupPath(L"Case\\a.dat")));
    listener.cancelled = TRUE;
    EXPECT_NO_THROW(item->VerifyFile(live, backup, &listener));
    EXPECT_EQ(1u, item->GetBackupState());
    EXPECT_TRUE(listener.failures.empty());
}

TEST_F(FilesItemTest, DeleteRestorationRemovesTheWholeCaseDirectory)
{
    auto first = LiveFile(L"Case\\a.dat", std::string(300, 'a'));
    auto second = LiveFile(L"Case\\b.dat", std::string(200, 'b'));
    test::MakeTree(live, {{L"Case\\other.txt", "x"}, {L"Case\\Sub\\deep.dat", "y"}, {L"top.dat", "z"}});

    first->DeleteRestoration(live, &listener);
    EXPECT_FALSE(test::DirExists(LivePath(L"Case")));
    EXPECT_TRUE(FileExists(LivePath(L"top.dat")));
    EXPECT_EQ(300, listener.progress);

    // The second file finds its directory gone and only counts.
    gVerifyAfterBackup = TRUE;
    second->DeleteRestoration(live, &listener);
    EXPECT_EQ(700, listener.progress) << "a verifying run's bar is twice the size";
}

TEST_F(FilesItemTest, SelectIfModifiedReadsTheArchiveAttribute)
{
    auto data = LiveFile(L"Case\\a.dat", "data");
    auto tiff = LiveFile(L"Case\\i.tif", "tiff", TRUE);
    EXPECT_FALSE(tiff->SelectIfModified(live)) << "TIFF images never count as modified";

    ASSERT_TRUE(SetFileAttributesW(LivePath(L"Case\\a.dat"), FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(data->SelectIfModified(live));

    ASSERT_TRUE(DeleteFileW(LivePath(L"Case\\a.dat")));
    EXPECT_TRUE(data->SelectIfModified(live)) << "a vanished file counts as modified";

    test::MakeTree(live, {{L"Case\\a.dat", "data"}});
    if (!test::ArchiveBitClears(LivePath(L"Case\\a.dat")))
        GTEST_SKIP() << "this file system reports the archive attribute on every file (Wine), so an "
                        "unmodified file cannot be told from a modified one here";
    ASSERT_TRUE(SetFileAttributesW(LivePath(L"Case\\a.dat"), FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(data->SelectIfModified(live));
}

// A backup copy of one patient below backupDir, on medium nDisk.
CString MakeBackupCopy(const CString& backupDir, int nDisk, const test::FileTree& files)
{
    CString patientDir = CDirectory::Concat(backupDir, L"Patient Data Index\\Patient");
    test::MakeTree(patientDir, files);
    CString number;
    number.Format(L"%d", nDisk);
    WritePrivateProfileStringW(L"Backup", L"DiskNumber", number, CDirectory::Concat(backupDir, L"Backup.ini"));
    return patientDir;
}

TEST_F(FilesItemTest, BuildForRestoreReadsDiskNumberAndSize)
{
    CString backupDir = tmp / L"Medium";
    CString patientDir = MakeBackupCopy(backupDir, 3, {{L"Case\\a.dat", std::string(4321, 'r')}});
    CBackupItemFiles item(CDirectory::Concat(patientDir, L"Case"), L"a.dat", FALSE);
    item.BuildForRestore(patientDir);
    EXPECT_EQ(3u, item.GetDiskNumber());
    EXPECT_EQ(4321, item.CalculateSize());
    EXPECT_TRUE(item.HasItemsOnDisk(3));
    EXPECT_FALSE(item.HasItemsOnDisk(2));
}

TEST_F(FilesItemTest, RestoreCopiesBackOnlyFromItsOwnMedium)
{
    CString backupDir = tmp / L"Medium";
    CString patientDir = MakeBackupCopy(backupDir, 2, {{L"Case\\a.dat", "restored"}});
    CBackupItemFiles item(CDirectory::Concat(patientDir, L"Case"), L"a.dat", FALSE);
    item.BuildForRestore(patientDir);

    // Another medium is in the drive.
    WritePrivateProfileStringW(L"Backup", L"DiskNumber", L"1", CDirectory::Concat(backupDir, L"Backup.ini"));
    item.RestoreFile(patientDir, live, &listener);
    EXPECT_FALSE(FileExists(LivePath(L"Case\\a.dat")));
    EXPECT_EQ(0, listener.progress);

    WritePrivateProfileStringW(L"Backup", L"DiskNumber", L"2", CDirectory::Concat(backupDir, L"Backup.ini"));
    ASSERT_TRUE(SetFileAttributesW(CDirectory::Concat(patientDir, L"Case\\a.dat"), FILE_ATTRIBUTE_ARCHIVE));
    item.RestoreFile(patientDir, live, &listener);
    EXPECT_EQ("restored", ReadText(LivePath(L"Case\\a.dat")));
    EXPECT_EQ(8, listener.progress);
    EXPECT_EQ(0u, item.GetBackupState()) << "a restore leaves the backup state alone";
    if (test::ArchiveBitClears(LivePath(L"Case\\a.dat"))) {
        EXPECT_EQ(0u, Attributes(LivePath(L"Case\\a.dat")) & FILE_ATTRIBUTE_ARCHIVE);
    }
    EXPECT_EQ(0u, Attributes(LivePath(L"Case")) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FilesItemTest, RestoredThumbnailsDirectoryIsHidden)
{
    CString backupDir = tmp / L"Medium";
    CString patientDir = MakeBackupCopy(backupDir, 1, {{L"Thumbnail\\Thumbnail.jpg", "jpeg"}});
    CBackupItemFiles item(CDirectory::Concat(patientDir, L"Thumbnail"), L"Thumbnail.jpg", FALSE);
    item.BuildForRestore(patientDir);
    item.RestoreFile(patientDir, live, &listener);
    ASSERT_EQ("jpeg", ReadText(LivePath(L"Thumbnail\\Thumbnail.jpg")));
    EXPECT_NE(0u, Attributes(LivePath(L"Thumbnail")) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FilesItemTest, RestoreAsksBeforeOverwritingLiveData)
{
    CString backupDir = tmp / L"Medium";
    CString patientDir = MakeBackupCopy(backupDir, 1, {{L"Case\\a.dat", "from backup"}, {L"Case\\b.dat", "from backup"}});
    test::MakeTree(live, {{L"Case\\a.dat", "live a"}, {L"Case\\b.dat", "live b"}});
    CBackupItemFiles first(CDirectory::Concat(patientDir, L"Case"), L"a.dat", FALSE);
    CBackupItemFiles second(CDirectory::Concat(patientDir, L"Case"), L"b.dat", FALSE);
    first.BuildForRestore(patientDir);
    second.BuildForRestore(patientDir);

    AnswerOverwrite(IDNO, FALSE);
    first.RestoreFile(patientDir, live, &listener);
    EXPECT_EQ("live a", ReadText(LivePath(L"Case\\a.dat")));
    CString expected = L"The file \r\n" + CDirectory::Concat(patientDir, L"Case\\a.dat") +
                       L"\r\nalready exists in\r\n" + LivePath(L"Case") +
                       L".\r\nDo you want to overwrite the existing file?";
    EXPECT_EQ(expected, lastQuestion);

    AnswerOverwrite(IDOK, FALSE);
    second.RestoreFile(patientDir, live, &listener);
    EXPECT_EQ("from backup", ReadText(LivePath(L"Case\\b.dat")));
    EXPECT_EQ(2, questions);
}

TEST_F(FilesItemTest, RestoreFromAnUnreadableCopyKeepsTheLiveFile)
{
    CString backupDir = tmp / L"Medium";
    CString patientDir = MakeBackupCopy(backupDir, 1, {{L"Case\\a.dat", "from backup"}});
    test::MakeTree(live, {{L"Case\\a.dat", "live a"}});
    CBackupItemFiles item(CDirectory::Concat(patientDir, L"Case"), L"a.dat", FALSE);
    item.BuildForRestore(patientDir);
    AnswerOverwrite(IDOK, FALSE);
    {
        test::FileLock lock(CDirectory::Concat(patientDir, L"Case\\a.dat"));
        ASSERT_TRUE(lock.IsHeld());
        item.RestoreFile(patientDir, live, &listener);
    }
    EXPECT_EQ("live a", ReadText(LivePath(L"Case\\a.dat")));
    EXPECT_EQ(1u, CountFiles(LivePath(L"Case")));
    EXPECT_EQ((std::vector<CString>{CDirectory::Concat(patientDir, L"Case\\a.dat")}),
              listener.Failed(ERunFailure::CopyFailed));
    EXPECT_EQ(0, listener.progress);
}

} // namespace
