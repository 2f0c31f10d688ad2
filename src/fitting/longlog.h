#pragma once
// The natural logarithm of a double in long double, at a fraction of the cost of
// the C library's long double logarithm: the linear fit takes it of every point
// in each pass over the data (the models fitted through logarithms), where
// keeping a million long doubles would cost more than taking them again.
//
// x = 2^e f with f in [1/sqrt 2, sqrt 2); a table holds, for the leading ten bits
// of f, a factor c of eleven bits near 1/f and -ln c to long double precision,
// so that r = f c - 1 is exact and small (|r| < 2^-10) and
// ln x = e ln 2 - ln c + ln(1 + r), the last by a short series. The bins next
// to 1 use c = 1, so that values near 1 keep their relative accuracy. The
// result is within a few units of the last place of a long double.

#include <cstdint>
#include <cstring>

class LongLog {
public:
    // x: positive and finite.
    long double operator()(double x) const {
        std::uint64_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        int e = int(bits >> 52) - 1023;
        if (e == -1023) {  // subnormal: scaled into the normal range first
            x *= 0x1p54;
            std::memcpy(&bits, &x, sizeof bits);
            e = int(bits >> 52) - 1023 - 54;
        }
        const std::uint64_t mantissa = bits & ((std::uint64_t(1) << 52) - 1);
        const int i = int(mantissa >> 42);
        const std::uint64_t oneBits = mantissa | (std::uint64_t(1023) << 52);
        double f;  // in [1, 2)
        std::memcpy(&f, &oneBits, sizeof f);
        // From sqrt 2 on, f / 2 and e + 1: the same product f c, another -ln.
        const int half = mantissa >= kSqrt2Mantissa ? 1 : 0;
        e += half;
        const Entry& t = table_[half][i];
        const long double r = static_cast<long double>(f) * t.c - 1;  // exact
        const double rd = static_cast<double>(r);
        // ln(1 + r) - r, with the small parts of -ln c and e ln 2: all far below
        // the rounding of r itself, so doubles hold them.
        const double small =
            rd * rd *
                (-0.5 + rd * (1.0 / 3 + rd * (-0.25 + rd * (0.2 + rd * (-1.0 / 6 + rd * (1.0 / 7 - rd * 0.125)))))) +
            (t.lo + e * kLn2Lo);
        return (static_cast<long double>(e) * kLn2Hi + t.hi) + (r + small);
    }

    static const LongLog& Instance();

private:
    LongLog();
    struct Entry {
        double c;       // eleven significant bits
        double hi, lo;  // -ln c as the sum of two doubles
    };
    static constexpr std::uint64_t kSqrt2Mantissa = 0x6A09E667F3BCDull;
    // ln 2 as a double (whose products with exponents are exact in long double)
    // and the rest.
    static constexpr double kLn2Hi = 0.69314718055994528622676398299518041312694549560546875;
    static constexpr double kLn2Lo = 2.3190468138462996154948554638754786504e-17;
    Entry table_[2][1024];
};
