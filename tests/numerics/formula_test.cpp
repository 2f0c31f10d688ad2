// The formula language through BoxFrame::Evaluate: lexing, precedence, folding of
// names at compile time, user functions, column references and failures.
#include "model/boxframe.h"
#include "numerics/builtins.h"
#include "numerics/fitparams.h"
#include "platform/cformat.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/helpers/sample_document.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kUnset = -12345.0;

// What one compile followed by one evaluation gave.
struct Outcome {
    int compiled = 0;
    int evaluated = 0;
    double value = kUnset;
};

Outcome CompileAndRun(BoxFrame& b, const std::string& text, const TPlot* plot = nullptr, int row = 0,
            int plotNo = -1, int component = BoxFrame::ComponentValue) {
    Outcome o;
    double ignored = 0;
    o.compiled = b.Evaluate(text, ignored, BoxFrame::EvalCompile, plot, row, plotNo);
    if (o.compiled)
        o.evaluated = b.Evaluate("", o.value, BoxFrame::EvalRow, plot, row, plotNo, component);
    return o;
}

// Keeps the program-wide fit parameters as a test found them.
class FitParameterGuard {
public:
    FitParameterGuard() { std::copy(std::begin(FitParameters), std::end(FitParameters), saved_); }
    ~FitParameterGuard() { std::copy(std::begin(saved_), std::end(saved_), FitParameters); }

private:
    double saved_[FitParameterCount + 1];
};

struct ValueCase {
    const char* text;
    double want;
};

TEST(Formula, PrecedenceSignsAndArithmetic) {
    const ValueCase cases[] = {
        {"2^3^2", 64},        {"-2^2", -4},         {"-2+3", 1},          {"2*(-3)", -6},
        {"2^-3", 0.125},      {"2^+3", 8},          {"1+2*3", 7},         {"(1+2)*3", 9},
        {"10-4-3", 3},        {"2/4/2", 0.25},      {"-(2)", -2},         {"-(-2)", 2} ,
        {"sin(pi/2)", 1},     {"SIN(PI/2)", 1},     {"cos(0)^2*3", 3},    {"1+1==2", 1},
        {"1<2==1", 1},        {"0||1&&0", 0},       {"1&&2", 1},          {"0||0", 0},
        {"2<=2", 1},          {"3>4", 0},           {"3>=3", 1},          {"1!=1", 0},
        {"-1<-0.5", 1},       {"3==-3", 0},         {"max(3,1)", 3},      {"min(3,1)", 1},
        {"lt(1,2)", 1},       {"if(0,1,2)", 2},     {"if(5,1,2)", 1},     {"max(1+1,2*3)^2", 36},
        {"1 + 2", 3},         {"2 3", 23},          {"5.", 5},            {".5", 0.5},
        {"1e-5", 0.00001},    {"1e", 1},            {"1e+", 1},           {"1E2", 100},
        {"#7", 7},            {"1#", 1},            {"2)*3", 6},          {"((((1))))", 1},
    };
    for (const ValueCase& c : cases) {
        BoxFrame b;
        Outcome o = CompileAndRun(b, c.text);
        EXPECT_EQ(o.compiled, 1) << c.text;
        EXPECT_EQ(o.evaluated, 1) << c.text;
        EXPECT_DOUBLE_EQ(o.value, c.want) << c.text;
    }
}

TEST(Formula, NonFiniteResultsBecomePlusInfinity) {
    const ValueCase cases[] = {
        {"1/0", kInf},   {"-1/0", kInf},       {"0/0", kInf},       {"sqrt(-1)", kInf},
        {"ln(0)", kInf}, {"ln(-1)", kInf},     {"inf", kInf},       {"-inf", kInf},
        {"10^400", kInf}, {"1/sqrt(-1)", 0},   {"1/(1/0)", 0},      {"exp(-800)", 0},
    };
    for (const ValueCase& c : cases) {
        BoxFrame b;
        Outcome o = CompileAndRun(b, c.text);
        ASSERT_EQ(o.evaluated, 1) << c.text;
        EXPECT_EQ(o.value, c.want) << c.text;
    }
}

