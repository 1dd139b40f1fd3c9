// Start-up: the three ways to run, chosen from the command line, and the
// flags each sets.

#include "app/Backup.h"
#include "app/BackupApp.h"
#include "app/Globals.h"
#include "installation/COrvexCommandLine.h"
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

TEST(StartupTest, WithoutExactlyOneParameterTheMainDialogOpensWithAllFlagsClearedOrTheHelp)
{
    // Options count only beside a single target; "-?" is the help unless there is one.
    const struct {
        std::vector<const wchar_t*> args;
        int helpRuns;
    } cases[] = {{{}, 0}, {{L"C:\\a", L"C:\\b", L"-v", L"/d"}, 0}, {{L"-?"}, 1}, {{L"x", L"y", L"/?"}, 1}};
    for (const auto& c : cases) {
        SetAllFlags();
        ScriptedApp app(c.args);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(c.helpRuns, app.helpRuns);
        EXPECT_EQ(1 - c.helpRuns, app.mainRuns);
        EXPECT_FALSE(app.automated || app.modifiedOnly || app.deleteRestorations || app.tiff || app.verify);
        EXPECT_FALSE(gRememberChoice || gOverwriteChoice);
    }
}

TEST(StartupTest, OneRelativeTargetIsMadeAbsoluteAndSetsUnattendedModeAndItsOptions)
{
    test::TempDir dir;
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path()));
    ScriptedApp app({L"nested\\target", L"-V", L"/i", L"-t", L"-?"});
    app.InitInstance();
    SetCurrentDirectoryW(old);
    ASSERT_EQ(1, app.mainRuns);
    EXPECT_TRUE(app.automated && app.verify && app.modifiedOnly && app.tiff);
    EXPECT_FALSE(app.deleteRestorations);
    EXPECT_EQ(dir / L"nested\\target", gTargetPath);
    EXPECT_TRUE(test::DirExists(dir / L"nested\\target"));
    EXPECT_EQ(static_cast<int>(CBackup::OutcomeIncomplete), app.ExitInstance()) << "the main dialog ran no backup";
}

TEST(StartupTest, TargetThatCannotBeCreatedRunsNothing)
{
    test::TempDir dir;
    test::WriteText(dir / L"file", "x");
    const CString target = dir / L"file\\below";
    ScriptedApp app({target, L"-v"});
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(0, app.mainRuns);
    EXPECT_EQ(0, app.helpRuns);
    EXPECT_FALSE(gAutomatedMode);
    EXPECT_FALSE(gVerifyAfterBackup);
}
