// The keys of the page view: Escape, the watch cross and the data cursor on the
// arrows, Delete by the selection's kind, Tab and Shift+Tab through the axis sets.

#include "chart_fixture.h"

#include "chart/winlayer/keystate.h"
#include "platform/cformat.h"
#include "platform/escape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>

using charttest::MakeChart;
using charttest::TestApp;

namespace {

class Keys : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart();
        w->CmZoom100();
        w->Settings.DataPrecision = 0;
        w->SetReadoutFormat();
        set = w->Document.Current;
        previous = kv::win::SetKeyStateSource([this](UINT vk) { return held.count(vk) > 0; });
        w->UpdateWindow();
    }
    void TearDown() override { kv::win::SetKeyStateSource(previous); }

    void Key(UINT vk, std::set<UINT> modifiers = {}) {
        held = std::move(modifiers);
        w->EvKeyDown(vk, 1, 0);
        held.clear();
    }
    void Tool(int id) { w->ToolBar->SetButtonDown(id); }
    std::string Message() { return app.StatusBar()->GetMessage(); }

    // A memory series x = 1..30, y = x * x, whose row 3 held "*" for X.
    TPlot* AddSeries() {
        auto plot = std::make_unique<TPlot>();
        plot->IsFileData = 0;
        std::strcpy(plot->DataFileName, "a_very_long_series_file_name.dat");
        for (int i = 1; i <= 30; ++i) {
            plot->XData.Add(TDataElement(i, i == 4 ? DataFlagStar : 0));
            plot->YData.Add(TDataElement(double(i) * i));
        }
        TPlot* p = plot.get();
        set->PlotList.Add(plot.release());
        return p;
    }
    void SelectPoint(int row) {
        w->PlotSelected = 1;
        w->SelectedPlot = 1;
        w->SelectedRow = row;
        w->DataCursor.X = row + 1;
        w->DataCursor.Y = double(row + 1) * (row + 1);
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
    std::set<UINT> held;
    kv::win::KeyStateSource previous;
};

TEST_F(Keys, EscapeClearsTheSelectionOrTurnsAMoveIntoARubberBand) {
    w->TextSelected = 1;
    w->TextFrameShown = 1;
    set->Selected.Texts.Add(1);
    w->WatchHidden = 0;
    app.StatusBar()->SetMessage("read-out");
    Key(VK_ESCAPE);
    EXPECT_EQ(w->TextSelected, 0);
    EXPECT_EQ(w->TextFrameShown, 0);
    EXPECT_TRUE(set->Selected.Texts.IsEmpty());
    EXPECT_EQ(w->WatchHidden, 1);
    EXPECT_EQ(Message(), "");

    // A move of a selected figure in progress: the feedback goes, the drag stays.
    w->Dragging = 1;
    w->ZukeiSelected = 1;
    w->HandlesShown = 1;
    w->FeedbackRect = TRect(1000, 1000, 2000, 2000);
    w->DragStart = TPoint(1500, 1500);
    w->DragPoint = TPoint(1800, 1700);
    Key(VK_ESCAPE);
    EXPECT_EQ(w->Dragging, 1);
    EXPECT_EQ(w->HandlesShown, 0);
    EXPECT_EQ(w->ZukeiSelected, 0);
    EXPECT_EQ(w->DragStart, TPoint(1800, 1700));
    EXPECT_EQ(w->DragRect, TRect(1800, 1700, 1800, 1700));
    EXPECT_EQ(w->CurrentHit, 0);

    // A rubber band (no feedback shown): Escape does nothing.
    app.StatusBar()->SetMessage("kept");
    w->DragStart = TPoint(10, 10);
    Key(VK_ESCAPE);
    EXPECT_EQ(Message(), "kept");
    EXPECT_EQ(w->DragStart, TPoint(10, 10));
    w->Dragging = 0;
}

