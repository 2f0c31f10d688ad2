#include "render/axislabels.h"

#include "fake_measure.h"
#include "model/boxframe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// ---- label texts ----

std::vector<std::string> LinearTexts(double S, double E, double I, int addPlus = 0,
                                     char manual = 0, int intPrec = 1, int decPrec = -1,
                                     std::string* factor = nullptr) {
    std::vector<std::string> out;
    std::string text, factorText = "stale";
    for (int i = 0; i <= int(std::floor((E - S) / I + 1e-9)); ++i) {
        FormatTickLabel(text, factorText, S, E, I, S + i * I, 1, 1, addPlus, manual, intPrec,
                        decPrec);
        out.push_back(text);
    }
    if (factor) *factor = factorText;
    return out;
}

using Texts = std::vector<std::string>;

TEST(TickLabelText, Linear) {
    std::string factor;
    EXPECT_EQ(LinearTexts(0, 10, 2, 0, 0, 1, -1, &factor), (Texts{"0", "2", "4", "6", "8", "10"}));
    EXPECT_EQ(factor, "");
    EXPECT_EQ(LinearTexts(0, 10, 2, 1), (Texts{"+0", "+2", "+4", "+6", "+8", "+10"}));
    EXPECT_EQ(LinearTexts(-10, 10, 5), (Texts{"-10", "-5", "0", "5", "10"}));
    EXPECT_EQ(LinearTexts(-10, 10, 5, 1), (Texts{"-10", "-5", "+0", "+5", "+10"}));
    // 3 x 0.1 is 0.30000000000000004; fifteen digits hide it.
    EXPECT_EQ(LinearTexts(0, 1, 0.1), (Texts{"0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7",
                                             "0.8", "0.9", "1"}));
}

TEST(TickLabelText, ManualPrecision) {
    // Automatic decimals from the increment's text.
    EXPECT_EQ(LinearTexts(0, 1, 0.25, 0, 1, 1, -1), (Texts{"0.00", "0.25", "0.50", "0.75", "1.00"}));
    EXPECT_EQ(LinearTexts(0, 1, 0.25, 1, 1, 1, -1),
              (Texts{"+0.00", "+0.25", "+0.50", "+0.75", "+1.00"}));
    // Width and decimals given: padded on the left.
    EXPECT_EQ(LinearTexts(0, 1, 0.5, 0, 1, 6, 1), (Texts{"   0.0", "   0.5", "   1.0"}));
    EXPECT_EQ(LinearTexts(0, 1, 0.5, 1, 1, 6, 1), (Texts{"  +0.0", "  +0.5", "  +1.0"}));
    // An increment in exponent form counts its exponent's characters as decimals:
    // 1.5e-05 gives 5.
    std::string text, factor;
    FormatTickLabel(text, factor, 0, 1.5e-4, 1.5e-5, 3e-5, 1, 1, 0, 1, 1, -1);
    EXPECT_EQ(text, "0.00003");
    // A stored width or precision beyond reason is capped, not allocated.
    FormatTickLabel(text, factor, 0, 1, 0.5, 0.5, 1, 1, 0, 1, 100000000, 100000000);
    EXPECT_LT(text.size(), 300u);
}

