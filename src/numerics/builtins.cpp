#include "numerics/builtins.h"

#include <climits>
#include <cmath>

#include "numerics/higherfunctions.h"
#include "platform/mathpolicy.h"
#include "platform/winmath.h"

namespace kv {

namespace {

constexpr double kInf = HUGE_VAL;

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

}  // namespace

const char FormulaReservedNames[] =
    ",inf,pi,sinh,cosh,tanh,sin,cos,tan,asin,acos,atan,abs,sqrt,exp,ln,log,max,min,theta,"
    "delta,sign,int,gauss,frac,round,gamma,beta,erf,rand,cell,eq,neq,ge,gt,le,lt,not,or,and,"
    "xor,if,dx,dy,nrx,nry,invq,erfc,pnor,qnor,invp,inverf,inverfc,";

int FindBuiltinFunction(std::string_view name) {
    for (int id = 1; id <= kBuiltinFunctionCount; ++id) {
        std::string_view f = kBuiltinFunctions[id].name;
        if (f.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < f.size() && same; ++i) same = Lower(name[i]) == f[i];
        if (same) return id;
    }
    return 0;
}

bool IsReservedFormulaName(std::string_view name) {
    // The longest reserved name has 7 letters; a name with a comma in it must
    // not match across two entries.
    if (name.empty() || name.size() > 16) return false;
    char key[20];
    key[0] = ',';
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == ',') return false;
        key[i + 1] = Lower(name[i]);
    }
    key[name.size() + 1] = ',';
    return std::string_view(FormulaReservedNames).find(std::string_view(key, name.size() + 2)) !=
           std::string_view::npos;
}

FormulaRandom& ProgramRandom() {
    static FormulaRandom generator;
    return generator;
}

double BuiltinInt(double x) {
    if (x > 0.0) return std::floor(x);
    return -std::floor(std::fabs(x));
}

double BuiltinGauss(double x) { return std::floor(x); }

double BuiltinRound(double x) {
    double ax = std::fabs(x);
    double f = std::floor(ax);
    double m = (ax - f < 0.5) ? f : f + 1.0;
    return x > 0.0 ? m : -m;
}

double BuiltinRand(double x) {
    int r = ProgramRandom().Next();
    return (r * (1.0 / 32767)) * x;
}

int BuiltinCount(double arg) { return TruncToInt(std::floor(arg + 0.5)); }

bool BackwardDifference(const ColumnView& col, int row, double arg, double* out) {
    int k = BuiltinCount(arg);
    if (k < 1 || k > 4) return false;
    if (row < k) {
        *out = kInf;
        return true;
    }
    if (row >= col.Count()) return false;  // no such row in this column
    const ColumnView& X = col;
    int r = row;
    switch (k) {
    case 1:
        *out = X[r] - X[r - 1];
        break;
    case 2:
        *out = X[r - 2] + (X[r] - 2.0 * X[r - 1]);
        break;
    case 3:
        *out = (3.0 * X[r - 2] + (X[r] - 3.0 * X[r - 1])) - X[r - 3];
        break;
    default:
        *out = X[r - 4] + ((6.0 * X[r - 2] + (X[r] - 4.0 * X[r - 1])) - 4.0 * X[r - 3]);
        break;
    }
    return true;
}

bool MovingMean(const ColumnView& col, int row, double arg, double* out) {
    int k = BuiltinCount(arg);
    if (k < 1 || k > 100) return false;
    int n = col.Count();
    if (row < k || row > n - 1 - k) {
        *out = kInf;
        return true;
    }
    double sum = 0.0;
    for (int i = row - k; i <= row + k; ++i) sum += col[i];
    *out = sum / (2 * k + 1);
    return true;
}

bool BuiltinInvq(double x, double* out) { return InverseNormalQ(x, out); }

bool BuiltinInvp(double x, double* out) {
    if (!(x >= 0.0 && x < 1.0)) return false;
    if (x == 0.0) {
        *out = 0.0;  // InverseNormalQ(1)
        return true;
    }
    // P(z) = x is Q(z) = 1 - x; below one half 1 - x would round away the
    // digits of a small x (and all of them below 1e-16), so use the symmetry.
    if (x < 0.5) {
        double z;
        if (!InverseNormalQ(x, &z)) return false;
        *out = -z;
        return true;
    }
    return InverseNormalQ(1.0 - x, out);
}

