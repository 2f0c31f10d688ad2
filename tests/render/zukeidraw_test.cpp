#include "render/zukeidraw.h"

#include "kvx_records.h"
#include "model/boxframe.h"
#include "numerics/splines.h"
#include "platform/escape.h"
#include "render/output.h"
#include "render/styledline.h"
#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <climits>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using Recs = std::vector<std::string>;

// An axis set whose frame starts at (1000, 1000), with 32-twip figure lines and
// 500-twip arrow sides.
std::unique_ptr<BoxFrame> MakeSet() {
    auto set = std::make_unique<BoxFrame>();
    set->Frame.OriginX = 1000.0;
    set->Frame.OriginY = 1000.0;
    set->Frame.ZukeiLineRate = 32;
    set->Frame.YasenLength = 500;
    return set;
}

TZukei Figure(int kind, std::initializer_list<DoublePoint> nodes) {
    TZukei z;
    z.Kind = kind;
    for (const DoublePoint& p : nodes) z.Nodes.Add(p);
    return z;
}

Recs Vector(const BoxFrame& set, const TZukei& z, int quality = 1) {
    kvxtest::ScratchFile f;
    TDC dc;
    OutPageInfo(20000, 20000, nullptr);
    set.DrawZukei(OUT_VECTOR, dc, &z, quality, f, nullptr);
    return kvxtest::Records(f.Text());
}

// The records that draw something, without the attribute records.
Recs Shapes(const Recs& all) {
    Recs out;
    for (const std::string& r : all) {
        const std::string tag = r.substr(0, 3);
        if (tag != "PEN" && tag != "BRS" && tag != "SBC") out.push_back(r);
    }
    return out;
}

const std::string kPen32 = "PEN 1,0,0,0 32";
const std::string kNullPen = "PEN -2,0,0,0 0";
const std::string kNullBrush = "BRS -2,0,0,0";
const std::string kWhiteBk = "SBC 1,255,255,255";

TEST(ZukeiDraw, VerticalLineHeadsPointAlongTheLine) {
    // Downward: dx = 0 gives the direction 3.14 - asin(1). The start head opens
    // towards the line (its tip at the start), the end head away from it.
    auto set = MakeSet();
    TZukei down = Figure(ZukeiLine, {{0, 0}, {0, 1000}});
    down.Arrow = 3;
    EXPECT_EQ(Vector(*set, down),
              (Recs{kPen32, kNullBrush, kWhiteBk, "BGP", "MVT 1000,1000", "LNT 1000,2000", "EDP",
                    "SRP", "PLY 1000,1000 872,1483 1130,1482",
                    "PLY 1000,2000 870,1518 1129,1518", kWhiteBk}));

    // Upward, only the end head: the tip at the upper end, sides below it.
    TZukei up = Figure(ZukeiLine, {{0, 1000}, {0, 0}});
    up.Arrow = 2;
    EXPECT_EQ(Shapes(Vector(*set, up)), (Recs{"BGP", "MVT 1000,2000", "LNT 1000,1000", "EDP", "SRP",
                                              "PLY 1000,1000 1130,1482 871,1482"}));
}

TEST(ZukeiDraw, LineStylesAndHeadsWithoutOutline) {
    auto set = MakeSet();
    // No outline: only the two heads, filled with the brush, drawn with the null pen.
    TZukei heads = Figure(ZukeiLine, {{0, 0}, {0, 1000}});
    heads.PenType = 0;
    heads.Arrow = 3;
    heads.BrushType = -1;
    heads.ForeBrushColor = RGB(255, 0, 0);
    EXPECT_EQ(Vector(*set, heads),
              (Recs{kNullPen, "BRS -1,255,0,0", kWhiteBk, "PLY 1000,1000 872,1483 1130,1482",
                    "PLY 1000,2000 870,1518 1129,1518", kWhiteBk}));

    // A dashed line goes through the dash drawing: "Dash" of a 32-twip pen draws
    // 32 x 5 twips, leaves 32 x 5 blank.
    TZukei dashed = Figure(ZukeiLine, {{0, 0}, {400, 0}});
    dashed.PenType = LineStyleDash;
    EXPECT_EQ(Shapes(Vector(*set, dashed)),
              (Recs{"BGP", "MVT 1000,1000", "LNT 1160,1000", "MVT 1320,1000", "LNT 1400,1000",
                    "EDP", "SRP"}));

    // A segment shorter than one twip gets no head.
    TZukei dot = Figure(ZukeiLine, {{0, 0}, {0.5, 0.5}});
    dot.Arrow = 3;
    EXPECT_EQ(Shapes(Vector(*set, dot)),
              (Recs{"BGP", "MVT 1000,1000", "LNT 1000,1000", "EDP", "SRP"}));
}

