// The backup and restore procedures around one item that throws, cancels or
// reports: the message each end shows, the outcome, the medium's Backup.ini,
// and nothing of a run carried into the next.

#include "app/Backup.h"
#include "app/BackupException.h"
#include "app/BackupMedium.h"
#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/CBackupItem.h"
#include "res/resource.h"
#include "tests/RunRecorder.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using test::Events;

namespace {

CString Shown(const wchar_t* pszKind, UINT nId)
{
    CString text;
    text.Format(L"%s %u", pszKind, nId);
    return text;
}

CString Status(UINT nId)
{
    CString text;
    text.LoadString(nId);
    return L"status " + text;
}

const CString kCopying = Status(IDS_COPYING_FILES);

// The whole tree of a run: its backup and restore run the test's action, and
// it keeps the folder the driver handed it.
class ActionItem : public CBackupItem {
public:
    explicit ActionItem(std::function<void()> action) : m_action(std::move(action)) { SetCheck(Checked); }
    void BuildForBackup() override {}
    void BuildForRestore(const CString&) override {}
    void Backup(const CString& strDir, IProgressListener*) override { Run(strDir); }
    void Restore(const CString& strDir, IProgressListener*) override { Run(strDir); }

    CString m_strDir;

private:
    void Run(const CString& strDir)
    {
        m_strDir = strDir;
        m_action();
    }
    std::function<void()> m_action;
};

class DriverTest : public ::testing::Test {
protected:
    void TearDown() override { gAutomatedMode = gRememberChoice = gOverwriteChoice = FALSE; }

    // One run object for all cases of a test: nothing of an earlier run may carry over.
    void Start(ActionItem& item, const CString& strDir)
    {
        m_run.SetRoot(&item);
        m_run.SetBackupDir(strDir);
        m_run.events.clear();
        gRememberChoice = gOverwriteChoice = TRUE;
    }

    test::RunRecorder m_run;
};

} // namespace

TEST_F(DriverTest, ErrorsEndTheBackupAsFatalAndAFullMediumEndsAnUnattendedOne)
{
    test::TempDir target;
    const struct {
        std::function<void()> action;
        BOOL automated;
        CString shown; // empty: no message
        UINT outcome;
    } cases[] = {
        {[] { AfxThrowFileException(CFileException::diskFull, -1, L"f.dat"); }, FALSE, Shown(L"error", IDS_WRITE_FAILED),
         CBackup::OutcomeFatal},
        // A damaged archive is an unknown error in a backup.
        {[] { AfxThrowArchiveException(CArchiveException::endOfFile); }, FALSE, Shown(L"error", IDS_UNKNOWN_ERROR),
         CBackup::OutcomeFatal},
        // Nothing unexpected ends the worker without a message and Finish.
        {[] { AfxThrowMemoryException(); }, FALSE, Shown(L"error", IDS_UNKNOWN_ERROR), CBackup::OutcomeFatal},
        {[] { throw std::bad_alloc(); }, FALSE, Shown(L"error", IDS_UNKNOWN_ERROR), CBackup::OutcomeFatal},
        // Nobody changes the medium of an unattended run: no prompt, no message.
        {[] { throw new CBackupException(IDS_INSERT_NEXT_MEDIA, CString(), 1); }, TRUE, CString(),
         CBackup::OutcomeIncomplete},
    };
    for (const auto& c : cases) {
        ActionItem item(c.action);
        Start(item, target.Path());
        gAutomatedMode = c.automated;
        m_run.DoBackup(&m_run);

        Events shown = {kCopying, L"finish"};
        if (!c.shown.IsEmpty())
            shown.insert(shown.begin() + 1, c.shown);
        EXPECT_EQ(shown, m_run.events);
        // The medium says the run broke off there.
        SBackupIniState state;
        ASSERT_TRUE(CBackupMedium::ReadState(target / L"Backup.ini", state));
        EXPECT_EQ(0, state.nComplete);
        EXPECT_TRUE(state.bCancelled);
        EXPECT_EQ(c.outcome, m_run.GetOutcome()) << c.shown;
        EXPECT_FALSE(gRememberChoice || gOverwriteChoice);
    }
    // A Backup.ini that cannot be written ends the run before anything is copied.
    DeleteFileW(target / L"Backup.ini");
    ASSERT_TRUE(CreateDirectoryW(target / L"Backup.ini", nullptr));
    ActionItem item([] { ADD_FAILURE() << "copied without its Backup.ini"; });
    Start(item, target.Path());
    m_run.DoBackup(&m_run);
    EXPECT_EQ((Events{Shown(L"error", IDS_BACKUP_STATE_NOT_WRITTEN), L"finish"}), m_run.events);
    EXPECT_EQ(CBackup::OutcomeFatal, m_run.GetOutcome());
}

TEST_F(DriverTest, RestoreReadsTheDiskFormOfTheDirectoryAndEndsWithItsMessage)
{
    const CString dir = L"C:\\Backups\\Monday: \"full\"?";
    ASSERT_NE(dir, CDirectory::CreateFileNameForDisk(dir));
    CString failed;
    failed.FormatMessage(IDS_RESTORE_FINISHED_WITH_ERRORS, 1);
    const struct {
        std::function<void()> action;
        CString shown;
        UINT outcome;
    } cases[] = {
        {[this] { m_run.ReportCopied(100); }, Shown(L"info", IDS_RESTORE_SUCCEEDED), 0},
        {[] {}, Shown(L"info", IDS_NOTHING_RESTORED), 0},
        {[this] { m_run.Cancel(); }, Shown(L"info", IDS_RESTORE_CANCELLED), CBackup::OutcomeIncomplete},
        {[this] { m_run.ReportFailure(ERunFailure::CopyFailed, L"x.dat"); }, L"error " + failed + L"\n    x.dat",
         CBackup::OutcomeCopyFailed},
        {[] { AfxThrowOsFileException(ERROR_FILE_NOT_FOUND, L"x.dat"); }, Shown(L"error", IDS_UNKNOWN_ERROR),
         CBackup::OutcomeFatal},
        {[] { AfxThrowArchiveException(CArchiveException::endOfFile, L"Settings"); }, Shown(L"error", IDS_BACKUP_DAMAGED),
         CBackup::OutcomeFatal},
    };
    for (const auto& c : cases) {
        ActionItem item(c.action);
        Start(item, dir);
        m_run.DoRestore(&m_run);

        EXPECT_EQ((Events{kCopying, c.shown, L"finish"}), m_run.events);
        EXPECT_EQ(CDirectory::CreateFileNameForDisk(dir), item.m_strDir);
        EXPECT_EQ(c.outcome, m_run.GetOutcome()) << c.shown;
        EXPECT_FALSE(gRememberChoice || gOverwriteChoice);
    }
}
