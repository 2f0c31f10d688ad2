// The formula language: the lexer, the operator-precedence compiler that turns a
// formula into a postfix list, and the evaluator that runs that list for one row
// of a series (formulablock.cpp holds the form that evaluates blocks of rows).
// All state lives in the axis set's EvalWork; evaluation allocates nothing.
//
// Each axis set keeps its own compiled list, its length and whether the compile
// succeeded, so a compile on one axis set leaves the others' formulas intact, and
// an axis set whose last compile failed (or that never compiled) fails every
// evaluation instead of running a half-built list.

#include "model/boxframe.h"
#include "numerics/builtins.h"
#include "numerics/fitparams.h"
#include "numerics/formulaeval.h"
#include "platform/mathpolicy.h"
#include "platform/numconv.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using kv::formula::kInf;
using kv::formula::ResultRule;
using kv::formula::VariableColumn;
using kv::formula::ViewOf;
constexpr double kPi = 3.141592653589793;

// Longest number literal and name the lexer accepts.
constexpr int kMaxLiteralLength = 99;
constexpr int kMaxNameLength = 19;

// Highest usable entry of the operator stack and of the postfix list.
constexpr int kLastEntry = EvalStackSize - 1;

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

inline void SetToken(FormulaToken& t, int kind, int precedence) {
    t.Kind = kind;
    t.Precedence = precedence;
    t.Value = 0.0;
    t.FunctionId = 0;
    t.VarIndex = 0;
}

inline void SetNumber(FormulaToken& t, double value) {
    SetToken(t, tkNumber, 9);
    t.Value = value;
}

}  // namespace

// ---------------------------------------------------------------------------
// Lexer

