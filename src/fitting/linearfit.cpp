#include "fitting/linearfit.h"

#include "fitting/householder.h"
#include "fitting/longlog.h"
#include "fitting/spacing.h"
#include "platform/mathpolicy.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

namespace {

using Real = long double;

constexpr double kMax = std::numeric_limits<double>::max();
constexpr int kMaxUnknowns = LSQ_MAX_DEGREE + 1;
// Power sums of a Hankel normal matrix: one per sum of two column indices.
constexpr int kMaxPowers = 2 * kMaxUnknowns - 1;
constexpr Real kEps = std::numeric_limits<Real>::epsilon();
constexpr Real kEpsDouble = std::numeric_limits<double>::epsilon();
// A reported coefficient must be known to this relative accuracy (or matter this
// little to the fitted values); otherwise the data do not determine it and the fit
// fails rather than showing a number with too few right digits.
constexpr Real kUsefulAccuracy = 1e-7L;
// What the normal equations must reach to stand for the reflections' result,
// unless the reflections could not do markedly better (see the caller).
constexpr Real kFastAccuracy = 1e-10L;

// A value that is infinite, or not a number (which an overflow produces as soon
// as two infinities meet), ends the fit.
inline bool Overflows(double v) { return !(std::fabs(v) < kMax); }

// Whether the n values at xs hold at least `need` distinct ones, not counting x0
// when skipX0. Fewer distinct positions than coefficients leave some of them
// undetermined.
bool EnoughDistinct(const double* xs, std::size_t n, int need, bool skipX0, double x0) {
    if (need <= 0) return true;
    double found[kMaxUnknowns];
    int count = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double x = xs[k];
        if (skipX0 && x == x0) continue;
        if (std::find(found, found + count, x) != found + count) continue;
        found[count++] = x;
        if (count >= need) return true;
    }
    return false;
}

bool UsesLogOfY(int model) {
    return model == FitModelExponential || model == FitModelGeometric || model == FitModelPower;
}
bool UsesLogOfX(int model) { return model == FitModelLogarithmic || model == FitModelPower; }

// The fitted value (for the output curve) of models 2 to 5 at x.
double ModelValue(int model, double a, double b, double x) {
    switch (model) {
    case FitModelExponential: return a * kv::math::Exp(x * b);
    case FitModelLogarithmic: return a + b * kv::math::Log(x);
    case FitModelGeometric: return a * kv::math::Exp(x * kv::math::Log(b));
    case FitModelPower: return a * kv::math::Exp(kv::math::Log(x) * b);
    default: return 0.0;
    }
}

// Replaces the coefficients c[0..n] of p(w) by those of p(w + shift), by repeated
// synthetic division. With absolute values and a non-negative shift it bounds how
// much of the magnitudes of c can reach each new coefficient.
void TaylorShift(Real* c, int n, Real shift) {
    for (int i = 0; i < n; ++i)
        for (int j = n - 1; j >= i; --j) c[j] += shift * c[j + 1];
}

// The basis the least squares are solved in: the fitted variable w (x, or ln x)
// centred and scaled as z = (w - m) / s, and u columns phi z^j (j < u), where phi
// is 1, or z - z0 for a fit through the fixed point (whose target is then
// tau = t - t0). The centre is a double and the scale a power of two, so that z
// costs one subtraction and an exact multiplication.
struct Basis {
    int u = 0;
    double m = 0;
    Real s = 1, is = 1;  // the scale and its reciprocal
    bool fixed = false;
    Real w0 = 0, z0 = 0, t0 = 0;
    // What the rounding of the logarithms (a few units of a long double) moves
    // the data by, at most: each target, and each z (twice through a fixed
    // point, whose z0 moves too). 0 for the values themselves.
    Real tMoved = 0, zMoved = 0;
    // The same in doubles, for the sums whose rounding only slows the solution's
    // convergence (see NormalPass); false when a double cannot hold them.
    bool doubles = false;

    Real Z(Real w) const { return (w - m) * is; }
    Real Phi(Real w) const { return fixed ? (w - w0) * is : Real(1); }
};

// Where a pass reads the fitted variables: the values themselves, or their
// logarithms, taken again in each pass (cheaper than keeping them).
struct Values {
    static constexpr bool kDoubles = true;
    const double* p;
    double D(std::size_t k) const { return p[k]; }
    Real operator()(std::size_t k) const { return p[k]; }
};
struct Logarithms {
    static constexpr bool kDoubles = false;
    const double* p;
    const LongLog* log;
    Real operator()(std::size_t k) const { return (*log)(p[k]); }
};

// Running totals of a few sums, added a block at a time in a binary tree, so that
// their rounding grows with the logarithm of the number of blocks rather than
// with the number.
class PairwiseTotals {
public:
    static constexpr int kWidth = kMaxPowers + kMaxUnknowns + 4;
    explicit PairwiseTotals(int width) : width_(width) {}
    void Add(const Real* block) {
        Real carry[kWidth];
        std::copy(block, block + width_, carry);
        int level = 0;
        for (; level < kLevels - 1 && used_[std::size_t(level)]; ++level) {
            for (int i = 0; i < width_; ++i) carry[i] += levels_[std::size_t(level)][std::size_t(i)];
            used_[std::size_t(level)] = false;
        }
        if (used_[std::size_t(level)]) {
            for (int i = 0; i < width_; ++i) levels_[std::size_t(level)][std::size_t(i)] += carry[i];
        } else {
            std::copy(carry, carry + width_, levels_[std::size_t(level)].begin());
            used_[std::size_t(level)] = true;
        }
        ++blocks_;
    }
    void Total(Real* out) const {
        std::fill(out, out + width_, Real(0));
        for (int level = 0; level < kLevels; ++level)
            if (used_[std::size_t(level)])
                for (int i = 0; i < width_; ++i) out[i] += levels_[std::size_t(level)][std::size_t(i)];
    }
    // Additions a value of the totals went through, at most.
    int Depth() const {
        int d = 1;
        while ((std::size_t(1) << d) <= blocks_) ++d;
        return d + 1;
    }

private:
    static constexpr int kLevels = 48;
    int width_;
    std::size_t blocks_ = 0;
    std::array<bool, kLevels> used_{};
    std::array<std::array<Real, kWidth>, kLevels> levels_;
};

