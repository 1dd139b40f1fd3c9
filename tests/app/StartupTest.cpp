// Start-up: the three ways to run, chosen from the command line, checked both
// in-process (the flags) and with the real OrvexBackup.exe (the windows).

#include "app/BackupApp.h"
#include "app/Globals.h"
#include "installation/COrvexCommandLine.h"
#include "res/resource.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Feeds a scripted command line and records which dialog start-up chose and
// the flags at that moment, instead of showing a window.
class ScriptedApp : public CBackupApp {
public:
    explicit ScriptedApp(std::vector<const wchar_t*> args) : m_args(std::move(args)) {}

    int helpRuns = 0;
    int mainRuns = 0;
    BOOL automated = FALSE, modifiedOnly = FALSE, deleteRestorations = FALSE, tiff = FALSE, verify = FALSE;

protected:
    void ParseCommandLine(CCommandLineInfo& rInfo) override
    {
        gCommandLine = COrvexCommandLine();
        ParseArguments(rInfo, static_cast<int>(m_args.size()), m_args.data());
    }
    void RunHelpDialog() override { ++helpRuns; }
    void RunMainDialog() override
    {
        ++mainRuns;
        automated = gAutomatedMode;
        modifiedOnly = gSelectModifiedOnly;
        deleteRestorations = gDeleteRestorations;
        tiff = gBackupTiffImages;
        verify = gVerifyAfterBackup;
    }

private:
    std::vector<const wchar_t*> m_args;
};

void SetAllFlags()
{
    gAutomatedMode = gSelectModifiedOnly = gDeleteRestorations = TRUE;
    gBackupTiffImages = gVerifyAfterBackup = gRememberChoice = gOverwriteChoice = TRUE;
    gTargetPath = L"";
}

} // namespace

TEST(StartupTest, NoArgumentsOpensMainDialogWithAllFlagsCleared)
{
    SetAllFlags();
    ScriptedApp app({});
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(1, app.mainRuns);
    EXPECT_EQ(0, app.helpRuns);
    EXPECT_FALSE(app.automated || app.modifiedOnly || app.deleteRestorations || app.tiff || app.verify);
    EXPECT_FALSE(gRememberChoice);
    EXPECT_FALSE(gOverwriteChoice);
}

TEST(StartupTest, TwoParametersIgnoreTheOptions)
{
    ScriptedApp app({L"C:\\a", L"C:\\b", L"-v", L"/d"});
    app.InitInstance();
    EXPECT_EQ(1, app.mainRuns);
    EXPECT_FALSE(app.automated);
    EXPECT_FALSE(app.verify);
    EXPECT_FALSE(app.deleteRestorations);
}

TEST(StartupTest, HelpOnlyWithoutExactlyOneParameter)
{
    ScriptedApp help({L"-?"});
    help.InitInstance();
    EXPECT_EQ(1, help.helpRuns);
    EXPECT_EQ(0, help.mainRuns);

    ScriptedApp helpTwo({L"x", L"y", L"/?"});
    helpTwo.InitInstance();
    EXPECT_EQ(1, helpTwo.helpRuns);

    test::TempDir dir;
    CString target = dir / L"target";
    ScriptedApp withTarget({target, L"-?"});
    withTarget.InitInstance();
    EXPECT_EQ(0, withTarget.helpRuns);
    EXPECT_EQ(1, withTarget.mainRuns);
    EXPECT_TRUE(withTarget.automated);
}

TEST(StartupTest, OneTargetSetsUnattendedModeAndItsOptions)
{
    test::TempDir dir;
    CString target = dir / L"nested\\target";
    ScriptedApp app({target, L"-V", L"/i", L"-t"});
    app.InitInstance();
    ASSERT_EQ(1, app.mainRuns);
    EXPECT_TRUE(app.automated);
    EXPECT_TRUE(app.verify);
    EXPECT_TRUE(app.modifiedOnly);
    EXPECT_TRUE(app.tiff);
    EXPECT_FALSE(app.deleteRestorations);
    EXPECT_EQ(target, gTargetPath);
    EXPECT_TRUE(test::DirExists(target));
}

