// Choosing axis ranges from the data as drawn.
#include "model/boxframe.h"
#include "numerics/builtins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kKeep = -999.0;  // marks "the axis stays as it was"

struct Range {
    double start, end, inc;
};

void ExpectRange(const AxisUnit& a, Range want, const std::string& what) {
    EXPECT_NEAR(a.RangeStart, want.start, std::fabs(want.start) * 1e-9 + 1e-12) << what;
    EXPECT_NEAR(a.RangeEnd, want.end, std::fabs(want.end) * 1e-9 + 1e-12) << what;
    EXPECT_NEAR(a.RangeInc, want.inc, std::fabs(want.inc) * 1e-12) << what;
}

TEST(AxisAutoScale, RangeAndIncrementByScaling) {
    const double f = std::pow(10.0, 0.3);
    struct Case {
        const char* what;
        int scaling;
        double lo, hi;
        int useMargin, margin;
        Range want;  // start kKeep: unchanged
    } cases[] = {
        {"linear 0..7.3, margin 10", 0, 0, 7.3, 1, 10, {-0.73, 8.03, 2}},
        {"linear 0..7.3, no margin", 0, 0, 7.3, 0, 10, {0, 7.3, 2}},
        {"linear span 200", 0, 0, 200, 0, 10, {0, 200, 50}},
        {"linear span 500", 0, 0, 500, 0, 10, {0, 500, 100}},
        {"linear span 1000", 0, 0, 1000, 0, 10, {0, 1000, 500}},
        {"linear -30..-10, margin 10", 0, -30, -10, 1, 10, {-32, -8, 5}},
        {"linear small span", 0, 0.001, 0.0043, 0, 0, {0.001, 0.0043, 0.001}},
        {"ends given high to low", 0, 7.3, 0, 1, 10, {-0.73, 8.03, 2}},
        {"log10 1..1000, margin 10", 1, 1, 1000, 1, 10, {1 / f, 1000 * f, 10}},
        {"inverse 2..4, margin 10", 2, 2, 4, 1, 10, {1 / 0.525, 1 / 0.225, 10}},
        {"inverse 1..100, margin past infinity", 2, 1, 100, 1, 10, {1 / 1.099, 100, 10}},
        {"log10(L) 1..1000, no margin", 3, 1, 1000, 0, 10, {1, 1000, 200}},
        {"inverse(L) 2..4, margin 10", 4, 2, 4, 1, 10, {1 / 0.525, 1 / 0.225, 1}},
        {"equal ends", 0, 3, 3, 1, 10, {kKeep, 0, 0}},
        {"NaN", 0, kNaN, 3, 1, 10, {kKeep, 0, 0}},
        {"infinite", 0, 0, kInf, 1, 10, {kKeep, 0, 0}},
        {"DBL_MAX", 0, 0, std::numeric_limits<double>::max(), 0, 10, {kKeep, 0, 0}},
        {"log10 from 0", 1, 0, 10, 1, 10, {kKeep, 0, 0}},
        {"inverse(L) from -1", 4, -1, 10, 1, 10, {kKeep, 0, 0}},
        {"unknown scaling", 7, 1, 10, 1, 10, {kKeep, 0, 0}},
        {"span beyond the doubles", 0, -1e308, 1e308, 1, 10, {kKeep, 0, 0}},
        {"margin turning the range over", 0, 0, 10, 1, -60, {kKeep, 0, 0}},
    };
    for (const Case& c : cases) {
        AxisUnit a;
        a.Scaling = c.scaling;
        a.RangeStart = 11;
        a.RangeEnd = 22;
        a.RangeInc = 3;
        a.CrossPointValue = 4;
        a.DispRegionStart = 5;
        a.AutoScale(c.lo, c.hi, c.useMargin, c.margin);
        if (c.want.start == kKeep)
            ExpectRange(a, {11, 22, 3}, c.what);
        else
            ExpectRange(a, c.want, c.what);
        // Nothing but the range is written.
        EXPECT_EQ(a.CrossPointValue, 4) << c.what;
        EXPECT_EQ(a.DispRegionStart, 5) << c.what;
    }
}

