// Evaluating a block of rows at once (BoxFrame::EvaluateRows) against the row
// path (BoxFrame::Evaluate once per row): for every built-in function and for
// random formulas, every row must succeed or fail alike with the same bits, the
// random numbers must be drawn in the same order, and EvalWork must be left as
// the row path leaves it (the next compile hands its first value back).
#include "model/boxframe.h"
#include "numerics/builtins.h"
#include "numerics/fitparams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kUntouched = -7777.25;
constexpr int kSeriesRows = 300;

// A series whose values visit the edges of the functions' domains, with columns
// of different lengths so that some rows of a block fail and others do not.
std::unique_ptr<TPlot> MakeEdgeSeries() {
    const double edges[] = {0.0,  -0.0,  1.0,    -1.0,  0.5,   -0.5,   2.0,    -2.7,  2.5,   -2.5,
                            1e-300, 1e300, 800.0, -800.0, 1e-5, 0.999, -0.999, 1.5,  3.0,   1e16,
                            kNaN,  0.49,  1e308, -1e-310, 4.0,  100.0, 0.1,    -3.5, 1.999, 2e-8};
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> spread(-4.0, 4.0);
    auto p = std::make_unique<TPlot>();
    for (int i = 0; i < kSeriesRows; ++i) {
        const int e = int(std::size(edges));
        const double x = i < 3 * e ? edges[i % e] * (i < e ? 1.0 : i < 2 * e ? 0.5 : -3.0) : spread(rng);
        const double y = i < e ? edges[(i * 7 + 3) % e] : spread(rng) * 10.0;
        p->AddX(i == 40 ? TDataElement(kInf, DataFlagStar) : TDataElement(x));
        p->AddY(i == 41 ? TDataElement(kInf, DataFlagBar) : TDataElement(y));
        p->XMaxData.Add(TDataElement(x + 0.25));
        if (i < 200) p->XMinData.Add(TDataElement(x - 0.25));  // shorter than the others
        p->YMaxData.Add(TDataElement(y + 1.0));
        p->ParamData[2].Add(TDataElement(10.0 * i));
        if (i < 150) p->ParamData[4].Add(TDataElement(-0.01 * i));
    }
    p->PlotFile.ParamColumns[2] = 1;
    p->PlotFile.ParamColumns[4] = 1;  // column 1 is not read: %01 fails
    return p;
}

// Keeps the program-wide fit parameters and random generator as a test found them.
class GlobalsGuard {
public:
    GlobalsGuard() : random_(kv::ProgramRandom()) {
        std::copy(std::begin(FitParameters), std::end(FitParameters), params_);
    }
    ~GlobalsGuard() {
        std::copy(std::begin(params_), std::end(params_), FitParameters);
        kv::ProgramRandom() = random_;
    }

private:
    kv::FormulaRandom random_;
    double params_[FitParameterCount + 1];
};

struct Outcome {
    std::vector<double> value;
    std::vector<std::uint8_t> ok;
    double stackValue = 0.0;  // EvalWork afterwards
    int stackDepth = 0;
    std::uint32_t randomState = 0;
    int compiled = 0;
};

struct Run {
    const std::string& text;
    const TPlot* plot;
    int component;
    int first;  // rows first .. first + count - 1
    int count;
    const std::vector<std::uint8_t>* skip;
    bool stopAtFailure;
};

Outcome ByRows(const Run& r) {
    BoxFrame b;
    Outcome o;
    o.value.assign(std::size_t(r.count), kUntouched);
    o.ok.assign(std::size_t(r.count), 0);
    double unused = 0;
    o.compiled = b.Evaluate(r.text, unused, BoxFrame::EvalCompile, r.plot, 0, 2, r.component);
    for (int k = 0; k < r.count; ++k) {
        if (r.skip && (*r.skip)[std::size_t(k)]) continue;
        double v = kUntouched;
        o.ok[std::size_t(k)] = std::uint8_t(b.Evaluate("", v, BoxFrame::EvalRow, r.plot, r.first + k, 2, r.component));
        o.value[std::size_t(k)] = v;
        if (!o.ok[std::size_t(k)] && r.stopAtFailure) break;
    }
    o.stackValue = b.EvalWork.ValueStack[1].Value;
    o.stackDepth = b.EvalWork.StackDepth;
    o.randomState = kv::ProgramRandom().State();
    return o;
}

