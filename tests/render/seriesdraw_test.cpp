// Series drawing: runs cut at "*" rows, rows left out, processing formulas, the
// connection methods, markers, filled forms and error bars, as kvx records and
// device-context calls; quality, extents and the Escape polls.

#include "axis_test_support.h"
#include "kvx_records.h"
#include "model/boxframe.h"
#include "model/graphfile.h"
#include "numerics/splines.h"
#include "platform/messagebox.h"
#include "platform/escape.h"
#include "render/markers.h"
#include "render/output.h"
#include "render/styledline.h"
#include "render/valuemap.h"
#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <QImage>

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using Recs = std::vector<std::string>;

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Row {
    double x, y;
    std::uint8_t fx = 0, fy = 0;
};

constexpr std::uint8_t kStar = DataFlagStar;

// The round frame of the axis tests: value v is at page x = 2000 + 700 v and
// y = 10000 - 700 v; the display rectangle is (2000, 3000) - (9000, 10000).
int X(double v) { return int(2000 + 700 * v); }
int Y(double v) { return int(10000 - 700 * v); }
std::string P(double x, double y) { return std::to_string(X(x)) + "," + std::to_string(Y(y)); }

class SeriesDraw : public ::testing::Test {
protected:
    SeriesDraw() { axistest::SetRoundFrame(set); }

    // A series with a solid black line and no markers (the defaults), rows as given.
    TPlot& Add(std::initializer_list<Row> rows) {
        auto p = std::make_unique<TPlot>();
        for (const Row& r : rows) {
            p->AddX(TDataElement(r.fx & kStar ? kInf : r.x, r.fx));
            p->AddY(TDataElement(r.fy & kStar ? kInf : r.y, r.fy));
        }
        TPlot& ref = *p;
        set.PlotList.Add(p.release());
        return ref;
    }

    Recs Kvx(TPlot& plot, int quality = 1) {
        kvxtest::ScratchFile f;
        TDC dc;
        OutPageInfo(20000, 20000, nullptr);
        set.DrawPlot(OUT_VECTOR, quality, dc, &plot, 1, f, nullptr);
        return kvxtest::Records(f.Text());
    }

    BoxFrame set;
};

// The records whose tag is one of tags.
Recs Only(const Recs& all, std::set<std::string> tags) {
    Recs out;
    for (const std::string& r : all)
        if (tags.count(r.substr(0, 3))) out.push_back(r);
    return out;
}

int Count(const Recs& all, const std::string& tag) {
    return int(std::count_if(all.begin(), all.end(),
                             [&](const std::string& r) { return r.substr(0, 3) == tag; }));
}

// A marker square of the default size (s = 50, a = 35) centred on a point.
std::string Square(double x, double y) {
    const int cx = X(x), cy = Y(y);
    auto pt = [](int px, int py) { return std::to_string(px) + "," + std::to_string(py); };
    return "PLY " + pt(cx - 35, cy - 35) + " " + pt(cx + 35, cy - 35) + " " + pt(cx + 35, cy + 35) +
           " " + pt(cx - 35, cy + 35);
}

TEST(AxisValueMap, GivesExactlyWhatValueToPageGives) {
    BoxFrame set;
    set.Frame.OriginX = 1234.5;
    set.Frame.OriginY = 987.25;
    set.Frame.FrameLengthX = 7001.3;
    set.Frame.FrameLengthY = 4999.9;
    const double values[] = {0.0, 1e-300, 0.3, 1.0, 2.5, 7.0, 10.0, 999.0, -3.0, 1e300, kInf, -kInf,
                             std::nan("")};
    for (int scaling = 0; scaling <= 5; ++scaling)
        for (int inverted = 0; inverted <= 1; ++inverted)
            for (int axisNo = 0; axisNo <= 5; ++axisNo) {
                for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis}) {
                    a->Scaling = scaling;
                    a->ScaleInv = inverted;
                    a->RangeStart = 0.7;
                    a->RangeEnd = 13.0;
                    a->DispRegionStart = 7;
                    a->DispRegionEnd = 91;
                }
                const AxisValueMap map(set, axisNo);
                for (double v : values) {
                    const double want = set.ValueToPage(v, axisNo), got = map(v);
                    EXPECT_TRUE(std::memcmp(&want, &got, sizeof want) == 0 ||
                                (std::isnan(want) && std::isnan(got)))
                        << scaling << " " << inverted << " " << axisNo << " " << v << ": " << want
                        << " " << got;
                }
            }
}

