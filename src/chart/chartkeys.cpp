// The keys of the page view: Escape drops the feedback of a move or resize (the
// drag goes on as a rubber band) or the selection; with the watch tool the
// arrows move the watch cross; with the select tool Left and Right move the data
// cursor along the selected series, Delete runs the delete command of the
// selection's kind, and Tab and Shift+Tab step the current axis set. No key
// here changes the document by itself.

#include "chart/chartwindow.h"
#include "chart/winlayer/keystate.h"
#include "platform/cformat.h"
#include "platform/escape.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// A device point beyond this distance from the client origin is off any screen
// (and beyond what 16-bit device coordinates hold).
constexpr std::int64_t kMaxDevice = 30000;

bool Held(UINT vk) { return (kv::win::GetKeyState(vk) & 0x8000) != 0; }

// 10 with Shift, else 100 with Ctrl, else 1.
int StepSize() {
    if (Held(VK_SHIFT)) return 10;
    if (Held(VK_CONTROL)) return 100;
    return 1;
}

void MoveWatchCross(TChartWindow& w, int dx, int dy) {
    if (!w.WindowDC || !w.Document.Current) return;
    TDC& dc = *w.WindowDC;
    TPoint p = w.WatchPoint;
    dc.LPtoDP(&p);
    const std::int64_t nx = std::int64_t(p.x) + dx, ny = std::int64_t(p.y) + dy;
    if (std::llabs(nx) >= kMaxDevice || std::llabs(ny) >= kMaxDevice) return;
    if (!w.WatchHidden) w.DrawCrossCursor(dc, w.WatchPoint.x, w.WatchPoint.y);
    TPoint q(static_cast<int>(nx), static_cast<int>(ny));
    dc.DPtoLP(&q);
    w.DrawCrossCursor(dc, q.x, q.y);
    w.WatchHidden = 0;
    w.WatchPoint = q;
    const double x = w.Document.Current->PageToValue(q.x, BottomAxisNo);
    const double y = w.Document.Current->PageToValue(q.y, LeftAxisNo);
    if (w.StatusBar) w.StatusBar->SetMessage(kv::Format(w.WatchReadoutFormat, x, y));
}

bool HoldsCursor(const TDataElement& e) { return (e.Flag & (DataFlagStar | DataFlagBar)) == 0; }

// The value the series shows at a row: through its processing formula when its
// switch is on, else the column itself ("x" or "y"). False when the formula does
// not compile or evaluate for that row.
bool ShownValue(TChartWindow& w, const TPlot& plot, bool isX, int row, double& value) {
    const TPlotStyle& s = plot.Style;
    const std::string& formula = isX ? s.XFormula : s.YFormula;
    const bool useFormula = (isX ? s.IsXFormula : s.IsYFormula) == 1;
    const std::string text = useFormula ? formula : std::string(isX ? "x" : "y");
    // A formula that does not compile must not leave the last compiled one
    // (another series' or the X formula) to be evaluated in its place.
    double scratch = 0.0;
    if (w.Document.Current->Evaluate(text, scratch, BoxFrame::EvalCompile, &plot, 0,
                                     w.SelectedPlot) != 1)
        return false;
    return w.Document.Current->Evaluate(text, value, BoxFrame::EvalRow, &plot, row,
                                        w.SelectedPlot) == 1;
}

void MoveDataCursor(TChartWindow& w, int step) {
    if (!w.WindowDC || !w.Document.Current) return;
    const TPlot* plot = w.Document.Current->PlotList.At(w.SelectedPlot);
    if (!plot) return;
    const std::int64_t target = std::int64_t(w.SelectedRow) + step;
    const std::int64_t rows = plot->XData.GetItemsInContainer();
    // Not clamped: a step that would pass an end does nothing.
    if (target < 0 || target >= rows || target >= plot->YData.GetItemsInContainer()) return;
    const int r = int(target);
    if (!HoldsCursor(plot->XData[r]) || !HoldsCursor(plot->YData[r])) return;
    // Both values first: a formula that fails for the row leaves the cursor, its
    // mark and the read-out as they were.
    double x = 0.0, y = 0.0;
    if (!ShownValue(w, *plot, true, r, x) || !ShownValue(w, *plot, false, r, y)) return;

    TDC& dc = *w.WindowDC;
    w.Document.Current->DrawDataPointMark(dc, w.DataCursor.X, w.DataCursor.Y, w.SelectedPlot);
    w.DataCursor.X = x;
    w.DataCursor.Y = y;
    w.SelectedRow = r;
    w.Document.Current->DrawDataPointMark(dc, x, y, w.SelectedPlot);
    w.ShowPlotReadout();
}

void StepAxisSet(TChartWindow& w, bool back) {
    const int n = w.Document.AxisSets.GetItemsInContainer();
    if (n < 1 || !w.WindowDC) return;
    if (w.Document.Current) w.DrawFrameSelection(*w.WindowDC, w.Document.Current);
    int no = w.Document.CurrentNo;
    if (no < 1 || no > n) no = 1;  // a number off the list starts again at the first
    no = back ? (no > 1 ? no - 1 : n) : no % n + 1;
    w.Document.CurrentNo = no;
    w.Document.Current = w.Document.AxisSets.At(no);
    w.ShowCurrentAxisSet();
    if (w.CurrentOnly == 0) w.DrawFrameSelection(*w.WindowDC, w.Document.Current);
    else w.Invalidate(true);
}

}  // namespace

void TChartWindow::EvKeyDown(UINT key, UINT repeatCount, UINT flags) {
    TWindow::EvKeyDown(key, repeatCount, flags);

    if (key == UINT(VK_ESCAPE)) {
        if (Dragging != 1) {
            ClearFeedback();
        } else if (HandlesShown || TextFrameShown || LineHandlesShown) {
            // The object keeps its place: the release applies a move or resize only
            // while feedback is shown. The drag goes on as a rubber band.
            ClearFeedback();
            SetHitCursor(DragPoint);
            DragStart = DragPoint;
            DragRect = TRect(DragPoint.x, DragPoint.y, DragPoint.x, DragPoint.y);
        }
        return;
    }

    const int tool = GetCurrentTool();
    if (tool == ToolWatch) {
        const int d = StepSize();
        switch (key) {
        case VK_LEFT: MoveWatchCross(*this, -d, 0); break;
        case VK_RIGHT: MoveWatchCross(*this, d, 0); break;
        case VK_UP: MoveWatchCross(*this, 0, -d); break;
        case VK_DOWN: MoveWatchCross(*this, 0, d); break;
        default: break;
        }
        return;
    }
    if (tool != ToolSelect) return;

    if (PlotSelected) {
        if (key == VK_LEFT) MoveDataCursor(*this, -StepSize());
        else if (key == VK_RIGHT) MoveDataCursor(*this, StepSize());
        else if (key == VK_DELETE) ProcessCommand(CM_PLOTDELETE);
    } else if (ZukeiSelected) {
        if (key == VK_DELETE) ProcessCommand(CM_ZUKEIDELETE);
    } else if (TextSelected) {
        if (key == VK_DELETE) CmTextDelete();
    } else if (MultiSelected) {
        if (key == VK_DELETE) ProcessCommand(CM_SELECTIONDELETE);
    } else if (AxisSelected) {
        // An axis set picked at its frame takes no key.
    } else if (key == VK_TAB) {
        StepAxisSet(*this, Held(VK_SHIFT));
    }
}
