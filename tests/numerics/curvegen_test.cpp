// Calculated curves: the x spacing, the checks before anything is made, the series
// that joins the axis set, and the rows a formula cannot give.
#include "model/boxframe.h"
#include "model/plot.h"
#include "numerics/curvegen.h"
#include "numerics/fitparams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

const double kInf = std::numeric_limits<double>::infinity();

std::vector<double> Column(const TDataColumn& c) {
    std::vector<double> v;
    for (int i = 0; i < c.GetItemsInContainer(); ++i) v.push_back(c[i].Value);
    return v;
}

TEST(CurvePositions, WorkedExamplesOfTheThreeSpacings) {
    struct Case {
        double start, end;
        int n, method;
        std::vector<double> want;
    };
    const Case cases[] = {
        {1, 1000, 3, DivisionExponent, {1, 10, 100, 1000}},
        {-1, -1000, 3, DivisionExponent, {-1, -10, -100, -1000}},
        {1, 0.25, 3, DivisionInverse, {1, 0.5, 1.0 / 3, 0.25}},
        {-1, -0.25, 3, DivisionInverse, {-1, -0.5, -1.0 / 3, -0.25}},
        {10, 0, 2, DivisionLinear, {10, 5, 0}},  // start above end: decreasing
        {3, 3, 2, DivisionLinear, {3, 3, 3}},    // equal bounds: equal values
    };
    for (const Case& c : cases) {
        std::vector<double> xs;
        ASSERT_EQ(CurvePositions(c.start, c.end, c.n, c.method, xs), CurveStatus::Done);
        ASSERT_EQ(xs.size(), c.want.size());
        for (std::size_t i = 0; i < xs.size(); ++i)
            EXPECT_NEAR(xs[i], c.want[i], 1e-12 * std::fabs(c.want[i])) << c.start << " " << i;
        // The inverse spacing ends exactly on its end value.
        if (c.method == DivisionInverse) {
            EXPECT_EQ(xs.back(), c.end);
        }
    }

    std::vector<double> xs;
    ASSERT_EQ(CurvePositions(0, 10, 100, DivisionLinear, xs), CurveStatus::Done);
    ASSERT_EQ(xs.size(), 101u);
    for (int i = 0; i <= 100; ++i) EXPECT_EQ(xs[std::size_t(i)], i * 0.1);
}

TEST(CurvePositions, Refusals) {
    struct Case {
        double start, end;
        int n, method;
        CurveStatus want;
    };
    const double big = 1e308;
    const Case cases[] = {
        {0, 10, 10, DivisionExponent, CurveStatus::BadSpacing},
        {-1, 1, 10, DivisionInverse, CurveStatus::BadSpacing},
        {1, 0, 10, DivisionInverse, CurveStatus::BadSpacing},
        {1, 2, 10, 4, CurveStatus::BadSpacing},
        {0, 1, 0, DivisionLinear, CurveStatus::DivisionsNotPositive},
        {0, 1, 30001, DivisionLinear, CurveStatus::TooManyDivisions},
        {kInf, 1, 10, DivisionLinear, CurveStatus::NumberTooLarge},
        {-big, big, 10, DivisionLinear, CurveStatus::NumberTooLarge},  // the span overflows
        // 1 / (h + 1 / start) with h = 1e-300 - 1e300 rounds to 1 / 0.
        {1e-300, 1e300, 1, DivisionInverse, CurveStatus::NumberTooLarge},
    };
    for (const Case& c : cases) {
        std::vector<double> xs{99};
        EXPECT_EQ(CurvePositions(c.start, c.end, c.n, c.method, xs), c.want) << c.start;
        if (c.want != CurveStatus::Done) {
            EXPECT_TRUE(xs.empty());
        }
    }
    std::vector<double> xs;
    ASSERT_EQ(CurvePositions(0, 1, 30000, DivisionLinear, xs), CurveStatus::Done);
    EXPECT_EQ(xs.size(), 30001u);
}

TEST(CurveFormulaCheck, NeedsACompilableFormulaWithoutY) {
    BoxFrame set;
    EXPECT_EQ(CheckCurveFormula(set, "sin(x)*2"), CurveStatus::Done);
    EXPECT_EQ(CheckCurveFormula(set, ""), CurveStatus::Done);  // refused later, as empty
    for (const char* bad : {"x$1", "x@", "y", "x*y+1", "%i", "xmax", "nosuchname"})
        EXPECT_EQ(CheckCurveFormula(set, bad), CurveStatus::BadFormula) << bad;
    // y brought in through a user function is refused as well.
    set.UserFunctions.Add("y*2");
    EXPECT_EQ(CheckCurveFormula(set, "#1+x"), CurveStatus::BadFormula);
}

