// The page view's drawing at the zooms and screens users have: DrawGraph on a
// window-sized RGB32 image at 15 twips a pixel (100 % on a 96-dpi screen), 13.3
// (113 %, or a 120-dpi screen) and 7.5 (200 %, or a 2x screen), with the Escape
// check installed as in the program and the event loop run before each repaint.
// The frame fills the window at every scale, so the series' default pen of 20
// twips is one, two and three pixels wide.
//
// Each drawing stands beside its references in the same run:
// - Ref_MapMinMax: the plain map of the same columns to device columns with a
//   minimum and maximum per column, drawn as one vertical line per column: the
//   least any reduction can do. It leaves out what the drawing does besides:
//   the rows' flags and values that are not finite, the clip rectangle, the
//   Escape poll, snapping to twips before the device mapping, the lines from
//   one column to the next, the pen's width (one pixel here, two and three at
//   13.3 and 7.5 twips a pixel for the drawing) and the line's length for its
//   dash pattern;
// - Ref_QPainterPolyline: QPainter's drawPolyline of the same mapped points with
//   the same pen;
// - Ref_QPainterMarkers: QPainter's own calls for the same marker shapes
//   (drawRects for squares, drawLines for crosses, its polygon and ellipse calls
//   for the rest).
// BM_DrawGraph_LineFirstRepaint is the first repaint after loading (the drawing's
// kept memory given back before each), beside BM_DrawGraph_Line at the same scale;
// BM_DrawGraph_LineWithoutEscapeCheck the same repaint with no check installed.
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
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int kLinePoints = 1000000;
constexpr int kMarkerPoints = 100000;
constexpr int kW = 1200, kH = 800;

// The benchmark argument 15, 13 or 7 as twips a pixel.
double TwipsOf(int arg) { return arg == 15 ? 15.0 : arg == 13 ? 40.0 / 3.0 : 7.5; }

// One axis set whose frame fills 90 % of the window at t twips a pixel, with one
// series of n points: a noisy wave across the frame, every pixel column holding
// many points.
std::unique_ptr<TIArrayAsVector<BoxFrame>> MakePage(double t, int n, int lineStyle, int markerStyle) {
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
    set->PlotList.Add(plot.release());
    sets->Add(set.release());
    return sets;
}

void MapWindow(TDC& dc, double t) {
    dc.SetMapMode(MM_ANISOTROPIC);
    // Extents as the page view sets them: a tenth of the window in pixels.
    dc.SetWindowExt(TSize(int(std::lround(kW * t * 0.1)), int(std::lround(kH * t * 0.1))));
    dc.SetViewportExt(TSize(kW / 10, kH / 10));
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

void Drawing(benchmark::State& state, int lineStyle, int markerStyle, int n) {
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, n, lineStyle, markerStyle);
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

// The series' values mapped to device columns as DrawGraph maps them, each
// column's lowest and highest row kept and drawn as one vertical line.
void BM_Ref_MapMinMax(benchmark::State& state) {
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, kLinePoints, LineStyleSolid, MarkerNone);
    const BoxFrame& set = *(*page)[1];
    const TPlot& plot = *set.PlotList[1];
    const double x0 = set.Frame.OriginX, lx = set.Frame.FrameLengthX;
    const double y0 = set.Frame.OriginY, ly = set.Frame.FrameLengthY;
    QImage image(kW, kH, QImage::Format_RGB32);
    std::vector<int> lo(kW), hi(kW);
    for (auto _ : state) {
        QCoreApplication::processEvents();
        image.fill(Qt::white);
        std::fill(lo.begin(), lo.end(), kH);
        std::fill(hi.begin(), hi.end(), -1);
        const TDataElement* xs = plot.XData.data();
        const TDataElement* ys = plot.YData.data();
        for (int i = 0; i < kLinePoints; ++i) {
            const double px = x0 + lx * ((xs[i].Value - 0.0) / 10.0);
            const double py = y0 + ly - ly * ((ys[i].Value - 0.0) / 10.0);
            const int cx = int(px / t), cy = int(py / t);
            if (cx < 0 || cx >= kW || cy < 0 || cy >= kH) continue;
            lo[std::size_t(cx)] = std::min(lo[std::size_t(cx)], cy);
            hi[std::size_t(cx)] = std::max(hi[std::size_t(cx)], cy);
        }
        uchar* bits = image.bits();
        const qsizetype stride = image.bytesPerLine();
        for (int x = 0; x < kW; ++x)
            for (int y = lo[std::size_t(x)]; y <= hi[std::size_t(x)]; ++y)
                reinterpret_cast<std::uint32_t*>(bits + y * stride)[x] = 0xFF000000u;
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kLinePoints);
}

