// The branches of the left-button release: the dialog after a double click; the
// selection by a click (text, figure, data point, frame edge) or by a rubber band;
// moving and resizing the shown selection (frames, texts, figures, multiple
// selections, polylines and their nodes) with the repaint of the changed areas;
// the new figure of a figure tool; trimming axis ranges to a dragged rectangle;
// and the end of panning.

#include "chart/chartmouse.h"

#include "dialogs/autoscaledialog.h"
#include "platform/cformat.h"
#include "platform/cp932.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "platform/winmath.h"
#include "render/hittest.h"
#include "render/markup.h"
#include "render/output.h"
#include "render/syncaxes.h"
#include "render/zukeidraw.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>

using namespace chartmouse;

namespace {

// The text a selection record names by the first of its lists, axis labels of
// axes 1 to 4 then free texts, that holds exactly one entry; null when none does
// or the number is stale.
TText* SingleSelectedText(BoxFrame& set) {
    const SelectedFlags& sel = set.Selected;
    const std::pair<const SelectedFlags::IndexList*, TIArrayAsVector<TText>*> lists[] = {
        {&sel.AxisTexts1, &set.BottomAxis.LabelTexts}, {&sel.AxisTexts2, &set.LeftAxis.LabelTexts},
        {&sel.AxisTexts3, &set.TopAxis.LabelTexts},    {&sel.AxisTexts4, &set.RightAxis.LabelTexts},
        {&sel.Texts, &set.TextList}};
    for (const auto& [list, items] : lists)
        if (list->GetItemsInContainer() == 1) return items->At((*list)[list->LowerBound()]);
    return nullptr;
}

TZukei* SingleSelectedFigure(BoxFrame& set) {
    const SelectedFlags::IndexList& list = set.Selected.Zukeis;
    if (list.GetItemsInContainer() != 1) return nullptr;
    return set.ZukeiList.At(list[list.LowerBound()]);
}

TPoint Shifted(TPoint p, TPoint d) {
    return TPoint(Sat(std::int64_t(p.x) + d.x), Sat(std::int64_t(p.y) + d.y));
}

}  // namespace

// ---- After a double click.

void TChartWindow::DoubleClickRelease() {
    DoubleClicked = false;
    ReleaseCapture();
    if (NodeHandlesShown || ZukeiSelected) {
        CmZukeiStyle();
    } else if (TextSelected) {
        CmTextEdit();
    } else if (AxisSelected) {
        switch (SelectedAxis) {
        case BottomAxisNo: CmXAxis(); break;
        case LeftAxisNo: CmYAxis(); break;
        case TopAxisNo: CmTopAxis(); break;
        case RightAxisNo: CmRightAxis(); break;
        default: break;
        }
    } else if (PlotSelected) {
        CmPlotStyle();
    }
}

// ---- Selection by a click or a rubber band.

void TChartWindow::ReleaseRubberBand(const TPoint& point, TPoint lp) {
    if (!WindowDC) return;
    XorFrame(*WindowDC, DragRect);
    if (PickRect.Contains(point)) {
        SelectAtPoint(lp);
        return;
    }
    TRect united;
    if (SelectInRect(DragRect, united)) {
        MultiSelected = 1;
        TextFrameShown = 1;
        FeedbackRect = united;
        DrawRubberRect(*WindowDC, FeedbackRect);
        SetHitCursor(lp);
    }
}

