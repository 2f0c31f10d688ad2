#include "render/styledline.h"

#include "kvx_records.h"
#include "model/boxframe.h"
#include "platform/escape.h"
#include "render/output.h"
#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using Recs = std::vector<std::string>;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The records of one styled polyline in vector mode, without the caller's path
// bracket.
Recs Vector(const std::vector<DoublePoint>& pts, int style, int width, const TRect* clip = nullptr) {
    kvxtest::ScratchFile f;
    TDC dc;
    OutPageInfo(20000, 20000, nullptr);
    PathPointCount = 0;
    DrawStyledPolyline(OUT_VECTOR, dc, pts.data(), int(pts.size()) - 1, style, width, clip ? 1 : 0,
                       clip, f, nullptr);
    return kvxtest::Records(f.Text());
}

TEST(StyledPolyline, DashesRunOnAcrossSegments) {
    // "Dash" with width 0: 100 twips drawn, 100 blank. The second segment starts
    // inside the gap the first one left (phase 150) and moves to its 50-twip point
    // before drawing again.
    EXPECT_EQ(Vector({{0, 0}, {150, 0}, {300, 0}}, LineStyleDash, 0),
              (Recs{"MVT 0,0", "LNT 100,0", "MVT 150,0", "MVT 200,0", "LNT 300,0"}));
    // Solid with width 20 on 5000 twips: the first boundary lies 200000 twips away.
    EXPECT_EQ(Vector({{1000, 1000}, {6000, 1000}}, LineStyleSolid, 20),
              (Recs{"MVT 1000,1000", "LNT 6000,1000"}));
    // Dash Dot Dash with width 10 along a diagonal: 100 on, 30 off, 10 on, 30 off;
    // boundaries truncated toward zero.
    EXPECT_EQ(Vector({{0, 0}, {300, 400}}, LineStyleDashDotDash, 10),
              (Recs{"MVT 0,0", "LNT 60,80", "MVT 78,104", "LNT 84,112", "MVT 102,136",
                    "LNT 162,216", "MVT 180,240", "LNT 186,248", "MVT 204,272", "LNT 264,352",
                    "MVT 282,376", "LNT 288,384", "MVT 300,400"}));
    // Null and unknown styles draw nothing; so does a polyline of one point.
    EXPECT_TRUE(Vector({{0, 0}, {500, 0}}, LineStyleNull, 0).empty());
    EXPECT_TRUE(Vector({{0, 0}, {500, 0}}, 8, 0).empty());
    EXPECT_TRUE(Vector({{0, 0}, {500, 0}}, -1, 0).empty());
    EXPECT_TRUE(Vector({{0, 0}}, LineStyleSolid, 0).empty());
}

TEST(StyledPolyline, PatternsOfEveryStyle) {
    // One period of each pattern in units of 1 twip (width 1), from 0 along x.
    struct Case {
        int style;
        std::vector<int> elements;
    } cases[] = {
        {LineStyleLongDash, {10, 10}}, {LineStyleDash, {5, 5}},     {LineStyleShortDash, {3, 3}},
        {LineStyleDot, {1, 3}},        {LineStyleDashDotDash, {10, 3, 1, 3}},
        {LineStyleDashDotDotDash, {10, 3, 1, 3, 1, 3}},
    };
    for (const Case& c : cases) {
        int period = 0;
        Recs expected{"MVT 0,0"};
        for (size_t i = 0; i < c.elements.size(); ++i) {
            period += c.elements[i];
            std::string rec = i % 2 == 0 ? "LNT " : "MVT ";
            rec += std::to_string(period);
            rec += ",0";
            expected.push_back(rec);
        }
        // The segment ends exactly one period on: its end is the last boundary.
        Recs got = Vector({{0, 0}, {double(period), 0}}, c.style, 1);
        EXPECT_EQ(got, expected) << "style " << c.style;
    }
}

