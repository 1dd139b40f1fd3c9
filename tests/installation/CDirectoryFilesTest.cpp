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
