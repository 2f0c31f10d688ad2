// The axis dialog: filled from the axis shown, checks in order with the shown
// axis's messages, the axis list switching with synchronisation, the enabling by
// frame type and axis, OK and Cancel, the Default button, the label font through
// the font chooser and the label details on the working copy.

#include "dialogs/axisdialog.h"
#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/combopercent.h"
#include "dialogs/controls/selectcolor.h"
#include "dialogs/fontchooser.h"
#include "dialogs/kit/controls.h"
#include "dialogs/labelmore.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "model/boxframe.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QTest>

#include <cstring>
#include <map>
#include <set>

namespace {

const std::map<int, std::string> kMessages = {
    {1, "数値範囲->開始値 : 指定範囲が不正です。"},
    {2, "数値範囲->終了値 : 指定範囲が不正です。"},
    {3, "数値範囲->増分 : 指定範囲が不正です。"},
    {4, "数値範囲->交点値 : 指定範囲が不正です。"},
    {5, "軸の制限->開始値 : 指定範囲が不正です。"},
    {6, "軸の制限->終了値 : 指定範囲が不正です。"},
    {7, "数値範囲->開始値 : 非正値は不正です。"},
    {8, "数値範囲->終了値 : 非正値は不正です。"},
    {9, "数値範囲->増分 : 非正値は不正です。"},
    {10, "数値範囲->開始値・終了値 : 不正な順序です。"},
    {11, "軸の制限->開始値･終了値 :不正な順序です。"},
    {12, "目盛の分割数 : 指定範囲が不正です。"},
    {13, "目盛り数 : ｵｰﾊﾞｰﾌﾛｰ"},
};

// The user picks another axis in the list.
void SelectAxis(TAxisDialog& dlg, int axisNo) {
    dlg.Control<PListBox>(101)->SetSelIndex(axisNo - 1);
    dlg.Dispatch(101, LBN_SELCHANGE);
}

// The user picks a scaling.
void SelectScaling(TAxisDialog& dlg, int scaling) {
    dlg.Control<PComboBox>(106)->SetSelIndex(scaling);
    dlg.Dispatch(106, CBN_SELCHANGE);
}

TEST(AxisDialog, OpensOnTheGivenAxisWithItsStoredValues) {
    BoxFrame set;  // Box frame; every axis common
    AxisUnit& r = set.RightAxis;
    r.RangeStart = 2.5;
    r.RangeEnd = 1e20;
    r.RangeInc = 0.1;
    r.CrossPointValue = -1.0 / 3.0;
    r.DispRegionStart = -5;
    r.MinorTickDivision = 4;
    r.Scaling = 3;
    r.LabelFormat = 2;
    r.MajorTickLineStyle = 7;
    r.TickLength = 150;
    r.TickWidth = 33;          // not in the list: typed into the field
    r.TickColor = RGB(0, 0, 255);  // the Y axis's is black: no synchronisation at opening
    r.IsVisible = 2;           // only 1 ticks
    r.TickOutside = 1;
    TAxisDialog dlg(nullptr, &set, AxisNoRight);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("軸のｽﾀｲﾙ"));
    EXPECT_EQ(dlg.ResourceId(), 1);
    auto* axes = dlg.Control<PListBox>(101);
    ASSERT_EQ(axes->GetCount(), 4);
    EXPECT_EQ(axes->GetString(3), QStringLiteral("Right Axis"));
    EXPECT_EQ(axes->GetSelIndex(), 3);
    EXPECT_EQ(dlg.GetShownAxisNo(), AxisNoRight);
    EXPECT_EQ(dlg.Control<PComboBox>(106)->GetString(4), QStringLiteral("Inverse(L)"));
    EXPECT_EQ(dlg.Control<PComboBox>(106)->GetSelIndex(), 3);
    EXPECT_EQ(dlg.Control<PComboBox>(115)->GetSelIndex(), 2);
    EXPECT_EQ(dlg.Control<PComboBox>(126)->GetText(), QStringLiteral("Dash Dot Dot Dash"));
    EXPECT_EQ(dlg.Control<PComboBox>(132)->GetCount(), 8);
    EXPECT_EQ(dlg.ItemText(107), QStringLiteral("2.5"));
    EXPECT_EQ(dlg.ItemText(108), QStringLiteral("1e+20"));
    EXPECT_EQ(dlg.ItemText(109), QStringLiteral("0.1"));
    EXPECT_EQ(dlg.ItemText(112), QStringLiteral("-0.333333333333333"));
    EXPECT_EQ(dlg.ItemText(118), QStringLiteral("-5"));
    EXPECT_EQ(dlg.ItemText(119), QStringLiteral("100"));
    EXPECT_EQ(dlg.ItemText(130), QStringLiteral("4"));
    auto* length = dlg.Control<TComboPercent>(123);
    EXPECT_EQ(length->GetCount(), 11);
    EXPECT_EQ(length->GetText(), QStringLiteral("150%"));
    EXPECT_EQ(dlg.Control<TComboPercent>(124)->GetText(), QStringLiteral("33%"));
    EXPECT_EQ(dlg.Control<TColorButton>(135)->GetColor(), RGB(0, 0, 255));
    EXPECT_EQ(dlg.IsItemChecked(103), 0);
    EXPECT_EQ(dlg.IsItemChecked(104), 1);
    EXPECT_EQ(dlg.IsItemChecked(122), 1);
    // The Y axis is common: the right axis's scale controls are greyed from the start.
    EXPECT_FALSE(dlg.IsControlEnabled(107));
    EXPECT_FALSE(dlg.IsControlEnabled(102));
    // An axis number outside 1 to 4 shows the X axis.
    TAxisDialog other(nullptr, &set, 9);
    other.Create();
    EXPECT_EQ(other.GetShownAxisNo(), AxisNoX);
    EXPECT_EQ(other.Control<PListBox>(101)->GetSelIndex(), 0);
}

