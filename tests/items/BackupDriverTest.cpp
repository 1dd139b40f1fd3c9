// The backup and restore procedures over small trees of real files, on the
// removable test drive R: where media are changed. Every run is compared with
// the whole sequence of what it showed and what its items did.

#include "app/Backup.h"
#include "app/BackupException.h"
#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "items/ItemNames.h"
#include "res/resource.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/items/TestItems.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

using test::Events;
using test::FileItem;
using test::StringOf;

namespace {

const int kLarge = 1200 * 1024; // two fit on one 3 MiB medium, three do not

CString Status(UINT nId)
{
    return L"status " + StringOf(nId);
}

CString Prompt()
{
    return L"box " + StringOf(IDS_MEDIA_FULL);
}

CString FailedFilesText(UINT nId, int nFiles)
{
    CString text;
    text.FormatMessage(nId, nFiles);
    return L"error " + text;
}

std::string IniText(int nComplete, int nDisk)
{
    return "[Backup]\r\nBackupComplete=" + std::to_string(nComplete) + "\r\nDiskNumber=" + std::to_string(nDisk) + "\r\n";
}

std::string FileText(const CString& path)
{
    std::vector<unsigned char> bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Resets what a run or a test changes of the process-wide state.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AfxSetMessageResponder([this](const CString& text, const CString&, UINT type) {
            m_events.push_back(L"box " + text);
            m_boxTypes.push_back(type);
            if (m_answers.empty())
                return IDCANCEL;
            int answer = m_answers.front();
            m_answers.pop_front();
            if (answer == IDOK)
                test::MediaDrive::Insert(++m_nMedium);
            return answer;
        });
    }

    void TearDown() override
    {
        AfxSetMessageResponder(MessageResponder());
        gAutomatedMode = FALSE;
        gVerifyAfterBackup = FALSE;
        gDeleteRestorations = FALSE;
        gRememberChoice = FALSE;
        gOverwriteChoice = FALSE;
        if (m_pRoot)
            m_pRoot->DeleteFromTree(nullptr);
    }

    // root (no level of its own) -> "Patient Data Index" -> the leaves
    test::PlainItem* MakeTree()
    {
        m_pRoot = new test::RootItem(&m_events);
        m_pIndex = m_pRoot->Add(new test::PlainItem(kPatientDataIndexName, &m_events));
        m_pRoot->SetCheck(1);
        m_pIndex->SetCheck(1);
        m_run.SetRoot(m_pRoot);
        return m_pIndex;
    }

    // A source file of its own content, so that copies can be told apart.
    FileItem* AddFile(const wchar_t* pszName, int nSize)
    {
        CString path = m_src / pszName;
        std::string content(static_cast<size_t>(nSize), '\0');
        for (size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>((i * 131 + pszName[0]) & 0xFF);
        test::WriteText(path, content);
        return m_pIndex->Add(new FileItem(path, &m_events));
    }

    void Run()
    {
        m_events.clear();
        m_run.DoBackup(&m_run);
    }

    Events m_events;
    std::vector<UINT> m_boxTypes;
    std::deque<int> m_answers;
    int m_nMedium = 1;
    test::TempDir m_src;
    test::RecordingRun m_run{&m_events};
    test::PlainItem* m_pRoot = nullptr;
    test::PlainItem* m_pIndex = nullptr;
};

// Runs on the removable drive, starting with an empty medium 1.
class MediaDriverTest : public DriverTest {
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_MEDIA();
        for (int n = 1; n <= 4; ++n)
            test::MediaDrive::Erase(n);
        test::MediaDrive::Insert(1);
        DriverTest::SetUp();
        m_run.SetBackupDir(L"R:\\Backup");
    }

    void TearDown() override
    {
        DriverTest::TearDown();
        if (!test::MediaDrive::Available(nullptr))
            return;
        test::MediaDrive::Insert(1);
        for (int n = 1; n <= 4; ++n)
            test::MediaDrive::Erase(n);
    }

    // A file of the backup on medium n, wherever that medium is.
    static CString OnMedium(int n, const wchar_t* pszFile)
    {
        return test::MediaDrive::MediumPath(n) + L"\\Backup\\" + pszFile;
    }
    static CString CopyOnMedium(int n, const wchar_t* pszFile)
    {
        return OnMedium(n, (CString(kPatientDataIndexName) + L"\\" + pszFile).GetString());
    }
};

} // namespace

