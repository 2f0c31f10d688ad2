// The page mapping, the zoom steps, the scroll bars in page twips, line, page and
// thumb scrolling and the handle size.

#include "chart_fixture.h"

#include <gtest/gtest.h>

#include <QScrollBar>

using charttest::MakeChart;
using charttest::TestApp;

namespace {

TEST(PageMapping, ClientAreaAt96Dpi) {
    struct {
        int w, h, zoom;
        TSize windowExt;
        TSize viewportExt;
    } cases[] = {
        {800, 600, 100, {1200, 900}, {80, 60}},
        {800, 600, 200, {600, 450}, {80, 60}},
        // 801 pixels: 1201 twips over 80 viewport units.
        {801, 600, 100, {1201, 900}, {80, 60}},
        // A zoom below 1 (a damaged document) counts as 100.
        {800, 600, 0, {1200, 900}, {80, 60}},
        {800, 600, -40, {1200, 900}, {80, 60}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        TPageMapping m;
        ASSERT_TRUE(ComputePageMapping(c.w, c.h, 96, 96, c.zoom, TPoint(5000, 7000), m));
        EXPECT_EQ(m.WindowExt, c.windowExt);
        EXPECT_EQ(m.ViewportExt, c.viewportExt);
        EXPECT_EQ(m.ViewportOrg, TPoint(c.w / 2, 300));
        EXPECT_EQ(m.WindowOrg, TPoint(5000, 7000));
        TDC dc;
        ApplyPageMapping(dc, m);
        TPoint p[2] = {{5000, 7000}, {5000 + c.windowExt.cx, 7000}};
        dc.LPtoDP(p, 2);
        EXPECT_EQ(p[0], TPoint(c.w / 2, 300));  // the view centre at the client centre
        EXPECT_EQ(p[1].x - p[0].x, c.viewportExt.cx);
    }
    // 15 twips per pixel at zoom 100.
    TPageMapping m;
    ASSERT_TRUE(ComputePageMapping(800, 600, 96, 96, 100, TPoint(0, 0), m));
    TDC dc;
    ApplyPageMapping(dc, m);
    TPoint p(1500, -150);
    dc.LPtoDP(&p);
    EXPECT_EQ(p, TPoint(500, 290));
}

TEST(PageMapping, DegenerateAreasAreNotMapped) {
    TPageMapping m;
    EXPECT_FALSE(ComputePageMapping(0, 600, 96, 96, 100, TPoint(), m));
    EXPECT_FALSE(ComputePageMapping(800, 0, 96, 96, 100, TPoint(), m));
    EXPECT_FALSE(ComputePageMapping(9, 600, 96, 96, 100, TPoint(), m));  // viewport extent 0
    EXPECT_FALSE(ComputePageMapping(800, 600, 0, 96, 100, TPoint(), m));
    EXPECT_FALSE(ComputePageMapping(20, 20, 96, 96, 100000, TPoint(), m));  // window extent 0
}

TEST(PageMapping, PaintGivesTheKeptContextTheSameMapping) {
    TestApp app;
    auto w = MakeChart();
    w->CmZoom200();
    w->UpdateWindow();
    EXPECT_EQ(w->LogPixelsX, 96);
    EXPECT_EQ(w->LogPixelsY, 96);
    EXPECT_EQ(w->WindowDC->GetMapMode(), MM_ANISOTROPIC);
    EXPECT_EQ(w->WindowDC->GetWindowExt(), TSize(600, 450));
    EXPECT_EQ(w->WindowDC->GetViewportExt(), TSize(80, 60));
    EXPECT_EQ(w->WindowDC->GetWindowOrg(),
              TPoint(w->Document.Env->ViewCenterX, w->Document.Env->ViewCenterY));
    EXPECT_EQ(w->WindowDC->GetViewportOrg(), TPoint(400, 300));
}

TEST(Zoom, StepsSetZoomGadgetHandleSizeAndRepaint) {
    TestApp app;
    auto w = MakeChart();
    kv::win::TCommandRouter router;
    router.SetTargets({w.get()});
    struct {
        int id, zoom;
        const char* text;
        int handle;
    } cases[] = {{CM_ZOOM25, 25, " 25%", 240}, {CM_ZOOM50, 50, " 50%", 120}, {CM_ZOOM75, 75, " 75%", 80},
                 {CM_ZOOM100, 100, "100%", 60}, {CM_ZOOM150, 150, "150%", 40}, {CM_ZOOM200, 200, "200%", 30},
                 {CM_ZOOM400, 400, "400%", 15}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        w->UpdateWindow();
        ASSERT_TRUE(w->GetInvalidRegion().isEmpty());
        ASSERT_TRUE(router.Execute(c.id));
        EXPECT_EQ(w->Document.Env->Zoom, c.zoom);
        EXPECT_EQ(app.StatusBar()->GetGadgetText(ZoomGadget), c.text);
        EXPECT_EQ(w->HandleSize, c.handle);  // handle size setting 10 at 96 dpi
        EXPECT_EQ(w->GetInvalidRegion(), QRegion(0, 0, 800, 600));
        EXPECT_EQ(w->Document.Modified, 0);
    }
}

TEST(ScrollBars, SheetNarrowerThanTheViewIsCentred) {
    TestApp app;
    auto w = MakeChart();  // zoom 100: 12000 twips across, 9000 down
    const TEnv& env = *w->Document.Env;
    EXPECT_EQ(env.ViewCenterX, 11905 / 2 - 283);
    EXPECT_EQ(w->HScrollInfo.nPage, 11905u);
    EXPECT_EQ(w->HScrollInfo.nMin, 6000 - 283);
    EXPECT_EQ(w->HScrollInfo.nMax, 6000 + 11905 - 283);
    // Vertically the sheet is taller than the view: centre kept, page = view.
    EXPECT_EQ(env.ViewCenterY, 16270 / 2);
    EXPECT_EQ(w->VScrollInfo.nMin, 4500 - 283);
    EXPECT_EQ(w->VScrollInfo.nMax, 4500 + 16837 - 283);
    EXPECT_EQ(w->VScrollInfo.nPage, 9000u);
    EXPECT_EQ(w->VScrollInfo.nPos, env.ViewCenterY);
    // The bar itself, in Win32's terms.
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(w->GetScrollInfo(SB_VERT, si));
    EXPECT_EQ(si.nMin, 4217);
    EXPECT_EQ(si.nMax, 21054);
    EXPECT_EQ(si.nPage, 9000u);
    EXPECT_EQ(si.nPos, 8135);
    QScrollBar* bar = w->ScrollBar(SB_VERT);
    EXPECT_EQ(bar->minimum(), 4217);
    EXPECT_EQ(bar->maximum(), 21054 - 8999);
    EXPECT_EQ(bar->pageStep(), 9000);
    EXPECT_EQ(bar->value(), 8135);
    EXPECT_TRUE(bar->isEnabled());
}

// Whether row y of `after` equals row y + dy of `before` for every row that both
// hold.
bool RowsShifted(const QImage& before, const QImage& after, int dy) {
    const int h = before.height();
    for (int y = 0; y < h; ++y) {
        const int src = y + dy;
        if (src < 0 || src >= h) continue;
        for (int x = 0; x < before.width(); ++x)
            if (after.pixel(x, y) != before.pixel(x, src)) return false;
    }
    return true;
}

struct StepCase {
    int zoom;
    UINT code;
    int centreDelta;
    int shift;
};

class ScrollStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(ScrollStep, MovesTheCentreAndThePixels) {
    const StepCase& c = GetParam();
    TestApp app;
    auto w = MakeChart();
    w->Document.Env->Zoom = c.zoom;
    w->Document.Env->IsGrid = 1;  // dots give the picture rows to compare
    w->UpdateScrollBars();
    w->Invalidate();
    w->UpdateWindow();
    const QImage before = w->BackingImage().copy();
    const int centre = w->Document.Env->ViewCenterY;
    w->EvVScroll(c.code, 0);
    EXPECT_EQ(w->Document.Env->ViewCenterY, centre + c.centreDelta);
    EXPECT_EQ(w->VScrollInfo.nPos, w->Document.Env->ViewCenterY);
    EXPECT_EQ(w->GetScrollPos(SB_VERT), w->Document.Env->ViewCenterY);
    EXPECT_EQ(w->Scrolling, 1);
    // Larger centre: the picture moves up; the strip it uncovers waits for paint.
    const bool down = c.centreDelta > 0;
    EXPECT_TRUE(RowsShifted(before, w->BackingImage(), down ? c.shift : -c.shift));
    EXPECT_EQ(w->GetInvalidRegion(), QRegion(0, down ? 600 - c.shift : 0, 800, c.shift));
    // The uncovered strip gets the paper only while scrolling.
    w->UpdateWindow();
    w->EvVScroll(SB_ENDSCROLL, 0);
    EXPECT_EQ(w->Scrolling, 0);
    EXPECT_EQ(w->GetInvalidRegion(), QRegion(0, 0, 800, 600));
}

INSTANTIATE_TEST_SUITE_P(Steps, ScrollStep,
                         ::testing::Values(StepCase{100, SB_LINEDOWN, 100, 6}, StepCase{100, SB_PAGEDOWN, 1000, 60},
                                           StepCase{100, SB_LINEUP, -100, 6}, StepCase{100, SB_PAGEUP, -1000, 60},
                                           StepCase{400, SB_LINEDOWN, 100, 26}, StepCase{400, SB_PAGEDOWN, 1000, 260},
                                           StepCase{400, SB_PAGEUP, -1000, 260}));

TEST(Scrolling, StepsStopAtTheEndsOfTheRange) {
    TestApp app;
    auto w = MakeChart();
    const int nMin = w->VScrollInfo.nMin;
    const int last = w->VScrollInfo.nMax - int(w->VScrollInfo.nPage);
    w->UpdateWindow();

    // 40 twips above the start: a line up moves 40 twips, 2 pixels.
    w->Document.Env->ViewCenterY = nMin + 40;
    w->EvVScroll(SB_LINEUP, 0);
    EXPECT_EQ(w->Document.Env->ViewCenterY, nMin);
    EXPECT_EQ(w->GetInvalidRegion(), QRegion(0, 0, 800, 2));
    w->UpdateWindow();
    // At the start nothing moves, but the view is still scrolling.
    w->EvVScroll(SB_LINEUP, 0);
    EXPECT_EQ(w->Document.Env->ViewCenterY, nMin);
    EXPECT_TRUE(w->GetInvalidRegion().isEmpty());
    EXPECT_EQ(w->Scrolling, 1);

    // The same at the other end with a page step.
    w->Document.Env->ViewCenterY = last - 280;
    w->EvVScroll(SB_PAGEDOWN, 0);
    EXPECT_EQ(w->Document.Env->ViewCenterY, last);
    EXPECT_EQ(w->GetInvalidRegion(), QRegion(0, 600 - 18, 800, 18));  // 18.67 pixels
    w->UpdateWindow();
    w->EvVScroll(SB_PAGEDOWN, 0);
    EXPECT_EQ(w->Document.Env->ViewCenterY, last);
    EXPECT_TRUE(w->GetInvalidRegion().isEmpty());
    // A centre outside the range (a damaged document) does not move at all.
    w->Document.Env->ViewCenterY = nMin - 5000;
    w->EvVScroll(SB_LINEDOWN, 0);
    EXPECT_EQ(w->Document.Env->ViewCenterY, nMin - 5000);
}

TEST(Scrolling, ThumbSetsTheCentreWithoutMovingPixels) {
    TestApp app;
    auto w = MakeChart();
    w->UpdateWindow();
    w->EvVScroll(SB_THUMBTRACK, 5000);
    EXPECT_EQ(w->Document.Env->ViewCenterY, 5000);
    EXPECT_EQ(w->VScrollInfo.nPos, 5000);
    EXPECT_EQ(w->VScrollInfo.nTrackPos, 5000);
    EXPECT_TRUE(w->GetInvalidRegion().isEmpty());
    w->EvVScroll(SB_THUMBPOSITION, 6000);
    EXPECT_EQ(w->Document.Env->ViewCenterY, 6000);
    EXPECT_EQ(w->GetScrollPos(SB_VERT), 6000);
    w->EvVScroll(SB_ENDSCROLL, 0);
    EXPECT_EQ(w->GetInvalidRegion(), QRegion(0, 0, 800, 600));
}

TEST(Scrolling, ThumbPositionsAreSigned) {
    // A small window at zoom 400 scrolls from left of the sheet's origin: the
    // range starts below 0, and dragging the thumb there gives that position.
    TestApp app;
    auto w = MakeChart(30, 30);
    w->CmZoom400();
    QScrollBar* bar = w->ScrollBar(SB_HORZ);
    EXPECT_EQ(w->HScrollInfo.nMin, 56 - 283);
    ASSERT_EQ(bar->minimum(), -227);
    bar->setSliderPosition(bar->minimum());  // the thumb dragged to the left end
    EXPECT_EQ(w->Document.Env->ViewCenterX, -227);
    EXPECT_EQ(w->HScrollInfo.nTrackPos, -227);
}

TEST(Scrolling, BarActionsReachTheWindowAsScrollCodes) {
    TestApp app;
    auto w = MakeChart();
    QScrollBar* bar = w->ScrollBar(SB_VERT);
    const int centre = w->Document.Env->ViewCenterY;
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(w->Document.Env->ViewCenterY, centre + 100);
    // The bar shows where the window put it, not Qt's own single step.
    EXPECT_EQ(bar->value(), centre + 100);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(w->Document.Env->ViewCenterY, centre + 100 - 1000);
    EXPECT_EQ(bar->value(), centre - 900);
    EXPECT_EQ(w->Scrolling, 1);
}

TEST(Scrolling, ResizeRecomputesTheBarsAndRepaintsEverything) {
    TestApp app;
    auto w = MakeChart();
    w->CmZoom200();
    w->UpdateWindow();
    w->SetClientSize(400, 300);
    EXPECT_EQ(w->GetClientRect(), TRect(0, 0, 400, 300));
    EXPECT_EQ(w->HScrollInfo.nPage, 3000u);
    EXPECT_EQ(w->VScrollInfo.nPage, 2250u);
    EXPECT_EQ(w->GetInvalidRegion(), QRegion(0, 0, 400, 300));
}

TEST(Scrolling, DegenerateClientAndZoomNeverDivideByZero) {
    TestApp app;
    auto w = MakeChart(0, 0);
    for (int zoom : {0, -5, 1}) {
        SCOPED_TRACE(zoom);
        w->Document.Env->Zoom = zoom;
        w->UpdateScrollBars();
        w->UpdateHandleSize();
        EXPECT_EQ(w->HandleSize, zoom < 1 ? 60 : 6000);
        w->EvHScroll(SB_LINERIGHT, 0);
        w->EvVScroll(SB_PAGEUP, 0);
        w->Invalidate();
        w->UpdateWindow();
    }
    w->SetClientSize(5, 5);
    w->Document.Env->Zoom = 0;
    w->Invalidate();
    w->UpdateWindow();
    SUCCEED();
}

}  // namespace