// The evaluator calls the one-argument library functions itself; they must give
// what the built-in dispatcher gives, failures of the library included.
TEST(Formula, LibraryFunctionsAgreeWithTheBuiltinTable) {
    const double args[] = {-2.5, -1, -0.5, 0, 0.3, 1, 2, 800, -800, 1e300};
    for (int id = kv::fnSin; id <= kv::fnLog; ++id) {
        for (double a : args) {
            const std::string text = std::string(kv::kBuiltinFunctions[id].name) + "(" +
                                     kv::Format("%.17g", a) + ")";
            BoxFrame b;
            Outcome o = CompileAndRun(b, text);
            double want = 0;
            ASSERT_TRUE(kv::EvalBuiltin(id, a, 0, 0, kv::SeriesColumns{}, 0, &want));
            if (!std::isfinite(want)) want = kInf;
            ASSERT_EQ(o.evaluated, 1) << text;
            EXPECT_EQ(o.value, want) << text;
        }
    }
}

// Texts that compile but whose every evaluation fails, leaving the result alone.
TEST(Formula, CompilesButFailsToEvaluate) {
    for (const char* text : {"", "2*-3", "2+-3", "max(1,2,3)", "max(1)", "(1,2)", "(1+2",
                             "cell(1)", "sin()", "1e1234", "1.5.3", "2pi", "#", "-", "()"}) {
        BoxFrame b;
        Outcome o = CompileAndRun(b, text);
        EXPECT_EQ(o.compiled, 1) << text;
        EXPECT_EQ(o.evaluated, 0) << text;
        EXPECT_EQ(o.value, kUnset) << text;
    }
}

TEST(Formula, CompileFailures) {
    const std::string name20(20, 'q');
    const char* texts[] = {
        "a=b", "a!b", "a&b", "1|2", "1\t+2", "1_", "_a", "1$", "1@", "\xC3\xA9", "foo",
        "e1", "xmin", "%i", "%07", "%00", "%1", "%100", "%x", "%", ".", "1e999", "1e-999",
        "j", name20.c_str(), "1,xmax", "sin[x]", "1;2", "2!", "1'",
    };
    for (const char* text : texts) {
        BoxFrame b;
        double result = kUnset;
        EXPECT_EQ(b.Evaluate(text, result, BoxFrame::EvalCompile, nullptr, 0, -1), 0) << text;
        EXPECT_EQ(result, kUnset) << text;
        EXPECT_EQ(b.Evaluate("", result, BoxFrame::EvalRow, nullptr, 0, -1), 0) << text;
    }
    // A NUL is no end of the text: it would silently cut the formula.
    BoxFrame b;
    double r = 0;
    EXPECT_EQ(b.Evaluate(std::string("1+2\0+3", 6), r, BoxFrame::EvalCompile, nullptr, 0, -1), 0);
    // A failed conversion leaves nothing behind for the next formula.
    EXPECT_EQ(CompileAndRun(b, "1e999").compiled, 0);
    EXPECT_EQ(CompileAndRun(b, "2").value, 2);
}

TEST(Formula, LengthAndDepthLimits) {
    auto sum = [](int terms) {
        std::string s = "1";
        for (int i = 1; i < terms; ++i) s += "+1";
        return s;
    };
    auto nested = [](int parens) { return std::string(std::size_t(parens), '(') + "1" + std::string(std::size_t(parens), ')'); };
    BoxFrame b;
    // 50 operands and 49 operators fill the 99 entries of the list exactly.
    EXPECT_EQ(CompileAndRun(b, sum(50)).value, 50);
    EXPECT_EQ(CompileAndRun(b, sum(51)).compiled, 0);
    EXPECT_EQ(CompileAndRun(b, sum(128)).compiled, 0);  // 255 characters
    // The wrapping "(" and the operand share the 99 stack entries with the parentheses.
    EXPECT_EQ(CompileAndRun(b, nested(97)).value, 1);
    EXPECT_EQ(CompileAndRun(b, nested(98)).compiled, 0);
    std::string signs;
    for (int i = 0; i < 200; ++i) signs += "-(";
    EXPECT_EQ(CompileAndRun(b, signs + "1" + std::string(200, ')')).compiled, 0);
    // Deep right-nested sums push many values; still bounded by the list length.
    std::string right;
    for (int i = 0; i < 33; ++i) right += "1+(";
    right += "1" + std::string(33, ')');
    EXPECT_EQ(CompileAndRun(b, right).value, 34);
}

