// The data manager: its list, the list commands, styling and reloading a
// selection, the change of data folder, the editor and the folder browser service.

#include "dialogs/datamanager.h"
#include "dialogs/controls/plotbutton.h"
#include "dialogs/dataread.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/kit/qtservices.h"
#include "dialogs/mesdialog.h"
#include "dialogs/plotdialog.h"
#include "dialogs/styleitems.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/cformat.h"
#include "platform/filedialog.h"
#include "platform/folderdialog.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kMsg27 = "ファイルをオープンできません。";
const std::string kMsg35 = "数値データ読み込みエラー。";
const std::string kMsg36 = "選択したデータを削除しますか?";
const std::string kMsg41 = "メモリデータは編集できません。";
const std::string kMsg69 = "メモリデータは再読込できません。";
const std::string kMsg1180 = "この座標軸にはこれ以上データを追加できません。";
const std::string kMsg1301 = "エディタを起動できません。";

class DataManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ResetStyleItems();
    }
    void TearDown() override { ResetStyleItems(); }

    // Rows "i,10i,100i" for i = first .. last.
    static std::string Rows(int first, int last, int columns = 3) {
        std::string s;
        for (int i = first; i <= last; ++i) {
            s += std::to_string(i) + "," + std::to_string(10 * i);
            if (columns > 2) s += "," + std::to_string(100 * i);
            s += "\n";
        }
        return s;
    }

    std::string Write(const QString& relative, const std::string& bytes) {
        const QString path = dir_.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), qint64(bytes.size()));
        return path.toStdString();
    }

    // A file series named `stored`, read from it when it exists.
    static TPlot* AddFile(BoxFrame& set, const std::string& stored, int yColumn = 2) {
        auto* plot = new TPlot;
        lstrcpynA(plot->DataFileName, stored.c_str(), MAX_PATH);
        plot->PlotFile.YColumn = yColumn;
        plot->ReadData();
        EXPECT_TRUE(set.PlotList.Add(plot));
        return plot;
    }

    static TPlot* AddMemory(BoxFrame& set, const char* name, int rows = 3) {
        auto* plot = new TPlot;
        plot->IsFileData = 0;
        lstrcpynA(plot->DataFileName, name, MAX_PATH);
        for (int i = 1; i <= rows; ++i) {
            plot->AddX(TDataElement(i));
            plot->AddY(TDataElement(-i));
        }
        EXPECT_TRUE(set.PlotList.Add(plot));
        return plot;
    }

    // Six memory series named s1 .. s6.
    static void AddSix(BoxFrame& set) {
        for (int i = 1; i <= 6; ++i) AddMemory(set, ("s" + std::to_string(i)).c_str());
    }

    static std::string Names(const BoxFrame& set) {
        std::string s;
        for (const TPlot* p : set.PlotList) s += std::string(p->DataFileName) + " ";
        return s;
    }

    static std::vector<QString> Lines(TPlotManageDialog& dlg) {
        std::vector<QString> out;
        for (int i = 0; i < dlg.List->GetCount(); ++i) out.push_back(dlg.List->GetString(i));
        return out;
    }

    // The selection as the user leaves it: these lines selected, the caret on one.
    static void Select(TPlotManageDialog& dlg, std::vector<int> lines, int caret) {
        dlg.List->SetSel(-1, false);
        dlg.List->SetCaretIndex(caret);
        for (int line : lines) dlg.List->SetSel(line, true);
        dlg.EvListSelChange();
    }

    static double FirstX(const TPlot* p) { return p->XData.GetItemsInContainer() ? p->XData[0].Value : -1; }
    static double FirstY(const TPlot* p) { return p->YData.GetItemsInContainer() ? p->YData[0].Value : -1; }
    static int Rows(const TPlot* p) { return p->XData.GetItemsInContainer(); }

    QTemporaryDir dir_;
};

// ---- the list and the caret line

TEST_F(DataManagerTest, ListsEverySeriesAndShowsTheCaretLinesFolderAndSample) {
    BoxFrame set;
    for (int i = 1; i <= 10; ++i) AddMemory(set, ("m" + std::to_string(i)).c_str());
    AddMemory(set, "Fitted curve : y=a+b*x");
    TPlot* run = AddFile(set, "D:\\data\\run1.dat");
    run->Style.LineColor = RGB(255, 0, 0);

    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾃﾞｰﾀﾏﾈｰｼﾞｬ"));
    const std::vector<QString> lines = Lines(dlg);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], QStringLiteral("001 : m1"));
    EXPECT_EQ(lines[10], QStringLiteral("011 : Fitted curve : y=a+b*x"));
    EXPECT_EQ(lines[11], QStringLiteral("012 : run1.dat"));
    // The first line has the caret when the dialog opens, and is selected.
    EXPECT_EQ(dlg.List->GetCaretIndex(), 0);
    EXPECT_EQ(dlg.List->GetSelIndexes(), std::vector<int>{0});
    EXPECT_EQ(dlg.ItemText(102), QString());
    EXPECT_FALSE(dlg.IsControlEnabled(110));
    EXPECT_FALSE(dlg.IsControlEnabled(114));

    Select(dlg, {11}, 11);
    EXPECT_EQ(dlg.ItemText(102), QStringLiteral("D:\\data\\"));
    EXPECT_TRUE(dlg.IsControlEnabled(110));
    EXPECT_TRUE(dlg.IsControlEnabled(114));
    ASSERT_EQ(dlg.Sample->HasStyle, 1);
    EXPECT_EQ(dlg.Sample->SampleStyle->LineColor, RGB(255, 0, 0));

    // With several lines selected the caret line is still the one shown.
    Select(dlg, {0, 11}, 10);
    EXPECT_EQ(dlg.ItemText(102), QString());
    EXPECT_FALSE(dlg.IsControlEnabled(110));
}

