#include "framework/CArchive.h"
#include "framework/CArray.h"
#include "framework/CMemFile.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using Bytes = std::vector<BYTE>;

namespace {

bool RaisesInvalidArg(const std::function<void()>& f)
{
    try {
        f();
    } catch (CInvalidArgException* e) {
        e->Delete();
        return true;
    }
    return false;
}

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

Bytes Serialized(CStringArray& list)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    list.Serialize(ar);
    ar.Close();
    return file.Detach();
}

void LoadFrom(CStringArray& list, const Bytes& bytes)
{
    CMemFile file;
    if (!bytes.empty())
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    list.Serialize(ar);
}

} // namespace

TEST(CArrayTest, IndexesOutOfRangeRaiseInvalidArg)
{
    CArray<int, int> a;
    EXPECT_TRUE(RaisesInvalidArg([&] { a.GetAt(0); }));
    a.Add(10);
    a.Add(20);
    EXPECT_EQ(20, a.GetAt(1));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.GetAt(2); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.GetAt(-1); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a[2] = 5; }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.SetAt(2, 5); }));
    a.SetAt(0, 11);
    EXPECT_EQ(11, a[0]);
    EXPECT_TRUE(RaisesInvalidArg([&] { a.ElementAt(-1); }));

    EXPECT_TRUE(RaisesInvalidArg([&] { a.InsertAt(3, 1); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.InsertAt(-1, 1); }));
    a.InsertAt(2, 30);
    a.InsertAt(0, 5, 2);
    EXPECT_EQ(5, a.GetSize());
    EXPECT_EQ((std::vector<int>{5, 5, 11, 20, 30}), std::vector<int>(a.GetData(), a.GetData() + a.GetSize()));

    EXPECT_TRUE(RaisesInvalidArg([&] { a.RemoveAt(5); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.RemoveAt(4, 2); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.RemoveAt(-1); }));
    a.RemoveAt(1, 2);
    EXPECT_EQ((std::vector<int>{5, 20, 30}), std::vector<int>(a.GetData(), a.GetData() + a.GetSize()));
    EXPECT_EQ(2, a.GetUpperBound());

    EXPECT_TRUE(RaisesInvalidArg([&] { a.SetSize(-1); }));
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(nullptr, a.GetData());
}

TEST(CArrayTest, StringListBytes)
{
    CStringArray list;
    list.Add(L"A");
    list.Add(L"BC");
    EXPECT_EQ((Bytes{0x02, 0x00, 0xFF, 0xFE, 0xFF, 0x01, 0x41, 0x00, 0xFF, 0xFE, 0xFF, 0x02, 0x42, 0x00, 0x43, 0x00}),
              Serialized(list));
    CStringArray empty;
    EXPECT_EQ((Bytes{0x00, 0x00}), Serialized(empty));
}

TEST(CArrayTest, StringListRoundTripThroughAFile)
{
    test::TempDir dir;
    CString path = dir / L"Patient Index";
    CStringArray list;
    for (int i = 0; i < 70000; ++i) {
        CString name;
        name.Format(L"Patient %d \u00E9", i);
        list.Add(name);
    }
    {
        CFile file(path, 0x1001);
        CArchive ar(&file, CArchive::store);
        list.Serialize(ar);
        ar.Flush();
        ar.Close();
        file.Close();
    }
    Bytes bytes = test::ReadBytes(path);
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ((Bytes{0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}), Bytes(bytes.begin(), bytes.begin() + 6))
        << "70000 needs the DWORD count";

    CStringArray back;
    back.Add(L"left over");
    CFile file(path, 0);
    CArchive ar(&file, CArchive::load);
    back.Serialize(ar);
    ASSERT_EQ(list.GetSize(), back.GetSize());
    for (INT_PTR i = 0; i < list.GetSize(); ++i)
        ASSERT_EQ(list[i], back[i]) << i;
}

TEST(CArrayTest, DamagedStringListIsEndOfFileAndLeavesNoList)
{
    CStringArray list;
    list.Add(L"A");
    list.Add(L"BC");
    Bytes full = Serialized(list);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        CStringArray back;
        back.Add(L"old");
        EXPECT_EQ(CArchiveException::endOfFile,
                  ArchiveCause([&] { LoadFrom(back, Bytes(full.begin(), full.begin() + cut)); }))
            << "cut at " << cut;
        EXPECT_EQ(0, back.GetSize()) << "cut at " << cut;
    }

    // Counts far beyond what the archive holds: refused before any string is read.
    const Bytes hostile[] = {
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00},
        {0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00},
        {0x05, 0x00, 0x00, 0x00, 0x00},
    };
    for (const Bytes& bytes : hostile) {
        CStringArray back;
        EXPECT_EQ(CArchiveException::endOfFile, ArchiveCause([&] { LoadFrom(back, bytes); }));
        EXPECT_EQ(0, back.GetSize());
    }

    // Exactly as many one-byte strings as bytes left is a valid list.
    CStringArray tight;
    LoadFrom(tight, {0x03, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(3, tight.GetSize());
    EXPECT_TRUE(tight[2].IsEmpty());
}
