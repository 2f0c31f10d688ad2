// The fit settings: defaults, the dialogs' checks, the runs' conversions and the
// ".nls" settings files.
#include "fitting/fitsettings.h"
#include "fitting/linearfit.h"
#include "model/boxframe.h"
#include "platform/messagebox.h"
#include "platform/profile.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <string>

#include "fit_series.h"
#include "support/helpers/fifo_watchdog.h"

#include <sys/stat.h>

namespace {

TEST(FitSettings, Defaults) {
    const LinearFitSettings l;
    EXPECT_EQ(l.FixedPoint, 0);
    EXPECT_EQ(l.ModelIndex, 1);
    EXPECT_EQ(l.FitStart, "1");
    EXPECT_EQ(l.FitEnd, "-1");
    EXPECT_EQ(l.OutputStart, "0");
    EXPECT_EQ(l.OutputEnd, "10");
    EXPECT_EQ(l.Divisions, "100");
    EXPECT_EQ(l.FixedX, "0");
    EXPECT_EQ(l.FixedY, "0");
    EXPECT_EQ(l.SpacingLinear + 2 * l.SpacingExponent + 4 * l.SpacingInverse, 1);

    const NonLinearFitSettings n;
    for (BYTE e : n.Enabled) EXPECT_EQ(e, 0);
    EXPECT_EQ(n.FitStart, "1");
    EXPECT_EQ(n.FitEnd, "-1");
    EXPECT_EQ(n.Divisions, "100");
    EXPECT_EQ(n.Function, "");
    EXPECT_EQ(n.Allowance, "0.1");
    EXPECT_EQ(n.SpacingLinear + 2 * n.SpacingExponent + 4 * n.SpacingInverse, 1);

    EXPECT_STREQ(LinearFitModelNames[0], "0 - polynomial");
    EXPECT_STREQ(LinearFitModelNames[10], "10 - polynomial");
    EXPECT_STREQ(LinearFitModelNames[14], "y = A * x ^ B");
}

TEST(FitSettings, LinearDialogChecks) {
    const char* kStart = "Input data : Invalid fitted start line.";
    const char* kLine = "Input data : Invalid fitted line.";
    const char* kPositive = "Division number must be positive value.";
    const char* kTooMany = "Division number must be less than 30000 points.";
    struct Case {
        const char* start;
        const char* end;
        const char* divisions;
        int rows;
        const char* want;  // nullptr: passes
    };
    const Case cases[] = {
        {"1", "-1", "100", 10, nullptr},
        {"0", "-1", "100", 10, kStart},
        {"50", "-1", "100", 10, nullptr},  // beyond the rows passes; the fit finds no points
        {"9", "10", "100", 10, nullptr},
        {"10", "10", "100", 10, kLine},    // start must not exceed rows - 1
        {"1", "20", "100", 10, nullptr},   // the fit clips the end
        {"5", "3", "100", 10, kLine},
        {"0", "3", "100", 10, kLine},
        {"2", "0", "100", 10, kLine},
        {"abc", "5", "100", 10, kLine},
        {"1", "-1", "30000", 10, nullptr},
        {"1", "-1", "30001", 10, kTooMany},
        {"1", "-1", "0", 10, kPositive},
        {"1", "-1", "-5", 10, kPositive},
        {"1", "-1", "abc", 10, kPositive},
        {"5", "3", "0", 10, kLine},        // the first failing check wins
    };
    for (const Case& c : cases) {
        LinearFitSettings s;
        s.FitStart = c.start;
        s.FitEnd = c.end;
        s.Divisions = c.divisions;
        const char* got = LinearFitSettingsError(s, c.rows);
        if (c.want) {
            EXPECT_STREQ(got, c.want) << c.start << " " << c.end << " " << c.divisions;
        } else {
            EXPECT_EQ(got, nullptr) << c.start << " " << c.end << " " << c.divisions;
        }
    }
    // Only the first 99 characters of a number are read.
    LinearFitSettings s;
    s.Divisions = std::string(99, '0') + "5";
    EXPECT_STREQ(LinearFitSettingsError(s, 10), kPositive);

    // The box: no caption (the application's name), OK only, no icon.
    kv::ScriptedMessageBoxes boxes;
    auto series = fittest::MakeSeries({1, 2, 3}, {1, 2, 3});
    s = LinearFitSettings();
    EXPECT_EQ(ValidateLinearFitSettings(nullptr, s, *series), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    s.FitStart = "0";
    EXPECT_EQ(ValidateLinearFitSettings(nullptr, s, *series), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kStart);
    EXPECT_EQ(boxes.Shown()[0].caption, kv::kApplicationTitle);
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK);
}

TEST(FitSettings, LinearConversion) {
    int model = 0, degree = -1;
    for (int i = 0; i <= 10; ++i) {
        ASSERT_TRUE(LinearFitModelFromIndex(i, &model, &degree));
        EXPECT_EQ(model, FitModelPolynomial);
        EXPECT_EQ(degree, i);
    }
    const int models[] = {FitModelExponential, FitModelLogarithmic, FitModelGeometric, FitModelPower};
    for (int i = 11; i <= 14; ++i) {
        ASSERT_TRUE(LinearFitModelFromIndex(i, &model, &degree));
        EXPECT_EQ(model, models[i - 11]);
        EXPECT_EQ(degree, 1);
    }
    EXPECT_FALSE(LinearFitModelFromIndex(-1, &model, &degree));
    EXPECT_FALSE(LinearFitModelFromIndex(15, &model, &degree));

    EXPECT_EQ(FitSpacingFromRadios(1, 1, 1), DivisionLinear);
    EXPECT_EQ(FitSpacingFromRadios(0, 1, 1), DivisionExponent);
    EXPECT_EQ(FitSpacingFromRadios(0, 0, 1), DivisionInverse);
    EXPECT_EQ(FitSpacingFromRadios(0, 0, 0), 0);

    LinearFitSettings s;
    s.ModelIndex = 12;
    s.FixedPoint = 1;
    s.OutputStart = " 1.5e1xyz";
    s.OutputEnd = "junk";
    s.Divisions = "25.9";
    s.FixedX = "-2";
    s.FixedY = "3d0";
    s.FitEnd = "7";
    s.SpacingLinear = 0;
    s.SpacingInverse = 1;
    LinearFitValues v;
    ASSERT_TRUE(ConvertLinearFitSettings(s, &v));
    EXPECT_EQ(v.Model, FitModelLogarithmic);
    EXPECT_EQ(v.Degree, 1);
    EXPECT_EQ(v.Fixed, 1);
    EXPECT_EQ(v.OutputStart, 15);
    EXPECT_EQ(v.OutputEnd, 0);
    EXPECT_EQ(v.Divisions, 25);
    EXPECT_EQ(v.FixedX, -2);
    EXPECT_EQ(v.FixedY, 3);
    EXPECT_EQ(v.FitStart, 1);
    EXPECT_EQ(v.FitEnd, 7);
    EXPECT_EQ(v.Spacing, DivisionInverse);
    s.ModelIndex = 15;
    EXPECT_FALSE(ConvertLinearFitSettings(s, &v));
}

TEST(FitSettings, NonLinearDialogCompilesModelAndTickedDerivatives) {
    BoxFrame set;
    auto series = fittest::MakeSeries({1, 2}, {1, 2});
    kv::ScriptedMessageBoxes boxes;
    NonLinearFitSettings s;
    s.Function = "a*exp(-b*x)";
    // Nothing ticked: only the model is compiled.
    EXPECT_EQ(ValidateNonLinearFitSettings(nullptr, &set, series.get(), s), 1);
    s.Derivatives[3] = "foo";  // D, not ticked: not compiled
    s.Enabled[0] = 1;         // A with an empty derivative: numeric
    s.Enabled[1] = 1;
    s.Derivatives[1] = "-a*x*exp(-b*x)";
    EXPECT_EQ(ValidateNonLinearFitSettings(nullptr, &set, series.get(), s), 1);
    EXPECT_TRUE(boxes.Shown().empty());

    s.Enabled[3] = 1;
    EXPECT_EQ(ValidateNonLinearFitSettings(nullptr, &set, series.get(), s), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(59));
    EXPECT_EQ(boxes.Shown()[0].text, "不正な dy/dD。");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(boxes.Shown()[0].caption, kv::kApplicationTitle);

    // A bad model is reported before any derivative; "%i" has no series number here.
    for (const char* model : {"a=b", "a*%i", "x+foo"}) {
        boxes.Clear();
        s.Function = model;
        EXPECT_EQ(ValidateNonLinearFitSettings(nullptr, &set, series.get(), s), 0) << model;
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, "不正な関数式です。");
    }
    // The messages of dy/dA to dy/dI are strings 56 to 64.
    for (int k = 0; k < 9; ++k) EXPECT_EQ(kv::LoadString(56 + k), std::string("不正な dy/d") + char('A' + k) + "。");
}

