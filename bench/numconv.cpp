// The numeric data reader converts every field of a file with kv::StrToD; a
// large file has a few million of them.
#include "platform/numconv.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

// Rows of three fields, as a text file's contents held in memory.
std::string Fields(const char* format, int count) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 12);
    std::string text;
    char buf[64];
    for (int i = 0; i < count; ++i) {
        double v = mantissa(rng);
        for (int e = exponent(rng); e > 0; --e) v *= 10;
        std::snprintf(buf, sizeof buf, format, v);
        text += buf;
        text += i % 3 == 2 ? '\n' : '\t';
    }
    return text;
}

void Convert(benchmark::State& state, const char* format) {
    const int kFields = 2000000;
    const std::string text = Fields(format, kFields);
    for (auto _ : state) {
        double sum = 0;
        const char* p = text.c_str();
        for (int i = 0; i < kFields; ++i) sum += kv::StrToD(p, &p);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kFields);
}

void BM_StrToD_Short(benchmark::State& state) { Convert(state, " %.6g"); }
void BM_StrToD_Exponent(benchmark::State& state) { Convert(state, "%.6e"); }
void BM_StrToD_Full(benchmark::State& state) { Convert(state, "%.17g"); }

BENCHMARK(BM_StrToD_Short)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrToD_Exponent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrToD_Full)->Unit(benchmark::kMillisecond);

}  // namespace
