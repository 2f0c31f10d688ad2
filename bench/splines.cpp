// Series drawn with a spline connection are sampled at every redraw: up to 100
// samples per gap through every point of the series. The cost must grow with
// the number of points, not with its square.
#include "numerics/splines.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

using kv::DoubleArray;

// Page positions of a wavy data line with rising x and uneven spacing.
void MakePoints(int n, DoubleArray* x, DoubleArray* y) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> gap(10.0, 30.0), noise(-50.0, 50.0);
    double px = 0.0;
    for (int i = 0; i < n; ++i) {
        px += gap(rng);
        x->Add(px);
        y->Add(3000.0 * std::sin(i * 0.01) + noise(rng));
    }
}

constexpr int kDivisions = 20;  // the profile default

// With fresh outputs every run, as a redraw makes them, a large curve also pays
// for faulting in its output memory (32 MB at 100,000 points); reused outputs
// show the sampling alone.
template <class Sample>
void Run(benchmark::State& state, Sample sample, bool freshOutput = false) {
    const int n = int(state.range(0));
    DoubleArray x, y;
    MakePoints(n, &x, &y);
    long long samples = 0;
    DoubleArray keptX(0, 0, 1000), keptY(0, 0, 1000);
    for (auto _ : state) {
        DoubleArray freshX(0, 0, 1000), freshY(0, 0, 1000);
        DoubleArray& ox = freshOutput ? freshX : keptX;
        DoubleArray& oy = freshOutput ? freshY : keptY;
        ox.Flush();
        oy.Flush();
        int ok = sample(x, y, ox, oy);
        if (!ok) state.SkipWithError("sampling failed");
        samples = ox.GetItemsInContainer();
        benchmark::DoNotOptimize(ox.data());
    }
    state.SetItemsProcessed(state.iterations() * samples);
    state.SetComplexityN(n);
}

void BM_SplineCurve(benchmark::State& state) {
    Run(state, [](auto& x, auto& y, auto& ox, auto& oy) {
        return kv::SplineCurve(x, y, ox, oy, kDivisions);
    });
}

void BM_SplineCurveFreshOutput(benchmark::State& state) {
    Run(
        state,
        [](auto& x, auto& y, auto& ox, auto& oy) {
            return kv::SplineCurve(x, y, ox, oy, kDivisions);
        },
        true);
}

void BM_ParamSplineOpen(benchmark::State& state) {
    Run(state, [](auto& x, auto& y, auto& ox, auto& oy) {
        return kv::ParamSplineCurve(x, y, ox, oy, kv::kSplineOpen, kDivisions);
    });
}

void BM_ParamSplineClosed(benchmark::State& state) {
    Run(state, [](auto& x, auto& y, auto& ox, auto& oy) {
        return kv::ParamSplineCurve(x, y, ox, oy, kv::kSplineClosed, kDivisions);
    });
}

void BM_BSplineOpen(benchmark::State& state) {
    Run(state, [](auto& x, auto& y, auto& ox, auto& oy) {
        return kv::BSplineCurve(x, y, ox, oy, kv::kSplineOpen, kDivisions);
    });
}

void BM_BSplineClosed(benchmark::State& state) {
    Run(state, [](auto& x, auto& y, auto& ox, auto& oy) {
        return kv::BSplineCurve(x, y, ox, oy, kv::kSplineClosed, kDivisions);
    });
}

#define SPLINE_SIZES RangeMultiplier(10)->Range(1000, 100000)->Complexity()->Unit(benchmark::kMillisecond)

BENCHMARK(BM_SplineCurve)->SPLINE_SIZES;
BENCHMARK(BM_SplineCurveFreshOutput)->SPLINE_SIZES;
BENCHMARK(BM_ParamSplineOpen)->SPLINE_SIZES;
BENCHMARK(BM_ParamSplineClosed)->SPLINE_SIZES;
BENCHMARK(BM_BSplineOpen)->SPLINE_SIZES;
BENCHMARK(BM_BSplineClosed)->SPLINE_SIZES;

}  // namespace
