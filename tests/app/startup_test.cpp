// Start-up: the frame with its client, bars, status bar and menu; the command
// route, the enable states, hints and tooltips; the keys.

#include "app_fixture.h"

#include "app/history.h"
#include "app/menus.h"
#include "platform/cformat.h"
#include "platform/stringtable.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <set>
#include <stdexcept>

namespace {

using apptest::AppTest;

// The menu bar as lines: pop-ups as "[title]" with their items indented, items as
// "id text", separators as "-".
void Dump(const QList<QAction*>& actions, const std::string& indent, std::vector<std::string>& out) {
    for (QAction* a : actions) {
        if (a->menu()) {
            out.push_back(indent + "[" + a->menu()->title().toStdString() + "]");
            Dump(a->menu()->actions(), indent + "  ", out);
        } else if (a->isSeparator()) {
            out.push_back(indent + "-");
        } else {
            out.push_back(indent + std::to_string(a->data().toInt()) + " " + a->text().toStdString());
        }
    }
}

TEST_F(AppTest, StartUpBuildsTheFrameWithItsClientAndCaption) {
    Start();
    ASSERT_NE(app->Frame, nullptr);
    EXPECT_EQ(app->Frame->centralWidget(), chart());
    EXPECT_EQ(app->Frame->windowTitle().toStdString(), "Korvida - Untitled.kv3");
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 1);
    // Without a profile the frame takes the stored defaults: (0, 0), 500 x 500.
    EXPECT_EQ(app->Frame->geometry(), QRect(0, 0, 500, 500));
    // The status bar: the zoom the fit to the paper chose, the current axis set.
    EXPECT_EQ(app->StatusBar()->GetGadgetText(2), "Axis 1");
    EXPECT_EQ(app->StatusBar()->GetGadgetText(1), kv::Format("%3d%%", chart()->Document.Env->Zoom));
    EXPECT_GE(chart()->Document.Env->Zoom, 23);
    EXPECT_TRUE(app->Frame->statusBar()->isSizeGripEnabled());
    // The profile path: the user's file in the home directory.
    const std::string profile = app->ProfilePath();
    EXPECT_EQ(profile.rfind(Dir() + "/", 0), 0u);
    EXPECT_EQ(profile.substr(profile.size() - 8), ".korvida");
    EXPECT_FALSE(app->AppDirectory().empty());
    EXPECT_EQ(app->AppDirectory().back(), '/');
    EXPECT_EQ(app->GraphFileVersion, 1340);
}

TEST_F(AppTest, CommandBarAndToolPaletteHoldTheirButtonsInOrder) {
    Start();
    QToolBar* bar = app->Frame->CommandBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->objectName(), "55530");
    EXPECT_EQ(bar->iconSize(), QSize(20, 20));
    std::vector<int> ids;
    for (QAction* a : bar->actions())
        if (a->data().isValid()) ids.push_back(a->data().toInt());
    EXPECT_EQ(ids, (std::vector<int>{24331, 24332, 24333, 132, 133, 24337, 24340, 114, 115, 142}));

    QToolBar* palette = app->Frame->ToolPaletteBar();
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->orientation(), Qt::Vertical);
    EXPECT_EQ(palette->iconSize(), QSize(24, 24));
    ids.clear();
    for (QAction* a : palette->actions())
        if (a->data().isValid()) ids.push_back(a->data().toInt());
    EXPECT_EQ(ids, (std::vector<int>{1001, 1003, 1004, 1005, 1021, 1027, 1022, 1023, 1024, 1025, 1002, 1026}));
    for (int id : {1001, 1003, 1004, 1005, 1021, 1027, 1022, 1023, 1024, 1025}) {
        QAction* a = app->Frame->ButtonAction(id);
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(a->isCheckable()) << id;
        EXPECT_EQ(a->isChecked(), id == 1001) << id;
        EXPECT_FALSE(a->icon().isNull()) << id;
    }
    for (int id : {1002, 1026}) EXPECT_FALSE(app->Frame->ButtonAction(id)->isCheckable()) << id;
}

