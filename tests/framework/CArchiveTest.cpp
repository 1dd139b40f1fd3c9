#include "framework/CArchive.h"
#include "framework/CMemFile.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <functional>
#include <vector>

using Bytes = std::vector<BYTE>;

namespace {

Bytes Store(const std::function<void(CArchive&)>& write, int nBufSize = 4096)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store, nBufSize);
    write(ar);
    ar.Close();
    return file.Detach();
}

void LoadInto(CMemFile& file, const Bytes& bytes)
{
    if (!bytes.empty())
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
}

CString LoadText(const Bytes& bytes)
{
    CMemFile file;
    LoadInto(file, bytes);
    CArchive ar(&file, CArchive::load);
    CString s;
    ar >> s;
    EXPECT_EQ(0u, ar.GetRemaining()) << "the string did not take all of its bytes";
    return s;
}

// The cause of the archive exception f raises, -1 when it raises none.
int ArchiveCause(const std::function<void()>& f)
{
    try {
        f();
    } catch (CArchiveException* e) {
        int cause = e->m_cause;
        e->Delete();
        return cause;
    }
    return -1;
}

Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Utf16Units(const CString& s)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(s.GetString());
    return Bytes(p, p + s.GetLength() * 2);
}

} // namespace

TEST(CArchiveTest, StringsAreWrittenInTheUtf16FormWithTheShortestLengthForm)
{
    // Lengths count UTF-16 units, a surrogate pair counting two.
    const struct {
        CString text;
        Bytes header;
    } cases[] = {
        {CString(), {0xFF, 0xFE, 0xFF, 0x00}},
        {L"\u00DF\U0001F600", {0xFF, 0xFE, 0xFF, 0x03}},
        {CString(L'A', 254), {0xFF, 0xFE, 0xFF, 0xFE}},
        {CString(L'B', 255), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
        {CString(L'C', 0xFFFD), {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
        {CString(L'D', 0xFFFE), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {CString(L'E', 0x10000), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        Bytes bytes = Store([&](CArchive& ar) { ar << c.text; });
        EXPECT_EQ(Concat(c.header, Utf16Units(c.text)), bytes) << "length " << c.text.GetLength();
        EXPECT_EQ(c.text, LoadText(bytes)) << "length " << c.text.GetLength();
    }
}

TEST(CArchiveTest, CountEncoding)
{
    struct Case {
        DWORD_PTR count;
        Bytes bytes;
    };
    const Case cases[] = {
        {0, {0x00, 0x00}},
        {2, {0x02, 0x00}},
        {0xFFFE, {0xFE, 0xFF}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x12345678, {0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}},
        {0xFFFFFFFE, {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}},
        {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}},
        {0x100000001ull, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        Bytes bytes = Store([&](CArchive& ar) { ar.WriteCount(c.count); });
        EXPECT_EQ(c.bytes, bytes) << "count " << c.count;
        CMemFile file;
        LoadInto(file, bytes);
        CArchive ar(&file, CArchive::load);
        EXPECT_EQ(c.count, ar.ReadCount());
        EXPECT_EQ(0u, ar.GetRemaining());
    }
}

TEST(CArchiveTest, TruncationAtEveryByteIsEndOfFile)
{
    auto writeAll = [](CArchive& ar) {
        ar << static_cast<DWORD>(1) << CString(L"key\\path");
        ar.WriteCount(0x12345);
        ar << CString() << static_cast<WORD>(9) << CString(L"x") << static_cast<ULONGLONG>(42);
    };
    auto readAll = [](CArchive& ar) {
        DWORD dw;
        CString s;
        WORD w;
        ULONGLONG ull;
        ar >> dw >> s;
        ar.ReadCount();
        ar >> s >> w >> s >> ull;
    };
    Bytes full = Store(writeAll);
    // A three-byte buffer refills inside every value and gives the same bytes.
    EXPECT_EQ(full, Store(writeAll, 3));
    CMemFile mem;
    LoadInto(mem, full);
    CArchive tiny(&mem, CArchive::load, 3);
    EXPECT_EQ(-1, ArchiveCause([&] { readAll(tiny); }));
    test::TempDir dir;
    for (size_t cut = 0; cut < full.size(); ++cut) {
        test::WriteBytes(dir / L"cut.bin", Bytes(full.begin(), full.begin() + cut));
        CFile file(dir / L"cut.bin", CFile::modeRead);
        CArchive ar(&file, CArchive::load);
        EXPECT_EQ(CArchiveException::endOfFile, ArchiveCause([&] { readAll(ar); })) << "cut at " << cut;
    }
    EXPECT_EQ(CArchiveException::endOfFile, ArchiveCause([] { LoadText({0x05, 'h', 'e'}); }));
}

TEST(CArchiveTest, HostileLengthsAreRejectedBeforeAllocating)
{
    PROCESS_MEMORY_COUNTERS before = {};
    before.cb = sizeof before;
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));

    const Bytes hostile[] = {
        // UTF-16, 64-bit length of 2^64 - 1.
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
         'a', 0},
        // UTF-16, DWORD length 0x7FFFFFFF: 4 GB asked for, 4 bytes present.
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0, 'b', 0},
        // UTF-16, 64-bit length whose byte count overflows 64 bits.
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80},
        // 8-bit, DWORD length 0xFFFFFFF0.
        {0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'a', 'b'},
        // UTF-16, 3 units announced, 5 bytes present.
        {0xFF, 0xFE, 0xFF, 0x03, 'a', 0, 'b', 0, 'c'},
    };
    for (const Bytes& bytes : hostile)
        EXPECT_EQ(CArchiveException::endOfFile, ArchiveCause([&] { LoadText(bytes); }));

    PROCESS_MEMORY_COUNTERS after = {};
    after.cb = sizeof after;
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
    EXPECT_LT(after.PeakWorkingSetSize, before.PeakWorkingSetSize + 256 * 1024 * 1024)
        << "a hostile length was allocated";
}
