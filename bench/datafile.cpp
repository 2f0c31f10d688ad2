// Reading a large numeric data file into a series, and writing and reading a
// graph file that holds that series.
#include "model/boxframe.h"
#include "model/datafile.h"
#include "model/graphfile.h"
#include "model/plot.h"
#include "platform/messagebox.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

constexpr int kRows = 1000000;

// A temporary folder with a file of 1,000,000 rows of two TAB-separated numbers
// (about 20 MB), made once for all benchmarks and removed at exit.
class Files {
public:
    Files() {
        char pattern[] = "/tmp/kv-bench-datafile-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        dir_ = pattern;
        data_ = dir_ + "/rows.txt";
        graph_ = dir_ + "/series.kv3";
        std::FILE* f = std::fopen(data_.c_str(), "wb");
        if (!f) std::abort();
        std::mt19937_64 rng(11);
        std::uniform_real_distribution<double> y(-100.0, 100.0);
        for (int i = 0; i < kRows; ++i) std::fprintf(f, "%.5f\t%.6f\n", i * 0.001, y(rng));
        std::fclose(f);
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& Data() const { return data_; }
    const std::string& Graph() const { return graph_; }

private:
    std::string dir_, data_, graph_;
};

const Files& TheFiles() {
    static Files files;
    return files;
}

void ReadSeries(TPlot& p) {
    std::snprintf(p.DataFileName, sizeof p.DataFileName, "%s", TheFiles().Data().c_str());
    if (p.ReadData() != 1 || p.XData.GetItemsInContainer() != kRows) std::abort();
}

void BM_ReadDataFile(benchmark::State& state) {
    TheFiles();
    for (auto _ : state) {
        TPlot p;
        ReadSeries(p);
        benchmark::DoNotOptimize(p.YMax);
    }
    state.SetBytesProcessed(state.iterations() *
                            std::int64_t(std::filesystem::file_size(TheFiles().Data())));
}

// Re-reading a series whose columns already have room, as the "read again"
// command does.
void BM_RereadDataFile(benchmark::State& state) {
    TPlot p;
    ReadSeries(p);
    for (auto _ : state) {
        ReadSeries(p);
        benchmark::DoNotOptimize(p.YMax);
    }
}

GraphDocument OneSeriesDocument() {
    GraphDocument doc;
    auto p = std::make_unique<TPlot>();
    ReadSeries(*p);
    doc.AxisSets[1]->PlotList.Add(p);
    return doc;
}

void BM_WriteGraphFile(benchmark::State& state) {
    kv::ScriptedMessageBoxes boxes;
    GraphDocument doc = OneSeriesDocument();
    for (auto _ : state)
        if (WriteGraphFile(doc, TheFiles().Graph(), {}) != 1) std::abort();
}

void BM_ReadGraphFile(benchmark::State& state) {
    kv::ScriptedMessageBoxes boxes;
    {
        GraphDocument doc = OneSeriesDocument();
        if (WriteGraphFile(doc, TheFiles().Graph(), {}) != 1) std::abort();
    }
    for (auto _ : state) {
        GraphDocument doc;
        if (ReadGraphFile(doc, TheFiles().Graph(), {}) != 1) std::abort();
        benchmark::DoNotOptimize(doc.Current);
    }
}

BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RereadDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteGraphFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadGraphFile)->Unit(benchmark::kMillisecond);

}  // namespace
