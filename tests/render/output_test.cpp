#include "render/output.h"

#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <QImage>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string FileText(FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string s;
    char buf[1024];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
}

TEST(OutputExtent, UnionRules) {
    TRect e;
    UniteExtent(&e, TRect(0, 0, 0, 0));
    EXPECT_TRUE(e.IsNull());
    UniteExtent(&e, TRect(10, 20, 30, 40));  // the first shape becomes the extent
    EXPECT_EQ(e, TRect(10, 20, 30, 40));
    UniteExtent(&e, TRect(0, 0, 0, 0));
    EXPECT_EQ(e, TRect(10, 20, 30, 40));
    UniteExtent(&e, TRect(-5, 25, 20, 50));
    EXPECT_EQ(e, TRect(-5, 20, 30, 50));
    UniteExtent(nullptr, TRect(1, 2, 3, 4));  // no extent: nothing happens

    // A pen of width -2 inflates by 0, so a move at the origin adds nothing.
    TDC dc;
    TRect empty;
    OutMoveTo(OUT_EXTENT, TPoint(0, 0), dc, nullptr, &empty, -2, true);
    EXPECT_TRUE(empty.IsNull());
}

TEST(OutputExtent, MovesAndLinesAddSquaresInflatedByHalfThePen) {
    TDC dc;
    struct Case {
        bool move, count;
        int pen;
        TRect box;
    } cases[] = {
        {true, false, 0, TRect()},
        {true, true, 0, TRect(99, 199, 101, 201)},
        {false, false, 0, TRect(99, 199, 101, 201)},  // lines always count
        {false, false, 41, TRect(79, 179, 121, 221)},
        {false, false, -3, TRect(100, 200, 100, 200)},
        {false, false, 100, TRect(49, 149, 151, 251)},
    };
    for (const Case& c : cases) {
        TRect e;
        if (c.move)
            OutMoveTo(OUT_EXTENT, TPoint(100, 200), dc, nullptr, &e, c.pen, c.count);
        else
            OutLineTo(OUT_EXTENT, TPoint(100, 200), dc, nullptr, &e, c.pen);
        EXPECT_EQ(e, c.box) << c.move << c.count << " " << c.pen;
    }
}

TEST(OutputExtent, PolygonBoxScanStartsAt32767) {
    TDC dc;
    const TPoint right[2] = {{40000, 10}, {50000, 20}};
    const TPoint left[2] = {{-40000, 0}, {-50000, 5}};
    const TPoint tri[3] = {{0, 0}, {100, 50}, {-20, 300}};
    TRect e;
    OutPolygon(OUT_EXTENT, right, 2, dc, nullptr, &e, 0, false);
    EXPECT_EQ(e, TRect(32766, 9, 50001, 21));
    e = TRect();
    OutPolygon(OUT_EXTENT, left, 2, dc, nullptr, &e, 0, false);
    EXPECT_EQ(e, TRect(-50001, -1, -32766, 6));
    e = TRect();
    OutPolygon(OUT_EXTENT, tri, 3, dc, nullptr, &e, 10, false);
    EXPECT_EQ(e, TRect(-26, -6, 106, 306));
    e = TRect();
    OutPolygon(OUT_EXTENT, tri, 3, dc, nullptr, &e, 10, true);  // the no-extent flag
    EXPECT_TRUE(e.IsNull());
    // No points: no shape (not the inverted box of an empty scan).
    OutPolygon(OUT_EXTENT, tri, 0, dc, nullptr, &e, 10, false);
    OutPolygon(OUT_EXTENT, nullptr, 3, dc, nullptr, &e, 10, false);
    EXPECT_TRUE(e.IsNull());
}

TEST(OutputExtent, EllipseAndRoundedRectangleBoxesAreNormalised) {
    TDC dc;
    TRect e;
    OutEllipse(OUT_EXTENT, dc, TRect(300, 400, 100, 200), nullptr, &e, 10);
    EXPECT_EQ(e, TRect(94, 194, 306, 406));
    e = TRect();
    OutEllipseCoords(OUT_EXTENT, dc, 10, 20, 30, 40, nullptr, &e, 0);
    EXPECT_EQ(e, TRect(9, 19, 31, 41));
    e = TRect();
    OutRoundRect(OUT_EXTENT, dc, TPoint(50, 60), TPoint(10, 20), 400, 400, nullptr, &e, 0);
    EXPECT_EQ(e, TRect(9, 19, 51, 61));
}