TEST_F(DataManagerTest, AnEmptyAxisSetShowsNothingAndEveryCommandDoesNothing) {
    BoxFrame set;
    kv::ScriptedMessageBoxes boxes;
    kv::ScriptedFolderDialogs folders;
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.List->GetCount(), 0);
    EXPECT_EQ(dlg.ItemText(102), QString());
    EXPECT_EQ(dlg.Sample->HasStyle, 0);
    for (int id : {103, 105, 106, 107, 108, 111, 112, 113, 114, 115, 116, 1, 110})
        kvtest::Click(dlg, id);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(folders.Shown().empty());
    EXPECT_FALSE(dlg.IsClosed());
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 0);
}

// ---- delete, drawing order, duplicate

TEST_F(DataManagerTest, DeleteAsksThenRemovesFromTheHighestAndRenumbersTexts) {
    BoxFrame set;
    AddSix(set);
    auto* text = new TText;
    text->String = "%d002 %d005 %d006";
    set.TextList.Add(text);

    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    {
        kv::ScriptedMessageBoxes boxes({IDCANCEL});
        Select(dlg, {1, 4}, 4);
        kvtest::Click(dlg, 103);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kMsg36);
        EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
        EXPECT_EQ(Names(set), "s1 s2 s3 s4 s5 s6 ");
    }
    kv::ScriptedMessageBoxes boxes({IDOK});
    kvtest::Click(dlg, 103);
    EXPECT_EQ(Names(set), "s1 s3 s4 s6 ");
    EXPECT_EQ(text->String, "***** ***** %d004");
    EXPECT_EQ(Lines(dlg), (std::vector<QString>{"001 : s1", "002 : s3", "003 : s4", "004 : s6"}));

    // Deleting everything leaves an empty list; the caret line's buttons keep their state.
    Select(dlg, {0, 1, 2, 3}, 3);
    dlg.EnableControl(110, true);
    kvtest::Click(dlg, 103);
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 0);
    EXPECT_EQ(dlg.List->GetCount(), 0);
    EXPECT_EQ(dlg.Sample->HasStyle, 0);
    EXPECT_TRUE(dlg.IsControlEnabled(110));
}

TEST_F(DataManagerTest, DrawingOrderMovesTheCaretSeriesAndTheSelectionFollowsIt) {
    struct Case {
        const char* what;
        int button;
        std::vector<int> selected;
        int caret;
        const char* order;
        int caretAfter;
    };
    const Case cases[] = {
        {"top", 105, {0, 2, 3}, 3, "s1 s2 s3 s5 s6 s4 ", 5},
        {"up", 106, {1}, 1, "s1 s3 s2 s4 s5 s6 ", 2},
        {"up on the last line", 106, {5}, 5, "s1 s2 s3 s4 s5 s6 ", 5},
        {"down", 107, {3}, 3, "s1 s2 s4 s3 s5 s6 ", 2},
        {"down on the first line", 107, {0}, 0, "s1 s2 s3 s4 s5 s6 ", 0},
        {"bottom", 108, {4}, 4, "s5 s1 s2 s3 s4 s6 ", 0},
        // The caret line is the one that moves, whatever else is selected.
        {"caret outside the selection", 108, {0}, 2, "s3 s1 s2 s4 s5 s6 ", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BoxFrame set;
        AddSix(set);
        auto* text = new TText;
        text->String = "%p001 %p006";
        set.TextList.Add(text);
        TPlotManageDialog dlg(nullptr, &set, "");
        ASSERT_TRUE(dlg.Create());
        Select(dlg, c.selected, c.caret);
        kvtest::Click(dlg, c.button);
        EXPECT_EQ(Names(set), c.order);
        EXPECT_EQ(dlg.List->GetCaretIndex(), c.caretAfter);
        EXPECT_EQ(dlg.List->GetSelIndexes(), std::vector<int>{c.caretAfter});
        EXPECT_EQ(dlg.Sample->SampleStyle.get() != nullptr, true);
        // Texts follow their series to the new numbers.
        int s1 = 0, s6 = 0;
        for (int n = 1; n <= 6; ++n) {
            if (std::string(set.PlotList[n]->DataFileName) == "s1") s1 = n;
            if (std::string(set.PlotList[n]->DataFileName) == "s6") s6 = n;
        }
        char expected[32];
        std::snprintf(expected, sizeof expected, "%%p%03d %%p%03d", s1, s6);
        EXPECT_EQ(text->String, expected);
    }

    // Without a selection nothing moves.
    BoxFrame set;
    AddSix(set);
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {}, 2);
    for (int id : {105, 106, 107, 108}) kvtest::Click(dlg, id);
    EXPECT_EQ(Names(set), "s1 s2 s3 s4 s5 s6 ");
}

TEST_F(DataManagerTest, DuplicateAppendsCopiesAndSelectsTheSameLinesAgain) {
    BoxFrame set;
    AddSix(set);
    set.PlotList[5]->Style.MarkerStyle = 4;
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {1, 4}, 4);
    kvtest::Click(dlg, 115);
    EXPECT_EQ(Names(set), "s1 s2 s3 s4 s5 s6 s2 s5 ");
    EXPECT_EQ(set.PlotList[8]->Style.MarkerStyle, 4);
    EXPECT_EQ(set.PlotList[8]->XData.GetItemsInContainer(), 3);
    EXPECT_EQ(dlg.List->GetCount(), 8);
    EXPECT_EQ(dlg.List->GetSelIndexes(), (std::vector<int>{1, 4}));
    EXPECT_EQ(dlg.List->GetCaretIndex(), 4);
}

