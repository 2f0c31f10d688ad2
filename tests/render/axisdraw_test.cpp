// Where the ticks of an axis fall, and how the frame background, the ticks and the
// axis lines are drawn in each output mode.
#include "render/axisdraw.h"
#include "render/output.h"
#include "render/ticks.h"

#include "axis_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using axistest::Segment;
using axistest::Segments;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void SetAxis(AxisUnit& a, int scaling, double start, double end, double inc, int division) {
    a.Scaling = scaling;
    a.RangeStart = start;
    a.RangeEnd = end;
    a.RangeInc = inc;
    a.MinorTickDivision = division;
}

// Tick values compared to a relative precision of 1e-12.
void ExpectValues(const std::vector<double>& got, const std::vector<double>& want,
                  const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what << ::testing::PrintToString(got);
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], want[i], std::fabs(want[i]) * 1e-12 + 1e-15) << what << " #" << i;
}

std::vector<double> Range(double from, double to, double step) {
    std::vector<double> v;
    for (double x = from; x <= to + step * 1e-9; x += step) v.push_back(x);
    return v;
}

std::vector<double> Concat(std::initializer_list<std::vector<double>> parts) {
    std::vector<double> v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

TEST(AxisTicks, TablesForEveryScaling) {
    struct Case {
        const char* what;
        int scaling;
        double start, end, inc;
        int division;
        std::vector<double> major, minor;
    } cases[] = {
        {"linear 0..10 step 2", 0, 0, 10, 2, 2, {0, 2, 4, 6, 8, 10}, {1, 3, 5, 7, 9}},
        {"linear 0.05..0.95", 0, 0.05, 0.95, 0.1, 1, Range(0.1, 0.9, 0.1), {}},
        {"linear -3..3 step 2, fifths", 0, -3, 3, 2, 5, {-2, 0, 2},
         {-2.8, -2.4, -1.6, -1.2, -0.8, -0.4, 0.4, 0.8, 1.2, 1.6, 2.4, 2.8}},
        // A tick within a ten-millionth of the range past an end still counts.
        {"end short by 5e-7", 0, 0, 10 - 5e-7, 2, 1, {0, 2, 4, 6, 8, 10}, {}},
        {"end short by 1e-5", 0, 0, 10 - 1e-5, 2, 1, {0, 2, 4, 6, 8}, {}},
        {"log10 1..1000, fifths", 1, 1, 1000, 10, 5, {1, 10, 100, 1000},
         {2, 4, 6, 8, 20, 40, 60, 80, 200, 400, 600, 800}},
        {"log10 3..500, tenths", 1, 3, 500, 10, 10, {10, 100},
         Concat({Range(3, 9, 1), Range(20, 90, 10), Range(200, 500, 100)})},
        {"log10 0.01..1, halves", 1, 0.01, 1, 10, 2, {0.01, 0.1, 1}, {0.05, 0.5}},
        {"inverse 1..1000 as decades", 2, 1, 1000, 10, 1, {1, 10, 100, 1000}, {}},
        {"log10(L) 1..100 step 10", 3, 1, 100, 10, 1, Range(10, 100, 10), {}},
        {"inverse(L) 1..4 step 1, halves", 4, 1, 4, 1, 2, {1, 2, 3, 4}, {1.5, 2.5, 3.5}},
    };
    for (const Case& c : cases) {
        AxisUnit a;
        SetAxis(a, c.scaling, c.start, c.end, c.inc, c.division);
        ExpectValues(MajorTickValues(a), c.major, std::string(c.what) + " major");
        ExpectValues(MinorTickValues(a), c.minor, std::string(c.what) + " minor");
    }
}

TEST(AxisTicks, LinearLoopBoundsHoldTheWorkedExample) {
    AxisUnit a;
    SetAxis(a, 0, 0, 10, 2, 2);
    const AxisTickPlan p = PlanAxisTicks(a);
    EXPECT_TRUE(p.major);
    EXPECT_EQ(p.first, 0.0);
    EXPECT_EQ(p.count, 8);  // last = 12: k = 0..8, values 12, 14, 16 rejected
    EXPECT_EQ(p.minorCount, 14);
}

TEST(AxisTicks, DamagedAxesGetNoTicks) {
    struct Case {
        const char* what;
        int scaling;
        double start, end, inc;
        int division;
        bool major, minor;
    } cases[] = {
        {"increment 0", 0, 0, 10, 0, 2, false, false},
        {"increment negative", 0, 0, 10, -1, 2, false, false},
        {"increment NaN", 0, 0, 10, kNaN, 2, false, false},
        {"increment infinite", 3, 1, 10, kInf, 2, false, false},
        {"range NaN", 0, kNaN, kNaN, 1, 2, false, false},
        {"range empty", 0, 5, 5, 1, 2, false, false},
        {"range turned over", 0, 10, 0, 1, 2, false, false},
        {"range infinite", 0, 0, kInf, 1, 2, false, false},
        {"log10 from 0", 1, 0, 100, 10, 10, false, false},
        {"inverse from -1", 2, -1, 100, 10, 10, false, false},
        {"log10(L) from 0", 3, 0, 100, 10, 1, false, false},
        {"10^7 steps", 0, 0, 1e7, 1, 1, false, false},
        {"10^4 steps pass", 0, 0, 9990, 1, 1, true, true},
        {"minor division 0 counts as 1", 0, 0, 10, 2, 0, true, true},
        {"minor division -5 on decades", 1, 1, 100, 10, -5, true, true},
        {"too many minor steps", 0, 0, 100, 1, 1000, true, false},
        {"increment 0 on decades is not read", 1, 1, 100, 0, 1, true, true},
    };
    for (const Case& c : cases) {
        AxisUnit a;
        SetAxis(a, c.scaling, c.start, c.end, c.inc, c.division);
        const AxisTickPlan p = PlanAxisTicks(a);
        EXPECT_EQ(p.major, c.major) << c.what;
        EXPECT_EQ(p.minor, c.minor) << c.what;
        if (c.division < 1) {
            EXPECT_THAT(MinorTickValues(a), IsEmpty()) << c.what;
        }
    }
}

// The bottom axis of a "Box" frame at (2000, 3000), 7000 by 7000 twips.
class AxisDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        axistest::SetRoundFrame(set);
        set.Frame.TickLengthRate = 160;
        set.Frame.TickThickRate = 32;
    }
    std::vector<Segment> Draw(int axisNo, int quality = 1) {
        dc.Clear();
        set.DrawAxis(OUT_DC, axisNo, quality, dc, nullptr, nullptr);
        return Segments(dc);
    }

    BoxFrame set;
    RecordingDC dc;
};