TEST(OutputExtent, RotatedCharacterBox) {
    TDC dc;
    struct Case {
        int angle;
        TRect box;
    } cases[] = {
        {0, TRect(1000, 850, 1100, 1050)},
        // 3.1415926 and truncation toward zero: the left edge falls one short of 850.
        {90, TRect(851, 900, 1050, 1000)},
    };
    for (const Case& c : cases) {
        TRect e;
        OutTextOut(OUT_EXTENT, dc, 1000, 1000, "A", 1, 150, 100, 200, 150, c.angle, nullptr, &e);
        EXPECT_EQ(e, c.box) << c.angle;
    }
    int px = 100, py = -150;
    RotateTextCorner(px, py, 0);
    EXPECT_EQ(px, 100);
    EXPECT_EQ(py, -150);
}

TEST(OutputExtent, HugeCoordinatesSaturateInsteadOfOverflowing) {
    TDC dc;
    TRect e;
    OutMoveTo(OUT_EXTENT, TPoint(INT_MAX, INT_MIN), dc, nullptr, &e, 100, true);
    EXPECT_EQ(e, TRect(INT_MAX - 51, INT_MIN, INT_MAX, INT_MIN + 51));
    const TPoint far[1] = {{INT_MIN, INT_MAX}};
    OutPolygon(OUT_EXTENT, far, 1, dc, nullptr, &e, 100, false);
    EXPECT_EQ(e.left, INT_MIN);
    EXPECT_EQ(e.bottom, INT_MAX);
    e = TRect();
    OutTextOut(OUT_EXTENT, dc, INT_MAX, 0, "A", 1, 0, 100, 200, 150, 0, nullptr, &e);
    EXPECT_EQ(e, TRect(INT_MAX, -150, INT_MAX, 50));
}

TEST(OutputModes, OtherModesDrawNothingButKeepThePathCount) {
    RecordingDC dc;
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    for (int mode : {0, 4, -1}) {
        TRect e;
        OutBeginPath(mode, dc, f);
        EXPECT_EQ(PathPointCount, 0);
        OutMoveTo(mode, TPoint(1, 2), dc, f, &e, 0, true);
        OutLineTo(mode, TPoint(3, 4), dc, f, &e, 0);
        const TPoint tri[3] = {{0, 0}, {1, 0}, {0, 1}};
        OutPolygon(mode, tri, 3, dc, f, &e, 0, false);  // not a move or a line
        OutLineTo(mode, TPoint(5, 6), dc, f, &e, 0);
        EXPECT_EQ(PathPointCount, 3);
        OutSelectPen(mode, dc, TColor(0), 1, f);
        OutSetBkColor(mode, dc, TColor(0), f);
        OutTextOut(mode, dc, 0, 0, "a", 1, 0, 1, 1, 1, 0, f, &e);
        OutSaveDC(mode, dc);
        OutEndPath(mode, dc, f);
        EXPECT_EQ(PathPointCount, 0);
        EXPECT_TRUE(e.IsNull());
    }
    EXPECT_TRUE(dc.Calls().empty());
    EXPECT_EQ(FileText(f), "");
    std::fclose(f);
}

TEST(OutputModes, ExtentAndVectorModesNeverTouchTheDeviceContext) {
    RecordingDC dc;
    FILE* f = std::tmpfile();
    for (int mode : {OUT_EXTENT, OUT_VECTOR}) {
        TRect e;
        OutSelectPen(mode, dc, TColor(0), 1, f);
        OutSelectBrush(mode, dc, TColor(0), 2, f);
        OutSelectStockObject(mode, dc, NULL_PEN, f);
        OutSelectFont(mode, dc, TFont("Arial", -200), f);
        OutSetTextColor(mode, dc, TColor(0), f);
        OutSetBkColor(mode, dc, TColor(0), f);
        OutSetBkMode(mode, dc, OPAQUE, f);
        OutSetTextAlign(mode, dc, 24);
        OutSaveDC(mode, dc);
        OutIntersectClipRect(mode, dc, TRect(0, 0, 10, 10));
        OutRestoreDC(mode, dc);
        OutRestoreObjects(mode, dc);
        OutMoveTo(mode, TPoint(1, 2), dc, f, &e, 0, true);
        OutLineTo(mode, TPoint(3, 4), dc, f, &e, 0);
        OutEllipse(mode, dc, TRect(0, 0, 5, 5), f, &e, 0);
        OutTextOut(mode, dc, 0, 0, "a", 1, 0, 1, 1, 1, 0, f, &e);
    }
    EXPECT_TRUE(dc.Calls().empty());
    std::fclose(f);
}

