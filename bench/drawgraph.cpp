// The page view's drawing at the zooms and screens users have: DrawGraph on a
// window-sized RGB32 image at 15 twips a pixel (100 % on a 96-dpi screen), 13.3
// (113 %, or a 120-dpi screen) and 7.5 (200 %, or a 2x screen), with the Escape
// check installed as in the program and the event loop run before each repaint.
// The frame fills the window at every scale, so the series' default pen of 20
// twips is one, two and three pixels wide.
//
// Each drawing stands beside references in the same run that do the same work
// another way, each checked against DrawGraph's picture before it is timed (a
// reference that disagrees is skipped with an error):
// - Ref_MapMinMax, beside the line: each row's values mapped to a device pixel
//   with one multiply-add a coordinate (the axis scale and the device mapping
//   folded into one factor and offset, rounded to the nearest pixel), the lowest
//   and highest row that the line reaches in each pixel column kept (its points,
//   and half of the line in from the column before), and each column's rows put
//   on the image with the pen's round footprint. Like the drawing, it skips rows
//   whose flags or values make them invalid and points off the image; unlike it,
//   it has no Escape poll (BM_DrawGraph_LineWithoutEscapeCheck shows what that
//   costs) and no clip rectangle. Agreement: in every pixel column of the
//   frame's inside (away from the axes and their ticks), the first and last
//   drawn row within two pixels of DrawGraph's (the drawing strokes the line
//   from one column to the next with the pen, the reference adds its halves to
//   the two columns).
// - Ref_QPainterPolyline: QPainter's drawPolyline of the same points mapped to
//   device pixels, with the series' pen, in pieces of 1,024 points; agreement
//   as above within four pixels (Qt strokes the sharp joints of the noisy line
//   its own way).
// - Ref_BlittedStamp, beside the markers: the marker drawn once by the program
//   into a transparent image (an RGB32 image where it covers its whole box), and
//   that image blitted with QPainter::drawImage at each row's point, mapped as in
//   Ref_MapMinMax, skipping invalid rows and centres outside the frame as the
//   drawing does. The drawing works each marker's corners out from its centre in
//   twips, so its shape varies by a pixel from place to place where the stamp's
//   does not. Agreement: at most 0.5 % of the pixels of the frame's inside have
//   a colour in one picture that the other has nowhere within two pixels.
// - Ref_QPainterMarkers: QPainter's own calls for the same shapes with the same
//   device corners at the same points (drawRects for squares, drawLines for
//   crosses, its polygon and ellipse calls for the rest), with the series' pen
//   and brush; agreement as above for drawn and blank pixels, not colours (Qt's
//   outlines of such small shapes cover pixels that the drawing leaves to the
//   fill).
// BM_DrawGraph_LineFirstRepaint and BM_DrawGraph_MarkersFirstRepaint are the
// first repaint after loading (the drawing's kept memory and stamps given back
// before each), beside BM_DrawGraph_Line and BM_DrawGraph_Markers at the same
// scale; BM_DrawGraph_LineWithoutEscapeCheck the same repaint with no check
// installed.
//
// Run: build/bench/bench_drawgraph   (or --benchmark_filter=Line/15 and the like)
#include "chart/winlayer/escapepoll.h"
#include "model/boxframe.h"
#include "platform/escape.h"
#include "render/graphdraw.h"
#include "render/markers.h"
#include "render/output.h"
#include "render/styledline.h"

#include "interleaved.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kLinePoints = 1000000;
constexpr int kMarkerPoints = 100000;
constexpr int kW = 1200, kH = 800;
constexpr COLORREF kMarkerFill = RGB(255, 200, 0);

// The benchmark argument 15, 13 or 7 as twips a pixel.
double TwipsOf(int arg) { return arg == 15 ? 15.0 : arg == 13 ? 40.0 / 3.0 : 7.5; }

// The window and viewport extents as the page view sets them: a tenth of the
// window in pixels.
TSize WindowExt(double t) { return TSize(int(std::lround(kW * t * 0.1)), int(std::lround(kH * t * 0.1))); }
TSize ViewportExt() { return TSize(kW / 10, kH / 10); }

