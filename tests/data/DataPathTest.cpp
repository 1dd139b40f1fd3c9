// The patient data location: the DataPath setting in the real registry with
// its malformed forms, and the resolution of relative paths against the
// directory of the executable.

#include "items/data/DataPath.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using test::SettingsKeyGuard;

namespace {

class DataPathTest : public test::DataItemsTest {};

TEST_F(DataPathTest, MissingKeyOrValueGivesTheDefault)
{
    SettingsKeyGuard::RemoveKey();
    EXPECT_EQ(CString(L"..\\Data\\"), GetDataPath()) << "without the key the default stays relative";
    SettingsKeyGuard::RemoveValue();
    EXPECT_EQ(test::BuildDir() + L"\\Data\\", GetDataPath());
}

TEST_F(DataPathTest, SettingIsReadAfreshAndMadeAbsolute)
{
    const CString exeDir = test::BuildDir() + L"\\tests";
    const struct {
        const wchar_t* setting;
        CString expected;
    } cases[] = {
        {L"D:\\Patients", L"D:\\Patients\\"},
        {L"D:\\Patients\\", L"D:\\Patients\\"},
        {L"\\\\server\\share\\Data\\", L"\\\\server\\share\\Data\\"},
        {L"\\Data", exeDir.Left(2) + L"\\Data\\"},
        {L"Data", exeDir + L"\\Data\\"},
        {L"..\\Patients", test::BuildDir() + L"\\Patients\\"},
        // Too short to count as absolute: a name below the executable's directory.
        {L"D:", exeDir + L"\\D:\\"},
    };
    for (const auto& c : cases) {
        SettingsKeyGuard::SetDataPath(c.setting);
        EXPECT_EQ(c.expected, GetDataPath()) << CString(c.setting);
    }
}

TEST_F(DataPathTest, OddValuesAreTakenLiterallyOrLeaveTheDefault)
{
    const CString exeDir = test::BuildDir() + L"\\tests";
    const CString fallback = test::BuildDir() + L"\\Data\\";
    const wchar_t path[] = L"D:\\Patients";
    const wchar_t expand[] = L"%TEMP%\\Data";
    const DWORD number = 42;
    // 259 characters and the terminator fill the buffer exactly.
    const CString fits = L"D:\\" + CString(L'x', 256);
    const CString tooLong = fits + L"y";
    const struct {
        const char* what;
        DWORD type;
        const void* data;
        DWORD bytes;
        CString expected;
    } cases[] = {
        {"empty", REG_SZ, L"", 0, exeDir + L"\\"},
        {"only the terminator", REG_SZ, L"", sizeof(wchar_t), exeDir + L"\\"},
        {"expandable taken literally", REG_EXPAND_SZ, expand, sizeof expand, exeDir + L"\\%TEMP%\\Data\\"},
        {"odd byte count", REG_SZ, path, sizeof path - 1, fallback},
        {"no terminator", REG_SZ, path, sizeof path - sizeof(wchar_t), fallback},
        {"number", REG_DWORD, &number, sizeof number, fallback},
        {"multi-string", REG_MULTI_SZ, L"D:\\Patients\0", sizeof(L"D:\\Patients\0"), fallback},
        {"binary", REG_BINARY, path, sizeof path, fallback},
        {"259 characters", REG_SZ, fits.GetString(), DWORD((fits.GetLength() + 1) * 2), fits + L"\\"},
        {"260 characters", REG_SZ, tooLong.GetString(), DWORD((tooLong.GetLength() + 1) * 2), fallback},
    };
    for (const auto& c : cases) {
        SettingsKeyGuard::SetValue(c.type, c.data, c.bytes);
        EXPECT_EQ(c.expected, GetDataPath()) << c.what;
    }
}

TEST(ResolveDataPathTest, ExamplesForExecutablesInVariousPlaces)
{
    const wchar_t* const bin = L"C:\\Prog\\Bin\\OrvexBackup.exe";
    const struct {
        const wchar_t* setting;
        const wchar_t* exe;
        const wchar_t* expected;
    } examples[] = {
        {L"..\\Data\\", bin, L"C:\\Prog\\Data\\"},
        // One level below the root may climb to the drive itself.
        {L"..\\Data\\", L"C:\\Prog\\OrvexBackup.exe", L"C:\\Data\\"},
        // In the root the drive is consumed too: rooted on the current drive.
        {L"..\\Data\\", L"C:\\OrvexBackup.exe", L"\\Data\\"},
        {L"\\Data", bin, L"C:\\Data\\"},
        {L".\\Data", bin, L"C:\\Prog\\Bin\\Data\\"},
        {L"..\\..\\Data", L"C:\\A\\B\\C\\OrvexBackup.exe", L"C:\\A\\Data\\"},
        // The second segment cannot climb above the first level.
        {L"..\\..\\Data", L"C:\\A\\B\\OrvexBackup.exe", L"C:\\A\\..\\Data\\"},
        {L"", bin, L"C:\\Prog\\Bin\\"},
        {L".\\..\\Data", bin, L"C:\\Prog\\Data\\"},
        {L"...\\Data", bin, L"C:\\Prog\\Bin\\...\\Data\\"},
        {L".", bin, L"C:\\Prog\\Bin\\.\\"},
        {L"..\\..\\Data", L"\\\\server\\share\\Prog\\Bin\\OrvexBackup.exe", L"\\\\server\\share\\Data\\"},
        {L"x:Data", bin, L"x:Data\\"},
        {L"1:\\Data", bin, L"C:\\Prog\\Bin\\1:\\Data\\"},
    };
    for (const auto& e : examples)
        EXPECT_EQ(CString(e.expected), ResolveDataPath(e.setting, e.exe))
            << "setting \"" << CString(e.setting) << "\", program " << CString(e.exe);
}

} // namespace