TEST_F(AppTest, PaletteButtonsAreExclusiveAndTheChartViewReadsThem) {
    Start();
    kv::win::TToolPalette* palette = app->ToolPalette();
    ASSERT_EQ(chart()->ToolBar, palette);
    EXPECT_TRUE(palette->IsButtonDown(1001));
    app->Frame->ButtonAction(1024)->trigger();
    EXPECT_TRUE(palette->IsButtonDown(1024));
    EXPECT_FALSE(palette->IsButtonDown(1001));
    palette->SetButtonDown(1001);
    EXPECT_TRUE(app->Frame->ButtonAction(1001)->isChecked());
    EXPECT_FALSE(app->Frame->ButtonAction(1024)->isChecked());
    // Command buttons are never down.
    palette->SetButtonDown(1002);
    EXPECT_TRUE(palette->IsButtonDown(1001));
}

TEST_F(AppTest, TextAndLegendButtonsActOnceAndHandBackTheSelectionTool) {
    Start();
    kv::win::TToolPalette* palette = app->ToolPalette();
    BoxFrame* set = chart()->Document.Current;
    const int texts = set->TextList.GetItemsInContainer();
    app->Frame->ButtonAction(1024)->trigger();
    {
        apptest::ModalScript script;
        script.Then(7, apptest::ModalScript::Press(IDCANCEL));
        EXPECT_TRUE(Run(CM_INSERTTEXT));
    }
    EXPECT_EQ(set->TextList.GetItemsInContainer(), texts);
    EXPECT_TRUE(palette->IsButtonDown(1001));
    EXPECT_EQ(chart()->Document.Modified, 0);

    app->Frame->ButtonAction(1021)->trigger();
    set->PlotList.Add(new TPlot);
    {
        apptest::ModalScript script;
        script.Then(8, [](PDialog& d) {
            apptest::ModalScript::Press(105)(d);  // every series
            apptest::ModalScript::Press(IDOK)(d);
        });
        EXPECT_TRUE(Run(CM_INSERTLEGEND));
    }
    EXPECT_EQ(set->TextList.GetItemsInContainer(), texts + 1);
    EXPECT_TRUE(palette->IsButtonDown(1001));
    EXPECT_EQ(chart()->Document.Modified, 1);
}

TEST_F(AppTest, HintsAndTooltips) {
    Start();
    struct Case {
        int id;
        const char* hint;
        const char* tip;
    };
    const Case cases[] = {
        {24331, "現在のグラフをクリアして、新規グラフを作成します。", "新規ｸﾞﾗﾌの作成"},
        {24332, "グラフをディスクからオープンします。", "ｸﾞﾗﾌのｵｰﾌﾟﾝ"},
        {24333, "グラフを現在のファイル名で上書き保存します。", "ｸﾞﾗﾌの上書き保存"},
        {115, "データマネージャを起動します。", "ﾃﾞｰﾀﾏﾈｰｼﾞｬ"},
        {142, "クリップボードからカレント座標軸へ、数値データを貼り付けます。", "数値ﾃﾞｰﾀの貼り付け"},
        {1001, "ｵﾌﾞｼﾞｪｸﾄを選択します", "ｵﾌﾞｼﾞｪｸﾄの選択"},
        {1004, "ﾏｳｽで表示数値範囲を選択します", "ﾄﾘﾐﾝｸﾞ"},
        {1026, "凡例を挿入します", "凡例の挿入"},
    };
    for (const Case& c : cases) {
        QAction* a = app->Frame->ButtonAction(c.id);
        ASSERT_NE(a, nullptr) << c.id;
        EXPECT_EQ(a->statusTip().toStdString(), c.hint) << c.id;
        EXPECT_EQ(a->toolTip().toStdString(), c.tip) << c.id;
    }
    // Menu items carry the same hints.
    EXPECT_EQ(app->Frame->MenuAction(24335)->statusTip().toStdString(),
              "グラフをディスクからオープンし、追加します。");
    EXPECT_EQ(TooltipFromMenuText("&X Axis...\tCtrl+X"), "X Axis");
    EXPECT_EQ(TooltipFromMenuText("ﾍﾟｰｼﾞの設定(&U) ..."), "ﾍﾟｰｼﾞの設定");
    EXPECT_EQ(TooltipFromMenuText("25%"), "25%");
}