TEST(StyledPolyline, BreaksAtPointsThatAreNotFinite) {
    // The segments touching the break are not drawn; drawing resumes with a move to
    // the next usable point and the dash phase continues (150 into the pattern).
    for (double bad : {kInf, -kInf, kNaN, DBL_MAX}) {
        EXPECT_EQ(Vector({{0, 0}, {150, 0}, {bad, 5}, {1000, 0}, {1100, 0}}, LineStyleDash, 0),
                  (Recs{"MVT 0,0", "LNT 100,0", "MVT 150,0", "MVT 1000,0", "MVT 1050,0",
                        "LNT 1100,0"}))
            << bad;
        EXPECT_EQ(Vector({{0, 0}, {150, 0}, {5, bad}, {1000, 0}, {1100, 0}}, LineStyleDash, 0),
                  (Recs{"MVT 0,0", "LNT 100,0", "MVT 150,0", "MVT 1000,0", "MVT 1050,0",
                        "LNT 1100,0"}))
            << bad;
        // Leading points that are not usable: the line starts at the first usable one.
        EXPECT_EQ(Vector({{bad, 0}, {0, bad}, {10, 20}, {110, 20}}, LineStyleSolid, 0),
                  (Recs{"MVT 10,20", "LNT 110,20"}))
            << bad;
        // Nothing usable at all: nothing written.
        EXPECT_TRUE(Vector({{bad, 0}, {0, bad}}, LineStyleSolid, 0).empty()) << bad;
    }
}

TEST(StyledPolyline, ClipsBeforeDashing) {
    const TRect clip(0, 0, 1000, 1000);
    // Crossing the left edge: the move to the outside start, then to the edge.
    EXPECT_EQ(Vector({{-500, 500}, {500, 500}}, LineStyleSolid, 0, &clip),
              (Recs{"MVT -500,500", "MVT 0,500", "LNT 500,500"}));
    // Both ends left of the rectangle: nothing for that segment; the next one
    // starts with a move to where it enters (y 900 - 400/6 snapped to 833).
    EXPECT_EQ(Vector({{-500, 100}, {-100, 900}, {500, 500}}, LineStyleSolid, 0, &clip),
              (Recs{"MVT -500,100", "MVT 0,833", "LNT 500,500"}));
    // Leaving through the bottom edge: the line ends on it; the segment back in
    // starts with a move.
    EXPECT_EQ(Vector({{500, 500}, {500, 1500}, {700, 500}}, LineStyleSolid, 0, &clip),
              (Recs{"MVT 500,500", "LNT 500,1000", "MVT 600,1000", "LNT 700,500"}));
    // Without clipping, lines are still confined to +-30000 twips (the snap
    // trunc(v + 0.5) takes the left end to -29999).
    EXPECT_EQ(Vector({{-50000, 0}, {50000, 0}}, LineStyleSolid, 0),
              (Recs{"MVT -50000,0", "MVT -29999,0", "LNT 30000,0"}));
    // Dashes count from where the clipped segment starts.
    EXPECT_EQ(Vector({{-150, 10}, {250, 10}}, LineStyleDash, 0, &clip),
              (Recs{"MVT -150,10", "MVT 0,10", "LNT 100,10", "MVT 200,10", "LNT 250,10"}));
}

TEST(StyledPolyline, ExtentCountsMovesOnlyInsideTheClip) {
    const TRect clip(0, 0, 1000, 1000);
    const std::vector<DoublePoint> pts{{-500, 500}, {500, 500}, {500, 700}};
    TDC dc;
    TRect extent;
    DrawStyledPolyline(OUT_EXTENT, dc, pts.data(), 2, LineStyleSolid, 40, 1, &clip, nullptr,
                       &extent);
    // The outside start is not counted; the edge point is, inflated by 21.
    EXPECT_EQ(extent, TRect(-21, 479, 521, 721));
}

