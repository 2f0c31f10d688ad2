// Thin lines on raster devices, pixel for pixel: one pixel per step along the
// longer axis, halves toward the smaller coordinate, the first point drawn and the
// last never, whatever the direction.

#include "platform/dc.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Pixels = std::set<std::pair<int, int>>;

QImage WhiteImage(int w, int h, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, format);
    img.fill(Qt::white);
    return img;
}

// A picture with every pixel different from its neighbours.
QImage Patterned(int w, int h, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, (x ^ y) * 5 % 256));
    return img;
}

Pixels NotWhite(const QImage& img) {
    Pixels p;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) p.insert({x, y});
    return p;
}

Pixels Changed(const QImage& a, const QImage& b) {
    Pixels p;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) p.insert({x, y});
    return p;
}

// The pixels of one LineTo from a to b with a one-pixel black pen.
Pixels LinePixels(TPoint a, TPoint b, int w = 40, int h = 40, const TRect* clip = nullptr) {
    QImage img = WhiteImage(w, h);
    {
        TDC dc(&img);
        if (clip) dc.IntersectClipRect(*clip);
        dc.MoveToEx(a.x, a.y);
        dc.LineTo(b.x, b.y);
    }
    return NotWhite(img);
}

// The line's pixels worked out on their own: at each step i along the longer axis
// the nearest pixel to the ideal line, halves toward the smaller coordinate.
Pixels Expected(TPoint a, TPoint b) {
    Pixels p;
    const int dx = b.x - a.x, dy = b.y - a.y;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int n = xMajor ? std::abs(dx) : std::abs(dy);
    for (int i = 0; i < n; ++i) {
        const int major = (xMajor ? dx : dy) > 0 ? i : -i;
        const int twice = 2 * i * (xMajor ? dy : dx);  // 2 * minor offset * n
        // floor(offset + 1/2), one less on an exact half.
        int minor = int(std::floor((twice + n) / (2.0 * n)));
        if (std::abs(twice) % (2 * n) == n) minor -= 1;
        p.insert(xMajor ? std::make_pair(a.x + major, a.y + minor)
                        : std::make_pair(a.x + minor, a.y + major));
    }
    return p;
}

