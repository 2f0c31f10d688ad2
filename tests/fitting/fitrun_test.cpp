// The fit runs: series through their processing formulas, the result series, the
// reports and the quiet and failing ends.
#include "fitting/fitrun.h"
#include "model/boxframe.h"
#include "platform/cformat.h"
#include "platform/messagebox.h"
#include "platform/numconv.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "fit_series.h"

namespace {

using fittest::MakeSeries;

struct ShownReport {
    void* owner;
    std::string text;
    std::string caption;
};

// An axis set with the series to fit at position 1, and a host that records the
// reports it is asked to show.
class FitRun : public ::testing::Test {
protected:
    fittest::FitStateGuard guard;
    BoxFrame set;
    TPlotStyle memoryStyle;
    FitColumnSet columns = MakeFitColumnSet();
    std::vector<ShownReport> reports;
    FitHost host;
    int owner = 0;

    void SetUp() override {
        memoryStyle.LineColor = 0x0000FF;
        memoryStyle.MarkerStyle = 5;
        host.Owner = &owner;
        host.MemoryPlotStyle = &memoryStyle;
        host.FitColumns = &columns;
        host.ShowReport = [this](void* o, const std::string& text, const char* caption) {
            reports.push_back({o, text, caption});
        };
    }
    TPlot* Add(std::unique_ptr<TPlot> p) {
        TPlot* raw = p.get();
        EXPECT_TRUE(set.PlotList.Add(p));
        return raw;
    }
    TPlot* Last() { return set.PlotList[set.PlotList.UpperBound()]; }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t cr; (cr = text.find("\r\n", start)) != std::string::npos; start = cr + 2)
            lines.push_back(text.substr(start, cr - start));
        EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
        return lines;
    }
};

TEST_F(FitRun, LinearFitAddsTheCurveWithItsReport) {
    TPlot* source = Add(MakeSeries({0, 1, 2, 3}, {1, 3, 5, 7}));
    source->Style.RefAxisX = 0;
    LinearFitSettings s;
    ASSERT_EQ(LinearFit(host, &set, source, 1, s), 1);

    ASSERT_EQ(set.PlotList.GetItemsInContainer(), 2);
    TPlot* result = Last();
    EXPECT_STREQ(result->DataFileName, "** L-lsq => D:\\data\\run1.dat **");
    EXPECT_EQ(result->IsFileData, 0);
    EXPECT_EQ(result->Style.LineColor, 0x0000FFu);
    EXPECT_EQ(result->Style.MarkerStyle, 5);
    EXPECT_EQ(result->Style.RefAxisX, 0);
    EXPECT_EQ(result->Style.RefAxisY, 1);
    ASSERT_EQ(result->XData.GetItemsInContainer(), 101);
    ASSERT_EQ(result->YData.GetItemsInContainer(), 101);
    EXPECT_EQ(result->XData[100].Value, 10.0);
    EXPECT_EQ(result->YData[100].Value, 21.0);
    EXPECT_EQ(result->XData[37].Flag, 0);

    const std::string want =
        "Original data : D:\\data\\run1.dat\r\n"
        "-----------------------------------\r\n"
        "\r\n"
        "Y = \x83\xB0 Ai * X^i\r\n"
        "\r\n"
        "   A0 = 1\r\n"
        "   A1 = 2\r\n"
        "\r\n"
        "   Corr. Coeff. = 1\r\n"
        "\r\n"
        "-----------------------------------\r\n"
        "\r\n"
        "Fitting range 1 -> -1\r\n"
        "Start -> 0\r\n"
        "End -> 10\r\n"
        "Division -> 100\r\n"
        "Div. Method -> Linear\r\n"
        "Go through fixed point -> false\r\n"
        "fixed point -> (0, 0)\r\n";
    EXPECT_EQ(result->Info, want);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, want);
    EXPECT_EQ(reports[0].caption, "Linear Least Square Fit");
    EXPECT_EQ(reports[0].owner, &owner);
}

