#include "numerics/splines.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "platform/escape.h"

namespace {

using namespace kv;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

DoubleArray Array(std::initializer_list<double> values) {
    DoubleArray a;
    for (double v : values) a.Add(v);
    return a;
}

std::vector<double> Items(const DoubleArray& a) {
    return std::vector<double>(a.data(), a.data() + a.GetItemsInContainer());
}

void ExpectPoints(const DoubleArray& outX, const DoubleArray& outY,
                  const std::vector<double>& wantX, const std::vector<double>& wantY,
                  double tol = 1e-12) {
    ASSERT_EQ(outX.GetItemsInContainer(), int(wantX.size()));
    ASSERT_EQ(outY.GetItemsInContainer(), int(wantY.size()));
    for (std::size_t i = 0; i < wantX.size(); ++i) {
        EXPECT_NEAR(outX[int(i)], wantX[i], tol) << "x of point " << i;
        EXPECT_NEAR(outY[int(i)], wantY[i], tol) << "y of point " << i;
    }
}

// Resets the Escape latch and the key source around each test.
class SplineTest : public ::testing::Test {
protected:
    void SetUp() override {
        AbortRequested = 0;
        AbortPollEnabled = 1;
        previous_ = SetKeyMessageSource(nullptr);
    }
    void TearDown() override {
        AbortRequested = 0;
        SetKeyMessageSource(previous_);
    }
    // Escape is pressed when the poll number `at` (counted from 1) reads the queue.
    void EscapeAtPoll(int at) {
        polls_ = 0;
        SetKeyMessageSource([this, at](KeyMessage* m) {
            ++polls_;
            m->message = WM_KEYDOWN;
            m->key = polls_ == at ? VK_ESCAPE : 'A';
            return true;
        });
    }
    int polls_ = 0;

private:
    KeyMessageSource previous_;
};

// --- Spline through y(x) ---------------------------------------------------

using SplineCurveTest = SplineTest;

TEST_F(SplineCurveTest, ThreePointsEitherDirection) {
    const std::vector<double> wantX = {0, 0.5, 1, 1.5, 2};
    const std::vector<double> wantY = {0, 0.6875, 1, 0.6875, 0};
    DoubleArray ox, oy;
    EXPECT_EQ(SplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), ox, oy, 2), 1);
    ExpectPoints(ox, oy, wantX, wantY, 1e-15);
    DoubleArray rx, ry;
    EXPECT_EQ(SplineCurve(Array({2, 1, 0}), Array({0, 1, 0}), rx, ry, 2), 1);
    ExpectPoints(rx, ry, wantX, wantY, 1e-15);

    const double t[] = {0, 1, 2}, v[] = {0, 1, 0};
    double z[3];
    ASSERT_EQ(SplineSolve(t, v, z, 3), 1);
    EXPECT_EQ(z[0], 0.0);
    EXPECT_EQ(z[1], -0.5);
    EXPECT_EQ(z[2], 0.0);
    // The end cubics continue outside; an inner point gives its ordinate.
    EXPECT_DOUBLE_EQ(SplineValue(-0.5, t, v, z, 3), -0.6875);
    EXPECT_DOUBLE_EQ(SplineValue(2.5, t, v, z, 3), -0.6875);
    EXPECT_DOUBLE_EQ(SplineValue(1.0, t, v, z, 3), 1.0);
}

TEST_F(SplineCurveTest, AbscissaeThatDoNotRunOneWayFailWithNothingAppended) {
    const std::vector<std::vector<double>> xs = {
        {0, 1, 1, 2},          // an equal neighbour
        {0, 2, 1, 3},          // a turn
        {0, 1, 0},             // first equals last
        {3, 2, 2.5, 1},        // a turn while falling
        {kNaN, 1, 2},          // a NaN abscissa at either end or inside
        {0, 1, kNaN},
        {0, kNaN, 1, 2},
        {0, kNaN},
        {kNaN},
    };
    for (const auto& x : xs) {
        DoubleArray in, iny, ox = Array({7}), oy = Array({8});
        for (double v : x) {
            in.Add(v);
            iny.Add(1.0);
        }
        EXPECT_EQ(SplineCurve(in, iny, ox, oy, 4), 0) << x.size() << " points, x0 = " << x[0];
        EXPECT_EQ(Items(ox), std::vector<double>{7});
        EXPECT_EQ(Items(oy), std::vector<double>{8});
    }
}