TEST(GenerateCurve, MakesAMemorySeriesOfTheCurve) {
    BoxFrame set;
    set.UserConsts.Add(TUserConstElement("k", 3));
    TPlotStyle memory;
    memory.LineColor = RGB(1, 2, 3);
    memory.MarkerStyle = 4;
    TPlot* added = nullptr;
    CurveRequest r;
    r.Formula = "k*x";
    r.Start = 0;
    r.End = 10;
    r.Divisions = 100;
    r.MemoryStyle = &memory;
    ASSERT_EQ(GenerateCurve(set, r, &added), CurveStatus::Done);
    ASSERT_EQ(set.PlotList.GetItemsInContainer(), 1);
    ASSERT_EQ(added, set.PlotList[1]);
    const TPlot& p = *added;
    EXPECT_EQ(p.IsFileData, 0);
    EXPECT_EQ(p.PlotFile.XColumn, 1);
    EXPECT_EQ(p.PlotFile.YColumn, 2);
    EXPECT_EQ(p.Style.LineColor, RGB(1, 2, 3));
    EXPECT_EQ(p.Style.MarkerStyle, 4);
    EXPECT_STREQ(p.DataFileName, "** y = k*x **");
    EXPECT_EQ(p.Info, "  y = k*x\r\n");
    ASSERT_EQ(p.XData.GetItemsInContainer(), 101);
    ASSERT_EQ(p.YData.GetItemsInContainer(), 101);
    for (int i = 0; i <= 100; ++i) {
        EXPECT_EQ(p.XData[i].Value, i * 0.1);
        EXPECT_EQ(p.YData[i].Value, 3 * (i * 0.1));
        EXPECT_EQ(p.XData[i].Flag, 0);
        EXPECT_EQ(p.YData[i].Flag, 0);
    }
    EXPECT_EQ(p.XMin, 0);
    EXPECT_EQ(p.XMax, 10);
    EXPECT_EQ(p.YMax, 30);
    EXPECT_EQ(p.XMaxData.GetItemsInContainer(), 0);
}

TEST(GenerateCurve, ChecksInOrderAndAddsNothingOnRefusal) {
    struct Case {
        const char* formula;
        double start, end;
        int n, method;
        CurveStatus want;
    };
    const Case cases[] = {
        {"", 0, 1, 0, DivisionLinear, CurveStatus::EmptyFormula},  // before the divisions
        {"x", 0, 1, 0, DivisionLinear, CurveStatus::DivisionsNotPositive},
        {"x", 0, 1, -5, DivisionLinear, CurveStatus::DivisionsNotPositive},
        {"x", 0, 1, 30001, DivisionLinear, CurveStatus::TooManyDivisions},
        {"x", 0, 10, 10, DivisionExponent, CurveStatus::BadSpacing},
        {"x", -1, 1, 10, DivisionInverse, CurveStatus::BadSpacing},
        {"x", kInf, 1, 10, DivisionLinear, CurveStatus::NumberTooLarge},
        {"y", 0, 1, 10, DivisionLinear, CurveStatus::BadFormula},
    };
    for (const Case& c : cases) {
        BoxFrame set;
        CurveRequest r{c.formula, c.start, c.end, c.n, c.method, nullptr};
        TPlot* added = reinterpret_cast<TPlot*>(1);
        EXPECT_EQ(GenerateCurve(set, r, &added), c.want) << c.formula << " " << c.n;
        EXPECT_EQ(added, nullptr);
        EXPECT_EQ(set.PlotList.GetItemsInContainer(), 0);
    }
}

TEST(GenerateCurve, TheLargestCurveAndAFullAxisSet) {
    BoxFrame set;
    CurveRequest r{"x^2", -1, 1, 30000, DivisionLinear, nullptr};
    ASSERT_EQ(GenerateCurve(set, r), CurveStatus::Done);
    const TPlot& p = *set.PlotList[1];
    ASSERT_EQ(p.YData.GetItemsInContainer(), 30001);
    EXPECT_EQ(p.XData[0].Value, -1);
    EXPECT_EQ(p.XData[30000].Value, 1);
    EXPECT_DOUBLE_EQ(p.YData[15000].Value, p.XData[15000].Value * p.XData[15000].Value);

    // A full list takes no curve, and the generator says so instead of claiming it.
    while (!set.PlotList.IsFull()) set.PlotList.Add(new TPlot);
    EXPECT_EQ(GenerateCurve(set, CurveRequest{"x", 0, 1, 1, DivisionLinear, nullptr}),
              CurveStatus::ListFull);
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), MaxPlotCount);
}