TEST_F(FitRun, LinearReportsOfTheOtherModelsAndOfAFixedPoint) {
    TPlot* source = Add(fittest::SampleSeries(1, 1, 6, [](double x) { return 2 * std::exp(0.5 * x); }));
    LinearFitSettings s;
    s.ModelIndex = 11;
    s.FixedPoint = 1;
    s.FixedX = "2";
    s.FixedY = kv::Format("%.17g", 2 * std::exp(1.0));
    s.OutputStart = "1";
    s.OutputEnd = "100";
    s.Divisions = "2";
    s.SpacingLinear = 0;
    s.SpacingExponent = 1;
    s.FitStart = "2";
    s.FitEnd = "9";
    ASSERT_EQ(LinearFit(host, &set, source, 1, s), 1);
    const std::vector<std::string> lines = Lines(Last()->Info);
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[3], "Y = A * exp( B * X)");
    EXPECT_EQ(lines[5].substr(0, 7), "   A = ");
    EXPECT_NEAR(kv::AtoF(lines[5].c_str() + 7), 2, 1e-12);
    EXPECT_NEAR(kv::AtoF(lines[6].c_str() + 7), 0.5, 1e-12);
    EXPECT_EQ(lines[7], "");  // no correlation line with a fixed point
    EXPECT_EQ(lines[10], "Fitting range 2 -> 9");
    EXPECT_EQ(lines[11], "Start -> 1");
    EXPECT_EQ(lines[12], "End -> 100");
    EXPECT_EQ(lines[13], "Division -> 2");
    EXPECT_EQ(lines[14], "Div. Method -> Exponent");
    EXPECT_EQ(lines[15], "Go through fixed point -> true");
    EXPECT_EQ(lines[16], "fixed point -> (2, 5.43656365691809)");
    EXPECT_NEAR(Last()->XData[1].Value, 10, 1e-12);  // exponent spacing

    const char* heads[] = {"Y = A + B * log( X )", "Y = A * B ^ X", "Y = A * X ^ B"};
    for (int i = 0; i < 3; ++i) {
        s.ModelIndex = 12 + i;
        s.FixedPoint = 0;
        ASSERT_EQ(LinearFit(host, &set, source, 1, s), 1) << i;
        const std::vector<std::string> l = Lines(Last()->Info);
        EXPECT_EQ(l[3], heads[i]);
        EXPECT_EQ(l[8].substr(0, 18), "   Corr. Coeff. = ");
        EXPECT_EQ(l[17], "Go through fixed point -> false");
    }
}

TEST_F(FitRun, LinearFitUsesProcessedValuesAndCountsUsablePoints) {
    // Processed x = log(x), the decimal logarithm: the rows with x <= 0 have no value and are not fitted.
    TPlot* logged = Add(MakeSeries({-1, 0, 10, 100, 1000}, {9, 9, 1, 2, 3}));
    logged->Style.IsXFormula = 1;
    logged->Style.XFormula = "log(x)";
    LinearFitSettings s;
    ASSERT_EQ(LinearFit(host, &set, logged, 1, s), 1);
    const std::vector<std::string> lines = Lines(Last()->Info);
    EXPECT_EQ(lines[5], "   A0 = 0");
    EXPECT_EQ(lines[6], "   A1 = 1");

    // Flagged rows are dropped before the range is counted: 1 -> 2 is rows 4 and 5.
    TPlot* flagged = Add(MakeSeries({1, 2, 3, 4, 5, 6}, {50, 60, 70, 1, 2, 99},
                                    "flags.dat", {DataFlagStar, DataFlagBar, DataFlagMasked}));
    s.FitStart = "1";
    s.FitEnd = "2";
    ASSERT_EQ(LinearFit(host, &set, flagged, 2, s), 1);
    const std::vector<std::string> f = Lines(Last()->Info);
    EXPECT_EQ(f[5], "   A0 = -3");
    EXPECT_EQ(f[6], "   A1 = 1");

    // Processing formulas see the series number.
    TPlot* numbered = Add(MakeSeries({1, 2, 3}, {1, 2, 3}));
    numbered->Style.IsYFormula = 1;
    numbered->Style.YFormula = "y*%i";
    s = LinearFitSettings();
    ASSERT_EQ(LinearFit(host, &set, numbered, 4, s), 1);
    EXPECT_EQ(Lines(Last()->Info)[6], "   A1 = 4");
}

TEST_F(FitRun, FittedSeriesNamesGrowAndAreCut) {
    TPlot* source = Add(MakeSeries({1, 2, 3}, {1, 2, 3}, std::string(250, 'n').c_str()));
    LinearFitSettings s;
    ASSERT_EQ(LinearFit(host, &set, source, 1, s), 1);
    const std::string once = Last()->DataFileName;
    EXPECT_EQ(once, "** L-lsq => " + std::string(247, 'n'));
    EXPECT_EQ(once.size(), 259u);
    ASSERT_EQ(LinearFit(host, &set, Last(), 2, s), 1);
    const std::string twice = Last()->DataFileName;
    EXPECT_EQ(twice.size(), 259u);
    EXPECT_EQ(twice.substr(0, 24), "** L-lsq => ** L-lsq => ");
    EXPECT_EQ(FitResultName("** N-lsq => ", "a.dat"), "** N-lsq => a.dat **");
}

