// The plot-style dialog: filled from the series' style on opening, live changes
// of the line style, marker and colours, the checks of OK in order, the transfer
// at OK, the Default button through the default-type choice, the chosen-items
// array of a multiple selection.

#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/combopercent.h"
#include "dialogs/controls/plotbutton.h"
#include "dialogs/controls/selectcolor.h"
#include "dialogs/interset.h"
#include "dialogs/plotdialog.h"
#include "dialogs/styleitems.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "dialogs/userdialogs.h"
#include "model/plot.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 160, 0);

const std::string kBadX = "X-data ：　不正な関数式です。";
const std::string kBadY = "Y-data ：　不正な関数式です。";
const std::string kBadMask = "マスク行書式が不正です。";

// A series of five rows read from D:\data\run1.dat, on a chart window.
struct PlotDialogTest : ::testing::Test {
    void SetUp() override {
        lstrcpynA(plot.DataFileName, "D:\\data\\run1.dat", MAX_PATH);
        for (int i = 0; i < 5; ++i) {
            plot.AddX(TDataElement(i));
            plot.AddY(TDataElement(i * i));
        }
        DefaultDataTypeChoice[0] = 1;
        DefaultDataTypeChoice[1] = 0;
    }
    void TearDown() override {
        DefaultDataTypeChoice[0] = 1;
        DefaultDataTypeChoice[1] = 0;
    }
    kvtest::FakeChart chart;
    TPlot plot;
};

PComboBox* Combo(PDialog& dlg, int id) { return dlg.Control<PComboBox>(id); }

// The user picks line index of a drop-down list.
void Choose(PDialog& dlg, int id, int index) {
    PComboBox* c = Combo(dlg, id);
    ASSERT_NE(c, nullptr) << id;
    c->setCurrentIndex(index);
    emit c->activated(index);
}