// The same rows in calls of the given sizes, as a caller walking a series does.
Outcome ByBlocks(const Run& r, const std::vector<int>& pieces) {
    BoxFrame b;
    Outcome o;
    o.value.assign(std::size_t(r.count), kUntouched);
    o.ok.assign(std::size_t(r.count), 0);
    double unused = 0;
    o.compiled = b.Evaluate(r.text, unused, BoxFrame::EvalCompile, r.plot, 0, 2, r.component);
    for (int k = 0, piece = 0; k < r.count; ++piece) {
        const int n = std::min(pieces[std::size_t(piece) % pieces.size()], r.count - k);
        const std::uint8_t* skip = r.skip ? r.skip->data() + k : nullptr;
        const int good = b.EvaluateRows(r.plot, r.first + k, n, o.value.data() + k, o.ok.data() + k,
                                        r.component, skip, r.stopAtFailure);
        int wanted = 0;
        for (int j = 0; j < n; ++j) wanted += skip == nullptr || skip[j] == 0;
        if (r.stopAtFailure && good < wanted) break;
        k += n;
    }
    o.stackValue = b.EvalWork.ValueStack[1].Value;
    o.stackDepth = b.EvalWork.StackDepth;
    o.randomState = kv::ProgramRandom().State();
    return o;
}