int TChartWindow::SelectAtPoint(TPoint lp) {
    if (!WindowDC || !Document.Current) return 0;
    TDC& dc = *WindowDC;
    TRect r;
    if (HitText(lp, r)) {
        TextFrameShown = 1;
        FeedbackRect = r;
        DrawRubberRect(dc, FeedbackRect);
        SetHitCursor(lp);
        TextSelected = 1;
        return 1;
    }
    if (HitFigure(lp, r)) {
        const TZukei* figure = SelectedFigure(*this);
        const int kind = figure ? figure->Kind : 0;
        FeedbackRect = r;
        if (kind == ZukeiLine) {
            LineHandlesShown = 1;
            DrawRubberLine(dc, FeedbackRect);
        } else if (kind == ZukeiPolyline) {
            NodeHandlesShown = 1;
            DrawFigureHandles(dc, figure);
        } else {
            HandlesShown = 1;
            DrawRectHandles(dc, FeedbackRect);
        }
        SetHitCursor(lp);
        ZukeiSelected = 1;
        return 1;
    }
    int series = 0, row = 0;
    double x = 0.0, y = 0.0;
    if (::HitPlot(Document.Current, lp, HandleSize, Settings.DataHitAlgorithm, &series, &x, &y,
                  &row) == 1) {
        PlotSelected = 1;
        SelectedPlot = series;
        SelectedRow = row;
        DataCursor.X = x;
        DataCursor.Y = y;
        Document.Current->DrawDataPointMark(dc, x, y, series);
        ShowPlotReadout();
        return 1;
    }
    int setNo = 0;
    if (HitFrameEdge(lp, r, setNo)) {
        BoxFrame* set = Document.AxisSets.At(setNo);
        if (!set) return 0;
        HandlesShown = 1;
        FeedbackRect = r;
        DrawRectHandles(dc, FeedbackRect);
        SetHitCursor(lp);
        AxisSelected = 1;
        UnselectAll();
        set->Selected.State = 1;
        DrawFrameSelection(dc, Document.Current);
        Document.Current = set;
        Document.CurrentNo = setNo;
        DrawFrameSelection(dc, Document.Current);
        ShowCurrentAxisSet();
        return 1;
    }
    return 0;
}

void TChartWindow::ShowPlotReadout() {
    if (!Document.Current || !StatusBar) return;
    const TPlot* plot = Document.Current->PlotList.At(SelectedPlot);
    if (!plot) return;
    char name[MAX_PATH] = "";
    GetFileNameExt(plot->DataFileName, name);
    // At most 20 bytes, cut on a character boundary.
    const char* end = name;
    for (const char* next = end; *end && (next = CharNextA(end)) - name <= 20;) end = next;
    const std::string shown = kv::Cp932ToUtf8Lossy(std::string_view(name, std::size_t(end - name)));
    StatusBar->SetMessage(kv::Format(PlotReadoutFormat, shown.c_str(), SelectedPlot, SelectedRow + 1,
                                     DataCursor.X, DataCursor.Y));
}

// ---- Moving and resizing the shown selection.

