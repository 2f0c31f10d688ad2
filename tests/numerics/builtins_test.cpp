#include "numerics/builtins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "numerics/higherfunctions.h"

namespace {

using namespace kv;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Calls function id with up to three arguments and no series.
bool Call(int id, double* out, double a = 0, double b = 0, double c = 0) {
    return EvalBuiltin(id, a, b, c, SeriesColumns{}, 0, out);
}

double Value(int id, double a = 0, double b = 0, double c = 0) {
    double r = -12345.0;
    EXPECT_TRUE(Call(id, &r, a, b, c)) << kBuiltinFunctions[id].name;
    return r;
}

TEST(BuiltinTable, NamesIdsAndArities) {
    for (int id = 1; id <= kBuiltinFunctionCount; ++id) {
        const auto& f = kBuiltinFunctions[id];
        EXPECT_EQ(f.id, id);
        EXPECT_EQ(FindBuiltinFunction(f.name), id) << f.name;
        std::string upper = f.name;
        for (char& ch : upper) ch = char(ch - 'a' + 'A');
        EXPECT_EQ(FindBuiltinFunction(upper), id) << upper;
        int want = 1;
        if (id == fnMax || id == fnMin || id == fnBeta || (id >= fnEq && id <= fnLt) ||
            (id >= fnOr && id <= fnXor))
            want = 2;
        if (id == fnIf) want = 3;
        if (id == fnCell) want = 0;
        EXPECT_EQ(BuiltinArity(id), want) << f.name;
    }
    EXPECT_STREQ(kBuiltinFunctions[fnInverfc].name, "inverfc");
    EXPECT_EQ(FindBuiltinFunction("Sin"), fnSin);
    for (const char* other : {"x", "y", "pi", "inf", "e", "xmin", "sinus", "si", "", "gamma "})
        EXPECT_EQ(FindBuiltinFunction(other), 0) << other;
}

TEST(BuiltinTable, ReservedNames) {
    EXPECT_EQ(std::strlen(FormulaReservedNames), 232u);
    for (const char* name : {"inf", "pi", "PI", "sinh", "inverfc", "Rand", "if", "xor"})
        EXPECT_TRUE(IsReservedFormulaName(name)) << name;
    // x, y, the data extremes and a to i stay free; so do fragments and lists.
    for (const char* name : {"x", "y", "xmin", "ymax", "a", "e", "i", "si", "nverf", "sin,cos", "",
                             "inverfcc"})
        EXPECT_FALSE(IsReservedFormulaName(name)) << name;
}

TEST(BuiltinRandom, GeneratorSequenceAndRand) {
    FormulaRandom fresh;
    EXPECT_EQ(fresh.Next(), 346);
    EXPECT_EQ(fresh.Next(), 130);
    for (int i = 0; i < 1000; ++i) {
        int r = fresh.Next();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
    // rand draws from the one program-wide generator; start it afresh here.
    FormulaRandom saved = ProgramRandom();
    ProgramRandom() = FormulaRandom();
    EXPECT_EQ(Value(fnRand, 1.0), 346 * (1.0 / 32767));
    EXPECT_EQ(Value(fnRand, 2.0), (130 * (1.0 / 32767)) * 2.0);
    EXPECT_NE(ProgramRandom().State(), 1u);
    ProgramRandom() = saved;
}

TEST(BuiltinValues, StepLogicAndRounding) {
    struct {
        int id;
        double a, b, c;
        double want;
    } const cases[] = {
        {fnTheta, 0, 0, 0, 1},      {fnTheta, -1e-300, 0, 0, 0}, {fnDelta, 0, 0, 0, 1},
        {fnDelta, 2, 0, 0, 0},      {fnSign, 0, 0, 0, 0},        {fnSign, -3, 0, 0, -1},
        {fnSign, 0.1, 0, 0, 1},     {fnInt, -2.7, 0, 0, -2},     {fnInt, 2.7, 0, 0, 2},
        {fnGauss, -2.7, 0, 0, -3},  {fnGauss, 2.7, 0, 0, 2},     {fnFrac, -2.7, 0, 0, -2},
        {fnFrac, 2.7, 0, 0, 2},     {fnRound, 2.5, 0, 0, 3},     {fnRound, -2.5, 0, 0, -3},
        {fnRound, -2.4, 0, 0, -2},  {fnRound, 0.49, 0, 0, 0},    {fnRound, 1e300, 0, 0, 1e300},
        {fnMax, 1, 2, 0, 2},        {fnMax, 2, 1, 0, 2},         {fnMin, 1, 2, 0, 1},
        {fnMin, 2, 1, 0, 1},        {fnIf, 0, 1, 2, 2},          {fnIf, 5, 1, 2, 1},
        {fnEq, 1, 1, 0, 1},         {fnEq, 1, 2, 0, 0},          {fnNeq, 1, 1, 0, 0},
        {fnNeq, 1, 2, 0, 1},        {fnGe, 2, 2, 0, 1},          {fnGe, 1, 2, 0, 0},
        {fnGt, 2, 2, 0, 0},         {fnGt, 3, 2, 0, 1},          {fnLe, 2, 2, 0, 1},
        {fnLe, 3, 2, 0, 0},         {fnLt, 2, 2, 0, 0},          {fnLt, 1, 2, 0, 1},
        {fnNot, 0, 0, 0, 1},        {fnNot, -4, 0, 0, 0},        {fnOr, 0, 0, 0, 0},
        {fnOr, 0, 3, 0, 1},         {fnAnd, 2, 0, 0, 0},         {fnAnd, 2, -1, 0, 1},
        {fnXor, 0, 0, 0, 0},        {fnXor, 1, 0, 0, 1},         {fnXor, 0, 7, 0, 1},
        {fnXor, 2, 3, 0, 0},        {fnAbs, -3, 0, 0, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.id, c.a, c.b, c.c), c.want)
            << kBuiltinFunctions[c.id].name << "(" << c.a << ", " << c.b << ", " << c.c << ")";
}

TEST(BuiltinValues, LibraryFunctionsFollowTheMathPolicy) {
    EXPECT_DOUBLE_EQ(Value(fnSin, 3.141592653589793 / 2), 1.0);
    EXPECT_DOUBLE_EQ(Value(fnLog, 1000.0), 3.0);
    EXPECT_DOUBLE_EQ(Value(fnLn, std::exp(2.0)), 2.0);
    EXPECT_DOUBLE_EQ(Value(fnCosh, 0.0), 1.0);
    EXPECT_EQ(Value(fnSqrt, -1.0), kInf);
    EXPECT_EQ(Value(fnLn, 0.0), kInf);
    EXPECT_EQ(Value(fnLn, -1.0), kInf);
    EXPECT_EQ(Value(fnAsin, 2.0), kInf);
    EXPECT_EQ(Value(fnExp, 800.0), kInf);
    EXPECT_EQ(Value(fnExp, -800.0), 0.0);
    EXPECT_EQ(Value(fnSin, 1e16), kInf);
    EXPECT_EQ(Value(fnSinh, -800.0), kInf);
}

TEST(BuiltinValues, HigherFunctions) {
    EXPECT_EQ(Value(fnGamma, 5.0), Gamma(5.0));
    EXPECT_EQ(Value(fnBeta, 2.0, 3.0), Beta(2.0, 3.0));
    EXPECT_NEAR(Value(fnErf, 1.0), 0.8427007929497149, 4e-16);
    EXPECT_NEAR(Value(fnErfc, 2.0), 0.004677734981047266, 1e-16);
    EXPECT_EQ(Value(fnPnor, 0.0), 0.5);
    EXPECT_EQ(Value(fnQnor, 0.0), 0.5);
    EXPECT_EQ(Value(fnInvq, 0.5), 0.0);
    EXPECT_EQ(Value(fnInvq, 1.0), 0.0);
    EXPECT_NEAR(Value(fnInvq, 0.025), 1.959963984540054, 1e-14);
    EXPECT_NEAR(Value(fnInvq, 0.975), -1.959963984540054, 1e-14);
    EXPECT_NEAR(Value(fnInvq, 0.001), 3.090232306167813, 1e-14);
    EXPECT_EQ(Value(fnInvp, 0.0), 0.0);
    EXPECT_NEAR(Value(fnInvp, 0.975), 1.959963984540054, 1e-14);
    EXPECT_NEAR(Value(fnInvp, 0.01), -2.3263478740408410931, 1e-14);
    EXPECT_EQ(Value(fnInverf, 0.0), 0.0);
    EXPECT_NEAR(Value(fnInverf, 0.5), 0.47693627620446987338, 1e-15);
    EXPECT_NEAR(Value(fnInverf, -0.5), -0.47693627620446987338, 1e-15);
    EXPECT_EQ(Value(fnInverfc, 1.0), 0.0);
    EXPECT_NEAR(Value(fnInverfc, 0.5), 0.47693627620446987338, 1e-15);
    EXPECT_NEAR(Value(fnInverfc, 1.5), -0.47693627620446987338, 1e-15);
}

// Arguments so close to an end that 1 - x or 1 + x would lose them.
TEST(BuiltinValues, InverseNormalFunctionsKeepSmallTails) {
    EXPECT_NEAR(Value(fnInvp, 1e-20), -9.2623400897984075796, 1e-14);
    EXPECT_NEAR(Value(fnInvp, 1e-10), -6.3613409024040561991, 1e-14);
    EXPECT_NEAR(Value(fnInverf, 0.9999999999999999), 5.8635847487551679272, 1e-13);
    EXPECT_NEAR(Value(fnInverf, -0.9999999999999999), -5.8635847487551679272, 1e-13);
}

TEST(BuiltinValues, FailingCalls) {
    struct {
        int id;
        double a;
    } const cases[] = {
        {fnCell, 1},       {fnInvq, 0},      {fnInvq, 1.5},    {fnInvq, -1},    {fnInvq, kNaN},
        {fnInvp, 1},       {fnInvp, -0.1},   {fnInvp, kNaN},   {fnInverf, 1},   {fnInverf, -1},
        {fnInverf, kNaN},  {fnInverfc, 0},   {fnInverfc, 2},   {fnInverfc, kNaN},
        {0, 1},            {51, 1},          {-3, 1},
    };
    for (const auto& c : cases) {
        double r = 99.0;
        EXPECT_FALSE(Call(c.id, &r, c.a)) << c.id << " " << c.a;
        EXPECT_EQ(r, 99.0);
    }
}

// Squares 1, 4, 9, ..., 36 in X; Y doubled. Y as records, the way a series
// stores its columns.
struct Element {
    double Value;
    unsigned char Flag;
};

class ColumnFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 6; ++i) {
            x[i] = double((i + 1) * (i + 1));
            y[i] = {2.0 * x[i], 0};
        }
        cols.x = ColumnView(x, 6);
        cols.y = ColumnView(y, 6, &Element::Value);
    }
    bool Eval(int id, double arg, int row, double* out) {
        return EvalBuiltin(id, arg, 0, 0, cols, row, out);
    }
    double x[6];
    Element y[6];
    SeriesColumns cols;
};

