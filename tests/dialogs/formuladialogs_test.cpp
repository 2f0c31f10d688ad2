// The formula dialogs: user constants with ".cst" import, user functions, quick
// evaluation and the calculated curve.

#include "dialogs/formuladialogs.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/support/driver.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "numerics/constfile.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

std::string Msg(int id) { return kv::LoadString(id); }

std::string WriteFile(const QTemporaryDir& dir, const char* name, const std::string& bytes) {
    const std::string path = dir.path().toStdString() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

std::vector<TUserConstElement> Consts(const BoxFrame& set) {
    std::vector<TUserConstElement> v;
    for (int i = set.UserConsts.LowerBound(); i <= set.UserConsts.UpperBound(); ++i)
        v.push_back(set.UserConsts[i]);
    return v;
}

QStringList ListTexts(PListBox* list) {
    QStringList l;
    for (int i = 0; i < list->GetCount(); ++i) l << list->GetString(i);
    return l;
}

// Closes the dialog a handler opens with Cancel, recording its resource id.
void CancelNextModal(std::vector<int>* opened) {
    kvtest::OnNextModal([opened](QWidget* w) {
        auto* d = qobject_cast<PDialog*>(w);
        ASSERT_NE(d, nullptr);
        opened->push_back(d->ResourceId());
        d->CloseWindow(IDCANCEL);
    });
}

// ---- User constants ----

TEST(UserConstDialog, ListsAddsRemovesAndAppliesOnlyOnOk) {
    BoxFrame set;
    set.UserConsts.Add(TUserConstElement("Rate", 2.5));
    set.UserConsts.Add(TUserConstElement("p", 3.14159265358979323));
    TUserConst dlg(nullptr, &set);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾕｰｻﾞ定義定数"));
    dlg.Create();
    auto* list = dlg.Control<PListBox>(TUserConst::ListId);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListTexts(list), (QStringList{"Rate = 2.5", "p = 3.14159265358979"}));

    // Add puts the edit's text at the top, unchecked, and the edit keeps it.
    dlg.SetItemText(101, QStringLiteral("rate = 9"));
    kvtest::Click(dlg, 102);
    dlg.SetItemText(101, QStringLiteral("not a definition"));
    kvtest::Click(dlg, 102);
    EXPECT_EQ(dlg.ItemText(101), QStringLiteral("not a definition"));
    EXPECT_EQ(dlg.Lines(), (Lines{"not a definition", "rate = 9", "Rate = 2.5", "p = 3.14159265358979"}));

    // Remove: nothing selected changes nothing; then the line at the same index is
    // selected, none after the last.
    kvtest::Click(dlg, 103);
    EXPECT_EQ(dlg.Lines().size(), 4u);
    list->SetSelIndex(0);
    kvtest::Click(dlg, 103);
    EXPECT_EQ(list->GetSelIndex(), 0);
    list->SetSelIndex(2);
    kvtest::Click(dlg, 103);
    EXPECT_EQ(list->GetSelIndex(), LB_ERR);
    EXPECT_EQ(dlg.Lines(), (Lines{"rate = 9", "Rate = 2.5"}));
    EXPECT_EQ(Consts(set).size(), 2u);  // nothing stored before OK

    // OK: the line nearer the top wins; the value is rounded to what was listed.
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_EQ(Consts(set), (std::vector<TUserConstElement>{{"rate", 9}}));
}

