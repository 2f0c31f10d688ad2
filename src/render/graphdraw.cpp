// The drawing pass over a whole page and the estimates of its extent.

#include "render/graphdraw.h"

#include "platform/escape.h"
#include "platform/winmath.h"

#include <algorithm>
#include <climits>

namespace {

bool Escaped() { return CheckEscapeAbort() == 1; }

// The label lists in drawing order: bottom, left, top, right.
const TIArrayAsVector<TText>* LabelLists(const BoxFrame& set, int i) {
    switch (i) {
    case 0: return &set.BottomAxis.LabelTexts;
    case 1: return &set.LeftAxis.LabelTexts;
    case 2: return &set.TopAxis.LabelTexts;
    default: return &set.RightAxis.LabelTexts;
    }
}

// Figures, free texts and numeric labels of one axis set, first to last; with
// polls each walk ends at the first poll that answers 1.
void DrawOverlays(BoxFrame& set, int mode, int quality, TDC& dc, FILE* file, TRect* extent,
                  bool polls) {
    const int figures = set.ZukeiList.GetItemsInContainer();
    for (int k = 1; k <= figures; ++k) {
        if (polls && Escaped()) break;
        set.DrawZukei(mode, dc, set.ZukeiList[k], quality, file, extent);
    }
    const int texts = set.TextList.GetItemsInContainer();
    for (int k = 1; k <= texts; ++k) {
        if (polls && Escaped()) break;
        set.DrawText(mode, dc, set.TextList[k], file, extent);
    }
    // Every label is drawn, whether its axis is shown or not.
    for (int a = 0; a < 4; ++a) {
        const TIArrayAsVector<TText>& labels = *LabelLists(set, a);
        const int count = labels.GetItemsInContainer();
        for (int k = 1; k <= count; ++k) {
            if (polls && Escaped()) break;
            set.DrawText(mode, dc, labels[k], file, extent);
        }
    }
}

int Sat(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// The plain union: no special case for an empty rectangle.
void Unite(TRect& r, const TRect& box) {
    r.left = std::min(r.left, box.left);
    r.top = std::min(r.top, box.top);
    r.right = std::max(r.right, box.right);
    r.bottom = std::max(r.bottom, box.bottom);
}

// box moved by (dx, dy), normalised; coordinates from a damaged file saturate.
TRect Moved(const TRect& box, long long dx, long long dy) {
    return TRect(Sat(box.left + dx), Sat(box.top + dy), Sat(box.right + dx), Sat(box.bottom + dy))
        .Normalized();
}

TRect FrameExtent(const BoxFrame& set) {
    const long long ox = TruncToIntSaturated(set.Frame.OriginX);
    const long long oy = TruncToIntSaturated(set.Frame.OriginY);
    // The lengths are truncated on their own and added to the truncated origin.
    return TRect(Sat(ox), Sat(oy), Sat(ox + TruncToIntSaturated(set.Frame.FrameLengthX)),
                 Sat(oy + TruncToIntSaturated(set.Frame.FrameLengthY)))
        .Normalized();
}

void UniteAxisSet(TRect& r, const BoxFrame& set) {
    const long long ox = TruncToIntSaturated(set.Frame.OriginX);
    const long long oy = TruncToIntSaturated(set.Frame.OriginY);
    Unite(r, FrameExtent(set));
    const int figures = set.ZukeiList.GetItemsInContainer();
    for (int k = 1; k <= figures; ++k) Unite(r, Moved(set.ZukeiList[k]->Bounds, ox, oy));
    auto texts = [&](const TIArrayAsVector<TText>& list) {
        const int count = list.GetItemsInContainer();
        for (int k = 1; k <= count; ++k) {
            const TText& t = *list[k];
            Unite(r, Moved(t.BoundingBox, t.Position.x + ox, t.Position.y + oy));
        }
    };
    texts(set.TextList);
    for (int a = 0; a < 4; ++a) texts(*LabelLists(set, a));
}

TRect Inflated(const TRect& r) {
    return TRect(Sat((long long)r.left - 100), Sat((long long)r.top - 100),
                 Sat((long long)r.right + 100), Sat((long long)r.bottom + 100));
}

}  // namespace

void DrawGraph(const TIArrayAsVector<BoxFrame>& axisSets, int mode, TDC& dc, FILE* file,
               TRect* extent) {
    AbortRequested = 0;
    const int n = axisSets.GetItemsInContainer();
    for (int i = 1; i <= n; ++i) {
        if (Escaped()) return;
        BoxFrame& set = *axisSets[i];
        set.PaintBackground(mode, 1, dc, file, extent);
        set.DrawGrids(mode, 1, dc, file, extent);
        if (set.PaintOrder == 2) set.DrawAxes(mode, 1, dc, file, extent);
        const int series = set.PlotList.GetItemsInContainer();
        for (int k = 1; k <= series; ++k) {
            if (Escaped()) break;
            set.DrawPlot(mode, 1, dc, set.PlotList[k], k, file, extent);
        }
        // Drawn even after an abort among the series, so the axes lie on top.
        if (set.PaintOrder == 1) set.DrawAxes(mode, 1, dc, file, extent);
        DrawOverlays(set, mode, 1, dc, file, extent, true);
    }
}

void DrawGraphView(const TIArrayAsVector<BoxFrame>& axisSets, TDC& dc, const GraphViewSettings& view) {
    const int mode = 1;  // OUT_DC
    const int n = axisSets.GetItemsInContainer();
    for (int i = 1; i <= n; ++i) {
        if (Escaped()) break;
        if (!(view.CurrentOnly == 0 || (view.CurrentOnly == 1 && i == view.CurrentNo))) continue;
        BoxFrame& set = *axisSets[i];
        set.PaintBackground(mode, view.Quality, dc, nullptr, nullptr);
        set.DrawGrids(mode, view.Quality, dc, nullptr, nullptr);
        if (set.PaintOrder == 2) set.DrawAxes(mode, view.Quality, dc, nullptr, nullptr);
        if (view.ManualRefresh == 0) {
            const int series = set.PlotList.GetItemsInContainer();
            for (int k = 1; k <= series; ++k) {
                if (Escaped()) break;
                TPlot* plot = set.PlotList[k];
                if (view.ReloadDataBeforePlot == 1 && plot->ReadData() != 1) continue;
                set.DrawPlot(mode, view.Quality, dc, plot, k, nullptr, nullptr);
            }
        }
        if (set.PaintOrder == 1) set.DrawAxes(mode, view.Quality, dc, nullptr, nullptr);
        DrawOverlays(set, mode, view.Quality, dc, nullptr, nullptr, false);
    }
}

TRect GetGraphExtent(const TIArrayAsVector<BoxFrame>& axisSets) {
    const int n = axisSets.GetItemsInContainer();
    if (n == 0) return TRect();
    TRect r = FrameExtent(*axisSets[1]);
    for (int i = 1; i <= n; ++i) UniteAxisSet(r, *axisSets[i]);
    return Inflated(r);
}

TRect GetCurrentFrameExtent(const TIArrayAsVector<BoxFrame>& axisSets, int currentNo) {
    const BoxFrame* set = axisSets.At(currentNo);
    if (!set) return TRect();
    TRect r = FrameExtent(*set);
    UniteAxisSet(r, *set);
    return Inflated(r);
}
