// The patient data location: the DataPath setting in the real registry, its
// malformed forms, and the resolution of relative paths against the directory
// of the executable, example by example.

#include "items/data/DataPath.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using test::SettingsKeyGuard;

namespace {

class DataPathTest : public test::DataItemsTest {
protected:
    // The directory of this test program, without trailing backslash.
    static CString ExeDir() { return test::BuildDir() + L"\\tests"; }
    // What the default "..\Data\" resolves to for this test program.
    static CString DefaultResolved() { return test::BuildDir() + L"\\Data\\"; }
};

TEST_F(DataPathTest, WithoutSettingsKeyTheDefaultStaysRelative)
{
    SettingsKeyGuard::RemoveKey();
    EXPECT_EQ(CString(L"..\\Data\\"), GetDataPath());
}

TEST_F(DataPathTest, WithoutValueTheDefaultIsResolvedAgainstTheExecutable)
{
    SettingsKeyGuard::RemoveValue();
    EXPECT_EQ(DefaultResolved(), GetDataPath());
}

TEST_F(DataPathTest, AbsoluteValueGetsOnlyATrailingBackslash)
{
    SettingsKeyGuard::SetDataPath(L"D:\\Patients");
    EXPECT_EQ(CString(L"D:\\Patients\\"), GetDataPath());
    SettingsKeyGuard::SetDataPath(L"D:\\Patients\\");
    EXPECT_EQ(CString(L"D:\\Patients\\"), GetDataPath());
}

TEST_F(DataPathTest, UncValueIsReturnedUnchanged)
{
    SettingsKeyGuard::SetDataPath(L"\\\\server\\share\\Data\\");
    EXPECT_EQ(CString(L"\\\\server\\share\\Data\\"), GetDataPath());
}

TEST_F(DataPathTest, RootedValueGetsTheExecutablesDrive)
{
    SettingsKeyGuard::SetDataPath(L"\\Data");
    EXPECT_EQ(ExeDir().Left(2) + L"\\Data\\", GetDataPath());
}

TEST_F(DataPathTest, RelativeValuesAreResolvedAgainstTheExecutable)
{
    SettingsKeyGuard::SetDataPath(L".\\Data");
    EXPECT_EQ(ExeDir() + L"\\Data\\", GetDataPath());
    SettingsKeyGuard::SetDataPath(L"Data");
    EXPECT_EQ(ExeDir() + L"\\Data\\", GetDataPath());
    SettingsKeyGuard::SetDataPath(L"..\\Patients");
    EXPECT_EQ(test::BuildDir() + L"\\Patients\\", GetDataPath());
}

TEST_F(DataPathTest, SettingIsReadAfreshAtEveryCall)
{
    SettingsKeyGuard::SetDataPath(L"D:\\One");
    EXPECT_EQ(CString(L"D:\\One\\"), GetDataPath());
    SettingsKeyGuard::SetDataPath(L"D:\\Two");
    EXPECT_EQ(CString(L"D:\\Two\\"), GetDataPath());
}

TEST_F(DataPathTest, EmptyValueIsTheExecutablesDirectory)
{
    SettingsKeyGuard::SetValue(REG_SZ, L"", 0);
    EXPECT_EQ(ExeDir() + L"\\", GetDataPath());
    SettingsKeyGuard::SetValue(REG_SZ, L"", sizeof(wchar_t));
    EXPECT_EQ(ExeDir() + L"\\", GetDataPath());
}

TEST_F(DataPathTest, ExpandableValueIsTakenLiterally)
{
    const wchar_t value[] = L"%TEMP%\\Data";
    SettingsKeyGuard::SetValue(REG_EXPAND_SZ, value, sizeof value);
    EXPECT_EQ(ExeDir() + L"\\%TEMP%\\Data\\", GetDataPath());
    const wchar_t absolute[] = L"E:\\%USERNAME%";
    SettingsKeyGuard::SetValue(REG_EXPAND_SZ, absolute, sizeof absolute);
    EXPECT_EQ(CString(L"E:\\%USERNAME%\\"), GetDataPath());
}

TEST_F(DataPathTest, MalformedValuesLeaveTheDefault)
{
    const wchar_t path[] = L"D:\\Patients";
    // An odd byte count.
    SettingsKeyGuard::SetValue(REG_SZ, path, sizeof path - 1);
    EXPECT_EQ(DefaultResolved(), GetDataPath());
    // No terminating zero.
    SettingsKeyGuard::SetValue(REG_SZ, path, sizeof path - sizeof(wchar_t));
    EXPECT_EQ(DefaultResolved(), GetDataPath());
    // Not a string.
    const DWORD number = 42;
    SettingsKeyGuard::SetValue(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(DefaultResolved(), GetDataPath());
    SettingsKeyGuard::SetValue(REG_MULTI_SZ, L"D:\\Patients\0", sizeof(L"D:\\Patients\0"));
    EXPECT_EQ(DefaultResolved(), GetDataPath());
    SettingsKeyGuard::SetValue(REG_BINARY, path, sizeof path);
    EXPECT_EQ(DefaultResolved(), GetDataPath());
}

TEST_F(DataPathTest, ValueMustFitTwoHundredSixtyCharacters)
{
    // 259 characters and the terminator fill the buffer exactly.
    CString fits = L"D:\\" + CString(L'x', 256);
    ASSERT_EQ(259, fits.GetLength());
    SettingsKeyGuard::SetDataPath(fits);
    EXPECT_EQ(fits + L"\\", GetDataPath());

    CString tooLong = fits + L"y";
    SettingsKeyGuard::SetDataPath(tooLong);
    EXPECT_EQ(DefaultResolved(), GetDataPath());
}

TEST_F(DataPathTest, TwoCharacterValuesAreNeverAbsolute)
{
    // "D:" is too short to count as absolute and is taken as a name below the
    // executable's directory.
    SettingsKeyGuard::SetDataPath(L"D:");
    EXPECT_EQ(ExeDir() + L"\\D:\\", GetDataPath());
}

struct Example {
    const wchar_t* setting;
    const wchar_t* exe;
    const wchar_t* expected;
};

TEST(ResolveDataPathTest, ExamplesForExecutablesInVariousPlaces)
{
    const std::vector<Example> examples = {
        {L"..\\Data\\", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"C:\\Prog\\Data\\"},
        // One level below the root may climb to the drive itself.
        {L"..\\Data\\", L"C:\\Prog\\OrvexBackup.exe", L"C:\\Data\\"},
        // In the root the drive is consumed too: rooted on the current drive.
        {L"..\\Data\\", L"C:\\OrvexBackup.exe", L"\\Data\\"},
        {L"D:\\Patients", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"D:\\Patients\\"},
        {L"\\\\server\\share\\Data\\", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"\\\\server\\share\\Data\\"},
        {L"\\Data", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"C:\\Data\\"},
        {L".\\Data", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"C:\\Prog\\Bin\\Data\\"},
        {L"..\\..\\Data", L"C:\\A\\B\\C\\OrvexBackup.exe", L"C:\\A\\Data\\"},
        // The second segment cannot climb above the first level.
        {L"..\\..\\Data", L"C:\\A\\B\\OrvexBackup.exe", L"C:\\A\\..\\Data\\"},
        {L"Data", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"C:\\Prog\\Bin\\Data\\"},
        {L"", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"C:\\Prog\\Bin\\"},
        {L".\\..\\Data", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"C:\\Prog\\Data\\"},
        {L"...\\Data", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"C:\\Prog\\Bin\\...\\Data\\"},
        {L".", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"C:\\Prog\\Bin\\.\\"},
        {L"..\\..\\Data", L"\\\\server\\share\\Prog\\Bin\\OrvexBackup.exe", L"\\\\server\\share\\Data\\"},
        {L"x:Data", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"x:Data\\"},
        {L"1:\\Data", L"C:\\Prog\\Bin\\OrvexBackup.exe", L"C:\\Prog\\Bin\\1:\\Data\\"},
    };
    for (const Example& e : examples)
        EXPECT_EQ(CString(e.expected), ResolveDataPath(e.setting, e.exe)) << "setting \"" << CString(e.setting)
                                                                          << "\", program " << CString(e.exe);
}

} // namespace