TEST_F(DataManagerTest, DuplicateIntoAFullAxisSetIsRefusedWithAMessage) {
    BoxFrame set;
    for (int i = 1; i <= MaxPlotCount; ++i) AddMemory(set, "m", 0);
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    kv::ScriptedMessageBoxes boxes;
    Select(dlg, {0, 998}, 998);
    kvtest::Click(dlg, 115);
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), MaxPlotCount);
    EXPECT_EQ(dlg.List->GetCount(), MaxPlotCount);
    EXPECT_EQ(dlg.List->GetString(998), QStringLiteral("999 : m"));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kMsg1180);

    // Every line selected: the list reports them all, the last one included.
    kvtest::Click(dlg, 111);
    EXPECT_EQ(dlg.List->GetSelCount(), MaxPlotCount);
    kvtest::Click(dlg, 112);
    EXPECT_EQ(dlg.List->GetSelCount(), 0);
}

TEST_F(DataManagerTest, InformationEditsTheTextOfTheOneSelectedSeries) {
    BoxFrame set;
    AddSix(set);
    set.PlotList[3]->Info = "old";
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());

    // Two lines selected: nothing opens.
    Select(dlg, {1, 2}, 2);
    kvtest::Click(dlg, 113);

    Select(dlg, {2}, 2);
    QString shown;
    kvtest::OnNextModal([&](QWidget* w) {
        auto* info = dynamic_cast<TInfoDialog*>(w);
        ASSERT_NE(info, nullptr);
        shown = info->ItemText(101);
        info->SetItemText(101, QStringLiteral("測定 3"));
        kvtest::Click(*info, IDCANCEL);
    });
    kvtest::Click(dlg, 113);
    EXPECT_EQ(shown, QStringLiteral("old"));
    EXPECT_EQ(set.PlotList[3]->Info, kv::ToDoc(QStringLiteral("測定 3")));
}

// ---- styling

TEST_F(DataManagerTest, OneSeriesIsStyledOnACopySoCancelKeepsIt) {
    BoxFrame set;
    AddSix(set);
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {2}, 2);

    // The centre dot box changes the style it edits at once; Cancel must not keep it.
    kvtest::OnNextModal([](QWidget* w) {
        auto* plot = dynamic_cast<TPlotDialog*>(w);
        ASSERT_NE(plot, nullptr);
        EXPECT_EQ(plot->windowTitle(), QStringLiteral("s3"));  // the series' name
        kvtest::Click(*plot, 123);
        kvtest::Click(*plot, IDCANCEL);
    });
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(set.PlotList[3]->Style.MarkerCenterDot, 0);
    EXPECT_FALSE(dlg.IsClosed());

    set.PlotList[3]->Style.MaskRows = "";
    kvtest::OnNextModal([](QWidget* w) {
        auto* plot = dynamic_cast<TPlotDialog*>(w);
        ASSERT_NE(plot, nullptr);
        kvtest::Click(*plot, 123);
        plot->SetItemText(101, QStringLiteral("2"));
        kvtest::Click(*plot, IDOK);
    });
    kvtest::Click(dlg, IDOK);
    const TPlot* s3 = set.PlotList[3];
    EXPECT_EQ(s3->Style.MarkerCenterDot, 1);
    EXPECT_EQ(s3->Style.MaskRows, "2");
    EXPECT_EQ(s3->XData[1].Flag, DataFlagMasked);
    EXPECT_EQ(dlg.Sample->SampleStyle->MarkerCenterDot, 1);
    EXPECT_EQ(set.PlotList[2]->Style.MarkerCenterDot, 0);
}

TEST_F(DataManagerTest, SeveralSeriesGetOnlyTheChosenAttributes) {
    BoxFrame set;
    AddSix(set);
    for (int i = 0; i < 7; ++i) set.PlotList[2]->AddX(TDataElement(10 + i));  // 10 rows
    TPlot* s2 = set.PlotList[2];
    TPlot* s5 = set.PlotList[5];
    s2->Style.LineColor = RGB(1, 2, 3);
    s2->Style.LineInterpolatePara = 7;
    s5->Style.LineColor = RGB(9, 9, 9);
    s5->Style.MarkerStyle = 5;
    s5->Style.LineInterpolatePara = 40;
    s5->Style.IsShown = 0;
    const TPlotStyle s5Before = s5->Style;

    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {1, 4}, 4);
    bool itemsOpened = false, styleOpened = false;
    kvtest::OnNextModal([&](QWidget* w) {
        auto* items = dynamic_cast<TPlotStyleItemDialog*>(w);
        ASSERT_NE(items, nullptr);
        itemsOpened = true;
        kvtest::Click(*items, 121);  // clear all
        for (int box : {110, 112, 125}) items->CheckItem(box, BF_CHECKED);  // colour, connection, mask
        kvtest::OnNextModal([&](QWidget* w2) {
            auto* plot = dynamic_cast<TPlotDialog*>(w2);
            ASSERT_NE(plot, nullptr);
            styleOpened = true;
            // The dialog shows the first selected series with the unchosen controls off.
            EXPECT_EQ(plot->windowTitle(), QStringLiteral("s2"));
            EXPECT_FALSE(plot->IsControlEnabled(118));
            EXPECT_FALSE(plot->IsControlEnabled(129));
            plot->Control<PComboBox>(117)->SetSelIndex(2);
            plot->SetItemText(101, QStringLiteral("5"));
            plot->Control<PComboBox>(118)->SetSelIndex(3);  // disabled: not copied
            kvtest::Click(*plot, IDOK);
        });
        kvtest::Click(*items, IDOK);
    });
    kvtest::Click(dlg, IDOK);
    ASSERT_TRUE(itemsOpened);
    ASSERT_TRUE(styleOpened);

    for (const TPlot* p : {s2, s5}) {
        EXPECT_EQ(p->Style.LineColor, RGB(1, 2, 3));
        EXPECT_EQ(p->Style.LineInterpolate, 2);
        EXPECT_EQ(p->Style.MaskRows, "5");
    }
    // Each keeps its own divisions, marker and shown switch.
    EXPECT_EQ(s2->Style.LineInterpolatePara, 7);
    EXPECT_EQ(s5->Style.LineInterpolatePara, 40);
    EXPECT_EQ(s5->Style.MarkerStyle, 5);
    EXPECT_EQ(s5->Style.IsShown, 0);
    EXPECT_EQ(s5->Style.LineWidth, s5Before.LineWidth);
    // Row 5 exists in series 2 only; series 5 (three rows) keeps the list unapplied.
    EXPECT_EQ(s2->XData[4].Flag, DataFlagMasked);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(s5->XData[r].Flag, 0);
    EXPECT_EQ(set.PlotList[1]->Style.LineInterpolate, 0);
    EXPECT_EQ(PlotStyleItems[PlotStyleItem::LineColor], 1);
    EXPECT_EQ(PlotStyleItems[PlotStyleItem::MarkerStyle], 0);
}

