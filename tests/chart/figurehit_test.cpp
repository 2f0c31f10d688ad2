// Picking a figure of the current axis set: each kind's notion of being under the
// point, the order of overlapping figures and the selection a hit leaves.

#include "chart_fixture.h"

#include "numerics/splines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>

using charttest::MakeChart;
using charttest::TestApp;

namespace {

constexpr int H = 10;
constexpr int Hollow = -2;
constexpr int Solid = -1;

// The current axis set's frame origin is (1000, 2000); figure nodes are relative
// to it.
class FigurePick : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart(800, 600, false);
        w->HandleSize = H;
        set = w->Document.Current;
        set->Frame.OriginX = 1000.7;  // truncated to 1000
        set->Frame.OriginY = 2000;
    }
    void TearDown() override { charttest::ResetEscape(); }

    static TZukei* Add(BoxFrame& s, int kind, std::initializer_list<DoublePoint> nodes,
                       int brush = Hollow) {
        auto z = std::make_unique<TZukei>();
        z->Kind = kind;
        z->BrushType = brush;
        for (const DoublePoint& p : nodes) z->Nodes.Add(p);
        z->UpdateBounds();
        TZukei* p = z.get();
        s.ZukeiList.Add(z.release());
        return p;
    }
    // The number of the figure at p (0: none).
    int Pick(TPoint p) {
        TRect r;
        if (!w->HitFigure(p, r)) return 0;
        return set->Selected.Zukeis[0];
    }
    bool Hit(TPoint p) {
        TRect r;
        return w->HitFigure(p, r) == 1;
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
};

TEST_F(FigurePick, LineAlongItsOwnDiagonal) {
    // From lower left (1000, 3000) to upper right (2000, 2000).
    Add(*set, ZukeiLine, {{0, 1000}, {1000, 0}});
    EXPECT_TRUE(Hit({1500, 2500}));
    EXPECT_TRUE(Hit({1500 + H, 2500}));  // the pick square's edge counts
    EXPECT_FALSE(Hit({1500 + 2 * H + 1, 2500}));
    EXPECT_FALSE(Hit({1250, 2250}));  // the other diagonal of its box
    EXPECT_TRUE(Hit({995, 3005}));
}

TEST_F(FigurePick, RectanglesHollowAndFilled) {
    // Page box (1000, 2000) - (2000, 2800).
    struct Case {
        int kind, brush;
        TPoint p;
        bool hit;
    } cases[] = {
        {ZukeiRectangle, Hollow, {1000 - H, 2400}, true},
        {ZukeiRectangle, Hollow, {1000 - H - 1, 2400}, false},
        {ZukeiRectangle, Hollow, {1000 + H - 1, 2400}, true},
        {ZukeiRectangle, Hollow, {1000 + H, 2400}, false},
        {ZukeiRectangle, Hollow, {1500, 2400}, false},
        {ZukeiRectangle, Hollow, {1500, 2800 + H - 1}, true},
        {ZukeiRectangle, Hollow, {1500, 2800 + H}, false},
        {ZukeiRectangle, Solid, {1500, 2400}, true},
        {ZukeiRectangle, 3, {1500, 2400}, true},  // a hatch fills too
        {ZukeiRectangle, Solid, {1000 - H, 2000 - H}, true},
        {ZukeiRectangle, Solid, {1000 - H - 1, 2400}, false},
        // The rounding of the corners is not looked at.
        {ZukeiRoundRect, Hollow, {1000, 2000}, true},
        {ZukeiRoundRect, Hollow, {1500, 2400}, false},
        {ZukeiRoundRect, Solid, {1001, 2001}, true},
    };
    for (const Case& c : cases) {
        set->ZukeiList.Flush();
        Add(*set, c.kind, {{1000, 800}, {0, 0}}, c.brush);  // dragged up and left
        EXPECT_EQ(Hit(c.p), c.hit) << c.kind << " " << c.brush << " " << c.p.x << "," << c.p.y;
    }
}

TEST_F(FigurePick, NarrowHollowRectangleIsAllBand) {
    Add(*set, ZukeiRectangle, {{0, 0}, {2 * H, 800}});
    EXPECT_TRUE(Hit({1000 + H, 2400}));
    EXPECT_FALSE(Hit({1000 + 3 * H, 2400}));
}

