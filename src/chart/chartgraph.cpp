// The chart window's whole-page drawing and extents, over its document.

#include "chart/chartwindow.h"
#include "render/graphdraw.h"

void TChartWindow::DrawGraph(int mode, TDC& dc, FILE* file, TRect* extent) {
    ::DrawGraph(AxisSets, mode, dc, file, extent);
}

TRect TChartWindow::GetGraphExtent() const { return ::GetGraphExtent(AxisSets); }

TRect TChartWindow::GetCurrentFrameExtent() const {
    return ::GetCurrentFrameExtent(AxisSets, CurrentNo);
}
