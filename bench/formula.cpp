// Every redraw, autoscale and fit evaluates each series' formulas once per row,
// so the per-row cost of a compiled formula bounds how large a series stays
// interactive.
//
// Each benchmark times, in the same iteration and on the same million rows:
//   - the evaluator as its callers run it (a block of rows between two polls of
//     the Escape check): the reported time and ns_per_row;
//   - the row path, one Evaluate call per row (row_path_ns_per_row);
//   - the dedicated expression parser muParser, one Eval per row, the way it is
//     used (muparser_ns_per_row, and the ratio x_muparser = ours / muParser);
//   - the formula written in C++ (native_ns_per_row, x_native).
// The machine is shared, so only figures of one run are compared.
#include "model/boxframe.h"
#include "numerics/fitparams.h"
#include "platform/escape.h"

#include <benchmark/benchmark.h>

#ifdef KORVIDA_BENCH_MUPARSER
#include <muParser.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 1000000;
// The callers poll the Escape check every 100 rows and evaluate the rows between.
constexpr int kPollRows = 100;

// The fit parameters a to e the formulas read.
constexpr double kA = 1.5, kB = 0.01, kC = 2.0, kD = 0.3, kE = 0.5;

std::unique_ptr<TPlot> MakeSeries() {
    auto plot = std::make_unique<TPlot>();
    plot->XData.Reserve(kRows);
    plot->YData.Reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        plot->AddX(TDataElement(i * 0.001));
        plot->AddY(TDataElement(i * 0.5));
    }
    return plot;
}

struct Case {
    const char* formula;
    const char* muparser;  // the same formula in muParser's syntax; null: none
    double (*native)(double x, double y);
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

void CompareWithReferences(benchmark::State& state, const Case& c) {
    const double params[] = {0, kA, kB, kC, kD, kE};
    for (int i = 1; i <= 5; ++i) FitParameters[i] = params[i];
    const auto plot = MakeSeries();
    BoxFrame set;
    double r = 0;
    if (!set.Evaluate(c.formula, r, BoxFrame::EvalCompile, plot.get(), 0, 1)) {
        state.SkipWithError("formula does not compile");
        return;
    }
    std::vector<double> xs(kRows), ys(kRows);
    for (int i = 0; i < kRows; ++i) {
        xs[std::size_t(i)] = plot->XData[i].Value;
        ys[std::size_t(i)] = plot->YData[i].Value;
    }
    std::vector<double> ours(kRows), rowPath(kRows), native(kRows), reference(kRows);

#ifdef KORVIDA_BENCH_MUPARSER
    mu::Parser parser;
    double px = 0, py = 0;
    const bool haveReference = c.muparser != nullptr;
    if (haveReference) {
        try {
            parser.DefineVar("x", &px);
            parser.DefineVar("y", &py);
            const char* names[] = {"a", "b", "c", "d", "e"};
            for (int i = 0; i < 5; ++i) parser.DefineConst(names[i], params[i + 1]);
            parser.SetExpr(c.muparser);
            parser.Eval();
        } catch (const mu::Parser::exception_type& e) {
            state.SkipWithError(("muParser refuses the formula: " + e.GetMsg()).c_str());
            return;
        }
    }
#else
    const bool haveReference = false;
    state.SetLabel("built without muParser (libmuparser-dev): no reference");
#endif

    double tOurs = 0, tRows = 0, tNative = 0, tReference = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        for (int first = 0; first < kRows; first += kPollRows) {
            if (CheckEscapeAbort()) break;
            set.EvaluateRows(plot.get(), first, std::min(kPollRows, kRows - first), ours.data() + first, nullptr);
        }
        benchmark::ClobberMemory();
        const double oursSeconds = Seconds(t);
        tOurs += oursSeconds;

        t = Clock::now();
        for (int row = 0; row < kRows; ++row) {
            if (row % kPollRows == 0 && CheckEscapeAbort()) break;
            set.Evaluate("", rowPath[std::size_t(row)], BoxFrame::EvalRow, plot.get(), row, 1);
        }
        benchmark::ClobberMemory();
        tRows += Seconds(t);

        t = Clock::now();
        for (int row = 0; row < kRows; ++row) native[std::size_t(row)] = c.native(xs[std::size_t(row)], ys[std::size_t(row)]);
        benchmark::ClobberMemory();
        tNative += Seconds(t);

#ifdef KORVIDA_BENCH_MUPARSER
        if (haveReference) {
            t = Clock::now();
            for (int row = 0; row < kRows; ++row) {
                px = xs[std::size_t(row)];
                py = ys[std::size_t(row)];
                reference[std::size_t(row)] = parser.Eval();
            }
            benchmark::ClobberMemory();
            tReference += Seconds(t);
        }
#endif
        state.SetIterationTime(oursSeconds);
    }

