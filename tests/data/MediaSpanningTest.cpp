// Whole backups onto the removable drive R: with its small real media: no
// partial copy on a full medium, a file larger than an empty medium skipped
// after one change, the prompt for the next medium and a cancel there, the end
// of an unattended run, a verification that fails, a restore medium by medium.

#include "app/Backup.h"
#include "app/BackupMedium.h"
#include "framework/SystemErrorText.h"
#include "items/ChecksumCheck.h"
#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/data/CBackupItemPatientDataIndex.h"
#include "res/resource.h"
#include "tests/MediaDrive.h"
#include "tests/RunRecorder.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

using test::MediaDrive;
using test::ReadText;

namespace {

CString Text(UINT nId)
{
    CString text;
    text.LoadString(nId);
    return text;
}

using TestRun = test::RunRecorder;

// The messages a run ended with: "info <id or text>", "error <text>".
std::vector<CString> Messages(const TestRun& run)
{
    std::vector<CString> shown;
    for (const CString& event : run.events) {
        if (event.Find(L"info ") == 0 || event.Find(L"error ") == 0)
            shown.push_back(event);
    }
    return shown;
}

struct TreeDeleter {
    void operator()(CBackupItem* pItem) const { pItem->DeleteFromTree(nullptr); }
};
using Index = std::unique_ptr<CBackupItemPatientDataIndex, TreeDeleter>;

class MediaSpanningTest : public test::DataItemsTest {
protected:
    void SetUp() override
    {
        DataItemsTest::SetUp();
        SKIP_WITHOUT_MEDIA();
        EraseMedia();
        ULARGE_INTEGER freeBytes{};
        ASSERT_TRUE(GetDiskFreeSpaceExW(L"R:\\", nullptr, nullptr, &freeBytes));
        mediumFree = static_cast<size_t>(freeBytes.QuadPart);
        test::SetDataPath(tmp / L"Data");
    }

    // Read-only live files of patient Anna, so a test sees whose attributes a backup cleared.
    void MakePatient(std::initializer_list<const wchar_t*> names, size_t size)
    {
        for (const wchar_t* name : names) {
            contents[name] = test::Pattern(size, static_cast<unsigned>(contents.size()));
            test::MakeTree(patient, {{name, contents[name]}});
            SetFileAttributesW(Live(name), FILE_ATTRIBUTE_READONLY);
        }
    }

    // Every patient onto R:. Each media prompt puts the next medium of the
    // script into the drive (0: none, the medium stays) and answers OK; once
    // the script is used up it cancels, so a run that never ends fails. By
    // default each prompt inserts the next medium.
    void RunBackup(TestRun& run, std::vector<int> script = {2, 3})
    {
        Index index(new CBackupItemPatientDataIndex);
        index->BuildForBackup();
        index->SelectAll();
        run.SetRoot(index.get());
        run.SetBackupDir(L"R:\\Backup");
        run.onMedium = [this, script](const CString& text) {
            promptTexts.push_back(text);
            if (++prompts > static_cast<int>(script.size()))
                return FALSE;
            if (script[prompts - 1] != 0)
                MediaDrive::Insert(script[prompts - 1]);
            return TRUE;
        };
        run.DoBackup(&run);
    }

    // What the prompt for disk nDisk says, with its reason first.
    static CString Prompt(int nDisk, UINT nReason = IDS_MEDIA_FULL)
    {
        CString disk;
        disk.FormatMessage(IDS_INSERT_AS_DISK, nDisk);
        return Text(nReason) + L"\n" + disk;
    }

    // Medium n's Backup.ini as "complete disk cancelled failed verify"; "none" when unreadable.
    static std::string IniState(int nMedium)
    {
        SBackupIniState state;
        if (!CBackupMedium::ReadState(MediaDrive::MediumPath(nMedium) + L"\\Backup\\Backup.ini", state))
            return "none";
        return std::to_string(state.nComplete) + " " + std::to_string(state.nDisk) + " " +
               std::to_string(state.bCancelled) + " " + std::to_string(state.nFailedFiles) + " " +
               std::to_string(state.nVerifyFailures);
    }

