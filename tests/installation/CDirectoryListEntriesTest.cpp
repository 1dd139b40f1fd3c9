// CDirectory::ListEntries on real directories: one listing names files and
// subdirectories with the sizes and attributes the file system reports, in
// the order ListFiles gives them.

#include "installation/CDirectory.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const SDirEntry* Find(const std::vector<SDirEntry>& entries, const wchar_t* name)
{
    for (const SDirEntry& entry : entries) {
        if (entry.strName == name)
            return &entry;
    }
    return nullptr;
}

} // namespace

TEST(CDirectoryListEntries, NamesFilesAndDirectoriesWithSizesAndAttributes)
{
    test::TempDir dir;
    test::WriteText(dir / L"small.dat", "12345");
    test::WriteText(dir / L"big.sdt", std::string(70001, 'x'));
    test::WriteText(dir / L"hidden.cdt", "");
    ASSERT_TRUE(SetFileAttributesW(dir / L"hidden.cdt", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(CDirectory::Make(dir / L"Case"));
    test::WriteText(dir / L"Case\\inner.dat", "not listed");

    std::vector<SDirEntry> entries(1, SDirEntry{L"kept", 0, 7});
    EXPECT_EQ(4, CDirectory::ListEntries(dir.Path(), entries));
    ASSERT_EQ(5u, entries.size());
    EXPECT_EQ(CString(L"kept"), entries[0].strName);

    const SDirEntry* small = Find(entries, L"small.dat");
    const SDirEntry* big = Find(entries, L"big.sdt");
    const SDirEntry* hidden = Find(entries, L"hidden.cdt");
    const SDirEntry* subdir = Find(entries, L"Case");
    ASSERT_TRUE(small && big && hidden && subdir);
    EXPECT_EQ(5, small->nSize);
    EXPECT_EQ(70001, big->nSize);
    EXPECT_EQ(0, hidden->nSize);
    EXPECT_FALSE(small->IsDirectory());
    EXPECT_TRUE(subdir->IsDirectory());
    EXPECT_NE(0u, hidden->dwAttributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(nullptr, Find(entries, L"inner.dat"));
    EXPECT_EQ(nullptr, Find(entries, L"."));
    EXPECT_EQ(nullptr, Find(entries, L".."));
}

TEST(CDirectoryListEntries, KeepsTheOrderOfListFiles)
{
    test::TempDir dir;
    for (const wchar_t* name : {L"b.dat", L"A.dat", L"c.tif", L"z.txt"})
        test::WriteText(dir / name, "x");
    for (const wchar_t* name : {L"Dir2", L"dir1"})
        ASSERT_TRUE(CDirectory::Make(dir / name));

    std::vector<SDirEntry> entries;
    CDirectory::ListEntries(dir.Path(), entries);
    CStringArray files;
    CStringArray dirs;
    CDirectory::ListFiles(dir.Path(), files, L"*.*", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    CDirectory::ListFiles(dir.Path(), dirs, L"*.*", FILE_ATTRIBUTE_DIRECTORY);
    INT_PTR nFile = 0;
    INT_PTR nDir = 0;
    for (const SDirEntry& entry : entries) {
        if (entry.IsDirectory())
            EXPECT_EQ(dirs[nDir++], entry.strName);
        else
            EXPECT_EQ(files[nFile++], entry.strName);
    }
    EXPECT_EQ(files.GetSize(), nFile);
    EXPECT_EQ(dirs.GetSize(), nDir);
}

TEST(CDirectoryListEntries, MissingDirectoryOrFileAppendsNothing)
{
    test::TempDir dir;
    test::WriteText(dir / L"file.dat", "x");
    std::vector<SDirEntry> entries;
    EXPECT_EQ(0, CDirectory::ListEntries(dir / L"missing", entries));
    EXPECT_EQ(0, CDirectory::ListEntries(dir / L"file.dat", entries));
    EXPECT_TRUE(entries.empty());
}
