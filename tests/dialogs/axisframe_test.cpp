// The frame dialog (millimetres shown, twips kept) and the base-size dialog
// (fifths of a point shown, twips kept), with their Default buttons.

#include "dialogs/axisframe.h"
#include "dialogs/controls/colorbutton.h"
#include "dialogs/kit/controls.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const std::string kDefaultQuestion = "このスタイルをデフォルトのスタイルとして保存しますか?";
const std::string kMemoryData = "メモリデータが存在します。\nこの形式で保存できません。";
const std::string kTooLarge = "数値が大きすぎます。";

// ---- frame ----

TEST(AxisFrameDialog, ShowsMillimetresWithOneDecimal) {
    Frame f;
    f.FrameType = 1;
    f.OriginX = 2000;   // 35.277... mm
    f.OriginY = 100;    // 1.76 mm: padded to four characters
    f.FrameLengthX = 0;
    f.FrameLengthY = -14400;
    f.FrameBackPaint = 2;  // only 1 ticks
    f.FrameBackColor = RGB(1, 2, 3);
    TAxisFrameDialog dlg(nullptr, &f);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("外枠のｽﾀｲﾙ"));
    EXPECT_EQ(dlg.ResourceId(), 2);
    auto* type = dlg.Control<PComboBox>(101);
    ASSERT_EQ(type->GetCount(), 3);
    EXPECT_EQ(type->GetString(2), QStringLiteral("Independent"));
    EXPECT_EQ(type->GetSelIndex(), 1);
    EXPECT_EQ(dlg.ItemText(102), QStringLiteral("35.3"));
    EXPECT_EQ(dlg.ItemText(103), QStringLiteral(" 1.8"));
    EXPECT_EQ(dlg.ItemText(104), QStringLiteral(" 0.0"));
    EXPECT_EQ(dlg.ItemText(105), QStringLiteral("-254.0"));
    EXPECT_EQ(dlg.IsItemChecked(108), 0);
    EXPECT_EQ(dlg.Control<TColorButton>(109)->GetColor(), RGB(1, 2, 3));
}

TEST(AxisFrameDialog, OkStoresTypedMillimetresAndKeepsHiddenFields) {
    Frame f;
    f.OriginX = 2000;
    f.FrameLineColor = RGB(5, 5, 5);
    f.TickThickRate = 44;
    f.FrameReserved = 7;
    {
        TAxisFrameDialog dlg(nullptr, &f);
        dlg.Create();
        dlg.SetItemText(103, QStringLiteral("abc"));
        dlg.SetItemText(104, QStringLiteral("-10"));
        dlg.SetItemText(105, QStringLiteral("25.4xyz"));
        dlg.Control<PComboBox>(101)->SetSelIndex(2);
        dlg.CheckItem(108, BF_CHECKED);
        dlg.Control<TColorButton>(109)->SetColor(RGB(0, 0, 255));
        kv::ScriptedMessageBoxes boxes;
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.ReturnValue(), IDOK);
        EXPECT_TRUE(boxes.Shown().empty());
    }
    // 35.3 mm read back: the origin snaps to the 0.1 mm grid, 1.26 twips more.
    EXPECT_NEAR(f.OriginX, 2001.2598, 1e-3);
    EXPECT_EQ(f.OriginY, 0.0);
    EXPECT_NEAR(f.FrameLengthX, -566.929, 1e-3);
    EXPECT_NEAR(f.FrameLengthY, 1440.0, 1e-9);
    EXPECT_EQ(f.FrameType, 2);
    EXPECT_EQ(f.FrameBackPaint, 1);
    EXPECT_EQ(f.FrameBackColor, RGB(0, 0, 255));
    EXPECT_EQ(f.FrameLineColor, RGB(5, 5, 5));
    EXPECT_EQ(f.TickThickRate, 44);
    EXPECT_EQ(f.FrameReserved, 7);
    // A second OK leaves the snapped value where it is.
    const double snapped = f.OriginX;
    TAxisFrameDialog again(nullptr, &f);
    again.Create();
    kvtest::Click(again, IDOK);
    EXPECT_EQ(f.OriginX, snapped);
}

