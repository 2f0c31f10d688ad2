// Grid lines at the tick positions of an axis: spans, dashes, widths, which axes,
// the Escape polls and damaged axes.
#include "render/output.h"
#include "render/styledline.h"
#include "render/syncaxes.h"

#include "axis_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

using axistest::EscapeScript;
using axistest::Segment;
using axistest::Segments;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Grid : public ::testing::Test {
protected:
    void SetUp() override {
        // The dashes are checked move by move, not as the screen reduces them.
        reduction_ = SetRasterLineReduction(false);
        axistest::SetRoundFrame(set);
        set.Frame.TickThickRate = 32;
        set.Frame.FrameType = 2;
    }
    void TearDown() override { SetRasterLineReduction(reduction_); }

    std::vector<Segment> Draw(int axisNo, int quality = 1) {
        dc.Clear();
        set.DrawAxisGrid(OUT_DC, axisNo, quality, dc, nullptr, nullptr);
        return Segments(dc);
    }

    BoxFrame set;
    RecordingDC dc;

private:
    bool reduction_ = true;
};

TEST_F(Grid, SolidLinesAreOneMoveAndOneLineAcrossTheLeftRegion) {
    set.BottomAxis.MajorTickLineStyle = 1;
    set.BottomAxis.MajorTickLineColor = RGB(0, 0, 0xFF);
    const std::vector<Segment> s = Draw(BottomAxisNo);
    std::vector<Segment> want;
    for (int v = 0; v <= 10; v += 2) want.push_back({2000 + 700 * v, 3000, 2000 + 700 * v, 10000});
    EXPECT_EQ(s, want);
    EXPECT_EQ(dc.Calls("MoveToEx").size(), 6u);
    EXPECT_EQ(dc.Calls("LineTo").size(), 6u);
    // Major pen: 100 % of the 32-twip base; then the minor pen of its own.
    EXPECT_THAT(dc.Calls("SelectPen"),
                ElementsAre("SelectPen(0,32,#0000FF)", "SelectPen(0,32,#000000)"));
    EXPECT_EQ(dc.Calls("RestorePen").size(), 2u);

    Draw(BottomAxisNo, 0);  // draft
    EXPECT_THAT(dc.Calls("SelectPen"),
                ElementsAre("SelectPen(0,0,#0000FF)", "SelectPen(0,0,#000000)"));
}

TEST_F(Grid, MinorLinesBetweenTheMajorOnesOnlyWithADivision) {
    set.LeftAxis.MinorTickLineStyle = 1;
    EXPECT_THAT(Draw(LeftAxisNo), IsEmpty());  // division 1: no minor lines
    set.LeftAxis.MinorTickDivision = 2;
    const std::vector<Segment> s = Draw(LeftAxisNo);
    ASSERT_EQ(s.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const int y = 10000 - 700 * (2 * i + 1);
        EXPECT_EQ(s[i], (Segment{2000, y, 9000, y})) << i;
    }
}

TEST_F(Grid, LinesSpanTheDisplayRegionsOfTheLeftAndBottomAxes) {
    set.BottomAxis.DispRegionStart = 0;
    set.BottomAxis.DispRegionEnd = 50;
    for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis})
        a->MajorTickLineStyle = 1;
    // Vertical lines of the bottom and top axes run the full height of the left
    // axis's region; horizontal lines of the left and right axes only across the
    // bottom axis's half.
    for (int n : {BottomAxisNo, TopAxisNo}) {
        const std::vector<Segment> s = Draw(n);
        ASSERT_FALSE(s.empty());
        for (const Segment& g : s) {
            EXPECT_EQ(g.y1, 3000) << n;
            EXPECT_EQ(g.y2, 10000) << n;
        }
    }
    for (int n : {LeftAxisNo, RightAxisNo}) {
        const std::vector<Segment> s = Draw(n);
        ASSERT_FALSE(s.empty());
        for (const Segment& g : s) {
            EXPECT_EQ(g.x1, 2000) << n;
            EXPECT_EQ(g.x2, 5500) << n;
        }
    }
}

TEST_F(Grid, DashesStartAfreshAtTheStartOfEveryLine) {
    set.BottomAxis.MajorTickLineStyle = 3;  // "Dash": 5 on, 5 off
    set.BottomAxis.MajorTickLineWidth = 0;  // width 0: unit 20 twips
    set.BottomAxis.RangeInc = 5;
    const std::vector<Segment> s = Draw(BottomAxisNo);
    // 7000 twips of 100-twip dashes and gaps: 35 dashes per line, 3 lines.
    ASSERT_EQ(s.size(), 3u * 35u);
    for (int line = 0; line < 3; ++line) {
        const int x = 2000 + 3500 * line;
        EXPECT_EQ(s[line * 35], (Segment{x, 3000, x, 3100})) << line;
        EXPECT_EQ(s[line * 35 + 1], (Segment{x, 3200, x, 3300})) << line;
    }
    // Horizontal lines start with a dash at their left end.
    set.LeftAxis.MajorTickLineStyle = 3;
    set.LeftAxis.MajorTickLineWidth = 0;
    const std::vector<Segment> h = Draw(LeftAxisNo);
    ASSERT_FALSE(h.empty());
    EXPECT_EQ(h[0], (Segment{2000, 10000, 2100, 10000}));
}

