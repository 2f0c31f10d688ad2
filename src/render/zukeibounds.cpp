// The bounding rectangle that a figure keeps for hit testing, selection, extents
// and invalidation.

#include "model/zukei.h"
#include "numerics/splines.h"
#include "platform/escape.h"
#include "platform/winmath.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <new>

namespace {

bool Usable(double v) { return std::fabs(v) < DBL_MAX; }  // NaN fails too

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

    try {
        const int count = Nodes.GetItemsInContainer();
        kv::DoubleArray nx(count - 1, 0, 1000), ny(count - 1, 0, 1000);
        for (int i = 0; i < count; ++i) {
            nx.Add(Nodes[i].X);
            ny.Add(Nodes[i].Y);
        }
        kv::DoubleArray sx(0, 0, 1000), sy(0, 0, 1000);
        const kv::DoubleArray* px = &nx;
        const kv::DoubleArray* py = &ny;
        if (IsSpline == 1) {
            EscapePollOff pollOff;
            kv::ParamSplineCurve(nx, ny, sx, sy, IsClosed == 1 ? kv::kSplineClosed : kv::kSplineOpen,
                                 InterPointNo);
            px = &sx;
            py = &sy;
        }

        constexpr double kInf = std::numeric_limits<double>::infinity();
        double minX = kInf, minY = kInf, maxX = -kInf, maxY = -kInf;
        bool any = false;
        const int n = std::min(px->GetItemsInContainer(), py->GetItemsInContainer());
        for (int i = 0; i < n; ++i) {
            const double x = (*px)[i], y = (*py)[i];
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
    } catch (const std::bad_alloc&) {
        // No room for the work lists: the rectangle keeps its former value.
    }
}
