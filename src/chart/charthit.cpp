// What lies under the mouse: the frame edge of an axis set, a text of the current
// axis set, and the part of the shown selection feedback (handles, node handles,
// the frame of a selected text, the ends of a selected line). The geometry of the
// feedback tests is the one chartfeedback.cpp draws.
//
// Every tolerance is a multiple of HandleSize. Sums are formed in 64 bits: a
// damaged document may put an object near the end of the int range, and a hit test
// must not wrap around to the other side of the page.

#include "chart/chartwindow.h"
#include "chart/hitgeometry.h"
#include "platform/winmath.h"
#include "render/hittest.h"

#include <cstdint>

using kv::chart::WideRect;

namespace {

TIArrayAsVector<TText>& LabelsOf(BoxFrame& set, int axis) {
    switch (axis) {
    case BottomAxisNo: return set.BottomAxis.LabelTexts;
    case LeftAxisNo: return set.LeftAxis.LabelTexts;
    case TopAxisNo: return set.TopAxis.LabelTexts;
    default: return set.RightAxis.LabelTexts;
    }
}

SelectedFlags::IndexList& LabelSelection(SelectedFlags& sel, int axis) {
    switch (axis) {
    case BottomAxisNo: return sel.AxisTexts1;
    case LeftAxisNo: return sel.AxisTexts2;
    case TopAxisNo: return sel.AxisTexts3;
    default: return sel.AxisTexts4;
    }
}

// The box test of the eight handles around f and of the box itself: the handles
// sit two handle sizes outside the box on the side of their edge, whichever way f
// is stored, so they never cover it.
int BoxHitCode(const TRect& f, std::int64_t h, TPoint p) {
    const std::int64_t sx = f.right < f.left ? -1 : 1;
    const std::int64_t sy = f.bottom < f.top ? -1 : 1;
    const std::int64_t l = f.left, t = f.top, r = f.right, b = f.bottom;
    const std::int64_t mx = (l + r) / 2, my = (t + b) / 2;  // truncating toward zero
    const std::int64_t ox = 2 * h * sx, oy = 2 * h * sy;
    struct Handle {
        int code;
        std::int64_t cx, cy;
    };
    const Handle handles[] = {
        {HitTopLeft, l - ox, t - oy},   {HitTopRight, r + ox, t - oy},
        {HitBottomRight, r + ox, b + oy}, {HitBottomLeft, l - ox, b + oy},
        {HitLeft, l - ox, my},          {HitTop, mx, t - oy},
        {HitRight, r + ox, my},         {HitBottom, mx, b + oy},
    };
    for (const Handle& hd : handles)
        if (WideRect::Square(hd.cx, hd.cy, h).Contains(p)) return hd.code;
    if (WideRect(f).Normalized().Inflated(h).Contains(p)) return HitInside;
    return HitNone;
}

}  // namespace

void TChartWindow::UnselectAll() {
    for (BoxFrame* set : Document.AxisSets)
        if (set) set->Selected.Clear();
}

int TChartWindow::HitFrameEdge(TPoint point, TRect& rect, int& setNo) {
    const std::int64_t h = HandleSize;
    // The set drawn last lies on top and is found first.
    for (int n = Document.AxisSets.UpperBound(); n >= Document.AxisSets.LowerBound(); --n) {
        if (CurrentOnly == 1 && n != Document.CurrentNo) continue;
        const BoxFrame* set = Document.AxisSets[n];
        if (!set) continue;
        const TRect f = GetFrameRect(set);
        const std::int64_t l = f.left, t = f.top, r = f.right, b = f.bottom;
        // Each band reaches one handle size into the frame and three out of it; at a
        // corner the first band in this order wins.
        const struct {
            int axis;
            WideRect band;
        } bands[] = {
            {BottomAxisNo, WideRect(l - 3 * h, b - h, r + 3 * h, b + 3 * h)},
            {LeftAxisNo, WideRect(l - 3 * h, t - 3 * h, l + h, b + 3 * h)},
            {TopAxisNo, WideRect(l - 3 * h, t - 3 * h, r + 3 * h, t + h)},
            {RightAxisNo, WideRect(r - h, t - 3 * h, r + 3 * h, b + 3 * h)},
        };
        for (const auto& band : bands) {
            if (!band.band.Contains(point)) continue;
            SelectedAxis = band.axis;
            rect = f;
            setNo = n;
            return 1;
        }
    }
    return 0;
}

int TChartWindow::HitText(TPoint point, TRect& rect) {
    BoxFrame* set = Document.Current;
    if (!set) return 0;
    // Axis labels before free texts, so a label under a free text is found; within
    // a list the text drawn last first. Labels of hidden axes count too.
    for (int list = BottomAxisNo; list <= RightAxisNo + 1; ++list) {
        TIArrayAsVector<TText>& texts = list <= RightAxisNo ? LabelsOf(*set, list) : set->TextList;
        for (int i = texts.UpperBound(); i >= texts.LowerBound(); --i) {
            const TText* text = texts[i];
            if (!text) continue;
            const TRect box = GetTextRect(set, text);
            if (!box.Normalized().Contains(point)) continue;
            rect = box;
            UnselectAll();
            SelectedFlags& sel = set->Selected;
            (list <= RightAxisNo ? LabelSelection(sel, list) : sel.Texts).Add(i);
            return 1;
        }
    }
    return 0;
}

int TChartWindow::GetHitCode(TPoint point) const {
    const std::int64_t h = HandleSize;
    const TRect& f = FeedbackRect;

    if (HandlesShown == 1) return BoxHitCode(f, h, point);

    if (NodeHandlesShown == 1) {
        // The polyline in node editing is the first selected figure of the current
        // set; a number that names no figure has no nodes to test.
        const TZukei* figure = nullptr;
        if (Document.Current && !Document.Current->Selected.Zukeis.IsEmpty()) {
            const SelectedFlags::IndexList& sel = Document.Current->Selected.Zukeis;
            figure = Document.Current->ZukeiList.At(sel[sel.LowerBound()]);
        }
        if (figure) {
            const std::int64_t ox = TruncToIntSaturated(Document.Current->Frame.OriginX);
            const std::int64_t oy = TruncToIntSaturated(Document.Current->Frame.OriginY);
            const TArrayAsVector<DoublePoint>& nodes = figure->Nodes;
            for (int n = 0; n < nodes.GetItemsInContainer(); ++n) {
                const DoublePoint& p = nodes[nodes.LowerBound() + n];
                const WideRect square(std::int64_t(TruncToIntSaturated(p.X - double(h))) + ox,
                                      std::int64_t(TruncToIntSaturated(p.Y - double(h))) + oy,
                                      std::int64_t(TruncToIntSaturated(p.X + double(h))) + ox,
                                      std::int64_t(TruncToIntSaturated(p.Y + double(h))) + oy);
                if (square.Contains(point)) return HitNode + n;
            }
        }
        return BoxHitCode(f, h, point);
    }

    // The frame of a selected text or of a multiple selection: neither normalised
    // nor grown.
    if (TextFrameShown == 1) return f.Contains(point) ? HitInside : HitNone;

    if (LineHandlesShown == 1) {
        // The end handles sit on the end points themselves.
        if (WideRect::Square(f.left, f.top, h).Contains(point)) return HitTopLeft;
        if (WideRect::Square(f.right, f.bottom, h).Contains(point)) return HitBottomRight;
        if (SegmentMeetsRect(f.left, f.top, f.right, f.bottom,
                             WideRect::Square(point.x, point.y, h).Saturated()))
            return HitInside;
        return HitNone;
    }
    return HitNone;
}