TEST_F(DataManagerTest, CopyPlotStyleItemsWithNothingChosenCopiesNothing) {
    TPlotStyle from, to;
    from.LineColor = 5;
    from.XFormula = "x*2";
    from.IsXFormula = 1;
    from.LineInterpolate = 3;
    from.LineInterpolatePara = 50;
    from.IsShown = 0;
    BYTE none[PlotStyleItemCount] = {};
    CopyPlotStyleItems(from, to, none);
    EXPECT_EQ(to.LineColor, 0u);
    EXPECT_EQ(to.XFormula, "");
    BYTE all[PlotStyleItemCount];
    std::fill(std::begin(all), std::end(all), BYTE(1));
    CopyPlotStyleItems(from, to, all);
    EXPECT_EQ(to.LineColor, 5u);
    EXPECT_EQ(to.XFormula, "x*2");
    EXPECT_EQ(to.IsXFormula, 1);
    EXPECT_EQ(to.LineInterpolate, 3);
    EXPECT_EQ(to.LineInterpolatePara, 20);
    EXPECT_EQ(to.IsShown, 1);
}

// Each entry of the choice arrays, chosen alone, copies exactly its own fields: the
// entries are numbered as the choice dialogs' boxes, so a shifted entry would copy
// a neighbour's attribute to every selected series.
TEST_F(DataManagerTest, EachChosenEntryCopiesExactlyItsOwnFields) {
    auto styleText = [](const TPlotStyle& s) {
        return kv::Format("%d %d %s %d %s %d %d %u %d %d %d %d %d %u %u %d %d %d %d %d %g %d %s",
                          s.IsShown, s.IsXFormula, s.XFormula.c_str(), s.IsYFormula,
                          s.YFormula.c_str(), s.LineStyle, s.LineWidth, unsigned(s.LineColor),
                          s.LineInterpolate, s.LineInterpolatePara, s.MarkerStyle,
                          s.MarkerCenterDot, s.MarkerSize, unsigned(s.MarkerEdgeColor),
                          unsigned(s.MarkerInsideColor), s.MarkerInsidePaint, s.Clipping,
                          s.RefAxisX, s.RefAxisY, s.NullOutLine, s.BaseValue, s.OutLineWidth,
                          s.MaskRows.c_str());
    };
    TPlotStyle from;
    from.IsShown = 0;
    from.IsXFormula = 1;
    from.XFormula = "x*2";
    from.IsYFormula = 1;
    from.YFormula = "y+1";
    from.LineStyle = 3;
    from.LineWidth = 250;
    from.LineColor = RGB(1, 2, 3);
    from.LineInterpolate = 4;
    from.LineInterpolatePara = 60;
    from.MarkerStyle = 7;
    from.MarkerCenterDot = 1;
    from.MarkerSize = 300;
    from.MarkerEdgeColor = RGB(4, 5, 6);
    from.MarkerInsideColor = RGB(7, 8, 9);
    from.MarkerInsidePaint = 1;
    from.Clipping = 0;
    from.RefAxisX = 0;
    from.RefAxisY = 0;
    from.NullOutLine = 1;
    from.BaseValue = 2.5;
    from.OutLineWidth = 40;
    from.MaskRows = "2-3";
    const std::function<void(TPlotStyle&)> styleEntries[PlotStyleItemCount] = {
        [&](TPlotStyle& s) { s.RefAxisX = from.RefAxisX; },
        [&](TPlotStyle& s) { s.RefAxisY = from.RefAxisY; },
        [&](TPlotStyle& s) { s.Clipping = from.Clipping; },
        [&](TPlotStyle& s) { s.IsXFormula = from.IsXFormula; s.XFormula = from.XFormula; },
        [&](TPlotStyle& s) { s.IsYFormula = from.IsYFormula; s.YFormula = from.YFormula; },
        [&](TPlotStyle& s) { s.LineStyle = from.LineStyle; },
        [&](TPlotStyle& s) { s.LineWidth = from.LineWidth; },
        [&](TPlotStyle& s) { s.LineColor = from.LineColor; },
        [&](TPlotStyle& s) { s.LineInterpolate = from.LineInterpolate; },
        [&](TPlotStyle& s) { s.MarkerStyle = from.MarkerStyle; },
        [&](TPlotStyle& s) { s.MarkerCenterDot = from.MarkerCenterDot; },
        [&](TPlotStyle& s) { s.MarkerInsidePaint = from.MarkerInsidePaint; },
        [&](TPlotStyle& s) { s.MarkerSize = from.MarkerSize; },
        [&](TPlotStyle& s) { s.MarkerEdgeColor = from.MarkerEdgeColor; },
        [&](TPlotStyle& s) { s.MarkerInsideColor = from.MarkerInsideColor; },
        [&](TPlotStyle& s) { s.NullOutLine = from.NullOutLine; },
        [&](TPlotStyle& s) { s.BaseValue = from.BaseValue; },
        [&](TPlotStyle& s) { s.OutLineWidth = from.OutLineWidth; },
        [&](TPlotStyle& s) { s.MaskRows = from.MaskRows; },
    };
    for (int entry = 0; entry < PlotStyleItemCount; ++entry) {
        BYTE items[PlotStyleItemCount] = {};
        items[entry] = 1;
        TPlotStyle to, want;
        CopyPlotStyleItems(from, to, items);
        styleEntries[entry](want);
        EXPECT_EQ(styleText(to), styleText(want)) << "style entry " << entry;
    }

    auto fileText = [](const TPlotFile& f) {
        return kv::Format("%d %d %d %d %d %d %d %d %d %d %d %d %d %s", f.XColumn, f.XMaxColumn,
                          f.XMinColumn, f.YColumn, f.YMaxColumn, f.YMinColumn, f.StartRow,
                          f.EndRow, f.RowSkip, f.CommentMode, f.IsXErrorBar, f.IsYErrorBar,
                          f.SearchMethod, f.ParamColumnSpec.c_str());
    };
    TPlotFile src;
    src.XColumn = 3;
    src.XMaxColumn = 4;
    src.XMinColumn = 5;
    src.YColumn = 6;
    src.YMaxColumn = 7;
    src.YMinColumn = 8;
    src.StartRow = 9;
    src.EndRow = 20;
    src.RowSkip = 2;
    src.CommentMode = 3;
    src.IsXErrorBar = 1;
    src.IsYErrorBar = 1;
    src.SearchMethod = 2;
    src.ParamColumnSpec = "4,5";
    const std::function<void(TPlotFile&)> reloadEntries[ReloadItemCount] = {
        [&](TPlotFile& f) { f.XColumn = src.XColumn; },
        [&](TPlotFile& f) { f.IsXErrorBar = src.IsXErrorBar; },
        [&](TPlotFile& f) { f.XMaxColumn = src.XMaxColumn; f.XMinColumn = src.XMinColumn; },
        [&](TPlotFile& f) { f.YColumn = src.YColumn; },
        [&](TPlotFile& f) { f.IsYErrorBar = src.IsYErrorBar; },
        [&](TPlotFile& f) { f.YMaxColumn = src.YMaxColumn; f.YMinColumn = src.YMinColumn; },
        [&](TPlotFile& f) { f.ParamColumnSpec = src.ParamColumnSpec; },
        [&](TPlotFile& f) { f.StartRow = src.StartRow; },
        [&](TPlotFile& f) { f.EndRow = src.EndRow; },
        [&](TPlotFile& f) { f.RowSkip = src.RowSkip; },
        [&](TPlotFile& f) { f.CommentMode = src.CommentMode; },
        [&](TPlotFile& f) { f.SearchMethod = src.SearchMethod; },
    };
    for (int entry = 0; entry < ReloadItemCount; ++entry) {
        BYTE items[ReloadItemCount] = {};
        items[entry] = 1;
        TPlotFile to, want;
        CopyReloadItems(src, to, items);
        reloadEntries[entry](want);
        EXPECT_EQ(fileText(to), fileText(want)) << "reload entry " << entry;
    }
}

