// Reading numeric data files into a series, each measure beside a reference
// whose values are checked against the reader's:
// - BM_FirstRead: the first read of a file in a fresh process, as when the
//   program opens a big file. The benchmark runs itself again for each read (see
//   main) and reports the read's time, the resident memory it added and its peak,
//   each against the 32 bytes a row that the two columns need. Two layouts: rows
//   of two numbers written with %.9g and separated by a blank, and by a TAB after
//   a header line.
// - BM_ReadDataFile: a read within a process that has read the file before, so
//   that the columns find the blocks the previous series freed (the file in the
//   page cache for both sides).
// - BM_RereadDataFile: reading a series again into its own columns.
// The reads within one process take turns with the reference in each iteration.
#include "model/boxframe.h"
#include "model/datafile.h"
#include "model/plot.h"
#include "platform/largealloc.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

enum Layout { TabRows, BlankRows9g, TabRows9gWithHeader };

// A temporary folder with the files the benchmarks ask for, each made once and
// removed at exit.
class Files {
public:
    Files() {
        char pattern[] = "/tmp/kv-bench-datafile-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        dir_ = pattern;
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // TabRows: "%.5f\t%.6f" of x = row / 1000 and a random y in [-100, 100].
    // BlankRows9g: "%.9g %.9g" of x from 0 to 10 and a smooth y given to three
    // decimals ("0 0.879", "1.0000001e-06 0.951", ..., "10 131.077"): the lines
    // get shorter after the first thousands, as x loses its exponent.
    // TabRows9gWithHeader: the same values separated by a TAB, after the line
    // "# x<TAB>y".
    const std::string& Path(Layout layout, int rows) {
        std::string& path = paths_[{layout, rows}];
        if (path.empty()) {
            path = dir_ + "/rows-" + std::to_string(int(layout)) + "-" + std::to_string(rows) + ".txt";
            std::FILE* f = std::fopen(path.c_str(), "wb");
            if (!f) std::abort();
            std::mt19937_64 rng(11);
            std::uniform_real_distribution<double> random(-100.0, 100.0);
            if (layout == TabRows9gWithHeader) std::fputs("# x\ty\n", f);
            for (int i = 0; i < rows; ++i) {
                if (layout == TabRows) {
                    std::fprintf(f, "%.5f\t%.6f\n", i * 0.001, random(rng));
                    continue;
                }
                const double x = 10.0 * i / (rows - 1);
                const double y = std::round((0.879 + 1.3 * x * x + 0.2 * std::sin(0.37 * i)) * 1000) / 1000;
                std::fprintf(f, layout == BlankRows9g ? "%.9g %.9g\n" : "%.9g\t%.9g\n", x, y);
            }
            std::fclose(f);
        }
        return path;
    }

private:
    std::string dir_;
    std::map<std::pair<Layout, int>, std::string> paths_;
};

Files& TheFiles() {
    static Files files;
    return files;
}

// What a read gave: the two columns and their ranges.
struct Columns {
    std::vector<TDataElement, kv::LargeBlockAllocator<TDataElement>> x, y;
    double xMin = INFINITY, xMax = -INFINITY, yMin = INFINITY, yMax = -INFINITY;
};

// An FNV-1a hash of the elements and the ranges, for comparing two reads made in
// different processes.
std::uint64_t Digest(const TDataElement* x, const TDataElement* y, std::size_t rows, const double (&ranges)[4]) {
    std::uint64_t h = 1469598103934665603ull;
    auto add = [&h](const void* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<const unsigned char*>(p)[i]) * 1099511628211ull;
    };
    for (const TDataElement* col : {x, y})
        for (std::size_t i = 0; i < rows; ++i) {
            add(&col[i].Value, 8);
            add(&col[i].Flag, 1);
        }
    add(ranges, sizeof ranges);
    return h;
}

