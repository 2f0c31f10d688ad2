// Reading a large numeric data file into a series.
#include "model/boxframe.h"
#include "model/datafile.h"
#include "model/plot.h"

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

private:
    std::string dir_, data_;
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

BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RereadDataFile)->Unit(benchmark::kMillisecond);

}  // namespace