TEST_F(AxisDrawing, MajorThenMinorTicksThenTheAxisLine) {
    set.BottomAxis.MinorTickDivision = 2;
    const std::vector<Segment> s = Draw(BottomAxisNo);
    std::vector<Segment> want;
    for (int v = 0; v <= 10; v += 2) want.push_back({2000 + 700 * v, 9840, 2000 + 700 * v, 10000});
    for (int v = 1; v <= 9; v += 2) want.push_back({2000 + 700 * v, 9920, 2000 + 700 * v, 10000});
    want.push_back({2000, 10000, 9000, 10000});
    EXPECT_THAT(s, ElementsAreArray(want));
    // One pen for the major ticks, one for the minor ticks, one for the line, each
    // given back; the width is 100 % of the 32-twip base.
    EXPECT_THAT(dc.Calls("SelectPen"), ElementsAre("SelectPen(0,32,#000000)", "SelectPen(0,32,#000000)",
                                                   "SelectPen(0,32,#000000)"));
    EXPECT_EQ(dc.Calls("RestorePen").size(), 3u);
}

TEST_F(AxisDrawing, TickSpansByAxisAndDirection) {
    struct Case {
        int axisNo, inside, outside;
        int t1, t2;  // across the axis for the major tick at value 0
    } cases[] = {
        {BottomAxisNo, 1, 0, 9840, 10000}, {BottomAxisNo, 0, 1, 10000, 10160},
        {BottomAxisNo, 1, 1, 9840, 10160}, {BottomAxisNo, 0, 0, 10000, 10000},
        {RightAxisNo, 1, 0, 8840, 9000},   {RightAxisNo, 0, 1, 9000, 9160},
        {LeftAxisNo, 1, 0, 2000, 2160},    {LeftAxisNo, 0, 1, 2000, 1840},
        {LeftAxisNo, 1, 1, 1840, 2160},    {LeftAxisNo, 2, 0, 2000, 2000},
        {TopAxisNo, 1, 0, 3000, 3160},     {TopAxisNo, 0, 1, 3000, 2840},
    };
    for (const Case& c : cases) {
        AxisUnit* a = const_cast<AxisUnit*>(AxisOfNumber(set, c.axisNo));
        a->TickInside = c.inside;
        a->TickOutside = c.outside;
        a->MinorTickDivision = 2;
        const std::vector<Segment> s = Draw(c.axisNo);
        ASSERT_EQ(s.size(), 6u + 5u + 1u) << c.axisNo;
        const bool horizontal = c.axisNo == BottomAxisNo || c.axisNo == TopAxisNo;
        const Segment& first = s[0];
        EXPECT_EQ(horizontal ? first.y1 : first.x1, c.t1) << c.axisNo << c.inside << c.outside;
        EXPECT_EQ(horizontal ? first.y2 : first.x2, c.t2) << c.axisNo << c.inside << c.outside;
        // Minor ticks are half as long, from the same place.
        const Segment& minor = s[6];
        const int p = horizontal ? minor.y1 : minor.x1;
        const int q = horizontal ? minor.y2 : minor.x2;
        EXPECT_EQ(std::abs(p - q), c.t1 == c.t2 ? 0 : (c.inside == 1 && c.outside == 1 ? 160 : 80));
    }
}

