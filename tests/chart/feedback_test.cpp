// Selection feedback: where the handles go, that every shape drawn twice on the
// painted page gives back every pixel, what ClearFeedback erases and resets, and
// the object rectangles with selection numbers that name nothing.

#include "chart_fixture.h"

#include "support/helpers/recording_dc.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <QImage>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using charttest::MakeChart;
using charttest::PixelAt;
using charttest::TestApp;

namespace {

// The rectangles a recording context received, as "Rectangle(l,t,r,b)" texts.
std::vector<std::string> Rects(const RecordingDC& dc) { return dc.Calls("Rectangle"); }

std::string Square(int cx, int cy, int h) {
    return "Rectangle(" + std::to_string(cx - h) + "," + std::to_string(cy - h) + "," +
           std::to_string(cx + h) + "," + std::to_string(cy + h) + ")";
}

class FeedbackShapes : public ::testing::Test {
protected:
    void SetUp() override {
        w = MakeChart(800, 600, false);
        w->HandleSize = 10;
    }
    TestApp app;
    std::unique_ptr<TChartWindow> w;
    RecordingDC dc;
};

TEST_F(FeedbackShapes, RectHandlesLieOutsideTheOutlineWhateverTheCornerOrder) {
    const int h = 10;
    struct Case {
        TRect r;
        std::vector<std::string> handles;
    };
    const Case cases[] = {
        // Normal order: handles pushed up-left, up-right, ... by 2h.
        {TRect(100, 200, 300, 400),
         {Square(80, 180, h), Square(320, 180, h), Square(320, 420, h), Square(80, 420, h),
          Square(80, 300, h), Square(320, 300, h), Square(200, 180, h), Square(200, 420, h)}},
        // Right to left and bottom to top: the signs turn, the handles stay outside.
        {TRect(300, 400, 100, 200),
         {Square(320, 420, h), Square(80, 420, h), Square(80, 180, h), Square(320, 180, h),
          Square(320, 300, h), Square(80, 300, h), Square(200, 420, h), Square(200, 180, h)}},
        // Zero width: left handles at l - 2h, right ones at r + 2h; the side middles
        // truncate toward zero (t = -5, b = 0 gives y = -2).
        {TRect(50, -5, 50, 0),
         {Square(30, -25, h), Square(70, -25, h), Square(70, 20, h), Square(30, 20, h),
          Square(30, -2, h), Square(70, -2, h), Square(50, -25, h), Square(50, 20, h)}},
    };
    for (const Case& c : cases) {
        dc.Clear();
        w->DrawRectHandles(dc, c.r);
        EXPECT_EQ(Rects(dc), c.handles);
        const std::vector<std::string> outline = dc.Calls("Polygon");
        ASSERT_EQ(outline.size(), 1u);
        EXPECT_EQ(outline[0], "Polygon(" + std::to_string(c.r.left) + "," + std::to_string(c.r.top) + ";" +
                                  std::to_string(c.r.right) + "," + std::to_string(c.r.top) + ";" +
                                  std::to_string(c.r.right) + "," + std::to_string(c.r.bottom) + ";" +
                                  std::to_string(c.r.left) + "," + std::to_string(c.r.bottom) + ")");
    }
}

TEST_F(FeedbackShapes, EveryShapeEndsInCopyModeWithTheFormerPenAndBrush) {
    const TPen pen(RGB(1, 2, 3), 7, PS_DASH);
    const TBrush brush(RGB(4, 5, 6));
    TZukei figure;
    figure.Kind = ZukeiPolyline;
    figure.Nodes.Add(DoublePoint(10.9, -10.9));
    const std::vector<std::function<void()>> shapes = {
        [&] { w->DrawRectHandles(dc, TRect(0, 0, 10, 10)); },
        [&] { w->DrawRubberRect(dc, TRect(0, 0, 10, 10)); },
        [&] { w->DrawRubberLine(dc, TRect(0, 0, 10, 10)); },
        [&] { w->DrawFigureHandles(dc, &figure); },
        [&] { w->DrawCrossCursor(dc, 5, 5); },
    };
    for (const auto& shape : shapes) {
        dc.SelectObject(pen);
        dc.SelectObject(brush);
        dc.SetROP2(R2_XORPEN);
        dc.Clear();
        shape();
        EXPECT_EQ(dc.Calls("SetROP2").front(), "SetROP2(" + std::to_string(R2_NOTXORPEN) + ")");
        EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
        EXPECT_EQ(dc.GetPen(), pen);
        EXPECT_EQ(dc.GetBrush(), brush);
    }
}

TEST_F(FeedbackShapes, LineAndFigureAndCross) {
    const int h = 10;
    w->DrawRubberLine(dc, TRect(500, 100, 200, 300));
    EXPECT_EQ(dc.Calls("MoveToEx"), std::vector<std::string>{"MoveToEx(500,100)"});
    EXPECT_EQ(dc.Calls("LineTo"), std::vector<std::string>{"LineTo(200,300)"});
    // The end handles sit on the end points.
    EXPECT_EQ(Rects(dc), (std::vector<std::string>{Square(500, 100, h), Square(200, 300, h)}));

    // A polyline of the current axis set: its box and every node, placed by the
    // truncated frame origin; each node coordinate truncated on its own.
    dc.Clear();
    w->Document.Current->Frame.OriginX = 1000.7;
    w->Document.Current->Frame.OriginY = 2000.2;
    TZukei figure;
    figure.Kind = ZukeiPolyline;
    figure.Bounds = TRect(0, 0, 100, 50);
    figure.Nodes.Add(DoublePoint(10.9, -10.9));
    figure.Nodes.Add(DoublePoint(15.0, -5.0));  // closer than 2h: the squares overlap
    w->DrawFigureHandles(dc, &figure);
    const std::vector<std::string> rects = Rects(dc);
    ASSERT_EQ(rects.size(), 10u);
    EXPECT_EQ(rects[0], Square(980, 1980, h));  // first corner handle of the box
    EXPECT_EQ(rects[8], Square(1010, 1990, h));
    EXPECT_EQ(rects[9], Square(1015, 1995, h));

    // The cross: arms of 5h, red, one page unit wide.
    dc.Clear();
    w->DrawCrossCursor(dc, 100, 200);
    EXPECT_EQ(dc.Calls("MoveToEx"), (std::vector<std::string>{"MoveToEx(50,200)", "MoveToEx(100,150)"}));
    EXPECT_EQ(dc.Calls("LineTo"), (std::vector<std::string>{"LineTo(150,200)", "LineTo(100,250)"}));
    EXPECT_EQ(dc.Calls("SelectPen").front(), "SelectPen(0,1,#FF0000)");
}

TEST_F(FeedbackShapes, ExtremeRectanglesOfDamagedDocumentsDoNotOverflow) {
    // Handles beyond the int range are placed at its end instead of wrapping.
    w->DrawRectHandles(dc, TRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    const std::vector<std::string> rects = Rects(dc);
    ASSERT_EQ(rects.size(), 8u);
    EXPECT_EQ(rects[0], "Rectangle(" + std::to_string(INT_MIN) + "," + std::to_string(INT_MIN) + "," +
                            std::to_string(INT_MIN) + "," + std::to_string(INT_MIN) + ")");
    dc.Clear();
    w->DrawCrossCursor(dc, INT_MAX, INT_MIN);
    EXPECT_EQ(dc.Calls("LineTo").front(), "LineTo(" + std::to_string(INT_MAX) + "," + std::to_string(INT_MIN) + ")");
}

// ---- On the painted page.

class FeedbackOnPage : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart();
        w->CmZoom50();
        BoxFrame* set = w->Document.Current;
        set->Frame.OriginX = 2000;
        set->Frame.OriginY = 3000;
        set->Frame.FrameLengthX = 6000;
        set->Frame.FrameLengthY = 4000;
        auto plot = std::make_unique<TPlot>();
        plot->IsFileData = 0;
        plot->AddX(TDataElement{2.0, 0});
        plot->AddY(TDataElement{3.0, 0});
        set->PlotList.Add(plot);
        auto figure = std::make_unique<TZukei>();
        figure->Kind = ZukeiPolyline;
        figure->Nodes.Add(DoublePoint(100, 100));
        figure->Nodes.Add(DoublePoint(150, 130));  // squares overlapping the first
        figure->Nodes.Add(DoublePoint(2000, 1500));
        figure->UpdateBounds();
        set->ZukeiList.Add(figure.release());
        Repaint();
        w->HandleSize = 60;
    }
    void Repaint() {
        w->Invalidate();
        w->UpdateWindow();
    }
    const QImage& Image() const { return w->BackingImage(); }
    COLORREF At(int x, int y) const {
        TPoint p(x, y);
        w->WindowDC->LPtoDP(&p);
        return PixelAt(Image(), p);
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
};

TEST_F(FeedbackOnPage, EveryShapeDrawnTwiceLeavesTheBackingImageUnchanged) {
    TDC& dc = *w->WindowDC;
    const TZukei* figure = w->Document.Current->ZukeiList[1];
    const std::vector<std::pair<const char*, std::function<void()>>> shapes = {
        {"rect handles", [&] { w->DrawRectHandles(dc, TRect(2000, 3000, 8000, 7000)); }},
        {"reversed rect handles", [&] { w->DrawRectHandles(dc, TRect(8000, 7000, 2000, 3000)); }},
        {"rubber rect", [&] { w->DrawRubberRect(dc, TRect(2500, 3500, 4000, 4100)); }},
        {"rubber line", [&] { w->DrawRubberLine(dc, TRect(2500, 6500, 7000, 3100)); }},
        {"figure handles", [&] { w->DrawFigureHandles(dc, figure); }},
        {"watch cross", [&] { w->DrawCrossCursor(dc, 5000, 5000); }},
        {"data point mark", [&] { w->Document.Current->DrawDataPointMark(dc, 2.0, 3.0, 1); }},
        {"frame selection", [&] { w->DrawFrameSelection(dc, w->Document.Current); }},
    };
    for (const auto& [name, draw] : shapes) {
        SCOPED_TRACE(name);
        const QImage before = Image().copy();
        draw();
        EXPECT_NE(Image(), before);
        draw();
        EXPECT_EQ(Image(), before);
    }
}

TEST_F(FeedbackOnPage, HandlesInvertTheirInsideAndLeaveTheOutlineGap) {
    TDC& dc = *w->WindowDC;
    const TRect r(2000, 3000, 8000, 7000);
    const COLORREF inside = At(5000, 5000);
    const COLORREF corner = At(2000 - 120, 3000 - 120);
    w->DrawRectHandles(dc, r);
    // The first handle's centre is inverted (white paper turns black), the frame
    // inside is untouched.
    EXPECT_EQ(At(2000 - 120, 3000 - 120), RGB(255, 255, 255) - corner);
    EXPECT_EQ(At(5000, 5000), inside);
    w->DrawRectHandles(dc, r);
    EXPECT_EQ(At(2000 - 120, 3000 - 120), corner);
}

TEST_F(FeedbackOnPage, ClearFeedbackErasesWhatIsShownAndDropsTheSelection) {
    TDC& dc = *w->WindowDC;
    const QImage clean = Image().copy();
    BoxFrame* set = w->Document.Current;

    // A polyline selected with its node handles, a marked data point and the
    // watch cross, all on the screen as the fields say.
    set->Selected.Zukeis.Add(1);
    w->DrawFigureHandles(dc, set->ZukeiList[1]);
    w->NodeHandlesShown = 1;
    w->ZukeiSelected = 1;
    w->DrawCrossCursor(dc, 4000, 4000);
    w->WatchHidden = 0;
    w->WatchPoint = TPoint(4000, 4000);
    set->DrawDataPointMark(dc, 2.0, 3.0, 1);
    w->PlotSelected = 1;
    w->SelectedPlot = 1;
    w->SelectedRow = 0;
    w->DataCursor.X = 2.0;
    w->DataCursor.Y = 3.0;
    set->Selected.State = 1;
    w->AxisSelected = 1;
    w->StatusBar->SetMessage("X=1 Y=2");
    ASSERT_NE(Image(), clean);

    w->ClearFeedback();
    EXPECT_EQ(Image(), clean);
    EXPECT_EQ(w->NodeHandlesShown, 0);
    EXPECT_EQ(w->ZukeiSelected, 0);
    EXPECT_EQ(w->AxisSelected, 0);
    EXPECT_EQ(w->PlotSelected, 0);
    EXPECT_EQ(w->SelectedPlot, 1);
    EXPECT_EQ(w->SelectedRow, 1);
    EXPECT_EQ(w->DataCursor.X, 0.0);
    EXPECT_EQ(w->DataCursor.Y, 0.0);
    EXPECT_EQ(w->WatchHidden, 1);
    EXPECT_EQ(w->WatchPoint, TPoint(4000, 4000));
    EXPECT_EQ(set->Selected.State, 0);
    EXPECT_TRUE(set->Selected.Zukeis.IsEmpty());
    EXPECT_EQ(w->StatusBar->GetMessage(), "");

    // Nothing shown: nothing drawn, the state is reset all the same.
    w->TextSelected = 1;
    w->ClearFeedback();
    EXPECT_EQ(Image(), clean);
    EXPECT_EQ(w->TextSelected, 0);
}

TEST_F(FeedbackOnPage, OnlyTheFirstShownSelectionShapeIsErased) {
    TDC& dc = *w->WindowDC;
    const QImage clean = Image().copy();
    const TRect r(2500, 3500, 4000, 4100);
    w->DrawRectHandles(dc, r);
    w->FeedbackRect = r;
    w->HandlesShown = 1;
    w->TextFrameShown = 1;  // a broken state: only the handles are on the screen
    w->ClearFeedback();
    EXPECT_EQ(Image(), clean);
    EXPECT_EQ(w->TextFrameShown, 0);
}

TEST_F(FeedbackOnPage, StaleSelectionNumbersEraseNothingAndAreDropped) {
    const QImage clean = Image().copy();
    BoxFrame* set = w->Document.Current;
    // Node handles said shown for figure 7 of a list of one, a data point of
    // series 5 of one: neither exists, nothing is drawn.
    set->Selected.Zukeis.Add(7);
    w->NodeHandlesShown = 1;
    w->PlotSelected = 1;
    w->SelectedPlot = 5;
    w->ClearFeedback();
    EXPECT_EQ(Image(), clean);
    EXPECT_TRUE(set->Selected.Zukeis.IsEmpty());
    EXPECT_EQ(w->NodeHandlesShown, 0);

    // Flag set, empty list: nothing erased, flag cleared.
    w->NodeHandlesShown = 1;
    w->ClearFeedback();
    EXPECT_EQ(Image(), clean);
    EXPECT_EQ(w->NodeHandlesShown, 0);
}

TEST_F(FeedbackOnPage, NewGraphAndGraphFileHooksClearTheFeedback) {
    w->TextSelected = 1;
    w->MakeNewGraphHooks().ClearFeedback();
    EXPECT_EQ(w->TextSelected, 0);
    w->PlotSelected = 1;
    w->MakeGraphFileHooks().ClearFeedback();
    EXPECT_EQ(w->PlotSelected, 0);
}

// ---- Object rectangles.

TEST_F(FeedbackOnPage, ObjectRectanglesOnThePage) {
    BoxFrame* set = w->Document.Current;
    set->Frame.OriginX = 10.7;
    set->Frame.OriginY = 20.6;
    set->Frame.FrameLengthX = 50.5;
    set->Frame.FrameLengthY = 30.5;
    EXPECT_EQ(w->GetFrameRect(set), TRect(10, 20, 61, 51));

    auto text = std::make_unique<TText>();
    text->Position = TPoint(50, -20);
    text->BoundingBox = TRect(0, 0, 400, 250);
    EXPECT_EQ(w->GetTextRect(set, text.get()), TRect(60, 0, 460, 250));
    set->TextList.Add(text.release());

    TZukei* figure = set->ZukeiList[1];
    figure->Bounds = TRect(-5, -5, 5, 5);
    EXPECT_EQ(w->GetFigureRect(set, figure), TRect(5, 15, 15, 25));
}

TEST_F(FeedbackOnPage, SelectionRectangleUnitesValidNumbersOnly) {
    BoxFrame* set = w->Document.Current;
    set->Frame.OriginX = 0;
    set->Frame.OriginY = 0;
    EXPECT_EQ(w->GetSelectionRect(set), TChartWindow::NoSelectionRect);

    auto far = std::make_unique<TText>();
    far->Position = TPoint(5000, 6000);
    far->BoundingBox = TRect(0, 0, 100, 100);
    set->TextList.Add(far.release());
    set->ZukeiList[1]->Bounds = TRect(100, 200, 300, 400);
    // Numbers beyond their lists (and 0) are passed over, not read.
    set->Selected.Texts.Add(1);
    set->Selected.Texts.Add(9);
    set->Selected.Zukeis.Add(0);
    set->Selected.Zukeis.Add(1);
    set->Selected.AxisTexts2.Add(500);
    EXPECT_EQ(w->GetSelectionRect(set), TRect(100, 200, 5100, 6100));
    // An object whose page box is exactly (0, 0, 0, 0) does not pull the union to
    // the origin.
    auto dot = std::make_unique<TZukei>();
    dot->Bounds = TRect(0, 0, 0, 0);
    set->ZukeiList.Add(dot.release());
    set->Selected.Zukeis.Add(set->ZukeiList.UpperBound());
    EXPECT_EQ(w->GetSelectionRect(set), TRect(100, 200, 5100, 6100));

    set->Selected.Clear();
    set->Selected.Zukeis.Add(3);
    EXPECT_EQ(w->GetSelectionRect(set), TChartWindow::NoSelectionRect);
}

TEST_F(FeedbackOnPage, AnEmptySelectionRectangleIsNotInvalidated) {
    ASSERT_TRUE(w->GetInvalidRegion().isEmpty());
    w->InvalidatePageRect(w->GetSelectionRect(w->Document.Current));
    EXPECT_TRUE(w->GetInvalidRegion().isEmpty());

    // A real rectangle, given reversed, is normalised and grown by the margin.
    w->InvalidatePageRect(TRect(4000, 5000, 3000, 4000));
    TRect grown(3000 - 700, 4000 - 700, 4000 + 700, 5000 + 700);
    w->WindowDC->LPtoDP(grown);
    const QRect expected(grown.left, grown.top, grown.Width(), grown.Height());
    EXPECT_TRUE(w->GetInvalidRegion().contains(expected.adjusted(1, 1, -1, -1)));
    EXPECT_FALSE(w->GetInvalidRegion().contains(QPoint(expected.right() + 5, expected.top())));
}

}  // namespace
