// The block form of a compiled formula. Every user of the formula language
// walks the rows of a series in order, so instead of running the postfix list
// once per row (a stack machine paying its dispatch on every item of every row),
// the compiler also turns the list into instructions that each compute a whole
// block of rows: the values of a column are loaded once per block, constant parts
// of the formula are folded, and an instruction is a plain loop over the block.
//
// The outcome is exactly that of the row path, row for row: each instruction
// computes with the same operations (formulaeval.h), a row fails exactly when its
// evaluation by the row path fails, and a formula that draws random numbers is
// run row by row so that the draws come in the same order. What the row path
// leaves in EvalWork (the value stack's first entry and the depth, which the next
// compile hands back) is restored after a block from the last row evaluated.

#include "numerics/formulaeval.h"

#include <algorithm>
#include <cstring>

namespace kv::formula {

namespace {

constexpr int kRows = EvalBlockRows;

enum OpCode : std::uint8_t {
    opLoadVariable,  // Id 0 x, 1 y: the column the component names
    opLoadParam,     // Id: parameter column number - 1
    opLoadRow,       // the row index
    opNegate,
    opOperator,      // Id: the two-operand TokenKind
    opSquare,        // x^2, as pow gives it
    opLibrary,       // Id: sin .. log, one argument
    opBuiltin,       // Id: a function that yields a value for every argument
    opMayFail,       // Id: a function that fails for some arguments
    opSeries,        // Id: dx, dy, nrx, nry (read the series, fail for some rows)
};

bool FailsOnSomeValues(int id) {
    return id == kv::fnInvq || id == kv::fnInvp || id == kv::fnInverf || id == kv::fnInverfc;
}

bool ReadsSeries(int id) { return id >= kv::fnDx && id <= kv::fnNry; }

// One operand while the program is built: a constant or a slot, which is either
// a temporary (freed once used) or a loaded column (kept for every later use).
struct Operand {
    int slot = -1;  // -1: value
    double value = 0.0;
    bool temporary = false;
};

class ProgramBuilder {
public:
    explicit ProgramBuilder(EvalBlockProgram& p) : p_(p) {
        std::fill(std::begin(loaded_), std::end(loaded_), -1);
    }

    void Build(const FormulaToken* list, int length) {
        p_.Mode = 0;
        p_.OpCount = 0;
        p_.ResultSlot = -1;
        p_.ResultConst = 0.0;
        p_.SlotCount = 0;
        p_.MayFailPerRow = false;
        p_.ReadsSeriesColumns = false;
        p_.FailsAtDepthZero = false;

        for (int i = 1; i <= length; ++i)
            if (list[i].Kind == tkFunction && list[i].FunctionId == kv::fnRand) {
                p_.Mode = 2;  // row by row, so that the draws keep their order
                return;
            }

        for (int i = 1; i <= length; ++i) {
            if (!Item(list[i])) {
                // Every row fails here at the latest; a row that gets this far
                // with nothing on the stack leaves EvalWork's values alone.
                AlwaysFails(depth_ == 0);
                return;
            }
        }
        if (depth_ != 1) {
            AlwaysFails(depth_ == 0);
            return;
        }
        const Operand& root = stack_[0];
        p_.ResultSlot = root.slot;
        p_.ResultConst = root.value;
        p_.Mode = 1;
        p_.Slots.resize(std::size_t(p_.SlotCount) * kRows);
    }

private:
    void AlwaysFails(bool atDepthZero) {
        p_.Mode = 0;
        p_.OpCount = 0;
        p_.FailsAtDepthZero = atDepthZero;
    }

    int NewSlot() { return freeCount_ > 0 ? free_[--freeCount_] : p_.SlotCount++; }
    void Release(const Operand& o) {
        if (o.temporary) free_[freeCount_++] = o.slot;
    }
    void Push(const Operand& o) { stack_[depth_++] = o; }
    static Operand Value(double v) { return Operand{-1, v, false}; }

