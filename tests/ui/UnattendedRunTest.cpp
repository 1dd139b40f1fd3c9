// The real OrvexBackup.exe run unattended on a demo installation in this test
// prefix: the backup it leaves on disk, and the exit code that tells a
// scheduled task how the run went.

#include "app/Backup.h"
#include "installation/CDirectory.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CPropPageBackup.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const DWORD kRunTimeoutMs = 300000;

bool IsPatientDataName(const CString& name)
{
    CString ext = CDirectory::GetFileExtension(name);
    return ext.CompareNoCase(L".dat") == 0 || ext.CompareNoCase(L".cdt") == 0 || ext.CompareNoCase(L".sdt") == 0;
}

std::vector<CString> Files(const CString& dir)
{
    CStringArray names;
    CDirectory::ListFiles(dir, names, L"*.*", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    std::vector<CString> files;
    for (INT_PTR i = 0; i < names.GetSize(); ++i)
        files.push_back(names[i]);
    return files;
}

// The patient data files of the live installation, relative to its data
// directory: <patient>\<case>\<file>.
std::vector<CString> LivePatientFiles(const CString& dataDir)
{
    std::vector<CString> result;
    for (const CString& patient : test::SubDirectories(dataDir)) {
        for (const CString& caseDir : test::SubDirectories(dataDir + L"\\" + patient)) {
            for (const CString& file : Files(dataDir + L"\\" + patient + L"\\" + caseDir)) {
                if (IsPatientDataName(file))
                    result.push_back(patient + L"\\" + caseDir + L"\\" + file);
            }
        }
    }
    return result;
}

CString Quoted(const CString& path)
{
    return L"\"" + path + L"\"";
}

// One demo installation for the whole suite; its DataPath is put back at the end.
class UnattendedRunTest : public test::UiTest {
protected:
    static void SetUpTestSuite()
    {
        s_data = new test::TempDir;
        s_dataPath = new test::DataPathOverride(s_data->Path());
        s_demoExitCode =
            test::MakeDemoInstallation(L"--patients 4 --cases 2 --file-size 20000 --data-dir " + Quoted(s_data->Path()));
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

    // Runs the program with the arguments; its exit code, or -1 when it did
    // not end by itself.
    static int RunBackup(const CString& args)
    {
        test::ChildProcess child;
        if (!child.Start(test::ProgramPath(L"OrvexBackup.exe"), args))
            return -2;
        int code = child.Wait(kRunTimeoutMs);
        return code;
    }

    static const CString& DataDir() { return s_data->Path(); }

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
    CString target = scratch / L"nightly";
    EXPECT_EQ(0, RunBackup(Quoted(target) + L" -v"));

    std::vector<CString> backups = test::SubDirectories(target);
    ASSERT_EQ(1u, backups.size());
    CString backup = target + L"\\" + backups[0];
    EXPECT_EQ(0, backups[0].Find(L"Backup ")) << backups[0];

    EXPECT_EQ(1, test::ReadBackupIni(backup, L"BackupComplete"));
    EXPECT_EQ(1, test::ReadBackupIni(backup, L"DiskNumber"));
    EXPECT_TRUE(test::FileExists(backup + L"\\Settings\\Settings"));
    EXPECT_TRUE(test::DirExists(backup + L"\\Calibration Data (Tornik, Lumara, Camera)"));
    EXPECT_FALSE(test::SubDirectories(backup + L"\\Calibration Data (Tornik, Lumara, Camera)").empty() &&
                 Files(backup + L"\\Calibration Data (Tornik, Lumara, Camera)").empty())
        << "no calibration archive";
    EXPECT_TRUE(test::FileExists(backup + L"\\Patient Index\\Patient Index"));
    EXPECT_EQ((std::vector<CString>{L"Calibration Data (Tornik, Lumara, Camera)", L"Patient Data Index",
                                    L"Patient Index", L"Settings"}),
              test::SubDirectories(backup));

    // Every patient data file of the installation is in the backup, byte for byte.
    std::vector<CString> files = LivePatientFiles(DataDir());
    ASSERT_FALSE(files.empty());
    for (const CString& file : files) {
        std::vector<unsigned char> copy = test::ReadBytes(backup + L"\\Patient Data Index\\" + file);
        EXPECT_EQ(test::ReadBytes(DataDir() + L"\\" + file), copy) << file;
        EXPECT_FALSE(copy.empty()) << file;
    }
    for (const CString& patient : test::SubDirectories(backup + L"\\Patient Data Index"))
        EXPECT_TRUE(test::DirExists(DataDir() + L"\\" + patient)) << patient;
}

TEST_F(UnattendedRunTest, FileThatCannotBeReadExitsWithTwo)
{
    std::vector<CString> files = LivePatientFiles(DataDir());
    ASSERT_FALSE(files.empty());
    // Held open without sharing, the file cannot be copied.
    HANDLE hLocked = CreateFileW(DataDir() + L"\\" + files[0], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLocked);
    test::TempDir target;
    int code = RunBackup(Quoted(target.Path()));
    CloseHandle(hLocked);

    EXPECT_EQ(static_cast<int>(CBackup::OutcomeCopyFailed), code);
    std::vector<CString> backups = test::SubDirectories(target.Path());
    ASSERT_EQ(1u, backups.size());
    CString backup = target.Path() + L"\\" + backups[0];
    EXPECT_FALSE(test::FileExists(backup + L"\\Patient Data Index\\" + files[0]));
    EXPECT_TRUE(test::FileExists(backup + L"\\Patient Data Index\\" + files.back()));
}

TEST_F(UnattendedRunTest, ExistingBackupDirectoryExitsWithEight)
{
    test::TempDir target;
    // The program names the backup after the minute it starts in.
    const __time64_t now = _time64(nullptr);
    for (__time64_t t : {now, now + 60}) {
        CString name = CDirectory::CreateFileNameForDisk(CPropPageBackup::FormatBackupName(t));
        CreateDirectoryW(target.Path() + L"\\" + name, nullptr);
    }
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeFatal), RunBackup(Quoted(target.Path()) + L" -v"));
    for (const CString& name : test::SubDirectories(target.Path())) {
        EXPECT_EQ(-1, test::ReadBackupIni(target.Path() + L"\\" + name, L"BackupComplete")) << name;
        EXPECT_TRUE(test::SubDirectories(target.Path() + L"\\" + name).empty()) << name;
    }
}

