// Feeds arbitrary formula texts to the compiler and evaluates what compiles on
// every row of a small series (and past its ends), for every component, with and
// without a series, one row at a time and as one block of rows on a second axis
// set: both must give every row alike, draw the same random numbers and leave
// the same evaluator state. The first input byte picks the series number and
// the row given at compile time; the rest is the formula.
#include "model/boxframe.h"
#include "numerics/builtins.h"
#include "numerics/fitparams.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

BoxFrame* MakeSet() {
    auto* b = new BoxFrame;
    b->UserConsts.Add(TUserConstElement("Rate", 2.5));
    b->UserConsts.Add(TUserConstElement("big", 1e300));
    b->UserConsts.Add(TUserConstElement("k_2", -1));
    for (const char* f : {"x+1", "sin(x)*rate", "", "#1", "(x"}) b->UserFunctions.Add(f);
    for (int i = 1; i <= FitParameterCount; ++i) FitParameters[i] = i * 0.5;
    return b;
}

BoxFrame& Set() {
    static BoxFrame* set = MakeSet();
    return *set;
}

// The axis set on which the same formulas run by blocks of rows.
BoxFrame& BlockSet() {
    static BoxFrame* set = MakeSet();
    return *set;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckResult(int evaluated, double r) {
    // A delivered value is finite or +INF, never NaN or -INF.
    if (evaluated) Check(std::isfinite(r) || r == kInf);
}

bool SameBits(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;  // a NaN left on the stack is read as +INF
    return std::memcmp(&a, &b, sizeof a) == 0;
}

constexpr int kFirstRow = -1;
constexpr int kRowCount = 9;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096) return 0;
    static std::unique_ptr<TPlot> plot = MakeSeries();
    BoxFrame& b = Set();
    const int plotNo = (data[0] & 0x0F) == 0x0F ? -1 : data[0] & 0x0F;
    const int compileRow = data[0] >> 4;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    BoxFrame& blocks = BlockSet();
    for (const TPlot* series : {static_cast<const TPlot*>(plot.get()), static_cast<const TPlot*>(nullptr)}) {
        double r = 0;
        const int compiled = b.Evaluate(text, r, BoxFrame::EvalCompile, series, compileRow, plotNo);
        Check(b.EvalWork.PostfixLength >= 0 && b.EvalWork.PostfixLength < EvalStackSize);
        Check(b.EvalWork.IsCompiled == compiled);
        CheckResult(compiled, r);
        double rb = 0;
        Check(blocks.Evaluate(text, rb, BoxFrame::EvalCompile, series, compileRow, plotNo) == compiled);
        Check(!compiled || SameBits(r, rb));
        for (int component = 0; component <= 3; ++component) {
            const kv::FormulaRandom start = kv::ProgramRandom();
            double value[kRowCount];
            int evaluated[kRowCount];
            for (int k = 0; k < kRowCount; ++k) {
                value[k] = -1.0;
                evaluated[k] = b.Evaluate("", value[k], BoxFrame::EvalRow, series, kFirstRow + k, plotNo, component);
                Check(!evaluated[k] || compiled);
                CheckResult(evaluated[k], value[k]);
                Check(b.EvalWork.StackDepth >= 0 && b.EvalWork.StackDepth < EvalStackSize);
            }
            const std::uint32_t drawn = kv::ProgramRandom().State();
            kv::ProgramRandom() = start;
            double blockValue[kRowCount];
            std::uint8_t ok[kRowCount];
            for (double& v : blockValue) v = -1.0;
            blocks.EvaluateRows(series, kFirstRow, kRowCount, blockValue, ok, component);
            for (int k = 0; k < kRowCount; ++k) Check(ok[k] == evaluated[k] && SameBits(blockValue[k], value[k]));
            Check(kv::ProgramRandom().State() == drawn);
            Check(blocks.EvalWork.StackDepth == b.EvalWork.StackDepth);
            Check(SameBits(blocks.EvalWork.ValueStack[1].Value, b.EvalWork.ValueStack[1].Value));
        }
    }
    return 0;
}