TEST_F(SplineCurveTest, UnusablePointsAreSkipped) {
    DoubleArray ox, oy;
    EXPECT_EQ(SplineCurve(Array({0, 0.5, 1, DBL_MAX, 2, 3}), Array({0, kInf, 1, 3, 0, -kInf}), ox,
                          oy, 2),
              1);
    ExpectPoints(ox, oy, {0, 0.5, 1, 1.5, 2}, {0, 0.6875, 1, 0.6875, 0}, 1e-15);
}

TEST_F(SplineCurveTest, OneAndTwoPointsAreCopied) {
    DoubleArray ox, oy;
    EXPECT_EQ(SplineCurve(Array({kInf, 5}), Array({1, 6}), ox, oy, 20), 1);
    ExpectPoints(ox, oy, {5}, {6});
    DoubleArray tx, ty;
    EXPECT_EQ(SplineCurve(Array({3, 3}), Array({1, 2}), tx, ty, 20), 1);
    ExpectPoints(tx, ty, {3, 3}, {1, 2});
    DoubleArray fx, fy;
    EXPECT_EQ(SplineCurve(Array({3, 1}), Array({1, 2}), fx, fy, 20), 1);
    ExpectPoints(fx, fy, {3, 1}, {1, 2});
    DoubleArray nx, ny;
    EXPECT_EQ(SplineCurve(Array({kInf, 1}), Array({1, kInf}), nx, ny, 20), 0);
    EXPECT_EQ(SplineCurve(DoubleArray(), DoubleArray(), nx, ny, 20), 0);
    EXPECT_TRUE(nx.IsEmpty());
}

TEST_F(SplineCurveTest, DivisionCountsAndExistingOutput) {
    DoubleArray ox = Array({-1}), oy = Array({-2});
    EXPECT_EQ(SplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), ox, oy, 0), 0);
    EXPECT_EQ(Items(ox), std::vector<double>{-1});
    EXPECT_EQ(SplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), ox, oy, -3), 1);
    EXPECT_EQ(Items(ox), std::vector<double>{-1});
    EXPECT_EQ(SplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), ox, oy, 1), 1);
    ExpectPoints(ox, oy, {-1, 0, 1, 2}, {-2, 0, 1, 0});
    // A damaged style cannot make the routine try to fill the memory.
    DoubleArray bx, by;
    EXPECT_EQ(SplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), bx, by, 2147483647), 0);
    EXPECT_TRUE(bx.IsEmpty());
}

TEST_F(SplineCurveTest, ShortYColumnIsNotOverrun) {
    DoubleArray ox, oy;
    EXPECT_EQ(SplineCurve(Array({0, 1, 2, 3, 4}), Array({0, 1, 0}), ox, oy, 2), 1);
    EXPECT_EQ(ox.GetItemsInContainer(), 5);
    EXPECT_DOUBLE_EQ(ox[4], 2.0);
}

TEST_F(SplineCurveTest, SolutionSatisfiesTheSplineEquations) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> step(0.1, 3.0), val(-10, 10);
    const int n = 40;
    std::vector<double> t(n), v(n), z(n);
    t[0] = 0;
    for (int i = 0; i < n; ++i) {
        if (i) t[i] = t[i - 1] + step(rng);
        v[i] = val(rng);
    }
    ASSERT_EQ(SplineSolve(t.data(), v.data(), z.data(), n), 1);
    EXPECT_EQ(z[0], 0.0);
    EXPECT_EQ(z[n - 1], 0.0);
    for (int i = 1; i < n - 1; ++i) {
        double h0 = t[i] - t[i - 1], h1 = t[i + 1] - t[i];
        double lhs = h0 * z[i - 1] + 2 * (h0 + h1) * z[i] + h1 * z[i + 1];
        double rhs = (v[i + 1] - v[i]) / h1 - (v[i] - v[i - 1]) / h0;
        EXPECT_NEAR(lhs, rhs, 1e-12 * (1 + std::fabs(rhs))) << i;
    }
    // The curve passes through every point and its slope is continuous there.
    for (int i = 1; i < n - 1; ++i) {
        EXPECT_NEAR(SplineValue(t[i], t.data(), v.data(), z.data(), n), v[i], 1e-12);
        double e = 1e-6;
        double left = (SplineValue(t[i], t.data(), v.data(), z.data(), n) -
                       SplineValue(t[i] - e, t.data(), v.data(), z.data(), n)) / e;
        double right = (SplineValue(t[i] + e, t.data(), v.data(), z.data(), n) -
                        SplineValue(t[i], t.data(), v.data(), z.data(), n)) / e;
        EXPECT_NEAR(left, right, 1e-3 * (1 + std::fabs(left))) << i;
    }
    // Points on a line give the line.
    std::vector<double> line(n);
    for (int i = 0; i < n; ++i) line[i] = 2 * t[i] + 1;
    ASSERT_EQ(SplineSolve(t.data(), line.data(), z.data(), n), 1);
    for (double s = -1; s < t[n - 1] + 1; s += 0.37)
        EXPECT_NEAR(SplineValue(s, t.data(), line.data(), z.data(), n), 2 * s + 1, 1e-10);
}