    // A restore tree read from the given media in turn, restored medium by medium.
    void RestoreFrom(std::initializer_list<int> media)
    {
        Index index(new CBackupItemPatientDataIndex);
        for (int n : media) {
            MediaDrive::Insert(n);
            index->BuildForRestore(L"R:\\Backup\\Patient Data Index");
        }
        index->SelectAll();
        TestRun listener;
        for (int n : media) {
            MediaDrive::Insert(n);
            index->Restore(L"R:\\Backup", &listener);
        }
        EXPECT_TRUE(listener.failures.empty());
    }

    void TearDown() override
    {
        if (MediaDrive::Available(nullptr))
            EraseMedia();
        DataItemsTest::TearDown();
    }
    static void EraseMedia()
    {
        for (int n = 1; n <= 4; ++n)
            MediaDrive::Erase(n);
        MediaDrive::Insert(1);
    }

    CString Live(const wchar_t* name) const { return CDirectory::Concat(patient, name); }
    // Bit n-1 set for each medium n holding a whole copy of the file; a partial copy fails the test.
    int MediaHolding(const wchar_t* name)
    {
        int media = 0;
        for (int n = 1; n <= 3; ++n) {
            CString copy = MediaDrive::MediumPath(n) + L"\\Backup\\Patient Data Index\\Anna\\" + name;
            if (test::FileExists(copy)) {
                media |= 1 << (n - 1);
                EXPECT_EQ(contents[name], ReadText(copy)) << CString(name) << " on medium " << n;
            }
        }
        return media;
    }

