// Writing and reading the graph file of a series of 1,000,000 points, beside a
// plain read of the file that decodes the (value, flag) pairs its columns are
// stored as; and
// opening and drawing a small file whose spline figure stores 25,000,000
// divisions per segment, beside the same file with the usual 100.
#include "model/boxframe.h"
#include "model/graphfile.h"
#include "model/plot.h"
#include "model/zukei.h"
#include "platform/escape.h"
#include "platform/largealloc.h"
#include "platform/messagebox.h"
#include "render/graphdraw.h"
#include "render/output.h"

#include "interleaved.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 1000000;

// A temporary folder for the files, removed at exit.
class Folder {
public:
    Folder() {
        char pattern[] = "/tmp/kv-bench-graphfile-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        dir_ = pattern;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Path(const char* name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

const Folder& TheFolder() {
    static Folder folder;
    return folder;
}

GraphDocument OneSeriesDocument() {
    GraphDocument doc;
    auto p = std::make_unique<TPlot>();
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> y(-100.0, 100.0);
    p->XData.Reserve(kRows);
    p->YData.Reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        p->AddX(TDataElement(i * 0.001));
        p->AddY(TDataElement(y(rng)));
    }
    doc.AxisSets[1]->PlotList.Add(p);
    return doc;
}

// The series' file, written once.
const std::string& SeriesFile() {
    static const std::string path = [] {
        kv::ScriptedMessageBoxes boxes;
        GraphDocument doc = OneSeriesDocument();
        const std::string p = TheFolder().Path("series.kv3");
        if (WriteGraphFile(doc, p, {}) != 1) std::abort();
        return p;
    }();
    return path;
}

void BM_WriteGraphFile(benchmark::State& state) {
    kv::ScriptedMessageBoxes boxes;
    GraphDocument doc = OneSeriesDocument();
    const std::string path = TheFolder().Path("written.kv3");
    for (auto _ : state)
        if (WriteGraphFile(doc, path, {}) != 1) std::abort();
    state.SetBytesProcessed(state.iterations() * std::int64_t(std::filesystem::file_size(path)));
}

// Opening the file as the program does: the document replaced by its content.
void BM_ReadGraphFile(benchmark::State& state) {
    kv::ScriptedMessageBoxes boxes;
    const std::string& path = SeriesFile();
    for (auto _ : state) {
        GraphDocument doc;
        if (ReadGraphFile(doc, path, {}) != 1) std::abort();
        benchmark::DoNotOptimize(doc.AxisSets[1]->PlotList[1]->YData.data());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(std::filesystem::file_size(path)));
}

// The reference: the same file read in order with fread (the bytes before the
// columns, the columns' 9-byte (value, flag) pairs in blocks of 32,768 rows, and
// the bytes after them), each block of pairs decoded into two arrays of
// elements that are kept from one round to the next, as the reader's columns
// find the blocks the previous document freed. It knows where the columns lie
// (found once before the rounds) and makes no record. Checked against the
// columns the reader gives.
void BM_ReadValueFlagPairs(benchmark::State& state) {
    const std::string& path = SeriesFile();
    const std::size_t fileBytes = std::filesystem::file_size(path);
    std::size_t at = 0;
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) std::abort();
        std::string whole(fileBytes, '\0');
        if (std::fread(whole.data(), 1, whole.size(), f) != whole.size()) std::abort();
        std::fclose(f);
        // The columns follow the stored last row index; the first x is 0 with flag 0.
        const std::uint32_t last = kRows - 1;
        const std::string head = std::string(reinterpret_cast<const char*>(&last), 4) + std::string(9, '\0');
        at = whole.find(head);
        if (at == std::string::npos) std::abort();
        at += 4;
    }
    constexpr std::size_t kBlockRows = 32768;
    const std::size_t columnBytes = std::size_t(2) * kRows * 9;
    std::vector<char> block(std::max(at, kBlockRows * 9));
    std::vector<TDataElement, kv::LargeBlockAllocator<TDataElement>> x(kRows), y(kRows);
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f || std::fread(block.data(), 1, at, f) != at) std::abort();
        for (std::vector<TDataElement, kv::LargeBlockAllocator<TDataElement>>* col : {&x, &y}) {
            TDataElement* out = col->data();
            for (std::size_t row = 0; row < kRows; row += kBlockRows) {
                const std::size_t n = std::min(kBlockRows, kRows - row);
                if (std::fread(block.data(), 1, n * 9, f) != n * 9) std::abort();
                const char* p = block.data();
                for (std::size_t k = 0; k < n; ++k, p += 9) {
                    std::memcpy(&out[row + k].Value, p, 8);
                    out[row + k].Flag = std::uint8_t(p[8]);
                }
            }
        }
        while (std::fread(block.data(), 1, block.size(), f) > 0) {
        }
        std::fclose(f);
        benchmark::DoNotOptimize(x.data());
        benchmark::DoNotOptimize(y.data());
    }
    {
        kv::ScriptedMessageBoxes boxes;
        GraphDocument doc;
        if (ReadGraphFile(doc, path, {}) != 1) std::abort();
        const TPlot& p = *doc.AxisSets[1]->PlotList[1];
        if (p.XData.GetItemsInContainer() != kRows || p.YData.GetItemsInContainer() != kRows ||
            !std::equal(x.begin(), x.end(), p.XData.data()) || !std::equal(y.begin(), y.end(), p.YData.data()))
            state.SkipWithError("the reader and the reference disagree");
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(columnBytes));
    state.counters["file_bytes"] = double(fileBytes);
}

