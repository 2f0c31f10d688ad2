// The legend dialog: the series lines (all, or one per distinct plot style), the
// sample of the line last clicked, and the legend string OK writes.

#include "dialogs/controls/plotbutton.h"
#include "dialogs/kit/controls.h"
#include "dialogs/legenddialog.h"
#include "dialogs/support/driver.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "model/text.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QTest>

#include <memory>
#include <string>

namespace {

const std::string kNothingSelected = "データが選択されていません。";

// An axis set whose series i reads "D:\data\run<i>.dat" with line colour i.
std::unique_ptr<BoxFrame> SetWithSeries(int count) {
    auto set = std::make_unique<BoxFrame>();
    for (int i = 1; i <= count; ++i) {
        auto plot = std::make_unique<TPlot>();
        const std::string name = "D:\\data\\run" + std::to_string(i) + ".dat";
        lstrcpynA(plot->DataFileName, name.c_str(), MAX_PATH);
        plot->Style.LineColor = RGB(i, 0, 0);
        set->PlotList.Add(plot);
    }
    return set;
}

QStringList Lines(TLegendDialog& dlg) {
    QStringList out;
    auto* list = dlg.Control<PListBox>(101);
    for (int i = 0; i < list->GetCount(); ++i) out << list->GetString(i);
    return out;
}

// Clicks list line index like the user (each click toggles it).
void ClickLine(TLegendDialog& dlg, int index) {
    auto* list = dlg.Control<PListBox>(101);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(index)).center());
}

TEST(LegendDialog, WithoutSeriesOkShowsTheMessageAndStaysOpen) {
    BoxFrame set;
    TText legend;
    legend.String = "old";
    kv::ScriptedMessageBoxes boxes;
    TLegendDialog dlg(nullptr, &set, &legend);
    const int code = kvtest::RunModal(dlg, [&] {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("凡例の作成"));
        EXPECT_TRUE(Lines(dlg).isEmpty());
        EXPECT_EQ(dlg.IsItemChecked(103), 1);
        kvtest::Click(dlg, IDOK);
        EXPECT_FALSE(dlg.IsClosed());
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kNothingSelected);
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(legend.String, "old");
}

TEST(LegendDialog, DistinctStylesListTheFirstOfEveryGroupUnderItsOwnNumber) {
    auto set = SetWithSeries(4);
    set->PlotList[3]->Style = set->PlotList[1]->Style;  // 3 repeats 1
    set->PlotList[4]->Style = set->PlotList[2]->Style;  // 4 repeats 2
    TText legend;
    TLegendDialog dlg(nullptr, set.get(), &legend);
    dlg.Create();
    EXPECT_EQ(Lines(dlg), (QStringList{"001 : run1.dat", "002 : run2.dat", "003 : run3.dat",
                                       "004 : run4.dat"}));
    dlg.Control<PListBox>(101)->SetSel(0, true);
    kvtest::Click(dlg, 104);
    EXPECT_EQ(Lines(dlg), (QStringList{"001 : run1.dat", "002 : run2.dat"}));
    EXPECT_EQ(dlg.Control<PListBox>(101)->GetSelCount(), 0);  // the selection is lost
    kvtest::Click(dlg, 103);
    EXPECT_EQ(Lines(dlg).size(), 4);

    // Styles differing in one field only are distinct, whatever the field.
    auto differs = SetWithSeries(2);
    TPlotStyle& a = differs->PlotList[1]->Style;
    TPlotStyle& b = differs->PlotList[2]->Style;
    const auto check = [&](auto change) {
        b = a;
        EXPECT_TRUE(SamePlotStyle(a, b));
        change(b);
        EXPECT_FALSE(SamePlotStyle(a, b));
        TLegendDialog d(nullptr, differs.get(), &legend);
        d.Create();
        kvtest::Click(d, 104);
        EXPECT_EQ(Lines(d).size(), 2);
    };
    a.XFormula = "x*2";
    check([](TPlotStyle& s) { s.IsShown = 0; });
    check([](TPlotStyle& s) { s.MaskRows = "1-3"; });
    check([](TPlotStyle& s) { s.XFormula = "X*2"; });
    check([](TPlotStyle& s) { s.BaseValue = -0.5; });
    check([](TPlotStyle& s) { s.LineInterpolatePara = 21; });
}

TEST(LegendDialog, OkWritesOneLinePerSelectedSeriesJoinedByCrLf) {
    auto set = SetWithSeries(12);
    TText legend;
    legend.String = "old";
    legend.LegendLength = 150;
    {
        TLegendDialog dlg(nullptr, set.get(), &legend);
        dlg.Create();
        kvtest::Click(dlg, 105);
        EXPECT_EQ(dlg.Control<PListBox>(101)->GetSelCount(), 12);
        kvtest::Click(dlg, 106);
        EXPECT_EQ(dlg.Control<PListBox>(101)->GetSelCount(), 0);
        dlg.Control<PListBox>(101)->SetSel(0, true);
        dlg.Control<PListBox>(101)->SetSel(2, true);
        dlg.Control<PListBox>(101)->SetSel(11, true);
        kvtest::Click(dlg, IDOK);
        ASSERT_EQ(dlg.ReturnValue(), IDOK);
    }
    EXPECT_EQ(legend.String, "%p001%d001\r\n%p003%d003\r\n%p012%d012");
    EXPECT_EQ(legend.LegendLength, 150);

    // One line: no CR LF; the distinct list keeps each line's own number.
    set->PlotList[2]->Style = set->PlotList[1]->Style;
    TLegendDialog dlg(nullptr, set.get(), &legend);
    dlg.Create();
    kvtest::Click(dlg, 104);
    EXPECT_EQ(dlg.ItemSeriesNumber(1), 3);
    EXPECT_EQ(dlg.ItemSeriesNumber(99), 0);
    dlg.Control<PListBox>(101)->SetSel(1, true);
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(legend.String, "%p003%d003");

    EXPECT_EQ(MakeLegendString({}), "");
    EXPECT_EQ(MakeLegendString({999, 5}), "%p999%d999\r\n%p005%d005");
}

TEST(LegendDialog, TheSampleShowsTheLineLastClicked) {
    auto set = SetWithSeries(3);
    TText legend;
    TLegendDialog dlg(nullptr, set.get(), &legend);
    const int code = kvtest::RunModal(dlg, [&] {
        auto* sample = dlg.Control<TPlotButton>(107);
        ASSERT_NE(sample, nullptr);
        EXPECT_EQ(sample->HasStyle, 0);
        ClickLine(dlg, 1);
        EXPECT_TRUE(dlg.Control<PListBox>(101)->GetSel(1));
        ASSERT_EQ(sample->HasStyle, 1);
        EXPECT_EQ(sample->SampleStyle->LineColor, RGB(2, 0, 0));
        ClickLine(dlg, 2);
        EXPECT_EQ(sample->SampleStyle->LineColor, RGB(3, 0, 0));
        ClickLine(dlg, 1);  // deselected, still shown
        EXPECT_FALSE(dlg.Control<PListBox>(101)->GetSel(1));
        EXPECT_EQ(sample->SampleStyle->LineColor, RGB(2, 0, 0));
        kvtest::Click(dlg, 103);  // a refill keeps the sample
        EXPECT_EQ(sample->HasStyle, 1);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_TRUE(legend.String.empty());
}

}  // namespace