// One axis set whose frame fills 90 % of the window at t twips a pixel, with one
// series of n points: a noisy wave across the frame, every pixel column holding
// many points.
std::unique_ptr<TIArrayAsVector<BoxFrame>> MakePage(double t, int n, int lineStyle, int markerStyle,
                                                    bool hollow = false) {
    auto sets = std::make_unique<TIArrayAsVector<BoxFrame>>(1, 10);
    auto set = std::make_unique<BoxFrame>();
    set->Frame.OriginX = 0.05 * kW * t;
    set->Frame.OriginY = 0.05 * kH * t;
    set->Frame.FrameLengthX = 0.9 * kW * t;
    set->Frame.FrameLengthY = 0.9 * kH * t;
    for (AxisUnit* a : {&set->BottomAxis, &set->LeftAxis, &set->TopAxis, &set->RightAxis}) {
        a->RangeStart = 0;
        a->RangeEnd = 10;
        a->RangeInc = 2;
    }
    auto plot = std::make_unique<TPlot>();
    plot->XData.Reserve(n);
    plot->YData.Reserve(n);
    unsigned seed = 12345;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double x = 10.0 * i / n;
        const double noise = ((seed >> 8) & 0xFFFF) / 65535.0 - 0.5;
        plot->AddX(TDataElement(x));
        plot->AddY(TDataElement(5.0 + 3.0 * std::sin(3.0 * x) + noise));
    }
    plot->Style.LineStyle = lineStyle;
    plot->Style.MarkerStyle = markerStyle;
    plot->Style.MarkerInsideColor = kMarkerFill;
    plot->Style.MarkerInsidePaint = hollow ? 1 : 0;
    set->PlotList.Add(plot.release());
    sets->Add(set.release());
    return sets;
}

const BoxFrame& SetOf(const TIArrayAsVector<BoxFrame>& page) { return *page[1]; }
const TPlot& PlotOf(const TIArrayAsVector<BoxFrame>& page) { return *SetOf(page).PlotList[1]; }

void MapWindow(TDC& dc, double t) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(WindowExt(t));
    dc.SetViewportExt(ViewportExt());
}

// The program's repaint: the event loop has run, then the page is drawn.
void Repaint(const TIArrayAsVector<BoxFrame>& page, QImage& image, double t) {
    QCoreApplication::processEvents();
    image.fill(Qt::white);
    TDC dc(&image);
    MapWindow(dc, t);
    DrawGraph(page, OUT_DC, dc, nullptr, nullptr);
    dc.Flush();
    benchmark::DoNotOptimize(image.constBits());
}

QImage Drawn(const TIArrayAsVector<BoxFrame>& page, double t) {
    QImage image(kW, kH, QImage::Format_RGB32);
    Repaint(page, image, t);
    return image;
}

// Values to device pixels on the linear axes of the set, with the axis scale and
// the device mapping folded into one factor and one offset a coordinate (the
// offset holds the half pixel of rounding to the nearest).
struct DeviceMap {
    double kx, bx, ky, by;
    DeviceMap(const BoxFrame& set, double t) {
        const Frame& f = set.Frame;
        const TSize we = WindowExt(t), ve = ViewportExt();
        const double sx = double(ve.cx) / we.cx, sy = double(ve.cy) / we.cy;
        const AxisUnit& ax = set.BottomAxis;
        const AxisUnit& ay = set.LeftAxis;
        const double ux = f.FrameLengthX / (ax.RangeEnd - ax.RangeStart);
        const double uy = f.FrameLengthY / (ay.RangeEnd - ay.RangeStart);
        kx = ux * sx;
        bx = (f.OriginX - ax.RangeStart * ux) * sx + 0.5;
        ky = -uy * sy;
        by = (f.OriginY + f.FrameLengthY + ay.RangeStart * uy) * sy + 0.5;
    }
    // The pixel of (vx, vy); false when it lies off the image.
    bool Map(double vx, double vy, QPoint& out) const {
        const double fx = vx * kx + bx, fy = vy * ky + by;
        if (!(fx >= 0 && fx < kW && fy >= 0 && fy < kH)) return false;
        out = QPoint(int(fx), int(fy));
        return true;
    }
    QPoint operator()(double vx, double vy) const {
        return QPoint(int(std::floor(vx * kx + bx)), int(std::floor(vy * ky + by)));
    }
};

// The frame's rectangle in device pixels.
QRect FrameOnDevice(const BoxFrame& set, double t) {
    const Frame& f = set.Frame;
    const TSize we = WindowExt(t), ve = ViewportExt();
    const double sx = double(ve.cx) / we.cx, sy = double(ve.cy) / we.cy;
    return QRect(QPoint(int(f.OriginX * sx), int(f.OriginY * sy)),
                 QPoint(int((f.OriginX + f.FrameLengthX) * sx) - 1, int((f.OriginY + f.FrameLengthY) * sy) - 1));
}

