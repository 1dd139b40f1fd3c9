#include "framework/CMemFile.h"

#include <gtest/gtest.h>

#include <vector>

using Bytes = std::vector<BYTE>;

TEST(CMemFileTest, GrowsInWholeStepsOfTheGrowSize)
{
    CMemFile file;
    Bytes big(6024, 0xAA);
    file.Write("\x07", 1);
    EXPECT_EQ(1024u, file.GetAllocatedSize());
    file.Write(big.data(), 1023);
    EXPECT_EQ(1024u, file.GetAllocatedSize());
    file.Write(big.data(), 5001);
    EXPECT_EQ(6144u, file.GetAllocatedSize()) << "the smallest multiple of 1024 that holds 6025 bytes";
    EXPECT_EQ(7, file.GetBuffer()[0]);
    EXPECT_EQ(0xAA, file.GetBuffer()[6024]);

    CMemFile other(100);
    other.Write(big.data(), 250);
    EXPECT_EQ(300u, other.GetAllocatedSize());
}

TEST(CMemFileTest, GapsAndRegrownBytesReadAsZeros)
{
    CMemFile file;
    file.Write("abcdef", 6);
    EXPECT_EQ(9u, file.Seek(3, CFile::end));
    file.Write("Z", 1);
    EXPECT_EQ((Bytes{'a', 'b', 'c', 'd', 'e', 'f', 0, 0, 0, 'Z'}), Bytes(file.GetBuffer(), file.GetBuffer() + 10));
    file.SetLength(2);
    EXPECT_EQ(2u, file.GetPosition()) << "the position moves back to the new end";
    file.SetLength(4);
    EXPECT_EQ((Bytes{'a', 'b', 0, 0}), Bytes(file.GetBuffer(), file.GetBuffer() + 4));
    char buf[8] = {};
    file.Seek(1, CFile::begin);
    EXPECT_EQ(3u, file.Read(buf, sizeof buf));
    try {
        file.Seek(-2, CFile::begin);
        ADD_FAILURE() << "seek before the start accepted";
    } catch (CFileException* e) {
        EXPECT_EQ(CFileException::badSeek, e->m_cause);
        e->Delete();
    }
    EXPECT_EQ(4u, file.GetPosition());
}
