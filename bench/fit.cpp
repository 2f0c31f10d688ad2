// The fits' hot paths, each beside a reference measured in the same run:
// - Marquardt, easy: a*exp(-b*x)+c on 10,000 noisy points from a far start, with
//   numeric and with formula derivatives;
// - Marquardt, hard: a sum of three decaying exponentials with close rates (six
//   parameters, a long curved valley) on 50 exact points;
// - reference: one pass of the model formula over the same points (compile and
//   evaluate), the unit every fit step is made of;
// - linear fits of 1,000,000 points beside the plain normal equations of degree 10
//   in double over the same number of points (the arithmetic floor of any fit):
//   a degree-10 polynomial on x about 0 (normal equations in doubles), one on x
//   from 0 (an ill-conditioned basis: long double sums), and the power model
//   (logarithms of x and y).
#include "fitting/linearfit.h"
#include "fitting/marquardt.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "numerics/fitparams.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

struct Problem {
    const char* model;
    std::vector<const char*> derivatives;  // empty: numeric
    std::vector<double> start;
    std::unique_ptr<TPlot> series;
};

Problem Easy(bool formulaDerivatives) {
    Problem p{"a*exp(-b*x)+c", {}, {1, 0.5, 0}, std::make_unique<TPlot>()};
    if (formulaDerivatives) p.derivatives = {"exp(-b*x)", "-a*x*exp(-b*x)", "1"};
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.05);
    const int n = 10000;
    for (int i = 0; i < n; ++i) {
        const double x = 10.0 * i / n;
        p.series->AddX(TDataElement(x));
        p.series->AddY(TDataElement(5.0 * std::exp(-1.3 * x) + 2.0 + noise(rng)));
    }
    return p;
}

Problem Hard() {
    Problem p{"a*exp(-b*x)+c*exp(-d*x)+e*exp(-f*x)", {}, {1, 0.5, 1, 2, 1, 4}, std::make_unique<TPlot>()};
    for (int i = 0; i < 50; ++i) {
        const double x = 0.04 * i;
        p.series->AddX(TDataElement(x));
        p.series->AddY(TDataElement(0.7 * std::exp(-0.8 * x) + 1.2 * std::exp(-2.1 * x) + 0.9 * std::exp(-3.9 * x)));
    }
    return p;
}

void Load(const Problem& p, int freeList[]) {
    NlsqFunctionText = p.model;
    for (int k = 1; k <= 9; ++k) {
        NlsqParamEnabled[k] = k <= int(p.start.size()) ? 1 : 0;
        NlsqDerivativeText[k] = std::size_t(k) <= p.derivatives.size() ? p.derivatives[std::size_t(k - 1)] : "";
        freeList[k] = k;
    }
}

void Marquardt(benchmark::State& state, Problem (*make)(), double tolerance) {
    Problem p = make();
    const int n = p.series->XData.GetItemsInContainer();
    BoxFrame set;
    FitColumnSet cols = MakeFitColumnSet();
    int freeList[10] = {};
    Load(p, freeList);
    const int m = int(p.start.size());
    NlsqTrace trace;
    for (auto _ : state) {
        double params[10] = {};
        for (int k = 0; k < m; ++k) params[k + 1] = p.start[std::size_t(k)];
        trace = NlsqTrace();
        const int ok = NlsqMarquardt(&set, cols, p.series.get(), n, params, freeList, m, tolerance, &trace);
        if (!ok) state.SkipWithError("the fit failed");
        benchmark::DoNotOptimize(params);
    }
    state.counters["iterations"] = trace.Iterations;
    state.counters["points"] = n;
}
Problem EasyNumeric() { return Easy(false); }
Problem EasyFormula() { return Easy(true); }
BENCHMARK_CAPTURE(Marquardt, easy_numeric_derivatives, EasyNumeric, 1e-5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Marquardt, easy_formula_derivatives, EasyFormula, 1e-5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Marquardt, hard_numeric_derivatives, Hard, 1e-8)->Unit(benchmark::kMillisecond);