// The part of the frame that holds only the series: the frame less the bands of
// the axes and their ticks along its edges.
QRect FrameInside(const BoxFrame& set, double t) {
    const QRect f = FrameOnDevice(set, t);
    const int mx = f.width() * 3 / 100, my = f.height() * 5 / 100;
    return f.adjusted(mx, my, -mx, -my);
}

// The series' pen in device pixels as the drawing selects it (0: one pixel).
int DevicePen(int twips, double t) {
    QImage probe(1, 1, QImage::Format_RGB32);
    TDC dc(&probe);
    MapWindow(dc, t);
    dc.SelectObject(TPen(0, twips));
    return dc.DevicePenWidth();
}

int Scaled(int rate, int percent) { return int(rate * double(percent) * 0.01); }

// The first and last drawn (not white) row of each pixel column of region; -1
// for a column without one.
std::vector<std::pair<int, int>> ColumnExtents(const QImage& image, const QRect& region) {
    std::vector<std::pair<int, int>> ext(std::size_t(region.width()), {-1, -1});
    for (int y = region.top(); y <= region.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = region.left(); x <= region.right(); ++x) {
            if ((line[x] & 0xFFFFFFu) == 0xFFFFFFu) continue;
            auto& e = ext[std::size_t(x - region.left())];
            if (e.first < 0) e.first = y;
            e.second = y;
        }
    }
    return ext;
}

// Empty when every column's first and last drawn row in a and b are within
// tolerance pixels of each other, else what differs.
std::string ColumnsDisagree(const QImage& a, const QImage& b, const QRect& region, int tolerance) {
    const auto ea = ColumnExtents(a, region), eb = ColumnExtents(b, region);
    for (std::size_t i = 0; i < ea.size(); ++i) {
        const bool emptyA = ea[i].first < 0, emptyB = eb[i].first < 0;
        if (emptyA != emptyB || std::abs(ea[i].first - eb[i].first) > tolerance ||
            std::abs(ea[i].second - eb[i].second) > tolerance)
            return "pixel column " + std::to_string(region.left() + int(i)) + " holds rows " +
                   std::to_string(ea[i].first) + ".." + std::to_string(ea[i].second) + " here and " +
                   std::to_string(eb[i].first) + ".." + std::to_string(eb[i].second) + " in DrawGraph's picture";
    }
    return {};
}

// The share of the pixels of region whose colour in a has no pixel of that
// colour within two pixels in b, or the other way round; with colours false,
// drawn (not white) and blank pixels in place of colours.
double MarkersUnmatched(const QImage& a, const QImage& b, const QRect& region, bool colours) {
    auto at = [&](const QImage& img, int x, int y) {
        const QRgb c = reinterpret_cast<const QRgb*>(img.constScanLine(y))[x] & 0xFFFFFFu;
        return colours || c == 0xFFFFFFu ? c : 0u;
    };
    auto near = [&](const QImage& img, int x, int y, QRgb colour) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (unsigned(x + dx) < unsigned(kW) && unsigned(y + dy) < unsigned(kH) &&
                    at(img, x + dx, y + dy) == colour)
                    return true;
        return false;
    };
    long long unmatched = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb ca = at(a, x, y), cb = at(b, x, y);
            if (ca != cb && (!near(b, x, y, ca) || !near(a, x, y, cb))) ++unmatched;
        }
    return double(unmatched) / (double(region.width()) * region.height());
}

void Drawing(benchmark::State& state, int lineStyle, int markerStyle, int n, bool hollow = false) {
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, n, lineStyle, markerStyle, hollow);
    QImage image(kW, kH, QImage::Format_RGB32);
    Repaint(*page, image, t);
    const long long looks = kv::win::EscapePollLooks();
    for (auto _ : state) Repaint(*page, image, t);
    state.counters["looks"] = double(kv::win::EscapePollLooks() - looks) / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_DrawGraph_Line(benchmark::State& state) { Drawing(state, LineStyleSolid, MarkerNone, kLinePoints); }
