// The real OrvexBackup.exe run unattended on a demo installation in this test
// prefix: the backup it leaves on disk, and the exit code that tells a
// scheduled task how the run went.

#include "app/Backup.h"
#include "installation/CDirectory.h"
#include "items/data/PatientDataFiles.h"
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

// One demo installation for the whole suite, in registry keys of its own: the
// installation's keys come back at the end.
struct SDemo {
    test::StashedKey machineKeys{HKEY_LOCAL_MACHINE, L"Software\\Tessaro"};
    test::StashedKey userKeys{HKEY_CURRENT_USER, L"Software\\Tessaro"};
    test::TempDir data;
    int exitCode = test::RunProgram(test::ProgramPath(L"MakeDemoInstallation.exe"),
                                    L"--patients 4 --cases 2 --file-size 20000 --data-dir " + Quoted(data.Path()),
                                    120000);
};

class UnattendedRunTest : public test::UiTest {
protected:
    static void SetUpTestSuite() { s_pDemo = new SDemo; }
    static void TearDownTestSuite() { delete s_pDemo; }
    void SetUp() override
    {
        test::UiTest::SetUp();
        ASSERT_EQ(0, s_pDemo->exitCode) << "MakeDemoInstallation failed";
    }

    static SDemo* s_pDemo;
};

SDemo* UnattendedRunTest::s_pDemo = nullptr;

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
    const CString data = s_pDemo->data.Path();
    int nFiles = 0;
    CString firstFile;
    for (const CString& patient : test::SubDirectories(data)) {
        for (const CString& caseDir : test::SubDirectories(data + L"\\" + patient)) {
            const CString dir = patient + L"\\" + caseDir + L"\\";
            CStringArray names;
            CDirectory::ListFiles(data + L"\\" + dir, names, L"*.*", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
            for (INT_PTR i = 0; i < names.GetSize(); ++i) {
                if (!IsPatientDataFile(names[i]))
                    continue;
                if (nFiles++ == 0)
                    firstFile = dir + names[i];
                EXPECT_EQ(test::ReadBytes(data + L"\\" + dir + names[i]),
                          test::ReadBytes(backup + L"\\Patient Data Index\\" + dir + names[i]))
                    << dir + names[i];
            }
        }
    }
    EXPECT_GT(nFiles, 8);

    // -check finds the backup whole, then what was done to it.
    auto check = [](const CString& folder) { return RunBackup(L"-check " + Quoted(folder)); };
    EXPECT_EQ(0, check(backup));
    // A file on the medium that no line lists is reported, not counted against the backup.
    test::WriteText(backup + L"\\Patient Data Index\\extra.dat", "extra");
    EXPECT_EQ(0, check(backup));
    const CString copy = backup + L"\\Patient Data Index\\" + firstFile;
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

TEST_F(UnattendedRunTest, MissingPatientDataFolderExitsWithTwo)
{
    test::TempDir scratch;
    test::DataPathOverride missing(scratch / L"gone");
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeCopyFailed), RunBackup(Quoted(scratch / L"nightly")));
}
