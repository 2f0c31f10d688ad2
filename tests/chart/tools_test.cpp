// The palette's current tool, the cursors of the tools and of the selection
// feedback under the mouse, and snapping to the grid.

#include "chart_fixture.h"

#include "chart/winlayer/cursors.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>

using charttest::MakeChart;
using charttest::TestApp;

namespace {

// A palette that reports the given buttons down, exclusive or not.
class FakePalette : public kv::win::TToolPalette {
public:
    explicit FakePalette(std::set<int> down) : down_(std::move(down)) {}
    bool IsButtonDown(int id) const override { return down_.count(id) != 0; }

private:
    std::set<int> down_;
};

class Tools : public ::testing::Test {
protected:
    void SetUp() override {
        w = MakeChart(800, 600, false);
        w->HandleSize = 10;
        w->ToolBar = &palette;
    }
    void TearDown() override { w->ToolBar = nullptr; }

    TestApp app;
    kv::win::TToolPalette palette;
    std::unique_ptr<TChartWindow> w;
};

TEST_F(Tools, CurrentToolAndItsCursor) {
    struct Case {
        int tool;
        int cursor;
    } cases[] = {
        {ToolSelect, IDC_ARROW},       {ToolDragWindow, IDC_HAND},
        {ToolTrimming, IDC_DATAARROW}, {ToolWatch, IDC_CROSS},
        {ToolLine, IDC_PENCIL},        {ToolRectangle, IDC_PENCIL},
        {ToolRoundRect, IDC_PENCIL},   {ToolEllipse, IDC_PENCIL},
        {ToolAxisCut, IDC_PENCIL},     {ToolPolyline, IDC_PENCIL},
    };
    for (const Case& c : cases) {
        palette.SetButtonDown(c.tool);
        EXPECT_EQ(w->GetCurrentTool(), c.tool);
        w->SetCursor(IDC_NO);
        w->SetToolCursor();
        EXPECT_EQ(w->GetCursorId(), c.cursor) << c.tool;
    }
    // Text, legend and no tool show the arrow; the legend is never the tool.
    for (int down : {int(ToolText), int(ToolLegend), 0}) {
        FakePalette fake({down});
        w->ToolBar = &fake;
        EXPECT_EQ(w->GetCurrentTool(), down == ToolLegend ? 0 : down);
        w->SetCursor(IDC_NO);
        w->SetToolCursor();
        EXPECT_EQ(w->GetCursorId(), IDC_ARROW);
    }
    // The first button in the palette's order wins.
    FakePalette two({ToolPolyline, ToolDragWindow});
    w->ToolBar = &two;
    EXPECT_EQ(w->GetCurrentTool(), ToolDragWindow);
    w->ToolBar = nullptr;
    EXPECT_EQ(w->GetCurrentTool(), 0);
}

TEST_F(Tools, PanHandClosesWhileTheButtonIsDown) {
    palette.SetButtonDown(ToolDragWindow);
    w->ButtonDown = 1;
    w->SetHitCursor(TPoint(100, 100));
    EXPECT_EQ(w->GetCursorId(), IDC_HANDPRESSED);
    EXPECT_EQ(w->CurrentHit, HitNone);
    w->ButtonDown = 0;
    w->SetHitCursor(TPoint(100, 100));
    EXPECT_EQ(w->GetCursorId(), IDC_HAND);
}

TEST_F(Tools, HitCursorsOfTheFeedback) {
    palette.SetButtonDown(ToolLine);
    w->HandlesShown = 1;
    w->FeedbackRect = TRect(1000, 2000, 3000, 4000);
    struct Case {
        TPoint p;
        int code, cursor;
    } cases[] = {
        {{980, 1980}, HitTopLeft, IDC_SIZENWSE},  {{3020, 4020}, HitBottomRight, IDC_SIZENWSE},
        {{3020, 1980}, HitTopRight, IDC_SIZENESW}, {{980, 4020}, HitBottomLeft, IDC_SIZENESW},
        {{2000, 3000}, HitInside, IDC_SIZEALL},    {{980, 3000}, HitLeft, IDC_SIZEWE},
        {{3020, 3000}, HitRight, IDC_SIZEWE},      {{2000, 1980}, HitTop, IDC_SIZENS},
        {{2000, 4020}, HitBottom, IDC_SIZENS},     {{500, 500}, HitNone, IDC_PENCIL},
    };
    for (const Case& c : cases) {
        w->SetCursor(IDC_NO);
        w->SetHitCursor(c.p);
        EXPECT_EQ(w->CurrentHit, c.code);
        EXPECT_EQ(w->GetCursorId(), c.cursor) << c.code;
    }
}

TEST_F(Tools, UpdateSetsTheCursorOnlyWhenTheZoneChanges) {
    w->HandlesShown = 1;
    w->FeedbackRect = TRect(1000, 2000, 3000, 4000);
    w->SetHitCursor(TPoint(980, 1980));
    EXPECT_EQ(w->GetCursorId(), IDC_SIZENWSE);
    w->UpdateHitCursor(TPoint(2000, 3000));
    EXPECT_EQ(w->GetCursorId(), IDC_SIZEALL);
    EXPECT_EQ(w->CurrentHit, HitInside);
    // Within the box the cursor is not set again.
    w->SetCursor(IDC_NO);
    w->UpdateHitCursor(TPoint(2100, 3100));
    EXPECT_EQ(w->GetCursorId(), IDC_NO);
    // Off the feedback: the tool's cursor.
    w->UpdateHitCursor(TPoint(100, 100));
    EXPECT_EQ(w->GetCursorId(), IDC_ARROW);
    EXPECT_EQ(w->CurrentHit, HitNone);
}

TEST_F(Tools, NodeCursorWhateverTheNode) {
    BoxFrame* set = w->Document.Current;
    set->Frame.OriginX = 0;
    set->Frame.OriginY = 0;
    auto z = std::make_unique<TZukei>();
    z->Kind = ZukeiPolyline;
    for (int i = 0; i < 7; ++i) z->Nodes.Add(DoublePoint(1000.0 * i, 500));
    z->UpdateBounds();
    set->ZukeiList.Add(z.release());
    set->Selected.Zukeis.Add(1);
    w->NodeHandlesShown = 1;
    w->FeedbackRect = set->ZukeiList[1]->Bounds;
    for (int n : {0, 6}) {
        w->SetCursor(IDC_NO);
        w->SetHitCursor(TPoint(1000 * n, 500));
        EXPECT_EQ(w->CurrentHit, HitNode + n);
        EXPECT_EQ(w->GetCursorId(), IDC_NODEARROW);
    }
}

TEST_F(Tools, SnapToGrid) {
    w->Document.Env->IsGrid = 1;
    w->Document.Env->GridPitch = 100;
    struct Case {
        int in, out;
    } cases[] = {{149, 100}, {150, 200}, {-150, -100}, {-151, -200}, {200, 200}, {0, 0},
                 {INT_MAX, 2147483600}, {INT_MIN, -2147483600}};
    for (const Case& c : cases) {
        EXPECT_EQ(w->SnapToGrid(TPoint(c.in, 0)), TPoint(c.out, 0)) << c.in;
        EXPECT_EQ(w->SnapToGrid(TPoint(0, c.in)), TPoint(0, c.out)) << c.in;
    }
    EXPECT_EQ(w->SnapToGrid(TPoint(149, -151)), TPoint(100, -200));
    w->Document.Env->GridPitch = 400;
    EXPECT_EQ(w->SnapToGrid(TPoint(599, 601)), TPoint(400, 800));

    // A pitch no grid command sets (only a document can hold one): no snapping.
    for (int pitch : {0, -100}) {
        w->Document.Env->GridPitch = pitch;
        EXPECT_EQ(w->SnapToGrid(TPoint(149, 151)), TPoint(149, 151));
    }
    w->Document.Env->GridPitch = 100;
    w->Document.Env->IsGrid = 0;
    EXPECT_EQ(w->SnapToGrid(TPoint(149, 151)), TPoint(149, 151));
}

}  // namespace