TEST_F(DataManagerTest, TheUserSelectsWithTheMouseEnterStylesAndDoubleClickEditsThatLine) {
    BoxFrame set;
    AddSix(set);
    TPlotManageDialog dlg(nullptr, &set, "");
    const int code = kvtest::RunModal(dlg, [&] {
        auto* list = dlg.List;
        auto click = [&](int line, Qt::KeyboardModifiers mods) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, mods,
                              list->visualItemRect(list->item(line)).center());
        };
        click(1, {});
        click(4, Qt::ControlModifier);
        EXPECT_EQ(list->GetSelIndexes(), (std::vector<int>{1, 4}));
        EXPECT_EQ(list->GetCaretIndex(), 4);

        // Enter runs Style (several series: the item choice first) and stays open.
        bool asked = false;
        kvtest::OnNextModal([&](QWidget* w) {
            asked = dynamic_cast<TPlotStyleItemDialog*>(w) != nullptr;
            kvtest::PressKey(w, Qt::Key_Escape);
        });
        kvtest::PressKey(list, Qt::Key_Return);
        EXPECT_TRUE(asked);
        EXPECT_FALSE(dlg.IsClosed());

        // A double click edits that line's series alone, whatever else is selected.
        click(2, Qt::ControlModifier);
        EXPECT_EQ(list->GetSelIndexes(), (std::vector<int>{1, 2, 4}));
        bool edited = false;
        kvtest::OnNextModal([&](QWidget* w) {
            auto* plot = dynamic_cast<TPlotDialog*>(w);
            ASSERT_NE(plot, nullptr);
            EXPECT_EQ(plot->windowTitle(), QStringLiteral("s3"));
            edited = true;
            plot->CheckItem(122, BF_CHECKED);
            kvtest::Click(*plot, IDOK);
        });
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                           list->visualItemRect(list->item(2)).center());
        EXPECT_TRUE(edited);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    for (int n = 1; n <= 6; ++n) EXPECT_EQ(set.PlotList[n]->Style.MarkerInsidePaint, n == 3 ? 1 : 0) << n;
}

