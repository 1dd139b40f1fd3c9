// CDirectory against real files and directories in a scratch folder.

#include "installation/CDirectory.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Pattern(size_t size, unsigned seed)
{
    std::vector<unsigned char> bytes(size);
    for (auto& b : bytes)
        b = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 16);
    return bytes;
}

// The root of a drive letter the system does not know.
CString MissingDrive()
{
    int i = 25;
    while (i > 3 && (GetLogicalDrives() & (1u << i)))
        --i;
    return CString(static_cast<wchar_t>(L'A' + i)) + L":\\";
}

// Compare's result, with the out value preset to the opposite of what a
// correct answer gives, so a call that never writes it fails.
int CompareFiles(const CString& a, const CString& b, int preset)
{
    CDirectory::Compare(a, b, &preset);
    return preset;
}

// The cause of the CFileException the call raises; -1 when it raises none.
template <class F>
int FileExceptionCause(F call, CString* fileName = nullptr)
{
    try {
        call();
    } catch (CFileException* e) {
        int cause = e->m_cause;
        if (fileName)
            *fileName = e->m_strFileName;
        e->Delete();
        return cause;
    }
    return -1;
}

} // namespace

TEST(CDirectoryMake, CreatesEveryMissingParentAndReturnsZeroWhereItCannot)
{
    test::TempDir tmp;
    EXPECT_TRUE(CDirectory::Make(tmp / L"a\\b c\\d"));
    EXPECT_TRUE(test::DirExists(tmp / L"a\\b c\\d"));
    test::WriteText(tmp / L"blocker", "file");
    for (const CString& path :
         {tmp / L"blocker", tmp / L"blocker\\sub", MissingDrive() + L"Backups", tmp / L"bad*name\\sub", CString()})
        EXPECT_FALSE(CDirectory::Make(path)) << path;
}

TEST(CDirectoryRemove, DeletesATreeWithReadOnlyHiddenAndSystemEntries)
{
    test::TempDir tmp;
    CString root = tmp / L"tree";
    ASSERT_TRUE(CDirectory::Make(root + L"\\sub\\deeper") && CDirectory::Make(root + L"\\ro dir"));
    const wchar_t* names[] = {L"\\readonly.dat", L"\\sub\\hidden.jpg", L"\\sub\\deeper\\system.cdt",
                              L"\\ro dir\\in.dat"};
    for (const wchar_t* name : names)
        test::WriteText(root + name, "x");
    const DWORD attributes[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN,
                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(SetFileAttributesW(root + names[i], attributes[i]));
    ASSERT_TRUE(SetFileAttributesW(root + L"\\ro dir", FILE_ATTRIBUTE_READONLY));
    // A read-only file refuses plain deletion, so Remove really has to clear it.
    ASSERT_FALSE(DeleteFileW(root + L"\\readonly.dat"));
    CDirectory::Remove(root + L"\\");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(root));
}