// Series made in memory, plotted against the bottom and left axes unless a test
// moves them.
std::unique_ptr<TPlot> Series(std::initializer_list<double> xs, std::initializer_list<double> ys) {
    auto p = std::make_unique<TPlot>();
    p->IsFileData = 0;
    for (double x : xs) p->AddX(TDataElement(x));
    for (double y : ys) p->AddY(TDataElement(y));
    return p;
}

class SetAutoScale : public ::testing::Test {
protected:
    void SetUp() override {
        set.Frame.FrameType = 2;  // no synchronisation unless a test asks for it
        for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis}) {
            a->RangeStart = 11;
            a->RangeEnd = 22;
            a->RangeInc = 3;
        }
    }
    TPlot& Add(std::unique_ptr<TPlot> p) {
        TPlot& ref = *p;
        EXPECT_TRUE(set.PlotList.Add(p.release()));
        return ref;
    }
    void All(int useMargin = 0) { set.AutoScale(1, 1, 1, 1, useMargin, 10); }

    BoxFrame set;
};

TEST_F(SetAutoScale, ScalesThroughTheProcessingFormulas) {
    TPlot& p = Add(Series({1, 2, 3}, {10, 20, 40}));
    p.Style.IsXFormula = 1;
    p.Style.XFormula = "x*2";
    p.Style.IsYFormula = 1;
    p.Style.YFormula = "y+%i";  // series number 1
    p.Style.IsShown = 1;
    All(1);
    ExpectRange(set.BottomAxis, {2 - 0.4, 6 + 0.4, 1}, "bottom");
    ExpectRange(set.LeftAxis, {11 - 3, 41 + 3, 10}, "left");
    ExpectRange(set.TopAxis, {11, 22, 3}, "top has no data");
    ExpectRange(set.RightAxis, {11, 22, 3}, "right has no data");
}

TEST_F(SetAutoScale, OnlyTheSwitchedAxesChange) {
    Add(Series({0, 10}, {0, 50}));
    set.AutoScale(0, 1, 0, 0, 0, 10);
    ExpectRange(set.BottomAxis, {11, 22, 3}, "bottom");
    ExpectRange(set.LeftAxis, {0, 50, 10}, "left");
}

TEST_F(SetAutoScale, HiddenSeriesAndFlaggedRowsDoNotCount) {
    Add(Series({0, 10}, {0, 10}));
    TPlot& hidden = Add(Series({-100, 100}, {-100, 100}));
    hidden.Style.IsShown = 0;
    TPlot& flagged = Add(Series({5, 6, 7, 8}, {5, 6, 7, 8}));
    flagged.XData[0] = TDataElement(-50, DataFlagMasked);
    flagged.YData[1] = TDataElement(kInf, DataFlagStar);  // its X 6 is left out too
    flagged.XData[2] = TDataElement(kInf, DataFlagBar);
    flagged.XData[3] = TDataElement(200);
    flagged.YData[3] = TDataElement(kInf);  // not usable in Y, X 200 still counts
    All();
    ExpectRange(set.BottomAxis, {0, 200, 50}, "bottom");
    ExpectRange(set.LeftAxis, {0, 10, 5}, "left");
}

// Rows that never count are not evaluated either: a formula drawing random
// numbers draws exactly one number per counted row, in row order.
TEST_F(SetAutoScale, FlaggedRowsDrawNoRandomNumbers) {
    TPlot& p = Add(Series({1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}));
    p.XData[1] = TDataElement(2, DataFlagMasked);
    p.YData[3] = TDataElement(kInf, DataFlagStar);
    p.Style.IsXFormula = 1;
    p.Style.XFormula = "x+rand(0)";
    const kv::FormulaRandom saved = kv::ProgramRandom();
    kv::FormulaRandom expected = saved;
    for (int row = 0; row < 3; ++row) expected.Next();  // rows 0, 2 and 4
    set.AutoScale(1, 0, 0, 0, 0, 10);
    EXPECT_EQ(kv::ProgramRandom().State(), expected.State());
    kv::ProgramRandom() = saved;
}

