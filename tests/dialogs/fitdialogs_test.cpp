// The linear and non-linear fit dialogs: filled from the run's settings, checked on
// OK in order, stored only on OK; the ".nls" settings files.

#include "dialogs/fitdialogs.h"
#include "dialogs/formuladialogs.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/support/driver.h"
#include "fitting/fitsettings.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TPlot> Series(int rows, const char* name = "D:\\data\\run1.dat") {
    auto p = std::make_unique<TPlot>();
    for (int i = 0; i < rows; ++i) {
        p->AddX(TDataElement(i + 1.0));
        p->AddY(TDataElement(2.0 * (i + 1)));
    }
    std::strcpy(p->DataFileName, name);
    return p;
}

class LinearFitDialogTest : public ::testing::Test {
protected:
    void SetUp() override { CurrentLinearFitSettings = {}; }
    void TearDown() override { CurrentLinearFitSettings = {}; }
    BoxFrame set;
};

TEST_F(LinearFitDialogTest, FillsFromTheSettingsAndTakesTheCaptionFromTheSeries) {
    LinearFitSettings& s = CurrentLinearFitSettings;
    s.FixedPoint = 1;
    s.ModelIndex = 13;
    s.FitStart = "2";
    s.FitEnd = "5";
    s.OutputStart = "-1";
    s.OutputEnd = "7.5";
    s.Divisions = "50";
    s.FixedX = "0.5";
    s.FixedY = "3";
    s.SpacingLinear = 0;
    s.SpacingInverse = 1;
    auto plot = Series(10);
    TLenearSQDialog dlg(nullptr, &set, plot.get());
    dlg.Create();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("run1.dat"));
    auto* models = dlg.Control<PComboBox>(112);
    ASSERT_EQ(models->GetCount(), 15);
    EXPECT_EQ(models->GetString(0), QStringLiteral("0 - polynomial"));
    EXPECT_EQ(models->GetString(14), QStringLiteral("y = A * x ^ B"));
    EXPECT_EQ(models->GetSelIndex(), 13);
    EXPECT_EQ(dlg.IsItemChecked(113), 1);
    const int ids[] = {101, 102, 105, 106, 107, 114, 115};
    const char* texts[] = {"2", "5", "-1", "7.5", "50", "0.5", "3"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(dlg.ItemText(ids[i]), QString::fromUtf8(texts[i]));
    EXPECT_EQ(dlg.IsItemChecked(109), 0);
    EXPECT_EQ(dlg.IsItemChecked(110), 0);
    EXPECT_EQ(dlg.IsItemChecked(111), 1);
}

TEST_F(LinearFitDialogTest, ChecksRangeThenDivisionsAndStoresOnlyOnOk) {
    struct Case {
        const char* start;
        const char* end;
        const char* divisions;
        const char* message;  // null: passes
    };
    const char* kStart = "Input data : Invalid fitted start line.";
    const char* kRange = "Input data : Invalid fitted line.";
    const char* kPositive = "Division number must be positive value.";
    const char* kMany = "Division number must be less than 30000 points.";
    const Case cases[] = {
        {"1", "-1", "100", nullptr},   {"0", "-1", "100", kStart},   {"50", "-1", "100", nullptr},
        {"9", "10", "100", nullptr},   {"10", "10", "100", kRange},  {"1", "20", "100", nullptr},
        {"5", "3", "100", kRange},     {"0", "3", "100", kRange},    {"1", "-1", "30000", nullptr},
        {"1", "-1", "30001", kMany},   {"1", "-1", "0", kPositive},  {"1", "-1", "-5", kPositive},
        {"1", "-1", "abc", kPositive}, {"0", "-1", "0", kStart},  // the range comes first
    };
    auto plot = Series(10);
    for (const Case& c : cases) {
        CurrentLinearFitSettings = {};
        kv::ScriptedMessageBoxes boxes;
        TLenearSQDialog dlg(nullptr, &set, plot.get());
        dlg.Create();
        dlg.SetItemText(101, QString::fromUtf8(c.start));
        dlg.SetItemText(102, QString::fromUtf8(c.end));
        dlg.SetItemText(107, QString::fromUtf8(c.divisions));
        dlg.SetItemText(105, QStringLiteral("nonsense"));  // not checked here
        kvtest::Click(dlg, IDOK);
        const std::string what = std::string(c.start) + " " + c.end + " " + c.divisions;
        if (!c.message) {
            EXPECT_EQ(dlg.ReturnValue(), IDOK) << what;
            EXPECT_TRUE(boxes.Shown().empty()) << what;
            EXPECT_EQ(CurrentLinearFitSettings.FitStart, c.start);
            EXPECT_EQ(CurrentLinearFitSettings.Divisions, c.divisions);
            EXPECT_EQ(CurrentLinearFitSettings.OutputStart, "nonsense");
        } else {
            EXPECT_FALSE(dlg.IsClosed()) << what;
            ASSERT_EQ(boxes.Shown().size(), 1u) << what;
            EXPECT_EQ(boxes.Shown()[0].text, c.message) << what;
            EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
            EXPECT_EQ(boxes.Shown()[0].flags, MB_OK);  // no icon
            EXPECT_EQ(CurrentLinearFitSettings.FitStart, "1") << what;
            EXPECT_EQ(dlg.ItemText(101), QString::fromUtf8(c.start));
        }
    }
}

