// The series-style sample: the picture of a style's line and marker, checked at
// pixels on a free button of 100 x 40 (cx 50, cy 20, s 10, h 9, d 7, s/2 5).

#include "dialogs/controls/plotbutton.h"
#include "support/helpers/recording_dc.h"
#include "model/plot.h"
#include "platform/color.h"

#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

namespace {

QRgb Q(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }
QRgb Px(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xFF000000u; }

const COLORREF kLine = RGB(255, 0, 0);
const COLORREF kEdge = RGB(0, 0, 255);
const COLORREF kFill = RGB(0, 160, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

constexpr int W = 100, H = 40, CX = 50, CY = 20;

TPlotStyle Style(int marker, int line = 1) {
    TPlotStyle st;
    st.MarkerStyle = marker;
    st.LineStyle = line;
    st.LineColor = kLine;
    st.MarkerEdgeColor = kEdge;
    st.MarkerInsideColor = kFill;
    return st;
}

QImage Draw(const TPlotStyle* st) {
    TPlotButton b(nullptr, 0);
    b.resize(W, H);
    b.SetPlotStyle(st);
    b.DrawItem(ODA_DRAWENTIRE, 0);
    return b.Pixels().convertToFormat(QImage::Format_RGB32);
}

// The empty field: white inside a black one-pixel border.
void ExpectEmptyField(const QImage& img, const std::string& what) {
    ASSERT_EQ(img.size(), QSize(W, H));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool border = x == 0 || y == 0 || x == W - 1 || y == H - 1;
            ASSERT_EQ(Px(img, x, y), border ? kBlack : kWhite) << what << " at " << x << "," << y;
        }
}

// The colours of row y from x0 to x1 inclusive, as runs "colour:length".
std::vector<std::pair<QRgb, int>> Runs(const QImage& img, int y, int x0, int x1) {
    std::vector<std::pair<QRgb, int>> runs;
    for (int x = x0; x <= x1; ++x) {
        const QRgb c = Px(img, x, y);
        if (runs.empty() || runs.back().first != c)
            runs.push_back({c, 1});
        else
            ++runs.back().second;
    }
    return runs;
}

TEST(PlotButton, EmptyAndInvisibleStylesShowTheBareField) {
    ExpectEmptyField(Draw(nullptr), "no style");
    TPlotStyle none = Style(0, 0);  // line "Null", marker "NULL"
    ExpectEmptyField(Draw(&none), "Null/NULL");
    TPlotStyle beyond = Style(16, 1);  // no marker of that code, and no line beside it
    ExpectEmptyField(Draw(&beyond), "marker 16");
    TPlotStyle oddLine = Style(0, 8);  // a line style outside 0-7 draws nothing
    ExpectEmptyField(Draw(&oddLine), "line 8");
}

TEST(PlotButton, SolidAndDashedLinesUseATwoPixelUnit) {
    // Solid: from left + 4 to right - 4 across the middle, two pixels thick.
    TPlotStyle solid = Style(0, 1);
    solid.LineWidth = 500;  // the series' width does not change the sample
    QImage img = Draw(&solid);
    // (the pen's round ends reach one pixel beyond both ends)
    EXPECT_EQ(Px(img, 2, CY), kWhite);
    EXPECT_EQ(Px(img, 3, CY), Q(kLine));
    EXPECT_EQ(Px(img, 96, CY), Q(kLine));
    EXPECT_EQ(Px(img, 97, CY), kWhite);
    int thick = 0;
    for (int y = 1; y < H - 1; ++y) thick += Px(img, CX, y) == Q(kLine);
    EXPECT_EQ(thick, 2);

    // Dashes: the style's pattern in units of 2 pixels from left + 4; on the row
    // through the dashes' points the round ends of the two-pixel pen add a pixel
    // to each dash at both sides (the left one by its tie rule) and take one from
    // each gap.
    struct Case {
        int style;
        std::vector<int> units;  // the pattern's first dashes and gaps
    };
    const Case cases[] = {
        {2, {10, 10, 10, 10}},             // Long Dash
        {3, {5, 5, 5, 5, 5, 5}},           // Dash
        {4, {3, 3, 3, 3, 3, 3}},           // Short Dash
        {5, {1, 3, 1, 3, 1, 3}},           // Dot
        {6, {10, 3, 1, 3, 10, 3, 1, 3}},   // Dash Dot Dash
        {7, {10, 3, 1, 3, 1, 3, 10, 3}},   // Dash Dot Dot Dash
    };
    for (const Case& c : cases) {
        TPlotStyle st = Style(0, c.style);
        img = Draw(&st);
        // The lower of the pen's two rows, through the dashes' own points.
        int row = -1;
        for (int y = CY + 1; y >= CY - 1 && row < 0; --y)
            if (Px(img, 4, y) == Q(kLine)) row = y;
        ASSERT_GE(row, 0) << c.style;
        const auto runs = Runs(img, row, 1, 98);
        ASSERT_GT(runs.size(), c.units.size() + 1) << c.style;
        EXPECT_EQ(runs[0], std::make_pair(kWhite, 2)) << c.style;  // the dashes start at x 3
        for (std::size_t i = 0; i < c.units.size(); ++i) {
            const bool dash = i % 2 == 0;
            const std::pair<QRgb, int> want{dash ? Q(kLine) : kWhite,
                                            2 * c.units[i] + (dash ? 2 : -2)};
            EXPECT_EQ(runs[i + 1], want) << "style " << c.style << " element " << i;
        }
    }
}

TEST(PlotButton, EveryMarkerCode) {
    // code, pixels that must be the fill, the outline, the line, white.
    struct Probe {
        int x, y;
        QRgb c;
    };
    const QRgb F = Q(kFill), E = Q(kEdge), L = Q(kLine), _ = kWhite;
    struct Case {
        int code;
        std::vector<Probe> probes;
    };
    std::vector<Case> cases = {
        {0, {{CX, CY, L}, {CX, CY - 5, _}}},
        // Square (43, 13)-(57, 27): outline on 43 and 56, fill inside, line outside.
        {1, {{43, CY, E}, {56, CY, E}, {CX, 13, E}, {CX, 26, E}, {CX, 16, F}, {CX, CY, F},
             {42, CY, L}, {57, CY, L}, {CX, 12, _}, {CX, 27, _}}},
        // Apex (50, 10), base (41..59, 25).
        {2, {{CX, 10, E}, {CX, 25, E}, {CX, 22, F}, {CX, 9, _}, {CX, 26, _}, {30, CY, L}}},
        // Apex (50, 30), base (41..59, 15).
        {3, {{CX, 30, E}, {CX, 15, E}, {CX, 18, F}, {CX, 31, _}, {CX, 14, _}, {30, CY, L}}},
        // Diamond through (50, 10), (60, 20), (50, 30), (40, 20).
        {4, {{CX, 10, E}, {CX, 14, F}, {44, 14, _}, {56, 26, _}, {30, CY, L}}},
        // Circle in (40, 10)-(60, 30).
        {5, {{CX, 10, E}, {CX, 12, F}, {41, 11, _}, {30, CY, L}}},
        // The forms of bars, areas and steps: one box (4, 10)-(96, 30), no line.
        {6, {{4, CY, E}, {95, CY, E}, {10, 10, E}, {10, 29, E}, {CX, CY, F}, {10, 30, _}, {2, CY, _}}},
        // Cross: strokes of half-size s drawn out and back, so both ends are
        // drawn (each line leaves out only its own end); no line.
        {14, {{40, CY, E}, {59, CY, E}, {60, CY, E}, {CX, 10, E}, {CX, 29, E}, {CX, 30, E},
              {30, CY, _}, {45, 15, _}, {61, CY, _}, {39, CY, _}, {CX, 31, _}, {CX, 9, _}}},
        // Diagonal cross: half-size d, both ends of both strokes; no line.
        {15, {{43, 13, E}, {56, 26, E}, {57, 27, E}, {43, 27, E}, {56, 14, E}, {57, 13, E},
              {58, 28, _}, {42, 12, _}, {CX, 15, _}, {30, CY, _}}},
    };
    for (int code = 7; code <= 13; ++code) cases.push_back({code, cases[6].probes});
    for (const Case& c : cases) {
        TPlotStyle st = Style(c.code);
        const QImage img = Draw(&st);
        for (const Probe& p : c.probes)
            EXPECT_EQ(Px(img, p.x, p.y), p.c) << "code " << c.code << " at " << p.x << "," << p.y;
        // The border is there whatever the style.
        EXPECT_EQ(Px(img, 0, CY), kBlack);
        EXPECT_EQ(Px(img, CX, H - 1), kBlack);
    }
    // A code below 0 is no marker but still gets the line.
    TPlotStyle negative = Style(-1);
    const QImage img = Draw(&negative);
    EXPECT_EQ(Px(img, CX, CY), Q(kLine));
}

// The shapes' coordinates, from the calls that reach the device context.
TEST(PlotButton, ShapeGeometryFromTheItemRectangle) {
    struct Case {
        int code;
        TRect rect;
        std::vector<std::string> shapes;  // the calls after the two background rectangles
    };
    const Case cases[] = {
        // 40 high: s 10, h 9, d 7, s/2 5.
        {1, TRect(0, 0, W, H), {"MoveToEx(4,20)", "LineTo(96,20)", "Rectangle(43,13,57,27)",
                                "Ellipse(49,19,51,21)"}},
        {2, TRect(0, 0, W, H), {"MoveToEx(4,20)", "LineTo(96,20)", "Polygon(50,10;59,25;41,25)",
                                "Ellipse(49,19,51,21)"}},
        {3, TRect(0, 0, W, H), {"MoveToEx(4,20)", "LineTo(96,20)", "Polygon(50,30;59,15;41,15)",
                                "Ellipse(49,19,51,21)"}},
        {4, TRect(0, 0, W, H), {"MoveToEx(4,20)", "LineTo(96,20)",
                                "Polygon(50,10;60,20;50,30;40,20)", "Ellipse(49,19,51,21)"}},
        {5, TRect(0, 0, W, H), {"MoveToEx(4,20)", "LineTo(96,20)", "Ellipse(40,10,60,30)",
                                "Ellipse(49,19,51,21)"}},
        // Each stroke of a cross out and back, so both of its ends are drawn.
        {14, TRect(0, 0, W, H), {"MoveToEx(40,20)", "LineTo(60,20)", "LineTo(40,20)",
                                 "MoveToEx(50,10)", "LineTo(50,30)", "LineTo(50,10)"}},
        {15, TRect(0, 0, W, H), {"MoveToEx(43,13)", "LineTo(57,27)", "LineTo(43,13)",
                                 "MoveToEx(43,27)", "LineTo(57,13)", "LineTo(43,27)"}},
        {9, TRect(0, 0, W, H), {"Rectangle(4,10,96,30)"}},
        // Truncating divisions: 33 high gives s 8, h 7, d 5, s/2 4; the centre
        // (28, 16) of an odd rectangle.
        {2, TRect(0, 0, 57, 33), {"MoveToEx(4,16)", "LineTo(53,16)", "Polygon(28,8;35,20;21,20)",
                                  "Ellipse(27,15,29,17)"}},
        {15, TRect(10, 5, 67, 38), {"MoveToEx(33,16)", "LineTo(43,26)", "LineTo(33,16)",
                                    "MoveToEx(33,26)", "LineTo(43,16)", "LineTo(33,26)"}},
    };
    for (const Case& c : cases) {
        TPlotStyle st = Style(c.code);
        st.MarkerCenterDot = 1;
        RecordingDC dc;
        DrawPlotSample(dc, c.rect, &st);
        std::vector<std::string> shapes;
        for (const std::string& call : dc.Calls())
            for (const char* kind : {"MoveToEx", "LineTo", "Rectangle", "Polygon", "Ellipse"})
                if (call.rfind(kind, 0) == 0) shapes.push_back(call);
        const std::string frame = "Rectangle(" + std::to_string(c.rect.left) + "," +
                                  std::to_string(c.rect.top) + "," + std::to_string(c.rect.right) +
                                  "," + std::to_string(c.rect.bottom) + ")";
        ASSERT_GE(shapes.size(), 2u) << c.code;
        EXPECT_EQ(shapes[0], frame);
        EXPECT_EQ(shapes[1], frame);
        EXPECT_EQ(std::vector<std::string>(shapes.begin() + 2, shapes.end()), c.shapes) << c.code;
    }
}

TEST(PlotButton, HollowNoOutlineAndCentreDot) {
    // Hollow: the marker's inside shows what is below it, here the line.
    TPlotStyle hollow = Style(1);
    hollow.MarkerInsidePaint = 1;
    QImage img = Draw(&hollow);
    EXPECT_EQ(Px(img, 43, CY - 3), Q(kEdge));
    EXPECT_EQ(Px(img, CX, 16), kWhite);
    EXPECT_EQ(Px(img, CX, CY), Q(kLine));
    // A hollow bar shows no line through it: the forms never get one.
    TPlotStyle hollowBar = Style(8);
    hollowBar.MarkerInsidePaint = 1;
    img = Draw(&hollowBar);
    EXPECT_EQ(Px(img, CX, CY), kWhite);
    EXPECT_EQ(Px(img, 4, CY), Q(kEdge));

    // No outline: no border on the marker, but the centre dot keeps the outline
    // colour.
    TPlotStyle plain = Style(1, 0);
    plain.NullOutLine = 1;
    plain.MarkerCenterDot = 1;
    img = Draw(&plain);
    EXPECT_EQ(Px(img, 44, 16), Q(kFill));
    EXPECT_NE(Px(img, 43, 16), Q(kEdge));
    EXPECT_NE(Px(img, CX, 13), Q(kEdge));
    int dot = 0;
    for (int y = CY - 2; y <= CY + 2; ++y)
        for (int x = CX - 2; x <= CX + 2; ++x) dot += Px(img, x, y) == Q(kEdge);
    EXPECT_GE(dot, 1);
    EXPECT_LE(dot, 4);

    // The dot only for codes 1-5 and only for the value 1.
    for (int code : {0, 6, 14}) {
        TPlotStyle st = Style(code, 0);
        st.MarkerCenterDot = 1;
        st.MarkerEdgeColor = RGB(1, 2, 3);  // the crosses would draw it otherwise
        st.NullOutLine = 1;
        img = Draw(&st);
        EXPECT_NE(Px(img, CX, CY), Q(RGB(1, 2, 3))) << code;
    }
    TPlotStyle two = Style(1, 0);
    two.NullOutLine = 1;
    two.MarkerCenterDot = 2;
    img = Draw(&two);
    EXPECT_EQ(Px(img, CX, CY), Q(kFill));
    EXPECT_EQ(Px(img, CX - 1, CY - 1), Q(kFill));
}

TEST(PlotButton, KeepsItsOwnCopyAndDrawsNoFocusOrPress) {
    TPlotStyle st = Style(5);
    st.XFormula = "x*2";
    st.MaskRows = "1-3";
    TPlotButton b(nullptr, 0, &st);  // a style given to the constructor is shown
    b.resize(W, H);
    EXPECT_EQ(b.HasStyle, 1);
    b.DrawItem(ODA_DRAWENTIRE, 0);
    const QImage circle = b.Pixels().copy();
    EXPECT_EQ(Px(circle, CX, 12), Q(kFill));

    // The caller's style changes: the picture does not, until SetPlotStyle.
    st.MarkerStyle = 14;
    st.MarkerInsideColor = RGB(9, 9, 9);
    b.DrawItem(ODA_DRAWENTIRE, 0);
    EXPECT_EQ(b.Pixels(), circle);
    EXPECT_EQ(b.SampleStyle->MarkerStyle, 5);
    EXPECT_EQ(b.SampleStyle->XFormula, "x*2");
    EXPECT_EQ(b.SampleStyle->MaskRows, "1-3");

    // Press and focus draw nothing.
    b.DrawItem(ODA_SELECT, ODS_SELECTED);
    b.DrawItem(ODA_FOCUS, ODS_FOCUS);
    EXPECT_EQ(b.Pixels(), circle);

    b.SetPlotStyle(&st);
    b.DrawItem(ODA_DRAWENTIRE, 0);
    EXPECT_EQ(Px(b.Pixels(), CX, 12), Q(kEdge));  // the cross now
    // None: the empty field; the copy stays but is not drawn.
    b.SetPlotStyle(nullptr);
    EXPECT_EQ(b.HasStyle, 0);
    EXPECT_EQ(b.SampleStyle->MarkerStyle, 14);
    b.DrawItem(ODA_DRAWENTIRE, 0);
    ExpectEmptyField(b.Pixels().convertToFormat(QImage::Format_RGB32), "after none");

    // Through real painting too.
    b.SetPlotStyle(&st);
    const QImage painted = b.grab().toImage();
    EXPECT_EQ(Px(painted, CX, 12), Q(kEdge));
    EXPECT_EQ(Px(painted, 30, CY), kWhite);
}

}  // namespace