    // Both paths must give the same rows, and every one must agree with the
    // formula in C++ (and with muParser) to rounding.
    for (int row = 0; row < kRows; row += 997) {
        const std::size_t i = std::size_t(row);
        const double tolerance = 1e-9 * std::max(1.0, std::fabs(native[i]));
        if (ours[i] != rowPath[i] || std::fabs(ours[i] - native[i]) > tolerance ||
            (haveReference && std::fabs(ours[i] - reference[i]) > tolerance)) {
            state.SkipWithError("the evaluations disagree");
            return;
        }
    }

    const double rows = double(state.iterations()) * kRows;
    state.SetItemsProcessed(std::int64_t(rows));
    state.counters["ns_per_row"] = 1e9 * tOurs / rows;
    state.counters["row_path_ns_per_row"] = 1e9 * tRows / rows;
    state.counters["native_ns_per_row"] = 1e9 * tNative / rows;
    state.counters["x_native"] = tOurs / tNative;
    if (haveReference) {
        state.counters["muparser_ns_per_row"] = 1e9 * tReference / rows;
        state.counters["x_muparser"] = tOurs / tReference;
    }
}

void BM_Formula_SineTimesDecayPlusSquare(benchmark::State& state) {
    CompareWithReferences(state, {"sin(x)*exp(-x/10)+x^2", "sin(x)*exp(-x/10)+x^2",
                                  [](double x, double) { return std::sin(x) * std::exp(-x / 10) + std::pow(x, 2.0); }});
}
void BM_Formula_DampedSine(benchmark::State& state) {
    CompareWithReferences(state, {"a*exp(-b*x)+c*sin(d*x+e)", "a*exp(-b*x)+c*sin(d*x+e)", [](double x, double) {
                                      return kA * std::exp(-kB * x) + kC * std::sin(kD * x + kE);
                                  }});
}
void BM_Formula_Polynomial(benchmark::State& state) {
    CompareWithReferences(state, {"1+x*(2+x*(3+x*(4+x*5)))", "1+x*(2+x*(3+x*(4+x*5)))",
                                  [](double x, double) { return 1 + x * (2 + x * (3 + x * (4 + x * 5))); }});
}
void BM_Formula_Logic(benchmark::State& state) {
    CompareWithReferences(state, {"if(x<500&&y>10,x,-x)", "(x<500&&y>10)?x:-x",
                                  [](double x, double y) { return (x < 500 && y > 10) ? x : -x; }});
}

BENCHMARK(BM_Formula_SineTimesDecayPlusSquare)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Formula_DampedSine)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Formula_Polynomial)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Formula_Logic)->UseManualTime()->Unit(benchmark::kMillisecond);

// Compiling happens before every series is drawn; it must stay negligible.
void BM_Formula_Compile(benchmark::State& state) {
    BoxFrame set;
    set.UserConsts.Add(TUserConstElement("Rate", 2.5));
    set.UserFunctions.Add("sin(x)*rate");
    double r = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            set.Evaluate("a*exp(-b*x)+c*#1+max(x,rate)^2", r, BoxFrame::EvalCompile, nullptr, 0, -1));
    }
}
BENCHMARK(BM_Formula_Compile);

}  // namespace