// ---- reloading

TEST_F(DataManagerTest, ReloadOfOneSeriesMayChangeItsFile) {
    const std::string a = Write("a.dat", Rows(1, 10));
    const std::string b = Write("b.dat", Rows(21, 25));
    BoxFrame set;
    TPlot* s1 = AddFile(set, a);
    s1->Style.MaskRows = "1";
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {0}, 0);

    kv::ScriptedFileDialogs files;
    files.Choose({b});
    kvtest::OnNextModal([](QWidget* w) {
        auto* read = dynamic_cast<TDataReadDialog*>(w);
        ASSERT_NE(read, nullptr);
        kvtest::Click(*read, 123);  // change of file
        read->SetItemText(103, QStringLiteral("3"));
        kvtest::Click(*read, IDOK);
    });
    kvtest::Click(dlg, 110);
    EXPECT_EQ(std::string(s1->DataFileName), b);
    EXPECT_EQ(s1->PlotFile.YColumn, 3);
    ASSERT_EQ(Rows(s1), 5);
    EXPECT_EQ(FirstY(s1), 2100);
    EXPECT_EQ(s1->XData[0].Flag, DataFlagMasked);  // the mask applies to the new data
    EXPECT_EQ(dlg.List->GetString(0), QStringLiteral("001 : b.dat"));
    EXPECT_EQ(dlg.List->GetSelIndexes(), std::vector<int>{0});

    // Cancel in the reading dialog changes nothing.
    kvtest::OnNextModal([](QWidget* w) {
        auto* read = dynamic_cast<TDataReadDialog*>(w);
        ASSERT_NE(read, nullptr);
        read->SetItemText(103, QStringLiteral("2"));
        kvtest::Click(*read, IDCANCEL);
    });
    kvtest::Click(dlg, 110);
    EXPECT_EQ(s1->PlotFile.YColumn, 3);
}

TEST_F(DataManagerTest, ReloadOfSeveralCopiesTheChosenSettingsToFileSeriesOnly) {
    const std::string a = Write("a.dat", Rows(1, 10));
    const std::string b = Write("b.dat", Rows(101, 110));
    BoxFrame set;
    TPlot* s1 = AddFile(set, a, 2);
    TPlot* s2 = AddMemory(set, "pasted");
    TPlot* s3 = AddFile(set, b, 3);
    s3->PlotFile.ParamColumnSpec = "1";
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());

    // The first selected line decides: a memory series cannot be read again.
    {
        kv::ScriptedMessageBoxes boxes;
        Select(dlg, {1, 2}, 2);
        kvtest::Click(dlg, 110);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kMsg69);
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        EXPECT_EQ(s3->PlotFile.StartRow, 1);
    }

    Select(dlg, {0, 1, 2}, 2);
    kvtest::OnNextModal([](QWidget* w) {
        auto* items = dynamic_cast<TReloadItemDialog*>(w);
        ASSERT_NE(items, nullptr);
        kvtest::Click(*items, 115);  // clear all
        items->CheckItem(108, BF_CHECKED);  // the first row
        kvtest::OnNextModal([](QWidget* w2) {
            auto* read = dynamic_cast<TDataReadDialog*>(w2);
            ASSERT_NE(read, nullptr);
            EXPECT_EQ(read->windowTitle(), QStringLiteral("a.dat"));
            EXPECT_FALSE(read->IsControlEnabled(103));
            read->SetItemText(104, QStringLiteral("5"));
            kvtest::Click(*read, IDOK);
        });
        kvtest::Click(*items, IDOK);
    });
    kvtest::Click(dlg, 110);
    EXPECT_EQ(s1->PlotFile.StartRow, 5);
    EXPECT_EQ(s3->PlotFile.StartRow, 5);
    EXPECT_EQ(s1->PlotFile.YColumn, 2);
    EXPECT_EQ(s3->PlotFile.YColumn, 3);
    EXPECT_EQ(s3->PlotFile.ParamColumnSpec, "1");
    EXPECT_EQ(FirstY(s1), 50);
    EXPECT_EQ(FirstY(s3), 10500);
    EXPECT_EQ(Rows(s3), 6);
    EXPECT_EQ(Rows(s2), 3);  // the memory series is passed over
    EXPECT_EQ(s2->PlotFile.StartRow, 1);
    // Afterwards the first selected line and the caret line are selected.
    EXPECT_EQ(dlg.List->GetSelIndexes(), (std::vector<int>{0, 2}));
}