TEST_F(FitRun, LinearFailuresAddNothing) {
    TPlot* source = Add(MakeSeries({-1, 0, 1, 2}, {1, 2, 3, 4}));
    LinearFitSettings s;
    s.ModelIndex = 12;  // logarithmic over x <= 0
    kv::ScriptedMessageBoxes boxes;
    CurrentLinearFitSettings = s;
    EXPECT_EQ(RunLinearFitCommand(host, &set, source, 1), 0);
    CurrentLinearFitSettings = LinearFitSettings();
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 1);
    EXPECT_TRUE(reports.empty());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Failure : Linear Least Square Method");
    EXPECT_EQ(boxes.Shown()[0].caption, kv::kApplicationTitle);
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK);
    EXPECT_EQ(boxes.Shown()[0].owner, &owner);

    // A processing formula that does not compile leaves no usable row: a failure,
    // not a fit of left-over values.
    source->Style.IsXFormula = 1;
    source->Style.XFormula = "x+foo";
    EXPECT_EQ(LinearFit(host, &set, source, 1, LinearFitSettings()), 0);
    // A start beyond the usable points, and a model line that names nothing.
    source->Style.IsXFormula = 0;
    s = LinearFitSettings();
    s.FitStart = "50";
    EXPECT_EQ(LinearFit(host, &set, source, 1, s), 0);
    s = LinearFitSettings();
    s.ModelIndex = 20;
    EXPECT_EQ(LinearFit(host, &set, source, 1, s), 0);
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 1);
}