// The normal equations of the basis by their Hankel structure: column i times
// column j is the sum of phi^2 z^(i+j), so 2u - 1 power sums and u moments of the
// target make the whole system. They are summed in doubles, two points at a time
// in the lanes of a vector, a short block at a time into long double totals: the
// matrix only has to steer the corrections from the residuals (CorrectionPass),
// which make the solution's accuracy.
struct NormalSums {
    Real powers[kMaxPowers] = {};  // sum of phi^2 z^k
    // A free fit (whose first column is 1) is solved for the targets less that
    // of the first point, which keeps an offset common to all values out of the
    // sums; a fit through a point for the targets themselves.
    Real shift = 0;
    Real moments[kMaxUnknowns] = {};  // sum of (tau - shift) phi z^j
    Real targets = 0;  // sum of tau^2
    // Sums of tau - shift and its square: for a free fit, the spread of the
    // values about their mean (for the correlation).
    Real spread1 = 0, spread2 = 0;
    // Relative rounding error of a power sum, against the sum of its terms'
    // magnitudes.
    Real powerError = 0;
    bool finite = false;
};

// The totals of a normal pass (np power sums, u moments, then the targets and
// the two spread sums) as the sums the solve takes.
NormalSums CollectNormalSums(const PairwiseTotals& totals, int np, int u, Real shift) {
    Real sums[PairwiseTotals::kWidth];
    totals.Total(sums);
    NormalSums out;
    out.finite = true;
    for (int i = 0; i < np + u + 3; ++i)
        if (!std::isfinite(sums[i])) out.finite = false;
    std::copy(sums, sums + np, out.powers);
    std::copy(sums + np, sums + np + u, out.moments);
    out.shift = shift;
    out.targets = sums[np + u];
    out.spread1 = sums[np + u + 1];
    out.spread2 = sums[np + u + 2];
    return out;
}

constexpr int kNormalBlock = 64;

template <class W, class T>
NormalSums NormalPass(const W& w, const T& t, std::size_t n, const Basis& b) {
    typedef double V2 __attribute__((vector_size(16)));
    const int u = b.u, np = 2 * u - 1;
    const int width = np + u + 3;
    const double m = double(b.m), is = double(b.is), w0 = double(b.w0), t0 = double(b.t0);
    const bool fixed = b.fixed;
    // The fitted variables of a point, as doubles each rounded once.
    auto z = [&](std::size_t k) {
        if constexpr (W::kDoubles) return (w.D(k) - m) * is;
        else return double((w(k) - m) * is);
    };
    auto phi = [&](std::size_t k) {
        if constexpr (W::kDoubles) return (w.D(k) - w0) * is;
        else return double((w(k) - b.w0) * is);
    };
    // The target and the shifted target, each rounded once: a long double
    // target is shifted before it is rounded, or its rounding (against the
    // target) could dwarf the shifted value. (A double one is rounded once
    // either way: t0 is 0 when the shift is not.)
    double shift = 0;
    auto targets = [&](std::size_t k, double* tau, double* shifted) {
        if constexpr (T::kDoubles) {
            *tau = t.D(k) - t0;
            *shifted = *tau - shift;
        } else {
            const Real v = t(k) - b.t0;
            *tau = double(v);
            *shifted = double(v - shift);
        }
    };
    if (!fixed && n > 0) {
        double unused;
        targets(0, &shift, &unused);
    }
    PairwiseTotals totals(width);
    Real block[PairwiseTotals::kWidth];
    for (std::size_t start = 0; start < n; start += kNormalBlock) {
        const std::size_t end = std::min(n, start + kNormalBlock);
        V2 acc[PairwiseTotals::kWidth] = {};
        for (std::size_t k = start; k < end; k += 2) {
            // A lone last point pairs with one of weight 0.
            const bool two = k + 1 < end;
            const std::size_t k1 = two ? k + 1 : k;
            const V2 keep = {1.0, two ? 1.0 : 0.0};
            const V2 zv = {z(k), z(k1)};
            const V2 ph = fixed ? V2{phi(k), phi(k1)} * keep : keep;
            double t0v, t1v, s0v, s1v;
            targets(k, &t0v, &s0v);
            targets(k1, &t1v, &s1v);
            const V2 tv = V2{t0v, t1v} * keep;
            const V2 ts = V2{s0v, s1v} * keep;
            V2 q = ph * ph;
            acc[0] += q;
            for (int j = 1; j < np; ++j) {
                q *= zv;
                acc[j] += q;
            }
            V2 r = ts * ph;
            acc[np] += r;
            for (int j = 1; j < u; ++j) {
                r *= zv;
                acc[np + j] += r;
            }
            acc[np + u] += tv * tv;
            acc[np + u + 1] += ts;
            acc[np + u + 2] += ts * ts;
        }
        for (int i = 0; i < width; ++i) block[i] = Real(acc[i][0]) + Real(acc[i][1]);
        totals.Add(block);
    }
    NormalSums out = CollectNormalSums(totals, np, u, shift);
    // Each term: z and phi rounded once, up to 2u - 2 further products, phi^2 or
    // tau phi; then the lane's sum of half a block, and the tree of totals.
    const Real lane = kNormalBlock / 2;
    out.powerError = (2 * Real(np) + 6 + lane) * kEpsDouble + Real(totals.Depth() + 2) * kEps;
    return out;
}

// One pass over the points with coefficients bd (doubles) of the basis: the
// residuals r = tau - phi sum bd_j z^j, computed in long double, their squares
// and the gradient g_j = sum r phi z^j, summed in long double a block at a time
// into pairwise totals.
struct Residuals {
    Real g[kMaxUnknowns] = {};
    Real squares = 0;
    Real error = 0;  // relative rounding of the sums in g (see CorrectionPass)
};

