// The hashing copy on real files and a real full medium.

#include "items/data/HashedCopy.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"

#include <gtest/gtest.h>

using test::FileExists;
using test::ReadText;

namespace {

const DWORD kMiB = 1024 * 1024;

struct SCopyRun {
    BOOL bCopied;
    DWORD nError;
    CString hex;
    DWORD nProgressCalls = 0;
    ULONGLONG nProgressBytes = 0;
};

SCopyRun Copy(const CString& src, const CString& dst, BOOL bFailIfExists, int nStopAfterCalls = -1)
{
    SCopyRun run{};
    CSha256::Digest digest{};
    run.bCopied = CopyFileHashed(src, dst, bFailIfExists, digest, [&run, nStopAfterCalls](DWORD nBytes) {
        run.nProgressBytes += nBytes;
        return static_cast<int>(++run.nProgressCalls) != nStopAfterCalls;
    });
    run.nError = run.bCopied ? ERROR_SUCCESS : GetLastError();
    run.hex = CSha256::ToHex(digest);
    return run;
}

ULONGLONG Ticks(const FILETIME& time)
{
    return ULONGLONG(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

ULONGLONG LastWriteTime(const CString& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path, GetFileExInfoStandard, &data);
    return Ticks(data.ftLastWriteTime);
}

} // namespace

// Known digests through the copy: nothing, a few bytes, exactly one block,
// and blocks that go round the hashing ring more than once.
TEST(HashedCopyTest, CopyKeepsBytesTimeAndReadOnlyAndGivesTheDigest)
{
    test::TempDir tmp;
    const struct {
        std::string content;
        DWORD attributes;
        bool replace; // an older target is there and may be overwritten
        const wchar_t* hex;
    } cases[] = {
        {"", FILE_ATTRIBUTE_NORMAL, false, L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", FILE_ATTRIBUTE_READONLY, true, L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(kMiB, 'a'), FILE_ATTRIBUTE_NORMAL, true,
         L"9bc1b2a288b26af7257a36277ae3816a7d4f16e89c1e7e77d0a5c48bad62b360"},
        {test::Pattern(3 * kMiB + 1, 5), FILE_ATTRIBUTE_READONLY, false,
         L"f13e294620012d6c82291b35cd62ff7ff6625c9c1fa9f25da9b013b275cafeaf"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.size());
        const CString src = tmp / (L"src" + std::to_wstring(++n)).c_str();
        const CString dst = tmp / (L"dst" + std::to_wstring(n)).c_str();
        test::WriteText(src, c.content);
        // A time long past, so the copy's own time of writing cannot pass for it.
        const FILETIME written = {0x12345600u + static_cast<DWORD>(n), 0x01C5F000u};
        HANDLE h = CreateFileW(src, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(h, nullptr, nullptr, &written);
        CloseHandle(h);
        SetFileAttributesW(src, c.attributes);
        if (c.replace)
            test::WriteText(dst, "an older and longer target");

        const SCopyRun run = Copy(src, dst, !c.replace);
        ASSERT_TRUE(run.bCopied) << run.nError;
        EXPECT_EQ(CString(c.hex), run.hex);
        EXPECT_EQ(c.content, ReadText(dst));
        EXPECT_EQ(c.content.size(), run.nProgressBytes);
        EXPECT_EQ((c.content.size() + kMiB - 1) / kMiB, run.nProgressCalls);
        EXPECT_EQ(Ticks(written), LastWriteTime(dst));
        EXPECT_EQ(c.attributes & FILE_ATTRIBUTE_READONLY, GetFileAttributesW(dst) & FILE_ATTRIBUTE_READONLY);
    }
}

// A copy that fails leaves no target (an existing one as it was) and the
// failing call's error, by which the files item tells a full medium from the rest.
TEST(HashedCopyTest, FailedCopyLeavesNoTargetAndItsError)
{
    test::TempDir tmp;
    const CString big = tmp / L"big.dat";
    test::WriteText(big, test::Pattern(4 * kMiB, 3));
    test::WriteText(tmp / L"locked.dat", "locked");
    test::WriteText(tmp / L"existing.dat", "old");
    CHandle lock = test::LockFile(tmp / L"locked.dat");
    ASSERT_TRUE(lock);
    const struct {
        CString src;
        CString dst;
        int stopAfterCalls;
        DWORD error;
    } cases[] = {
        {big, tmp / L"existing.dat", -1, ERROR_FILE_EXISTS},
        {tmp / L"locked.dat", tmp / L"copy1.dat", -1, ERROR_SHARING_VIOLATION},
        {tmp / L"missing.dat", tmp / L"copy2.dat", -1, ERROR_FILE_NOT_FOUND},
        {big, tmp / L"copy3.dat", 2, ERROR_REQUEST_ABORTED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dst);
        const SCopyRun run = Copy(c.src, c.dst, TRUE, c.stopAfterCalls);
        EXPECT_FALSE(run.bCopied);
        EXPECT_EQ(c.error, run.nError);
    }
    EXPECT_EQ("old", ReadText(tmp / L"existing.dat"));
    EXPECT_FALSE(FileExists(tmp / L"copy1.dat") || FileExists(tmp / L"copy2.dat") || FileExists(tmp / L"copy3.dat"));

    CString whyNot;
    if (!test::MediaDrive::Available(&whyNot))
        GTEST_SKIP() << "removable test media unavailable: " << whyNot;
    test::MediaDrive::Erase(1);
    test::MediaDrive::Insert(1);
    const SCopyRun full = Copy(big, L"R:\\big.dat", TRUE);
    EXPECT_FALSE(full.bCopied);
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), full.nError);
    EXPECT_FALSE(FileExists(L"R:\\big.dat"));
    test::MediaDrive::Erase(1);
}
