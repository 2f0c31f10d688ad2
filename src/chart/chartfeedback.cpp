// Selection feedback: the handles, dotted frames, line and node handles and the
// watch cross that show the selection over the finished page. They are drawn in
// NOT-XOR, so a second drawing with the same arguments gives back every pixel;
// showing, moving and removing them never repaints the page. The feedback fields
// of the window record what is on the screen; whoever draws or erases a shape
// sets or clears its field in the same step.

#include "chart/chartwindow.h"
#include "platform/winmath.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// Page positions are ints; the sums below are formed wide and saturated, so that
// a damaged document's extreme rectangle draws somewhere off the page instead of
// overflowing.
int Sat(std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

// Pens and brushes of the shapes: a one-pixel black dotted line, a handle square
// with a white border (which leaves the screen as it is under NOT-XOR) and a black
// inside (which inverts it), and the red cross.
const TPen kDottedPen(RGB(0, 0, 0), 0, PS_DOT);
const TPen kHandlePen(RGB(255, 255, 255), 0, PS_SOLID);
const TPen kCrossPen(RGB(255, 0, 0), 1, PS_SOLID);

// The frame of every shape routine: NOT-XOR on entry; the former pen and brush and
// R2_COPYPEN on exit, whatever mode the context had.
class XorScope {
public:
    explicit XorScope(TDC& dc) : dc_(dc), pen_(dc.GetPen()), brush_(dc.GetBrush()) {
        dc_.SetROP2(R2_NOTXORPEN);
    }
    ~XorScope() {
        dc_.SelectObject(pen_);
        dc_.SelectObject(brush_);
        dc_.SetROP2(R2_COPYPEN);
    }
    XorScope(const XorScope&) = delete;
    XorScope& operator=(const XorScope&) = delete;

private:
    TDC& dc_;
    TPen pen_;
    TBrush brush_;
};

// A handle square of side 2h centred on (cx, cy); the handle pen and brush are
// selected by the caller.
void Handle(TDC& dc, std::int64_t cx, std::int64_t cy, int h) {
    dc.Rectangle(Sat(cx - h), Sat(cy - h), Sat(cx + h), Sat(cy + h));
}

// The dotted outline of a rectangle given with its corners in any order and its
// eight handles outside it, a gap of h between each handle and its corner or side.
void RectWithHandles(TDC& dc, const TRect& r, int h) {
    const std::int64_t l = r.left, t = r.top, rt = r.right, b = r.bottom;
    const std::int64_t dx = l <= rt ? 2 * std::int64_t(h) : -2 * std::int64_t(h);
    const std::int64_t dy = t <= b ? 2 * std::int64_t(h) : -2 * std::int64_t(h);
    // Integer division truncating toward zero, as the side handles are placed.
    const std::int64_t mx = (l + rt) / 2;
    const std::int64_t my = (t + b) / 2;

    dc.SelectObject(kDottedPen);
    dc.SelectStockObject(NULL_BRUSH);
    const TPoint outline[4] = {TPoint(r.left, r.top), TPoint(r.right, r.top),
                               TPoint(r.right, r.bottom), TPoint(r.left, r.bottom)};
    dc.Polygon(outline, 4);

    dc.SelectObject(kHandlePen);
    dc.SelectStockObject(BLACK_BRUSH);
    Handle(dc, l - dx, t - dy, h);
    Handle(dc, rt + dx, t - dy, h);
    Handle(dc, rt + dx, b + dy, h);
    Handle(dc, l - dx, b + dy, h);
    Handle(dc, l - dx, my, h);
    Handle(dc, rt + dx, my, h);
    Handle(dc, mx, t - dy, h);
    Handle(dc, mx, b + dy, h);
}

}  // namespace

void TChartWindow::DrawRectHandles(TDC& dc, TRect r) {
    XorScope scope(dc);
    RectWithHandles(dc, r, HandleSize);
}

void TChartWindow::DrawRubberRect(TDC& dc, TRect r) {
    XorScope scope(dc);
    dc.SelectObject(kDottedPen);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(r.left, r.top, r.right, r.bottom);
}