QPoint CellCentre(const TColorList& list, int index) {
    const TRect r = TColorList::CellRect(index / TColorList::Rows, index % TColorList::Rows,
                                         list.width(), list.height());
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Every field of two styles.
void ExpectSameStyle(const TPlotStyle& a, const TPlotStyle& b) {
    EXPECT_EQ(a.IsShown, b.IsShown);
    EXPECT_EQ(a.IsXFormula, b.IsXFormula);
    EXPECT_EQ(a.XFormula, b.XFormula);
    EXPECT_EQ(a.IsYFormula, b.IsYFormula);
    EXPECT_EQ(a.YFormula, b.YFormula);
    EXPECT_EQ(a.LineStyle, b.LineStyle);
    EXPECT_EQ(a.LineWidth, b.LineWidth);
    EXPECT_EQ(a.LineColor, b.LineColor);
    EXPECT_EQ(a.LineInterpolate, b.LineInterpolate);
    EXPECT_EQ(a.LineInterpolatePara, b.LineInterpolatePara);
    EXPECT_EQ(a.MarkerStyle, b.MarkerStyle);
    EXPECT_EQ(a.MarkerCenterDot, b.MarkerCenterDot);
    EXPECT_EQ(a.MarkerSize, b.MarkerSize);
    EXPECT_EQ(a.MarkerEdgeColor, b.MarkerEdgeColor);
    EXPECT_EQ(a.MarkerInsideColor, b.MarkerInsideColor);
    EXPECT_EQ(a.MarkerInsidePaint, b.MarkerInsidePaint);
    EXPECT_EQ(a.Clipping, b.Clipping);
    EXPECT_EQ(a.RefAxisX, b.RefAxisX);
    EXPECT_EQ(a.RefAxisY, b.RefAxisY);
    EXPECT_EQ(a.NullOutLine, b.NullOutLine);
    EXPECT_EQ(a.BaseValue, b.BaseValue);
    EXPECT_EQ(a.OutLineWidth, b.OutLineWidth);
    EXPECT_EQ(a.MaskRows, b.MaskRows);
}

TPlotStyle Unusual() {
    TPlotStyle st;
    st.RefAxisX = 0;
    st.RefAxisY = 1;
    st.Clipping = 0;
    st.IsXFormula = 1;
    st.XFormula = "x*2";
    st.YFormula = "log(y)";
    st.MaskRows = "1-3";
    st.LineStyle = 3;
    st.LineWidth = 150;
    st.LineColor = kRed;
    st.LineInterpolate = 2;
    st.LineInterpolatePara = 30;
    st.MarkerStyle = 14;
    st.MarkerCenterDot = 1;
    st.MarkerSize = 33;
    st.MarkerEdgeColor = kBlue;
    st.MarkerInsideColor = kGreen;
    st.MarkerInsidePaint = 1;
    st.NullOutLine = 1;
    st.BaseValue = 0.1;
    st.OutLineWidth = 250;
    return st;
}

TEST_F(PlotDialogTest, FillsEveryControlOnOpeningAndCancelKeepsTheStyle) {
    plot.Style = Unusual();
    const TPlotStyle before = plot.Style;
    TPlotDialog dlg(&chart, &plot, 1);
    const int code = kvtest::RunModal(dlg, [&] {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("run1.dat"));
        EXPECT_EQ(dlg.IsItemChecked(102), 0);
        EXPECT_EQ(dlg.IsItemChecked(104), 1);
        EXPECT_EQ(dlg.IsItemChecked(103), 1);
        EXPECT_EQ(dlg.IsItemChecked(105), 0);
        EXPECT_EQ(dlg.IsItemChecked(125), 0);
        EXPECT_EQ(dlg.IsItemChecked(126), 1);
        EXPECT_EQ(dlg.IsItemChecked(127), 0);
        EXPECT_EQ(dlg.IsItemChecked(122), 1);
        EXPECT_EQ(dlg.IsItemChecked(123), 1);
        EXPECT_EQ(dlg.IsItemChecked(133), 1);
        EXPECT_EQ(dlg.ItemText(109), QStringLiteral("x*2"));
        EXPECT_EQ(dlg.ItemText(110), QStringLiteral("log(y)"));
        EXPECT_EQ(dlg.ItemText(101), QStringLiteral("1-3"));
        EXPECT_EQ(dlg.ItemText(132), QStringLiteral("0.1"));

        ASSERT_EQ(Combo(dlg, 113)->GetCount(), 8);
        EXPECT_EQ(Combo(dlg, 113)->GetString(7), QStringLiteral("Dash Dot Dot Dash"));
        EXPECT_EQ(Combo(dlg, 113)->GetSelIndex(), 3);
        ASSERT_EQ(Combo(dlg, 117)->GetCount(), 7);
        EXPECT_EQ(Combo(dlg, 117)->GetString(6), QStringLiteral("Closed BSpline"));
        EXPECT_EQ(Combo(dlg, 117)->GetSelIndex(), 2);
        EXPECT_TRUE(dlg.IsControlEnabled(124));
        ASSERT_EQ(Combo(dlg, 118)->GetCount(), 16);
        const char* markers[16] = {"NULL",   "Rectangle", "Triangle", "Rev. Triangle",
                                   "Diamond", "Circle",   "Cross",    "Diag. Cross",
                                   "V-Area", "H-Area",    "V-Bar1",   "H-Bar1",
                                   "V-Bar2", "H-Bar2",    "V-Step",   "H-Step"};
        for (int i = 0; i < 16; ++i) EXPECT_EQ(Combo(dlg, 118)->GetString(i), QString::fromLatin1(markers[i]));
        EXPECT_EQ(Combo(dlg, 118)->GetSelIndex(), 6);  // "Cross" for code 14
        for (int id : {114, 119, 134}) {
            ASSERT_EQ(Combo(dlg, id)->GetCount(), 11) << id;
            EXPECT_EQ(Combo(dlg, id)->GetString(0), QStringLiteral("25%"));
            EXPECT_EQ(Combo(dlg, id)->GetString(10), QStringLiteral("500%"));
        }
        EXPECT_EQ(Combo(dlg, 114)->GetText(), QStringLiteral("150%"));
        EXPECT_EQ(Combo(dlg, 119)->GetText(), QStringLiteral("33%"));
        EXPECT_EQ(Combo(dlg, 134)->GetText(), QStringLiteral("250%"));
        EXPECT_EQ(dlg.Control<TColorButton>(115)->GetColor(), kRed);
        EXPECT_EQ(dlg.Control<TColorButton>(120)->GetColor(), kBlue);
        EXPECT_EQ(dlg.Control<TColorButton>(121)->GetColor(), kGreen);
        ASSERT_EQ(dlg.Sample, dlg.Control<TPlotButton>(128));
        EXPECT_EQ(dlg.Sample->HasStyle, 1);
        EXPECT_EQ(dlg.Sample->SampleStyle->MarkerStyle, 14);
        EXPECT_EQ(dlg.Sample->SampleStyle->MarkerEdgeColor, kBlue);
        // Every control usable without chosen items.
        for (int id : {102, 103, 125, 126, 109, 110, 101, 113, 114, 115, 117, 118, 119, 120, 121, 122,
                       123, 132, 133, 134, 129, 130, 131})
            EXPECT_TRUE(dlg.IsControlEnabled(id)) << id;

        // Fields without a live handler change nothing before OK.
        dlg.SetItemText(109, QStringLiteral("x+1"));
        kvtest::Click(dlg, 125);
        kvtest::Click(dlg, 102);
        Combo(dlg, 114)->SetText(QStringLiteral("300%"));
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    ExpectSameStyle(plot.Style, before);
}

TEST_F(PlotDialogTest, OtherValuesOnOpening) {
    struct Case {
        int refX, refY, interpolate, marker;
        int radioX, radioY;  // the ticked radio buttons
        bool settings;       // button 124 enabled
        int markerIndex;
    };
    const Case cases[] = {
        {1, 0, 0, 0, 102, 105, false, 0},
        {2, -1, 6, 10, 104, 105, true, 14},   // any value but 1 ticks Top / Right
        {1, 1, 1, 11, 102, 103, true, 15},
        {0, 1, 9, 99, 104, 103, false, -1},   // a code the lists do not show: no line
        {0, 1, -1, -2, 104, 103, false, -1},
    };
    for (const Case& c : cases) {
        plot.Style.RefAxisX = c.refX;
        plot.Style.RefAxisY = c.refY;
        plot.Style.LineInterpolate = c.interpolate;
        plot.Style.MarkerStyle = c.marker;
        TPlotDialog dlg(&chart, &plot, 1);
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(dlg.IsItemChecked(c.radioX), 1) << c.refX;
        EXPECT_EQ(dlg.IsItemChecked(c.radioY), 1) << c.refY;
        EXPECT_EQ(dlg.IsItemChecked(c.radioX == 102 ? 104 : 102), 0);
        EXPECT_EQ(dlg.IsItemChecked(c.radioY == 103 ? 105 : 103), 0);
        EXPECT_EQ(dlg.IsControlEnabled(124), c.settings) << c.interpolate;
        EXPECT_EQ(Combo(dlg, 118)->GetSelIndex(), c.markerIndex) << c.marker;
    }
    // The caption is the file name alone; an empty name gives an empty caption.
    lstrcpynA(plot.DataFileName, "", MAX_PATH);
    TPlotDialog dlg(&chart, &plot, 1);
    dlg.Create();
    EXPECT_EQ(dlg.windowTitle(), QString());
}

TEST_F(PlotDialogTest, OkStoresEveryControl) {
    TPlotDialog dlg(&chart, &plot, 1);
    const int code = kvtest::RunModal(dlg, [&] {
        kvtest::Click(dlg, 104);   // top axis
        kvtest::Click(dlg, 105);   // right axis
        kvtest::Click(dlg, 125);   // clipping off
        kvtest::Click(dlg, 126);
        dlg.SetItemText(109, QStringLiteral("x*%i"));  // "%i" is the series number
        kvtest::Click(dlg, 127);
        dlg.SetItemText(110, QStringLiteral("sqrt(y)"));
        dlg.SetItemText(101, QStringLiteral(" 1 , 3 - 4 "));
        Combo(dlg, 113)->SetSelIndex(6);
        Combo(dlg, 114)->SetText(QStringLiteral("150%"));
        Combo(dlg, 117)->SetSelIndex(5);
        Combo(dlg, 118)->SetSelIndex(14);  // "V-Step"
        Combo(dlg, 119)->SetText(QStringLiteral("9999"));
        Combo(dlg, 134)->SetText(QStringLiteral("10000%"));
        dlg.CheckItem(122, BF_CHECKED);
        dlg.CheckItem(123, BF_CHECKED);
        dlg.CheckItem(133, BF_CHECKED);
        dlg.Control<TColorButton>(115)->SetColor(kGreen);
        dlg.Control<TColorButton>(120)->SetColor(kRed);
        dlg.Control<TColorButton>(121)->SetColor(kBlue);
        dlg.SetItemText(132, QStringLiteral("-2.5e3 volts"));
        kvtest::Click(dlg, IDOK);
    });
    EXPECT_EQ(code, IDOK);
    const TPlotStyle& st = plot.Style;
    EXPECT_EQ(st.RefAxisX, 0);
    EXPECT_EQ(st.RefAxisY, 0);
    EXPECT_EQ(st.Clipping, 0);
    EXPECT_EQ(st.IsXFormula, 1);
    EXPECT_EQ(st.XFormula, "x*%i");
    EXPECT_EQ(st.IsYFormula, 1);
    EXPECT_EQ(st.YFormula, "sqrt(y)");
    EXPECT_EQ(st.MaskRows, " 1 , 3 - 4 ");  // stored as typed
    EXPECT_EQ(st.LineStyle, 6);
    EXPECT_EQ(st.LineWidth, 150);
    EXPECT_EQ(st.LineInterpolate, 5);
    EXPECT_EQ(st.MarkerStyle, 10);
    EXPECT_EQ(st.MarkerSize, 9999);
    EXPECT_EQ(st.OutLineWidth, 100);
    EXPECT_EQ(st.MarkerInsidePaint, 1);
    EXPECT_EQ(st.MarkerCenterDot, 1);
    EXPECT_EQ(st.NullOutLine, 1);
    EXPECT_EQ(st.LineColor, kGreen);
    EXPECT_EQ(st.MarkerEdgeColor, kRed);
    EXPECT_EQ(st.MarkerInsideColor, kBlue);
    EXPECT_EQ(st.BaseValue, -2500.0);
    EXPECT_EQ(st.IsShown, 1);  // not edited here
    // The mask-row check changed no row.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(plot.XData[i].Flag, 0);
}

TEST_F(PlotDialogTest, NumbersListsAndTextsAtOk) {
    // Percent fields outside 2-9999 or not a number give 100; base values are
    // read like atof; a list without a selection keeps its field; a text longer
    // than the edit's typing limit comes back whole.
    struct Case {
        const char* percent;
        int stored;
        const char* base;
        double baseStored;
    };
    const Case cases[] = {
        {"1", 100, "abc", 0.0},       {"2", 2, "12abc", 12.0},  {"9999", 9999, " 0x10", 0.0},
        {"10000", 100, "inf", 0.0},   {"abc", 100, "nan", 0.0}, {"150%", 150, "1e-3", 0.001},
        {"99999999999", 100, "1e999", 7.5},  // an overflowing base value keeps the field
    };
    const std::string longFormula = std::string(300, '1');
    for (const Case& c : cases) {
        plot.Style.BaseValue = 7.5;
        plot.Style.LineStyle = 11;
        plot.Style.LineInterpolate = 7;
        plot.Style.MarkerStyle = 42;
        plot.Style.YFormula = longFormula;
        TPlotDialog dlg(&chart, &plot, 1);
        kv::ScriptedMessageBoxes boxes;
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(Combo(dlg, 113)->GetSelIndex(), CB_ERR);
        EXPECT_EQ(Combo(dlg, 117)->GetSelIndex(), CB_ERR);
        for (int id : {114, 119, 134}) Combo(dlg, id)->SetText(QString::fromUtf8(c.percent));
        dlg.SetItemText(132, QString::fromUtf8(c.base));
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.ReturnValue(), IDOK);
        EXPECT_TRUE(boxes.Shown().empty());
        EXPECT_EQ(plot.Style.LineWidth, c.stored) << c.percent;
        EXPECT_EQ(plot.Style.MarkerSize, c.stored) << c.percent;
        EXPECT_EQ(plot.Style.OutLineWidth, c.stored) << c.percent;
        EXPECT_EQ(plot.Style.BaseValue, c.baseStored) << c.base;
        EXPECT_EQ(plot.Style.LineStyle, 11);
        EXPECT_EQ(plot.Style.LineInterpolate, 7);
        EXPECT_EQ(plot.Style.MarkerStyle, 42);
        EXPECT_EQ(plot.Style.YFormula, longFormula);
    }
}

TEST_F(PlotDialogTest, LiveHandlersChangeTheStyleAtOnce) {
    TPlotDialog dlg(&chart, &plot, 1);
    const int code = kvtest::RunModal(dlg, [&] {
        Choose(dlg, 118, 7);  // "Diag. Cross"
        EXPECT_EQ(plot.Style.MarkerStyle, 15);
        EXPECT_EQ(dlg.Sample->SampleStyle->MarkerStyle, 15);
        Choose(dlg, 118, 12);  // "V-Bar2"
        EXPECT_EQ(plot.Style.MarkerStyle, 12);
        Choose(dlg, 113, 4);
        EXPECT_EQ(plot.Style.LineStyle, 4);
        EXPECT_EQ(dlg.Sample->SampleStyle->LineStyle, 4);
        kvtest::Click(dlg, 123);
        EXPECT_EQ(plot.Style.MarkerCenterDot, 1);
        kvtest::Click(dlg, 122);
        EXPECT_EQ(plot.Style.MarkerInsidePaint, 1);
        kvtest::Click(dlg, 133);
        EXPECT_EQ(plot.Style.NullOutLine, 1);
        EXPECT_EQ(dlg.Sample->SampleStyle->NullOutLine, 1);
        kvtest::Click(dlg, 133);
        EXPECT_EQ(plot.Style.NullOutLine, 0);

        // The connection list moves only the divisions button until OK.
        EXPECT_FALSE(dlg.IsControlEnabled(124));
        Choose(dlg, 117, 2);
        EXPECT_TRUE(dlg.IsControlEnabled(124));
        EXPECT_EQ(plot.Style.LineInterpolate, 0);
        Choose(dlg, 117, 0);
        EXPECT_FALSE(dlg.IsControlEnabled(124));
        Choose(dlg, 117, 6);

        // The divisions dialog edits the style directly.
        kvtest::OnNextModal([](QWidget* w) {
            auto* inter = dynamic_cast<TInterSetDialog*>(w);
            ASSERT_NE(inter, nullptr);
            EXPECT_EQ(inter->ItemText(101), QStringLiteral("20"));
            inter->SetItemText(101, QStringLiteral("50"));
            kvtest::Click(*inter, IDOK);
        });
        kvtest::Click(dlg, 124);
        EXPECT_EQ(plot.Style.LineInterpolatePara, 50);

        // A colour from the palette lands in the style, the button and the sample.
        kvtest::OnNextModal([](QWidget* w) {
            auto* pop = dynamic_cast<TSelectColorDialog*>(w);
            ASSERT_NE(pop, nullptr);
            EXPECT_EQ(pop->ColorList->SelIndex, 5);  // black, the line's colour
            QTest::mouseClick(pop->ColorList, Qt::LeftButton, {}, CellCentre(*pop->ColorList, 27));
        });
        kvtest::Click(dlg, 115);
        EXPECT_EQ(plot.Style.LineColor, TColorList::Entry(27));
        EXPECT_EQ(dlg.Control<TColorButton>(115)->GetColor(), TColorList::Entry(27));
        EXPECT_EQ(dlg.Sample->SampleStyle->LineColor, TColorList::Entry(27));
        // Cancelled palette: the colour stays.
        kvtest::OnNextModal([](QWidget* w) {
            auto* pop = dynamic_cast<TSelectColorDialog*>(w);
            ASSERT_NE(pop, nullptr);
            pop->CloseWindow(IDCANCEL);
        });
        kvtest::Click(dlg, 121);
        EXPECT_EQ(plot.Style.MarkerInsideColor, RGB(255, 255, 255));
        kvtest::OnNextModal([](QWidget* w) {
            auto* pop = dynamic_cast<TSelectColorDialog*>(w);
            ASSERT_NE(pop, nullptr);
            QTest::mouseClick(pop->ColorList, Qt::LeftButton, {}, CellCentre(*pop->ColorList, 0));
        });
        kvtest::Click(dlg, 120);
        EXPECT_EQ(plot.Style.MarkerEdgeColor, TColorList::Entry(0));
        kvtest::Click(dlg, IDCANCEL);
    });
    // Cancel undoes none of the live changes, and stores nothing else.
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(plot.Style.MarkerStyle, 12);
    EXPECT_EQ(plot.Style.LineStyle, 4);
    EXPECT_EQ(plot.Style.MarkerCenterDot, 1);
    EXPECT_EQ(plot.Style.MarkerInsidePaint, 1);
    EXPECT_EQ(plot.Style.LineInterpolatePara, 50);
    EXPECT_EQ(plot.Style.LineInterpolate, 0);
    EXPECT_EQ(plot.Style.LineColor, TColorList::Entry(27));
}

TEST_F(PlotDialogTest, ChecksOfOkInOrder) {
    struct Case {
        int xOn, yOn;
        const char* x;
        const char* y;
        const char* mask;
        const std::string* message;  // null: accepted
    };
    const Case cases[] = {
        {1, 0, "x*foo", "", "", &kBadX},
        {0, 1, "", "y*bar", "", &kBadY},
        {1, 1, "x*foo", "y*bar", "1;2", &kBadX},  // the first failure only
        {0, 1, "x*foo", "y*bar", "", &kBadY},     // X processing off: its text is not checked
        {0, 0, "x*foo", "y*bar", "", nullptr},
        {1, 1, "x*2", "sin(y)", "1,,2", &kBadMask},
        {0, 0, "", "", "1,", &kBadMask},
        {0, 0, "", "", ",1", &kBadMask},
        {0, 0, "", "", "3-", &kBadMask},
        {0, 0, "", "", "1-2-3", &kBadMask},
        {0, 0, "", "", "0", &kBadMask},
        {0, 0, "", "", "a", &kBadMask},
        {0, 0, "", "", "1;2", &kBadMask},
        {0, 0, "", "", "\t1", &kBadMask},
        {0, 0, "", "", " 1 , 3 - 5 ", nullptr},
        {0, 0, "", "", "5-3", nullptr},     // not compared with each other
        {0, 0, "", "", "999", nullptr},     // nor with the rows
        {1, 0, "x*%i+%c", "", "", nullptr},
    };
    for (const Case& c : cases) {
        plot.Style = TPlotStyle();
        TPlotDialog dlg(&chart, &plot, 1);
        kv::ScriptedMessageBoxes boxes;
        ASSERT_TRUE(dlg.Create());
        dlg.CheckItem(126, c.xOn);
        dlg.CheckItem(127, c.yOn);
        dlg.SetItemText(109, QString::fromUtf8(c.x));
        dlg.SetItemText(110, QString::fromUtf8(c.y));
        dlg.SetItemText(101, QString::fromUtf8(c.mask));
        Combo(dlg, 114)->SetText(QStringLiteral("300%"));
        kvtest::Click(dlg, IDOK);
        const std::string what = std::string(c.x) + " | " + c.y + " | " + c.mask;
        if (!c.message) {
            EXPECT_EQ(dlg.ReturnValue(), IDOK) << what;
            EXPECT_TRUE(boxes.Shown().empty()) << what;
            EXPECT_EQ(plot.Style.XFormula, c.x);
            EXPECT_EQ(plot.Style.LineWidth, 300);
            continue;
        }
        EXPECT_FALSE(dlg.IsClosed()) << what;
        ASSERT_EQ(boxes.Shown().size(), 1u) << what;
        EXPECT_EQ(boxes.Shown()[0].text, *c.message) << what;
        EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        // Nothing transferred, the controls as the user left them.
        EXPECT_EQ(plot.Style.LineWidth, 100) << what;
        EXPECT_EQ(plot.Style.XFormula, "") << what;
        EXPECT_EQ(dlg.ItemText(101), QString::fromUtf8(c.mask));
    }
    for (int i = 0; i < 5; ++i) EXPECT_EQ(plot.XData[i].Flag, 0);
}

TEST_F(PlotDialogTest, FormulasCompileOnTheChartWindowsCurrentAxisSet) {
    // A user constant of the current axis set is known to the check ...
    chart.Document.Current->UserConsts.Add(TUserConstElement("gain", 2.0));
    plot.Style.IsXFormula = 1;
    plot.Style.XFormula = "x*gain";
    {
        TPlotDialog dlg(&chart, &plot, 1);
        kv::ScriptedMessageBoxes boxes;
        dlg.Create();
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.ReturnValue(), IDOK);
    }
    // ... but not to a dialog opened from no chart window, even when a main window
    // holds one: it would not know which.
    {
        auto* client = new kvtest::FakeChart;
        client->Document.Current->UserConsts.Add(TUserConstElement("offset", 1.0));
        QMainWindow main;
        main.setCentralWidget(client);
        plot.Style.XFormula = "x+offset";
        TPlotDialog dlg(nullptr, &plot, 1);
        kv::ScriptedMessageBoxes boxes;
        dlg.Create();
        kvtest::Click(dlg, IDOK);
        EXPECT_FALSE(dlg.IsClosed());
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kBadX);
    }
    // The series number given to the dialog is "%i"; -1 has none.
    plot.Style.XFormula = "x*%i";
    TPlotDialog dlg(&chart, &plot, -1);
    kv::ScriptedMessageBoxes boxes;
    dlg.Create();
    kvtest::Click(dlg, IDOK);
    EXPECT_FALSE(dlg.IsClosed());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kBadX);
}