constexpr int kResidualBlock = 32;

// out[j] = sum of v[i] z[i]^j over i < count, for j < k, in long double: five
// sums at a time in one loop over the points (they fit in the registers), v
// carried on to the next five powers. v is consumed.
void MomentSums(Real* v, const Real* z, int count, int k, Real* out) {
    int j0 = 0;
    for (; j0 + 5 <= k; j0 += 5) {
        Real a0 = 0, a1 = 0, a2 = 0, a3 = 0, a4 = 0;
        for (int i = 0; i < count; ++i) {
            Real x = v[i];
            const Real zi = z[i];
            a0 += x;
            x *= zi;
            a1 += x;
            x *= zi;
            a2 += x;
            x *= zi;
            a3 += x;
            x *= zi;
            a4 += x;
            v[i] = x * zi;
        }
        out[j0] = a0;
        out[j0 + 1] = a1;
        out[j0 + 2] = a2;
        out[j0 + 3] = a3;
        out[j0 + 4] = a4;
    }
    for (; j0 + 2 <= k; j0 += 2) {
        Real a0 = 0, a1 = 0;
        for (int i = 0; i < count; ++i) {
            a0 += v[i];
            a1 += v[i] * z[i];
            v[i] *= z[i] * z[i];
        }
        out[j0] = a0;
        out[j0 + 1] = a1;
    }
    if (j0 < k) {
        Real a0 = 0;
        for (int i = 0; i < count; ++i) a0 += v[i];
        out[j0] = a0;
    }
}

// The residuals of a block, then the gradient's sums: for a few columns in one
// loop over the points (their sums fit in the registers), for more by
// MomentSums over the block's stored residuals.
template <int U, class W, class T>
void CorrectionBlocks(const W& w, const T& t, std::size_t n, const Basis& b, const double* bd,
                      PairwiseTotals* totals) {
    const Real m = b.m, is = b.is, w0 = b.w0, t0 = b.t0;
    const bool fixed = b.fixed;
    Real zb[kResidualBlock], vb[kResidualBlock];
    for (std::size_t start = 0; start < n; start += kResidualBlock) {
        const int count = int(std::min<std::size_t>(n - start, kResidualBlock));
        Real acc[U + 1] = {};
        Real squares = 0;
        for (int i = 0; i < count; ++i) {
            const Real wk = w(start + std::size_t(i));
            const Real z = (wk - m) * is;
            Real p = bd[U - 1];
#pragma GCC unroll 16
            for (int j = U - 2; j >= 0; --j) p = p * z + bd[j];
            const Real ph = fixed ? (wk - w0) * is : Real(1);
            const Real r = (t(start + std::size_t(i)) - t0) - ph * p;
            squares += r * r;
            if constexpr (U <= 4) {
                Real v = r * ph;
#pragma GCC unroll 4
                for (int j = 0; j < U; ++j) {
                    acc[j] += v;
                    v *= z;
                }
            } else {
                zb[i] = z;
                vb[i] = r * ph;
            }
        }
        acc[U] = squares;
        if constexpr (U > 4) MomentSums(vb, zb, count, U, acc);
        totals->Add(acc);
    }
}

template <class W, class T>
Residuals CorrectionPass(const W& w, const T& t, std::size_t n, const Basis& b, const double* bd) {
    const int u = b.u;
    PairwiseTotals totals(u + 1);
    switch (u) {
    case 1: CorrectionBlocks<1>(w, t, n, b, bd, &totals); break;
    case 2: CorrectionBlocks<2>(w, t, n, b, bd, &totals); break;
    case 3: CorrectionBlocks<3>(w, t, n, b, bd, &totals); break;
    case 4: CorrectionBlocks<4>(w, t, n, b, bd, &totals); break;
    case 5: CorrectionBlocks<5>(w, t, n, b, bd, &totals); break;
    case 6: CorrectionBlocks<6>(w, t, n, b, bd, &totals); break;
    case 7: CorrectionBlocks<7>(w, t, n, b, bd, &totals); break;
    case 8: CorrectionBlocks<8>(w, t, n, b, bd, &totals); break;
    case 9: CorrectionBlocks<9>(w, t, n, b, bd, &totals); break;
    case 10: CorrectionBlocks<10>(w, t, n, b, bd, &totals); break;
    default: CorrectionBlocks<11>(w, t, n, b, bd, &totals); break;
    }
    Real sums[PairwiseTotals::kWidth];
    totals.Total(sums);
    Residuals out;
    std::copy(sums, sums + u, out.g);
    out.squares = sums[u];
    // Each term: z rounded once, up to u - 1 products, r phi; the block's sum and
    // the tree of totals.
    out.error = (2 * Real(u) + 4 + kResidualBlock + Real(totals.Depth())) * kEps;
    return out;
}

// The same sums in long double, for a basis too ill-conditioned for the doubles'
// rounding (see SolveFast): a block's basis values are kept, and the sums taken
// by MomentSums.
template <class W, class T>
NormalSums NormalPassLong(const W& w, const T& t, std::size_t n, const Basis& b) {
    const int u = b.u, np = 2 * u - 1;
    const int width = np + u + 3;
    const Real m = b.m, is = b.is, w0 = b.w0, t0 = b.t0;
    const bool fixed = b.fixed;
    const Real shift = fixed || n == 0 ? 0 : t(0) - t0;
    PairwiseTotals totals(width);
    Real block[PairwiseTotals::kWidth];
    Real zb[kResidualBlock], qb[kResidualBlock], mb[kResidualBlock];
    for (std::size_t start = 0; start < n; start += kResidualBlock) {
        const int count = int(std::min<std::size_t>(n - start, kResidualBlock));
        Real targets = 0, spread1 = 0, spread2 = 0;
        for (int i = 0; i < count; ++i) {
            const Real wk = w(start + std::size_t(i));
            const Real ph = fixed ? (wk - w0) * is : Real(1);
            const Real tau = t(start + std::size_t(i)) - t0;
            const Real ts = tau - shift;
            zb[i] = (wk - m) * is;
            qb[i] = ph * ph;
            mb[i] = ts * ph;
            targets += tau * tau;
            spread1 += ts;
            spread2 += ts * ts;
        }
        MomentSums(qb, zb, count, np, block);
        MomentSums(mb, zb, count, u, block + np);
        block[np + u] = targets;
        block[np + u + 1] = spread1;
        block[np + u + 2] = spread2;
        totals.Add(block);
    }
    NormalSums out = CollectNormalSums(totals, np, u, shift);
    // Each term: z, phi and the shifted target rounded once, up to 2u - 2
    // further products; the block's sum and the tree of totals.
    out.powerError = (2 * Real(np) + 6 + kResidualBlock + Real(totals.Depth())) * kEps;
    return out;
}