TEST_F(SplineCurveTest, DegenerateSolveAndValue) {
    const double t[] = {0, 1, 1}, v[] = {0, 1, 2};
    double z[3];
    EXPECT_EQ(SplineSolve(t, v, z, 3), 0);
    const double zz[3] = {0, 0, 0};
    EXPECT_EQ(SplineValue(1.5, t, v, zz, 3), DBL_MAX);  // last interval has zero width
    EXPECT_EQ(SplineValue(0.5, t, v, zz, 1), DBL_MAX);
}

TEST_F(SplineCurveTest, EscapeStopsTheSampling) {
    EscapeAtPoll(2);  // at sample 10
    DoubleArray ox, oy;
    EXPECT_EQ(SplineCurve(Array({0, 1, 2, 3}), Array({0, 1, 0, 1}), ox, oy, 20), 0);
    EXPECT_EQ(ox.GetItemsInContainer(), 10);
    EXPECT_EQ(oy.GetItemsInContainer(), 10);
    // The latch stays set: the next spline fails before its first sample.
    DoubleArray nx, ny;
    EXPECT_EQ(SplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), nx, ny, 2), 0);
    EXPECT_TRUE(nx.IsEmpty());
}

// --- Parametric splines ------------------------------------------------------

using ParamSplineTest = SplineTest;

TEST_F(ParamSplineTest, OpenThreePoints) {
    DoubleArray ox, oy;
    EXPECT_EQ(ParamSplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), ox, oy, kSplineOpen, 2), 1);
    ExpectPoints(ox, oy, {0, 0.5, 1, 1.5, 2}, {0, 0.6875, 1, 0.6875, 0}, 1e-15);

    const double X[] = {0, 1, 2}, Y[] = {0, 1, 0};
    double T[3], zx[3], zy[3];
    ASSERT_EQ(OpenParamSplineSetup(T, X, Y, zx, zy, 3), 1);
    EXPECT_EQ(std::vector<double>(T, T + 3), (std::vector<double>{0, 0.5, 1}));
    EXPECT_EQ(std::vector<double>(zx, zx + 3), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(std::vector<double>(zy, zy + 3), (std::vector<double>{0, -2, 0}));
}