TEST(FitSettings, NonLinearRunChecks) {
    auto valid = [] {
        NonLinearFitSettings s;
        s.Enabled[2] = 1;
        s.InitialValues[2] = "2.5";
        return s;
    };
    NonLinearFitValues v;
    ASSERT_TRUE(ConvertNonLinearFitSettings(valid(), &v));
    EXPECT_EQ(v.Initial[3], 2.5);
    EXPECT_EQ(v.Initial[1], 0.0);  // an empty text is 0
    EXPECT_DOUBLE_EQ(v.Allowance, 0.1);
    EXPECT_EQ(v.FitStart, 1);
    EXPECT_EQ(v.FitEnd, -1);
    EXPECT_EQ(v.Divisions, 100);
    EXPECT_EQ(v.Spacing, DivisionLinear);

    struct Case {
        const char* what;
        std::function<void(NonLinearFitSettings&)> change;
        bool passes;
    };
    const Case cases[] = {
        {"nothing ticked", [](auto& s) { s.Enabled[2] = 0; }, false},
        {"initial value beyond a double", [](auto& s) { s.InitialValues[5] = "1e400"; }, false},
        {"initial value at the largest double", [](auto& s) { s.InitialValues[0] = "-1.7976931348623157e308"; }, false},
        {"initial value just below it", [](auto& s) { s.InitialValues[8] = "1.7976931348623155e308"; }, true},
        {"underflowing initial value", [](auto& s) { s.InitialValues[1] = "1e-400"; }, true},
        {"Allowance beyond a double", [](auto& s) { s.Allowance = "-1e999"; }, false},
        {"start 32000", [](auto& s) { s.FitStart = "32000"; }, true},
        {"start 32001", [](auto& s) { s.FitStart = "32001"; }, false},
        {"start 0", [](auto& s) { s.FitStart = "0"; }, false},
        {"end below start", [](auto& s) { s.FitStart = "5"; s.FitEnd = "4"; }, false},
        {"end 32001", [](auto& s) { s.FitEnd = "32001"; }, false},
        {"end -2", [](auto& s) { s.FitEnd = "-2"; }, false},
        {"end 32000", [](auto& s) { s.FitEnd = "32000"; }, true},
        {"divisions 0", [](auto& s) { s.Divisions = "0"; }, true},
        {"divisions 31999", [](auto& s) { s.Divisions = "31999"; }, true},
        {"divisions 32000", [](auto& s) { s.Divisions = "32000"; }, false},
        {"divisions -1", [](auto& s) { s.Divisions = "-1"; }, false},
        {"no spacing chosen", [](auto& s) { s.SpacingLinear = 0; }, false},
        {"unchecked output", [](auto& s) { s.OutputStart = "x"; s.OutputEnd = "1e999"; }, true},
    };
    for (const Case& c : cases) {
        NonLinearFitSettings s = valid();
        c.change(s);
        EXPECT_EQ(ConvertNonLinearFitSettings(s, &v), c.passes) << c.what;
    }
    NonLinearFitSettings s = valid();
    s.Allowance = "-5";
    ASSERT_TRUE(ConvertNonLinearFitSettings(s, &v));
    EXPECT_EQ(v.Allowance, 5.0);
}

