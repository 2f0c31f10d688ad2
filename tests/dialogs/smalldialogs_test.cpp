// The connection-settings and default-type dialogs, the series selection dialogs
// and the report and information windows.

#include "dialogs/dataselect.h"
#include "dialogs/interset.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/mesdialog.h"
#include "dialogs/support/driver.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTextCursor>

#include <memory>
#include <string>
#include <vector>

namespace {

// ---- divisions ----

TEST(InterSetDialog, DivisionsFromTwoToHundred) {
    const std::string msg = "分割数が小さすぎるか ( < 2) 、大きすきます ( > 100 )。";
    struct Case {
        const char* typed;
        bool ok;
        int stored;
    };
    const Case cases[] = {
        {"2", true, 2},     {"100", true, 100}, {"50abc", true, 50}, {" 7", true, 7},
        {"1", false, 20},   {"101", false, 20}, {"0", false, 20},    {"", false, 20},
        {"abc", false, 20}, {"-3", false, 20},  {"4294967298", false, 20},
    };
    for (const Case& c : cases) {
        TPlotStyle style;  // divisions 20
        TInterSetDialog dlg(nullptr, &style);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾃﾞｰﾀ線の接続"));
        kv::ScriptedMessageBoxes boxes;
        dlg.Create();
        EXPECT_EQ(dlg.ItemText(101), QStringLiteral("20"));
        dlg.SetItemText(101, QString::fromUtf8(c.typed));
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.IsClosed(), c.ok) << c.typed;
        EXPECT_EQ(style.LineInterpolatePara, c.stored) << c.typed;
        if (c.ok) {
            EXPECT_EQ(dlg.ReturnValue(), IDOK);
            EXPECT_TRUE(boxes.Shown().empty());
        } else {
            ASSERT_EQ(boxes.Shown().size(), 1u) << c.typed;
            EXPECT_EQ(boxes.Shown()[0].text, msg);
            EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
            EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
            EXPECT_EQ(dlg.ItemText(101), QString::fromUtf8(c.typed));  // as typed
        }
    }
    // Cancel leaves the style alone.
    TPlotStyle style;
    TInterSetDialog dlg(nullptr, &style);
    const int code = kvtest::RunModal(dlg, [&] {
        dlg.SetItemText(101, QStringLiteral("3"));
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(style.LineInterpolatePara, 20);
}

TEST(SelectDefaultDataType, RemembersTheLastOkForTheRun) {
    DefaultDataTypeChoice[0] = 1;
    DefaultDataTypeChoice[1] = 0;
    {
        TSelectDefaultDataType dlg(nullptr);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾃﾞﾌｫﾙﾄｽﾀｲﾙの保存"));
        const int code = kvtest::RunModal(dlg, [&] {
            EXPECT_EQ(dlg.IsItemChecked(101), 1);
            EXPECT_EQ(dlg.IsItemChecked(102), 0);
            kvtest::Click(dlg, IDOK);
        });
        EXPECT_EQ(code, DefaultTypeDiskFile);
    }
    {
        TSelectDefaultDataType dlg(nullptr);
        const int code = kvtest::RunModal(dlg, [&] {
            kvtest::Click(dlg, 102);
            kvtest::Click(dlg, IDOK);
        });
        EXPECT_EQ(code, DefaultTypeMemory);
    }
    {
        TSelectDefaultDataType dlg(nullptr);  // Cancel changes nothing
        const int code = kvtest::RunModal(dlg, [&] {
            EXPECT_EQ(dlg.IsItemChecked(102), 1);
            kvtest::Click(dlg, 101);
            kvtest::PressKey(dlg.ControlWidget(101), Qt::Key_Escape);
        });
        EXPECT_EQ(code, IDCANCEL);
    }
    EXPECT_EQ(DefaultDataTypeChoice[0], 0);
    EXPECT_EQ(DefaultDataTypeChoice[1], 1);
    TSelectDefaultDataType dlg(nullptr);
    dlg.Create();
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(dlg.ReturnValue(), DefaultTypeMemory);
    EXPECT_NE(DefaultTypeDiskFile, IDCANCEL);
    EXPECT_NE(DefaultTypeMemory, IDCANCEL);
    DefaultDataTypeChoice[0] = 1;
    DefaultDataTypeChoice[1] = 0;
}

// ---- series lists ----

std::unique_ptr<BoxFrame> AxisSetWith(std::vector<const char*> names) {
    auto set = std::make_unique<BoxFrame>();
    for (const char* name : names) {
        auto plot = std::make_unique<TPlot>();
        lstrcpynA(plot->DataFileName, name, MAX_PATH);
        set->PlotList.Add(plot.release());
    }
    return set;
}

std::vector<QString> Lines(PDialog& dlg) {
    std::vector<QString> out;
    auto* list = dlg.Control<PListBox>(101);
    for (int i = 0; i < list->GetCount(); ++i) out.push_back(list->GetString(i));
    return out;
}

TEST(DataSelectDialog, ListsSeriesAndHandsTheChoiceToTheFits) {
    auto set = AxisSetWith({"D:\\data\\run1.dat", "/home/u/b.csv", "E:\\x\\a.dat",
                            "\x83\x65\x83\x58\x83\x67.txt", "memory 5"});
    set->PlotList[5]->IsFileData = 0;
    TDataSlectDialogXfer.Clear();
    {
        TDataSlectDialog dlg(nullptr, set.get());
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾃﾞｰﾀの選択"));
        const int code = kvtest::RunModal(dlg, [&] {
            EXPECT_EQ(Lines(dlg), (std::vector<QString>{"001 : run1.dat", "002 : b.csv",
                                                        "003 : a.dat", "004 : テスト.txt",
                                                        "005 : memory 5"}));
            auto* list = dlg.Control<PListBox>(101);
            EXPECT_EQ(list->GetSelCount(), 0);
            // Each click toggles a line.
            for (int row : {4, 1, 3, 3})
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(list->item(row)).center());
            kvtest::Click(dlg, IDOK);
        });
        EXPECT_EQ(code, IDOK);
    }
    EXPECT_EQ(TDataSlectDialogXfer.SelIndices, (std::vector<int>{1, 4}));  // series 2 and 5
    EXPECT_EQ(TDataSlectDialogXfer.Strings.size(), 5u);
    {
        // Every opening starts with nothing selected; select all, clear all, Cancel.
        TDataSlectDialog dlg(nullptr, set.get());
        dlg.Create();
        auto* list = dlg.Control<PListBox>(101);
        EXPECT_EQ(list->GetSelCount(), 0);
        kvtest::Click(dlg, 102);
        EXPECT_EQ(list->GetSelCount(), 5);
        kvtest::Click(dlg, 103);
        EXPECT_EQ(list->GetSelCount(), 0);
        kvtest::Click(dlg, 102);
        kvtest::Click(dlg, IDCANCEL);
        EXPECT_EQ(TDataSlectDialogXfer.SelIndices, (std::vector<int>{1, 4}));
    }
    {
        BoxFrame empty;
        TDataSlectDialog dlg(nullptr, &empty);
        dlg.Create();
        EXPECT_TRUE(Lines(dlg).empty());
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.ReturnValue(), IDOK);
        EXPECT_TRUE(TDataSlectDialogXfer.SelIndices.empty());
    }
}

