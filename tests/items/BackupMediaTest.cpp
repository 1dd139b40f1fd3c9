// The bookkeeping file of a backup medium and the checks of a target path, on
// real directories and the removable test drive.

#include "app/Backup.h"
#include "items/BackupMedia.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/items/TestItems.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string FileText(const CString& path)
{
    std::vector<unsigned char> bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

ULONGLONG VolumeFree(const wchar_t* pszPath)
{
    ULARGE_INTEGER free = {};
    if (!GetDiskFreeSpaceExW(pszPath, nullptr, nullptr, &free))
        return 0;
    return free.QuadPart;
}

// A drive letter this prefix does not have.
CString MissingDrive()
{
    DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Q'; letter >= L'F'; --letter) {
        if (!(drives & (1u << (letter - L'A'))))
            return CString(letter) + L":";
    }
    return CString();
}

// Runs a test in a working directory and returns to the old one.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const CString& dir)
    {
        GetCurrentDirectoryW(MAX_PATH, m_old);
        m_ok = SetCurrentDirectoryW(dir) != FALSE;
    }
    ~CurrentDirectory() { SetCurrentDirectoryW(m_old); }
    bool Ok() const { return m_ok; }

private:
    wchar_t m_old[MAX_PATH];
    bool m_ok;
};

} // namespace

TEST(BackupIni, WriteBackupStateWritesTheSectionInTheProfileLayout)
{
    test::TempDir dir;
    CString ini = dir / L"Backup.ini";

    CBackup::WriteBackupState(1, 1, ini);
    EXPECT_EQ("[Backup]\r\nBackupComplete=1\r\nDiskNumber=1\r\n", FileText(ini));

    // A second write replaces the values in place, keys in the same order.
    CBackup::WriteBackupState(0, 12, ini);
    EXPECT_EQ("[Backup]\r\nBackupComplete=0\r\nDiskNumber=12\r\n", FileText(ini));

    CBackup::WriteBackupState(-1, 2147483647, ini);
    EXPECT_EQ("[Backup]\r\nBackupComplete=-1\r\nDiskNumber=2147483647\r\n", FileText(ini));
}

TEST(BackupIni, WriteBackupStateKeepsOtherKeysOfTheFile)
{
    test::TempDir dir;
    CString ini = dir / L"Backup.ini";
    test::WriteText(ini, "[Backup]\r\nLastBackedFile=C:\\x.dat\r\nDiskNumber=4\r\n");

    CBackup::WriteBackupState(1, 5, ini);

    EXPECT_EQ("[Backup]\r\nLastBackedFile=C:\\x.dat\r\nDiskNumber=5\r\nBackupComplete=1\r\n", FileText(ini));
}

TEST(BackupIni, ReadsWhatWasWrittenAndZeroWithoutAFile)
{
    test::TempDir dir;
    EXPECT_EQ(0u, CBackupItem::ReadDiskNumber(dir.Path()));
    EXPECT_FALSE(CBackupItem::ReadBackupComplete(dir.Path()));
    EXPECT_EQ(0u, CBackupItem::ReadDiskNumber(dir / L"missing"));

    CBackup::WriteBackupState(0, 3, dir / L"Backup.ini");
    EXPECT_EQ(3u, CBackupItem::ReadDiskNumber(dir.Path()));
    EXPECT_FALSE(CBackupItem::ReadBackupComplete(dir.Path()));
    // A trailing backslash on the directory reaches the same file.
    CBackup::WriteBackupState(1, 3, dir / L"Backup.ini");
    EXPECT_TRUE(CBackupItem::ReadBackupComplete(dir.Path() + L"\\"));

    // Malformed values read as the profile functions parse them; other sections do not count.
    test::WriteText(dir / L"Backup.ini", "[Other]\r\nDiskNumber=9\r\n[Backup]\r\nDiskNumber=abc\r\nBackupComplete=2x\r\n");
    EXPECT_EQ(0u, CBackupItem::ReadDiskNumber(dir.Path()));
    EXPECT_TRUE(CBackupItem::ReadBackupComplete(dir.Path()));
}

class RemovableMedium : public ::testing::Test {
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_MEDIA();
        test::MediaDrive::Erase(1);
        test::MediaDrive::Insert(1);
    }
    void TearDown() override
    {
        test::MediaDrive::Erase(1);
    }
};

TEST_F(RemovableMedium, GetFreeDiskSpaceOfANewPathIsThatOfItsNearestExistingAncestor)
{
    ULONGLONG empty = VolumeFree(L"R:\\");
    ASSERT_GT(empty, 2u * 1024 * 1024);
    EXPECT_EQ(empty, GetFreeDiskSpace(L"R:\\Backup\\Not\\Yet\\There"));
    EXPECT_FALSE(test::DirExists(L"R:\\Backup"));

    ASSERT_TRUE(CreateDirectoryW(L"R:\\Backup", nullptr));
    test::WriteText(L"R:\\Backup\\filler.bin", std::string(1024 * 1024, 'f'));
    ULONGLONG after = GetFreeDiskSpace(L"R:\\Backup\\Not\\Yet\\There");
    EXPECT_EQ(VolumeFree(L"R:\\Backup"), after);
    EXPECT_LE(after, empty - 1024 * 1024);
    EXPECT_EQ(after, GetFreeDiskSpace(L"R:\\Backup"));
}

TEST_F(RemovableMedium, GetFreeDiskSpaceWithoutAnyBackslashAsksForTheEmptyPath)
{
    CurrentDirectory cwd(L"R:\\");
    ASSERT_TRUE(cwd.Ok());
    // Whatever the system answers for "" (the current drive), the function answers too.
    EXPECT_EQ(VolumeFree(L""), GetFreeDiskSpace(L"no-such-folder"));
}

TEST_F(RemovableMedium, CheckBackupPathAcceptsNewLevelsBelowAnExistingDriveWithoutWriting)
{
    EXPECT_NE(0, CheckBackupPath(L"R:\\New One\\New Two"));
    EXPECT_FALSE(test::DirExists(L"R:\\New One"));
}

TEST(CheckBackupPath, RefusesAMissingDriveAndAcceptsNewLevelsWithoutWriting)
{
    CString drive = MissingDrive();
    ASSERT_FALSE(drive.IsEmpty());
    EXPECT_EQ(0, CheckBackupPath(drive + L"\\Backup\\Today"));
    EXPECT_FALSE(test::DirExists(drive + L"\\Backup"));
    EXPECT_EQ(0u, GetFreeDiskSpace(drive + L"\\Backup\\x"));

    test::TempDir dir;
    EXPECT_NE(0, CheckBackupPath(dir / L"a\\b\\c"));
    EXPECT_FALSE(test::DirExists(dir / L"a"));
}

TEST(CheckBackupPath, ProbesAPathWithoutExistingAncestorAndRemovesTheProbe)
{
    test::TempDir dir;
    CurrentDirectory cwd(dir.Path());
    ASSERT_TRUE(cwd.Ok());
    EXPECT_EQ(1, CheckBackupPath(L"probe"));
    EXPECT_FALSE(test::DirExists(dir / L"probe"));
}