TEST(StyledPolyline, LongPathsRestartBelowAThousandPoints) {
    // A dotted line of width 1, a dot every 4 twips: 2000 boundaries on one segment.
    kvxtest::ScratchFile f;
    TDC dc;
    OutPageInfo(20000, 20000, nullptr);
    const std::vector<DoublePoint> pts{{0, 0}, {4001, 0}};
    OutBeginPath(OUT_VECTOR, dc, f);
    DrawStyledPolyline(OUT_VECTOR, dc, pts.data(), 1, LineStyleDot, 1, 0, nullptr, f, nullptr);
    OutEndPath(OUT_VECTOR, dc, f);
    OutStrokePath(OUT_VECTOR, dc, f);
    const Recs recs = kvxtest::Records(f.Text());

    int inPath = 0, paths = 0, points = 0;
    std::string last;
    std::vector<int> sizes;
    for (size_t i = 0; i < recs.size(); ++i) {
        const std::string& r = recs[i];
        if (r == "BGP") {
            inPath = 0;
            ++paths;
            // A restarted path begins where the last one ended.
            if (paths > 1) {
                EXPECT_EQ(recs[i + 1].substr(3), last.substr(3)) << i;
                EXPECT_EQ(recs[i + 1].substr(0, 3), "MVT") << i;
            }
        } else if (r == "EDP") {
            sizes.push_back(inPath);
            EXPECT_EQ(recs[i + 1], "SRP");
        } else if (r.rfind("MVT", 0) == 0 || r.rfind("LNT", 0) == 0) {
            ++inPath;
            ++points;
            last = r;
        }
    }
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[0], 998);
    EXPECT_EQ(sizes[1], 998);
    EXPECT_EQ(last, "LNT 4001,0");
    // The first move, 2000 boundaries, the end, and one move per restart.
    EXPECT_EQ(points, 2002 + 2);
}

TEST(StyledPolyline, PollsEscapeEvery100SegmentsAndStopsOnAbort) {
    std::vector<DoublePoint> pts;
    for (int i = 0; i <= 250; ++i) pts.emplace_back(i * 10.0, (i % 2) * 10.0);
    int polls = 0;
    bool escape = false;
    auto previous = kv::SetKeyMessageSource([&](kv::KeyMessage* m) {
        ++polls;
        if (!escape) return false;
        m->message = WM_KEYDOWN;
        m->key = VK_ESCAPE;
        return true;
    });
    AbortRequested = 0;
    TDC dc;
    TRect extent;
    DrawStyledPolyline(OUT_EXTENT, dc, pts.data(), 250, LineStyleSolid, 0, 0, nullptr, nullptr,
                       &extent);
    EXPECT_EQ(polls, 3);  // before segments 1, 101 and 201
    EXPECT_EQ(extent, TRect(-1, -1, 2501, 11));

    // An Escape before segment 1: only segment 0 is drawn, and the latch stays set.
    escape = true;
    Recs recs = Vector(pts, LineStyleSolid, 0);
    EXPECT_EQ(recs, (Recs{"MVT 0,0", "LNT 10,10"}));
    EXPECT_EQ(AbortRequested, 1);
    AbortRequested = 0;
    kv::SetKeyMessageSource(previous);
}

TEST(StyledPolyline, BadWidthsAndPhasesStillAdvance) {
    // A width below zero (a damaged file) dashes with the unit of width 0.
    const Recs zero = Vector({{0, 0}, {150, 0}, {300, 0}}, LineStyleDash, 0);
    EXPECT_EQ(Vector({{0, 0}, {150, 0}, {300, 0}}, LineStyleDash, -7), zero);
    EXPECT_EQ(Vector({{0, 0}, {150, 0}, {300, 0}}, LineStyleDash, INT_MIN), zero);
    EXPECT_EQ(DashUnit(-7), 20.0);
    EXPECT_EQ(DashUnit(0), 20.0);
    EXPECT_EQ(DashUnit(15), 15.0);

    // Beyond the end of a pattern the index is -1, which reads element 0.
    const double pattern[2] = {100, 100};
    EXPECT_EQ(DashPatternIndex(pattern, 2, 250, LineStyleDash), -1);
    EXPECT_EQ(DashPatternIndex(pattern, 2, 199.9, LineStyleDash), 1);
    EXPECT_EQ(DashPatternIndex(pattern, 2, 100, LineStyleDash), 1);
    EXPECT_EQ(DashPatternIndex(pattern, 2, 250, LineStyleSolid), 0);
    EXPECT_EQ(DashPatternRemainder(pattern, -1, 30), 70);
    EXPECT_EQ(DashPatternRemainder(pattern, 1, 150), 50);
}

