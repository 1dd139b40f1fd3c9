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

TEST(CArchiveTest, StringsAreWrittenInTheUtf16Form)
{
    EXPECT_EQ((Bytes{0xFF, 0xFE, 0xFF, 0x03, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00}),
              Store([](CArchive& ar) { ar << CString(L"abc"); }));
    EXPECT_EQ((Bytes{0xFF, 0xFE, 0xFF, 0x00}), Store([](CArchive& ar) { ar << CString(); }));
    EXPECT_EQ((Bytes{0xFF, 0xFE, 0xFF, 0x03, 0xDF, 0x00, 0x3D, 0xD8, 0x00, 0xDE}),
              Store([](CArchive& ar) { ar << CString(L"\u00DF\U0001F600"); }))
        << "length in UTF-16 units, a surrogate pair counting two";
}

TEST(CArchiveTest, StringLengthBoundaries)
{
    struct Case {
        int length;
        Bytes header;
    };
    const Case cases[] = {
        {254, {0xFF, 0xFE, 0xFF, 0xFE}},
        {255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {0xFFFF, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x10000, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        CString s;
        for (int i = 0; i < c.length; ++i)
            s += static_cast<wchar_t>(L'A' + i % 26);
        Bytes bytes = Store([&](CArchive& ar) { ar << s; });
        EXPECT_EQ(Concat(c.header, Utf16Units(s)), bytes) << "length " << c.length;
        EXPECT_EQ(s, LoadText(bytes)) << "length " << c.length;
    }
}

TEST(CArchiveTest, ReadsThe8BitForm)
{
    EXPECT_EQ(CString(L"abc"), LoadText({0x03, 'a', 'b', 'c'}));
    EXPECT_EQ(CString(), LoadText({0x00}));

    Bytes wordForm = {0xFF, 0x00, 0x01};
    wordForm.insert(wordForm.end(), 256, 'x');
    EXPECT_EQ(CString(L'x', 256), LoadText(wordForm));

    EXPECT_EQ(CString(L"hello"), LoadText({0xFF, 0xFF, 0xFF, 0x05, 0x00, 0x00, 0x00, 'h', 'e', 'l', 'l', 'o'}));
    EXPECT_EQ(CString(L"hi"), LoadText({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 'h', 'i'}));

    // Bytes above 0x7F are widened with the ANSI code page.
    const char narrow[] = {'c', 'a', 'f', static_cast<char>(0xE9)};
    wchar_t wide[8] = {};
    int n = MultiByteToWideChar(CP_ACP, 0, narrow, 4, wide, 8);
    ASSERT_GT(n, 0);
    EXPECT_EQ(CString(wide, n), LoadText({0x04, 'c', 'a', 'f', 0xE9}));
}

TEST(CArchiveTest, ReadsEveryUtf16LengthForm)
{
    // Longer length forms than the writer would choose are still read.
    EXPECT_EQ(CString(L"ab"), LoadText({0xFF, 0xFE, 0xFF, 0xFF, 0x02, 0x00, 'a', 0, 'b', 0}));
    EXPECT_EQ(CString(L"ab"),
              LoadText({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'a', 0, 'b', 0}));
    EXPECT_EQ(CString(L"ab"), LoadText({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0, 0,
                                          0, 0, 0, 0, 0, 'a', 0, 'b', 0}));
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

TEST(CArchiveTest, ValuesAreLittleEndian)
{
    Bytes bytes = Store([](CArchive& ar) {
        ar << static_cast<BYTE>(0xAB) << static_cast<WORD>(0x1234) << static_cast<DWORD>(0x89ABCDEF)
           << static_cast<LONG>(-2) << 7 << 0xFFFFFFF0u << static_cast<LONGLONG>(-3)
           << static_cast<ULONGLONG>(0x0102030405060708ull);
    });
    Bytes expected = {0xAB, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFE, 0xFF, 0xFF, 0xFF, 0x07, 0x00, 0x00, 0x00,
                      0xF0, 0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                      0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(expected, bytes);

    CMemFile file;
    LoadInto(file, bytes);
    CArchive ar(&file, CArchive::load);
    BYTE by;
    WORD w;
    DWORD dw;
    LONG l;
    int i;
    UINT u;
    LONGLONG ll;
    ULONGLONG ull;
    ar >> by >> w >> dw >> l >> i >> u >> ll >> ull;
    EXPECT_EQ(0xAB, by);
    EXPECT_EQ(0x1234, w);
    EXPECT_EQ(0x89ABCDEFu, dw);
    EXPECT_EQ(-2, l);
    EXPECT_EQ(7, i);
    EXPECT_EQ(0xFFFFFFF0u, u);
    EXPECT_EQ(-3, ll);
    EXPECT_EQ(0x0102030405060708ull, ull);
}

TEST(CArchiveTest, RoundTripThroughARealFile)
{
    test::TempDir dir;
    CString path = dir / L"archive.bin";
    const CString texts[] = {L"", L"Patient Data Index", L"Stra\u00DFe \u20AC \U0001F600", CString(L'q', 300)};
    auto writeAll = [&](CArchive& ar) {
        ar << static_cast<DWORD>(1);
        ar.WriteCount(4);
        for (const CString& t : texts)
            ar << t;
        ar << static_cast<LONGLONG>(-1234567890123ll);
    };
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        writeAll(ar);
        ar.Close();
        EXPECT_EQ(file.GetLength(), file.GetPosition()) << "the file is still open after the archive closed";
        file.Close();
    }
    EXPECT_EQ(Store(writeAll), test::ReadBytes(path)) << "a file and a memory file receive the same bytes";

    CFile file(path, CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    DWORD version = 0;
    ar >> version;
    EXPECT_EQ(1u, version);
    ASSERT_EQ(4u, ar.ReadCount());
    for (const CString& t : texts) {
        CString s;
        ar >> s;
        EXPECT_EQ(t, s);
    }
    LONGLONG ll = 0;
    ar >> ll;
    EXPECT_EQ(-1234567890123ll, ll);
    EXPECT_EQ(0u, ar.GetRemaining());
    BYTE extra;
    EXPECT_EQ(CArchiveException::endOfFile, ArchiveCause([&] { ar >> extra; }));
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
    test::TempDir dir;
    for (size_t cut = 0; cut < full.size(); ++cut) {
        Bytes part(full.begin(), full.begin() + cut);
        CMemFile mem;
        LoadInto(mem, part);
        CArchive memAr(&mem, CArchive::load);
        EXPECT_EQ(CArchiveException::endOfFile, ArchiveCause([&] { readAll(memAr); })) << "memory, cut at " << cut;

        CString path = dir / L"cut.bin";
        test::WriteBytes(path, part);
        CFile file(path, CFile::modeRead);
        CArchive fileAr(&file, CArchive::load);
        EXPECT_EQ(CArchiveException::endOfFile, ArchiveCause([&] { readAll(fileAr); })) << "file, cut at " << cut;
    }
    CMemFile mem;
    LoadInto(mem, full);
    CArchive ar(&mem, CArchive::load);
    EXPECT_EQ(-1, ArchiveCause([&] { readAll(ar); }));

    // The 8-bit form cut short as well.
    EXPECT_EQ(CArchiveException::endOfFile, ArchiveCause([] { LoadText({0x05, 'h', 'e'}); }));
    EXPECT_EQ(CArchiveException::endOfFile, ArchiveCause([] { LoadText({0xFF, 0x10}); }));
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

TEST(CArchiveTest, WrongDirectionRaisesReadOnlyOrWriteOnly)
{
    CMemFile file;
    LoadInto(file, {1, 2, 3, 4});
    CArchive loading(&file, CArchive::load);
    EXPECT_TRUE(loading.IsLoading());
    EXPECT_FALSE(loading.IsStoring());
    EXPECT_EQ(CArchiveException::readOnly, ArchiveCause([&] { loading << static_cast<DWORD>(1); }));
    EXPECT_EQ(CArchiveException::readOnly, ArchiveCause([&] { loading << CString(L"x"); }));
    EXPECT_EQ(CArchiveException::readOnly, ArchiveCause([&] { loading.WriteCount(1); }));
    EXPECT_EQ(CArchiveException::readOnly, ArchiveCause([&] { loading.Write("x", 1); }));

    CMemFile out;
    CArchive storing(&out, CArchive::store);
    EXPECT_TRUE(storing.IsStoring());
    DWORD dw;
    CString s;
    char c;
    EXPECT_EQ(CArchiveException::writeOnly, ArchiveCause([&] { storing >> dw; }));
    EXPECT_EQ(CArchiveException::writeOnly, ArchiveCause([&] { storing >> s; }));
    EXPECT_EQ(CArchiveException::writeOnly, ArchiveCause([&] { storing.ReadCount(); }));
    EXPECT_EQ(CArchiveException::writeOnly, ArchiveCause([&] { storing.Read(&c, 1); }));
    EXPECT_EQ(0u, storing.GetRemaining());
    storing.Close();
    EXPECT_EQ(0u, out.GetLength()) << "failed reads wrote nothing";
}

TEST(CArchiveTest, WritesReachTheFileWhenTheBufferIsFull)
{
    test::TempDir dir;
    CFile file(dir / L"buffered.bin", CFile::modeCreate | CFile::modeReadWrite);
    CArchive ar(&file, CArchive::store);
    Bytes filler(4093, 0x11);
    ar.Write(filler.data(), static_cast<UINT>(filler.size()));
    EXPECT_EQ(0u, file.GetLength()) << "written before the buffer was full";
    // The DWORD straddles the first 4096-byte boundary.
    ar << static_cast<DWORD>(0xA1B2C3D4);
    EXPECT_EQ(4096u, file.GetLength());
    Bytes filler2(8192 - 4097 - 3, 0x22);
    ar.Write(filler2.data(), static_cast<UINT>(filler2.size()));
    // The string's tag and length straddle the second boundary.
    CString text(L'w', 1000);
    ar << text;
    EXPECT_EQ(8192u, file.GetLength());
    ar.Flush();
    const ULONGLONG total = 4093 + 4 + filler2.size() + 6 + 2000;
    EXPECT_EQ(total, file.GetLength());
    ar.Close();

    file.SeekToBegin();
    Bytes raw(static_cast<size_t>(total));
    ASSERT_EQ(total, file.Read(raw.data(), static_cast<UINT>(total)));
    EXPECT_EQ((Bytes{0x11, 0xD4, 0xC3, 0xB2, 0xA1, 0x22}), Bytes(raw.begin() + 4092, raw.begin() + 4098));
    EXPECT_EQ((Bytes{0x22, 0xFF, 0xFE, 0xFF, 0xFF, 0xE8, 0x03, 'w', 0}), Bytes(raw.begin() + 8188, raw.begin() + 8197));

    file.SeekToBegin();
    CArchive in(&file, CArchive::load);
    Bytes back(4093);
    EXPECT_EQ(4093u, in.Read(back.data(), 4093));
    EXPECT_EQ(filler, back);
    DWORD dw = 0;
    in >> dw;
    EXPECT_EQ(0xA1B2C3D4u, dw);
    back.resize(filler2.size());
    EXPECT_EQ(filler2.size(), in.Read(back.data(), static_cast<UINT>(back.size())));
    EXPECT_EQ(filler2, back);
    CString s;
    in >> s;
    EXPECT_EQ(text, s);
    EXPECT_EQ(0u, in.GetRemaining());
}

namespace {

// A memory file that records the size of every read the archive asks of it.
class CReadLogFile : public CMemFile {
public:
    UINT Read(void* pBuffer, UINT nCount) override
    {
        requests.push_back(nCount);
        return CMemFile::Read(pBuffer, nCount);
    }
    std::vector<UINT> requests;
};

} // namespace

TEST(CArchiveTest, ReadsFillTheBufferInWholeChunks)
{
    CReadLogFile file;
    Bytes data(10000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(i * 7);
    LoadInto(file, data);
    CArchive ar(&file, CArchive::load);
    BYTE b = 0;
    ar >> b;
    EXPECT_EQ((std::vector<UINT>{4096}), file.requests);
    EXPECT_EQ(4096u, file.GetPosition());
    EXPECT_EQ(9999u, ar.GetRemaining());
    Bytes rest(9999);
    EXPECT_EQ(9999u, ar.Read(rest.data(), 20000));
    EXPECT_EQ(Bytes(data.begin() + 1, data.end()), rest);
    EXPECT_EQ((std::vector<UINT>{4096, 4096, 4096, 4096}), file.requests)
        << "three fills and the one that finds the end";
    EXPECT_EQ(0u, ar.Read(&b, 1));
}

TEST(CArchiveTest, TinyBufferRoundTrip)
{
    auto writeAll = [](CArchive& ar) {
        ar << CString(L"across many refills") << static_cast<ULONGLONG>(0x1122334455667788ull);
        ar.WriteCount(70000);
    };
    Bytes bytes = Store(writeAll, 3);
    EXPECT_EQ(Store(writeAll), bytes);
    CMemFile file;
    LoadInto(file, bytes);
    CArchive ar(&file, CArchive::load, 3);
    CString s;
    ULONGLONG ull = 0;
    ar >> s >> ull;
    EXPECT_EQ(CString(L"across many refills"), s);
    EXPECT_EQ(0x1122334455667788ull, ull);
    EXPECT_EQ(70000u, ar.ReadCount());
}

TEST(CArchiveTest, AbortAndDestructorDropTheBuffer)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << static_cast<DWORD>(5);
        ar.Abort();
        EXPECT_EQ(nullptr, ar.GetFile());
    }
    EXPECT_EQ(0u, file.GetLength());
    {
        CArchive ar(&file, CArchive::store);
        ar << static_cast<DWORD>(5);
    }
    EXPECT_EQ(0u, file.GetLength()) << "an archive that was not closed wrote nothing";
    {
        CArchive ar(&file, CArchive::store);
        EXPECT_EQ(&file, ar.GetFile());
        ar << static_cast<DWORD>(5);
        ar.Close();
        ar.Close();
        EXPECT_EQ(nullptr, ar.GetFile());
        EXPECT_EQ(CArchiveException::genericException, ArchiveCause([&] { ar << static_cast<DWORD>(6); }));
    }
    EXPECT_EQ(4u, file.GetLength());
}

TEST(CArchiveTest, ClosingALoadingArchiveRestoresTheFilePosition)
{
    CMemFile file;
    LoadInto(file, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    {
        CArchive ar(&file, CArchive::load);
        WORD w = 0;
        ar >> w;
        EXPECT_EQ(0x0201, w);
        EXPECT_EQ(8u, ar.GetRemaining());
        ar.Close();
    }
    EXPECT_EQ(2u, file.GetPosition());
    CArchive ar(&file, CArchive::load);
    BYTE b = 0;
    ar >> b;
    EXPECT_EQ(3, b);
}