TEST_F(FigurePick, EllipsesEitherWayRound) {
    // Page box (1000, 2000) - (2000, 2800): a = 500, b = 400, centre (1500, 2400).
    struct Case {
        int brush;
        TPoint p;
        bool hit;
    } cases[] = {
        {Hollow, {1000, 2400}, true},
        {Hollow, {1500, 2000 + 5}, true},
        {Hollow, {1500, 2400}, false},
        {Hollow, {1000 + 2 * H, 2400}, false},
        {Hollow, {1000, 2000}, false},  // the box corner is far from the outline
        {Solid, {1500, 2400}, true},
        {Solid, {992, 2400}, true},
        {Solid, {985, 2400}, false},
    };
    for (bool reversed : {false, true}) {
        for (const Case& c : cases) {
            set->ZukeiList.Flush();
            if (reversed)
                Add(*set, ZukeiEllipse, {{1000, 800}, {0, 0}}, c.brush);
            else
                Add(*set, ZukeiEllipse, {{0, 0}, {1000, 800}}, c.brush);
            EXPECT_EQ(Hit(c.p), c.hit) << reversed << " " << c.brush << " " << c.p.x << "," << c.p.y;
        }
    }
}

TEST_F(FigurePick, ThinHollowEllipses) {
    // Half-axis a = H: the inner ellipse degenerates to the centre line, where
    // 0/0 counts as inside it.
    Add(*set, ZukeiEllipse, {{0, 0}, {2 * H, 200}});
    EXPECT_FALSE(Hit({1000 + H, 2100}));
    EXPECT_TRUE(Hit({1000 + H - 5, 2100}));
    EXPECT_TRUE(Hit({1000 + H + 5, 2100}));

    // Half-axis a = H / 2: every point of it is within H of the outline, the
    // centre included.
    set->ZukeiList.Flush();
    Add(*set, ZukeiEllipse, {{0, 0}, {H, 200}});
    EXPECT_TRUE(Hit({1000 + H / 2, 2100}));
    EXPECT_TRUE(Hit({1000 + H / 2, 2020}));
    EXPECT_FALSE(Hit({1000 + H / 2 + 2 * H, 2100}));
}

TEST_F(FigurePick, AxisCutAnywhereInItsBox) {
    // The drawn parallelogram leaves the box's top-left corner empty.
    Add(*set, ZukeiAxisCut, {{0, 0}, {400, 300}});
    EXPECT_TRUE(Hit({1005, 2005}));
    EXPECT_TRUE(Hit({1000 - H, 2000 - H}));
    EXPECT_FALSE(Hit({1000 - H - 1, 2005}));
    EXPECT_TRUE(Hit({1200, 2150}));
}

TEST_F(FigurePick, StraightPolylineAndItsClosingSegment) {
    TZukei* z = Add(*set, ZukeiPolyline, {{0, 0}, {1000, 0}, {1000, 1000}});
    EXPECT_TRUE(Hit({1500, 2000 + H}));
    EXPECT_TRUE(Hit({2000, 2500}));
    EXPECT_FALSE(Hit({1500, 2500}));  // on the chord from the last node back to node 0
    z->IsClosed = 1;
    EXPECT_TRUE(Hit({1500, 2500}));
    EXPECT_FALSE(Hit({1500, 2400}));
}

TEST_F(FigurePick, PolylinesWithoutTwoUsableNodesAreNeverHit) {
    TZukei* z = Add(*set, ZukeiPolyline, {});
    for (int spline : {0, 1}) {
        z->IsSpline = spline;
        z->Nodes.Flush();
        EXPECT_FALSE(Hit({1000, 2000}));
        z->Nodes.Add(DoublePoint(0, 0));
        EXPECT_FALSE(Hit({1000, 2000}));
    }
    // A node without a number (a damaged file) is left out, as in the drawing.
    z->IsSpline = 0;
    z->Nodes.Flush();
    z->Nodes.Add(DoublePoint(0, 0));
    z->Nodes.Add(DoublePoint(std::numeric_limits<double>::quiet_NaN(), 0));
    z->Nodes.Add(DoublePoint(1000, 0));
    EXPECT_TRUE(Hit({1500, 2000}));
    EXPECT_FALSE(Hit({1000, 2500}));
}