TEST(PlotShowHideDialog, SelectedLinesAreTheShownSeriesAfterOk) {
    auto set = AxisSetWith({"a.dat", "b.dat", "c.dat"});
    set->PlotList[2]->Style.IsShown = 0;
    set->PlotList[3]->Style.IsShown = 2;  // only 1 counts as shown
    {
        TPlotShowHideDialog dlg(nullptr, set.get());
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾃﾞｰﾀの表示／非表示"));
        EXPECT_EQ(dlg.ItemText(IDOK), QStringLiteral("OK"));
        dlg.Create();
        EXPECT_EQ(dlg.Control<PListBox>(101)->GetSelIndexes(), (std::vector<int>{0}));
        kvtest::Click(dlg, 103);  // clear all, then Cancel: nothing changes
        kvtest::Click(dlg, IDCANCEL);
        EXPECT_EQ(set->PlotList[1]->Style.IsShown, 1);
        EXPECT_EQ(set->PlotList[3]->Style.IsShown, 2);
    }
    {
        TPlotShowHideDialog dlg(nullptr, set.get());
        dlg.Create();
        dlg.Control<PListBox>(101)->SetSel(2, true);
        dlg.Control<PListBox>(101)->SetSel(0, false);
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(set->PlotList[1]->Style.IsShown, 0);
        EXPECT_EQ(set->PlotList[2]->Style.IsShown, 0);
        EXPECT_EQ(set->PlotList[3]->Style.IsShown, 1);
    }
    {
        TPlotShowHideDialog dlg(nullptr, set.get());
        dlg.Create();
        kvtest::Click(dlg, 103);
        kvtest::Click(dlg, IDOK);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(set->PlotList[i]->Style.IsShown, 0) << i;
    }
}

