// The Axis menu's frame and axis commands on the current axis set. An accepted
// dialog always leaves the document modified and the selection cleared, and the
// numeric labels of the axes that label themselves are built again; Cancel changes
// nothing.

#include "chart/chartwindow.h"
#include "dialogs/axisdialog.h"
#include "dialogs/axisframe.h"
#include "render/syncaxes.h"

void TChartWindow::CmAxisFrame() {
    if (!Document.Current) return;
    int result;
    {
        TAxisFrameDialog dialog(this, &Document.Current->Frame);
        result = dialog.Execute();
    }
    if (result != IDOK) return;
    // A changed frame type or size takes the axes along at once.
    ::SyncAxes(&Document.Current->Frame, &Document.Current->LeftAxis, &Document.Current->RightAxis,
               &Document.Current->TopAxis, &Document.Current->BottomAxis);
    ClearFeedback();
    UpdateAxisLabels(Document.Current);
    Document.Modified = 1;
    Invalidate(true);
}

namespace {

// The axis dialog synchronises the axes itself before it stores them.
void RunAxisCommand(TChartWindow& w, int axis) {
    if (!w.Document.Current) return;
    int result;
    {
        TAxisDialog dialog(&w, w.Document.Current, axis);
        result = dialog.Execute();
    }
    if (result != IDOK) return;
    w.ClearFeedback();
    w.UpdateAxisLabels(w.Document.Current);
    w.Document.Modified = 1;
    w.Invalidate(true);
}

}  // namespace

void TChartWindow::CmXAxis() { RunAxisCommand(*this, BottomAxisNo); }
void TChartWindow::CmYAxis() { RunAxisCommand(*this, LeftAxisNo); }
void TChartWindow::CmTopAxis() { RunAxisCommand(*this, TopAxisNo); }
void TChartWindow::CmRightAxis() { RunAxisCommand(*this, RightAxisNo); }
