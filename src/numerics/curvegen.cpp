#include "numerics/curvegen.h"

#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/cformat.h"
#include "platform/cp932.h"
#include "platform/mathpolicy.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Whether the list the last compile on set left reads the y column.
bool CompiledReadsY(const BoxFrame& set) {
    const EvalWork& w = set.EvalWork;
    for (int i = 1; i <= w.PostfixLength && i < EvalStackSize; ++i)
        if (w.PostfixList[i].Kind == tkVariable && w.PostfixList[i].VarIndex == 1) return true;
    return false;
}

bool Compile(BoxFrame& set, std::string_view formula, const TPlot* plot) {
    double ignored = 0.0;
    return set.Evaluate(formula, ignored, BoxFrame::EvalCompile, plot, 0, -1,
                        BoxFrame::ComponentValue) == 1;
}

}  // namespace

std::string CutDocText(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    std::size_t keep = 0;
    while (keep < limit) {
        const bool pair = IsDBCSLeadByte(static_cast<unsigned char>(text[keep])) &&
                          keep + 1 < text.size() && text[keep + 1] != '\0';
        const std::size_t step = pair ? 2 : 1;
        if (keep + step > limit) break;
        keep += step;
    }
    return std::string(text.substr(0, keep));
}

CurveStatus CurvePositions(double start, double end, int divisions, int method,
                           std::vector<double>& out) {
    out.clear();
    if (divisions < 1) return CurveStatus::DivisionsNotPositive;
    if (divisions > CurveMaxDivisions) return CurveStatus::TooManyDivisions;
    if (!std::isfinite(start) || !std::isfinite(end)) return CurveStatus::NumberTooLarge;

    const bool positive = start > 0 && end > 0;
    const bool negative = start < 0 && end < 0;
    if ((method == DivisionExponent || method == DivisionInverse) && !positive && !negative)
        return CurveStatus::BadSpacing;
    if (method != DivisionLinear && method != DivisionExponent && method != DivisionInverse)
        return CurveStatus::BadSpacing;

    const double n = double(divisions);
    double h = 0.0;
    switch (method) {
    case DivisionLinear: h = (end - start) / n; break;
    case DivisionExponent:
        h = positive ? (kv::math::Log10(end) - kv::math::Log10(start)) / n
                     : (kv::math::Log10(-end) - kv::math::Log10(-start)) / n;
        break;
    default: h = (1.0 / end - 1.0 / start) / n; break;
    }

    std::vector<double> xs;
    xs.reserve(std::size_t(divisions) + 1);
    for (int i = 0; i <= divisions; ++i) {
        const double id = double(i);
        double x = 0.0;
        switch (method) {
        case DivisionLinear: x = id * h + start; break;
        case DivisionExponent: x = kv::math::Pow(10.0, id * h) * start; break;
        default: x = 1.0 / (id * h + 1.0 / start); break;
        }
        // Bounds near the largest double can still step past it (the span of
        // -1e308 to 1e308 is not finite).
        if (!std::isfinite(x)) return CurveStatus::NumberTooLarge;
        xs.push_back(x);
    }
    out = std::move(xs);
    return CurveStatus::Done;
}

CurveStatus CheckCurveFormula(BoxFrame& set, std::string_view formula) {
    if (!Compile(set, formula, nullptr)) return CurveStatus::BadFormula;
    // Row i of y does not exist while row i is made: such a curve could only hold
    // failed rows.
    if (CompiledReadsY(set)) return CurveStatus::BadFormula;
    return CurveStatus::Done;
}

CurveStatus GenerateCurve(BoxFrame& set, const CurveRequest& r, TPlot** added) {
    if (added) *added = nullptr;
    if (r.Formula.empty()) return CurveStatus::EmptyFormula;
    if (r.Divisions < 1) return CurveStatus::DivisionsNotPositive;
    if (r.Divisions > CurveMaxDivisions) return CurveStatus::TooManyDivisions;
    // Refused before anything is made: a curve the list cannot take would be a
    // generation reported as done with nothing to show for it.
    if (set.PlotList.IsFull()) return CurveStatus::ListFull;

    try {
        std::vector<double> xs;
        const CurveStatus spacing = CurvePositions(r.Start, r.End, r.Divisions, r.Method, xs);
        if (spacing != CurveStatus::Done) return spacing;

        auto plot = std::make_unique<TPlot>();
        if (r.MemoryStyle) plot->Style = *r.MemoryStyle;
        plot->IsFileData = 0;
        plot->PlotFile.XColumn = 1;
        plot->PlotFile.YColumn = 2;
        for (double x : xs)
            if (!plot->AddX(TDataElement(x, 0))) return CurveStatus::NoMemory;

        // x reads the complete X column; the compile's own value is never used.
        if (!Compile(set, r.Formula, plot.get()) || CompiledReadsY(set))
            return CurveStatus::BadFormula;
        // A row where the formula fails (an x outside a function's domain, as
        // invq(0)) is a missing value; a stale value from another row would be
        // drawn as if it were the curve's.
        std::vector<double> ys(std::size_t(plot->XData.GetItemsInContainer()), kInf);
        const int evaluated = set.EvaluateRows(plot.get(), 0, int(ys.size()), ys.data(), nullptr);
        for (double y : ys)
            if (!plot->AddY(TDataElement(y, 0))) return CurveStatus::NoMemory;
        // Not one value: the formula cannot be evaluated at all (it leaves no
        // single value, or fails over the whole range).
        if (evaluated == 0) return CurveStatus::BadFormula;

        const std::string shown = CutDocText(r.Formula, CurveNameFormulaLength);
        const std::string name = "** y = " + shown + " **";
        lstrcpynA(plot->DataFileName, name.c_str(), MAX_PATH);
        plot->Info = "  y = " + shown + "\r\n";

        TPlot* raw = plot.get();
        if (!set.PlotList.Add(plot)) return CurveStatus::ListFull;
        if (added) *added = raw;
        return CurveStatus::Done;
    } catch (const std::bad_alloc&) {
        return CurveStatus::NoMemory;
    }
}