TEST_F(MediaDriverTest, BackupSpreadsOverThreeMediaAndNumbersThem)
{
    MakeTree();
    for (const wchar_t* name : {L"1.dat", L"2.dat", L"3.dat", L"4.dat", L"5.dat"})
        AddFile(name, kLarge);
    m_answers = {IDOK, IDOK};

    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 1.dat", L"copied 2.dat",
                      L"full at 3.dat", Prompt(),
                      Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 3.dat", L"copied 4.dat",
                      L"full at 5.dat", Prompt(),
                      Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 5.dat",
                      L"info 23", L"finish"}),
              m_events);
    EXPECT_EQ(IniText(0, 1), FileText(OnMedium(1, L"Backup.ini")));
    EXPECT_EQ(IniText(0, 2), FileText(OnMedium(2, L"Backup.ini")));
    EXPECT_EQ(IniText(1, 3), FileText(OnMedium(3, L"Backup.ini")));
    EXPECT_TRUE(test::FileExists(CopyOnMedium(1, L"2.dat")));
    EXPECT_FALSE(test::FileExists(CopyOnMedium(1, L"3.dat")));
    EXPECT_EQ(FileText(m_src / L"3.dat"), FileText(CopyOnMedium(2, L"3.dat")));
    EXPECT_EQ(FileText(m_src / L"5.dat"), FileText(CopyOnMedium(3, L"5.dat")));
    EXPECT_FALSE(test::FileExists(CopyOnMedium(3, L"1.dat")));
    // The framework's plain box: OK and Cancel with its default icon.
    EXPECT_EQ((std::vector<UINT>{MB_OKCANCEL | MB_ICONEXCLAMATION, MB_OKCANCEL | MB_ICONEXCLAMATION}), m_boxTypes);
    EXPECT_EQ(5LL * kLarge, m_run.m_nProgress);
    EXPECT_EQ(0u, m_run.GetOutcome());
}

TEST_F(MediaDriverTest, UnattendedRunEndsAtAFullMediumWithoutAnyMessageBox)
{
    gAutomatedMode = TRUE;
    gDeleteRestorations = TRUE;
    MakeTree();
    for (const wchar_t* name : {L"1.dat", L"2.dat", L"3.dat"})
        AddFile(name, kLarge);
    m_answers = {IDOK};

    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 1.dat", L"copied 2.dat",
                      L"full at 3.dat", L"finish"}),
              m_events);
    EXPECT_TRUE(m_boxTypes.empty());
    EXPECT_EQ(IniText(0, 1), FileText(OnMedium(1, L"Backup.ini")));
    EXPECT_EQ(CBackup::OutcomeIncomplete, m_run.GetOutcome());
    EXPECT_TRUE(m_run.IsCancelled());
}

TEST_F(MediaDriverTest, AnyAnswerButOkAtTheMediaPromptCancelsAndKeepsTheMediumIncomplete)
{
    gDeleteRestorations = TRUE;
    MakeTree();
    for (const wchar_t* name : {L"1.dat", L"2.dat", L"3.dat"})
        AddFile(name, kLarge);
    for (int answer : {IDCANCEL, IDABORT}) {
        test::MediaDrive::Erase(1);
        for (INT_PTR i = 0; i < m_pIndex->GetChildren().GetSize(); ++i)
            m_pIndex->GetChildren()[i]->SetBackupState(0);
        m_pRoot->SetBackupState(0);
        m_pIndex->SetBackupState(0);
        m_answers = {answer};
        Run();
        EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 1.dat", L"copied 2.dat",
                          L"full at 3.dat", Prompt(), L"info 21", L"finish"}),
                  m_events)
            << "answer " << answer;
        EXPECT_EQ(IniText(0, 1), FileText(OnMedium(1, L"Backup.ini")));
        EXPECT_EQ(CBackup::OutcomeIncomplete, m_run.GetOutcome());
    }
}

TEST_F(MediaDriverTest, CancelWhileCopyingClosesTheMediumAndSkipsVerifyAndDelete)
{
    gVerifyAfterBackup = TRUE;
    gDeleteRestorations = TRUE;
    MakeTree();
    AddFile(L"a.dat", 1000)->m_onCopied = [this] { m_run.Cancel(); };
    AddFile(L"b.dat", 1000);

    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied a.dat", L"info 21",
                      L"finish"}),
              m_events);
    EXPECT_EQ(IniText(1, 1), FileText(OnMedium(1, L"Backup.ini")));
    EXPECT_FALSE(test::FileExists(CopyOnMedium(1, L"b.dat")));
    EXPECT_EQ(CBackup::OutcomeIncomplete, m_run.GetOutcome());
}

