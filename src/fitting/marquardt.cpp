#include "fitting/marquardt.h"

#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/escape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

std::string NlsqFunctionText;
std::string NlsqDerivativeText[NlsqMaxParameters + 1];
std::int16_t NlsqParamEnabled[NlsqMaxParameters + 1] = {};
int NlsqFreeCount = 0;
int NlsqFreeIndex[NlsqMaxParameters + 1] = {};
double NlsqAllowance = 0.0;

// ---------------------------------------------------------------------------
// Linear algebra

int LUDecompose(int n, NlsqMatrix& a, NlsqPermutation& p) {
    if (n < 1 || n > NlsqMaxParameters) return 0;
    double scale[NlsqMaxParameters + 1] = {};
    for (int i = 1; i <= n; ++i) {
        p[i] = i;
        double largest = 0.0;
        for (int j = 1; j <= n; ++j) {
            const double v = std::fabs(a[i][j]);
            // A matrix with an infinity or a NaN has no usable decomposition, and
            // the comparisons below would not notice.
            if (!std::isfinite(v)) return 0;
            if (v > largest) largest = v;
        }
        if (largest == 0.0) return 0;
        scale[i] = 1.0 / largest;
    }
    for (int k = 1; k <= n; ++k) {
        double best = -1.0;
        int winner = k;
        for (int i = k; i <= n; ++i) {
            const double candidate = std::fabs(a[p[i]][k]) * scale[p[i]];
            if (candidate > best) {
                best = candidate;
                winner = i;
            }
        }
        std::swap(p[k], p[winner]);
        const double pivot = a[p[k]][k];
        if (pivot == 0.0 || !std::isfinite(pivot)) return 0;
        for (int i = k + 1; i <= n; ++i) {
            const int r = p[i];
            a[r][k] /= pivot;
            for (int j = k + 1; j <= n; ++j) a[r][j] -= a[r][k] * a[p[k]][j];
        }
    }
    return 1;
}

int InvertMatrix(int n, NlsqMatrix& a, NlsqMatrix& inv) {
    NlsqPermutation p{};
    if (!LUDecompose(n, a, p)) return 0;
    for (int c = 1; c <= n; ++c) {
        for (int i = 1; i <= n; ++i) {
            double s = p[i] == c ? 1.0 : 0.0;
            for (int j = 1; j < i; ++j) s -= a[p[i]][j] * inv[j][c];
            inv[i][c] = s;
        }
        for (int i = n; i >= 1; --i) {
            double s = inv[i][c];
            for (int j = i + 1; j <= n; ++j) s -= a[p[i]][j] * inv[j][c];
            if (a[p[i]][i] == 0.0) return 0;
            inv[i][c] = s / a[p[i]][i];
        }
    }
    return 1;
}