    // The slot holding a column (or the row index), loaded once for all uses.
    Operand Loaded(int key, OpCode code, int id) {
        if (loaded_[key] < 0) {
            loaded_[key] = NewSlot();
            EvalBlockOp& op = p_.Ops[p_.OpCount++];
            op = EvalBlockOp{};
            op.Code = code;
            op.Dst = std::int16_t(loaded_[key]);
            op.Id = id;
        }
        return Operand{loaded_[key], 0.0, false};
    }

    // Emits code over the top n operands, which it replaces by the result.
    void Emit(OpCode code, int id, int n) {
        EvalBlockOp& op = p_.Ops[p_.OpCount++];
        op = EvalBlockOp{};
        op.Code = code;
        op.Id = id;
        const Operand* args = stack_ + depth_ - n;
        for (int k = 0; k < n; ++k) {
            op.Arg[k] = std::int16_t(args[k].slot);
            op.Const[k] = args[k].value;
        }
        // A fresh slot, never one of the operands: the loops may then take their
        // operands and their result as unrelated arrays.
        const int dst = NewSlot();
        op.Dst = std::int16_t(dst);
        for (int k = 0; k < n; ++k) Release(args[k]);
        depth_ -= n;
        Push(Operand{dst, 0.0, true});
    }

    bool AllValues(int n) const {
        for (int k = depth_ - n; k < depth_; ++k)
            if (stack_[k].slot >= 0) return false;
        return true;
    }

    // False when the item makes every row fail.
    bool Item(const FormulaToken& item) {
        switch (item.Kind) {
        case tkNumber:
            Push(Value(item.Value));
            return true;
        case tkVariable:
            Push(Loaded(item.VarIndex == 0 ? 0 : 1, opLoadVariable, item.VarIndex == 0 ? 0 : 1));
            return true;
        case tkRowIndex:
            Push(Loaded(2, opLoadRow, 0));
            return true;
        case tkParamColumn:
            if (item.VarIndex < 0 || item.VarIndex >= ParamColumnCount) return false;
            Push(Loaded(3 + item.VarIndex, opLoadParam, item.VarIndex));
            return true;
        case tkUnaryPlus:
            return depth_ >= 1;  // the value unchanged
        case tkUnaryMinus:
            if (depth_ < 1) return false;
            if (stack_[depth_ - 1].slot < 0) stack_[depth_ - 1].value = -stack_[depth_ - 1].value;
            else Emit(opNegate, 0, 1);
            return true;
        case tkAdd: case tkSub: case tkMul: case tkDiv: case tkPow: case tkOr: case tkAnd:
        case tkEq: case tkNe: case tkLt: case tkLe: case tkGt: case tkGe:
            if (depth_ < 2) return false;
            if (AllValues(2)) {
                double r = 0.0;
                ApplyOperator(item.Kind, stack_[depth_ - 2].value, stack_[depth_ - 1].value, r);
                depth_ -= 2;
                Push(Value(r));
            } else if (item.Kind == tkPow && stack_[depth_ - 1].slot < 0 && stack_[depth_ - 1].value == 2.0) {
                depth_ -= 1;
                Emit(opSquare, 0, 1);
            } else {
                Emit(opOperator, item.Kind, 2);
            }
            return true;
        case tkFunction:
            return Function(item.FunctionId);
        default:
            return false;  // a "(" left by a missing ")"
        }
    }

    bool Function(int id) {
        if (!kv::IsBuiltinId(id)) return false;
        const int arity = kv::BuiltinArity(id);
        if (arity < 1 || depth_ < arity) return false;  // cell takes nothing and always fails
        if (ReadsSeries(id)) {
            p_.ReadsSeriesColumns = true;
            p_.MayFailPerRow = true;
            Emit(opSeries, id, arity);
            return true;
        }
        if (AllValues(arity)) {
            // The same call the row path makes; a failure fails every row.
            const Operand* a = stack_ + depth_ - arity;
            double r = 0.0;
            if (id <= kv::fnLog) {
                r = kLibraryFunctions[id](a[0].value);
            } else {
                static const kv::SeriesColumns kNoColumns;
                if (!kv::EvalBuiltin(id, a[0].value, arity > 1 ? a[1].value : 0.0,
                                     arity > 2 ? a[2].value : 0.0, kNoColumns, 0, &r))
                    return false;
            }
            depth_ -= arity;
            Push(Value(r));
            return true;
        }
        if (id <= kv::fnLog) {
            Emit(opLibrary, id, 1);
        } else if (FailsOnSomeValues(id)) {
            p_.MayFailPerRow = true;
            Emit(opMayFail, id, arity);
        } else {
            Emit(opBuiltin, id, arity);
        }
        return true;
    }