TEST(StartupTest, RelativeTargetIsMadeAbsolute)
{
    test::TempDir dir;
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path()));
    ScriptedApp app({L"rel\\backup", L"-d"});
    app.InitInstance();
    SetCurrentDirectoryW(old);
    EXPECT_EQ(1, app.mainRuns);
    EXPECT_TRUE(app.deleteRestorations);
    EXPECT_EQ(dir / L"rel\\backup", gTargetPath);
    EXPECT_TRUE(test::DirExists(dir / L"rel\\backup"));
}

TEST(StartupTest, TargetThatCannotBeCreatedRunsNothing)
{
    test::TempDir dir;
    test::WriteText(dir / L"file", "x");
    ScriptedApp app({dir / L"file\\below", L"-v"});
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(0, app.mainRuns);
    EXPECT_EQ(0, app.helpRuns);
    EXPECT_FALSE(gAutomatedMode);
    EXPECT_FALSE(gVerifyAfterBackup);
}

TEST(GetFullPathTest, AbsoluteRelativeAndTooLong)
{
    EXPECT_EQ(CString(L"C:\\Backup\\x"), GetFullPath(L"C:\\Backup\\.\\y\\..\\x"));
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    CString expected = cwd;
    if (expected.Right(1) != L"\\")
        expected += L"\\";
    EXPECT_EQ(expected + L"sub", GetFullPath(L"sub"));
    // Longer than MAX_PATH: the conversion fails and the path comes back unchanged.
    CString longPath = L"C:\\" + CString(L'a', 300);
    EXPECT_EQ(longPath, GetFullPath(longPath));
}

// The real program, with each kind of command line.

TEST(ProgramTest, HelpShowsTheHelpTextAndEndsOnOk)
{
    test::ChildProcess child;
    ASSERT_TRUE(child.Start(test::ProgramPath(L"OrvexBackup.exe"), L"-?"));
    HWND hDlg = child.WaitForWindow(L"HELP");
    ASSERT_NE(nullptr, hDlg);
    CString expected;
    expected.LoadString(IDS_COMMAND_LINE_HELP);
    EXPECT_EQ(expected, CWnd::GetText(GetDlgItem(hDlg, IDC_HELP_TEXT)));
    PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(0, child.Wait());
}

TEST(ProgramTest, NoArgumentsOpensTheMainDialog)
{
    test::ChildProcess child;
    ASSERT_TRUE(child.Start(test::ProgramPath(L"OrvexBackup.exe"), L""));
    HWND hDlg = child.WaitForWindow(L"ORVEX Backup Version 1.0");
    ASSERT_NE(nullptr, hDlg);
    PostMessageW(hDlg, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, child.Wait());
}

TEST(ProgramTest, UncreatableTargetEndsWithoutAWindow)
{
    test::TempDir dir;
    test::WriteText(dir / L"file", "x");
    test::ChildProcess child;
    ASSERT_TRUE(child.Start(test::ProgramPath(L"OrvexBackup.exe"), L"\"" + (dir / L"file\\sub") + L"\" -v"));
    EXPECT_NE(-1, child.Wait(30000)) << "the process did not end by itself";
    EXPECT_FALSE(test::DirExists(dir / L"file\\sub"));
}

TEST(ProgramTest, RelativeTargetIsCreatedBelowTheWorkingDirectory)
{
    test::TempDir dir;
    test::ChildProcess child;
    ASSERT_TRUE(child.Start(test::ProgramPath(L"OrvexBackup.exe"), L"relative\\target -?", dir.Path()));
    // A target with -? is an unattended run, not the help.
    HWND hDlg = child.WaitForWindow(L"ORVEX Backup Version 1.0");
    EXPECT_TRUE(test::DirExists(dir / L"relative\\target"));
    if (hDlg)
        PostMessageW(hDlg, WM_CLOSE, 0, 0);
    EXPECT_NE(-1, child.Wait());
}
