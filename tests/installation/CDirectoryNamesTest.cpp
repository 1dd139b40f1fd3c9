// CDirectory's joining and the mapping between display names and names on disk.

#include "installation/CDirectory.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

TEST(CDirectoryConcat, JoinsWithExactlyOneBackslash)
{
    const wchar_t* cases[][3] = {
        {L"C:\\Data\\\\", L"\\\\Smith", L"C:\\Data\\Smith"}, {L"C:", L"Backup.ini", L"C:\\Backup.ini"},
        {L"\\\\", L"server", L"\\\\server"},                  {L"", L"\\name", L"\\name"},
        {L"C:\\Data", L"", L"C:\\Data\\"},                     {L"", L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString(c[2]), CDirectory::Concat(c[0], c[1])) << CString(c[0]) << " + " << CString(c[1]);
}

TEST(CDirectoryNameMapping, OnlyALeadingDrivePrefixStaysAndJoinedPathsMapAsTheirParts)
{
    EXPECT_EQ(CString(L"C:\\Backups\\Mon\xA789 10\xA789" L"00"),
              CDirectory::CreateFileNameForDisk(L"C:\\Backups\\Mon: 10:00"));
    EXPECT_EQ(CString(L"\\\\server\\share\\x\xFE56y"), CDirectory::CreateFileNameForDisk(L"\\\\server\\share\\x?y"));
    // Without the backslash "C:" is an ordinary name, so that a backup named
    // "C:" lands in the same directory alone and joined.
    EXPECT_EQ(CString(L"C\xA789"), CDirectory::CreateFileNameForDisk(L"C:"));
    EXPECT_EQ(CString(L"x\\C\xA789\\y"), CDirectory::CreateFileNameForDisk(L"x\\C:\\y"));
    for (const wchar_t* media : {L"C:\\Backups", L"E:", L"\\\\server\\share\\Nightly", L"relative\\dir"}) {
        for (const wchar_t* name : {L"Backup : Sunday 6 December 2026 14:05", L"C:", L"x?*|\"/y"})
            EXPECT_EQ(CDirectory::CreateFileNameForDisk(CDirectory::Concat(media, name)),
                      CDirectory::Concat(media, CDirectory::CreateFileNameForDisk(name)))
                << CString(media) << " + " << CString(name);
    }
}

TEST(CDirectoryNameMapping, EveryForbiddenCharacterSurvivesTheFileSystem)
{
    test::TempDir tmp;
    const CString display = L"a<b>c:d\"e/f|g?h*i\x01j\x1Fk";
    CString dir = CDirectory::CreateFileNameForDisk(CDirectory::Concat(tmp.Path(), display));
    ASSERT_TRUE(CDirectory::Make(dir));
    CStringArray names;
    ASSERT_EQ(1, CDirectory::ListFiles(tmp.Path(), names, L"*.*", FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(display, CDirectory::CreateFileNameForDisplay(names[0]));
}
