// The page view's mouse gestures, driven with synthetic mouse events in Win32's
// order on the client widget: selecting and moving texts, resizing a frame, the
// figure tools, the rubber band, trimming, panning, the dialogs of a double
// click, the feedback drawn again after a paint, and the limits of a drag.
//
// The view is 600 x 450 pixels at 96 dpi and zoom 100 with its centre at
// (4500, 3375) twips, so one pixel is 15 twips and pixel (x, y) shows the page
// point (15x, 15y).

#include "chart_fixture.h"
#include "chart/winlayer/cursors.h"
#include "modal_script.h"

#include "dialogs/autoscaledialog.h"
#include "dialogs/axisdialog.h"
#include "dialogs/kit/controls.h"
#include "platform/messagebox.h"
#include "render/textlayout.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <climits>
#include <memory>
#include <string>
#include <vector>

using charttest::ModalScript;
using charttest::TestApp;

namespace {

constexpr int kTextDialog = 7;
constexpr int kFigureDialog = 6;
constexpr int kAxisDialog = 1;
constexpr int kPlotDialog = 4;
constexpr int kTrimmingDialog = 11;

QPoint Px(TPoint page) { return QPoint(page.x / 15, page.y / 15); }

class Gestures : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        ResetAxisChoices();
        w = charttest::MakeChart(600, 450);
        set = w->Document.Current;
        // A frame from (1500, 1500) to (6000, 4500), axes 0 to 10, no numeric labels
        // near its edges.
        set->Frame.FrameType = 2;
        set->Frame.OriginX = 1500;
        set->Frame.OriginY = 1500;
        set->Frame.FrameLengthX = 4500;
        set->Frame.FrameLengthY = 3000;
        for (AxisUnit* a : {&set->BottomAxis, &set->LeftAxis, &set->TopAxis, &set->RightAxis}) {
            a->Scaling = 0;
            a->ScaleInv = 0;
            a->RangeStart = 0;
            a->RangeEnd = 10;
            a->RangeInc = 1;
            a->IsAutoLabel = 0;
            a->LabelTexts.Flush();
            a->DispRegionStart = 0;
            a->DispRegionEnd = 100;
        }
        w->Document.Env->Zoom = 100;
        w->Document.Env->IsGrid = 0;
        w->Document.Env->ViewCenterX = 4500;
        w->Document.Env->ViewCenterY = 3375;
        w->UpdateScrollBars();
        w->UpdateHandleSize();
        palette()->SetButtonDown(ToolSelect);
        Repaint();
        w->Document.Modified = 0;
    }
    void TearDown() override {
        // QTest remembers held buttons between tests.
        if (held_) QTest::mouseRelease(client(), Qt::LeftButton, {}, QPoint(1, 1));
    }

    kv::win::TToolPalette* palette() { return app.ToolPalette(); }
    QWidget* client() { return w->ClientWidget(); }
    void Repaint() {
        w->Invalidate(true);
        w->UpdateWindow();
    }
    QImage Image() const { return w->BackingImage().copy(); }

    void Press(TPoint page, Qt::KeyboardModifiers m = {}) {
        QTest::mousePress(client(), Qt::LeftButton, m, Px(page));
        held_ = true;
    }
    void Drag(TPoint page, Qt::KeyboardModifiers m = {}) {
        QTest::mouseEvent(QTest::MouseMove, client(), Qt::NoButton, m, Px(page));
    }
    void Release(TPoint page, Qt::KeyboardModifiers m = {}) {
        held_ = false;
        QTest::mouseRelease(client(), Qt::LeftButton, m, Px(page));
    }
    // A move with no button down (QTest would only move the cursor).
    void Hover(TPoint page) {
        const QPoint p = Px(page);
        QMouseEvent e(QEvent::MouseMove, p, client()->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(client(), &e);
    }
    void RightClick(TPoint page) {
        QTest::mousePress(client(), Qt::RightButton, {}, Px(page));
        QTest::mouseRelease(client(), Qt::RightButton, {}, Px(page));
    }
    void Click(TPoint page) {
        Press(page);
        Release(page);
    }
    void DragFromTo(TPoint a, TPoint b, Qt::KeyboardModifiers m = {}) {
        Press(a, m);
        Drag(TPoint((a.x + b.x) / 2, (a.y + b.y) / 2), m);
        Drag(b, m);
        Release(b, m);
    }
    // Down, up, double click, up: the first click selects, the second release
    // opens the dialog.
    void DoubleClick(TPoint page) {
        Click(page);
        QTest::mouseDClick(client(), Qt::LeftButton, {}, Px(page));
        held_ = true;
        Release(page);
    }

    TText* AddText(const char* s, TPoint pos, TIArrayAsVector<TText>* list = nullptr) {
        auto t = std::make_unique<TText>();
        t->String = s;
        t->Position = pos;
        TText* raw = t.get();
        ::LayoutText(raw, set);
        (list ? *list : set->TextList).Add(t.release());
        return raw;
    }
    TZukei* AddFigure(int kind, DoublePoint a, DoublePoint b, int brush = -1) {
        auto z = std::make_unique<TZukei>();
        z->Kind = kind;
        z->BrushType = brush;
        z->Nodes.Add(a);
        z->Nodes.Add(b);
        z->UpdateBounds();
        TZukei* raw = z.get();
        set->ZukeiList.Add(z.release());
        return raw;
    }
    // The polyline (0, 0), (1500, 750), (750, 1500) in frame twips.
    TZukei* AddPolyline() {
        auto z = std::make_unique<TZukei>();
        z->Kind = ZukeiPolyline;
        for (DoublePoint p : {DoublePoint{0, 0}, DoublePoint{1500, 750}, DoublePoint{750, 1500}})
            z->Nodes.Add(p);
        z->UpdateBounds();
        TZukei* raw = z.get();
        set->ZukeiList.Add(z.release());
        return raw;
    }
    static TPoint Centre(const TRect& r) {
        const TRect n = r.Normalized();
        return TPoint((n.left + n.right) / 2, (n.top + n.bottom) / 2);
    }
    void ExpectNoCapture() { EXPECT_FALSE(w->HasCapture()); }

    TestApp app;
    kv::ScriptedMessageBoxes boxes;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
    bool held_ = false;
};