TEST_F(SetAutoScale, SetWithoutShownSeriesIsLeftAlone) {
    set.Frame.FrameType = 0;
    set.BottomAxis.IsCommon = 1;  // synchronisation would copy the bottom's scale
    TPlot& p = Add(Series({0, 10}, {0, 10}));
    p.Style.IsShown = 0;
    All(1);
    for (const AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis})
        ExpectRange(*a, {11, 22, 3}, "untouched");
    EXPECT_EQ(set.TopAxis.MajorTickLineStyle, set.BottomAxis.MajorTickLineStyle);
}

TEST_F(SetAutoScale, LogarithmicAxesUseThePositiveValuesOnly) {
    set.BottomAxis.Scaling = 1;
    set.LeftAxis.Scaling = 3;
    Add(Series({-5, 0, 2, 8}, {-1, -2, -3, -4}));
    All();
    ExpectRange(set.BottomAxis, {2, 8, 10}, "bottom");
    ExpectRange(set.LeftAxis, {11, 22, 3}, "left: no positive value");
}

TEST_F(SetAutoScale, OnePointScalesOnlyTheAxisWhoseValuesDiffer) {
    Add(Series({4, 4, 4}, {1, 2, 3}));
    All();
    ExpectRange(set.BottomAxis, {11, 22, 3}, "bottom");
    ExpectRange(set.LeftAxis, {1, 3, 0.5}, "left");
}

TEST_F(SetAutoScale, RightAndTopReferencesAndTheFollowingSynchronisation) {
    TPlot& p = Add(Series({0, 100}, {0, 5}));
    p.Style.RefAxisX = 0;
    p.Style.RefAxisY = 0;
    All();
    ExpectRange(set.TopAxis, {0, 100, 50}, "top");
    ExpectRange(set.RightAxis, {0, 5, 1}, "right");
    ExpectRange(set.BottomAxis, {11, 22, 3}, "bottom");

    // In a box whose bottom axis is common the top axis follows the bottom again.
    set.Frame.FrameType = 0;
    set.BottomAxis.IsCommon = 1;
    All();
    ExpectRange(set.TopAxis, {11, 22, 3}, "top after synchronisation");
    EXPECT_EQ(set.TopAxis.IsVisible, set.BottomAxis.IsVisible);
}

TEST_F(SetAutoScale, FailedFormulasGiveNoValues) {
    Add(Series({1, 10}, {1000, 2000}));
    // Compiles, but every evaluation fails: no row may count with a value left
    // over from elsewhere.
    TPlot& failing = Add(Series({100, 200}, {3000, 4000}));
    failing.Style.IsXFormula = 1;
    failing.Style.XFormula = "x*-1";
    // Does not compile: the "y" compiled just before must not run in its place.
    TPlot& broken = Add(Series({500, 600}, {5000, 6000}));
    broken.Style.IsXFormula = 1;
    broken.Style.XFormula = std::string(20, 'q');
    broken.Style.IsYFormula = 1;
    broken.Style.YFormula = "y/0+";
    All();
    ExpectRange(set.BottomAxis, {1, 10, 2}, "bottom");
    ExpectRange(set.LeftAxis, {1000, 4000, 1000}, "left");

    // Nothing usable at all leaves the axis.
    BoxFrame only;
    TPlot* p = Series({1, 2}, {1, 2}).release();
    p->Style.IsXFormula = 1;
    p->Style.XFormula = std::string(20, 'q');
    only.PlotList.Add(p);
    only.BottomAxis.RangeEnd = 77;
    only.AutoScale(1, 0, 0, 0, 1, 10);
    EXPECT_EQ(only.BottomAxis.RangeEnd, 77);
}

}  // namespace
