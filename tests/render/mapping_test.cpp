#include "model/boxframe.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

AxisUnit& AxisOf(BoxFrame& set, int axisNo) {
    switch (axisNo) {
    case BottomAxisNo: return set.BottomAxis;
    case LeftAxisNo: return set.LeftAxis;
    case TopAxisNo: return set.TopAxis;
    default: return set.RightAxis;
    }
}

// An axis set whose frame lies at (2000, 3000) and measures 7000 x 7000 twips,
// with one axis set up as asked.
struct AxisSetup {
    int axisNo;
    int scaling;
    double start, end;
    int inv = 0;
    int regionStart = 0, regionEnd = 100;
};

void SetAxis(BoxFrame& set, const AxisSetup& s) {
    set.Frame.OriginX = 2000;
    set.Frame.OriginY = 3000;
    set.Frame.FrameLengthX = 7000;
    set.Frame.FrameLengthY = 7000;
    AxisUnit& ax = AxisOf(set, s.axisNo);
    ax.Scaling = s.scaling;
    ax.RangeStart = s.start;
    ax.RangeEnd = s.end;
    ax.ScaleInv = s.inv;
    ax.DispRegionStart = s.regionStart;
    ax.DispRegionEnd = s.regionEnd;
}

TEST(ValueMapping, PositionsOfTheFiveScalings) {
    struct Case {
        AxisSetup axis;
        double value, page;
    } cases[] = {
        // Linear, horizontal: range start at the left end.
        {{BottomAxisNo, 0, 0, 10}, 0, 2000},
        {{BottomAxisNo, 0, 0, 10}, 10, 9000},
        {{BottomAxisNo, 0, 0, 10}, 5, 5500},
        {{BottomAxisNo, 0, 0, 10, 1}, 0, 9000},
        {{TopAxisNo, 0, 0, 10}, 2.5, 3750},
        // Linear, vertical: range start at the bottom edge; reversed at the top.
        {{LeftAxisNo, 0, 0, 10}, 0, 10000},
        {{LeftAxisNo, 0, 0, 10}, 10, 3000},
        {{LeftAxisNo, 0, 0, 10, 1}, 0, 3000},
        {{LeftAxisNo, 0, 0, 10, 1}, 10, 10000},
        {{RightAxisNo, 0, 0, 10}, 7.5, 4750},
        // A display region counts from the top edge on vertical axes.
        {{LeftAxisNo, 0, 0, 10, 0, 0, 50}, 0, 6500},
        {{LeftAxisNo, 0, 0, 10, 0, 0, 50}, 10, 3000},
        {{BottomAxisNo, 0, 0, 10, 0, 10, 90}, 10, 8300},
        // Log10 and Log10(L): 1 to 1000 on 6000 twips (region 0 to 600/7 %).
        {{BottomAxisNo, 1, 1, 1000}, 10, 2000 + 7000.0 / 3},
        {{BottomAxisNo, 3, 1, 1000}, 100, 2000 + 2 * 7000.0 / 3},
        {{LeftAxisNo, 1, 1, 1000}, 10, 10000 - 7000.0 / 3},
        {{LeftAxisNo, 3, 1, 1000, 1}, 10, 3000 + 7000.0 / 3},
        // Inverse and Inverse(L): 1 to 4, value 2 lies at 2/3 and grows as on a
        // linear axis.
        {{BottomAxisNo, 2, 1, 4}, 2, 2000 + 7000 * 2.0 / 3},
        {{BottomAxisNo, 4, 1, 4}, 4, 9000},
        {{LeftAxisNo, 2, 1, 4}, 2, 10000 - 7000 * 2.0 / 3},
        {{RightAxisNo, 4, 1, 4, 1}, 2, 3000 + 7000 * 2.0 / 3},
    };
    for (const Case& c : cases) {
        BoxFrame set;
        SetAxis(set, c.axis);
        EXPECT_NEAR(set.ValueToPage(c.value, c.axis.axisNo), c.page, 1e-9)
            << "axis " << c.axis.axisNo << " scaling " << c.axis.scaling << " value " << c.value;
    }

    // The worked span of 6000 twips: a region of 1000 to 7000 on the bottom axis.
    BoxFrame set;
    set.Frame.OriginX = 1000;
    set.Frame.FrameLengthX = 6000;
    set.BottomAxis.Scaling = 1;
    set.BottomAxis.RangeStart = 1;
    set.BottomAxis.RangeEnd = 1000;
    EXPECT_NEAR(set.ValueToPage(10, BottomAxisNo), 3000, 1e-9);
}

