#include "framework/CArray.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

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