int BoxFrame::GetToken(const TPlot* plot, int compileRow, int plotNo) {
    ::EvalWork& w = EvalWork;
    FormulaToken& tok = w.CurrentToken;
    const char* const textBegin = w.ExpandedText.c_str();
    const char* const textEnd = textBegin + w.ExpandedText.size();
    const char* p = w.ScanCursor;
    if (p == nullptr || p < textBegin || p > textEnd) return tkError;

    const char c = *p;

    // The end. A NUL inside the text (it can come from a stored user function)
    // would hide the rest of the formula, so it is refused rather than taken as
    // the end.
    if (c == '\0') {
        if (p != textEnd) return tkError;
        SetToken(tok, tkEnd, 0);
        return tkEnd;
    }

    // Number literal: digits with at most one ".", then an optional exponent of
    // at most three digits (a fourth digit starts the next token).
    if (IsDigit(c) || c == '.') {
        const char* q = p;
        bool dot = false;
        while (IsDigit(*q) || (*q == '.' && !dot)) {
            if (*q == '.') dot = true;
            ++q;
        }
        if (q - p == 1 && *p == '.') return tkError;
        if (*q == 'E' || *q == 'e') {
            ++q;
            if (*q == '+' || *q == '-') ++q;
            for (int n = 0; n < 3 && IsDigit(*q); ++n) ++q;
        }
        const long length = long(q - p);
        if (length > kMaxLiteralLength) return tkError;
        // Convert only the literal's own characters: 1e1234 must read 1e123.
        char literal[kMaxLiteralLength + 1];
        std::memcpy(literal, p, std::size_t(length));
        literal[length] = '\0';
        bool rangeError = false;
        const double value = kv::StrToD(literal, nullptr, &rangeError);
        if (rangeError) return tkError;
        SetNumber(tok, value);
        w.ScanCursor = q;
        return tkNumber;
    }

    // Name: a letter, then letters, digits and underscores; case-insensitive.
    if (IsAsciiLetter(c)) {
        const char* q = p;
        while (IsAsciiLetter(*q) || IsDigit(*q) || *q == '_') ++q;
        const long length = long(q - p);
        if (length > kMaxNameLength) return tkError;
        char name[kMaxNameLength + 1];
        for (long i = 0; i < length; ++i) name[i] = LowerAscii(p[i]);
        name[length] = '\0';
        const std::string_view n(name, std::size_t(length));
        w.ScanCursor = q;

        if (n == "x" || n == "y") {
            SetToken(tok, tkVariable, 9);
            tok.VarIndex = n == "x" ? 0 : 1;
            return tkVariable;
        }
        if (n == "inf") {
            SetNumber(tok, kInf);
            return tkNumber;
        }
        if (n == "pi") {
            SetNumber(tok, kPi);
            return tkNumber;
        }
        if (int id = kv::FindBuiltinFunction(n); id != 0) {
            SetToken(tok, tkFunction, 10);
            tok.FunctionId = id;
            return tkFunction;
        }
        // The letters a to i are the fit parameters (so e is not Euler's number).
        if (length == 1 && name[0] >= 'a' && name[0] <= 'i') {
            SetNumber(tok, FitParameters[name[0] - 'a' + 1]);
            return tkNumber;
        }
        if (n == "xmin" || n == "xmax" || n == "ymin" || n == "ymax") {
            if (plot == nullptr) return tkError;
            const double v = n == "xmin"   ? plot->XMin
                             : n == "xmax" ? plot->XMax
                             : n == "ymin" ? plot->YMin
                                           : plot->YMax;
            SetNumber(tok, v);
            return tkNumber;
        }
        double value = 0.0;
        if (LookupConstant(n, value)) {
            SetNumber(tok, value);
            return tkNumber;
        }
        return tkError;
    }

    // Operators and %-codes; the first character is consumed.
    const char next = p[1];
    w.ScanCursor = p + 1;
    switch (c) {
    case '+':
    case '-': {
        // A sign when the character before it opens an operand position; the text
        // always starts with "(", so the start of the text counts as one too.
        const char before = p > textBegin ? p[-1] : '(';
        const bool sign = before == '(' || before == ',' || before == '^' || before == '=' ||
                          before == '<' || before == '>';
        const int kind = c == '+' ? (sign ? tkUnaryPlus : tkAdd) : (sign ? tkUnaryMinus : tkSub);
        SetToken(tok, kind, 6);
        return kind;
    }
    case '*': SetToken(tok, tkMul, 7); return tkMul;
    case '/': SetToken(tok, tkDiv, 7); return tkDiv;
    case '^': SetToken(tok, tkPow, 8); return tkPow;
    case '(': SetToken(tok, tkLParen, 11); return tkLParen;
    case ')': SetToken(tok, tkRParen, 0); return tkRParen;
    case ',': SetToken(tok, tkComma, 1); return tkComma;
    case '=':
        if (next != '=') return tkError;
        w.ScanCursor = p + 2;
        SetToken(tok, tkEq, 4);
        return tkEq;
    case '!':
        if (next != '=') return tkError;
        w.ScanCursor = p + 2;
        SetToken(tok, tkNe, 4);
        return tkNe;
    case '<':
        if (next == '=') {
            w.ScanCursor = p + 2;
            SetToken(tok, tkLe, 5);
            return tkLe;
        }
        SetToken(tok, tkLt, 5);
        return tkLt;
    case '>':
        if (next == '=') {
            w.ScanCursor = p + 2;
            SetToken(tok, tkGe, 5);
            return tkGe;
        }
        SetToken(tok, tkGt, 5);
        return tkGt;
    case '&':
        if (next != '&') return tkError;
        w.ScanCursor = p + 2;
        SetToken(tok, tkAnd, 3);
        return tkAnd;
    case '|':
        if (next != '|') return tkError;
        w.ScanCursor = p + 2;
        SetToken(tok, tkOr, 2);
        return tkOr;
    case '%':
        if (next == 'i' || next == 'I') {
            if (plotNo == -1) return tkError;
            w.ScanCursor = p + 2;
            SetNumber(tok, double(plotNo));
            return tkNumber;
        }
        if (next == 'c' || next == 'C') {
            w.ScanCursor = p + 2;
            SetToken(tok, tkRowIndex, 9);
            tok.Value = double(compileRow);
            return tkRowIndex;
        }
        // Exactly two digits: parameter columns %01 to %99.
        if (IsDigit(next) && IsDigit(p[2]) && !IsDigit(p[3])) {
            const int column = (next - '0') * 10 + (p[2] - '0');
            if (plotNo == -1 || column == 0) return tkError;
            w.ScanCursor = p + 3;
            SetToken(tok, tkParamColumn, 9);
            tok.VarIndex = column - 1;
            return tkParamColumn;
        }
        return tkError;
    default:
        // Blank, TAB, '#', '_', other punctuation and every byte of 0x80 or above.
        return tkError;
    }
}

// ---------------------------------------------------------------------------
// Compiler