TEST(ValueMapping, IntegerFormsAndTheOffPageValue) {
    struct Case {
        double coord;
        int expected;
    } cases[] = {
        {32766.9, 32766}, {32767.0, 32767}, {-1.5, -1},      {1.99, 1},
        {-32766.5, -32766}, {-32767.0, 32767}, {-40000, 32767}, {1e300, 32767},
        {kInf, 32767},     {-kInf, 32767},    {kNaN, 32767},
    };
    for (const Case& c : cases) EXPECT_EQ(BoxFrame::ClampCoord(c.coord), c.expected) << c.coord;

    // Values without a position map off the page; so does an axis whose range has
    // no length (the settings dialog refuses one, a file may not).
    BoxFrame set;
    SetAxis(set, {BottomAxisNo, 1, 1, 1000});
    EXPECT_EQ(set.ValueToPageInt(0, BottomAxisNo), 32767);
    EXPECT_EQ(set.ValueToPageInt(-5, BottomAxisNo), 32767);
    EXPECT_EQ(set.ValueToPageInt(kNaN, BottomAxisNo), 32767);
    SetAxis(set, {LeftAxisNo, 2, 1, 4});
    EXPECT_EQ(set.ValueToPageInt(0, LeftAxisNo), 32767);
    SetAxis(set, {LeftAxisNo, 0, 5, 5});
    EXPECT_EQ(set.ValueToPageInt(5, LeftAxisNo), 32767);
    EXPECT_EQ(set.ValueToPageInt(kInf, BottomAxisNo), 32767);
    EXPECT_EQ(set.ValueToPageInt(1e30, BottomAxisNo), 32767);
    EXPECT_EQ(set.ValueToPageInt(-1e30, BottomAxisNo), 32767);
    // Truncation, not rounding.
    SetAxis(set, {BottomAxisNo, 0, 0, 7});
    EXPECT_EQ(set.ValueToPageInt(0.9999, BottomAxisNo), 2999);
}

TEST(ValueMapping, PageToValueInvertsEveryScalingToWithinATwip) {
    for (int axisNo = 1; axisNo <= 4; ++axisNo)
        for (int scaling = 0; scaling <= 4; ++scaling)
            for (int inv = 0; inv <= 1; ++inv) {
                BoxFrame set;
                const double a = scaling == 0 ? -3 : 0.5, b = scaling == 0 ? 17 : 80;
                SetAxis(set, {axisNo, scaling, a, b, inv, 10, 90});
                for (double v : {a, b, 1.0, 2.5, 7.25}) {
                    const int p = set.ValueToPageInt(v, axisNo);
                    const double back = set.PageToValue(p, axisNo);
                    // One twip either way brackets the value.
                    const double lo = set.PageToValue(p - 1, axisNo);
                    const double hi = set.PageToValue(p + 1, axisNo);
                    EXPECT_LE(std::min(lo, hi), v) << axisNo << scaling << inv << " " << v;
                    EXPECT_GE(std::max(lo, hi), v) << axisNo << scaling << inv << " " << v;
                    EXPECT_LT(std::fabs(back - v), std::fabs(hi - lo)) << axisNo << scaling << inv;
                }
            }
}

