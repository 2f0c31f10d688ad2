// The bounding rectangle that a figure keeps for hit testing, selection, extents
// and invalidation.

#include "model/zukei.h"
#include "platform/winmath.h"
#include "render/zukeidraw.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace {


}  // namespace

void TZukei::UpdateBounds() {
    if (IsTwoNodeZukei(Kind)) {
        // A damaged record may lack the nodes; the rectangle then stays as read.
        if (Nodes.GetItemsInContainer() < 2) return;
        Bounds = TRect(TruncToIntSaturated(Nodes[0].X), TruncToIntSaturated(Nodes[0].Y),
                       TruncToIntSaturated(Nodes[1].X), TruncToIntSaturated(Nodes[1].Y));
        return;
    }
    if (Kind != ZukeiPolyline) return;

    // The spline's curve is the one the drawing uses (and keeps); without room
    // for it the rectangle keeps its former value.
    std::shared_ptr<const ZukeiCurve> curve;
    if (IsSpline == 1) {
        curve = FigureSplineCurve(*this, false);
        if (!curve) return;
    }
    const DoublePoint* pts = curve ? curve->Points.data() : Nodes.data();
    const std::size_t n = curve ? curve->Points.size() : std::size_t(Nodes.GetItemsInContainer());

    constexpr double kInf = std::numeric_limits<double>::infinity();
    double minX = kInf, minY = kInf, maxX = -kInf, maxY = -kInf;
    bool any = false;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = pts[i].X, y = pts[i].Y;
        // Points without numbers (only damaged files have them) are not drawn
        // either.
        if (!Usable(x) || !Usable(y)) continue;
        any = true;
        if (x < minX) minX = x;
        if (y < minY) minY = y;
        if (x > maxX) maxX = x;
        if (y > maxY) maxY = y;
    }
    if (!any) {
        Bounds = TRect();
        return;
    }
    Bounds = TRect(TruncToIntSaturated(minX), TruncToIntSaturated(minY),
                   TruncToIntSaturated(maxX), TruncToIntSaturated(maxY))
                 .Normalized();
}
