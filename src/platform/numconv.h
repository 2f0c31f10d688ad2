#pragma once
// Locale-independent decimal conversion with the C runtime's atof/atoi/strtod
// meaning: leading white space is skipped, the longest decimal prefix converted,
// and 0 given when there is none. "inf", "nan" and hexadecimal forms are not
// numbers here, whatever the process locale.

#include <cstddef>
#include <cstdint>

namespace kv {

namespace numconv_detail {
// Exact powers of ten: every one up to 1e22 is representable, so a product or
// quotient of one with an integer below 2^53 is a single correctly rounded
// operation.
inline constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
}  // namespace numconv_detail

// The common case of StrToD, inline for readers of many numbers: a number at s
// itself (no white space before it) of at most 15 digits whose power of ten
// lies within 10^-22 .. 10^22. Then stores exactly what StrToD gives, sets *end
// after the number and returns true; otherwise returns false and StrToD decides.
[[gnu::always_inline]] inline bool StrToDShort(const char* s, const char** end, double* out) {
    using namespace numconv_detail;
    const char* p = s;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    std::uint64_t mant = 0;
    const char* q = p;
    for (; IsDigit(*q); ++q) mant = mant * 10 + unsigned(*q - '0');
    long digits = long(q - p);
    long fracDigits = 0;
    if (*q == '.') {
        const char* f = q + 1;
        for (; IsDigit(*f); ++f) mant = mant * 10 + unsigned(*f - '0');
        fracDigits = long(f - (q + 1));
        if (digits + fracDigits > 0) q = f;
        digits += fracDigits;
    }
    if (digits == 0 || digits > 15) return false;
    long exp10 = 0;
    if (*q == 'e' || *q == 'E') {
        const char* x = q + 1;
        const bool expNegative = *x == '-';
        if (*x == '+' || *x == '-') ++x;
        if (IsDigit(*x)) {
            // Far beyond 10^22 the short form does not apply; the digits still
            // end where StrToD's do.
            for (; IsDigit(*x); ++x)
                if (exp10 < 100000000) exp10 = exp10 * 10 + (*x - '0');
            if (expNegative) exp10 = -exp10;
            q = x;
        }
    }
    const long e = exp10 - fracDigits;
    double v = double(mant);
    if (e >= 0 && e <= 22) v *= kPow10[e];
    else if (e < 0 && e >= -22) v /= kPow10[-e];
    else if (mant != 0) return false;
    *end = q;
    *out = negative ? -v : v;
    return true;
}

// Like strtod: *end (when given) points after the converted prefix, or at s when
// nothing converted. *overflow (when given) is set true when the magnitude is out
// of range (the result is then +-HUGE_VAL, or 0 on underflow with *overflow set).
// A value below the normal range (a subnormal) counts as an underflow.
double StrToD(const char* s, const char** end = nullptr, bool* overflow = nullptr);
double AtoF(const char* s);
// atoi/atol: optional sign and decimal digits after leading white space; values
// beyond the int range saturate.
int AtoI(const char* s);
long long AtoLL(const char* s);

}  // namespace kv
