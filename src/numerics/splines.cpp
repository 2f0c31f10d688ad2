#include "numerics/splines.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>
#include <vector>

#include "platform/escape.h"

namespace kv {

namespace {

// Samples between two polls of the Escape check.
constexpr long long kPollInterval = 10;

// The points that can be drawn, in input order.
struct ValidPoints {
    std::vector<double> x;
    std::vector<double> y;
    int Count() const { return int(x.size()); }
};

void CollectValid(const DoubleArray& x, const DoubleArray& y, ValidPoints* out) {
    // Read no further than both arrays reach.
    int count = std::min(x.GetItemsInContainer(), y.GetItemsInContainer());
    out->x.reserve(std::size_t(count) + 1);
    out->y.reserve(std::size_t(count) + 1);
    const double* px = x.data();
    const double* py = y.data();
    for (int k = 0; k < count; ++k) {
        // A NaN passes this test, as it compares false.
        if (std::fabs(px[k]) >= DBL_MAX || std::fabs(py[k]) >= DBL_MAX) continue;
        out->x.push_back(px[k]);
        out->y.push_back(py[k]);
    }
}

inline bool BadSample(double v) { return v == DBL_MAX || std::isnan(v); }

// Appends one point; false when the memory for it is missing.
bool AppendPoint(DoubleArray& outX, DoubleArray& outY, double a, double b) {
    try {
        if (!outX.Add(a)) return false;
        if (!outY.Add(b)) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Makes room for count more points at once: a long curve then neither copies
// its samples as the outputs grow nor fails half-way for lack of memory.
void ReserveOutput(DoubleArray& outX, DoubleArray& outY, long long count) {
    outX.Reserve(std::size_t(outX.GetItemsInContainer()) + std::size_t(count));
    outY.Reserve(std::size_t(outY.GetItemsInContainer()) + std::size_t(count));
}

// The one- and two-point cases of the interpolating splines: the points are
// copied; a failed append does not count as failure.
void CopyPoints(const ValidPoints& p, DoubleArray& outX, DoubleArray& outY) {
    for (int i = 0; i < p.Count(); ++i) AppendPoint(outX, outY, p.x[i], p.y[i]);
}

// The cubic of one interval, in the order of operations the curve is defined by.
inline double IntervalCubic(double s, int i, const double* t, const double* v, const double* z) {
    double h = t[i + 1] - t[i];
    if (h == 0.0) return DBL_MAX;
    double e = s - t[i];
    double second = (v[i + 1] - v[i]) / h - (z[i + 1] + z[i] * 2.0) * h;
    double first = (z[i] * 3.0 + ((z[i + 1] - z[i]) * e) / h) * e;
    return v[i] + (first + second) * e;
}

// The interval [t[i], t[i + 1]] that s falls into, over the points 0 .. last.
inline int FindInterval(double s, const double* t, int last) {
    int lo = 0;
    int hi = last;
    while (lo < hi) {
        int k = (lo + hi) / 2;
        if (t[k] < s)
            lo = k + 1;
        else
            hi = k;
    }
    if (lo > 0) --lo;
    return lo;
}

}  // namespace

int DrawnSplineDivisions(int m, long long segments) {
    if (m < 1) return m;
    m = std::min(m, kSplineMaxDivisions);
    segments = std::max(segments, 1LL);
    if (segments * m + 1 > kSplineMaxCurvePoints)
        m = int(std::max<long long>(1, (kSplineMaxCurvePoints - 1) / segments));
    return m;
}

int SplineSolve(const double* t, const double* v, double* z, int n) {
    if (n < 2) return 0;
    z[0] = 0.0;
    z[n - 1] = 0.0;
    if (n == 2) return t[1] - t[0] != 0.0 ? 1 : 0;  // a straight line
    std::vector<double> h(static_cast<std::size_t>(n - 1));
    std::vector<double> d(static_cast<std::size_t>(n));
    for (int i = 0; i <= n - 2; ++i) {
        h[i] = t[i + 1] - t[i];
        if (h[i] == 0.0) return 0;
        d[i + 1] = (v[i + 1] - v[i]) / h[i];
    }
    z[1] = (d[2] - d[1]) - z[0] * h[0];
    d[1] = (t[2] - t[0]) * 2.0;
    for (int i = 1; i <= n - 3; ++i) {
        if (d[i] == 0.0) return 0;
        double w = h[i] / d[i];
        z[i + 1] = (d[i + 2] - d[i + 1]) - z[i] * w;
        d[i + 1] = (t[i + 2] - t[i]) * 2.0 - h[i] * w;
    }
    z[n - 2] = z[n - 2] - z[n - 1] * h[n - 2];
    for (int i = n - 2; i >= 1; --i) {
        if (d[i] == 0.0) return 0;
        z[i] = (z[i] - z[i + 1] * h[i]) / d[i];
    }
    return 1;
}

double SplineValue(double s, const double* t, const double* v, const double* z, int n) {
    if (n < 2) return DBL_MAX;
    return IntervalCubic(s, FindInterval(s, t, n - 1), t, v, z);
}

int SplineCurve(const DoubleArray& x, const DoubleArray& y, DoubleArray& outX, DoubleArray& outY,
                int m) {
    try {
        ValidPoints p;
        CollectValid(x, y, &p);
        int n = p.Count();
        if (n == 0) return 0;
        // A NaN abscissa has no place on the x axis; the direction test below
        // would not catch one at either end.
        for (double v : p.x)
            if (std::isnan(v)) return 0;
        if (n <= 2) {
            CopyPoints(p, outX, outY);
            return 1;
        }

        double span = p.x[n - 1] - p.x[0];
        if (span > 0.0) {
            for (int i = 0; i <= n - 2; ++i)
                if (!(p.x[i + 1] - p.x[i] > 0.0)) return 0;
        } else if (span < 0.0) {
            for (int j = n - 1; j >= 1; --j)
                if (!(p.x[j] - p.x[j - 1] < 0.0)) return 0;
            std::reverse(p.x.begin(), p.x.end());
            std::reverse(p.y.begin(), p.y.end());
        } else {
            return 0;
        }
        const double* xs = p.x.data();
        const double* ys = p.y.data();

        long long total = (long long)(n - 1) * m;
        if (total > kSplineMaxSamples) return 0;
        std::vector<double> z(static_cast<std::size_t>(n));
        if (!SplineSolve(xs, ys, z.data(), n)) return 0;

        if (total >= 0) ReserveOutput(outX, outY, total + 1);
        double step = (xs[n - 1] - xs[0]) / double(total);
        for (long long i = 0; i <= total; ++i) {
            if (i % kPollInterval == 0 && CheckEscapeAbort() == 1) return 0;
            double a = xs[0] + step * double(i);
            double b = SplineValue(a, xs, ys, z.data(), n);
            if (BadSample(a) || BadSample(b)) return 0;
            if (!AppendPoint(outX, outY, a, b)) return 0;
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// --- Parametric splines ------------------------------------------------------

int PeriodicSplineSolve(const double* t, const double* v, double* z, int n) {
    if (n < 2) return 0;
    std::vector<double> h(static_cast<std::size_t>(n + 1));
    std::vector<double> d(static_cast<std::size_t>(n + 1));
    std::vector<double> w(static_cast<std::size_t>(n + 1));
    for (int i = 0; i <= n - 1; ++i) {
        h[i] = t[i + 1] - t[i];
        if (h[i] == 0.0) return 0;
        w[i] = (v[i + 1] - v[i]) / h[i];
    }
    w[n] = w[0];
    for (int i = 1; i <= n - 1; ++i) d[i] = (t[i + 1] - t[i - 1]) * 2.0;
    d[n] = (h[0] + h[n - 1]) * 2.0;
    for (int i = 1; i <= n; ++i) z[i] = w[i] - w[i - 1];
    w[1] = h[0];
    w[n - 1] = h[n - 1];
    w[n] = d[n];
    for (int i = 2; i <= n - 2; ++i) w[i] = 0.0;
    for (int i = 1; i <= n - 1; ++i) {
        if (d[i] == 0.0) return 0;
        double q = h[i] / d[i];
        z[i + 1] = z[i + 1] - z[i] * q;
        d[i + 1] = d[i + 1] - h[i] * q;
        w[i + 1] = w[i + 1] - w[i] * q;
    }
    w[0] = w[n];
    z[0] = z[n];
    for (int i = n - 2; i >= 0; --i) {
        if (d[i + 1] == 0.0) return 0;
        double q = h[i] / d[i + 1];
        z[i] = z[i] - z[i + 1] * q;
        w[i] = w[i] - w[i + 1] * q;
    }
    if (w[0] == 0.0) return 0;
    double q = z[0] / w[0];
    z[0] = q;
    z[n] = q;
    for (int i = 1; i <= n - 1; ++i) {
        if (d[i] == 0.0) return 0;
        z[i] = (z[i] - w[i] * q) / d[i];
    }
    return 1;
}

double PeriodicSplineValue(double s, const double* t, const double* v, const double* z, int n) {
    if (n < 1) return DBL_MAX;
    double period = t[n] - t[0];
    if (s > t[n] || s < t[0]) {
        // Stepping by whole periods would never end for an infinite s, a period
        // that is not positive, or an s so far out that a step leaves it equal.
        if (std::isinf(s) || !(period > 0.0)) return DBL_MAX;
        if (std::fabs(s - t[0]) > 1e6 * period) s = t[0] + std::fmod(s - t[0], period);
    }
    while (s > t[n]) s = s - period;
    while (s < t[0]) s = s + period;
    return IntervalCubic(s, FindInterval(s, t, n), t, v, z);
}

int OpenParamSplineSetup(double* T, const double* X, const double* Y, double* ZX, double* ZY,
                         int n) {
    if (n < 1) return 0;
    T[0] = 0.0;
    for (int i = 1; i <= n - 1; ++i) T[i] = T[i - 1] + 1.0;
    for (int i = 1; i <= n - 1; ++i) {
        if (T[n - 1] == 0.0) return 0;
        T[i] = T[i] / T[n - 1];
    }
    if (!SplineSolve(T, X, ZX, n)) return 0;
    if (!SplineSolve(T, Y, ZY, n)) return 0;
    return 1;
}

void OpenParamSplineValue(double t, double* x, double* y, const double* T, const double* X,
                          const double* Y, const double* ZX, const double* ZY, int n) {
    *x = SplineValue(t, T, X, ZX, n);
    *y = SplineValue(t, T, Y, ZY, n);
}

int ClosedParamSplineSetup(double* T, const double* X, const double* Y, double* ZX, double* ZY,
                           int n) {
    if (n < 1) return 0;
    T[0] = 0.0;
    for (int i = 1; i <= n; ++i) T[i] = T[i - 1] + 1.0;
    for (int i = 1; i <= n; ++i) {
        if (T[n] == 0.0) return 0;
        T[i] = T[i] / T[n];
    }
    if (!PeriodicSplineSolve(T, X, ZX, n)) return 0;
    if (!PeriodicSplineSolve(T, Y, ZY, n)) return 0;
    return 1;
}

void ClosedParamSplineValue(double t, double* x, double* y, const double* T, const double* X,
                            const double* Y, const double* ZX, const double* ZY, int n) {
    *x = PeriodicSplineValue(t, T, X, ZX, n);
    *y = PeriodicSplineValue(t, T, Y, ZY, n);
}

int ParamSplineCurve(const DoubleArray& x, const DoubleArray& y, DoubleArray& outX,
                     DoubleArray& outY, int mode, int m) {
    try {
        ValidPoints p;
        CollectValid(x, y, &p);
        int n = p.Count();
        if (n == 0) return 0;
        if (n <= 2) {
            CopyPoints(p, outX, outY);
            return 1;
        }
        if (m < 1 || (mode != kSplineOpen && mode != kSplineClosed)) return 0;
        long long total = (long long)(n - 1) * m;
        if (total > kSplineMaxSamples) return 0;

        bool closed = mode == kSplineClosed;
        if (closed) {
            p.x.push_back(p.x[0]);
            p.y.push_back(p.y[0]);
        }
        std::size_t size = std::size_t(n) + 1;
        std::vector<double> T(size), zx(size), zy(size);
        const double* X = p.x.data();
        const double* Y = p.y.data();
        int ok = closed ? ClosedParamSplineSetup(T.data(), X, Y, zx.data(), zy.data(), n)
                        : OpenParamSplineSetup(T.data(), X, Y, zx.data(), zy.data(), n);
        if (!ok) return 0;

        ReserveOutput(outX, outY, total + 1);
        double inv = 1.0 / double(total);
        for (long long i = 0; i <= total; ++i) {
            if (i % kPollInterval == 0 && CheckEscapeAbort() == 1) return 0;
            double t = double(i) * inv;
            double a, b;
            if (closed)
                ClosedParamSplineValue(t, &a, &b, T.data(), X, Y, zx.data(), zy.data(), n);
            else
                OpenParamSplineValue(t, &a, &b, T.data(), X, Y, zx.data(), zy.data(), n);
            if (BadSample(a) || BadSample(b)) return 0;
            if (!AppendPoint(outX, outY, a, b)) return 0;
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// --- B-splines -------------------------------------------------------------

void BSplineBlend(int kind, const double* px, const double* py, double* x, double* y, double t) {
    constexpr double k6 = 1.0 / 6.0;
    constexpr double k12 = 1.0 / 12.0;
    double u = 1.0 - t;
    // c t^2 and c t^3 are formed from the left: (c t) t and ((c t) t) t.
    auto sq = [](double c, double v) { return (c * v) * v; };
    auto cu = [](double c, double v) { return ((c * v) * v) * v; };
    // (1 - 3t) + 3t^2 - t^3, the uniform first weight before its factor.
    double first = ((1.0 - 3.0 * t) + sq(3.0, t)) - cu(1.0, t);
    double w1, w2, w3, w4;
    switch (kind) {
    case 1:
        w1 = first;
        w2 = k12 * (((36.0 * t) - sq(54.0, t)) + cu(21.0, t));
        w3 = k12 * (sq(18.0, t) - cu(11.0, t));
        w4 = k6 * cu(1.0, t);
        break;
    case 2:
        w1 = first * 0.25;
        w2 = k12 * ((((3.0 * t) + 7.0) - sq(15.0, t)) + cu(7.0, t));
        w3 = k6 * ((((3.0 * t) + 1.0) + sq(3.0, t)) - cu(3.0, t));
        w4 = k6 * cu(1.0, t);
        break;
    case 3:
        w1 = k6 * first;
        w2 = k6 * ((((3.0 * u) + 1.0) + sq(3.0, u)) - cu(3.0, u));
        w3 = k12 * ((((3.0 * u) + 7.0) - sq(15.0, u)) + cu(7.0, u));
        w4 = cu(1.0, t) * 0.25;
        break;
    case 4:
        w1 = k6 * first;
        w2 = k12 * (sq(18.0, u) - cu(11.0, u));
        w3 = k12 * (((36.0 * u) - sq(54.0, u)) + cu(21.0, u));
        w4 = cu(1.0, t);
        break;
    default:
        w1 = k6 * first;
        w2 = k6 * ((4.0 - sq(6.0, t)) + cu(3.0, t));
        w3 = k6 * ((((3.0 * t) + 1.0) + sq(3.0, t)) - cu(3.0, t));
        w4 = k6 * cu(1.0, t);
        break;
    }
    const double w[4] = {w1, w2, w3, w4};
    double sx = 0.0;
    double sy = 0.0;
    for (int k = 0; k < 4; ++k) {
        sx = sx + px[k] * w[k];
        sy = sy + py[k] * w[k];
    }
    *x = sx;
    *y = sy;
}

int BSplineGenerate(const double* X, const double* Y, DoubleArray& outX, DoubleArray& outY, int n,
                    int mode, int m) {
    if (n < 8 || m < 1 || (mode != kSplineOpen && mode != kSplineClosed)) return 0;
    long long total = mode == kSplineOpen ? (long long)(n - 3) * m + 1 : (long long)n * (m + 1);
    if (total > kSplineMaxSamples) return 0;
    try {
        ReserveOutput(outX, outY, total);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    double step = 1.0 / m;
    double px[4], py[4];
    auto segment = [&](int kind, int count) {
        for (int i = 0; i < count; ++i) {
            double a, b;
            BSplineBlend(kind, px, py, &a, &b, i * step);
            if (!AppendPoint(outX, outY, a, b)) return false;
        }
        return true;
    };
    if (mode == kSplineOpen) {
        for (int j = 0; j <= n - 4; ++j) {
            int kind;
            if (j == 0)
                kind = 1;
            else if (j == 1)
                kind = 2;
            else if (j == n - 4)
                kind = 4;
            else if (j == n - 5)
                kind = 3;
            else
                kind = 0;
            if (kind == 0 && j % 10 == 0 && CheckEscapeAbort() == 1) return 0;
            for (int k = 0; k < 4; ++k) {
                px[k] = X[j + k];
                py[k] = Y[j + k];
            }
            if (!segment(kind, j == n - 4 ? m + 1 : m)) return 0;
        }
    } else {
        for (int s = 1; s <= n; ++s) {
            for (int k = 0; k < 4; ++k) {
                px[k] = X[(s - 1 + k) % n];
                py[k] = Y[(s - 1 + k) % n];
            }
            if (!segment(0, m + 1)) return 0;
        }
    }
    return 1;
}

int BSplineCurve(const DoubleArray& x, const DoubleArray& y, DoubleArray& outX, DoubleArray& outY,
                 int mode, int m) {
    try {
        ValidPoints p;
        CollectValid(x, y, &p);
        int n = p.Count();
        if (n < 2) return 0;
        return BSplineGenerate(p.x.data(), p.y.data(), outX, outY, n, mode, m);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace kv
