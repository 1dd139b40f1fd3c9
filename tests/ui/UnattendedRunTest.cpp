// The real OrvexBackup.exe run unattended on a demo installation in this test
// prefix: the backup it leaves on disk, and the exit code that tells a
// scheduled task how the run went.

#include "app/Backup.h"
#include "installation/CDirectory.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"

#include <gtest/gtest.h>

namespace {

CString Quoted(const CString& path)
{
    return L"\"" + path + L"\"";
}

// The program's exit code; -1 when it did not end by itself.
int RunBackup(const CString& args)
{
    return test::RunProgram(test::ProgramPath(L"OrvexBackup.exe"), args, 300000);
}

// One demo installation for the whole suite; its DataPath is put back at the end.
class UnattendedRunTest : public test::UiTest {
protected:
    static void SetUpTestSuite()
    {
        s_data = new test::TempDir;
        s_dataPath = new test::DataPathOverride(s_data->Path());
        s_demoExitCode = test::RunProgram(test::ProgramPath(L"MakeDemoInstallation.exe"),
                                          L"--patients 4 --cases 2 --file-size 20000 --data-dir " + Quoted(DataDir()),
                                          120000);
    }
    static void TearDownTestSuite()
    {
        delete s_dataPath;
        delete s_data;
    }
    void SetUp() override
    {
        test::UiTest::SetUp();
        ASSERT_EQ(0, s_demoExitCode) << "MakeDemoInstallation failed";
    }
    static const CString& DataDir() { return s_data->Path(); }

    // The patient data files of the installation: <patient>\<case>\<file>.
    static std::vector<CString> PatientFiles()
    {
        std::vector<CString> result;
        for (const CString& patient : test::SubDirectories(DataDir())) {
            for (const CString& caseDir : test::SubDirectories(DataDir() + L"\\" + patient)) {
                CStringArray names;
                CDirectory::ListFiles(DataDir() + L"\\" + patient + L"\\" + caseDir, names, L"*.*",
                                      ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
                for (INT_PTR i = 0; i < names.GetSize(); ++i) {
                    const CString ext = CDirectory::GetFileExtension(names[i]);
                    if (ext.CompareNoCase(L".dat") == 0 || ext.CompareNoCase(L".cdt") == 0 || ext.CompareNoCase(L".sdt") == 0)
                        result.push_back(patient + L"\\" + caseDir + L"\\" + names[i]);
                }
            }
        }
        return result;
    }

    static test::TempDir* s_data;
    static test::DataPathOverride* s_dataPath;
    static int s_demoExitCode;
};

test::TempDir* UnattendedRunTest::s_data = nullptr;
test::DataPathOverride* UnattendedRunTest::s_dataPath = nullptr;
int UnattendedRunTest::s_demoExitCode = -1;

} // namespace

TEST_F(UnattendedRunTest, VerifiedBackupOfTheDemoInstallationExitsWithZero)
{
    test::TempDir scratch;
    const CString target = scratch / L"nightly";
    EXPECT_EQ(0, RunBackup(Quoted(target) + L" -v"));

    const std::vector<CString> backups = test::SubDirectories(target);
    ASSERT_EQ(1u, backups.size());
    EXPECT_EQ(0, backups[0].Find(L"Backup ")) << backups[0];
    const CString backup = target + L"\\" + backups[0];
    EXPECT_EQ(1, test::ReadBackupIni(backup, L"BackupComplete"));
    EXPECT_EQ((std::vector<CString>{L"Calibration Data (Tornik, Lumara, Camera)", L"Patient Data Index",
                                    L"Patient Index", L"Settings"}),
              test::SubDirectories(backup));
    EXPECT_TRUE(test::FileExists(backup + L"\\Settings\\Settings"));
    EXPECT_TRUE(test::FileExists(backup + L"\\Patient Index\\Patient Index"));
    // Every patient data file of the installation is in the backup, byte for byte.
    const std::vector<CString> files = PatientFiles();
    ASSERT_FALSE(files.empty());
    for (const CString& file : files) {
        const std::vector<unsigned char> copy = test::ReadBytes(backup + L"\\Patient Data Index\\" + file);
        EXPECT_FALSE(copy.empty()) << file;
        EXPECT_EQ(test::ReadBytes(DataDir() + L"\\" + file), copy) << file;
    }
}

TEST_F(UnattendedRunTest, CheckOfABackupFolderExitsWithWhatItFound)
{
    test::TempDir scratch;
    const CString target = scratch / L"nightly";
    ASSERT_EQ(0, RunBackup(Quoted(target)));
    const CString backup = target + L"\\" + test::SubDirectories(target)[0];
    auto check = [](const CString& folder) { return RunBackup(L"-check " + Quoted(folder)); };
    EXPECT_EQ(0, check(backup));
    // A file on the medium that no line lists is reported, not counted against the backup.
    test::WriteText(backup + L"\\Patient Data Index\\extra.dat", "extra");
    EXPECT_EQ(0, check(backup));
    const CString copy = backup + L"\\Patient Data Index\\" + PatientFiles()[0];
    std::vector<unsigned char> bytes = test::ReadBytes(copy);
    bytes[0] ^= 1;
    test::WriteBytes(copy, bytes);
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeVerifyFailed), check(backup));
    DeleteFileW(copy);
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeVerifyFailed), check(backup)) << "a missing file";
    // A backup from before checksums cannot be checked; a folder without Backup.ini is no backup.
    DeleteFileW(backup + L"\\Checksums.sha256");
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeIncomplete), check(backup));
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeFatal), check(scratch.Path()));
}

TEST_F(UnattendedRunTest, FileThatCannotBeReadExitsWithTwo)
{
    const std::vector<CString> files = PatientFiles();
    ASSERT_FALSE(files.empty());
    // Held open without sharing, the file cannot be copied.
    HANDLE hLocked = CreateFileW(DataDir() + L"\\" + files[0], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLocked);
    test::TempDir target;
    const int code = RunBackup(Quoted(target.Path()));
    CloseHandle(hLocked);

    EXPECT_EQ(static_cast<int>(CBackup::OutcomeCopyFailed), code);
    const std::vector<CString> backups = test::SubDirectories(target.Path());
    ASSERT_EQ(1u, backups.size());
    const CString data = target.Path() + L"\\" + backups[0] + L"\\Patient Data Index\\";
    EXPECT_FALSE(test::FileExists(data + files[0])) << "no partial file";
    EXPECT_TRUE(test::FileExists(data + files.back()));
}

TEST_F(UnattendedRunTest, MissingPatientDataFolderExitsWithTwo)
{
    test::TempDir scratch;
    test::DataPathOverride missing(scratch / L"gone");
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeCopyFailed), RunBackup(Quoted(scratch / L"nightly")));
}

TEST_F(UnattendedRunTest, TargetThatCannotBeCreatedExitsWithEightWithoutARun)
{
    test::TempDir scratch;
    test::WriteText(scratch / L"file", "in the way");
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeFatal), RunBackup(Quoted(scratch / L"file\\nightly") + L" -v"));
    EXPECT_EQ(std::vector<CString>{}, test::SubDirectories(scratch.Path()));
}
