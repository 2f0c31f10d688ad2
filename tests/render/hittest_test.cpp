#include "render/hittest.h"

#include "model/boxframe.h"
#include "platform/escape.h"
#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <QImage>

#include <climits>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(HitOutCode, RegionBits) {
    const TRect r(100, 100, 200, 200);
    struct Case {
        double x, y;
        int code;
    } cases[] = {
        {150, 150, 0}, {100, 100, 0}, {200, 200, 0},  // edges belong to the rectangle
        {99.5, 150, 1}, {250, 150, 2}, {150, 50, 4}, {150, 250, 8},
        {50, 50, 5},    {250, 50, 6},  {50, 250, 9},  {250, 250, 10},
    };
    for (const Case& c : cases) EXPECT_EQ(HitOutCode(c.x, c.y, r), c.code) << c.x << "," << c.y;
}

TEST(SegmentMeetsRect, SegmentsAgainstARectangle) {
    const TRect r(100, 100, 200, 200);
    struct Case {
        int x1, y1, x2, y2;
        short meets;
        const char* what;
    } cases[] = {
        {120, 120, 180, 180, 1, "both ends inside"},
        {150, 150, 150, 150, 1, "a point inside"},
        {150, 150, 500, 500, 1, "one end inside"},
        {0, 150, 300, 150, 1, "crossing from side to side"},
        {50, 200, 250, 200, 1, "along the bottom edge"},
        {0, 200, 200, 0, 1, "through the top-left corner"},
        {0, 0, 50, 300, 0, "both ends left of it"},
        {50, 201, 250, 201, 0, "just below"},
        {0, 150, 150, 0, 0, "across the top-left corner region"},
        {150, 260, 260, 150, 0, "across the bottom-right corner region"},
        {300, 300, 300, 300, 0, "a point outside"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SegmentMeetsRect(c.x1, c.y1, c.x2, c.y2, r), c.meets) << c.what;
        EXPECT_EQ(SegmentMeetsRect(c.x2, c.y2, c.x1, c.y1, r), c.meets) << c.what << " reversed";
    }
}

// An axis set whose frame covers (1000, 1000) to (11000, 11000): value v of the
// bottom and left axes (0 to 100) lies at x = 1000 + 100 v and y = 11000 - 100 v;
// the top axis runs 0 to 50.
class HitPlotTest : public ::testing::Test {
protected:
    void SetUp() override {
        AbortRequested = 0;
        set.Frame.OriginX = 1000.0;
        set.Frame.OriginY = 1000.0;
        set.Frame.FrameLengthX = 10000.0;
        set.Frame.FrameLengthY = 10000.0;
        for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis}) {
            a->RangeStart = 0.0;
            a->RangeEnd = 100.0;
        }
        set.TopAxis.RangeEnd = 50.0;
    }
    void TearDown() override {
        AbortRequested = 0;
        if (keysInstalled) kv::SetKeyMessageSource(std::move(previousKeys));
    }

    TPlot& AddSeries(const std::vector<std::pair<double, double>>& points) {
        auto p = std::make_unique<TPlot>();
        p->IsFileData = 0;
        for (const auto& [x, y] : points) {
            p->AddX(TDataElement(x, x == kInf ? 2 : 0));
            p->AddY(TDataElement(y, y == kInf ? 2 : 0));
        }
        TPlot& ref = *p;
        EXPECT_TRUE(set.PlotList.Add(p.release()));
        return ref;
    }
    // Points (x0 + i step, y) for i = 0 .. n - 1.
    TPlot& AddLine(int n, double y, double x0 = 0.0, double step = 1.0) {
        std::vector<std::pair<double, double>> pts;
        for (int i = 0; i < n; ++i) pts.push_back({x0 + i * step, y});
        return AddSeries(pts);
    }

    struct Result {
        short hit = 0;
        int series = -1;
        double x = -1.0, y = -1.0;
        int row = -1;
        bool operator==(const Result&) const = default;
    };
    Result Hit(int algorithm, int px, int py, int handle) {
        Result r;
        r.hit = HitPlot(&set, TPoint(px, py), handle, algorithm, &r.series, &r.x, &r.y, &r.row);
        return r;
    }
    static Result Found(int series, double x, double y, int row) { return {1, series, x, y, row}; }
    static Result None() { return {}; }

    // Every key poll answers an Escape press.
    void PressEscape() {
        previousKeys = kv::SetKeyMessageSource([](kv::KeyMessage* out) {
            *out = {WM_KEYDOWN, VK_ESCAPE};
            return true;
        });
        keysInstalled = true;
    }

    BoxFrame set;
    kv::KeyMessageSource previousKeys;
    bool keysInstalled = false;
};

