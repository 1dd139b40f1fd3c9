#include "framework/CFile.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

template <class F>
int FileCause(F&& f, LONG* pOsError = nullptr)
{
    try {
        f();
    } catch (CFileException* e) {
        int cause = e->m_cause;
        if (pOsError)
            *pOsError = e->m_lOsError;
        e->Delete();
        return cause;
    }
    return -1;
}

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string ReadString(CFile& file, UINT n)
{
    std::string s(n, '\0');
    s.resize(file.Read(&s[0], n));
    return s;
}

} // namespace

TEST(CFileTest, WriteThenReadAndSeek)
{
    test::TempDir dir;
    CString path = dir / L"data.bin";
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        file.Write("hello world", 11);
        EXPECT_EQ(11u, file.GetLength());
        EXPECT_EQ(11u, file.GetPosition());
        file.Close();
    }
    std::vector<unsigned char> expected = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
    EXPECT_EQ(expected, test::ReadBytes(path));

    CFile file(path, CFile::modeRead);
    EXPECT_EQ("hello", ReadString(file, 5));
    EXPECT_EQ(6u, file.Seek(-5, CFile::end));
    EXPECT_EQ("world", ReadString(file, 100));
    EXPECT_EQ(0u, file.Read(nullptr, 0));
    char c;
    EXPECT_EQ(0u, file.Read(&c, 1)) << "reading at the end gives 0";
    EXPECT_EQ(4u, file.Seek(-7, CFile::current));
    EXPECT_EQ("o w", ReadString(file, 3));
    file.SeekToBegin();
    EXPECT_EQ(0u, file.GetPosition());
    EXPECT_EQ(11u, file.SeekToEnd());
}

TEST(CFileTest, CreateTruncatesUnlessNoTruncate)
{
    test::TempDir dir;
    CString path = dir / L"old.bin";
    test::WriteText(path, "previous contents");
    {
        CFile file(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
        EXPECT_EQ(17u, file.GetLength());
        EXPECT_EQ("previous", ReadString(file, 8));
    }
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        EXPECT_EQ(0u, file.GetLength());
        file.Write("new", 3);
    }
    EXPECT_EQ((std::vector<unsigned char>{'n', 'e', 'w'}), test::ReadBytes(path));

    CString created = dir / L"created.bin";
    {
        CFile file(created, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
        EXPECT_EQ(0u, file.GetLength());
    }
    EXPECT_TRUE(test::FileExists(created));
}

TEST(CFileTest, MissingFileAndBadPathGiveTheirCauses)
{
    test::TempDir dir;
    CString missing = dir / L"missing.bin";
    LONG osError = 0;
    EXPECT_EQ(CFileException::fileNotFound, FileCause([&] { CFile file(missing, CFile::modeRead); }, &osError));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, osError);
    EXPECT_FALSE(test::FileExists(missing)) << "opening for reading never creates";

    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(missing, CFile::modeRead, &error));
    EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, error.m_lOsError);
    EXPECT_EQ(missing, error.m_strFileName);
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.GetHandle());

    CString noDir = dir / L"no such dir\\file.bin";
    EXPECT_EQ(CFileException::badPath, FileCause([&] { CFile f(noDir, CFile::modeCreate | CFile::modeWrite); }));
}

TEST(CFileTest, ReadOnlyFileOpenedForWritingIsAccessDenied)
{
    test::TempDir dir;
    CString path = dir / L"readonly.bin";
    test::WriteText(path, "keep");
    ASSERT_TRUE(SetFileAttributesW(path, FILE_ATTRIBUTE_READONLY));
    if (RunningOnWine()) {
        // Wine keeps the read-only attribute as the host file's missing write
        // permission, which the host's superuser does not meet.
        HANDLE probe = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            GTEST_SKIP() << "this Wine host lets the process write read-only files";
        }
    }
    LONG osError = 0;
    EXPECT_EQ(CFileException::accessDenied,
              FileCause([&] { CFile file(path, CFile::modeCreate | CFile::modeWrite); }, &osError));
    EXPECT_EQ(ERROR_ACCESS_DENIED, osError);
    EXPECT_EQ(CFileException::accessDenied, FileCause([&] { CFile file(path, CFile::modeReadWrite); }));
    EXPECT_EQ((std::vector<unsigned char>{'k', 'e', 'e', 'p'}), test::ReadBytes(path));
    CFile reader(path, CFile::modeRead);
    EXPECT_EQ(4u, reader.GetLength());
}

TEST(CFileTest, DirectoryOpenedAsAFileIsAccessDenied)
{
    test::TempDir dir;
    LONG osError = 0;
    EXPECT_EQ(CFileException::accessDenied, FileCause([&] { CFile file(dir.Path(), CFile::modeWrite); }, &osError));
    EXPECT_EQ(ERROR_ACCESS_DENIED, osError);
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(dir.Path(), CFile::modeCreate | CFile::modeWrite, &error));
    EXPECT_EQ(CFileException::accessDenied, error.m_cause);
}