// The reference: compile the model and evaluate it at every point, as each
// fit step does once per model pass.
void ModelPass(benchmark::State& state, Problem (*make)()) {
    Problem p = make();
    const int n = p.series->XData.GetItemsInContainer();
    BoxFrame set;
    for (int k = 0; k < int(p.start.size()); ++k) FitParameters[k + 1] = p.start[std::size_t(k)];
    for (auto _ : state) {
        double v = 0;
        set.Evaluate(p.model, v, BoxFrame::EvalCompile, p.series.get(), 0, -1, BoxFrame::ComponentValue);
        for (int r = 0; r < n; ++r)
            set.Evaluate("", v, BoxFrame::EvalRow, p.series.get(), r, -1, BoxFrame::ComponentValue);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK_CAPTURE(ModelPass, easy, EasyNumeric)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ModelPass, hard, Hard)->Unit(benchmark::kMicrosecond);

// 1,000,000 points of the degree-10 polynomial sum x^k / (k + 1) on x from
// `from` to from + 2, with noise of the given size.
struct Points {
    FitPointList x = MakeFitPointList();
    FitPointList y = MakeFitPointList();
    int n = 1000000;
    Points(double from, double noiseSize) {
        x.Reserve(std::size_t(n));
        y.Reserve(std::size_t(n));
        std::mt19937 rng(3);
        std::normal_distribution<double> noise(0.0, noiseSize);
        for (int i = 0; i < n; ++i) {
            const double xi = from + 2.0 * i / (n - 1);
            double v = 0;
            for (int k = 10; k >= 0; --k) v = v * xi + 1.0 / (k + 1);
            x.Add(xi);
            y.Add(v + noise(rng));
        }
    }
};

void Fit(benchmark::State& state, const Points& pts, int degree, int model) {
    FitPointList ox = MakeFitPointList(), oy = MakeFitPointList();
    double coeff[LSQ_COEFFICIENTS];
    double corr = 0;
    for (auto _ : state) {
        const bool ok = LinearLeastSquaresFit(&pts.x, &pts.y, &ox, &oy, pts.n, degree, model, pts.x[1],
                                              pts.x[pts.n], 1000, coeff, &corr, 0, 0, 0, DivisionLinear, 1, -1);
        if (!ok) state.SkipWithError("the fit failed");
        benchmark::DoNotOptimize(coeff);
    }
    state.SetItemsProcessed(state.iterations() * pts.n);
}

void PolynomialDegree10(benchmark::State& state) {
    static const Points pts(-1, 0.01);
    Fit(state, pts, 10, FitModelPolynomial);
}
BENCHMARK(PolynomialDegree10)->Unit(benchmark::kMillisecond);

// Exact values: with noise the data would not determine the coefficients of
// this basis to 7 digits, and the fit would rightly fail.
void PolynomialDegree10FromZero(benchmark::State& state) {
    static const Points pts(0, 0);
    Fit(state, pts, 10, FitModelPolynomial);
}
BENCHMARK(PolynomialDegree10FromZero)->Unit(benchmark::kMillisecond);

void PowerModel(benchmark::State& state) {
    static const Points pts(0.01, 0.01);
    Fit(state, pts, 1, FitModelPower);
}
BENCHMARK(PowerModel)->Unit(benchmark::kMillisecond);

// The reference: the normal equations of the same fit in double, accumulated
// point by point (no solve, no curve).
void NormalEquationsDegree10(benchmark::State& state) {
    static const Points pts(-1, 0.01);
    for (auto _ : state) {
        double m[11][12] = {};
        for (int i = 1; i <= pts.n; ++i) {
            double c[11];
            c[0] = 1;
            for (int j = 1; j <= 10; ++j) c[j] = c[j - 1] * pts.x[i];
            for (int a = 0; a <= 10; ++a) {
                for (int b = a; b <= 10; ++b) m[a][b] += c[a] * c[b];
                m[a][11] += c[a] * pts.y[i];
            }
        }
        benchmark::DoNotOptimize(m);
    }
    state.SetItemsProcessed(state.iterations() * pts.n);
}
BENCHMARK(NormalEquationsDegree10)->Unit(benchmark::kMillisecond);

}  // namespace
