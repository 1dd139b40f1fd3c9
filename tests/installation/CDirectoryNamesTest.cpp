// CDirectory's path and name handling: joining, splitting, extensions, and the
// mapping between display names and names on disk.

#include "installation/CDirectory.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const wchar_t kForbidden[] = L"<>:\"/|?*";
const wchar_t kDefaultBackupName[] = L"Backup : Sunday 6 December 2026 14:05";

bool IsForbiddenInName(wchar_t ch)
{
    return (ch >= 1 && ch <= 31) || wcschr(kForbidden, ch) != nullptr;
}

} // namespace

TEST(CDirectoryConcat, JoinsWithExactlyOneBackslash)
{
    const struct {
        const wchar_t* dir;
        const wchar_t* name;
        const wchar_t* joined;
    } cases[] = {
        {L"C:\\Data", L"Smith", L"C:\\Data\\Smith"},
        {L"C:\\Data\\", L"Smith", L"C:\\Data\\Smith"},
        {L"C:\\Data\\\\", L"\\\\Smith", L"C:\\Data\\Smith"},
        {L"C:\\Data", L"\\Smith", L"C:\\Data\\Smith"},
        {L"C:\\", L"Backup.ini", L"C:\\Backup.ini"},
        {L"C:", L"Backup.ini", L"C:\\Backup.ini"},
        {L"Data", L"x", L"Data\\x"},
        {L"D:\\Backup", L"Patient Data Index\\Smith\\a.dat", L"D:\\Backup\\Patient Data Index\\Smith\\a.dat"},
        {L"\\\\server\\share", L"dir\\file", L"\\\\server\\share\\dir\\file"},
        {L"", L"name", L"name"},
        {L"", L"\\name", L"\\name"},
        {L"C:\\Data", L"", L"C:\\Data\\"},
        {L"C:\\Data\\", L"", L"C:\\Data\\"},
        {L"", L"", L""},
        {L"\\", L"Data", L"\\Data"},
        {L"\\\\", L"server", L"\\\\server"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString(c.joined), CDirectory::Concat(c.dir, c.name)) << CString(c.dir) << " + " << CString(c.name);
}

TEST(CDirectoryGetFileExtension, LastDotOfTheLastComponent)
{
    EXPECT_EQ(CDirectory::GetFileExtension(L"a.dat"), CString(L".dat"));
    EXPECT_EQ(CDirectory::GetFileExtension(L"C:\\x\\Thumbnail.JPG"), CString(L".JPG"));
    EXPECT_EQ(CDirectory::GetFileExtension(L"scan.tar.tif"), CString(L".tif"));
    EXPECT_EQ(CDirectory::GetFileExtension(L"C:\\dir.v2\\README"), CString(L""));
    EXPECT_EQ(CDirectory::GetFileExtension(L"C:\\dir.v2\\file.cdt"), CString(L".cdt"));
    EXPECT_EQ(CDirectory::GetFileExtension(L"noext"), CString(L""));
    EXPECT_EQ(CDirectory::GetFileExtension(L"name."), CString(L"."));
    EXPECT_EQ(CDirectory::GetFileExtension(L".profile"), CString(L".profile"));
    EXPECT_EQ(CDirectory::GetFileExtension(L""), CString(L""));
}

TEST(CDirectorySplitPath, DirectoryPartWithoutTrailingBackslash)
{
    EXPECT_EQ(CDirectory::SplitPathFromFileNameWithPath(L"C:\\Data\\Smith\\Thumbnail\\Thumbnail.jpg"),
              CString(L"C:\\Data\\Smith\\Thumbnail"));
    EXPECT_EQ(CDirectory::SplitPathFromFileNameWithPath(L"Thumbnail\\Thumbnail.jpg"), CString(L"Thumbnail"));
    EXPECT_EQ(CDirectory::SplitPathFromFileNameWithPath(L"\\\\server\\share\\f"), CString(L"\\\\server\\share"));
    EXPECT_EQ(CDirectory::SplitPathFromFileNameWithPath(L"C:\\file.dat"), CString(L"C:\\"));
    EXPECT_EQ(CDirectory::SplitPathFromFileNameWithPath(L"file.dat"), CString(L""));
}

TEST(CDirectoryNameMapping, EveryForbiddenCharacterGetsItsOwnAllowedStandIn)
{
    std::set<wchar_t> standIns;
    CString all;
    for (const wchar_t* p = kForbidden; *p; ++p)
        all += *p;
    for (wchar_t ch = 1; ch <= 31; ++ch)
        all += ch;
    for (int i = 0; i < all.GetLength(); ++i) {
        CString one(all[i], 1);
        CString disk = CDirectory::CreateFileNameForDisk(one);
        ASSERT_EQ(disk.GetLength(), 1) << "character " << int(all[i]);
        EXPECT_FALSE(IsForbiddenInName(disk[0])) << "character " << int(all[i]);
        EXPECT_NE(disk[0], L'\\');
        EXPECT_GT(disk[0], 127) << "a stand-in must not be a character people type in names";
        standIns.insert(disk[0]);
        EXPECT_EQ(CDirectory::CreateFileNameForDisplay(disk), one) << "character " << int(all[i]);
    }
    EXPECT_EQ(standIns.size(), static_cast<size_t>(all.GetLength()));
    EXPECT_EQ(CDirectory::CreateFileNameForDisk(L":"), CString(L"\xA789"));
}

TEST(CDirectoryNameMapping, AllowedCharactersStayAsTheyAre)
{
    const CString plain = L"Backup 2026-12-06, M\x00FCller & Co. (v1) [a] {b} ~#%'+;=@^`!$\x4E2D\xD83D\xDE00";
    EXPECT_EQ(CDirectory::CreateFileNameForDisk(plain), plain);
    EXPECT_EQ(CDirectory::CreateFileNameForDisplay(plain), plain);
}

TEST(CDirectoryNameMapping, DrivePrefixAndBackslashesStay)
{
    EXPECT_EQ(CDirectory::CreateFileNameForDisk(L"C:\\Backups\\Mon: 10:00"),
              CString(L"C:\\Backups\\Mon\xA789 10\xA789" L"00"));
    EXPECT_EQ(CDirectory::CreateFileNameForDisk(L"d:\\a\\b"), CString(L"d:\\a\\b"));
    EXPECT_EQ(CDirectory::CreateFileNameForDisk(L"\\\\server\\share\\x?y"),
              CString(L"\\\\server\\share\\x\xFE56y"));
    // Without the backslash "C:" is an ordinary name, as it must be for a backup
    // named "C:" to land in the same directory alone and joined.
    EXPECT_EQ(CDirectory::CreateFileNameForDisk(L"C:"), CString(L"C\xA789"));
    EXPECT_EQ(CDirectory::CreateFileNameForDisk(L"C:x"), CString(L"C\xA789x"));
    // Only a leading prefix is a drive.
    EXPECT_EQ(CDirectory::CreateFileNameForDisk(L"x\\C:\\y"), CString(L"x\\C\xA789\\y"));
    EXPECT_EQ(CDirectory::CreateFileNameForDisk(L"1:\\y"), CString(L"1\xA789\\y"));
}

TEST(CDirectoryNameMapping, BothDirectionsAreInverse)
{
    for (const wchar_t* name : {kDefaultBackupName, L"C:\\Backups\\Backup : Sunday 6 December 2026 14:05",
                                L"<weekly> \"full\" a/b|c?d*e", L"tab\there\nnewline\x1F", L"", L"::::",
                                L"\\\\server\\share\\Backup : 1"})
        EXPECT_EQ(CString(name), CDirectory::CreateFileNameForDisplay(CDirectory::CreateFileNameForDisk(name)));
    for (const wchar_t* name : {L"C:\\Backups\\Backup \xA789 Sunday", L"Plain name",
                                L"\x02C2x\x02C3 \x02BA \x2215 \x2223 \xFE56 \x2217 \x2409"})
        EXPECT_EQ(CString(name), CDirectory::CreateFileNameForDisk(CDirectory::CreateFileNameForDisplay(name)));
}

TEST(CDirectoryNameMapping, BareNameAndJoinedPathNameTheSameDirectory)
{
    const wchar_t* mediaPaths[] = {L"C:\\Backups", L"E:\\", L"E:", L"\\\\server\\share\\Nightly", L"relative\\dir"};
    const wchar_t* names[] = {kDefaultBackupName, L"C:", L"Q:x", L"a<b>c", L"x?*|\"/y", L"plain"};
    for (const wchar_t* media : mediaPaths) {
        for (const wchar_t* name : names) {
            EXPECT_EQ(CDirectory::CreateFileNameForDisk(CDirectory::Concat(media, name)),
                      CDirectory::Concat(media, CDirectory::CreateFileNameForDisk(name)))
                << "media " << testing::PrintToString(CString(media)) << " name " << testing::PrintToString(CString(name));
        }
    }
}

TEST(CDirectoryNameMapping, EveryForbiddenCharacterSurvivesTheFileSystem)
{
    test::TempDir tmp;
    for (const CString& display : {CString(kDefaultBackupName), CString(L"a<b>c:d\"e/f|g?h*i\x01j\x1Fk")}) {
        CString dir = CDirectory::Concat(tmp.Path(), CDirectory::CreateFileNameForDisk(display));
        ASSERT_TRUE(CDirectory::Make(dir));
        EXPECT_TRUE(CDirectory::Exist(CDirectory::CreateFileNameForDisk(CDirectory::Concat(tmp.Path(), display))));
        test::WriteText(CDirectory::Concat(dir, L"Backup.ini"), "[Backup]\r\n");
        EXPECT_TRUE(CDirectory::FileExist(dir, L"Backup.ini"));

        CStringArray names;
        ASSERT_EQ(CDirectory::ListFiles(tmp.Path(), names, L"*.*", FILE_ATTRIBUTE_DIRECTORY), 1);
        EXPECT_EQ(CDirectory::CreateFileNameForDisplay(names[0]), display);
        CDirectory::Remove(dir);
        EXPECT_FALSE(CDirectory::Exist(dir));
    }
}