bool SameBits(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;  // no result carries a NaN; its payload is no outcome
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Runs both paths from the same random-generator state; returns the number of
// rows that succeeded.
int ExpectSame(const Run& r, const std::vector<int>& pieces) {
    const kv::FormulaRandom start = kv::ProgramRandom();
    const Outcome want = ByRows(r);
    kv::ProgramRandom() = start;
    const Outcome got = ByBlocks(r, pieces);
    const std::string where = "formula \"" + r.text + "\" component " + std::to_string(r.component) +
                              (r.plot ? "" : " without a series") + (r.skip ? " with skipped rows" : "") +
                              (r.stopAtFailure ? " stopping at a failure" : "");
    EXPECT_EQ(got.compiled, want.compiled) << where;
    int good = 0;
    for (int k = 0; k < r.count; ++k) {
        const std::size_t i = std::size_t(k);
        EXPECT_EQ(got.ok[i], want.ok[i]) << where << " row " << r.first + k;
        EXPECT_TRUE(SameBits(got.value[i], want.value[i]))
            << where << " row " << r.first + k << ": " << got.value[i] << " instead of " << want.value[i];
        if (got.ok[i] != want.ok[i] || !SameBits(got.value[i], want.value[i])) return good;
        good += want.ok[i];
    }
    EXPECT_TRUE(SameBits(got.stackValue, want.stackValue)) << where;
    EXPECT_EQ(got.stackDepth, want.stackDepth) << where;
    EXPECT_EQ(got.randomState, want.randomState) << where;
    return good;
}

// Every component and no series, over the whole series and a little beyond both
// ends, in blocks of several sizes.
void CompareEverywhere(const TPlot& plot, const std::string& text) {
    for (int component = 0; component <= 3; ++component) {
        ExpectSame({text, &plot, component, -3, kSeriesRows + 6, nullptr, false}, {kSeriesRows + 6});
        ExpectSame({text, &plot, component, 0, kSeriesRows, nullptr, false}, {100, 7, 1, 128, 129});
    }
    ExpectSame({text, nullptr, 0, 0, 20, nullptr, false}, {20});
}

TEST(FormulaRows, EveryFunctionOnEveryKindOfArgument) {
    GlobalsGuard guard;
    const auto plot = MakeEdgeSeries();
    const char* args[] = {"x", "y", "x*3-1", "%c", "%03/1000", "-x", "2", "0.5", "1e300", "(x)"};
    for (int id = 1; id <= kv::kBuiltinFunctionCount; ++id) {
        const std::string f = kv::kBuiltinFunctions[id].name;
        for (const char* a : args) {
            CompareEverywhere(*plot, f + "(" + a + ")");
            CompareEverywhere(*plot, f + "(" + a + ",y)");
            CompareEverywhere(*plot, f + "(x," + a + ",%c-5)");
        }
        CompareEverywhere(*plot, f + "()");
    }
}

// Operators, powers, folding, signs, columns and the failures of the list.
TEST(FormulaRows, OperatorsColumnsAndFailures) {
    GlobalsGuard guard;
    const auto plot = MakeEdgeSeries();
    const char* texts[] = {
        "x^2", "x^3", "x^-2", "(x+1)^2", "2^x", "x^0.5", "x^0", "x^1", "(-2)^x", "0^x", "x^2^3",
        "sin(x)*exp(-x/10)+x^2", "a*exp(-b*x)+c*sin(d*x+e)", "1+2*3-4/5", "-(-(x))", "+x", "--x",
        "2*pi*x", "inf*x", "1/x", "x/0", "0/0+x", "x-x", "x*0", "-x*0",
        "x<y", "x<=y", "x>y", "x>=y", "x==y", "x!=y", "x&&y", "x||y", "x==0||y==0", "1<2==1",
        "%01", "%03", "%05", "%05+%03", "%c*x", "x", "y", "(x)", "2", "-2", "1/0", "sqrt(-1)",
        "", "()", "+", "x+", "(x", "x)+1", "2x", "x*-1", "max(x)", "max(x,y,1)", "(1,2)", "cell(x)",
        "invq(0)+x", "invq(x)+invq(y)", "dx(2)+x", "nry(x)", "dx(5)", "if(x<0,invq(x),y)",
        "rand(x)+rand(1)", "rand(1)*x+invq(x)", "x+rand(1)+1e999", "sin(2)+cos(3)*x", "abs(-0)*x",
    };
    FitParameters[1] = 1.5;
    FitParameters[2] = 0.01;
    FitParameters[3] = 2.0;
    FitParameters[4] = 0.3;
    FitParameters[5] = 0.5;
    for (const char* t : texts) CompareEverywhere(*plot, t);
}

TEST(FormulaRows, SkippedRowsAndStoppingAtTheFirstFailure) {
    GlobalsGuard guard;
    const auto plot = MakeEdgeSeries();
    std::vector<std::uint8_t> skip(kSeriesRows + 10);
    for (std::size_t k = 0; k < skip.size(); ++k) skip[k] = (k % 3 == 1) || (k >= 130 && k < 270);
    const char* texts[] = {"x*2", "invq(x)", "rand(1)+x", "x+%05", "dx(x)", "rand(x)*invq(y)", "(x", ""};
    for (const char* t : texts) {
        const std::string text = t;
        for (int component = 0; component <= 2; ++component) {
            ExpectSame({text, plot.get(), component, -2, kSeriesRows + 8, &skip, false}, {100});
            ExpectSame({text, plot.get(), component, -2, kSeriesRows + 8, &skip, true}, {100, 33});
            ExpectSame({text, plot.get(), component, 0, kSeriesRows, nullptr, true}, {128, 1});
        }
    }
    // A formula that never fails gives every row and leaves the row range alone.
    EXPECT_EQ(ExpectSame({"x*2", plot.get(), 0, 0, kSeriesRows, nullptr, true}, {64}), kSeriesRows);
}

// x^2 spares the call of pow only where x*x must be what pow returns. The
// arguments here put the exact square near a tie between two doubles (where
// pow and x*x part), near the point where the shortcut gives way to pow, and at
// the ends of the range, each scaled through many binades.
TEST(FormulaRows, SquaresAsPowGivesThem) {
    std::vector<double> xs;
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<int> binade(-300, 300);
    // x = 1 + k 2^-52: the fraction of x^2 beyond the last bit is (k^2 mod 2^52) / 2^52.
    int nearTie = 0, nearEdge = 0;
    for (std::uint64_t k = std::uint64_t(1) << 26; nearTie < 3000 || nearEdge < 3000; ++k) {
        const double f = double((k * k) & ((std::uint64_t(1) << 52) - 1)) * 0x1p-52;
        const bool tie = std::fabs(f - 0.5) < 0x1p-11 && nearTie < 3000;
        const bool edge = std::fabs(std::fabs(f - 0.5) - 0.05) < 0x1p-13 && nearEdge < 3000;
        if (!tie && !edge) continue;
        nearTie += tie;
        nearEdge += edge;
        const double x = 1.0 + double(k) * 0x1p-52;
        xs.push_back(std::ldexp(x, binade(rng)) * (k % 2 ? -1.0 : 1.0));
    }
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 20000; ++i) {
        double x;
        const std::uint64_t b = bits(rng);
        std::memcpy(&x, &b, sizeof x);
        xs.push_back(x);
    }
    for (double x : {0.0, -0.0, 1.0, 0x1.6a09e667f3bcdp+0, 0x1.6a09e667f3bccp+0, 0x1p-450, 0x1.fffffffffffffp-451,
                     0x1p500, 0x1.0000000000001p500, 0x1p-537, 1e-320, kInf, -kInf, kNaN, 1e154, 3e-154})
        xs.push_back(x);

    TPlot plot;
    for (double x : xs) plot.AddX(TDataElement(x));
    const int rows = int(xs.size());
    for (const char* text : {"x^2", "(-x)^2", "(x*0.5)^2"}) {
        BoxFrame row, block;
        double r = 0;
        ASSERT_EQ(row.Evaluate(text, r, BoxFrame::EvalCompile, &plot, 0, -1), 1);
        ASSERT_EQ(block.Evaluate(text, r, BoxFrame::EvalCompile, &plot, 0, -1), 1);
        std::vector<double> got(xs.size());
        ASSERT_EQ(block.EvaluateRows(&plot, 0, rows, got.data(), nullptr), rows);
        int differ = 0;
        for (int i = 0; i < rows; ++i) {
            double want = 0;
            ASSERT_EQ(row.Evaluate("", want, BoxFrame::EvalRow, &plot, i, -1), 1);
            if (!SameBits(got[std::size_t(i)], want) && differ++ < 5)
                ADD_FAILURE() << text << " at x = " << std::hexfloat << xs[std::size_t(i)] << ": "
                              << got[std::size_t(i)] << " instead of " << want;
        }
        EXPECT_EQ(differ, 0) << text;
    }
}