// The same repaint without the Escape check installed: what the check costs.
void BM_DrawGraph_LineWithoutEscapeCheck(benchmark::State& state) {
    kv::win::UninstallEscapePoll();
    Drawing(state, LineStyleSolid, MarkerNone, kLinePoints);
    kv::win::InstallEscapePoll();
}

void BM_DrawGraph_DashedLine(benchmark::State& state) {
    Drawing(state, LineStyleDash, MarkerNone, kLinePoints);
}

void BM_DrawGraph_LineFirstRepaint(benchmark::State& state) {
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, kLinePoints, LineStyleSolid, MarkerNone);
    QImage image(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        ReleaseSeriesScratch();
        state.ResumeTiming();
        Repaint(*page, image, t);
    }
    state.SetItemsProcessed(state.iterations() * kLinePoints);
}

// The round pen of w device pixels (0 and 1: one pixel) as the columns it
// covers beside its centre, each with the rows it reaches above and below: the
// pixels nearer its centre than w / 2, and of those exactly w / 2 away the ones
// to the left or straight above, as the drawing's wide lines do.
struct PenColumns {
    std::vector<int> dx, up, down;
    explicit PenColumns(int w) {
        if (w <= 1) {
            dx = {0}, up = {0}, down = {0};
            return;
        }
        const int reach = w / 2 + 1;
        for (int x = -reach; x <= reach; ++x) {
            int u = -1, d = -1;
            for (int y = -reach; y <= reach; ++y) {
                const int d4 = 4 * (x * x + y * y);
                if (d4 < w * w || (d4 == w * w && (x < 0 || (x == 0 && y < 0)))) {
                    u = std::max(u, -y);
                    d = std::max(d, y);
                }
            }
            if (u < 0 && d < 0) continue;
            dx.push_back(x), up.push_back(u), down.push_back(d);
        }
    }
};

// The line mapped and reduced per pixel column, each column's rows put on the
// image with the pen's width (see the top of the file).
void BM_Ref_MapMinMax(benchmark::State& state) {
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, kLinePoints, LineStyleSolid, MarkerNone);
    const BoxFrame& set = SetOf(*page);
    const TPlot& plot = PlotOf(*page);
    const DeviceMap map(set, t);
    const PenColumns pen(DevicePen(Scaled(set.Frame.LineThickRate, plot.Style.LineWidth), t));
    QImage image(kW, kH, QImage::Format_RGB32);
    std::vector<int> lo(kW), hi(kW);
    auto draw = [&] {
        QCoreApplication::processEvents();
        image.fill(Qt::white);
        std::fill(lo.begin(), lo.end(), INT_MAX);
        std::fill(hi.begin(), hi.end(), INT_MIN);
        const TDataElement* xs = plot.XData.data();
        const TDataElement* ys = plot.YData.data();
        // The column being walked keeps its rows in locals, stored when the line
        // leaves it.
        int column = -1, row = 0;  // the point before; -1 after a gap
        int l = INT_MAX, h = INT_MIN;
        auto leave = [&] {
            if (column < 0) return;
            lo[std::size_t(column)] = std::min(lo[std::size_t(column)], l);
            hi[std::size_t(column)] = std::max(hi[std::size_t(column)], h);
        };
        for (int i = 0; i < kLinePoints; ++i) {
            QPoint p;
            if (!IsValidElement(xs[i]) || !IsValidElement(ys[i]) || !map.Map(xs[i].Value, ys[i].Value, p))
                [[unlikely]] {
                leave();
                column = -1;
                continue;
            }
            const int cx = p.x(), cy = p.y();
            if (cx != column) [[unlikely]] {
                int ml = INT_MAX, mh = INT_MIN;
                if (column >= 0) {
                    // The line from the column before: each column takes its half.
                    const int mid = (row + cy) / 2;
                    l = std::min(l, mid);
                    h = std::max(h, mid);
                    ml = mh = mid;
                }
                leave();
                column = cx;
                l = std::min(ml, cy);
                h = std::max(mh, cy);
            } else {
                l = std::min(l, cy);
                h = std::max(h, cy);
            }
            row = cy;
        }
        leave();
        // Each column's rows reach the columns beside it through the pen.
        uchar* bits = image.bits();
        const qsizetype stride = image.bytesPerLine();
        for (int x = 0; x < kW; ++x) {
            if (lo[std::size_t(x)] > hi[std::size_t(x)]) continue;
            for (std::size_t k = 0; k < pen.dx.size(); ++k) {
                const int cx = x + pen.dx[k];
                if (cx < 0 || cx >= kW) continue;
                const int y0 = std::max(0, lo[std::size_t(x)] - pen.up[k]);
                const int y1 = std::min(kH - 1, hi[std::size_t(x)] + pen.down[k]);
                for (int y = y0; y <= y1; ++y) reinterpret_cast<std::uint32_t*>(bits + y * stride)[cx] = 0xFF000000u;
            }
        }
        benchmark::DoNotOptimize(image.constBits());
    };
    draw();
    if (const std::string why = ColumnsDisagree(image, Drawn(*page, t), FrameInside(set, t), 2); !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) draw();
    state.SetItemsProcessed(state.iterations() * kLinePoints);
}