TEST_F(ParamSplineTest, ClosedSquare) {
    DoubleArray ox, oy;
    EXPECT_EQ(ParamSplineCurve(Array({0, 1, 1, 0}), Array({0, 0, 1, 1}), ox, oy, kSplineClosed, 4),
              1);
    const double a = 17.0 / 54, b = 37.0 / 54, c = 7.0 / 6, d = -1.0 / 6;
    ExpectPoints(ox, oy, {0, a, b, 1, c, c, 1, b, a, 0, d, d, 0},
                 {0, d, d, 0, a, b, 1, c, c, 1, b, a, 0}, 1e-14);

    const double X[] = {0, 1, 1, 0, 0}, Y[] = {0, 0, 1, 1, 0};
    double T[5], zx[5], zy[5];
    ASSERT_EQ(ClosedParamSplineSetup(T, X, Y, zx, zy, 4), 1);
    EXPECT_EQ(std::vector<double>(T, T + 5), (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
    const double wantZX[] = {4, -4, -4, 4, 4}, wantZY[] = {4, 4, -4, -4, 4};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(zx[i], wantZX[i], 1e-13) << i;
        EXPECT_NEAR(zy[i], wantZY[i], 1e-13) << i;
    }
    // The period wraps the parameter.
    EXPECT_NEAR(PeriodicSplineValue(-0.25, T, X, zx, 4), PeriodicSplineValue(0.75, T, X, zx, 4),
                1e-15);
    EXPECT_NEAR(PeriodicSplineValue(1.25, T, Y, zy, 4), PeriodicSplineValue(0.25, T, Y, zy, 4),
                1e-15);
}

TEST_F(ParamSplineTest, SkippedPointsAndTheClosingCopy) {
    DoubleArray ox, oy;
    EXPECT_EQ(ParamSplineCurve(Array({kInf, 0, 1, 5, 1, 0}), Array({3, 0, 0, DBL_MAX, 1, 1}), ox,
                               oy, kSplineClosed, 4),
              1);
    ASSERT_EQ(ox.GetItemsInContainer(), 13);
    EXPECT_EQ(ox[12], 0.0);  // back at the first point used, not the first given
    EXPECT_EQ(oy[12], 0.0);
}

TEST_F(ParamSplineTest, LoopsAndEqualNeighboursAreDrawn) {
    DoubleArray ox, oy;
    EXPECT_EQ(ParamSplineCurve(Array({0, 2, 2, 1, 0, 3}), Array({0, 0, 0, 2, -1, 1}), ox, oy,
                               kSplineOpen, 3),
              1);
    EXPECT_EQ(ox.GetItemsInContainer(), 16);
    EXPECT_NEAR(ox[9], 1.0, 1e-12);  // the k-th point is met at sample k m
    EXPECT_NEAR(oy[9], 2.0, 1e-12);
}

TEST_F(ParamSplineTest, FewPointsAreCopiedInBothForms) {
    for (int mode : {kSplineOpen, kSplineClosed}) {
        DoubleArray ox, oy;
        EXPECT_EQ(ParamSplineCurve(Array({1, 4}), Array({2, 3}), ox, oy, mode, 5), 1);
        ExpectPoints(ox, oy, {1, 4}, {2, 3});  // no closing segment
        DoubleArray sx, sy;
        EXPECT_EQ(ParamSplineCurve(Array({kInf, 4}), Array({2, 3}), sx, sy, mode, 5), 1);
        ExpectPoints(sx, sy, {4}, {3});
        DoubleArray ex, ey;
        EXPECT_EQ(ParamSplineCurve(Array({kInf}), Array({2}), ex, ey, mode, 5), 0);
        EXPECT_TRUE(ex.IsEmpty());
    }
}

TEST_F(ParamSplineTest, BadDivisionCountOrModeFailsWithNothingAppended) {
    for (int mode : {kSplineOpen, kSplineClosed}) {
        for (int m : {0, -1, -100}) {
            DoubleArray ox = Array({9}), oy = Array({9});
            EXPECT_EQ(ParamSplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), ox, oy, mode, m), 0)
                << mode << " " << m;
            EXPECT_EQ(ox.GetItemsInContainer(), 1);
            EXPECT_EQ(oy.GetItemsInContainer(), 1);
        }
    }
    DoubleArray ox, oy;
    EXPECT_EQ(ParamSplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), ox, oy, 3, 4), 0);
    EXPECT_TRUE(ox.IsEmpty());
}

TEST_F(ParamSplineTest, PeriodicValueEndsForAnyParameter) {
    const double T[] = {0, 0.25, 0.5, 0.75, 1}, X[] = {0, 1, 1, 0, 0};
    double z[5];
    ASSERT_EQ(PeriodicSplineSolve(T, X, z, 4), 1);
    EXPECT_EQ(PeriodicSplineValue(kInf, T, X, z, 4), DBL_MAX);
    EXPECT_EQ(PeriodicSplineValue(-kInf, T, X, z, 4), DBL_MAX);
    EXPECT_TRUE(std::isnan(PeriodicSplineValue(kNaN, T, X, z, 4)));
    double far = PeriodicSplineValue(1e300, T, X, z, 4);
    EXPECT_TRUE(std::isfinite(far));
    EXPECT_NEAR(PeriodicSplineValue(1000000.25, T, X, z, 4), PeriodicSplineValue(0.25, T, X, z, 4),
                1e-9);
    const double flat[] = {0, 0, 0, 0, 0};
    EXPECT_EQ(PeriodicSplineValue(2.0, flat, X, z, 4), DBL_MAX);  // no period to step by
    EXPECT_EQ(PeriodicSplineSolve(flat, X, z, 4), 0);
}