TEST(ThinLines, EveryDirectionLeavesOutExactlyTheEndPixel) {
    const TPoint c(20, 20);
    // Axis directions, exact diagonals, both octants of each quadrant, and slopes
    // with halves (2:4, 4:2) where the tie rule decides.
    const TPoint ends[] = {{9, 0},  {-9, 0}, {0, 9},  {0, -9}, {6, 6},  {-6, 6},  {6, -6},
                           {-6, -6}, {9, 4},  {4, 9},  {-4, 9}, {-9, 4}, {-9, -4}, {-4, -9},
                           {4, -9}, {9, -4}, {4, 2},  {2, 4},  {-4, 2}, {4, -2}, {-2, -4},
                           {11, 1}, {1, -11}, {1, 0},  {0, -1}, {1, 1}};
    for (const TPoint& d : ends) {
        const TPoint b(c.x + d.x, c.y + d.y);
        const std::string what = std::to_string(d.x) + "," + std::to_string(d.y);
        const Pixels forward = LinePixels(c, b), backward = LinePixels(b, c);
        EXPECT_EQ(forward, Expected(c, b)) << what;
        EXPECT_EQ(forward.size(), size_t(std::max(std::abs(d.x), std::abs(d.y)))) << what;
        EXPECT_TRUE(forward.count({c.x, c.y})) << what;
        EXPECT_FALSE(forward.count({b.x, b.y})) << what;
        // The same pixels both ways but for the ends.
        Pixels a = forward, r = backward;
        a.erase({c.x, c.y});
        r.erase({b.x, b.y});
        EXPECT_EQ(a, r) << what;
        EXPECT_TRUE(backward.count({b.x, b.y})) << what;
    }
    // The tie rule spelled out: a flat line takes the upper pixel, a steep one the
    // left pixel, in either direction.
    EXPECT_EQ(LinePixels({0, 0}, {4, 2}), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    EXPECT_EQ(LinePixels({4, 2}, {0, 0}), (Pixels{{4, 2}, {3, 1}, {2, 1}, {1, 0}}));
    EXPECT_EQ(LinePixels({0, 2}, {4, 0}), (Pixels{{0, 2}, {1, 1}, {2, 1}, {3, 0}}));
    EXPECT_EQ(LinePixels({0, 0}, {2, 4}), (Pixels{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
    EXPECT_EQ(LinePixels({2, 4}, {0, 0}), (Pixels{{2, 4}, {1, 3}, {1, 2}, {0, 1}}));
}

TEST(ThinLines, LinesOfNoLengthDrawNothing) {
    for (int rop : {R2_COPYPEN, R2_NOTXORPEN, R2_NOT}) {
        QImage img = Patterned(10, 10);
        const QImage before = img.copy();
        {
            TDC dc(&img);
            dc.SetROP2(rop);
            dc.MoveToEx(4, 4);
            dc.LineTo(4, 4);
            const TPoint same[3] = {{6, 6}, {6, 6}, {6, 6}};
            dc.Polyline(same, 3);
            dc.Polygon(same, 3);
            // Logical units that map to one device point.
            dc.SetMapMode(MM_ANISOTROPIC);
            dc.SetWindowExt(TSize(15, 15));
            dc.SetViewportExt(TSize(1, 1));
            dc.MoveToEx(30, 30);
            dc.LineTo(36, 37);
        }
        EXPECT_EQ(img, before) << rop;
    }
}

TEST(ThinLines, StrokesOutAndBackCoverBothEnds) {
    // A plus and a diagonal cross as the marker samples draw them.
    QImage img = WhiteImage(40, 40);
    {
        TDC dc(&img);
        dc.MoveToEx(10, 20);
        dc.LineTo(30, 20);
        dc.LineTo(10, 20);
        dc.MoveToEx(20, 10);
        dc.LineTo(20, 30);
        dc.LineTo(20, 10);
        dc.MoveToEx(5, 5);
        dc.LineTo(12, 12);
        dc.LineTo(5, 5);
    }
    Pixels want;
    for (int v = 10; v <= 30; ++v) {
        want.insert({v, 20});
        want.insert({20, v});
    }
    for (int v = 5; v <= 12; ++v) want.insert({v, v});
    EXPECT_EQ(NotWhite(img), want);

    // In NOT-XOR the inner pixels are inverted twice and only the ends remain.
    QImage x = WhiteImage(40, 40);
    {
        TDC dc(&x);
        dc.SetROP2(R2_NOTXORPEN);
        dc.SelectObject(TPen(RGB(0, 0, 0), 0));  // black: NOT-XOR inverts
        dc.MoveToEx(10, 20);
        dc.LineTo(30, 20);
        dc.LineTo(10, 20);
    }
    EXPECT_EQ(NotWhite(x), (Pixels{{10, 20}, {30, 20}}));
}

TEST(ThinLines, NotXorOutlinesInvertEachPixelOnceAndTwiceGiveItBack) {
    const TPoint zigzag[6] = {{3, 3}, {30, 9}, {8, 25}, {8, 25}, {33, 28}, {20, 2}};
    const TPoint box[4] = {{2, 2}, {12, 2}, {12, 8}, {2, 8}};
    auto draw = [&](QImage& img, int what) {
        TDC dc(&img);
        dc.SetROP2(R2_NOTXORPEN);
        dc.SelectStockObject(NULL_BRUSH);
        switch (what) {
        case 0: dc.Polyline(zigzag, 6); break;
        case 1: dc.Polygon(box, 4); break;
        case 2: dc.Rectangle(2, 2, 13, 9); break;  // the same pixels as the box
        case 3:
            dc.MoveTo(box[0]);
            for (int i = 1; i < 4; ++i) dc.LineTo(box[i]);
            dc.LineTo(box[0]);
            break;
        }
    };
    Pixels outline;
    for (int x = 2; x <= 12; ++x) outline.insert({x, 2}), outline.insert({x, 8});
    for (int y = 2; y <= 8; ++y) outline.insert({2, y}), outline.insert({12, y});
    for (int what = 0; what < 4; ++what) {
        QImage img = Patterned(40, 32);
        const QImage before = img.copy();
        draw(img, what);
        const Pixels changed = Changed(img, before);
        if (what == 0) {
            // Joints drawn once: every segment's pixels but its end, the last
            // point left out.
            Pixels want;
            for (int i = 0; i + 1 < 6; ++i) {
                const Pixels seg = Expected(zigzag[i], zigzag[i + 1]);
                for (const auto& p : seg)
                    if (!want.insert(p).second) want.erase(p);  // crossings cancel
            }
            EXPECT_EQ(changed, want);
        } else {
            EXPECT_EQ(changed, outline) << what;
        }
        draw(img, what);
        EXPECT_EQ(img, before) << what;
    }
    // Rectangles one pixel across are a single line, each pixel inverted once.
    QImage img = Patterned(10, 10);
    const QImage before = img.copy();
    {
        TDC dc(&img);
        dc.SetROP2(R2_NOTXORPEN);
        dc.Rectangle(2, 1, 3, 6);
        dc.Rectangle(4, 8, 9, 9);
        dc.Rectangle(8, 2, 9, 3);
    }
    EXPECT_EQ(Changed(img, before), (Pixels{{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {4, 8}, {5, 8},
                                           {6, 8}, {7, 8}, {8, 8}, {8, 2}}));
}

TEST(ThinLines, ClipRectanglesAndFarEnds) {
    // Clipped: exactly the unclipped line's pixels inside the clip.
    const TRect clip(8, 5, 17, 30);
    const std::pair<TPoint, TPoint> lines[] = {
        {TPoint(2, 3), TPoint(35, 20)}, {TPoint(30, 2), TPoint(4, 36)}, {TPoint(12, 0), TPoint(12, 40)}};
    for (const auto& [a, b] : lines) {
        Pixels want;
        for (const auto& p : Expected(a, b))
            if (p.first >= 8 && p.first < 17 && p.second >= 5 && p.second < 30) want.insert(p);
        EXPECT_EQ(LinePixels(a, b, 40, 40, &clip), want);
    }
    // Ends far off the device: the visible part is the line's own, found without
    // stepping through the far pixels.
    const auto start = std::chrono::steady_clock::now();
    const TPoint far1(-200000000, -3), far2(200000000, 38);
    const Pixels seen = LinePixels(far1, far2, 40, 40);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(ms, 200);
    // At x 0 (step 2e8) the line is at y 17.5 exactly, which goes up; from x 1 on
    // it is just below the half.
    Pixels want{{0, 17}};
    for (int x = 1; x < 40; ++x) want.insert({x, 18});
    EXPECT_EQ(seen, want);
}

TEST(ThinLines, DirectAndPaintedPixelsAgreeForEveryRasterOperation) {
    // An RGB32 image is written directly; an RGB888 one goes through the painter.
    // Both must give the same picture for every raster operation.
    auto draw = [](QImage::Format format, int rop) {
        QImage img = Patterned(30, 20, format);
        {
            TDC dc(&img);
            dc.SetROP2(rop);
            dc.SelectObject(TPen(RGB(200, 40, 90), 0));
            const TPoint poly[5] = {{1, 1}, {28, 6}, {14, 18}, {14, 2}, {2, 17}};
            dc.Polyline(poly, 5);
            dc.SelectObject(TPen(RGB(10, 220, 160), 0, PS_DOT));
            dc.MoveToEx(29, 19);
            dc.LineTo(0, 10);
        }
        return img.convertToFormat(QImage::Format_RGB32);
    };
    for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
        const QImage direct = draw(QImage::Format_RGB32, rop);
        const QImage painted = draw(QImage::Format_RGB888, rop);
        EXPECT_EQ(direct, painted) << "R2 " << rop;
        if (rop != R2_NOP) {
            EXPECT_NE(direct, Patterned(30, 20)) << "R2 " << rop;
        }
    }
}

TEST(ThinLines, DashesLeaveOutTheEndAndRunOnAlongAPolyline) {
    // PS_DOT: three pixels on, three off, counted from the first point.
    QImage img = WhiteImage(30, 6);
    {
        TDC dc(&img);
        dc.SelectObject(TPen(RGB(0, 0, 0), 0, PS_DOT));
        dc.MoveToEx(0, 1);
        dc.LineTo(3, 1);  // 0..2, not 3
        dc.MoveToEx(9, 2);
        dc.LineTo(0, 2);  // 9..7, 3..1 from the right
        const TPoint poly[3] = {{0, 4}, {4, 4}, {14, 4}};
        dc.Polyline(poly, 3);  // the pattern goes on at the joint
    }
    EXPECT_EQ(NotWhite(img), (Pixels{{0, 1}, {1, 1}, {2, 1}, {9, 2}, {8, 2}, {7, 2}, {3, 2},
                                     {2, 2}, {1, 2}, {0, 4}, {1, 4}, {2, 4}, {6, 4}, {7, 4},
                                     {8, 4}, {12, 4}, {13, 4}}));
}

}  // namespace

namespace {

// The pixels of lines drawn one after another with a pen w pixels wide (1:1
// mapping), on a plain or a painted image.
Pixels WidePixels(const std::vector<std::pair<TPoint, TPoint>>& lines, int w, QImage::Format format = QImage::Format_RGB32) {
    QImage img = WhiteImage(60, 60, format);
    {
        TDC dc(&img);
        dc.SelectObject(TPen(RGB(0, 0, 0), w));
        for (const auto& l : lines) {
            dc.MoveToEx(l.first.x, l.first.y);
            dc.LineTo(l.second.x, l.second.y);
        }
    }
    return NotWhite(img);
}

// The rule worked out on its own with doubles: nearer the segment than w / 2, or
// exactly w / 2 away with the offset pointing left or straight up.
Pixels WideExpected(TPoint a, TPoint b, int w) {
    Pixels p;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) {
            const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
            double t = l2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / l2 : 0;
            t = std::clamp(t, 0.0, 1.0);
            const double ox = x - (a.x + t * dx), oy = y - (a.y + t * dy);
            const double d = std::sqrt(ox * ox + oy * oy);
            const bool tie = std::fabs(d - w / 2.0) < 1e-9;
            if (d < w / 2.0 - 1e-9 || (tie && (ox < -1e-9 || (std::fabs(ox) < 1e-9 && oy < 0)))) p.insert({x, y});
        }
    return p;
}

}  // namespace

// Wide lines: every pixel nearer the segment than half the width, round ends, ties
// to the left and upward; so a line drawn in pieces covers what it covers whole.
TEST(WideLines, RoundEndedBandsOfThePenWidth) {
    for (int w : {2, 3, 4, 7}) {
        SCOPED_TRACE(w);
        // Across a vertical line exactly w pixels, a horizontal one w rows high.
        const Pixels v = WidePixels({{{30, 10}, {30, 40}}}, w);
        int across = 0;
        for (int x = 0; x < 60; ++x) across += v.count({x, 25});
        EXPECT_EQ(across, w);
        const Pixels h = WidePixels({{{10, 30}, {40, 30}}}, w);
        int high = 0;
        for (int y = 0; y < 60; ++y) high += h.count({25, y});
        EXPECT_EQ(high, w);
        for (auto [a, b] : {std::pair{TPoint(5, 7), TPoint(50, 31)}, std::pair{TPoint(40, 50), TPoint(12, 9)},
                            std::pair{TPoint(20, 20), TPoint(20, 20)}, std::pair{TPoint(9, 30), TPoint(50, 31)},
                            std::pair{TPoint(30, 40), TPoint(30, 12)}}) {
            EXPECT_EQ(WidePixels({{a, b}}, w), WideExpected(a, b, w));
            EXPECT_EQ(WidePixels({{a, b}}, w, QImage::Format_RGB16), WideExpected(a, b, w));  // through the painter
        }
        // Lines of every slope, ends on and off the pixel grid's diagonals.
        unsigned seed = 17 + unsigned(w);
        for (int i = 0; i < 60; ++i) {
            auto next = [&] {
                seed = seed * 1103515245u + 12345u;
                return 8 + int((seed >> 8) % 44);
            };
            const TPoint a(next(), next()), b(next(), next());
            EXPECT_EQ(WidePixels({{a, b}}, w), WideExpected(a, b, w)) << a.x << "," << a.y << " " << b.x << "," << b.y;
        }
        // A polygon's outline is the union of its edges' lines, each pixel once:
        // drawn twice in NOT-XOR it gives back every pixel.
        const std::vector<TPoint> poly{{10, 12}, {47, 20}, {30, 50}, {14, 33}};
        auto outline = [&](int rop, int times) {
            QImage img = WhiteImage(60, 60);
            {
                TDC dc(&img);
                dc.SetROP2(rop);
                dc.SelectObject(TPen(RGB(0, 0, 0), w));
                dc.SelectStockObject(NULL_BRUSH);
                for (int k = 0; k < times; ++k) dc.Polygon(poly.data(), int(poly.size()));
            }
            return NotWhite(img);
        };
        EXPECT_EQ(outline(R2_COPYPEN, 1), WidePixels({{poly[0], poly[1]}, {poly[1], poly[2]}, {poly[2], poly[3]}, {poly[3], poly[0]}}, w));
        EXPECT_EQ(outline(R2_NOTXORPEN, 1), outline(R2_COPYPEN, 1));
        EXPECT_TRUE(outline(R2_NOTXORPEN, 2).empty());
        // Pieces, out and back, and a dot on the way: the union of the whole.
        EXPECT_EQ(WidePixels({{{30, 10}, {30, 22}}, {{30, 40}, {30, 22}}, {{30, 17}, {30, 17}}}, w),
                  WidePixels({{{30, 10}, {30, 40}}}, w));
        EXPECT_EQ(WidePixels({{{5, 7}, {50, 31}}, {{50, 31}, {5, 7}}}, w), WidePixels({{{5, 7}, {50, 31}}}, w));
    }
}

// Small shapes that recur (a series' markers) are drawn from stamps of their
// pixels on 32-bit images: the same pixels as the drawing itself gives on any
// other image, clipped alike, filled and hollow, with thin and wide outlines
// (an ellipse's wide outline is Qt's stroke where it stands, not stamped).
TEST(ShapeStamps, DrawTheSamePixelsAsTheShapesThemselves) {
    auto draw = [](QImage::Format format, int penWidth, bool hollow) {
        QImage img = WhiteImage(200, 150, format);
        {
            TDC dc(&img);
            dc.IntersectClipRect(10, 10, 190, 140);
            dc.SelectObject(TPen(RGB(0, 0, 255), penWidth));
            if (hollow)
                dc.SelectStockObject(NULL_BRUSH);
            else
                dc.SelectObject(TBrush(RGB(255, 0, 0)));
            unsigned seed = 7;
            for (int i = 0; i < 400; ++i) {
                seed = seed * 1103515245u + 12345u;
                const int x = int(seed >> 8) % 210 - 5;
                const int y = int(seed >> 18) % 160 - 5;
                const int s = 2 + i % 9;
                switch (i % 5) {
                case 0: {
                    const TPoint sq[4] = {{x - s, y - s}, {x + s, y - s}, {x + s, y + s}, {x - s, y + s}};
                    dc.Polygon(sq, 4);
                    break;
                }
                case 1: {
                    const TPoint tri[3] = {{x, y - s}, {x + s, y + s / 2}, {x - s, y + s / 2}};
                    dc.Polygon(tri, 3);
                    break;
                }
                case 2: {
                    const TPoint dia[4] = {{x, y - s}, {x + s, y}, {x, y + s}, {x - s, y}};
                    dc.Polygon(dia, 4);
                    break;
                }
                case 3: {
                    // Strokes out and back, as cross markers draw them.
                    const TPoint cross[6] = {{x - s, y}, {x + s, y}, {x - s, y}, {x - s, y + s}, {x + s, y - s}, {x - s, y + s}};
                    const int counts[2] = {3, 3};
                    dc.Strokes(cross, counts, 2);
                    break;
                }
                default: dc.Ellipse(x - s, y - s, x + s, y + s);
                }
            }
        }
        return img.convertToFormat(QImage::Format_RGB32);
    };
    for (int penWidth : {0, 2, 3}) {
        for (bool hollow : {false, true}) {
            const QImage stamped = draw(QImage::Format_RGB32, penWidth, hollow);
            const QImage drawn = draw(QImage::Format_RGB16, penWidth, hollow);
            EXPECT_EQ(Changed(stamped, drawn).size(), 0u) << penWidth << " " << hollow;
            EXPECT_GT(NotWhite(stamped).size(), 1000u);
        }
    }
}

// Qt strokes a wide ellipse outline where the ellipse stands, and for some sizes
// and pens the pixels differ from place to place (a 5-pixel pen on an 8-pixel
// box, whose hole closes, draws two pictures across this image); the stamps give
// each ellipse the stroke of its own place, filled or hollow, clipped or not.
TEST(ShapeStamps, WideEllipseOutlinesAreTheStrokeOfTheirPlace) {
    auto draw = [](QImage::Format format, int pen, int side, bool hollow) {
        QImage img = WhiteImage(1100, 700, format);
        {
            TDC dc(&img);
            dc.IntersectClipRect(0, 0, 1090, 690);
            dc.SelectObject(TPen(RGB(0, 0, 255), pen));
            if (hollow)
                dc.SelectStockObject(NULL_BRUSH);
            else
                dc.SelectObject(TBrush(RGB(255, 0, 0)));
            const int step = side + 2 * pen + 3;
            for (int row = 0, y = -3; y < 700; ++row, y += step)
                for (int x = -3 + row % 5; x < 1100; x += step) dc.Ellipse(x, y, x + side, y + side + row % 2);
        }
        return img.convertToFormat(QImage::Format_RGB32);
    };
    for (auto [pen, side] : {std::pair{5, 8}, std::pair{3, 13}, std::pair{2, 5}, std::pair{7, 12}}) {
        for (bool hollow : {false, true}) {
            const QImage stamped = draw(QImage::Format_RGB32, pen, side, hollow);
            EXPECT_EQ(Changed(stamped, draw(QImage::Format_RGB16, pen, side, hollow)).size(), 0u)
                << pen << " " << side << " " << hollow;
        }
    }
}