TEST(AxisFrameDialog, RefusesANumberBeyondADoubleAndCancelKeepsAll) {
    Frame f;
    f.FrameType = 7;  // outside the list: kept
    const Frame before = f;
    {
        kv::ScriptedMessageBoxes boxes;
        TAxisFrameDialog dlg(nullptr, &f);
        dlg.Create();
        EXPECT_EQ(dlg.Control<PComboBox>(101)->GetSelIndex(), CB_ERR);
        dlg.SetItemText(102, QStringLiteral("12"));
        dlg.SetItemText(105, QStringLiteral("1e400"));
        kvtest::Click(dlg, IDOK);
        EXPECT_FALSE(dlg.IsClosed());
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kTooLarge);
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        EXPECT_EQ(f.OriginX, before.OriginX);
        dlg.SetItemText(105, QStringLiteral("1e300"));
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.ReturnValue(), IDOK);
        EXPECT_EQ(f.FrameType, 7);
    }
    Frame g;
    TAxisFrameDialog dlg(nullptr, &g);
    const int code = kvtest::RunModal(dlg, [&] {
        dlg.SetItemText(102, QStringLiteral("99"));
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(g.OriginX, 100.0);
}

TEST(AxisFrameDialog, DefaultStoresTheShownFieldsIntoTheChartWindow) {
    kvtest::FakeChart chart;
    Frame* d = &chart.Defaults.DefaultFrame;
    d->FrameLineColor = RGB(7, 7, 7);
    d->TickThickRate = 33;
    Frame f;
    TAxisFrameDialog dlg(&chart, &f);
    dlg.Create();
    dlg.SetItemText(102, QStringLiteral("25.4"));
    dlg.SetItemText(104, QStringLiteral("50.8"));
    dlg.Control<PComboBox>(101)->SetSelIndex(1);
    dlg.CheckItem(108, BF_CHECKED);
    dlg.Control<TColorButton>(109)->SetColor(RGB(0, 255, 0));
    {
        kv::ScriptedMessageBoxes boxes({IDCANCEL});
        kvtest::Click(dlg, 107);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kDefaultQuestion);
        EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
        EXPECT_EQ(d->OriginX, 100.0);
    }
    kv::ScriptedMessageBoxes boxes({IDOK});
    kvtest::Click(dlg, 107);
    EXPECT_FALSE(dlg.IsClosed());
    EXPECT_NEAR(d->OriginX, 1440.0, 1e-9);
    EXPECT_NEAR(d->FrameLengthX, 2880.0, 1e-9);
    EXPECT_NEAR(d->OriginY, 102.047, 1e-3);  // " 1.8" read back
    EXPECT_EQ(d->FrameType, 1);
    EXPECT_EQ(d->FrameBackPaint, 1);
    EXPECT_EQ(d->FrameBackColor, RGB(0, 255, 0));
    EXPECT_EQ(d->FrameLineColor, RGB(7, 7, 7));
    EXPECT_EQ(d->TickThickRate, 33);
    // The edited frame waits for OK; Cancel after Default keeps it.
    EXPECT_EQ(f.OriginX, 100.0);
    kvtest::Click(dlg, IDCANCEL);
    EXPECT_EQ(f.OriginX, 100.0);
    EXPECT_NEAR(d->OriginX, 1440.0, 1e-9);
}

// ---- base sizes ----

std::unique_ptr<BoxFrame> SetWithSeries(int isFileData) {
    auto set = std::make_unique<BoxFrame>();
    auto plot = std::make_unique<TPlot>();
    plot->IsFileData = isFileData;
    set->PlotList.Add(plot);
    return set;
}

TEST(AxisBaseDialog, ShowsFifthsOfAPointAndStoresTimesFour) {
    BoxFrame set;
    set.Frame.TickThickRate = 30;  // 7.5 fifths: "7"
    set.Frame.TickLengthRate = -30;
    set.Frame.YasenLength = 3;
    set.PaintOrder = 3;
    TAxisBaseDialog dlg(nullptr, &set);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("座標軸の基本設定"));
    EXPECT_EQ(dlg.ItemText(102), QStringLiteral("7"));
    EXPECT_EQ(dlg.ItemText(103), QStringLiteral("-7"));
    EXPECT_EQ(dlg.ItemText(104), QStringLiteral("12"));   // 50
    EXPECT_EQ(dlg.ItemText(107), QStringLiteral("25"));   // 100
    EXPECT_EQ(dlg.ItemText(108), QStringLiteral("0"));
    EXPECT_EQ(dlg.IsItemChecked(110), 0);
    EXPECT_EQ(dlg.IsItemChecked(111) + dlg.IsItemChecked(112), 0);  // neither for 3
    dlg.SetItemText(104, QStringLiteral("12.9"));
    dlg.SetItemText(105, QStringLiteral("x"));
    dlg.CheckItem(110, BF_CHECKED);
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_EQ(set.Frame.TickThickRate, 28);
    EXPECT_EQ(set.Frame.TickLengthRate, -28);
    EXPECT_EQ(set.Frame.MarkerSizeRate, 48);
    EXPECT_EQ(set.Frame.MarkerThickRate, 0);
    EXPECT_EQ(set.Frame.YasenLength, 0);
    EXPECT_EQ(set.IsOnlyParameter, 1);
    EXPECT_EQ(set.PaintOrder, 2);  // nothing ticked stores 2
}