    EvalBlockProgram& p_;
    Operand stack_[EvalStackSize];
    int depth_ = 0;
    int free_[2 * EvalStackSize];
    int freeCount_ = 0;
    int loaded_[3 + ParamColumnCount];  // x, y, the row index, the parameter columns
};

// ---------------------------------------------------------------------------
// Running the instructions on one block

// The columns one call reads, resolved once.
struct BlockColumns {
    const TDataElement* variable[2] = {nullptr, nullptr};
    const TPlot* plot = nullptr;
};

// The loops of the operators run over the whole block whatever its rows: a trip
// count the compiler knows lets it use vector instructions, and the lanes past
// the rows hold values of an earlier block that nothing reads (arithmetic traps
// nothing). Loops that call the library run over the rows only.
template <int Kind>
void OperatorLoop(int m, double* __restrict d, const double* __restrict a, const double* __restrict b) {
    for (int k = 0; k < m; ++k) d[k] = ApplyOperator<Kind>(a[k], b[k]);
}
template <int Kind>
void OperatorLoop(int m, double* __restrict d, const double* __restrict a, double b) {
    for (int k = 0; k < m; ++k) d[k] = ApplyOperator<Kind>(a[k], b);
}
template <int Kind>
void OperatorLoop(int m, double* __restrict d, double a, const double* __restrict b) {
    for (int k = 0; k < m; ++k) d[k] = ApplyOperator<Kind>(a, b[k]);
}

template <int Kind>
void RunOperator(const EvalBlockOp& op, double* slots, int n) {
    const int m = Kind == tkPow ? n : kRows;
    double* d = slots + op.Dst * kRows;
    if (op.Arg[0] >= 0 && op.Arg[1] >= 0)
        OperatorLoop<Kind>(m, d, slots + op.Arg[0] * kRows, slots + op.Arg[1] * kRows);
    else if (op.Arg[0] >= 0)
        OperatorLoop<Kind>(m, d, slots + op.Arg[0] * kRows, op.Const[1]);
    else
        OperatorLoop<Kind>(m, d, op.Const[0], slots + op.Arg[1] * kRows);
}

void NegateLoop(double* __restrict d, const double* __restrict a) {
    for (int k = 0; k < kRows; ++k) d[k] = -a[k];
}

// x^2 exactly as kv::math::Pow(x, 2) gives it, mostly without calling pow. The
// library's pow is not the correctly rounded x*x: its result lies within 0.54
// ulp of the exact square (within 0.51 as measured), so where the square is
// close to a tie between two doubles pow may pick the other neighbour (about one
// argument in 1200). Where the exact square lies within 0.45 ulp of x*x, though,
// no other double is that close, so pow must return x*x; the exact error of
// x*x (Dekker's product) tells which case a lane is. Ties, squares near the
// ends of the range (no room for the exact error) and NaN go to pow itself.
//
// The products and the test run two lanes per instruction for the whole block
// (the compiler does not vectorize the test by itself); pow then fills the
// lanes that are not sure.
using V2Double = double __attribute__((vector_size(16)));
using V2Int = std::int64_t __attribute__((vector_size(16)));

template <class To, class From>
To BitsAs(const From& v) {
    static_assert(sizeof(To) == sizeof(From));
    To t;
    std::memcpy(&t, &v, sizeof t);
    return t;
}

void SquareLoop(double* __restrict d, const double* __restrict a, std::int64_t* __restrict sure) {
    const V2Double split = {134217729.0, 134217729.0};  // 2^27 + 1
    const V2Int exponentBits = {0x7FF0000000000000, 0x7FF0000000000000};
    const V2Int fractionBits = {0x000FFFFFFFFFFFFF, 0x000FFFFFFFFFFFFF};
    const V2Int magnitudeBits = {0x7FFFFFFFFFFFFFFF, 0x7FFFFFFFFFFFFFFF};
    for (int k = 0; k < kRows; k += 2) {
        V2Double x;
        std::memcpy(&x, a + k, sizeof x);
        const V2Double r = x * x;
        const V2Double c = split * x;
        const V2Double hi = c - (c - x);
        const V2Double lo = x - hi;
        const V2Double e = ((hi * hi - r) + 2.0 * hi * lo) + lo * lo;  // x*x - r, exactly
        const V2Int bits = BitsAs<V2Int>(r);
        const V2Int ulpBits = bits & exponentBits;
        const V2Double ulp = BitsAs<V2Double>(ulpBits) * 0x1p-52;
        const V2Int eBits = BitsAs<V2Int>(e) & magnitudeBits;
        const V2Double absE = BitsAs<V2Double>(eBits);
        // Just below a power of two the doubles lie twice as close: there only
        // an exact square is sure.
        const V2Int notPowerOfTwo = (bits & fractionBits) != 0;
        const V2Int inRange = (r >= 0x1p-900) & (r <= 0x1p1000);
        const V2Int ok = inRange & ((e == 0.0) | (notPowerOfTwo & (absE < 0.45 * ulp)));
        std::memcpy(d + k, &r, sizeof r);
        std::memcpy(sure + k, &ok, sizeof ok);
    }
}

void RunSquare(const EvalBlockOp& op, double* slots, int n) {
    double* d = slots + op.Dst * kRows;
    const double* a = slots + op.Arg[0] * kRows;
    alignas(16) std::int64_t sure[kRows];
    SquareLoop(d, a, sure);
    for (int k = 0; k < n; ++k)
        if (!sure[k]) [[unlikely]] d[k] = kv::math::Pow(a[k], 2.0);
}

template <double (*F)(double)>
void RunLibrary(const EvalBlockOp& op, double* slots, int n) {
    double* __restrict d = slots + op.Dst * kRows;
    const double* a = slots + op.Arg[0] * kRows;
    for (int k = 0; k < n; ++k) d[k] = F(a[k]);
}

inline double ArgAt(const EvalBlockOp& op, const double* slots, int i, int k) {
    return op.Arg[i] >= 0 ? slots[op.Arg[i] * kRows + k] : op.Const[i];
}

// A function through the built-in dispatcher, lane by lane; a lane where it fails
// is marked in failed.
void RunBuiltin(const EvalBlockOp& op, double* slots, int first, int n, const kv::SeriesColumns& columns,
                std::uint8_t* failed) {
    double* d = slots + op.Dst * kRows;
    for (int k = 0; k < n; ++k) {
        double r = 0.0;
        if (!kv::EvalBuiltin(op.Id, ArgAt(op, slots, 0, k), ArgAt(op, slots, 1, k),
                             ArgAt(op, slots, 2, k), columns, first + k, &r)) {
            failed[k] = 1;
            r = 0.0;
        }
        d[k] = r;
    }
}

void RunBlock(const EvalBlockProgram& p, double* slots, const BlockColumns& c, int first, int n,
              std::uint8_t* failed) {
    static const kv::SeriesColumns kNoColumns;
    for (int i = 0; i < p.OpCount; ++i) {
        const EvalBlockOp& op = p.Ops[i];
        double* d = slots + op.Dst * kRows;
        switch (op.Code) {
        case opLoadVariable: {
            const TDataElement* column = c.variable[op.Id] + first;
            for (int k = 0; k < n; ++k) d[k] = column[k].Value;
            break;
        }
        case opLoadParam: {
            const TDataElement* column = c.plot->ParamData[op.Id].data() + first;
            for (int k = 0; k < n; ++k) d[k] = column[k].Value;
            break;
        }
        case opLoadRow:
            for (int k = 0; k < n; ++k) d[k] = double(first + k);
            break;
        case opSquare:
            RunSquare(op, slots, n);
            break;
        case opNegate:
            NegateLoop(d, slots + op.Arg[0] * kRows);
            break;
        case opOperator:
            switch (op.Id) {
            case tkAdd: RunOperator<tkAdd>(op, slots, n); break;
            case tkSub: RunOperator<tkSub>(op, slots, n); break;
            case tkMul: RunOperator<tkMul>(op, slots, n); break;
            case tkDiv: RunOperator<tkDiv>(op, slots, n); break;
            case tkPow: RunOperator<tkPow>(op, slots, n); break;
            case tkOr: RunOperator<tkOr>(op, slots, n); break;
            case tkAnd: RunOperator<tkAnd>(op, slots, n); break;
            case tkEq: RunOperator<tkEq>(op, slots, n); break;
            case tkNe: RunOperator<tkNe>(op, slots, n); break;
            case tkLt: RunOperator<tkLt>(op, slots, n); break;
            case tkLe: RunOperator<tkLe>(op, slots, n); break;
            case tkGt: RunOperator<tkGt>(op, slots, n); break;
            default: RunOperator<tkGe>(op, slots, n); break;
            }
            break;
        case opLibrary:
            switch (op.Id) {
            case kv::fnSin: RunLibrary<kv::math::Sin>(op, slots, n); break;
            case kv::fnCos: RunLibrary<kv::math::Cos>(op, slots, n); break;
            case kv::fnTan: RunLibrary<kv::math::Tan>(op, slots, n); break;
            case kv::fnAsin: RunLibrary<kv::math::ASin>(op, slots, n); break;
            case kv::fnAcos: RunLibrary<kv::math::ACos>(op, slots, n); break;
            case kv::fnAtan: RunLibrary<kv::math::ATan>(op, slots, n); break;
            case kv::fnSinh: RunLibrary<kv::math::SinH>(op, slots, n); break;
            case kv::fnCosh: RunLibrary<kv::math::CosH>(op, slots, n); break;
            case kv::fnTanh: RunLibrary<kv::math::TanH>(op, slots, n); break;
            case kv::fnAbs: RunLibrary<Fabs>(op, slots, n); break;
            case kv::fnSqrt: RunLibrary<kv::math::Sqrt>(op, slots, n); break;
            case kv::fnExp: RunLibrary<kv::math::Exp>(op, slots, n); break;
            case kv::fnLn: RunLibrary<kv::math::Log>(op, slots, n); break;
            default: RunLibrary<kv::math::Log10>(op, slots, n); break;
            }
            break;
        case opBuiltin:
        case opMayFail:
            RunBuiltin(op, slots, first, n, kNoColumns, failed);
            break;
        case opSeries: {
            const kv::SeriesColumns columns{ViewOf(c.plot->XData), ViewOf(c.plot->YData)};
            RunBuiltin(op, slots, first, n, columns, failed);
            break;
        }
        }
    }
}

}  // namespace

void BuildBlockProgram(EvalWork& w) { ProgramBuilder(w.Block).Build(w.PostfixList, w.PostfixLength); }

}  // namespace kv::formula