// The reference: a reader of exactly these files (two numbers a line separated
// by a TAB or by blanks; lines starting with '#' skipped) that converts each
// field with std::from_chars into an element (value, flag 0) of two arrays and
// widens the X and Y ranges. The file is read in blocks of 64 KB. The arrays use
// the columns' allocator and are kept from one read to the next while the
// object lives; a first read makes them once with room for as many rows as the
// file could hold (a row takes at least 4 bytes, "0 0\n"), which costs no
// memory where no row is written, so that no row is moved and the file is not
// read twice.
class Tokenizer {
public:
    explicit Tokenizer(Columns& out) : out_(out) {}

    void Read(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) std::abort();
        out_.x.clear();
        out_.y.clear();
        struct stat st;
        if (::fstat(fd, &st) != 0) std::abort();
        const std::size_t mostRows = std::size_t(st.st_size) / 4 + 1;
        out_.x.reserve(mostRows);
        out_.y.reserve(mostRows);
        double xl = INFINITY, xh = -INFINITY, yl = INFINITY, yh = -INFINITY;
        std::size_t have = 0;  // bytes of a line begun in the previous block
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(fd, block_ + have, sizeof block_ - have, at);
            if (n < 0) std::abort();
            at += n;
            const char* const end = block_ + have + std::size_t(n);
            // The whole lines of the block; at the end of the file, all of it.
            const char* stop = end;
            if (n > 0) {
                stop = static_cast<const char*>(::memrchr(block_, '\n', std::size_t(end - block_)));
                if (!stop) std::abort();  // a line longer than a block
                ++stop;
            }
            for (const char* p = block_; p < stop;) {
                if (*p == '#' || *p == '\n') {
                    const void* nl = std::memchr(p, '\n', std::size_t(stop - p));
                    p = nl ? static_cast<const char*>(nl) + 1 : stop;
                    continue;
                }
                double x = 0, y = 0;
                const char* q = std::from_chars(p, stop, x).ptr;
                while (q < stop && (*q == ' ' || *q == '\t')) ++q;
                q = std::from_chars(q, stop, y).ptr;
                while (q < stop && *q != '\n') ++q;
                p = q + 1;
                out_.x.emplace_back(x, 0);
                out_.y.emplace_back(y, 0);
                xl = std::min(xl, x);
                xh = std::max(xh, x);
                yl = std::min(yl, y);
                yh = std::max(yh, y);
            }
            if (n == 0) break;
            have = std::size_t(end - stop);
            std::memmove(block_, stop, have);
        }
        ::close(fd);
        out_.xMin = xl;
        out_.xMax = xh;
        out_.yMin = yl;
        out_.yMax = yh;
    }

private:
    Columns& out_;
    char block_[1 << 16];
};

std::uint64_t Digest(const Columns& c) {
    const double ranges[4] = {c.xMin, c.xMax, c.yMin, c.yMax};
    return Digest(c.x.data(), c.y.data(), c.x.size(), ranges);
}

std::uint64_t Digest(const TPlot& p) {
    const double ranges[4] = {p.XMin, p.XMax, p.YMin, p.YMax};
    return Digest(p.XData.data(), p.YData.data(), std::size_t(p.XData.GetItemsInContainer()), ranges);
}

// ---------------------------------------------------------------- a first read

std::int64_t StatusBytes(const char* key) {
    std::FILE* f = std::fopen("/proc/self/status", "re");
    if (!f) return -1;
    char line[256];
    std::int64_t kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, std::strlen(key)) == 0) kb = std::atoll(line + std::strlen(key));
    std::fclose(f);
    return kb * 1024;
}

constexpr const char* kFirstReadOption = "--kv-first-read=";

