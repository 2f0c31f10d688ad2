// Every redraw, autoscale and fit evaluates each series' formulas once per row,
// so the per-row cost of a compiled formula bounds how large a series stays
// interactive.
#include "model/boxframe.h"
#include "numerics/fitparams.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kRows = 1000000;

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

// Compiles text once, then evaluates it for every row of a 1,000,000-row series.
void EvaluateRows(benchmark::State& state, const char* text) {
    const double params[] = {0, 1.5, 0.01, 2.0, 0.3, 0.5};
    for (int i = 1; i <= 5; ++i) FitParameters[i] = params[i];
    auto plot = MakeSeries();
    BoxFrame set;
    double r = 0;
    if (!set.Evaluate(text, r, BoxFrame::EvalCompile, plot.get(), 0, 1)) {
        state.SkipWithError("formula does not compile");
        return;
    }
    for (auto _ : state) {
        double sum = 0;
        for (int row = 0; row < kRows; ++row) {
            if (set.Evaluate("", r, BoxFrame::EvalRow, plot.get(), row, 1)) sum += r;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["ns_per_row"] = benchmark::Counter(
        double(kRows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Formula_DampedSine(benchmark::State& state) { EvaluateRows(state, "a*exp(-b*x)+c*sin(d*x+e)"); }
void BM_Formula_Polynomial(benchmark::State& state) { EvaluateRows(state, "1+x*(2+x*(3+x*(4+x*5)))"); }
void BM_Formula_Logic(benchmark::State& state) { EvaluateRows(state, "if(x<500&&y>10,x,-x)"); }

BENCHMARK(BM_Formula_DampedSine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Formula_Polynomial)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Formula_Logic)->Unit(benchmark::kMillisecond);

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
