#include "platform/mathpolicy.h"

#include <cfloat>
#include <cmath>

// Linux has no hook through which the library reports a maths error, so every
// call is followed by a look at its result instead: the library already gives
// NaN for a domain error, an infinity for a pole or an overflow and a subnormal
// or zero for an underflow, which the check below maps onto the policy. That is
// one library call and two compares in the normal case; errno is never read.

namespace kv::math {

namespace {

// Arguments of this magnitude leave no fraction of a period for sin, cos, tan.
constexpr double kTrigLimit = 9007199254740992.0;  // 2^53

inline double Checked(double r) {
    double a = std::fabs(r);
    if (a >= DBL_MIN && a <= DBL_MAX) [[likely]] return r;
    if (a < DBL_MIN) return r == 0.0 ? r : 0.0;  // an exact zero stays, a subnormal is an underflow
    return HUGE_VAL;                              // NaN or an infinity of either sign
}

}  // namespace

double Policy(double r) { return Checked(r); }

double Sin(double x) {
    if (!(std::fabs(x) < kTrigLimit)) return HUGE_VAL;  // also NaN and infinities
    return Checked(std::sin(x));
}

double Cos(double x) {
    if (!(std::fabs(x) < kTrigLimit)) return HUGE_VAL;
    return Checked(std::cos(x));
}

double Tan(double x) {
    if (!(std::fabs(x) < kTrigLimit)) return HUGE_VAL;
    return Checked(std::tan(x));
}

double ASin(double x) { return Checked(std::asin(x)); }
double ACos(double x) { return Checked(std::acos(x)); }
double ATan(double x) { return Checked(std::atan(x)); }
double ATan2(double y, double x) { return Checked(std::atan2(y, x)); }
double SinH(double x) { return Checked(std::sinh(x)); }
double CosH(double x) { return Checked(std::cosh(x)); }
double TanH(double x) { return Checked(std::tanh(x)); }
double Sqrt(double x) { return Checked(std::sqrt(x)); }
double Exp(double x) { return Checked(std::exp(x)); }
double Log(double x) { return Checked(std::log(x)); }
double Log10(double x) { return Checked(std::log10(x)); }

double Pow(double x, double y) {
    // The library gives 1 for 1^NaN and NaN^0; here a NaN argument is an error
    // like everywhere else.
    if (std::isnan(x) || std::isnan(y)) return HUGE_VAL;
    if (y == 0.0) return 1.0;
    double r = std::pow(x, y);
    double a = std::fabs(r);
    if (a >= DBL_MIN && a <= DBL_MAX) [[likely]] return r;
    if (a > DBL_MAX) return HUGE_VAL;  // pole, overflow to either infinity
    if (a < DBL_MIN) {
        // 0 to a positive power is exactly 0; any other zero or subnormal
        // underflowed (a negative base gives no -0 here).
        return (r == 0.0 && x == 0.0) ? r : 0.0;
    }
    return HUGE_VAL;  // NaN: negative base with a non-integer exponent
}

double Floor(double x) { return Checked(std::floor(x)); }
double Ceil(double x) { return Checked(std::ceil(x)); }
double Fabs(double x) { return Checked(std::fabs(x)); }
double Fmod(double x, double y) { return Checked(std::fmod(x, y)); }

}  // namespace kv::math
