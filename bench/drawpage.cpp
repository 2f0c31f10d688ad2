// Drawing a whole page whose one series holds 1,000,000 points: onto a
// window-sized image (the page view), into the extent (exports measure first) and
// into a kvx file. The image must stay interactive; the extent and the file carry
// every point.
#include "model/boxframe.h"
#include "render/graphdraw.h"
#include "render/kvx.h"
#include "render/markers.h"
#include "render/output.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int kPoints = 1000000;
constexpr int kPageWidth = 11338;
constexpr int kPageHeight = 16270;

// One axis set with a noisy wave of kPoints points across its frame.
std::unique_ptr<TIArrayAsVector<BoxFrame>> MakePage(int markerStyle) {
    auto sets = std::make_unique<TIArrayAsVector<BoxFrame>>(1, 10);
    auto set = std::make_unique<BoxFrame>();
    set->Frame.OriginX = 1440;
    set->Frame.OriginY = 1440;
    set->Frame.FrameLengthX = 8000;
    set->Frame.FrameLengthY = 6000;
    for (AxisUnit* a : {&set->BottomAxis, &set->LeftAxis, &set->TopAxis, &set->RightAxis}) {
        a->RangeStart = 0;
        a->RangeEnd = 10;
        a->RangeInc = 2;
    }
    auto plot = std::make_unique<TPlot>();
    plot->XData.Reserve(kPoints);
    plot->YData.Reserve(kPoints);
    unsigned seed = 12345;
    for (int i = 0; i < kPoints; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double x = 10.0 * i / kPoints;
        const double noise = ((seed >> 8) & 0xFFFF) / 65535.0 - 0.5;
        plot->AddX(TDataElement(x));
        plot->AddY(TDataElement(5.0 + 3.0 * std::sin(3.0 * x) + noise));
    }
    plot->Style.MarkerStyle = markerStyle;
    set->PlotList.Add(plot.release());
    sets->Add(set.release());
    return sets;
}

// The printable page fitted to the image's height, as the page view shows it.
void MapPage(TDC& dc, const QImage& image) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowOrg(TPoint(0, 0));
    dc.SetWindowExt(TSize(kPageHeight, kPageHeight));
    dc.SetViewportOrg(TPoint(0, 0));
    dc.SetViewportExt(TSize(image.height(), image.height()));
}

void DrawOnImage(benchmark::State& state, int markerStyle) {
    auto page = MakePage(markerStyle);
    QImage image(1000, 700, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        TDC dc(&image);
        MapPage(dc, image);
        DrawGraph(*page, OUT_DC, dc, nullptr, nullptr);
        dc.Flush();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_DrawPage_LineOnImage(benchmark::State& state) { DrawOnImage(state, MarkerNone); }
void BM_DrawPage_LineAndMarkersOnImage(benchmark::State& state) {
    DrawOnImage(state, MarkerRectangle);
}

void BM_DrawPage_LineExtent(benchmark::State& state) {
    auto page = MakePage(MarkerNone);
    TDC none;
    for (auto _ : state) {
        TRect extent;
        DrawGraph(*page, OUT_EXTENT, none, nullptr, &extent);
        benchmark::DoNotOptimize(extent);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_DrawPage_LineToKvx(benchmark::State& state) {
    auto page = MakePage(MarkerNone);
    TDC none;
    for (auto _ : state) {
        FILE* f = std::tmpfile();
        if (!f) {
            state.SkipWithError("no temporary file");
            return;
        }
        OutFileHeader(1340, f);
        OutPageInfo(kPageWidth, kPageHeight, f);
        DrawGraph(*page, OUT_VECTOR, none, f, nullptr);
        OutFileFooter(f);
        state.counters["bytes"] = double(std::ftell(f));
        std::fclose(f);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

BENCHMARK(BM_DrawPage_LineOnImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawPage_LineAndMarkersOnImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawPage_LineExtent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawPage_LineToKvx)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Painting on images needs the GUI application's fonts and raster engine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
