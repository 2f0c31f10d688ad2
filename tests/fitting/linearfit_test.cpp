// The linear least-squares solver and the curve positions both fits sample.
#include "fitting/linearfit.h"
#include "fitting/spacing.h"

#include "linearfit_exact.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

FitPointList List(const std::vector<double>& values) {
    FitPointList l = MakeFitPointList();
    for (double v : values) l.Add(v);
    return l;
}

std::vector<double> Values(const FitPointList& l) {
    std::vector<double> v;
    for (int i = l.LowerBound(); i <= l.UpperBound(); ++i) v.push_back(l[i]);
    return v;
}

std::vector<double> Sample(double from, double step, int count, const std::function<double(double)>& f,
                           std::vector<double>* ys) {
    std::vector<double> xs;
    for (int i = 0; i < count; ++i) {
        xs.push_back(from + step * i);
        ys->push_back(f(xs.back()));
    }
    return xs;
}

// One call of the solver with readable defaults.
struct Fit {
    std::vector<double> x, y;
    int degree = 1;
    int model = FitModelPolynomial;
    double outStart = 0, outEnd = 10;
    int divisions = 10;
    double x0 = 0, y0 = 0;
    int fixed = 0;
    int spacing = DivisionLinear;
    int rangeStart = 1, rangeEnd = -1;
    int count = -1;  // -1: the list length

    double coeff[LSQ_COEFFICIENTS] = {};
    double corr = -99;
    FitPointList outX = MakeFitPointList();
    FitPointList outY = MakeFitPointList();

    bool Run() {
        FitPointList xl = List(x), yl = List(y);
        return LinearLeastSquaresFit(&xl, &yl, &outX, &outY, count < 0 ? int(x.size()) : count,
                                     degree, model, outStart, outEnd, divisions, coeff, &corr, x0,
                                     y0, std::int16_t(fixed), spacing, rangeStart, rangeEnd);
    }
};