TEST_F(LinearFitDialogTest, OkStoresEveryControlAndCancelNothing) {
    auto plot = Series(10);
    {
        TLenearSQDialog dlg(nullptr, &set, plot.get());
        const int code = kvtest::RunModal(dlg, [&] {
            dlg.SetItemText(102, QStringLiteral("8"));
            dlg.Control<PComboBox>(112)->SetSelIndex(11);
            dlg.CheckItem(113, BF_CHECKED);
            dlg.SetItemText(114, QStringLiteral("1.5"));
            dlg.SetItemText(115, QStringLiteral("2.5"));
            dlg.CheckItem(110, BF_CHECKED);
            dlg.SetItemText(106, QString(300, QChar('9')));  // longer than a field holds
            kvtest::Click(dlg, IDCANCEL);
        });
        EXPECT_EQ(code, IDCANCEL);
        EXPECT_EQ(CurrentLinearFitSettings.ModelIndex, 1);
        EXPECT_EQ(CurrentLinearFitSettings.FitEnd, "-1");
    }
    TLenearSQDialog dlg(nullptr, &set, plot.get());
    const int code = kvtest::RunModal(dlg, [&] {
        dlg.SetItemText(102, QStringLiteral("8"));
        dlg.Control<PComboBox>(112)->SetSelIndex(11);
        dlg.CheckItem(113, BF_CHECKED);
        dlg.SetItemText(114, QStringLiteral("1.5"));
        dlg.SetItemText(115, QStringLiteral("2.5"));
        dlg.CheckItem(110, BF_CHECKED);
        dlg.SetItemText(106, QString(300, QChar('9')));
        kvtest::Click(dlg, IDOK);
    });
    EXPECT_EQ(code, IDOK);
    const LinearFitSettings& s = CurrentLinearFitSettings;
    EXPECT_EQ(s.FitEnd, "8");
    EXPECT_EQ(s.ModelIndex, 11);
    EXPECT_EQ(s.FixedPoint, 1);
    EXPECT_EQ(s.FixedX, "1.5");
    EXPECT_EQ(s.FixedY, "2.5");
    EXPECT_EQ(s.OutputEnd, std::string(254, '9'));
    EXPECT_EQ(s.SpacingLinear, 0);
    EXPECT_EQ(s.SpacingExponent, 1);
    EXPECT_EQ(s.SpacingInverse, 0);
}

// ---- Non-linear ----

class NonLinearFitDialogTest : public ::testing::Test {
protected:
    void SetUp() override { CurrentNonLinearFitSettings = {}; }
    void TearDown() override { CurrentNonLinearFitSettings = {}; }
    BoxFrame set;
    std::unique_ptr<TPlot> plot = Series(20, "C:\\fits\\curve.dat");
};