bool BuiltinInverf(double x, double* out) {
    if (!(x > -1.0 && x < 1.0)) return false;
    // erf(y) = x is Q(-sqrt(2) y) = (1 + x) / 2 and Q(sqrt(2) y) = (1 - x) / 2;
    // take the form whose sum stays exact near the end the argument is close to.
    double z;
    if (x < 0.0) {
        if (!InverseNormalQ((x + 1.0) * 0.5, &z)) return false;
        *out = -z / std::sqrt(2.0);
    } else {
        if (!InverseNormalQ((1.0 - x) * 0.5, &z)) return false;
        *out = z / std::sqrt(2.0);
    }
    return true;
}

bool BuiltinInverfc(double x, double* out) {
    if (!(x > 0.0 && x < 2.0)) return false;
    double z;
    if (!InverseNormalQ(x * 0.5, &z)) return false;
    *out = z / std::sqrt(2.0);
    return true;
}

bool EvalBuiltin(int id, double a, double b, double c, const SeriesColumns& cols, int row,
                 double* out) {
    double r;
    switch (id) {
    case fnSin: r = math::Sin(a); break;
    case fnCos: r = math::Cos(a); break;
    case fnTan: r = math::Tan(a); break;
    case fnAsin: r = math::ASin(a); break;
    case fnAcos: r = math::ACos(a); break;
    case fnAtan: r = math::ATan(a); break;
    case fnSinh: r = math::SinH(a); break;
    case fnCosh: r = math::CosH(a); break;
    case fnTanh: r = math::TanH(a); break;
    case fnAbs: r = std::fabs(a); break;
    case fnSqrt: r = math::Sqrt(a); break;
    case fnExp: r = math::Exp(a); break;
    case fnLn: r = math::Log(a); break;
    case fnLog: r = math::Log10(a); break;
    case fnMax: r = a <= b ? b : a; break;
    case fnMin: r = a >= b ? b : a; break;
    case fnTheta: r = a < 0.0 ? 0.0 : 1.0; break;
    case fnDelta: r = a == 0.0 ? 1.0 : 0.0; break;
    case fnSign: r = a > 0.0 ? 1.0 : (a == 0.0 ? 0.0 : -1.0); break;
    case fnInt:
    case fnFrac: r = BuiltinInt(a); break;
    case fnGauss: r = BuiltinGauss(a); break;
    case fnRound: r = BuiltinRound(a); break;
    case fnGamma: r = Gamma(a); break;
    case fnBeta: r = Beta(a, b); break;
    case fnErf: r = Erf(a); break;
    case fnRand: r = BuiltinRand(a); break;
    case fnEq: r = a == b ? 1.0 : 0.0; break;
    case fnNeq: r = a == b ? 0.0 : 1.0; break;
    case fnGe: r = a >= b ? 1.0 : 0.0; break;
    case fnGt: r = a > b ? 1.0 : 0.0; break;
    case fnLe: r = a <= b ? 1.0 : 0.0; break;
    case fnLt: r = a < b ? 1.0 : 0.0; break;
    case fnNot: r = a == 0.0 ? 1.0 : 0.0; break;
    case fnOr: r = (a == 0.0 && b == 0.0) ? 0.0 : 1.0; break;
    case fnAnd: r = (a == 0.0 || b == 0.0) ? 0.0 : 1.0; break;
    case fnXor: r = ((a != 0.0) != (b != 0.0)) ? 1.0 : 0.0; break;
    case fnIf: r = a != 0.0 ? b : c; break;
    case fnDx: return BackwardDifference(cols.x, row, a, out);
    case fnDy: return BackwardDifference(cols.y, row, a, out);
    case fnNrx: return MovingMean(cols.x, row, a, out);
    case fnNry: return MovingMean(cols.y, row, a, out);
    case fnInvq: return BuiltinInvq(a, out);
    case fnErfc: r = Erfc(a); break;
    case fnPnor: r = PNor(a); break;
    case fnQnor: r = QNor(a); break;
    case fnInvp: return BuiltinInvp(a, out);
    case fnInverf: return BuiltinInverf(a, out);
    case fnInverfc: return BuiltinInverfc(a, out);
    case fnCell:
    default: return false;
    }
    *out = r;
    return true;
}

}  // namespace kv