TEST(CFileTest, FileHeldWithoutSharingIsASharingViolation)
{
    test::TempDir dir;
    CString path = dir / L"held.bin";
    test::WriteText(path, "x");
    {
        // The compatibility mode (0) opens exclusively.
        CFile holder(path, CFile::modeRead);
        LONG osError = 0;
        EXPECT_EQ(CFileException::sharingViolation,
                  FileCause([&] { CFile file(path, CFile::modeRead | CFile::shareDenyNone); }, &osError));
        EXPECT_EQ(ERROR_SHARING_VIOLATION, osError);
    }
    {
        CFile holder(path, CFile::modeRead | CFile::shareDenyWrite);
        CFile reader(path, CFile::modeRead | CFile::shareDenyNone);
        EXPECT_EQ(1u, reader.GetLength());
        EXPECT_EQ(CFileException::sharingViolation,
                  FileCause([&] { CFile file(path, CFile::modeWrite | CFile::shareDenyNone); }));
    }
    // Both holders are gone, so the destructors closed their handles.
    CFile exclusive(path, CFile::modeReadWrite | CFile::shareExclusive);
    EXPECT_EQ(1u, exclusive.GetLength());
}

TEST(CFileTest, FullDeviceIsDiskFull)
{
    // Wine shows the host's /dev/full on drive Z:, a real medium that is always full.
    CFile file;
    if (!file.Open(L"Z:\\dev\\full", CFile::modeWrite | CFile::shareDenyNone))
        GTEST_SKIP() << "no always-full device on this system";
    char block[512] = {};
    LONG osError = 0;
    EXPECT_EQ(CFileException::diskFull, FileCause([&] { file.Write(block, sizeof block); }, &osError));
    EXPECT_TRUE(osError == ERROR_DISK_FULL || osError == ERROR_HANDLE_DISK_FULL) << osError;
}

TEST(CFileTest, SetLengthKeepsOrClampsThePosition)
{
    test::TempDir dir;
    CString path = dir / L"len.bin";
    CFile file(path, CFile::modeCreate | CFile::modeReadWrite);
    file.Write("0123456789", 10);
    file.Seek(4, CFile::begin);
    file.SetLength(20);
    EXPECT_EQ(20u, file.GetLength());
    EXPECT_EQ(4u, file.GetPosition());
    file.SetLength(2);
    EXPECT_EQ(2u, file.GetLength());
    EXPECT_EQ(2u, file.GetPosition());
    file.Flush();
    file.Close();
    EXPECT_EQ((std::vector<unsigned char>{'0', '1'}), test::ReadBytes(path));
}

TEST(CFileTest, NegativeSeekIsBadSeek)
{
    test::TempDir dir;
    CFile file(dir / L"seek.bin", CFile::modeCreate | CFile::modeReadWrite);
    file.Write("abc", 3);
    EXPECT_EQ(CFileException::badSeek, FileCause([&] { file.Seek(-1, CFile::begin); }));
    EXPECT_EQ(CFileException::badSeek, FileCause([&] { file.Seek(-4, CFile::end); }));
    EXPECT_EQ(3u, file.GetPosition());
}

TEST(CFileTest, ClosedFileRaisesInvalidFileAndAbortNeverThrows)
{
    test::TempDir dir;
    CString path = dir / L"closed.bin";
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    EXPECT_EQ(path, file.GetFilePath());
    EXPECT_EQ(CString(L"closed.bin"), file.GetFileName());
    file.Close();
    EXPECT_EQ(INVALID_HANDLE_VALUE, static_cast<HANDLE>(file));
    char c = 0;
    EXPECT_EQ(CFileException::invalidFile, FileCause([&] { file.Write(&c, 1); }));
    EXPECT_EQ(CFileException::invalidFile, FileCause([&] { file.Read(&c, 1); }));
    EXPECT_EQ(CFileException::invalidFile, FileCause([&] { file.GetLength(); }));
    file.Abort();
    file.Close();

    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    file.Abort();
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.GetHandle());
    CFile exclusive(path, CFile::modeWrite | CFile::shareExclusive);
}

TEST(CFileTest, RelativeNameGetsTheFullPath)
{
    test::TempDir dir;
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path()));
    {
        CFile file(L"relative.bin", CFile::modeCreate | CFile::modeWrite);
        EXPECT_EQ(dir / L"relative.bin", file.GetFilePath());
        EXPECT_EQ(CString(L"relative.bin"), file.GetFileName());
    }
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(test::FileExists(dir / L"relative.bin"));
}