TEST_F(FitRun, EscapeEndsTheProcessingQuietly) {
    std::vector<double> xs, ys;
    for (int i = 0; i < 250; ++i) {
        xs.push_back(i);
        ys.push_back(2 * i);
    }
    TPlot* source = Add(MakeSeries(xs, ys));
    NonLinearFitSettings n;
    n.Function = "a*x";
    n.Enabled[0] = 1;
    n.InitialValues[0] = "1";
    {
        fittest::EscapeKeys keys;
        EXPECT_EQ(LinearFit(host, &set, source, 1, LinearFitSettings()), 1);
        EXPECT_EQ(keys.polls, 1);
        AbortRequested = 0;
        EXPECT_EQ(NonLinearFit(host, &set, source, 1, n), 1);
        AbortRequested = 0;
    }
    // An Escape latched by an interrupted drawing ends the fit at its first poll.
    AbortRequested = 1;
    EXPECT_EQ(LinearFit(host, &set, source, 1, LinearFitSettings()), 1);
    EXPECT_EQ(NonLinearFit(host, &set, source, 1, n), 1);
    EXPECT_EQ(FitParameters[1], 1.0);  // the initial value; the solver never ran
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(FitRun, AFullAxisSetFailsBothFitsWithItsMessageAndChangesNothing) {
    TPlot* source = Add(MakeSeries({1, 2, 3}, {2, 4, 6}));
    while (set.PlotList.GetItemsInContainer() < MaxPlotCount) Add(std::make_unique<TPlot>());
    FitParameters[1] = 42;
    CurrentNonLinearFitSettings.Function = "a*x";
    CurrentNonLinearFitSettings.Enabled[0] = 1;
    kv::ScriptedMessageBoxes boxes;
    EXPECT_EQ(RunLinearFitCommand(host, &set, source, 1), 0);
    EXPECT_EQ(RunNonLinearFitCommand(host, &set, source, 1), 0);
    CurrentNonLinearFitSettings = NonLinearFitSettings();

    EXPECT_EQ(set.PlotList.GetItemsInContainer(), MaxPlotCount);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(FitParameters[1], 42.0);
    ASSERT_EQ(boxes.Shown().size(), 2u);
    for (const auto& box : boxes.Shown()) {
        EXPECT_EQ(box.text, kv::LoadString(1180));
        EXPECT_EQ(box.caption, kv::kApplicationTitle);
        EXPECT_EQ(box.flags, MB_OK | MB_ICONSTOP);
        EXPECT_EQ(box.owner, &owner);
    }
}

NonLinearFitSettings DecaySettings() {
    NonLinearFitSettings s;
    s.Function = "a*exp(-b*x)+c";
    s.Enabled[0] = s.Enabled[1] = s.Enabled[2] = 1;
    s.InitialValues[0] = "1";
    s.InitialValues[1] = "0.5";
    s.InitialValues[2] = "";
    s.Derivatives[1] = "-a*x*exp(-b*x)";
    s.Allowance = "-0.0001";
    return s;
}

TEST_F(FitRun, NonLinearFitAddsTheCurveWithItsReport) {
    TPlot* source = Add(fittest::SampleSeries(0, 0.1, 60, [](double x) { return 5 * std::exp(-1.3 * x) + 2; }));
    source->Style.RefAxisY = 0;
    const NonLinearFitSettings s = DecaySettings();
    ASSERT_EQ(NonLinearFit(host, &set, source, 1, s), 1);
    EXPECT_NEAR(FitParameters[1], 5, 1e-6);
    EXPECT_NEAR(FitParameters[2], 1.3, 1e-6);
    EXPECT_NEAR(FitParameters[3], 2, 1e-6);
    EXPECT_DOUBLE_EQ(NlsqAllowance, 0.0001);
    EXPECT_EQ(columns[0].GetItemsInContainer(), 60);

    ASSERT_EQ(set.PlotList.GetItemsInContainer(), 2);
    TPlot* result = Last();
    EXPECT_STREQ(result->DataFileName, "** N-lsq => D:\\data\\run1.dat **");
    EXPECT_EQ(result->IsFileData, 0);
    EXPECT_EQ(result->Style.LineColor, 0x0000FFu);
    EXPECT_EQ(result->Style.RefAxisX, 1);
    EXPECT_EQ(result->Style.RefAxisY, 0);
    ASSERT_EQ(result->XData.GetItemsInContainer(), 101);
    ASSERT_EQ(result->YData.GetItemsInContainer(), 101);
    for (int i : {0, 37, 100}) {
        const double x = result->XData[i].Value;
        EXPECT_DOUBLE_EQ(x, i * 0.1);
        EXPECT_DOUBLE_EQ(result->YData[i].Value,
                         FitParameters[1] * std::exp(-FitParameters[2] * x) + FitParameters[3]);
    }

    const std::vector<std::string> want = {
        " ******** Marquardt Method *******",
        "",
        "Original data : D:\\data\\run1.dat",
        "-----------------------------------",
        "",
        " y = f(x) = a*exp(-b*x)+c",
        "",
        kv::Format("   a = %.15lg", FitParameters[1]),
        kv::Format("   b = %.15lg", FitParameters[2]),
        kv::Format("   c = %.15lg", FitParameters[3]),
        "",
        "-----------------------------------",
        "",
        "Fitting range 1 -> -1",
        "Start -> 0",
        "End -> 10",
        "Division -> 100",
        "Div. Method -> Linear",
        "",
        "parameters (initial value, derivative)",
        "  A -> 1,  ",
        "  B -> 0.5,  -a*x*exp(-b*x)",
        "  C -> 0,  ",
        "",
        "Allowance -> 0.0001",
    };
    EXPECT_EQ(Lines(result->Info), want);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, result->Info);
    EXPECT_EQ(reports[0].caption, "Non-linear Least Square Fit");
}