TEST_F(AppTest, MenuTreeHoldsEveryItemWithItsIdAndText) {
    Start();
    std::vector<std::string> lines;
    Dump(app->Frame->menuBar()->actions(), "", lines);
    const std::vector<std::string> expected = {
        "[ﾌｧｲﾙ(&F)]",
        "  24331 新規ｸﾞﾗﾌの作成(&N)", "  24332 ｸﾞﾗﾌのｵｰﾌﾟﾝ(&O)...", "  24335 ｸﾞﾗﾌの追加(&D)...", "  -",
        "  24333 ｸﾞﾗﾌの上書き保存(&S)", "  24334 ｸﾞﾗﾌの保存(&A)...", "  -",
        "  132 ｸﾘｯﾌﾟﾎﾞｰﾄﾞへ(&C)...", "  133 ｴｸｽﾎﾟｰﾄ(&E)...", "  -",
        "  24340 ﾌﾟﾚﾋﾞｭｰ(&V)", "  24337 印刷(&P)...", "  24338 ﾍﾟｰｼﾞの設定(&U) ...", "  24341 ﾍｯﾀﾞ/ﾌｯﾀ(&H)...",
        "  -", "  135 &1.", "  136 &2.", "  137 &3.", "  138 &4.", "  139 &5.", "  -", "  24310 終了(&X)",
        "[座標軸(&A)]",
        "  101 外枠(&F)...\tCtrl+F", "  102 &X Axis...\tCtrl+X", "  103 &Y Axis...\tCtrl+Y",
        "  104 &Top Axis...\tCtrl+T", "  105 &Right Axis...\tCtrl+R", "  -",
        "  123 ｵｰﾄｽｹｰﾘﾝｸﾞ(&A)...\tCtrl+A", "  55531 ｽｹｰﾘﾝｸﾞのｺﾋﾟｰ(&C)...", "  55532 ｽｹｰﾘﾝｸﾞのﾍﾟｰｽﾄ(&P)...", "  -",
        "  120 新規座標軸の追加(&N)...", "  121 ｶﾚﾝﾄ座標軸の削除(&V)...", "  148 座標軸の複製(&D)...",
        "  [表示順(&E)]", "    149 最上位へ(&T)", "    150 上へ(&U)", "    151 下へ(&D)", "    152 最下位へ(&B)",
        "  -", "  122 ｶﾚﾝﾄ座標軸のみ表示(&O)", "  124 座標軸の基本設定(&B)...",
        "[ﾃﾞｰﾀ(&D)]",
        "  114 ﾃﾞｰﾀﾌｧｲﾙのｵｰﾌﾟﾝ(&O)...\tCtrl+D", "  115 ﾃﾞｰﾀﾏﾈｰｼﾞｬ(&D)....\tCtrl+M", "  130 表示／非表示(&S)...\tCtrl+S",
        "  -", "  [最小２乗ﾌｨｯﾃｨﾝｸﾞ(&L)]", "    128 線形(&L)...", "    129 非線形(&N)...", "  -",
        "  142 数値ﾃﾞｰﾀの貼り付け(&P)... \tShift+Ins", "  -",
        "  141 ﾕｰｻﾞ定義定数(&C)...", "  143 ﾕｰｻﾞ定義関数(&F)...", "  144 計算曲線の挿入(&I)...", "  145 簡易評価(&E)...",
        "[ｳｲﾝﾄﾞｳ(&W)]",
        "  [表示倍率(&V)]", "    107 25%", "    108 50%", "    109 75%", "    110 100%", "    111 150%", "    112 200%",
        "    113 400%", "    -", "    126 用紙全体の表示(&P)\tCtrl+P", "    127 ｸﾞﾗﾌ全体の表示(&G)\tCtrl+G",
        "  [ｸﾞﾘｯﾄﾞ(&G)]", "    106 なし(&N)", "    116 &5 points", "    117 &10 points", "    118 &15 points",
        "    119 &20 points",
        "  125 ﾄﾞﾗﾌﾄ表示(&D)", "  134 用紙の色(&C)...", "  55530 ｺﾏﾝﾄﾞﾊﾞｰ(&C)", "  -",
        "  146 ﾏﾆｭｱﾙﾘﾌﾚｯｼｭ(&M)", "  147 画面の再描画(&R) \tSpace", "  -", "  131 環境設定（&O)...",
        "[ﾍﾙﾌﾟ(&H)]",
        "  140 Ｋｏｒｖｉｄａのﾍﾙﾌﾟ(&H)\tF1", "  2009 Ｋｏｒｖｉｄａについて(&A)...",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(AppTest, EveryMenuIdHasExactlyOneTargetOnTheRoute) {
    Start();
    kv::win::TCommandTarget* targets[] = {chart(), app->Frame, app.get()};
    for (const MenuLine& line : MainMenuLines()) {
        if (line.Kind != MenuKind::Item) continue;
        int owners = 0;
        for (kv::win::TCommandTarget* t : targets) {
            kv::win::TCommandEnabler ce(line.Id);
            if (t->ProcessCommandEnable(ce)) ++owners;
        }
        EXPECT_EQ(owners, 1) << "menu id " << line.Id;
    }
    // And the palette's tools, which have no menu item.
    for (int id : {1001, 1002, 1003, 1004, 1005, 1021, 1022, 1023, 1024, 1025, 1026, 1027}) {
        kv::win::TCommandEnabler ce(id);
        EXPECT_TRUE(app->ProcessCommandEnable(ce)) << id;
    }
}

TEST_F(AppTest, ItemsAreEnabledOnlyWhereACommandIsBuilt) {
    Start();
    auto enabled = [&](int id) { return app->Frame->MenuAction(id)->isEnabled(); };
    for (int id : {24331, 24332, 24333, 24334, 24335, 133, 135, 139, 24310, 106, 116, 125, 126, 127, 134, 146,
                   147, 140, 55530, 107, 113, 24337, 24338, 24340, 2009})
        EXPECT_TRUE(enabled(id)) << id;
    for (int id : {1001, 1003, 1021, 1027}) EXPECT_TRUE(app->Frame->ButtonAction(id)->isEnabled()) << id;
    // A disabled command does nothing, whatever sends it: printing without a
    // usable printer.
    app->Printer->Data().error = 1;
    EXPECT_FALSE(Run(24337));
    // Check marks: no grid, the command bar shown.
    EXPECT_TRUE(app->Frame->MenuAction(106)->isChecked());
    EXPECT_TRUE(app->Frame->MenuAction(55530)->isChecked());
    EXPECT_FALSE(app->Frame->MenuAction(116)->isChecked());
}

TEST_F(AppTest, CommandBarItemShowsAndHidesTheBar) {
    Start();
    QToolBar* bar = app->Frame->CommandBar();
    EXPECT_TRUE(bar->isVisibleTo(app->Frame));
    ASSERT_TRUE(Run(55530));
    EXPECT_FALSE(bar->isVisibleTo(app->Frame));
    EXPECT_FALSE(app->Frame->MenuAction(55530)->isChecked());
    ASSERT_TRUE(Run(55530));
    EXPECT_TRUE(bar->isVisibleTo(app->Frame));
    EXPECT_TRUE(app->Frame->MenuAction(55530)->isChecked());
}

// A first target that answers every command and records what reached it.
class Recorder : public kv::win::TCommandTarget {
public:
    bool ProcessCommand(int id) override {
        ids.push_back(id);
        return true;
    }
    bool ProcessCommandEnable(kv::win::TCommandEnabler& ce) override {
        ce.Enable(true);
        return true;
    }
    std::vector<int> ids;
};

TEST_F(AppTest, EveryAcceleratorSendsItsId) {
    Start();
    Recorder recorder;
    app->Router.SetTargets({&recorder});
    app->Frame->show();
    app->Frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app->Frame));
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int id;
    };
    const Key keys[] = {
        {Qt::Key_D, Qt::ControlModifier, 114}, {Qt::Key_M, Qt::ControlModifier, 115},
        {Qt::Key_Return, Qt::NoModifier, 115}, {Qt::Key_Enter, Qt::KeypadModifier, 115},
        {Qt::Key_F1, Qt::NoModifier, 140},     {Qt::Key_A, Qt::ControlModifier, 123},
        {Qt::Key_F, Qt::ControlModifier, 101}, {Qt::Key_X, Qt::ControlModifier, 102},
        {Qt::Key_Y, Qt::ControlModifier, 103}, {Qt::Key_T, Qt::ControlModifier, 104},
        {Qt::Key_R, Qt::ControlModifier, 105}, {Qt::Key_Insert, Qt::ShiftModifier, 142},
        {Qt::Key_P, Qt::ControlModifier, 126}, {Qt::Key_G, Qt::ControlModifier, 127},
        {Qt::Key_Space, Qt::NoModifier, 147},  {Qt::Key_S, Qt::ControlModifier, 130},
    };
    for (const Key& k : keys) {
        recorder.ids.clear();
        QTest::keyClick(chart()->ClientWidget(), k.key, k.mods);
        EXPECT_EQ(recorder.ids, std::vector<int>{k.id}) << "key " << k.key << " mods " << int(k.mods);
    }
    // Keys outside the table send nothing.
    recorder.ids.clear();
    QTest::keyClick(chart()->ClientWidget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(recorder.ids.empty());
    app->Router.SetTargets({chart(), app->Frame, app.get()});
}

