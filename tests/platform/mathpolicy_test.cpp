#include "platform/mathpolicy.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

namespace m = kv::math;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kTwo53 = 9007199254740992.0;
const double kSubnormal = 1e-310;

// Compares doubles bit for bit, so that 0 and -0, or two NaNs, are told apart.
::testing::AssertionResult Same(double got, double want) {
    if (std::memcmp(&got, &want, sizeof got) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got << " instead of " << want;
}

TEST(MathPolicy, ErrorsGivePlusInfinityAndUnderflowsZero) {
    struct Case {
        const char* what;
        double got;
        double want;
    };
    const Case cases[] = {
        // Poles and domain errors, also where the exact value is -inf.
        {"log(0)", m::Log(0.0), kInf},
        {"log(-0)", m::Log(-0.0), kInf},
        {"log(-1)", m::Log(-1.0), kInf},
        {"log10(0)", m::Log10(0.0), kInf},
        {"log10(-5)", m::Log10(-5.0), kInf},
        {"sqrt(-1)", m::Sqrt(-1.0), kInf},
        {"asin(2)", m::ASin(2.0), kInf},
        {"acos(-1.5)", m::ACos(-1.5), kInf},
        {"fmod(1, 0)", m::Fmod(1.0, 0.0), kInf},
        {"fmod(inf, 2)", m::Fmod(kInf, 2.0), kInf},
        // Overflow to either infinity.
        {"exp(1000)", m::Exp(1000.0), kInf},
        {"sinh(800)", m::SinH(800.0), kInf},
        {"sinh(-800)", m::SinH(-800.0), kInf},
        {"cosh(-800)", m::CosH(-800.0), kInf},
        // Total loss of precision.
        {"sin(2^53)", m::Sin(kTwo53), kInf},
        {"cos(-2^53)", m::Cos(-kTwo53), kInf},
        {"tan(1e300)", m::Tan(1e300), kInf},
        {"sin(inf)", m::Sin(kInf), kInf},
        // Underflow.
        {"exp(-1000)", m::Exp(-1000.0), 0.0},
        {"exp(-740)", m::Exp(-740.0), 0.0},  // subnormal
        {"sin(1e-310)", m::Sin(kSubnormal), 0.0},
        {"sinh(-1e-310)", m::SinH(-kSubnormal), 0.0},
        {"fabs(-1e-310)", m::Fabs(-kSubnormal), 0.0},
        {"fmod(1e-310, 1)", m::Fmod(kSubnormal, 1.0), 0.0},
        {"floor(-1e-310)", m::Floor(-kSubnormal), -1.0},
        // NaN arguments.
        {"sin(nan)", m::Sin(kNaN), kInf},
        {"exp(nan)", m::Exp(kNaN), kInf},
        {"atan(nan)", m::ATan(kNaN), kInf},
        {"atan2(nan, 1)", m::ATan2(kNaN, 1.0), kInf},
        {"floor(nan)", m::Floor(kNaN), kInf},
        {"ceil(-nan)", m::Ceil(-kNaN), kInf},
        {"fabs(nan)", m::Fabs(kNaN), kInf},
        {"tanh(nan)", m::TanH(kNaN), kInf},
        // Infinite arguments that have a finite limit keep it.
        {"exp(-inf)", m::Exp(-kInf), 0.0},
        {"tanh(-inf)", m::TanH(-kInf), -1.0},
        {"atan(inf)", m::ATan(kInf), std::atan(kInf)},
        {"floor(-inf)", m::Floor(-kInf), kInf},
        // Exact zeros are not underflows.
        {"sin(-0)", m::Sin(-0.0), -0.0},
        {"sqrt(-0)", m::Sqrt(-0.0), -0.0},
        {"fmod(-4, 2)", m::Fmod(-4.0, 2.0), -0.0},
    };
    for (const auto& c : cases) EXPECT_TRUE(Same(c.got, c.want)) << c.what;
}

TEST(MathPolicy, Pow) {
    struct Case {
        double x, y, want;
    };
    const Case cases[] = {
        {0.0, -1.0, kInf},      // pole
        {-0.0, -3.0, kInf},     // pole whose exact value is -inf
        {0.0, -0.5, kInf},
        {-8.0, 1.0 / 3.0, kInf},  // negative base, non-integer exponent
        {-2.0, 0.5, kInf},
        {-2.0, 3.0, -8.0},
        {-2.0, -2.0, 0.25},
        {2.0, 0.5, std::sqrt(2.0)},
        {10.0, 400.0, kInf},    // overflow
        {-10.0, 401.0, kInf},   // overflow to -inf
        {10.0, -400.0, 0.0},    // underflow
        {-10.0, -401.0, 0.0},   // underflow from below: no -0
        {2.0, -1074.0, 0.0},    // subnormal
        {0.0, 3.0, 0.0},
        {-0.0, 3.0, -0.0},      // exact
        {0.0, 0.0, 1.0},
        {kInf, 0.0, 1.0},
        {-5.0, 0.0, 1.0},
        {kNaN, 0.0, kInf},
        {1.0, kNaN, kInf},
        {kNaN, 2.0, kInf},
        {0.5, kInf, 0.0},
        {2.0, kInf, kInf},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Same(m::Pow(c.x, c.y), c.want)) << "pow(" << c.x << ", " << c.y << ")";
}

// The policy must never change an ordinary result.
TEST(MathPolicy, NormalValuesAreTheLibrarys) {
    const double args[] = {-700.5, -3.0, -1.0, -0.75, -1e-300, 1e-300, 1e-8, 0.1, 0.5,
                           0.999, 1.0, 2.5, 3.14159, 100.0, 709.0, 1e15, kTwo53 - 1.0};
    for (double x : args) {
        SCOPED_TRACE(x);
        if (std::fabs(x) < kTwo53) {
            EXPECT_TRUE(Same(m::Sin(x), std::sin(x)));
            EXPECT_TRUE(Same(m::Cos(x), std::cos(x)));
            EXPECT_TRUE(Same(m::Tan(x), std::tan(x)));
        }
        if (std::fabs(x) <= 1) {
            EXPECT_TRUE(Same(m::ASin(x), std::asin(x)));
            EXPECT_TRUE(Same(m::ACos(x), std::acos(x)));
        }
        EXPECT_TRUE(Same(m::ATan(x), std::atan(x)));
        EXPECT_TRUE(Same(m::ATan2(x, 0.5), std::atan2(x, 0.5)));
        if (std::fabs(x) < 700) {
            EXPECT_TRUE(Same(m::SinH(x), std::sinh(x)));
            EXPECT_TRUE(Same(m::CosH(x), std::cosh(x)));
            EXPECT_TRUE(Same(m::Exp(x), std::exp(x)));
        }
        EXPECT_TRUE(Same(m::TanH(x), std::tanh(x)));
        if (x > 0) {
            EXPECT_TRUE(Same(m::Sqrt(x), std::sqrt(x)));
            EXPECT_TRUE(Same(m::Log(x), std::log(x)));
            EXPECT_TRUE(Same(m::Log10(x), std::log10(x)));
        }
        if (std::fabs(x) > 1e-100) {  // the cube of 1e-300 underflows
            EXPECT_TRUE(Same(m::Pow(x, 3.0), std::pow(x, 3.0)));
            if (x > 0) {
                EXPECT_TRUE(Same(m::Pow(x, 1.7), std::pow(x, 1.7)));
            }
        }
        EXPECT_TRUE(Same(m::Floor(x), std::floor(x)));
        EXPECT_TRUE(Same(m::Ceil(x), std::ceil(x)));
        EXPECT_TRUE(Same(m::Fabs(x), std::fabs(x)));
        EXPECT_TRUE(Same(m::Fmod(x, 0.3), std::fmod(x, 0.3)));
    }
    EXPECT_TRUE(Same(m::Sin(kTwo53 - 1.0), std::sin(kTwo53 - 1.0)));
    EXPECT_TRUE(std::isfinite(m::Sin(kTwo53 - 1.0)));
    EXPECT_TRUE(Same(m::Log(0.0 + DBL_MIN), std::log(DBL_MIN)));
}

TEST(MathPolicy, PolicyOnOutsideResults) {
    EXPECT_TRUE(Same(m::Policy(kNaN), kInf));
    EXPECT_TRUE(Same(m::Policy(-kInf), kInf));
    EXPECT_TRUE(Same(m::Policy(kInf), kInf));
    EXPECT_TRUE(Same(m::Policy(-kSubnormal), 0.0));
    EXPECT_TRUE(Same(m::Policy(-0.0), -0.0));
    EXPECT_TRUE(Same(m::Policy(-DBL_MIN), -DBL_MIN));
    EXPECT_TRUE(Same(m::Policy(-DBL_MAX), -DBL_MAX));
}

}  // namespace