TEST_F(FitRun, NonLinearRangeCountsRowsAndSpacings) {
    // Rows 1 to 3 are flagged; the range still counts them, so 1 -> 5 fits rows 4
    // and 5, where y = 3x.
    TPlot* source = Add(MakeSeries({1, 2, 3, 4, 5, 6}, {0, 0, 0, 12, 15, 100}, "r.dat",
                                   {DataFlagStar, DataFlagBar, DataFlagMasked}));
    NonLinearFitSettings s;
    s.Function = "a*x";
    s.Enabled[0] = 1;
    s.FitEnd = "5";
    s.OutputStart = "1";
    s.OutputEnd = "1000";
    s.Divisions = "3";
    s.SpacingLinear = 0;
    s.SpacingExponent = 1;
    ASSERT_EQ(NonLinearFit(host, &set, source, 1, s), 1);
    EXPECT_NEAR(FitParameters[1], 3, 1e-9);
    TPlot* result = Last();
    ASSERT_EQ(result->XData.GetItemsInContainer(), 4);
    const double xs[] = {1, 10, 100, 1000};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(result->XData[i].Value, xs[i], 1e-12 * xs[i]);
    EXPECT_NEAR(result->YData[3].Value, 3000, 1e-6);
    EXPECT_EQ(Lines(result->Info)[11], "Fitting range 1 -> 5");
    EXPECT_EQ(Lines(result->Info)[15], "Div. Method -> Exponent");

    // An end beyond the rows is cut; divisions 0 give the output start alone.
    s.FitStart = "4";
    s.FitEnd = "32000";
    s.SpacingExponent = 0;
    s.SpacingInverse = 1;
    s.Divisions = "0";
    ASSERT_EQ(NonLinearFit(host, &set, source, 1, s), 1);
    EXPECT_GT(FitParameters[1], 3);  // row 6 now counts
    ASSERT_EQ(Last()->XData.GetItemsInContainer(), 1);
    EXPECT_EQ(Last()->XData[0].Value, 1.0);

    // The processing formulas see the series number; the model does not.
    TPlot* numbered = Add(MakeSeries({1, 2, 3}, {1, 2, 3}));
    numbered->Style.IsYFormula = 1;
    numbered->Style.YFormula = "y*%i";
    s = NonLinearFitSettings();
    s.Function = "a*x";
    s.Enabled[0] = 1;
    ASSERT_EQ(NonLinearFit(host, &set, numbered, 7, s), 1);
    EXPECT_NEAR(FitParameters[1], 7, 1e-9);
}

TEST_F(FitRun, NonLinearFailures) {
    TPlot* source = Add(MakeSeries({1, 2, 3, 4}, {2, 4, 6, 8}));
    auto settings = [] {
        NonLinearFitSettings s;
        s.Function = "a*x";
        s.Enabled[0] = 1;
        s.InitialValues[0] = "1";
        return s;
    };
    kv::ScriptedMessageBoxes boxes;
    CurrentNonLinearFitSettings = settings();
    CurrentNonLinearFitSettings.Enabled[0] = 0;  // the initial settings tick nothing
    EXPECT_EQ(RunNonLinearFitCommand(host, &set, source, 1), 0);
    CurrentNonLinearFitSettings = NonLinearFitSettings();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Failure : NonLinear Least Square Method");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK);
    EXPECT_EQ(boxes.Shown()[0].caption, kv::kApplicationTitle);

    struct Case {
        const char* what;
        std::function<void(NonLinearFitSettings&)> change;
    };
    const Case cases[] = {
        {"a start beyond the rows", [](auto& s) { s.FitStart = "5"; }},
        {"a model in the series number", [](auto& s) { s.Function = "a*x+%i"; }},
        {"a model with an unused free parameter", [](auto& s) { s.Enabled[1] = 1; }},
        {"a held parameter's derivative that does not compile", [](auto& s) { s.Derivatives[5] = "unused"; }},
        {"an Allowance beyond a double", [](auto& s) { s.Allowance = "1e999"; }},
    };
    for (const Case& c : cases) {
        NonLinearFitSettings s = settings();
        c.change(s);
        EXPECT_EQ(NonLinearFit(host, &set, source, 1, s), 0) << c.what;
    }
    // The spacing is checked after the solver: the fitted value stays.
    NonLinearFitSettings s = settings();
    s.SpacingLinear = 0;
    s.SpacingExponent = 1;  // from 0
    EXPECT_EQ(NonLinearFit(host, &set, source, 1, s), 0);
    EXPECT_NEAR(FitParameters[1], 2, 1e-9);
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(FitRun, HostWithoutColumnsStyleOrReportWindow) {
    TPlot* source = Add(MakeSeries({1, 2, 3}, {3, 6, 9}));
    FitHost bare;
    NonLinearFitSettings s;
    s.Function = "a*x";
    s.Enabled[0] = 1;
    ASSERT_EQ(NonLinearFit(bare, &set, source, 1, s), 1);
    EXPECT_NEAR(FitParameters[1], 3, 1e-9);
    EXPECT_EQ(Last()->Style.LineColor, TPlotStyle().LineColor);
    ASSERT_EQ(LinearFit(bare, &set, source, 1, LinearFitSettings()), 1);
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 3);
    EXPECT_EQ(LinearFit(bare, nullptr, source, 1, LinearFitSettings()), 0);
    EXPECT_EQ(NonLinearFit(bare, &set, nullptr, 1, s), 0);
}

}  // namespace