class FormulaSeries : public ::testing::Test {
protected:
    // x = 1..5, y = x^2, error columns x -/+ 0.25 and y -/+ 1, parameter column 3
    // holding 10x; XMin 1, XMax 5, YMin 1, YMax 25.
    std::unique_ptr<TPlot> plot = kvtest::MakeSampleSeries(5);
    BoxFrame b;

    Outcome At(const char* text, int row, int component = BoxFrame::ComponentValue, int plotNo = 1) {
        return CompileAndRun(b, text, plot.get(), row, plotNo, component);
    }
};

TEST_F(FormulaSeries, VariablesComponentsAndColumns) {
    struct Case {
        const char* text;
        int row;
        int component;
        double want;
    };
    const Case cases[] = {
        {"x", 2, 0, 3},      {"y", 2, 0, 9},       {"x", 2, 1, 3.25},   {"y", 2, 1, 10},
        {"x", 2, 2, 2.75},   {"y", 2, 2, 8},       {"%c", 0, 0, 0},     {"%C", 3, 2, 3},
        {"%03", 2, 0, 30},   {"%03", 2, 1, 30},    {"%03", 2, 2, 30},   {"%i*100", 0, 0, 100},
        {"-x^2", 2, 0, -9},  {"x<-1", 0, 0, 0},    {"x==-1", 0, 0, 0},  {"x>=-1", 0, 0, 1},
        {"x)+1", 1, 0, 3},   {"2x", 1, 0, kUnset}, {"x*-1", 1, 0, kUnset},
        {"xmin+xmax", 0, 0, 6}, {"YMIN*1000+ymax", 0, 0, 1025},
        {"dx(1)", 2, 0, 1},  {"dx(1)", 0, 0, kInf}, {"dy(2)", 2, 0, 2},  {"nry(1)", 2, 0, 29.0 / 3},
        {"nrx(1)", 4, 0, kInf}, {"dx(5)", 4, 0, kUnset}, {"sqrt(y)+%c", 3, 0, 7},
    };
    for (const Case& c : cases) {
        Outcome o = At(c.text, c.row, c.component);
        EXPECT_EQ(o.compiled, 1) << c.text;
        EXPECT_EQ(o.evaluated, c.want != kUnset) << c.text << " row " << c.row;
        EXPECT_DOUBLE_EQ(o.value, c.want) << c.text << " row " << c.row;
    }
}

TEST_F(FormulaSeries, MissingColumnsAndRowsFail) {
    // Parameter column 1 is not read by the series.
    EXPECT_EQ(At("%01", 0).evaluated, 0);
    // Rows outside the columns.
    EXPECT_EQ(At("x", 5).evaluated, 0);
    EXPECT_EQ(At("y", -1).evaluated, 0);
    EXPECT_EQ(At("%03", 5).evaluated, 0);
    EXPECT_EQ(At("%c", 10).value, 10);  // reads no column
    // An error column that the series does not hold.
    plot->XMaxData.Flush();
    EXPECT_EQ(At("x", 0, BoxFrame::ComponentMaxError).evaluated, 0);
    EXPECT_EQ(At("x", 0, BoxFrame::ComponentValue).value, 1);
    EXPECT_EQ(At("x", 0, 3).evaluated, 0);
    // A "*" field holds +INF, which flows to the result.
    plot->YData[1] = TDataElement(kInf, DataFlagStar);
    EXPECT_EQ(At("y*0+1", 1).value, kInf);
}

