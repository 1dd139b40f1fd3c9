// Backups onto the removable test drive R: with its small real media: a full
// medium ends the medium (or, unattended, the run) without leaving a partial
// copy, the run continues on the next medium after the prompt, a file larger
// than an empty medium is reported and skipped instead of asking for media
// forever, and a restore reads the media one after the other.

#include "app/Backup.h"
#include "app/BackupException.h"
#include "app/Globals.h"
#include "framework/MessageBox.h"
#include "installation/CDirectory.h"
#include "items/data/CBackupItemFiles.h"
#include "items/data/CBackupItemPatientDataIndex.h"
#include "res/resource.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"
#include "tests/data/RecordingListener.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

using test::FileExists;
using test::MediaDrive;
using test::ReadText;

namespace {

CString LoadText(UINT nId)
{
    CString text;
    text.LoadString(nId);
    return text;
}

// The driver with the visible side of a run recorded instead of shown.
class TestRun : public CBackup {
public:
    void AddProgress(LONGLONG nBytes) override { progress += nBytes; }
    void SetStatusText(const CString&) override {}
    void ShowError(UINT nStringId) override { errors.push_back(nStringId); }
    void SetProgressPos(int nPos) override { position = nPos; }
    int GetProgressPos() override { return position; }
    void Finish() override { ++finishes; }
    void ShowInfo(UINT nStringId) override { infos.push_back(nStringId); }
    void ShowErrorText(const CString& strText) override { errorTexts.push_back(strText); }

    LONGLONG progress = 0;
    int position = 0;
    int finishes = 0;
    std::vector<UINT> errors;
    std::vector<UINT> infos;
    std::vector<CString> errorTexts;
};

struct TreeDeleter {
    void operator()(CBackupItem* pItem) const { pItem->DeleteFromTree(nullptr); }
};

class MediaSpanningTest : public test::DataItemsTest {
protected:
    void SetUp() override
    {
        DataItemsTest::SetUp();
        CString whyNot;
        if (!MediaDrive::Available(&whyNot))
            GTEST_SKIP() << "removable test media unavailable: " << whyNot;
        for (int n = 1; n <= 4; ++n)
            MediaDrive::Erase(n);
        MediaDrive::Insert(1);
        ULARGE_INTEGER freeBytes{};
        ASSERT_TRUE(GetDiskFreeSpaceExW(L"R:\\", nullptr, nullptr, &freeBytes));
        mediumFree = static_cast<size_t>(freeBytes.QuadPart);
        ASSERT_GT(mediumFree, 1000000u);
        data = tmp / L"Data";
        patient = data + L"\\Anna";
        test::SettingsKeyGuard::SetDataPath(data);
        // The profile file named without a directory lies in the Windows directory.
        WritePrivateProfileStringW(L"Backup", L"LastBackedFile", L"(none)", L"Backup.ini");
    }

    void TearDown() override
    {
        if (MediaDrive::Available(nullptr)) {
            MediaDrive::Insert(1);
            for (int n = 1; n <= 4; ++n)
                MediaDrive::Erase(n);
        }
        DataItemsTest::TearDown();
    }

    // Live files of patient Anna, each marked read-only so that a test sees
    // whether the backup cleared its attributes.
    void MakePatient(const std::vector<std::pair<const wchar_t*, size_t>>& files)
    {
        unsigned seed = 10;
        for (const auto& file : files) {
            std::string content = test::Pattern(file.second, ++seed);
            test::MakeTree(patient, {{file.first, content}});
            contents[file.first] = content;
            SetFileAttributesW(Live(file.first), FILE_ATTRIBUTE_READONLY);
        }
    }

    std::unique_ptr<CBackupItemFiles> Item(const wchar_t* name)
    {
        CString path = Live(name);
        auto item = std::make_unique<CBackupItemFiles>(path.Left(path.ReverseFind(L'\\')),
                                                       path.Mid(path.ReverseFind(L'\\') + 1), FALSE);
        item->UpdateSize(patient);
        return item;
    }