// Both linear maps of a point at once give each coordinate's own map to the bit,
// either way up, and tell whether both values were finite.
TEST(AxisValueMap, PointsMapAsTheirCoordinatesDo) {
    BoxFrame set;
    set.Frame.OriginX = 1234.5;
    set.Frame.OriginY = 987.25;
    set.Frame.FrameLengthX = 7001.3;
    set.Frame.FrameLengthY = 4999.9;
    const double values[] = {0.0, 1e-300, 0.3, 2.5, 7.0, 13.0, -3.0, 1e300, kInf, -kInf, std::nan("")};
    for (int inverted = 0; inverted <= 1; ++inverted) {
        for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis}) {
            a->ScaleInv = inverted;
            a->RangeStart = 0.7;
            a->RangeEnd = 13.0;
            a->DispRegionStart = 7;
            a->DispRegionEnd = 91;
        }
        const AxisValueMap mx(set, BottomAxisNo), my(set, LeftAxisNo);
        const LinearPointMap map(mx, my);
        for (double x : values)
            for (double y : values) {
                LinePoint p{}, q{};
                map(x, y, p);
                const bool finite = map.MapIfFinite(x, y, q);
                const double want[2] = {mx(x), my(y)}, got[2] = {p.x, p.y}, also[2] = {q.x, q.y};
                EXPECT_EQ(finite, std::isfinite(x) && std::isfinite(y)) << x << " " << y;
                for (int k = 0; k < 2; ++k) {
                    if (std::isnan(want[k])) {
                        EXPECT_TRUE(std::isnan(got[k]) && std::isnan(also[k]));
                        continue;
                    }
                    EXPECT_EQ(std::memcmp(&want[k], &got[k], sizeof(double)), 0) << x << " " << y;
                    EXPECT_EQ(std::memcmp(&want[k], &also[k], sizeof(double)), 0) << x << " " << y;
                }
            }
    }
}

TEST_F(SeriesDraw, RunsEndAtStarRowsAndGoOnOverBarAndMaskedRows) {
    TPlot& p = Add({{1, 1}, {2, 2}, {3, 0, 0, kStar}, {4, 4}, {5, 5, 0, DataFlagBar},
                    {6, 6, DataFlagMasked}, {7, 7}, {8, 0, kStar}, {9, 0, 0, kStar}, {9, 9}});
    p.Style.MarkerStyle = MarkerRectangle;
    const Recs r = Kvx(p);
    // Rows 1-2 and rows 4 and 7 are joined; the two "*" rows in a row give an empty
    // run, and the single point of the last run shows only its marker.
    EXPECT_EQ(Only(r, {"BGP", "MVT", "LNT", "EDP"}),
              (Recs{"BGP", "MVT " + P(1, 1), "LNT " + P(2, 2), "EDP",  //
                    "BGP", "MVT " + P(4, 4), "LNT " + P(7, 7), "EDP"}));
    EXPECT_EQ(Only(r, {"PLY"}),
              (Recs{Square(1, 1), Square(2, 2), Square(4, 4), Square(7, 7), Square(9, 9)}));
    // Per run: line pen, then marker pen and brush.
    EXPECT_EQ(Only(r, {"PEN", "BRS"}).front(), "PEN 1,0,0,0 20");
    EXPECT_EQ(Count(r, "PEN"), 3 * 2);
}

TEST_F(SeriesDraw, ARowWhoseFormulaFailsIsMissingNotTheRowBefore) {
    // inverf fails outside (-1, 1): the middle row has no value. It stays in the
    // run as a point without position, so the line breaks there and no marker is
    // drawn for it.
    TPlot& p = Add({{1, 0.5}, {2, 5}, {3, 0.25}});
    p.Style.IsYFormula = 1;
    p.Style.YFormula = "inverf(y)*10";
    p.Style.MarkerStyle = MarkerRectangle;
    const Recs r = Kvx(p);
    const Recs path = Only(r, {"MVT", "LNT"});
    ASSERT_EQ(path.size(), 2u);
    EXPECT_EQ(path[0].substr(0, 8), "MVT " + std::to_string(X(1)));
    EXPECT_EQ(path[1].substr(0, 8), "MVT " + std::to_string(X(3)));
    EXPECT_EQ(Count(r, "PLY"), 2);

    // A formula that does not compile leaves every row without a value.
    p.Style.YFormula = "y+";
    const Recs none = Kvx(p);
    EXPECT_EQ(Count(none, "MVT") + Count(none, "LNT") + Count(none, "PLY"), 0);
}

