// The Marquardt solver: its linear algebra, the model and derivative columns, the
// normal equations and the iteration on known problems.
#include "fitting/linearfit.h"
#include "fitting/marquardt.h"
#include "model/boxframe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "fit_series.h"

namespace {

using fittest::FitStateGuard;

NlsqMatrix Matrix(std::initializer_list<std::initializer_list<double>> rows) {
    NlsqMatrix m{};
    int i = 1;
    for (const auto& row : rows) {
        int j = 1;
        for (double v : row) m[i][j++] = v;
        ++i;
    }
    return m;
}

TEST(NlsqAlgebra, DecompositionPivotsByScaledSize) {
    // Scaled candidates 2/2 and 1/1 tie: the earlier row stays the pivot row.
    NlsqMatrix a = Matrix({{2, 1}, {1, 0.25}});
    NlsqPermutation p{};
    ASSERT_EQ(LUDecompose(2, a, p), 1);
    EXPECT_EQ(p[1], 1);
    EXPECT_EQ(p[2], 2);
    EXPECT_DOUBLE_EQ(a[2][1], 0.5);    // the multiplier stays in place
    EXPECT_DOUBLE_EQ(a[2][2], -0.25);  // U below the pivot row

    // A large entry that is small against its own row does not win the pivot.
    NlsqMatrix b = Matrix({{10, 1000}, {1, 1}});
    ASSERT_EQ(LUDecompose(2, b, p), 1);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 1);
}

TEST(NlsqAlgebra, InverseAndSolve) {
    NlsqMatrix a = Matrix({{4, -2, 1}, {-2, 4, -2}, {1, -2, 4}});
    const NlsqMatrix original = a;
    NlsqMatrix inv{};
    ASSERT_EQ(InvertMatrix(3, a, inv), 1);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            double s = 0;
            for (int k = 1; k <= 3; ++k) s += original[i][k] * inv[k][j];
            EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-14);
        }

    NlsqMatrix alpha = Matrix({{2, 1}, {1, 3}});
    NlsqVector beta{};
    beta[1] = 3;
    beta[2] = 5;
    ASSERT_EQ(SolveNormalEquations(alpha, 2, beta), 1);
    EXPECT_NEAR(beta[1], 0.8, 1e-15);
    EXPECT_NEAR(beta[2], 1.4, 1e-15);

    // Nine equations, the most a system may have.
    NlsqMatrix big{};
    NlsqVector rhs{};
    for (int i = 1; i <= 9; ++i) {
        for (int j = 1; j <= 9; ++j) big[i][j] = 1.0 / (i + j) + (i == j ? 1 : 0);
        rhs[i] = i;
    }
    const NlsqMatrix bigCopy = big;
    NlsqVector d = rhs;
    ASSERT_EQ(SolveNormalEquations(big, 9, d), 1);
    for (int i = 1; i <= 9; ++i) {
        double s = 0;
        for (int j = 1; j <= 9; ++j) s += bigCopy[i][j] * d[j];
        EXPECT_NEAR(s, rhs[i], 1e-12);
    }
}

TEST(NlsqAlgebra, SingularAndDamagedMatricesFail) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const NlsqMatrix cases[] = {
        Matrix({{1, 2}, {0, 0}}),        // a zero row
        Matrix({{1, 2}, {2, 4}}),        // dependent rows: zero pivot
        Matrix({{1, nan}, {2, 1}}),      // not a number
        Matrix({{inf, 1}, {1, 1}}),      // an infinity
    };
    for (const NlsqMatrix& m : cases) {
        NlsqMatrix a = m;
        NlsqVector beta{};
        beta[1] = 7;
        beta[2] = 8;
        EXPECT_EQ(SolveNormalEquations(a, 2, beta), 0);
        EXPECT_EQ(beta[1], 7);  // unchanged on failure
        EXPECT_EQ(beta[2], 8);
    }
    NlsqMatrix a = Matrix({{1}});
    NlsqPermutation p{};
    EXPECT_EQ(LUDecompose(0, a, p), 0);
    EXPECT_EQ(LUDecompose(10, a, p), 0);
}

class Nlsq : public ::testing::Test {
protected:
    FitStateGuard guard;
    BoxFrame set;
    FitColumnSet cols = MakeFitColumnSet();
    int freeList[NlsqMaxParameters + 1] = {};
    int m = 0;

    // The model, its free parameters (letters) and their derivative texts.
    void Model(const char* function, const char* free, std::vector<const char*> derivatives = {}) {
        NlsqFunctionText = function;
        m = 0;
        for (const char* c = free; *c; ++c) {
            const int k = *c - 'a' + 1;
            NlsqParamEnabled[k] = 1;
            freeList[++m] = k;
            if (std::size_t(m) <= derivatives.size()) NlsqDerivativeText[k] = derivatives[std::size_t(m - 1)];
        }
    }
    int Fit(const TPlot& series, double* p, double tolerance = 0.001, NlsqTrace* trace = nullptr) {
        return NlsqMarquardt(&set, cols, &series, series.XData.GetItemsInContainer(), p, freeList, m,
                             tolerance, trace);
    }
};