    // A whole backup of every patient onto R:, the next medium inserted at each prompt.
    void RunBackup(TestRun& run)
    {
        std::unique_ptr<CBackupItemPatientDataIndex, TreeDeleter> index(new CBackupItemPatientDataIndex);
        index->BuildForBackup();
        index->SelectAll();
        run.SetRoot(index.get());
        run.SetBackupDir(L"R:\\Backup");
        InsertNextMediumOnPrompt();
        run.DoBackup(&run);
    }

    // Answers "The media is full..." by inserting the next medium, up to a
    // limit after which it cancels, so that a run that never ends fails instead.
    void InsertNextMediumOnPrompt()
    {
        AfxSetMessageResponder([this](const CString& text, const CString&, UINT) {
            if (text != LoadText(IDS_MEDIA_FULL)) {
                ++otherBoxes;
                return IDOK;
            }
            ++prompts;
            if (prompts >= 3)
                return IDCANCEL;
            MediaDrive::Insert(prompts + 1);
            return IDOK;
        });
    }

    CString Live(const wchar_t* name) const { return CDirectory::Concat(patient, name); }
    static CString OnMedium(int n, const wchar_t* name)
    {
        return MediaDrive::MediumPath(n) + L"\\Backup\\Patient Data Index\\Anna\\" + name;
    }
    static CString InDrive(const wchar_t* name) { return CString(L"R:\\Backup\\Patient Data Index\\Anna\\") + name; }
    static CString LastBackedFile()
    {
        wchar_t value[MAX_PATH] = {};
        GetPrivateProfileStringW(L"Backup", L"LastBackedFile", L"", value, MAX_PATH, L"Backup.ini");
        return value;
    }
    static int IniValue(int nMedium, const wchar_t* key)
    {
        return GetPrivateProfileIntW(L"Backup", key, -1, MediaDrive::MediumPath(nMedium) + L"\\Backup\\Backup.ini");
    }
    // On which media the file's copy lies, each checked to be whole.
    std::vector<int> MediaHolding(const wchar_t* name)
    {
        std::vector<int> media;
        for (int n = 1; n <= 2; ++n) {
            if (!FileExists(OnMedium(n, name)))
                continue;
            media.push_back(n);
            EXPECT_EQ(contents[name], ReadText(OnMedium(n, name))) << CString(name) << " on medium " << n;
        }
        return media;
    }