// A page of one axis set with a closed spline figure through four nodes.
std::string SplineFile(int divisions) {
    kv::ScriptedMessageBoxes boxes;
    GraphDocument doc;
    auto z = std::make_unique<TZukei>();
    z->Kind = ZukeiPolyline;
    z->IsSpline = 1;
    z->IsClosed = 1;
    z->InterPointNo = divisions;
    for (DoublePoint p : {DoublePoint(0, 0), DoublePoint(3000, 500), DoublePoint(2500, 3000),
                          DoublePoint(200, 2000)})
        z->Nodes.Add(p);
    doc.AxisSets[1]->ZukeiList.Add(z.release());
    const std::string path = TheFolder().Path(divisions == 100 ? "spline100.kv3" : "splinehuge.kv3");
    if (WriteGraphFile(doc, path, {}) != 1) std::abort();
    return path;
}

// Open, then paint the page view twice, as the window does after an open.
void OpenAndDraw(benchmark::State& state, int divisions) {
    const std::string path = SplineFile(divisions);
    kv::ScriptedMessageBoxes boxes;
    QImage image(1000, 700, QImage::Format_RGB32);
    for (auto _ : state) {
        GraphDocument doc;
        if (ReadGraphFile(doc, path, {}) != 1) std::abort();
        for (int paint = 0; paint < 2; ++paint) {
            image.fill(Qt::white);
            TDC dc(&image);
            dc.SetMapMode(MM_ANISOTROPIC);
            dc.SetWindowExt(TSize(16270, 16270));
            dc.SetViewportExt(TSize(700, 700));
            AbortRequested = 0;
            DrawGraphView(doc.AxisSets, dc, GraphViewSettings());
            dc.Flush();
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["file_bytes"] = double(std::filesystem::file_size(path));
}

void BM_OpenAndDrawSplineFigure_Divisions100(benchmark::State& state) { OpenAndDraw(state, 100); }
void BM_OpenAndDrawSplineFigure_Divisions25M(benchmark::State& state) { OpenAndDraw(state, 25000000); }

// Medians of repeated runs: the machine is shared and noisy.
BENCHMARK(BM_ReadValueFlagPairs)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadGraphFile)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_WriteGraphFile)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenAndDrawSplineFigure_Divisions100)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenAndDrawSplineFigure_Divisions25M)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    // Painting on images needs the GUI application's fonts and raster engine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return kvbench::RunInterleaved(argc, argv);
}
