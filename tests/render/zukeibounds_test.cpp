#include "model/zukei.h"

#include "numerics/splines.h"
#include "platform/escape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

TZukei Figure(int kind, std::initializer_list<DoublePoint> nodes) {
    TZukei z;
    z.Kind = kind;
    for (const DoublePoint& p : nodes) z.Nodes.Add(p);
    return z;
}

TRect BoundsOf(TZukei z) {
    z.UpdateBounds();
    return z.Bounds;
}

TEST(ZukeiBounds, TwoNodeKindsKeepTheirCornersPolylinesAreNormalised) {
    // Truncation toward zero, never rounding or flooring.
    for (int kind : {ZukeiLine, ZukeiRectangle, ZukeiRoundRect, ZukeiEllipse, ZukeiAxisCut})
        EXPECT_EQ(BoundsOf(Figure(kind, {{500.9, 300.2}, {100, 50}})), TRect(500, 300, 100, 50))
            << kind;
    EXPECT_EQ(BoundsOf(Figure(ZukeiPolyline, {{500.9, 300.2}, {100, 50}})),
              TRect(100, 50, 500, 300));
    EXPECT_EQ(BoundsOf(Figure(ZukeiLine, {{-10.7, -0.2}, {10.7, 3}})), TRect(-10, 0, 10, 3));

    // Open and closed straight polylines have the box of their nodes.
    TZukei poly = Figure(ZukeiPolyline, {{300, 900}, {0, 0}, {600, 200}, {-20.5, 800}});
    EXPECT_EQ(BoundsOf(poly), TRect(-20, 0, 600, 900));
    poly.IsClosed = 1;
    EXPECT_EQ(BoundsOf(poly), TRect(-20, 0, 600, 900));
}

TEST(ZukeiBounds, FiguresWithoutTheirNodes) {
    // A polyline without points gets the empty rectangle; a two-node kind that
    // lacks its second node (a damaged file) and a figure of another kind keep
    // theirs.
    TZukei empty = Figure(ZukeiPolyline, {});
    empty.Bounds = TRect(1, 2, 3, 4);
    EXPECT_EQ(BoundsOf(empty), TRect());
    TZukei nan = Figure(ZukeiPolyline, {{std::numeric_limits<double>::quiet_NaN(), 5}});
    nan.Bounds = TRect(1, 2, 3, 4);
    EXPECT_EQ(BoundsOf(nan), TRect());
    for (TZukei z : {Figure(ZukeiLine, {{10, 10}}), Figure(ZukeiEllipse, {}),
                     Figure(1026, {{10, 10}, {20, 20}}), Figure(0, {{10, 10}, {20, 20}})}) {
        z.Bounds = TRect(1, 2, 3, 4);
        EXPECT_EQ(BoundsOf(z), TRect(1, 2, 3, 4)) << z.Kind;
    }
}

// The box of the curve the spline routine samples for a figure.
TRect CurveBox(const TZukei& z) {
    kv::DoubleArray x(0, 0, 10), y(0, 0, 10), cx(0, 0, 10), cy(0, 0, 10);
    for (int i = 0; i < z.Nodes.GetItemsInContainer(); ++i) {
        x.Add(z.Nodes[i].X);
        y.Add(z.Nodes[i].Y);
    }
    kv::ParamSplineCurve(x, y, cx, cy, z.IsClosed == 1 ? kv::kSplineClosed : kv::kSplineOpen,
                         z.InterPointNo);
    const double* xs = cx.data();
    const double* ys = cy.data();
    const int n = cx.GetItemsInContainer();
    return TRect(int(*std::min_element(xs, xs + n)), int(*std::min_element(ys, ys + n)),
                 int(*std::max_element(xs, xs + n)), int(*std::max_element(ys, ys + n)));
}

TEST(ZukeiBounds, SplinePolylineHoldsItsCurve) {
    // The curve through these nodes bulges above 0 and below 900.
    TZukei z = Figure(ZukeiPolyline, {{0, 0}, {300, 900}, {600, 200}, {900, 800}, {1200, 0}});
    z.IsSpline = 1;
    z.InterPointNo = 20;
    const TRect open = BoundsOf(z);
    EXPECT_EQ(open, CurveBox(z));
    EXPECT_GT(open.bottom, 900);
    EXPECT_EQ(open.left, 0);
    EXPECT_EQ(open.right, 1200);

    z.IsClosed = 1;
    const TRect closed = BoundsOf(z);
    EXPECT_EQ(closed, CurveBox(z));
    EXPECT_LT(closed.top, 0);  // the closing arc swings above the first and last node

    z.IsSpline = 0;
    EXPECT_EQ(BoundsOf(z), TRect(0, 0, 1200, 900));
}

TEST(ZukeiBounds, LatchedEscapeDoesNotCutTheCurveShort) {
    TZukei z = Figure(ZukeiPolyline, {{0, 0}, {300, 900}, {600, 200}, {900, 800}, {1200, 0}});
    z.IsSpline = 1;
    z.IsClosed = 1;
    z.InterPointNo = 50;
    const TRect expected = BoundsOf(z);

    // An Escape latched by an earlier operation would stop the sampling at once.
    AbortRequested = 1;
    AbortPollEnabled = 1;
    // Escape presses waiting in the queue are not taken either.
    int polled = 0;
    auto previous = kv::SetKeyMessageSource([&polled](kv::KeyMessage* out) {
        ++polled;
        *out = {WM_KEYDOWN, VK_ESCAPE};
        return true;
    });
    EXPECT_EQ(BoundsOf(z), expected);
    EXPECT_EQ(AbortPollEnabled, 1);  // the poll switch is back as it was
    EXPECT_EQ(AbortRequested, 1);    // and the latch untouched
    AbortRequested = 0;
    EXPECT_EQ(BoundsOf(z), expected);
    EXPECT_EQ(polled, 0);
    EXPECT_EQ(AbortRequested, 0);

    // A print job's switched-off poll stays off.
    AbortPollEnabled = 0;
    z.UpdateBounds();
    EXPECT_EQ(AbortPollEnabled, 0);
    AbortPollEnabled = 1;
    kv::SetKeyMessageSource(std::move(previous));
}

}  // namespace