// Random formulas, most of them sound, some of them not.
class FormulaMaker {
public:
    explicit FormulaMaker(unsigned seed) : rng_(seed) {}

    std::string Sound(int depth) {
        const int pick = Pick(depth <= 0 ? 6 : 14);
        switch (pick) {
        case 0: return Leaf();
        case 1: return Leaf();
        case 2: return "x";
        case 3: return "(" + Sound(depth - 1) + ")";
        case 4: return "-" + Wrap(Sound(depth - 1));
        case 5: return Leaf();
        case 6:
        case 7:
        case 8: {
            static const char* ops[] = {"+", "-", "*", "/", "^", "<", "<=", ">", ">=", "==", "!=", "&&", "||"};
            return Wrap(Sound(depth - 1)) + ops[Pick(13)] + Wrap(Sound(depth - 1));
        }
        case 9: return Wrap(Sound(depth - 1)) + "^" + std::to_string(Pick(5) - 1);
        default: {
            const int id = 1 + Pick(kv::kBuiltinFunctionCount);
            const int arity = std::max(kv::kBuiltinFunctions[id].arity, 1);
            std::string s = std::string(kv::kBuiltinFunctions[id].name) + "(";
            for (int k = 0; k < arity; ++k) s += (k ? "," : "") + Sound(depth - 1);
            return s + ")";
        }
        }
    }

    // A run of tokens with no grammar: lists that fail to compile or fail every
    // row in all the ways the list allows.
    std::string Tokens() {
        static const char* tokens[] = {"x", "y", "1", "2", "0", "+", "-", "*", "/", "^", "(", ")", ",",
                                       "sin", "max", "if", "dx", "rand", "%c", "%03", "<", "==", "&&",
                                       "invq", "cell", "pi", "inf", "nrx", "%05", "a"};
        std::string s;
        for (int n = 1 + Pick(12); n > 0; --n) s += tokens[Pick(int(std::size(tokens)))];
        return s;
    }

private:
    int Pick(int n) { return int(rng_() % unsigned(n)); }
    static std::string Wrap(const std::string& s) { return "(" + s + ")"; }
    std::string Leaf() {
        static const char* leaves[] = {"x", "y", "%c", "%03", "%05", "2", "0.5", "3", "pi", "1e300",
                                       "0", "1e-5", "10", "b", "inf", "7.25", "-1"};
        return leaves[Pick(int(std::size(leaves)))];
    }
    std::mt19937 rng_;
};

TEST(FormulaRows, RandomFormulas) {
    GlobalsGuard guard;
    const auto plot = MakeEdgeSeries();
    FitParameters[2] = 0.75;
    FormulaMaker maker(20240611);
    int sound = 0;
    for (int i = 0; i < 1500; ++i) {
        const std::string text = i % 4 == 3 ? maker.Tokens() : maker.Sound(1 + i % 4);
        for (int component = 0; component <= 1; ++component)
            sound += ExpectSame({text, plot.get(), component, -1, kSeriesRows + 2, nullptr, false}, {128, 45}) > 0;
        if (::testing::Test::HasFailure()) break;
    }
    // The formulas are worth comparing only when many of them give values.
    EXPECT_GT(sound, 1000);
}

}  // namespace