TEST_F(NonLinearFitDialogTest, FillsEveryControlFromTheSettings) {
    NonLinearFitSettings& s = CurrentNonLinearFitSettings;
    s.Enabled[0] = 1;
    s.Enabled[8] = 1;
    s.FitStart = "3";
    s.FitEnd = "9";
    s.OutputStart = "1";
    s.OutputEnd = "2";
    s.Divisions = "40";
    s.Function = "a*exp(b*x)";
    s.InitialValues[1] = "0.5";
    s.Derivatives[1] = "a*x*exp(b*x)";
    s.Allowance = "0.01";
    s.SpacingLinear = 0;
    s.SpacingExponent = 1;
    TNonLenearSQDialog dlg(nullptr, &set, plot.get());
    dlg.Create();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("curve.dat"));
    EXPECT_EQ(dlg.IsItemChecked(113), 1);
    EXPECT_EQ(dlg.IsItemChecked(114), 0);
    EXPECT_EQ(dlg.IsItemChecked(121), 1);
    EXPECT_EQ(dlg.ItemText(102), QStringLiteral("3"));
    EXPECT_EQ(dlg.ItemText(103), QStringLiteral("9"));
    EXPECT_EQ(dlg.ItemText(107), QStringLiteral("40"));
    EXPECT_EQ(dlg.ItemText(112), QStringLiteral("a*exp(b*x)"));
    EXPECT_EQ(dlg.ItemText(123), QStringLiteral("0.5"));
    EXPECT_EQ(dlg.ItemText(132), QStringLiteral("a*x*exp(b*x)"));
    EXPECT_EQ(dlg.ItemText(140), QStringLiteral("0.01"));
    EXPECT_EQ(dlg.IsItemChecked(109), 0);
    EXPECT_EQ(dlg.IsItemChecked(110), 1);
    EXPECT_EQ(dlg.Label(137)->text(), QStringLiteral("dy/dg="));
    EXPECT_EQ(dlg.Label(128)->text(), QStringLiteral("Go="));
}

TEST_F(NonLinearFitDialogTest, ChecksTheModelThenTheDerivativesOfTickedParameters) {
    struct Case {
        const char* model;
        int ticked;                // parameter index ticked, -1 none
        const char* derivatives[9];
        int message;               // string id, 0: passes
    };
    const Case cases[] = {
        {"a*x+b", -1, {"x$", "x$"}, 0},           // no parameter ticked: not examined
        {"a*x+b", 1, {"x$", ""}, 0},               // ticked with an empty derivative
        {"a*x+b", 0, {"x"}, 0},
        {"x$", 0, {"x$"}, 55},                     // the model first
        {"a*x+b", 0, {"x$"}, 56},
        {"a*x+b", 2, {"", "", "x$"}, 58},
        {"a*x+b", 6, {"", "", "", "", "", "", "1@"}, 62},
    };
    for (const Case& c : cases) {
        CurrentNonLinearFitSettings = {};
        kv::ScriptedMessageBoxes boxes;
        TNonLenearSQDialog dlg(nullptr, &set, plot.get());
        dlg.Create();
        dlg.SetItemText(112, QString::fromUtf8(c.model));
        if (c.ticked >= 0) dlg.CheckItem(113 + c.ticked, BF_CHECKED);
        for (int k = 0; k < 9; ++k)
            if (c.derivatives[k]) dlg.SetItemText(131 + k, QString::fromUtf8(c.derivatives[k]));
        kvtest::Click(dlg, IDOK);
        if (c.message == 0) {
            EXPECT_EQ(dlg.ReturnValue(), IDOK) << c.model << " " << c.ticked;
            EXPECT_EQ(CurrentNonLinearFitSettings.Function, c.model);
        } else {
            EXPECT_FALSE(dlg.IsClosed()) << c.model << " " << c.ticked;
            ASSERT_EQ(boxes.Shown().size(), 1u);
            EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(c.message));
            EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
            EXPECT_EQ(CurrentNonLinearFitSettings.Function, "");
        }
    }
}