TEST_F(SeriesDraw, ProcessingFormulasUseSeriesNumberAndOnly255Characters) {
    TPlot& p = Add({{1, 1}, {2, 2}});
    p.Style.IsXFormula = 1;
    p.Style.XFormula = "x+%i";  // the series number: 1
    p.Style.IsYFormula = 1;
    p.Style.YFormula = std::string(255, ' ') + "+5";  // what lies beyond 255 is not read
    p.Style.YFormula.replace(0, 1, "y");
    EXPECT_EQ(Only(Kvx(p), {"MVT", "LNT"}), (Recs{"MVT " + P(2, 1), "LNT " + P(3, 2)}));
}

TEST_F(SeriesDraw, ConnectionMethods) {
    struct Case {
        int method;
        std::vector<Row> rows;
        int moves, lines;
    } cases[] = {
        {0, {{1, 1}, {2, 3}, {3, 2}}, 1, 2},
        {1, {{1, 1}, {2, 3}, {3, 2}}, 1, 3},
        {2, {{1, 1}, {2, 3}, {3, 2}}, 1, 4},   // (3 - 1) * 2 + 1 samples
        {2, {{1, 1}, {3, 3}, {2, 2}}, 0, 0},   // x not monotonic: markers only
        {3, {{1, 1}, {3, 3}}, 1, 1},           // two points: one straight segment
        {4, {{1, 1}, {2, 3}, {3, 2}}, 1, 4},
        {5, {{1, 1}, {2, 3}, {3, 2}}, 0, 0},   // fewer than 8 points
        {6, {{1, 1}, {2, 3}, {3, 2}}, 0, 0},
        {9, {{1, 1}, {2, 3}, {3, 2}}, 0, 0},   // unknown: no line at all
        {-1, {{1, 1}, {2, 3}, {3, 2}}, 0, 0},
    };
    for (const Case& c : cases) {
        set.PlotList.Flush();
        TPlot& p = Add({});
        for (const Row& row : c.rows) {
            p.AddX(TDataElement(row.x));
            p.AddY(TDataElement(row.y));
        }
        p.Style.LineInterpolate = c.method;
        p.Style.LineInterpolatePara = 2;
        p.Style.MarkerStyle = MarkerCircle;
        const Recs r = Kvx(p);
        EXPECT_EQ(Count(r, "MVT"), c.moves) << c.method;
        EXPECT_EQ(Count(r, "LNT"), c.lines) << c.method;
        EXPECT_EQ(Count(r, "ELS"), int(c.rows.size())) << c.method;  // markers always
    }
}

// A spline connection is sampled within the limits every drawn curve keeps to,
// whatever division count the style holds: a tiny file whose series stores ten
// million divisions (a repaint of seconds otherwise) opens, keeps its count and
// draws the curve of the limit, for every spline method.
TEST_F(SeriesDraw, SplineDivisionsBeyondTheLimitDrawTheLimit) {
    char folder[] = "/tmp/kv-series-spline-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/spline.kv3";
    constexpr int kStored = 10000000;
    for (int method = 2; method <= 6; ++method) {
        SCOPED_TRACE(method);
        kv::ScriptedMessageBoxes boxes;
        GraphDocument doc;
        {
            BoxFrame& written = *doc.AxisSets[1];
            axistest::SetRoundFrame(written);
            auto p = std::make_unique<TPlot>();
            for (int i = 0; i < 9; ++i) {
                p->AddX(TDataElement(1 + i));
                p->AddY(TDataElement(1 + (i * 7) % 5));
            }
            p->Style.LineInterpolate = method;
            p->Style.LineInterpolatePara = kStored;
            written.PlotList.Add(p.release());
        }
        ASSERT_EQ(WriteGraphFile(doc, path, {}), 1);
        EXPECT_LT(std::filesystem::file_size(path), 4096u);

        GraphDocument read;
        ASSERT_EQ(ReadGraphFile(read, path, {}), 1);
        BoxFrame& opened = *read.AxisSets[1];
        TPlot& plot = *opened.PlotList[1];
        EXPECT_EQ(plot.Style.LineInterpolatePara, kStored);
        auto draw = [&] {
            kvxtest::ScratchFile f;
            TDC dc;
            OutPageInfo(20000, 20000, nullptr);
            opened.DrawPlot(OUT_VECTOR, 1, dc, &plot, 1, f, nullptr);
            return kvxtest::Records(f.Text());
        };
        const Recs stored = draw();
        plot.Style.LineInterpolatePara = kv::kSplineMaxDivisions;
        const Recs limit = draw();
        EXPECT_GT(Count(limit, "LNT"), 4 * kv::kSplineMaxDivisions);
        EXPECT_EQ(stored, limit);
    }
    std::filesystem::remove_all(folder);
}