TEST(TickLabelText, CommonFactor) {
    std::string factor;
    EXPECT_EQ(LinearTexts(0, 2000000, 500000, 0, 0, 1, -1, &factor),
              (Texts{"0", "0.5", "1", "1.5", "2"}));
    EXPECT_EQ(factor, "(%G\xB4%F10^6@)");
    EXPECT_EQ(LinearTexts(0, 5e-5, 1e-5, 0, 0, 1, -1, &factor),
              (Texts{"0", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(factor, "(%G\xB4%F10^-5@)");
    // Below a million no factor.
    LinearTexts(0, 999999, 100000, 0, 0, 1, -1, &factor);
    EXPECT_EQ(factor, "");
}

TEST(TickLabelText, DecadesAndIntermediates) {
    struct Case {
        double v;
        int format, plus;
        const char* text;
    } cases[] = {
        {1000, 1, 0, "1000"},   {1000, 2, 0, "10^3"},  {1000, 1, 1, "+1000"},
        {1000, 2, 1, "10^+3"},  {0.01, 1, 0, "0.01"},  {0.01, 2, 0, "10^-2"},
        {1, 2, 0, "10^0"},      {1e10, 1, 0, "10000000000"},
    };
    for (const Case& c : cases) {
        std::string text = "old", factor = "keep";
        FormatTickLabel(text, factor, 1, 1e10, 10, c.v, 0, c.format, c.plus, 1, 6, 2);
        EXPECT_EQ(text, c.text) << c.v << " " << c.format;
        EXPECT_EQ(factor, "keep");  // decades leave the factor alone
    }
    struct LogCase {
        double v;
        int format, plus;
        const char* text;
    } logCases[] = {
        {300, 1, 0, "300"}, {300, 2, 0, "3"},   {300, 1, 1, "+300"},
        {300, 2, 1, "+3"},  {0.02, 2, 0, "2"},  {0.02, 1, 0, "0.02"},
    };
    for (const LogCase& c : logCases) {
        std::string text = "old";
        FormatLogTickLabel(text, 10, c.v, c.format, c.plus);
        EXPECT_EQ(text, c.text) << c.v << " " << c.format;
    }
    std::string text = "old";
    FormatLogTickLabel(text, 10, 300, 0, 0);
    EXPECT_EQ(text, "");
}

// ---- building the labels ----

// A Box frame at (1000, 1000), 5000 wide and 4000 high; every axis 0 to 5 by 1.
// Labels in the 300-twip default face of the fake measure: a digit is 150 wide,
// every label 300 high (H / 4 = 75, H / 2 = 150).
class AxisLabels : public ::testing::Test {
protected:
    void SetUp() override {
        set.Frame.OriginX = 1000;
        set.Frame.OriginY = 1000;
        set.Frame.FrameLengthX = 5000;
        set.Frame.FrameLengthY = 4000;
    }
    static std::vector<std::string> Strings(const AxisUnit& a) {
        std::vector<std::string> out;
        for (TText* t : a.LabelTexts) out.push_back(t->String);
        return out;
    }
    static std::vector<TPoint> Positions(const AxisUnit& a) {
        std::vector<TPoint> out;
        for (TText* t : a.LabelTexts) out.push_back(t->Position);
        return out;
    }

    FakeMeasure fake;
    BoxFrame set;
};

TEST_F(AxisLabels, BottomAndLeftWithOneCommonZero) {
    set.BottomAxis.RangeEnd = 10;
    set.BottomAxis.RangeInc = 2;
    MakeAxisLabels(&set, BottomAxisNo);
    MakeAxisLabels(&set, LeftAxisNo);
    EXPECT_EQ(Strings(set.BottomAxis), (Texts{"0", "2", "4", "6", "8", "10"}));
    // Centred below the ticks (p = 1000 + 500 v); the zero stands left of the corner.
    EXPECT_EQ(Positions(set.BottomAxis),
              (std::vector<TPoint>{{-225, 4000}, {925, 4000}, {1925, 4000}, {2925, 4000},
                                   {3925, 4000}, {4850, 4000}}));
    EXPECT_EQ(Strings(set.LeftAxis), (Texts{"1", "2", "3", "4", "5"}));
    // Ending a quarter height left of the axis, centred on p = 5000 - 800 v.
    EXPECT_EQ(Positions(set.LeftAxis)[0], TPoint(-225, 3050));
    EXPECT_EQ(Positions(set.LeftAxis)[4], TPoint(-225, -150));
    for (TText* t : set.BottomAxis.LabelTexts) {
        EXPECT_EQ(t->LineHeight, 300);  // laid out
        EXPECT_TRUE(t->Font == set.BottomAxis.LabelFont);
        EXPECT_EQ(t->ForColor, set.BottomAxis.LabelFontColor);
    }

    // A left range of -5 to 5 moves the crossing off zero: both axes show a 0.
    set.LeftAxis.RangeStart = -5;
    MakeAxisLabels(&set, BottomAxisNo);
    MakeAxisLabels(&set, LeftAxisNo);
    EXPECT_EQ(Positions(set.BottomAxis)[0], TPoint(-75, 4000));
    EXPECT_EQ(Strings(set.LeftAxis).size(), 11u);
    EXPECT_EQ(Strings(set.LeftAxis)[5], "0");
}

TEST_F(AxisLabels, SwitchesThatLeaveOrEmptyTheList) {
    MakeAxisLabels(&set, BottomAxisNo);
    ASSERT_EQ(set.BottomAxis.LabelTexts.GetItemsInContainer(), 6);
    TText* first = set.BottomAxis.LabelTexts[1];
    first->String = "edited";

    set.BottomAxis.IsAutoLabel = 0;
    set.BottomAxis.RangeEnd = 100;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(set.BottomAxis.LabelTexts[1], first);
    EXPECT_EQ(first->String, "edited");

    set.BottomAxis.IsAutoLabel = 1;
    set.BottomAxis.LabelFormat = 0;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_TRUE(set.BottomAxis.LabelTexts.IsEmpty());

    // In a Box frame the bottom axis's switch hides every axis.
    set.BottomAxis.LabelFormat = 1;
    set.BottomAxis.IsVisible = 0;
    MakeAxisLabels(&set, LeftAxisNo);
    EXPECT_TRUE(set.LeftAxis.LabelTexts.IsEmpty());
    set.Frame.FrameType = 2;
    MakeAxisLabels(&set, LeftAxisNo);
    EXPECT_FALSE(set.LeftAxis.LabelTexts.IsEmpty());
    set.LeftAxis.IsVisible = 0;
    MakeAxisLabels(&set, LeftAxisNo);
    EXPECT_TRUE(set.LeftAxis.LabelTexts.IsEmpty());
}

TEST_F(AxisLabels, AdjustAndOutsideTicksMoveLabelsAwayFromTheFrame) {
    set.BottomAxis.ZeroCommon = 0;
    UpdateAxisLabels(&set);
    const TPoint b = set.BottomAxis.LabelTexts[2]->Position, l = set.LeftAxis.LabelTexts[2]->Position,
                 t = set.TopAxis.LabelTexts[2]->Position, r = set.RightAxis.LabelTexts[2]->Position;
    EXPECT_EQ(t, TPoint(925, -300));
    EXPECT_EQ(r, TPoint(5075, 3050));
    for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis})
        a->LabelPositionAdjust = 100;
    UpdateAxisLabels(&set);
    EXPECT_EQ(set.BottomAxis.LabelTexts[2]->Position, b + TPoint(0, 100));
    EXPECT_EQ(set.LeftAxis.LabelTexts[2]->Position, l + TPoint(-100, 0));
    EXPECT_EQ(set.TopAxis.LabelTexts[2]->Position, t + TPoint(0, -100));
    EXPECT_EQ(set.RightAxis.LabelTexts[2]->Position, r + TPoint(100, 0));

    // Outside ticks of T = trunc(100 x 150 x 0.01) = 150 push the labels out too.
    for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis}) {
        a->LabelPositionAdjust = 0;
        a->TickOutside = 1;
        a->TickLength = 150;
    }
    UpdateAxisLabels(&set);
    EXPECT_EQ(set.BottomAxis.LabelTexts[2]->Position, b + TPoint(0, 150));
    EXPECT_EQ(set.LeftAxis.LabelTexts[2]->Position, l + TPoint(-150, 0));
    EXPECT_EQ(set.TopAxis.LabelTexts[2]->Position, t + TPoint(0, -150));
    EXPECT_EQ(set.RightAxis.LabelTexts[2]->Position, r + TPoint(150, 0));
}