TEST(ValueMapping, PageToValueAnswersDblMaxWhereThereIsNoValue) {
    BoxFrame set;
    // Log10 from 1 to 1e200: far beyond the region the exponent passes 300.
    SetAxis(set, {BottomAxisNo, 1, 1, 1e200});
    EXPECT_EQ(set.PageToValue(9000, BottomAxisNo), 1e200);
    EXPECT_EQ(set.PageToValue(20000, BottomAxisNo), DBL_MAX);
    EXPECT_EQ(set.PageToValue(-9000, BottomAxisNo), DBL_MAX);

    // Inverse from 1 to 2: so far beyond the RangeEnd end that 1/v would be <= 0.
    SetAxis(set, {BottomAxisNo, 2, 1, 2});
    EXPECT_NEAR(set.PageToValue(9000, BottomAxisNo), 2.0, 1e-12);
    EXPECT_EQ(set.PageToValue(2000 + 2 * 7000, BottomAxisNo), DBL_MAX);  // u = 0
    EXPECT_EQ(set.PageToValue(30000, BottomAxisNo), DBL_MAX);

    // Inverse from 0.001 to 1: every value below 1/300 reads as no value, although
    // the axis shows values down to 0.001 (kept: the scale has always read so).
    SetAxis(set, {BottomAxisNo, 2, 0.001, 1});
    EXPECT_EQ(set.PageToValue(2000, BottomAxisNo), DBL_MAX);  // 0.001
    EXPECT_NEAR(set.PageToValue(9000, BottomAxisNo), 1.0, 1e-12);
    for (int p = 2000; p <= 9000; p += 7) {
        const double v = set.PageToValue(p, BottomAxisNo);
        if (v != DBL_MAX) {
            EXPECT_GE(v, 1.0 / 300 - 1e-15) << p;
        }
    }

    // A display region of no width has no values at all, rather than dividing by
    // zero; nor has a frame of no length.
    SetAxis(set, {LeftAxisNo, 0, 0, 10, 0, 40, 40});
    EXPECT_EQ(set.PageToValue(5800, LeftAxisNo), DBL_MAX);
    EXPECT_EQ(set.PageToValue(0, LeftAxisNo), DBL_MAX);
    SetAxis(set, {BottomAxisNo, 0, 0, 10});
    set.Frame.FrameLengthX = 0;
    EXPECT_EQ(set.PageToValue(2000, BottomAxisNo), DBL_MAX);
    set.Frame.FrameLengthX = kNaN;
    EXPECT_EQ(set.PageToValue(2000, BottomAxisNo), DBL_MAX);
    // Nor does a range that overflows, or a logarithmic range that is not positive.
    SetAxis(set, {BottomAxisNo, 0, -1.5e308, 1.5e308});
    EXPECT_EQ(set.PageToValue(9000, BottomAxisNo), DBL_MAX);
    SetAxis(set, {BottomAxisNo, 1, 0, 100});
    EXPECT_EQ(set.PageToValue(5000, BottomAxisNo), DBL_MAX);
    SetAxis(set, {BottomAxisNo, 2, 0, 100});
    EXPECT_EQ(set.PageToValue(5000, BottomAxisNo), DBL_MAX);
}

TEST(FrameRects, FrameAndPlotRectanglesTruncate) {
    BoxFrame set;
    set.Frame.OriginX = 100.6;
    set.Frame.OriginY = 200.4;
    set.Frame.FrameLengthX = 500.5;
    set.Frame.FrameLengthY = 300.3;
    EXPECT_EQ(set.GetFrameRect(), TRect(100, 200, 601, 500));

    set.Frame.OriginX = 1000;
    set.Frame.OriginY = 1000;
    set.Frame.FrameLengthX = 5000;
    set.Frame.FrameLengthY = 4000;
    set.BottomAxis.DispRegionStart = 10;
    set.BottomAxis.DispRegionEnd = 90;
    set.LeftAxis.DispRegionStart = 0;
    set.LeftAxis.DispRegionEnd = 50;
    EXPECT_EQ(set.GetPlotRect(), TRect(1500, 1000, 5500, 3000));
    // The top and right axes do not count.
    set.TopAxis.DispRegionStart = 30;
    set.RightAxis.DispRegionEnd = 20;
    EXPECT_EQ(set.GetPlotRect(), TRect(1500, 1000, 5500, 3000));
    EXPECT_EQ(set.GetFrameRect(), TRect(1000, 1000, 6000, 5000));
}

}  // namespace
