// CDirectory::ListEntries on real directories: one listing names files and
// subdirectories with the sizes and attributes the file system reports, in
// the order ListFiles gives them.

#include "installation/CDirectory.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(CDirectoryListEntries, NamesFilesAndDirectoriesWithSizesAndAttributesInTheOrderOfListFiles)
{
    test::TempDir dir;
    test::WriteText(dir / L"small.dat", "12345");
    test::WriteText(dir / L"big.sdt", std::string(70001, 'x'));
    test::WriteText(dir / L"hidden.cdt", "");
    ASSERT_TRUE(SetFileAttributesW(dir / L"hidden.cdt", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(CDirectory::Make(dir / L"Case\\Deeper"));

    std::vector<SDirEntry> entries(1, SDirEntry{L"kept", 0, 7});
    EXPECT_EQ(4, CDirectory::ListEntries(dir.Path(), entries));
    EXPECT_EQ(0, CDirectory::ListEntries(dir / L"missing", entries));
    EXPECT_EQ(0, CDirectory::ListEntries(dir / L"small.dat", entries));
    CStringArray files, dirs;
    CDirectory::ListFiles(dir.Path(), files, L"*.*", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    CDirectory::ListFiles(dir.Path(), dirs, L"*.*", FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_EQ(5u, entries.size());
    EXPECT_EQ(CString(L"kept"), entries[0].strName);
    INT_PTR nFile = 0, nDir = 0;
    for (size_t i = 1; i < entries.size(); ++i) {
        const SDirEntry& e = entries[i];
        EXPECT_EQ(e.IsDirectory() ? dirs[nDir++] : files[nFile++], e.strName);
        EXPECT_EQ(e.IsDirectory() ? 0 : CDirectory::GetFileSize(dir / e.strName), e.nSize) << e.strName;
        EXPECT_EQ(GetFileAttributesW(dir / e.strName), e.dwAttributes) << e.strName;
    }
    EXPECT_EQ(1, nDir);
}