// A solved least-squares problem in triangular form: R b = z, with the basis
// column norms and the residual norm.
struct Triangle {
    int u = 0;
    Real r[kMaxUnknowns][kMaxUnknowns] = {};
    Real z[kMaxUnknowns] = {};
    Real scale[kMaxUnknowns] = {};
    Real residual = 0;
};

Triangle FromHouseholder(const HouseholderLsq& f) {
    Triangle t;
    t.u = f.Columns();
    for (int i = 0; i < t.u; ++i) {
        for (int j = i; j < t.u; ++j) t.r[i][j] = f.R(i, j);
        t.z[i] = f.Z(i);
        t.scale[i] = f.ColumnNorm(i);
    }
    t.residual = f.ResidualNorm();
    return t;
}

// How the inverse of the column-scaled triangle magnifies errors: its Frobenius
// norm, and that of each row. false when the triangle is singular.
struct Magnifier {
    Real norm = 0;
    Real row[kMaxUnknowns] = {};
};

bool Magnification(const Triangle& t, Magnifier* out) {
    const int u = t.u;
    for (int j = 0; j < u; ++j)
        if (!(t.scale[j] > 0) || t.r[j][j] == 0) return false;
    // Inverse of R with unit columns, row by row from the bottom.
    Real inv[kMaxUnknowns][kMaxUnknowns] = {};
    for (int i = u - 1; i >= 0; --i) {
        const Real d = t.r[i][i] / t.scale[i];
        inv[i][i] = 1 / d;
        for (int j = i + 1; j < u; ++j) {
            Real sum = 0;
            for (int k = i + 1; k <= j; ++k) sum += t.r[i][k] / t.scale[k] * inv[k][j];
            inv[i][j] = -sum / d;
        }
    }
    Real norm = 0;
    for (int i = 0; i < u; ++i) {
        Real r2 = 0;
        for (int j = i; j < u; ++j) r2 += inv[i][j] * inv[i][j];
        out->row[i] = std::sqrt(r2);
        norm += r2;
    }
    out->norm = std::sqrt(norm);
    return std::isfinite(out->norm);
}

// The norm of b with each coefficient weighted by its column's norm.
Real ScaledNorm(const Real* b, const Real* scale, int u) {
    Real s = 0;
    for (int j = 0; j < u; ++j) s += (scale[j] * b[j]) * (scale[j] * b[j]);
    return std::sqrt(s);
}

// How far the logarithms' rounding (Basis::tMoved, zMoved) moves the solution,
// in the scaled coefficients' units: through the pseudo-inverse, the targets'
// shift and the slope times that of z; through G^-1, z's shift times the
// residuals (the columns of the models fitted through logarithms are 1 and z,
// or z - z0 alone).
Real LogRounding(const Basis& basis, const Triangle& t, const Magnifier& mag, std::size_t N, const Real* b,
                 Real residual) {
    if (basis.tMoved == 0 && basis.zMoved == 0) return 0;
    const int last = t.u - 1;
    const Real rootN = std::sqrt(Real(N));
    return rootN * (basis.tMoved + std::fabs(b[last]) * basis.zMoved) +
           mag.norm * rootN * basis.zMoved * residual / t.scale[last];
}

// Rounding error of the reflections' solution (N rows, target norm tNorm), to
// first order: Householder steps in long double perturb each basis column and
// the target by a few units of that precision, and the solution moves by that
// through the inverse of the column-scaled factor, once for the fitted part and
// twice for the residual. Measured against quadruple-precision solutions of
// thousands of polynomial fits, it stays above the true error.
void ReflectionError(const Triangle& t, const Magnifier& mag, std::size_t N, Real tNorm, Real bScaled,
                     Real residual, Real data, Real* err) {
    const int u = t.u;
    const Real rootU = std::sqrt(Real(u));
    const Real unit = kEps * std::sqrt(Real(u + 1)) * std::sqrt(std::sqrt(Real(N)) + 1);
    for (int j = 0; j < u; ++j)
        err[j] = (unit * (tNorm + rootU * bScaled + rootU * mag.norm * residual) + data) * mag.row[j] / t.scale[j];
}

// Whether a coefficient is known well enough: to the useful relative accuracy, or
// it is so small that its whole term (with its error) stays below that accuracy
// of the fitted values (the zero coefficients of an even or odd curve, the
// constant term of a curve through the origin fitted far from it).
bool Determined(Real value, Real error, Real influence, Real size, Real accuracy) {
    if (!(error >= 0)) return false;
    return error <= accuracy * std::fabs(value) || (std::fabs(value) + error) * influence <= accuracy * size;
}

// A value no larger than its rounding-error bound is zero as far as the data
// tell: shown as 0 rather than as the rounding left over from a cancellation
// (a line through the origin fitted on data far from it).
Real Settled(Real value, Real error) { return std::fabs(value) <= error ? 0 : value; }

// A coefficient the report can show: finite and not below the normal range of a
// double (where it would lose its digits) unless it is 0.
bool Representable(Real v) {
    const Real a = std::fabs(v);
    return a <= Real(kMax) && (a == 0 || a >= Real(DBL_MIN));
}

