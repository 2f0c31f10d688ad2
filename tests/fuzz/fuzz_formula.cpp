// Feeds arbitrary formula texts to the compiler and evaluates what compiles on
// every row of a small series (and past its ends), for every component, with and
// without a series. The first input byte picks the series number and the row
// given at compile time; the rest is the formula.
#include "model/boxframe.h"
#include "numerics/fitparams.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::unique_ptr<TPlot> MakeSeries() {
    auto p = std::make_unique<TPlot>();
    p->PlotFile.IsXErrorBar = 1;
    p->PlotFile.ParamColumns[1] = 1;
    for (int i = 0; i < 6; ++i) {
        const double x = i - 2.5;
        p->AddX(TDataElement(x));
        p->AddY(i == 3 ? TDataElement(kInf, DataFlagStar) : TDataElement(x * x));
        p->XMinData.Add(TDataElement(x - 0.1));
        p->XMaxData.Add(TDataElement(x + 0.1));
        p->ParamData[1].Add(TDataElement(100.0 * i));
    }
    // YMinData and YMaxData stay empty: the y error columns are switched off.
    return p;
}

BoxFrame& Set() {
    static BoxFrame* set = [] {
        auto* b = new BoxFrame;
        b->UserConsts.Add(TUserConstElement("Rate", 2.5));
        b->UserConsts.Add(TUserConstElement("big", 1e300));
        b->UserConsts.Add(TUserConstElement("k_2", -1));
        for (const char* f : {"x+1", "sin(x)*rate", "", "#1", "(x"}) b->UserFunctions.Add(f);
        for (int i = 1; i <= FitParameterCount; ++i) FitParameters[i] = i * 0.5;
        return b;
    }();
    return *set;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckResult(int evaluated, double r) {
    // A delivered value is finite or +INF, never NaN or -INF.
    if (evaluated) Check(std::isfinite(r) || r == kInf);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096) return 0;
    static std::unique_ptr<TPlot> plot = MakeSeries();
    BoxFrame& b = Set();
    const int plotNo = (data[0] & 0x0F) == 0x0F ? -1 : data[0] & 0x0F;
    const int compileRow = data[0] >> 4;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    for (const TPlot* series : {static_cast<const TPlot*>(plot.get()), static_cast<const TPlot*>(nullptr)}) {
        double r = 0;
        const int compiled = b.Evaluate(text, r, BoxFrame::EvalCompile, series, compileRow, plotNo);
        Check(b.EvalWork.PostfixLength >= 0 && b.EvalWork.PostfixLength < EvalStackSize);
        Check(b.EvalWork.IsCompiled == compiled);
        CheckResult(compiled, r);
        for (int component = 0; component <= 3; ++component) {
            for (int row = -1; row <= 7; ++row) {
                const int evaluated = b.Evaluate("", r, BoxFrame::EvalRow, series, row, plotNo, component);
                Check(!evaluated || compiled);
                CheckResult(evaluated, r);
                Check(b.EvalWork.StackDepth >= 0 && b.EvalWork.StackDepth < EvalStackSize);
            }
        }
    }
    return 0;
}
