// The long double logarithm of the linear fit against the C library's.
#include "fitting/longlog.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Error in units of the last place of a long double, relative to the result
// (which near 1 is small: the table's bins there keep the relative accuracy).
double UlpError(double x) {
    const long double want = std::log(static_cast<long double>(x));
    const long double got = LongLog::Instance()(x);
    if (want == 0) return got == 0 ? 0 : HUGE_VAL;
    return double(std::fabs(got - want) / (std::fabs(want) * LDBL_EPSILON));
}

TEST(LongLog, WithinAFewUnitsOfTheLastPlaceEverywhere) {
    std::vector<double> xs = {1.0, 2.0, 0.5, M_SQRT2, M_SQRT1_2, M_E, 10.0, DBL_MAX, DBL_MIN, DBL_TRUE_MIN,
                              DBL_MIN / 3, std::nextafter(1.0, 0.0), std::nextafter(1.0, 2.0)};
    // Near 1 from both sides, down to one unit of a double.
    for (int k = 1; k <= 52; ++k) {
        xs.push_back(1 + std::ldexp(1.0, -k));
        xs.push_back(1 - std::ldexp(1.0, -k - 1));
    }
    // Every bin edge of the table, and its neighbours, in a few binades.
    for (int i = 0; i <= 1024; ++i)
        for (int e : {-1020, -1, 0, 1, 700}) {
            const double edge = std::ldexp(1 + i / 1024.0, e);
            xs.push_back(edge);
            xs.push_back(std::nextafter(edge, 0.0));
            xs.push_back(std::nextafter(edge, HUGE_VAL));
        }
    // Random bit patterns over the whole positive range.
    std::mt19937_64 rng(11);
    for (int k = 0; k < 200000; ++k) {
        const std::uint64_t bits = rng() >> 1;  // sign bit clear
        double x;
        std::memcpy(&x, &bits, sizeof x);
        if (x > 0 && std::isfinite(x)) xs.push_back(x);
    }
    double worst = 0;
    double at = 0;
    for (double x : xs) {
        const double e = UlpError(x);
        if (e > worst) {
            worst = e;
            at = x;
        }
    }
    EXPECT_LE(worst, 2.0) << "at x = " << at;
}

}  // namespace
