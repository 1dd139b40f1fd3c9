// The backup and restore procedures over small trees of real files, on the
// removable test drive R: where media are changed. Every run is compared with
// the whole sequence of what it showed and what its items did.

#include "app/Backup.h"
#include "app/BackupException.h"
#include "app/BackupMedium.h"
#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/ItemNames.h"
#include "res/resource.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/items/TestItems.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

using test::Events;
using test::FileItem;
using test::StringOf;

namespace {

const int kLarge = 1200 * 1024; // two fit on one 3 MiB medium, three do not

const CString kCopying = L"status " + StringOf(IDS_COPYING_FILES);
const CString kVerifying = L"status " + StringOf(IDS_VERIFYING_FILES);
const CString kBackupIndex = L"backup Patient Data Index";
// The prompt for a medium, naming the disk it is to become.
CString Prompt(int nDisk, UINT nReason = IDS_MEDIA_FULL)
{
    CString disk;
    disk.FormatMessage(IDS_INSERT_AS_DISK, nDisk);
    return L"box " + StringOf(nReason) + L"\n" + disk;
}

// The final message of a run with failures, naming the files.
CString FailedFilesText(UINT nId, int nFiles, bool bDeleting = false, std::vector<CString> names = {})
{
    CString text;
    text.FormatMessage(nId, nFiles);
    if (bDeleting)
        text += L" " + StringOf(IDS_RESTORATION_DATA_KEPT);
    for (const CString& name : names)
        text += L"\n    " + name;
    return L"error " + text;
}

// A medium's Backup.ini as "complete disk cancelled failed verify"; "none" when unreadable.
std::string IniState(int nMedium)
{
    SBackupIniState state;
    if (!CBackupMedium::ReadState(test::MediaDrive::MediumPath(nMedium) + L"\\Backup\\Backup.ini", state))
        return "none";
    return std::to_string(state.nComplete) + " " + std::to_string(state.nDisk) + " " +
           std::to_string(state.bCancelled) + " " + std::to_string(state.nFailedFiles) + " " +
           std::to_string(state.nVerifyFailures);
}

std::string FileText(const CString& path)
{
    std::vector<unsigned char> bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Starts with an empty medium 1 in the removable drive, answers the media
// prompt from a script (OK inserts the next medium) and resets what a run
// changes of the process-wide state.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_bMedia = test::MediaDrive::Available(nullptr);
        EraseMedia();
        m_run.SetBackupDir(L"R:\\Backup");
        m_run.onMedium = [this](const CString&) {
            int answer = m_answers.empty() ? IDCANCEL : m_answers.front();
            if (!m_answers.empty())
                m_answers.pop_front();
            if (answer == IDOK)
                test::MediaDrive::Insert(++m_nMedium);
            return answer == IDOK;
        };
    }

    void TearDown() override
    {
        gAutomatedMode = gVerifyAfterBackup = gDeleteRestorations = gRememberChoice = gOverwriteChoice = FALSE;
        if (m_pRoot)
            m_pRoot->DeleteFromTree(nullptr);
        EraseMedia();
    }

    void EraseMedia()
    {
        if (!m_bMedia)
            return;
        test::MediaDrive::Insert(1);
        for (int n = 1; n <= 4; ++n)
            test::MediaDrive::Erase(n);
    }

    // root (no level of its own) -> "Patient Data Index" -> the leaves
    void MakeTree()
    {
        m_pRoot = new test::RootItem(&m_events);
        m_pIndex = m_pRoot->Add(new test::PlainItem(kPatientDataIndexName, &m_events));
        m_pRoot->SetCheck(1);
        m_pIndex->SetCheck(1);
        m_run.SetRoot(m_pRoot);
    }

    // A source file of its own content, so that copies can be told apart.
    FileItem* AddFile(const wchar_t* pszName, int nSize)
    {
        std::string content(static_cast<size_t>(nSize), '\0');
        for (size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>((i * 131 + pszName[0]) & 0xFF);
        test::WriteText(m_src / pszName, content);
        return m_pIndex->Add(new FileItem(m_src / pszName, &m_events));
    }

    void Run()
    {
        m_events.clear();
        m_run.DoBackup(&m_run);
    }

    // A file of the backup on medium n, wherever that medium is.
    static CString OnMedium(int n, const CString& file)
    {
        return test::MediaDrive::MediumPath(n) + L"\\Backup\\" + file;
    }
    static CString CopyOnMedium(int n, const wchar_t* f) { return OnMedium(n, CString(kPatientDataIndexName) + L"\\" + f); }

    bool m_bMedia = false;
    Events m_events;
    std::deque<int> m_answers;
    int m_nMedium = 1;
    test::TempDir m_src;
    test::RunRecorder m_run{&m_events};
    test::PlainItem* m_pRoot = nullptr;
    test::PlainItem* m_pIndex = nullptr;
};

} // namespace