TEST(ClipSegment, ResultsAndSnapping) {
    const TRect r(0, 0, 1000, 1000);
    struct Case {
        DoublePoint a, b;
        int result;
        DoublePoint ca, cb;  // after clipping, for results 0 to 3
    } cases[] = {
        {{10.4, 20.5}, {500, 600}, 0, {10, 21}, {500, 600}},
        {{-1.7, 5}, {-0.2, 9}, 4, {}, {}},
        {{-100, 500}, {100, 500}, 1, {0, 500}, {100, 500}},
        {{100, 500}, {100, 1500}, 2, {100, 500}, {100, 1000}},
        {{-500, -500}, {1500, 1500}, 3, {0, 0}, {1000, 1000}},
        {{1000, 1000}, {0, 0}, 0, {1000, 1000}, {0, 0}},  // edges are inside
        {{1001, 0}, {2000, 5}, 4, {}, {}},
        {{-10, 1200}, {1200, -10}, 3, {190, 1000}, {1000, 190}},
        {{-1.7, -1.7}, {-1.2, 3}, 4, {}, {}},
        {{-1.7, 3.6}, {0.6, 3.6}, 1, {0, 4}, {1, 4}},
    };
    for (const Case& c : cases) {
        DoublePoint a = c.a, b = c.b;
        const int result = ClipSegment(a, b, r);
        EXPECT_EQ(result, c.result) << c.a.X << "," << c.a.Y;
        if (c.result >= 0 && c.result < 4) {
            EXPECT_EQ(a, c.ca) << a.X << "," << a.Y;
            EXPECT_EQ(b, c.cb) << b.X << "," << b.Y;
        }
    }
    // -1.7 snaps to -1 (trunc(v + 0.5)), in a rectangle that holds it.
    DoublePoint a(-1.7, 0), b(3, 0);
    EXPECT_EQ(ClipSegment(a, b, TRect(-10, -10, 10, 10)), 0);
    EXPECT_EQ(a.X, -1.0);
    EXPECT_EQ(DashClipOutCode(DoublePoint(-1, 2000), r), 1 | 8);
    EXPECT_EQ(SegmentOutCode(DoublePoint(2000, -1), r), 2 | 4);
}

TEST(ClipSegment, RejectsWhatIsNotFinite) {
    const TRect r(0, 0, 1000, 1000);
    for (double bad : {kInf, -kInf, kNaN, DBL_MAX, -DBL_MAX}) {
        for (int which = 0; which < 4; ++which) {
            DoublePoint a(10, 10), b(20, 20);
            double* v[4] = {&a.X, &a.Y, &b.X, &b.Y};
            *v[which] = bad;
            EXPECT_EQ(ClipSegment(a, b, r), ClipNotFinite) << bad << " " << which;
        }
    }
    // Ends so far apart that their difference overflows give nothing usable rather
    // than a point that is not a number.
    DoublePoint a(-1e308, -1e308), b(1e308, 1e308);
    const int result = ClipSegment(a, b, r);
    if (result != ClipOutside) {
        ASSERT_GE(result, 0);
        for (double v : {a.X, a.Y, b.X, b.Y}) {
            EXPECT_TRUE(v >= 0 && v <= 1000) << v;
        }
    }
    // The same through a whole polyline: nothing reaches the file as garbage.
    const Recs recs = Vector({{-1e308, -1e308}, {1e308, 1e308}, {10, 10}}, LineStyleSolid, 0);
    for (const std::string& rec : recs) EXPECT_EQ(rec.find("nan"), std::string::npos) << rec;
}

