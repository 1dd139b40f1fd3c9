// The bookkeeping file of a backup medium and the checks of a target path, on
// real directories and the removable test drive.

#include "app/Backup.h"
#include "items/BackupMedia.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/items/TestItems.h"

#include <gtest/gtest.h>

TEST(BackupIni, WritingKeepsOtherKeysAndReadingFollowsTheProfileParser)
{
    test::TempDir dir;
    EXPECT_EQ(0u, CBackupItem::ReadDiskNumber(dir.Path()));
    test::WriteText(dir / L"Backup.ini", "[Backup]\r\nLastBackedFile=C:\\x.dat\r\nDiskNumber=4\r\n");
    CBackup::WriteBackupState(1, 5, dir / L"Backup.ini");
    std::vector<unsigned char> bytes = test::ReadBytes(dir / L"Backup.ini");
    EXPECT_EQ("[Backup]\r\nLastBackedFile=C:\\x.dat\r\nDiskNumber=5\r\nBackupComplete=1\r\n",
              std::string(bytes.begin(), bytes.end()));
    // A trailing backslash on the directory reaches the same file.
    EXPECT_TRUE(CBackupItem::ReadBackupComplete(dir.Path() + L"\\"));
    EXPECT_EQ(5u, CBackupItem::ReadDiskNumber(dir.Path()));
    // Other sections do not count; malformed values read as the profile functions parse them.
    test::WriteText(dir / L"Backup.ini", "[Other]\r\nDiskNumber=9\r\n[Backup]\r\nDiskNumber=abc\r\nBackupComplete=2x\r\n");
    EXPECT_EQ(0u, CBackupItem::ReadDiskNumber(dir.Path()));
    EXPECT_TRUE(CBackupItem::ReadBackupComplete(dir.Path()));
}

TEST(BackupMedia, FreeSpaceAndPathChecksUseTheNearestExistingAncestorWithoutWriting)
{
    SKIP_WITHOUT_MEDIA();
    test::MediaDrive::Erase(1);
    test::MediaDrive::Insert(1);
    ULARGE_INTEGER free = {};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"R:\\", nullptr, nullptr, &free));
    EXPECT_EQ(free.QuadPart, GetFreeDiskSpace(L"R:\\Backup\\Not\\Yet\\There"));
    EXPECT_NE(0, CheckBackupPath(L"R:\\Backup\\Today"));
    EXPECT_FALSE(test::DirExists(L"R:\\Backup"));
    test::WriteText(L"R:\\filler.bin", std::string(1024 * 1024, 'f'));
    EXPECT_LE(GetFreeDiskSpace(L"R:\\Backup\\x"), free.QuadPart - 1024 * 1024);
    test::MediaDrive::Erase(1);

    // A drive letter this prefix does not have.
    wchar_t letter = L'Q';
    while (letter > L'F' && (GetLogicalDrives() & (1u << (letter - L'A'))))
        --letter;
    const CString drive = CString(letter) + L":\\Backup\\Today";
    EXPECT_EQ(0, CheckBackupPath(drive));
    EXPECT_EQ(0u, GetFreeDiskSpace(drive));
}

TEST(BackupMedia, CheckBackupPathProbesAPathWithoutAnyExistingAncestorAndRemovesTheProbe)
{
    test::TempDir dir;
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path()));
    EXPECT_EQ(1, CheckBackupPath(L"probe"));
    EXPECT_FALSE(test::DirExists(dir / L"probe"));
    SetCurrentDirectoryW(old);
}