TEST(AxisBaseDialog, ParameterOnlyWithMemoryDataIsRefused) {
    for (int fileData : {0, 1}) {
        auto set = SetWithSeries(fileData);
        kvtest::FakeChart chart;
        chart.Defaults.DefaultIsOnlyParameter = 0;
        TAxisBaseDialog dlg(&chart, set.get());
        dlg.Create();
        dlg.CheckItem(110, BF_CHECKED);
        dlg.SetItemText(102, QStringLiteral("10"));
        kv::ScriptedMessageBoxes boxes({IDOK});
        kvtest::Click(dlg, 109);
        kvtest::Click(dlg, IDOK);
        if (fileData == 0) {
            ASSERT_EQ(boxes.Shown().size(), 2u);
            for (const auto& box : boxes.Shown()) {
                EXPECT_EQ(box.text, kMemoryData);
                EXPECT_EQ(box.caption, "korvida");
                EXPECT_EQ(box.flags, MB_OK | MB_ICONSTOP);
            }
            EXPECT_FALSE(dlg.IsClosed());
            EXPECT_EQ(set->Frame.TickThickRate, 20);
            EXPECT_EQ(set->IsOnlyParameter, 0);
            EXPECT_EQ(chart.Defaults.DefaultIsOnlyParameter, 0);
            EXPECT_EQ(chart.Defaults.DefaultFrame.TickThickRate, 20);
        } else {
            ASSERT_EQ(boxes.Shown().size(), 1u);  // only the Default question
            EXPECT_EQ(boxes.Shown()[0].text, kDefaultQuestion);
            EXPECT_EQ(dlg.ReturnValue(), IDOK);
            EXPECT_EQ(set->IsOnlyParameter, 1);
            EXPECT_EQ(set->PlotList[1]->IsOnlyParameter, 1);  // the series follow
            EXPECT_EQ(set->Frame.TickThickRate, 40);
            EXPECT_EQ(chart.Defaults.DefaultIsOnlyParameter, 1);
        }
    }
}

TEST(AxisBaseDialog, DefaultStoresSizesAndSwitchesOnly) {
    kvtest::FakeChart chart;
    Frame* d = &chart.Defaults.DefaultFrame;
    d->OriginX = 1234;
    d->FrameType = 2;
    BoxFrame set;
    set.PaintOrder = 2;
    TAxisBaseDialog dlg(&chart, &set);
    dlg.Create();
    for (int id = 102; id <= 108; ++id) dlg.SetItemText(id, QString::number(id - 100));
    dlg.CheckItem(111, BF_CHECKED);
    dlg.CheckItem(112, BF_UNCHECKED);
    kv::ScriptedMessageBoxes boxes({IDOK});
    kvtest::Click(dlg, 109);
    EXPECT_FALSE(dlg.IsClosed());
    EXPECT_EQ(d->TickThickRate, 8);
    EXPECT_EQ(d->TickLengthRate, 12);
    EXPECT_EQ(d->MarkerSizeRate, 16);
    EXPECT_EQ(d->MarkerThickRate, 20);
    EXPECT_EQ(d->LineThickRate, 24);
    EXPECT_EQ(d->ZukeiLineRate, 28);
    EXPECT_EQ(d->YasenLength, 32);
    EXPECT_EQ(chart.Defaults.DefaultPaintOrder, 1);
    EXPECT_EQ(d->OriginX, 1234.0);
    EXPECT_EQ(d->FrameType, 2);
    EXPECT_EQ(set.Frame.TickThickRate, 20);  // the set waits for OK
    EXPECT_EQ(set.PaintOrder, 2);
}

TEST(AxisBaseDialog, RefusesSizesWhoseTwipsOverflow) {
    struct Case {
        const char* typed;
        bool ok;
    };
    const Case cases[] = {{"536870911", true}, {"536870912", false}, {"-536870912", true},
                          {"-536870913", false}, {"99999999999", false}};
    for (const Case& c : cases) {
        BoxFrame set;
        kv::ScriptedMessageBoxes boxes;
        TAxisBaseDialog dlg(nullptr, &set);
        dlg.Create();
        dlg.SetItemText(108, QString::fromUtf8(c.typed));
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.IsClosed(), c.ok) << c.typed;
        if (!c.ok) {
            ASSERT_EQ(boxes.Shown().size(), 1u);
            EXPECT_EQ(boxes.Shown()[0].text, kTooLarge);
            EXPECT_EQ(set.Frame.TickThickRate, 20);
        }
    }
}

}  // namespace