void TChartWindow::ReleaseSelectionDrag(TPoint lp) {
    if (!WindowDC || !Document.Current) return;
    TDC& dc = *WindowDC;
    auto drawShape = [&](const TRect& r) {
        if (HandlesShown) DrawRectHandles(dc, r);
        else if (TextFrameShown) DrawRubberRect(dc, r);
        else DrawRubberLine(dc, r);
    };
    drawShape(DragRect);

    const TRect r0 = DragStartRect;
    const TPoint s = SnapToGrid(lp);
    const TRect r = DragHit == HitInside ? MovedBox(*this, r0, lp) : ResizedBox(r0, DragHit, s);
    drawShape(r);
    FeedbackRect = r;

    bool unchanged = false;
    switch (DragHit) {
    case HitTopLeft:
    case HitTopRight:
    case HitBottomRight:
    case HitBottomLeft: unchanged = Anchor == s; break;
    case HitInside: unchanged = r == r0; break;
    case HitLeft:
    case HitRight: unchanged = Anchor.x == s.x; break;
    case HitTop:
    case HitBottom: unchanged = Anchor.y == s.y; break;
    default: unchanged = true; break;  // no handle of the shape: nothing to apply
    }
    if (unchanged) return;

    const TPoint d(Sat(std::int64_t(r.left) - r0.left), Sat(std::int64_t(r.top) - r0.top));
    if (AxisSelected) {
        const TRect n = r.Normalized();
        ::Frame& frame = Document.Current->Frame;
        frame.OriginX = n.left;
        frame.OriginY = n.top;
        frame.FrameLengthX = double(std::int64_t(n.right) - n.left);
        frame.FrameLengthY = double(std::int64_t(n.bottom) - n.top);
        UpdateAxisLabels(Document.Current);
        Document.Modified = 1;
        Invalidate(true);
        return;
    }
    int applied = 0;
    if (TextSelected) {
        for (BoxFrame* set : Document.AxisSets)
            if (TText* text = SingleSelectedText(*set)) {
                text->Position = Shifted(text->Position, d);
                ++applied;
            }
    } else if (ZukeiSelected) {
        for (BoxFrame* set : Document.AxisSets) {
            TZukei* figure = SingleSelectedFigure(*set);
            // Only the two-node kinds are boxes; a polyline is edited by its nodes.
            if (!figure || !IsTwoNodeZukei(figure->Kind)) continue;
            const double ox = TruncToIntSaturated(set->Frame.OriginX);
            const double oy = TruncToIntSaturated(set->Frame.OriginY);
            // A damaged figure with a node too few or too many gets exactly two.
            figure->Nodes.Flush();
            figure->Nodes.Add(DoublePoint{r.left - ox, r.top - oy});
            figure->Nodes.Add(DoublePoint{r.right - ox, r.bottom - oy});
            figure->UpdateBounds();
            ++applied;
        }
    } else if (MultiSelected) {
        for (BoxFrame* set : Document.AxisSets) {
            SelectedFlags& sel = set->Selected;
            const std::pair<SelectedFlags::IndexList*, TIArrayAsVector<TText>*> lists[] = {
                {&sel.AxisTexts1, &set->BottomAxis.LabelTexts},
                {&sel.AxisTexts2, &set->LeftAxis.LabelTexts},
                {&sel.AxisTexts3, &set->TopAxis.LabelTexts},
                {&sel.AxisTexts4, &set->RightAxis.LabelTexts},
                {&sel.Texts, &set->TextList}};
            for (const auto& [list, items] : lists)
                for (int i = list->LowerBound(); i <= list->UpperBound(); ++i)
                    if (TText* text = items->At((*list)[i])) {
                        text->Position = Shifted(text->Position, d);
                        ++applied;
                    }
            for (int i = sel.Zukeis.LowerBound(); i <= sel.Zukeis.UpperBound(); ++i) {
                TZukei* figure = set->ZukeiList.At(sel.Zukeis[i]);
                if (!figure) continue;
                for (int k = figure->Nodes.LowerBound(); k <= figure->Nodes.UpperBound(); ++k) {
                    figure->Nodes[k].X += d.x;
                    figure->Nodes[k].Y += d.y;
                }
                figure->UpdateBounds();
                ++applied;
            }
        }
    }
    if (!applied) {
        // The selection names nothing that still exists (its objects went without
        // the selection being dropped): nothing to move, so the selection goes.
        ClearFeedback();
        return;
    }
    InvalidatePageRect(r0);
    InvalidatePageRect(FeedbackRect);
    Document.Modified = 1;
    UpdateWindow();
}