TEST_F(AppTest, MenuItemsRunTheirCommandThroughTheRoute) {
    Start();
    QAction* grid10 = app->Frame->MenuAction(117);
    ASSERT_NE(grid10, nullptr);
    grid10->trigger();
    EXPECT_EQ(chart()->Document.Env->IsGrid, 1);
    EXPECT_EQ(chart()->Document.Env->GridPitch, 200);
    EXPECT_TRUE(app->Frame->MenuAction(117)->isChecked());
    EXPECT_FALSE(app->Frame->MenuAction(106)->isChecked());
    EXPECT_EQ(chart()->Document.Modified, 0);
    app->Frame->MenuAction(110)->trigger();
    EXPECT_EQ(chart()->Document.Env->Zoom, 100);
    EXPECT_EQ(app->StatusBar()->GetGadgetText(1), "100%");
}

TEST_F(AppTest, HelpOpensTheFileBesideTheProgram) {
    Start();
    ASSERT_TRUE(Run(140));
    EXPECT_EQ(app->helpOpened, std::vector<std::string>{app->AppDirectory() + "KORVIDA.HLP"});
}

TEST_F(AppTest, StrayExceptionIsShownWithTheQuestionToGoOn) {
    boxes.Answer(IDNO);
    boxes.Answer(IDYES);
    EXPECT_FALSE(kv::app::ReportStrayException(
        std::make_exception_ptr(std::runtime_error("Attempt to stream unregistered type 'X'"))));
    EXPECT_TRUE(kv::app::ReportStrayException(std::make_exception_ptr(std::bad_alloc())));
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text, "Attempt to stream unregistered type 'X'\n再開しますか?");
    EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
    EXPECT_EQ(boxes.Shown()[1].text, kv::LoadString(17) + "\n再開しますか?");
}

TEST(ColorDialog, CustomColoursComeBackOnlyWithOk) {
    // The user adds a custom colour, picks a colour and answers.
    bool accept = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        QColorDialog::setCustomColor(0, QColor(10, 20, 30));
        dlg->setCurrentColor(QColor(200, 0, 0));
        if (accept) dlg->accept();
        else dlg->reject();
    });
    answer.start(20);

    kv::CustomColors custom;
    custom.fill(RGB(255, 255, 255));
    kv::ColorDialogRequest request;
    request.color = RGB(0, 0, 255);
    request.custom = &custom;
    request.flags = CC_RGBINIT | CC_FULLOPEN;

    kv::ColorDialogResult result = kv::app::QtColorDialog(request);
    EXPECT_FALSE(result.chosen);
    EXPECT_EQ(custom[0], RGB(255, 255, 255));

    accept = true;
    result = kv::app::QtColorDialog(request);
    EXPECT_TRUE(result.chosen);
    EXPECT_EQ(result.color, RGB(200, 0, 0));
    EXPECT_EQ(custom[0], RGB(10, 20, 30));
    EXPECT_EQ(custom[1], RGB(255, 255, 255));
}

}  // namespace
