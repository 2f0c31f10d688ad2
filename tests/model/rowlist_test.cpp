// The parameter-column and mask-row lists: one syntax, checked or applied.
#include "model/plot.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 10;

// A series of kRows rows; row 9 holds a "*" field and row 10 a "|" field in X.
TPlot TenRows() {
    TPlot p;
    for (int r = 1; r <= kRows; ++r) {
        std::uint8_t flag = r == 9 ? DataFlagStar : r == 10 ? DataFlagBar : 0;
        double x = flag ? std::numeric_limits<double>::infinity() : double(r);
        p.AddX(TDataElement(x, flag));
        p.AddY(TDataElement(double(r)));
    }
    return p;
}

std::set<int> SwitchedColumns(const TPlot& p) {
    std::set<int> on;
    for (int c = 1; c <= ParamColumnCount; ++c)
        if (p.PlotFile.ParamColumns[c - 1]) on.insert(c);
    return on;
}

std::set<int> MaskedRows(const TPlot& p) {
    std::set<int> on;
    for (int r = 1; r <= p.XData.GetItemsInContainer(); ++r)
        if (p.XData[r - 1].Flag & DataFlagMasked) on.insert(r);
    return on;
}

struct ListCase {
    const char* list;
    int params;           // ParseParameterColumns, both modes
    int maskCheck;        // ApplyMask checking the syntax only
    int maskApply;        // ApplyMask on kRows rows
    std::set<int> named;  // what a valid list names (columns, and rows where in range)
};

const ListCase kCases[] = {
    {"", 1, 1, 1, {}},
    {"   ", 1, 1, 1, {}},
    {"1, 3 - 5", 1, 1, 1, {1, 3, 4, 5}},
    {"1,3-5", 1, 1, 1, {1, 3, 4, 5}},
    {"4-4", 1, 1, 1, {4}},
    {"2,2,1-3", 1, 1, 1, {1, 2, 3}},
    {"007", 1, 1, 1, {7}},
    {"5-3", 0, 1, 0, {}},
    {"0", 0, 0, 0, {}},
    {"0-3", 0, 0, 0, {}},
    {"00", 0, 0, 0, {}},
    {",1", 0, 0, 0, {}},
    {"1,", 0, 0, 0, {}},
    {"1,,2", 0, 0, 0, {}},
    {"-5", 0, 0, 0, {}},
    {"5-", 0, 0, 0, {}},
    {"1-2-3", 0, 0, 0, {}},
    {"1\t2", 0, 0, 0, {}},
    {"1a", 0, 0, 0, {}},
    {"99", 1, 1, 0, {99}},
    {"100", 0, 1, 0, {}},
    {"11", 1, 1, 0, {11}},
    // Too large for an int: refused, never wrapped into a small number.
    {"4294967297", 0, 0, 0, {}},
    {"1-4294967297", 0, 0, 0, {}},
};

TEST(RowLists, EveryCaseInEveryMode) {
    for (const ListCase& c : kCases) {
        SCOPED_TRACE(c.list);
        TPlot p = TenRows();
        p.PlotFile.ParamColumns[40] = 1;
        EXPECT_EQ(p.ParseParameterColumns(c.list, 1), c.params);
        EXPECT_EQ(SwitchedColumns(p), std::set<int>{41}) << "the check changed the switches";
        EXPECT_EQ(p.ParseParameterColumns(c.list, 0), c.params);
        if (c.params) {
            EXPECT_EQ(SwitchedColumns(p), c.named);
        }

        EXPECT_EQ(p.ApplyMask(c.list, 1), c.maskCheck);
        EXPECT_TRUE(MaskedRows(p).empty());
        EXPECT_EQ(p.ApplyMask(c.list, 0), c.maskApply);
        if (c.maskApply) {
            EXPECT_EQ(MaskedRows(p), c.named);
        }
    }
}

TEST(RowLists, MasksLeaveMarkedRowsAndAreRebuiltEachTime) {
    TPlot p = TenRows();
    ASSERT_EQ(p.ApplyMask("8-10", 0), 1);
    EXPECT_EQ(MaskedRows(p), std::set<int>{8});
    EXPECT_EQ(p.XData[8].Flag, DataFlagStar);
    EXPECT_EQ(p.XData[9].Flag, DataFlagBar);
    EXPECT_EQ(p.YData[7].Flag, 0) << "only the X element carries the mask";

    ASSERT_EQ(p.ApplyMask("1", 0), 1);
    EXPECT_EQ(MaskedRows(p), std::set<int>{1});
    ASSERT_EQ(p.ApplyMask(" ", 0), 1);
    EXPECT_TRUE(MaskedRows(p).empty());
    EXPECT_EQ(p.XData[8].Flag, DataFlagStar);
}

TEST(RowLists, AFailingListKeepsTheItemsBeforeTheBadOne) {
    TPlot p = TenRows();
    EXPECT_EQ(p.ApplyMask("2,3-4,11,1", 0), 0);
    EXPECT_EQ(MaskedRows(p), (std::set<int>{2, 3, 4}));

    p.PlotFile.ParamColumns[50] = 1;
    EXPECT_EQ(p.ParseParameterColumns("1,7-8,x,2", 0), 0);
    EXPECT_EQ(SwitchedColumns(p), (std::set<int>{1, 7, 8}));
}

TEST(RowLists, MaskOnAnEmptySeriesRefusesEveryRow) {
    TPlot p;
    EXPECT_EQ(p.ApplyMask("1", 0), 0);
    EXPECT_EQ(p.ApplyMask("", 0), 1);
    EXPECT_EQ(p.ApplyMask("1", 1), 1);
}

TEST(RowLists, CountDashes) {
    EXPECT_EQ(CountDashes(""), 0u);
    EXPECT_EQ(CountDashes("3-5"), 1u);
    EXPECT_EQ(CountDashes("-1-2-"), 3u);
    EXPECT_EQ(CountDashes("a-b c-d"), 2u);
}

}  // namespace