struct Fields {
    int scaling = 0;
    const char* start = "0";
    const char* end = "5";
    const char* inc = "1";
    const char* cross = "0";
    const char* regionStart = "0";
    const char* regionEnd = "100";
    const char* division = "1";
};

void Fill(TAxisDialog& dlg, const Fields& f) {
    dlg.Control<PComboBox>(106)->SetSelIndex(f.scaling);  // no notification: the increment stays
    dlg.SetItemText(107, QString::fromUtf8(f.start));
    dlg.SetItemText(108, QString::fromUtf8(f.end));
    dlg.SetItemText(109, QString::fromUtf8(f.inc));
    dlg.SetItemText(112, QString::fromUtf8(f.cross));
    dlg.SetItemText(118, QString::fromUtf8(f.regionStart));
    dlg.SetItemText(119, QString::fromUtf8(f.regionEnd));
    dlg.SetItemText(130, QString::fromUtf8(f.division));
}

TEST(AxisDialog, ChecksTheShownAxisInOrder) {
    struct Case {
        Fields f;
        int message;  // 0: passes
    };
    const Case cases[] = {
        {{0, "1e999"}, 1},
        {{0, "1.7976931348623157e308", "1e400"}, 1},  // the largest double itself
        {{0, "0", "-1e999"}, 2},
        {{0, "0", "5", "1e999", "1e999"}, 3},
        {{0, "0", "5", "1", "1e999"}, 4},
        {{0, "0", "5", "1", "0", "1000"}, 5},
        {{0, "0", "5", "1", "0", "-1000.5", "-2000"}, 5},
        {{0, "0", "5", "1", "0", "-999.9", "999.9"}, 0},
        {{0, "0", "5", "1", "0", "0", "1e3"}, 6},
        {{0, "0", "5", "1", "0", "0", "100", "21"}, 12},
        {{0, "0", "5", "1", "0", "0", "100", "0.5"}, 12},
        {{0, "0", "5", "1", "0", "0", "100", "20"}, 0},
        {{1, "0", "0", "-1", "0", "50", "50", "0"}, 12},  // the division comes first
        {{3, "0", "100", "1"}, 7},
        {{4, "-1", "100", "1"}, 7},
        {{2, "0.5", "0", "1"}, 8},
        {{1, "1", "1000", "0"}, 9},
        {{0, "0", "5", "-2"}, 9},
        {{0, "5", "5", "1"}, 10},
        {{0, "6", "5", "1"}, 10},
        {{0, "0", "5", "1", "0", "50", "50"}, 11},
        {{0, "0", "5", "1", "0", "50.5", "50.2"}, 11},
        // Kept as whole percents this region would be empty (10 to 10).
        {{0, "0", "5", "1", "0", "10.2", "10.7"}, 11},
        {{3, "1", "1000", "1"}, 13},
        {{0, "0", "100.5", "1"}, 13},
        {{0, "0", "100", "1"}, 0},  // exactly 100 steps
        {{4, "1", "1000", "10"}, 0},
        {{1, "1", "1e300", "1"}, 0},  // Log10 and Inverse are not counted
        // The whole text is checked, not its first 29 characters.
        {{0, "                              1e999"}, 1},
    };
    for (const Case& c : cases) {
        BoxFrame set;
        kv::ScriptedMessageBoxes boxes;
        TAxisDialog dlg(nullptr, &set, AxisNoX);
        dlg.Create();
        Fill(dlg, c.f);
        kvtest::Click(dlg, IDOK);
        const std::string label = std::string(c.f.start) + " " + c.f.end + " " + c.f.inc + " " +
                                  c.f.regionStart + " " + c.f.regionEnd + " " + c.f.division;
        if (c.message == 0) {
            EXPECT_EQ(dlg.ReturnValue(), IDOK) << label;
            EXPECT_TRUE(boxes.Shown().empty()) << label;
            continue;
        }
        EXPECT_FALSE(dlg.IsClosed()) << label;
        ASSERT_EQ(boxes.Shown().size(), 1u) << label;
        EXPECT_EQ(boxes.Shown()[0].text, kMessages.at(c.message)) << label;
        EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK);  // no icon
        EXPECT_EQ(set.BottomAxis.RangeEnd, 5.0);
        EXPECT_EQ(set.BottomAxis.DispRegionEnd, 100);
    }
}

