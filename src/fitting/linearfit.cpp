#include "fitting/linearfit.h"

#include "fitting/householder.h"
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
constexpr Real kEps = std::numeric_limits<Real>::epsilon();
// A reported coefficient must be known to this relative accuracy (or matter this
// little to the fitted values); otherwise the data do not determine it and the fit
// fails rather than showing a number with too few right digits.
constexpr Real kUsefulAccuracy = 1e-7L;
// What the normal equations must reach to stand for the reflections' result.
constexpr Real kFastAccuracy = 1e-10L;

// A value that is infinite, or not a number (which an overflow produces as soon
// as two infinities meet), ends the fit.
inline bool Overflows(double v) { return !(std::fabs(v) < kMax); }

// Whether xs holds at least `need` distinct values, not counting x0 when skipX0.
// Fewer distinct positions than coefficients leave some of them undetermined.
bool EnoughDistinct(const std::vector<double>& xs, int need, bool skipX0, double x0) {
    if (need <= 0) return true;
    double found[kMaxUnknowns];
    int count = 0;
    for (double x : xs) {
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

// Least squares in a basis of small, nearly independent columns: the fitted
// variable w (x, or ln x) centred and scaled to [-1, 1] as z (only scaled when the
// data hold w = 0), powers of z for a polynomial, times a factor
// vanishing at the fixed point for a fit through it. The solution comes with an
// estimate of its rounding error, carried to the coefficients the report shows.
struct StableSolution {
    Real b[kMaxUnknowns] = {};    // coefficients of the basis
    Real err[kMaxUnknowns] = {};  // estimate of their rounding errors
    Real residual = 0;            // residual norm
};

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

// The normal equations in long double, a block of points at a time: a fraction
// of the work of the reflections, and exact enough where the basis is well
// conditioned (powers of z on data spread over [-1, 1], up to a moderate
// degree) once corrected from the residuals. Where it is not, the estimate says
// so and the fit is done again by reflections.
class NormalEquations {
public:
    // hankel: the basis columns are c * z^j for one c, so that column i times
    // column j depends on i + j only.
    NormalEquations(int columns, bool hankel) : u_(columns), hankel_(hankel) {}
    void AddRow(const Real* basis, Real target) {
        for (int j = 0; j < u_; ++j) Store(j, basis[j]);
        Store(u_, target);
        if (++pending_ == kBlock) Fold();
    }
    void Fold() {
        // Each value as the sum of two doubles: the long double exactly, at the
        // cost of two plain loads instead of one 80-bit one. In a basis of
        // powers the product of columns i and j depends only on i + j, so one
        // product per sum i + j serves the whole matrix.
        for (int i = 0; i <= u_; ++i) {
            for (int j = i; j <= u_; ++j) {
                if (hankel_ && j < u_ && i > 0 && j < u_ - 1) continue;
                g_[i][j] += Dot(i, j);
            }
        }
        pending_ = 0;
    }
    // Cholesky factor of the normal matrix: false when it is not positive
    // definite to the working precision.
    bool Factor(Triangle* t) {
        if (pending_ > 0) Fold();
        if (hankel_)
            for (int i = 1; i < u_ - 1; ++i)
                for (int j = i; j < u_ - 1; ++j) g_[i][j] = i + j < u_ ? g_[0][i + j] : g_[i + j - (u_ - 1)][u_ - 1];
        t->u = u_;
        for (int i = 0; i < u_; ++i) {
            Real d = g_[i][i];
            for (int k = 0; k < i; ++k) d -= t->r[k][i] * t->r[k][i];
            if (!(d > 0)) return false;
            t->r[i][i] = std::sqrt(d);
            for (int j = i + 1; j < u_; ++j) {
                Real v = g_[i][j];
                for (int k = 0; k < i; ++k) v -= t->r[k][i] * t->r[k][j];
                t->r[i][j] = v / t->r[i][i];
            }
            Real v = g_[i][u_];
            for (int k = 0; k < i; ++k) v -= t->r[k][i] * t->z[k];
            t->z[i] = v / t->r[i][i];
            t->scale[i] = std::sqrt(g_[i][i]);
        }
        Real rest = g_[u_][u_];
        for (int i = 0; i < u_; ++i) rest -= t->z[i] * t->z[i];
        t->residual = rest > 0 ? std::sqrt(rest) : 0;
        return true;
    }

private:
    static constexpr int kBlock = 64;
    Real Dot(int i, int j) const {
        const auto& hi = hi_[std::size_t(i)];
        const auto& lo = lo_[std::size_t(i)];
        const auto& hj = hi_[std::size_t(j)];
        const auto& lj = lo_[std::size_t(j)];
        Real s0 = 0, s1 = 0;
        int k = 0;
        for (; k + 2 <= pending_; k += 2) {
            s0 += (Real(hi[std::size_t(k)]) + lo[std::size_t(k)]) * (Real(hj[std::size_t(k)]) + lj[std::size_t(k)]);
            s1 += (Real(hi[std::size_t(k + 1)]) + lo[std::size_t(k + 1)]) *
                  (Real(hj[std::size_t(k + 1)]) + lj[std::size_t(k + 1)]);
        }
        for (; k < pending_; ++k)
            s0 += (Real(hi[std::size_t(k)]) + lo[std::size_t(k)]) * (Real(hj[std::size_t(k)]) + lj[std::size_t(k)]);
        return s0 + s1;
    }
    void Store(int j, Real v) {
        const double h = double(v);
        hi_[std::size_t(j)][std::size_t(pending_)] = h;
        lo_[std::size_t(j)][std::size_t(pending_)] = double(v - h);
    }
    int u_;
    bool hankel_;
    int pending_ = 0;
    Real g_[kMaxUnknowns + 1][kMaxUnknowns + 1] = {};
    std::array<std::array<double, kBlock>, kMaxUnknowns + 1> hi_;
    std::array<std::array<double, kBlock>, kMaxUnknowns + 1> lo_;
};

// Rounding error of the solution of the triangle (N rows, target norm tNorm), to
// first order. Householder steps in long double perturb each basis column and
// the target by a few units of that precision; the normal equations add an error
// of their long double sums that the condition of the basis amplifies twice, and
// that the caller's correction from the residuals leaves squared. The solution
// moves by that through the inverse of the column-scaled factor, once for the
// fitted part and twice for the residual. Measured against quadruple-precision
// solutions of thousands of polynomial fits, it stays above the true error.
// false when the basis is numerically dependent.
bool SolveWithBound(const Triangle& t, std::size_t N, Real tNorm, bool normalEquations, StableSolution* s) {
    const int u = t.u;
    for (int i = u - 1; i >= 0; --i) {
        if (t.r[i][i] == 0) return false;
        Real v = t.z[i];
        for (int j = i + 1; j < u; ++j) v -= t.r[i][j] * s->b[j];
        s->b[i] = v / t.r[i][i];
    }
    for (int j = 0; j < u; ++j)
        if (!(t.scale[j] > 0)) return false;
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
    Real invNorm = 0;
    Real rowNorm[kMaxUnknowns];
    for (int i = 0; i < u; ++i) {
        Real r2 = 0;
        for (int j = i; j < u; ++j) r2 += inv[i][j] * inv[i][j];
        rowNorm[i] = std::sqrt(r2);
        invNorm += r2;
    }
    invNorm = std::sqrt(invNorm);
    const Real rootU = std::sqrt(Real(u));
    // A basis whose columns are dependent to the working precision (for the
    // normal equations, whose error the condition meets twice, already well
    // before that).
    if (invNorm * rootU * kEps * 64 >= 1) return false;
    if (normalEquations && invNorm * invNorm * kEps * std::sqrt(Real(N)) >= 1e-3L) return false;
    Real bScaled = 0;
    for (int j = 0; j < u; ++j) bScaled += (t.scale[j] * s->b[j]) * (t.scale[j] * s->b[j]);
    bScaled = std::sqrt(bScaled);
    const Real unit = kEps * std::sqrt(Real(u + 1)) * std::sqrt(std::sqrt(Real(N)) + 1);
    // The normal equations' own error, once corrected from the residuals (see
    // the caller), is left at its square.
    const Real gram = kEps * std::sqrt(Real(N)) * Real(u) * invNorm * invNorm;
    const Real sums = normalEquations ? kEps * std::sqrt(Real(N)) * Real(u) * invNorm * std::min<Real>(1, gram) : 0;
    s->residual = t.residual;
    for (int j = 0; j < u; ++j)
        s->err[j] = (unit * (tNorm + rootU * bScaled + rootU * invNorm * s->residual) +
                     sums * (bScaled + tNorm)) *
                    rowNorm[j] / t.scale[j];
    return true;
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
        const int n = poly ? degree : 1;
        count = std::min({count, x->GetItemsInContainer(), y->GetItemsInContainer()});

        // The points of the fitting range whose two values are finite.
        const int last = (rangeEnd == -1 || rangeEnd > count) ? count : rangeEnd;
        std::vector<double> xs;
        std::vector<double> ys;
        if (last >= rangeStart) {
            xs.reserve(std::size_t(last - rangeStart + 1));
            ys.reserve(std::size_t(last - rangeStart + 1));
        }
        for (int p = rangeStart; p <= last; ++p) {
            const double xv = (*x)[x->LowerBound() + p - 1];
            const double yv = (*y)[y->LowerBound() + p - 1];
            if (Overflows(xv) || Overflows(yv)) continue;
            xs.push_back(xv);
            ys.push_back(yv);
        }
        const std::size_t N = xs.size();
        if (N == 0) return false;

        // Number of coefficients to solve for.
        int u = 0;
        if (poly) {
            if (isFixed && n == 0) return false;
            u = isFixed ? n : n + 1;
        } else {
            u = isFixed ? 1 : 2;
        }
        if (!EnoughDistinct(xs, u, isFixed, x0)) return false;

        // Domains of the logarithms.
        if (isFixed && UsesLogOfX(model) && !(x0 > 0)) return false;
        if (isFixed && UsesLogOfY(model) && !(y0 > 0)) return false;
        for (std::size_t k = 0; k < N; ++k) {
            if (UsesLogOfX(model) && !(xs[k] > 0)) return false;
            if (UsesLogOfY(model) && !(ys[k] > 0)) return false;
        }
        const Real lnX0 = x0 > 0 ? std::log(Real(x0)) : 0;
        const Real lnY0 = y0 > 0 ? std::log(Real(y0)) : 0;

        // The fitted variable w, the target t and their scales.
        auto wOf = [&](double xv) { return UsesLogOfX(model) ? std::log(Real(xv)) : Real(xv); };
        auto tOf = [&](double yv) {
            const Real t = UsesLogOfY(model) ? std::log(Real(yv)) : Real(yv);
            return isFixed ? t - (UsesLogOfY(model) ? lnY0 : Real(y0)) : t;
        };
        Real wMin = wOf(xs[0]), wMax = wMin, wAbs = 0, tAbs = 0;
        for (std::size_t k = 0; k < N; ++k) {
            const Real w = wOf(xs[k]);
            wMin = std::min(wMin, w);
            wMax = std::max(wMax, w);
            wAbs = std::max(wAbs, std::fabs(w));
            tAbs = std::max(tAbs, std::fabs(UsesLogOfY(model) ? std::log(Real(ys[k])) : Real(ys[k])));
        }
        if (isFixed) {
            wAbs = std::max(wAbs, std::fabs(UsesLogOfX(model) ? lnX0 : Real(x0)));
            tAbs = std::max(tAbs, std::fabs(UsesLogOfY(model) ? lnY0 : Real(y0)));
        }
        // Centred on the data, unless they hold w = 0: there the powers of w are
        // the natural basis, and moving the centre away would make the power
        // form cancel terms far larger than its coefficients.
        Real m = (wMin + wMax) / 2;
        Real s = (wMax - wMin) / 2;
        if (wMin <= 0 && wMax >= 0) {
            m = 0;
            s = std::max(-wMin, wMax);
        }
        if (!(s > 0)) s = 1;
        const Real w0 = isFixed ? (UsesLogOfX(model) ? lnX0 : Real(x0)) : 0;
        const Real z0 = (w0 - m) / s;

        // Basis values of a point (z = (w - m) / s).
        auto basis = [&](Real w, Real* c) {
            const Real z = (w - m) / s;
            if (poly) {
                // Powers of z (times z - z0 through a fixed point).
                Real zk = 1;
                const int count = isFixed ? n : n + 1;
                for (int k = 0; k < count; ++k, zk *= z) c[k] = (isFixed ? z - z0 : 1) * zk;
            } else if (isFixed) {
                c[0] = z - z0;
            } else {
                c[0] = 1;
                c[1] = z;
            }
        };

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
                A[0] = (UsesLogOfY(model) ? lnY0 : Real(y0)) - A[1] * w0;
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
            const Real size = UsesLogOfY(model) ? 1 : tAbs;
            return Determined(UsesLogOfY(model) ? 1 : A[0], E[0], 1, size, accuracy) &&
                   Determined(model == FitModelGeometric ? 1 : A[1], E[1], wAbs, size, accuracy);
        };
        Real tNorm = 0;
        for (std::size_t k = 0; k < N; ++k) tNorm += tOf(ys[k]) * tOf(ys[k]);
        tNorm = std::sqrt(tNorm);
        // The least squares of the points in the basis, by the normal equations
        // (fast) or by reflections (accurate), with the error estimate.
        auto solve = [&](bool accurate, StableSolution* sol) {
            Triangle t;
            Real c[kMaxUnknowns];
            if (accurate) {
                HouseholderLsq factor(u);
                for (std::size_t k = 0; k < N; ++k) {
                    basis(wOf(xs[k]), c);
                    factor.AddRow(c, tOf(ys[k]));
                }
                factor.Finish();
                t = FromHouseholder(factor);
            } else {
                NormalEquations normal(u, poly);
                for (std::size_t k = 0; k < N; ++k) {
                    basis(wOf(xs[k]), c);
                    normal.AddRow(c, tOf(ys[k]));
                }
                if (!normal.Factor(&t)) return false;
            }
            if (!SolveWithBound(t, N, tNorm, !accurate, sol)) return false;
            if (!accurate) {
                // One correction from the residuals, taken in long double from the
                // basis itself: the normal matrix then only has to point the way,
                // and its error (squared condition) shrinks by its own size.
                Real g[kMaxUnknowns] = {};
                for (std::size_t k = 0; k < N; ++k) {
                    basis(wOf(xs[k]), c);
                    Real r = tOf(ys[k]);
                    for (int j = 0; j < u; ++j) r -= c[j] * sol->b[j];
                    for (int j = 0; j < u; ++j) g[j] += c[j] * r;
                }
                Real w[kMaxUnknowns];
                for (int i = 0; i < u; ++i) {
                    Real v = g[i];
                    for (int k = 0; k < i; ++k) v -= t.r[k][i] * w[k];
                    w[i] = v / t.r[i][i];
                }
                for (int i = u - 1; i >= 0; --i) {
                    Real v = w[i];
                    for (int j = i + 1; j < u; ++j) v -= t.r[i][j] * w[j];
                    w[i] = v / t.r[i][i];
                }
                for (int j = 0; j < u; ++j) sol->b[j] += w[j];
            }
            return true;
        };
        StableSolution sol;
        Real A[kMaxUnknowns] = {};
        Real E[kMaxUnknowns] = {};
        bool determined = false;
        for (bool accurate : {false, true}) {
            sol = StableSolution();
            if (!solve(accurate, &sol)) continue;
            toModel(sol.b, A);
            toModelError(sol.b, sol.err, E);
            // The fast way must leave little to gain: a result that it cannot
            // give to 10 digits is made by reflections.
            if ((determined = allDetermined(A, E, accurate ? kUsefulAccuracy : kFastAccuracy))) break;
        }
        if (!determined) return false;

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
            const Real outA = UsesLogOfY(model) ? std::exp(a) : a;
            const Real outB = model == FitModelGeometric ? std::exp(b) : b;
            if (!Representable(outA) || !Representable(outB)) return false;
            if (UsesLogOfY(model) && outA == 0) return false;
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
            const Real z = (w - m) / s;
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
            Real sum = 0;
            for (std::size_t k = 0; k < N; ++k) sum += tOf(ys[k]);
            const Real mean = sum / Real(N);
            Real ssRes = 0, ssTot = 0;
            for (std::size_t k = 0; k < N; ++k) {
                const Real w = wOf(xs[k]);
                const Real t = tOf(ys[k]);
                const Real fitted = poly ? polyValue(w) : a + b * w;
                ssRes += (fitted - t) * (fitted - t);
                ssTot += (t - mean) * (t - mean);
            }
            // Data without spread is reproduced exactly by every free model (they
            // all hold a constant term): 0/0 there, and a rounding excess of SSres
            // over SStot, would otherwise give no number or +INF.
            double r = 1.0;
            if (ssTot != 0) {
                const Real q = 1 - ssRes / ssTot;
                r = q > 0 ? double(std::sqrt(q)) : 0.0;
            }
            *corr = r;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
