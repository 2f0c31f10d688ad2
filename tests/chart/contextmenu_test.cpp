// The right button: the context menu of what is selected (picked first when
// nothing is), its items and their states, the command an item sends, the drag
// that turns into a rubber band, and the polyline that the right button ends.

#include "chart_fixture.h"

#include "chart/chartmenus.h"
#include "chart/winlayer/commands.h"
#include "chart/winlayer/keystate.h"
#include "render/textlayout.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using charttest::MakeChart;
using charttest::TestApp;

namespace {

// What a shown pop-up held: one line per entry, "id" for an item (with " off"
// when greyed and " on" when checked), "-" for a separator, ">title" and "<"
// around a sub-menu.
struct ShownMenu {
    int count = 0;
    std::vector<std::string> lines;
    int choose = 0;  // the item the user picks, 0 none
    std::function<void(QMenu&)> during;  // what the user does while it is open

    static void Read(const QMenu& menu, std::vector<std::string>& out) {
        for (QAction* a : menu.actions()) {
            if (a->isSeparator()) {
                out.push_back("-");
            } else if (a->menu()) {
                out.push_back(">" + a->text().toStdString());
                Read(*a->menu(), out);
                out.push_back("<");
            } else {
                std::string line = std::to_string(a->data().toInt());
                if (!a->isEnabled()) line += " off";
                if (a->isCheckable() && a->isChecked()) line += " on";
                out.push_back(line);
            }
        }
    }
    static QAction* Find(const QMenu& menu, int id) {
        for (QAction* a : menu.actions()) {
            if (a->menu()) {
                if (QAction* sub = Find(*a->menu(), id)) return sub;
            } else if (!a->isSeparator() && a->data().toInt() == id) {
                return a;
            }
        }
        return nullptr;
    }
};

class ContextMenus : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart();
        w->CmZoom100();
        set = w->Document.Current;
        previousRunner = SetPopupMenuRunner([this](QMenu& menu, QPoint) {
            ++shown.count;
            shown.lines.clear();
            ShownMenu::Read(menu, shown.lines);
            if (shown.during) shown.during(menu);
            if (shown.choose)
                if (QAction* a = ShownMenu::Find(menu, shown.choose)) a->trigger();
        });
        previousKeys = kv::win::SetKeyStateSource([this](UINT vk) { return held.count(vk) > 0; });
        w->UpdateWindow();
    }
    void TearDown() override {
        SetPopupMenuRunner(previousRunner);
        kv::win::SetKeyStateSource(previousKeys);
    }

    // A right click at a page point.
    void RightClick(TPoint page) {
        w->WindowDC->LPtoDP(&page);
        w->EvRButtonDown(MK_RBUTTON, page);
    }
    // The first line of the last menu: which menu it was.
    std::string First() const { return shown.lines.empty() ? "" : shown.lines.front(); }

    TText* AddText(TPoint position, const char* s = "text") {
        auto t = std::make_unique<TText>();
        t->String = s;
        t->Position = position;
        ::LayoutText(t.get(), set);
        TText* p = t.get();
        set->TextList.Add(t.release());
        return p;
    }
    // A figure of kind through nodes relative to the frame origin.
    TZukei* AddFigure(int kind, std::vector<DoublePoint> nodes) {
        auto z = std::make_unique<TZukei>();
        z->Kind = kind;
        for (const DoublePoint& p : nodes) z->Nodes.Add(p);
        z->UpdateBounds();
        TZukei* p = z.get();
        set->ZukeiList.Add(z.release());
        return p;
    }
    TPlot* AddSeries(int isFile) {
        auto plot = std::make_unique<TPlot>();
        plot->IsFileData = isFile;
        for (int i = 1; i <= 4; ++i) {
            plot->XData.Add(TDataElement(i));
            plot->YData.Add(TDataElement(i));
        }
        TPlot* p = plot.get();
        set->PlotList.Add(plot.release());
        return p;
    }
    TPoint PageOf(double x, double y) const {
        return TPoint(set->ValueToPageInt(x, BottomAxisNo), set->ValueToPageInt(y, LeftAxisNo));
    }
    TPoint Centre(const TRect& r) const { return TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
    // Page point of a node of a figure of the current set.
    TPoint NodePage(const TZukei* z, int n) const {
        const DoublePoint& p = z->Nodes[n];
        return TPoint(int(set->Frame.OriginX) + int(p.X), int(set->Frame.OriginY) + int(p.Y));
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
    ShownMenu shown;
    std::set<UINT> held;
    PopupMenuRunner previousRunner;
    kv::win::KeyStateSource previousKeys;
};

TEST_F(ContextMenus, EmptyPaperOpensThePageMenuWithTheDraftCheckMark) {
    RightClick(TPoint(9000, 12000));
    EXPECT_EQ(shown.count, 1);
    // Without an application the preview has nobody to run it.
    const std::vector<std::string> page = {"107", "108", "109", "110", "111", "112", "113",
                                           "126", "127", "-",   "125", "24340 off"};
    EXPECT_EQ(shown.lines, page);
    EXPECT_EQ(w->TextSelected + w->ZukeiSelected + w->PlotSelected + w->AxisSelected, 0);

    w->ToggleDraft();
    RightClick(TPoint(9000, 12000));
    EXPECT_EQ(shown.lines[10], "125 on");
}

TEST_F(ContextMenus, ItemsCarryTheResourcesTexts) {
    const std::vector<std::pair<int, std::vector<std::string>>> menus = {
        {FigureMenu, {"ｽﾀｲﾙ...", "-", "削除", "複製", "-", ">表示順", "最上位へ", "上へ", "下へ", "最下位へ", "<"}},
        {TextMenu, {"ﾃｷｽﾄ編集...", "ﾌｫﾝﾄ...", "-", "削除", "複製"}},
        {MultipleMenu, {">ﾃｷｽﾄ", "ｽﾀｲﾙ...", "ﾌｫﾝﾄ...", "<", "図形...", "-", "削除"}},
        {AxisSetMenu, {"外枠...", "X Axis...", "Y Axis...", "Top Axis...", "Right Axis...", "-", "ｵｰﾄｽｹｰﾘﾝｸﾞ..."}},
        {NodeMenu, {"ノード挿入", "ノード削除"}},
    };
    for (const auto& [id, texts] : menus) {
        std::vector<std::string> got;
        for (const ContextMenuLine& l : ContextMenuLines(id)) {
            switch (l.Kind) {
            case ContextLineKind::Item: got.push_back(l.Text); break;
            case ContextLineKind::Separator: got.push_back("-"); break;
            case ContextLineKind::Popup: got.push_back(std::string(">") + l.Text); break;
            case ContextLineKind::EndPopup: got.push_back("<"); break;
            }
        }
        EXPECT_EQ(got, texts) << id;
    }
}

TEST_F(ContextMenus, PickingOrderIsTextFigureSeriesFrameEdge) {
    // A text over a figure over a series point.
    AddSeries(1);
    const TPoint point = PageOf(2, 2);
    const TPoint rel(point.x - int(set->Frame.OriginX), point.y - int(set->Frame.OriginY));
    // Filled, so that it is hit anywhere inside and not only along its outline.
    TZukei* figure =
        AddFigure(ZukeiRectangle, {DoublePoint(rel.x - 300, rel.y - 300), DoublePoint(rel.x + 300, rel.y + 300)});
    figure->BrushType = -1;
    TText* text = AddText(TPoint(rel.x, rel.y));
    const TPoint onText = Centre(w->GetTextRect(set, text));

    RightClick(onText);
    EXPECT_EQ(w->TextSelected, 1);
    EXPECT_EQ(w->TextFrameShown, 1);
    EXPECT_EQ(First(), "301");

    w->ClearFeedback();
    set->TextList.Flush();
    RightClick(point);
    EXPECT_EQ(w->ZukeiSelected, 1);
    EXPECT_EQ(w->HandlesShown, 1);
    EXPECT_EQ(First(), "201");

    w->ClearFeedback();
    set->ZukeiList.Flush();
    std::strcpy(set->PlotList[1]->DataFileName, "C:\\\x83\x66\x81\x5b\x83\x5e.dat");  // データ.dat
    RightClick(point);
    EXPECT_EQ(w->PlotSelected, 1);
    EXPECT_EQ(w->SelectedPlot, 1);
    EXPECT_EQ(w->SelectedRow, 1);
    EXPECT_EQ(w->DataCursor.X, 2);
    EXPECT_EQ(First(), "401");
    EXPECT_EQ(app.StatusBar()->GetMessage().rfind("[ データ.dat ] %i=1 %c=2 (2, 2)", 0), 0u)
        << app.StatusBar()->GetMessage();

    // With the series search switched off the frame edge below is found.
    w->ClearFeedback();
    w->Settings.DataHitAlgorithm = 3;
    RightClick(TPoint(point.x, int(set->Frame.OriginY + set->Frame.FrameLengthY)));
    EXPECT_EQ(w->PlotSelected, 0);
    EXPECT_EQ(w->AxisSelected, 1);
    EXPECT_EQ(w->SelectedAxis, 1);
    EXPECT_EQ(First(), "101");
}

TEST_F(ContextMenus, SeriesMenuGreysWhatTheSeriesKindCannotDo) {
    AddSeries(0);
    RightClick(PageOf(3, 3));
    ASSERT_EQ(w->PlotSelected, 1);
    const std::vector<std::string> memory = shown.lines;
    auto state = [](const std::vector<std::string>& lines, const std::string& id) {
        for (const std::string& l : lines)
            if (l.rfind(id, 0) == 0 && (l.size() == id.size() || l[id.size()] == ' ')) return l;
        return std::string("missing");
    };
    EXPECT_EQ(state(memory, "402"), "402 off");
    EXPECT_EQ(state(memory, "410"), "410 off");
    EXPECT_EQ(state(memory, "411"), "411");
    EXPECT_EQ(state(memory, "401"), "401");
    // The whole resource: 21 entries, sub-menus and separators counted.
    const std::vector<std::string> wholeMemory = {
        "401", "402 off", "-",   "407", "408", "410 off", ">表示順", "403", "404", "405", "406",
        "<",   "-",       ">最小２乗ﾌｨｯﾃｨﾝｸﾞ", "412", "413", "<",  "414", "-",   "411", "415"};
    EXPECT_EQ(memory, wholeMemory);

    set->PlotList[1]->IsFileData = 1;
    RightClick(PageOf(3, 3));
    EXPECT_EQ(state(shown.lines, "402"), "402");
    EXPECT_EQ(state(shown.lines, "410"), "410");
    EXPECT_EQ(state(shown.lines, "411"), "411 off");
}

TEST_F(ContextMenus, HighlightedItemsShowTheirHintsAndTheReadoutComesBack) {
    // The hint rule: the command's string up to its line break; the zoom ids are
    // also the ids of messages, which are no hints.
    const std::pair<int, const char*> hints[] = {
        {411, "メモリデータをディスクに保存します。"}, {24340, "グラフイメージを全画面で表示します。"},
        {148, "座標軸を複製します。"}, {1001, "ｵﾌﾞｼﾞｪｸﾄを選択します"},
        {107, ""}, {108, ""}, {111, ""}, {112, ""}, {401, ""},
    };
    for (const auto& [id, hint] : hints) EXPECT_EQ(kv::win::StatusHint(id), hint) << id;

    AddSeries(0);
    std::vector<std::string> seen;
    shown.during = [&](QMenu& menu) {
        for (int id : {411, 412, 407}) {
            QAction* a = ShownMenu::Find(menu, id);
            ASSERT_NE(a, nullptr) << id;
            EXPECT_EQ(a->statusTip().toStdString(), kv::win::StatusHint(id)) << id;
            a->hover();
            seen.push_back(app.StatusBar()->GetMessage());
        }
        emit menu.aboutToHide();
    };
    RightClick(PageOf(3, 3));
    ASSERT_EQ(w->PlotSelected, 1);
    // 412 sits in a sub-menu.
    EXPECT_EQ(seen, (std::vector<std::string>{"メモリデータをディスクに保存します。", "", ""}));
    EXPECT_EQ(app.StatusBar()->GetMessage().rfind("[ ", 0), 0u) << app.StatusBar()->GetMessage();

    // The page menu: the preview's hint; a zoom item shows none.
    w->ClearFeedback();
    app.StatusBar()->SetMessage("before");
    seen.clear();
    shown.during = [&](QMenu& menu) {
        for (int id : {24340, 107}) {
            ShownMenu::Find(menu, id)->hover();
            seen.push_back(app.StatusBar()->GetMessage());
        }
        emit menu.aboutToHide();
    };
    RightClick(TPoint(9000, 12000));
    EXPECT_EQ(seen, (std::vector<std::string>{"グラフイメージを全画面で表示します。", ""}));
    EXPECT_EQ(app.StatusBar()->GetMessage(), "before");
}

TEST_F(ContextMenus, AnExistingSelectionKeepsItsMenuWherever) {
    TZukei* figure = AddFigure(ZukeiLine, {DoublePoint(3000, 3000), DoublePoint(4000, 4000)});
    TText* text = AddText(TPoint(500, 500));
    RightClick(NodePage(figure, 0));
    ASSERT_EQ(w->ZukeiSelected, 1);
    EXPECT_EQ(w->LineHandlesShown, 1);
    RightClick(Centre(w->GetTextRect(set, text)));
    EXPECT_EQ(First(), "201");
    EXPECT_EQ(w->TextSelected, 0);
    EXPECT_TRUE(set->Selected.Texts.IsEmpty());
    EXPECT_EQ(shown.count, 2);
}

TEST_F(ContextMenus, ShiftOrAnotherToolPicksNothing) {
    TText* text = AddText(TPoint(500, 500));
    const TPoint on = Centre(w->GetTextRect(set, text));
    held = {VK_SHIFT};
    RightClick(on);
    held.clear();
    EXPECT_EQ(w->TextSelected, 0);
    EXPECT_EQ(First(), "107");

    w->ToolBar->SetButtonDown(ToolRectangle);
    RightClick(on);
    EXPECT_EQ(w->TextSelected, 0);
    EXPECT_EQ(First(), "107");
}

TEST_F(ContextMenus, FrameEdgeOfAnotherSetMakesItCurrent) {
    auto second = std::make_unique<BoxFrame>();
    second->Frame.OriginX = 7000;
    w->Document.AxisSets.Add(second.release());
    BoxFrame* other = w->Document.AxisSets[2];
    RightClick(TPoint(7000 + 2500, 100 + 5000));  // the middle of its bottom edge
    EXPECT_EQ(w->Document.CurrentNo, 2);
    EXPECT_EQ(w->Document.Current, other);
    EXPECT_EQ(w->AxisSelected, 1);
    EXPECT_EQ(other->Selected.State, 1);
    EXPECT_EQ(app.StatusBar()->GetGadgetText(AxisSetGadget), "Axis 2");
    EXPECT_EQ(shown.lines.front(), "101");
    EXPECT_EQ(shown.lines.back(), "123");
}

TEST_F(ContextMenus, PolylineInNodeEditingOpensTheNodeMenuOnANode) {
    TZukei* poly = AddFigure(ZukeiPolyline, {DoublePoint(1000, 3000), DoublePoint(2000, 3500),
                                             DoublePoint(2500, 3000)});
    RightClick(NodePage(poly, 2));
    ASSERT_EQ(w->NodeHandlesShown, 1);
    // The click that selected it lands on a node handle as well.
    RightClick(NodePage(poly, 1));
    EXPECT_EQ(First(), "901");
    EXPECT_EQ(w->NodeIndex, 1);
    // On the polyline's box, off the nodes: the figure menu.
    const TRect box = w->GetFigureRect(set, poly);
    RightClick(TPoint(box.left + 200, box.top + 100));
    EXPECT_EQ(First(), "201");
}

TEST_F(ContextMenus, ChosenItemRunsItsCommandThroughTheApplicationsChain) {
    struct AppTarget : kv::win::TCommandTarget {
        bool ProcessCommand(int id) override { return id == 24340 && ++ran; }
        bool ProcessCommandEnable(kv::win::TCommandEnabler& ce) override {
            if (ce.GetId() != 24340) return false;
            ce.Enable(true);
            return true;
        }
        int ran = 0;
    } target;
    kv::win::TCommandRouter router;
    router.SetTargets({w.get(), &target});

    shown.choose = 24340;
    RightClick(TPoint(9000, 12000));
    EXPECT_EQ(shown.lines.back(), "24340");
    EXPECT_EQ(target.ran, 1);

    shown.choose = 110;
    w->CmZoom200();
    RightClick(TPoint(9000, 12000));
    EXPECT_EQ(w->Document.Env->Zoom, 100);
}

TEST_F(ContextMenus, RightClickDuringADragOfTheSelectionStartsARubberBand) {
    w->Dragging = 1;
    w->ZukeiSelected = 1;
    w->HandlesShown = 1;
    w->FeedbackRect = TRect(1000, 1000, 2000, 2000);
    TPoint device(300, 200);
    w->EvRButtonDown(MK_RBUTTON | MK_LBUTTON, device);
    EXPECT_EQ(shown.count, 0);
    EXPECT_EQ(w->HandlesShown, 0);
    EXPECT_EQ(w->ZukeiSelected, 0);
    TPoint page = device;
    w->WindowDC->DPtoLP(&page);
    EXPECT_EQ(w->DragStart, page);
    EXPECT_EQ(w->DragPoint, page);
    EXPECT_EQ(w->DragRect, TRect(page.x, page.y, page.x, page.y));
    EXPECT_EQ(w->PickRect, TRect(295, 195, 305, 205));
    EXPECT_EQ(w->Dragging, 1);

    // A drag without a selection (a rubber band already) is left alone.
    w->DragStart = TPoint(1, 1);
    w->EvRButtonDown(MK_RBUTTON | MK_LBUTTON, device);
    EXPECT_EQ(w->DragStart, TPoint(1, 1));
    EXPECT_EQ(shown.count, 0);
    w->Dragging = 0;
}

TEST_F(ContextMenus, RightButtonEndsAPolylineWithTwoNodesOrMore) {
    for (int nodes : {3, 1}) {
        SCOPED_TRACE(nodes);
        w->ToolBar->SetButtonDown(ToolPolyline);
        w->PolylineActive = 1;
        w->Document.Modified = 0;
        w->ScratchZukei = std::make_unique<TZukei>();
        w->ScratchZukei->Kind = ZukeiPolyline;
        for (int i = 0; i < nodes; ++i) w->ScratchZukei->Nodes.Add(DoublePoint(1000 + 500 * i, 2000 + 300 * i));
        w->DragPoint = TPoint(3000, 3000);
        w->SetCapture();
        const int before = set->ZukeiList.GetItemsInContainer();
        RightClick(TPoint(3000, 3000));
        EXPECT_EQ(shown.count, 0);
        EXPECT_EQ(w->PolylineActive, 0);
        EXPECT_FALSE(w->HasCapture());
        EXPECT_EQ(w->GetCurrentTool(), ToolSelect);
        EXPECT_EQ(w->Document.Modified, 1);
        if (nodes >= 2) {
            ASSERT_EQ(set->ZukeiList.GetItemsInContainer(), before + 1);
            const TZukei* made = set->ZukeiList[before + 1];
            EXPECT_EQ(made->Kind, ZukeiPolyline);
            EXPECT_EQ(made->Nodes.GetItemsInContainer(), 3);
            EXPECT_EQ(made->Bounds, TRect(1000, 2000, 2000, 2600));
        } else {
            EXPECT_EQ(set->ZukeiList.GetItemsInContainer(), before);
        }
    }
}

}  // namespace