TEST(PlotDialogAlone, WithoutAChartWindowFormulasKnowNoUserConstants) {
    TPlot plot;
    plot.Style.IsXFormula = 1;
    plot.Style.XFormula = "x*gain";
    TPlotDialog dlg(nullptr, &plot, 1);
    kv::ScriptedMessageBoxes boxes;
    dlg.Create();
    kvtest::Click(dlg, IDOK);
    EXPECT_FALSE(dlg.IsClosed());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    // Default: the controls still reach the style; no default to replace.
    kvtest::OnNextModal([](QWidget* w) {
        auto* choice = dynamic_cast<TSelectDefaultDataType*>(w);
        ASSERT_NE(choice, nullptr);
        kvtest::Click(*choice, IDOK);
    });
    dlg.Control<TComboPercent>(114)->SetText(QStringLiteral("75%"));
    kvtest::Click(dlg, 129);
    EXPECT_EQ(plot.Style.LineWidth, 75);
}

TEST_F(PlotDialogTest, DefaultSavesTheControlsAsTheChosenDefaultStyle) {
    const TPlotStyle memoryBefore = chart.Defaults.DefaultMemoryPlotStyle;
    TPlotDialog dlg(&chart, &plot, 1);
    kv::ScriptedMessageBoxes boxes;
    const int code = kvtest::RunModal(dlg, [&] {
        // Disk-file data (preselected at the first opening). Unchecked: an
        // invalid formula goes along.
        kvtest::Click(dlg, 126);
        dlg.SetItemText(109, QStringLiteral("x*foo"));
        Combo(dlg, 114)->SetText(QStringLiteral("250"));
        dlg.SetItemText(101, QStringLiteral("2-4"));
        kvtest::OnNextModal([](QWidget* w) {
            auto* choice = dynamic_cast<TSelectDefaultDataType*>(w);
            ASSERT_NE(choice, nullptr);
            EXPECT_EQ(choice->IsItemChecked(101), 1);
            kvtest::Click(*choice, IDOK);
        });
        kvtest::Click(dlg, 129);
        EXPECT_FALSE(dlg.IsClosed());
        EXPECT_EQ(chart.Defaults.DefaultPlotStyle.LineWidth, 250);
        EXPECT_EQ(chart.Defaults.DefaultPlotStyle.XFormula, "x*foo");
        EXPECT_EQ(chart.Defaults.DefaultPlotStyle.IsXFormula, 1);
        EXPECT_EQ(chart.Defaults.DefaultPlotStyle.MaskRows, "2-4");
        ExpectSameStyle(chart.Defaults.DefaultPlotStyle, plot.Style);
        ExpectSameStyle(chart.Defaults.DefaultMemoryPlotStyle, memoryBefore);

        // Memory data.
        Combo(dlg, 119)->SetText(QStringLiteral("400%"));
        kvtest::OnNextModal([](QWidget* w) {
            auto* choice = dynamic_cast<TSelectDefaultDataType*>(w);
            ASSERT_NE(choice, nullptr);
            kvtest::Click(*choice, 102);
            kvtest::Click(*choice, IDOK);
        });
        kvtest::Click(dlg, 129);
        EXPECT_EQ(chart.Defaults.DefaultMemoryPlotStyle.MarkerSize, 400);
        EXPECT_EQ(chart.Defaults.DefaultPlotStyle.MarkerSize, 100);

        // Cancel in the choice: no default changes, the controls still reach
        // the edited style.
        Combo(dlg, 134)->SetText(QStringLiteral("50"));
        kvtest::OnNextModal([](QWidget* w) {
            auto* choice = dynamic_cast<TSelectDefaultDataType*>(w);
            ASSERT_NE(choice, nullptr);
            EXPECT_EQ(choice->IsItemChecked(102), 1);  // the last choice
            choice->CloseWindow(IDCANCEL);
        });
        kvtest::Click(dlg, 129);
        EXPECT_EQ(plot.Style.OutLineWidth, 50);
        EXPECT_EQ(chart.Defaults.DefaultPlotStyle.OutLineWidth, 100);
        EXPECT_EQ(chart.Defaults.DefaultMemoryPlotStyle.OutLineWidth, 100);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    // No question box: the choice dialog asks instead. A later Cancel undoes nothing.
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(chart.Defaults.DefaultPlotStyle.LineWidth, 250);
    EXPECT_EQ(chart.Defaults.DefaultMemoryPlotStyle.MarkerSize, 400);
    EXPECT_EQ(plot.Style.LineWidth, 250);
}

TEST_F(PlotDialogTest, ChosenItemsDisableTheirControls) {
    BYTE items[PlotStyleItemCount];
    // item -> its controls
    const std::vector<std::vector<int>> controls = {
        {102, 104}, {103, 105}, {125}, {126, 109}, {127, 110}, {113}, {114}, {115}, {117},
        {118},      {123},      {122}, {119},      {120},      {121}, {133}, {132}, {134},
        {101}};
    plot.Style.LineInterpolate = 3;
    for (int off = 0; off < PlotStyleItemCount; ++off) {
        for (BYTE& b : items) b = 1;
        items[off] = 0;
        TPlotDialog dlg(&chart, &plot, 1, items);
        ASSERT_TRUE(dlg.Create());
        for (int item = 0; item < PlotStyleItemCount; ++item)
            for (int id : controls[item])
                EXPECT_EQ(dlg.IsControlEnabled(id), item != off) << "item " << off << " control " << id;
        EXPECT_FALSE(dlg.IsControlEnabled(129));
        EXPECT_FALSE(dlg.IsControlEnabled(124));  // even with a curved method
        EXPECT_TRUE(dlg.IsControlEnabled(130));
        EXPECT_TRUE(dlg.IsControlEnabled(1));
    }
    // A curved method chosen in an enabled list enables the divisions button.
    for (BYTE& b : items) b = 1;
    TPlotDialog dlg(&chart, &plot, 1, items);
    dlg.Create();
    Choose(dlg, 117, 4);
    EXPECT_TRUE(dlg.IsControlEnabled(124));
}

TEST_F(PlotDialogTest, UserConstantAndFunctionButtons) {
    std::vector<std::string> opened;
    TPlotDialog dlg(&chart, &plot, 1);
    dlg.Create();
    kvtest::Click(dlg, 130);  // nothing installed: nothing opens
    kvtest::Click(dlg, 131);
    auto c = kv::SetUserConstDialogRunner([&](QWidget* parent) {
        EXPECT_EQ(parent, &dlg);
        opened.push_back("constants");
    });
    auto f = kv::SetUserFunctionDialogRunner([&](QWidget* parent) {
        EXPECT_EQ(parent, &dlg);
        opened.push_back("functions");
    });
    kvtest::Click(dlg, 130);
    kvtest::Click(dlg, 131);
    kv::SetUserConstDialogRunner(c);
    kv::SetUserFunctionDialogRunner(f);
    EXPECT_EQ(opened, (std::vector<std::string>{"constants", "functions"}));
    EXPECT_FALSE(dlg.IsClosed());
}

TEST(PlotDialogMarkers, TheListOrderBothWays) {
    const int codes[16] = {0, 1, 2, 3, 4, 5, 14, 15, 6, 7, 8, 9, 12, 13, 10, 11};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(PlotDialogMarkerCode(i), codes[i]);
        EXPECT_EQ(PlotDialogMarkerIndex(codes[i]), i);
    }
    for (int bad : {-1, 16, 1000}) {
        EXPECT_EQ(PlotDialogMarkerCode(bad), -1);
        EXPECT_EQ(PlotDialogMarkerIndex(bad), -1);
    }
}

}  // namespace
