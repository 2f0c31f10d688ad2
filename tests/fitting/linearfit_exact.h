// Linear least squares in quadruple precision for the fit tests: the exact
// solution of a problem, and how far its data determine it, computed here on
// their own and not by the solver's method.
//
// Every model is a straight line or a polynomial in the fitted variables
// (w = x or ln x, t = y or ln y), optionally constrained to pass through
// (w0, t0). The solution comes from the bordered normal equations in w centred
// and scaled to [-1, 1], refined from residuals, and is carried to the
// coefficients the solver reports. "Determined" is the change of that exact
// solution, to first order, when every stored value (each x and y, and x0 and y0
// of a fixed point) moves by one unit in its last place in the direction that
// moves the coefficient most: the sum over the values of |d coefficient /
// d value| times that unit.
#pragma once

#include "fitting/linearfit.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <vector>

namespace linexact {

using Quad = __float128;

inline Quad Abs(Quad v) { return v < 0 ? -v : v; }

inline bool LogOfX(int model) { return model == FitModelLogarithmic || model == FitModelPower; }
inline bool LogOfY(int model) {
    return model == FitModelExponential || model == FitModelGeometric || model == FitModelPower;
}

struct Problem {
    int model = FitModelPolynomial;
    int degree = 1;
    bool fixed = false;
    double x0 = 0, y0 = 0;
    std::vector<double> x, y;
};

// The coefficients compared: A0 .. An of a polynomial; for models 2 to 5 the
// intercept and slope of the line in the fitted variables (ln A for the models
// through ln y, ln B for the geometric one).
struct Exact {
    bool solved = false;
    std::vector<Quad> coeff;
    std::vector<Quad> change;  // what one unit in the last place of every value can move each
};

// The spacing of doubles at |v|.
inline Quad Unit(double v) {
    const double a = std::fabs(v);
    return Quad(std::nextafter(a, HUGE_VAL)) - Quad(a);
}

inline Exact Solve(const Problem& p) {
    const bool poly = p.model == FitModelPolynomial, logX = LogOfX(p.model), logY = LogOfY(p.model);
    const int n = poly ? p.degree : 1, q = n + 1, k = q + (p.fixed ? 1 : 0);
    const std::size_t N = p.x.size();
    auto wOf = [&](double v) { return logX ? Quad(std::log((long double)v)) : Quad(v); };
    auto tOf = [&](double v) { return logY ? Quad(std::log((long double)v)) : Quad(v); };
    // How far w and t move when x and y move by one unit.
    auto wUnit = [&](double v) { return logX ? Unit(v) / Quad(v) : Unit(v); };
    auto tUnit = [&](double v) { return logY ? Unit(v) / Quad(v) : Unit(v); };
    Exact out;
    if (N == 0) return out;
    Quad lo = wOf(p.x[0]), hi = lo;
    for (double v : p.x) {
        lo = std::min(lo, wOf(v));
        hi = std::max(hi, wOf(v));
    }
    const Quad m = (lo + hi) / 2, s = hi > lo ? (hi - lo) / 2 : 1;
    const Quad z0 = p.fixed ? (wOf(p.x0) - m) / s : 0, t0 = p.fixed ? tOf(p.y0) : 0;
    // Powers of z and their derivatives.
    auto powers = [&](Quad z, Quad* c, Quad* d) {
        c[0] = 1;
        d[0] = 0;
        for (int j = 1; j < q; ++j) {
            c[j] = c[j - 1] * z;
            d[j] = Quad(j) * c[j - 1];
        }
    };
    Quad c[12], d[12], c0[12], d0[12];
    powers(z0, c0, d0);
    // The constraint c0 . theta = t0 divided by the size of c0, which far from
    // the data would otherwise dwarf G in the bordered matrix.
    Quad c0Norm = 0;
    for (int j = 0; j < q; ++j) c0Norm = std::max(c0Norm, Abs(c0[j]));
    for (int j = 0; j < q; ++j) {
        c0[j] /= c0Norm;
        d0[j] /= c0Norm;
    }

    // The bordered matrix [G c0; c0' 0], factorised with partial pivoting.
    Quad a[12][12] = {};
    for (std::size_t i = 0; i < N; ++i) {
        powers((wOf(p.x[i]) - m) / s, c, d);
        for (int r = 0; r < q; ++r)
            for (int col = 0; col < q; ++col) a[r][col] += c[r] * c[col];
    }
    if (p.fixed)
        for (int j = 0; j < q; ++j) a[j][q] = a[q][j] = c0[j];
    int perm[12];
    for (int i = 0; i < k; ++i) perm[i] = i;
    for (int col = 0; col < k; ++col) {
        int best = col;
        for (int r = col + 1; r < k; ++r)
            if (Abs(a[r][col]) > Abs(a[best][col])) best = r;
        if (a[best][col] == 0) return out;
        std::swap(a[col], a[best]);
        std::swap(perm[col], perm[best]);
        for (int r = col + 1; r < k; ++r) {
            a[r][col] /= a[col][col];
            for (int j = col + 1; j < k; ++j) a[r][j] -= a[r][col] * a[col][j];
        }
    }
    auto solve = [&](const Quad* rhs, Quad* x) {
        Quad v[12];
        for (int i = 0; i < k; ++i) {
            v[i] = rhs[perm[i]];
            for (int j = 0; j < i; ++j) v[i] -= a[i][j] * v[j];
        }
        for (int i = k - 1; i >= 0; --i) {
            for (int j = i + 1; j < k; ++j) v[i] -= a[i][j] * v[j];
            v[i] /= a[i][i];
        }
        std::copy(v, v + k, x);
    };

    // theta (powers of z) and the multiplier of the constraint, refined from
    // the residuals of the data.
    Quad sol[12] = {};
    for (int pass = 0; pass < 4; ++pass) {
        Quad rhs[12] = {}, step[12];
        for (std::size_t i = 0; i < N; ++i) {
            powers((wOf(p.x[i]) - m) / s, c, d);
            Quad r = tOf(p.y[i]);
            for (int j = 0; j < q; ++j) r -= c[j] * sol[j];
            for (int j = 0; j < q; ++j) rhs[j] += c[j] * r;
        }
        if (p.fixed) {
            Quad at0 = 0;
            for (int j = 0; j < q; ++j) {
                rhs[j] -= sol[q] * c0[j];
                at0 += c0[j] * sol[j];
            }
            rhs[q] = t0 / c0Norm - at0;
        }
        solve(rhs, step);
        for (int j = 0; j < k; ++j) sol[j] += step[j];
    }

    // The reported coefficients are T theta: divided by s^j, then moved from
    // powers of w - m to powers of w.
    auto toReported = [&](const Quad* theta, Quad* A) {
        Quad sj = 1;
        for (int j = 0; j < q; ++j, sj *= s) A[j] = theta[j] / sj;
        for (int i = 0; i < n; ++i)
            for (int j = n - 1; j >= i; --j) A[j] -= m * A[j + 1];
    };
    out.coeff.assign(std::size_t(q), 0);
    toReported(sol, out.coeff.data());
    // Through (0, y0) the constant term is y0 itself.
    if (poly && p.fixed && p.x0 == 0) out.coeff[0] = t0;

    // H = T times the first q rows of the bordered inverse: how the reported
    // coefficients answer a change of the right-hand side.
    Quad h[12][12];
    for (int j = 0; j < k; ++j) {
        Quad e[12] = {}, col[12], A[12];
        e[j] = 1;
        solve(e, col);
        toReported(col, A);
        for (int i = 0; i < q; ++i) h[i][j] = A[i];
    }
    auto addChange = [&](const Quad* rhs, Quad unit) {
        for (int i = 0; i < q; ++i) {
            Quad v = 0;
            for (int j = 0; j < k; ++j) v += h[i][j] * rhs[j];
            out.change[std::size_t(i)] += Abs(v) * unit;
        }
    };
    out.change.assign(std::size_t(q), 0);
    for (std::size_t i = 0; i < N; ++i) {
        powers((wOf(p.x[i]) - m) / s, c, d);
        Quad r = tOf(p.y[i]), slope = 0;
        for (int j = 0; j < q; ++j) {
            r -= c[j] * sol[j];
            slope += d[j] * sol[j];
        }
        // A change of t moves the right-hand side G theta = C't by c; one of
        // z by d r - c (d . theta).
        Quad byT[12] = {}, byZ[12] = {};
        for (int j = 0; j < q; ++j) {
            byT[j] = c[j];
            byZ[j] = d[j] * r - c[j] * slope;
        }
        addChange(byT, tUnit(p.y[i]));
        addChange(byZ, wUnit(p.x[i]) / s);
    }
    if (p.fixed) {
        Quad byT0[12] = {}, byZ0[12] = {}, slope0 = 0;
        for (int j = 0; j < q; ++j) slope0 += d0[j] * sol[j];
        byT0[q] = 1 / c0Norm;
        for (int j = 0; j < q; ++j) byZ0[j] = -sol[q] * d0[j];
        byZ0[q] = -slope0;
        addChange(byT0, tUnit(p.y0));
        addChange(byZ0, wUnit(p.x0) / s);
    }
    out.solved = true;
    return out;
}

// What makes a coefficient matter: its whole term at the farthest w against the
// largest |t|, and whether it is compared as a logarithm (an absolute error).
struct Weights {
    std::vector<Quad> influence;
    std::vector<bool> logScale;
    Quad size = 1;
};

inline Weights WeightsOf(const Problem& p) {
    const bool poly = p.model == FitModelPolynomial;
    auto wOf = [&](double v) { return LogOfX(p.model) ? std::log((long double)v) : (long double)v; };
    long double wAbs = p.fixed ? std::fabs(wOf(p.x0)) : 0, yAbs = p.fixed ? std::fabs(p.y0) : 0;
    for (double v : p.x) wAbs = std::max(wAbs, std::fabs(wOf(v)));
    for (double v : p.y) yAbs = std::max<long double>(yAbs, std::fabs(v));
    Weights w;
    const int q = poly ? p.degree + 1 : 2;
    Quad influence = 1;
    for (int i = 0; i < q; ++i, influence *= Quad(wAbs)) w.influence.push_back(influence);
    w.logScale.assign(std::size_t(q), false);
    if (!poly) {
        w.logScale[0] = LogOfY(p.model);
        w.logScale[1] = p.model == FitModelGeometric;
    }
    w.size = poly || !LogOfY(p.model) ? Quad(yAbs) : Quad(1);
    return w;
}

constexpr double kSevenDigits = 1e-7;

// The worst relative error of the coefficients that matter (see Weights): 0 for
// one whose whole term, got or wanted, is below 1e-7 of the data, and infinity
// for a wrong one that should be 0.
inline double WorstError(const Problem& p, const std::vector<Quad>& got, const Exact& want) {
    const Weights w = WeightsOf(p);
    double worst = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Quad err = Abs(got[i] - want.coeff[i]);
        double e = 0;
        if (w.logScale[i]) e = double(err);
        else if (std::max(Abs(got[i]), Abs(want.coeff[i])) * w.influence[i] <= Quad(kSevenDigits) * w.size) e = 0;
        else e = want.coeff[i] == 0 ? HUGE_VAL : double(err / Abs(want.coeff[i]));
        worst = std::max(worst, e);
    }
    return worst;
}