TEST_F(DriverTest, BackupSpreadsOverThreeMediaVerifiesEachAndAMismatchBlocksTheDelete)
{
    SKIP_WITHOUT_MEDIA();
    gVerifyAfterBackup = TRUE;
    gDeleteRestorations = TRUE;
    MakeTree();
    for (const wchar_t* name : {L"1.dat", L"2.dat", L"3.dat", L"4.dat", L"5.dat"})
        AddFile(name, kLarge)->m_bCorruptCopy = name[0] == L'2';
    m_answers = {IDOK, IDOK};

    Run();

    const CString verify = L"verify Patient Data Index";
    EXPECT_EQ((Events{kCopying, kBackupIndex, L"copied 1.dat", L"copied 2.dat", L"full at 3.dat",
                      kVerifying, L"verify root", verify, L"verified 1.dat", L"differs 2.dat", L"error 41", Prompt(2),
                      kCopying, kBackupIndex, L"copied 3.dat", L"copied 4.dat", L"full at 5.dat",
                      kVerifying, L"verify root", verify, L"verified 3.dat", L"verified 4.dat", Prompt(3),
                      kCopying, kBackupIndex, L"copied 5.dat", kVerifying, L"verify root", verify, L"verified 5.dat",
                      FailedFilesText(IDS_BACKUP_FINISHED_WITH_ERRORS, 1, true), L"finish"}),
              m_events);
    // Each medium counts the verification failures found so far.
    EXPECT_EQ("0 1 0 0 1", IniState(1));
    EXPECT_EQ("0 2 0 0 1", IniState(2));
    EXPECT_EQ("1 3 0 0 1", IniState(3));
    // A file that did not fit leaves no partial copy behind.
    EXPECT_FALSE(test::FileExists(CopyOnMedium(1, L"3.dat")));
    EXPECT_EQ(FileText(m_src / L"3.dat"), FileText(CopyOnMedium(2, L"3.dat")));
    EXPECT_EQ(FileText(m_src / L"5.dat"), FileText(CopyOnMedium(3, L"5.dat")));
    EXPECT_EQ(5LL * kLarge, m_run.progress);
    EXPECT_EQ(CBackup::OutcomeVerifyFailed, m_run.GetOutcome());
}

TEST_F(DriverTest, FullMediumEndsAnUnattendedRunAndCancelAtThePromptKeepsTheMediumIncomplete)
{
    SKIP_WITHOUT_MEDIA();
    gDeleteRestorations = TRUE;
    for (BOOL automated : {TRUE, FALSE}) {
        gAutomatedMode = automated;
        test::MediaDrive::Erase(1);
        MakeTree();
        for (const wchar_t* name : {L"1.dat", L"2.dat", L"3.dat"})
            AddFile(name, kLarge);
        m_answers = {IDCANCEL};

        Run();

        Events shown = {kCopying, kBackupIndex, L"copied 1.dat", L"copied 2.dat", L"full at 3.dat", L"finish"};
        if (!automated)
            shown.insert(shown.end() - 1, {Prompt(2), L"info 21"});
        EXPECT_EQ(shown, m_events);
        // Either way the medium says that no further one follows.
        EXPECT_EQ("0 1 1 0 0", IniState(1));
        EXPECT_EQ(CBackup::OutcomeIncomplete, m_run.GetOutcome());
        m_pRoot->DeleteFromTree(nullptr);
    }
    m_pRoot = nullptr;
}

TEST_F(DriverTest, FilesTooLargeOrUnreadableAreReportedOnceAndLeaveTheDeleteToTheItems)
{
    SKIP_WITHOUT_MEDIA();
    gDeleteRestorations = TRUE;
    MakeTree();
    AddFile(L"1.dat", kLarge);
    AddFile(L"big.dat", 4 * 1024 * 1024);
    // A source that is gone cannot be copied.
    m_pIndex->Add(new FileItem(m_src / L"x.dat", &m_events));
    AddFile(L"2.dat", 1000);
    m_answers = {IDOK, IDOK};

    Run();

    EXPECT_EQ((Events{kCopying, kBackupIndex, L"copied 1.dat", L"full at big.dat", Prompt(2),
                      kCopying, kBackupIndex, L"too large big.dat", L"failed x.dat", L"copied 2.dat",
                      L"pos 0", L"status Deleting", L"delete root", L"delete Patient Data Index", L"delete 1.dat",
                      L"delete big.dat", L"delete x.dat", L"delete 2.dat",
                      FailedFilesText(IDS_BACKUP_FINISHED_WITH_ERRORS, 2, true, {m_src / L"big.dat", m_src / L"x.dat"}),
                      L"finish"}),
              m_events);
    EXPECT_EQ("1 2 0 2 0", IniState(2));
    ASSERT_EQ(2, m_run.GetFailedFiles().GetSize());
    EXPECT_EQ(m_src / L"big.dat", m_run.GetFailedFiles()[0]);
    EXPECT_EQ(CBackup::OutcomeCopyFailed, m_run.GetOutcome());
}

