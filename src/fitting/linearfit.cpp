#include "fitting/linearfit.h"

#include "fitting/householder.h"
#include "fitting/spacing.h"
#include "platform/mathpolicy.h"

#include <algorithm>
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
// data hold w = 0), powers of z for a polynomial, times a factor vanishing at the
// fixed point for a fit through it. The solution comes with an estimate of its
// rounding error, carried to the coefficients the report shows.
struct StableSolution {
    Real b[kMaxUnknowns] = {};    // coefficients of the basis
    Real err[kMaxUnknowns] = {};  // estimate of their rounding errors
    Real residual = 0;            // residual norm
};

// Rounding error of the solution of the factor (N rows, target norm tNorm), to
// first order: backward-stable Householder steps perturb each basis column and
// the target by a few units of the working precision; the solution moves by that
// through the inverse of the column-scaled factor, once for the fitted part and
// twice for the residual. Measured against quadruple-precision solutions of
// thousands of polynomial fits, it stays above the true error. false when the
// basis is numerically dependent.
bool SolveWithBound(const HouseholderLsq& f, std::size_t N, Real tNorm, StableSolution* s) {
    const int u = f.Columns();
    if (!f.Solve(s->b)) return false;
    Real scale[kMaxUnknowns];
    for (int j = 0; j < u; ++j) {
        scale[j] = f.ColumnNorm(j);
        if (!(scale[j] > 0)) return false;
    }
    // Inverse of R with unit columns, row by row from the bottom.
    Real inv[kMaxUnknowns][kMaxUnknowns] = {};
    for (int i = u - 1; i >= 0; --i) {
        const Real d = f.R(i, i) / scale[i];
        if (d == 0) return false;
        inv[i][i] = 1 / d;
        for (int j = i + 1; j < u; ++j) {
            Real sum = 0;
            for (int k = i + 1; k <= j; ++k) sum += f.R(i, k) / scale[k] * inv[k][j];
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
    // A basis whose columns are dependent to the working precision.
    if (invNorm * std::sqrt(Real(u)) * kEps * 64 >= 1) return false;
    Real bScaled = 0;
    for (int j = 0; j < u; ++j) bScaled += (scale[j] * s->b[j]) * (scale[j] * s->b[j]);
    bScaled = std::sqrt(bScaled);
    const Real unit = kEps * std::sqrt(Real(u + 1)) * std::sqrt(std::sqrt(Real(N)) + 1);
    const Real rootU = std::sqrt(Real(u));
    s->residual = f.ResidualNorm();
    for (int j = 0; j < u; ++j)
        s->err[j] = unit * rowNorm[j] * (tNorm + rootU * bScaled + rootU * invNorm * s->residual) / scale[j];
    return true;
}

// Whether a coefficient is known well enough: to the useful relative accuracy, or
// it is so small that its whole term (with its error) stays below that accuracy
// of the fitted values (the zero coefficients of an even or odd curve, the
// constant term of a curve through the origin fitted far from it).
bool Determined(Real value, Real error, Real influence, Real size) {
    if (!(error >= 0)) return false;
    return error <= kUsefulAccuracy * std::fabs(value) ||
           (std::fabs(value) + error) * influence <= kUsefulAccuracy * size;
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
            if (poly && isFixed) {
                Real zk = 1;
                for (int k = 0; k < n; ++k, zk *= z) c[k] = (z - z0) * zk;
            } else if (poly) {
                c[0] = 1;
                for (int j = 1; j <= n; ++j) c[j] = c[j - 1] * z;
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
        auto allDetermined = [&](const Real* A, const Real* E) {
            if (poly) {
                Real influence = 1;
                for (int i = 0; i <= n; ++i, influence *= wAbs)
                    if (!Determined(A[i], E[i], influence, tAbs)) return false;
                return true;
            }
            const Real size = UsesLogOfY(model) ? 1 : tAbs;
            return Determined(UsesLogOfY(model) ? 1 : A[0], E[0], 1, size) &&
                   Determined(model == FitModelGeometric ? 1 : A[1], E[1], wAbs, size);
        };
        HouseholderLsq factor(u);
        {
            Real c[kMaxUnknowns];
            for (std::size_t k = 0; k < N; ++k) {
                basis(wOf(xs[k]), c);
                factor.AddRow(c, tOf(ys[k]));
            }
        }
        factor.Finish();
        Real tNorm = 0;
        for (std::size_t k = 0; k < N; ++k) tNorm += tOf(ys[k]) * tOf(ys[k]);
        StableSolution sol;
        if (!SolveWithBound(factor, N, std::sqrt(tNorm), &sol)) return false;

        Real A[kMaxUnknowns] = {};
        Real E[kMaxUnknowns] = {};
        toModel(sol.b, A);
        toModelError(sol.b, sol.err, E);
        if (!allDetermined(A, E)) return false;

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