TEST(UserConstDialog, ChoosingALineCopiesItIntoTheEditField) {
    BoxFrame set;
    set.UserConsts.Add(TUserConstElement("a", 1));
    set.UserConsts.Add(TUserConstElement("b", 2));
    TUserConst dlg(nullptr, &set);
    kvtest::RunModal(dlg, [&] {
        auto* list = dlg.Control<PListBox>(TUserConst::ListId);
        const QRect r = list->visualItemRect(list->item(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        EXPECT_EQ(dlg.ItemText(101), QStringLiteral("b = 2"));
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(Consts(set).size(), 2u);
}

TEST(UserConstDialog, ImportsConstantFilesAndParsesOnlyAtOk) {
    QTemporaryDir dir;
    const std::string path =
        WriteFile(dir, "c.cst", "a = 1\n; comment\nb = 2 ' note\n\nc = 3:14\nsin = 1\n");
    BoxFrame set;
    set.UserConsts.Add(TUserConstElement("k", 7));
    kv::ScriptedFileDialogs files;
    kv::ScriptedMessageBoxes boxes;
    files.Choose({path});
    TUserConst dlg(nullptr, &set);
    dlg.Create();
    kvtest::Click(dlg, 104);
    ASSERT_EQ(files.Shown().size(), 1u);
    const kv::FileDialogRequest& req = files.Shown()[0];
    EXPECT_EQ(req.kind, kv::FileDialogKind::Open);
    EXPECT_EQ(req.title, "Open User Constant Data");
    ASSERT_EQ(req.filters.size(), 1u);
    EXPECT_EQ(req.filters[0].description, "User Constant Data(*.cst)");
    EXPECT_EQ(req.filters[0].pattern, "*.cst");
    EXPECT_EQ(req.fileName, "");
    EXPECT_EQ(req.flags, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER);
    // The imported lines follow the listed ones, comments cut and empty lines kept.
    EXPECT_EQ(dlg.Lines(), (Lines{"k = 7", "a = 1", "", "b = 2 ", "", "c = 3", "sin = 1"}));
    EXPECT_TRUE(boxes.Shown().empty());
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(Consts(set),
              (std::vector<TUserConstElement>{{"k", 7}, {"a", 1}, {"b", 2}, {"c", 3}}));

    // Cancel after an import leaves the constants alone.
    files.Choose({path});
    TUserConst again(nullptr, &set);
    again.Create();
    kvtest::Click(again, 104);
    kvtest::Click(again, IDCANCEL);
    EXPECT_EQ(Consts(set).size(), 4u);
}

TEST(UserConstDialog, ImportFailuresAndTheListLimit) {
    QTemporaryDir dir;
    BoxFrame set;
    kv::ScriptedFileDialogs files;
    kv::ScriptedMessageBoxes boxes;
    TUserConst dlg(nullptr, &set);
    dlg.Create();

    files.Cancel();
    kvtest::Click(dlg, 104);
    EXPECT_TRUE(boxes.Shown().empty());
    files.Fail(FNERR_INVALIDFILENAME);
    kvtest::Click(dlg, 104);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Error No. #12290");
    EXPECT_EQ(boxes.Shown()[0].caption, "WARNING");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
    boxes.Clear();
    files.Choose({dir.path().toStdString() + "/missing.cst"});
    kvtest::Click(dlg, 104);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, Msg(27));
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
    EXPECT_TRUE(dlg.Lines().empty());

    // A file with more lines than the list may hold fills it and says so; Add is
    // refused from then on.
    boxes.Clear();
    std::string many;
    for (std::size_t i = 0; i < ConstListLimit + 5; ++i) many += "v" + std::to_string(i) + " = 1\n";
    files.Choose({WriteFile(dir, "many.cst", many)});
    kvtest::Click(dlg, 104);
    EXPECT_EQ(dlg.Lines().size(), ConstListLimit);
    EXPECT_EQ(dlg.Control<PListBox>(TUserConst::ListId)->GetCount(), int(ConstListLimit));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, Msg(1181));
    dlg.SetItemText(101, QStringLiteral("z = 1"));
    kvtest::Click(dlg, 102);
    EXPECT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(dlg.Lines().front(), "v0 = 1");
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(set.UserConsts.GetItemsInContainer(), int(ConstListLimit));
}

TEST(UserConstDialog, OkWithAnEmptyListRemovesEveryConstant) {
    BoxFrame set;
    set.UserConsts.Add(TUserConstElement("a", 1));
    TUserConst dlg(nullptr, &set);
    dlg.Create();
    dlg.Control<PListBox>(TUserConst::ListId)->SetSelIndex(0);
    kvtest::Click(dlg, 103);
    kvtest::Click(dlg, IDOK);
    EXPECT_TRUE(set.UserConsts.IsEmpty());
}

// ---- User functions ----

TEST(UserFunctionDialog, ShowsFiveAndStoresExactlyFive) {
    BoxFrame set;
    for (const char* f : {"x*2", "sin(x)", "", "#1+1", "5", "six", "seven"}) set.UserFunctions.Add(f);
    TUserFunctionDialog dlg(nullptr, &set);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾕｰｻﾞ定義関数"));
    dlg.Create();
    EXPECT_EQ(dlg.ItemText(101), QStringLiteral("x*2"));
    EXPECT_EQ(dlg.ItemText(105), QStringLiteral("5"));
    dlg.SetItemText(103, QStringLiteral("x^3"));
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(set.UserFunctions.GetItemsInContainer(), 5);
    EXPECT_EQ(set.UserFunctions[2], "x^3");
    EXPECT_EQ(set.UserFunctions[4], "5");

    BoxFrame empty;
    TUserFunctionDialog blank(nullptr, &empty);
    blank.Create();
    kvtest::Click(blank, IDOK);
    ASSERT_EQ(empty.UserFunctions.GetItemsInContainer(), 5);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(empty.UserFunctions[k], "");

    TUserFunctionDialog cancelled(nullptr, &empty);
    cancelled.Create();
    cancelled.SetItemText(101, QStringLiteral("x"));
    kvtest::Click(cancelled, IDCANCEL);
    EXPECT_EQ(empty.UserFunctions[0], "");
}

TEST(UserFunctionDialog, TheCButtonOpensTheConstantsOfTheSameAxisSet) {
    BoxFrame set;
    TUserFunctionDialog dlg(nullptr, &set);
    std::vector<int> opened;
    kvtest::RunModal(dlg, [&] {
        kvtest::OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<TUserConst*>(w);
            ASSERT_NE(d, nullptr);
            opened.push_back(d->ResourceId());
            d->SetItemText(101, QStringLiteral("g = 9.8"));
            kvtest::Click(*d, 102);
            kvtest::Click(*d, IDOK);
        });
        kvtest::Click(dlg, 106);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(opened, (std::vector<int>{22}));
    // Stored at once, though the user-function dialog was cancelled.
    EXPECT_EQ(Consts(set), (std::vector<TUserConstElement>{{"g", 9.8}}));
}

// ---- Quick evaluation ----

TEST(EvaluateDialog, ShowsTheValueOrWhyThereIsNone) {
    TEvaluateDialogXfer = {};
    BoxFrame set;
    set.UserConsts.Add(TUserConstElement("k", 4));
    TEvaluateDialog dlg(nullptr, &set);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("簡易評価"));
    dlg.Create();
    EXPECT_EQ(dlg.ItemText(101), QString());
    EXPECT_EQ(dlg.ItemText(102), QString());  // the template's "Value = " is replaced
    struct Case {
        const char* formula;
        QString shown;
    };
    const Case cases[] = {
        {"2*pi", "Value = 6.28318530717959"},
        {"x+y", "Value = 2"},
        {"k*%c+k", "Value = 4"},
        {"1/0", "Value = +INF"},
        {"-1/0", "Value = +INF"},
        {"x$", kv::U8(Msg(42))},  // does not compile
        {"x+", kv::U8(Msg(42))},  // compiles but gives no value
    };
    for (const Case& c : cases) {
        dlg.SetItemText(101, QString::fromUtf8(c.formula));
        kvtest::Click(dlg, IDOK);  // "計算": stays open
        EXPECT_FALSE(dlg.IsClosed());
        EXPECT_EQ(dlg.ItemText(102), c.shown) << c.formula;
    }
    EXPECT_EQ(Consts(set).size(), 1u);
}

TEST(EvaluateDialog, RemembersTheFormulaAndResultAtEveryClose) {
    TEvaluateDialogXfer = {};
    BoxFrame set;
    {
        TEvaluateDialog dlg(nullptr, &set);
        const int code = kvtest::RunModal(dlg, [&] {
            dlg.SetItemText(101, QStringLiteral("1+2"));
            kvtest::Click(dlg, IDOK);
            kvtest::Click(dlg, IDCANCEL);  // "閉じる"
        });
        EXPECT_EQ(code, IDCANCEL);
    }
    {
        TEvaluateDialog dlg(nullptr, &set);
        kvtest::RunModal(dlg, [&] {
            EXPECT_EQ(dlg.ItemText(101), QStringLiteral("1+2"));
            EXPECT_EQ(dlg.ItemText(102), QStringLiteral("Value = 3"));
            // A formula typed but not calculated is remembered as well, also on Escape.
            dlg.SetItemText(101, QStringLiteral("7"));
            kvtest::PressKey(dlg.ControlWidget(101), Qt::Key_Escape);
        });
    }
    EXPECT_EQ(TEvaluateDialogXfer.Formula, "7");
    EXPECT_EQ(TEvaluateDialogXfer.Result, "Value = 3");
}

TEST(EvaluateDialog, FormulaButtonsOpenTheirDialogs) {
    BoxFrame set;
    TEvaluateDialog dlg(nullptr, &set);
    std::vector<int> opened;
    kvtest::RunModal(dlg, [&] {
        CancelNextModal(&opened);
        kvtest::Click(dlg, 103);
        CancelNextModal(&opened);
        kvtest::Click(dlg, 104);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(opened, (std::vector<int>{22, 23}));
}

// ---- Calculated curve ----

class DataGenDialogTest : public ::testing::Test {
protected:
    void SetUp() override { TDataGenDialogXfer = {}; }
    void TearDown() override { TDataGenDialogXfer = {}; }
};

TEST_F(DataGenDialogTest, OpensWithTheStartValuesAndAddsTheCurve) {
    BoxFrame set;
    TPlotStyle memory;
    memory.LineColor = RGB(9, 8, 7);
    TDataGenDialog dlg(nullptr, &set, &memory);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("計算曲線の挿入"));
    dlg.Create();
    EXPECT_EQ(dlg.ItemText(101), QStringLiteral("x"));
    EXPECT_EQ(dlg.ItemText(103), QStringLiteral("0"));
    EXPECT_EQ(dlg.ItemText(104), QStringLiteral("10"));
    EXPECT_EQ(dlg.ItemText(105), QStringLiteral("100"));
    EXPECT_EQ(dlg.IsItemChecked(107), 1);
    EXPECT_EQ(dlg.IsItemChecked(108), 0);
    EXPECT_EQ(dlg.IsItemChecked(109), 0);
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(dlg.ReturnValue(), IDOK);
    ASSERT_EQ(set.PlotList.GetItemsInContainer(), 1);
    const TPlot& p = *set.PlotList[1];
    EXPECT_STREQ(p.DataFileName, "** y = x **");
    EXPECT_EQ(p.Style.LineColor, RGB(9, 8, 7));
    ASSERT_EQ(p.YData.GetItemsInContainer(), 101);
    EXPECT_EQ(p.YData[100].Value, 10);
}

TEST_F(DataGenDialogTest, ChecksInOrderAndStaysOpenWithTheEntriesKept) {
    struct Case {
        const char* formula;
        const char* start;
        const char* end;
        const char* divisions;
        int radio;
        int message;  // 0: no message
    };
    const Case cases[] = {
        {"x$", "0", "1", "0", 107, 42},       // the formula check comes first
        {"y*2", "0", "1", "10", 107, 42},     // y is the column being made
        {"x+", "0", "1", "10", 107, 42},      // compiles, but gives no value
        {"", "0", "1", "0", 107, 43},         // empty before the divisions
        {"x", "0", "1", "0", 107, 44},
        {"x", "0", "1", "abc", 107, 44},
        {"x", "0", "1", "-99999999999", 107, 44},
        {"x", "0", "1", "30001", 107, 45},
        {"x", "0", "1", "4294967298", 107, 45},  // never wraps round to 2
        {"x", "1e999", "1", "10", 107, 1152},
        {"x", "0", "10", "10", 108, 0},       // exponent spacing through 0: nothing
        {"x", "-1", "1", "10", 109, 0},       // inverse across 0: nothing
    };
    for (const Case& c : cases) {
        BoxFrame set;
        kv::ScriptedMessageBoxes boxes;
        TDataGenDialog dlg(nullptr, &set, nullptr);
        dlg.Create();
        dlg.SetItemText(101, QString::fromUtf8(c.formula));
        dlg.SetItemText(103, QString::fromUtf8(c.start));
        dlg.SetItemText(104, QString::fromUtf8(c.end));
        dlg.SetItemText(105, QString::fromUtf8(c.divisions));
        dlg.CheckItem(c.radio, BF_CHECKED);
        kvtest::Click(dlg, IDOK);
        EXPECT_FALSE(dlg.IsClosed()) << c.formula << " " << c.divisions;
        EXPECT_EQ(set.PlotList.GetItemsInContainer(), 0);
        if (c.message) {
            ASSERT_EQ(boxes.Shown().size(), 1u) << c.formula << " " << c.divisions;
            EXPECT_EQ(boxes.Shown()[0].text, Msg(c.message));
            EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
            EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        } else {
            EXPECT_TRUE(boxes.Shown().empty());
        }
        EXPECT_EQ(dlg.ItemText(105), QString::fromUtf8(c.divisions));  // as typed
        EXPECT_EQ(TDataGenDialogXfer.Formula, "x");  // a failed OK remembers nothing
        EXPECT_EQ(TDataGenDialogXfer.Linear, 1);
    }
}

TEST_F(DataGenDialogTest, RemembersOnlyASuccessfulGeneration) {
    BoxFrame set;
    {
        TDataGenDialog dlg(nullptr, &set, nullptr);
        dlg.Create();
        dlg.SetItemText(101, QStringLiteral("1/x"));
        dlg.SetItemText(103, QStringLiteral("1"));
        dlg.SetItemText(104, QStringLiteral("0.25"));
        dlg.SetItemText(105, QStringLiteral("3.9"));  // counts as 3
        dlg.CheckItem(109, BF_CHECKED);
        kvtest::Click(dlg, IDOK);
        ASSERT_EQ(dlg.ReturnValue(), IDOK);
    }
    const TPlot& p = *set.PlotList[1];
    ASSERT_EQ(p.XData.GetItemsInContainer(), 4);
    EXPECT_EQ(p.XData[3].Value, 0.25);
    EXPECT_DOUBLE_EQ(p.YData[2].Value, 3);
    {
        TDataGenDialog dlg(nullptr, &set, nullptr);
        dlg.Create();
        EXPECT_EQ(dlg.ItemText(101), QStringLiteral("1/x"));
        EXPECT_EQ(dlg.ItemText(105), QStringLiteral("3.9"));
        EXPECT_EQ(dlg.IsItemChecked(107), 0);
        EXPECT_EQ(dlg.IsItemChecked(109), 1);
        dlg.SetItemText(101, QStringLiteral("x*x"));
        kvtest::Click(dlg, IDCANCEL);
    }
    EXPECT_EQ(TDataGenDialogXfer.Formula, "1/x");
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 1);
}

TEST_F(DataGenDialogTest, AFullAxisSetIsRefusedWithAMessage) {
    BoxFrame set;
    while (!set.PlotList.IsFull()) set.PlotList.Add(new TPlot);
    kv::ScriptedMessageBoxes boxes;
    TDataGenDialog dlg(nullptr, &set, nullptr);
    dlg.Create();
    kvtest::Click(dlg, IDOK);
    EXPECT_FALSE(dlg.IsClosed());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, Msg(1180));
}

