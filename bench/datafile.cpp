// Reading a large numeric data file into a series beside a bare tokenizer of the
// same file.
#include "model/boxframe.h"
#include "model/datafile.h"
#include "model/plot.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

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

// Files of 1e5, 1e6 and 1e7 rows in the same format, made when a benchmark first
// asks for one and removed at exit.
class SizedFiles {
public:
    SizedFiles() {
        char pattern[] = "/tmp/kv-bench-rows-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        dir_ = pattern;
    }
    ~SizedFiles() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& Path(int rows) {
        std::string& path = paths_[rows];
        if (path.empty()) {
            path = dir_ + "/rows-" + std::to_string(rows) + ".txt";
            std::FILE* f = std::fopen(path.c_str(), "wb");
            if (!f) std::abort();
            std::mt19937_64 rng(11);
            std::uniform_real_distribution<double> y(-100.0, 100.0);
            for (int i = 0; i < rows; ++i) std::fprintf(f, "%.5f\t%.6f\n", i * 0.001, y(rng));
            std::fclose(f);
        }
        return path;
    }

private:
    std::string dir_;
    std::map<int, std::string> paths_;
};

SizedFiles& TheSizedFiles() {
    static SizedFiles files;
    return files;
}

// The reference: the whole file read into a buffer and every field converted with
// std::from_chars into two arrays of doubles, all kept from one run to the next.
// It knows the file's shape (two TAB-separated numbers a line) and checks
// nothing else: no reader can do less.
class BareTokenizer {
public:
    void Read(const std::string& path) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) std::abort();
        const std::size_t size = std::filesystem::file_size(path);
        if (buffer_.size() < size) buffer_.resize(size);
        if (std::fread(buffer_.data(), 1, size, f) != size) std::abort();
        std::fclose(f);
        x_.clear();
        y_.clear();
        const char* p = buffer_.data();
        const char* const end = p + size;
        while (p < end) {
            double x = 0, y = 0;
            p = std::from_chars(p, end, x).ptr + 1;
            p = std::from_chars(p, end, y).ptr + 1;
            x_.push_back(x);
            y_.push_back(y);
        }
    }
    std::size_t Rows() const { return x_.size(); }
    double Y(std::size_t i) const { return y_[i]; }

private:
    std::vector<char> buffer_;
    std::vector<double> x_, y_;
};

using Clock = std::chrono::steady_clock;

long PageFaults() {
    rusage use;
    ::getrusage(RUSAGE_SELF, &use);
    return use.ru_minflt + use.ru_majflt;
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Reading a data file into a new series, as opening a file does, beside the bare
// tokenizer over the same file in the same iteration. The reported time is the
// reader's; x_tokenizer is reader / tokenizer.
void BM_ReadDataFile(benchmark::State& state) {
    const int rows = int(state.range(0));
    const std::string& path = TheSizedFiles().Path(rows);
    // The file in the page cache and memory for the arrays at hand, for both:
    // the tokenizer keeps its arrays, the reader finds the columns it freed.
    BareTokenizer tokenizer;
    tokenizer.Read(path);
    {
        TPlot p;
        std::snprintf(p.DataFileName, sizeof p.DataFileName, "%s", path.c_str());
        p.ReadData();
    }
    double reader = 0, reference = 0;
    long faults = 0;
    for (auto _ : state) {
        const long faultsBefore = PageFaults();
        auto t = Clock::now();
        {
            TPlot p;
            std::snprintf(p.DataFileName, sizeof p.DataFileName, "%s", path.c_str());
            if (p.ReadData() != 1 || p.YData.GetItemsInContainer() != rows) std::abort();
            benchmark::DoNotOptimize(p.YMax);
            // The series goes away with its columns, as when a document closes.
        }
        const double readerSeconds = Seconds(t);
        reader += readerSeconds;
        faults += PageFaults() - faultsBefore;

        t = Clock::now();
        tokenizer.Read(path);
        benchmark::DoNotOptimize(tokenizer.Y(tokenizer.Rows() - 1));
        reference += Seconds(t);
        state.SetIterationTime(readerSeconds);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(std::filesystem::file_size(path)));
    state.counters["tokenizer_ms"] = 1e3 * reference / double(state.iterations());
    state.counters["x_tokenizer"] = reader / reference;
    state.counters["faults_per_read"] = double(faults) / double(state.iterations());
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

// Fixed iteration counts: enough to read a median at every size without making
// the largest file's run take minutes.
BENCHMARK(BM_ReadDataFile)->Arg(100000)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDataFile)->Arg(1000000)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDataFile)->Arg(10000000)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RereadDataFile)->Iterations(30)->Unit(benchmark::kMillisecond);

}  // namespace
