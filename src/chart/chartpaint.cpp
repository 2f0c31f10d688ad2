// Painting the page view: the twips mapping at the view's zoom and centre, the
// sheet with its shadow, the printable area, the grid dots and the axis sets; and
// measuring the printer's page.

#include "chart/chartwindow.h"
#include "render/axislabels.h"
#include "render/graphdraw.h"
#include "render/hittest.h"
#include "platform/escape.h"
#include "platform/winmath.h"

#include <cmath>
#include <cstdint>

using kv::win::Application;

void TChartWindow::Paint(TDC& dc, bool erase, const TRect& rect) {
    TWindow::Paint(dc, erase, rect);
    AbortRequested = 0;
    LogPixelsX = dc.GetDeviceCaps(LOGPIXELSX);
    LogPixelsY = dc.GetDeviceCaps(LOGPIXELSY);

    // The same mapping on the kept context, so that hit tests and feedback drawn
    // between paints see the page as painted.
    const TRect client = GetClientRect();
    TPageMapping mapping;
    if (!ComputePageMapping(client.Width(), client.Height(), LogPixelsX, LogPixelsY,
                            Document.Env->Zoom,
                            TPoint(Document.Env->ViewCenterX, Document.Env->ViewCenterY), mapping))
        return;  // too small to show anything
    ApplyPageMapping(dc, mapping);
    if (WindowDC) ApplyPageMapping(*WindowDC, mapping);

    DrawPaper(dc);
    if (Scrolling) return;  // the full picture follows when the scrolling ends

    GraphViewSettings view;
    view.CurrentNo = Document.CurrentNo;
    view.CurrentOnly = CurrentOnly;
    view.Quality = Quality;
    view.ManualRefresh = ManualRefresh;
    view.ReloadDataBeforePlot = Settings.ReloadDataBeforePlot;
    DrawGraphView(Document.AxisSets, dc, view);

    DrawHeaderFooter(dc);
    DrawFrameSelection(dc, Document.Current);
    RedrawFeedback(dc);
}

void TChartWindow::DrawPaper(TDC& dc) {
    const int ox = Document.Env->PrintOffsetX;
    const int oy = Document.Env->PrintOffsetY;
    const int pw = Document.Env->PaperWidth;
    const int ph = Document.Env->PaperHeight;

    // The shadow: 100 twips wide, 100 twips to the right of and below the sheet.
    int saved = dc.SaveDC();
    dc.SelectStockObject(BLACK_PEN);
    dc.SelectStockObject(BLACK_BRUSH);
    dc.Rectangle(pw - ox, 100 - oy, pw - ox + 100, ph - oy + 100);
    dc.Rectangle(100 - ox, ph - oy, pw - ox + 100, ph - oy + 100);
    dc.RestoreDC(saved);

    // The sheet, outlined with the context's own pen.
    saved = dc.SaveDC();
    dc.SelectObject(TBrush(Document.Env->PaperColor));
    dc.Rectangle(-ox, -oy, pw - ox, ph - oy);
    dc.RestoreDC(saved);

    // The printable area: a dotted one-pixel blue outline.
    saved = dc.SaveDC();
    dc.SelectStockObject(NULL_BRUSH);
    dc.SelectObject(TPen(RGB(0, 0, 255), 0, PS_DOT));
    dc.Rectangle(0, 0, Document.Env->PrintableWidth, Document.Env->PrintableHeight);
    dc.RestoreDC(saved);

    DrawGridDots(dc);
}

void TChartWindow::DrawGridDots(TDC& dc) {
    if (Document.Env->IsGrid != 1) return;
    // A pitch of 0 or less (a damaged document) has no dots to place.
    if (Document.Env->GridPitch <= 0) return;
    const std::int64_t step = 5 * std::int64_t(Document.Env->GridPitch);
    // Dots closer than two pixels would only blacken the page: a pitch that small
    // comes from a damaged document, never from the grid commands.
    if (step * std::fabs(dc.ScaleX()) < 2.0 || step * std::fabs(dc.ScaleY()) < 2.0) return;
    const std::int64_t nx = Document.Env->PrintableWidth / step;
    const std::int64_t ny = Document.Env->PrintableHeight / step;
    for (std::int64_t i = 0; i <= nx; ++i)
        for (std::int64_t j = 0; j <= ny; ++j) dc.SetPixel(int(step * i), int(step * j), RGB(0, 0, 0));
}

void TChartWindow::GetPageMetrics() {
    kv::win::TPrinterPage page;
    if (!Application().GetPrinterPage(page) || page.LogPixelsX <= 0 || page.LogPixelsY <= 0) {
        Document.Env->PrintableWidth = A4PrintableWidth;
        Document.Env->PrintableHeight = A4PrintableHeight;
        Document.Env->PaperWidth = A4PaperWidth;
        Document.Env->PaperHeight = A4PaperHeight;
        Document.Env->PrintOffsetX = A4PrintOffset;
        Document.Env->PrintOffsetY = A4PrintOffset;
        return;
    }
    const int dx = page.LogPixelsX;
    const int dy = page.LogPixelsY;
    Document.Env->PrintableWidth = MulDiv(page.HorzRes, 1440, dx);
    Document.Env->PrintableHeight = MulDiv(page.VertRes, 1440, dy);
    Document.Env->PaperWidth = MulDiv(page.PhysicalWidth, 1440, dx);
    Document.Env->PaperHeight = MulDiv(page.PhysicalHeight, 1440, dy);
    Document.Env->PrintOffsetX = MulDiv(page.PrintOffsetX, 1440, dx);
    Document.Env->PrintOffsetY = MulDiv(page.PrintOffsetY, 1440, dy);
}

void TChartWindow::UpdateAxisLabels(BoxFrame* set) {
    if (!set) return;
    // Bottom, left, top, right; an axis whose labels were left to the user keeps
    // its texts.
    if (set->BottomAxis.IsAutoLabel != 0) ::MakeAxisLabels(set, BottomAxisNo);
    if (set->LeftAxis.IsAutoLabel != 0) ::MakeAxisLabels(set, LeftAxisNo);
    if (set->TopAxis.IsAutoLabel != 0) ::MakeAxisLabels(set, TopAxisNo);
    if (set->RightAxis.IsAutoLabel != 0) ::MakeAxisLabels(set, RightAxisNo);
}

void TChartWindow::DrawFrameSelection(TDC& dc, BoxFrame* set) {
    if (set) ::DrawFrameSelection(dc, set, HandleSize);
}
