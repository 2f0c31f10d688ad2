// The left-button gestures of the page view: the press that starts one kind of
// drag (by the shown selection feedback and what lies under the point, else by
// the palette's tool), the moves that keep that drag's NOT-XOR shape under the
// mouse, the common entry of the release (its branches are in chartrelease.cpp),
// panning, the polyline's rubber segment, the watch read-out, and the double-click
// and right-button parts of the same state.

#include "chart/chartmouse.h"

#include "platform/cformat.h"
#include "platform/winmath.h"
#include "render/output.h"
#include "render/zukeidraw.h"

#include <cmath>
#include <cstdlib>

namespace chartmouse {

TPoint Origin(const TChartWindow& w) {
    if (!w.Document.Current) return TPoint();
    return TPoint(TruncToIntSaturated(w.Document.Current->Frame.OriginX),
                  TruncToIntSaturated(w.Document.Current->Frame.OriginY));
}

TPoint ToPageRaw(const TChartWindow& w, TPoint device) {
    if (w.WindowDC) w.WindowDC->DPtoLP(&device, 1);
    return device;
}

TPoint ToPage(const TChartWindow& w, TPoint device) { return Limit(ToPageRaw(w, device)); }

void XorFrame(TDC& dc, const TRect& r) {
    const TPen pen = dc.GetPen();
    const TBrush brush = dc.GetBrush();
    dc.SetROP2(R2_NOTXORPEN);
    dc.SelectObject(TPen(RGB(0, 0, 0), 1, PS_SOLID));
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(r);
    dc.SelectObject(pen);
    dc.SelectObject(brush);
    dc.SetROP2(R2_COPYPEN);
}

void XorSegment(TDC& dc, TPoint a, TPoint b) {
    const TPen pen = dc.GetPen();
    dc.SetROP2(R2_NOTXORPEN);
    dc.SelectObject(TPen(RGB(0, 0, 0), 0, PS_SOLID));
    dc.MoveToEx(a.x, a.y);
    dc.LineTo(b.x, b.y);
    dc.SelectObject(pen);
    dc.SetROP2(R2_COPYPEN);
}

TPoint NodePoint(TPoint o, const DoublePoint& node) {
    return TPoint(Sat(std::int64_t(o.x) + TruncToIntSaturated(node.X)),
                  Sat(std::int64_t(o.y) + TruncToIntSaturated(node.Y)));
}

TZukei* SelectedFigure(const TChartWindow& w) {
    if (!w.Document.Current) return nullptr;
    const SelectedFlags::IndexList& list = w.Document.Current->Selected.Zukeis;
    if (list.IsEmpty()) return nullptr;
    return w.Document.Current->ZukeiList.At(list[list.LowerBound()]);
}

bool AnchoredDrag(const TChartWindow& w, int tool) {
    if (w.HandlesShown || w.TextFrameShown || w.LineHandlesShown || w.NodeHandlesShown) return true;
    return tool >= ToolLine && tool <= ToolAxisCut;
}

TPoint ShiftConstrained(const TChartWindow& w, UINT keys, int tool, TPoint lp) {
    if (!(keys & MK_SHIFT) || !AnchoredDrag(w, tool)) return lp;
    const std::int64_t dx = std::llabs(std::int64_t(lp.x) - w.DragStart.x);
    const std::int64_t dy = std::llabs(std::int64_t(lp.y) - w.DragStart.y);
    if (dx >= dy) lp.y = w.Anchor.y;
    else lp.x = w.Anchor.x;
    return lp;
}

TPoint CtrlConstrained(const TChartWindow& w, TPoint lp) {
    lp.y = Limit(std::int64_t(w.DragStart.y) + (std::int64_t(lp.x) - w.DragStart.x));
    return lp;
}

namespace {

// The shift along one axis that keeps [lo, hi] + d within the limit; a box that
// is already beyond it may move only back toward the page.
std::int64_t LimitShift(std::int64_t d, std::int64_t a, std::int64_t b) {
    const std::int64_t lo = -std::int64_t(PageLimit) - std::min(a, b);
    const std::int64_t hi = std::int64_t(PageLimit) - std::max(a, b);
    return std::clamp(d, std::min<std::int64_t>(lo, 0), std::max<std::int64_t>(hi, 0));
}

}  // namespace

TRect MovedBox(const TChartWindow& w, const TRect& r0, TPoint lp) {
    std::int64_t dx = std::int64_t(lp.x) - w.DragStart.x;
    std::int64_t dy = std::int64_t(lp.y) - w.DragStart.y;
    // The moved corner lands on the grid: the box keeps its size.
    const TPoint corner(Limit(std::int64_t(r0.left) + dx), Limit(std::int64_t(r0.top) + dy));
    const TPoint snapped = w.SnapToGrid(corner);
    dx = LimitShift(std::int64_t(snapped.x) - r0.left, r0.left, r0.right);
    dy = LimitShift(std::int64_t(snapped.y) - r0.top, r0.top, r0.bottom);
    return TRect(Sat(r0.left + dx), Sat(r0.top + dy), Sat(r0.right + dx), Sat(r0.bottom + dy));
}

TRect ResizedBox(TRect r, int hit, TPoint s) {
    switch (hit) {
    case HitTopLeft: r.left = s.x; r.top = s.y; break;
    case HitTopRight: r.right = s.x; r.top = s.y; break;
    case HitBottomRight: r.right = s.x; r.bottom = s.y; break;
    case HitBottomLeft: r.left = s.x; r.bottom = s.y; break;
    case HitLeft: r.left = s.x; break;
    case HitTop: r.top = s.y; break;
    case HitRight: r.right = s.x; break;
    case HitBottom: r.bottom = s.y; break;
    default: break;
    }
    return r;
}

TRect PickSquare(const TChartWindow& w, TPoint p) {
    const std::int64_t t = w.PickTolerance;
    return TRect(Sat(p.x - t), Sat(p.y - t), Sat(p.x + t), Sat(p.y + t));
}

}  // namespace chartmouse

