#include "numerics/higherfunctions.h"

#include <cmath>

#include "platform/mathpolicy.h"

namespace kv {

namespace {

constexpr double kLnSqrtTwoPi = 0.9189385332046728;
constexpr double kLnGammaHalf = 0.5723649429247001;
constexpr double kPi = 3.141592653589793;
constexpr double kInf = HUGE_VAL;

// Below this LogGamma gives up instead of raising x to 8 one step at a time.
constexpr double kLogGammaLowest = -1e7;

// Stirling series coefficients B(2k) / (2k (2k - 1)), k = 8 down to 1.
constexpr double kStirling[8] = {
    -0.02955065359477124,   0.006410256410256411, -0.0019175269175269174,
    0.0008417508417508418, -0.0005952380952380952, 0.0007936507936507937,
    -0.002777777777777778,  0.08333333333333333,
};

constexpr int kGammaSteps = 999;

// The inverse of the normal tail works in long double: in double the Newton
// steps' rounding noise can exceed the 1e-15 stopping test, and the iteration
// then bounces between two neighbours until it gives up. sqrt(2 pi) is taken
// to the full extended precision for the same reason.
constexpr long double kSqrtTwoPiL = 2.506628274631000502415765284811045253L;
constexpr long double kNewtonTolerance = 1e-15L;
constexpr int kIterationLimit = 10000;

}  // namespace

double LogGamma(double x) {
    if (!std::isfinite(x) || x < kLogGammaLowest) return kInf;
    double v = 1.0;
    while (x < 8.0) {
        v = v * x;
        x = x + 1.0;
        // Once the product is 0 or has overflowed it can no longer become a
        // number whose logarithm is finite: the result is then minus infinity
        // whatever x the loop would end at, so stop here.
        if (v == 0.0 || !std::isfinite(v)) return -kInf;
    }
    double w = 1.0 / (x * x);
    double s = kStirling[0];
    for (int k = 1; k < 8; ++k) s = s * w + kStirling[k];
    s = s / x + kLnSqrtTwoPi;
    return (x - 0.5) * math::Log(x) + ((s - math::Log(v)) - x);
}

double GammaP(double a, double x, double g) {
    if (!(x < a + 1.0)) return 1.0 - GammaQ(a, x, g);
    if (x == 0.0) return 0.0;
    double t = math::Exp(a * math::Log(x) - x - g) / a;
    double sum = t;
    for (int n = 1; n <= kGammaSteps; ++n) {
        t = t * (x / (a + n));
        double next = sum + t;
        if (next == sum) return next;
        sum = next;
    }
    return kInf;
}

double GammaQ(double a, double x, double g) {
    if (x < a + 1.0) return 1.0 - GammaP(a, x, g);
    double b0 = 1.0;
    double b1 = x + 1.0 - a;
    double f = math::Exp(a * math::Log(x) - x - g);
    double sum = f / b1;
    for (int n = 2; n <= kGammaSteps; ++n) {
        double bn = ((n - 1 - a) * (b1 - b0) + (n + x) * b1) / n;
        f = f * ((n - 1 - a) / n);
        double t = f / (b1 * bn);
        double next = t + sum;
        if (next == sum) return next;
        sum = next;
        b0 = b1;
        b1 = bn;
    }
    return kInf;
}

double Erf(double x) {
    if (x >= 0.0) return GammaP(0.5, x * x, kLnGammaHalf);
    return -GammaP(0.5, x * x, kLnGammaHalf);
}

double Erfc(double x) {
    if (x >= 0.0) return GammaQ(0.5, x * x, kLnGammaHalf);
    return 1.0 + GammaP(0.5, x * x, kLnGammaHalf);
}

double PNor(double x) {
    if (x >= 0.0) return (GammaP(0.5, 0.5 * x * x, kLnGammaHalf) + 1.0) * 0.5;
    return GammaQ(0.5, 0.5 * x * x, kLnGammaHalf) * 0.5;
}

double QNor(double x) {
    if (x >= 0.0) return GammaQ(0.5, 0.5 * x * x, kLnGammaHalf) * 0.5;
    return (GammaP(0.5, 0.5 * x * x, kLnGammaHalf) + 1.0) * 0.5;
}

double Gamma(double x) {
    if (!std::isfinite(x)) return kInf;
    if (x >= 0.0) return math::Exp(LogGamma(x));
    return kPi / (math::Exp(LogGamma(1.0 - x)) * math::Sin(kPi * x));
}

double Beta(double a, double b) {
    if (!std::isfinite(a) || !std::isfinite(b)) return kInf;
    return math::Exp((LogGamma(a) + LogGamma(b)) - LogGamma(a + b));
}

long double NormalQSeriesTerm(long double z, int k) {
    long double t = z;
    for (int i = 1; i <= k; ++i) t = (z * z / (2 * i + 1)) * t;
    return t;
}

bool NormalQSeriesSum(long double z, long double* sum) {
    // Each term is formed from the previous one exactly as NormalQSeriesTerm
    // forms it. The sum runs until a term no longer changes it: stopping at a
    // relative 1e-15 would leave the truncated tail in the result.
    long double s = 0.0L;
    long double t = z;
    for (int k = 0; k < kIterationLimit; ++k) {
        if (k > 0) t = (z * z / (2 * k + 1)) * t;
        long double next = s + t;
        bool settled = next == s;  // also 0 + 0 at z = 0
        s = next;
        if (settled) {
            *sum = s;
            return true;
        }
    }
    return false;
}

bool NormalQSeriesNewtonStep(long double z, long double a, long double* next) {
    long double s;
    if (!NormalQSeriesSum(z, &s)) return false;
    *next = (z - s) + std::exp(z * z * 0.5L) * (kSqrtTwoPiL * a);
    return true;
}

bool NormalQSeriesInverse(double p, long double* z) {
    long double a = 0.5L - p;
    long double zi = kSqrtTwoPiL * a * 1.5L;
    for (int n = 0; n < kIterationLimit; ++n) {
        long double prev = zi;
        if (!NormalQSeriesNewtonStep(prev, a, &zi)) return false;
        long double change = std::fabs(zi / prev - 1.0L);
        if (!(change > kNewtonTolerance)) {  // settled, or 0/0 at p = 0.5
            if (!std::isfinite(zi)) return false;
            *z = zi;
            return true;
        }
    }
    return false;
}

bool NormalMillsRatio(long double z, long double* r) {
    // The fraction is meant for z above 2; below 1 its length would not be a
    // count at all.
    if (!(z > 1.0L) || !std::isfinite(z)) return false;
    long double len;
    if (z < 7.5L)
        len = 110.0L / (z - 1.0L);
    else if (z < 12.5L)
        len = 30.0L - 1.6L * z;
    else
        len = 10.0L;
    if (len > 100000.0L) len = 100000.0L;
    int n = int(len);
    long double q = (n + 1) / z + z;
    for (int j = n; j >= 1; --j) q = j / q + z;
    *r = 1.0L / q;
    return true;
}

bool NormalQFractionNewtonStep(long double z, long double p, long double* next) {
    long double r;
    if (!NormalMillsRatio(z, &r)) return false;
    *next = (z + r) - std::exp(z * z * 0.5L) * (kSqrtTwoPiL * p);
    return true;
}

bool NormalQFractionInverse(double p, long double* z) {
    long double pl = p;
    long double u = std::sqrt(-2.0L * std::log(kSqrtTwoPiL * 3.0L * pl));
    long double v = 1.0L / u + u;
    long double zi = std::sqrt(-2.0L * std::log(kSqrtTwoPiL * v * pl));
    for (int n = 0; n < kIterationLimit; ++n) {
        long double prev = zi;
        if (!NormalQFractionNewtonStep(prev, pl, &zi)) return false;
        long double change = std::fabs((zi - prev) / prev);
        if (!(change > kNewtonTolerance)) {
            if (!std::isfinite(zi)) return false;
            *z = zi;
            return true;
        }
    }
    return false;
}

bool InverseNormalQ(double p, double* z) {
    if (!(p > 0.0 && p <= 1.0)) return false;  // also NaN
    long double r;
    if (p <= 0.01) {
        if (!NormalQFractionInverse(p, &r)) return false;
        *z = double(r);
        return true;
    }
    if (p <= 0.5) {
        if (!NormalQSeriesInverse(p, &r)) return false;
        *z = double(r);
        return true;
    }
    if (p < 1.0) {
        double q = 1.0 - p;  // exact for p in [0.5, 1]
        bool ok = q <= 0.01 ? NormalQFractionInverse(q, &r) : NormalQSeriesInverse(q, &r);
        if (!ok) return false;
        *z = -double(r);
        return true;
    }
    *z = 0.0;  // p == 1
    return true;
}

}  // namespace kv