// The same for the change the data allow: the data determine every coefficient
// to 7 significant digits when this is at most 1e-7.
inline double WorstChange(const Problem& p, const Exact& e) {
    const Weights w = WeightsOf(p);
    double worst = 0;
    for (std::size_t i = 0; i < e.coeff.size(); ++i) {
        const Quad v = Abs(e.coeff[i]), change = e.change[i];
        double r = 0;
        if (w.logScale[i]) r = double(change);
        else if ((v + change) * w.influence[i] <= Quad(kSevenDigits) * w.size) r = 0;
        else r = v == 0 ? HUGE_VAL : double(change / v);
        worst = std::max(worst, r);
    }
    return worst;
}

// Whether a double can show the answer: every coefficient (A and B of the
// models, not their logarithms) finite and either 0 or in the normal range.
inline bool Showable(const Problem& p, const Exact& e) {
    for (std::size_t i = 0; i < e.coeff.size(); ++i) {
        const bool logScale = p.model != FitModelPolynomial &&
                              ((i == 0 && LogOfY(p.model)) || (i == 1 && p.model == FitModelGeometric));
        // exp stays within the normal range for logarithms from -708 to 709.
        const Quad v = Abs(e.coeff[i]);
        if (logScale ? !(e.coeff[i] > Quad(-708) && e.coeff[i] < Quad(709))
                     : !(v <= Quad(DBL_MAX) && (v == 0 || v >= Quad(DBL_MIN))))
            return false;
    }
    return true;
}

// The solver's answer as the compared coefficients.
inline std::vector<Quad> Reported(const Problem& p, const double* coeff) {
    if (p.model == FitModelPolynomial) return std::vector<Quad>(coeff, coeff + p.degree + 1);
    const Quad a = LogOfY(p.model) ? Quad(std::log((long double)coeff[0])) : Quad(coeff[0]);
    const Quad b = p.model == FitModelGeometric ? Quad(std::log((long double)coeff[1])) : Quad(coeff[1]);
    return {a, b};
}

}  // namespace linexact