int BoxFrame::EvaluateRows(const TPlot* plot, int first, int count, double* out, std::uint8_t* ok,
                           int component, const std::uint8_t* skip, bool stopAtFailure) {
    using namespace kv::formula;
    ::EvalWork& w = EvalWork;
    if (count <= 0) return 0;
    if (ok) std::memset(ok, 0, std::size_t(count));
    // Without a successful compile every row fails and nothing is touched.
    if (!w.IsCompiled) return 0;
    EvalBlockProgram& p = w.Block;
    auto skipped = [skip](int k) { return skip != nullptr && skip[k] != 0; };

    int good = 0;
    if (p.Mode == 2) {
        for (int k = 0; k < count; ++k) {
            if (skipped(k)) continue;
            if (Calculate(plot, first + k, component)) {
                out[k] = ResultRule(w.ValueStack[1].Value);
                if (ok) ok[k] = 1;
                ++good;
            } else if (stopAtFailure) {
                break;
            }
        }
        return good;
    }

    // The rows that every column the formula reads holds; the others fail.
    BlockColumns columns;
    columns.plot = plot;
    long lo = first, hi = long(first) + count;
    bool allFail = p.Mode == 0 || (p.ReadsSeriesColumns && plot == nullptr);
    for (int i = 0; i < p.OpCount && !allFail; ++i) {
        const EvalBlockOp& op = p.Ops[i];
        int have = 0;
        if (op.Code == opLoadVariable) {
            const TDataColumn* column = plot ? VariableColumn(*plot, op.Id, component) : nullptr;
            if (column) {
                columns.variable[op.Id] = column->data();
                have = column->GetItemsInContainer();
            }
        } else if (op.Code == opLoadParam) {
            if (plot && plot->PlotFile.ParamColumns[op.Id] != 0) have = plot->ParamData[op.Id].GetItemsInContainer();
            else allFail = true;
        } else {
            continue;
        }
        lo = std::max(lo, 0L);
        hi = std::min(hi, long(have));
    }
    if (allFail) hi = lo = first;
    hi = std::max(hi, lo);

    int last = -1;          // the last row evaluated
    double lastValue = 0.0;  // its value, when it succeeded
    bool lastGood = false;
    bool stopped = false;
    // Books the outcome of row k; false when the rows after it are not to be
    // evaluated.
    auto settle = [&](int k, bool success, double v) {
        if (skipped(k)) return true;
        last = k;
        lastGood = success;
        if (success) {
            lastValue = v;
            out[k] = ResultRule(v);
            if (ok) ok[k] = 1;
            ++good;
            return true;
        }
        stopped = stopAtFailure;
        return !stopAtFailure;
    };

    const int validFirst = int(lo - first), validEnd = int(hi - first);
    for (int k = 0; k < validFirst && !stopped; ++k) settle(k, false, 0.0);
    double* const slots = p.Slots.data();
    std::uint8_t failed[kRows];
    for (int k0 = validFirst; k0 < validEnd && !stopped; k0 += kRows) {
        const int n = std::min(kRows, validEnd - k0);
        if (skip) {
            bool any = false;
            for (int k = 0; k < n && !any; ++k) any = skip[k0 + k] == 0;
            if (!any) continue;
        }
        if (p.MayFailPerRow) std::memset(failed, 0, std::size_t(n));
        RunBlock(p, slots, columns, first + k0, n, failed);
        if (p.ResultSlot < 0) {
            for (int k = 0; k < n; ++k)
                if (!settle(k0 + k, true, p.ResultConst)) break;
        } else if (!skip && !p.MayFailPerRow) {
            // Every row of the block succeeds.
            const double* r = slots + p.ResultSlot * kRows;
            double* o = out + k0;
            for (int k = 0; k < n; ++k) o[k] = ResultRule(r[k]);
            if (ok) std::memset(ok + k0, 1, std::size_t(n));
            good += n;
            last = k0 + n - 1;
            lastGood = true;
            lastValue = r[n - 1];
        } else {
            const double* r = slots + p.ResultSlot * kRows;
            for (int k = 0; k < n; ++k)
                if (!settle(k0 + k, !(p.MayFailPerRow && failed[k]), r[k])) break;
        }
    }
    for (int k = std::max(validEnd, validFirst); k < count && !stopped; ++k) settle(k, false, 0.0);

    // EvalWork as the row path leaves it: a row that succeeds ends with its
    // value alone on the stack; a row that fails leaves what it had pushed, and
    // one that fails before pushing anything leaves the rows before it.
    if (last >= 0) {
        if (lastGood) {
            w.ValueStack[1].Value = lastValue;
            w.StackDepth = 1;
        } else if (p.Mode == 0 && p.FailsAtDepthZero) {
            w.StackDepth = 0;
        } else {
            int k = last;
            for (; k >= 0; --k) {
                if (skipped(k)) continue;
                Calculate(plot, first + k, component);
                if (w.StackDepth >= 1) break;
            }
            if (k != last) w.StackDepth = 0;
        }
    }
    return good;
}
