#include "fitting/linearfit.h"

#include "fitting/householder.h"
#include "fitting/spacing.h"
#include "platform/mathpolicy.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

namespace {

using Real = long double;

constexpr double kMax = std::numeric_limits<double>::max();
constexpr int kMaxUnknowns = LSQ_MAX_DEGREE + 1;
// A shown coefficient must be determined by the data to this relative accuracy
// (or its whole term must be this small against the data).
constexpr Real kUseful = 1e-7L;

// A value that is infinite, or not a number (which an overflow produces as soon
// as two infinities meet), ends the fit.
inline bool Overflows(double v) { return !(std::fabs(v) < kMax); }

typedef double V2 __attribute__((vector_size(16)));
inline V2 Abs(V2 v) { return V2{std::fabs(v[0]), std::fabs(v[1])}; }

// The spacing of doubles at |v|: how far one rounding can have moved a value.
double Unit(double v) {
    const int e = int(std::bit_cast<std::uint64_t>(std::fabs(v)) >> 52);
    if (e > 52) return std::bit_cast<double>(std::uint64_t(e - 52) << 52);
    return std::ldexp(DBL_TRUE_MIN, std::max(e - 1, 0));
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

// Every model is fitted as a polynomial t = A0 + A1 w + ... in the fitted
// variables (w = x or ln x, t = y or ln y; models 2 to 5 are straight lines),
// solved in z = (w - m) / s, the data centred and scaled to [-1, 1] (only scaled
// when they hold w = 0, where the powers of w are the natural basis).
//
// A free fit solves for the coefficients of z^j. Through a fixed point (z0, t0)
// the polynomial is t0 ell(z) + (z - z0) sum b_j z^j, with ell(z0) = 1, and the
// columns (z - z0) z^j are fitted to t - t0 ell(z). ell is 1 when the fixed point
// lies among the data; beyond them it is T_n(z) / T_n(z0), the smallest
// polynomial on [-1, 1] with that value (Chebyshev), so that however far the
// point and however large t0, the targets stay of the size of the data and so
// does their rounding.
struct Basis {
    int n = 0;      // degree in w
    bool fixed = false;
    bool chebyshev = false;  // ell = T_n(z) / T_n(z0)
    double m = 0;   // centre
    Real s = 1;     // scale, a power of two
    Real z0 = 0, t0 = 0;
    Real ell[kMaxUnknowns] = {1};  // ell in powers of z
    Real atZ0 = 1;                 // T_n(z0)

    void Through(Real z, Real t) {
        fixed = true;
        z0 = z;
        t0 = t;
        chebyshev = std::fabs(z0) > 1;
        if (!chebyshev) return;
        Real before[kMaxUnknowns] = {1}, next[kMaxUnknowns];
        std::fill(ell, ell + kMaxUnknowns, Real(0));
        ell[1] = 1;
        for (int k = 1; k < n; ++k) {  // T_(k+1) = 2 z T_k - T_(k-1)
            for (int j = 0; j <= k + 1; ++j) next[j] = (j > 0 ? 2 * ell[j - 1] : 0) - before[j];
            std::copy(ell, ell + k + 1, before);
            std::copy(next, next + k + 2, ell);
        }
        atZ0 = Chebyshev(z0);
        for (int j = 0; j <= n; ++j) ell[j] /= atZ0;
    }
    Real Chebyshev(Real z) const {
        Real before = 1, t = z;
        for (int k = 1; k < n; ++k) {
            const Real next = 2 * z * t - before;
            before = t;
            t = next;
        }
        return t;
    }
    Real Ell(Real z) const { return chebyshev ? Chebyshev(z) / atZ0 : Real(1); }

    // The polynomial in powers of z of the columns' coefficients b, plus
    // t0Term ell through the fixed point.
    void PowersOfZ(const Real* b, Real t0Term, Real* theta) const {
        if (!fixed) {
            std::copy(b, b + n + 1, theta);
            return;
        }
        for (int j = 0; j <= n; ++j)
            theta[j] = t0Term * ell[j] + (j >= 1 ? b[j - 1] : 0) - (j < n ? z0 * b[j] : 0);
    }
    // Powers of z as powers of w: divided by s^j, then moved from w - m to w.
    void PowersOfW(Real* a) const {
        Real sj = 1;
        for (int j = 0; j <= n; ++j, sj *= s) a[j] /= sj;
        for (int i = 0; i < n; ++i)
            for (int j = n - 1; j >= i; --j) a[j] -= Real(m) * a[j + 1];
    }
};

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
        if (isFixed && n == 0) return false;
        count = std::min({count, x->GetItemsInContainer(), y->GetItemsInContainer()});

        // The points of the fitting range whose two values are finite: the lists
        // themselves where every pair is, else a copy of those that are.
        const int last = (rangeEnd == -1 || rangeEnd > count) ? count : rangeEnd;
        const std::size_t span = last >= rangeStart ? std::size_t(last - rangeStart + 1) : 0;
        const double* px = span ? x->data() + (rangeStart - 1) : nullptr;
        const double* py = span ? y->data() + (rangeStart - 1) : nullptr;
        double xMin = kMax, xMax = -kMax, yMin = kMax, yMax = -kMax;
        std::size_t N = 0;
        for (std::size_t k = 0; k < span; ++k) {
            if (Overflows(px[k]) || Overflows(py[k])) continue;
            ++N;
            xMin = std::min(xMin, px[k]);
            xMax = std::max(xMax, px[k]);
            yMin = std::min(yMin, py[k]);
            yMax = std::max(yMax, py[k]);
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

        // Logarithms of values that are not positive: under the program's
        // math-error rule ln gives +INF there, which fails the fit at its first
        // overflow test; refused here before any work.
        if (isFixed && logX && !(x0 > 0)) return false;
        if (isFixed && logY && !(y0 > 0)) return false;
        if (logX && !(xMin > 0)) return false;
        if (logY && !(yMin > 0)) return false;
        auto W = [&](double v) { return logX ? std::log(Real(v)) : Real(v); };
        auto T = [&](double v) { return logY ? std::log(Real(v)) : Real(v); };

        Basis basis;
        basis.n = n;
        const int u = isFixed ? n : n + 1, q = n + 1;
        const Real wMin = W(xMin), wMax = W(xMax);
        Real half = (wMax - wMin) / 2;
        basis.m = double((wMin + wMax) / 2);
        if (wMin <= 0 && wMax >= 0) {
            basis.m = 0;
            half = std::max(-wMin, wMax);
        }
        int e = 0;
        if (half > 0) std::frexp(half, &e);
        basis.s = std::ldexp(Real(1), e);
        const Real is = 1 / basis.s, m = basis.m;
        const Real w0 = isFixed ? W(x0) : 0;
        if (isFixed) basis.Through((w0 - m) * is, T(y0));
        const Real z0 = basis.z0, t0 = basis.t0;

        // The least squares by Householder reflections in long double: the
        // condition of the basis enters the solution once, not squared as in
        // the normal equations.
        HouseholderLsq factor(u);
        for (std::size_t k = 0; k < N; ++k) {
            const Real z = (W(px[k]) - m) * is;
            if (isFixed) factor.AddPowers(z - z0, z, T(py[k]) - t0 * basis.Ell(z));
            else factor.AddPowers(1, z, T(py[k]));
        }
        factor.Finish();
        Real b[kMaxUnknowns];
        if (!factor.Solve(b)) return false;
        Real theta[kMaxUnknowns], A[kMaxUnknowns];
        basis.PowersOfZ(b, t0, theta);
        std::copy(theta, theta + q, A);
        basis.PowersOfW(A);

        // How far the data determine the coefficients: the change of the
        // solution, to first order, when every x and y (and the fixed point)
        // moves by one unit in its last place in the direction that moves the
        // coefficient most. (The reflections' own rounding, in long double,
        // stays far below it.) With G = R'R, a change g of the columns'
        // gradient C'(t - C b) moves b by G^-1 g: the polynomial in z by
        // Z g = (b to theta) G^-1 g, the coefficients by L g = (theta to A) Z g.
        Real rInv[kMaxUnknowns][kMaxUnknowns] = {};
        for (int i = u - 1; i >= 0; --i) {
            rInv[i][i] = 1 / factor.R(i, i);
            for (int j = i + 1; j < u; ++j) {
                Real sum = 0;
                for (int k = i + 1; k <= j; ++k) sum += factor.R(i, k) * rInv[k][j];
                rInv[i][j] = -sum * rInv[i][i];
            }
        }
        Real Z[kMaxUnknowns][kMaxUnknowns];
        // L by columns, each padded to a fixed width so that the products
        // with a point's vectors run in vector lanes, two at a time; only the
        // lanes that hold coefficients are worked.
        constexpr int kLanes = (kMaxUnknowns + 1) / 2;
        const int used = (q + 1) / 2;
        V2 L[kMaxUnknowns][kLanes] = {};
        for (int j = 0; j < u; ++j) {
            Real col[kMaxUnknowns], a[kMaxUnknowns];
            for (int i = 0; i < u; ++i) {
                Real sum = 0;
                for (int k = std::max(i, j); k < u; ++k) sum += rInv[i][k] * rInv[j][k];
                col[i] = sum;
            }
            basis.PowersOfZ(col, 0, a);
            for (int i = 0; i < q; ++i) Z[i][j] = a[i];
            basis.PowersOfW(a);
            for (int i = 0; i < q; ++i) L[j][i / 2][i % 2] = double(a[i]);
        }
        // Per point, in doubles (the change needs few digits): t moves the
        // gradient by c, z by c' r - c f', with r the residual and f' the
        // slope of the fit in z (c_j = phi z^j, phi = z - z0 or 1). A fixed
        // point moves all at once; what it needs is summed on the way.
        double change[2 * kLanes] = {};
        double residuals = 0, cEll[kMaxUnknowns] = {};
        {
            V2 lanes[kLanes] = {};
            // The fit and its slope from the powers of z.
            double th[kMaxUnknowns], dth[kMaxUnknowns] = {};
            for (int j = 0; j < q; ++j) th[j] = double(theta[j]);
            for (int j = 0; j < n; ++j) dth[j] = double(j + 1) * th[j + 1];
            const double md = basis.m, isd = double(is), z0d = double(z0);
            for (std::size_t k = 0; k < N; ++k) {
                const double w = logX ? std::log(px[k]) : px[k];
                const double z = (w - md) * isd;
                const double dz = (logX ? Unit(px[k]) / px[k] : Unit(px[k])) * isd;
                const double dt = logY ? Unit(py[k]) / py[k] : Unit(py[k]);
                double zp[kMaxUnknowns + 1];
                zp[0] = 1;
                for (int j = 1; j <= n; ++j) zp[j] = zp[j - 1] * z;
                double fit = 0, slope = 0;
                for (int j = 0; j <= n; ++j) {
                    fit += th[j] * zp[j];
                    slope += dth[j] * zp[j];
                }
                const double r = (logY ? std::log(py[k]) : py[k]) - fit;
                // c_j = phi z^j and c'_j, phi = z - z0 or 1.
                double c[kMaxUnknowns], g[kMaxUnknowns];
                const double phi = isFixed ? z - z0d : 1;
                for (int j = 0; j < u; ++j) {
                    c[j] = phi * zp[j];
                    const double dc = (isFixed ? zp[j] : 0) + (j > 0 ? phi * double(j) * zp[j - 1] : 0);
                    g[j] = dc * r - c[j] * slope;
                }
                V2 lc[kLanes] = {}, lg[kLanes] = {};
                for (int j = 0; j < u; ++j) {
                    const V2 cj = {c[j], c[j]}, gj = {g[j], g[j]};
#pragma GCC unroll 6
                    for (int h = 0; h < used; ++h) {
                        lc[h] += L[j][h] * cj;
                        lg[h] += L[j][h] * gj;
                    }
                }
                const V2 dtv = {dt, dt}, dzv = {dz, dz};
#pragma GCC unroll 6
                for (int h = 0; h < used; ++h) lanes[h] += Abs(lc[h]) * dtv + Abs(lg[h]) * dzv;
                if (isFixed) {
                    residuals += r;
                    const double ell = double(basis.Ell(z));
                    for (int j = 0; j < u; ++j) cEll[j] += c[j] * ell;
                }
            }
            for (int h = 0; h < kLanes; ++h) {
                change[2 * h] = lanes[h][0];
                change[2 * h + 1] = lanes[h][1];
            }
        }
        if (isFixed) {
            // With the data held, t0 moves the polynomial in z by
            // v = ell - Z (sum c ell); z0 moves it by -lambda Z z0^j - p'(z0) v,
            // lambda = the sum of the residuals (the multiplier of the
            // constraint) and p' the fit's slope.
            Real byT0[kMaxUnknowns], byZ0[kMaxUnknowns], slope0 = 0, power = 1;
            for (int j = n; j >= 1; --j) slope0 = slope0 * z0 + Real(j) * theta[j];
            for (int i = 0; i < q; ++i) {
                Real viaEll = 0, viaPowers = 0;
                power = 1;
                for (int j = 0; j < u; ++j, power *= z0) {
                    viaEll += Z[i][j] * Real(cEll[j]);
                    viaPowers += Z[i][j] * power;
                }
                byT0[i] = basis.ell[i] - viaEll;
                byZ0[i] = -Real(residuals) * viaPowers;
            }
            for (int i = 0; i < q; ++i) byZ0[i] -= slope0 * byT0[i];
            basis.PowersOfW(byT0);
            basis.PowersOfW(byZ0);
            const double dt0 = logY ? Unit(y0) / y0 : Unit(y0);
            const double dz0 = (logX ? Unit(x0) / x0 : Unit(x0)) * double(is);
            for (int i = 0; i < q; ++i) change[i] += std::fabs(double(byT0[i])) * dt0 + std::fabs(double(byZ0[i])) * dz0;
        }
        // Through a fixed point at x = 0 the constant term is y0 itself.
        if (poly && isFixed && x0 == 0) {
            A[0] = Real(y0);
            change[0] = Unit(y0);
        }
        // Whether the data determine each coefficient: to the useful relative
        // accuracy, or its whole term (at the farthest w) is that small against
        // the largest |t| (the zero coefficients of an even or odd curve). The
        // intercept of the models through ln y is ln A, whose absolute change is
        // a relative one of A; the same for the slope ln B of the geometric one.
        {
            Real wAbs = std::max(std::fabs(wMin), std::fabs(wMax));
            Real tAbs = logY ? 1 : Real(std::max(std::fabs(yMin), std::fabs(yMax)));
            if (isFixed) {
                wAbs = std::max(wAbs, std::fabs(w0));
                if (!logY) tAbs = std::max(tAbs, std::fabs(t0));
            }
            Real influence = 1;
            for (int i = 0; i < q; ++i, influence *= wAbs) {
                const Real v = std::fabs(A[i]), d = change[i];
                const bool logScale = !poly && ((i == 0 && logY) || (i == 1 && model == FitModelGeometric));
                const bool determined = logScale ? d <= kUseful
                                                 : d <= kUseful * v || (v + d) * influence <= kUseful * tAbs;
                if (!determined) return false;
                // One no larger than what a rounding of the data can move it is
                // zero as far as the data tell: shown as 0 rather than as the
                // rounding left over from a cancellation.
                if (v <= d) A[i] = 0;
            }
        }

        // A coefficient the report can show is finite and, unless 0, not below
        // the normal range of a double (where it would lose its digits).
        auto representable = [](Real v) {
            const Real a = std::fabs(v);
            return a <= Real(kMax) && (a == 0 || a >= Real(DBL_MIN));
        };
        if (poly) {
            for (int i = 0; i <= n; ++i) {
                if (!representable(A[i])) return false;
                coeff[i] = double(A[i]);
            }
        } else {
            const Real outA = logY ? std::exp(A[0]) : A[0];
            const Real outB = model == FitModelGeometric ? std::exp(A[1]) : A[1];
            if (!representable(outA) || !representable(outB)) return false;
            if (logY && outA == 0) return false;
            if (model == FitModelGeometric && outB == 0) return false;
            coeff[0] = double(outA);
            coeff[1] = double(outB);
        }

        // The fitted curve. A polynomial is evaluated in the basis it was
        // fitted in: its power form about x = 0 can hold terms far larger than
        // the curve (data far from the origin), whose rounding would swamp it.
        if (!FitOutputPositions(outX, outStart, outEnd, divisions, spacing, false)) return false;
        outY->Flush();
        const int points = outX->GetItemsInContainer();
        for (int k = 0; k < points; ++k) {
            const double xv = (*outX)[outX->LowerBound() + k];
            double yv;
            if (poly) {
                const Real z = (Real(xv) - m) * is;
                Real v = 0;
                for (int j = u - 1; j >= 0; --j) v = v * z + b[j];
                yv = double(isFixed ? t0 * basis.Ell(z) + (z - z0) * v : v);
            } else {
                yv = ModelValue(model, coeff[0], coeff[1], xv);
            }
            if (Overflows(yv)) return false;
            outY->Add(yv);
        }

        // Correlation coefficient of a free fit, in the fitted variables (for
        // models 2, 4 and 5 in ln y). The first column is constant, so the
        // reflections' target beyond it holds the values about their mean: the
        // spread is its length, the residual what no column explains. Data
        // without spread is reproduced exactly by every free model: 0/0 there,
        // and a rounding excess of SSres over SStot, would otherwise give no
        // number or +INF.
        if (!isFixed) {
            const Real resid = factor.ResidualNorm();
            Real spread = resid * resid;
            for (int j = 1; j < u; ++j) spread += factor.Z(j) * factor.Z(j);
            double r = 1.0;
            if (yMin != yMax && spread > 0) {
                const Real ratio = 1 - resid * resid / spread;
                r = ratio > 0 ? double(std::sqrt(ratio)) : 0.0;
            }
            *corr = r;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