TEST_F(FormulaSeries, PlainColumnFormulasNameTheColumnTheyRead) {
    struct Case {
        const char* text;
        int component;
        const TDataColumn* want;
    };
    const Case cases[] = {
        {"x", 0, &plot->XData},    {"Y", 0, &plot->YData},     {"(x)", 0, &plot->XData},
        {"x", 1, &plot->XMaxData}, {"y", 2, &plot->YMinData},  {"x", 3, nullptr},
        {"x+0", 0, nullptr},       {"-y", 0, nullptr},         {"%03", 0, nullptr},
        {"2", 0, nullptr},         {"x+", 0, nullptr},         {"x*", 0, nullptr},
    };
    for (const Case& c : cases) {
        double r = 0;
        b.Evaluate(c.text, r, BoxFrame::EvalCompile, plot.get(), 0, 1, c.component);
        EXPECT_EQ(b.CompiledPlainColumn(*plot, c.component), c.want) << c.text << " " << c.component;
    }
}

TEST_F(FormulaSeries, NoSeriesFailsInsteadOfReadingOne) {
    double r = kUnset;
    for (const char* text : {"x", "y+1", "%03", "dx(1)", "dy(1)", "nrx(1)", "nry(1)"}) {
        ASSERT_EQ(b.Evaluate(text, r, BoxFrame::EvalCompile, nullptr, 2, 1), 1) << text;
        r = kUnset;
        EXPECT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, nullptr, 2, 1), 0) << text;
        EXPECT_EQ(r, kUnset) << text;
    }
    EXPECT_EQ(CompileAndRun(b, "%c+1", nullptr, 4).value, 5);
    // A formula compiled against a series and then evaluated without one.
    ASSERT_EQ(b.Evaluate("x", r, BoxFrame::EvalCompile, plot.get(), 0, 1), 1);
    EXPECT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, nullptr, 0, 1), 0);
}

TEST_F(FormulaSeries, NamesAreFixedAtCompileTime) {
    FitParameterGuard guard;
    for (int i = 1; i <= FitParameterCount; ++i) FitParameters[i] = 10 * i;
    b.UserConsts.Add(TUserConstElement("Rate", 2.5));
    b.UserConsts.Add(TUserConstElement("RATE", 99));  // never reached: the first wins
    b.UserConsts.Add(TUserConstElement("e1", 7));
    b.UserConsts.Add(TUserConstElement("x", 1000));   // never replaces the variable
    b.UserConsts.Add(TUserConstElement("abcdefghijklmnopqrs", 19));

    const ValueCase cases[] = {
        {"a", 10}, {"A+I", 100}, {"e", 50}, {"E", 50}, {"rate*2", 5}, {"RATE", 2.5},
        {"e1", 7}, {"x", 1}, {"abcdefghijklmnopqrs", 19}, {"pi", 3.141592653589793},
    };
    for (const ValueCase& c : cases) EXPECT_DOUBLE_EQ(At(c.text, 0).value, c.want) << c.text;

    // Compiled values stay until the next compile.
    double r = 0;
    ASSERT_EQ(b.Evaluate("a+rate+xmax", r, BoxFrame::EvalCompile, plot.get(), 0, 1), 1);
    FitParameters[1] = -1;
    b.UserConsts[0].ConstValue = 100;
    plot->XMax = 1000;
    ASSERT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, plot.get(), 0, 1), 1);
    EXPECT_EQ(r, 10 + 2.5 + 5);
    ASSERT_EQ(b.Evaluate("a+rate+xmax", r, BoxFrame::EvalCompile, plot.get(), 0, 1), 1);
    ASSERT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, plot.get(), 0, 1), 1);
    EXPECT_EQ(r, -1 + 100 + 1000);
}

TEST_F(FormulaSeries, UserFunctions) {
    for (const char* f : {"x+1", "x + 1", "#1", "", "sin(x)"}) b.UserFunctions.Add(f);
    struct Case {
        const char* text;
        int compiled;
        double want;  // kUnset: the evaluation fails
    };
    const Case cases[] = {
        {"2*#1", 1, 2 * 3 + 1},    // no parentheses are added: 2*x+1
        {"(#1)*2", 1, 8},
        {"#2", 0, kUnset},         // the inserted blanks stay
        {"#3", 0, kUnset},         // user functions do not nest
        {"#4", 1, kUnset},         // an empty function
        {"#5^2", 1, std::sin(3.0) * std::sin(3.0)},
        {"#7", 1, 7},
        {"#1#1", 1, kUnset},       // x+1x+1: two operands side by side
    };
    for (const Case& c : cases) {
        Outcome o = At(c.text, 2);
        EXPECT_EQ(o.compiled, c.compiled) << c.text;
        if (!c.compiled) continue;
        EXPECT_EQ(o.evaluated, c.want != kUnset) << c.text;
        EXPECT_DOUBLE_EQ(o.value, c.want) << c.text;
    }
    // A function that does not exist is an empty text.
    BoxFrame other;
    other.UserFunctions.Add("x");
    EXPECT_EQ(CompileAndRun(other, "#1", plot.get(), 0).value, 1);
    EXPECT_EQ(CompileAndRun(other, "#2").compiled, 1);
    EXPECT_EQ(CompileAndRun(other, "#2").evaluated, 0);
}

