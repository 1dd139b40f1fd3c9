// The command line as the application object hands it over: arguments split
// by the system, options with their '-' or '/' already taken off.

#include "installation/COrvexCommandLine.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace {

// Options are the arguments that began with '-' or '/'.
COrvexCommandLine Parse(std::initializer_list<std::pair<const wchar_t*, BOOL>> args)
{
    COrvexCommandLine line;
    size_t i = 0;
    for (const auto& a : args)
        line.ParseParam(a.first, a.second, ++i == args.size());
    return line;
}

} // namespace

TEST(COrvexCommandLine, OptionsIgnoreCaseCombinedLettersAreOneOptionAndParametersKeepTheirOrder)
{
    COrvexCommandLine line =
        Parse({{L"d", TRUE}, {L"E:\\with space", FALSE}, {L"dv", TRUE}, {L"V", TRUE}, {L"-third", FALSE}});
    ASSERT_EQ(2, line.GetParameterCount());
    EXPECT_EQ(CString(L"E:\\with space"), line.GetParameter(0));
    EXPECT_EQ(CString(L"-third"), line.GetParameter(1));
    EXPECT_TRUE(line.HasOption(L"D"));
    EXPECT_TRUE(line.HasOption(L"v"));
    EXPECT_TRUE(line.HasOption(L"DV"));
    EXPECT_FALSE(line.HasOption(L"i"));
    EXPECT_FALSE(line.HasOption(L"-third"));
    try {
        line.GetParameter(2);
        ADD_FAILURE() << "index past the parameters accepted";
    } catch (CInvalidArgException* e) {
        e->Delete();
    }
}