TEST_F(AxisLabels, CommonFactorLabel) {
    for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis}) {
        a->RangeEnd = 2000000;
        a->RangeInc = 500000;
    }
    set.BottomAxis.ZeroCommon = 0;
    MakeAxisLabels(&set, BottomAxisNo);
    MakeAxisLabels(&set, LeftAxisNo);
    const Texts values{"0", "0.5", "1", "1.5", "2", "(%G\xB4%F10^6@)"};
    EXPECT_EQ(Strings(set.BottomAxis), values);
    EXPECT_EQ(Strings(set.LeftAxis), values);
    // "(" 150, the Symbol sign 270, "10" 300, the raised 6 100, ")" 150: W = 970.
    const TText* factor = set.BottomAxis.LabelTexts[6];
    EXPECT_EQ(factor->BoundingBox, TRect(0, 0, 970, 300));
    // At the right end of the frame, one line below the labels.
    EXPECT_EQ(factor->Position, TPoint(5000 - 970, 4000 + 300));
    // At the top, beyond the widest label ("0.5", 450).
    EXPECT_EQ(set.LeftAxis.LabelTexts[6]->Position, TPoint(-970 - 75 - 450 - 75, 0));
}

TEST_F(AxisLabels, LogarithmicDecades) {
    AxisUnit& a = set.BottomAxis;
    a.Scaling = 1;
    a.RangeStart = 1;
    a.RangeEnd = 1e10;
    a.RangeInc = 10;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(Strings(a), (Texts{"1", "100", "10000", "1000000", "100000000", "10000000000"}));
    EXPECT_EQ(a.LabelTexts[1]->Position, TPoint(-75, 4000));

    a.LabelFormat = 2;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(Strings(a), (Texts{"10^0", "10^2", "10^4", "10^6", "10^8", "10^10"}));
    // Room for the raised exponent: H / 4 lower.
    EXPECT_EQ(a.LabelTexts[1]->Position.y, 4000 + 75);

    // Exactly 7 decades skip every other one; 6.99 label each.
    a.LabelFormat = 1;
    a.RangeEnd = 1e7;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(Strings(a), (Texts{"1", "100", "10000", "1000000"}));
    a.RangeEnd = std::pow(10.0, 6.99);
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(a.LabelTexts.GetItemsInContainer(), 7);
    a.LabelSkip = 3;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(Strings(a), (Texts{"1", "1000", "1000000"}));
}

