#pragma once
// What the row-by-row evaluator and the block evaluator of the formula language
// share, so that both compute every value with the very same operations: the
// result rule, the columns that x and y read, the one-argument library functions
// and the two-operand operators. Internal to the numerics library.

#include "model/boxframe.h"
#include "numerics/builtins.h"
#include "platform/mathpolicy.h"

#include <cmath>
#include <limits>

namespace kv::formula {

inline constexpr double kInf = std::numeric_limits<double>::infinity();

// Infinities and NaN are delivered as +INF, the program's missing-value mark.
inline double ResultRule(double v) { return std::isfinite(v) ? v : kInf; }

// The column that x (varIndex 0) or y (1) reads for a component; nullptr for a
// component that names no column.
inline const TDataColumn* VariableColumn(const TPlot& plot, int varIndex, int component) {
    switch (component) {
    case BoxFrame::ComponentValue: return varIndex == 0 ? &plot.XData : &plot.YData;
    case BoxFrame::ComponentMaxError: return varIndex == 0 ? &plot.XMaxData : &plot.YMaxData;
    case BoxFrame::ComponentMinError: return varIndex == 0 ? &plot.XMinData : &plot.YMinData;
    default: return nullptr;
    }
}

inline double Fabs(double x) { return std::fabs(x); }

// sin (id 1) to log (id 14), indexed by function id; the same functions, under
// the same math-error policy, that the built-in dispatcher calls.
inline constexpr double (*kLibraryFunctions[kv::fnLog + 1])(double) = {
    nullptr,        kv::math::Sin,  kv::math::Cos,  kv::math::Tan,   kv::math::ASin,
    kv::math::ACos, kv::math::ATan, kv::math::SinH, kv::math::CosH,  kv::math::TanH,
    Fabs,           kv::math::Sqrt, kv::math::Exp,  kv::math::Log,   kv::math::Log10,
};

inline kv::ColumnView ViewOf(const TDataColumn& column) {
    return kv::ColumnView(column.data(), column.GetItemsInContainer(), &TDataElement::Value);
}

// a op b for the two-operand operators (a below the top of the stack, b the top).
template <int Kind>
inline double ApplyOperator(double a, double b) {
    if constexpr (Kind == tkAdd) return a + b;
    else if constexpr (Kind == tkSub) return a - b;
    else if constexpr (Kind == tkMul) return a * b;
    else if constexpr (Kind == tkDiv) return a / b;
    else if constexpr (Kind == tkPow) return kv::math::Pow(a, b);
    else if constexpr (Kind == tkOr) return (a == 0.0 && b == 0.0) ? 0.0 : 1.0;
    else if constexpr (Kind == tkAnd) return (a == 0.0 || b == 0.0) ? 0.0 : 1.0;
    else if constexpr (Kind == tkEq) return a == b ? 1.0 : 0.0;
    else if constexpr (Kind == tkNe) return a == b ? 0.0 : 1.0;
    else if constexpr (Kind == tkLt) return a < b ? 1.0 : 0.0;
    else if constexpr (Kind == tkLe) return a <= b ? 1.0 : 0.0;
    else if constexpr (Kind == tkGt) return a > b ? 1.0 : 0.0;
    else {
        static_assert(Kind == tkGe);
        return a >= b ? 1.0 : 0.0;
    }
}

// The same for a kind known only at run time; false for a kind that is no
// two-operand operator.
inline bool ApplyOperator(int kind, double a, double b, double& r) {
    switch (kind) {
    case tkAdd: r = ApplyOperator<tkAdd>(a, b); return true;
    case tkSub: r = ApplyOperator<tkSub>(a, b); return true;
    case tkMul: r = ApplyOperator<tkMul>(a, b); return true;
    case tkDiv: r = ApplyOperator<tkDiv>(a, b); return true;
    case tkPow: r = ApplyOperator<tkPow>(a, b); return true;
    case tkOr: r = ApplyOperator<tkOr>(a, b); return true;
    case tkAnd: r = ApplyOperator<tkAnd>(a, b); return true;
    case tkEq: r = ApplyOperator<tkEq>(a, b); return true;
    case tkNe: r = ApplyOperator<tkNe>(a, b); return true;
    case tkLt: r = ApplyOperator<tkLt>(a, b); return true;
    case tkLe: r = ApplyOperator<tkLe>(a, b); return true;
    case tkGt: r = ApplyOperator<tkGt>(a, b); return true;
    case tkGe: r = ApplyOperator<tkGe>(a, b); return true;
    default: return false;
    }
}

// Builds EvalWork.Block from the postfix list of a successful compile (after a
// failed one, EvaluateRows fails every row without reading the block).
void BuildBlockProgram(EvalWork& w);

}  // namespace kv::formula
