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

namespace {

size_t CountFiles(const CString& dir)
{
    CStringArray names;
    CDirectory::ListFiles(dir, names, L"*.*", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    return static_cast<size_t>(names.GetSize());
}

bool IsReadOnly(const CString& path)
{
    return (Attributes(path) & FILE_ATTRIBUTE_READONLY) != 0;
}

// FormatMessage writes the question's line breaks as CR LF.
CString OverwriteQuestion(const CString& src, const CString& dstDir)
{
    return L"The file \r\n" + src + L"\r\nalready exists in\r\n" + dstDir +
           L".\r\nDo you want to overwrite the existing file?";
}

class FilesItemTest : public test::DataItemsTest {
protected:
    // A live file Case\name with this content, and its item.
    std::unique_ptr<CBackupItemFiles> LiveFile(const wchar_t* name, const std::string& content, BOOL bTiff = FALSE)
    {
        test::MakeTree(live, {{name, content}});
        CString path = Live(name);
        auto item = std::make_unique<CBackupItemFiles>(path.Left(path.ReverseFind(L'\\')),
                                                       path.Mid(path.ReverseFind(L'\\') + 1), bTiff);
        item->UpdateSize(live);
        return item;
    }

    CString Live(const wchar_t* name) const { return CDirectory::Concat(live, name); }
    CString Saved(const wchar_t* name) const { return CDirectory::Concat(backup, name); }

    // Answers every overwrite question with this answer and counts the questions.
    void AnswerOverwrite(int nButton, BOOL bRemember)
    {
        AfxSetDialogResponder([this, nButton, bRemember](UINT, const CString& text) {
            ++questions;
            lastQuestion = text;
            return SDialogAnswer{nButton, bRemember};
        });
    }

    // A backup copy of one patient on medium nDisk, with its item for Case\a.dat.
    std::unique_ptr<CBackupItemFiles> SavedFile(int nDisk, const wchar_t* name, const std::string& content)
    {
        test::MakeTree(medium + L"\\Patient Data Index\\Patient", {{name, content}});
        SetDiskNumber(nDisk);
        CString path = CDirectory::Concat(savedPatient, name);
        auto item = std::make_unique<CBackupItemFiles>(path.Left(path.ReverseFind(L'\\')),
                                                       path.Mid(path.ReverseFind(L'\\') + 1), FALSE);
        item->BuildForRestore(savedPatient);
        return item;
    }
    void SetDiskNumber(int nDisk)
    {
        CString number;
        number.Format(L"%d", nDisk);
        WritePrivateProfileStringW(L"Backup", L"DiskNumber", number, medium + L"\\Backup.ini");
    }

    test::TempDir tmp;
    const CString live = tmp / L"Data\\Patient";
    const CString backup = tmp / L"Backup\\Patient Data Index\\Patient";
    const CString medium = tmp / L"Medium";
    const CString savedPatient = medium + L"\\Patient Data Index\\Patient";
    test::RecordingListener listener;
    int questions = 0;
    CString lastQuestion;
};

TEST_F(FilesItemTest, NameSizeAndFixedCheck)
{
    auto item = LiveFile(L"Case 1\\a.dat", std::string(1234, 'x'));
    EXPECT_EQ(CString(L"Case 1\\a.dat"), item->GetName());
    EXPECT_EQ(CString(L"Case 1"), item->GetCaseDirectory());
    EXPECT_EQ(1234, item->CalculateSize());
    item->SetCheck(0);
    EXPECT_EQ(1u, item->GetCheck()) << "a files item always counts as selected";
    DeleteFileW(Live(L"Case 1\\a.dat"));
    item->UpdateSize(live);
    EXPECT_EQ(0, item->CalculateSize());
}

TEST_F(FilesItemTest, BackupCopiesOnceAndClearsTheAttributes)
{
    const std::string content = test::Pattern(70000, 1);
    auto item = LiveFile(L"Case\\a.dat", content);
    ASSERT_TRUE(SetFileAttributesW(Live(L"Case\\a.dat"), FILE_ATTRIBUTE_READONLY));
    item->BackupFile(live, backup, &listener);
    EXPECT_EQ(content, ReadText(Saved(L"Case\\a.dat")));
    EXPECT_FALSE(IsReadOnly(Live(L"Case\\a.dat")));
    if (test::ArchiveBitClears(Live(L"Case\\a.dat"))) {
        EXPECT_EQ(0u, Attributes(Live(L"Case\\a.dat")) & FILE_ATTRIBUTE_ARCHIVE);
    }
    EXPECT_EQ(1u, item->GetBackupState());
    EXPECT_EQ(70000, listener.progress);
    EXPECT_EQ(1, listener.copies);
    EXPECT_TRUE(item->IsSafelyBackedUp());
    gVerifyAfterBackup = TRUE;
    EXPECT_FALSE(item->IsSafelyBackedUp()) << "a verifying run trusts only verified copies";

    // Not copied again in the same run; showing the tree starts a new one.
    test::WriteText(Live(L"Case\\a.dat"), "second");
    item->BackupFile(live, backup, &listener);
    EXPECT_EQ(content, ReadText(Saved(L"Case\\a.dat")));
    EXPECT_EQ(70000, listener.progress);
    item->InsertIntoTree(nullptr, nullptr);
    EXPECT_EQ(0u, item->GetBackupState());
}

TEST_F(FilesItemTest, TiffImageIsCopiedOnlyWithTheOption)
{
    auto item = LiveFile(L"Case\\image.tif", "II*\0 tiff", TRUE);
    ASSERT_TRUE(SetFileAttributesW(Live(L"Case\\image.tif"), FILE_ATTRIBUTE_READONLY));
    item->BackupFile(live, backup, &listener);
    EXPECT_FALSE(FileExists(Saved(L"Case\\image.tif")));
    EXPECT_EQ(0, listener.progress);
    EXPECT_TRUE(IsReadOnly(Live(L"Case\\image.tif")));

    gBackupTiffImages = TRUE;
    item->BackupFile(live, backup, &listener);
    EXPECT_TRUE(FileExists(Saved(L"Case\\image.tif")));
    EXPECT_EQ(1u, item->GetBackupState());
}

TEST_F(FilesItemTest, FailedCopyIsReportedOnceAndNeverCounted)
{
    auto item = LiveFile(L"Case\\locked.dat", test::Pattern(5000, 2));
    ASSERT_TRUE(SetFileAttributesW(Live(L"Case\\locked.dat"), FILE_ATTRIBUTE_READONLY));
    {
        test::FileLock lock(Live(L"Case\\locked.dat"));
        ASSERT_TRUE(lock.IsHeld());
        item->BackupFile(live, backup, &listener);
        item->BackupFile(live, backup, &listener);
    }
    EXPECT_FALSE(FileExists(Saved(L"Case\\locked.dat")));
    EXPECT_EQ(0u, item->GetBackupState());
    EXPECT_EQ(0, listener.progress);
    EXPECT_EQ(0, listener.copies);
    EXPECT_FALSE(listener.cancelled);
    EXPECT_TRUE(IsReadOnly(Live(L"Case\\locked.dat")));
    EXPECT_EQ(std::vector<CString>{Live(L"Case\\locked.dat")}, listener.Failed(ERunFailure::CopyFailed))
        << "reported once: not tried again in the same run";
    EXPECT_FALSE(item->IsSafelyBackedUp());

    item->InsertIntoTree(nullptr, nullptr);
    item->BackupFile(live, backup, &listener);
    EXPECT_TRUE(FileExists(Saved(L"Case\\locked.dat")));
}

TEST_F(FilesItemTest, OverwriteQuestionAnswers)
{
    const struct {
        const char* what;
        int button;
        BOOL remember;
        const char* expectA;
        const char* expectB;
        int questions;
        BOOL cancelled;
    } cases[] = {
        {"No keeps the copy", IDNO, FALSE, "old a", "old b", 2, FALSE},
        {"Yes overwrites", IDOK, FALSE, "new a", "new b", 2, FALSE},
        {"Yes remembered answers the next file", IDOK, TRUE, "new a", "new b", 1, FALSE},
        {"No remembered answers the next file", IDNO, TRUE, "old a", "old b", 1, FALSE},
        {"Cancel stops after this file and remembers nothing", IDCANCEL, TRUE, "old a", "old b", 1, TRUE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::RemoveTree(tmp.Path());
        CreateDirectoryW(tmp.Path(), nullptr);
        gRememberChoice = gOverwriteChoice = FALSE;
        questions = 0;
        listener = test::RecordingListener();
        auto a = LiveFile(L"Case\\a.dat", "new a");
        auto b = LiveFile(L"Case\\b.dat", "new b");
        ASSERT_TRUE(SetFileAttributesW(Live(L"Case\\a.dat"), FILE_ATTRIBUTE_READONLY));
        test::MakeTree(backup, {{L"Case\\a.dat", "old a"}, {L"Case\\b.dat", "old b"}});
        AnswerOverwrite(c.button, c.remember);
        a->BackupFile(live, backup, &listener);
        if (!listener.cancelled)
            b->BackupFile(live, backup, &listener);
        EXPECT_EQ(c.questions, questions);
        EXPECT_EQ(c.expectA, ReadText(Saved(L"Case\\a.dat")));
        EXPECT_EQ(c.expectB, ReadText(Saved(L"Case\\b.dat")));
        EXPECT_EQ(c.cancelled, listener.cancelled);
        // The file counts as done whatever the user chose; only a real copy is safe.
        EXPECT_EQ(1u, a->GetBackupState());
        EXPECT_FALSE(IsReadOnly(Live(L"Case\\a.dat")));
        EXPECT_EQ(c.button == IDOK, a->IsSafelyBackedUp() != FALSE);
        EXPECT_EQ(c.button == IDOK ? 2 : 0, listener.copies);
        EXPECT_EQ(c.button == IDCANCEL ? FALSE : c.remember, gRememberChoice);
    }
    EXPECT_EQ(OverwriteQuestion(Live(L"Case\\a.dat"), CDirectory::Concat(backup, L"Case")), lastQuestion);
}

TEST_F(FilesItemTest, RememberedChoiceIsUsedWithoutAsking)
{
    auto a = LiveFile(L"Case\\a.dat", "new a");
    auto b = LiveFile(L"Case\\b.dat", "new b");
    test::MakeTree(backup, {{L"Case\\a.dat", "old a"}, {L"Case\\b.dat", "old b"}});
    AnswerOverwrite(IDCANCEL, FALSE);
    gRememberChoice = gOverwriteChoice = TRUE;
    a->BackupFile(live, backup, &listener);
    gOverwriteChoice = FALSE;
    b->BackupFile(live, backup, &listener);
    EXPECT_EQ(0, questions);
    EXPECT_EQ("new a", ReadText(Saved(L"Case\\a.dat")));
    EXPECT_EQ("old b", ReadText(Saved(L"Case\\b.dat")));
}

TEST_F(FilesItemTest, OverwriteGoesThroughATemporaryName)
{
    // A failed overwrite keeps the old copy and leaves no temporary file.
    auto a = LiveFile(L"Case\\a.dat", "new a");
    test::MakeTree(backup, {{L"Case\\a.dat", "old a"}, {L"Case\\b.dat", "old b"}});
    ASSERT_TRUE(SetFileAttributesW(Live(L"Case\\a.dat"), FILE_ATTRIBUTE_READONLY));
    AnswerOverwrite(IDOK, FALSE);
    {
        test::FileLock lock(Live(L"Case\\a.dat"));
        ASSERT_TRUE(lock.IsHeld());
        a->BackupFile(live, backup, &listener);
    }
    EXPECT_EQ("old a", ReadText(Saved(L"Case\\a.dat")));
    EXPECT_EQ(2u, CountFiles(CDirectory::Concat(backup, L"Case"))) << "a temporary copy was left behind";
    EXPECT_EQ(0u, a->GetBackupState());
    EXPECT_TRUE(IsReadOnly(Live(L"Case\\a.dat")));
    EXPECT_EQ(1u, listener.Failed(ERunFailure::CopyFailed).size());

    // A read-only old copy is replaced.
    auto b = LiveFile(L"Case\\b.dat", "new b");
    ASSERT_TRUE(SetFileAttributesW(Saved(L"Case\\b.dat"), FILE_ATTRIBUTE_READONLY));
    b->BackupFile(live, backup, &listener);
    EXPECT_EQ("new b", ReadText(Saved(L"Case\\b.dat")));
    EXPECT_EQ(2u, CountFiles(CDirectory::Concat(backup, L"Case")));
    EXPECT_EQ(1u, listener.failures.size());
}

TEST_F(FilesItemTest, VerifyMarksEqualCopiesOnce)
{
    auto item = LiveFile(L"Case\\a.dat", test::Pattern(100000, 3));
    EXPECT_NO_THROW(item->VerifyFile(live, backup, &listener)) << "nothing copied, nothing to verify";
    item->BackupFile(live, backup, &listener);
    item->VerifyFile(live, backup, &listener);
    EXPECT_EQ(2u, item->GetBackupState());
    EXPECT_EQ(200000, listener.progress);
    gVerifyAfterBackup = TRUE;
    EXPECT_TRUE(item->IsSafelyBackedUp());
    DeleteFileW(Saved(L"Case\\a.dat"));
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
    test::WriteText(Saved(L"Case\\a.dat"), changed);

    UINT code = 0;
    CString text;
    try {
        item->VerifyFile(live, backup, &listener);
    } catch (CBackupException* e) {
        code = e->GetCode();
        text = e->GetText();
        e->Delete();
    }
    CString expected;
    expected.LoadString(IDS_VERIFY_FAILED);
    EXPECT_EQ(static_cast<UINT>(IDS_VERIFY_FAILED), code);
    EXPECT_EQ(expected, text);
    EXPECT_EQ(1u, item->GetBackupState());
    EXPECT_EQ(5000, listener.progress) << "only the copy counted";
    EXPECT_EQ(std::vector<CString>{Live(L"Case\\a.dat")}, listener.Failed(ERunFailure::VerifyFailed));
    EXPECT_FALSE(item->IsSafelyBackedUp());
    // Where the bit can be cleared at all (not under Wine), it is set again.
    if (test::ArchiveBitClears(Live(L"Case\\a.dat"))) {
        EXPECT_NE(0u, Attributes(Live(L"Case\\a.dat")) & FILE_ATTRIBUTE_ARCHIVE);
    }
    // Not compared again (its copy may be on a medium that has left the drive).
    EXPECT_NO_THROW(item->VerifyFile(live, backup, &listener));
    EXPECT_EQ(1u, listener.failures.size());
}

TEST_F(FilesItemTest, VerifyOfAMissingCopyFailsUnlessCancelled)
{
    auto item = LiveFile(L"Case\\a.dat", "content");
    item->BackupFile(live, backup, &listener);
    ASSERT_TRUE(DeleteFileW(Saved(L"Case\\a.dat")));
    listener.cancelled = TRUE;
    EXPECT_NO_THROW(item->VerifyFile(live, backup, &listener));
    EXPECT_TRUE(listener.failures.empty());
    listener.cancelled = FALSE;
    EXPECT_THROW(item->VerifyFile(live, backup, &listener), CBackupException*);
    EXPECT_EQ(1u, listener.Failed(ERunFailure::VerifyFailed).size());
}

TEST_F(FilesItemTest, DeleteRestorationRemovesTheWholeCaseDirectory)
{
    auto first = LiveFile(L"Case\\a.dat", std::string(300, 'a'));
    auto second = LiveFile(L"Case\\b.dat", std::string(200, 'b'));
    test::MakeTree(live, {{L"Case\\other.txt", "x"}, {L"Case\\Sub\\deep.dat", "y"}, {L"top.dat", "z"}});
    first->DeleteRestoration(live, &listener);
    EXPECT_FALSE(test::DirExists(Live(L"Case")));
    EXPECT_TRUE(FileExists(Live(L"top.dat")));
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
    ASSERT_TRUE(SetFileAttributesW(Live(L"Case\\a.dat"), FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(data->SelectIfModified(live));
    ASSERT_TRUE(DeleteFileW(Live(L"Case\\a.dat")));
    EXPECT_TRUE(data->SelectIfModified(live)) << "a vanished file counts as modified";

    test::MakeTree(live, {{L"Case\\a.dat", "data"}});
    if (!test::ArchiveBitClears(Live(L"Case\\a.dat")))
        GTEST_SKIP() << "this file system reports the archive attribute on every file (Wine), so an "
                        "unmodified file cannot be told from a modified one here";
    ASSERT_TRUE(SetFileAttributesW(Live(L"Case\\a.dat"), FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(data->SelectIfModified(live));
}

TEST_F(FilesItemTest, RestoreCopiesBackOnlyFromItsOwnMedium)
{
    auto item = SavedFile(2, L"Case\\a.dat", "restored");
    EXPECT_EQ(2u, item->GetDiskNumber());
    EXPECT_EQ(8, item->CalculateSize());
    EXPECT_TRUE(item->HasItemsOnDisk(2));
    EXPECT_FALSE(item->HasItemsOnDisk(1));

    SetDiskNumber(1);
    item->RestoreFile(savedPatient, live, &listener);
    EXPECT_FALSE(FileExists(Live(L"Case\\a.dat")));
    EXPECT_EQ(0, listener.progress);

    SetDiskNumber(2);
    item->RestoreFile(savedPatient, live, &listener);
    EXPECT_EQ("restored", ReadText(Live(L"Case\\a.dat")));
    EXPECT_EQ(8, listener.progress);
    EXPECT_EQ(0u, item->GetBackupState()) << "a restore leaves the backup state alone";
    EXPECT_EQ(0u, Attributes(Live(L"Case")) & FILE_ATTRIBUTE_HIDDEN);

    auto thumbnail = SavedFile(2, L"Thumbnail\\Thumbnail.jpg", "jpeg");
    thumbnail->RestoreFile(savedPatient, live, &listener);
    ASSERT_EQ("jpeg", ReadText(Live(L"Thumbnail\\Thumbnail.jpg")));
    EXPECT_NE(0u, Attributes(Live(L"Thumbnail")) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FilesItemTest, RestoreAsksBeforeOverwritingLiveData)
{
    auto a = SavedFile(1, L"Case\\a.dat", "from backup");
    auto b = SavedFile(1, L"Case\\b.dat", "from backup");
    test::MakeTree(live, {{L"Case\\a.dat", "live a"}, {L"Case\\b.dat", "live b"}});
    AnswerOverwrite(IDNO, FALSE);
    a->RestoreFile(savedPatient, live, &listener);
    EXPECT_EQ("live a", ReadText(Live(L"Case\\a.dat")));
    EXPECT_EQ(OverwriteQuestion(CDirectory::Concat(savedPatient, L"Case\\a.dat"), Live(L"Case")), lastQuestion);

    // A copy that cannot be read leaves the live file whole and counts nothing.
    const LONGLONG progress = listener.progress;
    {
        AnswerOverwrite(IDOK, FALSE);
        test::FileLock lock(CDirectory::Concat(savedPatient, L"Case\\b.dat"));
        ASSERT_TRUE(lock.IsHeld());
        b->RestoreFile(savedPatient, live, &listener);
    }
    EXPECT_EQ("live b", ReadText(Live(L"Case\\b.dat")));
    EXPECT_EQ(2u, CountFiles(Live(L"Case")));
    EXPECT_EQ(std::vector<CString>{CDirectory::Concat(savedPatient, L"Case\\b.dat")},
              listener.Failed(ERunFailure::CopyFailed));
    EXPECT_EQ(progress, listener.progress);

    b->RestoreFile(savedPatient, live, &listener);
    EXPECT_EQ("from backup", ReadText(Live(L"Case\\b.dat")));
    EXPECT_EQ(3, questions);
}

} // namespace