TEST(MultiReadSetDialog, CountTextChoiceAndResults) {
    MultiReadChoice[0] = 1;
    MultiReadChoice[1] = 0;
    {
        TMultiReadSetDialog dlg(nullptr, 3);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("複数ﾌｧｲﾙの設定"));
        const int code = kvtest::RunModal(dlg, [&] {
            EXPECT_EQ(dlg.ItemText(104), QStringLiteral("3 個のファイルが選択されています。"));
            EXPECT_EQ(dlg.IsItemChecked(102), 1);
            EXPECT_EQ(dlg.IsItemChecked(103), 0);
            kvtest::Click(dlg, 103);
            kvtest::Click(dlg, IDOK);
        });
        EXPECT_EQ(code, MultiReadCommon);
    }
    {
        TMultiReadSetDialog dlg(nullptr, 2);
        const int code = kvtest::RunModal(dlg, [&] {
            EXPECT_EQ(dlg.IsItemChecked(103), 1);
            kvtest::Click(dlg, IDOK);
        });
        EXPECT_EQ(code, MultiReadCommon);
    }
    {
        TMultiReadSetDialog dlg(nullptr, 2);
        dlg.Create();
        kvtest::Click(dlg, 102);
        kvtest::Click(dlg, IDCANCEL);
        EXPECT_EQ(dlg.ReturnValue(), IDCANCEL);
        EXPECT_EQ(MultiReadChoice[1], 1);  // Cancel keeps the choice
    }
    {
        TMultiReadSetDialog dlg(nullptr, 2);
        dlg.Create();
        kvtest::Click(dlg, 102);
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.ReturnValue(), MultiReadIndividual);
    }
    MultiReadChoice[0] = 1;
    MultiReadChoice[1] = 0;
}

// ---- text windows ----

TEST(MesDialog, ShowsTheWholeReportUnderTheCallersCaption) {
    std::string report;
    for (int i = 0; report.size() < 3000; ++i) report += "A = 1.234567890123 line " + std::to_string(i) + "\r\n";
    TMesDialog dlg(nullptr, report.c_str(), "Linear Least Square Fit");
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾌｨｯﾃｨﾝｸﾞ結果"));
    const int code = kvtest::RunModal(dlg, [&] {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Linear Least Square Fit"));
        EXPECT_EQ(dlg.ItemDocText(101), report);
        EXPECT_TRUE(dlg.Control<PMultiEdit>(101)->isReadOnly());
        // Enter ends it through the default button 2.
        kvtest::PressKey(dlg.ControlWidget(101), Qt::Key_Return);
    });
    EXPECT_EQ(code, IDCANCEL);
    TMesDialog again(nullptr, "x", "Non-linear Least Square Fit");
    EXPECT_EQ(kvtest::RunModal(again, [&] { kvtest::Click(again, IDCANCEL); }), IDCANCEL);
}

TEST(InfoDialog, TheButtonStoresTheCloseBoxDoesNot) {
    std::string info = "first\r\n\x83\x65\x83\x58\x83\x67";  // テスト
    {
        TInfoDialog dlg(nullptr, &info);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("情報"));
        const int code = kvtest::RunModal(dlg, [&] {
            EXPECT_EQ(dlg.ItemText(101), QStringLiteral("first\r\nテスト"));
            auto* edit = dlg.Control<PMultiEdit>(101);
            edit->moveCursor(QTextCursor::End);
            kvtest::TypeText(edit, QStringLiteral("追加"));
            dlg.close();  // the close box
        });
        EXPECT_EQ(code, IDCANCEL);
        EXPECT_EQ(info, "first\r\n\x83\x65\x83\x58\x83\x67");
    }
    {
        TInfoDialog dlg(nullptr, &info);
        const int code = kvtest::RunModal(dlg, [&] {
            auto* edit = dlg.Control<PMultiEdit>(101);
            edit->moveCursor(QTextCursor::End);
            kvtest::TypeText(edit, QStringLiteral("追加"));
            kvtest::Click(dlg, IDCANCEL);  // the button: command 2
        });
        EXPECT_EQ(code, IDCANCEL);
        EXPECT_EQ(kv::FromDoc(info), QStringLiteral("first\r\nテスト追加"));
    }
    {
        // A text longer than the typing limit shows and stores whole.
        std::string longInfo(2500, 'i');
        TInfoDialog dlg(nullptr, &longInfo);
        dlg.Create();
        EXPECT_EQ(dlg.ItemText(101).size(), 2500);
        kvtest::Click(dlg, IDCANCEL);
        EXPECT_EQ(longInfo.size(), 2500u);
    }
    {
        std::string empty;
        TInfoDialog dlg(nullptr, &empty);
        dlg.Create();
        EXPECT_EQ(dlg.ItemText(101), QString());
        kvtest::Click(dlg, IDCANCEL);
        EXPECT_EQ(empty, "");
    }
}

}  // namespace