// The same points mapped to device pixels, drawn by QPainter with the series' pen
// in pieces of kPiece points, each from the last point of the one before (Qt
// strokes one path of a million points with a wide pen some 15 times slower).
void BM_Ref_QPainterPolyline(benchmark::State& state) {
    constexpr int kPiece = 1024;
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, kLinePoints, LineStyleSolid, MarkerNone);
    const BoxFrame& set = SetOf(*page);
    const TPlot& plot = PlotOf(*page);
    const DeviceMap map(set, t);
    QPolygon poly(kLinePoints);
    const int width = DevicePen(Scaled(set.Frame.LineThickRate, plot.Style.LineWidth), t);
    QImage image(kW, kH, QImage::Format_RGB32);
    auto draw = [&] {
        QCoreApplication::processEvents();
        for (int i = 0; i < kLinePoints; ++i) poly.setPoint(i, map(plot.XData[i].Value, plot.YData[i].Value));
        image.fill(Qt::white);
        QPainter p(&image);
        p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (int start = 0; start < kLinePoints - 1; start += kPiece - 1)
            p.drawPolyline(poly.constData() + start, std::min(kPiece, kLinePoints - start));
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    };
    draw();
    if (const std::string why = ColumnsDisagree(image, Drawn(*page, t), FrameInside(set, t), 4); !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) draw();
    state.SetItemsProcessed(state.iterations() * kLinePoints);
}

// Markers of one shape (range 1), filled or hollow (range 2), at every point of a
// 100,000-point series, at each scale (range 0): a pen of one, two and three
// pixels.
void BM_DrawGraph_Markers(benchmark::State& state) {
    Drawing(state, LineStyleNull, int(state.range(1)), kMarkerPoints, state.range(2) != 0);
}

// The same markers in the first repaint after loading: the stamps that drawing
// keeps from one repaint to the next given back before each.
void BM_DrawGraph_MarkersFirstRepaint(benchmark::State& state) {
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, kMarkerPoints, LineStyleNull, int(state.range(1)), state.range(2) != 0);
    QImage image(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        ReleaseSeriesScratch();
        kv::ReleaseDrawingStamps();
        state.ResumeTiming();
        Repaint(*page, image, t);
    }
    state.SetItemsProcessed(state.iterations() * kMarkerPoints);
}

// The marker of the series as the program draws it at one place (the middle of
// the window), cut to its drawn pixels, and where that lies from the centre's
// device pixel; with the marker's points on the device (corners, the ellipse's
// box, the crosses' ends) from that centre.
struct MarkerStamp {
    QImage image;
    QPoint offset;
    std::vector<QPoint> points;
};