TEST(ZukeiDraw, ShapesOfTheTwoNodeKinds) {
    auto set = MakeSet();
    // A dash style is not applied to the closed shapes: their outline is solid.
    TZukei rect = Figure(ZukeiRectangle, {{0, 0}, {800, 500}});
    rect.PenType = LineStyleDash;
    rect.Arrow = 3;
    EXPECT_EQ(Shapes(Vector(*set, rect)), Recs{"PLY 1000,1000 1800,1000 1800,1500 1000,1500"});

    TZukei round = Figure(ZukeiRoundRect, {{0, 0}, {800, 500}});
    EXPECT_EQ(Shapes(Vector(*set, round)).size(), 1u);
    EXPECT_EQ(Shapes(Vector(*set, round))[0].substr(0, 3), "RRT");

    TZukei ellipse = Figure(ZukeiEllipse, {{0, 0}, {800, 500}});
    EXPECT_EQ(Shapes(Vector(*set, ellipse)), Recs{"ELS 1000,1000,1800,1500"});

    // Nodes are relative to the frame origin: moving the axis set moves its figures.
    set->Frame.OriginX = 3000.4;
    EXPECT_EQ(Shapes(Vector(*set, ellipse)), Recs{"ELS 3000,1000,3800,1500"});
}

TEST(ZukeiDraw, AxisCutFillsWithoutOutlineAndStrokesTheSlantedSides) {
    // m = (1000 + 1301) / 2 = 1150, truncated. The sides are stroked in PenColor
    // even with the null line style.
    auto set = MakeSet();
    TZukei cut = Figure(ZukeiAxisCut, {{0, 0}, {301, 400}});
    cut.PenType = 0;
    cut.PenColor = RGB(0, 0, 255);
    cut.BrushType = -1;
    cut.ForeBrushColor = RGB(255, 255, 255);
    EXPECT_EQ(Vector(*set, cut),
              (Recs{kNullPen, "BRS -1,255,255,255", kWhiteBk, kNullPen,
                    "PLY 1000,1400 1150,1000 1301,1000 1150,1400", "PEN 1,0,0,255 32", "BGP",
                    "MVT 1000,1400", "LNT 1150,1000", "MVT 1150,1400", "LNT 1301,1000", "EDP",
                    "SRP", kWhiteBk}));
}

TEST(ZukeiDraw, ClosedPolylineHasNoArrowHeads) {
    auto set = MakeSet();
    TZukei poly = Figure(ZukeiPolyline, {{0, 0}, {1000, 0}, {1000, 1000}});
    poly.IsClosed = 1;
    poly.Arrow = 3;
    EXPECT_EQ(Vector(*set, poly),
              (Recs{kPen32, kNullBrush, kWhiteBk, kNullPen,
                    "PLY 1000,1000 2000,1000 2000,2000 1000,1000", kPen32, "BGP", "MVT 1000,1000",
                    "LNT 2000,1000", "LNT 2000,2000", "LNT 1000,1000", "EDP", "SRP", kWhiteBk}));

    // The same nodes open: the outline ends at the last node and both heads are
    // drawn, each after the figure's attributes again.
    poly.IsClosed = 0;
    EXPECT_EQ(Vector(*set, poly),
              (Recs{kPen32, kNullBrush, kWhiteBk, "BGP", "MVT 1000,1000", "LNT 2000,1000",
                    "LNT 2000,2000", "EDP", "SRP", kPen32, kNullBrush, kWhiteBk,
                    "PLY 1000,1000 1482,870 1482,1129", kPen32, kNullBrush, kWhiteBk,
                    "PLY 2000,2000 1870,1518 2129,1518", kWhiteBk}));
}