TEST_F(SeriesDraw, ClosedPolylineClosesEachRunOnItself) {
    TPlot& p = Add({{1, 1}, {2, 2}, {3, 1}, {0, 0, kStar}, {5, 5}, {6, 6}, {7, 5}});
    p.Style.LineInterpolate = 1;
    EXPECT_EQ(Only(Kvx(p), {"MVT", "LNT"}),
              (Recs{"MVT " + P(1, 1), "LNT " + P(2, 2), "LNT " + P(3, 1), "LNT " + P(1, 1),
                    "MVT " + P(5, 5), "LNT " + P(6, 6), "LNT " + P(7, 5), "LNT " + P(5, 5)}));
}

TEST_F(SeriesDraw, MarkersAreClippedToTheDisplayRectangleGrownByOneTwip) {
    // One unit per twip on the bottom axis: frame 2000 + 8192 twips, range 0..8192.
    set.Frame.FrameLengthX = 8192;
    set.BottomAxis.RangeEnd = 8192;
    TPlot& p = Add({{8192, 5}, {8193, 5}, {-1, 5}, {-2, 5}, {20000, 5}});
    p.Style.LineStyle = 0;
    p.Style.MarkerStyle = MarkerCircle;
    auto centres = [&] {
        Recs out;
        for (const std::string& r : Only(Kvx(p), {"ELS"})) out.push_back(r.substr(4, 5));
        return out;
    };
    // Right edge 10192 drawn, 10193 not; left edge 2000 - 1 drawn, - 2 not.
    EXPECT_EQ(centres(), (Recs{"10142", "1949,"}));
    p.Style.Clipping = 0;  // everything below 32767 twips
    EXPECT_EQ(centres(), (Recs{"10142", "10143", "1949,", "1948,", "21950"}));
}

TEST_F(SeriesDraw, BarsOfTheFirstKindShowEachPointUpToTheNext) {
    TPlot& p = Add({{1, 4}, {2, 6}, {3, 8}, {4, 0}, {5, -2}, {6, 1}});
    p.Style.LineStyle = 0;
    p.Style.MarkerStyle = 8;  // V-Bar1
    const Recs r = Kvx(p);
    // Five bars: the value at the base has no height, the one below hangs down and
    // is cut at the display rectangle; the last point only closes the last bar.
    EXPECT_EQ(Only(r, {"PLY"}),
              (Recs{"PLY 2700,7200 3400,7200 3400,10000 2700,10000",
                    "PLY 3400,5800 4100,5800 4100,10000 3400,10000",
                    "PLY 4100,4400 4800,4400 4800,10000 4100,10000"}));
    EXPECT_EQ(Only(r, {"PEN", "BRS"}), (Recs{"PEN 1,0,0,0 20", "BRS -1,255,255,255", "PEN 1,0,0,0 20",
                                             "PEN 1,0,0,0 20", "BRS -1,255,255,255"}));

    p.Style.Clipping = 0;
    EXPECT_EQ(Only(Kvx(p), {"PLY"}).back(), "PLY 5500,10000 6200,10000 6200,11400 5500,11400");

    // "H-Bar1": from the base at x = 2000 across to each point, y[i] to y[i+1].
    p.Style.MarkerStyle = 9;
    p.Style.Clipping = 1;
    EXPECT_EQ(Only(Kvx(p), {"PLY"}).front(), "PLY 2000,5800 2700,5800 2700,7200 2000,7200");
}

TEST_F(SeriesDraw, BarBaseBeyondThePageKeepsItsSide) {
    TPlot& p = Add({{1, 4}, {2, 6}});
    p.Style.LineStyle = 0;
    p.Style.MarkerStyle = 8;
    p.Style.Clipping = 0;
    p.Style.BaseValue = 100;  // page y 10000 - 70000: far above the page
    EXPECT_EQ(Only(Kvx(p), {"PLY"}), Recs{"PLY 2700,-32767 3400,-32767 3400,7200 2700,7200"});
    p.Style.Clipping = 1;  // the bar reaches up to the top of the frame
    EXPECT_EQ(Only(Kvx(p), {"PLY"}), Recs{"PLY 2700,3000 3400,3000 3400,7200 2700,7200"});
    p.Style.BaseValue = -100;
    EXPECT_EQ(Only(Kvx(p), {"PLY"}), Recs{"PLY 2700,7200 3400,7200 3400,10000 2700,10000"});
}