TEST_F(DataManagerTest, ASeriesThatCannotBeReadAgainKeepsItsDataAndIsReported) {
    const std::string a = Write("a.dat", Rows(1, 10));
    const std::string b = Write("b.dat", Rows(1, 8));
    const std::string c = Write("c.dat", Rows(1, 6));
    BoxFrame set;
    TPlot* s1 = AddFile(set, a);
    TPlot* s2 = AddFile(set, b);
    TPlot* s3 = AddFile(set, c, 3);
    ASSERT_EQ(Rows(s3), 6);
    QFile::remove(QString::fromStdString(b));
    Write("c.dat", Rows(1, 6, 2));  // the third column has gone

    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {0, 1, 2}, 0);
    kv::ScriptedMessageBoxes boxes;
    kvtest::OnNextModal([](QWidget* w) {
        auto* items = dynamic_cast<TReloadItemDialog*>(w);
        ASSERT_NE(items, nullptr);
        kvtest::Click(*items, 115);
        items->CheckItem(108, BF_CHECKED);
        kvtest::OnNextModal([](QWidget* w2) {
            auto* read = dynamic_cast<TDataReadDialog*>(w2);
            ASSERT_NE(read, nullptr);
            read->SetItemText(104, QStringLiteral("2"));
            kvtest::Click(*read, IDOK);
        });
        kvtest::Click(*items, IDOK);
    });
    kvtest::Click(dlg, 110);
    EXPECT_EQ(Rows(s1), 9);
    // Both failed series keep the data they had, under their new settings.
    EXPECT_EQ(Rows(s2), 8);
    EXPECT_EQ(Rows(s3), 6);
    EXPECT_EQ(FirstY(s3), 100);
    EXPECT_EQ(s3->PlotFile.StartRow, 2);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kMsg35 + "\n" + b + "\n" + c);
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
}

// ---- the data folder

class DataPathTest : public DataManagerTest {
protected:
    void SetUp() override {
        DataManagerTest::SetUp();
        oldA_ = Write("old/a.dat", Rows(1, 3));
        oldB_ = Write("old/b.dat", Rows(1, 3));
        newDir_ = dir_.filePath("new").toStdString();
        Write("new/a.dat", Rows(1, 5));
    }
    std::string oldA_, oldB_, newDir_;
};

TEST_F(DataPathTest, EveryFileFoundTakesTheNewFolderAndIsReadAgain) {
    Write("new/b.dat", Rows(7, 9));
    BoxFrame set;
    TPlot* s1 = AddFile(set, oldA_);
    TPlot* s2 = AddMemory(set, "calc");
    TPlot* s3 = AddFile(set, oldB_);
    s3->PlotFile.YColumn = 3;
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {0, 1, 2}, 2);

    kv::ScriptedFolderDialogs folders;
    folders.Choose(newDir_ + "/");  // a folder given with its separator takes none more
    kvtest::Click(dlg, 116);
    ASSERT_EQ(folders.Shown().size(), 1u);
    EXPECT_EQ(folders.Shown()[0].title, "Change Data Path");
    EXPECT_EQ(folders.Shown()[0].flags, BIF_RETURNONLYFSDIRS);
    EXPECT_EQ(std::string(s1->DataFileName), newDir_ + "/a.dat");
    EXPECT_EQ(std::string(s3->DataFileName), newDir_ + "/b.dat");
    EXPECT_EQ(std::string(s2->DataFileName), "calc");
    EXPECT_EQ(Rows(s1), 5);
    EXPECT_EQ(FirstY(s3), 700);
    EXPECT_EQ(s3->PlotFile.YColumn, 3);
    EXPECT_EQ(dlg.ItemText(102), QString::fromStdString(newDir_ + "/"));
    EXPECT_EQ(dlg.List->GetSelIndexes(), std::vector<int>{2});
}

TEST_F(DataPathTest, AnyMissingFileIsReportedAndNothingChanges) {
    BoxFrame set;
    TPlot* s1 = AddFile(set, oldA_);
    TPlot* s2 = AddFile(set, oldB_);
    // A name stored by another system: only its name and extension count.
    TPlot* s3 = AddMemory(set, "m");
    s3->IsFileData = 1;
    lstrcpynA(s3->DataFileName, "D:\\old\\c.dat", MAX_PATH);
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {0, 1, 2}, 0);

    kv::ScriptedFolderDialogs folders;
    folders.Choose(newDir_);
    QString report;
    kvtest::OnNextModal([&](QWidget* w) {
        auto* info = dynamic_cast<TInfoDialog*>(w);
        ASSERT_NE(info, nullptr);
        report = info->ItemText(101);
        kvtest::PressKey(info, Qt::Key_Escape);
    });
    kvtest::Click(dlg, 116);
    EXPECT_EQ(report.toStdString(), "Cannot find following files!!\r\n------------------------------\r\n" +
                                        oldB_ + "\r\nD:\\old\\c.dat\r\n");
    EXPECT_EQ(std::string(s1->DataFileName), oldA_);
    EXPECT_EQ(std::string(s2->DataFileName), oldB_);
    EXPECT_EQ(Rows(s1), 3);
}

TEST_F(DataPathTest, ANewPathTooLongForTheDocumentIsReportedAndNothingChanges) {
    const QString deep = QStringLiteral("new/") + QString(120, u'd') + u'/' + QString(120, u'e');
    const std::string deepA = Write(deep + QStringLiteral("/a.dat"), Rows(1, 2));
    ASSERT_GE(deepA.size(), std::size_t(MAX_PATH));
    BoxFrame set;
    TPlot* s1 = AddFile(set, oldA_);
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {0}, 0);
    kv::ScriptedFolderDialogs folders;
    folders.Choose(dir_.filePath(deep).toStdString());
    QString report;
    kvtest::OnNextModal([&](QWidget* w) {
        auto* info = dynamic_cast<TInfoDialog*>(w);
        ASSERT_NE(info, nullptr);
        report = info->ItemText(101);
        kvtest::PressKey(info, Qt::Key_Escape);
    });
    kvtest::Click(dlg, 116);
    EXPECT_TRUE(report.startsWith(QStringLiteral("ファイル名が長すぎます。\r\n------"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QString::fromStdString(oldA_)));
    EXPECT_EQ(std::string(s1->DataFileName), oldA_);
}

