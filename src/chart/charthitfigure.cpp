// The figure of the current axis set under a page point: near the line of a line
// or polyline (a spline polyline through its sampled curve), near the outline of a
// hollow rectangle or ellipse and anywhere inside a filled one, anywhere in the box
// of an axis-cut mark.

#include "chart/chartwindow.h"
#include "chart/hitgeometry.h"
#include "platform/winmath.h"
#include "render/hittest.h"
#include "render/zukeidraw.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

using kv::chart::WideRect;

namespace {

constexpr int NullBrush = -2;


int AddSat(std::int64_t a, std::int64_t b) {
    return int(std::clamp<std::int64_t>(a + b, INT_MIN, INT_MAX));
}

// 1 when some segment of the point chain meets the pick square.
bool ChainMeets(const std::vector<TPoint>& pts, const TRect& pick) {
    for (std::size_t k = 0; k + 1 < pts.size(); ++k)
        if (SegmentMeetsRect(pts[k].x, pts[k].y, pts[k + 1].x, pts[k + 1].y, pick) == 1)
            return true;
    return false;
}

bool BoxFigureHit(const TRect& box, const TZukei& z, std::int64_t h, TPoint p) {
    const WideRect n = WideRect(box).Normalized();
    if (!n.Inflated(h).Contains(p)) return false;
    // Hollow: a band of width 2H along the outline. A box no wider or higher than
    // 2H has an empty inside, so all of it is band. Rounded corners count as box.
    return z.BrushType != NullBrush || !n.Inflated(-h).Contains(p);
}

bool EllipseHit(const TRect& box, const TZukei& z, std::int64_t h, TPoint p) {
    const WideRect n = WideRect(box).Normalized();
    const std::int64_t a = (n.right - n.left) / 2;
    const std::int64_t b = (n.bottom - n.top) / 2;
    const double cx = double(n.left + n.right) * 0.5;
    const double cy = double(n.top + n.bottom) * 0.5;
    const double dx = double(p.x) - cx, dy = double(p.y) - cy;
    // "Not greater than 1": an undefined 0/0 on a degenerate axis counts as inside.
    auto inside = [&](std::int64_t d) {
        const double u = dx / double(a + d), v = dy / double(b + d);
        return !(u * u + v * v > 1.0);
    };
    if (!inside(h)) return false;
    if (z.BrushType != NullBrush) return true;
    // An ellipse narrower than 2H has no inside left once shrunk by H; shrinking
    // further would turn the half-axis over and open a hole around the centre
    // where the outline is nearer than H.
    if (a - h < 0 || b - h < 0) return true;
    return !inside(-h);
}

// The straight polyline through the nodes, back to the first when closed. Nodes
// without numbers (only damaged documents hold them) are left out, as the drawing
// leaves them out.
bool StraightPolylineHit(const TZukei& z, std::int64_t ox, std::int64_t oy, const TRect& pick) {
    const TArrayAsVector<DoublePoint>& nodes = z.Nodes;
    std::vector<TPoint> pts;
    pts.reserve(std::size_t(nodes.GetItemsInContainer()) + 1);
    for (int n = 0; n < nodes.GetItemsInContainer(); ++n) {
        const DoublePoint& d = nodes[nodes.LowerBound() + n];
        if (!Usable(d.X) || !Usable(d.Y)) continue;
        pts.emplace_back(AddSat(TruncToIntSaturated(d.X), ox), AddSat(TruncToIntSaturated(d.Y), oy));
    }
    if (z.IsClosed == 1 && !pts.empty()) pts.push_back(pts.front());
    return ChainMeets(pts, pick);
}

// The spline curve the figure draws (sampled once and kept with it), moved by
// the whole-twip origin; the curve points themselves are not rounded before.
// What was sampled is tested; no samples, no hit.
bool SplinePolylineHit(const TZukei& z, std::int64_t ox, std::int64_t oy, const TRect& pick) {
    const std::shared_ptr<const ZukeiCurve> curve = FigureSplineCurve(z, false);
    if (!curve) return false;
    std::vector<TPoint> pts;
    pts.reserve(curve->Points.size());
    for (const DoublePoint& p : curve->Points)
        pts.emplace_back(TruncToIntSaturated(p.X + double(ox)), TruncToIntSaturated(p.Y + double(oy)));
    return ChainMeets(pts, pick);
}

}  // namespace

int TChartWindow::HitFigure(TPoint point, TRect& rect) {
    BoxFrame* set = Document.Current;
    if (!set) return 0;
    const std::int64_t h = HandleSize;
    const TRect pick = WideRect::Square(point.x, point.y, h).Saturated();
    const std::int64_t ox = TruncToIntSaturated(set->Frame.OriginX);
    const std::int64_t oy = TruncToIntSaturated(set->Frame.OriginY);

    // The figure drawn last lies on top and is tried first.
    for (int i = set->ZukeiList.UpperBound(); i >= set->ZukeiList.LowerBound(); --i) {
        const TZukei* z = set->ZukeiList[i];
        if (!z) continue;
        const TRect box = GetFigureRect(set, z);
        bool hit = false;
        switch (z->Kind) {
        case ZukeiLine:
            hit = SegmentMeetsRect(box.left, box.top, box.right, box.bottom, pick) == 1;
            break;
        case ZukeiRectangle:
        case ZukeiRoundRect: hit = BoxFigureHit(box, *z, h, point); break;
        case ZukeiEllipse: hit = EllipseHit(box, *z, h, point); break;
        case ZukeiAxisCut: hit = WideRect(box).Normalized().Inflated(h).Contains(point); break;
        case ZukeiPolyline:
            try {
                hit = z->IsSpline != 0 ? SplinePolylineHit(*z, ox, oy, pick)
                                       : StraightPolylineHit(*z, ox, oy, pick);
            } catch (const std::bad_alloc&) {
                // No room for the work lists: this figure is not hit, the search
                // goes on.
                hit = false;
            }
            break;
        default: break;
        }
        if (!hit) continue;
        rect = box;
        UnselectAll();
        set->Selected.Zukeis.Add(i);
        return 1;
    }
    return 0;
}