MarkerStamp MakeStamp(const BoxFrame& set, const TPlot& plot, double t) {
    const TPlotStyle& st = plot.Style;
    QImage canvas(kW, kH, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    const int x = int(kW * t / 2), y = int(kH * t / 2);
    const int size = std::max(1, Scaled(set.Frame.MarkerSizeRate, st.MarkerSize));
    const int s = size, a = 14 * s / 20, b = 17 * s / 20, h = s / 2;
    std::vector<TPoint> points;
    switch (st.MarkerStyle) {
    case MarkerRectangle: points = {{x - a, y - a}, {x + a, y - a}, {x + a, y + a}, {x - a, y + a}}; break;
    case MarkerTriangle: points = {{x, y - s}, {x + b, y + h}, {x - b, y + h}}; break;
    case MarkerRevTriangle: points = {{x, y + s}, {x + b, y - h}, {x - b, y - h}}; break;
    case MarkerDiamond: points = {{x, y - s}, {x + s, y}, {x, y + s}, {x - s, y}}; break;
    case MarkerCircle: points = {{x - s, y - s}, {x + s, y + s}}; break;
    case MarkerCross: points = {{x - s, y}, {x + s, y}, {x, y - s}, {x, y + s}}; break;
    case MarkerDiagCross: points = {{x - a, y - a}, {x + a, y + a}, {x - a, y + a}, {x + a, y - a}}; break;
    default: break;
    }
    points.emplace_back(x, y);  // the centre, last
    {
        TDC dc(&canvas);
        MapWindow(dc, t);
        const int pen = Scaled(set.Frame.MarkerThickRate, st.OutLineWidth);
        dc.SelectObject(TPen(st.MarkerEdgeColor, pen));
        if (st.MarkerInsidePaint == 0)
            dc.SelectObject(TBrush(st.MarkerInsideColor));
        else
            dc.SelectStockObject(NULL_BRUSH);
        BoxFrame::DrawMarker(OUT_DC, dc, x, y, st.MarkerStyle, size, st.MarkerCenterDot, nullptr, nullptr, pen);
        dc.LPtoDP(points.data(), int(points.size()));
    }
    const QPoint centre(points.back().x, points.back().y);
    points.pop_back();
    MarkerStamp stamp;
    for (const TPoint& p : points) stamp.points.push_back(QPoint(p.x, p.y) - centre);
    QRect box;
    for (int py = 0; py < kH; ++py)
        for (int px = 0; px < kW; ++px)
            if (qAlpha(canvas.pixel(px, py)) != 0) box |= QRect(px, py, 1, 1);
    stamp.image = canvas.copy(box);
    // A stamp without transparent pixels is copied, not blended.
    bool opaque = !stamp.image.isNull();
    for (int py = 0; py < stamp.image.height() && opaque; ++py)
        for (int px = 0; px < stamp.image.width() && opaque; ++px) opaque = qAlpha(stamp.image.pixel(px, py)) == 255;
    if (opaque) stamp.image = stamp.image.convertToFormat(QImage::Format_RGB32);
    stamp.offset = box.topLeft() - centre;
    return stamp;
}

// Skips the benchmark with an error unless the markers drawn on image agree
// with DrawGraph's (see the top of the file); true when they do.
bool MarkersAgree(benchmark::State& state, const QImage& image, const TIArrayAsVector<BoxFrame>& page, double t,
                  bool colours) {
    const double unmatched = MarkersUnmatched(image, Drawn(page, t), FrameInside(SetOf(page), t), colours);
    if (unmatched <= 0.005) return true;
    state.SkipWithError(("the markers disagree with DrawGraph's at " + std::to_string(unmatched * 100) +
                         " % of the pixels").c_str());
    return false;
}

// The stamp blitted at every point (see the top of the file).
void BM_Ref_BlittedStamp(benchmark::State& state) {
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, kMarkerPoints, LineStyleNull, int(state.range(1)), state.range(2) != 0);
    const BoxFrame& set = SetOf(*page);
    const TPlot& plot = PlotOf(*page);
    const DeviceMap map(set, t);
    const QRect frame = FrameOnDevice(set, t);
    const MarkerStamp stamp = MakeStamp(set, plot, t);
    QImage image(kW, kH, QImage::Format_RGB32);
    auto draw = [&] {
        QCoreApplication::processEvents();
        image.fill(Qt::white);
        QPainter p(&image);
        const TDataElement* xs = plot.XData.data();
        const TDataElement* ys = plot.YData.data();
        for (int i = 0; i < kMarkerPoints; ++i) {
            if (!IsValidElement(xs[i]) || !IsValidElement(ys[i])) continue;
            QPoint c;
            if (!map.Map(xs[i].Value, ys[i].Value, c) || !frame.contains(c)) continue;
            p.drawImage(c + stamp.offset, stamp.image);
        }
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    };
    draw();
    if (!MarkersAgree(state, image, *page, t, true)) return;
    for (auto _ : state) draw();
    state.SetItemsProcessed(state.iterations() * kMarkerPoints);
}

