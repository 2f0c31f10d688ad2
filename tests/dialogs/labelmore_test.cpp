// The label details dialog: points shown for the twips of the position
// adjustment, manual digits enabled by their box, everything stored on OK only.

#include "dialogs/kit/controls.h"
#include "dialogs/labelmore.h"
#include "dialogs/support/driver.h"
#include "model/axes.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

namespace {

TEST(LabelMore, AdjustmentInPointsBothWays) {
    struct Case {
        int stored;
        const char* shown;
        const char* typed;  // null: left alone
        int after;
    };
    const Case cases[] = {
        {250, "12", nullptr, 240}, {-150, "-7", nullptr, -140}, {0, "0", "12", 240},
        {0, "0", "-7", -140},      {19, "0", "abc", 0},         {0, "0", "3.9pt", 60},
    };
    for (const Case& c : cases) {
        AxisUnit axis;
        axis.LabelPositionAdjust = c.stored;
        TLabelMore dlg(nullptr, &axis);
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(dlg.ItemText(102), QString::fromUtf8(c.shown));
        if (c.typed) dlg.SetItemText(102, QString::fromUtf8(c.typed));
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.ReturnValue(), IDOK);
        EXPECT_EQ(axis.LabelPositionAdjust, c.after) << c.stored;
    }
}

TEST(LabelMore, FillsFromTheAxisAndStoresOnOk) {
    AxisUnit axis;  // DecimalPrecision -1, manual off
    axis.LabelSkip = 3;
    axis.LabelAddPlus = 2;  // only 1 ticks
    axis.ZeroCommon = 1;
    axis.IsAutoLabel = 0;
    TLabelMore dlg(nullptr, &axis);
    dlg.Create();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("詳細設定"));
    auto* skip = dlg.Control<PComboBox>(103);
    ASSERT_EQ(skip->GetCount(), 11);
    EXPECT_EQ(skip->GetString(0), QStringLiteral("Auto"));
    EXPECT_EQ(skip->GetString(10), QStringLiteral("10"));
    EXPECT_EQ(skip->GetSelIndex(), 3);
    EXPECT_EQ(dlg.IsItemChecked(101), 0);
    EXPECT_EQ(dlg.IsItemChecked(104), 0);
    EXPECT_EQ(dlg.IsItemChecked(105), 1);
    EXPECT_EQ(dlg.IsItemChecked(107), 0);
    EXPECT_EQ(dlg.ItemText(108), QStringLiteral("1"));
    EXPECT_EQ(dlg.ItemText(109), QStringLiteral("-1"));
    EXPECT_FALSE(dlg.IsControlEnabled(108));
    EXPECT_FALSE(dlg.IsControlEnabled(109));
    kvtest::Click(dlg, 107);  // manual on: the digits can be typed
    EXPECT_TRUE(dlg.IsControlEnabled(108));
    EXPECT_TRUE(dlg.IsControlEnabled(109));
    dlg.SetItemText(108, QStringLiteral("4"));
    dlg.SetItemText(109, QStringLiteral("2"));
    kvtest::Click(dlg, 107);  // off again: the texts stay and are still stored
    EXPECT_FALSE(dlg.IsControlEnabled(108));
    EXPECT_EQ(dlg.ItemText(108), QStringLiteral("4"));
    kvtest::Click(dlg, 101);
    kvtest::Click(dlg, 104);
    kvtest::Click(dlg, 105);
    skip->SetSelIndex(0);
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(axis.IntPrecision, 4);
    EXPECT_EQ(axis.DecimalPrecision, 2);
    EXPECT_EQ(axis.ManualNumPrecision, 0);
    EXPECT_EQ(axis.LabelAddPlus, 1);
    EXPECT_EQ(axis.IsAutoLabel, 1);
    EXPECT_EQ(axis.ZeroCommon, 0);
    EXPECT_EQ(axis.LabelSkip, 0);
}

TEST(LabelMore, CancelAndOutOfRangeValues) {
    AxisUnit axis;
    axis.LabelSkip = 12;  // beyond the list (a damaged file): kept
    axis.LabelPositionAdjust = 40;
    {
        TLabelMore dlg(nullptr, &axis);
        const int code = kvtest::RunModal(dlg, [&] {
            kvtest::Click(dlg, 107);
            dlg.SetItemText(102, QStringLiteral("9"));
            kvtest::Click(dlg, IDCANCEL);
        });
        EXPECT_EQ(code, IDCANCEL);
        EXPECT_EQ(axis.ManualNumPrecision, 0);
        EXPECT_EQ(axis.LabelPositionAdjust, 40);
    }
    kv::ScriptedMessageBoxes boxes;
    TLabelMore dlg(nullptr, &axis);
    dlg.Create();
    EXPECT_EQ(dlg.Control<PComboBox>(103)->GetSelIndex(), CB_ERR);
    // Twips beyond an int are refused instead of wrapping around.
    dlg.SetItemText(102, QStringLiteral("107374183"));
    kvtest::Click(dlg, IDOK);
    EXPECT_FALSE(dlg.IsClosed());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "数値が大きすぎます。");
    EXPECT_EQ(axis.LabelPositionAdjust, 40);
    dlg.SetItemText(102, QStringLiteral("107374182"));
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(axis.LabelPositionAdjust, 2147483640);
    EXPECT_EQ(axis.LabelSkip, 12);
}

}  // namespace