TEST(ZukeiDraw, TwoNodePolylineHeadAtItsSecondNode) {
    auto set = MakeSet();
    TZukei poly = Figure(ZukeiPolyline, {{0, 0}, {1000, 0}});
    poly.Arrow = 2;
    EXPECT_EQ(Shapes(Vector(*set, poly)), (Recs{"BGP", "MVT 1000,1000", "LNT 2000,1000", "EDP",
                                                "SRP", "PLY 2000,1000 1518,1130 1518,870"}));
}

TEST(ZukeiDraw, SplinePolylines) {
    auto set = MakeSet();
    TZukei spline = Figure(ZukeiPolyline, {{0, 0}, {500, 800}, {1000, 0}});
    spline.IsSpline = 1;
    spline.InterPointNo = 10;
    spline.Arrow = 2;
    Recs open = Shapes(Vector(*set, spline));
    // 2 segments x 10 divisions: 21 curve points, one move and 20 lines, from the
    // first node to the last, where the end head sits.
    ASSERT_EQ(open.size(), 25u);
    EXPECT_EQ(open[1], "MVT 1000,1000");
    EXPECT_EQ(open[21], "LNT 2000,1000");
    EXPECT_EQ(open.back().substr(0, 14), "PLY 2000,1000 ");

    // Closed: the sampled curve returns to its start, so the fill has no extra
    // point and the outline no extra segment; no heads.
    spline.IsClosed = 1;
    Recs closed = Shapes(Vector(*set, spline));
    ASSERT_GE(closed.size(), 2u);
    EXPECT_EQ(closed[0].substr(0, 14), "PLY 1000,1000 ");
    EXPECT_EQ(closed[0].substr(closed[0].size() - 10), " 1000,1000");
    const std::size_t fillPoints = std::count(closed[0].begin(), closed[0].end(), ' ');
    const std::size_t lines = std::count_if(closed.begin(), closed.end(),
                                            [](const std::string& r) { return r.rfind("LNT", 0) == 0; });
    EXPECT_EQ(fillPoints, lines + 1);
    EXPECT_EQ(closed.back(), "SRP");

    // Any other joining value draws no polyline.
    spline.IsSpline = 2;
    EXPECT_TRUE(Shapes(Vector(*set, spline)).empty());
}

TEST(ZukeiDraw, SplineDivisionsAreBounded) {
    struct Case {
        int stored, nodes, used;
    };
    const int perCurve = (kv::kSplineMaxCurvePoints - 1) / 1999;
    for (const Case c : {Case{100, 4, 100}, Case{1000, 4, 1000}, Case{25000000, 4, kv::kSplineMaxDivisions},
                         Case{INT_MAX, 3, kv::kSplineMaxDivisions}, Case{1000, 2000, perCurve},
                         Case{100, 1 << 21, 1}, Case{0, 4, 0}, Case{-7, 4, -7}})
        EXPECT_EQ(FigureSplineDivisions(c.stored, c.nodes), c.used) << c.stored << " " << c.nodes;

    // A stored count far beyond the limit draws the curve of the limit; the
    // figure keeps its count.
    auto set = MakeSet();
    TZukei huge = Figure(ZukeiPolyline, {{0, 0}, {3000, 500}, {2500, 3000}, {200, 2000}});
    huge.IsSpline = 1;
    huge.InterPointNo = 25000000;
    TZukei limit = huge;
    limit.InterPointNo = kv::kSplineMaxDivisions;
    EXPECT_EQ(Vector(*set, huge), Vector(*set, limit));
    ASSERT_NE(huge.SampledCurve, nullptr);
    EXPECT_EQ(huge.SampledCurve->Points.size(), 3u * kv::kSplineMaxDivisions + 1);
    EXPECT_EQ(huge.InterPointNo, 25000000);
}