TEST_F(Grid, BoxFrameDrawsOnlyTheBottomAndLeftGridsAfterSynchronisation) {
    set.Frame.FrameType = 0;
    int n = 0;
    for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis}) {
        a->MajorTickLineStyle = 1;
        a->MajorTickLineColor = RGB(0, 0, ++n);
    }
    SyncAxes(set);
    dc.Clear();
    set.DrawGrids(OUT_DC, 1, dc, nullptr, nullptr);
    EXPECT_EQ(Segments(dc).size(), 12u);  // six vertical, six horizontal
    // Every axis still selects its pens; only the first two draw with them.
    EXPECT_EQ(dc.Calls("SelectPen").size(), 8u);

    set.BottomAxis.IsVisible = 0;
    SyncAxes(set);
    dc.Clear();
    set.DrawGrids(OUT_DC, 1, dc, nullptr, nullptr);
    EXPECT_TRUE(dc.Calls().empty());
}

TEST_F(Grid, PollsEveryTenStepsAndStopsTheAxisOnEscape) {
    set.BottomAxis.RangeEnd = 100;
    set.BottomAxis.RangeInc = 1;
    set.BottomAxis.MajorTickLineStyle = 1;
    set.BottomAxis.MinorTickLineStyle = 1;
    {
        EscapeScript keys;
        EXPECT_EQ(Draw(BottomAxisNo).size(), 101u);
        // Steps 0..103 of the major and of the minor walk: polls before 1, 11, ... 101.
        EXPECT_EQ(keys.polls, 22);
    }
    {
        EscapeScript keys(3);  // Escape found before step 21
        EXPECT_EQ(Draw(BottomAxisNo).size(), 21u);  // values 0 .. 20
        EXPECT_EQ(keys.polls, 3);
        EXPECT_EQ(AbortRequested, 1);  // latched for the rest of the drawing
        // The minor grid is skipped; the major pen is given back.
        EXPECT_EQ(dc.Calls("SelectPen").size(), 1u);
        EXPECT_EQ(dc.Calls("RestorePen").size(), 1u);
        // Every further axis stops at its first poll.
        set.LeftAxis.MajorTickLineStyle = 1;
        EXPECT_EQ(Draw(LeftAxisNo).size(), 1u);
    }
    {
        EscapeScript keys;
        set.BottomAxis.Scaling = 1;  // decades: one poll per decade step
        set.BottomAxis.RangeStart = 1;
        set.BottomAxis.RangeEnd = 1e15;
        set.BottomAxis.MinorTickDivision = 10;
        EXPECT_EQ(Draw(BottomAxisNo).size(), 16u + 15u * 8u);
        EXPECT_EQ(keys.polls, 4);  // steps 0..18: before 1 and 11, in each walk
    }
}

TEST_F(Grid, DamagedAxesDrawNoLinesAndReturnPromptly) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    set.BottomAxis.MajorTickLineStyle = 1;
    set.BottomAxis.MinorTickLineStyle = 3;
    set.BottomAxis.MinorTickDivision = 0;
    set.BottomAxis.RangeInc = 0;
    set.BottomAxis.RangeStart = kNaN;
    EscapeScript keys;
    EXPECT_THAT(Draw(BottomAxisNo), IsEmpty());
    EXPECT_EQ(dc.Calls("RestorePen").size(), 2u);
    set.BottomAxis.RangeStart = 0;
    set.BottomAxis.RangeEnd = 1e12;
    set.BottomAxis.RangeInc = 1;
    EXPECT_THAT(Draw(BottomAxisNo), IsEmpty());
    EXPECT_EQ(keys.polls, 0);
}

TEST_F(Grid, ExtentAndVectorModes) {
    set.BottomAxis.MajorTickLineStyle = 1;
    set.BottomAxis.MinorTickLineStyle = 5;  // dotted minor lines
    set.BottomAxis.MinorTickDivision = 2;
    TRect extent;
    set.DrawAxisGrid(OUT_EXTENT, BottomAxisNo, 1, dc, nullptr, &extent);
    EXPECT_EQ(extent, TRect(2000 - 17, 3000 - 17, 9000 + 17, 10000 + 17));
    EXPECT_TRUE(dc.Calls().empty());

    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    set.DrawAxisGrid(OUT_VECTOR, BottomAxisNo, 1, dc, f, nullptr);
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buf[4096];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
    std::fclose(f);
    auto count = [&](const std::string& tag) {
        size_t c = 0;
        for (size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + 1)) ++c;
        return c;
    };
    EXPECT_EQ(count("/PEN"), 2u);
    EXPECT_EQ(count("/BGP"), 6u + 5u);  // one path per line, solid or dotted
    EXPECT_EQ(count("/SRP"), count("/BGP"));
    EXPECT_GT(count("/LNT"), 6u + 5u);  // the dots
}

}  // namespace