TEST_F(SeriesDraw, BarsOfTheSecondKindAreMarkerSizeWide) {
    TPlot& p = Add({{1, 4}, {2, 0}, {3, 6}, {0, 0, kStar}, {12, 2}});
    p.Style.LineStyle = 0;
    p.Style.MarkerStyle = 12;  // V-Bar2, 50 twips wide
    EXPECT_EQ(Only(Kvx(p), {"PLY"}), (Recs{"PLY 2675,7200 2725,7200 2725,10000 2675,10000",
                                          "PLY 4075,5800 4125,5800 4125,10000 4075,10000"}));
    p.Style.MarkerStyle = 13;  // H-Bar2
    EXPECT_EQ(Only(Kvx(p), {"PLY"}).front(), "PLY 2000,7175 2700,7175 2700,7225 2000,7225");
}

TEST_F(SeriesDraw, AreasAreClippedAndClosedByTheConnectionMethod) {
    TPlot& p = Add({{1, 4}, {2, 6}, {3, 5}, {0, 0, kStar}, {5, 5}});
    p.Style.LineStyle = 0;
    p.Style.MarkerStyle = 6;  // V-Area
    const Recs r = Kvx(p);
    EXPECT_EQ(Only(r, {"SCP", "PLY", "RCP"}),
              (Recs{"SCP 2000,17000,9000,10000",
                    "PLY " + P(1, 4) + " " + P(2, 6) + " " + P(3, 5) + " 4100,10000 2700,10000",
                    "RCP"}));  // the run of one point has no area

    p.Style.LineInterpolate = 1;  // closed: the curve alone
    EXPECT_EQ(Only(Kvx(p), {"PLY"}),
              Recs{"PLY " + P(1, 4) + " " + P(2, 6) + " " + P(3, 5) + " " + P(1, 4)});

    p.Style.LineInterpolate = 0;
    p.Style.MarkerStyle = 7;  // H-Area: to the left edge, x = 2000 for base 0
    EXPECT_EQ(Only(Kvx(p), {"PLY"}).front(),
              "PLY " + P(1, 4) + " " + P(2, 6) + " " + P(3, 5) + " 2000,6500 2000,7200");
}

TEST_F(SeriesDraw, StepsFillBarsWithoutOutlineAndDrawTheirOwnOutline) {
    TPlot& p = Add({{1, 4}, {3, 6}, {0, 0, kStar}, {5, 5}});
    p.Style.LineStyle = 0;
    p.Style.MarkerStyle = 10;  // V-Step
    p.Style.LineColor = RGB(0, 0, 255);
    const Recs r = Kvx(p);
    const Recs form(r.begin(), std::find(r.begin(), r.end(), "PEN 1,0,0,255 20"));
    EXPECT_EQ(form, (Recs{"PEN -2,0,0,0 0", "BRS -1,255,255,255",
                          "PLY 2700,7200 4100,7200 4100,10000 2700,10000",
                          "PEN 1,0,0,0 20",
                          "BGP", "MVT 2700,7200", "LNT 4100,7200", "EDP", "SRP",
                          "BGP", "MVT 4100,7200", "LNT 4100,10000", "MVT 4100,10000",
                          "LNT 2700,10000", "MVT 2700,10000", "LNT 2700,7200", "EDP", "SRP"}));
    // The run of one point has no step at all.
    EXPECT_EQ(Count(r, "PLY"), 1);
    EXPECT_EQ(Count(r, "BGP"), 2);

    // "H-Step": levels across from the base at x = 2000, from y0 to y1.
    p.Style.MarkerStyle = 11;
    EXPECT_EQ(Only(Kvx(p), {"PLY", "MVT", "LNT"}),
              (Recs{"PLY 2000,5800 2700,5800 2700,7200 2000,7200",
                    "MVT 2700,7200", "LNT 2700,5800",
                    "MVT 2700,5800", "LNT 2000,5800", "MVT 2000,5800", "LNT 2000,7200",
                    "MVT 2000,7200", "LNT 2700,7200"}));
}

