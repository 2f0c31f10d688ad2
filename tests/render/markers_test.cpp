#include "render/markers.h"

#include "kvx_records.h"
#include "model/boxframe.h"
#include "render/output.h"
#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <QImage>

#include <climits>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using Recs = std::vector<std::string>;

Recs Marker(int code, int size, int centreDot = 0, int x = 1000, int y = 1000) {
    kvxtest::ScratchFile f;
    TDC dc;
    OutPageInfo(20000, 20000, nullptr);
    BoxFrame::DrawMarker(OUT_VECTOR, dc, x, y, code, size, centreDot, f, nullptr, 10);
    return kvxtest::Records(f.Text());
}

TEST(Markers, ShapesOfEveryCode) {
    struct Case {
        int code, size;
        Recs records;
    } cases[] = {
        // s = 50: a = 35, b = 42, h = 25.
        {MarkerRectangle, 50, {"PLY 965,965 1035,965 1035,1035 965,1035"}},
        {MarkerTriangle, 50, {"PLY 1000,950 1042,1025 958,1025"}},
        {MarkerRevTriangle, 50, {"PLY 1000,1050 1042,975 958,975"}},
        {MarkerDiamond, 50, {"PLY 1000,950 1050,1000 1000,1050 950,1000"}},
        {MarkerCircle, 50, {"ELS 950,950,1050,1050"}},
        {MarkerCross, 50,
         {"BGP", "MVT 950,1000", "LNT 1050,1000", "LNT 950,1000", "MVT 1000,950", "LNT 1000,1050",
          "LNT 1000,950", "EDP", "SRP"}},
        {MarkerDiagCross, 50,
         {"BGP", "MVT 965,965", "LNT 1035,1035", "LNT 965,965", "MVT 965,1035", "LNT 1035,965",
          "LNT 965,1035", "EDP", "SRP"}},
        // Odd sizes truncate: s = 25 gives a = 17, b = 21, h = 12.
        {MarkerRectangle, 25, {"PLY 983,983 1017,983 1017,1017 983,1017"}},
        {MarkerTriangle, 25, {"PLY 1000,975 1021,1012 979,1012"}},
        // s = 1, and 0 taken as 1: a = b = h = 0.
        {MarkerRectangle, 1, {"PLY 1000,1000 1000,1000 1000,1000 1000,1000"}},
        {MarkerTriangle, 0, {"PLY 1000,999 1000,1000 1000,1000"}},
        {MarkerCircle, 0, {"ELS 999,999,1001,1001"}},
        // No shape: 0, the filled forms and unknown codes.
        {MarkerNone, 50, {}},
        {8, 50, {}},
        {16, 50, {}},
        {-1, 50, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Marker(c.code, c.size), c.records) << c.code << " " << c.size;
}

// Crosses reach a device context as the moves and lines of their strokes; an
// image may draw them together, and shows the same pixels as those lines drawn
// one at a time, for thin and wide pens, clipped, copied or inverted.
TEST(Markers, CrossesReachAContextAsMovesAndLines) {
    RecordingDC rec;
    rec.Clear();
    BoxFrame::DrawMarker(OUT_DC, rec, 1000, 1000, MarkerCross, 50, 0, nullptr, nullptr, 0);
    BoxFrame::DrawMarker(OUT_DC, rec, 1000, 1000, MarkerDiagCross, 50, 0, nullptr, nullptr, 0);
    EXPECT_EQ(rec.Calls(), (Recs{"MoveToEx(950,1000)", "LineTo(1050,1000)", "LineTo(950,1000)",
                                 "MoveToEx(1000,950)", "LineTo(1000,1050)", "LineTo(1000,950)",
                                 "MoveToEx(965,965)", "LineTo(1035,1035)", "LineTo(965,965)",
                                 "MoveToEx(965,1035)", "LineTo(1035,965)", "LineTo(965,1035)"}));
    EXPECT_EQ(rec.GetCurrentPosition(), TPoint(965, 1035));

    auto draw = [](int code, int pen, int rop, bool oneAtATime) {
        QImage img(300, 200, QImage::Format_RGB32);
        img.fill(Qt::white);
        TDC dc(&img);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(TSize(4500, 3000));
        dc.SetViewportExt(TSize(300, 200));  // 15 twips a pixel
        dc.IntersectClipRect(300, 300, 4200, 2700);
        dc.SetROP2(rop);
        dc.SelectObject(TPen(RGB(0, 0, 200), pen));
        unsigned seed = 3;
        for (int i = 0; i < 300; ++i) {
            seed = seed * 1103515245u + 12345u;
            const int x = int(seed >> 8) % 4700 - 100, y = int(seed >> 18) % 3200 - 100;
            const int size = 30 + i % 5 * 17;
            if (!oneAtATime) {
                BoxFrame::DrawMarker(OUT_DC, dc, x, y, code, size, 0, nullptr, nullptr, pen);
                continue;
            }
            RecordingDC strokes;
            strokes.Clear();
            BoxFrame::DrawMarker(OUT_DC, strokes, x, y, code, size, 0, nullptr, nullptr, pen);
            for (const std::string& call : strokes.Calls()) {
                int px = 0, py = 0;
                if (std::sscanf(call.c_str(), "MoveToEx(%d,%d)", &px, &py) == 2) dc.MoveToEx(px, py);
                if (std::sscanf(call.c_str(), "LineTo(%d,%d)", &px, &py) == 2) dc.LineTo(px, py);
            }
        }
        dc.Flush();
        return img;
    };
    for (int code : {MarkerCross, MarkerDiagCross})
        for (int pen : {0, 30, 45})  // one, two and three pixels
            for (int rop : {R2_COPYPEN, R2_NOTXORPEN}) {
                const QImage together = draw(code, pen, rop, false);
                EXPECT_EQ(together, draw(code, pen, rop, true)) << code << " " << pen << " " << rop;
                // (A wide stroke out and back inverts its pixels twice.)
                if (rop == R2_COPYPEN || pen == 0) {
                    EXPECT_NE(together, draw(MarkerNone, pen, rop, false));
                }
            }
}

TEST(Markers, CentreDotIsSixteenTwipsWhateverTheSize) {
    const std::string dot = "PLY 992,992 1008,992 1008,1008 992,1008";
    EXPECT_EQ(Marker(MarkerRectangle, 200, 1),
              (Recs{"PLY 860,860 1140,860 1140,1140 860,1140", dot}));
    EXPECT_EQ(Marker(8, 50, 1), Recs{dot});   // a filled form: only the dot
    EXPECT_EQ(Marker(16, 50, 1), Recs{dot});  // unknown code: no shape, still the dot
    EXPECT_EQ(Marker(MarkerCross, 50, 1).back(), dot);
    EXPECT_TRUE(Marker(MarkerNone, 50, 1).empty());
    EXPECT_EQ(Marker(MarkerCircle, 50, 2), Recs{"ELS 950,950,1050,1050"});  // only 1 means on
}

TEST(Markers, ExtentsAndHugeSizes) {
    TDC dc;
    TRect e;
    BoxFrame::DrawMarker(OUT_EXTENT, dc, 1000, 1000, MarkerCircle, 50, 0, nullptr, &e, 10);
    EXPECT_EQ(e, TRect(944, 944, 1056, 1056));  // inflated by 10 / 2 + 1
    e = TRect();
    BoxFrame::DrawMarker(OUT_EXTENT, dc, 1000, 1000, MarkerCross, 50, 1, nullptr, &e, 0);
    EXPECT_EQ(e, TRect(949, 949, 1051, 1051));
    // A size from a damaged file does not overflow: the shape saturates.
    e = TRect();
    BoxFrame::DrawMarker(OUT_EXTENT, dc, 1000, 1000, MarkerTriangle, INT_MAX, 0, nullptr, &e, 0);
    EXPECT_LT(e.left, -1000000);
    EXPECT_GT(e.right, 1000000);

    // On a device context the shapes go through the context's own primitives.
    RecordingDC rec;
    BoxFrame::DrawMarker(OUT_DC, rec, 100, 200, MarkerDiagCross, 20, 0, nullptr, nullptr, 0);
    EXPECT_EQ(rec.Calls(), (std::vector<std::string>{"MoveToEx(86,186)", "LineTo(114,214)",
                                                     "LineTo(86,186)", "MoveToEx(86,214)",
                                                     "LineTo(114,186)", "LineTo(86,214)"}));
}

// Markers drawn many at a time (as a series draws them on a device context)
// are the markers drawn one at a time: the same calls on a recording context,
// and the same pixels as those calls give on images, with markers taken whole
// from stamps or drawn shape by shape, for every shape, filled and hollow, thin
// and wide pens, with and without the centre dot, clipped, partly or far off
// the image, under exact and odd mappings, and for the wide circle outlines
// whose pixels Qt's stroke varies with the place (a 5-pixel pen on an 8-pixel
// box).
TEST(Markers, ManyAtATimeAreTheMarkersOneAtATime) {
    std::vector<TPoint> centres;
    unsigned seed = 11;
    for (int i = 0; i < 300; ++i) {
        seed = seed * 1103515245u + 12345u;
        centres.emplace_back(int(seed >> 8) % 8600 - 100, int(seed >> 18) % 5600 - 100);
    }
    centres.emplace_back(2000000000, 3000);  // beyond what a device takes: saturated alike
    centres.emplace_back(-3000, -2000);

    for (int code : {MarkerCross, MarkerDiagCross, MarkerCircle, MarkerRectangle, 8, MarkerNone}) {
        for (int dot : {0, 1}) {
            RecordingDC many, one;
            DrawMarkersAt(many, centres.data(), 4, code, 50, dot);
            for (int k = 0; k < 4; ++k)
                BoxFrame::DrawMarker(OUT_DC, one, centres[std::size_t(k)].x, centres[std::size_t(k)].y, code, 50,
                                     dot, nullptr, nullptr, 0);
            EXPECT_EQ(many.Calls(), one.Calls()) << code << " " << dot;
            EXPECT_EQ(many.GetCurrentPosition(), one.GetCurrentPosition());
        }
    }

    // 7.5 twips a pixel, and 1201 / 80 by 901 / 60.
    const TSize mappings[][2] = {{TSize(8250, 5250), TSize(1100, 700)}, {TSize(1201, 901), TSize(80, 60)}};
    enum Way { kMany, kOneByOne, kOneByOneDirect };
    std::vector<TPoint> positions;  // where each drawing leaves the pen
    auto draw = [&](Way way, int mapping, int code, int size, int pen, bool hollow, int dot) {
        QImage img(1100, 700, way == kOneByOneDirect ? QImage::Format_RGB16 : QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            TDC dc(&img);
            dc.SetMapMode(MM_ANISOTROPIC);
            dc.SetWindowExt(mappings[mapping][0]);
            dc.SetViewportExt(mappings[mapping][1]);
            dc.IntersectClipRect(200, 150, 7900, 5000);
            // Colours that the 16-bit image holds exactly.
            dc.SelectObject(TPen(RGB(0, 0, 255), pen));
            if (hollow)
                dc.SelectStockObject(NULL_BRUSH);
            else
                dc.SelectObject(TBrush(RGB(255, 0, 0)));
            if (way == kMany)
                DrawMarkersAt(dc, centres.data(), int(centres.size()), code, size, dot);
            else
                for (const TPoint& c : centres)
                    BoxFrame::DrawMarker(OUT_DC, dc, c.x, c.y, code, size, dot, nullptr, nullptr, pen);
            positions.push_back(dc.GetCurrentPosition());
        }
        return img.convertToFormat(QImage::Format_RGB32);
    };
    struct Case {
        int code, size, pen;  // pens of one, two, three and five pixels at 7.5 twips
    } cases[] = {
        {MarkerRectangle, 50, 0},    {MarkerTriangle, 50, 15},  {MarkerRevTriangle, 97, 22},
        {MarkerDiamond, 50, 38},     {MarkerCircle, 50, 0},     {MarkerCircle, 50, 22},
        {MarkerCircle, 30, 38},      {MarkerCircle, 97, 15},    {MarkerCross, 50, 22},
        {MarkerDiagCross, 97, 0},    {8, 50, 15},
    };
    for (int mapping : {0, 1})
        for (const Case& c : cases)
            for (bool hollow : {false, true}) {
                const int dot = (c.size + c.pen + hollow) % 2;
                const QImage many = draw(kMany, mapping, c.code, c.size, c.pen, hollow, dot);
                EXPECT_TRUE(many == draw(kOneByOne, mapping, c.code, c.size, c.pen, hollow, dot))
                    << mapping << " " << c.code << " " << c.size << " " << c.pen << " " << hollow;
                EXPECT_TRUE(many == draw(kOneByOneDirect, mapping, c.code, c.size, c.pen, hollow, dot))
                    << mapping << " " << c.code << " " << c.size << " " << c.pen << " " << hollow;
                EXPECT_EQ(positions[positions.size() - 3], positions.back());
            }
}

// Under a window origin at either end of the coordinates, marks whose points
// pass that end are on the image: drawn many at a time, their points saturate
// as the marks drawn one at a time do.
TEST(Markers, ManyAtATimeSaturateAtTheEndsOfTheCoordinates) {
    for (bool top : {true, false}) {
        const int origin = top ? INT_MAX - 150 : INT_MIN + 10;
        std::vector<TPoint> centres;
        for (int k = 0; k < 30; ++k) centres.emplace_back(origin + 5 * k, origin + 3 * k + 20);
        for (int code : {MarkerRectangle, MarkerTriangle, MarkerCircle, MarkerCross}) {
            auto draw = [&](bool many) {
                QImage img(200, 200, QImage::Format_RGB32);
                img.fill(Qt::white);
                TDC dc(&img);
                dc.SetWindowOrg(TPoint(origin, origin));
                dc.SelectObject(TPen(RGB(0, 0, 255), 0));
                dc.SelectObject(TBrush(RGB(255, 0, 0)));
                if (many)
                    DrawMarkersAt(dc, centres.data(), int(centres.size()), code, 30, 0);
                else
                    for (const TPoint& c : centres)
                        BoxFrame::DrawMarker(OUT_DC, dc, c.x, c.y, code, 30, 0, nullptr, nullptr, 0);
                dc.Flush();
                return img;
            };
            EXPECT_TRUE(draw(true) == draw(false)) << (top ? "INT_MAX " : "INT_MIN ") << code;
        }
    }
}

// Thousands of stamps (wide circles at every place along a row, each place
// near a power of two its own stamp) outgrow the store that keeps them, which
// starts anew in the middle of a drawing: the markers stay the markers drawn
// one at a time.
TEST(Markers, ManyAtATimeOutgrowTheirStore) {
    std::vector<TPoint> centres;
    for (int x = 0; x < 2100; ++x) centres.emplace_back(x, 40 + x % 3);
    auto draw = [&](bool many) {
        QImage img(2100, 80, QImage::Format_RGB32);
        img.fill(Qt::white);
        TDC dc(&img);
        for (int pen : {2, 3, 5}) {
            dc.SelectObject(TPen(RGB(0, 0, 255), pen));
            for (int size = 3; size <= 26; ++size) {
                if (size % 2)
                    dc.SelectStockObject(NULL_BRUSH);
                else
                    dc.SelectObject(TBrush(RGB(255, 0, 0)));
                if (many)
                    DrawMarkersAt(dc, centres.data(), int(centres.size()), MarkerCircle, size, size % 3 == 0);
                else
                    for (const TPoint& c : centres)
                        BoxFrame::DrawMarker(OUT_DC, dc, c.x, c.y, MarkerCircle, size, size % 3 == 0, nullptr,
                                             nullptr, pen);
            }
        }
        dc.Flush();
        return img;
    };
    EXPECT_TRUE(draw(true) == draw(false));
}

// ---- The data cursor ----

class DataPointMark : public ::testing::Test {
protected:
    void SetUp() override {
        set.Frame.OriginX = 1500;
        set.Frame.OriginY = 1500;
        set.Frame.FrameLengthX = 9000;
        set.Frame.FrameLengthY = 6000;
        // Bottom and left 0..10; top and right 0..100.
        set.BottomAxis.RangeEnd = set.LeftAxis.RangeEnd = 10;
        set.TopAxis.RangeEnd = set.RightAxis.RangeEnd = 100;
        set.PlotList.Add(new TPlot);
        auto* other = new TPlot;
        other->Style.RefAxisX = 0;
        other->Style.RefAxisY = 0;
        set.PlotList.Add(other);
    }
    static void MapTwips(TDC& dc) {
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(TSize(1440, 1440));
        dc.SetViewportExt(TSize(96, 96));
    }
    BoxFrame set;
};

TEST_F(DataPointMark, CrossSpansTheFrameOnTheSeriesAxes) {
    RecordingDC dc;
    MapTwips(dc);
    const TPen pen(RGB(0, 128, 0), 30);
    dc.SelectObject(pen);
    dc.SetROP2(R2_MERGEPEN);
    dc.Clear();
    set.DrawDataPointMark(dc, 5, 5, 1);
    EXPECT_EQ(dc.Calls(), (std::vector<std::string>{
                              "SetROP2(10)", "SelectPen(0,1,#FF0000)", "MoveToEx(1500,4500)",
                              "LineTo(10500,4500)", "MoveToEx(6000,1500)", "LineTo(6000,7500)",
                              "SelectPen(0,30,#008000)", "SetROP2(13)"}));
    EXPECT_EQ(dc.GetPen(), pen);
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);

    // Series 2 is plotted against the top and right axes.
    dc.Clear();
    set.DrawDataPointMark(dc, 5, 5, 2);
    EXPECT_EQ(dc.Calls("LineTo"),
              (std::vector<std::string>{"LineTo(10500,7200)", "LineTo(1950,7500)"}));

    // A value without a page position puts its line at the off-page value; the
    // other line still crosses the frame.
    dc.Clear();
    set.DrawDataPointMark(dc, std::numeric_limits<double>::infinity(), 2.5, 1);
    EXPECT_EQ(dc.Calls("MoveToEx"),
              (std::vector<std::string>{"MoveToEx(1500,6000)", "MoveToEx(32767,1500)"}));

    // No such series: nothing reaches the context.
    dc.Clear();
    set.DrawDataPointMark(dc, 5, 5, 3);
    set.DrawDataPointMark(dc, 5, 5, 0);
    EXPECT_TRUE(dc.Calls().empty());
}

