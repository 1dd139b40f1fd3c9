// The files item on real files: copying into a backup, the overwrite question
// with scripted answers, and copies that fail.

#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/data/CBackupItemFiles.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"
#include "tests/RunRecorder.h"

#include <gtest/gtest.h>

#include <memory>

using test::FileExists;
using test::IsReadOnly;
using test::ReadText;

namespace {

size_t CountFiles(const CString& dir)
{
    CStringArray names;
    CDirectory::ListFiles(dir, names, L"*.*", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    return static_cast<size_t>(names.GetSize());
}

std::unique_ptr<CBackupItemFiles> ItemOf(const CString& path)
{
    const int slash = path.ReverseFind(L'\\');
    return std::make_unique<CBackupItemFiles>(path.Left(slash), path.Mid(slash + 1), FALSE);
}

class FilesItemTest : public test::DataItemsTest {
protected:
    // A read-only live file Case\name, so a test sees whether its attributes were cleared.
    std::unique_ptr<CBackupItemFiles> LiveFile(const wchar_t* name, const std::string& content)
    {
        test::MakeTree(live, {{name, content}});
        SetFileAttributesW(Live(name), FILE_ATTRIBUTE_READONLY);
        auto item = ItemOf(Live(name));
        item->UpdateSize(live);
        return item;
    }

    // The overwrite question, answered with a button, as the dialog maps them.
    void AnswerOverwrite(test::RunRecorder& run, int nButton, BOOL bRemember)
    {
        run.onOverwrite = [this, nButton, bRemember](const CString& text, BOOL& bRemembered) {
            ++questions;
            lastQuestion = text;
            bRemembered = bRemember;
            return nButton == IDOK ? EOverwriteAnswer::Yes
                                   : nButton == IDNO ? EOverwriteAnswer::No : EOverwriteAnswer::Cancel;
        };
    }

    CString Live(const wchar_t* name) const { return CDirectory::Concat(live, name); }
    CString Copy(const wchar_t* name) const { return CDirectory::Concat(backup, name); }

    test::TempDir tmp;
    const CString live = tmp / L"Data\\Patient";
    const CString backup = tmp / L"Backup\\Patient Data Index\\Patient";
    test::RunRecorder listener;
    int questions = 0;
    CString lastQuestion;
};

TEST_F(FilesItemTest, BackupCopiesOnceClearsTheAttributesAndReportsAFailedCopyOnce)
{
    const std::string content = test::Pattern(70000, 1);
    auto item = LiveFile(L"Case\\a.dat", content);
    item->BackupFile(live, backup, &listener);
    EXPECT_EQ(content, ReadText(Copy(L"Case\\a.dat")));
    EXPECT_FALSE(IsReadOnly(Live(L"Case\\a.dat")));
    EXPECT_EQ(70000, listener.progress);
    EXPECT_EQ(1, listener.copies);
    EXPECT_TRUE(item->IsSafelyBackedUp());
    // A large file moves the progress block by block as it is copied.
    auto large = LiveFile(L"Case\\large.dat", test::Pattern(5 * 512 * 1024, 3));
    test::RunRecorder blocks;
    large->BackupFile(live, backup, &blocks);
    EXPECT_EQ(5 * 512 * 1024, blocks.progress);
    EXPECT_EQ(3, blocks.progressCalls);
    // Not copied again in the same run.
    test::WriteText(Live(L"Case\\a.dat"), "second");
    item->BackupFile(live, backup, &listener);
    EXPECT_EQ(content, ReadText(Copy(L"Case\\a.dat")));

    auto locked = LiveFile(L"Case\\locked.dat", test::Pattern(5000, 2));
    {
        CHandle lock = test::LockFile(Live(L"Case\\locked.dat"));
        ASSERT_TRUE(lock);
        locked->BackupFile(live, backup, &listener);
        locked->BackupFile(live, backup, &listener);
    }
    EXPECT_FALSE(FileExists(Copy(L"Case\\locked.dat")));
    EXPECT_EQ(0u, locked->GetBackupState());
    EXPECT_EQ(70000, listener.progress);
    EXPECT_EQ(1, listener.copies);
    EXPECT_TRUE(IsReadOnly(Live(L"Case\\locked.dat")));
    EXPECT_EQ(std::vector<CString>{Live(L"Case\\locked.dat")}, listener.Failed(ERunFailure::CopyFailed));
    EXPECT_FALSE(locked->IsSafelyBackedUp());
    // Showing the tree starts a new run.
    locked->InsertIntoTree(nullptr, nullptr);
    locked->BackupFile(live, backup, &listener);
    EXPECT_TRUE(FileExists(Copy(L"Case\\locked.dat")));
}

TEST_F(FilesItemTest, OverwriteQuestionAnswers)
{
    const struct {
        int button;
        BOOL remember;
        int questions;
    } cases[] = {
        {IDNO, FALSE, 2}, {IDOK, FALSE, 2}, {IDOK, TRUE, 1}, {IDNO, TRUE, 1},
        // Cancel stops after this file and remembers nothing.
        {IDCANCEL, TRUE, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "button " << c.button << ", remember " << c.remember);
        test::RemoveTree(tmp.Path());
        CreateDirectoryW(tmp.Path(), nullptr);
        gRememberChoice = gOverwriteChoice = FALSE;
        questions = 0;
        test::RunRecorder run;
        auto a = LiveFile(L"Case\\a.dat", "new a");
        auto b = LiveFile(L"Case\\b.dat", "new b");
        test::MakeTree(backup, {{L"Case\\a.dat", "old a"}, {L"Case\\b.dat", "old b"}});
        AnswerOverwrite(run, c.button, c.remember);
        a->BackupFile(live, backup, &run);
        if (!run.IsCancelled())
            b->BackupFile(live, backup, &run);
        EXPECT_EQ(c.questions, questions);
        EXPECT_EQ(c.button == IDOK ? "new a" : "old a", ReadText(Copy(L"Case\\a.dat")));
        EXPECT_EQ(c.button == IDOK ? "new b" : "old b", ReadText(Copy(L"Case\\b.dat")));
        EXPECT_EQ(c.button == IDCANCEL, run.IsCancelled() != FALSE);
        // The file counts as done whatever the user chose; only a real copy is safe.
        EXPECT_EQ(1u, a->GetBackupState());
        EXPECT_FALSE(IsReadOnly(Live(L"Case\\a.dat")));
        EXPECT_EQ(c.button == IDOK, a->IsSafelyBackedUp() != FALSE);
        EXPECT_EQ(c.button == IDOK ? 2 : 0, run.copies);
        EXPECT_EQ(c.button == IDCANCEL ? FALSE : c.remember, gRememberChoice);
    }
    // FormatMessage writes the question's line breaks as CR LF.
    EXPECT_EQ(L"The file \r\n" + Live(L"Case\\a.dat") + L"\r\nalready exists in\r\n" + Copy(L"Case") +
                  L".\r\nDo you want to overwrite the existing file?",
              lastQuestion);
}

TEST_F(FilesItemTest, RestoreSetsTheAttributesOnlyOfWhatItWrote)
{
    // Wine reports the archive attribute on every regular file, so there the
    // thumbnail folder's hidden attribute shows whether a kept file was taken
    // for a written one; on Windows the kept file's own attributes show it too.
    test::MakeTree(live, {{L"Thumbnail\\Thumbnail.jpg", "live"}});
    test::MakeTree(backup, {{L"Thumbnail\\Thumbnail.jpg", "copy"}});
    const CString thumbnail = Live(L"Thumbnail\\Thumbnail.jpg");
    ASSERT_TRUE(SetFileAttributesW(thumbnail, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
    const DWORD before = GetFileAttributesW(thumbnail);
    auto item = ItemOf(Copy(L"Thumbnail\\Thumbnail.jpg"));
    item->SetRestoreSource(tmp / L"Backup", 0, 4);
    for (int button : {IDNO, IDOK}) {
        AnswerOverwrite(listener, button, FALSE);
        item->RestoreFile(backup, live, &listener);
        EXPECT_EQ(button == IDOK ? "copy" : "live", ReadText(thumbnail));
        EXPECT_EQ(button == IDOK, (GetFileAttributesW(Live(L"Thumbnail")) & FILE_ATTRIBUTE_HIDDEN) != 0);
        EXPECT_EQ(button == IDNO, before == GetFileAttributesW(thumbnail)) << button;
    }
}

TEST_F(FilesItemTest, OverwriteGoesThroughATemporaryName)
{
    auto a = LiveFile(L"Case\\a.dat", "new a");
    test::MakeTree(backup, {{L"Case\\a.dat", "old a"}, {L"Case\\b.dat", "old b"}});
    AnswerOverwrite(listener, IDOK, FALSE);
    {
        CHandle lock = test::LockFile(Live(L"Case\\a.dat"));
        ASSERT_TRUE(lock);
        a->BackupFile(live, backup, &listener);
    }
    EXPECT_EQ("old a", ReadText(Copy(L"Case\\a.dat")));
    EXPECT_EQ(2u, CountFiles(Copy(L"Case"))) << "a temporary copy was left behind";
    EXPECT_EQ(0u, a->GetBackupState());
    EXPECT_TRUE(IsReadOnly(Live(L"Case\\a.dat")));

    // A read-only old copy is replaced.
    auto b = LiveFile(L"Case\\b.dat", "new b");
    ASSERT_TRUE(SetFileAttributesW(Copy(L"Case\\b.dat"), FILE_ATTRIBUTE_READONLY));
    b->BackupFile(live, backup, &listener);
    EXPECT_EQ("new b", ReadText(Copy(L"Case\\b.dat")));
    EXPECT_EQ(2u, CountFiles(Copy(L"Case")));
    EXPECT_EQ(1u, listener.failures.size());
}

} // namespace