TEST(AxisDialog, StoresByTheRulesOfEachControl) {
    BoxFrame set;
    set.Frame.FrameType = 2;  // Independent: nothing synchronised
    set.BottomAxis.LabelFormat = 9;  // beyond the list (a damaged file): kept
    TAxisDialog dlg(nullptr, &set, AxisNoX);
    dlg.Create();
    EXPECT_EQ(dlg.Control<PComboBox>(115)->GetSelIndex(), CB_ERR);
    Fill(dlg, {1, "0.5", "2000abc", "3", "7e-3", "10.7", "99.9", "1.5"});
    const char* percents[] = {"1", "10000", "2%", "9999", "abc"};
    const int combos[] = {123, 124, 127, 133};
    for (int i = 0; i < 4; ++i) dlg.Control<TComboPercent>(combos[i])->SetText(QString::fromUtf8(percents[i]));
    dlg.CheckItem(103, BF_UNCHECKED);
    dlg.CheckItem(110, BF_CHECKED);
    dlg.CheckItem(113, BF_UNCHECKED);
    dlg.Control<PComboBox>(126)->SetSelIndex(5);
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(dlg.ReturnValue(), IDOK);
    const AxisUnit& a = set.BottomAxis;
    EXPECT_EQ(a.Scaling, 1);
    EXPECT_EQ(a.RangeStart, 0.5);
    EXPECT_EQ(a.RangeEnd, 2000.0);
    EXPECT_EQ(a.RangeInc, 10.0);  // Log10 keeps 10 whatever was typed
    EXPECT_EQ(a.CrossPointValue, 7e-3);
    EXPECT_EQ(a.DispRegionStart, 10);
    EXPECT_EQ(a.DispRegionEnd, 99);
    EXPECT_EQ(a.MinorTickDivision, 1);
    EXPECT_EQ(a.TickLength, 100);
    EXPECT_EQ(a.TickWidth, 100);
    EXPECT_EQ(a.MajorTickLineWidth, 2);
    EXPECT_EQ(a.MinorTickLineWidth, 9999);
    EXPECT_EQ(a.MajorTickLineStyle, 5);
    EXPECT_EQ(a.IsVisible, 0);
    EXPECT_EQ(a.ScaleInv, 1);
    EXPECT_EQ(a.AutoCrossPoint, 0);
    EXPECT_EQ(a.LabelFormat, 9);
}

TEST(AxisDialog, LogAndInverseScalingsPutTenIntoTheIncrement) {
    BoxFrame set;
    kv::ScriptedMessageBoxes boxes;
    TAxisDialog dlg(nullptr, &set, AxisNoX);
    dlg.Create();
    dlg.SetItemText(109, QStringLiteral("2"));
    SelectScaling(dlg, 3);  // Log10(L): left alone
    EXPECT_EQ(dlg.ItemText(109), QStringLiteral("2"));
    SelectScaling(dlg, 2);
    EXPECT_EQ(dlg.ItemText(109), QStringLiteral("10"));
    dlg.SetItemText(109, QStringLiteral("0"));  // still refused with Inverse
    dlg.SetItemText(107, QStringLiteral("1"));
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kMessages.at(9));
}