TEST_F(Keys, ArrowsMoveTheWatchCrossByDevicePixelsAndWriteTheReadout) {
    Tool(ToolWatch);
    w->WatchPoint = TPoint(3000, 3000);
    w->WatchHidden = 1;
    Key(VK_RIGHT);
    EXPECT_EQ(w->WatchHidden, 0);
    // The step is taken in device pixels: the point goes to its pixel, one to the
    // right, and back to twips, so both coordinates land on the window's pixel grid.
    TPoint expected(3000, 3000);
    w->WindowDC->LPtoDP(&expected);
    ++expected.x;
    w->WindowDC->DPtoLP(&expected);
    EXPECT_EQ(w->WatchPoint, expected);
    // 96 dots per inch at 100 %: one pixel is 15 twips.
    EXPECT_NEAR(w->WatchPoint.x, 3015, 15);
    EXPECT_NEAR(w->WatchPoint.y, 3000, 7);
    const TPoint q = w->WatchPoint;
    EXPECT_EQ(Message(), kv::Format("X=%G Y=%G", set->PageToValue(q.x, BottomAxisNo),
                                    set->PageToValue(q.y, LeftAxisNo)));

    struct Case {
        UINT key;
        std::set<UINT> mods;
        int dx, dy;  // twips
    };
    const Case cases[] = {
        {VK_LEFT, {}, -15, 0},
        {VK_DOWN, {VK_SHIFT}, 0, 150},
        {VK_UP, {VK_CONTROL}, 0, -1500},
        {VK_RIGHT, {VK_SHIFT, VK_CONTROL}, 150, 0},  // Shift wins
    };
    for (const Case& c : cases) {
        const TPoint before = w->WatchPoint;
        Key(c.key, c.mods);
        EXPECT_NEAR(w->WatchPoint.x - before.x, c.dx, 15) << c.key;
        EXPECT_NEAR(w->WatchPoint.y - before.y, c.dy, 15) << c.key;
    }

    // Far off the client area: at device x 29999 a step right would reach 30000, so
    // the cross stays and no read-out is written; a step back still moves it.
    TPoint edge = w->WatchPoint;
    w->WindowDC->LPtoDP(&edge);
    edge.x = 29999;
    w->WindowDC->DPtoLP(&edge);
    w->WatchPoint = edge;
    app.StatusBar()->SetMessage("");
    Key(VK_RIGHT);
    EXPECT_EQ(w->WatchPoint, edge);
    EXPECT_EQ(Message(), "");
    Key(VK_LEFT);
    EXPECT_EQ(w->WatchPoint.x, edge.x - 15);
    EXPECT_NE(Message(), "");
}

TEST_F(Keys, LeftAndRightMoveTheDataCursorOverRowsThatCanHoldIt) {
    AddSeries();
    SelectPoint(1);
    Key(VK_RIGHT);
    EXPECT_EQ(w->SelectedRow, 2);
    EXPECT_EQ(w->DataCursor.X, 3);
    EXPECT_EQ(w->DataCursor.Y, 9);
    // The file name's first 20 characters and the row from 1.
    EXPECT_EQ(Message(), "[ a_very_long_series_f ] %i=1 %c=3 (3, 9)");

    struct Case {
        int from;
        UINT key;
        std::set<UINT> mods;
        int to;
    };
    const Case cases[] = {
        {2, VK_RIGHT, {}, 2},            // row 3 held "*": a step of 1 stops there
        {2, VK_RIGHT, {VK_SHIFT}, 12},   // a step of 10 jumps past it
        {29, VK_RIGHT, {}, 29},          // the last row: not clamped, nothing
        {25, VK_RIGHT, {VK_SHIFT}, 25},  // 10 would pass the end
        {25, VK_RIGHT, {}, 26},
        {26, VK_LEFT, {VK_CONTROL}, 26},
        {5, VK_LEFT, {}, 4},
        {5, VK_UP, {}, 5},               // Up and Down do nothing to a series
    };
    for (const Case& c : cases) {
        SelectPoint(c.from);
        Key(c.key, c.mods);
        EXPECT_EQ(w->SelectedRow, c.to) << c.from << " key " << c.key;
    }

    // A processing formula that cannot be compiled leaves the cursor as it was.
    set->PlotList[1]->Style.IsYFormula = 1;
    set->PlotList[1]->Style.YFormula = "y*(";
    SelectPoint(5);
    app.StatusBar()->SetMessage("before");
    Key(VK_RIGHT);
    EXPECT_EQ(w->SelectedRow, 5);
    EXPECT_EQ(w->DataCursor.Y, 36);
    EXPECT_EQ(Message(), "before");
    EXPECT_EQ(w->PlotSelected, 1);

    // Through the formula the cursor shows what the series shows.
    set->PlotList[1]->Style.YFormula = "y*2";
    Key(VK_RIGHT);
    EXPECT_EQ(w->SelectedRow, 6);
    EXPECT_EQ(w->DataCursor.Y, 98);

    // A Japanese file name (CP932 bytes in the document) reads as itself, cut
    // before a character that would pass the 20th byte: "x" and nine of the
    // ten two-byte characters.
    std::string name = "x";
    for (int i = 0; i < 10; ++i) name += "\x82\xa0";  // あ
    std::strcpy(set->PlotList[1]->DataFileName, (name + ".dat").c_str());
    Key(VK_RIGHT);
    EXPECT_EQ(Message().rfind("[ xあああああああああ ] %i=1 %c=8 (8, 128)", 0), 0u) << Message();
}

