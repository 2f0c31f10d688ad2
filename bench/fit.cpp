// The fits' hot paths, each beside a reference measured in the same run (the
// repetitions of all of them take turns, so the machine's load falls on each
// alike):
// - Marquardt, easy: a*exp(-b*x)+c on 10,000 noisy points from a far start, with
//   numeric and with formula derivatives; hard: a sum of three decaying
//   exponentials with close rates (six parameters, a long curved valley) on 50
//   exact points. Beside them, one model pass over the same points on the block
//   path the fits evaluate with: the unit every fit step is made of.
// - Linear fits of 1,000,000 points as the fit run calls them: a polynomial of
//   degree 10 and the power model, each beside plain sums of the same least
//   squares in double.
#include "fitting/linearfit.h"
#include "fitting/marquardt.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "numerics/fitparams.h"

#include "interleaved.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

struct Problem {
    const char* model;
    std::vector<const char*> derivatives;  // empty: numeric
    std::vector<double> start;
    std::unique_ptr<TPlot> series;
    double (*value)(double x, const double* p);  // the model in C++, p[0] = a
};

Problem Easy(bool formulaDerivatives) {
    Problem p{"a*exp(-b*x)+c", {}, {1, 0.5, 0}, std::make_unique<TPlot>(),
              [](double x, const double* q) { return q[0] * std::exp(-q[1] * x) + q[2]; }};
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
    Problem p{"a*exp(-b*x)+c*exp(-d*x)+e*exp(-f*x)", {}, {1, 0.5, 1, 2, 1, 4}, std::make_unique<TPlot>(),
              [](double x, const double* q) {
                  return q[0] * std::exp(-q[1] * x) + q[2] * std::exp(-q[3] * x) + q[4] * std::exp(-q[5] * x);
              }};
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

// One model pass as a fit step makes it: the model compiled, then evaluated at
// the start parameters a block of 256 points at a time through
// BoxFrame::EvaluateRows, stopping at a failing point. The values are checked
// against the model computed in C++.
void ModelPass(benchmark::State& state, Problem (*make)()) {
    Problem p = make();
    const int n = p.series->XData.GetItemsInContainer();
    BoxFrame set;
    for (int k = 0; k < int(p.start.size()); ++k) FitParameters[k + 1] = p.start[std::size_t(k)];
    constexpr int kBlock = 256;
    std::vector<double> values(static_cast<std::size_t>(n));
    std::uint8_t ok[kBlock];
    for (auto _ : state) {
        double v = 0;
        set.Evaluate(p.model, v, BoxFrame::EvalCompile, p.series.get(), 0, -1, BoxFrame::ComponentValue);
        for (int first = 0; first < n; first += kBlock) {
            const int m = std::min(kBlock, n - first);
            set.EvaluateRows(p.series.get(), first, m, values.data() + first, ok, BoxFrame::ComponentValue,
                             nullptr, true);
            if (!ok[m - 1]) state.SkipWithError("a point failed");
        }
        benchmark::DoNotOptimize(values.data());
    }
    for (int r = 0; r < n; ++r) {
        const double want = p.value(p.series->XData[r].Value, p.start.data());
        if (!(std::fabs(values[std::size_t(r)] - want) <= 1e-12 * (1 + std::fabs(want)))) {
            state.SkipWithError("the model pass disagrees with the model");
            break;
        }
    }
    state.counters["points"] = n;
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
const Points& AboutZero() {
    static const Points pts(-1, 0.01);
    return pts;
}
const Points& Positive() {
    static const Points pts(0.01, 0.01);
    return pts;
}

// The fit as the fit run calls it: the whole range, a curve of 1000 divisions.
bool RunFit(const Points& pts, int degree, int model, double* coeff, double* corr) {
    FitPointList ox = MakeFitPointList(), oy = MakeFitPointList();
    return LinearLeastSquaresFit(&pts.x, &pts.y, &ox, &oy, pts.n, degree, model, pts.x[1], pts.x[pts.n], 1000,
                                 coeff, corr, 0, 0, 0, DivisionLinear, 1, -1);
}

void Fit(benchmark::State& state, const Points& pts, int degree, int model) {
    double coeff[LSQ_COEFFICIENTS], corr = 0;
    for (auto _ : state) {
        if (!RunFit(pts, degree, model, coeff, &corr)) state.SkipWithError("the fit failed");
        benchmark::DoNotOptimize(coeff);
    }
    state.SetItemsProcessed(state.iterations() * pts.n);
}

void PolynomialDegree10(benchmark::State& state) { Fit(state, AboutZero(), 10, FitModelPolynomial); }
BENCHMARK(PolynomialDegree10)->Unit(benchmark::kMillisecond);

void PowerModel(benchmark::State& state) { Fit(state, Positive(), 1, FitModelPower); }
BENCHMARK(PowerModel)->Unit(benchmark::kMillisecond);

// Beside the degree-10 fit: the normal equations of the same least squares in
// powers of x from plain sums in double, one pass over the points two at a time
// in vector lanes (per point the powers x^0 .. x^20 and their sums, the moments
// x^j y for j <= 10 and the sum of y^2; a point with a value that is not finite
// drops out), then solved by Cholesky in long double, and the correlation
// coefficient. The coefficients must agree with the fit's to 1e-8 of the
// largest, the correlation to 1e-9. The fit's curve of 1001 points, a few
// microseconds, is left out.
void PowerSumsDegree10(benchmark::State& state) {
    const Points& pts = AboutZero();
    double want[LSQ_COEFFICIENTS], wantCorr = 0;
    if (!RunFit(pts, 10, FitModelPolynomial, want, &wantCorr)) {
        state.SkipWithError("the fit failed");
        return;
    }
    using Lanes = double __attribute__((vector_size(16)));
    long double a[11] = {}, r = 0;
    for (auto _ : state) {
        Lanes ls[21] = {}, lm[11] = {}, lyy = {};
        const double* x = pts.x.data();
        const double* y = pts.y.data();
        for (int i = 0; i + 2 <= pts.n; i += 2) {  // an even count of points
            Lanes xv = {x[i], x[i + 1]}, yv = {y[i], y[i + 1]}, p = {1, 1};
            if (!(std::isfinite(x[i]) && std::isfinite(x[i + 1]) && std::isfinite(y[i]) && std::isfinite(y[i + 1])))
                for (int h = 0; h < 2; ++h)
                    if (!(std::isfinite(xv[h]) && std::isfinite(yv[h]))) xv[h] = yv[h] = p[h] = 0;
            for (int k = 0; k <= 10; ++k, p *= xv) {
                ls[k] += p;
                lm[k] += p * yv;
            }
            for (int k = 11; k <= 20; ++k, p *= xv) ls[k] += p;
            lyy += yv * yv;
        }
        double s[21], mom[11];
        for (int k = 0; k <= 20; ++k) s[k] = ls[k][0] + ls[k][1];
        for (int k = 0; k <= 10; ++k) mom[k] = lm[k][0] + lm[k][1];
        // G = L L' with G(i, j) = s[i + j], then L L' a = mom.
        long double l[11][11] = {};
        for (int i = 0; i <= 10; ++i)
            for (int j = 0; j <= i; ++j) {
                long double v = s[i + j];
                for (int k = 0; k < j; ++k) v -= l[i][k] * l[j][k];
                l[i][j] = i == j ? std::sqrt(v) : v / l[j][j];
            }
        for (int i = 0; i <= 10; ++i) {
            long double v = mom[i];
            for (int k = 0; k < i; ++k) v -= l[i][k] * a[k];
            a[i] = v / l[i][i];
        }
        for (int i = 10; i >= 0; --i) {
            long double v = a[i];
            for (int k = i + 1; k <= 10; ++k) v -= l[k][i] * a[k];
            a[i] = v / l[i][i];
        }
        // At the solution the residual sum of squares is yy - a . mom.
        long double yy = lyy[0] + lyy[1], explained = 0;
        for (int k = 0; k <= 10; ++k) explained += a[k] * mom[k];
        r = std::sqrt(1 - (yy - explained) / (yy - mom[0] * mom[0] / s[0]));
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(r);
    }
    double largest = 0;
    for (int i = 0; i <= 10; ++i) largest = std::max(largest, std::fabs(want[i]));
    bool agree = std::fabs(double(r) - wantCorr) <= 1e-9;
    for (int i = 0; i <= 10; ++i) agree = agree && std::fabs(double(a[i]) - want[i]) <= 1e-8 * largest;
    if (!agree) state.SkipWithError("the power sums disagree with the fit");
    state.SetItemsProcessed(state.iterations() * pts.n);
}
BENCHMARK(PowerSumsDegree10)->Unit(benchmark::kMillisecond);

// Beside the power model: its straight line through (ln x, ln y) from plain
// sums in double, one pass over the points (per point a check that both values
// are finite and positive, two logarithms in double, where the fit takes them in
// long double, and the sums of w, w^2, t, w t and t^2), then the two-by-two
// solution and the correlation coefficient. A, B and the correlation must agree
// with the fit's to 1e-9. The fit's curve of 1001 points, a few microseconds, is
// left out.
void LogSumsPowerModel(benchmark::State& state) {
    const Points& pts = Positive();
    double want[LSQ_COEFFICIENTS], wantCorr = 0;
    if (!RunFit(pts, 1, FitModelPower, want, &wantCorr)) {
        state.SkipWithError("the fit failed");
        return;
    }
    double A = 0, B = 0, r = 0;
    for (auto _ : state) {
        double n = 0, sw = 0, sww = 0, st = 0, swt = 0, stt = 0;
        bool refused = false;
        const double* x = pts.x.data();
        const double* y = pts.y.data();
        for (int i = 0; i < pts.n; ++i) {
            if (!(x[i] > 0 && x[i] <= DBL_MAX && y[i] > 0 && y[i] <= DBL_MAX)) {
                if (!(std::isfinite(x[i]) && std::isfinite(y[i]))) continue;
                refused = true;
            }
            const double w = std::log(x[i]), t = std::log(y[i]);
            n += 1;
            sw += w;
            sww += w * w;
            st += t;
            swt += w * t;
            stt += t * t;
        }
        if (refused) state.SkipWithError("a value is not positive");
        const double cov = n * swt - sw * st, varW = n * sww - sw * sw;
        B = cov / varW;
        A = std::exp((st - B * sw) / n);
        r = std::fabs(cov) / std::sqrt(varW * (n * stt - st * st));
        benchmark::DoNotOptimize(A);
        benchmark::DoNotOptimize(B);
        benchmark::DoNotOptimize(r);
    }
    if (!(std::fabs(A - want[0]) <= 1e-9 * std::fabs(want[0]) && std::fabs(B - want[1]) <= 1e-9 * std::fabs(want[1]) &&
          std::fabs(r - wantCorr) <= 1e-9))
        state.SkipWithError("the sums disagree with the fit");
    state.SetItemsProcessed(state.iterations() * pts.n);
}
BENCHMARK(LogSumsPowerModel)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kvbench::RunInterleaved(argc, argv); }