    test::TempDir tmp;
    const CString patient = tmp / L"Data\\Anna";
    size_t mediumFree = 0;
    std::map<std::wstring, std::string> contents;
    int prompts = 0;
    std::vector<CString> promptTexts;
};

TEST_F(MediaSpanningTest, BackupSpansTwoMediaVerifiesDeletesAndRestores)
{
    const size_t size = mediumFree * 2 / 7;
    const auto saved = {L"Case1\\1.dat", L"Case1\\2.dat", L"Case2\\3.cdt", L"Case2\\4.dat", L"Case3\\5.sdt"};
    MakePatient(saved, size);
    MakePatient({L"Case4\\image.tif"}, 1000);
    gVerifyAfterBackup = gDeleteRestorations = TRUE;
    TestRun run;
    RunBackup(run);

    EXPECT_EQ(std::vector<CString>{Prompt(2)}, promptTexts);
    EXPECT_EQ(0u, run.GetOutcome());
    // The case of the TIFF image stays, and the run says why.
    CString kept;
    kept.FormatMessage(IDS_CASES_KEPT_NOT_IN_BACKUP, 1);
    EXPECT_EQ(std::vector<CString>{L"info " + Text(IDS_BACKUP_SUCCEEDED) + L"\n" + kept}, Messages(run));
    // Three copies fill the first medium; every file lies whole on exactly one.
    int onFirst = 0;
    for (const wchar_t* name : saved) {
        const int media = MediaHolding(name);
        EXPECT_TRUE(media == 1 || media == 2) << CString(name) << " on media " << media;
        onFirst += media == 1;
    }
    EXPECT_EQ(3, onFirst);
    EXPECT_EQ("0 1 0 0 0", IniState(1));
    EXPECT_EQ("1 2 0 0 0", IniState(2));
    // Every case wholly backed up and verified is gone; the TIFF image's case stays.
    for (const wchar_t* dir : {L"Case1", L"Case2", L"Case3"})
        EXPECT_FALSE(test::DirExists(Live(dir))) << CString(dir);
    EXPECT_TRUE(test::FileExists(Live(L"Case4\\image.tif")));

    RestoreFrom({1, 2});
    for (const wchar_t* name : saved)
        EXPECT_EQ(contents[name], ReadText(Live(name))) << CString(name);
}

TEST_F(MediaSpanningTest, FileLargerThanAnEmptyMediumCostsOneMediumChange)
{
    MakePatient({L"Case1\\s1.dat", L"Case3\\s3.dat"}, mediumFree / 10);
    MakePatient({L"Case2\\big.sdt"}, mediumFree + mediumFree / 5);
    gDeleteRestorations = TRUE;
    TestRun run;
    RunBackup(run);

    EXPECT_EQ(1, prompts);
    EXPECT_EQ(static_cast<UINT>(CBackup::OutcomeCopyFailed), run.GetOutcome());
    ASSERT_EQ(1, run.GetFailedFiles().GetSize());
    EXPECT_EQ(Live(L"Case2\\big.sdt"), run.GetFailedFiles()[0]);
    CString finished;
    finished.FormatMessage(IDS_BACKUP_FINISHED_WITH_ERRORS, 1);
    CString kept;
    kept.FormatMessage(IDS_CASES_KEPT_FAILED, 1);
    EXPECT_EQ(std::vector<CString>{L"error " + finished + L" " + Text(IDS_RESTORATION_DATA_KEPT) +
                                   L"\n    Anna\\Case2\\big.sdt\n" + kept},
              Messages(run));
    EXPECT_EQ(0, MediaHolding(L"Case2\\big.sdt"));
    EXPECT_EQ(2, MediaHolding(L"Case3\\s3.dat")) << "after the one medium change";
    EXPECT_TRUE(test::IsReadOnly(Live(L"Case2\\big.sdt")));
    EXPECT_FALSE(test::DirExists(Live(L"Case1")));
}

TEST_F(MediaSpanningTest, CancelAtThePromptOrAnUnattendedRunEndsAtTheFullMediumAndDeletesNothing)
{
    gDeleteRestorations = TRUE;
    const auto names = {L"Case1\\1.dat", L"Case1\\2.dat", L"Case2\\3.dat", L"Case2\\4.dat"};
    MakePatient(names, mediumFree * 2 / 7);
    for (BOOL automated : {FALSE, TRUE}) {
        SCOPED_TRACE(automated ? "unattended" : "cancelled at the prompt");
        gAutomatedMode = automated;
        EraseMedia();
        prompts = 0;
        TestRun run;
        RunBackup(run, {});

        EXPECT_EQ(automated ? 0 : 1, prompts);
        CString cancelled;
        cancelled.Format(L"info %d", IDS_BACKUP_CANCELLED);
        EXPECT_EQ(automated ? std::vector<CString>{} : std::vector<CString>{cancelled}, Messages(run));
        // Unattended, the file that did not fit counts as not copied, and its attributes stay.
        EXPECT_EQ(automated ? static_cast<UINT>(CBackup::OutcomeIncomplete | CBackup::OutcomeCopyFailed)
                            : static_cast<UINT>(CBackup::OutcomeIncomplete),
                  run.GetOutcome());
        // Either way a restore takes this medium for the last one.
        EXPECT_EQ(automated ? "1 1 1 1 0" : "0 1 1 0 0", IniState(1));
        if (automated) {
            ASSERT_EQ(1, run.GetFailedFiles().GetSize());
            EXPECT_TRUE(test::IsReadOnly(run.GetFailedFiles()[0]));
        }
        int copied = 0;
        for (const wchar_t* name : names)
            copied += MediaHolding(name);
        EXPECT_EQ(3, copied) << "three whole copies on the first medium and nothing else";
        EXPECT_TRUE(test::DirExists(Live(L"Case1")) && test::DirExists(Live(L"Case2")));
    }
}

TEST_F(MediaSpanningTest, AVerifyMismatchIsCountedOnEveryLaterMediumAndKeepsEveryCase)
{
    MakePatient({L"Case1\\1.dat", L"Case1\\2.dat", L"Case2\\3.dat", L"Case2\\4.dat"}, mediumFree * 2 / 7);
    gVerifyAfterBackup = gDeleteRestorations = TRUE;
    // The first file changes after its copy, before the first medium is verified.
    struct ChangingRun : TestRun {
        void SetStatusText(const CString& strText) override
        {
            if (!changed.IsEmpty() && strText == Text(IDS_VERIFYING_FILES)) {
                test::WriteText(changed, "changed");
                changed.Empty();
            }
            TestRun::SetStatusText(strText);
        }
        CString changed;
    } run;
    run.changed = Live(L"Case1\\1.dat");
    RunBackup(run);

    EXPECT_EQ(static_cast<UINT>(CBackup::OutcomeVerifyFailed), run.GetOutcome());
    EXPECT_EQ("0 1 0 0 1", IniState(1));
    EXPECT_EQ("1 2 0 0 1", IniState(2));
    CString failed, finished;
    failed.Format(L"error %d", IDS_VERIFY_FAILED);
    finished.FormatMessage(IDS_BACKUP_FINISHED_WITH_ERRORS, 1);
    EXPECT_EQ((std::vector<CString>{failed, L"error " + finished + L" " + Text(IDS_RESTORATION_DATA_KEPT) +
                                                  L"\n    Anna\\Case1\\1.dat"}),
              Messages(run));
    EXPECT_TRUE(test::DirExists(Live(L"Case1")) && test::DirExists(Live(L"Case2"))) << "a mismatch keeps every case";
}

TEST_F(MediaSpanningTest, MediaFilledToTheLastAllocationUnitStillHoldTheirBackupIni)
{
    // Files that fill a medium exactly, once alone and once before a file for
    // a second medium: each medium keeps room for its Backup.ini, and the
    // restore reads every file back.
    for (bool bSecond : {false, true}) {
        EraseMedia();
        test::RemoveTree(patient);
        contents.clear();
        prompts = 0;
        promptTexts.clear();
        MakePatient({L"Case1\\1.dat", L"Case1\\2.dat", L"Case2\\3.dat", L"Case2\\4.dat"}, mediumFree / 4);
        if (bSecond)
            MakePatient({L"Case3\\5.dat"}, mediumFree / 8);
        gDeleteRestorations = TRUE;
        TestRun run;
        RunBackup(run);

        EXPECT_EQ(0u, run.GetOutcome());
        EXPECT_EQ(std::vector<CString>{Prompt(2)}, promptTexts);
        EXPECT_EQ("0 1 0 0 0", IniState(1));
        EXPECT_EQ("1 2 0 0 0", IniState(2));
        EXPECT_FALSE(test::DirExists(Live(L"Case1")));
        RestoreFrom({1, 2});
        for (const auto& file : contents)
            EXPECT_EQ(file.second, ReadText(Live(file.first.c_str()))) << CString(file.first.c_str());
    }
}

TEST_F(MediaSpanningTest, TheMediumJustFilledOrOneWithoutRoomBringsThePromptBack)
{
    MakePatient({L"Case1\\1.dat", L"Case1\\2.dat", L"Case2\\3.dat"}, mediumFree * 2 / 5);
    // Medium 2 is partly filled: the next file would fit on it only empty.
    // Medium 4 cannot take the backup folder, a file has its name. Medium 3
    // holds the Backup.ini of an earlier run, which does not make it used.
    MediaDrive::Insert(2);
    test::WriteText(L"R:\\other.bin", std::string(mediumFree * 4 / 5, 'x'));
    MediaDrive::Insert(4);
    test::WriteText(L"R:\\Backup", "in the way");
    MediaDrive::Insert(3);
    test::MakeTree(L"R:\\Backup", {{L"Backup.ini", "[Backup]\r\nDiskNumber=1\r\nRunId=earlier\r\n"}});
    MediaDrive::Insert(1);
    TestRun run;
    RunBackup(run, {0, 2, 4, 3});

    EXPECT_EQ((std::vector<CString>{Prompt(2), Prompt(2, IDS_MEDIUM_ALREADY_USED), Prompt(2, IDS_MEDIUM_NO_ROOM),
                                    Prompt(2, IDS_MEDIUM_NO_ROOM)}),
              promptTexts);
    EXPECT_EQ(0u, run.GetOutcome());
    EXPECT_EQ("0 1 0 0 0", IniState(1));
    EXPECT_EQ("none", IniState(2));
    EXPECT_EQ("1 2 0 0 0", IniState(3));
    EXPECT_EQ(4, MediaHolding(L"Case2\\3.dat")) << "on medium 3, taken as disk 2";
}

TEST_F(MediaSpanningTest, EachMediumListsWhatItHoldsAndARestoreNeverTakesADamagedCopy)
{
    const auto names = {L"Case1\\1.dat", L"Case1\\2.dat", L"Case2\\3.dat", L"Case2\\4.dat", L"Case3\\5.dat"};
    MakePatient(names, mediumFree * 2 / 5);
    TestRun run;
    RunBackup(run);
    ASSERT_EQ(0u, run.GetOutcome());
    ASSERT_EQ(2, prompts);
    // Each medium's checksum file lists exactly its files, as this program
    // and the common tool read it; the reserve for it is gone.
    for (int n = 1; n <= 3; ++n) {
        MediaDrive::Insert(n);
        TestRun checker;
        const SMediumCheck check = CheckMedium(L"R:\\Backup", &checker);
        EXPECT_EQ(EMediumCheck::Checked, check.eOutcome) << "medium " << n;
        EXPECT_EQ(n < 3 ? 2 : 1, check.nWhole) << "medium " << n;
        EXPECT_TRUE(check.damaged.empty() && check.missing.empty() && check.unlisted.empty()) << "medium " << n;
        const int tool = test::RunUnixShell(L"R:\\Backup", L"sha256sum --quiet --strict -c Checksums.sha256");
        EXPECT_TRUE(tool == 0 || tool == -1) << "sha256sum on medium " << n << ": " << tool;
    }
    // A flipped byte in a copy on medium 2: the restore keeps the live file
    // and reports the copy, the rest comes back; a copy the checksum file
    // does not list comes back and is reported.
    const CString damaged = MediaDrive::MediumPath(2) + L"\\Backup\\Patient Data Index\\Anna\\Case2\\3.dat";
    std::string bytes = ReadText(damaged);
    bytes[100] ^= 1;
    test::WriteText(damaged, bytes);
    const CString sums = MediaDrive::MediumPath(2) + L"\\Backup\\Checksums.sha256";
    std::string lines = ReadText(sums);
    const size_t unlisted = lines.find("Case2/4.dat\n");
    ASSERT_NE(std::string::npos, unlisted);
    const size_t start = lines.rfind('\n', unlisted) + 1;
    lines.erase(start, unlisted + strlen("Case2/4.dat\n") - start);
    test::WriteText(sums, lines);
    test::WriteText(Live(L"Case2\\3.dat"), "live");
    SetFileAttributesW(Live(L"Case2\\3.dat"), FILE_ATTRIBUTE_NORMAL);
    test::RemoveTree(patient + L"\\Case1");
    Index index(new CBackupItemPatientDataIndex);
    for (int n : {1, 2, 3}) {
        MediaDrive::Insert(n);
        index->BuildForRestore(L"R:\\Backup\\Patient Data Index");
    }
    index->SelectAll();
    TestRun restore;
    restore.onOverwrite = [](const CString&, BOOL&) { return EOverwriteAnswer::Yes; };
    for (int n : {1, 2, 3}) {
        MediaDrive::Insert(n);
        restore.BeginMedium(L"R:\\Backup");
        index->Restore(L"R:\\Backup", &restore);
    }
    EXPECT_EQ("live", ReadText(Live(L"Case2\\3.dat")));
    EXPECT_EQ(std::vector<CString>{L"R:\\Backup\\Patient Data Index\\Anna\\Case2\\3.dat"},
              restore.Failed(ERunFailure::Damaged));
    EXPECT_EQ(contents[L"Case1\\1.dat"], ReadText(Live(L"Case1\\1.dat")));
    EXPECT_EQ(contents[L"Case2\\4.dat"], ReadText(Live(L"Case2\\4.dat")));
    const CString report = restore.GetReport().Render();
    EXPECT_NE(-1, report.Find(L"Files without a line in their medium's checksum file (1)")) << report;
    EXPECT_NE(-1, report.Find(L"Case2\\4.dat")) << report;
    CStringArray left;
    EXPECT_EQ(2, CDirectory::ListFiles(patient + L"\\Case2", left, L"*.*", 0xFFFFFFEF)) << "no temporary copy stays";
}

// A report's text: UTF-8 after a byte-order mark, or "no report" without one.
CString ReportText(const CString& path)
{
    const std::vector<unsigned char> bytes = test::ReadBytes(path);
    if (bytes.size() < 3 || bytes[0] != 0xEF || bytes[1] != 0xBB || bytes[2] != 0xBF)
        return L"no report";
    const char* pUtf8 = reinterpret_cast<const char*>(bytes.data() + 3);
    const int n = static_cast<int>(bytes.size() - 3);
    std::wstring text(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, pUtf8, n, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, pUtf8, n, &text[0], static_cast<int>(text.size()));
    return CString(text.c_str());
}

TEST_F(MediaSpanningTest, TheReportsOnTheMediaTellWhatEachHoldsAndWhatWentWrong)
{
    MakePatient({L"Case1\\1.dat", L"Case1\\2.dat", L"Case2\\3.dat"}, mediumFree * 2 / 5);
    test::MakeTree(patient, {{L"Case1\\notes.txt", "not a data file"}});
    const CString locked = tmp / L"Data\\M\u00fcller \u00c5ngstr\u00f6m\\Case9\\locked.dat";
    test::MakeTree(tmp / L"Data", {{L"M\u00fcller \u00c5ngstr\u00f6m\\Case9\\locked.dat", "locked"}});
    gDeleteRestorations = TRUE;
    TestRun run;
    {
        CHandle lock = test::LockFile(locked);
        RunBackup(run);
    }
    ASSERT_EQ(1, prompts);

    MediaDrive::Insert(1);
    const CString first = ReportText(L"R:\\Backup\\Backup Report, disk 1.txt");
    EXPECT_NE(-1, first.Find(L"Disk 1: 2 files")) << first;
    EXPECT_NE(-1, first.Find(L" left free")) << first;
    EXPECT_EQ(-1, first.Find(L"Disk 2:")) << "a medium's part names what that medium holds";
    MediaDrive::Insert(2);
    const CString whole = ReportText(L"R:\\Backup\\Backup Report.txt");
    for (const CString& expected :
         {CString(L"Disk 1: 2 files"), CString(L"Disk 2: 1 file"), CString(L"Files not copied (1)"), locked,
          GetSystemErrorText(ERROR_SHARING_VIOLATION), CString(L"Case directories kept (2)"),
          CString(L"Case directories deleted (1)"), CString(L"Copied:       3 files")}) {
        EXPECT_NE(-1, whole.Find(expected)) << expected.GetString() << "\n" << whole.GetString();
    }
    for (int i = 0, start = 0; start < whole.GetLength(); ++i) {
        const int end = whole.Find(L"\r\n", start);
        ASSERT_LE((end < 0 ? whole.GetLength() : end) - start, 100) << "line " << i;
        start = end < 0 ? whole.GetLength() : end + 2;
    }
    EXPECT_FALSE(run.GetReportPath().IsEmpty());
    EXPECT_EQ(whole, ReportText(run.GetReportPath())) << "the computer keeps the same report";

    // A run cancelled at the prompt says so on the medium it ended on.
    EraseMedia();
    MakePatient({L"Case4\\4.dat", L"Case4\\5.dat"}, mediumFree * 2 / 5);
    prompts = 0;
    TestRun cancelled;
    RunBackup(cancelled, {});
    MediaDrive::Insert(1);
    const CString ended = ReportText(L"R:\\Backup\\Backup Report.txt");
    EXPECT_NE(-1, ended.Find(Text(IDS_BACKUP_CANCELLED))) << ended.GetString();
}

} // namespace