TEST(AxisDialog, SwitchingChecksThenSynchronises) {
    BoxFrame set;  // Box frame
    set.TopAxis.RangeEnd = 77;
    TAxisDialog dlg(nullptr, &set, AxisNoX);
    int code = kvtest::RunModal(dlg, [&] {
        // The tick colour from the palette, as the user picks it.
        kvtest::OnNextModal([](QWidget* w) {
            auto* pop = dynamic_cast<TSelectColorDialog*>(w);
            ASSERT_NE(pop, nullptr);
            const TRect cell = TColorList::CellRect(3, 3, pop->ColorList->width(), pop->ColorList->height());
            QTest::mouseClick(pop->ColorList, Qt::LeftButton, {},
                              QPoint((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
        });
        kvtest::Click(dlg, 135);
        const COLORREF picked = dlg.Control<TColorButton>(135)->GetColor();
        EXPECT_EQ(picked, TColorList::Entry(3 * TColorList::Rows + 3));
        dlg.SetItemText(108, QStringLiteral("10"));

        // A refused text keeps the list on its axis.
        {
            kv::ScriptedMessageBoxes boxes;
            dlg.SetItemText(109, QStringLiteral("0"));
            SelectAxis(dlg, AxisNoTop);
            ASSERT_EQ(boxes.Shown().size(), 1u);
            EXPECT_EQ(boxes.Shown()[0].text, kMessages.at(9));
            EXPECT_EQ(dlg.GetShownAxisNo(), AxisNoX);
            EXPECT_EQ(dlg.Control<PListBox>(101)->GetSelIndex(), 0);
            EXPECT_EQ(dlg.ItemText(108), QStringLiteral("10"));
        }
        dlg.SetItemText(109, QStringLiteral("2"));

        // Picked with the mouse: the top axis follows the X axis's look and scale.
        auto* list = dlg.Control<PListBox>(101);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
        EXPECT_EQ(dlg.GetShownAxisNo(), AxisNoTop);
        EXPECT_EQ(dlg.Control<TColorButton>(135)->GetColor(), picked);
        EXPECT_EQ(dlg.ItemText(108), QStringLiteral("10"));
        EXPECT_EQ(dlg.ItemText(109), QStringLiteral("2"));
        EXPECT_FALSE(dlg.IsControlEnabled(107));

        // Without the common switch the top axis keeps its own scale.
        SelectAxis(dlg, AxisNoX);
        dlg.CheckItem(104, BF_UNCHECKED);
        EXPECT_TRUE(dlg.IsControlEnabled(104));  // ticking changes no enabling
        SelectAxis(dlg, AxisNoTop);
        EXPECT_TRUE(dlg.IsControlEnabled(107));
        EXPECT_EQ(dlg.IsItemChecked(104), 0);  // the top axis takes the switch itself
        dlg.SetItemText(108, QStringLiteral("40"));
        kvtest::Click(dlg, IDOK);
    });
    EXPECT_EQ(code, IDOK);
    EXPECT_EQ(set.BottomAxis.RangeEnd, 10.0);
    EXPECT_EQ(set.BottomAxis.IsCommon, 0);
    EXPECT_EQ(set.TopAxis.RangeEnd, 40.0);
    EXPECT_EQ(set.TopAxis.TickColor, set.BottomAxis.TickColor);
    EXPECT_EQ(set.TopAxis.RangeInc, 2.0);  // synchronised while X was still common
}

std::set<int> Disabled(TAxisDialog& dlg) {
    static const int ids[] = {101, 102, 103, 104, 106, 107, 108, 109, 110, 112, 113, 115, 116, 117, 118,
                              119, 121, 122, 123, 124, 126, 127, 128, 130, 132, 133, 134, 135, 1, 2};
    std::set<int> off;
    for (int id : ids)
        if (!dlg.IsControlEnabled(id)) off.insert(id);
    return off;
}

TEST(AxisDialog, EnablingFollowsFrameTypeAxisAndPartner) {
    const std::set<int> scale = {106, 107, 108, 109, 110, 112, 113, 118, 119, 121, 122, 130};
    const std::set<int> yBox = {102, 103, 116};
    const std::set<int> yXY = {102, 103, 104, 116, 123, 124, 127, 128, 133, 134, 135};
    const std::set<int> otherBox = {102, 103, 104, 116, 123, 124, 126, 127, 128, 132, 133, 134, 135};
    std::set<int> all = otherBox;
    all.insert(scale.begin(), scale.end());
    all.insert({115, 117});
    for (int type : {0, 1, 2, 5}) {
        for (int axisNo = AxisNoX; axisNo <= AxisNoRight; ++axisNo) {
            for (int common : {0, 1}) {
                BoxFrame set;
                set.Frame.FrameType = type;
                set.BottomAxis.IsCommon = common;
                set.LeftAxis.IsCommon = common;
                TAxisDialog dlg(nullptr, &set, axisNo);
                dlg.Create();
                std::set<int> expected;
                if (axisNo == AxisNoX) {
                } else if (type != 0 && type != 1) {
                    expected = {102};
                } else if (axisNo == AxisNoY) {
                    expected = type == 0 ? yBox : yXY;
                } else if (type == 1) {
                    expected = all;
                } else {
                    expected = otherBox;
                    if (common) expected.insert(scale.begin(), scale.end());
                }
                EXPECT_EQ(Disabled(dlg), expected) << "type " << type << " axis " << axisNo << " common " << common;
            }
        }
    }
    // Switching back to the X axis enables everything again.
    BoxFrame set;
    set.Frame.FrameType = 1;
    TAxisDialog dlg(nullptr, &set, AxisNoRight);
    dlg.Create();
    SelectAxis(dlg, AxisNoX);
    EXPECT_TRUE(Disabled(dlg).empty());
    SelectAxis(dlg, AxisNoY);
    EXPECT_EQ(Disabled(dlg), yXY);
}

TEST(AxisDialog, OkSynchronisesAndAssignsCancelKeepsTheSet) {
    BoxFrame set;
    set.Frame.FrameType = 1;  // X-Y
    set.TopAxis.IsVisible = 1;
    set.TopAxis.LabelFormat = 1;
    {
        TAxisDialog dlg(nullptr, &set, AxisNoX);
        dlg.Create();
        dlg.SetItemText(108, QStringLiteral("50"));
        dlg.SetItemText(109, QStringLiteral("5"));
        dlg.CheckItem(104, BF_UNCHECKED);  // set back to 1 by the synchronisation
        kvtest::Click(dlg, IDOK);
        ASSERT_EQ(dlg.ReturnValue(), IDOK);
    }
    EXPECT_EQ(set.BottomAxis.RangeEnd, 50.0);
    EXPECT_EQ(set.BottomAxis.IsCommon, 1);
    EXPECT_EQ(set.TopAxis.RangeEnd, 50.0);
    EXPECT_EQ(set.TopAxis.RangeInc, 5.0);
    EXPECT_EQ(set.TopAxis.IsVisible, 0);
    EXPECT_EQ(set.TopAxis.LabelFormat, 0);
    EXPECT_EQ(set.RightAxis.IsVisible, 0);
    EXPECT_EQ(set.Frame.FrameType, 1);

    // Cancel after edits, a switch, a new label font and new details: nothing.
    kv::ScriptedFontChoosers choosers;
    LOGFONT chosen = set.BottomAxis.LabelFont;
    chosen.lfHeight = -10;
    choosers.Choose(chosen, RGB(255, 0, 0));
    TAxisDialog dlg(nullptr, &set, AxisNoX);
    const int code = kvtest::RunModal(dlg, [&] {
        dlg.SetItemText(108, QStringLiteral("60"));
        kvtest::Click(dlg, 116);
        kvtest::OnNextModal([](QWidget* w) {
            auto* more = dynamic_cast<TLabelMore*>(w);
            ASSERT_NE(more, nullptr);
            more->SetItemText(102, QStringLiteral("12"));
            kvtest::Click(*more, IDOK);
        });
        kvtest::Click(dlg, 117);
        EXPECT_EQ(dlg.WorkAxis(AxisNoX)->LabelPositionAdjust, 240);
        SelectAxis(dlg, AxisNoY);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(set.BottomAxis.RangeEnd, 50.0);
    EXPECT_EQ(set.BottomAxis.LabelFont.lfHeight, -300);
    EXPECT_EQ(set.BottomAxis.LabelFontColor, 0u);
    EXPECT_EQ(set.BottomAxis.LabelPositionAdjust, 0);
}

TEST(AxisDialog, LabelFontGoesThroughTheChooserInPoints) {
    BoxFrame set;  // Box: the other axes take the X axis's label font
    set.BottomAxis.LabelFont.lfHeight = -310;
    set.BottomAxis.LabelFontColor = RGB(1, 2, 3);
    kv::ScriptedFontChoosers choosers;
    LOGFONT chosen{};
    chosen.lfHeight = -12;
    chosen.lfWeight = FW_BOLD;
    chosen.lfEscapement = 900;
    std::strcpy(chosen.lfFaceName, "Liberation Sans");
    choosers.Cancel();
    choosers.Choose(chosen, RGB(255, 0, 0));
    TAxisDialog dlg(nullptr, &set, AxisNoX);
    dlg.Create();
    kvtest::Click(dlg, 116);  // cancelled: nothing changes
    EXPECT_EQ(dlg.WorkAxis(AxisNoX)->LabelFont.lfHeight, -310);
    kvtest::Click(dlg, 116);
    ASSERT_EQ(choosers.Shown().size(), 2u);
    const TChooseFontData& shown = choosers.Shown()[1];
    EXPECT_EQ(shown.Flags, 0x50141u);
    EXPECT_EQ(shown.FontType, 0x2000);
    EXPECT_EQ(shown.LogFont.lfHeight, -15);
    EXPECT_STREQ(shown.LogFont.lfFaceName, "Times New Roman");
    EXPECT_EQ(shown.Color, RGB(1, 2, 3));
    EXPECT_TRUE(shown.DisabledControls.empty());
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(dlg.ReturnValue(), IDOK);
    for (const AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis}) {
        EXPECT_EQ(a->LabelFont.lfHeight, -240);
        EXPECT_EQ(a->LabelFont.lfWeight, FW_BOLD);
        EXPECT_STREQ(a->LabelFont.lfFaceName, "Liberation Sans");
        EXPECT_EQ(a->LabelFont.lfEscapement, 0);  // axis labels are never turned
        EXPECT_EQ(a->LabelFontColor, RGB(255, 0, 0));
    }
    // Confirmed unchanged, a height rounds toward zero to whole points.
    set.BottomAxis.LabelFont.lfHeight = -310;
    choosers.Accept();
    TAxisDialog again(nullptr, &set, AxisNoX);
    again.Create();
    kvtest::Click(again, 116);
    kvtest::Click(again, IDOK);
    EXPECT_EQ(set.BottomAxis.LabelFont.lfHeight, -300);
}

TEST(AxisDialog, DefaultReplacesTheChartWindowsAxes) {
    kvtest::FakeChart chart;
    BoxFrame set;
    set.TopAxis.RangeEnd = 77;  // the copies are stored without synchronising
    TAxisDialog dlg(&chart, &set, AxisNoX);
    dlg.Create();
    dlg.SetItemText(108, QStringLiteral("12"));
    {
        kv::ScriptedMessageBoxes boxes({IDCANCEL});
        kvtest::Click(dlg, 102);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, "このスタイルをデフォルトのスタイルとして保存しますか?");
        EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
        EXPECT_EQ(chart.Defaults.DefaultAxes[0].RangeEnd, 5.0);
    }
    {
        kv::ScriptedMessageBoxes boxes({IDOK});
        kvtest::Click(dlg, 102);
        EXPECT_FALSE(dlg.IsClosed());
        EXPECT_EQ(chart.Defaults.DefaultAxes[0].RangeEnd, 12.0);
        EXPECT_EQ(chart.Defaults.DefaultAxes[2].RangeEnd, 77.0);
        EXPECT_EQ(set.BottomAxis.RangeEnd, 5.0);
    }
    {
        // A refused text: its message, then the notice, and the defaults stay.
        kv::ScriptedMessageBoxes boxes({IDOK, IDOK, IDOK});
        dlg.SetItemText(108, QStringLiteral("-1"));
        kvtest::Click(dlg, 102);
        ASSERT_EQ(boxes.Shown().size(), 3u);
        EXPECT_EQ(boxes.Shown()[1].text, kMessages.at(10));
        EXPECT_EQ(boxes.Shown()[2].text, "不正なパラメータが存在します。");
        EXPECT_EQ(boxes.Shown()[2].caption, "korvida");
        EXPECT_EQ(boxes.Shown()[2].flags, MB_OKCANCEL | MB_ICONQUESTION);
        EXPECT_EQ(chart.Defaults.DefaultAxes[0].RangeEnd, 12.0);
    }
    dlg.SetItemText(108, QStringLiteral("5"));
    kvtest::Click(dlg, IDCANCEL);
    EXPECT_EQ(set.BottomAxis.RangeEnd, 5.0);
    EXPECT_EQ(chart.Defaults.DefaultAxes[0].RangeEnd, 12.0);  // Cancel does not undo it
}

}  // namespace
