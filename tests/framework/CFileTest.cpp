#include "framework/CAtomicFile.h"
#include "framework/CFile.h"
#include "tests/MediaDrive.h"
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

std::string FileText(const CString& path)
{
    std::vector<unsigned char> bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string ReadString(CFile& file, UINT n)
{
    std::string s(n, '\0');
    s.resize(file.Read(&s[0], n));
    return s;
}

} // namespace

TEST(CFileTest, WriteReadSeekAndCreateTruncatesUnlessNoTruncate)
{
    test::TempDir dir;
    CString path = dir / L"data.bin";
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        file.Write("hello world", 11);
        EXPECT_EQ(11u, file.GetPosition());
    }
    {
        CFile file(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
        EXPECT_EQ("hello", ReadString(file, 5));
        EXPECT_EQ(6u, file.Seek(-5, CFile::end));
        EXPECT_EQ("world", ReadString(file, 100));
        EXPECT_EQ(4u, file.Seek(-7, CFile::current));
        EXPECT_EQ(CFileException::badSeek, FileCause([&] { file.Seek(-1, CFile::begin); }));
        EXPECT_EQ(4u, file.GetPosition());
    }
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        file.Write("new", 3);
    }
    EXPECT_EQ((std::vector<unsigned char>{'n', 'e', 'w'}), test::ReadBytes(path));
}

TEST(CFileTest, OpenFailuresGiveTheirCausesAndCreateNothing)
{
    test::TempDir dir;
    test::WriteText(dir / L"held.bin", "x");
    ASSERT_TRUE(CreateDirectoryW(dir / L"dir", nullptr));
    // The compatibility mode (0) opens exclusively.
    CFile holder(dir / L"held.bin", CFile::modeRead);
    const struct {
        const wchar_t* name;
        UINT flags;
        int cause;
    } cases[] = {
        {L"missing.bin", CFile::modeRead, CFileException::fileNotFound},
        {L"no such dir\\file.bin", CFile::modeCreate | CFile::modeWrite, CFileException::badPath},
        {L"dir", CFile::modeWrite, CFileException::accessDenied},
        {L"held.bin", CFile::modeRead | CFile::shareDenyNone, CFileException::sharingViolation},
    };
    for (const auto& c : cases) {
        CString path = dir / c.name;
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(path, c.flags, &error));
        EXPECT_EQ(c.cause, error.m_cause) << c.name;
        EXPECT_EQ(path, error.m_strFileName);
        EXPECT_EQ(c.cause, FileCause([&] { CFile thrown(path, c.flags); })) << c.name;
    }
    EXPECT_FALSE(test::FileExists(dir / L"missing.bin"));
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

TEST(CFileTest, ClosedFileRaisesInvalidFileAndAbortReleasesTheHandle)
{
    test::TempDir dir;
    CString path = dir / L"closed.bin";
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    file.Close();
    char c = 0;
    EXPECT_EQ(CFileException::invalidFile, FileCause([&] { file.Write(&c, 1); }));
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    file.Abort();
    CFile exclusive(path, CFile::modeWrite | CFile::shareExclusive);
}

TEST(CFileTest, AtomicFileReplacesItsTargetOnlyWhenWhole)
{
    SKIP_WITHOUT_MEDIA();
    test::MediaDrive::Insert(1);
    test::MediaDrive::Erase(1);
    const CString target = L"R:\\archive";
    test::WriteText(target, "old");
    {
        CAtomicFile file(target);
        file.Write("new", 3);
        file.Commit();
    }
    EXPECT_EQ("new", FileText(target));
    // A medium that fills up while the archive is written keeps the old one
    // whole, and nothing else.
    ULARGE_INTEGER freeBytes = {};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"R:\\", nullptr, nullptr, &freeBytes));
    test::WriteText(L"R:\\filler", std::string(static_cast<size_t>(freeBytes.QuadPart) - 8192, 'x'));
    const std::string block(64 * 1024, 'y');
    EXPECT_EQ(CFileException::diskFull, FileCause([&] {
                  CAtomicFile file(target);
                  file.Write(block.data(), static_cast<UINT>(block.size()));
                  file.Commit();
              }));
    EXPECT_EQ("new", FileText(target));
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(L"R:\\*", &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    int files = 0;
    do
        files += (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    while (FindNextFileW(h, &fd));
    FindClose(h);
    EXPECT_EQ(2, files) << "the archive and the filler, no temporary";
    test::MediaDrive::Erase(1);
}
