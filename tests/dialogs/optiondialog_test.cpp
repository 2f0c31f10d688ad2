// The environment options: filled from the chart window's settings, the checks of
// OK in order, the settings written on OK only, the data drive list.

#include "dialogs/kit/controls.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/optiondialog.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "model/datafile.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string kBadHandle = "不正なハンドルサイズです。";
const std::string kBadMargin = "不正なオートスケールマージンです。";
const std::string kTooLarge = "数値が大きすぎます。";

struct OptionDialogTest : ::testing::Test {
    void SetUp() override {
        chart.Settings.HandleSizeSetting = 7;
        chart.Settings.AutoScaleMargin = 12;
        chart.Settings.DataHitAlgorithm = 2;
        chart.SetDataDrive("e:");
        lstrcpynA(chart.Settings.Editor, "notepad.exe", MAX_PATH);
        chart.Settings.ReloadDataBeforePlot = 1;
        chart.Settings.WMFMargin = 62;
        chart.Settings.DataPrecision = 1;
    }
    void TearDown() override { ::SetDataDrive("A:"); }
    kvtest::FakeChart chart;
};

TEST_F(OptionDialogTest, FillsItsControlsFromTheSettings) {
    TOptionDialog dlg(&chart);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("環境設定"));
    EXPECT_EQ(dlg.ResourceId(), 20);
    EXPECT_EQ(dlg.ItemText(101), QStringLiteral("7"));
    EXPECT_EQ(dlg.ItemText(107), QStringLiteral("12"));
    auto* hit = dlg.Control<PComboBox>(103);
    ASSERT_EQ(hit->GetCount(), 4);
    EXPECT_EQ(hit->GetString(3), QStringLiteral("no search"));
    EXPECT_EQ(hit->GetSelIndex(), 2);
    auto* drive = dlg.Control<PComboBox>(102);
    ASSERT_EQ(drive->GetCount(), 26);
    EXPECT_EQ(drive->GetString(25), QStringLiteral("Z:"));
    EXPECT_EQ(drive->GetSelIndex(), 4);  // "e:" finds E:
    EXPECT_EQ(dlg.ItemText(105), QStringLiteral("notepad.exe"));
    EXPECT_EQ(dlg.IsItemChecked(106), 1);
    EXPECT_EQ(dlg.ItemText(104), QStringLiteral("15"));  // 62 twips
    auto* precision = dlg.Control<PComboBox>(108);
    ASSERT_EQ(precision->GetCount(), 2);
    EXPECT_EQ(precision->GetSelIndex(), 1);

    // Values outside the lists select nothing, and OK keeps them.
    chart.Settings.DataHitAlgorithm = 4;
    chart.Settings.DataPrecision = -1;
    TOptionDialog odd(&chart);
    odd.Create();
    EXPECT_EQ(odd.Control<PComboBox>(103)->GetSelIndex(), CB_ERR);
    EXPECT_EQ(odd.Control<PComboBox>(108)->GetSelIndex(), CB_ERR);
    kvtest::Click(odd, IDOK);
    ASSERT_EQ(odd.ReturnValue(), IDOK);
    EXPECT_EQ(chart.Settings.DataHitAlgorithm, 4);
    EXPECT_EQ(chart.Settings.DataPrecision, -1);
}

TEST_F(OptionDialogTest, ChecksHandleSizeThenMarginAndStoresNothingOnFailure) {
    struct Case {
        const char* handle;
        const char* margin;
        const char* wmf;
        const std::string* message;  // null: accepted
    };
    const Case cases[] = {
        {"0", "101", "15", &kBadHandle},   {"abc", "10", "15", &kBadHandle},
        {"-1", "10", "15", &kBadHandle},   {"10000", "10", "15", &kBadHandle},
        {"99999999999", "10", "15", &kBadHandle},
        {"50", "101", "15", &kBadMargin},  {"50", "-1", "15", &kBadMargin},
        {"50", "x", "15", nullptr},        {"9999", "100", "15", nullptr},
        {"1", "0", "-5", nullptr},         {"1", "0", "536870912", &kTooLarge},
        {"1", "0", "-536870912", nullptr},
    };
    for (const Case& c : cases) {
        SetUp();
        kv::ScriptedMessageBoxes boxes;
        TOptionDialog dlg(&chart);
        dlg.Create();
        dlg.SetItemText(101, QString::fromUtf8(c.handle));
        dlg.SetItemText(107, QString::fromUtf8(c.margin));
        dlg.SetItemText(104, QString::fromUtf8(c.wmf));
        dlg.Control<PComboBox>(103)->SetSelIndex(0);
        kvtest::Click(dlg, IDOK);
        const std::string label = std::string(c.handle) + "/" + c.margin + "/" + c.wmf;
        if (c.message) {
            EXPECT_FALSE(dlg.IsClosed()) << label;
            ASSERT_EQ(boxes.Shown().size(), 1u) << label;
            EXPECT_EQ(boxes.Shown()[0].text, *c.message) << label;
            EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
            EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
            EXPECT_EQ(chart.Settings.HandleSizeSetting, 7) << label;
            EXPECT_EQ(chart.Settings.DataHitAlgorithm, 2) << label;
            EXPECT_EQ(chart.Settings.WMFMargin, 62) << label;
        } else {
            EXPECT_EQ(dlg.ReturnValue(), IDOK) << label;
            EXPECT_TRUE(boxes.Shown().empty()) << label;
            EXPECT_EQ(chart.Settings.HandleSizeSetting, kv::ReadInt(QString::fromUtf8(c.handle)));
            EXPECT_EQ(chart.Settings.AutoScaleMargin, kv::ReadInt(QString::fromUtf8(c.margin)));
            EXPECT_EQ(chart.Settings.WMFMargin, kv::ReadInt(QString::fromUtf8(c.wmf)) * 4);
            EXPECT_EQ(chart.Settings.DataHitAlgorithm, 0);
        }
    }
}