// The curve is sampled once and kept until something it was sampled from
// changes; bounds and drawing share it, copies share it, and a sampling cut
// short by Escape is drawn but not kept.
TEST(ZukeiDraw, SplineCurveIsKeptUntilTheFigureChanges) {
    auto set = MakeSet();
    TZukei z = Figure(ZukeiPolyline, {{0, 0}, {500, 800}, {1000, 0}});
    z.IsSpline = 1;
    z.InterPointNo = 10;
    z.UpdateBounds();
    const ZukeiCurve* first = z.SampledCurve.get();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Points.size(), 21u);
    const Recs drawn = Vector(*set, z);
    Vector(*set, z);
    EXPECT_EQ(z.SampledCurve.get(), first) << "painting again samples nothing";
    const TZukei copy = z;
    EXPECT_EQ(copy.SampledCurve.get(), first);
    EXPECT_EQ(Vector(*set, copy), drawn);

    struct Change {
        const char* what;
        void (*apply)(TZukei&);
    };
    const Change changes[] = {
        {"a node moved", [](TZukei& f) { f.Nodes[1].Y = 801; }},
        {"a node added", [](TZukei& f) { f.Nodes.Add(DoublePoint(1200, 300)); }},
        {"closed", [](TZukei& f) { f.IsClosed = 1; }},
        {"divisions", [](TZukei& f) { f.InterPointNo = 11; }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        TZukei changed = z;
        c.apply(changed);
        const Recs again = Vector(*set, changed);
        EXPECT_NE(changed.SampledCurve.get(), first);
        EXPECT_NE(again, drawn);
    }

    TZukei cut = Figure(ZukeiPolyline, {{0, 0}, {500, 800}, {1000, 0}});
    cut.IsSpline = 1;
    AbortRequested = 1;
    Vector(*set, cut);
    AbortRequested = 0;
    EXPECT_EQ(cut.SampledCurve, nullptr);
    cut.UpdateBounds();  // samples with the poll off
    ASSERT_NE(cut.SampledCurve, nullptr);
    EXPECT_EQ(cut.SampledCurve->Points.size(), 201u);
}

TEST(ZukeiDraw, FiguresWithFewerThanTwoUsablePointsDrawNothing) {
    auto set = MakeSet();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        TZukei z;
    };
    std::vector<Case> cases;
    cases.push_back({"polyline without nodes", Figure(ZukeiPolyline, {})});
    cases.push_back({"polyline of one node", Figure(ZukeiPolyline, {{100, 100}})});
    cases.push_back({"closed polyline of one node", Figure(ZukeiPolyline, {{100, 100}})});
    cases.back().z.IsClosed = 1;
    cases.push_back({"spline of one node", Figure(ZukeiPolyline, {{100, 100}})});
    cases.back().z.IsSpline = 1;
    cases.push_back({"polyline with a node of no number",
                     Figure(ZukeiPolyline, {{100, 100}, {nan, 200}})});
    cases.push_back({"line of one node", Figure(ZukeiLine, {{100, 100}})});
    cases.push_back({"rectangle without nodes", Figure(ZukeiRectangle, {})});
    cases.push_back({"axis cut with an infinite node", Figure(ZukeiAxisCut, {{0, 0}, {inf, 5}})});
    cases.push_back({"kind of the legend tool", Figure(1026, {{0, 0}, {100, 100}})});
    for (Case& c : cases) {
        c.z.Arrow = 3;
        c.z.BrushType = -1;
        const Recs recs = Vector(*set, c.z);
        // The attributes are still selected and put back.
        EXPECT_EQ(recs, (Recs{kPen32, "BRS -1,0,0,0", kWhiteBk, kWhiteBk})) << c.what;
    }

    // A straight polyline leaves out the node without a number and draws the rest.
    TZukei gap = Figure(ZukeiPolyline, {{0, 0}, {nan, 5}, {100, 0}});
    EXPECT_EQ(Shapes(Vector(*set, gap)),
              (Recs{"BGP", "MVT 1000,1000", "LNT 1100,1000", "EDP", "SRP"}));
}