// A solution in the basis: coefficients, the estimate of their rounding errors,
// the same estimate for what the reflections would reach (the fast way's
// yardstick), and the residual sum of squares.
struct Solution {
    Real b[kMaxUnknowns] = {};
    Real err[kMaxUnknowns] = {};
    Real reflectionErr[kMaxUnknowns] = {};
    Real residualSquares = 0;
};

// Solves G d = v for the Cholesky factor R of G (G = R'R).
void CholeskySolve(const Triangle& t, const Real* v, Real* d) {
    const int u = t.u;
    Real w[kMaxUnknowns];
    for (int i = 0; i < u; ++i) {
        Real s = v[i];
        for (int k = 0; k < i; ++k) s -= t.r[k][i] * w[k];
        w[i] = s / t.r[i][i];
    }
    for (int i = u - 1; i >= 0; --i) {
        Real s = w[i];
        for (int j = i + 1; j < u; ++j) s -= t.r[i][j] * d[j];
        d[i] = s / t.r[i][i];
    }
}

// The fast way: the normal equations from power sums (NormalPass or
// NormalPassLong), solved in long double and corrected from residuals computed
// in long double, up to three times while the error estimate shrinks. TooFar
// when the normal matrix is too far from the truth to steer the corrections,
// Rejected when `accept`, asked before the first correction and after each,
// never takes the result.
//
// The error estimate, in the coefficients scaled by their columns' norms
// (Magnifier): the sums' rounding perturbs the matrix by E, |E| <= u times
// their relative error, so that a correction d = G~^-1 g from the gradient g at
// b leaves the part G~^-1 E (b - b*) of the old error, contracted by
// rho = |G~^-1| |E|; the rounding of the residuals adds their error through the
// pseudo-inverse (once), that of the gradient's sums through G~^-1. Since
// b - b* = -d + (b + d - b*), the new error is at most
// (rho |d| + those two) / (1 - rho): the size of the step itself says how far
// the solution was. Each row of the scaled inverse factor weighs these for its
// coefficient.
enum class Fast { Accepted, Rejected, TooFar };

template <class W, class T, class Accept>
Fast SolveFast(const W& w, const T& t, std::size_t N, const Basis& basis, const NormalSums& sums,
               Solution* sol, Accept accept) {
    const int u = basis.u;
    if (!sums.finite) return Fast::TooFar;
    Triangle tri;
    tri.u = u;
    for (int i = 0; i < u; ++i) {
        Real d = sums.powers[2 * i];
        for (int k = 0; k < i; ++k) d -= tri.r[k][i] * tri.r[k][i];
        if (!(d > 0)) return Fast::TooFar;
        tri.r[i][i] = std::sqrt(d);
        for (int j = i + 1; j < u; ++j) {
            Real v = sums.powers[i + j];
            for (int k = 0; k < i; ++k) v -= tri.r[k][i] * tri.r[k][j];
            tri.r[i][j] = v / tri.r[i][i];
        }
        tri.scale[i] = std::sqrt(sums.powers[2 * i]);
    }
    Magnifier mag;
    if (!Magnification(tri, &mag)) return Fast::TooFar;
    const Real rootU = std::sqrt(Real(u));
    // The factorisation's own rounding joins that of the sums.
    const Real matrixError = Real(u) * (sums.powerError + Real(u + 2) * kEps);
    const Real contraction = mag.norm * mag.norm * matrixError;
    if (!(contraction < 0.125L)) return Fast::TooFar;
    const Real tNorm = std::sqrt(sums.targets);

    Real b[kMaxUnknowns];
    CholeskySolve(tri, sums.moments, b);
    {
        // The normal equations alone: their solution (for the shifted targets)
        // is off by G~^-1 (e - E b) at most, e the moments' rounding; for a
        // well-conditioned basis that already holds every digit that matters,
        // and no pass over the residuals is needed. The residual sum of squares
        // is then the shifted targets' less b'M, with the sums' rounding.
        const Real shifted = std::sqrt(std::max<Real>(sums.spread2, 0));
        const Real bs = ScaledNorm(b, tri.scale, u);
        // (The long double shift of a logarithm rounds it by a unit of that.)
        const Real first = mag.norm * (matrixError * bs + rootU * (sums.powerError * shifted + kEps * tNorm));
        Real bm = 0;
        for (int j = 0; j < u; ++j) bm += b[j] * sums.moments[j];
        const Real squares = std::max<Real>(sums.spread2 - bm, 0);
        const Real squaresError = sums.powerError * (sums.spread2 + 2 * rootU * bs * shifted) + matrixError * bs * bs;
        const Real spread = sums.spread2 - sums.spread1 * sums.spread1 / Real(N);
        // A free fit's correlation comes from the residual sum of squares.
        if (basis.fixed || squaresError <= 1e-12L * spread) {
            Solution trial;
            std::copy(b, b + u, trial.b);
            trial.b[0] += sums.shift;
            const Real data = LogRounding(basis, tri, mag, N, trial.b, std::sqrt(squares));
            for (int j = 0; j < u; ++j) trial.err[j] = (first + data) * mag.row[j] / tri.scale[j];
            trial.residualSquares = squares;
            ReflectionError(tri, mag, N, tNorm, ScaledNorm(trial.b, tri.scale, u), std::sqrt(squares), data,
                            trial.reflectionErr);
            if (std::isfinite(first) && accept(trial)) {
                *sol = trial;
                return Fast::Accepted;
            }
        }
    }
    b[0] += sums.shift;
    Real lastBound = std::numeric_limits<Real>::infinity();
    const int n = u - 1;  // highest power
    for (int pass = 0; pass < 3; ++pass) {
        double bd[kMaxUnknowns];
        for (int j = 0; j < u; ++j) bd[j] = double(b[j]);
        const Residuals res = CorrectionPass(w, t, N, basis, bd);
        Real d[kMaxUnknowns];
        CholeskySolve(tri, res.g, d);
        Real dg = 0;
        for (int j = 0; j < u; ++j) {
            b[j] = Real(bd[j]) + d[j];
            dg += d[j] * res.g[j];
        }
        // The residual sum of squares at b: at bd it is res.squares, and the
        // step takes off d'g (up to the matrix's rounding, second order).
        const Real resid = std::sqrt(std::max<Real>(res.squares, 0));
        sol->residualSquares = std::max<Real>(res.squares - dg, 0);
        const Real bScaled = ScaledNorm(b, tri.scale, u);
        const Real step = ScaledNorm(d, tri.scale, u);
        const Real residualRounding = kEps * (tNorm + resid + Real(3 * n + 3) * rootU * bScaled);
        const Real gradientRounding = mag.norm * rootU * res.error * resid;
        const Real data = LogRounding(basis, tri, mag, N, b, resid);
        const Real rounding = residualRounding + gradientRounding + data;
        const Real after = (contraction * step + mag.norm * rounding) / (1 - contraction);
        const Real left = mag.norm * matrixError * (step + after);
        const Real common = left + rounding;
        for (int j = 0; j < u; ++j) {
            sol->b[j] = b[j];
            sol->err[j] = common * mag.row[j] / tri.scale[j];
        }
        ReflectionError(tri, mag, N, tNorm, bScaled, std::sqrt(sol->residualSquares), data, sol->reflectionErr);
        if (!std::isfinite(common)) return Fast::Rejected;
        if (accept(*sol)) return Fast::Accepted;
        // Another pass only pays while the old error dominates and shrinks.
        if (!(left > rounding) || !(common < lastBound / 4)) return Fast::Rejected;
        lastBound = common;
    }
    return Fast::Rejected;
}

