// The hashing copy on real files and a real full medium.

#include "items/data/HashedCopy.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <numeric>

using test::FileExists;
using test::ReadText;

namespace {

const DWORD kMiB = 1024 * 1024;

// One copy: its error (ERROR_SUCCESS when it copied), its digest, and the
// blocks the progress was told of; the progress stops the copy at block nStopAt.
struct SCopy {
    DWORD nError = ERROR_SUCCESS;
    CString hex;
    std::vector<DWORD> blocks;
};

SCopy Copy(const CString& src, const CString& dst, BOOL bFailIfExists, size_t nStopAt = 0)
{
    SCopy run;
    CSha256::Digest digest{};
    if (!CopyFileHashed(src, dst, bFailIfExists, digest, [&run, nStopAt](DWORD nBytes) {
            run.blocks.push_back(nBytes);
            return run.blocks.size() != nStopAt;
        }))
        run.nError = GetLastError();
    run.hex = CSha256::ToHex(digest);
    return run;
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
    DWORD n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.size());
        const CString src = tmp / (L"src" + std::to_wstring(++n)).c_str();
        const CString dst = tmp / (L"dst" + std::to_wstring(n)).c_str();
        test::WriteText(src, c.content);
        // A time long past, so the copy's own time of writing cannot pass for it.
        const FILETIME written = {0x12345600u + n, 0x01C5F000u};
        CHandle file(CreateFileW(src, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &written));
        file.Reset();
        SetFileAttributesW(src, c.attributes);
        if (c.replace)
            test::WriteText(dst, "an older and longer target");

        const SCopy run = Copy(src, dst, !c.replace);
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), run.nError);
        EXPECT_EQ(CString(c.hex), run.hex);
        EXPECT_EQ(c.content, ReadText(dst));
        EXPECT_EQ((c.content.size() + kMiB - 1) / kMiB, run.blocks.size());
        EXPECT_EQ(c.content.size(), std::accumulate(run.blocks.begin(), run.blocks.end(), size_t(0)));
        WIN32_FILE_ATTRIBUTE_DATA copy = {};
        GetFileAttributesExW(dst, GetFileExInfoStandard, &copy);
        EXPECT_EQ(0, CompareFileTime(&written, &copy.ftLastWriteTime));
        EXPECT_EQ(c.attributes & FILE_ATTRIBUTE_READONLY, copy.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    }
}

// A copy that fails leaves no target (an existing one as it was) and the
// failing call's error, by which the files item tells a full medium from the rest.
TEST(HashedCopyTest, FailedCopyLeavesNoTargetAndItsError)
{
    test::TempDir tmp;
    const CString big = tmp / L"big.dat";
    test::MakeTree(tmp.Path(), {{L"big.dat", test::Pattern(4 * kMiB, 3)}, {L"locked.dat", "x"}, {L"old.dat", "old"}});
    CHandle lock = test::LockFile(tmp / L"locked.dat");
    ASSERT_TRUE(lock);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), Copy(big, tmp / L"old.dat", TRUE).nError);
    EXPECT_EQ("old", ReadText(tmp / L"old.dat"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), Copy(tmp / L"locked.dat", tmp / L"copy", TRUE).nError);
    EXPECT_EQ(static_cast<DWORD>(ERROR_REQUEST_ABORTED), Copy(big, tmp / L"copy", TRUE, 2).nError);
    EXPECT_FALSE(FileExists(tmp / L"copy"));

    SKIP_WITHOUT_MEDIA();
    test::MediaDrive::Erase(1);
    test::MediaDrive::Insert(1);
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), Copy(big, L"R:\\big.dat", TRUE).nError);
    EXPECT_FALSE(FileExists(L"R:\\big.dat"));
    test::MediaDrive::Erase(1);
}

// A copy into a new file takes its final name only when its digest is the
// one expected, and only where no file is; a refused or failed copy leaves
// neither name. It takes the source's time and read-only bit, and marking
// the source through the copy's handle clears the source's attributes.
TEST(HashedCopyTest, CopyIntoANewNameAndMarkingTheSource)
{
    test::TempDir tmp;
    const CString src = tmp / L"src.dat";
    const CString temp = tmp / L"orv0001.tmp";
    const CString dst = tmp / L"dst.dat";
    test::WriteText(src, "abc");
    const FILETIME written = {0x12345600u, 0x01C5F000u};
    CHandle file(CreateFileW(src, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &written));
    file.Reset();
    ASSERT_TRUE(SetFileAttributesW(src, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

    CSha256::Digest digest{};
    CSha256::Digest other{};
    EXPECT_EQ(EHashedCopy::Refused, CopyFileHashedInto(src, temp, dst, digest, &other, nullptr, 0));
    EXPECT_FALSE(FileExists(temp) || FileExists(dst));
    test::WriteText(temp, "taken");
    EXPECT_EQ(EHashedCopy::Failed, CopyFileHashedInto(src, temp, dst, digest, nullptr, nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_EQ("taken", ReadText(temp));
    DeleteFileW(temp);
    test::WriteText(dst, "live");
    EXPECT_EQ(EHashedCopy::Failed, CopyFileHashedInto(src, temp, dst, digest, nullptr, nullptr, 0));
    EXPECT_EQ("live", ReadText(dst)) << "an existing file is never replaced";
    EXPECT_FALSE(FileExists(temp));
    DeleteFileW(dst);

    const CSha256::Digest abc = CSha256::Of("abc", 3);
    ASSERT_EQ(EHashedCopy::Copied,
              CopyFileHashedInto(src, temp, dst, digest, &abc, nullptr, FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ("abc", ReadText(dst));
    EXPECT_FALSE(FileExists(temp));
    WIN32_FILE_ATTRIBUTE_DATA copy = {};
    ASSERT_TRUE(GetFileAttributesExW(dst, GetFileExInfoStandard, &copy));
    EXPECT_EQ(0, CompareFileTime(&written, &copy.ftLastWriteTime));
    EXPECT_TRUE(copy.dwFileAttributes & FILE_ATTRIBUTE_READONLY);

    BOOL bMarked = FALSE;
    ASSERT_TRUE(CopyFileHashed(src, tmp / L"marked.dat", TRUE, digest, nullptr, &bMarked));
    EXPECT_TRUE(bMarked);
    EXPECT_FALSE(GetFileAttributesW(src) & FILE_ATTRIBUTE_READONLY);
}
