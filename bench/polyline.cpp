// A series of a million points drawn as one solid line, the way a page draws its
// data lines: onto a 1000 x 700 image at 15 twips a pixel (the window's view), into
// the extent (fitting the page), and into a kvx file (export). The image must take
// no more than 30 ms; the extent and the file carry every point.
#include "render/output.h"
#include "render/styledline.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kPoints = 1000000;
constexpr int kWidth = 1000, kHeight = 700;

// A noisy signal over the whole image: every pixel column holds a thousand points.
const std::vector<DoublePoint>& Series() {
    static const std::vector<DoublePoint> pts = [] {
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0.0, 900.0);
        std::vector<DoublePoint> v;
        v.reserve(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            const double x = 15000.0 * i / kPoints;
            v.emplace_back(x, 5250.0 + 2500.0 * std::sin(x / 1500.0) + noise(rng));
        }
        return v;
    }();
    return pts;
}

void Draw(int mode, TDC& dc, FILE* file, TRect* extent) {
    const auto& pts = Series();
    OutBeginPath(mode, dc, file);
    DrawStyledPolyline(mode, dc, pts.data(), int(pts.size()) - 1, LineStyleSolid, 0, 0, nullptr,
                       file, extent);
    OutEndPath(mode, dc, file);
    OutStrokePath(mode, dc, file);
}

void ImageRun(benchmark::State& state, bool reduce) {
    Series();
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    const bool old = SetRasterLineReduction(reduce);
    for (auto _ : state) {
        img.fill(Qt::white);
        TDC dc(&img);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(TSize(kWidth * 15, kHeight * 15));
        dc.SetViewportExt(TSize(kWidth, kHeight));
        dc.SelectObject(TPen(0, 0));
        Draw(OUT_DC, dc, nullptr, nullptr);
        dc.Flush();
        benchmark::DoNotOptimize(img.constBits());
    }
    SetRasterLineReduction(old);
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_PolylineImage(benchmark::State& state) { ImageRun(state, true); }
BENCHMARK(BM_PolylineImage)->Unit(benchmark::kMillisecond);

// The same picture with every line reaching the device, for comparison.
void BM_PolylineImageEveryLine(benchmark::State& state) { ImageRun(state, false); }
BENCHMARK(BM_PolylineImageEveryLine)->Unit(benchmark::kMillisecond);

// For scale: QPainter's own polyline through every point, on the same image.
void BM_QPainterPolylineReference(benchmark::State& state) {
    const auto& pts = Series();
    QPolygon poly(int(pts.size()));
    for (int i = 0; i < int(pts.size()); ++i)
        poly.setPoint(i, int(pts[std::size_t(i)].X / 15), int(pts[std::size_t(i)].Y / 15));
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        p.setPen(QPen(Qt::black, 0));
        p.drawPolyline(poly);
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_QPainterPolylineReference)->Unit(benchmark::kMillisecond);

void BM_PolylineExtent(benchmark::State& state) {
    Series();
    TDC dc;
    for (auto _ : state) {
        TRect extent;
        Draw(OUT_EXTENT, dc, nullptr, &extent);
        benchmark::DoNotOptimize(extent);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PolylineExtent)->Unit(benchmark::kMillisecond);

void BM_PolylineKvx(benchmark::State& state) {
    Series();
    TDC dc;
    FILE* f = std::tmpfile();
    if (!f) {
        state.SkipWithError("no temporary file");
        return;
    }
    OutPageInfo(kWidth * 15, kHeight * 15, nullptr);
    for (auto _ : state) {
        std::rewind(f);
        Draw(OUT_VECTOR, dc, f, nullptr);
        std::fflush(f);
    }
    state.counters["bytes"] = double(std::ftell(f));
    std::fclose(f);
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PolylineKvx)->Unit(benchmark::kMillisecond);

}  // namespace