TEST_F(HitPlotTest, StandardSplitsEachSegmentAtItsMiddle) {
    AddLine(10, 50.0);  // rows i at (1000 + 100 i, 6000)
    // Nearer row 5 than row 4: only the half of the segment that belongs to row 5
    // meets the pick square.
    EXPECT_EQ(Hit(DataHitStandard, 1460, 6000, 5), Found(1, 5, 50, 5));
    // Exactly at the middle both halves meet it; the points are equally far and the
    // lower row is kept.
    EXPECT_EQ(Hit(DataHitStandard, 1450, 6000, 5), Found(1, 4, 50, 4));
    // With a larger pick square both rows are candidates; the nearer one wins.
    EXPECT_EQ(Hit(DataHitStandard, 1470, 6010, 30), Found(1, 5, 50, 5));
    // Beside the line: nothing, and the results are left alone.
    EXPECT_EQ(Hit(DataHitStandard, 1450, 6200, 50), None());
}

TEST_F(HitPlotTest, StandardJoinsAcrossAMissingRow) {
    // Row 3 holds "*": rows 2 and 3 are passed over and the line is tested from
    // the middle of rows 1 and 2 (x 1150) straight to row 4 (x 1400).
    AddSeries({{0, 50}, {1, 50}, {2, 50}, {kInf, 50}, {4, 50}, {5, 50}, {6, 50}});
    EXPECT_EQ(Hit(DataHitStandard, 1280, 6000, 50), Found(1, 4, 50, 4));
    // Row 1's own half still ends at 1150.
    EXPECT_EQ(Hit(DataHitStandard, 1120, 6000, 20), Found(1, 1, 50, 1));
}

TEST_F(HitPlotTest, StandardOneRowAndTheFrame) {
    AddSeries({{50, 50}});  // at (6000, 6000)
    EXPECT_EQ(Hit(DataHitStandard, 6010, 5990, 20), Found(1, 50, 50, 0));
    EXPECT_EQ(Hit(DataHitStandard, 6030, 6000, 20), None());

    // A point drawn outside the frame (clipping off) is never hit, nor is a click
    // outside the frame; the right and bottom edges are outside.
    AddSeries({{-5, 50}, {100, 100}});  // at (500, 6000) and (11000, 1000)
    EXPECT_EQ(Hit(DataHitStandard, 500, 6000, 50), None());
    EXPECT_EQ(Hit(DataHitStandard, 11000, 1000, 50), None());
    EXPECT_EQ(Hit(DataHitStandard, 10990, 1000, 50), None());  // its point lies outside
}

TEST_F(HitPlotTest, LaterSeriesIsTriedFirst) {
    AddLine(10, 50.0);         // series 1 at y 6000
    AddLine(5, 50.3);          // series 2 at y 5970, rows 0 to 4
    TPlot& hidden = AddLine(10, 50.0);  // series 3, hidden
    hidden.Style.IsShown = 0;
    // Series 2 has a candidate, so it wins although series 1 passes nearer.
    EXPECT_EQ(Hit(DataHitStandard, 1200, 5995, 40), Found(2, 2, 50.3, 2));
    // Where series 2 has no point, series 1 is hit.
    EXPECT_EQ(Hit(DataHitStandard, 1800, 5995, 40), Found(1, 8, 50, 8));
    EXPECT_EQ(Hit(DataHitQuick, 1800, 6000, 40), Found(1, 8, 50, 8));
    // A series without rows is passed over.
    AddSeries({});
    EXPECT_EQ(Hit(DataHitBinary, 1200, 5970, 20), Found(2, 2, 50.3, 2));
}

