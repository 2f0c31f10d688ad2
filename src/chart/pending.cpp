#include "chart/pending.h"

#include "chart/chartwindow.h"
#include "platform/escape.h"

namespace pending {

namespace {

// Until the axis-set drawing lands: the frame's place on the page.
void DrawFramePlaceholder(const BoxFrame& set, TDC& dc) {
    const int saved = dc.SaveDC();
    if (set.Frame.FrameBackPaint == 1) dc.SelectObject(TBrush(set.Frame.FrameBackColor));
    else dc.SelectStockObject(NULL_BRUSH);
    dc.SelectObject(TPen(set.Frame.FrameLineColor, 0));
    dc.Rectangle(set.GetFrameRect());
    dc.RestoreDC(saved);
}

}  // namespace

void DrawAxisSets(const TViewDrawing& view, TDC& dc) {
    if (!view.AxisSets) return;
    const TIArrayAsVector<BoxFrame>& sets = *view.AxisSets;
    const int n = sets.GetItemsInContainer();
    for (int i = 1; i <= n; ++i) {
        if (CheckEscapeAbort() == 1) break;
        if (!(view.CurrentOnly == 0 || (view.CurrentOnly == 1 && i == view.CurrentNo))) continue;
        BoxFrame* set = sets[i];
        DrawFramePlaceholder(*set, dc);
        if (view.ManualRefresh == 0) {
            const int count = set->PlotList.GetItemsInContainer();
            for (int k = 1; k <= count; ++k) {
                if (CheckEscapeAbort() == 1) break;
                TPlot* plot = set->PlotList.At(k);
                if (!plot) continue;
                if (view.ReloadDataBeforePlot == 1 && plot->ReadData() != 1) continue;
                // The series itself is drawn once the series drawing lands.
            }
        }
    }
}

void SyncAxes(Frame*, AxisUnit*, AxisUnit*, AxisUnit*, AxisUnit*) {}

void MakeAxisLabels(BoxFrame*, int) {}

}  // namespace pending

// The page header and footer, the mark of the current axis set and the selection
// feedback are drawn by their own code once it lands.
void TChartWindow::DrawHeaderFooter(TDC&) {}
void TChartWindow::DrawFrameSelection(TDC&, BoxFrame*) {}
void TChartWindow::RedrawFeedback(TDC&) {}