TEST_F(DataPathTest, NoSelectionShowsNoBrowserAndMemoryOrCancelChangeNothing) {
    BoxFrame set;
    TPlot* s1 = AddMemory(set, "calc");
    TPlot* s2 = AddFile(set, oldA_);
    TPlotManageDialog dlg(nullptr, &set, "");
    ASSERT_TRUE(dlg.Create());
    kv::ScriptedFolderDialogs folders;
    kv::ScriptedMessageBoxes boxes;

    Select(dlg, {}, 0);
    kvtest::Click(dlg, 116);
    EXPECT_TRUE(folders.Shown().empty());

    Select(dlg, {0}, 0);
    folders.Choose(newDir_);
    kvtest::Click(dlg, 116);  // memory only: no report, nothing changes
    EXPECT_EQ(std::string(s1->DataFileName), "calc");

    Select(dlg, {1}, 1);
    folders.Cancel();
    kvtest::Click(dlg, 116);
    EXPECT_EQ(folders.Shown().size(), 2u);
    EXPECT_EQ(std::string(s2->DataFileName), oldA_);
    EXPECT_TRUE(boxes.Shown().empty());
}

// ---- the external editor

TEST_F(DataManagerTest, EditorStartsTheProfilesEditorOnTheOneSelectedFile) {
    const std::string a = Write("a b.dat", Rows(1, 3));
    BoxFrame set;
    AddFile(set, a);
    AddFile(set, dir_.filePath("gone.dat").toStdString());
    TPlot* memory = AddMemory(set, "calc");
    std::vector<std::pair<QString, QStringList>> started;
    auto before = kv::SetDetachedStarter([&](const QString& program, const QStringList& args) {
        started.emplace_back(program, args);
        return program != QStringLiteral("broken");
    });
    kv::ScriptedMessageBoxes boxes;

    TPlotManageDialog dlg(nullptr, &set, "myedit -n");
    ASSERT_TRUE(dlg.Create());
    Select(dlg, {0, 1}, 0);  // two lines: nothing
    kvtest::Click(dlg, 114);
    EXPECT_TRUE(started.empty());

    Select(dlg, {0}, 0);
    kvtest::Click(dlg, 114);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].first, QStringLiteral("myedit"));
    EXPECT_EQ(started[0].second, (QStringList{"-n", QString::fromStdString(a)}));
    EXPECT_TRUE(boxes.Shown().empty());

    // A file that does not open, a memory series, an editor that does not start.
    Select(dlg, {1}, 1);
    kvtest::Click(dlg, 114);
    Select(dlg, {2}, 2);
    EXPECT_FALSE(dlg.IsControlEnabled(114));
    EditDataFile(&dlg, "myedit", memory);
    EditDataFile(&dlg, "", set.PlotList[1]);
    EditDataFile(&dlg, "broken", set.PlotList[1]);
    EXPECT_EQ(started.size(), 2u);
    std::vector<std::string> texts;
    for (const auto& b : boxes.Shown()) {
        texts.push_back(b.text);
        EXPECT_EQ(b.flags, MB_OK | MB_ICONSTOP);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{kMsg27, kMsg41, kMsg1301, kMsg1301}));
    kv::SetDetachedStarter(std::move(before));
}

TEST_F(DataManagerTest, TheChartCommandRunsOnTheCurrentAxisSetAndAlwaysMarksTheGraphModified) {
    const std::string a = Write("a.dat", Rows(1, 3));
    kvtest::FakeChart chart;
    ASSERT_NE(chart.Document.Current, nullptr);
    AddFile(*chart.Document.Current, a);
    lstrcpynA(chart.Settings.Editor, "profile-editor", MAX_PATH);
    chart.Document.Modified = 0;
    QString program;
    auto before = kv::SetDetachedStarter([&](const QString& p, const QStringList&) {
        program = p;
        return true;
    });
    bool cleared = false;
    kvtest::OnNextModal([&](QWidget* w) {
        auto* dlg = dynamic_cast<TPlotManageDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_TRUE(cleared);
        EXPECT_EQ(dlg->List->GetString(0), QStringLiteral("001 : a.dat"));
        kvtest::Click(*dlg, 114);
        kvtest::PressKey(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(RunDataManagerCommandDialog(chart, [&] { cleared = true; }), IDCANCEL);
    EXPECT_EQ(program, QStringLiteral("profile-editor"));
    EXPECT_EQ(chart.Document.Modified, 1);
    kv::SetDetachedStarter(std::move(before));
}

// ---- the folder browser service

TEST(QtFolderDialogService, ChoosesAFolderOrNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("data")));
    kv::FolderDialogRequest request;
    request.title = "Change Data Path";
    request.initialDir = dir.path().toStdString();

    QString title;
    kvtest::OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        title = dlg->windowTitle();
        EXPECT_EQ(dlg->fileMode(), QFileDialog::Directory);
        dlg->setDirectory(dir.filePath(QStringLiteral("data")));
        static_cast<QDialog*>(dlg)->accept();  // QFileDialog::accept, as the Choose button
    });
    kv::FolderDialogResult r = kv::QtFolderDialog(request);
    EXPECT_EQ(title, QStringLiteral("Change Data Path"));
    ASSERT_TRUE(r.chosen);
    EXPECT_EQ(QDir::cleanPath(QString::fromStdString(r.folder)), QDir::cleanPath(dir.filePath("data")));

    kvtest::OnNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    r = kv::QtFolderDialog(request);
    EXPECT_FALSE(r.chosen);
    EXPECT_TRUE(r.folder.empty());
}

}  // namespace