TEST(GenerateCurve, NonFiniteValuesAreInfiniteAndAFormulaThatCannotBeEvaluatedIsRefused) {
    BoxFrame set;
    ASSERT_EQ(GenerateCurve(set, CurveRequest{"1/x", -1, 1, 2, DivisionLinear, nullptr}),
              CurveStatus::Done);
    EXPECT_EQ(Column(set.PlotList[1]->YData), (std::vector<double>{-1, kInf, 1}));

    // Rows where the formula fails (outside a function's domain) are missing
    // values, whichever rows they are; the others are the formula's values.
    struct Partial {
        const char* formula;
        double start, end;
        std::vector<double> want;
    };
    const Partial partial[] = {
        {"invq(x)", 0, 0.5, {kInf, 0.6744897501960817, 0}},
        {"inverf(x)", -1, 1, {kInf, 0, kInf}},
        {"invp(x)*0+x", 0.5, 1.5, {0.5, kInf, kInf}},
        {"log(x)", -1, 1, {kInf, kInf, 0}},
    };
    for (const Partial& c : partial) {
        BoxFrame one;
        ASSERT_EQ(GenerateCurve(one, CurveRequest{c.formula, c.start, c.end, 2, DivisionLinear, nullptr}),
                  CurveStatus::Done)
            << c.formula;
        const TPlot& p = *one.PlotList[1];
        ASSERT_EQ(p.YData.GetItemsInContainer(), 3) << c.formula;
        for (int i = 0; i < 3; ++i) {
            const double want = c.want[std::size_t(i)];
            if (want == kInf) EXPECT_EQ(p.YData[i].Value, kInf) << c.formula << " row " << i;
            else EXPECT_NEAR(p.YData[i].Value, want, 1e-15) << c.formula << " row " << i;
            EXPECT_EQ(p.YData[i].Flag, 0);
        }
    }
    // Failing at every x is no curve.
    EXPECT_EQ(GenerateCurve(set, CurveRequest{"invq(x)", -2, 0, 4, DivisionLinear, nullptr}),
              CurveStatus::BadFormula);

    // These compile but leave no single value: every row would fail, so no curve of
    // stale values is made.
    for (const char* f : {"x+", "x,1", "sin(x,1)"}) {
        EXPECT_EQ(CheckCurveFormula(set, f), CurveStatus::Done) << f;
        EXPECT_EQ(GenerateCurve(set, CurveRequest{f, 0, 1, 2, DivisionLinear, nullptr}),
                  CurveStatus::BadFormula)
            << f;
    }
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 1);
}

TEST(GenerateCurve, UsesTheFitParametersAndCutsLongFormulas) {
    BoxFrame set;
    const double saved = FitParameters[1];
    FitParameters[1] = 2.5;
    ASSERT_EQ(GenerateCurve(set, CurveRequest{"a+x", 1, 2, 1, DivisionLinear, nullptr}),
              CurveStatus::Done);
    FitParameters[1] = saved;
    EXPECT_EQ(Column(set.PlotList[1]->YData), (std::vector<double>{3.5, 4.5}));

    // 250 characters: the name and the information hold the first 219.
    std::string formula = "x";
    for (int k = 0; k < 3; ++k) formula += "+0." + std::string(80, '0');
    ASSERT_EQ(formula.size(), 250u);
    ASSERT_EQ(GenerateCurve(set, CurveRequest{formula, 1, 2, 1, DivisionLinear, nullptr}),
              CurveStatus::Done);
    const std::string cut = formula.substr(0, 219);
    EXPECT_EQ(std::string(set.PlotList[2]->DataFileName), "** y = " + cut + " **");
    EXPECT_EQ(set.PlotList[2]->Info, "  y = " + cut + "\r\n");
}

TEST(CutDocText, NeverSplitsADoubleByteCharacter) {
    const std::string s = "ab\x82\xa0" "cd";  // a, b, one double-byte character, c, d
    EXPECT_EQ(CutDocText(s, 2), "ab");
    EXPECT_EQ(CutDocText(s, 3), "ab");
    EXPECT_EQ(CutDocText(s, 4), "ab\x82\xa0");
    EXPECT_EQ(CutDocText(s, 10), s);
}

}  // namespace
