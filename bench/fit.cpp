// The fits' hot paths: a Marquardt fit of a*exp(-b*x)+c to 10,000 noisy points
// with numeric and with formula derivatives, and a degree-10 polynomial fitted to
// 1,000,000 points.
#include "fitting/linearfit.h"
#include "fitting/marquardt.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "numerics/fitparams.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

std::unique_ptr<TPlot> NoisyDecay(int points) {
    auto p = std::make_unique<TPlot>();
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.05);
    for (int i = 0; i < points; ++i) {
        const double x = 10.0 * i / points;
        p->AddX(TDataElement(x));
        p->AddY(TDataElement(5.0 * std::exp(-1.3 * x) + 2.0 + noise(rng)));
    }
    return p;
}

void Marquardt(benchmark::State& state, bool formulaDerivatives) {
    const int n = 10000;
    auto series = NoisyDecay(n);
    BoxFrame set;
    FitColumnSet cols = MakeFitColumnSet();
    NlsqFunctionText = "a*exp(-b*x)+c";
    for (int k = 1; k <= 9; ++k) {
        NlsqParamEnabled[k] = k <= 3 ? 1 : 0;
        NlsqDerivativeText[k].clear();
    }
    if (formulaDerivatives) {
        NlsqDerivativeText[1] = "exp(-b*x)";
        NlsqDerivativeText[2] = "-a*x*exp(-b*x)";
        NlsqDerivativeText[3] = "1";
    }
    int freeList[10] = {0, 1, 2, 3};
    NlsqTrace trace;
    for (auto _ : state) {
        double p[10] = {0, 1, 0.5, 0};
        trace = NlsqTrace();
        const int ok = NlsqMarquardt(&set, cols, series.get(), n, p, freeList, 3, 1e-5, &trace);
        if (!ok) state.SkipWithError("the fit failed");
        benchmark::DoNotOptimize(p);
    }
    state.counters["iterations"] = trace.Iterations;
    state.counters["points"] = n;
}
BENCHMARK_CAPTURE(Marquardt, numeric_derivatives, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Marquardt, formula_derivatives, true)->Unit(benchmark::kMillisecond);

void PolynomialDegree10(benchmark::State& state) {
    const int n = 1000000;
    FitPointList x = MakeFitPointList(), y = MakeFitPointList();
    x.Reserve(n);
    y.Reserve(n);
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 0.01);
    for (int i = 0; i < n; ++i) {
        const double xi = -1.0 + 2.0 * i / (n - 1);
        double v = 0;
        for (int k = 10; k >= 0; --k) v = v * xi + 1.0 / (k + 1);
        x.Add(xi);
        y.Add(v + noise(rng));
    }
    FitPointList ox = MakeFitPointList(), oy = MakeFitPointList();
    double coeff[LSQ_COEFFICIENTS];
    double corr = 0;
    for (auto _ : state) {
        const bool ok = LinearLeastSquaresFit(&x, &y, &ox, &oy, n, 10, FitModelPolynomial, -1, 1,
                                              1000, coeff, &corr, 0, 0, 0, DivisionLinear, 1, -1);
        if (!ok) state.SkipWithError("the fit failed");
        benchmark::DoNotOptimize(coeff);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(PolynomialDegree10)->Unit(benchmark::kMillisecond);

}  // namespace