TEST(FitSettings, CutKeepsDoubleByteCharactersWhole) {
    EXPECT_EQ(CutFitText("abcdef", 4), "abcd");
    EXPECT_EQ(CutFitText("ab\x82\xA0", 3), "ab");  // would split the last character
    EXPECT_EQ(CutFitText("ab\x82\xA0", 4), "ab\x82\xA0");
    EXPECT_EQ(CutFitText(std::string(300, 'x')).size(), 254u);
}

class NlsFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string Path(const char* name) { return dir.filePath(name).toStdString(); }
};

TEST_F(NlsFile, RoundTripKeepsOtherSections) {
    const std::string path = Path("model.nls");
    {
        std::ofstream f(path);
        f << "[Notes]\nauthor=me\n[Parameters]\nZ=9\n";
    }
    NonLinearFitSettings s;
    s.Function = "a*exp(-b*x)+c";
    s.Enabled[0] = s.Enabled[1] = s.Enabled[8] = 1;
    s.InitialValues[0] = "5";
    s.InitialValues[1] = "1.3e-1";
    s.InitialValues[4] = "7";
    s.Derivatives[1] = "-a*x*exp(-b*x)";
    s.Derivatives[8] = "1";
    ASSERT_EQ(WriteNls(path.c_str(), NlsFromSettings(s)), 1);

    NonLinearFitSettings loaded;
    loaded.FitStart = "3";
    loaded.Allowance = "2";
    loaded.SpacingLinear = 0;
    loaded.SpacingInverse = 1;
    loaded.Enabled[3] = 1;
    ApplyNlsToSettings(ReadNls(path.c_str()), &loaded);
    EXPECT_EQ(loaded.Function, s.Function);
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(loaded.Enabled[k], s.Enabled[k]) << k;
        EXPECT_EQ(loaded.InitialValues[k], s.InitialValues[k]) << k;
        EXPECT_EQ(loaded.Derivatives[k], s.Derivatives[k]) << k;
    }
    // The range, output, spacing and Allowance are not in the file.
    EXPECT_EQ(loaded.FitStart, "3");
    EXPECT_EQ(loaded.Allowance, "2");
    EXPECT_EQ(loaded.SpacingInverse, 1);

    char buf[64];
    GetPrivateProfileStringA("Notes", "author", "", buf, sizeof buf, path.c_str());
    EXPECT_STREQ(buf, "me");
    EXPECT_EQ(GetPrivateProfileIntA("Parameters", "Z", 0, path.c_str()), 9u);
    GetPrivateProfileStringA("Parameters", "B", "", buf, sizeof buf, path.c_str());
    EXPECT_STREQ(buf, "1");
}

