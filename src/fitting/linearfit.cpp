#include "fitting/linearfit.h"

#include "fitting/spacing.h"
#include "platform/mathpolicy.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

namespace {

constexpr double kMax = std::numeric_limits<double>::max();
constexpr int kMaxUnknowns = LSQ_MAX_DEGREE + 1;

// A value that is infinite, or not a number (which an overflow produces as soon
// as two infinities meet), ends the fit.
inline bool Overflows(double v) { return !(std::fabs(v) < kMax); }

// Whether xs holds at least `need` distinct values, not counting x0 when skipX0.
// Fewer distinct positions than coefficients make the normal matrix singular; the
// elimination would then return rounding noise instead of failing.
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

double Horner(const double* coeff, int n, double x) {
    double y = coeff[n];
    for (int i = n - 1; i >= 0; --i) y = y * x + coeff[i];
    return y;
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
        const int n = model == FitModelPolynomial ? degree : 1;
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
        if (model == FitModelPolynomial) {
            if (isFixed && n == 0) return false;
            u = isFixed ? n : n + 1;
        } else {
            u = isFixed ? 1 : 2;
        }
        if (!EnoughDistinct(xs, u, isFixed, x0)) return false;

        // Domain of the logarithms taken of the fixed point.
        if (isFixed && (model == FitModelLogarithmic || model == FitModelPower) && !(x0 > 0))
            return false;
        if (isFixed && UsesLogOfY(model) && !(y0 > 0)) return false;
        double x0Pow[kMaxUnknowns] = {};
        if (model == FitModelPolynomial && isFixed)
            for (int i = 1; i <= n; ++i) x0Pow[i] = kv::math::Pow(x0, double(i));
        const double lnX0 = (x0 > 0) ? kv::math::Log(x0) : 0.0;
        const double lnY0 = (y0 > 0) ? kv::math::Log(y0) : 0.0;

        // Normal matrix with the right-hand side as column u, accumulated point by
        // point. An overflow turns a sum infinite (or not a number) for good, so the
        // sums are tested once at the end.
        double M[kMaxUnknowns][kMaxUnknowns + 1] = {};
        double c[kMaxUnknowns];
        for (std::size_t k = 0; k < N; ++k) {
            const double xv = xs[k];
            const double yv = ys[k];
            switch (model) {
            case FitModelPolynomial:
                if (isFixed) {
                    for (int i = 1; i <= n; ++i) c[i - 1] = kv::math::Pow(xv, double(i)) - x0Pow[i];
                } else {
                    c[0] = 1.0;
                    for (int i = 1; i <= n; ++i) c[i] = c[i - 1] * xv;
                }
                break;
            case FitModelExponential:
            case FitModelGeometric:
                if (isFixed) {
                    c[0] = xv - x0;
                } else {
                    c[0] = 1.0;
                    c[1] = xv;
                }
                break;
            case FitModelLogarithmic:
            case FitModelPower:
                // The power model's free form would reach the overflow test with
                // ln of a non-positive x as +INF; both fail alike.
                if (!(xv > 0)) return false;
                if (isFixed) {
                    c[0] = kv::math::Log(xv) - lnX0;
                } else {
                    c[0] = 1.0;
                    c[1] = kv::math::Log(xv);
                }
                break;
            }
            double t = 0.0;
            if (UsesLogOfY(model)) {
                if (!(yv > 0)) return false;
                t = isFixed ? kv::math::Log(yv) - lnY0 : kv::math::Log(yv);
            } else {
                t = isFixed ? yv - y0 : yv;
            }
            for (int i = 0; i < u; ++i) {
                for (int j = i; j < u; ++j) M[i][j] += c[i] * c[j];
                M[i][u] += c[i] * t;
            }
        }
        for (int i = 0; i < u; ++i) {
            for (int j = i; j <= u; ++j) {
                if (Overflows(M[i][j])) return false;
                if (j < u) M[j][i] = M[i][j];
            }
        }

        // Gauss-Jordan elimination, no pivoting, no row exchanges.
        for (int p = 0; p < u; ++p) {
            const double pivot = M[p][p];
            if (pivot == 0.0) return false;
            for (int j = p; j <= u; ++j) M[p][j] /= pivot;
            for (int i = 0; i < u; ++i) {
                if (i == p) continue;
                const double f = M[i][p];
                for (int j = p; j <= u; ++j) {
                    M[i][j] -= M[p][j] * f;
                    if (Overflows(M[i][j])) return false;
                }
            }
        }

        // Back to the model's coefficients.
        double a = 0.0;
        double b = 0.0;
        switch (model) {
        case FitModelPolynomial:
            if (isFixed) {
                for (int i = 1; i <= n; ++i) coeff[i] = M[i - 1][u];
                coeff[0] = y0;
                for (int i = 1; i <= n; ++i) coeff[0] -= coeff[i] * x0Pow[i];
            } else {
                for (int i = 0; i <= n; ++i) coeff[i] = M[i][u];
            }
            break;
        case FitModelExponential:
            if (isFixed) {
                b = M[0][u];
                a = kv::math::Exp(lnY0 - b * x0);
            } else {
                a = kv::math::Exp(M[0][u]);
                b = M[1][u];
            }
            break;
        case FitModelLogarithmic:
            if (isFixed) {
                b = M[0][u];
                a = y0 - b * lnX0;
            } else {
                a = M[0][u];
                b = M[1][u];
            }
            break;
        case FitModelGeometric:
            if (isFixed) {
                b = kv::math::Exp(M[0][u]);
                if (!(b > 0)) return false;
                a = kv::math::Exp(lnY0 - kv::math::Log(b) * x0);
            } else {
                a = kv::math::Exp(M[0][u]);
                b = kv::math::Exp(M[1][u]);
            }
            break;
        case FitModelPower:
            if (isFixed) {
                b = M[0][u];
                a = kv::math::Exp(lnY0 - b * lnX0);
            } else {
                a = kv::math::Exp(M[0][u]);
                b = M[1][u];
            }
            break;
        }
        if (model != FitModelPolynomial) {
            coeff[0] = a;
            coeff[1] = b;
        }

        // The fitted curve.
        if (!FitOutputPositions(outX, outStart, outEnd, divisions, spacing, false)) return false;
        outY->Flush();
        const int points = outX->GetItemsInContainer();
        for (int k = 0; k < points; ++k) {
            const double xv = (*outX)[outX->LowerBound() + k];
            double yv = 0.0;
            if (model == FitModelPolynomial) {
                yv = coeff[n];
                for (int i = n - 1; i >= 0; --i) {
                    yv = yv * xv + coeff[i];
                    if (Overflows(yv)) return false;
                }
            } else {
                yv = ModelValue(model, a, b, xv);
                if (Overflows(yv)) return false;
            }
            outY->Add(yv);
        }

        // Correlation coefficient of a free fit; models 2, 4 and 5 are compared in
        // the logarithmic space they were fitted in.
        if (!isFixed) {
            double ssRes = 0.0;
            double sum = 0.0;
            std::vector<double> ts(N);
            for (std::size_t k = 0; k < N; ++k) {
                const double xv = xs[k];
                double fitted = 0.0;
                double t = ys[k];
                switch (model) {
                case FitModelPolynomial: fitted = Horner(coeff, n, xv); break;
                case FitModelLogarithmic: fitted = a + b * kv::math::Log(xv); break;
                case FitModelExponential: fitted = kv::math::Log(a) + b * xv; break;
                case FitModelGeometric: fitted = kv::math::Log(a) + xv * kv::math::Log(b); break;
                case FitModelPower: fitted = kv::math::Log(a) + b * kv::math::Log(xv); break;
                }
                if (UsesLogOfY(model)) t = kv::math::Log(t);
                ts[k] = t;
                ssRes += (fitted - t) * (fitted - t);
                sum += t;
            }
            const double mean = sum / double(N);
            double ssTot = 0.0;
            for (double t : ts) ssTot += (t - mean) * (t - mean);
            // Data without spread is reproduced exactly by every free model (they
            // all hold a constant term): 0/0 there, and a rounding excess of SSres
            // over SStot, would otherwise give no number or +INF.
            double r = 1.0;
            if (ssTot != 0.0) {
                const double q = 1.0 - ssRes / ssTot;
                r = q > 0.0 ? std::sqrt(q) : 0.0;
            }
            *corr = r;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
