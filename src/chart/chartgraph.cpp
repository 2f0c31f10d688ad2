// The chart window's whole-page drawing and extents, over its document.

#include "chart/chartwindow.h"
#include "render/graphdraw.h"

void TChartWindow::DrawGraph(int mode, TDC& dc, FILE* file, TRect* extent) {
    ::DrawGraph(Document.AxisSets, mode, dc, file, extent);
}

TRect TChartWindow::GetGraphExtent() const { return ::GetGraphExtent(Document.AxisSets); }

TRect TChartWindow::GetCurrentFrameExtent() const {
    return ::GetCurrentFrameExtent(Document.AxisSets, Document.CurrentNo);
}