TEST_F(AxisDrawing, CrossingPositionsByFrameType) {
    set.LeftAxis.RangeStart = -5;
    set.LeftAxis.RangeEnd = 5;
    set.LeftAxis.AutoCrossPoint = 0;
    set.LeftAxis.CrossPointValue = 0;
    set.BottomAxis.AutoCrossPoint = 0;
    set.BottomAxis.CrossPointValue = 4;

    set.Frame.FrameType = 1;  // X-Y: the bottom axis runs at left value 0
    EXPECT_EQ(Draw(BottomAxisNo).back(), (Segment{2000, 6500, 9000, 6500}));
    EXPECT_EQ(Draw(LeftAxisNo).back(), (Segment{4800, 3000, 4800, 10000}));
    set.Frame.FrameType = 2;
    EXPECT_EQ(Draw(BottomAxisNo).back(), (Segment{2000, 6500, 9000, 6500}));
    set.Frame.FrameType = 0;  // a box keeps its axes on the frame edges
    EXPECT_EQ(Draw(BottomAxisNo).back(), (Segment{2000, 10000, 9000, 10000}));
    EXPECT_EQ(Draw(LeftAxisNo).back(), (Segment{2000, 3000, 2000, 10000}));
    // Top and right stay on their edges in every frame type.
    set.Frame.FrameType = 1;
    EXPECT_EQ(Draw(TopAxisNo).back(), (Segment{2000, 3000, 9000, 3000}));
    EXPECT_EQ(Draw(RightAxisNo).back(), (Segment{9000, 3000, 9000, 10000}));

    // A crossing value off the page puts the axis at 32767.
    set.LeftAxis.CrossPointValue = 1e6;
    EXPECT_EQ(Draw(BottomAxisNo).back(), (Segment{2000, 32767, 9000, 32767}));
}

TEST_F(AxisDrawing, AxisLineCoversTheDisplayRegionOnly) {
    set.Frame.OriginX = 2000.9;  // truncated before the region is taken
    set.BottomAxis.DispRegionStart = 20;
    set.BottomAxis.DispRegionEnd = 80;
    set.BottomAxis.MinorTickDivision = 4;
    const std::vector<Segment> s = Draw(BottomAxisNo);
    EXPECT_EQ(s.back(), (Segment{3400, 10000, 7600, 10000}));
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        EXPECT_GE(s[i].x1, 3400);
        EXPECT_LE(s[i].x1, 7601);
    }
    // Vertical axes count their region from the top edge down.
    set.LeftAxis.DispRegionStart = 0;
    set.LeftAxis.DispRegionEnd = 50;
    EXPECT_EQ(Draw(LeftAxisNo).back(), (Segment{2000, 3000, 2000, 6500}));
}

TEST_F(AxisDrawing, LogarithmicTicksArePlacedByTheirLogarithm) {
    SetAxis(set.BottomAxis, 1, 1, 1000, 10, 1);
    const std::vector<Segment> s = Draw(BottomAxisNo);
    ASSERT_EQ(s.size(), 5u);
    const int want[] = {2000, 4333, 6666, 9000};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(s[i].x1, want[i], 1) << i;
}

TEST_F(AxisDrawing, DraftDrawsWithTheThinnestPen) {
    Draw(BottomAxisNo, 0);
    for (const std::string& c : dc.Calls("SelectPen")) EXPECT_EQ(c, "SelectPen(0,0,#000000)");
}