TEST_F(Nlsq, ForwardDifferencesFollowTheParameterSign) {
    auto series = fittest::MakeSeries({1, 2}, {0, 0});
    Model("a*a+b*b", "ab");
    double p[10] = {0, -2, 0};
    ASSERT_EQ(NlsqJacobian(&set, cols, 2, p, 9, series.get()), 1);
    // d(a^2)/da at -2 with the step -2e-5 is 2a + h; d(b^2)/db at 0 with 1e-5 is h.
    EXPECT_NEAR(cols[1][1], -4.00002, 1e-9);
    EXPECT_NEAR(cols[2][2], 1e-5, 1e-12);
    EXPECT_DOUBLE_EQ(cols[0][1], 4.0);
    EXPECT_EQ(cols[0].GetItemsInContainer(), 2);
    // Parameters that are not free get a column too (zero where the model does not
    // use them); FitParameters hold P again.
    EXPECT_EQ(cols[3].GetItemsInContainer(), 2);
    EXPECT_EQ(cols[3][1], 0.0);
    EXPECT_EQ(FitParameters[1], -2.0);
    EXPECT_EQ(FitParameters[2], 0.0);

    // A derivative formula replaces the difference.
    NlsqDerivativeText[1] = "2*a";
    ASSERT_EQ(NlsqJacobian(&set, cols, 2, p, 9, series.get()), 1);
    EXPECT_EQ(cols[1][2], -4.0);
}

TEST_F(Nlsq, NormalEquationsOfAStraightLine) {
    auto series = fittest::MakeSeries({1, 2, 3}, {1, 3, 2});
    Model("a+b*x", "ab", {"1", "x"});
    double p[10] = {0, 0.5, 1};
    NlsqMatrix alpha{};
    NlsqVector beta{};
    double chi = -1;
    ASSERT_EQ(NlsqNormalEquations(&set, cols, series.get(), 3, p, 9, freeList, m, alpha, beta, chi), 1);
    // Residuals y - (0.5 + x): -0.5, 0.5, -1.5.
    EXPECT_DOUBLE_EQ(alpha[1][1], 3);
    EXPECT_DOUBLE_EQ(alpha[1][2], 6);
    EXPECT_DOUBLE_EQ(alpha[2][1], 6);
    EXPECT_DOUBLE_EQ(alpha[2][2], 14);
    EXPECT_DOUBLE_EQ(beta[1], -1.5);
    EXPECT_DOUBLE_EQ(beta[2], -4.0);
    EXPECT_DOUBLE_EQ(chi, 2.75);
}

TEST_F(Nlsq, ConvergesOnKnownProblems) {
    struct Case {
        const char* model;
        const char* free;
        std::vector<const char*> derivatives;
        std::function<double(double)> f;
        std::vector<double> start, want;
    };
    const Case cases[] = {
        {"a*exp(-b*x)+c", "abc", {}, [](double x) { return 5 * std::exp(-1.3 * x) + 2; },
         {1, 0.5, 0}, {5, 1.3, 2}},
        {"a*exp(-b*x)+c", "abc", {"exp(-b*x)", "-a*x*exp(-b*x)", "1"},
         [](double x) { return 5 * std::exp(-1.3 * x) + 2; }, {1, 0.5, 0}, {5, 1.3, 2}},
        {"a*exp(-((x-b)/c)^2)", "abc", {}, [](double x) { return 3 * std::exp(-std::pow((x - 2) / 0.7, 2)); },
         {2, 1.8, 1}, {3, 2, 0.7}},
        {"A*sin(B*x)+C*x", "abc", {}, [](double x) { return 1.5 * std::sin(0.8 * x) + 0.1 * x; },
         {1, 0.7, 0}, {1.5, 0.8, 0.1}},
    };
    int rejectedInLoop = 0;
    for (const Case& c : cases) {
        FitStateGuard clean;
        Model(c.model, c.free, c.derivatives);
        auto series = fittest::SampleSeries(0, 0.1, 50, c.f);
        double p[10] = {};
        for (std::size_t i = 0; i < c.start.size(); ++i) p[i + 1] = c.start[i];
        NlsqTrace trace;
        ASSERT_EQ(Fit(*series, p, 1e-6, &trace), 1) << c.model;
        for (std::size_t i = 0; i < c.want.size(); ++i) {
            EXPECT_NEAR(p[i + 1], c.want[i], 1e-5) << c.model << " parameter " << i + 1;
            EXPECT_EQ(FitParameters[i + 1], p[i + 1]);  // the fitted values, seen by every formula
        }
        EXPECT_LT(trace.Iterations, NlsqMaxIterations);
        rejectedInLoop += int(std::count(trace.Accepted.begin() + 1, trace.Accepted.end(), 0));
    }
    // Some of these pass through steps that are no better; they raise lambda and
    // the iteration goes on rather than stopping short of the minimum.
    EXPECT_GT(rejectedInLoop, 0);
}

