#include "platform/numconv.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>

namespace kv {

namespace {

inline bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');  // \t \n \v \f \r
}

using numconv_detail::IsDigit;

// Decimal magnitude of a validated significand: the value is about
// 10^result. Used only to tell an overflow from an underflow.
long long DecimalMagnitude(const char* first, const char* last, long long exp10) {
    long long intSig = 0, leadingFracZeros = 0;
    bool seen = false, inFraction = false;
    for (const char* q = first; q != last; ++q) {
        if (*q == '.') {
            inFraction = true;
            continue;
        }
        if (!seen && *q == '0') {
            if (inFraction) ++leadingFracZeros;
            continue;
        }
        seen = true;
        if (!inFraction) ++intSig;
        else break;
    }
    return intSig > 0 ? intSig + exp10 : exp10 - leadingFracZeros;
}

bool HasNonZeroDigit(const char* first, const char* last) {
    for (; first != last; ++first)
        if (*first >= '1' && *first <= '9') return true;
    return false;
}

}  // namespace

double StrToD(const char* s, const char** end, bool* overflow) {
    if (overflow) *overflow = false;
    if (!s) {
        if (end) *end = s;
        return 0.0;
    }
    const char* p = s;
    while (IsSpace(*p)) ++p;

    // What data files hold: one inline path shared with the readers.
    {
        double v;
        const char* stop;
        if (StrToDShort(p, &stop, &v)) {
            if (end) *end = stop;
            return v;
        }
    }

    const char* numStart = p;  // sign included
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    const char* mantStart = p;

    // Here the number has more than 15 digits, or a power of ten beyond 10^22,
    // or is no number at all.
    const char* q = p;
    while (IsDigit(*q)) ++q;
    long long digits = q - p;
    if (*q == '.') {
        const char* f = q + 1;
        while (IsDigit(*f)) ++f;
        digits += f - (q + 1);
        if (digits > 0) q = f;
    }
    if (digits == 0) {
        if (end) *end = s;
        return 0.0;
    }
    p = q;
    const char* mantEnd = p;

    long long exp10 = 0;
    if (*p == 'e' || *p == 'E') {
        q = p + 1;
        bool expNeg = false;
        if (*q == '+' || *q == '-') {
            expNeg = *q == '-';
            ++q;
        }
        if (IsDigit(*q)) {
            for (; IsDigit(*q); ++q) {
                // Clamp far beyond any double's range; the digits are still consumed.
                if (exp10 < 100000000) exp10 = exp10 * 10 + (*q - '0');
            }
            if (expNeg) exp10 = -exp10;
            p = q;
        }
    }
    if (end) *end = p;

    // General path: from_chars converts exactly the range validated above and
    // never looks at the locale. It takes no leading '+'.
    double v = 0.0;
    const char* first = negative ? numStart : mantStart;
    auto res = std::from_chars(first, p, v, std::chars_format::general);
    if (res.ec == std::errc() && res.ptr == p) {
        if (v == 0.0) {
            if (overflow) *overflow = HasNonZeroDigit(mantStart, mantEnd);
            return negative ? -0.0 : 0.0;
        }
        // A subnormal counts as an underflow: the program treats it as 0
        // everywhere (the math-error policy does the same).
        if (std::fabs(v) < DBL_MIN) {
            if (overflow) *overflow = true;
            return negative ? -0.0 : 0.0;
        }
        if (std::isinf(v)) {
            if (overflow) *overflow = true;
            return negative ? -HUGE_VAL : HUGE_VAL;
        }
        return v;
    }
    // Out of range; which way it left the range follows from the magnitude.
    if (overflow) *overflow = true;
    if (DecimalMagnitude(mantStart, mantEnd, exp10) > 0) return negative ? -HUGE_VAL : HUGE_VAL;
    return negative ? -0.0 : 0.0;
}

double AtoF(const char* s) { return StrToD(s); }

long long AtoLL(const char* s) {
    if (!s) return 0;
    const char* p = s;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate as a negative number so that LLONG_MIN itself fits.
    long long v = 0;
    bool saturated = false;
    for (; IsDigit(*p); ++p) {
        int d = *p - '0';
        if (!saturated) {
            if (v < (LLONG_MIN + d) / 10) saturated = true;
            else v = v * 10 - d;
        }
    }
    if (saturated) return negative ? LLONG_MIN : LLONG_MAX;
    if (negative) return v;
    return v == LLONG_MIN ? LLONG_MAX : -v;
}

int AtoI(const char* s) {
    long long v = AtoLL(s);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

}  // namespace kv