TEST_F(DataGenDialogTest, ConstantsAndFunctionsFromItsButtonsApplyToTheNextCheck) {
    BoxFrame set;
    TDataGenDialog dlg(nullptr, &set, nullptr);
    std::vector<int> opened;
    kv::ScriptedMessageBoxes boxes;
    const int code = kvtest::RunModal(dlg, [&] {
        dlg.SetItemText(101, QStringLiteral("#1+w"));
        dlg.SetItemText(105, QStringLiteral("1"));
        kvtest::Click(dlg, IDOK);  // w is not known yet
        EXPECT_EQ(boxes.Shown().size(), 1u);
        kvtest::OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<TUserConst*>(w);
            ASSERT_NE(d, nullptr);
            opened.push_back(d->ResourceId());
            d->SetItemText(101, QStringLiteral("w = 100"));
            kvtest::Click(*d, 102);
            kvtest::Click(*d, IDOK);
        });
        kvtest::Click(dlg, 110);
        kvtest::OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<TUserFunctionDialog*>(w);
            ASSERT_NE(d, nullptr);
            opened.push_back(d->ResourceId());
            d->SetItemText(101, QStringLiteral("x*2"));
            kvtest::Click(*d, IDOK);
        });
        kvtest::Click(dlg, 111);
        kvtest::Click(dlg, IDOK);
    });
    EXPECT_EQ(code, IDOK);
    EXPECT_EQ(opened, (std::vector<int>{22, 23}));
    ASSERT_EQ(set.PlotList.GetItemsInContainer(), 1);
    EXPECT_EQ(set.PlotList[1]->YData[1].Value, 120);  // x = 10
}

}  // namespace