QColor QColorOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// QPainter's own calls for the marker's points on the device at every point.
void BM_Ref_QPainterMarkers(benchmark::State& state) {
    const double t = TwipsOf(int(state.range(0)));
    const int shape = int(state.range(1));
    auto page = MakePage(t, kMarkerPoints, LineStyleNull, shape, state.range(2) != 0);
    const BoxFrame& set = SetOf(*page);
    const TPlot& plot = PlotOf(*page);
    const TPlotStyle& st = plot.Style;
    const DeviceMap map(set, t);
    const std::vector<QPoint> shapePoints = MakeStamp(set, plot, t).points;
    const int pen = DevicePen(Scaled(set.Frame.MarkerThickRate, st.OutLineWidth), t);
    const QRect box = shape == MarkerCircle ? QRect(shapePoints[0], shapePoints[1] - QPoint(2, 2)) : QRect();
    std::vector<QPoint> centres;
    std::vector<QRect> rects;
    std::vector<QLine> lines;
    QImage image(kW, kH, QImage::Format_RGB32);
    auto draw = [&] {
        QCoreApplication::processEvents();
        centres.clear();
        rects.clear();
        lines.clear();
        for (int i = 0; i < kMarkerPoints; ++i) {
            const QPoint c = map(plot.XData[i].Value, plot.YData[i].Value);
            centres.push_back(c);
            if (shape == MarkerRectangle) rects.emplace_back(QRect(c + shapePoints[0], c + shapePoints[2] - QPoint(1, 1)));
            if (shape == MarkerCross || shape == MarkerDiagCross) {
                lines.emplace_back(c + shapePoints[0], c + shapePoints[1]);
                lines.emplace_back(c + shapePoints[2], c + shapePoints[3]);
            }
        }
        image.fill(Qt::white);
        QPainter p(&image);
        p.setPen(QPen(QColorOf(st.MarkerEdgeColor), pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (st.MarkerInsidePaint == 0)
            p.setBrush(QColorOf(st.MarkerInsideColor));
        else
            p.setBrush(Qt::NoBrush);
        switch (shape) {
        case MarkerRectangle: p.drawRects(rects.data(), int(rects.size())); break;
        case MarkerCross:
        case MarkerDiagCross: p.drawLines(lines.data(), int(lines.size())); break;
        case MarkerCircle:
            for (const QPoint& c : centres) p.drawEllipse(box.translated(c));
            break;
        default:
            for (const QPoint& c : centres) {
                QPoint pts[4];
                const int n = int(shapePoints.size());
                for (int k = 0; k < n; ++k) pts[k] = c + shapePoints[std::size_t(k)];
                p.drawConvexPolygon(pts, n);
            }
        }
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    };
    draw();
    if (!MarkersAgree(state, image, *page, t, false)) return;
    for (auto _ : state) draw();
    state.SetItemsProcessed(state.iterations() * kMarkerPoints);
}

void Scales(benchmark::internal::Benchmark* b) {
    for (int s : {15, 13, 7}) b->Arg(s);
    b->Unit(benchmark::kMillisecond);
}

// Every shape filled and hollow, where the two differ.
void Shapes(benchmark::internal::Benchmark* b) {
    for (int s : {15, 13, 7}) {
        for (int shape : {MarkerRectangle, MarkerTriangle, MarkerRevTriangle, MarkerDiamond, MarkerCircle})
            for (int hollow : {0, 1}) b->Args({s, shape, hollow});
        for (int shape : {MarkerCross, MarkerDiagCross}) b->Args({s, shape, 0});
    }
    b->ArgNames({"scale", "shape", "hollow"});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_DrawGraph_Line)->Apply(Scales);
BENCHMARK(BM_DrawGraph_LineWithoutEscapeCheck)->Apply(Scales);
BENCHMARK(BM_Ref_MapMinMax)->Apply(Scales);
BENCHMARK(BM_Ref_QPainterPolyline)->Apply(Scales);
BENCHMARK(BM_DrawGraph_DashedLine)->Apply(Scales);
BENCHMARK(BM_DrawGraph_LineFirstRepaint)->Apply(Scales);
BENCHMARK(BM_DrawGraph_Markers)->Apply(Shapes);
BENCHMARK(BM_DrawGraph_MarkersFirstRepaint)->Apply(Shapes);
BENCHMARK(BM_Ref_BlittedStamp)->Apply(Shapes);
BENCHMARK(BM_Ref_QPainterMarkers)->Apply(Shapes);

}  // namespace

int main(int argc, char** argv) {
    // Painting on images needs the GUI application's fonts and raster engine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    kv::win::InstallEscapePoll();  // as the program does at start-up
    const int status = kvbench::RunInterleaved(argc, argv);
    kv::win::UninstallEscapePoll();
    return status;
}