TEST_F(DataPointMark, DrawnTwiceGivesBackEveryPixel) {
    QImage img(1000, 700, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, (x ^ y) & 255));
    const QImage before = img.copy();
    QImage once;
    {
        TDC dc(&img);
        MapTwips(dc);
        set.DrawDataPointMark(dc, 3.3, 7.7, 1);
        dc.Flush();
        once = img.copy();
        set.DrawDataPointMark(dc, 3.3, 7.7, 1);
    }
    EXPECT_EQ(img, before);

    // Once drawn, the two lines show (NOT (red XOR pixel)), except where they
    // cross: that pixel is combined twice and keeps its colour.
    const int px = (1500 + 9000 * 33 / 100) / 15, py = (1500 + 6000 * 23 / 100) / 15;
    const QRgb b = before.pixel(px + 20, py);
    EXPECT_EQ(once.pixel(px + 20, py), qRgb(255 - (255 ^ qRed(b)), 255 - qGreen(b), 255 - qBlue(b)));
    EXPECT_NE(once.pixel(px, py + 20), before.pixel(px, py + 20));
    EXPECT_EQ(once.pixel(px, py), before.pixel(px, py));
    EXPECT_EQ(once.pixel(px + 20, py + 20), before.pixel(px + 20, py + 20));
}

}  // namespace
