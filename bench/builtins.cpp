// The evaluator calls a built-in function through kv::EvalBuiltin once per
// function item per row. A typical fit model such as a*exp(-b*x)+c*sin(d*x+e)
// holds two calls; with the rest of the row's work it has to stay within 50 ns.
#include "numerics/builtins.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<double> Arguments() {
    std::vector<double> v(4096);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = -3.0 + 6.0 * double(i) / double(v.size());
    return v;
}

void Call(benchmark::State& state, int id) {
    const std::vector<double> args = Arguments();
    const kv::SeriesColumns none;
    std::size_t i = 0;
    double sum = 0;
    for (auto _ : state) {
        double r;
        kv::EvalBuiltin(id, args[i], 0.5, 1.0, none, 0, &r);
        sum += r;
        i = (i + 1) & (args.size() - 1);
    }
    benchmark::DoNotOptimize(sum);
}

// Both calls of the model above on one row.
void BM_ExpAndSinPerRow(benchmark::State& state) {
    const std::vector<double> xs = Arguments();
    const kv::SeriesColumns none;
    const double a = 2, b = 0.3, c = 0.7, d = 1.3, e = 0.1;
    std::size_t i = 0;
    double sum = 0;
    for (auto _ : state) {
        double x = xs[i];
        double p, q;
        kv::EvalBuiltin(kv::fnExp, -b * x, 0, 0, none, 0, &p);
        kv::EvalBuiltin(kv::fnSin, d * x + e, 0, 0, none, 0, &q);
        sum += a * p + c * q;
        i = (i + 1) & (xs.size() - 1);
    }
    benchmark::DoNotOptimize(sum);
}

BENCHMARK_CAPTURE(Call, sin, kv::fnSin);
BENCHMARK_CAPTURE(Call, exp, kv::fnExp);
BENCHMARK_CAPTURE(Call, max, kv::fnMax);
BENCHMARK_CAPTURE(Call, round, kv::fnRound);
BENCHMARK_CAPTURE(Call, erf, kv::fnErf);
BENCHMARK(BM_ExpAndSinPerRow);

}  // namespace
