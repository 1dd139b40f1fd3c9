#include "framework/CString.h"
#include "framework/Exceptions.h"
#include "res/resource.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

TEST(CStringTest, SearchAndSlice)
{
    CString s = L"C:\\Backup\\Name";
    EXPECT_EQ(2, s.Find(L'\\'));
    EXPECT_EQ(9, s.Find(L'\\', 3));
    EXPECT_EQ(-1, s.Find(L'x'));
    EXPECT_EQ(-1, s.Find(L'C', 99));
    EXPECT_EQ(3, s.Find(L"Backup"));
    EXPECT_EQ(9, s.ReverseFind(L'\\'));
    EXPECT_EQ(-1, CString(L"abc").ReverseFind(L'\\'));
    EXPECT_EQ(CString(L"C:"), s.Left(2));
    EXPECT_EQ(CString(L"Name"), s.Mid(10));
    EXPECT_EQ(CString(L"Back"), s.Mid(3, 4));
    EXPECT_EQ(CString(L"ame"), s.Right(3));
    // Counts out of range are clamped, never read past the end.
    EXPECT_EQ(s, s.Left(1000));
    EXPECT_EQ(CString(), s.Left(-3));
    EXPECT_EQ(CString(), s.Mid(1000));
    EXPECT_EQ(s, s.Right(1000));
    EXPECT_EQ(CString(L"Name"), s.Mid(10, 1000));
}

TEST(CStringTest, CompareAndCase)
{
    CString s = L"Patient Data Index";
    EXPECT_EQ(0, s.Compare(L"Patient Data Index"));
    EXPECT_LT(s.Compare(L"Patient Data Indey"), 0);
    EXPECT_GT(s.Compare(L"Patient"), 0);
    EXPECT_EQ(0, s.CompareNoCase(L"PATIENT data index"));
    EXPECT_NE(0, s.CompareNoCase(L"PATIENT data"));
    EXPECT_EQ(0, CString(L"stra\u00DFe.TIF").CompareNoCase(L"STRA\u00DFE.tif"));
    CString u = L"abc.tif";
    u.MakeUpper();
    EXPECT_EQ(CString(L"ABC.TIF"), u);
    u.MakeLower();
    EXPECT_EQ(CString(L"abc.tif"), u);
}

TEST(CStringTest, ReplaceRemoveInsert)
{
    CString s = L"Backup : Monday, 7 December, 2026";
    EXPECT_EQ(2, s.Remove(L','));
    EXPECT_EQ(CString(L"Backup : Monday 7 December 2026"), s);
    EXPECT_EQ(5, s.Replace(L' ', L'_'));
    EXPECT_EQ(1, s.Replace(L"Backup", L"B"));
    EXPECT_EQ(CString(L"B_:_Monday_7_December_2026"), s);
    CString t = L"aaa";
    EXPECT_EQ(1, t.Replace(L"aa", L"b"));
    EXPECT_EQ(CString(L"ba"), t);
    EXPECT_EQ(0, t.Replace(L"", L"x"));
    t.Insert(1, L"XY");
    EXPECT_EQ(CString(L"bXYa"), t);
    t.Delete(0, 2);
    EXPECT_EQ(CString(L"Ya"), t);
}

TEST(CStringTest, BoundsCheckedAccess)
{
    CString s = L"ab";
    EXPECT_EQ(L'b', s[1]);
    try {
        s.GetAt(2);
        FAIL() << "no exception for index 2";
    } catch (CInvalidArgException* e) {
        e->Delete();
    }
    try {
        s.SetAt(-1, L'x');
        FAIL() << "no exception for index -1";
    } catch (CInvalidArgException* e) {
        e->Delete();
    }
}

TEST(CStringTest, FormatTakesWideStrings)
{
    CString s;
    s.Format(L"%s has %d files of %lld bytes", L"Patient", 3, 5000000000LL);
    EXPECT_EQ(CString(L"Patient has 3 files of 5000000000 bytes"), s);
    s.Format(L"%c%05.1f", L'x', 2.5);
    EXPECT_EQ(CString(L"x002.5"), s);
    CString longText(L'a', 3000);
    s.Format(L"<%s>", longText.GetString());
    EXPECT_EQ(3002, s.GetLength());
}

TEST(CStringTest, FormatMessageInserts)
{
    CString s;
    s.FormatMessage(L"Please insert disk %1!d! !", 3);
    EXPECT_EQ(CString(L"Please insert disk 3 !"), s);
    s.FormatMessage(L"The file %1 already exists in %2.", L"C:\\a\\b.dat", L"D:\\x");
    EXPECT_EQ(CString(L"The file C:\\a\\b.dat already exists in D:\\x."), s);
    s.FormatMessage(L"%2-%1", L"one", L"two");
    EXPECT_EQ(CString(L"two-one"), s);
}

TEST(CStringTest, StringTable)
{
    CString s;
    ASSERT_TRUE(s.LoadString(IDS_INSERT_DISK));
    EXPECT_EQ(CString(L"Please insert disk %1!d! !"), s);
    CString msg;
    msg.FormatMessage(IDS_INSERT_DISK, 2);
    EXPECT_EQ(CString(L"Please insert disk 2 !"), msg);
    ASSERT_TRUE(s.LoadString(IDS_COMMAND_LINE_HELP));
    EXPECT_EQ(0, s.Find(L"Hilfe zum Starten des Programmes per Kommandozeile:\nUm das"));
    EXPECT_NE(-1, s.Find(L"\u00FCbergeben werden.\nM\u00F6glich ist au\u00DFerdem"));
    EXPECT_NE(-1, s.Find(L"-i: Nur die seit der letzten Sicherung ver\u00E4nderten Patientendaten werden gesichert."));
    ASSERT_TRUE(s.LoadString(IDS_DEFAULT_MEDIA_PATH));
    EXPECT_EQ(CString(L"C:\\Backup"), s);
    EXPECT_FALSE(s.LoadString(9999));
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringTest, GetBufferReleaseBuffer)
{
    CString s;
    wchar_t* p = s.GetBuffer(MAX_PATH);
    wcscpy(p, L"C:\\x");
    s.ReleaseBuffer();
    EXPECT_EQ(4, s.GetLength());
    EXPECT_EQ(CString(L"C:\\x"), s);
}