TEST_F(ColumnFunctions, BackwardDifferences) {
    double r;
    ASSERT_TRUE(Eval(fnDx, 1, 0, &r));
    EXPECT_EQ(r, kInf);  // row < k: a missing value, not a failure
    ASSERT_TRUE(Eval(fnDx, 1, 2, &r));
    EXPECT_EQ(r, 5.0);
    ASSERT_TRUE(Eval(fnDx, 1.4, 2, &r));
    EXPECT_EQ(r, 5.0);
    ASSERT_TRUE(Eval(fnDx, 2, 2, &r));
    EXPECT_EQ(r, 2.0);  // X[2] - 2 X[1] + X[0]
    ASSERT_TRUE(Eval(fnDx, 2, 1, &r));
    EXPECT_EQ(r, kInf);
    ASSERT_TRUE(Eval(fnDx, 3, 5, &r));
    EXPECT_EQ(r, 0.0);
    ASSERT_TRUE(Eval(fnDx, 4, 4, &r));
    EXPECT_EQ(r, 0.0);
    ASSERT_TRUE(Eval(fnDy, 1, 3, &r));
    EXPECT_EQ(r, 14.0);
    ASSERT_TRUE(Eval(fnDy, 2, 5, &r));
    EXPECT_EQ(r, 4.0);
    for (double k : {0.4, 5.0, -1.0, kNaN, 1e10}) {
        EXPECT_FALSE(Eval(fnDx, k, 3, &r)) << k;
        EXPECT_FALSE(Eval(fnDy, k, 3, &r)) << k;
    }
    EXPECT_FALSE(Eval(fnDx, 1, 6, &r));  // past the column
}