// ---- Selection and moving.

TEST_F(Gestures, AClickSelectsATextAndADragMovesOnlyIt) {
    TText* label = AddText("12", TPoint(-600, 1200), &set->LeftAxis.LabelTexts);
    TText* free = AddText("Hello", TPoint(1500, 600));
    struct Case {
        TText* moved;
        TText* other;
    } cases[] = {{free, label}, {label, free}};
    for (const Case& c : cases) {
        w->ClearFeedback();
        const TPoint otherPos = c.other->Position;
        const TPoint pos = c.moved->Position;
        const TPoint at = Centre(w->GetTextRect(set, c.moved));
        Click(at);
        ExpectNoCapture();
        ASSERT_EQ(w->TextSelected, 1);
        EXPECT_EQ(w->TextFrameShown, 1);
        EXPECT_EQ(w->FeedbackRect, w->GetTextRect(set, c.moved));

        DragFromTo(at, TPoint(at.x + 300, at.y - 210));
        ExpectNoCapture();
        EXPECT_EQ(c.moved->Position, TPoint(pos.x + 300, pos.y - 210));
        EXPECT_EQ(c.other->Position, otherPos);
        EXPECT_EQ(w->Document.Modified, 1);
        // Still selected, shown where the text is now (the repaint drew it again).
        EXPECT_EQ(w->TextSelected, 1);
        EXPECT_EQ(w->FeedbackRect, w->GetTextRect(set, c.moved));
        EXPECT_EQ(w->Dragging, 0);
    }
}