TEST_F(FigurePick, SplinePolylineOnItsCurveNotOnTheChord) {
    TZukei* z = Add(*set, ZukeiPolyline, {{0, 0}, {500, 800}, {1000, 0}});
    z->IsSpline = 1;
    z->InterPointNo = 20;
    // The curve as it is sampled, in page twips.
    kv::DoubleArray nx(0, 0, 10), ny(0, 0, 10), cx(0, 0, 100), cy(0, 0, 100);
    for (int i = 0; i < 3; ++i) {
        nx.Add(z->Nodes[i].X + 1000);
        ny.Add(z->Nodes[i].Y + 2000);
    }
    ASSERT_EQ(kv::ParamSplineCurve(nx, ny, cx, cy, kv::kSplineOpen, 20), 1);
    ASSERT_EQ(cx.GetItemsInContainer(), 41);
    const TPoint onCurve{int(cx[10]), int(cy[10])};
    // The chord's middle from node 0 to node 1, where the curve bulges away.
    const TPoint onChord(1250, 2400);
    double nearest = 1e300;
    for (int k = 0; k < 41; ++k)
        nearest = std::min(nearest, std::hypot(cx[k] - onChord.x, cy[k] - onChord.y));
    ASSERT_GT(nearest, 3 * H);

    EXPECT_TRUE(Hit(onCurve));
    EXPECT_FALSE(Hit(onChord));
    // The same nodes as a straight polyline are hit on the chord.
    z->IsSpline = 0;
    EXPECT_TRUE(Hit(onChord));

    // An Escape latch left by an aborted drawing does not cut the sampling short.
    z->IsSpline = 1;
    AbortRequested = 1;
    EXPECT_TRUE(Hit(TPoint{int(cx[35]), int(cy[35])}));
    // A division count the sampling refuses leaves no curve to hit.
    AbortRequested = 0;
    z->InterPointNo = 0;
    EXPECT_FALSE(Hit(onCurve));
}

TEST_F(FigurePick, TopmostFigureOfTheCurrentSetOnlyAndOneSelection) {
    auto second = std::make_unique<BoxFrame>();
    second->Frame.OriginX = 1000;
    second->Frame.OriginY = 2000;
    BoxFrame* other = second.get();
    w->Document.AxisSets.Add(second.release());
    Add(*other, ZukeiRectangle, {{0, 0}, {3000, 3000}}, Solid);
    other->Selected.Texts.Add(1);
    set->Selected.AxisTexts2.Add(1);

    // Nothing of the current set there: another set's figure is never picked.
    TRect r(1, 2, 3, 4);
    EXPECT_EQ(w->HitFigure({1500, 2500}, r), 0);
    EXPECT_EQ(r, TRect(1, 2, 3, 4));
    EXPECT_EQ(other->Selected.Texts.GetItemsInContainer(), 1);  // nothing changed

    Add(*set, ZukeiRectangle, {{0, 0}, {1000, 1000}}, Solid);
    Add(*set, ZukeiEllipse, {{800, 800}, {200, 200}}, Solid);
    EXPECT_EQ(w->HitFigure({1500, 2500}, r), 1);
    EXPECT_EQ(r, TRect(1800, 2800, 1200, 2200));  // as stored, not normalised
    ASSERT_EQ(set->Selected.Zukeis.GetItemsInContainer(), 1);
    EXPECT_EQ(set->Selected.Zukeis[0], 2);
    EXPECT_TRUE(set->Selected.AxisTexts2.IsEmpty());
    EXPECT_TRUE(other->Selected.Texts.IsEmpty());

    EXPECT_EQ(Pick({1050, 2050}), 1);  // outside the ellipse, inside the rectangle
}

TEST_F(FigurePick, TwoNodeKindsWithoutNodesOrUnknownKinds) {
    // A damaged record: a line without nodes keeps its stored box and is picked
    // by it; an unknown kind is never picked.
    TZukei* z = Add(*set, ZukeiLine, {});
    z->Bounds = TRect(0, 0, 100, 0);
    EXPECT_TRUE(Hit({1050, 2000}));
    z->Kind = 999;
    EXPECT_FALSE(Hit({1050, 2000}));
}

}  // namespace