TEST(OutputDC, PathPrimitivesLeaveTheDeviceContextAlone) {
    RecordingDC dc;
    OutSelectPen(OUT_DC, dc, TColor(RGB(255, 0, 0)), 100, nullptr);
    OutBeginPath(OUT_DC, dc, nullptr);
    OutMoveTo(OUT_DC, TPoint(10, 20), dc, nullptr, nullptr, 100, true);
    OutLineTo(OUT_DC, TPoint(30, 40), dc, nullptr, nullptr, 100);
    OutEndPath(OUT_DC, dc, nullptr);
    OutStrokePath(OUT_DC, dc, nullptr);
    OutSetClip(OUT_DC, dc, TRect(0, 0, 5, 5), nullptr);
    OutRestoreClip(OUT_DC, dc, nullptr);
    EXPECT_EQ(dc.Calls(), (std::vector<std::string>{"SelectPen(0,100,#FF0000)", "MoveToEx(10,20)",
                                                    "LineTo(30,40)"}));
}

TEST(OutputDC, PrimitivesReachTheDeviceContextInOrder) {
    RecordingDC dc;
    const TPoint tri[3] = {{0, 0}, {10, 0}, {10, 10}};
    OutSaveDC(OUT_DC, dc);
    OutIntersectClipRect(OUT_DC, dc, TRect(1, 2, 3, 4));
    OutSelectBrush(OUT_DC, dc, TColor(RGB(0, 0, 255)), -2, nullptr);
    OutSelectBrush(OUT_DC, dc, TColor(RGB(0, 0, 255)), -1, nullptr);
    OutSelectBrush(OUT_DC, dc, TColor(RGB(0, 0, 255)), HS_BDIAGONAL, nullptr);
    OutSelectStockObject(OUT_DC, dc, NULL_PEN, nullptr);
    OutPolygon(OUT_DC, tri, 3, dc, nullptr, nullptr, 0, false);
    OutEllipseCoords(OUT_DC, dc, 5, 6, 1, 2, nullptr, nullptr, 0);
    OutRoundRect(OUT_DC, dc, TPoint(1, 2), TPoint(30, 40), 400, 300, nullptr, nullptr, 0);
    OutSetTextAlign(OUT_DC, dc, 24);
    OutSetBkMode(OUT_DC, dc, TRANSPARENT, nullptr);
    OutSetBkColor(OUT_DC, dc, TColor(RGB(1, 2, 3)), nullptr);
    OutSetTextColor(OUT_DC, dc, TColor(RGB(4, 5, 6)), nullptr);
    OutSelectFont(OUT_DC, dc, TFont("Arial", -200, 900), nullptr);
    OutTextOut(OUT_DC, dc, 70, 80, "xy", 1, 0, 1, 1, 1, 90, nullptr, nullptr);
    OutRestoreDC(OUT_DC, dc);
    EXPECT_EQ(dc.Calls(), (std::vector<std::string>{
                              "SaveDC()",
                              "IntersectClipRect(1,2,3,4)",
                              "SelectStockObject(5)",
                              "SelectBrush(0,0,#0000FF)",
                              "SelectBrush(2,3,#0000FF)",
                              "SelectStockObject(8)",
                              "Polygon(0,0;10,0;10,10)",
                              "Ellipse(5,6,1,2)",
                              "RoundRect(1,2,30,40,400,300)",
                              "SetTextAlign(24)",
                              "SetBkMode(1)",
                              "SetBkColor(#010203)",
                              "SetTextColor(#040506)",
                              "SelectFont(-200,900,400,0,1,\"Arial\")",
                              "TextOut(70,80,\"x\")",
                              "RestoreDC(-1)",
                          }));
}

TEST(OutputDC, RestoreReselectsTheInitialObjectsAndNeverAStockOne) {
    TDC dc;
    OutSelectPen(OUT_DC, dc, TColor(RGB(255, 0, 0)), 10, nullptr);
    OutSelectPen(OUT_DC, dc, TColor(RGB(0, 0, 255)), 20, nullptr);
    OutRestorePen(OUT_DC, dc);
    EXPECT_EQ(dc.GetPen().GetStockId(), BLACK_PEN);

    // The stock null pen replaces the current pen without being remembered; the
    // next layer pen remembers it as the object it replaced.
    OutSelectStockObject(OUT_DC, dc, NULL_PEN, nullptr);
    OutSelectPen(OUT_DC, dc, TColor(RGB(255, 0, 0)), 10, nullptr);
    OutSelectStockObject(OUT_DC, dc, NULL_PEN, nullptr);
    OutSelectPen(OUT_DC, dc, TColor(RGB(0, 255, 0)), 10, nullptr);
    OutRestorePen(OUT_DC, dc);
    EXPECT_TRUE(dc.GetPen().IsNull());

    OutSelectBrush(OUT_DC, dc, TColor(RGB(255, 0, 0)), -1, nullptr);
    OutSelectBrush(OUT_DC, dc, TColor(RGB(255, 0, 0)), -2, nullptr);
    OutSelectFont(OUT_DC, dc, TFont("Arial", -300), nullptr);
    OutSelectPen(OUT_DC, dc, TColor(RGB(0, 255, 0)), 10, nullptr);
    OutRestoreObjects(OUT_DC, dc);
    EXPECT_EQ(dc.GetBrush().GetStockId(), WHITE_BRUSH);
    EXPECT_EQ(dc.GetFont().GetStockId(), SYSTEM_FONT);
    EXPECT_TRUE(dc.GetPen().IsNull());
}