TEST(ClippedSegment, WholeOrClippedOnceAndNothingForBadEnds) {
    const TRect clip(0, 0, 1000, 1000);
    auto draw = [&](DoublePoint a, DoublePoint b, bool on) {
        kvxtest::ScratchFile f;
        TDC dc;
        OutPageInfo(20000, 20000, nullptr);
        BoxFrame::DrawClippedSegment(OUT_VECTOR, 20, dc, a, b, &clip, f, nullptr, on);
        return kvxtest::Records(f.Text());
    };
    // Ends round as trunc(v + 0.5): -500.4 becomes -499.
    EXPECT_EQ(draw({-500.4, 200.5}, {500.6, 200.5}, false), (Recs{"MVT -499,201", "LNT 501,201"}));
    EXPECT_EQ(draw({-500.4, 200.5}, {500.6, 200.5}, true), (Recs{"MVT 0,201", "LNT 501,201"}));
    EXPECT_TRUE(draw({-500, 200}, {-100, 900}, true).empty());
    for (double bad : {kInf, kNaN, DBL_MAX}) {
        EXPECT_TRUE(draw({bad, 200}, {500, 200}, false).empty()) << bad;
        EXPECT_TRUE(draw({0, 200}, {500, bad}, true).empty()) << bad;
    }
    // Finite but beyond any page: nothing rather than a wrapped coordinate.
    EXPECT_TRUE(draw({-1e12, 200}, {500, 200}, false).empty());
    EXPECT_EQ(draw({-1e12, 200}, {500, 200}, true), (Recs{"MVT 0,200", "LNT 500,200"}));

    TDC dc;
    TRect extent;
    BoxFrame::DrawClippedSegment(OUT_EXTENT, 20, dc, {100, 100}, {300, 200}, &clip, nullptr, &extent,
                                 true);
    EXPECT_EQ(extent, TRect(89, 89, 311, 211));
}

}  // namespace

// ---- The per-column reduction on raster devices ----

namespace raster {

constexpr int kW = 1000, kH = 700;

void MapTwips(TDC& dc) {
    // 15 twips per pixel: a 1000 x 700 image shows 15000 x 10500 twips.
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize(15000, 10500));
    dc.SetViewportExt(TSize(kW, kH));
}

// The same page with y upward and x shifted by a window origin.
void MapUpward(TDC& dc) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowOrg(TPoint(-1000, 0));
    dc.SetWindowExt(TSize(15000, 10500));
    dc.SetViewportOrg(TPoint(0, kH));
    dc.SetViewportExt(TSize(kW, -kH));
}

// 7 twips a pixel, with extents so large that only the context itself can map
// them.
void MapHuge(TDC& dc) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize(2100000000, 2100000000));
    dc.SetViewportExt(TSize(300000000, 300000000));
}

QImage Draw(const std::vector<DoublePoint>& pts, int style, bool reduce, int rop = R2_COPYPEN,
            const TRect* clip = nullptr, void (*map)(TDC&) = MapTwips, int width = 0) {
    QImage img(kW, kH, QImage::Format_RGB32);
    img.fill(Qt::white);
    const bool old = SetRasterLineReduction(reduce);
    {
        TDC dc(&img);
        map(dc);
        dc.SetROP2(rop);
        dc.SelectObject(TPen(RGB(0, 0, 160), width));
        DrawStyledPolyline(OUT_DC, dc, pts.data(), int(pts.size()) - 1, style, width, clip ? 1 : 0,
                           clip, nullptr, nullptr);
    }
    SetRasterLineReduction(old);
    return img;
}

int DifferentPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// Deterministic pseudo-random numbers in [0, 1).
struct Lcg {
    unsigned long long s = 12345;
    double operator()() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return double(s >> 11) / double(1ULL << 53);
    }
};

}  // namespace raster

