#include "platform/containers.h"
#include "platform/geometry.h"
#include "platform/winmath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <tuple>

namespace {

TEST(WinMathTest, MulDivRoundsHalfAwayFromZero) {
    const std::tuple<int, int, int, int> cases[] = {
        {10, 3, 4, 8},     // 7.5
        {-10, 3, 4, -8},   // -7.5
        {10, -3, 4, -8},
        {10, 3, -4, -8},
        {-10, -3, -4, -8},
        {-10, 3, -4, 8},
        {7, 1, 2, 4},
        {-7, 1, 2, -4},
        {5, 1, 3, 2},      // 1.67
        {4, 1, 3, 1},      // 1.33
        {-4, 1, 3, -1},
        {0, 5, 3, 0},
        {1000, 1440, 96, 15000},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},  // needs the 64-bit product
        {INT_MIN, 1, 1, INT_MIN},
        {INT_MAX, 3, 2, -1},  // overflow
        {INT_MIN, -1, 1, -1},
        {1, 1, 0, -1},        // zero divisor
        {0, 0, 0, -1},
    };
    for (const auto& [a, b, c, want] : cases)
        EXPECT_EQ(MulDiv(a, b, c), want) << a << "*" << b << "/" << c;
}

TEST(WinMathTest, GuardedTruncationAndRounding) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::tuple<double, int, int> trunc[] = {
        // value, TruncToInt, TruncToIntSaturated
        {2.9, 2, 2},
        {-2.9, -2, -2},
        {2147483647.9, INT_MAX, INT_MAX},
        {-2147483648.9, INT_MIN, INT_MIN},
        {2147483648.0, INT_MIN, INT_MAX},
        {-2147483649.0, INT_MIN, INT_MIN},
        {1e300, INT_MIN, INT_MAX},
        {inf, INT_MIN, INT_MAX},
        {-inf, INT_MIN, INT_MIN},
        {nan, INT_MIN, 0},
    };
    for (const auto& [v, want, saturated] : trunc) {
        EXPECT_EQ(TruncToInt(v), want) << v;
        EXPECT_EQ(TruncToIntSaturated(v), saturated) << v;
    }
    const std::pair<double, int> round[] = {
        {2.5, 3}, {-2.5, -3}, {0.49999999999999994, 0}, {-0.5, -1},
        {1.4, 1}, {1e20, INT_MAX}, {-1e20, INT_MIN}, {nan, 0},
    };
    for (const auto& [v, want] : round) EXPECT_EQ(RoundHalfAway(v), want) << v;
}

TEST(ContainersTest, ValueArrayWithLowerBoundOne) {
    TArrayAsVector<int> a(0, 1, 10);
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.UpperBound(), 0);
    EXPECT_EQ(a.Find(7), 0);  // not found: lower bound - 1
    for (int v : {10, 20, 30}) a.Add(v);
    EXPECT_EQ(a[1], 10);
    EXPECT_EQ(a[3], 30);
    EXPECT_EQ(a.UpperBound(), 3);

    EXPECT_TRUE(a.AddAt(5, 1));   // before the first
    EXPECT_TRUE(a.AddAt(40, 5));  // one past the end
    EXPECT_FALSE(a.AddAt(1, 0));
    EXPECT_FALSE(a.AddAt(1, 7));
    EXPECT_EQ(a.GetItemsInContainer(), 5);
    EXPECT_EQ(a.Find(20), 3);
    EXPECT_TRUE(a.Detach(3));
    EXPECT_FALSE(a.Detach(0));
    EXPECT_FALSE(a.Detach(5));
    EXPECT_EQ(a.Find(20), 0);
    const int want[] = {5, 10, 30, 40};
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(a[i], want[i - 1]);
    EXPECT_FALSE(a.IsValidIndex(0));
    EXPECT_TRUE(a.IsValidIndex(4));
    EXPECT_FALSE(a.IsValidIndex(5));

    // A long column grows by deltas and keeps every value in place.
    TArrayAsVector<double> col(0, 0, 1000);
    for (int i = 0; i < 5000; ++i) col.Add(i * 0.5);
    EXPECT_EQ(col.UpperBound(), 4999);
    EXPECT_EQ(col.data()[4321], 4321 * 0.5);
}