TEST_F(OptionDialogTest, OkWritesTheSettingsAndCancelNone) {
    {
        TOptionDialog dlg(&chart);
        const int code = kvtest::RunModal(dlg, [&] {
            dlg.SetItemText(101, QStringLiteral("x"));
            kv::ScriptedMessageBoxes boxes;
            kvtest::Click(dlg, IDOK);  // refused
            EXPECT_EQ(boxes.Shown().size(), 1u);
            dlg.SetItemText(104, QStringLiteral("40"));
            kvtest::Click(dlg, IDCANCEL);
        });
        EXPECT_EQ(code, IDCANCEL);
        EXPECT_EQ(chart.Settings.WMFMargin, 62);
        EXPECT_EQ(chart.Settings.HandleSizeSetting, 7);
    }
    TOptionDialog dlg(&chart);
    dlg.Create();
    dlg.Control<PComboBox>(102)->SetSelIndex(3);
    dlg.SetItemDocText(105, "C:\\tools\\ed.exe -n");
    dlg.CheckItem(106, BF_UNCHECKED);
    dlg.Control<PComboBox>(108)->SetSelIndex(0);
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_STREQ(chart.Settings.DataDrive, "D:");
    EXPECT_STREQ(GetDataDrive(), "D:");  // what the reader puts before a path
    EXPECT_STREQ(chart.Settings.Editor, "C:\\tools\\ed.exe -n");
    EXPECT_EQ(chart.Settings.ReloadDataBeforePlot, 0);
    EXPECT_EQ(chart.Settings.WMFMargin, 60);  // 62 shown as 15, back as 60
    EXPECT_EQ(chart.Settings.DataPrecision, 0);
    // The host makes its read-out formats again once the precision is stored.
    EXPECT_EQ(chart.ReadoutPrecisions, (std::vector<int>{0}));
}

TEST_F(OptionDialogTest, ADriveNoEntryMatchesIsKeptAsItIs) {
    for (const char* drive : {"", "1:"}) {
        chart.SetDataDrive(drive);
        TOptionDialog dlg(&chart);
        dlg.Create();
        EXPECT_EQ(dlg.Control<PComboBox>(102)->GetSelIndex(), CB_ERR) << drive;
        kvtest::Click(dlg, IDOK);
        EXPECT_STREQ(chart.Settings.DataDrive, drive);
        EXPECT_STREQ(GetDataDrive(), drive);
    }
}

TEST_F(OptionDialogTest, ALongEditorCommandIsCutOnACharacterBoundary) {
    // 258 bytes of ASCII then a double-byte character: 260 bytes do not fit.
    const std::string doubleByte = "\x82\xa0";  // "あ"
    std::string typed(258, 'a');
    typed += doubleByte;
    TOptionDialog dlg(&chart);
    dlg.Create();
    dlg.SetItemDocText(105, typed);
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_EQ(std::strlen(chart.Settings.Editor), 258u);

    typed = std::string(257, 'b') + doubleByte + "c";
    TOptionDialog again(&chart);
    again.Create();
    again.SetItemDocText(105, typed);
    kvtest::Click(again, IDOK);
    EXPECT_EQ(std::string(chart.Settings.Editor), std::string(257, 'b') + doubleByte);
}

TEST(OptionDialog, WithoutAChartWindowItClosesAtOnce) {
    TOptionDialog dlg(nullptr);
    EXPECT_FALSE(dlg.Create());
    EXPECT_EQ(dlg.ReturnValue(), IDCANCEL);
}

}  // namespace