TEST_F(MediaDriverTest, CancelAfterAVerificationStartedNamesTheVerify)
{
    gVerifyAfterBackup = TRUE;
    MakeTree();
    AddFile(L"1.dat", kLarge);
    AddFile(L"2.dat", kLarge);
    AddFile(L"3.dat", kLarge)->m_onCopied = [this] { m_run.Cancel(); };
    AddFile(L"4.dat", 1000);
    m_answers = {IDOK};

    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 1.dat", L"copied 2.dat",
                      L"full at 3.dat",
                      Status(IDS_VERIFYING_FILES), L"verify root", L"verify Patient Data Index", L"verified 1.dat",
                      L"verified 2.dat", Prompt(),
                      Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 3.dat",
                      L"info 22", L"finish"}),
              m_events);
    EXPECT_EQ(IniText(0, 1), FileText(OnMedium(1, L"Backup.ini")));
    EXPECT_EQ(IniText(1, 2), FileText(OnMedium(2, L"Backup.ini")));
    EXPECT_EQ(CBackup::OutcomeIncomplete, m_run.GetOutcome());
}

TEST_F(MediaDriverTest, VerificationFailureIsShownBeforeTheNextMediumAndBlocksTheDelete)
{
    gVerifyAfterBackup = TRUE;
    gDeleteRestorations = TRUE;
    MakeTree();
    AddFile(L"1.dat", kLarge);
    AddFile(L"2.dat", kLarge)->m_bCorruptCopy = true;
    AddFile(L"3.dat", kLarge);
    m_answers = {IDOK};

    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 1.dat", L"copied 2.dat",
                      L"full at 3.dat",
                      Status(IDS_VERIFYING_FILES), L"verify root", L"verify Patient Data Index", L"verified 1.dat",
                      L"differs 2.dat", L"error 41", Prompt(),
                      Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 3.dat",
                      Status(IDS_VERIFYING_FILES), L"verify root", L"verify Patient Data Index", L"verified 3.dat",
                      FailedFilesText(IDS_BACKUP_FINISHED_WITH_ERRORS, 1), L"finish"}),
              m_events);
    EXPECT_EQ(IniText(1, 2), FileText(OnMedium(2, L"Backup.ini")));
    EXPECT_EQ(CBackup::OutcomeVerifyFailed, m_run.GetOutcome());
}

TEST_F(MediaDriverTest, FileTooLargeForAnEmptyMediumIsReportedOnceAndTheRunGoesOn)
{
    MakeTree();
    AddFile(L"1.dat", kLarge);
    AddFile(L"big.dat", 4 * 1024 * 1024);
    AddFile(L"2.dat", 1000);
    m_answers = {IDOK, IDOK};

    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied 1.dat", L"full at big.dat",
                      Prompt(),
                      Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"too large big.dat", L"copied 2.dat",
                      FailedFilesText(IDS_BACKUP_FINISHED_WITH_ERRORS, 1), L"finish"}),
              m_events);
    EXPECT_EQ(IniText(1, 2), FileText(OnMedium(2, L"Backup.ini")));
    EXPECT_FALSE(m_run.IsFreshMedium());
    ASSERT_EQ(1, m_run.GetFailedFiles().GetSize());
    EXPECT_EQ(m_src / L"big.dat", m_run.GetFailedFiles()[0]);
    EXPECT_EQ(CBackup::OutcomeCopyFailed, m_run.GetOutcome());
}

TEST_F(MediaDriverTest, MediumIsFreshOnlyFromTheChangeUntilTheFirstCopy)
{
    MakeTree();
    std::vector<BOOL> fresh;
    for (const wchar_t* name : {L"1.dat", L"2.dat", L"3.dat", L"4.dat"})
        AddFile(name, kLarge)->m_onCopying = [&] { fresh.push_back(m_run.IsFreshMedium()); };
    m_answers = {IDOK};

    Run();

    // 1, 2 and 3 on the first medium; 3 again on the fresh medium, then 4.
    EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, FALSE, TRUE, FALSE}), fresh);
    EXPECT_EQ(L"info 23", m_events.at(m_events.size() - 2));
}

TEST_F(MediaDriverTest, DeleteStepRunsAfterASuccessfulBackupWithTheProgressReset)
{
    gDeleteRestorations = TRUE;
    MakeTree();
    AddFile(L"a.dat", 1000);

    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied a.dat", L"pos 0",
                      L"status Deleting", L"delete root", L"delete Patient Data Index", L"delete a.dat", L"info 23",
                      L"finish"}),
              m_events);
}

