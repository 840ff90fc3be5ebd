// Pointer array and group list: growth, order, reuse, and allocation failure.

#include "mesh/OruPtrArray.h"
#include "servers/OruGroupList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
// When set, the next nothrow array allocations fail (as on an exhausted heap).
int g_failNothrowArrays = 0;
int g_nothrowArrays = 0;
} // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    ++g_nothrowArrays;
    if (g_failNothrowArrays > 0) {
        --g_failNothrowArrays;
        return nullptr;
    }
    return std::malloc(size ? size : 1);
}

void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {
int Tag(int i) { return 0x1000 + i; }
void* P(int i) { return reinterpret_cast<void*>(static_cast<intptr_t>(Tag(i))); }
} // namespace

TEST(OruPtrArray, GrowsByItsStepKeepingOrderWithNullFreeSlots)
{
    OruPtrArray a(10, 10);
    EXPECT_EQ(10, a.capacity);
    EXPECT_EQ(0, a.count);
    for (int i = 0; i < 11; ++i)
        ASSERT_TRUE(a.Push(P(i)));
    EXPECT_EQ(20, a.capacity);
    EXPECT_EQ(11, a.count);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(P(i), a.items[i]);
    for (int i = 11; i < 20; ++i)
        EXPECT_EQ(nullptr, a.items[i]);

    for (int i = 11; i < 35; ++i)
        ASSERT_TRUE(a.Push(P(i)));
    EXPECT_EQ(40, a.capacity);
    for (int i = 0; i < 35; ++i)
        ASSERT_EQ(P(i), a.items[i]);
}

TEST(OruPtrArray, NullIsStoredAndCounted)
{
    OruPtrArray a(2, 3);
    EXPECT_TRUE(a.Push(nullptr));
    EXPECT_TRUE(a.Push(P(1)));
    EXPECT_TRUE(a.Push(nullptr));
    EXPECT_EQ(3, a.count);
    EXPECT_EQ(5, a.capacity);
    EXPECT_EQ(nullptr, a.items[0]);
    EXPECT_EQ(P(1), a.items[1]);
}

TEST(OruPtrArray, ClearKeepsTheBlockAndPushReusesIt)
{
    OruPtrArray a(4, 4);
    for (int i = 0; i < 4; ++i)
        a.Push(P(i));
    void** block = a.items;
    a.Clear();
    EXPECT_EQ(0, a.count);
    int before = g_nothrowArrays;
    for (int i = 0; i < 4; ++i)
        a.Push(P(10 + i));
    EXPECT_EQ(before, g_nothrowArrays) << "no allocation while the block has room";
    EXPECT_EQ(block, a.items);
    EXPECT_EQ(P(10), a.items[0]);
}

TEST(OruPtrArray, FailedGrowthIsReportedAndLosesNothing)
{
    OruPtrArray a(2, 2);
    a.Push(P(0));
    a.Push(P(1));
    g_failNothrowArrays = 1;
    EXPECT_FALSE(a.Push(P(2)));
    EXPECT_EQ(2, a.count);
    EXPECT_EQ(2, a.capacity);
    EXPECT_EQ(P(0), a.items[0]);
    EXPECT_EQ(P(1), a.items[1]);
    // Once memory is back the array grows as usual.
    EXPECT_TRUE(a.Push(P(2)));
    EXPECT_EQ(3, a.count);
    EXPECT_EQ(4, a.capacity);
}

TEST(OruPtrArray, FailedFirstBlockAndZeroStepStillWork)
{
    g_failNothrowArrays = 1;
    OruPtrArray a(10, 0);
    EXPECT_EQ(0, a.capacity);
    EXPECT_EQ(nullptr, a.items);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(a.Push(P(i)));
    EXPECT_EQ(3, a.count);
    EXPECT_EQ(P(2), a.items[2]);
}

TEST(OruGroupList, OwnsItsGroupsAndGrowsByTen)
{
    OruGroupList list;
    EXPECT_EQ(10, list.capacity);
    for (int i = 0; i < 11; ++i) {
        auto* group = new OruPtrArray(2, 2);
        group->Push(P(i));
        ASSERT_TRUE(list.Add(group));
    }
    EXPECT_EQ(11, list.count);
    EXPECT_EQ(20, list.capacity);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(P(i), list.groups[i]->items[0]);
    for (int i = 11; i < 20; ++i)
        EXPECT_EQ(nullptr, list.groups[i]);

    // The server operations do nothing, and leave every group in place.
    OruServer& server = list;
    EXPECT_EQ(0, server.InvalidateDeviceObjects());
    EXPECT_EQ(0, server.DeleteDeviceObjects());
    EXPECT_EQ(0, server.InitDeviceObjects());
    EXPECT_EQ(0, server.RestoreDeviceObjects());
    EXPECT_EQ(0, server.Update());
    EXPECT_EQ(11, list.count);
    EXPECT_EQ(P(10), list.groups[10]->items[0]);
}

TEST(OruGroupList, FailedGrowthLeavesTheGroupWithTheCaller)
{
    OruGroupList list;
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(list.Add(new OruPtrArray(1, 1)));
    OruPtrArray kept(1, 1);
    g_failNothrowArrays = 1;
    EXPECT_FALSE(list.Add(&kept));
    EXPECT_EQ(10, list.count);
    EXPECT_EQ(10, list.capacity);
}