TEST_F(Gestures, AFrameEdgeSelectsTheAxisSetAndItsHandlesResizeOrMoveIt) {
    const int h = w->HandleSize;
    ASSERT_GT(h, 0);
    struct Case {
        const char* what;
        TPoint press, release;
        double ox, oy, lx, ly;
    } cases[] = {
        // The bottom-right handle, centred 2h outside the corner, dragged away.
        {"corner", {6000 + 2 * h, 4500 + 2 * h}, {7500, 6000}, 1500, 1500, 6000, 4500},
        // The left edge handle dragged across the right edge: stored normalised.
        {"edge", {1500 - 2 * h, 3000}, {7500, 3000}, 6000, 1500, 1500, 3000},
        // The inside of the box: the frame moves whole.
        {"move", {3000, 2400}, {4500, 3300}, 3000, 2400, 4500, 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        set->Frame.OriginX = 1500;
        set->Frame.OriginY = 1500;
        set->Frame.FrameLengthX = 4500;
        set->Frame.FrameLengthY = 3000;
        w->ClearFeedback();
        Repaint();
        Click(TPoint(3750, 4500));  // on the bottom edge
        ASSERT_EQ(w->AxisSelected, 1);
        EXPECT_EQ(w->HandlesShown, 1);
        EXPECT_EQ(w->SelectedAxis, BottomAxisNo);
        EXPECT_EQ(w->FeedbackRect, TRect(1500, 1500, 6000, 4500));
        DragFromTo(c.press, c.release);
        ExpectNoCapture();
        EXPECT_EQ(set->Frame.OriginX, c.ox);
        EXPECT_EQ(set->Frame.OriginY, c.oy);
        EXPECT_EQ(set->Frame.FrameLengthX, c.lx);
        EXPECT_EQ(set->Frame.FrameLengthY, c.ly);
        EXPECT_EQ(w->AxisSelected, 1);
        // The frame is only invalidated: until the paint the handles stay as dragged,
        // a box dragged across its opposite side still reversed.
        EXPECT_EQ(w->FeedbackRect.Normalized(), w->GetFrameRect(set));
        w->UpdateWindow();
        EXPECT_EQ(w->FeedbackRect, w->GetFrameRect(set));
    }
}

TEST_F(Gestures, AFrameMovedByItsInsideTakesWholeTwips) {
    set->Frame.OriginX = 1500.4;
    set->Frame.OriginY = 1500.6;
    set->Frame.FrameLengthX = 4500.3;
    set->Frame.FrameLengthY = 3000.7;  // the page box is (1500, 1500, 6000, 4501)
    Repaint();
    Click(TPoint(3750, 4500));
    ASSERT_EQ(w->AxisSelected, 1);
    DragFromTo(TPoint(3000, 2400), TPoint(3300, 2550));
    EXPECT_EQ(set->Frame.OriginX, 1800);
    EXPECT_EQ(set->Frame.OriginY, 1650);
    EXPECT_EQ(set->Frame.FrameLengthX, 4500);
    EXPECT_EQ(set->Frame.FrameLengthY, 3001);
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(Gestures, ARubberBandSelectsWhatLiesWhollyInsideAndTheGroupMovesTogether) {
    TText* text = AddText("Hi", TPoint(300, 300));
    TZukei* figure = AddFigure(ZukeiRectangle, {1200, 1200}, {1800, 1650});
    TZukei* outside = AddFigure(ZukeiRectangle, {3000, 2400}, {4200, 2900});
    Repaint();
    const TRect textBox = w->GetTextRect(set, text).Normalized();
    ASSERT_LT(textBox.right, 3300);
    // Dragged from lower right to upper left.
    DragFromTo(TPoint(3600, 3600), TPoint(1200, 1200));
    ExpectNoCapture();
    ASSERT_EQ(w->MultiSelected, 1);
    EXPECT_EQ(w->TextFrameShown, 1);
    EXPECT_EQ(w->FeedbackRect, TRect(std::min(textBox.left, 2700), std::min(textBox.top, 2700),
                                     std::max(textBox.right, 3300), std::max(textBox.bottom, 3150)));

    const TPoint pos = text->Position;
    const TPoint inside = Centre(w->FeedbackRect);
    DragFromTo(inside, TPoint(inside.x + 450, inside.y));
    EXPECT_EQ(text->Position, TPoint(pos.x + 450, pos.y));
    EXPECT_EQ(figure->Nodes[0].X, 1650);
    EXPECT_EQ(figure->Nodes[1].X, 2250);
    EXPECT_EQ(figure->Nodes[1].Y, 1650);
    EXPECT_EQ(outside->Nodes[0].X, 3000);
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(Gestures, AClickOnAFigureSelectsItWithTheFeedbackOfItsKindAndItsBoxMoves) {
    TZukei* line = AddFigure(ZukeiLine, {300, 2400}, {1500, 1500});
    Click(TPoint(1500 + 900, 1500 + 1950));  // on the line, a quarter from its start
    ASSERT_EQ(w->ZukeiSelected, 1);
    EXPECT_EQ(w->LineHandlesShown, 1);
    EXPECT_EQ(w->FeedbackRect, TRect(1800, 3900, 3000, 3000));
    // Its end point dragged: the line keeps its direction.
    DragFromTo(TPoint(3000, 3000), TPoint(3600, 2700));
    EXPECT_EQ(line->Nodes[0].X, 300);
    EXPECT_EQ(line->Nodes[1].X, 2100);
    EXPECT_EQ(line->Nodes[1].Y, 1200);
    EXPECT_EQ(w->FeedbackRect, TRect(1800, 3900, 3600, 2700));

    w->ClearFeedback();
    TZukei* box = AddFigure(ZukeiEllipse, {3000, 300}, {3900, 900});
    Click(TPoint(1500 + 3450, 1500 + 600));
    ASSERT_EQ(w->HandlesShown, 1);
    // With the grid on, a press inside and a release without a move puts the
    // box's corner on the grid.
    w->Document.Env->IsGrid = 1;
    w->Document.Env->GridPitch = 400;
    Click(TPoint(1500 + 3450, 1500 + 600));
    EXPECT_EQ(box->Nodes[0].X + 1500, 4400);
    EXPECT_EQ(box->Nodes[0].Y + 1500, 2000);
    EXPECT_EQ(box->Nodes[1].X - box->Nodes[0].X, 900);
}

TEST_F(Gestures, PolylineHandlesScaleTheNodesAndANodeDragsAlone) {
    TZukei* poly = AddPolyline();
    Repaint();
    Click(TPoint(1500 + 750, 1500 + 375));  // on the first segment
    ASSERT_EQ(w->NodeHandlesShown, 1);
    const int h = w->HandleSize;
    // The bottom-right box handle to twice the box: every node doubles from the
    // top-left corner.
    DragFromTo(TPoint(3000 + 2 * h, 3000 + 2 * h), TPoint(4500, 4500));
    ExpectNoCapture();
    EXPECT_DOUBLE_EQ(poly->Nodes[1].X, 3000);
    EXPECT_DOUBLE_EQ(poly->Nodes[1].Y, 1500);
    EXPECT_DOUBLE_EQ(poly->Nodes[2].Y, 3000);
    EXPECT_EQ(w->NodeHandlesShown, 1);

    // Node 1 (now at page (4500, 3000)) dragged; the others stay.
    DragFromTo(TPoint(4500, 3000), TPoint(5100, 3300));
    EXPECT_DOUBLE_EQ(poly->Nodes[1].X, 3600);
    EXPECT_DOUBLE_EQ(poly->Nodes[1].Y, 1800);
    EXPECT_DOUBLE_EQ(poly->Nodes[0].X, 0);
    EXPECT_DOUBLE_EQ(poly->Nodes[0].Y, 0);
    EXPECT_DOUBLE_EQ(poly->Nodes[2].X, 1500);
    EXPECT_DOUBLE_EQ(poly->Nodes[2].Y, 3000);
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(Gestures, HandlesReleasedWhereTheyWerePressedAndShiftKeepingTheAnchor) {
    // The box (2400, 2100)-(3600, 3000) on the page; its handles sit 2h outside.
    const int h = w->HandleSize;
    ASSERT_EQ(h % 15, 0);
    struct Case {
        const char* what;
        TPoint press, release;
        Qt::KeyboardModifiers keys;
        TRect box;  // the figure's page box afterwards
        int modified;
    } cases[] = {
        // Inside, no move, grid off: nothing changes.
        {"inside, no move", {3000, 2550}, {3000, 2550}, {}, {2400, 2100, 3600, 3000}, 0},
        // A corner handle without a move: that corner goes to the press point.
        {"corner, no move", {3600 + 2 * h, 3000 + 2 * h}, {3600 + 2 * h, 3000 + 2 * h}, {},
         {2400, 2100, 3600 + 2 * h, 3000 + 2 * h}, 1},
        // The left edge handle across the right edge: node 0 ends right of node 1.
        {"left across", {2400 - 2 * h, 2550}, {4200, 2550}, {}, {4200, 2100, 3600, 3000}, 1},
        // Shift, 29 pixels right and 30 down: the move is vertical...
        {"shift vertical", {3000, 2550}, {3000 + 435, 2550 + 450}, Qt::ShiftModifier,
         {2400, 2550, 3600, 3450}, 1},
        // ...30 and 30: a tie stays horizontal.
        {"shift tie", {3000, 2550}, {3000 + 450, 2550 + 450}, Qt::ShiftModifier,
         {2850, 2100, 4050, 3000}, 1},
        // The top edge handle moved mostly sideways: the edge stays where it was.
        {"shift top edge", {3000, 2100 - 2 * h}, {3600, 1800}, Qt::ShiftModifier,
         {2400, 2100, 3600, 3000}, 0},
        {"top edge", {3000, 2100 - 2 * h}, {3600, 1800}, {}, {2400, 1800, 3600, 3000}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        set->ZukeiList.Flush();
        w->ClearFeedback();
        TZukei* z = AddFigure(ZukeiRectangle, {900, 600}, {2100, 1500});
        Repaint();
        Click(TPoint(3000, 2550));
        ASSERT_EQ(w->HandlesShown, 1);
        w->Document.Modified = 0;
        DragFromTo(c.press, c.release, c.keys);
        ExpectNoCapture();
        EXPECT_EQ(TRect(int(z->Nodes[0].X) + 1500, int(z->Nodes[0].Y) + 1500, int(z->Nodes[1].X) + 1500,
                        int(z->Nodes[1].Y) + 1500),
                  c.box);
        EXPECT_EQ(w->Document.Modified, c.modified);
        EXPECT_EQ(w->ZukeiSelected, 1);
    }
}

TEST_F(Gestures, ANodeTakesTheGridPointLessTheFramesOwnOriginAndShiftKeepsItsLine) {
    set->Frame.OriginX = 1500.4;
    TZukei* poly = AddPolyline();
    Repaint();
    Click(TPoint(1500 + 750, 1500 + 375));
    ASSERT_EQ(w->NodeHandlesShown, 1);

    // Node 1 lies at page (3000, 2250); released beside the grid point (3600, 2400).
    w->Document.Env->IsGrid = 1;
    w->Document.Env->GridPitch = 300;
    DragFromTo(TPoint(3000, 2250), TPoint(3615, 2415));
    EXPECT_DOUBLE_EQ(poly->Nodes[1].X, 3600 - 1500.4);
    EXPECT_DOUBLE_EQ(poly->Nodes[1].Y, 900);

    // With Shift the node moves along its own row or column: its page position
    // (3599, 2400) is the anchor.
    w->Document.Env->IsGrid = 0;
    DragFromTo(TPoint(3600, 2400), TPoint(4200, 2550), Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(poly->Nodes[1].X, 4200 - 1500.4);
    EXPECT_DOUBLE_EQ(poly->Nodes[1].Y, 900);
    DragFromTo(TPoint(4200, 2400), TPoint(4245, 3000), Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(poly->Nodes[1].X, 4199 - 1500.4);
    EXPECT_DOUBLE_EQ(poly->Nodes[1].Y, 1500);
    // The other nodes stay.
    EXPECT_DOUBLE_EQ(poly->Nodes[0].X, 0);
    EXPECT_DOUBLE_EQ(poly->Nodes[2].Y, 1500);
}

TEST_F(Gestures, APressDropsAMarkedDataPointAndItsReadoutAtOnce) {
    auto series = kvtest::MakeSampleSeries(5);
    series->Style.IsShown = 1;
    set->PlotList.Add(series.release());
    set->LeftAxis.RangeEnd = 100;
    set->LeftAxis.RangeInc = 10;
    Repaint();
    const QImage page = Image();
    Click(TPoint(1500 + 3 * 450, 4500 - 9 * 30));
    ASSERT_EQ(w->PlotSelected, 1);
    EXPECT_FALSE(app.StatusBar()->GetMessage().empty());
    EXPECT_NE(Image(), page);

    // Even a press on the mark itself drops it before anything else is decided.
    Press(TPoint(1500 + 3 * 450, 4500 - 9 * 30));
    EXPECT_EQ(w->PlotSelected, 0);
    EXPECT_TRUE(app.StatusBar()->GetMessage().empty());
    EXPECT_EQ(Image(), page);
    EXPECT_EQ(w->Dragging, 1);
    // The press began a rubber band; released in place it is a click again.
    Release(TPoint(1500 + 3 * 450, 4500 - 9 * 30));
    EXPECT_EQ(w->PlotSelected, 1);
}

// ---- Figure tools.

TEST_F(Gestures, EachFigureToolAddsItsFigureAndGivesThePaletteBack) {
    for (int tool : {ToolLine, ToolRectangle, ToolRoundRect, ToolEllipse, ToolAxisCut}) {
        SCOPED_TRACE(tool);
        set->ZukeiList.Flush();
        Repaint();
        w->Document.Modified = 0;
        palette()->SetButtonDown(tool);
        const QImage before = Image();
        DragFromTo(TPoint(2100, 2400), TPoint(3000, 3300));
        ExpectNoCapture();
        ASSERT_EQ(set->ZukeiList.GetItemsInContainer(), 1);
        const TZukei* z = set->ZukeiList[1];
        EXPECT_EQ(z->Kind, tool);
        ASSERT_EQ(z->Nodes.GetItemsInContainer(), 2);
        EXPECT_EQ(z->Nodes[0].X, 600);
        EXPECT_EQ(z->Nodes[0].Y, 900);
        EXPECT_EQ(z->Nodes[1].X, 1500);
        EXPECT_EQ(z->Nodes[1].Y, 1800);
        EXPECT_EQ(w->GetCurrentTool(), ToolSelect);
        EXPECT_EQ(w->Document.Modified, 1);
        EXPECT_EQ(w->ZukeiSelected, 0);
        EXPECT_NE(Image(), before);
    }
}

TEST_F(Gestures, FigureToolsConstrainedAndClickedWithoutAMove) {
    // Ctrl at the release alone still makes a square growing up and to the left.
    palette()->SetButtonDown(ToolRectangle);
    Press(TPoint(1500, 1500));
    Drag(TPoint(750, 1800));
    Release(TPoint(750, 1800), Qt::ControlModifier);
    ASSERT_EQ(set->ZukeiList.GetItemsInContainer(), 1);
    EXPECT_EQ(set->ZukeiList[1]->Nodes[1].X, -750);
    EXPECT_EQ(set->ZukeiList[1]->Nodes[1].Y, -750);

    // Shift keeps a line horizontal on a tie.
    palette()->SetButtonDown(ToolLine);
    DragFromTo(TPoint(3000, 3000), TPoint(3450, 3450), Qt::ShiftModifier);
    ASSERT_EQ(set->ZukeiList.GetItemsInContainer(), 2);
    EXPECT_EQ(set->ZukeiList[2]->Nodes[1].Y, set->ZukeiList[2]->Nodes[0].Y);
    EXPECT_EQ(set->ZukeiList[2]->Nodes[1].X, 1950);

    // A click: two equal nodes; the ellipse gets a box one handle size across.
    for (int tool : {ToolRectangle, ToolEllipse}) {
        palette()->SetButtonDown(tool);
        Click(TPoint(4500, 2400));
        const TZukei* z = set->ZukeiList[set->ZukeiList.UpperBound()];
        EXPECT_EQ(z->Nodes[0].X, z->Nodes[1].X);
        const int grow = tool == ToolEllipse ? w->HandleSize : 0;
        EXPECT_EQ(z->Bounds, TRect(3000, 900, 3000 + grow, 900 + grow)) << tool;
    }
    // After a figure the select tool is back: the next press selects.
    Click(TPoint(4500, 2400));
    EXPECT_EQ(w->ZukeiSelected, 1);
}

TEST_F(Gestures, APolylineTakesANodePerClickAndEndsWithTheRightButton) {
    palette()->SetButtonDown(ToolPolyline);
    const QImage before = Image();
    Click(TPoint(1800, 1800));
    EXPECT_EQ(w->PolylineActive, 1);
    EXPECT_TRUE(w->HasCapture());  // kept between clicks
    EXPECT_EQ(Image(), before);   // the first click draws nothing
    Hover(TPoint(3000, 1800));
    EXPECT_NE(Image(), before);   // the rubber segment
    Click(TPoint(3000, 1800));
    Hover(TPoint(3000, 3000));
    Click(TPoint(3000, 3000));
    RightClick(TPoint(3000, 3000));
    ExpectNoCapture();
    EXPECT_EQ(w->PolylineActive, 0);
    ASSERT_EQ(set->ZukeiList.GetItemsInContainer(), 1);
    const TZukei* z = set->ZukeiList[1];
    EXPECT_EQ(z->Kind, ZukeiPolyline);
    ASSERT_EQ(z->Nodes.GetItemsInContainer(), 3);
    EXPECT_EQ(z->Nodes[1].X, 1500);
    EXPECT_EQ(z->Nodes[2].Y, 1500);
    EXPECT_EQ(w->GetCurrentTool(), ToolSelect);

    // One node makes no figure.
    palette()->SetButtonDown(ToolPolyline);
    Click(TPoint(1800, 1800));
    RightClick(TPoint(1800, 1800));
    ExpectNoCapture();
    EXPECT_EQ(set->ZukeiList.GetItemsInContainer(), 1);
}

TEST_F(Gestures, AnotherToolEndsAPolylineBeforeItsOwnFigure) {
    palette()->SetButtonDown(ToolPolyline);
    Click(TPoint(1800, 1800));
    Hover(TPoint(2400, 2100));
    Click(TPoint(2400, 2100));
    // The palette changes in the middle of the entry (its command leaves the
    // polyline as it is); the rectangle must not take the polyline's place.
    palette()->SetButtonDown(ToolRectangle);
    DragFromTo(TPoint(3000, 3000), TPoint(3600, 3600));
    ExpectNoCapture();
    EXPECT_EQ(w->PolylineActive, 0);
    ASSERT_EQ(set->ZukeiList.GetItemsInContainer(), 2);
    EXPECT_EQ(set->ZukeiList[1]->Kind, ZukeiPolyline);
    EXPECT_EQ(set->ZukeiList[1]->Nodes.GetItemsInContainer(), 2);
    EXPECT_EQ(set->ZukeiList[2]->Kind, ZukeiRectangle);
}

// ---- Trimming and panning.

TEST_F(Gestures, TrimmingSetsTheTickedAxesToTheDraggedRectangle) {
    struct Case {
        const char* what;
        bool reversedX;
        std::vector<int> sides;  // ticked TrimmingSides
        TPoint from, to;
        double bottom0, bottom1, left0, left1;
        int modified;
    } cases[] = {
        {"all", false, {1, 1, 1, 1}, {4200, 2100}, {2400, 3300}, 2, 6, 4, 8, 1},
        {"reversed x", true, {1, 1, 1, 1}, {2400, 3300}, {4200, 2100}, 4, 8, 4, 8, 1},
        {"left only", false, {0, 1, 0, 0}, {2400, 3300}, {4200, 2100}, 0, 10, 4, 8, 1},
        {"no height", false, {1, 1, 1, 1}, {2400, 3300}, {4200, 3300}, 0, 10, 0, 10, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (AxisUnit* a : {&set->BottomAxis, &set->LeftAxis, &set->TopAxis, &set->RightAxis}) {
            a->RangeStart = 0;
            a->RangeEnd = 10;
            a->RangeInc = 1;
        }
        set->BottomAxis.ScaleInv = c.reversedX ? 1 : 0;
        w->Document.Modified = 0;
        palette()->SetButtonDown(ToolTrimming);
        ModalScript script;
        script.Then(kTrimmingDialog, [&](PDialog& d) {
            const int ids[4] = {101, 102, 103, 104};
            for (int i = 0; i < 4; ++i)
                if (auto* box = d.Control<QAbstractButton>(ids[i])) box->setChecked(c.sides[std::size_t(i)] != 0);
            d.Control<QAbstractButton>(IDOK)->click();
        });
        DragFromTo(c.from, c.to);
        ExpectNoCapture();
        EXPECT_NEAR(set->BottomAxis.RangeStart, c.bottom0, 1e-9);
        EXPECT_NEAR(set->BottomAxis.RangeEnd, c.bottom1, 1e-9);
        EXPECT_NEAR(set->LeftAxis.RangeStart, c.left0, 1e-9);
        EXPECT_NEAR(set->LeftAxis.RangeEnd, c.left1, 1e-9);
        EXPECT_EQ(w->Document.Modified, c.modified);
        Repaint();
    }
}

TEST_F(Gestures, TrimmingCancelledLeavesAxesAndPixelsAsTheyWere) {
    palette()->SetButtonDown(ToolTrimming);
    const QImage before = Image();
    ModalScript script;
    script.Then(kTrimmingDialog, ModalScript::Cancel());
    DragFromTo(TPoint(2400, 3300), TPoint(4200, 2100));
    EXPECT_EQ(set->BottomAxis.RangeStart, 0);
    EXPECT_EQ(set->LeftAxis.RangeEnd, 10);
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_EQ(Image(), before);
}

TEST_F(Gestures, PanningMovesTheViewAgainstTheMouseAndRepaintsAtTheEnd) {
    palette()->SetButtonDown(ToolDragWindow);
    Press(TPoint(4500, 3000));
    EXPECT_EQ(w->GetCursorId(), IDC_HANDPRESSED);
    EXPECT_EQ(w->Scrolling, 1);
    Drag(TPoint(4200, 2850));  // 20 pixels left, 10 up
    EXPECT_EQ(w->Document.Env->ViewCenterX, 4800);
    EXPECT_EQ(w->Document.Env->ViewCenterY, 3525);
    EXPECT_EQ(w->GetScrollPos(SB_HORZ), 4800);
    Release(TPoint(4200, 2850));
    ExpectNoCapture();
    EXPECT_EQ(w->Scrolling, 0);
    EXPECT_EQ(w->GetCursorId(), IDC_HAND);
    EXPECT_TRUE(w->GetInvalidRegion().contains(QRect(0, 0, 600, 450)));
    EXPECT_EQ(w->Document.Modified, 0);

    // At the left end of the horizontal range a diagonal move still pans
    // vertically.
    w->Document.Env->ViewCenterX = int(w->HScrollInfo.nMin);
    Press(TPoint(4500, 3000));
    Drag(TPoint(4800, 2700));
    Release(TPoint(4800, 2700));
    EXPECT_EQ(w->Document.Env->ViewCenterX, int(w->HScrollInfo.nMin));
    EXPECT_EQ(w->Document.Env->ViewCenterY, 3525 + 300);

    // Released without a move: the whole window is repainted all the same.
    Repaint();
    ASSERT_TRUE(w->GetInvalidRegion().isEmpty());
    Click(TPoint(4500, 3000));
    EXPECT_EQ(w->Scrolling, 0);
    EXPECT_TRUE(w->GetInvalidRegion().contains(QRect(0, 0, 600, 450)));
}

// ---- Double click.

TEST_F(Gestures, ADoubleClickOpensTheDialogOfWhatItSelected) {
    TText* text = AddText("Hello", TPoint(1500, 600));
    AddFigure(ZukeiRectangle, {2400, 2100}, {3300, 2700});
    auto series = kvtest::MakeSampleSeries(5);
    series->Style.IsShown = 1;
    set->PlotList.Add(series.release());
    set->LeftAxis.RangeEnd = 100;
    set->LeftAxis.RangeInc = 10;
    Repaint();
    struct Case {
        const char* what;
        TPoint at;
        int dialog;
    } cases[] = {
        {"text", Centre(w->GetTextRect(set, text)), kTextDialog},
        {"figure", {1500 + 2850, 1500 + 2400}, kFigureDialog},
        {"data point", {1500 + 3 * 450, 4500 - 9 * 30}, kPlotDialog},
        {"bottom edge", {3750, 4500}, kAxisDialog},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w->ClearFeedback();
        ModalScript script;
        script.Then(c.dialog, ModalScript::Cancel());
        DoubleClick(c.at);
        ExpectNoCapture();
        EXPECT_EQ(script.Seen(), std::vector<int>{c.dialog});
        EXPECT_FALSE(w->DoubleClicked);
    }
    // With nothing selected a double click opens nothing.
    w->ClearFeedback();
    ModalScript none;
    DoubleClick(TPoint(300, 300));
    EXPECT_TRUE(none.Seen().empty());
}

TEST_F(Gestures, AClickTriesTextFigureDataPointAndFrameEdgeInThatOrder) {
    auto series = kvtest::MakeSampleSeries(5);
    series->Style.IsShown = 1;
    set->PlotList.Add(series.release());
    set->LeftAxis.RangeEnd = 100;
    set->LeftAxis.RangeInc = 10;
    // A text over a filled figure over the data point (3, 9).
    const TPoint p(1500 + 3 * 450, 4500 - 9 * 30);
    const TPoint rel(p.x - 1500, p.y - 1500);
    AddFigure(ZukeiRectangle, {double(rel.x - 300), double(rel.y - 300)},
              {double(rel.x + 300), double(rel.y + 300)});
    TText* text = AddText("Hi", TPoint(0, 0));
    const TPoint c = Centre(text->BoundingBox);
    text->Position = TPoint(rel.x - c.x, rel.y - c.y);
    // A filled figure over the middle of the bottom edge.
    AddFigure(ZukeiRectangle, {1950, 2700}, {2550, 3300});
    Repaint();

    Click(p);
    EXPECT_EQ(w->TextSelected, 1);
    set->TextList.Flush();
    w->ClearFeedback();
    Click(p);
    EXPECT_EQ(w->ZukeiSelected, 1);
    EXPECT_EQ(set->Selected.Zukeis[0], 1);
    w->ClearFeedback();
    set->ZukeiList.Destroy(1);
    Click(p);
    EXPECT_EQ(w->PlotSelected, 1);
    EXPECT_EQ(w->SelectedRow, 2);

    w->ClearFeedback();
    Click(TPoint(3750, 4500));
    EXPECT_EQ(w->ZukeiSelected, 1);
    EXPECT_EQ(w->AxisSelected, 0);
    w->ClearFeedback();
    set->ZukeiList.Flush();
    Click(TPoint(3750, 4500));
    EXPECT_EQ(w->AxisSelected, 1);
    EXPECT_EQ(w->SelectedAxis, BottomAxisNo);
}

TEST_F(Gestures, ADoubleClickOnAFrameEdgeOpensTheDialogOfThatAxis) {
    struct Case {
        const char* what;
        TPoint at;
        int axis;
    } cases[] = {
        {"bottom", {3750, 4500}, 1},      {"left", {1500, 3000}, 2},
        {"top", {3750, 1500}, 3},         {"right", {6000, 3000}, 4},
        {"bottom-left", {1500, 4500}, 1}, {"bottom-right", {6000, 4500}, 1},
        {"top-left", {1500, 1500}, 2},    {"top-right", {6000, 1500}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w->ClearFeedback();
        int shown = 0;
        ModalScript script;
        script.Then(kAxisDialog, [&shown](PDialog& d) {
            shown = static_cast<TAxisDialog&>(d).GetShownAxisNo();
            ModalScript::Cancel()(d);
        });
        DoubleClick(c.at);
        EXPECT_EQ(w->AxisSelected, 1);
        EXPECT_EQ(shown, c.axis);
        EXPECT_EQ(w->Document.Modified, 0);
    }
}

TEST_F(Gestures, OnlyAFrameEdgeOfAnotherAxisSetIsFoundAndMakesItCurrent) {
    auto second = std::make_unique<BoxFrame>();
    second->Frame.OriginX = 6600;
    second->Frame.OriginY = 600;
    second->Frame.FrameLengthX = 1500;
    second->Frame.FrameLengthY = 1500;
    BoxFrame* other = second.get();
    w->Document.AxisSets.Add(second.release());
    auto z = std::make_unique<TZukei>();
    z->Kind = ZukeiRectangle;
    z->BrushType = -1;
    z->Nodes.Add(DoublePoint{300, 300});
    z->Nodes.Add(DoublePoint{900, 900});
    z->UpdateBounds();
    other->ZukeiList.Add(z.release());
    Repaint();
    const QImage page = Image();

    // Its figure lies under the point, but only the current set's figures count.
    Click(TPoint(7200, 1200));
    EXPECT_EQ(w->ZukeiSelected, 0);
    EXPECT_TRUE(other->Selected.Zukeis.IsEmpty());
    EXPECT_EQ(w->Document.CurrentNo, 1);
    EXPECT_EQ(Image(), page);

    // Its bottom edge: it becomes current, the mark moves to it.
    Click(TPoint(7350, 2100));
    EXPECT_EQ(w->AxisSelected, 1);
    EXPECT_EQ(w->Document.CurrentNo, 2);
    EXPECT_EQ(w->Document.Current, other);
    EXPECT_EQ(other->Selected.State, 1);
    EXPECT_EQ(set->Selected.State, 0);
    EXPECT_EQ(w->FeedbackRect, TRect(6600, 600, 8100, 2100));
    EXPECT_EQ(app.StatusBar()->GetGadgetText(AxisSetGadget), "Axis 2");
    // What the click drew is what a full paint draws for the new state.
    const QImage clicked = Image();
    Repaint();
    EXPECT_EQ(Image(), clicked);

    // Now its figure is found.
    w->ClearFeedback();
    Click(TPoint(7200, 1200));
    EXPECT_EQ(w->ZukeiSelected, 1);
    EXPECT_EQ(other->Selected.Zukeis.GetItemsInContainer(), 1);
}

// ---- Feedback after painting and NOT-XOR shapes.

TEST_F(Gestures, APaintDrawsTheSelectionFeedbackAgain) {
    TText* text = AddText("Hello", TPoint(1500, 600));
    AddFigure(ZukeiRectangle, {2400, 2100}, {3300, 2700});
    Repaint();
    const QImage page = Image();

    // A single text, a figure, a frame: after a full paint the screen is as before.
    for (TPoint at : {Centre(w->GetTextRect(set, text)), TPoint(1500 + 2850, 1500 + 2400), TPoint(3750, 4500)}) {
        w->ClearFeedback();
        Click(at);
        const QImage shown = Image();
        EXPECT_NE(shown, page);
        Repaint();
        EXPECT_EQ(Image(), shown);
    }

    // A multiple selection shows one dotted frame; with another tool a paint shows
    // no feedback.
    w->ClearFeedback();
    DragFromTo(TPoint(300, 300), TPoint(5700, 4200));
    ASSERT_EQ(w->MultiSelected, 1);
    const QImage multi = Image();
    Repaint();
    EXPECT_EQ(Image(), multi);
    palette()->SetButtonDown(ToolTrimming);
    Repaint();
    EXPECT_EQ(Image(), page);
}

TEST_F(Gestures, APartialPaintKeepsTheWatchCrossAndAPolylineBeingEnteredWhole) {
    palette()->SetButtonDown(ToolWatch);
    const QImage page = Image();
    Click(TPoint(3000, 3000));
    EXPECT_EQ(w->WatchHidden, 0);
    EXPECT_NE(app.StatusBar()->GetMessage().find("X="), std::string::npos);
    const QImage cross = Image();
    EXPECT_NE(cross, page);
    w->InvalidateRect(TRect(150, 150, 200, 200));  // half of the cross
    w->UpdateWindow();
    EXPECT_EQ(Image(), cross);
    // A second press moves the cross; a drag leaves it at the press point.
    Click(TPoint(1500, 1500));
    DragFromTo(TPoint(2100, 2100), TPoint(3000, 2700));
    EXPECT_EQ(w->WatchPoint, TPoint(2100, 2100));
    w->ClearFeedback();
    EXPECT_EQ(Image(), page);

    palette()->SetButtonDown(ToolPolyline);
    Click(TPoint(1800, 1800));
    Hover(TPoint(2400, 2400));
    Click(TPoint(2400, 2400));
    Hover(TPoint(3000, 1800));
    const QImage entry = Image();
    Repaint();
    EXPECT_EQ(Image(), entry);
    Hover(TPoint(3300, 1500));  // erases the segment drawn before the paint
    RightClick(TPoint(3300, 1500));
    ASSERT_EQ(set->ZukeiList.GetItemsInContainer(), 1);
    // No stray segment or outline is left: a full paint changes nothing.
    const QImage done = Image();
    EXPECT_NE(done, page);
    Repaint();
    EXPECT_EQ(Image(), done);
}

TEST_F(Gestures, RubberBandsThatSelectNothingGiveBackEveryPixel) {
    const QImage page = Image();
    DragFromTo(TPoint(3600, 3600), TPoint(2400, 2100));  // bottom right to top left
    EXPECT_EQ(w->MultiSelected, 0);
    EXPECT_EQ(Image(), page);
    Click(TPoint(3000, 3000));  // a click on empty page
    EXPECT_EQ(Image(), page);
    // A release 4 pixels right and down is a click; 5 pixels is a rectangle.
    TZukei* z = AddFigure(ZukeiRectangle, {1500, 1500}, {1800, 1800});
    Repaint();
    Press(TPoint(3150, 3150));
    Release(TPoint(3150 + 60, 3150 + 60));
    EXPECT_EQ(w->ZukeiSelected, 1);
    w->ClearFeedback();
    Press(TPoint(3150, 3150));
    Drag(TPoint(3150 + 75, 3150));
    Release(TPoint(3150 + 75, 3150));
    EXPECT_EQ(w->ZukeiSelected, 0);
    (void)z;
}

// ---- Limits.

TEST_F(Gestures, DragsStayWithinTheRangeTheDrawingCanMap) {
    TText* text = AddText("Far", TPoint(300, 300));
    const TPoint at = Centre(w->GetTextRect(set, text));
    Click(at);
    ASSERT_EQ(w->TextSelected, 1);
    // Far beyond the window while the capture holds, and beyond any int page
    // position.
    Press(at);
    Drag(TPoint(15 * 1000000, at.y));
    QTest::mouseEvent(QTest::MouseMove, client(), Qt::NoButton, {}, QPoint(1000000000, at.y / 15));
    Release(TPoint(15 * 1000000, at.y));
    const TRect box = w->GetTextRect(set, text).Normalized();
    EXPECT_LE(box.right, 32400);
    EXPECT_GT(box.right, 30000);

    // A frame corner dragged off the page stops at the same limit.
    w->ClearFeedback();
    Repaint();
    Click(TPoint(3750, 4500));
    ASSERT_EQ(w->AxisSelected, 1);
    const int h = w->HandleSize;
    DragFromTo(TPoint(6000 + 2 * h, 4500 + 2 * h), TPoint(-15 * 100000, 15 * 100000));
    EXPECT_EQ(set->Frame.OriginX, -32400);
    EXPECT_EQ(set->Frame.FrameLengthY, 32400 - 1500);
}

TEST_F(Gestures, ASelectionWhoseObjectsWentIsDroppedNotApplied) {
    AddFigure(ZukeiRectangle, {1500, 1500}, {2400, 2100});
    Repaint();
    Click(TPoint(3450, 3300));
    ASSERT_EQ(w->HandlesShown, 1);
    // The figure goes behind the selection's back.
    set->ZukeiList.Flush();
    w->Document.Modified = 0;
    DragFromTo(TPoint(3450, 3300), TPoint(3900, 3600));
    ExpectNoCapture();
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_EQ(w->HandlesShown, 0);
    EXPECT_EQ(w->ZukeiSelected, 0);
    EXPECT_TRUE(set->ZukeiList.IsEmpty());
}

}  // namespace