// The child's side: one read of the file by the reader ("reader") or by the
// reference ("reference"), then one line: rows, seconds, the resident memory
// added, the peak's increase over the resident memory before the read, digest.
int FirstReadChild(const std::string& who, const char* path) {
    const bool reader = who == "reader";
    Columns reference;
    Tokenizer tokenizer(reference);
    TPlot plot;
    std::snprintf(plot.DataFileName, sizeof plot.DataFileName, "%s", path);
    const std::int64_t before = StatusBytes("VmRSS:");
    const auto t = Clock::now();
    if (reader) {
        if (plot.ReadData() != 1) return 1;
    } else {
        tokenizer.Read(path);
    }
    const double seconds = Seconds(t);
    const std::int64_t after = StatusBytes("VmRSS:"), peak = StatusBytes("VmHWM:");
    const std::size_t rows = reader ? std::size_t(plot.XData.GetItemsInContainer()) : reference.x.size();
    const std::uint64_t digest = reader ? Digest(plot) : Digest(reference);
    std::printf("%zu %.6f %lld %lld %016llx\n", rows, seconds, (long long)(after - before), (long long)(peak - before),
                (unsigned long long)digest);
    return 0;
}

struct FirstRead {
    std::size_t rows = 0;
    double seconds = 0;
    double added = 0, peak = 0;  // bytes
    std::string digest;
};

// Runs this program again for one first read.
std::optional<FirstRead> RunFirstRead(const char* who, const std::string& path) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string command = "'" + self + "' " + kFirstReadOption + who + " '" + path + "'";
    std::FILE* child = ::popen(command.c_str(), "r");
    if (!child) return std::nullopt;
    char line[256] = {};
    const bool got = std::fgets(line, sizeof line, child) != nullptr;
    if (::pclose(child) != 0 || !got) return std::nullopt;
    FirstRead r;
    long long added = 0, peak = 0;
    char digest[32] = {};
    if (std::sscanf(line, "%zu %lf %lld %lld %31s", &r.rows, &r.seconds, &added, &peak, digest) != 5)
        return std::nullopt;
    r.added = double(added);
    r.peak = double(peak);
    r.digest = digest;
    return r;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The reported time is the reader's (median of the iterations); the counters are
// medians: the reference's time and its ratio, and for each side the resident
// memory added after the read and at its peak over what the columns need.
void BM_FirstRead(benchmark::State& state, Layout layout) {
    const int rows = int(state.range(0));
    const std::string& path = TheFiles().Path(layout, rows);
    const double need = 2.0 * sizeof(TDataElement) * rows;
    std::vector<double> reader, reference, ratio, added, peak, refAdded, refPeak;
    for (auto _ : state) {
        // Taking turns, so that neither always runs on a machine the other warmed.
        const bool readerFirst = reader.size() % 2 == 0;
        std::optional<FirstRead> a = RunFirstRead(readerFirst ? "reader" : "reference", path);
        std::optional<FirstRead> b = RunFirstRead(readerFirst ? "reference" : "reader", path);
        if (!readerFirst) std::swap(a, b);
        if (!a || !b) {
            state.SkipWithError("a first read failed");
            return;
        }
        if (a->rows != std::size_t(rows) || b->rows != a->rows || a->digest != b->digest) {
            state.SkipWithError("the reader and the reference disagree");
            return;
        }
        reader.push_back(a->seconds);
        reference.push_back(b->seconds);
        ratio.push_back(a->seconds / b->seconds);
        added.push_back(a->added / need);
        peak.push_back(a->peak / need);
        refAdded.push_back(b->added / need);
        refPeak.push_back(b->peak / need);
        state.SetIterationTime(a->seconds);
    }
    state.counters["reader_ms"] = 1e3 * Median(reader);
    state.counters["reference_ms"] = 1e3 * Median(reference);
    state.counters["x_reference"] = Median(ratio);
    state.counters["added_x_need"] = Median(added);
    state.counters["peak_x_need"] = Median(peak);
    state.counters["ref_added_x_need"] = Median(refAdded);
    state.counters["ref_peak_x_need"] = Median(refPeak);
    state.counters["need_MB"] = need / 1e6;
}

// ---------------------------------------------------------------- reads in one process

