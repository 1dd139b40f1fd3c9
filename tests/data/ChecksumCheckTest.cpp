// The check of a medium against its checksum file, on real files.

#include "items/ChecksumCheck.h"
#include "items/ChecksumFile.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"
#include "tests/RunRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(ChecksumCheckTest, FindsDamagedMissingAndUnlistedFilesStopsWhenCancelledAndTellsAMediumWithoutChecksums)
{
    test::TempDir tmp;
    const test::FileTree listed = {
        {L"Patient Data Index\\Anna\\Case\\scan.stl", test::Pattern(1536 * 1024, 9)},
        {L"Patient Data Index\\Anna\\Case\\flipped.dat", "bbbb"},
        {L"Patient Data Index\\Anna\\Case\\gone.dat", "gone"},
        {L"Patient Index\\Patient Index", "locked"},
        {L"Settings\\Settings", "s"},
    };
    test::MakeTree(tmp.Path(), listed);
    CChecksumFileWriter writer;
    for (const auto& file : listed)
        writer.Add(file.first, CSha256::Of(file.second.data(), file.second.size()));
    writer.Write(tmp.Path());
    const CString checksums = tmp / kChecksumFileName;
    test::WriteText(checksums, test::ReadText(checksums) + "not a checksum line\n");

    test::WriteText(tmp / L"Patient Data Index\\Anna\\Case\\flipped.dat", "bbcb");
    DeleteFileW(tmp / L"Patient Data Index\\Anna\\Case\\gone.dat");
    // The medium's own bookkeeping is not listed, but only in the backup folder itself.
    test::MakeTree(tmp.Path(), {{L"Backup.ini", "[Backup]"},
                                {L"Backup Report, disk 1.txt", "report"},
                                {L"Settings\\Report.txt", "stray"},
                                {L"Patient Data Index\\Anna\\Case\\extra.dat", "extra"}});
    CHandle lock = test::LockFile(tmp / L"Patient Index\\Patient Index");
    ASSERT_TRUE(lock);

    test::RunRecorder listener;
    const SMediumCheck check = CheckMedium(tmp.Path(), &listener);
    EXPECT_EQ(EMediumCheck::Checked, check.eOutcome);
    EXPECT_EQ(2, check.nWhole);
    EXPECT_EQ((std::vector<CString>{L"Patient Data Index\\Anna\\Case\\flipped.dat", L"Patient Index\\Patient Index"}),
              check.damaged);
    EXPECT_EQ(std::vector<CString>{L"Patient Data Index\\Anna\\Case\\gone.dat"}, check.missing);
    std::vector<CString> unlisted = check.unlisted;
    std::sort(unlisted.begin(), unlisted.end());
    EXPECT_EQ((std::vector<CString>{L"Patient Data Index\\Anna\\Case\\extra.dat", L"Settings\\Report.txt"}), unlisted);
    EXPECT_EQ(std::vector<int>{6}, check.damagedLines);
    EXPECT_EQ(1536 * 1024 + 4 + 1, listener.progress);

    listener.Cancel();
    EXPECT_EQ(EMediumCheck::Cancelled, CheckMedium(tmp.Path(), &listener).eOutcome);
    EXPECT_EQ(1536 * 1024 + 4 + 1, listener.progress) << "a file was read after the cancel";
    // A backup from before checksums.
    DeleteFileW(checksums);
    EXPECT_EQ(EMediumCheck::NoChecksums, CheckMedium(tmp.Path(), &listener).eOutcome);
}