TEST_F(FormulaSeries, CompileStateBelongsToEachAxisSet) {
    BoxFrame other;
    double r = kUnset;
    // Before any compile on it, an axis set evaluates nothing.
    EXPECT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, plot.get(), 0, 1), 0);

    ASSERT_EQ(b.Evaluate("x*2", r, BoxFrame::EvalCompile, plot.get(), 0, 1), 1);
    ASSERT_EQ(other.Evaluate("x+100+x+x", r, BoxFrame::EvalCompile, plot.get(), 0, 1), 1);
    ASSERT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, plot.get(), 2, 1), 1);
    EXPECT_EQ(r, 6);
    ASSERT_EQ(other.Evaluate("", r, BoxFrame::EvalRow, plot.get(), 2, 1), 1);
    EXPECT_EQ(r, 109);

    // A failed compile leaves no half-built formula to evaluate: x+1+$ would
    // otherwise give x+1.
    ASSERT_EQ(b.Evaluate("x+1+$", r, BoxFrame::EvalCompile, plot.get(), 0, 1), 0);
    r = kUnset;
    EXPECT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, plot.get(), 2, 1), 0);
    EXPECT_EQ(r, kUnset);
    ASSERT_EQ(other.Evaluate("", r, BoxFrame::EvalRow, plot.get(), 2, 1), 1);
    EXPECT_EQ(r, 109);
}

TEST(Formula, CompileHandsBackTheLastValue) {
    BoxFrame b;
    double r = kUnset;
    ASSERT_EQ(b.Evaluate("5", r, BoxFrame::EvalCompile, nullptr, 0, -1), 1);
    EXPECT_EQ(r, 0);  // nothing evaluated yet on this axis set
    ASSERT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, nullptr, 0, -1), 1);
    ASSERT_EQ(b.Evaluate("1/0", r = kUnset, BoxFrame::EvalCompile, nullptr, 0, -1), 1);
    EXPECT_EQ(r, 5);
    ASSERT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, nullptr, 0, -1), 1);
    ASSERT_EQ(b.Evaluate("7", r = kUnset, BoxFrame::EvalCompile, nullptr, 0, -1), 1);
    EXPECT_EQ(r, kInf);
}

// The lexer on its own: token kinds, precedences and values of a prepared text.
struct Token {
    int kind;
    int precedence;
    double value;
    int extra;  // FunctionId or VarIndex
};

std::vector<Token> Lex(BoxFrame& b, const char* text, const TPlot* plot = nullptr, int row = 0,
                       int plotNo = -1) {
    b.EvalWork.ExpandedText = text;
    b.EvalWork.ScanCursor = b.EvalWork.ExpandedText.c_str();
    std::vector<Token> out;
    for (int i = 0; i < 20; ++i) {
        const int kind = b.GetToken(plot, row, plotNo);
        const FormulaToken& t = b.EvalWork.CurrentToken;
        if (kind == tkEnd || kind == tkError) {
            out.push_back({kind, 0, 0, 0});
            break;
        }
        EXPECT_EQ(kind, t.Kind);
        out.push_back({kind, t.Precedence, t.Value, t.Kind == tkFunction ? t.FunctionId : t.VarIndex});
    }
    return out;
}

MATCHER_P(Kinds, kinds, "") {
    std::vector<int> got;
    for (const Token& t : arg) got.push_back(t.kind);
    *result_listener << "kinds";
    for (int k : got) *result_listener << " " << k;
    return got == std::vector<int>(kinds);
}