using namespace chartmouse;

namespace {

bool IsBoxCode(int hit) { return (hit >= HitTopLeft && hit <= HitInside) || (hit >= HitLeft && hit <= HitBottom); }

// The handle the Shift rule keeps: the grabbed corner or edge middle of F, the
// press point for the inside, the unchanged anchor for any other code.
TPoint AnchorOf(const TRect& f, int hit, TPoint press, TPoint old) {
    const int mx = int((std::int64_t(f.left) + f.right) / 2);
    const int my = int((std::int64_t(f.top) + f.bottom) / 2);
    switch (hit) {
    case HitTopLeft: return TPoint(f.left, f.top);
    case HitTopRight: return TPoint(f.right, f.top);
    case HitBottomRight: return TPoint(f.right, f.bottom);
    case HitBottomLeft: return TPoint(f.left, f.bottom);
    case HitInside: return press;
    case HitLeft: return TPoint(f.left, my);
    case HitTop: return TPoint(mx, f.top);
    case HitRight: return TPoint(f.right, my);
    case HitBottom: return TPoint(mx, f.bottom);
    default: return old;
    }
}

// The box of a handle drag under the pointer: moved whole from where the drag
// started, or resized by the grabbed handle at the snapped point (lp follows the
// snap).
TRect DraggedBox(const TChartWindow& w, TPoint& lp) {
    if (w.DragHit == HitInside) return MovedBox(w, w.DragStartRect, lp);
    lp = w.SnapToGrid(lp);
    return ResizedBox(w.DragRect, w.DragHit, lp);
}

}  // namespace

// ---- Press.