TEST(ZukeiDraw, PenWidthByQuality) {
    auto set = MakeSet();
    TZukei line = Figure(ZukeiLine, {{0, 0}, {100, 0}});
    auto penOf = [&](int quality) { return Vector(*set, line, quality).front(); };
    EXPECT_EQ(penOf(1), kPen32);         // 100 x 32 x 0.01
    EXPECT_EQ(penOf(0), "PEN 1,0,0,0 0");  // draft: the thinnest pen
    EXPECT_EQ(penOf(2), "PEN 1,0,0,0 0");
    line.PenWidth = 1;                     // 0.32 is raised to 1
    EXPECT_EQ(penOf(1), "PEN 1,0,0,0 1");
    line.PenWidth = -500;                  // only a damaged file: still the thinnest
    EXPECT_EQ(penOf(1), "PEN 1,0,0,0 1");
}

TEST(ZukeiDraw, ExtentOfALineWithHeads) {
    // Both end points and the heads' corners, each inflated by 32 / 2 + 1.
    auto set = MakeSet();
    TZukei line = Figure(ZukeiLine, {{0, 0}, {0, 1000}});
    line.Arrow = 3;
    TDC dc;
    TRect e;
    set->DrawZukei(OUT_EXTENT, dc, &line, 1, nullptr, &e);
    EXPECT_EQ(e, TRect(870 - 17, 1000 - 17, 1130 + 17, 2000 + 17));
}

TEST(ZukeiDraw, DeviceContextGetsItsAttributesBack) {
    auto set = MakeSet();
    TZukei rect = Figure(ZukeiRectangle, {{0, 0}, {100, 100}});
    rect.BrushType = 2;
    rect.ForeBrushColor = RGB(0, 128, 0);
    rect.BackBrushColor = RGB(1, 2, 3);
    RecordingDC dc;
    dc.SetBkColor(RGB(9, 9, 9));
    const TPen pen = dc.GetPen();
    const TBrush brush = dc.GetBrush();
    dc.Clear();
    set->DrawZukei(OUT_DC, dc, &rect, 1, nullptr, nullptr);
    EXPECT_EQ(dc.Calls("Polygon"), Recs{"Polygon(1000,1000;1100,1000;1100,1100;1000,1100)"});
    EXPECT_EQ(dc.Calls("SetBkColor").size(), 2u);
    EXPECT_EQ(dc.GetBkColor(), RGB(9, 9, 9));
    EXPECT_EQ(dc.GetPen(), pen);
    EXPECT_EQ(dc.GetBrush(), brush);
}

TEST(ZukeiDraw, DamagedFiguresDrawWithoutOverflow) {
    // Values only a damaged document holds: every mode draws something bounded and
    // nothing overflows.
    auto set = MakeSet();
    set->Frame.ZukeiLineRate = INT_MAX;
    set->Frame.YasenLength = INT_MAX;
    set->Frame.OriginX = 1e300;
    std::vector<TZukei> figures;
    for (int kind : {ZukeiLine, ZukeiRectangle, ZukeiRoundRect, ZukeiEllipse, ZukeiAxisCut,
                     ZukeiPolyline}) {
        TZukei z = Figure(kind, {{-1e300, 1e12}, {1e300, -1e12}, {5, 5}});
        z.PenWidth = INT_MAX;
        z.Arrow = 3;
        z.PenType = 3;
        figures.push_back(z);
        z.IsClosed = 1;
        z.IsSpline = 1;
        z.InterPointNo = INT_MAX;
        figures.push_back(z);
    }
    for (const TZukei& z : figures) {
        TRect e;
        TDC none;
        set->DrawZukei(OUT_EXTENT, none, &z, 1, nullptr, &e);
        EXPECT_FALSE(Vector(*set, z).empty());
        RecordingDC dc;
        set->DrawZukei(OUT_DC, dc, &z, 1, nullptr, nullptr);
        DrawPolylineOutline(set.get(), dc, &z, PS_DOT, 0);
        TZukei copy = z;
        copy.UpdateBounds();
    }
}