int SolveNormalEquations(NlsqMatrix& alpha, int n, NlsqVector& beta) {
    if (n < 1 || n > NlsqMaxParameters) return 0;
    NlsqVector copy = beta;
    NlsqMatrix w{};
    if (!InvertMatrix(n, alpha, w)) return 0;
    for (int i = 1; i <= n; ++i) {
        double s = 0.0;
        for (int j = 1; j <= n; ++j) s += w[i][j] * copy[j];
        beta[i] = s;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Model values and derivatives

namespace {

double& At(TArrayAsVector<double>& col, int r) { return col[col.LowerBound() + r - 1]; }

// Compiles text on the axis set, evaluates it at the n fit points and hands each
// value to store(r, value). false when it does not compile or some point fails.
template <class Store>
bool EvaluatePass(BoxFrame* set, const std::string& text, const TPlot* fitSeries, int n,
                  Store store) {
    double value = 0.0;
    if (!set->Evaluate(text, value, BoxFrame::EvalCompile, fitSeries, 0, -1,
                       BoxFrame::ComponentValue))
        return false;
    // Evaluated a block of points at a time, each stored as the rows go.
    constexpr int kBlock = 256;
    double values[kBlock];
    std::uint8_t ok[kBlock];
    for (int first = 1; first <= n; first += kBlock) {
        const int m = std::min(kBlock, n - first + 1);
        set->EvaluateRows(fitSeries, first - 1, m, values, ok, BoxFrame::ComponentValue, nullptr, true);
        for (int k = 0; k < m; ++k) {
            if (!ok[k]) return false;
            store(first + k, values[k]);
        }
    }
    return true;
}

}  // namespace

// The model column and the derivative columns of all nine parameters, free or
// not: a derivative text that does not work fails the pass even for a parameter
// that is held fixed.
int NlsqJacobian(BoxFrame* set, FitColumnSet& cols, int n, const double* P, int paramCount,
                 const TPlot* fitSeries) {
    if (!set || !fitSeries || !P || n < 1 || paramCount < 1 || paramCount > NlsqMaxParameters)
        return 0;
    if (n > fitSeries->XData.GetItemsInContainer() || n > fitSeries->YData.GetItemsInContainer())
        return 0;

    double q[NlsqMaxParameters + 1] = {};
    for (int k = 1; k <= NlsqMaxParameters; ++k) q[k] = k <= paramCount ? P[k] : FitParameters[k];
    auto restore = [&q] {
        for (int k = 1; k <= NlsqMaxParameters; ++k) FitParameters[k] = q[k];
    };
    restore();

    TArrayAsVector<double>& values = cols[0];
    values.Flush();
    if (!EvaluatePass(set, NlsqFunctionText, fitSeries, n,
                      [&values](int, double v) { values.Add(v); })) {
        restore();
        return 0;
    }
    for (int k = 1; k <= NlsqMaxParameters; ++k) {
        TArrayAsVector<double>& col = cols[std::size_t(k)];
        col.Flush();
        bool ok = false;
        if (!NlsqDerivativeText[k].empty()) {
            ok = EvaluatePass(set, NlsqDerivativeText[k], fitSeries, n,
                              [&col](int, double v) { col.Add(v); });
        } else {
            // The step follows the sign of the parameter.
            double h = q[k] * 1e-5;
            if (h == 0.0) h = 1e-5;
            FitParameters[k] = q[k] + h;
            ok = EvaluatePass(set, NlsqFunctionText, fitSeries, n, [&](int r, double v) {
                col.Add((v - At(values, r)) / h);
            });
            restore();
        }
        if (!ok) {
            restore();
            return 0;
        }
    }
    restore();
    return 1;
}

int NlsqNormalEquations(BoxFrame* set, FitColumnSet& cols, const TPlot* fitSeries, int n,
                        const double* P, int paramCount, const int* freeList, int m,
                        NlsqMatrix& alpha, NlsqVector& beta, double& chiSquare) {
    if (!freeList || m < 1 || m > NlsqMaxParameters) return 0;
    for (int i = 1; i <= m; ++i)
        if (freeList[i] < 1 || freeList[i] > NlsqMaxParameters) return 0;
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= i; ++j) alpha[i][j] = 0.0;
        beta[i] = 0.0;
    }
    chiSquare = 0.0;
    if (!NlsqJacobian(set, cols, n, P, paramCount, fitSeries)) return 0;

    for (int r = 1; r <= n; ++r) {
        const double d = fitSeries->YData[r - 1].Value - At(cols[0], r);
        for (int i = 1; i <= m; ++i) {
            const double ji = At(cols[std::size_t(freeList[i])], r);
            for (int j = 1; j <= i; ++j) {
                alpha[i][j] += ji * At(cols[std::size_t(freeList[j])], r);
                alpha[j][i] = alpha[i][j];
            }
            beta[i] += ji * d;
        }
        chiSquare += d * d;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// The iteration

namespace {

// The square root of DBL_EPSILON. Near a minimum the chi-square changes with the
// square of a step, so a minimum found by comparing chi-squares in double is
// known to about this fraction and no closer.
constexpr double kResolution = 1.4901161193847656e-08;

bool AllFinite(const NlsqMatrix& alpha, const NlsqVector& beta, double chi, int m) {
    if (!std::isfinite(chi)) return false;
    for (int i = 1; i <= m; ++i) {
        if (!std::isfinite(beta[i])) return false;
        for (int j = 1; j <= m; ++j)
            if (!std::isfinite(alpha[i][j])) return false;
    }
    return true;
}

// The norm of the model values that the last pass wrote into column 0. Summed
// in long double: the squares of values above 1e154 overflow a double, and an
// infinite norm would let every step pass for small.
double ModelNorm(const FitColumnSet& cols, int n) {
    const double* v = cols[0].data();
    long double sum = 0.0L;
    for (int r = 0; r < n; ++r) sum += (long double)v[r] * v[r];
    return double(std::sqrt(sum));
}

}  // namespace

int NlsqMarquardt(BoxFrame* set, FitColumnSet& cols, const TPlot* fitSeries, int n, double* P,
                  const int* freeList, int m, double tolerance, NlsqTrace* trace) {
    if (!P || !freeList || m < 1 || m > NlsqMaxParameters || n < 1) return 0;
    for (int i = 1; i <= m; ++i)
        if (freeList[i] < 1 || freeList[i] > NlsqMaxParameters) return 0;
    if (!set || !fitSeries) return 0;
    // An Escape latched by an earlier operation must not stop this fit.
    AbortRequested = 0;

    // Kept apart from P: every evaluation writes the vector it evaluates into
    // FitParameters, which the run passes as P.
    double current[NlsqMaxParameters + 1] = {};
    for (int k = 1; k <= NlsqMaxParameters; ++k) current[k] = P[k];
    // The normal equations, chi-square and model norm of the current parameters.
    NlsqMatrix alpha{};
    NlsqVector beta{};
    double chi = 0.0;
    double modelNorm = 0.0;
    const double tol = std::fabs(tolerance);
    double lambda = 0.001;
    int iterations = 0;

    auto finish = [&](int result) {
        for (int k = 1; k <= NlsqMaxParameters; ++k) {
            P[k] = current[k];
            FitParameters[k] = current[k];
        }
        if (trace) {
            trace->Iterations = iterations;
            trace->Lambda = lambda;
            trace->ChiSquare = chi;
        }
        return result;
    };
    auto dampedSolve = [&](NlsqVector& d) {
        NlsqMatrix a = alpha;
        for (int i = 1; i <= m; ++i) a[i][i] *= 1.0 + lambda;
        d = beta;
        return SolveNormalEquations(a, m, d) == 1;
    };

    // One step from the current parameters: false when the fit is to fail.
    // *accepted tells whether the trial became current, *trialChi its chi-square
    // (+INF when the model or a derivative was not finite there).
    auto step = [&](bool* accepted, double* trialChi) {
        NlsqVector d{};
        if (!dampedSolve(d)) return false;
        double trial[NlsqMaxParameters + 1];
        for (int k = 0; k <= NlsqMaxParameters; ++k) trial[k] = current[k];
        for (int i = 1; i <= m; ++i) trial[freeList[i]] = current[freeList[i]] + d[i];
        NlsqMatrix trialAlpha{};
        NlsqVector trialBeta{};
        double chiThere = 0.0;
        if (!NlsqNormalEquations(set, cols, fitSeries, n, trial, NlsqMaxParameters, freeList, m,
                                 trialAlpha, trialBeta, chiThere))
            return false;
        // A trial where the model or a derivative is not finite is no improvement,
        // whatever its chi-square says.
        const bool finite = AllFinite(trialAlpha, trialBeta, chiThere, m);
        *trialChi = finite ? chiThere : HUGE_VAL;
        *accepted = finite && chiThere < chi;
        if (*accepted) {
            lambda *= 0.1;
            alpha = trialAlpha;
            beta = trialBeta;
            chi = chiThere;
            modelNorm = ModelNorm(cols, n);
            for (int i = 1; i <= m; ++i) current[freeList[i]] = trial[freeList[i]];
        } else {
            lambda *= 10.0;
        }
        if (trace) trace->Accepted.push_back(*accepted ? 1 : 0);
        return true;
    };

    // At a minimum within the tolerance: the last trial's chi-square (the drop
    // of an accepted one, the rise of a rejected one) is within tolerance times
    // the current chi-square, and the undamped (Gauss-Newton) step from here is
    // small in every parameter, either against the parameter or in its effect on
    // the model values. A small change alone proves nothing: after a few
    // rejections lambda makes any step tiny, and a change measured against the
    // chi-square after the first step, which from a far start is huge, passes
    // far from the minimum.
    auto converged = [&](double before, bool accepted, double trialChi) {
        const double change = accepted ? before - chi : trialChi - chi;
        if (!(change <= tol * chi)) return false;
        NlsqMatrix a = alpha;
        NlsqVector g = beta;
        if (!SolveNormalEquations(a, m, g)) return false;
        // A step's effect on the model values is the step times the norm of the
        // parameter's derivative column (the square root of alpha's diagonal).
        const double floor = kResolution * modelNorm;
        for (int i = 1; i <= m; ++i) {
            const double gi = std::fabs(g[i]);
            // Below the resolution no tolerance can be met. A Gauss-Newton step
            // built from forward differences also carries their error (about half
            // the difference step times the second derivative), so for those
            // parameters ten times the resolution is the least asked; where that
            // error is larger still, the test is not met and the fit fails at the
            // iteration limit.
            const double resolved = NlsqDerivativeText[freeList[i]].empty() ? 10 * kResolution : kResolution;
            const double relative = std::max(0.1 * tol, resolved);
            if (!(gi <= relative * std::fabs(current[freeList[i]]) || gi * std::sqrt(alpha[i][i]) <= floor))
                return false;
        }
        return true;
    };

    if (!NlsqNormalEquations(set, cols, fitSeries, n, current, NlsqMaxParameters, freeList, m,
                             alpha, beta, chi))
        return finish(0);
    // Parameters where the model has no finite value at some point cannot be
    // improved on by comparison: every trial would look no better and the fit
    // would "converge" on them.
    if (!AllFinite(alpha, beta, chi, m)) return finish(0);
    modelNorm = ModelNorm(cols, n);

    bool accepted = false;
    double trialChi = 0.0;
    if (!step(&accepted, &trialChi)) return finish(0);
    for (;;) {
        if (CheckEscapeAbort()) return finish(0);
        const double before = chi;
        ++iterations;
        if (!step(&accepted, &trialChi)) return finish(0);
        if (iterations >= NlsqMaxIterations) return finish(0);
        if (converged(before, accepted, trialChi)) break;
    }
    // One more step's matrix is solved; a fit whose damped equations have become
    // singular fails.
    NlsqVector unused{};
    if (!dampedSolve(unused)) return finish(0);
    return finish(1);
}