TEST(RasterReduction, DrawsTheSamePixelsAsEveryLine) {
    using namespace raster;
    Lcg rnd;
    struct Data {
        const char* name;
        std::vector<DoublePoint> pts;
        int style = LineStyleSolid;
        int rop = R2_COPYPEN;
    };
    std::vector<Data> sets;
    {
        Data d{"noise", {}};
        const int n = 200000;
        for (int i = 0; i < n; ++i) d.pts.emplace_back(15000.0 * i / n, 10500 * rnd());
        sets.push_back(std::move(d));
    }
    {
        Data d{"sine", {}};
        const int n = 100000;
        for (int i = 0; i < n; ++i) {
            const double x = 15000.0 * i / n;
            d.pts.emplace_back(x, 5000 + 4000 * std::sin(x / 300));
        }
        sets.push_back(std::move(d));
    }
    {
        // Plateaus of whole pixels: many points on one device point, zero-length
        // segments at the lowest and highest points of columns.
        Data d{"plateaus", {}};
        for (int i = 0; i < 60000; ++i)
            d.pts.emplace_back(1000 + i * 0.2, 3000 + 15 * int(5 * rnd()) + (i % 7 == 0 ? 7 : 0));
        sets.push_back(std::move(d));
    }
    {
        // One column of many points, then out and back, and back and forth in x.
        Data d{"column", {}};
        for (int i = 0; i < 5000; ++i) d.pts.emplace_back(7000 + 10 * rnd(), 10500 * rnd());
        for (int i = 0; i < 30000; ++i) d.pts.emplace_back(15000 * rnd(), 10500 * rnd());
        for (int i = 0; i < 5000; ++i) d.pts.emplace_back(3000 + 14 * rnd(), 2000 + 15 * int(3 * rnd()));
        sets.push_back(std::move(d));
    }
    {
        // Columns of more than four points that end on their highest or lowest
        // row, each run broken after its column so that no line out of it covers
        // the last point: drawn only where the column had left that row before.
        Data d{"back to an extreme", {}};
        const std::vector<std::vector<double>> shapes = {
            {3000, 3300, 3100, 3200, 3300},       {3300, 3000, 3200, 3100, 3000},
            {3000, 3100, 3200, 3250, 3300},       {3300, 3200, 3100, 3050, 3000},
            {3000, 3300, 3300, 3100, 3300, 3300}, {3150, 3000, 3300, 3001, 3100, 3004},
            {3000, 3300, 3000, 3300, 3000, 3300},
        };
        for (int c = 0; c < 210; ++c) {
            const std::vector<double>& ys = shapes[size_t(c) % shapes.size()];
            for (size_t i = 0; i < ys.size(); ++i)
                d.pts.emplace_back(15.0 * (20 + 4 * c) + double(i % 7), ys[i] + 15 * (c % 9));
            d.pts.emplace_back(kNaN, 0);
        }
        sets.push_back(std::move(d));
    }
    {
        Data d{"breaks", {}};
        for (int i = 0; i < 80000; ++i)
            d.pts.emplace_back(i % 777 == 0 ? kNaN : 15000.0 * i / 80000, 9000 * rnd() + 500);
        sets.push_back(std::move(d));
    }
    {
        Data d{"beyond the page", {}};
        for (int i = 0; i < 50000; ++i)
            d.pts.emplace_back(-5000 + 25000.0 * i / 50000, -20000 + 50000 * rnd());
        sets.push_back(std::move(d));
    }
    {
        Data d{"dashed", {}};
        for (int i = 0; i < 50000; ++i) d.pts.emplace_back(15000.0 * i / 50000, 10500 * rnd());
        d.style = LineStyleDash;
        sets.push_back(std::move(d));
    }
    // Thin pens, and pens of 2, 3 and 5 pixels (30, 45 and 75 twips).
    for (int width : {0, 30, 45, 75}) {
        for (const Data& whole : sets) {
            // Every wide line drawn alone is slow: a part of each set shows it.
            Data d = whole;
            if (width > 0 && d.pts.size() > 12000) d.pts.resize(12000);
            const QImage all = Draw(d.pts, d.style, false, d.rop, nullptr, MapTwips, width);
            const QImage reduced = Draw(d.pts, d.style, true, d.rop, nullptr, MapTwips, width);
            EXPECT_EQ(DifferentPixels(all, reduced), 0) << d.name << " width " << width;
            EXPECT_NE(all.pixel(0, 0), 0u) << d.name;  // something white is left
        }
    }
    // Every dash pattern on a wide pen.
    for (int style = LineStyleLongDash; style <= LineStyleDashDotDotDash; ++style) {
        const std::vector<DoublePoint> part(sets[0].pts.begin(), sets[0].pts.begin() + 12000);
        const QImage all = Draw(part, style, false, R2_COPYPEN, nullptr, MapTwips, 30);
        const QImage reduced = Draw(part, style, true, R2_COPYPEN, nullptr, MapTwips, 30);
        EXPECT_EQ(DifferentPixels(all, reduced), 0) << "style " << style;
    }
    // Clipped to a rectangle; other mappings.
    const TRect clip(2000, 2000, 12000, 8000);
    for (auto map : {MapTwips, MapUpward, MapHuge}) {
        const QImage all = Draw(sets[0].pts, LineStyleSolid, false, R2_COPYPEN, &clip, map);
        const QImage reduced = Draw(sets[0].pts, LineStyleSolid, true, R2_COPYPEN, &clip, map);
        EXPECT_EQ(DifferentPixels(all, reduced), 0);
        EXPECT_NE(all, Draw({}, LineStyleSolid, false));  // something was drawn
    }
    for (auto map : {MapUpward, MapHuge}) {
        for (int width : {0, 45}) {
            const QImage all = Draw(sets[2].pts, LineStyleSolid, false, R2_COPYPEN, nullptr, map, width);
            const QImage reduced = Draw(sets[2].pts, LineStyleSolid, true, R2_COPYPEN, nullptr, map, width);
            EXPECT_EQ(DifferentPixels(all, reduced), 0);
        }
    }
}

