// Rubber-band selection: every text and figure of the current axis set whose whole
// box lies inside the dragged rectangle.

#include "chart/chartwindow.h"

#include <algorithm>

namespace {

bool Encloses(const TRect& outer, const TRect& box) {
    // A box edge lying on the rectangle's edge still counts as inside.
    return box.left >= outer.left && box.right <= outer.right && box.top >= outer.top &&
           box.bottom <= outer.bottom;
}

}  // namespace

int TChartWindow::SelectInRect(TRect rect, TRect& out) {
    BoxFrame* set = Document.Current;
    if (!set) return 0;
    const TRect r = rect.Normalized();
    SelectedFlags& sel = set->Selected;
    sel.Clear();

    TRect u = NoSelectionRect;
    int marked = 0;
    auto mark = [&](const TRect& box, SelectedFlags::IndexList& list, int number) {
        const TRect p = box.Normalized();
        if (!Encloses(r, p)) return;
        u.left = std::min(u.left, p.left);
        u.top = std::min(u.top, p.top);
        u.right = std::max(u.right, p.right);
        u.bottom = std::max(u.bottom, p.bottom);
        list.Add(number);
        ++marked;
    };
    auto texts = [&](const TIArrayAsVector<TText>& items, SelectedFlags::IndexList& list) {
        for (int i = items.LowerBound(); i <= items.UpperBound(); ++i)
            if (const TText* t = items[i]) mark(GetTextRect(set, t), list, i);
    };
    // Labels of every axis, shown or not, then free texts, then figures.
    texts(set->BottomAxis.LabelTexts, sel.AxisTexts1);
    texts(set->LeftAxis.LabelTexts, sel.AxisTexts2);
    texts(set->TopAxis.LabelTexts, sel.AxisTexts3);
    texts(set->RightAxis.LabelTexts, sel.AxisTexts4);
    texts(set->TextList, sel.Texts);
    for (int i = set->ZukeiList.LowerBound(); i <= set->ZukeiList.UpperBound(); ++i)
        if (const TZukei* z = set->ZukeiList[i]) mark(GetFigureRect(set, z), sel.Zukeis, i);

    if (marked == 0) return 0;
    out = u;
    return 1;
}