void TChartWindow::EvLButtonDown(UINT modKeys, const TPoint& point) {
    TWindow::EvLButtonDown(modKeys, point);
    const int tool = GetCurrentTool();
    // A polyline still being entered when another tool presses would otherwise
    // have its figure overwritten by that tool's figure and be added in its
    // place; it is finished as it stands first.
    if (PolylineActive && tool != ToolPolyline) FinishPolylineEntry(*this);
    ButtonDown = 1;
    SetCapture();

    const TPoint o = Origin(*this);
    TPoint lp = ToPage(*this, point);
    SetHitCursor(lp);

    // Drops the selection and starts a rubber band from the snapped point.
    auto dropAndRubberBand = [&] {
        SetHitCursor(lp);
        DragStart = DragPoint = lp;
        ClearFeedback();
        lp = SnapToGrid(lp);
        SetHitCursor(lp);
        DragStart = DragPoint = lp;
        PickRect = PickSquare(*this, point);
        DragRect = TRect(lp, lp);
    };

    if (PlotSelected) {
        ClearFeedback();
        SetHitCursor(lp);
        DragStart = DragPoint = lp;
        PickRect = PickSquare(*this, point);
        DragRect = TRect(lp, lp);
    } else if (HandlesShown || TextFrameShown || LineHandlesShown) {
        if (CurrentHit == HitNone) {
            dropAndRubberBand();
        } else {
            SetHitCursor(lp);
            DragStart = DragPoint = lp;
            DragHit = CurrentHit;
            DragStartRect = DragRect = FeedbackRect;
            lp = SnapToGrid(lp);
            Anchor = AnchorOf(FeedbackRect, DragHit, lp, Anchor);
        }
    } else if (NodeHandlesShown) {
        TZukei* figure = SelectedFigure(*this);
        const int nodes = figure ? figure->Nodes.GetItemsInContainer() : 0;
        const bool onNode = CurrentHit >= HitNode;
        // A selection that names no figure any more, or a node the figure does
        // not have, cannot be dragged: it is dropped like a press off it.
        if (CurrentHit == HitNone || !figure || (onNode && CurrentHit - HitNode >= nodes)) {
            dropAndRubberBand();
        } else {
            SetHitCursor(lp);
            DragStart = DragPoint = lp;
            DragHit = CurrentHit;
            DragStartRect = DragRect = FeedbackRect;
            Anchor = AnchorOf(FeedbackRect, DragHit, lp, Anchor);
            if (onNode && WindowDC) {
                NodeIndex = DragHit - HitNode;
                Anchor = NodePoint(o, figure->Nodes[figure->Nodes.LowerBound() + NodeIndex]);
                // While the node moves, the dotted outline is the feedback; the
                // handles come back with the repaint after the release.
                DrawPolylineOutline(Document.Current, *WindowDC, figure, PS_DOT, 0);
                DrawFigureHandles(*WindowDC, figure);
            }
        }
    } else if (WindowDC && Document.Current) {
        TDC& dc = *WindowDC;
        dc.SetROP2(R2_NOTXORPEN);
        switch (tool) {
        case ToolDragWindow:
            SetHitCursor(lp);
            DragStart = DragPoint = lp;
            PanPoint = point;
            DragRect = TRect(lp, lp);
            Scrolling = 1;
            break;
        case ToolTrimming:
            SetHitCursor(lp);
            DragStart = DragPoint = lp;
            DragRect = TRect(lp, lp);
            break;
        case ToolWatch:
            if (!WatchHidden) DrawCrossCursor(dc, WatchPoint.x, WatchPoint.y);
            WatchHidden = 0;
            DrawCrossCursor(dc, lp.x, lp.y);
            WatchPoint = lp;
            ShowWatchReadout();
            break;
        case ToolLine:
        case ToolRectangle:
        case ToolRoundRect:
        case ToolEllipse:
        case ToolAxisCut: {
            lp = SnapToGrid(lp);
            SetHitCursor(lp);
            DragStart = DragPoint = Anchor = lp;
            *ScratchZukei = Defaults.DefaultZukei;
            ScratchZukei->Kind = tool;
            ScratchZukei->Nodes.Flush();
            const DoublePoint node{double(std::int64_t(lp.x) - o.x), double(std::int64_t(lp.y) - o.y)};
            ScratchZukei->Nodes.Add(node);
            ScratchZukei->Nodes.Add(node);
            dc.SetROP2(R2_NOTXORPEN);
            Document.Current->DrawZukei(OUT_DC, dc, ScratchZukei.get(), Quality, nullptr, nullptr);
            break;
        }
        case ToolPolyline: {
            lp = SnapToGrid(lp);
            SetHitCursor(lp);
            const DoublePoint node{double(std::int64_t(lp.x) - o.x), double(std::int64_t(lp.y) - o.y)};
            if (!PolylineActive) {
                DragStart = DragPoint = Anchor = lp;
                *ScratchZukei = Defaults.DefaultZukei;
                PolylineActive = 1;
                ScratchZukei->Kind = ZukeiPolyline;
                ScratchZukei->Nodes.Flush();
                ScratchZukei->Nodes.Add(node);
            } else {
                TArrayAsVector<DoublePoint>& nodes = ScratchZukei->Nodes;
                if (!nodes.IsEmpty()) XorSegment(dc, NodePoint(o, nodes[nodes.UpperBound()]), DragPoint);
                DragPoint = lp;
                DrawPolylineOutline(Document.Current, dc, ScratchZukei.get(), PS_SOLID, 1);
                nodes.Add(node);
                DrawPolylineOutline(Document.Current, dc, ScratchZukei.get(), PS_SOLID, 1);
            }
            break;
        }
        case ToolSelect:
            lp = SnapToGrid(lp);
            SetHitCursor(lp);
            DragStart = DragPoint = lp;
            PickRect = PickSquare(*this, point);
            DragRect = TRect(lp, lp);
            break;
        default:
            break;
        }
        dc.SetROP2(R2_COPYPEN);
    }
    Dragging = 1;
}

// ---- Move.