// The reflections: the basis rows of every point folded into a long double
// triangle, as accurate as the basis allows.
template <class W, class T>
bool SolveByReflections(const W& w, const T& t, std::size_t N, const Basis& basis, Solution* sol) {
    const int u = basis.u;
    HouseholderLsq factor(u);
    Real c[kMaxUnknowns];
    Real tt = 0;
    for (std::size_t k = 0; k < N; ++k) {
        const Real wk = w(k);
        const Real z = basis.Z(wk);
        Real v = basis.Phi(wk);
        for (int j = 0; j < u; ++j, v *= z) c[j] = v;
        const Real tau = t(k) - basis.t0;
        tt += tau * tau;
        factor.AddRow(c, tau);
    }
    factor.Finish();
    const Triangle tri = FromHouseholder(factor);
    Magnifier mag;
    if (!Magnification(tri, &mag)) return false;
    // A basis whose columns are dependent to the working precision.
    if (mag.norm * std::sqrt(Real(u)) * kEps * 64 >= 1) return false;
    if (!factor.Solve(sol->b)) return false;
    const Real bScaled = ScaledNorm(sol->b, tri.scale, u);
    ReflectionError(tri, mag, N, std::sqrt(tt), bScaled, tri.residual,
                    LogRounding(basis, tri, mag, N, sol->b, tri.residual), sol->err);
    std::copy(sol->err, sol->err + u, sol->reflectionErr);
    sol->residualSquares = tri.residual * tri.residual;
    return std::isfinite(bScaled);
}

}  // namespace