TEST(LinearFit, PolynomialsRecoverExactCoefficients) {
    const std::vector<std::vector<double>> polys = {
        {4.5}, {1, 2}, {1, -2, 0.5}, {1, 2, -0.5, 0.25}, {-3, 0, 1, 0, -0.1, 0.01},
    };
    for (const auto& a : polys) {
        Fit f;
        f.degree = int(a.size()) - 1;
        f.x = Sample(-3, 0.5, 13, [&](double x) {
            double v = 0;
            for (int i = int(a.size()) - 1; i >= 0; --i) v = v * x + a[std::size_t(i)];
            return v;
        }, &f.y);
        ASSERT_TRUE(f.Run()) << f.degree;
        for (std::size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(f.coeff[i], a[i], 1e-9) << f.degree << " A" << i;
        if (f.degree > 0) {
            EXPECT_NEAR(f.corr, 1.0, 1e-9);
        }
        // The curve: 11 points from 0 to 10, on the polynomial.
        ASSERT_EQ(f.outX.GetItemsInContainer(), 11);
        EXPECT_EQ(f.outX.LowerBound(), 1);
        for (int k = 1; k <= 11; ++k) {
            const double x = f.outX[k];
            EXPECT_DOUBLE_EQ(x, k - 1.0);
            double want = 0;
            for (int i = int(a.size()) - 1; i >= 0; --i) want = want * x + a[std::size_t(i)];
            EXPECT_NEAR(f.outY[k], want, 1e-6 * (1 + std::fabs(want)));
        }
    }
}

TEST(LinearFit, DegreeTenOnWellScaledData) {
    Fit f;
    f.degree = 10;
    f.x = Sample(-1, 0.02, 101, [](double x) {
        double v = 0;
        for (int i = 10; i >= 0; --i) v = v * x + (i % 2 ? -1.0 : 1.0) * (i + 1);
        return v;
    }, &f.y);
    ASSERT_TRUE(f.Run());
    for (int i = 0; i <= 10; ++i) EXPECT_NEAR(f.coeff[i], (i % 2 ? -1.0 : 1.0) * (i + 1), 1e-5) << i;
}

// ---- Hard polynomial problems: data far from the origin, high degrees, design
// matrices in powers of x with condition numbers up to 1e15 and beyond, large
// residuals, fixed points far from the data. Each is answered to 7 digits where
// its data determine it to 7 digits, and refused only where they do not
// (linearfit_exact.h).

TEST(LinearFit, HardPolynomialsAreRightToSevenDigitsOrRefusedWhereTheDataAreNot) {
    struct Case {
        const char* what;
        double from, step;
        int count, degree;
        std::function<double(double)> f;
        bool mustSucceed;
        int fixed = 0;
        double x0 = 0, y0 = 0;
    };
    auto shifted10 = [](double x) { return std::pow(x - 1005, 10); };  // exact in doubles at integers
    auto quintic = [](double x) { return 1 + x * (1 + x * (1 + x * (1 + x * (1 + x)))); };
    const Case cases[] = {
        {"(x-1005)^10 through 11 points from 1000", 1000, 1, 11, 10, shifted10, true},
        {"the same from 101 points", 1000, 0.1, 101, 10, shifted10, true},
        {"(x-1005)^10 through (1005, 0)", 1000, 1, 11, 10, shifted10, true, 1, 1005, 0},
        {"(x-1005)^10 through (0, 1005^10), far from the data", 1000, 1, 11, 10, shifted10, false, 1, 0,
         std::pow(1005.0, 10)},
        // Values from 1 to 1e10: the large ones move the low coefficients by
        // more than 1e-7 of themselves.
        {"sum of x^i on 0..10: cond ~1e13", 0, 1, 11, 10,
         [](double x) { double v = 0; for (int i = 10; i >= 0; --i) v = v * x + 1; return v; }, false},
        {"(x-100)^5 (x-105)^5 on 100..110", 100, 1, 11, 10,
         [](double x) { return std::pow(x - 100, 5) * std::pow(x - 105, 5); }, true},
        {"sin x through 11 points from 0", 0, 1, 11, 10, [](double x) { return std::sin(x); }, true},
        {"sin x through 11 points from 100", 100, 1, 11, 10, [](double x) { return std::sin(x); }, true},
        {"sin x through 11 points from 1000", 1000, 1, 11, 10, [](double x) { return std::sin(x); }, true},
        {"sin x on 1000 points spread 1e-3 at 1e6", 1e6, 1e-6, 1000, 10,
         [](double x) { return std::sin(x); }, false},
        {"degree 9, noisy, far fixed point", 0, 0.5, 21, 9,
         [](double x) { return std::cos(x) + 0.01 * std::sin(37 * x); }, false, 1, -10, 0.7},
        // Residuals of about 2e4 on values up to 3.4e6, the phase chosen so
        // that A1 comes out near 0.1: the data determine it to about 7.8 digits.
        {"degree 5 on 0..20 with large residuals", 0, 1, 21, 5,
         [&](double x) { return quintic(x) + 2.9e4 * std::sin(2.5 * x + 2.8220426597262573); }, true},
        {"degree 6 through (0, -1.2e12), data at -82937 +- 47", -82984, 4.5, 22, 6,
         [](double x) { const double z = (x + 82937) / 47; return 0.1 * (1 + z * (2 - z * z)) + 1e-3 * std::sin(9 * z); },
         true, 1, 0, -1.2e12},
    };
    for (const Case& c : cases) {
        Fit f;
        f.degree = c.degree;
        f.fixed = c.fixed;
        f.x0 = c.x0;
        f.y0 = c.y0;
        f.x = Sample(c.from, c.step, c.count, c.f, &f.y);
        f.outStart = c.from;
        f.outEnd = f.x.back();
        f.divisions = c.count - 1;
        const bool ok = f.Run();
        linexact::Problem p;
        p.degree = c.degree;
        p.fixed = c.fixed;
        p.x0 = c.x0;
        p.y0 = c.y0;
        p.x = f.x;
        p.y = f.y;
        const linexact::Exact want = linexact::Solve(p);
        ASSERT_TRUE(want.solved) << c.what;
        const double allowed = linexact::WorstChange(p, want);
        const double err = ok ? linexact::WorstError(p, linexact::Reported(p, f.coeff), want) : 0;
        std::printf("%s: the data give %.2f digits; %s %.2f\n", c.what, -std::log10(allowed),
                    ok ? "answered to" : "refused", ok ? -std::log10(err) : 0.0);
        if (c.mustSucceed) {
            EXPECT_TRUE(ok) << c.what;
        }
        if (!ok) {
            EXPECT_GT(allowed, linexact::kSevenDigits) << c.what << ": refused, though the data determine it";
            continue;
        }
        EXPECT_LE(err, linexact::kSevenDigits) << c.what;
        // The curve, sampled at the data, passes through every point of an
        // interpolation.
        if (c.count == c.degree + 1 && !c.fixed) {
            double yMax = 0;
            for (double v : f.y) yMax = std::max(yMax, std::fabs(v));
            for (int k = 1; k <= c.count; ++k)
                EXPECT_NEAR(f.outY[k], f.y[std::size_t(k - 1)], 1e-9 * yMax) << c.what << " point " << k;
            EXPECT_EQ(f.corr, 1.0) << c.what;
        }
    }
}

TEST(LinearFit, ExactCoefficientsOfShiftedPolynomials) {
    // (x - 1005)^10 and (x - 1005)^10 + 3 (x - 1005) - 7: exact integer coefficients.
    for (int variant = 0; variant < 2; ++variant) {
        Fit f;
        f.degree = 10;
        f.x = Sample(1000, 1, 11, [&](double x) {
            return std::pow(x - 1005, 10) + (variant ? 3 * (x - 1005) - 7 : 0);
        }, &f.y);
        ASSERT_TRUE(f.Run()) << variant;
        for (int i = 0; i <= 10; ++i) {
            long double want = 1;
            for (int k = 0; k < i; ++k) want = want * (10 - k) / (k + 1);  // C(10, i)
            for (int k = 0; k < 10 - i; ++k) want *= -1005.0L;
            if (variant && i == 0) want += -3 * 1005.0L - 7;
            if (variant && i == 1) want += 3;
            EXPECT_NEAR(f.coeff[i], double(want), 1e-9 * std::fabs(double(want))) << variant << " A" << i;
        }
    }
}

TEST(LinearFit, CorrelationCoefficientOfAStraightLine) {
    // Least squares gives y = 2.2 + 0.6 x with r^2 = 0.6.
    Fit f;
    f.x = {1, 2, 3, 4, 5};
    f.y = {2, 4, 5, 4, 5};
    ASSERT_TRUE(f.Run());
    EXPECT_NEAR(f.coeff[0], 2.2, 1e-12);
    EXPECT_NEAR(f.coeff[1], 0.6, 1e-12);
    EXPECT_NEAR(f.corr, std::sqrt(0.6), 1e-12);
}

TEST(LinearFit, DegreeZeroIsTheMean) {
    Fit f;
    f.degree = 0;
    f.x = {1, 2, 3, 4};
    f.y = {1, 5, 2, 8};
    ASSERT_TRUE(f.Run());
    EXPECT_DOUBLE_EQ(f.coeff[0], 4.0);
    EXPECT_EQ(f.corr, 0.0);
    for (double y : Values(f.outY)) EXPECT_EQ(y, 4.0);

    // Data without spread is reproduced exactly; its coefficient is 1, not 0/0.
    Fit flat;
    flat.degree = 0;
    flat.x = {1, 2, 3};
    flat.y = {7, 7, 7};
    ASSERT_TRUE(flat.Run());
    EXPECT_EQ(flat.coeff[0], 7.0);
    EXPECT_EQ(flat.corr, 1.0);
}

TEST(LinearFit, FixedPointPolynomials) {
    // Through the origin: A0 is exactly 0, the slope sum(xy)/sum(x^2).
    Fit origin;
    origin.fixed = 1;
    origin.x = {1, 2, 3};
    origin.y = {2, 3, 7};
    ASSERT_TRUE(origin.Run());
    EXPECT_EQ(origin.coeff[0], 0.0);
    EXPECT_NEAR(origin.coeff[1], (2 + 6 + 21) / 14.0, 1e-14);
    EXPECT_EQ(origin.corr, -99);  // left alone with a fixed point

    // A quadratic through a point of its own is recovered.
    Fit quad;
    quad.fixed = 1;
    quad.degree = 2;
    quad.x0 = 1;
    quad.y0 = 5;
    quad.x = Sample(-2, 0.5, 10, [](double x) { return 5 + 2 * (x - 1) + 3 * (x - 1) * (x - 1); }, &quad.y);
    ASSERT_TRUE(quad.Run());
    EXPECT_NEAR(quad.coeff[0], 6, 1e-10);
    EXPECT_NEAR(quad.coeff[1], -4, 1e-10);
    EXPECT_NEAR(quad.coeff[2], 3, 1e-10);
    EXPECT_NEAR(quad.outY[2], 5, 1e-10);  // x = 1 on the curve from 0 to 10

    // A fixed point off the data pulls the line through it.
    Fit pulled;
    pulled.fixed = 1;
    pulled.x0 = 0;
    pulled.y0 = 10;
    pulled.x = {1, 2, 3, 4};
    pulled.y = {1, 2, 3, 4};
    ASSERT_TRUE(pulled.Run());
    EXPECT_DOUBLE_EQ(pulled.outY[1], 10.0);
}

struct ModelCase {
    int model;
    double a, b;
    std::function<double(double)> f;
};

TEST(LinearFit, TwoParameterModelsFreeAndThroughAPoint) {
    const ModelCase cases[] = {
        {FitModelExponential, 2, 0.3, [](double x) { return 2 * std::exp(0.3 * x); }},
        {FitModelLogarithmic, 1, 2, [](double x) { return 1 + 2 * std::log(x); }},
        {FitModelGeometric, 3, 1.5, [](double x) { return 3 * std::pow(1.5, x); }},
        {FitModelPower, 2, 1.5, [](double x) { return 2 * std::pow(x, 1.5); }},
    };
    for (const ModelCase& c : cases) {
        for (int fixed : {0, 1}) {
            Fit f;
            f.model = c.model;
            f.degree = 7;  // ignored by these models
            f.fixed = fixed;
            f.x0 = 2;
            f.y0 = c.f(2);
            f.outStart = 1;
            f.x = Sample(0.5, 0.5, 12, c.f, &f.y);
            ASSERT_TRUE(f.Run()) << c.model << " fixed " << fixed;
            EXPECT_NEAR(f.coeff[0], c.a, 1e-10) << c.model << " fixed " << fixed;
            EXPECT_NEAR(f.coeff[1], c.b, 1e-10) << c.model << " fixed " << fixed;
            if (!fixed) {
                EXPECT_NEAR(f.corr, 1.0, 1e-12) << c.model;
            } else {
                EXPECT_EQ(f.corr, -99);
            }
            const std::vector<double> xs = Values(f.outX), ys = Values(f.outY);
            ASSERT_EQ(xs.size(), 11u);
            for (std::size_t k = 0; k < xs.size(); ++k) EXPECT_NEAR(ys[k], c.f(xs[k]), 1e-8 * ys[k]);
        }
    }
}

TEST(LinearFit, LogarithmsOfCloseLargeXKeepTheDigitsTheDataGive) {
    // x spread over a few units of its ninth digit around 1e12 or 1e15: one
    // rounding of ln x in double moves it by more than a rounding of x does,
    // and would cost these fits their seventh digit.
    struct Case {
        double centre, spread;
    };
    const Case cases[] = {{1e15, 2.28e-9}, {1e15, 1.01e-9}, {1e12, 6.77e-10}};
    for (const Case& c : cases) {
        Fit f;
        f.model = FitModelLogarithmic;
        for (int k = 0; k < 11; ++k) {
            f.x.push_back(c.centre * (1 + c.spread * (k - 5)));
            f.y.push_back(0.7 + 1.3 * (k - 5) + 0.01 * std::sin(11.0 * k));
        }
        f.outStart = f.x.front();
        f.outEnd = f.x.back();
        ASSERT_TRUE(f.Run()) << c.centre << " " << c.spread;
        linexact::Problem p;
        p.model = f.model;
        p.x = f.x;
        p.y = f.y;
        const linexact::Exact want = linexact::Solve(p);
        ASSERT_LE(linexact::WorstChange(p, want), linexact::kSevenDigits);
        EXPECT_LE(linexact::WorstError(p, linexact::Reported(p, f.coeff), want), linexact::kSevenDigits)
            << c.centre << " " << c.spread;
    }
}

TEST(LinearFit, LogModelsCorrelateInLogSpace) {
    // Noisy exponential data: r is that of the straight line through (x, ln y).
    const std::vector<double> x = {1, 2, 3, 4, 5, 6};
    const std::vector<double> y = {2.7, 7.1, 21, 55, 150, 390};
    std::vector<double> lny;
    for (double v : y) lny.push_back(std::log(v));
    Fit line;
    line.x = x;
    line.y = lny;
    ASSERT_TRUE(line.Run());
    Fit e;
    e.model = FitModelExponential;
    e.x = x;
    e.y = y;
    ASSERT_TRUE(e.Run());
    EXPECT_NEAR(e.corr, line.corr, 1e-12);
    EXPECT_NEAR(std::log(e.coeff[0]), line.coeff[0], 1e-12);
    EXPECT_NEAR(e.coeff[1], line.coeff[1], 1e-12);
    EXPECT_LT(e.corr, 1.0);
}

TEST(LinearFit, FittingRange) {
    // Positions 3 to 5 lie on y = 2x + 1; the others do not.
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const std::vector<double> y = {50, -3, 7, 9, 11, 0, 99, 1, 2, 3};
    Fit part;
    part.x = x;
    part.y = y;
    part.rangeStart = 3;
    part.rangeEnd = 5;
    ASSERT_TRUE(part.Run());
    EXPECT_NEAR(part.coeff[0], 1, 1e-12);
    EXPECT_NEAR(part.coeff[1], 2, 1e-12);

    // -1 and an end beyond the count both mean the last point.
    Fit all, beyond;
    all.x = beyond.x = x;
    all.y = beyond.y = y;
    beyond.rangeEnd = 25;
    ASSERT_TRUE(all.Run());
    ASSERT_TRUE(beyond.Run());
    EXPECT_EQ(all.coeff[0], beyond.coeff[0]);
    EXPECT_EQ(all.coeff[1], beyond.coeff[1]);

    // A count below the list length ends the range there; one above it is cut.
    Fit counted;
    counted.x = x;
    counted.y = y;
    counted.rangeStart = 3;
    counted.count = 5;
    ASSERT_TRUE(counted.Run());
    EXPECT_NEAR(counted.coeff[1], 2, 1e-12);
    Fit overlong = all;
    overlong.count = 1000;
    ASSERT_TRUE(overlong.Run());
    EXPECT_EQ(overlong.coeff[1], all.coeff[1]);
}

TEST(LinearFit, NonFiniteInputPointsAreSkipped) {
    Fit f;
    f.x = {1, 2, kNaN, 3, kInf, 4};
    f.y = {3, 5, 1, 7, 2, -kInf};
    ASSERT_TRUE(f.Run());
    EXPECT_NEAR(f.coeff[0], 1, 1e-12);
    EXPECT_NEAR(f.coeff[1], 2, 1e-12);
}

TEST(LinearFit, DivisionsLimit) {
    Fit ok;
    ok.x = {1, 2};
    ok.y = {1, 2};
    ok.divisions = LSQ_MAX_DIVISIONS;
    ASSERT_TRUE(ok.Run());
    EXPECT_EQ(ok.outX.GetItemsInContainer(), 30001);
    EXPECT_EQ(ok.outY.GetItemsInContainer(), 30001);
    EXPECT_DOUBLE_EQ(Values(ok.outX).back(), 10.0);

    Fit tooMany;
    tooMany.x = {1, 2};
    tooMany.y = {1, 2};
    tooMany.divisions = LSQ_MAX_DIVISIONS + 1;
    tooMany.outX.Add(123);  // untouched: the fit fails before any work
    EXPECT_FALSE(tooMany.Run());
    EXPECT_EQ(tooMany.outX.GetItemsInContainer(), 1);
}

TEST(LinearFit, Failures) {
    struct Case {
        const char* what;
        std::function<void(Fit&)> change;
    };
    const Case cases[] = {
        {"no point in the range", [](Fit& f) { f.rangeStart = 5; }},
        {"range start before the first point", [](Fit& f) { f.rangeStart = 0; }},
        {"only non-finite points", [](Fit& f) { f.x = {kNaN, kInf}; f.y = {1, 2}; }},
        {"degree 0 through a point", [](Fit& f) { f.degree = 0; f.fixed = 1; }},
        {"more coefficients than distinct x", [](Fit& f) { f.degree = 2; f.x = {1, 2, 2, 1}; f.y = {1, 2, 3, 4}; }},
        {"one x for a line", [](Fit& f) { f.x = {3, 3, 3}; f.y = {1, 2, 3}; }},
        {"fixed line with every x at x0", [](Fit& f) { f.fixed = 1; f.x0 = 2; f.x = {2, 2}; f.y = {1, 3}; }},
        {"log model with x = 0", [](Fit& f) { f.model = FitModelLogarithmic; f.x = {0, 1, 2}; f.y = {1, 2, 3}; }},
        {"power model with x < 0", [](Fit& f) { f.model = FitModelPower; f.x = {-1, 1, 2}; f.y = {1, 2, 3}; }},
        {"exponential with y = 0", [](Fit& f) { f.model = FitModelExponential; f.y = {1, 0, 2}; }},
        {"geometric with y < 0", [](Fit& f) { f.model = FitModelGeometric; f.y = {1, -2, 2}; }},
        {"power through y0 <= 0", [](Fit& f) { f.model = FitModelPower; f.fixed = 1; f.x0 = 1; f.y0 = 0; }},
        {"log through x0 <= 0", [](Fit& f) { f.model = FitModelLogarithmic; f.fixed = 1; f.x0 = -1; f.y0 = 1; }},
        {"log curve from x = 0", [](Fit& f) { f.model = FitModelLogarithmic; f.outStart = 0; }},
        {"overflowing sums", [](Fit& f) { f.degree = 2; f.x = {1e200, 2e200, 3e200}; }},
        {"overflowing curve", [](Fit& f) { f.model = FitModelExponential; f.y = {1, 1e100, 1e200}; f.outEnd = 1e6; }},
        {"exponent spacing from 0", [](Fit& f) { f.spacing = DivisionExponent; f.outStart = 0; }},
        {"inverse spacing across 0", [](Fit& f) { f.spacing = DivisionInverse; f.outStart = -1; }},
        {"infinite output range", [](Fit& f) { f.outStart = -1e308; f.outEnd = 1e308; f.degree = 0; }},
        {"no division", [](Fit& f) { f.divisions = 0; }},
        {"degree 11", [](Fit& f) { f.degree = 11; }},
        {"model 6", [](Fit& f) { f.model = 6; }},
        {"spacing 4", [](Fit& f) { f.spacing = 4; }},
    };
    for (const Case& c : cases) {
        Fit f;
        f.x = {1, 2, 3};
        f.y = {1, 2, 4};
        f.outStart = 1;
        c.change(f);
        EXPECT_FALSE(f.Run()) << c.what;
        EXPECT_EQ(f.corr, -99) << c.what;
    }
}

TEST(FitSpacing, PositionsOfEachMethod) {
    struct Case {
        double s, e;
        int d, method;
        bool decimal;
        std::vector<double> want;
    };
    const Case cases[] = {
        {0, 10, 4, DivisionLinear, false, {0, 2.5, 5, 7.5, 10}},
        {-100, -1, 2, DivisionExponent, false, {-100, -10, -1}},
        {1, 1000, 3, DivisionExponent, true, {1, 10, 100, 1000}},
        {-1, -1000, 3, DivisionExponent, true, {-1, -10, -100, -1000}},
        {1, 4, 3, DivisionInverse, false, {1, 4.0 / 3, 2, 4}},
        {-1, -4, 3, DivisionInverse, true, {-1, -4.0 / 3, -2, -4}},
        {3, 7, 0, DivisionLinear, false, {3}},
        {3, 7, 0, DivisionExponent, true, {3}},
        {3, 7, 0, DivisionInverse, false, {3}},
    };
    for (const Case& c : cases) {
        FitPointList out = MakeFitPointList();
        ASSERT_TRUE(FitOutputPositions(&out, c.s, c.e, c.d, c.method, c.decimal)) << c.s << " " << c.method;
        const std::vector<double> got = Values(out);
        ASSERT_EQ(got.size(), c.want.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.want[i], 1e-12 * std::fabs(c.want[i]) + 1e-15);
    }
}

TEST(FitSpacing, RangesAMethodCannotSpan) {
    struct Case {
        double s, e;
        int method;
    };
    const Case cases[] = {
        {0, 10, DivisionExponent}, {-1, 10, DivisionExponent}, {5, 0, DivisionInverse},
        {-1, 4, DivisionInverse},  {kNaN, 1, DivisionLinear},  {1, kInf, DivisionLinear},
        {kNaN, 1, DivisionInverse}, {1, 2, 0},
    };
    for (const Case& c : cases) {
        for (bool decimal : {false, true}) {
            FitPointList out = MakeFitPointList();
            EXPECT_FALSE(FitOutputPositions(&out, c.s, c.e, 5, c.method, decimal)) << c.s << " " << c.e;
        }
    }
    FitPointList out = MakeFitPointList();
    EXPECT_FALSE(FitOutputPositions(&out, 0, 1, -1, DivisionLinear, false));
}

}  // namespace
