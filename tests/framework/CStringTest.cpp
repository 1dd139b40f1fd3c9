#include "framework/CString.h"
#include "framework/Exceptions.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

TEST(CStringTest, SlicesClampOutOfRangeCountsAndIndexesAreChecked)
{
    CString s = L"C:\\Backup\\Name";
    EXPECT_EQ(9, s.Find(L'\\', 3));
    EXPECT_EQ(-1, s.Find(L'C', 99));
    EXPECT_EQ(CString(L"Back"), s.Mid(3, 4));
    EXPECT_EQ(s, s.Left(1000));
    EXPECT_EQ(CString(), s.Left(-3));
    EXPECT_EQ(CString(), s.Mid(1000));
    EXPECT_EQ(CString(L"Name"), s.Mid(10, 1000));
    try {
        s.GetAt(s.GetLength());
        ADD_FAILURE() << "no exception for the index past the end";
    } catch (CInvalidArgException* e) {
        e->Delete();
    }
}

TEST(CStringTest, CompareNoCaseFoldsBeyondAsciiAndReplaceDoesNotRescan)
{
    EXPECT_EQ(0, CString(L"stra\u00DFe.TIF").CompareNoCase(L"STRA\u00DFE.tif"));
    EXPECT_NE(0, CString(L"Patient Data Index").CompareNoCase(L"PATIENT data"));
    CString t = L"aaa";
    EXPECT_EQ(1, t.Replace(L"aa", L"b"));
    EXPECT_EQ(CString(L"ba"), t);
    EXPECT_EQ(0, t.Replace(L"", L"x"));
}