TEST_F(SeriesDraw, ErrorBarsSpanTheirRowsValuesWithCaps) {
    TPlot& p = Add({{5, 5}, {0, 0, kStar}, {2, 2}});
    p.PlotFile.IsXErrorBar = 1;
    p.PlotFile.IsYErrorBar = 1;
    const double xmax[] = {6, 0, 12}, xmin[] = {4, 0, 1}, ymax[] = {7, 0, 3}, ymin[] = {3, 0, 1};
    for (int i = 0; i < 3; ++i) {
        p.XMaxData.Add(TDataElement(xmax[i]));
        p.XMinData.Add(TDataElement(xmin[i]));
        p.YMaxData.Add(TDataElement(ymax[i]));
        p.YMinData.Add(TDataElement(ymin[i]));
    }
    p.Style.LineStyle = 0;
    auto segments = [&] {
        Recs out;
        for (const std::string& r : Only(Kvx(p), {"MVT", "LNT", "BGP"}))
            if (r != "BGP") out.push_back(r); else out.push_back("|");
        return out;
    };
    // Bar, cap at the maximum, cap at the minimum; caps 2 x 50 twips long. The
    // second run's point shows its own row (row 3); its X bar is cut at the
    // display rectangle and its cap at 12 lies outside it.
    EXPECT_EQ(segments(),
              (Recs{"|", "MVT 6200,6500", "LNT 4800,6500", "|", "MVT 6200,6450", "LNT 6200,6550",
                    "|", "MVT 4800,6450", "LNT 4800,6550",
                    "|", "MVT 5500,5100", "LNT 5500,7900", "|", "MVT 5450,5100", "LNT 5550,5100",
                    "|", "MVT 5450,7900", "LNT 5550,7900",
                    "|", "MVT 9000,8600", "LNT 2700,8600", "|", "|", "MVT 2700,8550", "LNT 2700,8650",
                    "|", "MVT 3400,7900", "LNT 3400,9300", "|", "MVT 3350,7900", "LNT 3450,7900",
                    "|", "MVT 3350,9300", "LNT 3450,9300"}));
    // Unclipped, the bar reaches 12 and its cap is drawn.
    p.Style.Clipping = 0;
    const Recs unclipped = segments();
    EXPECT_EQ(unclipped[19], "MVT 10400,8600");
    EXPECT_EQ(unclipped[22], "MVT 10400,8550");
    // An error value without a position loses its bar and its cap; the other
    // cap stays.
    p.Style.Clipping = 1;
    p.YMinData[0] = TDataElement(kInf, DataFlagStar);
    const Recs missing = segments();
    EXPECT_EQ(Recs(missing.begin() + 9, missing.begin() + 15),
              (Recs{"|", "|", "MVT 5450,5100", "LNT 5550,5100", "|", "|"}));
    // The processing formula applies to the error values too.
    p.Style.Clipping = 1;
    p.Style.IsXFormula = 1;
    p.Style.XFormula = "x-1";
    EXPECT_EQ(segments()[1], "MVT 5500,6500");
}

TEST_F(SeriesDraw, DraftQualityThinsEveryPenButKeepsSizes) {
    TPlot& p = Add({{1, 4}, {2, 6}, {3, 5}});
    p.Style.MarkerStyle = 12;
    p.PlotFile.IsYErrorBar = 1;
    for (double v : {1.0, 2.0, 3.0}) {
        p.YMaxData.Add(TDataElement(v + 1));
        p.YMinData.Add(TDataElement(v - 1));
    }
    const Recs r = Kvx(p, 0);
    for (const std::string& rec : Only(r, {"PEN"})) EXPECT_EQ(rec.substr(rec.size() - 2), " 0") << rec;
    EXPECT_EQ(Only(r, {"PLY"}).front(), "PLY 2675,7200 2725,7200 2725,10000 2675,10000");
    EXPECT_TRUE(std::find(r.begin(), r.end(), "MVT 2650,8600") != r.end());  // cap 2 x 50
}

TEST_F(SeriesDraw, ExtentHoldsLinesAndMarkersButNotBarsOrAreas) {
    TPlot& p = Add({{1, 4}, {2, 6}, {3, 5}});
    TDC dc;
    auto extent = [&] {
        TRect e;
        set.DrawPlot(OUT_EXTENT, 1, dc, &p, 1, nullptr, &e);
        return e;
    };
    p.Style.LineStyle = 0;
    for (int form : {6, 7, 8, 9, 12, 13}) {
        p.Style.MarkerStyle = form;
        EXPECT_EQ(extent(), TRect()) << form;
    }
    p.Style.MarkerStyle = 0;
    p.Style.LineStyle = 1;  // width 20: points grown by 11
    EXPECT_EQ(extent(), TRect(X(1) - 11, Y(6) - 11, X(3) + 11, Y(4) + 11));
}

