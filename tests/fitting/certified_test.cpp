// The non-linear fit on the 27 certified reference problems of the public
// statistical reference datasets, each from its two published starting points,
// run as a user runs it: the model typed as a formula, the start values and the
// Allowance as texts, the fit command's own path. The data are read from the
// shared data folder next to the repository; without it the test is skipped.
#include "fitting/fitrun.h"
#include "model/boxframe.h"
#include "platform/cformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fit_series.h"

namespace {

namespace fs = std::filesystem;

// The folder of the reference problems: $KORVIDA_SHARED_DATA/nist-nls, else the
// first shared/data/nist-nls found beside the source tree or one of its parents
// (a worktree may sit a level deeper than the main checkout).
fs::path ReferenceFolder() {
    if (const char* env = std::getenv("KORVIDA_SHARED_DATA")) {
        const fs::path p = fs::path(env) / "nist-nls";
        return fs::is_directory(p) ? p : fs::path();
    }
    fs::path dir = fs::path(KORVIDA_SOURCE_DIR);
    for (int up = 0; up < 4 && !dir.empty(); ++up) {
        const fs::path p = dir / ".." / "shared" / "data" / "nist-nls";
        if (fs::is_directory(p)) return fs::weakly_canonical(p);
        dir = dir.parent_path();
    }
    return {};
}

struct Problem {
    const char* name;
    const char* model;    // as typed into the dialog: parameters b1..b9 are a..i
    const char* xFormula;  // processing formulas of the series ("" for none)
    const char* yFormula;
};

// Nelson has two predictors: the series keeps the temperature in data column 3,
// and the X formula packs it with the time into one value that the model unpacks
// (times are below 1000, temperatures whole numbers).
const Problem kProblems[] = {
    {"Misra1a", "a*(1-exp(-b*x))", "", ""},
    {"Chwirut2", "exp(-a*x)/(b+c*x)", "", ""},
    {"Chwirut1", "exp(-a*x)/(b+c*x)", "", ""},
    {"Lanczos3", "a*exp(-b*x)+c*exp(-d*x)+e*exp(-f*x)", "", ""},
    {"Gauss1", "a*exp(-b*x)+c*exp(-(x-d)^2/e^2)+f*exp(-(x-g)^2/h^2)", "", ""},
    {"Gauss2", "a*exp(-b*x)+c*exp(-(x-d)^2/e^2)+f*exp(-(x-g)^2/h^2)", "", ""},
    {"DanWood", "a*x^b", "", ""},
    {"Misra1b", "a*(1-(1+b*x/2)^(-2))", "", ""},
    {"Kirby2", "(a+b*x+c*x^2)/(1+d*x+e*x^2)", "", ""},
    {"Hahn1", "(a+b*x+c*x^2+d*x^3)/(1+e*x+f*x^2+g*x^3)", "", ""},
    {"Nelson", "a-b*(x-1000*int(x/1000))*exp(-c*int(x/1000))", "x+1000*%03", "ln(y)"},
    {"MGH17", "a+b*exp(-x*d)+c*exp(-x*e)", "", ""},
    {"Lanczos1", "a*exp(-b*x)+c*exp(-d*x)+e*exp(-f*x)", "", ""},
    {"Lanczos2", "a*exp(-b*x)+c*exp(-d*x)+e*exp(-f*x)", "", ""},
    {"Gauss3", "a*exp(-b*x)+c*exp(-(x-d)^2/e^2)+f*exp(-(x-g)^2/h^2)", "", ""},
    {"Misra1c", "a*(1-(1+2*b*x)^(-0.5))", "", ""},
    {"Misra1d", "a*b*x*((1+b*x)^(-1))", "", ""},
    {"Roszman1", "a-b*x-atan(c/(x-d))/pi", "", ""},
    {"ENSO",
     "a+b*cos(2*pi*x/12)+c*sin(2*pi*x/12)+e*cos(2*pi*x/d)+f*sin(2*pi*x/d)+h*cos(2*pi*x/g)+i*sin(2*pi*x/g)",
     "", ""},
    {"MGH09", "a*(x^2+x*b)/(x^2+x*c+d)", "", ""},
    {"Thurber", "(a+b*x+c*x^2+d*x^3)/(1+e*x+f*x^2+g*x^3)", "", ""},
    {"BoxBOD", "a*(1-exp(-b*x))", "", ""},
    {"Rat42", "a/(1+exp(b-c*x))", "", ""},
    {"MGH10", "a*exp(b/(x+c))", "", ""},
    {"Eckerle4", "(a/b)*exp(-0.5*((x-c)/b)^2)", "", ""},
    {"Rat43", "a/((1+exp(b-c*x))^(1/d))", "", ""},
    {"Bennett5", "a*(b+x)^(-1/c)", "", ""},
};

// What a problem file holds: the start values as printed, the certified values,
// the certified residual sum and the data rows (y, then the predictors).
struct Reference {
    std::vector<std::string> start[2];
    std::vector<double> certified;
    double residualSum = 0;
    std::vector<std::vector<double>> rows;
};

bool ReadReference(const fs::path& file, Reference* r) {
    std::ifstream in(file);
    if (!in) return false;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    int first = 0, last = 0;
    for (const std::string& line : lines) {
        if (line.find("Data") != std::string::npos &&
            std::sscanf(line.c_str(), " Data (lines %d to %d)", &first, &last) == 2)
            break;
        const std::size_t at = line.find("Data ");
        if (at != std::string::npos &&
            std::sscanf(line.c_str() + at, "Data (lines %d to %d)", &first, &last) == 2)
            break;
    }
    for (const std::string& line : lines) {
        char name[8];
        char s1[32], s2[32], cert[32];
        if (std::sscanf(line.c_str(), " b%7[0-9] = %31s %31s %31s", name, s1, s2, cert) == 4) {
            r->start[0].push_back(s1);
            r->start[1].push_back(s2);
            r->certified.push_back(std::strtod(cert, nullptr));
        }
        const std::string key = "Residual Sum of Squares:";
        if (line.rfind(key, 0) == 0) r->residualSum = std::strtod(line.c_str() + key.size(), nullptr);
    }
    if (first < 1 || last < first || last > int(lines.size())) return false;
    for (int i = first; i <= last; ++i) {
        std::istringstream row(lines[std::size_t(i - 1)]);
        std::vector<double> values;
        for (std::string v; row >> v;) values.push_back(std::strtod(v.c_str(), nullptr));
        if (values.size() < 2) return false;
        r->rows.push_back(values);
    }
    return !r->certified.empty() && r->residualSum > 0;
}

// The series as the user has it: X from the second data column, Y from the first,
// the third data column (Nelson's second predictor) as parameter column 3.
std::unique_ptr<TPlot> MakeSeries(const Reference& r, const Problem& p) {
    auto plot = std::make_unique<TPlot>();
    for (const std::vector<double>& row : r.rows) {
        plot->AddX(TDataElement(row[1], 0));
        plot->AddY(TDataElement(row[0], 0));
        if (row.size() > 2) plot->ParamData[2].Add(TDataElement(row[2], 0));
    }
    if (r.rows.front().size() > 2) plot->PlotFile.ParamColumns[2] = 1;
    std::snprintf(plot->DataFileName, sizeof plot->DataFileName, "%s.dat", p.name);
    if (*p.xFormula) {
        plot->Style.IsXFormula = 1;
        plot->Style.XFormula = p.xFormula;
    }
    if (*p.yFormula) {
        plot->Style.IsYFormula = 1;
        plot->Style.YFormula = p.yFormula;
    }
    return plot;
}

NonLinearFitSettings Settings(const Problem& p, const std::vector<std::string>& start,
                              const char* allowance) {
    NonLinearFitSettings s;
    s.Function = p.model;
    for (std::size_t k = 0; k < start.size(); ++k) {
        s.Enabled[k] = 1;
        s.InitialValues[k] = start[k];
    }
    s.Allowance = allowance;
    return s;
}

// Correct significant digits of the worst parameter (log relative error, 0 to 15).
double CorrectDigits(const std::vector<double>& certified) {
    double worst = 15;
    for (std::size_t k = 0; k < certified.size(); ++k) {
        const double c = certified[k];
        const double err = std::fabs(FitParameters[k + 1] - c) / std::fabs(c);
        const double digits = err == 0 ? 15 : std::min(15.0, -std::log10(err));
        worst = std::min(worst, std::max(0.0, digits));
    }
    return worst;
}

// The residual sum of squares of the model at the parameter values, over the
// series' points after its processing formulas.
double ResidualSumAt(const Reference& r, const Problem& p, const std::vector<double>& values) {
    BoxFrame set;
    std::unique_ptr<TPlot> plot = MakeSeries(r, p);
    auto points = std::make_unique<TPlot>();
    for (int row = 0; row < plot->XData.GetItemsInContainer(); ++row) {
        double x = plot->XData[row].Value, y = plot->YData[row].Value;
        if (*p.xFormula) {
            set.Evaluate(p.xFormula, x, BoxFrame::EvalCompile, plot.get(), 0, 1, BoxFrame::ComponentValue);
            set.Evaluate("", x, BoxFrame::EvalRow, plot.get(), row, 1, BoxFrame::ComponentValue);
        }
        if (*p.yFormula) {
            set.Evaluate(p.yFormula, y, BoxFrame::EvalCompile, plot.get(), 0, 1, BoxFrame::ComponentValue);
            set.Evaluate("", y, BoxFrame::EvalRow, plot.get(), row, 1, BoxFrame::ComponentValue);
        }
        points->AddX(TDataElement(x, 0));
        points->AddY(TDataElement(y, 0));
    }
    NlsqFunctionText = p.model;
    int freeList[NlsqMaxParameters + 1] = {};
    double params[NlsqMaxParameters + 1] = {};
    const int m = int(values.size());
    for (int k = 1; k <= m; ++k) {
        freeList[k] = k;
        params[k] = values[std::size_t(k - 1)];
        NlsqDerivativeText[k].clear();
    }
    FitColumnSet cols = MakeFitColumnSet();
    NlsqMatrix alpha{};
    NlsqVector beta{};
    double chi = -1;
    NlsqNormalEquations(&set, cols, points.get(), points->XData.GetItemsInContainer(), params,
                        NlsqMaxParameters, freeList, m, alpha, beta, chi);
    return chi;
}

struct Outcome {
    int answer = 0;
    double digits = 0;
};

class CertifiedProblems : public ::testing::Test {
protected:
    fittest::FitStateGuard guard;
    FitHost host;