TEST(OutputBackground, TheColourInForceIsKnownInEveryMode) {
    TDC dc;
    FILE* f = std::tmpfile();
    OutPageInfo(1000, 1000, nullptr);
    EXPECT_EQ(OutGetBkColor(OUT_VECTOR, dc), TColor(0xFFFFFF));

    // The figure drawing keeps the colour in force and puts it back at its end.
    OutSetBkColor(OUT_VECTOR, dc, TColor(RGB(255, 0, 0)), nullptr);
    TColor before = OutGetBkColor(OUT_VECTOR, dc);
    OutSetBkColor(OUT_VECTOR, dc, TColor(RGB(0, 255, 0)), f);
    OutSetBkColor(OUT_VECTOR, dc, before, f);
    EXPECT_EQ(FileText(f), "/SBC\r\n1,0,255,0\r\n/SBC\r\n1,255,0,0\r\n");
    EXPECT_EQ(OutGetBkColor(OUT_EXTENT, dc), TColor(RGB(255, 0, 0)));
    EXPECT_EQ(OutGetBkColor(7, dc), TColor(RGB(255, 0, 0)));

    // On a device context the context's own colour.
    dc.SetBkColor(RGB(0, 0, 255));
    EXPECT_EQ(OutGetBkColor(OUT_DC, dc), TColor(RGB(0, 0, 255)));
    // Each vector drawing starts from white again.
    OutPageInfo(1000, 1000, nullptr);
    EXPECT_EQ(OutGetBkColor(OUT_VECTOR, dc), TColor(0xFFFFFF));
    std::fclose(f);
}

TEST(OutputPath, RestartClosesAndReopensThePathAtThePoint) {
    TDC dc;
    FILE* f = std::tmpfile();
    OutPageInfo(1000, 1000, nullptr);
    OutBeginPath(OUT_VECTOR, dc, f);
    for (int i = 0; i < 5; ++i) OutLineTo(OUT_VECTOR, TPoint(i, i), dc, f, nullptr, 0);
    EXPECT_EQ(PathPointCount, 5);
    OutRestartPath(OUT_VECTOR, TPoint(4, 4), dc, f, nullptr, 0);
    EXPECT_EQ(PathPointCount, 1);
    EXPECT_NE(FileText(f).find("/LNT\r\n4,996\r\n/EDP\r\n/SRP\r\n/BGP\r\n/MVT\r\n4,996\r\n"),
              std::string::npos);
    TRect e;
    OutRestartPath(OUT_EXTENT, TPoint(4, 4), dc, nullptr, &e, 0);
    EXPECT_EQ(e, TRect(3, 3, 5, 5));  // the move counts in the extent
    std::fclose(f);
}

TEST(OutputDC, ShapesDrawOnAnImage) {
    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDC dc(&img);
        OutSelectPen(OUT_DC, dc, TColor(0), 0, nullptr);
        OutSelectBrush(OUT_DC, dc, TColor(RGB(255, 0, 0)), -1, nullptr);
        const TPoint square[4] = {{5, 5}, {20, 5}, {20, 20}, {5, 20}};
        OutPolygon(OUT_DC, square, 4, dc, nullptr, nullptr, 0, false);
        OutRestoreObjects(OUT_DC, dc);
        OutBeginPath(OUT_DC, dc, nullptr);
        OutMoveTo(OUT_DC, TPoint(0, 30), dc, nullptr, nullptr, 0, true);
        OutLineTo(OUT_DC, TPoint(40, 30), dc, nullptr, nullptr, 0);
        OutEndPath(OUT_DC, dc, nullptr);
        OutStrokePath(OUT_DC, dc, nullptr);
    }
    EXPECT_EQ(img.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(10, 30), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(10, 31), qRgb(255, 255, 255));
}

}  // namespace