TEST_F(MediaDriverTest, CopyFailuresEndWithTheErrorsMessageAndLeaveTheDeleteToTheItems)
{
    gDeleteRestorations = TRUE;
    MakeTree();
    AddFile(L"a.dat", 1000);
    m_pIndex->Add(new test::FailingItem(L"x.dat", ERunFailure::CopyFailed, &m_events))->SetCheck(1);
    m_pIndex->Add(new test::FailingItem(L"y.dat", ERunFailure::CopyFailed, &m_events))->SetCheck(1);
    m_events.clear();

    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied a.dat", L"failed x.dat",
                      L"failed y.dat", L"pos 0", L"status Deleting", L"delete root", L"delete Patient Data Index",
                      L"delete a.dat", L"delete x.dat", L"delete y.dat",
                      FailedFilesText(IDS_BACKUP_FINISHED_WITH_ERRORS, 2), L"finish"}),
              m_events);
    EXPECT_EQ(2, m_run.GetCopyFailures());
    EXPECT_EQ(CBackup::OutcomeCopyFailed, m_run.GetOutcome());
}

TEST_F(MediaDriverTest, VerifyErrorWithoutMismatchStillBlocksTheDelete)
{
    gVerifyAfterBackup = TRUE;
    gDeleteRestorations = TRUE;
    MakeTree();
    AddFile(L"a.dat", 1000);
    m_pIndex->Add(new test::FailingItem(L"z.dat", ERunFailure::VerifyFailed, &m_events))->SetCheck(1);

    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"copied a.dat",
                      Status(IDS_VERIFYING_FILES), L"verify root", L"verify Patient Data Index", L"verified a.dat",
                      L"unreadable z.dat", FailedFilesText(IDS_BACKUP_FINISHED_WITH_ERRORS, 1), L"finish"}),
              m_events);
    EXPECT_EQ(1, m_run.GetVerifyFailures());
    EXPECT_EQ(CBackup::OutcomeVerifyFailed, m_run.GetOutcome());
}

TEST_F(DriverTest, FileErrorsEndTheBackupWithTheirMessageAndNoBookkeeping)
{
    // The last cause stands for a damaged archive: an unknown error in a backup.
    const int causes[] = {CFileException::diskFull, CFileException::accessDenied, CFileException::directoryFull,
                          CFileException::fileNotFound, CFileException::genericException, CFileException::hardIO, -1};
    const wchar_t* shown[] = {L"error 15", L"error 15", L"error 15", L"error 27", L"error 27", L"error 27", L"error 27"};
    for (int i = 0; i < 7; ++i) {
        test::TempDir target;
        m_pRoot = new test::RootItem(&m_events);
        m_pRoot->SetCheck(1);
        int cause = causes[i];
        m_pRoot->Add(new test::ActionItem([cause] {
            if (cause < 0)
                AfxThrowArchiveException(CArchiveException::endOfFile);
            AfxThrowFileException(cause, -1, L"f.dat");
        }));
        m_run.SetRoot(m_pRoot);
        m_run.SetBackupDir(target.Path());
        gRememberChoice = TRUE;
        gOverwriteChoice = TRUE;

        Run();

        EXPECT_EQ((Events{Status(IDS_COPYING_FILES), shown[i], L"finish"}), m_events) << "cause " << cause;
        EXPECT_FALSE(test::FileExists(target / L"Backup.ini"));
        EXPECT_EQ(CBackup::OutcomeFatal, m_run.GetOutcome());
        EXPECT_FALSE(gRememberChoice);
        EXPECT_FALSE(gOverwriteChoice);
        m_pRoot->DeleteFromTree(nullptr);
        m_pRoot = nullptr;
    }
}

TEST_F(DriverTest, AnEarlierCancelAndAnEarlierRunDoNotCarryOver)
{
    test::TempDir target;
    MakeTree();
    m_pIndex->Add(new test::FailingItem(L"x.dat", ERunFailure::CopyFailed, &m_events))->SetCheck(1);
    m_run.SetBackupDir(target.Path());
    Run();
    ASSERT_EQ(CBackup::OutcomeCopyFailed, m_run.GetOutcome());

    m_pIndex->GetChildren()[0]->SetCheck(0);
    m_pRoot->SetBackupState(0);
    m_pIndex->SetBackupState(0);
    m_run.Cancel();
    Run();

    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"backup Patient Data Index", L"info 23", L"finish"}), m_events);
    EXPECT_EQ(0u, m_run.GetOutcome());
    EXPECT_EQ(0, m_run.GetFailedFiles().GetSize());
    EXPECT_EQ(0, m_run.GetCopyFailures());
    EXPECT_EQ(IniText(1, 1), FileText(target / L"Backup.ini"));
}