TEST_F(Keys, DeleteRunsTheDeleteCommandOfTheSelectionsKind) {
    auto text = std::make_unique<TText>();
    text->String = "gone";
    set->TextList.Add(text.release());
    set->Selected.Texts.Add(1);
    w->TextSelected = 1;
    w->TextFrameShown = 1;
    Key(VK_DELETE);
    EXPECT_TRUE(set->TextList.IsEmpty());
    EXPECT_EQ(w->Document.Modified, 1);

    auto figure = std::make_unique<TZukei>();
    figure->Kind = ZukeiRectangle;
    set->ZukeiList.Add(figure.release());
    set->Selected.Zukeis.Add(1);
    w->ZukeiSelected = 1;
    w->HandlesShown = 1;
    Key(VK_DELETE);
    EXPECT_TRUE(set->ZukeiList.IsEmpty());

    // An axis set picked at its frame takes no key.
    w->Document.Modified = 0;
    w->AxisSelected = 1;
    Key(VK_DELETE);
    Key(VK_TAB);
    EXPECT_EQ(w->Document.AxisSets.GetItemsInContainer(), 1);
    EXPECT_EQ(w->Document.Modified, 0);
}

TEST_F(Keys, TabAndShiftTabStepTheCurrentAxisSetRoundTheList) {
    w->Document.AxisSets.Add(new BoxFrame);
    w->Document.AxisSets.Add(new BoxFrame);
    const int steps[][2] = {{0, 2}, {0, 3}, {0, 1}, {1, 3}, {1, 2}};
    for (const auto& s : steps) {
        Key(VK_TAB, s[0] ? std::set<UINT>{VK_SHIFT} : std::set<UINT>{});
        EXPECT_EQ(w->Document.CurrentNo, s[1]);
        EXPECT_EQ(w->Document.Current, w->Document.AxisSets[s[1]]);
        EXPECT_EQ(app.StatusBar()->GetGadgetText(AxisSetGadget), "Axis " + std::to_string(s[1]));
    }
    EXPECT_EQ(w->Document.Modified, 0);

    // Only the current set shown: the page is painted again.
    w->CurrentOnly = 1;
    w->UpdateWindow();
    Key(VK_TAB);
    EXPECT_TRUE(w->GetInvalidRegion().contains(QRect(0, 0, 800, 600)));

    // Something selected: Tab does nothing.
    w->TextSelected = 1;
    const int now = w->Document.CurrentNo;
    Key(VK_TAB);
    EXPECT_EQ(w->Document.CurrentNo, now);
}

TEST_F(Keys, OtherToolsTakeOnlyEscape) {
    AddSeries();
    w->Document.AxisSets.Add(new BoxFrame);
    Tool(ToolLine);
    SelectPoint(1);
    Key(VK_RIGHT);
    EXPECT_EQ(w->SelectedRow, 1);
    w->PlotSelected = 0;
    Key(VK_TAB);
    EXPECT_EQ(w->Document.CurrentNo, 1);
    w->TextSelected = 1;
    Key(VK_ESCAPE);
    EXPECT_EQ(w->TextSelected, 0);
}

}  // namespace