TEST(RasterReduction, ReachesTheDeviceReducedOnlyWhereItDrawsTheSame) {
    std::vector<DoublePoint> pts;
    raster::Lcg rnd;
    const int n = 100000;
    for (int i = 0; i < n; ++i) pts.emplace_back(15000.0 * i / n, 10500 * rnd());
    auto lines = [&](int rop, int penWidth, int style, int mode = OUT_DC) {
        RecordingDC dc;
        raster::MapTwips(dc);
        dc.SetROP2(rop);
        dc.SelectObject(TPen(0, penWidth));
        dc.Clear();
        DrawStyledPolyline(mode, dc, pts.data(), n - 1, style, penWidth, 0, nullptr, nullptr,
                           nullptr);
        return dc.Calls("LineTo").size() + dc.Calls("DeviceLine").size();
    };
    // On a raster display with plain copying, a column of a hundred points comes
    // to its rows and the line into the next column, whatever the pen width; the
    // dashes of a dashed line fill their columns too.
    for (int width : {0, 15, 45, 300}) {
        SCOPED_TRACE(width);
        EXPECT_LE(lines(R2_COPYPEN, width, LineStyleSolid), 2u * 1000 + 10);
    }
    EXPECT_LE(lines(R2_COPYPEN, 0, LineStyleDash), 4u * 1000);
    // NOT-XOR feedback gets every line (and the solid pattern's zero-length gaps
    // every 10000 pen widths).
    EXPECT_GE(lines(R2_NOTXORPEN, 0, LineStyleSolid), size_t(n - 1));
    EXPECT_GE(lines(R2_NOTXORPEN, 45, LineStyleSolid), size_t(n - 1));

    // Three points of one column (x = 7 at 15 twips a pixel) and a line to the
    // right: the column's rows 7 to 200 at once, the line out of it as it is, and
    // the pen left at the last point.
    RecordingDC dc;
    raster::MapTwips(dc);
    dc.Clear();
    const std::vector<DoublePoint> few{{100, 100}, {110, 3000}, {112, 200}, {3000, 200}};
    DrawStyledPolyline(OUT_DC, dc, few.data(), 3, LineStyleSolid, 0, 0, nullptr, nullptr, nullptr);
    EXPECT_EQ(dc.Calls(), (std::vector<std::string>{"DeviceLine(7,7,7,201)", "DeviceLine(7,13,200,13)",
                                                    "MoveToEx(3000,200)"}));

    // Extents and vector files carry every point.
    kvxtest::ScratchFile f;
    DrawStyledPolyline(OUT_VECTOR, dc, pts.data(), n - 1, LineStyleSolid, 0, 0, nullptr, f, nullptr);
    const std::string text = f.Text();
    size_t count = 0;
    for (size_t pos = 0; (pos = text.find("/LNT", pos)) != std::string::npos; ++pos) ++count;
    EXPECT_EQ(count, lines(R2_NOTXORPEN, 0, LineStyleSolid));
}