void TChartWindow::ReleasePolylineDrag(TPoint lp) {
    if (!WindowDC || !Document.Current) return;
    TZukei* figure = SelectedFigure(*this);
    TDC& dc = *WindowDC;
    const bool box = (DragHit >= HitTopLeft && DragHit <= HitInside) || (DragHit >= HitLeft && DragHit <= HitBottom);
    if (!figure) {
        // The figure went without the selection being dropped: drop it now.
        if (box) DrawRectHandles(dc, DragRect);
        ClearFeedback();
        return;
    }
    if (box) DrawRectHandles(dc, DragRect);
    else if (DragHit >= HitNode) DrawPolylineOutline(Document.Current, dc, figure, PS_DOT, 0);

    const TRect r0 = DragStartRect;
    const TPoint o = Origin(*this);
    const TPoint q = SnapToGrid(lp);
    TArrayAsVector<DoublePoint>& nodes = figure->Nodes;
    bool changed = true;
    if (box && DragHit != HitInside) {
        // Scaling about the side opposite the grabbed one.
        const bool scaleX = DragHit != HitTop && DragHit != HitBottom && r0.right != r0.left;
        const bool scaleY = DragHit != HitLeft && DragHit != HitRight && r0.bottom != r0.top;
        const bool grabLeft = DragHit == HitTopLeft || DragHit == HitBottomLeft || DragHit == HitLeft;
        const bool grabTop = DragHit == HitTopLeft || DragHit == HitTopRight || DragHit == HitTop;
        const double fx = grabLeft ? r0.right : r0.left, mx = grabLeft ? r0.left : r0.right;
        const double fy = grabTop ? r0.bottom : r0.top, my = grabTop ? r0.top : r0.bottom;
        for (int k = nodes.LowerBound(); k <= nodes.UpperBound(); ++k) {
            if (scaleX) nodes[k].X = ((nodes[k].X + o.x) - fx) * ((q.x - fx) / (mx - fx)) + fx - o.x;
            if (scaleY) nodes[k].Y = ((nodes[k].Y + o.y) - fy) * ((q.y - fy) / (my - fy)) + fy - o.y;
        }
    } else if (DragHit == HitInside) {
        const TRect r = MovedBox(*this, r0, lp);
        const double dx = double(std::int64_t(r.left) - r0.left);
        const double dy = double(std::int64_t(r.top) - r0.top);
        for (int k = nodes.LowerBound(); k <= nodes.UpperBound(); ++k) {
            nodes[k].X += dx;
            nodes[k].Y += dy;
        }
    } else if (DragHit >= HitNode && DragHit - HitNode < nodes.GetItemsInContainer()) {
        NodeIndex = DragHit - HitNode;
        nodes[nodes.LowerBound() + NodeIndex] = DoublePoint{q.x - Document.Current->Frame.OriginX,
                                                            q.y - Document.Current->Frame.OriginY};
    } else {
        changed = false;
    }
    if (changed) figure->UpdateBounds();
    InvalidatePageRect(r0);
    InvalidatePageRect(GetFigureRect(Document.Current, figure));
    Document.Modified = 1;
    UpdateWindow();
}

// ---- The end of panning, trimming and new figures.

void TChartWindow::ReleasePan() {
    Scrolling = 0;
    Invalidate(true);
}

