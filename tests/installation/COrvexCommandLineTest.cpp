// The command line as the application object hands it over: arguments split
// by the system, options with their '-' or '/' already taken off.

#include "installation/COrvexCommandLine.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

struct SArg {
    const wchar_t* text;
    BOOL flag;
};

COrvexCommandLine Parse(std::initializer_list<SArg> args)
{
    COrvexCommandLine line;
    size_t i = 0;
    for (const SArg& a : args)
        line.ParseParam(a.text, a.flag, ++i == args.size());
    return line;
}

bool RaisesInvalidArg(const COrvexCommandLine& line, int index)
{
    try {
        line.GetParameter(index);
    } catch (CInvalidArgException* e) {
        e->Delete();
        return true;
    }
    return false;
}

} // namespace

TEST(COrvexCommandLine, UnattendedBackupWithOptions)
{
    COrvexCommandLine line = Parse({{L"d", TRUE}, {L"E:\\Backups\\Nightly", FALSE}, {L"V", TRUE}, {L"t", TRUE}});
    ASSERT_EQ(line.GetParameterCount(), 1);
    EXPECT_EQ(line.GetParameter(0), CString(L"E:\\Backups\\Nightly"));
    EXPECT_TRUE(line.HasOption(L"d"));
    EXPECT_TRUE(line.HasOption(L"D"));
    EXPECT_TRUE(line.HasOption(L"v"));
    EXPECT_TRUE(line.HasOption(L"t"));
    EXPECT_FALSE(line.HasOption(L"i"));
    EXPECT_FALSE(line.HasOption(L"?"));
}

TEST(COrvexCommandLine, HelpOptionAlone)
{
    COrvexCommandLine line = Parse({{L"?", TRUE}});
    EXPECT_EQ(line.GetParameterCount(), 0);
    EXPECT_TRUE(line.HasOption(L"?"));
    EXPECT_FALSE(line.HasOption(L"d"));
}

TEST(COrvexCommandLine, CombinedLettersAreOneUnknownOption)
{
    COrvexCommandLine line = Parse({{L"dv", TRUE}, {L"C:\\t", FALSE}});
    EXPECT_FALSE(line.HasOption(L"d"));
    EXPECT_FALSE(line.HasOption(L"v"));
    EXPECT_TRUE(line.HasOption(L"DV"));
}

TEST(COrvexCommandLine, PlainParametersKeepTheirOrder)
{
    COrvexCommandLine line =
        Parse({{L"first", FALSE}, {L"i", TRUE}, {L"C:\\with space\\second", FALSE}, {L"-third", FALSE}});
    ASSERT_EQ(line.GetParameterCount(), 3);
    EXPECT_EQ(line.GetParameter(0), CString(L"first"));
    EXPECT_EQ(line.GetParameter(1), CString(L"C:\\with space\\second"));
    EXPECT_EQ(line.GetParameter(2), CString(L"-third"));
    EXPECT_TRUE(line.HasOption(L"I"));
    EXPECT_FALSE(line.HasOption(L"first"));
}

TEST(COrvexCommandLine, ParameterIndexIsBoundsChecked)
{
    COrvexCommandLine line = Parse({{L"only", FALSE}});
    EXPECT_FALSE(RaisesInvalidArg(line, 0));
    EXPECT_TRUE(RaisesInvalidArg(line, 1));
    EXPECT_TRUE(RaisesInvalidArg(line, -1));
    EXPECT_TRUE(RaisesInvalidArg(COrvexCommandLine(), 0));
}
