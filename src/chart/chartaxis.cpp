// The Axis menu's frame and axis commands on the current axis set. An accepted
// dialog always leaves the document modified and the selection cleared, and the
// numeric labels of the axes that label themselves are built again; Cancel changes
// nothing.

#include "chart/chartwindow.h"
#include "dialogs/axisdialog.h"
#include "dialogs/axisframe.h"
#include "render/syncaxes.h"

void TChartWindow::CmAxisFrame() {
    if (!Current) return;
    int result;
    {
        TAxisFrameDialog dialog(this, &Current->Frame);
        result = dialog.Execute();
    }
    if (result != IDOK) return;
    // A changed frame type or size takes the axes along at once.
    ::SyncAxes(&Current->Frame, &Current->LeftAxis, &Current->RightAxis, &Current->TopAxis,
               &Current->BottomAxis);
    ClearFeedback();
    UpdateAxisLabels(Current);
    Modified = 1;
    Invalidate(true);
}

namespace {

// The axis dialog synchronises the axes itself before it stores them.
void RunAxisCommand(TChartWindow& w, int axis) {
    if (!w.Current) return;
    int result;
    {
        TAxisDialog dialog(&w, w.Current, axis);
        result = dialog.Execute();
    }
    if (result != IDOK) return;
    w.ClearFeedback();
    w.UpdateAxisLabels(w.Current);
    w.Modified = 1;
    w.Invalidate(true);
}

}  // namespace

void TChartWindow::CmXAxis() { RunAxisCommand(*this, BottomAxisNo); }
void TChartWindow::CmYAxis() { RunAxisCommand(*this, LeftAxisNo); }
void TChartWindow::CmTopAxis() { RunAxisCommand(*this, TopAxisNo); }
void TChartWindow::CmRightAxis() { RunAxisCommand(*this, RightAxisNo); }