TEST_F(Nlsq, NoisyStraightLineAgreesWithLinearLeastSquares) {
    const std::vector<double> xs = {0, 1, 2, 3, 4, 5, 6, 7};
    const std::vector<double> ys = {1.1, 2.9, 5.2, 6.8, 9.3, 10.9, 13.2, 14.8};
    auto series = fittest::MakeSeries(xs, ys);
    Model("a+b*x", "ab");
    double p[10] = {0, 0, 0};
    ASSERT_EQ(Fit(*series, p, 1e-9), 1);

    FitPointList x = MakeFitPointList(), y = MakeFitPointList();
    FitPointList ox = MakeFitPointList(), oy = MakeFitPointList();
    for (std::size_t i = 0; i < xs.size(); ++i) {
        x.Add(xs[i]);
        y.Add(ys[i]);
    }
    double coeff[LSQ_COEFFICIENTS] = {}, corr = 0;
    ASSERT_TRUE(LinearLeastSquaresFit(&x, &y, &ox, &oy, 8, 1, FitModelPolynomial, 0, 1, 1, coeff,
                                      &corr, 0, 0, 0, DivisionLinear, 1, -1));
    EXPECT_NEAR(p[1], coeff[0], 1e-7);
    EXPECT_NEAR(p[2], coeff[1], 1e-7);
}

TEST_F(Nlsq, StartingAtTheOptimumRejectsAndStops) {
    auto series = fittest::MakeSeries({1, 2, 3}, {2, 4, 6});
    Model("a*x", "a");
    double p[10] = {0, 2};
    NlsqTrace trace;
    ASSERT_EQ(Fit(*series, p, 0.001, &trace), 1);
    // The first step is rejected (lambda 0.01, the reference is the initial 0);
    // the first rejected step of the loop ends it.
    EXPECT_EQ(trace.Accepted, (std::vector<int>{0, 0}));
    EXPECT_EQ(trace.Iterations, 1);
    EXPECT_DOUBLE_EQ(trace.Lambda, 0.1);
    EXPECT_EQ(p[1], 2.0);
}

TEST_F(Nlsq, AFarStartDoesNotStopShortOfTheMinimum) {
    // A slow saturation from a start twice too high: the early steps cut the
    // chi-square by orders of magnitude, and later ones crawl along a valley by
    // far less than the Allowance of that early chi-square, long before the
    // minimum (about a = 240, b = 5.5e-4).
    std::vector<double> xs, ys;
    for (int i = 0; i < 14; ++i) {
        xs.push_back(77 + 55 * i);
        ys.push_back(240 * (1 - std::exp(-5.5e-4 * xs.back())) + 0.1 * std::sin(1.7 * i));
    }
    auto series = fittest::MakeSeries(xs, ys);
    Model("a*(1-exp(-b*x))", "ab");
    double near[10] = {0, 240, 5.5e-4};
    ASSERT_EQ(Fit(*series, near, 1e-10), 1);
    for (double tolerance : {1e-3, 1e-8}) {
        double p[10] = {0, 500, 1e-4};
        ASSERT_EQ(Fit(*series, p, tolerance), 1) << tolerance;
        EXPECT_NEAR(p[1], near[1], 1e-4 * near[1]) << tolerance;
        EXPECT_NEAR(p[2], near[2], 1e-4 * near[2]) << tolerance;
    }
}

TEST_F(Nlsq, HundredthIterationFailsWithTheLastAcceptedParameters) {
    // A derivative formula 1000 times too large makes every step a thousandth of
    // what it should be: always better, never done.
    auto series = fittest::MakeSeries({1, 2, 3, 4, 5}, {2, 4, 6, 8, 10});
    Model("a*x", "a", {"1000*x"});
    double p[10] = {0, 0};
    NlsqTrace trace;
    EXPECT_EQ(Fit(*series, p, 0.001, &trace), 0);
    EXPECT_EQ(trace.Iterations, NlsqMaxIterations);
    // The first step and the hundred of the loop, all accepted, each moving a by
    // (2 - a) / (1000 (1 + lambda)): one step more or less moves it by 0.0016.
    double a = 0, lambda = 0.001;
    for (int step = 0; step <= NlsqMaxIterations; ++step, lambda *= 0.1) a += (2 - a) / (1000 * (1 + lambda));
    EXPECT_NEAR(p[1], a, 1e-9);
    EXPECT_EQ(FitParameters[1], p[1]);
    EXPECT_EQ(trace.Accepted, std::vector<int>(NlsqMaxIterations + 1, 1));
    // The parameter is the one whose chi-square the solver holds.
    double chi = 0;
    for (int x = 1; x <= 5; ++x) chi += std::pow(2.0 * x - p[1] * x, 2);
    EXPECT_NEAR(trace.ChiSquare, chi, 1e-9 * chi);
}