TEST_F(ParamSplineTest, EscapeLatchStopsBeforeTheFirstSample) {
    AbortRequested = 1;
    DoubleArray ox, oy;
    EXPECT_EQ(ParamSplineCurve(Array({0, 1, 2}), Array({0, 1, 0}), ox, oy, kSplineOpen, 4), 0);
    EXPECT_TRUE(ox.IsEmpty());
    // One and two points are copied without a poll.
    EXPECT_EQ(ParamSplineCurve(Array({0, 1}), Array({0, 1}), ox, oy, kSplineOpen, 4), 1);
    EXPECT_EQ(ox.GetItemsInContainer(), 2);
}

// --- B-splines -------------------------------------------------------------

using BSplineTest = SplineTest;

DoubleArray Range(int n, const std::function<double(int)>& f) {
    DoubleArray a;
    for (int k = 0; k < n; ++k) a.Add(f(k));
    return a;
}

TEST_F(BSplineTest, OpenLine) {
    DoubleArray ox, oy;
    EXPECT_EQ(BSplineCurve(Range(8, [](int k) { return k; }), Range(8, [](int) { return 0.0; }),
                           ox, oy, kSplineOpen, 2),
              1);
    ExpectPoints(ox, oy,
                 {0, 113.0 / 96, 23.0 / 12, 239.0 / 96, 3, 3.5, 4, 433.0 / 96, 61.0 / 12,
                  559.0 / 96, 7},
                 std::vector<double>(11, 0.0));
}

TEST_F(BSplineTest, OpenZigzag) {
    DoubleArray ox, oy;
    EXPECT_EQ(BSplineCurve(Range(8, [](int k) { return k; }), Range(8, [](int k) { return k % 2; }),
                           ox, oy, kSplineOpen, 1),
              1);
    ExpectPoints(ox, oy, {0, 23.0 / 12, 3, 4, 61.0 / 12, 7},
                 {0, 5.0 / 12, 2.0 / 3, 1.0 / 3, 7.0 / 12, 1});
}

TEST_F(BSplineTest, ClosedLine) {
    DoubleArray ox, oy;
    EXPECT_EQ(BSplineCurve(Range(8, [](int k) { return k; }), Range(8, [](int) { return 0.0; }),
                           ox, oy, kSplineClosed, 1),
              1);
    ExpectPoints(ox, oy, {1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 17.0 / 3, 17.0 / 3, 4.0 / 3, 4.0 / 3, 1},
                 std::vector<double>(16, 0.0));
}

TEST_F(BSplineTest, TooFewPointsOrBadCountsFailWithNothingAppended) {
    struct Case {
        int points;
        int skip;  // index given an infinite coordinate, -1 for none
        int mode;
        int m;
    } const cases[] = {
        {7, -1, kSplineOpen, 2}, {8, 3, kSplineOpen, 2}, {2, -1, kSplineOpen, 2},
        {1, -1, kSplineClosed, 2}, {0, -1, kSplineOpen, 2}, {7, -1, kSplineClosed, 2},
        {8, -1, kSplineOpen, 0}, {8, -1, kSplineClosed, 0}, {8, -1, kSplineOpen, -5},
        {8, -1, kSplineClosed, -1}, {8, -1, 0, 2}, {8, -1, 3, 2}, {8, -1, kSplineOpen, 2147483647},
    };
    for (const auto& c : cases) {
        DoubleArray x = Range(c.points, [](int k) { return k; });
        DoubleArray y = Range(c.points, [&](int k) { return k == c.skip ? kInf : 0.0; });
        DoubleArray ox = Array({5}), oy = Array({6});
        EXPECT_EQ(BSplineCurve(x, y, ox, oy, c.mode, c.m), 0)
            << c.points << " points, mode " << c.mode << ", m " << c.m;
        EXPECT_EQ(Items(ox), std::vector<double>{5});
        EXPECT_EQ(Items(oy), std::vector<double>{6});
    }
}