TEST_F(HitPlotTest, ValuesGoThroughFormulasAndReferenceAxes) {
    TPlot& doubled = AddLine(10, 20.0);
    doubled.Style.IsXFormula = 1;
    doubled.Style.XFormula = "x*2";
    // Row 3 is shown at x 6.
    for (int mode : {DataHitStandard, DataHitQuick, DataHitBinary})
        EXPECT_EQ(Hit(mode, 1600, 9000, 20), Found(1, 6, 20, 3)) << mode;

    // Against the top axis (0 to 50) x 10 lies at 3000.
    TPlot& top = AddLine(3, 80.0, 5.0, 5.0);
    top.Style.RefAxisX = 0;
    for (int mode : {DataHitStandard, DataHitQuick, DataHitBinary})
        EXPECT_EQ(Hit(mode, 3000, 3000, 20), Found(2, 10, 80, 1)) << mode;
}

TEST_F(HitPlotTest, NoSearchAndUnknownModes) {
    AddLine(10, 50.0);
    EXPECT_EQ(Hit(DataHitStandard, 1300, 6000, 20), Found(1, 3, 50, 3));
    for (int mode : {DataHitNone, 4, -1}) EXPECT_EQ(Hit(mode, 1300, 6000, 20), None()) << mode;
}

TEST_F(HitPlotTest, FailedEvaluationEndsTheSearchWithoutAHit) {
    AddLine(10, 50.0);
    ASSERT_EQ(Hit(DataHitStandard, 1300, 6000, 20), Found(1, 3, 50, 3));
    // The series on top reads parameter column 5, which its file does not have:
    // the formula compiles, every evaluation fails.
    TPlot& failing = AddLine(10, 50.0);
    failing.Style.IsYFormula = 1;
    failing.Style.YFormula = "%05";
    for (int mode : {DataHitStandard, DataHitQuick, DataHitBinary})
        EXPECT_EQ(Hit(mode, 1300, 6000, 20), None()) << mode;

    // So does an X formula that fails at the end rows, which the binary search reads
    // first, and one that does not compile.
    failing.Style.IsYFormula = 0;
    failing.Style.IsXFormula = 1;
    for (const char* formula : {"%05", "x+"}) {
        failing.Style.XFormula = formula;
        for (int mode : {DataHitStandard, DataHitQuick, DataHitBinary})
            EXPECT_EQ(Hit(mode, 1300, 6000, 20), None()) << mode << " " << formula;
    }
}

TEST_F(HitPlotTest, EscapeLatchIsClearedAndAPressStopsTheSearch) {
    AddLine(10, 50.0);
    // A latch left by an earlier operation does not stop this search.
    AbortRequested = 1;
    EXPECT_EQ(Hit(DataHitStandard, 1300, 6000, 20), Found(1, 3, 50, 3));
    EXPECT_EQ(AbortRequested, 0);
    // An Escape during the scans ends them without a hit; the binary search alone
    // does not poll.
    PressEscape();
    EXPECT_EQ(Hit(DataHitStandard, 1300, 6000, 20), None());
    EXPECT_EQ(AbortRequested, 1);
    EXPECT_EQ(Hit(DataHitQuick, 1300, 6100, 20), None());  // window misses, the scan is stopped
    EXPECT_EQ(Hit(DataHitBinary, 1300, 6000, 20), Found(1, 3, 50, 3));
}

TEST_F(HitPlotTest, BinarySearchWindow) {
    set.BottomAxis.RangeEnd = 1000.0;  // x = 1000 + 10 v
    AddLine(1000, 50.0);               // rising: x = row
    EXPECT_EQ(Hit(DataHitBinary, 6000, 6000, 4), Found(1, 500, 50, 500));
    // The window takes the rows in rising order: the first inside the pick box wins.
    EXPECT_EQ(Hit(DataHitBinary, 6000, 6000, 25), Found(1, 498, 50, 498));

    // Falling X.
    set.PlotList.Flush();
    AddLine(1000, 50.0, 999.0, -1.0);
    EXPECT_EQ(Hit(DataHitBinary, 6000, 6000, 4), Found(1, 500, 50, 499));
    EXPECT_EQ(Hit(DataHitQuick, 3000, 6000, 4), Found(1, 200, 50, 799));
}