TEST_F(DriverTest, FileArchiveAndUnexpectedErrorsEndTheBackupWithTheirMessageAsFatal)
{
    test::TempDir target;
    m_run.SetBackupDir(target.Path());
    const struct {
        std::function<void()> action;
        const wchar_t* shown;
    } cases[] = {
        {[] { AfxThrowFileException(CFileException::diskFull, -1, L"f.dat"); }, L"error 15"},
        // A damaged archive is an unknown error in a backup.
        {[] { AfxThrowArchiveException(CArchiveException::endOfFile); }, L"error 27"},
        // Nothing unexpected ends the worker without a message and Finish.
        {[] { AfxThrowMemoryException(); }, L"error 27"},
        {[] { throw std::bad_alloc(); }, L"error 27"},
    };
    for (const auto& c : cases) {
        if (m_pRoot)
            m_pRoot->DeleteFromTree(nullptr);
        MakeTree();
        m_pIndex->Add(new test::ActionItem(c.action));
        gRememberChoice = gOverwriteChoice = TRUE;

        Run();

        EXPECT_EQ((Events{kCopying, kBackupIndex, c.shown, L"finish"}), m_events);
        // The medium says the run broke off there.
        SBackupIniState state;
        ASSERT_TRUE(CBackupMedium::ReadState(target / L"Backup.ini", state));
        EXPECT_EQ(0, state.nComplete);
        EXPECT_TRUE(state.bCancelled);
        EXPECT_EQ(CBackup::OutcomeFatal, m_run.GetOutcome());
        EXPECT_FALSE(gRememberChoice || gOverwriteChoice);
    }
    // A Backup.ini that cannot be written ends the run before anything is copied.
    DeleteFileW(target / L"Backup.ini");
    ASSERT_TRUE(CreateDirectoryW(target / L"Backup.ini", nullptr));
    m_pRoot->DeleteFromTree(nullptr);
    MakeTree();
    AddFile(L"1.dat", 1000);
    Run();
    CString notWritten;
    notWritten.Format(L"error %d", IDS_BACKUP_STATE_NOT_WRITTEN);
    EXPECT_EQ((Events{notWritten, L"finish"}), m_events);
    EXPECT_EQ(CBackup::OutcomeFatal, m_run.GetOutcome());
}

TEST_F(DriverTest, RestoreReadsTheDiskFormOfTheDirectoryAndEndsWithItsMessage)
{
    const CString dir = L"C:\\Backups\\Monday: \"full\"?";
    const CString from = L"restore from " + CDirectory::CreateFileNameForDisk(dir);
    ASSERT_NE(L"restore from " + dir, from);
    const struct {
        std::function<void()> action;
        CString shown;
        UINT outcome;
    } cases[] = {
        {[this] { m_run.ReportCopied(100); }, L"info 26", 0},
        {[] {}, L"info 61", 0},
        {[this] { m_run.Cancel(); }, L"info 25", CBackup::OutcomeIncomplete},
        {[this] { m_run.ReportFailure(ERunFailure::CopyFailed, L"x.dat"); },
         FailedFilesText(IDS_RESTORE_FINISHED_WITH_ERRORS, 1, false, {L"x.dat"}), CBackup::OutcomeCopyFailed},
        {[] { AfxThrowOsFileException(ERROR_FILE_NOT_FOUND, L"x.dat"); }, L"error 27", CBackup::OutcomeFatal},
        {[] { AfxThrowArchiveException(CArchiveException::endOfFile, L"Settings"); }, L"error 50",
         CBackup::OutcomeFatal},
    };
    // One run object for all cases: nothing of an earlier run carries over.
    for (const auto& c : cases) {
        if (m_pRoot)
            m_pRoot->DeleteFromTree(nullptr);
        MakeTree();
        m_pIndex->Add(new test::ActionItem(c.action));
        m_run.SetBackupDir(dir);
        gRememberChoice = gOverwriteChoice = TRUE;
        m_events.clear();

        m_run.DoRestore(&m_run);

        EXPECT_EQ((Events{kCopying, from, L"restore Patient Data Index", c.shown, L"finish"}),
                  m_events);
        EXPECT_EQ(c.outcome, m_run.GetOutcome()) << c.shown;
        EXPECT_FALSE(gRememberChoice || gOverwriteChoice);
    }
}