// A page with something on it, for the inverting feedback.
QImage Page() {
    QImage img(400, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    TDC dc(&img);
    dc.SelectObject(TBrush(RGB(30, 120, 200)));
    dc.Rectangle(50, 40, 250, 200);
    dc.SelectObject(TPen(RGB(200, 0, 0), 3));
    dc.MoveToEx(0, 290);
    dc.LineTo(390, 10);
    dc.Flush();
    return img;
}

TEST(ZukeiDraw, RubberBandDrawnTwiceRestoresThePage) {
    auto set = MakeSet();
    set->Frame.OriginX = 20.0;
    set->Frame.OriginY = 10.0;
    TZukei poly = Figure(ZukeiPolyline, {{0, 0}, {300, 40}, {150, 250}, {30, 200}});
    poly.IsClosed = 1;
    poly.IsSpline = 1;
    const QImage before = Page();

    for (int style : {PS_SOLID, PS_DOT}) {
        for (int noClose : {0, 1}) {
            QImage img = before;
            {
                TDC dc(&img);
                DrawPolylineOutline(set.get(), dc, &poly, style, noClose);
                EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
                dc.Flush();
                EXPECT_NE(img, before) << "the outline shows";
                DrawPolylineOutline(set.get(), dc, &poly, style, noClose);
                dc.Flush();
            }
            EXPECT_EQ(img, before) << style << " " << noClose;
        }
    }

    // The shape of a figure being made: drawn in draft quality over NOT-XOR.
    TZukei line = Figure(ZukeiLine, {{10, 20}, {300, 250}});
    line.Arrow = 3;
    TZukei ellipse = Figure(ZukeiEllipse, {{40, 40}, {200, 150}});
    for (const TZukei* z : {&line, &ellipse, &poly}) {
        QImage img = before;
        {
            TDC dc(&img);
            dc.SetROP2(R2_NOTXORPEN);
            set->DrawZukei(OUT_DC, dc, z, 0, nullptr, nullptr);
            dc.Flush();
            EXPECT_NE(img, before);
            set->DrawZukei(OUT_DC, dc, z, 0, nullptr, nullptr);
            dc.Flush();
        }
        EXPECT_EQ(img, before) << z->Kind;
    }
}

TEST(ZukeiDraw, PolylineOutlineCalls) {
    auto set = MakeSet();
    TZukei poly = Figure(ZukeiPolyline, {{0.9, 0.9}, {100.5, -0.5}, {200, 50}});
    poly.IsClosed = 1;
    poly.IsSpline = 1;  // still joined straight
    RecordingDC dc;
    DrawPolylineOutline(set.get(), dc, &poly, PS_SOLID, 1);
    EXPECT_EQ(dc.Calls(), (Recs{"SetROP2(10)", "SelectPen(0,0,#000000)", "MoveToEx(1000,1000)",
                                "LineTo(1100,1000)", "LineTo(1200,1050)", "SetROP2(13)"}));
    dc.Clear();
    DrawPolylineOutline(set.get(), dc, &poly, PS_DOT, 0);
    EXPECT_EQ(dc.Calls("LineTo").back(), "LineTo(1000,1000)");
    dc.Clear();
    TZukei line = Figure(ZukeiLine, {{0, 0}, {10, 10}});
    DrawPolylineOutline(set.get(), dc, &line, PS_DOT, 0);
    EXPECT_TRUE(dc.Calls("LineTo").empty());
    EXPECT_TRUE(dc.Calls("MoveToEx").empty());
}

}  // namespace
