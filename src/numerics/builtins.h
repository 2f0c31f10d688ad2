#pragma once
// The fifty built-in functions of the formula language: their names, ids and
// argument counts, the reserved-name list that user constants may not take, the
// program's pseudo-random generator and one dispatcher that the evaluator calls
// with the function id (a switch, no allocation, no indirection through
// std::function).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kv {

// The FunctionId values that the lexer gives a function token.
enum BuiltinFunction : int {
    fnSin = 1, fnCos, fnTan, fnAsin, fnAcos, fnAtan, fnSinh, fnCosh, fnTanh, fnAbs,
    fnSqrt, fnExp, fnLn, fnLog, fnMax, fnMin, fnTheta, fnDelta, fnSign, fnInt,
    fnGauss, fnFrac, fnRound, fnGamma, fnBeta, fnErf, fnRand, fnCell, fnEq, fnNeq,
    fnGe, fnGt, fnLe, fnLt, fnNot, fnOr, fnAnd, fnXor, fnIf, fnDx,
    fnDy, fnNrx, fnNry, fnInvq, fnErfc, fnPnor, fnQnor, fnInvp, fnInverf, fnInverfc,
};
constexpr int kBuiltinFunctionCount = 50;

struct BuiltinFunctionInfo {
    const char* name;  // lower case, as the lexer compares it
    int id;
    int arity;         // values taken from the stack; cell takes none and always fails
};

// Indexed by id; entry 0 is a blank so that kBuiltinFunctions[id].id == id.
inline constexpr BuiltinFunctionInfo kBuiltinFunctions[kBuiltinFunctionCount + 1] = {
    {"", 0, 0},
    {"sin", 1, 1},    {"cos", 2, 1},    {"tan", 3, 1},     {"asin", 4, 1},   {"acos", 5, 1},
    {"atan", 6, 1},   {"sinh", 7, 1},   {"cosh", 8, 1},    {"tanh", 9, 1},   {"abs", 10, 1},
    {"sqrt", 11, 1},  {"exp", 12, 1},   {"ln", 13, 1},     {"log", 14, 1},   {"max", 15, 2},
    {"min", 16, 2},   {"theta", 17, 1}, {"delta", 18, 1},  {"sign", 19, 1},  {"int", 20, 1},
    {"gauss", 21, 1}, {"frac", 22, 1},  {"round", 23, 1},  {"gamma", 24, 1}, {"beta", 25, 2},
    {"erf", 26, 1},   {"rand", 27, 1},  {"cell", 28, 0},   {"eq", 29, 2},    {"neq", 30, 2},
    {"ge", 31, 2},    {"gt", 32, 2},    {"le", 33, 2},     {"lt", 34, 2},    {"not", 35, 1},
    {"or", 36, 2},    {"and", 37, 2},   {"xor", 38, 2},    {"if", 39, 3},    {"dx", 40, 1},
    {"dy", 41, 1},    {"nrx", 42, 1},   {"nry", 43, 1},    {"invq", 44, 1},  {"erfc", 45, 1},
    {"pnor", 46, 1},  {"qnor", 47, 1},  {"invp", 48, 1},   {"inverf", 49, 1}, {"inverfc", 50, 1},
};

constexpr bool IsBuiltinId(int id) { return id >= 1 && id <= kBuiltinFunctionCount; }
// Argument count of a valid id.
constexpr int BuiltinArity(int id) { return kBuiltinFunctions[id].arity; }

// Id of the function of that name, compared without regard to ASCII case; 0 when
// the name is not a built-in function.
int FindBuiltinFunction(std::string_view name);

// ",inf,pi,sinh,...,inverfc," : the names user constants may not take.
extern const char FormulaReservedNames[];
// True when "," + the name in lower case + "," occurs in FormulaReservedNames.
bool IsReservedFormulaName(std::string_view name);

// The program's pseudo-random generator: a 32-bit linear congruential state,
// 1 at start and never reseeded by the program; each draw gives 0 to 32767.
class FormulaRandom {
public:
    int Next() {
        state_ = state_ * 22695477u + 1u;
        return int((state_ >> 16) & 0x7FFFu);
    }
    std::uint32_t State() const { return state_; }

private:
    std::uint32_t state_ = 1;
};

// The one generator that rand draws from, for the whole run.
FormulaRandom& ProgramRandom();

// A column of a series as the functions dx, dy, nrx and nry read it: count
// doubles spaced stride bytes apart, so that arrays of plain doubles and arrays
// of records holding a double serve alike.
class ColumnView {
public:
    ColumnView() = default;
    ColumnView(const double* values, int count)
        : base_(reinterpret_cast<const char*>(values)), stride_(sizeof(double)),
          count_(values ? count : 0) {}
    // A column of records: the member named holds each row's value.
    template <class Record>
    ColumnView(const Record* records, int count, double Record::*member)
        : base_(records && count > 0 ? reinterpret_cast<const char*>(&(records->*member)) : nullptr),
          stride_(sizeof(Record)), count_(records ? count : 0) {}

    int Count() const { return count_; }
    double operator[](int i) const {
        double v;
        std::memcpy(&v, base_ + std::size_t(i) * stride_, sizeof v);
        return v;
    }

private:
    const char* base_ = nullptr;
    std::size_t stride_ = sizeof(double);
    int count_ = 0;
};

// The columns of the series being processed: its X values and Y values (dx and
// nrx read X, dy and nry read Y, whatever component is evaluated). Empty views
// when there is no series.
struct SeriesColumns {
    ColumnView x;
    ColumnView y;
};

// The functions that are more than one library call, usable on their own.
double BuiltinInt(double x);    // toward zero; also frac
double BuiltinGauss(double x);  // floor
double BuiltinRound(double x);  // halves away from zero
double BuiltinRand(double x);   // next draw / 32767 * x, from ProgramRandom()
// The k of dx, dy, nrx, nry: floor(argument + 0.5) truncated to an int; a value
// that is not a number or does not fit an int gives INT_MIN.
int BuiltinCount(double arg);
// Backward difference of order rounded(arg) (1 to 4) at row; +INF when row <
// order. False when the order is out of range or row lies beyond the column.
bool BackwardDifference(const ColumnView& col, int row, double arg, double* out);
// Mean over rows row - k .. row + k, k = rounded(arg) from 1 to 100; +INF
// outside the rows where the window fits. False when k is out of range.
bool MovingMean(const ColumnView& col, int row, double arg, double* out);
bool BuiltinInvq(double x, double* out);
bool BuiltinInvp(double x, double* out);
bool BuiltinInverf(double x, double* out);
bool BuiltinInverfc(double x, double* out);

// Carries out function id on its arguments a, b, c in the order written (the
// first is the deepest on the value stack; only the first arity of them are
// read). Returns false when the evaluation is to fail (cell always; dx, dy,
// nrx, nry and the inverse normal functions as above; an id that is no
// function); otherwise stores the value, which may be infinite or not a number:
// the evaluator's result rule turns those into +INF.
bool EvalBuiltin(int id, double a, double b, double c, const SeriesColumns& cols, int row,
                 double* out);

}  // namespace kv