TEST_F(Nlsq, Failures) {
    auto series = fittest::SampleSeries(1, 1, 5, [](double x) { return 2 * x + 1; });
    struct Case {
        const char* what;
        const char* model;
        const char* free;
        std::vector<const char*> derivatives;
        double start;
    };
    const Case cases[] = {
        {"a free parameter the model does not use", "a*x+1", "ab", {}, 1},
        {"a model that does not compile", "a*x+", "a", {}, 1},
        {"a model that does not evaluate", "a*-x", "a", {}, 1},
        {"a model referring to the series number", "a*%i", "a", {}, 1},
        {"a free parameter's derivative that does not compile", "a*x+1", "a", {"x+"}, 1},
        {"no finite chi-square at the start", "sqrt(a-x)", "a", {}, 0},
    };
    for (const Case& c : cases) {
        FitStateGuard clean;
        Model(c.model, c.free, c.derivatives);
        double p[10] = {0, c.start, c.start};
        EXPECT_EQ(Fit(*series, p), 0) << c.what;
        EXPECT_EQ(p[1], c.start) << c.what;  // nothing accepted: the initial values
        EXPECT_EQ(FitParameters[1], c.start) << c.what;
    }
    // Nothing to vary, or no points.
    double p[10] = {0, 1};
    Model("a*x", "");
    EXPECT_EQ(Fit(*series, p), 0);
    Model("a*x", "a");
    EXPECT_EQ(NlsqMarquardt(&set, cols, series.get(), 0, p, freeList, m, 0.001), 0);
}

TEST_F(Nlsq, EveryDerivativeIsComputedFreeOrNot) {
    // All nine columns are filled at every pass, so a broken derivative text fails
    // the fit even when its parameter is held fixed; a fixed parameter without a
    // text still gets its forward difference.
    auto series = fittest::SampleSeries(1, 1, 5, [](double x) { return 2 * x + 1; });
    Model("a*x+b", "a");
    NlsqDerivativeText[2] = "this is no formula (";
    double p[10] = {0, 0, 1};
    EXPECT_EQ(Fit(*series, p, 1e-9), 0);
    EXPECT_EQ(p[1], 0.0);

    NlsqDerivativeText[2].clear();
    ASSERT_EQ(Fit(*series, p, 1e-9), 1);
    EXPECT_NEAR(p[1], 2, 1e-9);
    EXPECT_EQ(p[2], 1.0);
    for (int r = 1; r <= 5; ++r) EXPECT_NEAR(cols[2][cols[2].LowerBound() + r - 1], 1.0, 1e-6);
}

TEST_F(Nlsq, TrialsWithoutFiniteValuesAreRejected) {
    // sqrt(x - a) has no value for a above the first x; the fit must stay where the
    // model is defined.
    auto series = fittest::SampleSeries(1, 1, 6, [](double x) { return std::sqrt(x - 0.5); });
    Model("sqrt(x-a)", "a");
    double p[10] = {0, 0.9};
    ASSERT_EQ(Fit(*series, p, 1e-9), 1);
    EXPECT_NEAR(p[1], 0.5, 1e-6);
    EXPECT_TRUE(std::isfinite(p[1]));
}

TEST_F(Nlsq, EscapeStopsTheIterationButNotAnEarlierLatch) {
    auto series = fittest::SampleSeries(0, 0.1, 40, [](double x) { return 5 * std::exp(-1.3 * x) + 2; });
    Model("a*exp(-b*x)+c", "abc");
    {
        fittest::EscapeKeys keys;
        double p[10] = {0, 1, 0.5, 0};
        NlsqTrace trace;
        EXPECT_EQ(Fit(*series, p, 0.001, &trace), 0);
        EXPECT_EQ(keys.polls, 1);
        EXPECT_EQ(trace.Iterations, 0);
        EXPECT_EQ(AbortRequested, 1);
        AbortRequested = 0;
    }
    AbortRequested = 1;  // left by an interrupted drawing
    double p[10] = {0, 1, 0.5, 0};
    EXPECT_EQ(Fit(*series, p, 1e-6), 1);
    EXPECT_NEAR(p[2], 1.3, 1e-5);
}

}  // namespace