TEST_F(UnattendedRunTest, MediumWithLessThanFiveMegabytesExitsWithEight)
{
    SKIP_WITHOUT_MEDIA();
    test::MediaDrive::Erase(2);
    test::MediaDrive::Insert(2);
    int code = RunBackup(L"R:\\nightly -v");
    std::vector<CString> backups = test::SubDirectories(L"R:\\nightly");
    test::MediaDrive::Insert(0);
    test::MediaDrive::Erase(2);

    // The 3 MiB medium is refused before anything is copied.
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeFatal), code);
    EXPECT_TRUE(backups.empty());
}

TEST_F(UnattendedRunTest, TargetThatCannotBeCreatedExitsWithEight)
{
    test::TempDir scratch;
    test::WriteText(scratch / L"file", "in the way");
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeFatal), RunBackup(Quoted(scratch / L"file\\below") + L" -v"));
}

TEST_F(UnattendedRunTest, InteractiveRunExitsWithZero)
{
    // Two targets: the main dialog for interactive work, whatever the options.
    test::ChildProcess child;
    ASSERT_TRUE(child.Start(test::ProgramPath(L"OrvexBackup.exe"), L"C:\\a C:\\b -v"));
    HWND hDlg = child.WaitForWindow(L"ORVEX Backup Version 1.0", 60000);
    ASSERT_NE(nullptr, hDlg);
    PostMessageW(hDlg, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, child.Wait(60000));
}