TEST_F(SeriesDraw, ColumnsShorterThanTheSeriesLeaveTheirRowsOut) {
    // Only a damaged document has them: rows without Y are left out, error values
    // that are not there draw no bars.
    TPlot& p = Add({{1, 1}, {2, 2}, {3, 3}});
    p.YData.Detach(2);
    p.PlotFile.IsYErrorBar = 1;
    p.YMaxData.Add(TDataElement(2));
    p.Style.MarkerStyle = MarkerRectangle;
    const Recs r = Kvx(p);
    EXPECT_EQ(Only(r, {"PLY"}), (Recs{Square(1, 1), Square(2, 2)}));
    EXPECT_EQ(Only(r, {"MVT", "LNT"}),
              (Recs{"MVT " + P(1, 1), "LNT " + P(2, 2), "MVT 2650,8600", "LNT 2750,8600"}));
}

TEST_F(SeriesDraw, HiddenSeriesDrawsAndCompilesNothing) {
    TPlot& p = Add({{1, 1}, {2, 2}});
    p.Style.IsShown = 0;
    double r = 0;
    ASSERT_EQ(set.Evaluate("40+2", r, BoxFrame::EvalCompile, nullptr, 0, -1), 1);
    EXPECT_TRUE(Kvx(p).empty());
    ASSERT_EQ(set.Evaluate({}, r, BoxFrame::EvalRow, nullptr, 0, -1), 1);
    EXPECT_EQ(r, 42.0);
}

// Answers Escape at the first poll after `when` holds.
class EscapeWhen {
public:
    explicit EscapeWhen(std::function<bool()> when) {
        AbortRequested = 0;
        previous_ = kv::SetKeyMessageSource([this, when](kv::KeyMessage* out) {
            ++polls;
            if (!when()) return false;
            out->message = WM_KEYDOWN;
            out->key = VK_ESCAPE;
            return true;
        });
    }
    ~EscapeWhen() {
        kv::SetKeyMessageSource(std::move(previous_));
        AbortRequested = 0;
    }
    int polls = 0;

private:
    kv::KeyMessageSource previous_;
};

// Plain columns are mapped straight into the runs; a formula goes through the
// evaluator. Both must give the same records on every kind of axis, over block
// edges, "*" and "|" rows, masked rows and values that are not finite.
TEST_F(SeriesDraw, PlainColumnsDrawAsTheirFormulas) {
    TPlot& p = Add({});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < 257; ++i) {
        std::uint8_t fx = 0, fy = 0;
        double x = 0.5 + i * 0.037, y = 1 + 0.02 * i + (i % 7) * 0.3;
        if (i == 100 || i == 31) fx = kStar;
        if (i == 45) fy = DataFlagBar;
        if (i == 46) fx = DataFlagMasked;
        if (i == 60) y = nan;
        if (i == 61) x = kInf;
        if (i == 62) y = -kInf;
        p.AddX(TDataElement(x, fx));
        p.AddY(TDataElement(y, fy));
    }
    p.Style.MarkerStyle = MarkerRectangle;
    struct Axes {
        int scaling, inverted;
    };
    for (Axes a : {Axes{0, 0}, Axes{0, 1}, Axes{1, 0}, Axes{2, 1}, Axes{3, 0}}) {
        SCOPED_TRACE(testing::Message() << "scaling " << a.scaling << " inverted " << a.inverted);
        for (AxisUnit* u : {&set.BottomAxis, &set.LeftAxis}) {
            u->Scaling = a.scaling;
            u->ScaleInv = a.inverted;
            u->RangeStart = a.scaling == 0 ? -1 : 0.5;
        }
        p.Style.IsXFormula = p.Style.IsYFormula = 0;
        const Recs plain = Kvx(p);
        p.Style.IsXFormula = p.Style.IsYFormula = 1;
        p.Style.XFormula = "x*1";
        p.Style.YFormula = "y*1";
        EXPECT_EQ(Kvx(p), plain);
        EXPECT_GT(Only(plain, {"MVT", "LNT"}).size(), 200u);
    }
    p.Style.IsXFormula = p.Style.IsYFormula = 0;
}