int BoxFrame::Compile(const TPlot* plot, int compileRow, int plotNo) {
    ::EvalWork& w = EvalWork;
    FormulaToken* const stack = w.OperatorStack;
    FormulaToken* const list = w.PostfixList;
    SetToken(stack[0], tkEnd, -1);  // the bottom mark stops every pop
    w.StackDepth = 0;
    w.PostfixLength = 0;
    w.IsCompiled = 0;

    auto append = [&](const FormulaToken& t) {
        if (w.PostfixLength >= kLastEntry) return false;
        list[++w.PostfixLength] = t;
        return true;
    };

    for (;;) {
        const int kind = GetToken(plot, compileRow, plotNo);
        if (kind == tkError) return 0;
        const FormulaToken tok = w.CurrentToken;
        if (kind == tkEnd) {
            while (w.StackDepth > 0) {
                if (!append(stack[w.StackDepth])) return 0;
                --w.StackDepth;
            }
            w.IsCompiled = 1;
            return 1;
        }
        // A sign pops nothing, so a sign after "^" belongs to the exponent.
        if (kind != tkUnaryPlus && kind != tkUnaryMinus) {
            for (;;) {
                const FormulaToken& top = stack[w.StackDepth];
                if (top.Precedence < tok.Precedence || top.Kind == tkLParen || top.Kind == tkComma)
                    break;
                if (!append(top)) return 0;
                --w.StackDepth;
            }
        }
        if (kind == tkRParen) {
            // A ")" without its "(" just disappears.
            if (w.StackDepth > 0 && stack[w.StackDepth].Kind == tkLParen) --w.StackDepth;
            continue;
        }
        if (kind == tkComma) continue;
        if (w.StackDepth >= kLastEntry) return 0;
        stack[++w.StackDepth] = tok;
    }
}

// ---------------------------------------------------------------------------
// Evaluator

bool BoxFrame::Calculate(const TPlot* plot, int row, int component) {
    ::EvalWork& w = EvalWork;
    const FormulaToken* const list = w.PostfixList;
    const int length = w.PostfixLength;
    FormulaToken* const stack = w.ValueStack;

    // The top of the value stack is kept in a register (top); entries 1 to
    // depth - 1 of ValueStack hold the values below it. A push stores the old top
    // at entry depth, which for the first push is the unused entry 0. Every item
    // pushes at most one value and the list holds at most 99 items, so the stack
    // cannot overflow.
    double top = 0.0;
    int depth = 0;
    auto fail = [&]() {
        if (depth >= 1) stack[depth].Value = top;
        w.StackDepth = depth;
        return false;
    };

    // The columns that x and y read for this component, looked up once per row.
    const TDataElement* xs = nullptr;
    const TDataElement* ys = nullptr;
    int xCount = 0, yCount = 0;
    if (plot != nullptr) {
        const TDataColumn* xc = VariableColumn(*plot, 0, component);
        const TDataColumn* yc = VariableColumn(*plot, 1, component);
        if (xc != nullptr) {
            xs = xc->data();
            xCount = xc->GetItemsInContainer();
            ys = yc->data();
            yCount = yc->GetItemsInContainer();
        }
    }

    for (int i = 1; i <= length; ++i) {
        const FormulaToken& item = list[i];
        switch (item.Kind) {
        case tkNumber:
            stack[depth++].Value = top;
            top = item.Value;
            break;
        case tkVariable: {
            // No series, a component without columns and rows outside the column
            // all fail here.
            const TDataElement* column = item.VarIndex == 0 ? xs : ys;
            const int count = item.VarIndex == 0 ? xCount : yCount;
            if (row < 0 || row >= count) return fail();
            stack[depth++].Value = top;
            top = column[row].Value;
            break;
        }
        case tkParamColumn: {
            const int c = item.VarIndex;
            if (plot == nullptr || c < 0 || c >= ParamColumnCount || plot->PlotFile.ParamColumns[c] == 0)
                return fail();
            const TDataColumn& column = plot->ParamData[c];
            if (row < 0 || row >= column.GetItemsInContainer()) return fail();
            stack[depth++].Value = top;
            top = column.data()[row].Value;
            break;
        }
        case tkRowIndex:
            stack[depth++].Value = top;
            top = double(row);
            break;
        case tkFunction: {
            const int id = item.FunctionId;
            if (id >= kv::fnSin && id <= kv::fnLog) {
                // The one-argument library functions, called directly: the
                // commonest functions in formulas and the cheapest to dispatch.
                if (depth < 1) return fail();
                top = kv::formula::kLibraryFunctions[id](top);
                break;
            }
            if (!kv::IsBuiltinId(id)) return fail();
            const int arity = kv::BuiltinArity(id);
            if (depth < arity || arity < 1) return fail();  // cell takes nothing and always fails
            double a, b = 0.0, c = 0.0;
            if (arity == 1) {
                a = top;
            } else if (arity == 2) {
                a = stack[depth - 1].Value;
                b = top;
            } else {
                a = stack[depth - 2].Value;
                b = stack[depth - 1].Value;
                c = top;
            }
            double r;
            if (id >= kv::fnDx && id <= kv::fnNry) {
                // These read the series' X and Y values; with no series there is
                // nothing to read.
                if (plot == nullptr) return fail();
                const kv::SeriesColumns columns{ViewOf(plot->XData), ViewOf(plot->YData)};
                if (!kv::EvalBuiltin(id, a, b, c, columns, row, &r)) return fail();
            } else {
                static const kv::SeriesColumns kNoColumns;
                if (!kv::EvalBuiltin(id, a, b, c, kNoColumns, row, &r)) return fail();
            }
            depth -= arity - 1;
            top = r;
            break;
        }
        case tkUnaryPlus:
            if (depth < 1) return fail();
            break;
        case tkUnaryMinus:
            if (depth < 1) return fail();
            top = -top;
            break;
        case tkAdd:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkAdd>(stack[--depth].Value, top);
            break;
        case tkSub:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkSub>(stack[--depth].Value, top);
            break;
        case tkMul:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkMul>(stack[--depth].Value, top);
            break;
        case tkDiv:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkDiv>(stack[--depth].Value, top);
            break;
        case tkPow:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkPow>(stack[--depth].Value, top);
            break;
        case tkOr:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkOr>(stack[--depth].Value, top);
            break;
        case tkAnd:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkAnd>(stack[--depth].Value, top);
            break;
        case tkEq:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkEq>(stack[--depth].Value, top);
            break;
        case tkNe:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkNe>(stack[--depth].Value, top);
            break;
        case tkLt:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkLt>(stack[--depth].Value, top);
            break;
        case tkLe:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkLe>(stack[--depth].Value, top);
            break;
        case tkGt:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkGt>(stack[--depth].Value, top);
            break;
        case tkGe:
            if (depth < 2) return fail();
            top = kv::formula::ApplyOperator<tkGe>(stack[--depth].Value, top);
            break;
        default:
            // A "(" left over by a missing ")".
            return fail();
        }
    }
    if (depth >= 1) stack[depth].Value = top;
    w.StackDepth = depth;
    return depth == 1;
}