void TChartWindow::DrawRubberLine(TDC& dc, TRect r) {
    XorScope scope(dc);
    dc.SelectObject(kDottedPen);
    dc.MoveToEx(r.left, r.top);
    dc.LineTo(r.right, r.bottom);
    // The end handles sit on the end points themselves.
    dc.SelectObject(kHandlePen);
    dc.SelectStockObject(BLACK_BRUSH);
    Handle(dc, r.left, r.top, HandleSize);
    Handle(dc, r.right, r.bottom, HandleSize);
}

void TChartWindow::DrawFigureHandles(TDC& dc, const TZukei* figure) {
    if (!figure || !Document.Current) return;
    // Figures are selected in the current axis set only, so its origin places them.
    const std::int64_t ox = TruncToIntSaturated(Document.Current->Frame.OriginX);
    const std::int64_t oy = TruncToIntSaturated(Document.Current->Frame.OriginY);
    const TRect& b = figure->Bounds;
    const TRect box(Sat(b.left + ox), Sat(b.top + oy), Sat(b.right + ox), Sat(b.bottom + oy));

    XorScope scope(dc);
    RectWithHandles(dc, box, HandleSize);
    // RectWithHandles leaves the handle pen and brush selected.
    const int n = figure->Nodes.GetItemsInContainer();
    for (int i = 0; i < n; ++i) {
        const DoublePoint& p = figure->Nodes[figure->Nodes.LowerBound() + i];
        Handle(dc, TruncToIntSaturated(p.X) + ox, TruncToIntSaturated(p.Y) + oy, HandleSize);
    }
}

void TChartWindow::DrawCrossCursor(TDC& dc, int x, int y) {
    XorScope scope(dc);
    dc.SelectObject(kCrossPen);
    // Arms of 5 handle sizes keep the cross one size on the screen at every zoom.
    const std::int64_t arm = 5 * std::int64_t(HandleSize);
    dc.MoveToEx(Sat(x - arm), y);
    dc.LineTo(Sat(x + arm), y);
    dc.MoveToEx(x, Sat(y - arm));
    dc.LineTo(x, Sat(y + arm));
}

void TChartWindow::ClearFeedback() {
    // Erase first: the shapes are found from the selection records and the
    // data-cursor fields, which are reset below.
    if (TDC* dc = WindowDC.get()) {
        if (HandlesShown) {
            DrawRectHandles(*dc, FeedbackRect);
        } else if (TextFrameShown) {
            DrawRubberRect(*dc, FeedbackRect);
        } else if (LineHandlesShown) {
            DrawRubberLine(*dc, FeedbackRect);
        } else if (NodeHandlesShown && Document.Current &&
                   !Document.Current->Selected.Zukeis.IsEmpty()) {
            // The number must name a figure of the list; a stale one erases nothing.
            const SelectedFlags::IndexList& sel = Document.Current->Selected.Zukeis;
            if (const TZukei* figure = Document.Current->ZukeiList.At(sel[sel.LowerBound()]))
                DrawFigureHandles(*dc, figure);
        }
        // A series number beyond the list draws nothing.
        if (PlotSelected && Document.Current)
            Document.Current->DrawDataPointMark(*dc, DataCursor.X, DataCursor.Y, SelectedPlot);
        if (!WatchHidden) DrawCrossCursor(*dc, WatchPoint.x, WatchPoint.y);
    }

    HandlesShown = 0;
    TextFrameShown = 0;
    LineHandlesShown = 0;
    NodeHandlesShown = 0;
    for (BoxFrame* set : Document.AxisSets) set->Selected.Clear();
    AxisSelected = 0;
    TextSelected = 0;
    ZukeiSelected = 0;
    MultiSelected = 0;
    PlotSelected = 0;
    SelectedPlot = 1;
    SelectedRow = 1;
    DataCursor.X = 0.0;
    DataCursor.Y = 0.0;
    WatchHidden = 1;
    if (StatusBar) StatusBar->SetMessage(std::string());
}