TEST_F(SeriesDraw, PollsEveryHundredRowsAndStopsOnEscape) {
    TPlot& p = Add({});
    for (int i = 0; i < 250; ++i) {
        p.AddX(TDataElement(i * 0.04));
        p.AddY(TDataElement(5));
    }
    p.Style.MarkerStyle = MarkerRectangle;
    {
        // Plain X and Y columns are walked once: the walk, the line segments and
        // the markers poll three times each.
        axistest::EscapeScript keys;
        Kvx(p);
        EXPECT_EQ(keys.polls, 9);
    }
    {
        // Escape seen at the walk's first poll: nothing is drawn.
        axistest::EscapeScript keys(1);
        EXPECT_TRUE(Kvx(p).empty());
        EXPECT_EQ(AbortRequested, 1);
    }
    {
        // With a formula the X and Y passes poll too, before the walk.
        p.Style.IsXFormula = 1;
        p.Style.XFormula = "x*1";
        axistest::EscapeScript keys;
        Kvx(p);
        EXPECT_EQ(keys.polls, 15);
        axistest::EscapeScript escape(7);
        EXPECT_TRUE(Kvx(p).empty());
        p.Style.IsXFormula = 0;
    }
    {
        // Escape pressed once the first marker is drawn: the poll before marker 100
        // ends the series, and the marker pen and brush are put back.
        RecordingDC dc;
        EscapeWhen keys([&] { return !dc.Calls("Polygon").empty(); });
        set.DrawPlot(OUT_DC, 1, dc, &p, 1, nullptr, nullptr);
        EXPECT_EQ(dc.Calls("Polygon").size(), 100u);
        const auto& calls = dc.Calls();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[calls.size() - 2].substr(0, 12), "RestoreBrush");
        EXPECT_EQ(calls.back().substr(0, 10), "RestorePen");
    }
}

// On an image the line of a large series is drawn reduced per pixel column (and,
// on linear axes, as it is walked): the same pixels as every segment drawn, on
// each of the five scalings, either way up, with thin and wide pens, over "*"
// and "|" rows, values that are not finite and points beyond the frame.
TEST_F(SeriesDraw, ReducedLinesDrawTheSamePixelsAsEverySegmentOnEveryScaling) {
    TPlot& p = Add({});
    unsigned seed = 99;
    for (int i = 0; i < 30000; ++i) {
        seed = seed * 1103515245u + 12345u;
        std::uint8_t fx = 0;
        double x = 0.2 + 9.6 * i / 30000, y = 0.3 + 9.5 * (((seed >> 8) & 0xFFFF) / 65535.0);
        if (i % 4999 == 7) fx = kStar;
        if (i % 3001 == 5) fx = DataFlagBar;
        if (i % 2503 == 11) y = kInf;
        if (i % 2707 == 13) y = -kInf;
        if (i % 2909 == 17) x = std::nan("");
        if (i % 1777 == 3) y = 14;  // above the frame
        p.AddX(TDataElement(x, fx));
        p.AddY(TDataElement(y));
    }
    auto draw = [&](bool reduce) {
        QImage img(700, 900, QImage::Format_RGB32);
        img.fill(Qt::white);
        const bool old = SetRasterLineReduction(reduce);
        {
            TDC dc(&img);
            dc.SetMapMode(MM_ANISOTROPIC);
            dc.SetWindowExt(TSize(10500, 13500));
            dc.SetViewportExt(TSize(700, 900));  // 15 twips a pixel
            set.DrawPlot(OUT_DC, 1, dc, &p, 1, nullptr, nullptr);
        }
        SetRasterLineReduction(old);
        return img;
    };
    for (int scaling = 0; scaling <= 4; ++scaling) {
        for (int inverted : {0, 1}) {
            for (AxisUnit* u : {&set.BottomAxis, &set.LeftAxis}) {
                u->Scaling = scaling;
                u->ScaleInv = inverted;
                u->RangeStart = scaling == 0 ? 0 : 0.2;
            }
            for (int width : {100, 300}) {  // 20 twips (one pixel) and 60 (four)
                for (int clipping : {0, 1}) {
                    SCOPED_TRACE(testing::Message() << "scaling " << scaling << " inverted " << inverted
                                                    << " width " << width << " clipping " << clipping);
                    p.Style.LineWidth = width;
                    p.Style.Clipping = clipping;
                    const QImage reduced = draw(true), every = draw(false);
                    int differ = 0, drawn = 0;
                    for (int y = 0; y < every.height(); ++y)
                        for (int x = 0; x < every.width(); ++x) {
                            differ += reduced.pixel(x, y) != every.pixel(x, y);
                            drawn += every.pixel(x, y) != qRgb(255, 255, 255);
                        }
                    EXPECT_EQ(differ, 0);
                    EXPECT_GT(drawn, 5000);
                }
            }
        }
    }
}

}  // namespace
