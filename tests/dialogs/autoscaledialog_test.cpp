// The autoscale and trimming choices: kept for the run, changed by OK only; the
// autoscale of the ticked axes with or without the chart window's margin.

#include "dialogs/autoscaledialog.h"
#include "dialogs/kit/controls.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "model/boxframe.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// An independent frame (no synchronisation between axes) with one series of ten
// points, x from 1 to 10 and y from 1 to 100, against the bottom and left axes.
std::unique_ptr<BoxFrame> SetWithData() {
    auto set = std::make_unique<BoxFrame>();
    set->Frame.FrameType = 2;
    auto plot = kvtest::MakeSampleSeries(10);
    set->PlotList.Add(plot);
    return set;
}

int Ticks(PDialog& dlg, std::initializer_list<int> ids) {
    int mask = 0, bit = 1;
    for (int id : ids) {
        if (dlg.IsItemChecked(id)) mask |= bit;
        bit <<= 1;
    }
    return mask;
}

TEST(AutoscaleDialog, KeepsTheLastChoiceAndScalesTheTickedAxes) {
    ResetAxisChoices();
    kvtest::FakeChart chart;
    chart.Settings.AutoScaleMargin = 10;
    auto set = SetWithData();
    {
        TAutoscaleDialog dlg(&chart, set.get());
        const int code = kvtest::RunModal(dlg, [&] {
            EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ｵｰﾄｽｹｰﾘﾝｸﾞ"));
            EXPECT_EQ(Ticks(dlg, {101, 102, 103, 104, 105}), 0b11111);
            for (int id : {102, 103, 104, 105}) dlg.CheckItem(id, BF_UNCHECKED);
            kvtest::Click(dlg, IDOK);
        });
        ASSERT_EQ(code, IDOK);
    }
    EXPECT_EQ(set->BottomAxis.RangeStart, 1.0);  // the bare data range
    EXPECT_EQ(set->BottomAxis.RangeEnd, 10.0);
    EXPECT_EQ(set->LeftAxis.RangeEnd, 5.0);      // untouched
    EXPECT_EQ(AutoscaleChoice[AutoscaleEntry::X], 1);
    EXPECT_EQ(AutoscaleChoice[AutoscaleEntry::Margin], 0);

    // The next opening shows the last choice; with the margin box the ranges widen
    // by the chart window's margin.
    TAutoscaleDialog dlg(&chart, set.get());
    dlg.Create();
    EXPECT_EQ(Ticks(dlg, {101, 102, 103, 104, 105}), 0b00001);
    dlg.CheckItem(102, BF_CHECKED);
    dlg.CheckItem(105, BF_CHECKED);
    kvtest::Click(dlg, IDOK);
    EXPECT_DOUBLE_EQ(set->BottomAxis.RangeStart, 1.0 - 0.9);
    EXPECT_DOUBLE_EQ(set->BottomAxis.RangeEnd, 10.0 + 0.9);
    EXPECT_DOUBLE_EQ(set->LeftAxis.RangeStart, 1.0 - 9.9);
    EXPECT_DOUBLE_EQ(set->LeftAxis.RangeEnd, 100.0 + 9.9);
}

TEST(AutoscaleDialog, CancelChangesNeitherAxesNorChoice) {
    ResetAxisChoices();
    AutoscaleChoice[AutoscaleEntry::Top] = 0;
    auto set = SetWithData();
    TAutoscaleDialog dlg(nullptr, set.get());
    const int code = kvtest::RunModal(dlg, [&] {
        EXPECT_EQ(Ticks(dlg, {101, 102, 103, 104, 105}), 0b11011);
        dlg.CheckItem(103, BF_CHECKED);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(AutoscaleChoice[AutoscaleEntry::Top], 0);
    EXPECT_EQ(set->BottomAxis.RangeEnd, 5.0);

    // Nothing ticked: OK keeps that choice and scales nothing.
    TAutoscaleDialog none(nullptr, set.get());
    none.Create();
    for (int id : {101, 102, 103, 104, 105}) none.CheckItem(id, BF_UNCHECKED);
    kvtest::Click(none, IDOK);
    EXPECT_EQ(none.ReturnValue(), IDOK);
    for (BYTE b : AutoscaleChoice) EXPECT_EQ(b, 0);
    EXPECT_EQ(set->BottomAxis.RangeEnd, 5.0);
    ResetAxisChoices();
}

TEST(TrimmingDialog, KeepsTheSidesOfTheLastOk) {
    ResetAxisChoices();
    {
        TTrimmingdialog dlg(nullptr);
        const int code = kvtest::RunModal(dlg, [&] {
            EXPECT_EQ(dlg.windowTitle(), QStringLiteral("トリミング"));
            EXPECT_EQ(Ticks(dlg, {101, 102, 103, 104}), 0b1111);
            dlg.CheckItem(103, BF_UNCHECKED);
            dlg.CheckItem(104, BF_UNCHECKED);
            kvtest::Click(dlg, IDOK);
        });
        ASSERT_EQ(code, IDOK);
    }
    EXPECT_EQ(TrimmingSides[TrimmingSide::Bottom], 1);
    EXPECT_EQ(TrimmingSides[TrimmingSide::Left], 1);
    EXPECT_EQ(TrimmingSides[TrimmingSide::Top], 0);
    EXPECT_EQ(TrimmingSides[TrimmingSide::Right], 0);
    TTrimmingdialog again(nullptr);
    again.Create();
    EXPECT_EQ(Ticks(again, {101, 102, 103, 104}), 0b0011);
    again.CheckItem(101, BF_UNCHECKED);
    kvtest::Click(again, IDCANCEL);
    EXPECT_EQ(TrimmingSides[TrimmingSide::Bottom], 1);
    ResetAxisChoices();
}

}  // namespace