TEST_F(ColumnFunctions, FlaggedElementsMakeDifferencesInfinite) {
    x[1] = kInf;
    double r;
    ASSERT_TRUE(Eval(fnDx, 1, 2, &r));
    EXPECT_TRUE(std::isinf(r));
}

TEST_F(ColumnFunctions, MovingMeans) {
    double r;
    ASSERT_TRUE(Eval(fnNrx, 1, 0, &r));
    EXPECT_EQ(r, kInf);
    ASSERT_TRUE(Eval(fnNrx, 1, 5, &r));
    EXPECT_EQ(r, kInf);
    ASSERT_TRUE(Eval(fnNrx, 1, 1, &r));
    EXPECT_EQ(r, 14.0 / 3);
    ASSERT_TRUE(Eval(fnNrx, 2, 2, &r));
    EXPECT_EQ(r, 11.0);
    ASSERT_TRUE(Eval(fnNry, 1, 4, &r));
    EXPECT_EQ(r, 2.0 * 77 / 3);
    ASSERT_TRUE(Eval(fnNrx, 100, 2, &r));
    EXPECT_EQ(r, kInf);
    for (double k : {101.0, 0.0, kNaN}) {
        EXPECT_FALSE(Eval(fnNrx, k, 2, &r)) << k;
        EXPECT_FALSE(Eval(fnNry, k, 2, &r)) << k;
    }
    // No series: every row lies outside the window.
    ASSERT_TRUE(EvalBuiltin(fnNrx, 1, 0, 0, SeriesColumns{}, 3, &r));
    EXPECT_EQ(r, kInf);
}

TEST(BuiltinCount, RoundsHalfUpAndRejectsWhatIsNoInt) {
    EXPECT_EQ(BuiltinCount(1.4), 1);
    EXPECT_EQ(BuiltinCount(1.5), 2);
    EXPECT_EQ(BuiltinCount(-0.5), 0);
    EXPECT_EQ(BuiltinCount(-0.6), -1);
    EXPECT_EQ(BuiltinCount(kNaN), std::numeric_limits<int>::min());
    EXPECT_EQ(BuiltinCount(3e9), std::numeric_limits<int>::min());
}

}  // namespace
