#include "numerics/higherfunctions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

namespace {

using namespace kv;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kLnGammaHalf = 0.5723649429247001;

double UlpDistance(double a, double b) {
    return std::fabs(a - b) / (std::nextafter(std::fabs(b), kInf) - std::fabs(b));
}

struct ValueCase {
    const char* what;
    double got;
    double want;
    double relTol;  // 0: exact
};

TEST(HigherFunctions, WorkedValues) {
    const double sqrtPi = std::sqrt(3.141592653589793);
    const ValueCase cases[] = {
        {"erf(0)", Erf(0.0), 0.0, 0},
        {"erf(1)", Erf(1.0), 0.8427007929497149, 4e-16},
        {"erf(-0.3)", Erf(-0.3), -0.32862675945912741619, 1e-15},
        {"erfc(2)", Erfc(2.0), 0.004677734981047266, 1e-14},
        {"erfc(-1)", Erfc(-1.0), 1.8427007929497148693, 1e-15},
        {"pnor(0)", PNor(0.0), 0.5, 0},
        {"qnor(0)", QNor(0.0), 0.5, 0},
        {"pnor(1.5)", PNor(1.5), 0.933192798731141934, 1e-15},
        {"qnor(-1)", QNor(-1.0), 0.84134474606854294859, 1e-15},
        {"qnor(5)", QNor(5.0), 2.8665157187919391167e-7, 1e-13},
        {"gamma(5)", Gamma(5.0), 24.0, 1e-14},
        {"gamma(0.5)", Gamma(0.5), sqrtPi, 1e-14},
        {"gamma(0)", Gamma(0.0), 0.0, 0},
        {"gamma(-0.5)", Gamma(-0.5), -3.5449077018110320546, 1e-14},
        {"gamma(-2.5)", Gamma(-2.5), -0.94530872048294188123, 1e-14},
        {"gamma(171.5)", Gamma(171.5), 9.4833675668247993363e+307, 1e-12},
        {"beta(1,1)", Beta(1.0, 1.0), 1.0, 1e-14},
        {"beta(2,3)", Beta(2.0, 3.0), 1.0 / 12.0, 1e-14},
        {"lngamma(1)", LogGamma(1.0) + 1.0, 1.0, 1e-15},
        {"lngamma(10)", LogGamma(10.0), 12.801827480081469611, 1e-15},
        {"P(3,2)", GammaP(3.0, 2.0, std::log(2.0)), 0.32332358381693654053, 1e-14},
        {"P(3,5) via Q", GammaP(3.0, 5.0, std::log(2.0)), 0.87534798051691885871, 1e-14},
        {"Q(3,5)", GammaQ(3.0, 5.0, std::log(2.0)), 1 - 0.87534798051691885871, 1e-13},
        {"P(0.5,0)", GammaP(0.5, 0.0, kLnGammaHalf), 0.0, 0},
    };
    for (const auto& c : cases) {
        if (c.relTol == 0)
            EXPECT_EQ(c.got, c.want) << c.what;
        else
            EXPECT_NEAR(c.got, c.want, c.relTol * std::fabs(c.want)) << c.what;
    }
}

TEST(HigherFunctions, LogGammaOfZeroAndPolesIsMinusInfinity) {
    EXPECT_EQ(LogGamma(0.0), -kInf);
    EXPECT_EQ(LogGamma(-3.0), -kInf);  // the product passes through 0
    EXPECT_EQ(LogGamma(-0.5), -kInf);  // the product turns negative: ln gives +INF
}

TEST(HigherFunctions, NonFiniteOrHugeNegativeArgumentsFailFast) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LogGamma(kNaN), kInf);
    EXPECT_EQ(LogGamma(-kInf), kInf);
    EXPECT_EQ(LogGamma(kInf), kInf);
    EXPECT_EQ(LogGamma(-2e7), kInf);
    EXPECT_EQ(LogGamma(-1e300), kInf);
    EXPECT_EQ(Gamma(kNaN), kInf);
    EXPECT_EQ(Gamma(-kInf), kInf);
    EXPECT_EQ(Beta(kNaN, 1.0), kInf);
    EXPECT_EQ(Beta(1.0, -kInf), kInf);
    EXPECT_EQ(Beta(-2e7, 1.0), kInf);
    // Just above the bound the loop still ends at once: the product overflows.
    EXPECT_EQ(LogGamma(-9999999.5), -kInf);
    (void)Beta(-9999999.5, 2.0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(HigherFunctions, IncompleteGammaThatDoesNotSettleIsInfinite) {
    EXPECT_EQ(GammaQ(0.5, kNaN, kLnGammaHalf), kInf);
    EXPECT_EQ(GammaP(0.5, kNaN, kLnGammaHalf), 1.0 - kInf);
    EXPECT_FALSE(std::isfinite(Erf(kNaN)));
}

TEST(InverseNormalQ, WorkedValues) {
    struct {
        double p;
        double z;
    } const cases[] = {
        {0.5, 0.0},
        {1.0, 0.0},  // not minus infinity
        {0.025, 1.9599639845400542118},
        {0.975, -1.9599639845400542118},
        {0.001, 3.0902323061678135354},
        // These made the plain double iteration bounce and give up.
        {0.99, -2.3263478740408407676},
        {0.01, 2.3263478740408410931},
        {0.0250000001, 1.9599639828290459431},
        {0.05, 1.644853626951472688},
        {0.3, 0.52440051270804081597},
        {1e-5, 4.2648907939228246102},
        {1e-10, 6.3613409024040561991},
        {1e-100, 21.273453560965324294},
        {1e-300, 37.047096299361199237},
        {0.999999, -4.7534243088170877657},
        {5e-324, 38.467405617144346251},
    };
    for (const auto& c : cases) {
        double z = 123.0;
        ASSERT_TRUE(InverseNormalQ(c.p, &z)) << c.p;
        if (c.z == 0.0)
            EXPECT_EQ(z, 0.0) << c.p;
        else
            EXPECT_LE(UlpDistance(z, c.z), 2.0) << c.p << " gives " << z;
    }
}

TEST(InverseNormalQ, RefusesArgumentsOutsideTheUnitInterval) {
    for (double p : {0.0, -0.0, -0.1, 1.0000000000000002, 1.5, kNaN, kInf, -kInf}) {
        double z = 7.0;
        EXPECT_FALSE(InverseNormalQ(p, &z)) << p;
        EXPECT_EQ(z, 7.0);
    }
}

// Every p strictly between 0 and 1 must settle and land on the tail it was given.
TEST(InverseNormalQ, DenseSweepRoundTripsThroughQNor) {
    auto check = [](double p) {
        double z;
        if (!InverseNormalQ(p, &z)) {
            ADD_FAILURE() << "no convergence at p = " << p;
            return;
        }
        double q = QNor(z);
        // The tail's slope d ln Q / dz is about z, so one unit in z's last place
        // moves Q by about z^2 units in the last place. QNor adds its own error:
        // relative where it sums the upper tail (z^2 / 2 >= 1.5), absolute where
        // it forms 1 - P (z below sqrt(3)).
        double tol = (2e-15 + 4e-16 * z * z) * p + (std::fabs(z) < 1.7321 ? 6e-16 : 0.0);
        EXPECT_NEAR(q, p, tol) << "p = " << p << " z = " << z;
    };
    constexpr int kSteps = 200000;
    for (int i = 1; i < kSteps; ++i) check(double(i) / kSteps);
    // Around the branch points and the values that used to fail.
    for (double centre : {0.01, 0.025, 0.5, 0.99, 0.975}) {
        double p = centre;
        for (int i = 0; i < 2000; ++i) p = std::nextafter(p, 0.0);
        for (int i = 0; i < 4000; ++i, p = std::nextafter(p, 1.0))
            if (p < 1.0) check(p);
    }
    for (double p = 0.06; p > 1e-300; p *= 0.93) check(p);
    for (double q = 0.06; q > 1e-15; q *= 0.93) check(1.0 - q);
}

TEST(InverseNormalQ, SubnormalArgumentsSettleAndStayOrdered) {
    double previous = 37.0;
    for (double p = 1e-300; p > 0.0; p *= 0.1) {
        double z;
        ASSERT_TRUE(InverseNormalQ(p, &z)) << p;
        EXPECT_GT(z, previous) << p;  // p falls, so z rises
        previous = z;
    }
    double zMin;
    ASSERT_TRUE(InverseNormalQ(std::numeric_limits<double>::denorm_min(), &zMin));
    EXPECT_GT(zMin, 38.4);
    EXPECT_LT(zMin, 38.5);
}

TEST(InverseNormalQ, IsMonotoneAcrossTheBranches) {
    double last = kInf;
    for (int i = 1; i < 20000; ++i) {
        double p = double(i) / 20000;
        double z;
        ASSERT_TRUE(InverseNormalQ(p, &z));
        EXPECT_LT(z, last) << p;
        last = z;
    }
}

TEST(InverseNormalQ, StepsAgreeWithTheirDefinitions) {
    // S(z) = z + z^3/3 + z^5/15 + ...; at z = 1 the sum is e^(1/2) * integral.
    long double s;
    ASSERT_TRUE(NormalQSeriesSum(0.0L, &s));
    EXPECT_EQ(s, 0.0L);
    ASSERT_TRUE(NormalQSeriesSum(1.0L, &s));
    EXPECT_NEAR(double(NormalQSeriesTerm(1.0L, 2)), 1.0 / 15.0, 1e-17);
    // phi(1) S(1) = P(1) - 1/2.
    double phi1 = std::exp(-0.5) / std::sqrt(2 * 3.141592653589793);
    EXPECT_NEAR(double(s) * phi1, 0.34134474606854294859, 1e-15);
    // Mills ratio R(z) = Q(z) / phi(z) at z = 3.
    long double r;
    ASSERT_TRUE(NormalMillsRatio(3.0L, &r));
    double phi3 = std::exp(-4.5) / std::sqrt(2 * 3.141592653589793);
    EXPECT_NEAR(double(r) * phi3, 0.0013498980316300945267, 1e-18);
    EXPECT_FALSE(NormalMillsRatio(0.5L, &r));
    EXPECT_FALSE(NormalMillsRatio(std::numeric_limits<long double>::quiet_NaN(), &r));
}

}  // namespace
