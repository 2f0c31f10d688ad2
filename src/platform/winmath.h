#pragma once
// Integer helpers with the Win32 and x87 meanings the document relies on.

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>

// (a * b) / c with a 64-bit product, rounded half away from zero; -1 when c is 0
// or the result does not fit an int.
inline int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    std::int64_t p = std::int64_t(a) * b;
    std::int64_t q = p / c;
    std::int64_t r = p % c;
    // Round half away from zero: compare twice the remainder with the divisor.
    if (r != 0) {
        std::int64_t r2 = (r < 0 ? -r : r) * 2;
        std::int64_t cc = c < 0 ? -std::int64_t(c) : std::int64_t(c);
        if (r2 >= cc) q += ((p < 0) != (c < 0)) ? -1 : 1;
    }
    if (q > INT_MAX || q < INT_MIN) return -1;
    return int(q);
}

// Truncation toward zero that never hands a non-finite or out-of-range double to
// an int cast. Out-of-range and NaN values give INT_MIN, as the x87 unit's
// "integer indefinite" did, unless the caller asks for saturation.
inline int TruncToInt(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
    return int(v);
}

// Truncation toward zero clamped to [INT_MIN, INT_MAX]; NaN gives 0.
inline int TruncToIntSaturated(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return int(v);
}

// Rounds half away from zero to an int (markup sizes and spacings), saturated.
inline int RoundHalfAway(double v) {
    return TruncToIntSaturated(std::round(v));
}

// A value that can be drawn or summed: finite and below DBL_MAX, the failure
// mark of the spline evaluations (NaN fails too).
inline bool Usable(double v) { return std::fabs(v) < DBL_MAX; }
