// The atomic file on a medium that fills up.

#include "framework/CAtomicFile.h"
#include "framework/CFile.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

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

} // namespace

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
    EXPECT_EQ("new", test::ReadText(target));
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
    EXPECT_EQ("new", test::ReadText(target));
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