bool LinearLeastSquaresFit(const FitPointList* x, const FitPointList* y, FitPointList* outX,
                           FitPointList* outY, int count, int degree, int model, double outStart,
                           double outEnd, int divisions, double* coeff, double* corr, double x0,
                           double y0, std::int16_t fixed, int spacing, int rangeStart,
                           int rangeEnd) {
    if (divisions > LSQ_MAX_DIVISIONS) return false;
    if (!x || !y || !outX || !outY || !coeff || !corr) return false;
    if (divisions < 1 || degree < 0 || degree > LSQ_MAX_DEGREE || model < FitModelPolynomial ||
        model > FitModelPower || (fixed != 0 && fixed != 1) || spacing < DivisionLinear ||
        spacing > DivisionInverse || rangeStart < 1)
        return false;

    try {
        const bool isFixed = fixed == 1;
        const bool poly = model == FitModelPolynomial;
        const bool logX = UsesLogOfX(model), logY = UsesLogOfY(model);
        const int n = poly ? degree : 1;
        count = std::min({count, x->GetItemsInContainer(), y->GetItemsInContainer()});

        // The points of the fitting range whose two values are finite: the lists
        // themselves where every pair is, else a copy of those that are. Their
        // ranges come with them.
        const int last = (rangeEnd == -1 || rangeEnd > count) ? count : rangeEnd;
        const std::size_t span = last >= rangeStart ? std::size_t(last - rangeStart + 1) : 0;
        const double* px = span ? x->data() + (rangeStart - 1) : nullptr;
        const double* py = span ? y->data() + (rangeStart - 1) : nullptr;
        double xMin = kMax, xMax = -kMax, yMin = kMax, yMax = -kMax;
        std::size_t N = 0;
        for (std::size_t k = 0; k < span; ++k) {
            const double xv = px[k], yv = py[k];
            if (Overflows(xv) || Overflows(yv)) continue;
            ++N;
            xMin = std::min(xMin, xv);
            xMax = std::max(xMax, xv);
            yMin = std::min(yMin, yv);
            yMax = std::max(yMax, yv);
        }
        if (N == 0) return false;
        std::vector<double> keptX, keptY;
        if (N < span) {
            keptX.reserve(N);
            keptY.reserve(N);
            for (std::size_t k = 0; k < span; ++k) {
                if (Overflows(px[k]) || Overflows(py[k])) continue;
                keptX.push_back(px[k]);
                keptY.push_back(py[k]);
            }
            px = keptX.data();
            py = keptY.data();
        }

        // Number of coefficients to solve for.
        int u = 0;
        if (poly) {
            if (isFixed && n == 0) return false;
            u = isFixed ? n : n + 1;
        } else {
            u = isFixed ? 1 : 2;
        }
        if (!EnoughDistinct(px, N, u, isFixed, x0)) return false;

        // Domains of the logarithms.
        if (isFixed && logX && !(x0 > 0)) return false;
        if (isFixed && logY && !(y0 > 0)) return false;
        if (logX && !(xMin > 0)) return false;
        if (logY && !(yMin > 0)) return false;
        const LongLog& log = LongLog::Instance();
        const Real lnX0 = x0 > 0 ? log(x0) : 0;
        const Real lnY0 = y0 > 0 ? log(y0) : 0;

        // The fitted variable's range and the largest values (logarithms are
        // monotonic: those of the extremes).
        const Real wMin = logX ? log(xMin) : Real(xMin);
        const Real wMax = logX ? log(xMax) : Real(xMax);
        Real wAbs = std::max(std::fabs(wMin), std::fabs(wMax));
        Real tAbs = logY ? std::max(std::fabs(log(yMin)), std::fabs(log(yMax)))
                         : Real(std::max(std::fabs(yMin), std::fabs(yMax)));
        const Real w0 = isFixed ? (logX ? lnX0 : Real(x0)) : 0;
        const Real t0 = isFixed ? (logY ? lnY0 : Real(y0)) : 0;
        if (isFixed) {
            wAbs = std::max(wAbs, std::fabs(w0));
            tAbs = std::max(tAbs, std::fabs(t0));
        }

        // Centred on the data, unless they hold w = 0: there the powers of w are
        // the natural basis, and moving the centre away would make the power
        // form cancel terms far larger than its coefficients.
        Basis basis;
        basis.u = u;
        basis.fixed = isFixed;
        Real half = (wMax - wMin) / 2;
        basis.m = double((wMin + wMax) / 2);
        if (wMin <= 0 && wMax >= 0) {
            basis.m = 0;
            half = std::max(-wMin, wMax);
        }
        int e = 0;
        if (half > 0) std::frexp(half, &e);
        basis.s = std::ldexp(Real(1), e);
        basis.is = std::ldexp(Real(1), -e);
        basis.w0 = w0;
        basis.t0 = t0;
        basis.z0 = basis.Z(w0);
        // A logarithm is within two units of a long double (LongLog).
        basis.tMoved = logY ? 2 * kEps * tAbs : 0;
        basis.zMoved = logX ? 2 * kEps * wAbs * basis.is * (isFixed ? 2 : 1) : 0;
        // The sums in doubles need the scale, the centre and the differences
        // from them as normal doubles.
        basis.doubles = e > -1000 && e < 1000 && wAbs < 1e300 && std::fabs(t0) < 1e300;
        const Real m = basis.m, s = basis.s, z0 = basis.z0;

        // The model's coefficients from a solution in the basis: polynomials in
        // powers of x; for models 2 to 5 the intercept and slope of the straight
        // line in the fitted variables.
        auto toModel = [&](const Real* b, Real* A) {
            if (poly) {
                // Coefficients in z, then in w - m, then in w = x.
                Real sj = 1;
                for (int j = 0; j <= n; ++j, sj *= s) {
                    // y0 + (z - z0) (b0 + b1 z + ...) through a fixed point.
                    const Real q = isFixed ? (j >= 1 ? b[j - 1] : Real(y0)) - z0 * (j < n ? b[j] : 0) : b[j];
                    A[j] = q / sj;
                }
                TaylorShift(A, n, -m);
                // Through a fixed point at x = 0 the constant term is y0 itself.
                if (isFixed && x0 == 0) A[0] = Real(y0);
            } else if (isFixed) {
                A[1] = b[0] / s;
                A[0] = t0 - A[1] * w0;
            } else {
                A[1] = b[1] / s;
                A[0] = b[0] - A[1] * m;
            }
        };
        // The same steps on the error bounds of b (absolute values throughout),
        // plus the rounding of the steps themselves.
        auto toModelError = [&](const Real* b, const Real* err, Real* E) {
            if (poly) {
                Real mag[kMaxUnknowns + 1];
                Real sj = 1;
                for (int j = 0; j <= n; ++j, sj *= s) {
                    const Real hi = isFixed ? (j >= 1 ? b[j - 1] : Real(y0)) : b[j];
                    const Real lo = isFixed && j < n ? b[j] : 0;
                    const Real hiE = isFixed ? (j >= 1 ? err[j - 1] : 0) : err[j];
                    const Real loE = isFixed && j < n ? err[j] : 0;
                    E[j] = (hiE + std::fabs(z0) * loE + kEps * (std::fabs(hi) + std::fabs(z0 * lo))) / sj;
                    mag[j] = (std::fabs(hi) + std::fabs(z0 * lo)) / sj;
                }
                TaylorShift(E, n, std::fabs(m));
                TaylorShift(mag, n, std::fabs(m));
                for (int i = 0; i <= n; ++i) E[i] += 4 * kEps * Real(n + 1) * mag[i];
                if (isFixed && x0 == 0) E[0] = 0;
            } else if (isFixed) {
                E[1] = err[0] / s;
                E[0] = E[1] * std::fabs(w0) + 4 * kEps * (std::fabs(Real(y0)) + std::fabs(lnY0) + std::fabs(b[0] / s * w0));
            } else {
                E[1] = err[1] / s;
                E[0] = err[0] + E[1] * std::fabs(m) + 4 * kEps * (std::fabs(b[0]) + std::fabs(b[1] / s * m));
            }
        };
        // Whether the data determine every coefficient (see Determined); in log
        // space an absolute error is a relative one of the value.
        auto allDetermined = [&](const Real* A, const Real* E, Real accuracy) {
            if (poly) {
                Real influence = 1;
                for (int i = 0; i <= n; ++i, influence *= wAbs)
                    if (!Determined(A[i], E[i], influence, tAbs, accuracy)) return false;
                return true;
            }
            const Real size = logY ? 1 : tAbs;
            return Determined(logY ? 1 : A[0], E[0], 1, size, accuracy) &&
                   Determined(model == FitModelGeometric ? 1 : A[1], E[1], wAbs, size, accuracy);
        };

        Solution sol;
        Real A[kMaxUnknowns] = {};
        Real E[kMaxUnknowns] = {};
        // The fast way's result will do when it gives every coefficient to 10
        // digits, or to 7 where the reflections' own estimate would be no more
        // than a tenth smaller (the rounding of the power form, the same for
        // both, or the data themselves limit it).
        auto accept = [&](const Solution& trial) {
            toModel(trial.b, A);
            toModelError(trial.b, trial.err, E);
            if (allDetermined(A, E, kFastAccuracy)) return true;
            if (!allDetermined(A, E, kUsefulAccuracy)) return false;
            Real R[kMaxUnknowns];
            toModelError(trial.b, trial.reflectionErr, R);
            for (int i = 0; i <= n; ++i)
                if (E[i] > 10 * R[i]) return false;
            return true;
        };
        // Runs f on the fitted variables as they are stored.
        const LongLog* ln = &log;
        auto withVariables = [&](auto f) {
            if (logX && logY) return f(Logarithms{px, ln}, Logarithms{py, ln});
            if (logX) return f(Logarithms{px, ln}, Values{py});
            if (logY) return f(Values{px}, Logarithms{py, ln});
            return f(Values{px}, Values{py});
        };
        // The normal equations in doubles; where their rounding is too coarse
        // for the basis, in long double; where even that is, or they cannot
        // give the digits, the reflections.
        Real spread = -1;  // sum of squares about the mean, when the sums gave it
        Fast fast = Fast::TooFar;
        withVariables([&](const auto& w, const auto& t) {
            for (bool doubles : {true, false}) {
                if (doubles && !basis.doubles) continue;
                const NormalSums sums = doubles ? NormalPass(w, t, N, basis) : NormalPassLong(w, t, N, basis);
                if (sums.finite) spread = std::max<Real>(sums.spread2 - sums.spread1 * sums.spread1 / Real(N), 0);
                fast = SolveFast(w, t, N, basis, sums, &sol, accept);
                if (fast != Fast::TooFar) break;
            }
            return true;
        });
        if (fast == Fast::Rejected) {
            // The reflections' own estimate, from the same triangle, already
            // misses the digits (by more than the two can differ): they would
            // fail as well.
            Real R[kMaxUnknowns];
            toModel(sol.b, A);
            toModelError(sol.b, sol.reflectionErr, R);
            for (int i = 0; i <= n; ++i) R[i] /= 4;
            if (!allDetermined(A, R, kUsefulAccuracy)) return false;
        }
        if (fast != Fast::Accepted) {
            sol = Solution();
            if (!withVariables([&](const auto& w, const auto& t) { return SolveByReflections(w, t, N, basis, &sol); }))
                return false;
            toModel(sol.b, A);
            toModelError(sol.b, sol.err, E);
            if (!allDetermined(A, E, kUsefulAccuracy)) return false;
        }

        Real a = 0, b = 0;  // models 2 to 5: the straight line's intercept and slope
        if (poly) {
            for (int i = 0; i <= n; ++i) {
                A[i] = Settled(A[i], E[i]);
                if (!Representable(A[i])) return false;
                coeff[i] = double(A[i]);
            }
        } else {
            a = Settled(A[0], E[0]);
            b = Settled(A[1], E[1]);
            // An exponential that leaves the normal range of a double has lost
            // its digits (and a B of 0 would not be the geometric model's).
            const Real outA = logY ? std::exp(a) : a;
            const Real outB = model == FitModelGeometric ? std::exp(b) : b;
            if (!Representable(outA) || !Representable(outB)) return false;
            if (logY && outA == 0) return false;
            if (model == FitModelGeometric && outB == 0) return false;
            coeff[0] = double(outA);
            coeff[1] = double(outB);
        }

        // The fitted curve.
        if (!FitOutputPositions(outX, outStart, outEnd, divisions, spacing, false)) return false;
        outY->Flush();
        // A polynomial is evaluated in the basis it was fitted in: its power form
        // about x = 0 can hold terms far larger than the curve (data far from the
        // origin), whose rounding would swamp the values.
        auto polyValue = [&](Real w) {
            const Real z = basis.Z(w);
            if (isFixed) {
                Real v = 0;
                for (int k = n - 1; k >= 0; --k) v = v * z + sol.b[k];
                return Real(y0) + (z - z0) * v;
            }
            Real v = 0;
            for (int j = n; j >= 0; --j) v = v * z + sol.b[j];
            return v;
        };
        const int points = outX->GetItemsInContainer();
        for (int k = 0; k < points; ++k) {
            const double xv = (*outX)[outX->LowerBound() + k];
            const double yv = poly ? double(polyValue(Real(xv))) : ModelValue(model, coeff[0], coeff[1], xv);
            if (Overflows(yv)) return false;
            outY->Add(yv);
        }

        // Correlation coefficient of a free fit; models 2, 4 and 5 are compared in
        // the logarithmic space they were fitted in.
        if (!isFixed) {
            if (spread < 0) {
                // The spread of the values about their mean, where the fast way
                // did not sum it.
                withVariables([&](const auto&, const auto& t) {
                    Real sum = 0;
                    for (std::size_t k = 0; k < N; ++k) sum += t(k);
                    const Real mean = sum / Real(N);
                    spread = 0;
                    for (std::size_t k = 0; k < N; ++k) spread += (t(k) - mean) * (t(k) - mean);
                    return true;
                });
            }
            // Data without spread is reproduced exactly by every free model (they
            // all hold a constant term): 0/0 there, and a rounding excess of SSres
            // over SStot, would otherwise give no number or +INF. A constant is
            // the mean, whose residuals are the spread itself.
            double r = 1.0;
            if (spread > 0) {
                const Real q = u == 1 ? 0 : 1 - sol.residualSquares / spread;
                r = q > 0 ? double(std::sqrt(q)) : 0.0;
            }
            *corr = r;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