TEST_F(AxisDrawing, WhichAxesTheFrameTypeShows) {
    // Each axis gets its own colour, so that the pens tell which axes were drawn.
    set.BottomAxis.TickColor = RGB(0, 0, 1);
    set.LeftAxis.TickColor = RGB(0, 0, 2);
    set.TopAxis.TickColor = RGB(0, 0, 3);
    set.RightAxis.TickColor = RGB(0, 0, 4);
    auto drawn = [&] {
        dc.Clear();
        set.DrawAxes(OUT_DC, 1, dc, nullptr, nullptr);
        std::string axes;
        const std::vector<std::string> pens = dc.Calls("SelectPen");
        for (size_t i = 0; i < pens.size(); i += 3) axes += pens[i].substr(pens[i].size() - 2, 1);
        return axes;
    };
    set.Frame.FrameType = 0;
    EXPECT_EQ(drawn(), "1234");
    set.BottomAxis.IsVisible = 0;  // a hidden bottom axis hides a whole box
    EXPECT_EQ(drawn(), "");
    set.Frame.FrameType = 1;
    EXPECT_EQ(drawn(), "");
    set.BottomAxis.IsVisible = 1;
    set.LeftAxis.IsVisible = 0;  // X-Y follows the bottom axis alone
    EXPECT_EQ(drawn(), "12");
    set.Frame.FrameType = 2;
    set.BottomAxis.IsVisible = 0;
    set.RightAxis.IsVisible = 0;
    EXPECT_EQ(drawn(), "3");
    EXPECT_EQ(Segments(dc).back(), (Segment{2000, 3000, 9000, 3000}));  // at OriginY
    set.Frame.FrameType = 7;
    EXPECT_EQ(drawn(), "");
}

TEST_F(AxisDrawing, DamagedAxisDrawsItsLineOnlyAndReturnsPromptly) {
    struct Damage {
        const char* what;
        int scaling;
        double start, end, inc;
        int division;
    } cases[] = {
        {"increment 0, range NaN", 0, kNaN, kNaN, 0, 2},
        {"increment 0", 0, 0, 10, 0, 2},
        {"range NaN", 0, kNaN, 10, 2, 2},
        {"log10 ending below 0", 1, -10, -1, 10, 10},
        {"a billion steps", 0, 0, 1e9, 1, 20},
        {"minor division 0", 0, 0, 10, 2, 0},
    };
    for (const Damage& c : cases) {
        SetAxis(set.BottomAxis, c.scaling, c.start, c.end, c.inc, c.division);
        const auto t0 = std::chrono::steady_clock::now();
        const std::vector<Segment> s = Draw(BottomAxisNo);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - t0).count();
        EXPECT_LT(ms, 500) << c.what;
        ASSERT_FALSE(s.empty()) << c.what;
        EXPECT_EQ(s.back(), (Segment{2000, 10000, 9000, 10000})) << c.what;
        const size_t ticks = c.division == 0 ? 6u : 0u;  // division 0: majors only
        EXPECT_EQ(s.size(), ticks + 1) << c.what;
    }
}

TEST_F(AxisDrawing, ExtentAndVectorModes) {
    set.BottomAxis.MinorTickDivision = 2;
    TRect extent;
    set.DrawAxis(OUT_EXTENT, BottomAxisNo, 1, dc, nullptr, &extent);
    // The line and the inward ticks, inflated by half the 32-twip pen plus 1.
    EXPECT_EQ(extent, TRect(2000 - 17, 9840 - 17, 9000 + 17, 10000 + 17));
    EXPECT_TRUE(dc.Calls().empty());

    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    set.DrawAxis(OUT_VECTOR, BottomAxisNo, 1, dc, f, nullptr);
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    auto count = [&](const std::string& tag) {
        size_t c = 0;
        for (size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + 1)) ++c;
        return c;
    };
    // Every tick and the line is a path of its own: 6 + 5 + 1.
    EXPECT_EQ(count("/BGP"), 12u);
    EXPECT_EQ(count("/MVT"), 12u);
    EXPECT_EQ(count("/LNT"), 12u);
    EXPECT_EQ(count("/SRP"), 12u);
    EXPECT_EQ(count("/PEN"), 3u);
    EXPECT_TRUE(dc.Calls().empty());
}

TEST_F(AxisDrawing, BackgroundFillsTheFrameOnlyWhenAsked) {
    set.Frame.OriginX = 2000.7;
    set.Frame.FrameBackColor = RGB(0x10, 0x20, 0x30);
    set.Frame.FrameBackPaint = 1;
    set.PaintBackground(OUT_DC, 1, dc, nullptr, nullptr);
    EXPECT_THAT(dc.Calls("Polygon"), ElementsAre("Polygon(2000,3000;2000,10000;9000,10000;9000,3000)"));
    EXPECT_THAT(dc.Calls("SelectBrush"), ElementsAre("SelectBrush(0,0,#102030)"));

    dc.Clear();
    set.Frame.FrameBackPaint = 0;
    set.PaintBackground(OUT_DC, 1, dc, nullptr, nullptr);
    EXPECT_THAT(dc.Calls("Polygon"), IsEmpty());
    EXPECT_EQ(dc.Calls("RestoreBrush").size(), 1u);
    EXPECT_EQ(dc.Calls("RestorePen").size(), 1u);

    TRect extent;
    set.Frame.FrameBackPaint = 1;
    set.PaintBackground(OUT_EXTENT, 1, dc, nullptr, &extent);
    EXPECT_EQ(extent, TRect(1999, 2999, 9001, 10001));
}

}  // namespace