TEST_F(AxisLabels, IntermediateLabelsWithinOneDecade) {
    AxisUnit& a = set.BottomAxis;
    a.Scaling = 1;
    a.RangeStart = 2;
    a.RangeEnd = 8;
    a.RangeInc = 10;
    a.LabelFormat = 2;
    a.MinorTickDivision = 5;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(Strings(a), (Texts{"2", "4", "6", "8"}));
    a.LabelFormat = 1;
    a.MinorTickDivision = 2;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(Strings(a), (Texts{"5"}));
    a.MinorTickDivision = 10;
    a.RangeStart = 1;
    a.RangeEnd = 10;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(Strings(a), (Texts{"1", "10", "2", "3", "4", "5", "6", "7", "8", "9"}));
    a.MinorTickDivision = 1;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(Strings(a), (Texts{"1", "10"}));
}

TEST_F(AxisLabels, RangesWithoutCountableTicksGetNoLabels) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        int scaling;
        double S, E, I;
    } cases[] = {
        {0, 0, 10, 0},     {0, 0, 10, -1},   {0, 0, 10, nan},  {0, 0, inf, 1},
        {0, -inf, 0, 1},   {0, nan, 1, 1},   {0, 0, 10, inf},  {0, 10, 0, 1},
        {0, 0, 1, 1e-9},   {0, 0, 10, 1e-3},  // beyond the cap of candidates
        {0, -1e300, 1e300, 1},
        {1, 0, 100, 10},   {1, -5, 100, 10}, {2, 1, 0, 10},    {1, 1, inf, 10},
        {3, 0, 1e308, 1e-300},
    };
    for (const Case& c : cases) {
        set.BottomAxis.Scaling = c.scaling;
        set.BottomAxis.RangeStart = c.S;
        set.BottomAxis.RangeEnd = c.E;
        set.BottomAxis.RangeInc = c.I;
        MakeAxisLabels(&set, BottomAxisNo);
        EXPECT_TRUE(set.BottomAxis.LabelTexts.IsEmpty()) << c.scaling << " " << c.S << " " << c.E
                                                         << " " << c.I;
    }
    // Just inside the cap.
    set.BottomAxis.Scaling = 0;
    set.BottomAxis.RangeStart = 0;
    set.BottomAxis.RangeEnd = 10;
    set.BottomAxis.RangeInc = 0.01;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(set.BottomAxis.LabelTexts.GetItemsInContainer(), 1001);
}

TEST_F(AxisLabels, EndLabelsSurviveRounding) {
    // 0.7 / 0.1 is 6.999999999999999: the last tick lands a hair beyond the end.
    set.BottomAxis.RangeStart = 0.1;
    set.BottomAxis.RangeEnd = 0.7;
    set.BottomAxis.RangeInc = 0.1;
    MakeAxisLabels(&set, BottomAxisNo);
    EXPECT_EQ(Strings(set.BottomAxis), (Texts{"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7"}));
}

}  // namespace
