// The page rectangles of an axis set's objects, for the feedback drawn around them
// and for repainting the spot after a change, and the repaint of such a rectangle.

#include "chart/chartwindow.h"
#include "platform/winmath.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

int Sat(std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

TRect Moved(const TRect& r, std::int64_t dx, std::int64_t dy) {
    return TRect(Sat(r.left + dx), Sat(r.top + dy), Sat(r.right + dx), Sat(r.bottom + dy));
}

// The framework's rectangle union: a rectangle of four zeros adds nothing.
void Unite(TRect& acc, const TRect& r) {
    if (r.IsNull()) return;
    acc.left = std::min(acc.left, r.left);
    acc.top = std::min(acc.top, r.top);
    acc.right = std::max(acc.right, r.right);
    acc.bottom = std::max(acc.bottom, r.bottom);
}

const AxisUnit* AxisByNumber(const BoxFrame& set, int axis) {
    switch (axis) {
    case BottomAxisNo: return &set.BottomAxis;
    case LeftAxisNo: return &set.LeftAxis;
    case TopAxisNo: return &set.TopAxis;
    default: return &set.RightAxis;
    }
}

}  // namespace

TRect TChartWindow::GetFrameRect(const BoxFrame* set) const {
    if (!set) return TRect();
    const ::Frame& f = set->Frame;
    // Each corner is formed in doubles and truncated on its own.
    return TRect(TruncToIntSaturated(f.OriginX), TruncToIntSaturated(f.OriginY),
                 TruncToIntSaturated(f.OriginX + f.FrameLengthX),
                 TruncToIntSaturated(f.OriginY + f.FrameLengthY));
}

TRect TChartWindow::GetTextRect(const BoxFrame* set, const TText* text) const {
    if (!set || !text) return TRect();
    const TRect frame = GetFrameRect(set);
    return Moved(text->BoundingBox, std::int64_t(frame.left) + text->Position.x,
                 std::int64_t(frame.top) + text->Position.y);
}

TRect TChartWindow::GetFigureRect(const BoxFrame* set, const TZukei* figure) const {
    if (!set || !figure) return TRect();
    const TRect frame = GetFrameRect(set);
    return Moved(figure->Bounds, frame.left, frame.top);
}

TRect TChartWindow::GetSelectionRect(const BoxFrame* set) const {
    TRect acc = NoSelectionRect;
    if (!set) return acc;
    const SelectedFlags& sel = set->Selected;
    // Each list from its last entry to its first. A number that names no item (a
    // list changed without the selection being cleared) is passed over.
    auto texts = [&](const SelectedFlags::IndexList& list, const TIArrayAsVector<TText>& items) {
        for (int i = list.UpperBound(); i >= list.LowerBound(); --i)
            if (const TText* t = items.At(list[i])) Unite(acc, GetTextRect(set, t));
    };
    texts(sel.AxisTexts1, AxisByNumber(*set, BottomAxisNo)->LabelTexts);
    texts(sel.AxisTexts2, AxisByNumber(*set, LeftAxisNo)->LabelTexts);
    texts(sel.AxisTexts3, AxisByNumber(*set, TopAxisNo)->LabelTexts);
    texts(sel.AxisTexts4, AxisByNumber(*set, RightAxisNo)->LabelTexts);
    texts(sel.Texts, set->TextList);
    const SelectedFlags::IndexList& figures = sel.Zukeis;
    for (int i = figures.UpperBound(); i >= figures.LowerBound(); --i)
        if (const TZukei* z = set->ZukeiList.At(figures[i])) Unite(acc, GetFigureRect(set, z));
    return acc;
}

void TChartWindow::InvalidatePageRect(TRect r) {
    // Nothing selected: normalising the inverted rectangle would repaint the
    // whole plane of ints, so there is nothing to repaint.
    if (r.left == NoSelectionRect.left && r.top == NoSelectionRect.top &&
        r.right == NoSelectionRect.right && r.bottom == NoSelectionRect.bottom)
        return;
    if (!WindowDC) return;  // not set up: nothing is shown yet
    r = r.Normalized();
    const std::int64_t m = InvalidateMargin;
    TRect grown(Sat(r.left - m), Sat(r.top - m), Sat(r.right + m), Sat(r.bottom + m));
    WindowDC->LPtoDP(grown);
    InvalidateRect(grown.Normalized(), true);
}