TEST(FormulaLexer, KindsAndPrecedences) {
    BoxFrame b;
    struct Case {
        const char* text;
        int kind;
        int precedence;
    };
    const Case cases[] = {
        {"1+", tkAdd, 6},   {"1-", tkSub, 6},  {"*", tkMul, 7},      {"/", tkDiv, 7},
        {"^", tkPow, 8},    {"(", tkLParen, 11}, {")", tkRParen, 0}, {"2", tkNumber, 9},
        {"sin", tkFunction, 10}, {",", tkComma, 1}, {"(+", tkUnaryPlus, 6}, {"(-", tkUnaryMinus, 6},
        {"x", tkVariable, 9}, {"%c", tkRowIndex, 9}, {"||", tkOr, 2}, {"&&", tkAnd, 3},
        {"==", tkEq, 4},    {"!=", tkNe, 4},   {"<", tkLt, 5},       {"<=", tkLe, 5},
        {">", tkGt, 5},     {">=", tkGe, 5},   {"%01", tkParamColumn, 9},
    };
    for (const Case& c : cases) {
        std::vector<Token> t = Lex(b, c.text, nullptr, 0, 3);
        const Token& last = t.size() >= 2 ? t[t.size() - 2] : t.back();
        EXPECT_EQ(last.kind, c.kind) << c.text;
        EXPECT_EQ(last.precedence, c.precedence) << c.text;
        EXPECT_EQ(t.back().kind, tkEnd) << c.text;
    }
}

TEST(FormulaLexer, LiteralsNamesAndSigns) {
    BoxFrame b;
    // A fourth exponent digit starts the next literal.
    auto t = Lex(b, "1e1234");
    ASSERT_THAT(t, Kinds(std::vector<int>{tkNumber, tkNumber, tkEnd}));
    EXPECT_EQ(t[0].value, 1e123);
    EXPECT_EQ(t[1].value, 4);
    t = Lex(b, "1.5.3");
    ASSERT_THAT(t, Kinds(std::vector<int>{tkNumber, tkNumber, tkEnd}));
    EXPECT_EQ(t[0].value, 1.5);
    EXPECT_EQ(t[1].value, 0.3);
    EXPECT_THAT(Lex(b, "x<-1"), Kinds(std::vector<int>{tkVariable, tkLt, tkUnaryMinus, tkNumber, tkEnd}));
    EXPECT_THAT(Lex(b, "x==-1"), Kinds(std::vector<int>{tkVariable, tkEq, tkUnaryMinus, tkNumber, tkEnd}));
    EXPECT_THAT(Lex(b, "x*-1"), Kinds(std::vector<int>{tkVariable, tkMul, tkSub, tkNumber, tkEnd}));
    EXPECT_THAT(Lex(b, "max(1,-2)"),
                Kinds(std::vector<int>{tkFunction, tkLParen, tkNumber, tkComma, tkUnaryMinus, tkNumber,
                                       tkRParen, tkEnd}));
    EXPECT_THAT(Lex(b, "-1"), Kinds(std::vector<int>{tkUnaryMinus, tkNumber, tkEnd}));
    t = Lex(b, "INVERFC Sin y");
    EXPECT_EQ(t[0].extra, 50);
    EXPECT_EQ(t[1].kind, tkError);  // the blank
    t = Lex(b, "%c%99%I", nullptr, 42, 7);
    ASSERT_THAT(t, Kinds(std::vector<int>{tkRowIndex, tkParamColumn, tkNumber, tkEnd}));
    EXPECT_EQ(t[0].value, 42);
    EXPECT_EQ(t[1].extra, 98);
    EXPECT_EQ(t[2].value, 7);
    t = Lex(b, "y");
    EXPECT_EQ(t[0].extra, 1);
    // 99 characters make a literal, 100 do not.
    EXPECT_EQ(Lex(b, std::string(99, '1').c_str())[0].kind, tkNumber);
    EXPECT_EQ(Lex(b, std::string(100, '1').c_str())[0].kind, tkError);
    EXPECT_EQ(Lex(b, ("0." + std::string(95, '0') + "1e5").c_str())[0].kind, tkError);
}

}  // namespace