TEST_F(NonLinearFitDialogTest, SettingsFilesKeepTheModelPartOnly) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/model.nls";
    kv::ScriptedFileDialogs files;
    kv::ScriptedMessageBoxes boxes;
    {
        TNonLenearSQDialog dlg(nullptr, &set, plot.get());
        dlg.Create();
        dlg.SetItemText(112, QStringLiteral("a*x^b"));
        dlg.CheckItem(113, BF_CHECKED);
        dlg.CheckItem(114, BF_CHECKED);
        dlg.SetItemText(122, QStringLiteral("1"));
        dlg.SetItemText(123, QStringLiteral("2"));
        dlg.SetItemText(132, QStringLiteral("a*x^b*log(x)"));
        dlg.SetItemText(102, QStringLiteral("4"));
        files.Choose({path});
        kvtest::Click(dlg, 144);
        ASSERT_EQ(files.Shown().size(), 1u);
        const kv::FileDialogRequest& req = files.Shown()[0];
        EXPECT_EQ(req.kind, kv::FileDialogKind::Save);
        EXPECT_EQ(req.title, "Save Non-linear Least Square Settings");
        ASSERT_EQ(req.filters.size(), 1u);
        EXPECT_EQ(req.filters[0].description, "Non-linear Least Square Settings(*.nls)");
        EXPECT_EQ(req.filters[0].pattern, "*.nls");
        EXPECT_EQ(req.flags, DWORD(0x80806));
        EXPECT_EQ(req.defExt, "nls");
        kvtest::Click(dlg, IDCANCEL);
    }
    EXPECT_EQ(CurrentNonLinearFitSettings.Function, "");  // saving stores nothing

    TNonLenearSQDialog dlg(nullptr, &set, plot.get());
    dlg.Create();
    dlg.CheckItem(121, BF_CHECKED);  // I: cleared by the file
    dlg.SetItemText(130, QStringLiteral("stale"));
    dlg.SetItemText(102, QStringLiteral("7"));
    dlg.SetItemText(140, QStringLiteral("0.5"));
    files.Clear();
    files.Choose({path});
    kvtest::Click(dlg, 143);
    ASSERT_EQ(files.Shown().size(), 1u);
    EXPECT_EQ(files.Shown()[0].kind, kv::FileDialogKind::Open);
    EXPECT_EQ(files.Shown()[0].title, "Load Non-linear Least Square Settings");
    EXPECT_EQ(files.Shown()[0].flags, DWORD(0x81804));
    EXPECT_EQ(dlg.ItemText(112), QStringLiteral("a*x^b"));
    EXPECT_EQ(dlg.IsItemChecked(113), 1);
    EXPECT_EQ(dlg.IsItemChecked(114), 1);
    EXPECT_EQ(dlg.IsItemChecked(121), 0);
    EXPECT_EQ(dlg.ItemText(123), QStringLiteral("2"));
    EXPECT_EQ(dlg.ItemText(130), QString());
    EXPECT_EQ(dlg.ItemText(132), QStringLiteral("a*x^b*log(x)"));
    EXPECT_EQ(dlg.ItemText(102), QStringLiteral("7"));   // the range stays
    EXPECT_EQ(dlg.ItemText(140), QStringLiteral("0.5"));  // so does the Allowance
    EXPECT_EQ(CurrentNonLinearFitSettings.Function, "");  // until OK
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(CurrentNonLinearFitSettings.Function, "a*x^b");
    EXPECT_EQ(CurrentNonLinearFitSettings.FitStart, "7");
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(NonLinearFitDialogTest, FileFailuresAreReported) {
    QTemporaryDir dir;
    kv::ScriptedFileDialogs files;
    kv::ScriptedMessageBoxes boxes;
    TNonLenearSQDialog dlg(nullptr, &set, plot.get());
    dlg.Create();
    dlg.SetItemText(112, QStringLiteral("x"));

    files.Cancel();
    kvtest::Click(dlg, 143);
    EXPECT_TRUE(boxes.Shown().empty());
    files.Fail(FNERR_BUFFERTOOSMALL);
    kvtest::Click(dlg, 144);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Error No. #12291");
    EXPECT_EQ(boxes.Shown()[0].caption, "WARNING");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);

    // A file that cannot be written is not reported as saved.
    boxes.Clear();
    files.Choose({dir.path().toStdString() + "/no/such/folder/m.nls"});
    kvtest::Click(dlg, 144);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(26));

    // A file without the keys empties the model part.
    files.Choose({dir.path().toStdString() + "/absent.nls"});
    kvtest::Click(dlg, 143);
    EXPECT_EQ(dlg.ItemText(112), QString());
    EXPECT_FALSE(dlg.IsClosed());
}

TEST_F(NonLinearFitDialogTest, ConstantAndFunctionButtonsEditTheAxisSet) {
    TNonLenearSQDialog dlg(nullptr, &set, plot.get());
    std::vector<int> opened;
    kvtest::RunModal(dlg, [&] {
        kvtest::OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<PDialog*>(w);
            ASSERT_NE(d, nullptr);
            opened.push_back(d->ResourceId());
            d->CloseWindow(IDCANCEL);
        });
        kvtest::Click(dlg, 141);
        kvtest::OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<TUserFunctionDialog*>(w);
            ASSERT_NE(d, nullptr);
            opened.push_back(d->ResourceId());
            d->SetItemText(101, QStringLiteral("a*x"));
            kvtest::Click(*d, IDOK);
        });
        kvtest::Click(dlg, 142);
        // The model may now use #1.
        dlg.SetItemText(112, QStringLiteral("#1+b"));
        kvtest::Click(dlg, IDOK);
    });
    EXPECT_EQ(opened, (std::vector<int>{22, 23}));
    EXPECT_EQ(set.UserFunctions[0], "a*x");
    EXPECT_EQ(CurrentNonLinearFitSettings.Function, "#1+b");
}

}  // namespace