    Outcome Run(const Reference& r, const Problem& p, int start, const char* allowance) {
        BoxFrame set;
        std::unique_ptr<TPlot> owned = MakeSeries(r, p);
        TPlot* plot = owned.get();
        EXPECT_TRUE(set.PlotList.Add(owned));
        Outcome o;
        o.answer = NonLinearFit(host, &set, plot, 1, Settings(p, r.start[start], allowance));
        o.digits = CorrectDigits(r.certified);
        return o;
    }
};

// At the default Allowance and at 1e-6 %, no fit is reported as a success with
// fewer than 4 correct digits in some parameter: a fit either reaches the
// certified values or fails honestly. How many succeed is printed, not asserted:
// the method decides that.
TEST_F(CertifiedProblems, NoSuccessIsFarFromTheCertifiedValues) {
    const fs::path folder = ReferenceFolder();
    if (folder.empty()) GTEST_SKIP() << "the reference problems (shared/data/nist-nls) are not here";

    const char* const allowances[] = {"0.1", "1e-6"};
    int pairs = 0, successes[2] = {}, wrongSuccesses[2] = {};
    std::ostringstream table;
    for (const Problem& p : kProblems) {
        Reference r;
        ASSERT_TRUE(ReadReference(folder / (std::string(p.name) + ".dat"), &r)) << p.name;

        // The model as typed gives the certified residual sum at the certified
        // values: the formula and the data mean what the problem means.
        // (The certified values are printed to 11 digits, which leaves a residual
        // of that order where the certified sum is almost 0.)
        double ySquares = 0;
        for (const auto& row : r.rows) ySquares += row[0] * row[0];
        EXPECT_NEAR(ResidualSumAt(r, p, r.certified), r.residualSum, 1e-6 * r.residualSum + 1e-19 * ySquares)
            << p.name;

        for (int start = 0; start < 2; ++start) {
            ++pairs;
            char line[160];
            int at = std::snprintf(line, sizeof line, "%-9s start %d:", p.name, start + 1);
            for (int a = 0; a < 2; ++a) {
                const Outcome o = Run(r, p, start, allowances[a]);
                successes[a] += o.answer == 1;
                wrongSuccesses[a] += o.answer == 1 && o.digits < 4;
                at += std::snprintf(line + at, sizeof line - std::size_t(at), "   %s %% %s %4.1f digits",
                                    allowances[a], o.answer == 1 ? "ok  " : "FAIL", o.digits);
            }
            table << line << '\n';
        }
    }
    for (int a = 0; a < 2; ++a)
        std::printf("Allowance %s %%: %d of %d pairs succeed, %d of them with fewer than 4 correct digits\n",
                    allowances[a], successes[a], pairs, wrongSuccesses[a]);
    std::printf("%s", table.str().c_str());
    EXPECT_EQ(pairs, 54);
    EXPECT_EQ(wrongSuccesses[0], 0) << table.str();
    EXPECT_EQ(wrongSuccesses[1], 0) << table.str();
}

}  // namespace
