#include "framework/CMemFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(CMemFileTest, GrowsInWholeStepsOf1024)
{
    CMemFile file;
    EXPECT_EQ(0u, file.GetAllocatedSize());
    EXPECT_EQ(nullptr, file.GetBuffer());
    BYTE b = 7;
    file.Write(&b, 1);
    EXPECT_EQ(1024u, file.GetAllocatedSize());
    std::vector<BYTE> block(1023, 0x55);
    file.Write(block.data(), 1023);
    EXPECT_EQ(1024u, file.GetLength());
    EXPECT_EQ(1024u, file.GetAllocatedSize());
    file.Write(&b, 1);
    EXPECT_EQ(1025u, file.GetLength());
    EXPECT_EQ(2048u, file.GetAllocatedSize());
    std::vector<BYTE> big(5000, 0xAA);
    file.Write(big.data(), 5000);
    EXPECT_EQ(6025u, file.GetLength());
    EXPECT_EQ(6144u, file.GetAllocatedSize()) << "the smallest multiple of 1024 that holds 6025 bytes";
    EXPECT_EQ(7, file.GetBuffer()[0]);
    EXPECT_EQ(0x55, file.GetBuffer()[1023]);
    EXPECT_EQ(0xAA, file.GetBuffer()[6024]);

    CMemFile other(100);
    other.Write(big.data(), 250);
    EXPECT_EQ(300u, other.GetAllocatedSize());
    other.SetLength(301);
    EXPECT_EQ(400u, other.GetAllocatedSize());
}

TEST(CMemFileTest, ReadSeekAndWritePastTheEnd)
{
    CMemFile file;
    file.Write("abcdef", 6);
    EXPECT_EQ(6u, file.GetPosition());
    char buf[16] = {};
    EXPECT_EQ(0u, file.Read(buf, sizeof buf)) << "nothing to read at the end";
    EXPECT_EQ(2u, file.Seek(2, CFile::begin));
    EXPECT_EQ(3u, file.Read(buf, 3));
    EXPECT_EQ(std::string("cde"), std::string(buf, 3));
    EXPECT_EQ(1u, file.Read(buf, sizeof buf));
    EXPECT_EQ('f', buf[0]);

    // A write after a seek beyond the end leaves a zero-filled gap.
    EXPECT_EQ(9u, file.Seek(3, CFile::end));
    file.Write("Z", 1);
    EXPECT_EQ(10u, file.GetLength());
    std::vector<BYTE> expected = {'a', 'b', 'c', 'd', 'e', 'f', 0, 0, 0, 'Z'};
    EXPECT_EQ(expected, std::vector<BYTE>(file.GetBuffer(), file.GetBuffer() + 10));

    EXPECT_EQ(8u, file.Seek(-2, CFile::current));
    file.Write("yy", 2);
    EXPECT_EQ(10u, file.GetLength()) << "overwriting inside does not grow";
    EXPECT_EQ('y', file.GetBuffer()[9]);
}

TEST(CMemFileTest, NegativeSeekIsBadSeekAndKeepsThePosition)
{
    CMemFile file;
    file.Write("abc", 3);
    file.Seek(1, CFile::begin);
    try {
        file.Seek(-2, CFile::current);
        FAIL() << "seek before the start accepted";
    } catch (CFileException* e) {
        EXPECT_EQ(CFileException::badSeek, e->m_cause);
        e->Delete();
    }
    EXPECT_EQ(1u, file.GetPosition());
}

TEST(CMemFileTest, ShrinkThenGrowReadsZeros)
{
    CMemFile file;
    file.Write("secret", 6);
    file.SetLength(2);
    EXPECT_EQ(2u, file.GetLength());
    EXPECT_EQ(2u, file.GetPosition()) << "the position moves back to the new end";
    file.SetLength(6);
    std::vector<BYTE> expected = {'s', 'e', 0, 0, 0, 0};
    EXPECT_EQ(expected, std::vector<BYTE>(file.GetBuffer(), file.GetBuffer() + 6));
    file.Seek(5, CFile::begin);
    file.SetLength(1);
    file.Seek(0, CFile::end);
    file.Write("!", 1);
    EXPECT_EQ((std::vector<BYTE>{'s', '!'}), std::vector<BYTE>(file.GetBuffer(), file.GetBuffer() + 2));
}

TEST(CMemFileTest, DetachHandsOverTheBytes)
{
    CMemFile file;
    file.Write("xyz", 3);
    std::vector<BYTE> bytes = file.Detach();
    EXPECT_EQ((std::vector<BYTE>{'x', 'y', 'z'}), bytes);
    EXPECT_EQ(0u, file.GetLength());
    EXPECT_EQ(0u, file.GetPosition());
    EXPECT_EQ(nullptr, file.GetBuffer());
    file.Write("q", 1);
    EXPECT_EQ(1u, file.GetLength());
    file.Close();
    EXPECT_EQ(0u, file.GetLength());
    EXPECT_EQ(0u, file.GetAllocatedSize());
}

TEST(CMemFileTest, HasNoNameToOpen)
{
    CMemFile file;
    EXPECT_TRUE(file.GetFilePath().IsEmpty());
    try {
        file.Open(L"C:\\x.bin", CFile::modeRead);
        FAIL() << "a memory file opened a name";
    } catch (CNotSupportedException* e) {
        e->Delete();
    }
    try {
        CMemFile none(0);
        FAIL() << "a grow step of 0 accepted";
    } catch (CInvalidArgException* e) {
        e->Delete();
    }
}