TEST(CBackup, ReportFailureCountsEveryReportButListsEachFileOnce)
{
    Events events;
    test::RecordingRun run(&events);
    run.ReportFailure(ERunFailure::CopyFailed, L"C:\\data\\a.dat");
    run.ReportFailure(ERunFailure::VerifyFailed, L"C:\\data\\b.dat");
    run.ReportFailure(ERunFailure::CopyFailed, L"C:\\DATA\\A.DAT");
    EXPECT_EQ(2, run.GetCopyFailures());
    EXPECT_EQ(1, run.GetVerifyFailures());
    ASSERT_EQ(2, run.GetFailedFiles().GetSize());
    EXPECT_EQ(CString(L"C:\\data\\a.dat"), run.GetFailedFiles()[0]);
    EXPECT_EQ(CString(L"C:\\data\\b.dat"), run.GetFailedFiles()[1]);
}

class RestoreTest : public DriverTest {
protected:
    void Restore(std::function<void()> action = nullptr)
    {
        MakeTree();
        if (action)
            m_pIndex->Add(new test::ActionItem(std::move(action)));
        m_run.SetBackupDir(L"C:\\Backups\\Monday: \"full\"?");
        gRememberChoice = TRUE;
        gOverwriteChoice = TRUE;
        m_events.clear();
        m_run.DoRestore(&m_run);
        EXPECT_FALSE(gRememberChoice);
        EXPECT_FALSE(gOverwriteChoice);
    }

    CString RestoreFrom() const
    {
        return L"restore from " + CDirectory::CreateFileNameForDisk(L"C:\\Backups\\Monday: \"full\"?");
    }
};

TEST_F(RestoreTest, RestoreReadsTheDiskFormOfTheDirectoryAndSucceeds)
{
    m_run.Cancel();
    Restore();
    EXPECT_NE(CString(L"restore from C:\\Backups\\Monday: \"full\"?"), RestoreFrom());
    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), RestoreFrom(), L"restore Patient Data Index", L"info 26",
                      L"finish"}),
              m_events);
    EXPECT_EQ(0u, m_run.GetOutcome());
}

TEST_F(RestoreTest, CancelAndErrorsEndTheRestoreWithTheirMessage)
{
    const struct {
        std::function<void()> action;
        const wchar_t* shown;
        UINT outcome;
    } cases[] = {
        {[this] { m_run.Cancel(); }, L"info 25", CBackup::OutcomeIncomplete},
        {[] { throw new CBackupException(IDS_NOT_ENOUGH_SPACE, StringOf(IDS_NOT_ENOUGH_SPACE)); }, L"error 15",
         CBackup::OutcomeFatal},
        {[] { AfxThrowFileException(CFileException::diskFull); }, L"error 15", CBackup::OutcomeFatal},
        {[] { AfxThrowOsFileException(ERROR_FILE_NOT_FOUND, L"x.dat"); }, L"error 27", CBackup::OutcomeFatal},
        {[] { AfxThrowArchiveException(CArchiveException::endOfFile, L"Settings"); }, L"error 50",
         CBackup::OutcomeFatal},
    };
    for (const auto& c : cases) {
        if (m_pRoot)
            m_pRoot->DeleteFromTree(nullptr);
        Restore(c.action);
        EXPECT_EQ((Events{Status(IDS_COPYING_FILES), RestoreFrom(), L"restore Patient Data Index", c.shown, L"finish"}),
                  m_events);
        EXPECT_EQ(c.outcome, m_run.GetOutcome()) << CString(c.shown);
    }
    EXPECT_FALSE(StringOf(IDS_BACKUP_DAMAGED).IsEmpty());
}

TEST_F(RestoreTest, FilesThatCouldNotBeRestoredAreCounted)
{
    MakeTree();
    m_pIndex->Add(new test::FailingItem(L"x.dat", ERunFailure::CopyFailed, &m_events));
    m_run.SetBackupDir(L"D:\\b");
    m_events.clear();
    m_run.DoRestore(&m_run);
    EXPECT_EQ((Events{Status(IDS_COPYING_FILES), L"restore from D:\\b", L"restore Patient Data Index",
                      L"failed x.dat", FailedFilesText(IDS_RESTORE_FINISHED_WITH_ERRORS, 1), L"finish"}),
              m_events);
    EXPECT_EQ(CBackup::OutcomeCopyFailed, m_run.GetOutcome());
}