long PageFaults() {
    rusage use;
    ::getrusage(RUSAGE_SELF, &use);
    return use.ru_minflt + use.ru_majflt;
}

bool SameColumns(const TPlot& p, const Columns& c) {
    const std::size_t n = c.x.size();
    if (std::size_t(p.XData.GetItemsInContainer()) != n || std::size_t(p.YData.GetItemsInContainer()) != n)
        return false;
    return std::equal(c.x.begin(), c.x.end(), p.XData.data()) && std::equal(c.y.begin(), c.y.end(), p.YData.data()) &&
           p.XMin == c.xMin && p.XMax == c.xMax && p.YMin == c.yMin && p.YMax == c.yMax;
}

// Reading a data file into a new series, as opening a file does, in a process
// that read it before: the columns find the blocks the previous series freed, and
// the reference keeps its arrays. The reference reads the same file in the same
// iteration. The reported time is the reader's; x_tokenizer is reader / reference.
void BM_ReadDataFile(benchmark::State& state) {
    const int rows = int(state.range(0));
    const std::string& path = TheFiles().Path(TabRows, rows);
    Columns kept;
    Tokenizer tokenizer(kept);
    tokenizer.Read(path);
    {
        TPlot p;
        std::snprintf(p.DataFileName, sizeof p.DataFileName, "%s", path.c_str());
        if (p.ReadData() != 1 || !SameColumns(p, kept)) {
            state.SkipWithError("the reader and the reference disagree");
            return;
        }
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
        benchmark::DoNotOptimize(kept.yMax);
        reference += Seconds(t);
        state.SetIterationTime(readerSeconds);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(std::filesystem::file_size(path)));
    state.counters["tokenizer_ms"] = 1e3 * reference / double(state.iterations());
    state.counters["x_tokenizer"] = reader / reference;
    state.counters["faults_per_read"] = double(faults) / double(state.iterations());
}

// Re-reading a series whose columns already have room, as the "read again"
// command does, beside the reference reading the same file into its kept arrays
// in the same iteration. The reported time is the reader's; x_tokenizer is
// reader / reference.
void BM_RereadDataFile(benchmark::State& state) {
    constexpr int kRows = 1000000;
    const std::string& path = TheFiles().Path(TabRows, kRows);
    Columns kept;
    Tokenizer tokenizer(kept);
    tokenizer.Read(path);
    TPlot p;
    std::snprintf(p.DataFileName, sizeof p.DataFileName, "%s", path.c_str());
    if (p.ReadData() != 1 || !SameColumns(p, kept)) {
        state.SkipWithError("the reader and the reference disagree");
        return;
    }
    double reader = 0, reference = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        if (p.ReadData() != 1 || p.XData.GetItemsInContainer() != kRows) std::abort();
        benchmark::DoNotOptimize(p.YMax);
        const double readerSeconds = Seconds(t);
        reader += readerSeconds;
        t = Clock::now();
        tokenizer.Read(path);
        benchmark::DoNotOptimize(kept.yMax);
        reference += Seconds(t);
        state.SetIterationTime(readerSeconds);
    }
    state.counters["tokenizer_ms"] = 1e3 * reference / double(state.iterations());
    state.counters["x_tokenizer"] = reader / reference;
}

// Fixed iteration counts: enough to read a median at every size without making
// the largest file's run take minutes.
BENCHMARK_CAPTURE(BM_FirstRead, blank_9g, BlankRows9g)->Arg(1000000)->Arg(10000000)->Iterations(5)
    ->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstRead, tab_9g_header, TabRows9gWithHeader)->Arg(1000000)->Arg(10000000)->Iterations(5)
    ->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDataFile)->Arg(100000)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDataFile)->Arg(1000000)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDataFile)->Arg(10000000)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RereadDataFile)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strncmp(argv[1], kFirstReadOption, std::strlen(kFirstReadOption)) == 0)
        return FirstReadChild(argv[1] + std::strlen(kFirstReadOption), argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
