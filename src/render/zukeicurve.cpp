// The sampled curve of a spline polyline figure, kept with the figure between
// paints, bounds and hit tests.

#include "render/zukeidraw.h"

#include "numerics/splines.h"
#include "platform/escape.h"
#include "platform/winmath.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>

namespace {


// True when the kept curve was sampled from exactly these nodes and settings
// (node values compared bit for bit, so a NaN node matches itself).
bool SampledFrom(const ZukeiCurve& c, const TZukei& z) {
    const int count = z.Nodes.GetItemsInContainer();
    if (c.Closed != z.IsClosed || c.Divisions != z.InterPointNo ||
        c.NodeXY.size() != 2 * std::size_t(count))
        return false;
    for (int i = 0; i < count; ++i) {
        const DoublePoint& p = z.Nodes[i];
        if (std::memcmp(&c.NodeXY[2 * std::size_t(i)], &p.X, sizeof(double)) != 0 ||
            std::memcmp(&c.NodeXY[2 * std::size_t(i) + 1], &p.Y, sizeof(double)) != 0)
            return false;
    }
    return true;
}

}  // namespace

int FigureSplineDivisions(int m, int nodes) { return kv::DrawnSplineDivisions(m, nodes - 1); }

std::shared_ptr<const ZukeiCurve> FigureSplineCurve(const TZukei& z, bool pollEscape) {
    if (z.SampledCurve && SampledFrom(*z.SampledCurve, z)) return z.SampledCurve;
    try {
        auto curve = std::make_shared<ZukeiCurve>();
        const int count = z.Nodes.GetItemsInContainer();
        curve->NodeXY.reserve(2 * std::size_t(count));
        kv::DoubleArray nx(count - 1, 0, 1000), ny(count - 1, 0, 1000);
        int usable = 0;
        for (int i = 0; i < count; ++i) {
            const DoublePoint& p = z.Nodes[i];
            curve->NodeXY.push_back(p.X);
            curve->NodeXY.push_back(p.Y);
            nx.Add(p.X);
            ny.Add(p.Y);
            if (Usable(p.X) && Usable(p.Y)) ++usable;
        }
        curve->Closed = z.IsClosed;
        curve->Divisions = z.InterPointNo;

        kv::DoubleArray cx(0, 0, 1000), cy(0, 0, 1000);
        const int mode = z.IsClosed == 1 ? kv::kSplineClosed : kv::kSplineOpen;
        const int m = FigureSplineDivisions(z.InterPointNo, usable);
        bool cutShort = false;
        if (pollEscape) {
            kv::ParamSplineCurve(nx, ny, cx, cy, mode, m);
            cutShort = AbortRequested != 0 && AbortPollEnabled == 1;
        } else {
            EscapePollOff pollOff;
            kv::ParamSplineCurve(nx, ny, cx, cy, mode, m);
        }
        const int n = std::min(cx.GetItemsInContainer(), cy.GetItemsInContainer());
        curve->Points.reserve(std::size_t(n));
        for (int i = 0; i < n; ++i) curve->Points.emplace_back(cx[i], cy[i]);
        if (!cutShort) z.SampledCurve = curve;
        return curve;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
