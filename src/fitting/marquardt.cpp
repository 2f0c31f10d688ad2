#include "fitting/marquardt.h"

#include "fitting/householder.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/escape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

std::string NlsqFunctionText;
std::string NlsqDerivativeText[NlsqMaxParameters + 1];
std::int16_t NlsqParamEnabled[NlsqMaxParameters + 1] = {};
int NlsqFreeCount = 0;
int NlsqFreeIndex[NlsqMaxParameters + 1] = {};
double NlsqAllowance = 0.0;

FitColumnSet MakeFitColumnSet() {
    auto column = [] { return TArrayAsVector<double>(0, 1, 1000); };
    return {column(), column(), column(), column(), column(),
            column(), column(), column(), column(), column()};
}

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

using Mask = std::array<bool, NlsqMaxParameters + 1>;

// The cube root of DBL_EPSILON: the relative step of a central difference.
constexpr double kDifferenceStep = 6.0554544523933395e-06;
// The square root of DBL_EPSILON: below this relative size a step from values
// rounded to a double tells nothing.
constexpr double kResolution = 1.4901161193847656e-08;

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

// The model column and the derivative columns of the parameters in `wanted`.
// Columns of other parameters are never read by the solver; computing them could
// only fail on a derivative text that the user did not mean to use.
int Jacobian(BoxFrame* set, FitColumnSet& cols, int n, const double* P, int paramCount,
             const TPlot* fitSeries, const Mask& wanted) {
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
        if (!wanted[std::size_t(k)]) continue;
        bool ok = false;
        if (!NlsqDerivativeText[k].empty()) {
            ok = EvaluatePass(set, NlsqDerivativeText[k], fitSeries, n,
                              [&col](int, double v) { col.Add(v); });
        } else {
            // A central difference, with the step that balances its truncation
            // (of the order of the step squared) against the rounding of the
            // model values (their precision over the step): the cube root of the
            // precision, relative to the parameter and following its sign. Both
            // steps are the ones the parameter actually takes once rounded. A
            // one-sided difference with a fixed step would bias the derivative
            // by its own size, and with it the minimum found.
            double h = q[k] * kDifferenceStep;
            if (h == 0.0) h = kDifferenceStep;
            const double up = q[k] + h, down = q[k] - h;
            FitParameters[k] = up;
            ok = EvaluatePass(set, NlsqFunctionText, fitSeries, n, [&col](int, double v) { col.Add(v); });
            FitParameters[k] = down;
            if (ok)
                ok = EvaluatePass(set, NlsqFunctionText, fitSeries, n, [&](int r, double v) {
                    At(col, r) = (At(col, r) - v) / (up - down);
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

}  // namespace

int NlsqJacobian(BoxFrame* set, FitColumnSet& cols, int n, const double* P, int paramCount,
                 const TPlot* fitSeries) {
    Mask wanted{};
    for (int k = 1; k <= NlsqMaxParameters; ++k) wanted[std::size_t(k)] = NlsqParamEnabled[k] == 1;
    return Jacobian(set, cols, n, P, paramCount, fitSeries, wanted);
}

int NlsqNormalEquations(BoxFrame* set, FitColumnSet& cols, const TPlot* fitSeries, int n,
                        const double* P, int paramCount, const int* freeList, int m,
                        NlsqMatrix& alpha, NlsqVector& beta, double& chiSquare) {
    if (!freeList || m < 1 || m > NlsqMaxParameters) return 0;
    Mask wanted{};
    for (int i = 1; i <= m; ++i) {
        if (freeList[i] < 1 || freeList[i] > NlsqMaxParameters) return 0;
        wanted[std::size_t(freeList[i])] = true;
    }
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= i; ++j) alpha[i][j] = 0.0;
        beta[i] = 0.0;
    }
    chiSquare = 0.0;
    if (!Jacobian(set, cols, n, P, paramCount, fitSeries, wanted)) return 0;

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

// The fit linearised at one parameter vector: the model values and derivative
// columns, folded into a triangular factor of the Jacobian with the residuals as
// target (so that steps are solved without squaring the Jacobian's condition).
struct Linearisation {
    explicit Linearisation(int m) : factor(m) {}
    HouseholderLsq factor;
    double chi = 0.0;              // sum of squared residuals
    long double modelNorm = 0;     // norm of the model values
    long double scale[NlsqMaxParameters + 1] = {};  // column norms of the Jacobian
    bool finite = true;            // every value and derivative is finite
};

// The model's values at the fit points for the parameters P (FitParameters
// hold P afterwards). false when the model fails at a point.
bool ModelValues(BoxFrame* set, const TPlot* fitSeries, int n, const double* P, std::vector<double>& out) {
    for (int k = 1; k <= NlsqMaxParameters; ++k) FitParameters[k] = P[k];
    out.clear();
    return EvaluatePass(set, NlsqFunctionText, fitSeries, n, [&out](int, double v) { out.push_back(v); });
}

// false when a formula fails (the fit fails); a linearisation with values that
// are not finite is returned with finite false.
bool Linearise(BoxFrame* set, FitColumnSet& cols, const TPlot* fitSeries, int n, const double* P,
               const int* freeList, int m, Linearisation& out) {
    out.factor.Reset();
    out.finite = true;
    Mask wanted{};
    for (int i = 1; i <= m; ++i) wanted[std::size_t(freeList[i])] = true;
    if (!Jacobian(set, cols, n, P, NlsqMaxParameters, fitSeries, wanted)) return false;
    double row[HouseholderLsq::MaxColumns];
    long double chi = 0, model2 = 0;
    for (int r = 1; r <= n; ++r) {
        const double f = At(cols[0], r);
        const long double d = (long double)fitSeries->YData[r - 1].Value - f;
        for (int i = 1; i <= m; ++i) {
            const double j = At(cols[std::size_t(freeList[i])], r);
            if (!std::isfinite(j)) out.finite = false;
            row[i - 1] = j;
        }
        if (!std::isfinite(f)) out.finite = false;
        if (!out.finite) break;  // the trial is refused whatever the rest holds
        out.factor.AddRow(row, d);
        chi += d * d;
        model2 += (long double)f * f;
    }
    out.factor.Finish();
    out.chi = double(chi);
    if (!std::isfinite(out.chi)) out.finite = false;
    out.modelNorm = std::sqrt(model2);
    for (int i = 1; i <= m; ++i) out.scale[i] = out.factor.ColumnNorm(i - 1);
    return true;
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
    const double tol = std::fabs(tolerance);
    double lambda = 0.001;
    int iterations = 0;

    auto finish = [&](int result, double chi) {
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

    // The model values and the free parameters' derivative columns at the
    // current parameters, kept from the work columns (which the next trial
    // overwrites) for the curvature correction.
    FitColumnSet kept = MakeFitColumnSet();
    auto keep = [&] {
        kept[0] = cols[0];
        for (int i = 1; i <= m; ++i) kept[std::size_t(freeList[i])] = cols[std::size_t(freeList[i])];
    };
    // The linearisation at the current parameters and the one of a trial; they
    // change places when the trial is accepted.
    auto now = std::make_unique<Linearisation>(m);
    auto next = std::make_unique<Linearisation>(m);
    if (!Linearise(set, cols, fitSeries, n, current, freeList, m, *now)) return finish(0, 0.0);
    // Parameters where the model has no finite value at some point cannot be
    // improved on by comparison: every trial would look no better and the fit
    // would "converge" on them.
    if (!now->finite) return finish(0, now->chi);
    keep();

    // The damping scales are the Jacobian's column norms at the current
    // parameters (now->scale), so that the damped matrix is J'J with its diagonal
    // times (1 + lambda).
    std::vector<double> probe;
    std::vector<double> along;  // J d, then the second derivative along d
    // The second-order correction of a step d along the curved path of the
    // model (geodesic acceleration): a = -(J'J + lambda D^2)^-1 J' f_dd, with
    // f_dd the model's second derivative along d by a finite difference. In a
    // long curved valley (sums of exponentials, rational models) it lets a step
    // follow the valley instead of crawling along its floor. A correction larger
    // than 3/8 of the step means the model bends too much for a second-order
    // guess; that step, like one whose probe point has no model value, goes
    // without it (whether it is better still decides).
    auto acceleration = [&](const long double* d, long double* a) {
        constexpr double h = 0.1;
        double moved[NlsqMaxParameters + 1];
        for (int k = 0; k <= NlsqMaxParameters; ++k) moved[k] = current[k];
        for (int i = 1; i <= m; ++i) moved[freeList[i]] = double(current[freeList[i]] + h * d[i - 1]);
        // The model's change along d to first order (a correction needs no
        // more than double precision).
        double dd[NlsqMaxParameters];
        for (int i = 0; i < m; ++i) dd[i] = double(d[i]);
        along.assign(std::size_t(n), 0.0);
        for (int i = 1; i <= m; ++i) {
            const double* col = kept[std::size_t(freeList[i])].data();
            for (int r = 0; r < n; ++r) along[std::size_t(r)] += col[r] * dd[i - 1];
        }
        // A probe that moves the model by less than the rounding resolves would
        // measure only noise (steps at a minimum reached to the last digit).
        double moved2 = 0;
        for (double v : along) moved2 += v * v;
        if (!(h * std::sqrt(moved2) > kResolution * now->modelNorm)) return;
        if (!ModelValues(set, fitSeries, n, moved, probe)) return;
        const double* values = kept[0].data();
        for (int r = 0; r < n; ++r) {
            along[std::size_t(r)] = 2 / h * ((probe[std::size_t(r)] - values[r]) / h - along[std::size_t(r)]);
            if (!std::isfinite(along[std::size_t(r)])) return;
        }
        long double g[NlsqMaxParameters] = {};
        for (int i = 1; i <= m; ++i) {
            const double* col = kept[std::size_t(freeList[i])].data();
            double sum = 0;
            for (int r = 0; r < n; ++r) sum -= col[r] * along[std::size_t(r)];
            g[i - 1] = sum;
        }
        long double w[NlsqMaxParameters] = {};
        long double c[NlsqMaxParameters] = {};
        const long double* damp = now->scale + 1;
        if (!now->factor.SolveTransposed(g, w) || !now->factor.SolveDamped(lambda, damp, c, w)) return;
        long double nc = 0, nd = 0;
        for (int i = 0; i < m; ++i) {
            nc += (damp[i] * c[i]) * (damp[i] * c[i]);
            nd += (damp[i] * d[i]) * (damp[i] * d[i]);
        }
        if (2 * std::sqrt(nc) > 0.75L * std::sqrt(nd)) return;
        for (int i = 0; i < m; ++i) a[i] = c[i];
    };

    // One step from the current parameters: false when the fit is to fail.
    // *accepted tells whether the trial became current, *trialChi its chi-square
    // (+INF when the model was not finite there).
    auto step = [&](bool* accepted, double* trialChi) {
        long double d[NlsqMaxParameters] = {};
        // (J'J + lambda diag(J'J)) d = J'r, solved from the factor of J.
        if (!now->factor.SolveDamped(lambda, now->scale + 1, d)) return false;
        long double a[NlsqMaxParameters] = {};
        acceleration(d, a);
        double trial[NlsqMaxParameters + 1];
        for (int k = 0; k <= NlsqMaxParameters; ++k) trial[k] = current[k];
        for (int i = 1; i <= m; ++i) trial[freeList[i]] = double(current[freeList[i]] + d[i - 1] + a[i - 1] / 2);
        if (!Linearise(set, cols, fitSeries, n, trial, freeList, m, *next)) return false;
        *trialChi = next->finite ? next->chi : HUGE_VAL;
        // A trial where the model or a derivative is not finite is no improvement,
        // whatever its chi-square says.
        *accepted = next->finite && next->chi < now->chi;
        if (*accepted) {
            lambda *= 0.1;
            std::swap(now, next);
            keep();
            for (int i = 1; i <= m; ++i) current[freeList[i]] = trial[freeList[i]];
        } else {
            lambda *= 10.0;
        }
        if (trace) trace->Accepted.push_back(*accepted ? 1 : 0);
        return true;
    };

    // At a minimum within the tolerance: the step just taken changed the
    // chi-square by at most tolerance times the current chi-square, and the
    // undamped (Gauss-Newton) step from here is small in every parameter, either
    // against the parameter or in its effect on the model values. A damped step
    // alone proves nothing: after a few rejections lambda makes it tiny anywhere.
    auto converged = [&](double before, bool accepted, double trialChi) {
        const double chi = now->chi;
        const double change = accepted ? before - chi : trialChi - chi;
        if (!(change <= tol * chi)) return false;
        long double g[NlsqMaxParameters] = {};
        if (!now->factor.Solve(g)) return false;
        const long double floor = kResolution * now->modelNorm;
        for (int i = 1; i <= m; ++i) {
            const long double gi = std::fabs(g[i - 1]);
            // Below what the rounded model values resolve no step can be trusted:
            // a step found through derivatives from their differences settles
            // near ten times the square root of the precision.
            const long double resolved = NlsqDerivativeText[freeList[i]].empty() ? 10 * kResolution
                                                                                  : kResolution;
            const long double relative = std::max(0.1L * tol, resolved);
            if (!(gi <= relative * std::fabs((long double)current[freeList[i]]) ||
                  gi * now->scale[i] <= floor))
                return false;
        }
        return true;
    };

    bool accepted = false;
    double trialChi = 0.0;
    if (!step(&accepted, &trialChi)) return finish(0, now->chi);
    for (;;) {
        if (CheckEscapeAbort()) return finish(0, now->chi);
        const double before = now->chi;
        ++iterations;
        if (!step(&accepted, &trialChi)) return finish(0, now->chi);
        if (iterations >= NlsqMaxIterations) return finish(0, now->chi);
        if (converged(before, accepted, trialChi)) break;
    }
    return finish(1, now->chi);
}