struct Tracked {
    static int live;
    int id;
    explicit Tracked(int i) : id(i) { ++live; }
    ~Tracked() { --live; }
};
int Tracked::live = 0;

TEST(ContainersTest, OwningArrayWithFixedCapacity) {
    Tracked::live = 0;
    {
        TIArrayAsVector<Tracked> list(1, 10, 999);
        for (int i = 1; i <= 999; ++i) ASSERT_TRUE(list.Add(new Tracked(i)));
        EXPECT_TRUE(list.IsFull());

        // The 1000th is refused and stays the caller's.
        auto* extra = new Tracked(1000);
        EXPECT_FALSE(list.Add(extra));
        EXPECT_FALSE(list.AddAt(extra, 1));
        auto owned = std::make_unique<Tracked>(1001);
        EXPECT_FALSE(list.Add(owned));
        ASSERT_NE(owned, nullptr);
        EXPECT_EQ(Tracked::live, 1001);
        delete extra;
        owned.reset();

        EXPECT_EQ(list[1]->id, 1);
        EXPECT_EQ(list[999]->id, 999);
        EXPECT_EQ(list.Find(list[500]), 500);
        EXPECT_EQ(list.At(0), nullptr);
        EXPECT_EQ(list.At(1000), nullptr);

        EXPECT_TRUE(list.Destroy(1));  // deletes
        EXPECT_EQ(Tracked::live, 998);
        EXPECT_FALSE(list.Destroy(999));
        Tracked* taken = list.Detach(1);  // hands over, does not delete
        ASSERT_NE(taken, nullptr);
        EXPECT_EQ(taken->id, 2);
        EXPECT_EQ(Tracked::live, 998);
        EXPECT_EQ(list.Find(taken), 0);
        EXPECT_EQ(list.Detach(0), nullptr);
        EXPECT_EQ(list[1]->id, 3);
        EXPECT_EQ(list.GetItemsInContainer(), 997);

        // With room again it takes pointers back, at a position too.
        EXPECT_TRUE(list.AddAt(taken, 1));
        EXPECT_EQ(list[1]->id, 2);
        EXPECT_EQ(list[2]->id, 3);
        auto* stray = new Tracked(0);
        EXPECT_FALSE(list.AddAt(stray, 0));
        delete stray;
    }
    EXPECT_EQ(Tracked::live, 0);  // the array deleted what it held
}

TEST(ContainersTest, OwningArrayFlushAndIteration) {
    Tracked::live = 0;
    TIArrayAsVector<Tracked> list;  // lower bound 1, no fixed capacity
    for (int i = 0; i < 1500; ++i) ASSERT_TRUE(list.Add(new Tracked(i)));
    EXPECT_EQ(list.LowerBound(), 1);
    EXPECT_FALSE(list.IsFull());
    int expect = 0;
    for (Tracked* t : list) EXPECT_EQ(t->id, expect++);
    EXPECT_EQ(expect, 1500);
    list.Swap(1, 1500);
    EXPECT_EQ(list[1]->id, 1499);
    list.Flush();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(Tracked::live, 0);
}

TEST(GeometryTest, RectanglesExcludeRightAndBottomEdges) {
    const TRect r(10, 20, 30, 40);
    EXPECT_TRUE(r.Contains({10, 20}));
    EXPECT_TRUE(r.Contains({29, 39}));
    EXPECT_FALSE(r.Contains({30, 25}));
    EXPECT_FALSE(r.Contains({15, 40}));
    EXPECT_FALSE(r.Contains({9, 25}));
    EXPECT_EQ(r.Width(), 20);
    EXPECT_FALSE(r.IsEmpty());
    EXPECT_TRUE(TRect(5, 5, 5, 10).IsEmpty());
    EXPECT_TRUE(TRect(30, 40, 10, 20).IsEmpty());
    EXPECT_EQ(TRect(30, 40, 10, 20).Normalized(), r);
    EXPECT_FALSE(TRect(30, 40, 10, 20).Contains({15, 25}));
    TRect g = r;
    EXPECT_EQ(g.Inflate(2, 3).Offset(-2, 1), TRect(6, 18, 30, 44));
}

}  // namespace