TEST_F(BSplineTest, CountsAndEnds) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> val(-100, 100);
    const int n = 23, m = 7;
    DoubleArray x = Range(n, [&](int) { return val(rng); });
    DoubleArray y = Range(n, [&](int) { return val(rng); });
    DoubleArray ox, oy;
    ASSERT_EQ(BSplineCurve(x, y, ox, oy, kSplineOpen, m), 1);
    ASSERT_EQ(ox.GetItemsInContainer(), (n - 3) * m + 1);
    EXPECT_EQ(ox[0], x[0]);
    EXPECT_EQ(oy[0], y[0]);
    EXPECT_NEAR(ox[ox.UpperBound()], x[n - 1], 1e-12);
    EXPECT_NEAR(oy[oy.UpperBound()], y[n - 1], 1e-12);
    DoubleArray cx, cy;
    ASSERT_EQ(BSplineCurve(x, y, cx, cy, kSplineClosed, m), 1);
    ASSERT_EQ(cx.GetItemsInContainer(), n * (m + 1));
    EXPECT_NEAR(cx[0], (x[0] + 4 * x[1] + x[2]) / 6, 1e-12);
    EXPECT_NEAR(cx[cx.UpperBound()], cx[0], 1e-12);
    for (int s = 0; s + 1 < n; ++s)  // a segment's end repeats as the next start
        EXPECT_NEAR(cx[s * (m + 1) + m], cx[(s + 1) * (m + 1)], 1e-12) << s;
}

TEST_F(BSplineTest, BlendWeightsSumToOneAndClampTheEnds) {
    const double ones[4] = {1, 1, 1, 1};
    for (int kind = 0; kind <= 4; ++kind) {
        for (double t = 0; t <= 1.0; t += 0.125) {
            double x, y;
            BSplineBlend(kind, ones, ones, &x, &y, t);
            EXPECT_NEAR(x, 1.0, 1e-15) << kind << " " << t;
        }
    }
    const double p[4] = {10, 20, 30, 40}, q[4] = {0, 0, 0, 0};
    double x, y;
    BSplineBlend(1, p, q, &x, &y, 0);
    EXPECT_EQ(x, 10);
    BSplineBlend(4, p, q, &x, &y, 1);
    EXPECT_EQ(x, 40);
    BSplineBlend(0, p, q, &x, &y, 0);
    EXPECT_NEAR(x, (10 + 4 * 20 + 30) / 6.0, 1e-13);
}

TEST_F(BSplineTest, OpenFormPollsBeforeEveryTenthMiddleSegment) {
    EscapeAtPoll(1);  // the first poll, before segment 10
    DoubleArray ox, oy;
    EXPECT_EQ(BSplineCurve(Range(16, [](int k) { return k; }), Range(16, [](int k) { return k; }),
                           ox, oy, kSplineOpen, 2),
              0);
    EXPECT_EQ(ox.GetItemsInContainer(), 20);  // segments 0 to 9 stay
    EXPECT_EQ(polls_, 1);
    // Fewer than 16 points: no poll at all, the curve is complete.
    AbortRequested = 0;
    EscapeAtPoll(1);
    DoubleArray sx, sy;
    EXPECT_EQ(BSplineCurve(Range(15, [](int k) { return k; }), Range(15, [](int k) { return k; }),
                           sx, sy, kSplineOpen, 2),
              1);
    EXPECT_EQ(polls_, 0);
    // The closed form polls nothing.
    AbortRequested = 1;
    DoubleArray cx, cy;
    EXPECT_EQ(BSplineCurve(Range(30, [](int k) { return k; }), Range(30, [](int k) { return k; }),
                           cx, cy, kSplineClosed, 2),
              1);
}

TEST_F(BSplineTest, NaNControlPointsAreAppended) {
    DoubleArray ox, oy;
    EXPECT_EQ(BSplineCurve(Range(8, [](int k) { return k == 4 ? kNaN : k; }),
                           Range(8, [](int) { return 0.0; }), ox, oy, kSplineOpen, 1),
              1);
    EXPECT_EQ(ox.GetItemsInContainer(), 6);
    EXPECT_TRUE(std::isnan(ox[3]));
}

}  // namespace