TEST_F(HitPlotTest, UnorderedXOnlyTheQuickScanFinds) {
    // Rows 1 and 3 lie out of order at x 20.3 and 20.1; the binary search ends at
    // the top rows and its window misses them. The scan returns the first row inside
    // the pick box, not the nearest.
    AddSeries({{0, 50}, {20.3, 50}, {1, 50}, {20.1, 50}, {2, 50}, {3, 50}, {4, 50}, {5, 50},
               {6, 50}, {7, 50}, {8, 50}, {9, 50}, {10, 50}, {11, 50}, {12, 50}});
    EXPECT_EQ(Hit(DataHitBinary, 3015, 6000, 50), None());
    EXPECT_EQ(Hit(DataHitQuick, 3015, 6000, 50), Found(1, 20.3, 50, 1));
    EXPECT_EQ(Hit(DataHitStandard, 3015, 6000, 50).row, 3);
}

TEST_F(HitPlotTest, ExtremeSizesDoNotOverflow) {
    AddSeries({{-1e300, 1e300}, {50, 50}, {1e300, -1e300}, {kInf, 3}});
    // The last row has no usable X, so the binary search has no window.
    const short expected[] = {1, 1, 0};
    for (int mode : {DataHitStandard, DataHitQuick, DataHitBinary}) {
        EXPECT_EQ(Hit(mode, 6000, 6000, INT_MAX).hit, expected[mode]) << mode;
        Hit(mode, 6000, 6000, -5);
    }
    set.Frame.FrameLengthX = 1e300;
    set.Frame.OriginY = -1e300;
    for (int mode : {DataHitStandard, DataHitQuick, DataHitBinary}) Hit(mode, 6000, 6000, 50);
    RecordingDC dc;
    DrawFrameSelection(dc, &set, INT_MAX);
}

TEST(FrameSelection, DottedRedRectangleAroundTheFrame) {
    BoxFrame set;
    set.Frame.OriginX = 1000.7;
    set.Frame.OriginY = 2000.9;
    set.Frame.FrameLengthX = 3000.9;
    set.Frame.FrameLengthY = 1500.5;
    RecordingDC dc;
    const TPen pen = dc.GetPen();
    const TBrush brush = dc.GetBrush();
    dc.SetROP2(R2_COPYPEN);
    dc.Clear();
    DrawFrameSelection(dc, &set, 30);
    // Each double truncated by itself, then summed: right 1000 + 3000 + 30.
    const std::vector<std::string> calls = dc.Calls();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls[0], "SetROP2(10)");
    EXPECT_EQ(calls[1], "SelectPen(2,0,#FF0000)");
    EXPECT_EQ(dc.Calls("Rectangle"), std::vector<std::string>{"Rectangle(970,1970,4030,3530)"});
    EXPECT_EQ(calls.back(), "SetROP2(13)");
    EXPECT_EQ(dc.GetPen(), pen);
    EXPECT_EQ(dc.GetBrush(), brush);

    // Drawn twice on a page, it leaves the page as it was.
    QImage img(300, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDC paint(&img);
        paint.SelectObject(TBrush(RGB(0, 90, 160)));
        paint.Rectangle(20, 20, 150, 120);
    }
    const QImage before = img;
    set.Frame.OriginX = 30;
    set.Frame.OriginY = 40;
    set.Frame.FrameLengthX = 200;
    set.Frame.FrameLengthY = 100;
    {
        TDC page(&img);
        DrawFrameSelection(page, &set, 5);
        page.Flush();
        EXPECT_NE(img, before);
        DrawFrameSelection(page, &set, 5);
    }
    EXPECT_EQ(img, before);
}

}  // namespace