    test::TempDir tmp;
    CString data;
    CString patient;
    size_t mediumFree = 0;
    std::map<std::wstring, std::string> contents;
    test::RecordingListener listener;
    int prompts = 0;
    int otherBoxes = 0;
};

TEST_F(MediaSpanningTest, FullMediumAsksForTheNextAndLeavesNoPartialCopy)
{
    MakePatient({{L"Case\\a.dat", mediumFree * 2 / 3}, {L"Case\\b.dat", mediumFree * 2 / 3}});
    auto a = Item(L"Case\\a.dat");
    auto b = Item(L"Case\\b.dat");
    const CString dst = L"R:\\Backup\\Patient Data Index\\Anna";

    a->BackupFile(patient, dst, &listener);
    ASSERT_EQ(1u, a->GetBackupState());
    UINT code = 0;
    CString text = L"unset";
    try {
        b->BackupFile(patient, dst, &listener);
    } catch (CBackupException* e) {
        code = e->GetCode();
        text = e->GetText();
        e->Delete();
    }
    EXPECT_EQ(static_cast<UINT>(IDS_INSERT_NEXT_MEDIA), code);
    EXPECT_EQ(CString(), text);
    EXPECT_FALSE(FileExists(InDrive(L"Case\\b.dat"))) << "a partial copy was left on the full medium";
    EXPECT_EQ(0u, b->GetBackupState());
    EXPECT_NE(0u, test::Attributes(Live(L"Case\\b.dat")) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(listener.failures.empty()) << "the file goes onto the next medium, it has not failed";
    EXPECT_EQ(Live(L"Case\\b.dat"), LastBackedFile());
    EXPECT_EQ(static_cast<LONGLONG>(contents[L"Case\\a.dat"].size()), listener.progress);

    // The next medium: only the file that did not fit is copied.
    MediaDrive::Insert(2);
    listener.freshMedium = TRUE;
    a->BackupFile(patient, dst, &listener);
    b->BackupFile(patient, dst, &listener);
    EXPECT_FALSE(FileExists(OnMedium(2, L"Case\\a.dat")));
    EXPECT_EQ(contents[L"Case\\b.dat"], ReadText(OnMedium(2, L"Case\\b.dat")));
    EXPECT_FALSE(FileExists(OnMedium(1, L"Case\\b.dat")));
    EXPECT_EQ(1u, b->GetBackupState());
    EXPECT_EQ(0u, test::Attributes(Live(L"Case\\b.dat")) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(listener.freshMedium);
}

TEST_F(MediaSpanningTest, BackupSpansTwoMediaVerifiesDeletesAndRestores)
{
    const size_t size = mediumFree * 2 / 7;
    MakePatient({{L"Case1\\1.dat", size},
                 {L"Case1\\2.dat", size},
                 {L"Case2\\3.cdt", size},
                 {L"Case2\\4.dat", size},
                 {L"Case3\\5.sdt", size},
                 {L"Case4\\image.tif", 1000},
                 {L"loose.dat", 100}});
    gVerifyAfterBackup = TRUE;
    gDeleteRestorations = TRUE;
    TestRun run;
    RunBackup(run);

    EXPECT_EQ(1, prompts);
    EXPECT_EQ(0, otherBoxes);
    EXPECT_EQ(0u, run.GetOutcome());
    EXPECT_EQ(std::vector<UINT>{IDS_BACKUP_SUCCEEDED}, run.infos);
    EXPECT_TRUE(run.errors.empty());
    EXPECT_EQ(1, run.finishes);
    // Three copies fill the first medium; every file lies whole on exactly one.
    const wchar_t* const saved[] = {L"Case1\\1.dat", L"Case1\\2.dat", L"Case2\\3.cdt", L"Case2\\4.dat", L"Case3\\5.sdt"};
    int onFirst = 0;
    for (const wchar_t* name : saved) {
        std::vector<int> media = MediaHolding(name);
        ASSERT_EQ(1u, media.size()) << CString(name);
        onFirst += media[0] == 1;
    }
    EXPECT_EQ(3, onFirst);
    EXPECT_EQ(0, IniValue(1, L"BackupComplete"));
    EXPECT_EQ(1, IniValue(1, L"DiskNumber"));
    EXPECT_EQ(1, IniValue(2, L"BackupComplete"));
    EXPECT_EQ(2, IniValue(2, L"DiskNumber"));
    // Every case wholly backed up and verified is gone; the rest stays.
    EXPECT_FALSE(test::DirExists(Live(L"Case1")));
    EXPECT_FALSE(test::DirExists(Live(L"Case2")));
    EXPECT_FALSE(test::DirExists(Live(L"Case3")));
    EXPECT_TRUE(FileExists(Live(L"Case4\\image.tif")));
    EXPECT_TRUE(FileExists(Live(L"loose.dat")));

    // The restore tree joins both media; each medium restores its own files.
    std::unique_ptr<CBackupItemPatientDataIndex, TreeDeleter> index(new CBackupItemPatientDataIndex);
    for (int n = 1; n <= 2; ++n) {
        MediaDrive::Insert(n);
        index->BuildForRestore(L"R:\\Backup\\Patient Data Index");
    }
    ASSERT_EQ(1, index->GetChildren().GetSize());
    CBackupItem* anna = index->GetChildren()[0];
    EXPECT_EQ(5, anna->GetChildren().GetSize());
    EXPECT_TRUE(anna->HasItemsOnDisk(1));
    EXPECT_TRUE(anna->HasItemsOnDisk(2));
    index->SelectAll();
    int restored = 0;
    MediaDrive::Insert(1);
    index->Restore(L"R:\\Backup", &listener);
    for (const wchar_t* name : saved)
        restored += FileExists(Live(name));
    EXPECT_EQ(3, restored) << "the first medium holds three files";
    MediaDrive::Insert(2);
    index->Restore(L"R:\\Backup", &listener);
    for (const wchar_t* name : saved)
        EXPECT_EQ(contents[name], ReadText(Live(name))) << CString(name);
    EXPECT_EQ(static_cast<LONGLONG>(5 * size), listener.progress);
    EXPECT_TRUE(listener.failures.empty());
}

TEST_F(MediaSpanningTest, FileLargerThanAnEmptyMediumCostsOneMediumChange)
{
    const size_t small = mediumFree / 10;
    MakePatient({{L"Case1\\s1.dat", small},
                 {L"Case1\\s2.dat", small},
                 {L"Case2\\big.sdt", mediumFree + mediumFree / 5},
                 {L"Case3\\s3.dat", small}});
    gDeleteRestorations = TRUE;
    TestRun run;
    RunBackup(run);

    EXPECT_EQ(1, prompts);
    EXPECT_EQ(static_cast<UINT>(CBackup::OutcomeCopyFailed), run.GetOutcome());
    ASSERT_EQ(1, run.GetFailedFiles().GetSize());
    EXPECT_EQ(Live(L"Case2\\big.sdt"), run.GetFailedFiles()[0]);
    CString finished;
    finished.FormatMessage(IDS_BACKUP_FINISHED_WITH_ERRORS, 1);
    EXPECT_EQ(std::vector<CString>{finished}, run.errorTexts);
    EXPECT_TRUE(MediaHolding(L"Case2\\big.sdt").empty()) << "no partial copy on any medium";
    for (const wchar_t* name : {L"Case1\\s1.dat", L"Case1\\s2.dat", L"Case3\\s3.dat"})
        EXPECT_EQ(1u, MediaHolding(name).size()) << CString(name);
    EXPECT_NE(0u, test::Attributes(Live(L"Case2\\big.sdt")) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(1, IniValue(2, L"BackupComplete"));
    // Only the case of the file that could not be saved stays.
    EXPECT_TRUE(FileExists(Live(L"Case2\\big.sdt")));
    EXPECT_FALSE(test::DirExists(Live(L"Case1")));
    EXPECT_FALSE(test::DirExists(Live(L"Case3")));
}

TEST_F(MediaSpanningTest, UnattendedBackupEndsAtTheFullMediumAndDeletesNothing)
{
    gAutomatedMode = TRUE;
    gDeleteRestorations = TRUE;
    const size_t size = mediumFree * 2 / 7;
    MakePatient({{L"Case1\\1.dat", size}, {L"Case1\\2.dat", size}, {L"Case2\\3.dat", size}, {L"Case2\\4.dat", size}});
    TestRun run;
    RunBackup(run);

    EXPECT_EQ(0, prompts + otherBoxes);
    EXPECT_TRUE(run.IsCancelled());
    EXPECT_NE(0u, run.GetOutcome() & CBackup::OutcomeIncomplete);
    EXPECT_NE(0u, run.GetOutcome() & CBackup::OutcomeCopyFailed);
    ASSERT_EQ(1, run.GetFailedFiles().GetSize());
    const CString failed = run.GetFailedFiles()[0];
    EXPECT_NE(0u, test::Attributes(failed) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(CString(L"(none)"), LastBackedFile()) << "no medium change is pending";
    int copied = 0;
    for (const wchar_t* name : {L"Case1\\1.dat", L"Case1\\2.dat", L"Case2\\3.dat", L"Case2\\4.dat"}) {
        size_t held = MediaHolding(name).size();
        copied += static_cast<int>(held);
        if (Live(name) == failed) {
            EXPECT_EQ(0u, held) << "a partial copy was left behind";
        }
    }
    EXPECT_EQ(3, copied);
    EXPECT_TRUE(test::DirExists(Live(L"Case1")));
    EXPECT_TRUE(test::DirExists(Live(L"Case2")));
}

} // namespace
