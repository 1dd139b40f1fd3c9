#include "framework/CArchive.h"
#include "framework/CArray.h"
#include "framework/CMemFile.h"

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
    EXPECT_TRUE(RaisesInvalidArg([&] { a[2] = 5; }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.GetAt(-1); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.InsertAt(3, 1); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.RemoveAt(1, 2); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.SetSize(-1); }));
    a.InsertAt(2, 30);
    a.InsertAt(0, 5, 2);
    a.RemoveAt(1, 2);
    EXPECT_EQ((std::vector<int>{5, 20, 30}), std::vector<int>(a.GetData(), a.GetData() + a.GetSize()));
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
