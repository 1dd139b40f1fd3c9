// The patient data location: the DataPath setting in the real registry with
// its malformed forms; relative paths are resolved against the executable.

#include "items/data/DataPath.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"

#include <gtest/gtest.h>

using test::SetDataPath;

namespace {

class DataPathTest : public test::DataItemsTest {};

TEST_F(DataPathTest, SettingIsReadAfreshAndMalformedValuesLeaveTheDefault)
{
    EXPECT_EQ(CString(L"..\\Data\\"), GetDataPath()) << "without the key the default stays relative";
    const CString fallback = test::BuildDir() + L"\\Data\\";

    const CString exeDir = test::BuildDir() + L"\\tests";
    const wchar_t path[] = L"D:\\Patients";
    const DWORD number = 42;
    const struct {
        DWORD type;
        const void* data;
        DWORD bytes;
        CString expected;
    } cases[] = {
        {REG_SZ, path, sizeof path, L"D:\\Patients\\"},
        {REG_SZ, L"\\\\srv\\Data", sizeof L"\\\\srv\\Data", L"\\\\srv\\Data\\"},
        {REG_SZ, L"..\\Patients", sizeof L"..\\Patients", test::BuildDir() + L"\\Patients\\"},
        // Too short to count as absolute: a name below the executable's directory.
        {REG_SZ, L"D:", sizeof L"D:", exeDir + L"\\D:\\"},
        {REG_SZ, L"", 0, exeDir + L"\\"},
        {REG_EXPAND_SZ, L"%TEMP%", sizeof L"%TEMP%", exeDir + L"\\%TEMP%\\"},
        {REG_SZ, path, sizeof path - sizeof(wchar_t), fallback},
        {REG_DWORD, &number, sizeof number, fallback},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ResolveDataPathValue(c.type, c.data, c.bytes)) << "type " << c.type << ", " << c.bytes;
    // Read from the registry afresh: 259 characters and the terminator fill its buffer exactly.
    const CString fits = L"D:\\" + CString(L'x', 256);
    SetDataPath(fits);
    EXPECT_EQ(fits + L"\\", GetDataPath());
    SetDataPath(fits + L"y");
    EXPECT_EQ(fallback, GetDataPath());
}

} // namespace