// ---------------------------------------------------------------------------
// Entry point

const TDataColumn* BoxFrame::CompiledPlainColumn(const TPlot& plot, int component) const {
    const ::EvalWork& w = EvalWork;
    if (!w.IsCompiled || w.PostfixLength != 1 || w.PostfixList[1].Kind != tkVariable) return nullptr;
    return VariableColumn(plot, w.PostfixList[1].VarIndex, component);
}

int BoxFrame::Evaluate(std::string_view text, double& result, int mode, const TPlot* plot, int row,
                       int plotNo, int component) {
    ::EvalWork& w = EvalWork;
    if (mode != EvalCompile) {
        if (!w.IsCompiled || !Calculate(plot, row, component)) return 0;
        result = ResultRule(w.ValueStack[1].Value);
        return 1;
    }

    // Prepare the text: expand the user functions #1 to #5 (inserted as stored,
    // not scanned again, no parentheses added), drop blanks, wrap in "(" ")".
    std::string& out = w.ExpandedText;
    out.clear();
    out += '(';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '#') {
            if (i + 1 >= text.size()) break;
            const char k = text[i + 1];
            if (k >= '1' && k <= '5') {
                const int index = k - '1';
                if (UserFunctions.IsValidIndex(index)) out += UserFunctions[index];
                ++i;
            }
            // Any other character after "#" is read normally: #6 reads as 6.
            continue;
        }
        if (c == ' ') continue;
        out += c;
    }
    out += ')';
    w.ScanCursor = out.c_str();

    if (!Compile(plot, row, plotNo)) return 0;
    kv::formula::BuildBlockProgram(w);
    // Compiling leaves the value stack alone: this is what the last evaluation on
    // this axis set left in entry 1 (0 before any), a starting value for callers.
    result = ResultRule(w.ValueStack[1].Value);
    return 1;
}