TEST_F(NlsFile, MissingDamagedAndOddFiles) {
    // No file: every value empty, every box clear.
    NlsFileData none = ReadNls(Path("absent.nls").c_str());
    EXPECT_EQ(none.Function, "");
    for (int k = 0; k < 9; ++k) EXPECT_EQ(none.Parameters[k], 0);

    // Values other than 0 and 1, and overlong texts, from a hand-made file.
    const std::string odd = Path("odd.nls");
    {
        std::ofstream f(odd);
        f << "[Function]\nFunction=" << std::string(400, 'x') << "\n"
          << "[Parameters]\nA=5\nB=-1\nC=0\nD=junk\nE=99999999999999999999\n"
          << "[Initvalues]\nA=1\n";
    }
    NlsFileData d = ReadNls(odd.c_str());
    EXPECT_EQ(d.Function.size(), 255u);
    NonLinearFitSettings s;
    s.InitialValues[1] = "left over";
    ApplyNlsToSettings(d, &s);
    EXPECT_EQ(s.Function.size(), 254u);
    const BYTE want[9] = {1, 1, 0, 0, 1, 0, 0, 0, 0};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(s.Enabled[k], want[k]) << k;
    EXPECT_EQ(s.InitialValues[0], "1");
    EXPECT_EQ(s.InitialValues[1], "");  // a missing key empties the field

    // Binary garbage reads as a file without the keys.
    const std::string junk = Path("junk.nls");
    {
        std::ofstream f(junk, std::ios::binary);
        for (int i = 0; i < 5000; ++i) f.put(char((i * 7919) & 0xFF));
    }
    NlsFileData g = ReadNls(junk.c_str());
    EXPECT_LE(g.Function.size(), 255u);

    // A file that cannot be written says so.
    EXPECT_EQ(WriteNls(Path("no/such/dir/x.nls").c_str(), NlsFileData()), 0);
}

TEST_F(NlsFile, APipeChosenAsSettingsFileIsNotWaitedOn) {
    const std::string pipe = Path("pipe.nls");
    kvtest::MakeFifo(pipe);
    kvtest::WithFifoWatchdog(pipe, [&] {
        NlsFileData d = ReadNls(pipe.c_str());
        EXPECT_EQ(d.Function, "");
        for (int k = 0; k < 9; ++k) EXPECT_EQ(d.Parameters[k], 0);
        NlsFileData model;
        model.Function = "a*x";
        EXPECT_EQ(WriteNls(pipe.c_str(), model), 0);
    });
    struct stat st;
    ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