void TChartWindow::EvMouseMove(UINT modKeys, const TPoint& point) {
    TWindow::EvMouseMove(modKeys, point);
    const int tool = GetCurrentTool();
    const TPoint o = Origin(*this);
    TPoint lp = ToPage(*this, point);

    // The rubber segment of a polyline follows the mouse, dragged or not.
    if (PolylineActive && WindowDC) {
        lp = SnapToGrid(lp);
        const TArrayAsVector<DoublePoint>& nodes = ScratchZukei->Nodes;
        if (!nodes.IsEmpty()) {
            const TPoint last = NodePoint(o, nodes[nodes.UpperBound()]);
            XorSegment(*WindowDC, last, DragPoint);
            XorSegment(*WindowDC, last, lp);
        }
        DragPoint = lp;
    }

    if (!Dragging) {
        UpdateHitCursor(lp);
        return;
    }
    if (!WindowDC || !Document.Current) return;
    TDC& dc = *WindowDC;
    lp = ShiftConstrained(*this, modKeys, tool, lp);

    bool formed = false;
    TRect r;
    if (NodeHandlesShown) {
        TZukei* figure = SelectedFigure(*this);
        if (figure && IsBoxCode(DragHit)) {
            DrawRectHandles(dc, DragRect);
            r = DraggedBox(*this, lp);
            DrawRectHandles(dc, r);
            FeedbackRect = r;
            formed = true;
        } else if (figure && DragHit >= HitNode) {
            NodeIndex = DragHit - HitNode;
            if (NodeIndex < figure->Nodes.GetItemsInContainer()) {
                DrawPolylineOutline(Document.Current, dc, figure, PS_DOT, 0);
                lp = SnapToGrid(lp);
                DoublePoint& node = figure->Nodes[figure->Nodes.LowerBound() + NodeIndex];
                node.X = lp.x - Document.Current->Frame.OriginX;
                node.Y = lp.y - Document.Current->Frame.OriginY;
                DrawPolylineOutline(Document.Current, dc, figure, PS_DOT, 0);
            }
        }
    } else if (HandlesShown) {
        if (IsBoxCode(DragHit)) {
            DrawRectHandles(dc, DragRect);
            r = DraggedBox(*this, lp);
            DrawRectHandles(dc, r);
            FeedbackRect = r;
            formed = true;
        }
    } else if (TextFrameShown) {
        if (DragHit == HitInside) {
            DrawRubberRect(dc, DragRect);
            r = MovedBox(*this, DragStartRect, lp);
            DrawRubberRect(dc, r);
            FeedbackRect = r;
            formed = true;
        }
    } else if (LineHandlesShown) {
        if (DragHit == HitTopLeft || DragHit == HitBottomRight || DragHit == HitInside) {
            DrawRubberLine(dc, DragRect);
            r = DraggedBox(*this, lp);
            DrawRubberLine(dc, r);
            FeedbackRect = r;
            formed = true;
        }
    } else {
        switch (tool) {
        case ToolDragWindow:
            PanView(point);
            break;
        case ToolTrimming:
            XorFrame(dc, DragRect);
            r = TRect(DragStart, lp);
            XorFrame(dc, r);
            formed = true;
            break;
        case ToolLine:
        case ToolRectangle:
        case ToolRoundRect:
        case ToolEllipse:
        case ToolAxisCut:
            if (modKeys & MK_CONTROL) lp = CtrlConstrained(*this, lp);
            lp = SnapToGrid(lp);
            if (ScratchZukei->Nodes.GetItemsInContainer() >= 2) {
                dc.SetROP2(R2_NOTXORPEN);
                Document.Current->DrawZukei(OUT_DC, dc, ScratchZukei.get(), Quality, nullptr,
                                            nullptr);
                DoublePoint& end = ScratchZukei->Nodes[ScratchZukei->Nodes.LowerBound() + 1];
                end.X = double(std::int64_t(lp.x) - o.x);
                end.Y = double(std::int64_t(lp.y) - o.y);
                Document.Current->DrawZukei(OUT_DC, dc, ScratchZukei.get(), Quality, nullptr,
                                            nullptr);
                dc.SetROP2(R2_COPYPEN);
            }
            break;
        case ToolSelect:
            XorFrame(dc, DragRect);
            lp = SnapToGrid(lp);
            r = TRect(DragStart, lp);
            XorFrame(dc, r);
            formed = true;
            break;
        default:
            break;
        }
    }
    if (formed) DragRect = r;
    DragPoint = lp;
}

// ---- Panning: the view centre moves against the mouse, each direction only
// while it stays inside its scroll range.