TEST(CDirectoryRemove, RefusesRootsAndNamesWhatItCouldNotRemove)
{
    // Roots and the empty path are refused before any access.
    for (const CString& path : {MissingDrive(), MissingDrive().Left(2), CString(), CString(L"\\\\server\\share\\")})
        EXPECT_EQ(CFileException::badPath, FileExceptionCause([&] { CDirectory::Remove(path); })) << path;
    test::TempDir tmp;
    CString name;
    EXPECT_EQ(CFileException::fileNotFound, FileExceptionCause([&] { CDirectory::Remove(tmp / L"missing"); }, &name));
    EXPECT_EQ(tmp / L"missing", name);
    ASSERT_TRUE(CreateDirectoryW(tmp / L"busy", nullptr));
    CString locked = tmp / L"busy\\locked.dat";
    test::WriteText(locked, "in use");
    HANDLE h = CreateFileW(locked, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    int cause = FileExceptionCause([&] { CDirectory::Remove(tmp / L"busy"); }, &name);
    CloseHandle(h);
    EXPECT_EQ(CFileException::sharingViolation, cause);
    EXPECT_EQ(locked, name);
}

// ListEntries is ListFiles with both masks in one pass, with the size and
// attributes the listing reports. Both append to what the list holds.
TEST(CDirectoryListFiles, MaskSeparatesDirectoriesAndListEntriesGivesBothInTheSameOrder)
{
    test::TempDir dir;
    test::WriteText(dir / L"small.dat", "12345");
    test::WriteText(dir / L"big.sdt", std::string(70001, 'x'));
    test::WriteText(dir / L"hidden.tif", "");
    ASSERT_TRUE(SetFileAttributesW(dir / L"hidden.tif", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(CDirectory::Make(dir / L"Case\\Deeper"));
    CStringArray names;
    names.Add(L"kept");
    EXPECT_EQ(1, CDirectory::ListFiles(dir.Path(), names, L"*.*", FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(1, CDirectory::ListFiles(dir.Path(), names, L"*.tif", 0xFFFFFFEF));
    EXPECT_EQ(0, CDirectory::ListFiles(dir / L"Case\\Deeper", names, L"*.*", 0xFFFFFFFF));
    EXPECT_EQ(0, CDirectory::ListFiles(dir / L"missing", names, L"*.*", 0xFFFFFFFF));
    ASSERT_EQ(3, names.GetSize());
    EXPECT_EQ(CString(L"Case"), names[1]);
    EXPECT_EQ(CString(L"hidden.tif"), names[2]);

    std::vector<SDirEntry> entries(1, SDirEntry{L"kept", 0, 7});
    EXPECT_EQ(4, CDirectory::ListEntries(dir.Path(), entries));
    EXPECT_EQ(0, CDirectory::ListEntries(dir / L"missing", entries));
    EXPECT_EQ(0, CDirectory::ListEntries(dir / L"small.dat", entries));
    CStringArray files;
    CDirectory::ListFiles(dir.Path(), files, L"*.*", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_EQ(5u, entries.size());
    EXPECT_EQ(CString(L"kept"), entries[0].strName);
    INT_PTR nFile = 0;
    for (size_t i = 1; i < entries.size(); ++i) {
        const SDirEntry& e = entries[i];
        EXPECT_EQ(e.IsDirectory() ? CString(L"Case") : files[nFile++], e.strName);
        EXPECT_EQ(e.IsDirectory() ? 0 : CDirectory::GetFileSize(dir / e.strName), e.nSize) << e.strName;
        EXPECT_EQ(GetFileAttributesW(dir / e.strName), e.dwAttributes) << e.strName;
    }
    EXPECT_EQ(3, nFile);
}

TEST(CDirectoryGetFileSize, ReportsExactSizesBeyondFourGigabytes)
{
    test::TempDir tmp;
    // A sparse file: the size needs the high 32 bits.
    HANDLE h = CreateFileW(tmp / L"big", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 5LL * 1024 * 1024 * 1024 + 7;
    BOOL sized = SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    ASSERT_TRUE(sized);
    EXPECT_EQ(end.QuadPart, CDirectory::GetFileSize(tmp / L"big"));
}

TEST(CDirectoryCompare, FindsEveryDifferenceOverSeveralBlocksAndNamesAnUnreadableFile)
{
    // Several 1 MiB blocks and a short tail that is not a multiple of a sector.
    const size_t size = 3 * 1024 * 1024 + 1000;
    test::TempDir tmp;
    auto bytes = Pattern(size, 11);
    test::WriteBytes(tmp / L"live", bytes);
    test::WriteBytes(tmp / L"copy", bytes);
    EXPECT_NE(0, CompareFiles(tmp / L"live", tmp / L"copy", 0));
    for (size_t at : {size_t(0), size_t(1024 * 1024 - 1), size_t(1024 * 1024), size - 1}) {
        auto changed = bytes;
        changed[at] = static_cast<unsigned char>(changed[at] + 1);
        test::WriteBytes(tmp / L"copy", changed);
        EXPECT_EQ(0, CompareFiles(tmp / L"live", tmp / L"copy", 1)) << "difference at " << at;
    }
    bytes.pop_back();
    test::WriteBytes(tmp / L"copy", bytes);
    EXPECT_EQ(0, CompareFiles(tmp / L"copy", tmp / L"live", 1));
    test::WriteBytes(tmp / L"copy", {});
    EXPECT_EQ(0, CompareFiles(tmp / L"copy", tmp / L"live", 1));
    // A file that cannot be read is named in the exception.
    CString name;
    EXPECT_EQ(CFileException::fileNotFound,
              FileExceptionCause([&] { CompareFiles(tmp / L"live", tmp / L"missing", 1); }, &name));
    EXPECT_EQ(tmp / L"missing", name);
    HANDLE h = CreateFileW(tmp / L"copy", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    int cause = FileExceptionCause([&] { CompareFiles(tmp / L"live", tmp / L"copy", 1); }, &name);
    CloseHandle(h);
    EXPECT_EQ(CFileException::sharingViolation, cause);
    EXPECT_EQ(tmp / L"copy", name);
}
