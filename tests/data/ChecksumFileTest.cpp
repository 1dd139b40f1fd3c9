// The checksum file: its exact bytes, and what a reader takes from a medium
// that cannot be trusted.

#include "items/ChecksumFile.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"

#include <gtest/gtest.h>

namespace {

const std::string kAbcHex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kEmptyHex = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const CSha256::Digest kAbc = CSha256::Of("abc", 3);

} // namespace

TEST(ChecksumFileTest, WrittenInTheCommonForm)
{
    test::TempDir tmp;
    const CString name = L"Patient Data Index\\M\u00fcller\\Case 1\\scan.stl";
    CChecksumFileWriter writer;
    writer.Add(name, kAbc);
    writer.Add(L"Settings\\Settings", CSha256::Of("", 0));
    writer.Write(tmp.Path());
    const std::string first = kAbcHex + "  Patient Data Index/M\xC3\xBCller/Case 1/scan.stl\n";
    const std::string expected = first + kEmptyHex + "  Settings/Settings\n";
    EXPECT_EQ(expected, test::ReadText(tmp / kChecksumFileName));
    EXPECT_EQ(expected.size(), writer.GetBytes());
    EXPECT_EQ(first.size(), ChecksumLineBytes(name));

    // The writer takes no path a reader would refuse.
    EXPECT_THROW(writer.Add(L"..\\Backup.ini", kAbc), CInvalidArgException*);
}

TEST(ChecksumFileTest, ReaderTakesTheCommonVariantsAndRefusesHostileLines)
{
    const std::string hex = kAbcHex + "  ";
    const struct {
        std::string line;
        const wchar_t* path; // null: refused
    } cases[] = {
        {hex + "a/b.dat\r", L"a\\b.dat"},
        {"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD *c d.dat", L"c d.dat"},
        {hex + "M\xC3\xBCller/x", L"M\u00fcller\\x"},
        {hex + "/etc/passwd", nullptr},
        {hex + "../x", nullptr},
        {hex + "a/../b", nullptr},
        {hex + "C:/Windows/win.ini", nullptr},
        {hex + "a/b:stream", nullptr},
        {"\\" + hex + "a\\\\b", nullptr},
        {hex + "a\\b", nullptr},
        {hex, nullptr},
        {hex + "a//b", nullptr},
        {hex + "a./b", nullptr},
        {hex + "x/nul.txt", nullptr},
        {hex + "a\x01", nullptr},
        {hex + "\xFF", nullptr},
        {kAbcHex + " x", nullptr},
        {kAbcHex.substr(2) + "  x", nullptr},
        {"", nullptr},
    };
    std::string text = "\xEF\xBB\xBF"; // the byte-order mark some editors write
    std::vector<CString> taken;
    std::vector<int> refused;
    for (const auto& c : cases) {
        text += c.line + "\n";
        if (c.path)
            taken.push_back(c.path);
        else
            refused.push_back(static_cast<int>(&c - cases) + 1);
    }
    test::TempDir tmp;
    test::WriteText(tmp / kChecksumFileName, text);
    SChecksumList list;
    ASSERT_TRUE(ReadChecksumFile(tmp.Path(), list));
    std::vector<CString> paths;
    for (const SChecksumEntry& entry : list.entries) {
        paths.push_back(entry.strPath);
        EXPECT_EQ(kAbc, entry.digest);
    }
    EXPECT_EQ(taken, paths);
    EXPECT_EQ(refused, list.damagedLines);

    // A file far beyond any backup's is refused before it is read.
    CHandle file(CreateFileW(tmp / kChecksumFileName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    size.QuadPart = kMaxChecksumFileBytes + 1;
    ASSERT_TRUE(SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()));
    file.Reset();
    LONG error = 0;
    try {
        ReadChecksumFile(tmp.Path(), list);
    } catch (CFileException* e) {
        error = e->m_lOsError;
        e->Delete();
    }
    EXPECT_EQ(ERROR_FILE_TOO_LARGE, error);
    DeleteFileW(tmp / kChecksumFileName);
    EXPECT_FALSE(ReadChecksumFile(tmp.Path(), list));
}