void TChartWindow::PanView(const TPoint& point) {
    const TRect client = GetClientRect();
    const TPoint lp = ToPageRaw(*this, point);
    const TPoint q = ToPageRaw(*this, PanPoint);
    const std::int64_t nx = std::int64_t(Document.Env->ViewCenterX) - lp.x + q.x;
    const std::int64_t ny = std::int64_t(Document.Env->ViewCenterY) - lp.y + q.y;
    auto allowed = [](std::int64_t n, const SCROLLINFO& s) {
        return n >= s.nMin && n <= std::int64_t(s.nMax) - std::int64_t(s.nPage);
    };
    const bool h = allowed(nx, HScrollInfo);
    const bool v = allowed(ny, VScrollInfo);
    const int dx = h ? Sat(std::int64_t(point.x) - PanPoint.x) : 0;
    const int dy = v ? Sat(std::int64_t(point.y) - PanPoint.y) : 0;
    TRect shifted(Sat(std::int64_t(client.left) - dx), Sat(std::int64_t(client.top) - dy),
                  Sat(std::int64_t(client.right) - dx), Sat(std::int64_t(client.bottom) - dy));
    TRect a(std::max(client.left, shifted.left), std::max(client.top, shifted.top),
            std::min(client.right, shifted.right), std::min(client.bottom, shifted.bottom));
    if (a.IsEmpty()) a = TRect();
    if (h) {
        Document.Env->ViewCenterX = int(nx);
        HScrollInfo.nPos = Document.Env->ViewCenterX;
        SetScrollInfo(SB_HORZ, HScrollInfo, true);
    }
    if (v) {
        Document.Env->ViewCenterY = int(ny);
        VScrollInfo.nPos = Document.Env->ViewCenterY;
        SetScrollInfo(SB_VERT, VScrollInfo, true);
    }
    if (h || v) ScrollWindow(dx, dy, &a, nullptr);
    PanPoint = point;
}

void TChartWindow::ShowWatchReadout() {
    if (!Document.Current || !StatusBar) return;
    const double x = Document.Current->PageToValue(WatchPoint.x, BottomAxisNo);
    const double y = Document.Current->PageToValue(WatchPoint.y, LeftAxisNo);
    StatusBar->SetMessage(kv::Format(WatchReadoutFormat, x, y));
}

// ---- Release: the common entry. The branches are in chartrelease.cpp.

void TChartWindow::EvLButtonUp(UINT modKeys, const TPoint& point) {
    TWindow::EvLButtonUp(modKeys, point);
    const int tool = GetCurrentTool();
    ButtonDown = 0;
    // A polyline keeps the capture from click to click.
    if (!PolylineActive) ReleaseCapture();
    if (DoubleClicked) {
        DoubleClickRelease();
        return;
    }
    TPoint lp = ToPage(*this, point);
    SetHitCursor(lp);
    if (!Dragging) return;
    lp = ShiftConstrained(*this, modKeys, tool, lp);
    // The drag ends here, before a branch may run a modal dialog.
    Dragging = 0;
    if (NodeHandlesShown) {
        ReleasePolylineDrag(lp);
    } else if (HandlesShown || TextFrameShown || LineHandlesShown) {
        ReleaseSelectionDrag(lp);
    } else {
        switch (tool) {
        case ToolSelect: ReleaseRubberBand(point, lp); break;
        case ToolDragWindow: ReleasePan(); break;
        case ToolTrimming: ReleaseTrimming(); break;
        case ToolLine:
        case ToolRectangle:
        case ToolRoundRect:
        case ToolEllipse:
        case ToolAxisCut: ReleaseNewFigure(modKeys, lp, tool); break;
        default: break;  // polyline clicks, the watch, the text tool, no tool
        }
    }
}

namespace chartmouse {

void FinishPolylineEntry(TChartWindow& w) {
    if (!w.PolylineActive) return;
    w.ReleaseCapture();
    w.PolylineActive = 0;
    const TPoint o = Origin(w);
    TZukei& scratch = *w.ScratchZukei;
    TArrayAsVector<DoublePoint>& nodes = scratch.Nodes;
    if (w.WindowDC && w.Document.Current) {
        if (!nodes.IsEmpty()) XorSegment(*w.WindowDC, NodePoint(o, nodes[nodes.UpperBound()]), w.DragPoint);
        const TPen pen = w.WindowDC->GetPen();
        DrawPolylineOutline(w.Document.Current, *w.WindowDC, &scratch, PS_SOLID, 1);
        w.WindowDC->SelectObject(pen);
    }
    // One node makes no line: nothing is added.
    if (!w.Document.Current || nodes.GetItemsInContainer() < 2) return;
    scratch.UpdateBounds();
    w.AppendFigure(scratch);
}

}  // namespace chartmouse