// The same points mapped to device pixels, drawn by QPainter with the series' pen.
void BM_Ref_QPainterPolyline(benchmark::State& state) {
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, kLinePoints, LineStyleSolid, MarkerNone);
    const BoxFrame& set = *(*page)[1];
    const TPlot& plot = *set.PlotList[1];
    QPolygon poly(kLinePoints);
    for (int i = 0; i < kLinePoints; ++i) {
        const double px = set.ValueToPage(plot.XData[i].Value, BottomAxisNo);
        const double py = set.ValueToPage(plot.YData[i].Value, LeftAxisNo);
        poly.setPoint(i, int(std::lround(px / t)), int(std::lround(py / t)));
    }
    const int width = int(std::lround(20 / t));
    QImage image(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter p(&image);
        p.setPen(QPen(Qt::black, width <= 1 ? 0 : width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(poly);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kLinePoints);
}

// Markers of one shape (range 1) at every point of a 100,000-point series, at
// each scale (range 0): a pen of one, two and three pixels.
void BM_DrawGraph_Markers(benchmark::State& state) {
    const int shape = int(state.range(1));
    const double t = TwipsOf(int(state.range(0)));
    auto page = MakePage(t, kMarkerPoints, LineStyleNull, shape);
    QImage image(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) Repaint(*page, image, t);
    state.SetItemsProcessed(state.iterations() * kMarkerPoints);
}

void BM_Ref_QPainterMarkers(benchmark::State& state) {
    const double t = TwipsOf(int(state.range(0)));
    const int shape = int(state.range(1));
    auto page = MakePage(t, kMarkerPoints, LineStyleNull, shape);
    const BoxFrame& set = *(*page)[1];
    const TPlot& plot = *set.PlotList[1];
    std::vector<QPoint> centres;
    for (int i = 0; i < kMarkerPoints; ++i)
        centres.emplace_back(int(std::lround(set.ValueToPage(plot.XData[i].Value, BottomAxisNo) / t)),
                             int(std::lround(set.ValueToPage(plot.YData[i].Value, LeftAxisNo) / t)));
    const int s = std::max(1, int(std::lround(50 / t))), a = 14 * s / 20, b = 17 * s / 20, h = s / 2;
    const int pen = int(std::lround(20 / t));
    std::vector<QRect> rects;
    std::vector<QLine> lines;
    for (const QPoint& c : centres) {
        rects.emplace_back(c.x() - a, c.y() - a, 2 * a, 2 * a);
        const int r = shape == MarkerCross ? s : a;
        if (shape == MarkerCross) {
            lines.emplace_back(c.x() - r, c.y(), c.x() + r, c.y());
            lines.emplace_back(c.x(), c.y() - r, c.x(), c.y() + r);
        } else {
            lines.emplace_back(c.x() - r, c.y() - r, c.x() + r, c.y() + r);
            lines.emplace_back(c.x() - r, c.y() + r, c.x() + r, c.y() - r);
        }
    }
    QImage image(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter p(&image);
        p.setPen(QPen(Qt::black, pen <= 1 ? 0 : pen));
        p.setBrush(Qt::white);
        switch (shape) {
        case MarkerRectangle: p.drawRects(rects.data(), int(rects.size())); break;
        case MarkerCross:
        case MarkerDiagCross: p.drawLines(lines.data(), int(lines.size())); break;
        case MarkerCircle:
            for (const QPoint& c : centres) p.drawEllipse(c, s, s);
            break;
        default:
            for (const QPoint& c : centres) {
                QPoint pts[4];
                int n = 4;
                if (shape == MarkerTriangle) {
                    pts[0] = c + QPoint(0, -s), pts[1] = c + QPoint(b, h), pts[2] = c + QPoint(-b, h), n = 3;
                } else if (shape == MarkerRevTriangle) {
                    pts[0] = c + QPoint(0, s), pts[1] = c + QPoint(b, -h), pts[2] = c + QPoint(-b, -h), n = 3;
                } else {
                    pts[0] = c + QPoint(0, -s), pts[1] = c + QPoint(s, 0), pts[2] = c + QPoint(0, s),
                    pts[3] = c + QPoint(-s, 0);
                }
                p.drawConvexPolygon(pts, n);
            }
        }
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kMarkerPoints);
}

void Scales(benchmark::internal::Benchmark* b) {
    for (int s : {15, 13, 7}) b->Arg(s);
    b->Unit(benchmark::kMillisecond);
}

void Shapes(benchmark::internal::Benchmark* b) {
    for (int s : {15, 13, 7})
        for (int shape : {MarkerRectangle, MarkerTriangle, MarkerRevTriangle, MarkerDiamond, MarkerCircle,
                          MarkerCross, MarkerDiagCross})
            b->Args({s, shape});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_DrawGraph_Line)->Apply(Scales);
BENCHMARK(BM_DrawGraph_LineWithoutEscapeCheck)->Apply(Scales);
BENCHMARK(BM_Ref_MapMinMax)->Apply(Scales);
BENCHMARK(BM_Ref_QPainterPolyline)->Apply(Scales);
BENCHMARK(BM_DrawGraph_DashedLine)->Apply(Scales);
BENCHMARK(BM_DrawGraph_LineFirstRepaint)->Apply(Scales);
BENCHMARK(BM_DrawGraph_Markers)->Apply(Shapes);
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