void TChartWindow::ReleaseTrimming() {
    int result;
    {
        TTrimmingdialog dialog(this);
        result = dialog.Execute();
    }
    if (!Document.Current) return;
    if (result != IDOK) {
        if (WindowDC) XorFrame(*WindowDC, DragRect);
        return;
    }
    const TRect n = DragRect.Normalized();
    bool changed = false;
    if (n.left != n.right && n.top != n.bottom) {
        struct Side {
            int entry;
            AxisUnit* axis;
            int axisNo;
            int first, second;  // page coordinates of lo and hi on a normal axis
        };
        const Side sides[] = {
            {TrimmingSide::Bottom, &Document.Current->BottomAxis, BottomAxisNo, n.left, n.right},
            {TrimmingSide::Left, &Document.Current->LeftAxis, LeftAxisNo, n.bottom, n.top},
            {TrimmingSide::Top, &Document.Current->TopAxis, TopAxisNo, n.left, n.right},
            {TrimmingSide::Right, &Document.Current->RightAxis, RightAxisNo, n.bottom, n.top},
        };
        for (const Side& side : sides) {
            if (!TrimmingSides[side.entry]) continue;
            AxisUnit& axis = *side.axis;
            const bool reversed = axis.ScaleInv != 0;
            const double lo =
                Document.Current->PageToValue(reversed ? side.second : side.first, side.axisNo);
            const double hi =
                Document.Current->PageToValue(reversed ? side.first : side.second, side.axisNo);
            if (lo == DBL_MAX || hi == DBL_MAX) continue;
            const double oldStart = axis.RangeStart, oldEnd = axis.RangeEnd, oldInc = axis.RangeInc;
            axis.RangeStart = lo;
            axis.RangeEnd = hi;
            axis.AutoScale(lo, hi, 0, Settings.AutoScaleMargin);
            // The autoscale leaves the increment alone for a range it cannot show
            // (equal ends after rounding, an end beyond the doubles); the axis then
            // keeps its old range rather than one the drawing cannot handle.
            const double span = axis.RangeEnd - axis.RangeStart;
            const bool linearTicks = axis.Scaling == 0 || axis.Scaling == 3 || axis.Scaling == 4;
            if (!std::isfinite(axis.RangeStart) || !std::isfinite(axis.RangeEnd) || !(span > 0.0) ||
                !std::isfinite(axis.RangeInc) || !(axis.RangeInc > 0.0) ||
                (linearTicks && span / axis.RangeInc > 100.0)) {
                axis.RangeStart = oldStart;
                axis.RangeEnd = oldEnd;
                axis.RangeInc = oldInc;
                continue;
            }
            changed = true;
        }
        if (changed) {
            ::SyncAxes(&Document.Current->Frame, &Document.Current->LeftAxis,
                       &Document.Current->RightAxis, &Document.Current->TopAxis,
                       &Document.Current->BottomAxis);
            UpdateAxisLabels(Document.Current);
        }
    }
    // A rectangle that changed no axis leaves the graph as it was.
    if (changed) Document.Modified = 1;
    Invalidate(true);
}

void TChartWindow::ReleaseNewFigure(UINT modKeys, TPoint lp, int tool) {
    if (!WindowDC || !Document.Current || ScratchZukei->Nodes.GetItemsInContainer() < 2) return;
    const TPoint o = Origin(*this);
    if (modKeys & MK_CONTROL) lp = CtrlConstrained(*this, lp);
    WindowDC->SetROP2(R2_NOTXORPEN);
    lp = SnapToGrid(lp);
    Document.Current->DrawZukei(OUT_DC, *WindowDC, ScratchZukei.get(), Quality, nullptr, nullptr);
    WindowDC->SetROP2(R2_COPYPEN);

    DoublePoint& end = ScratchZukei->Nodes[ScratchZukei->Nodes.LowerBound() + 1];
    end.X = double(std::int64_t(lp.x) - o.x);
    end.Y = double(std::int64_t(lp.y) - o.y);
    ScratchZukei->UpdateBounds();
    // A click without a move still gives these a box that shows and can be hit.
    if (tool == ToolRoundRect || tool == ToolEllipse) {
        TRect& b = ScratchZukei->Bounds;
        if (b.left == b.right) b.right = Sat(std::int64_t(b.right) + HandleSize);
        if (b.top == b.bottom) b.bottom = Sat(std::int64_t(b.bottom) + HandleSize);
    }
    if (ToolBar) ToolBar->SetButtonDown(ToolSelect);
    SetToolCursor();
    AppendFigure(*ScratchZukei);
}

TZukei* TChartWindow::AppendFigure(const TZukei& source) {
    if (!Document.Current) return nullptr;
    TZukei* figure = nullptr;
    try {
        auto made = std::make_unique<TZukei>();
        *made = source;
        figure = made.get();
        if (!Document.Current->ZukeiList.Add(made)) figure = nullptr;
    } catch (const std::bad_alloc&) {
        figure = nullptr;
    }
    if (!figure) {
        kv::MessageBox(static_cast<QWidget*>(this), kv::LoadString(17), nullptr, MB_OK | MB_ICONSTOP);
        return nullptr;
    }
    InvalidatePageRect(GetFigureRect(Document.Current, figure));
    Document.Modified = 1;
    UpdateWindow();
    return figure;
}
