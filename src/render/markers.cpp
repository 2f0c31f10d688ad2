// Point markers of series and legends, and the data cursor's cross.

#include "model/boxframe.h"
#include "platform/dc.h"
#include "render/markers.h"
#include "render/output.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// Marker geometry in 64 bits: a size from a damaged file must not overflow.
int Sat(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// The shape of a marker code around the centre (0, 0): a polygon's corners, an
// ellipse's box, or the two strokes of a cross, each out and back (so that the
// path closes on itself and a vector reader that fills paths still shows two
// lines) in two groups of three points. No points for a code without a shape.
struct MarkerGeometry {
    TDCMarkPart::Kind kind = TDCMarkPart::Polygon;
    int count = 0;
    long long x[6] = {}, y[6] = {};
    void Add(long long px, long long py) {
        x[count] = px;
        y[count] = py;
        ++count;
    }
};

MarkerGeometry GeometryOf(int code, int size) {
    const long long s = size == 0 ? 1 : size;
    const long long a = (14 * s) / 20, b = (17 * s) / 20, h = s / 2;
    MarkerGeometry g;
    switch (code) {
    case MarkerRectangle:
        g.Add(-a, -a), g.Add(a, -a), g.Add(a, a), g.Add(-a, a);
        break;
    case MarkerTriangle: g.Add(0, -s), g.Add(b, h), g.Add(-b, h); break;
    case MarkerRevTriangle: g.Add(0, s), g.Add(b, -h), g.Add(-b, -h); break;
    case MarkerDiamond: g.Add(0, -s), g.Add(s, 0), g.Add(0, s), g.Add(-s, 0); break;
    case MarkerCircle:
        g.kind = TDCMarkPart::Ellipse;
        g.Add(-s, -s), g.Add(s, s);
        break;
    case MarkerCross:
        g.kind = TDCMarkPart::Strokes;
        g.Add(-s, 0), g.Add(s, 0), g.Add(-s, 0);
        g.Add(0, -s), g.Add(0, s), g.Add(0, -s);
        break;
    case MarkerDiagCross:
        g.kind = TDCMarkPart::Strokes;
        g.Add(-a, -a), g.Add(a, a), g.Add(-a, -a);
        g.Add(-a, a), g.Add(a, -a), g.Add(-a, a);
        break;
    default: break;  // 0, the filled forms 6 to 13 and unknown codes: no shape
    }
    return g;
}

constexpr int kCrossCounts[2] = {3, 3};

// The centre dot's corners around the centre.
constexpr int kDot = MarkerCenterDotHalf;
constexpr TPoint kDotCorners[4] = {{-kDot, -kDot}, {kDot, -kDot}, {kDot, kDot}, {-kDot, kDot}};

}  // namespace

void BoxFrame::DrawMarker(int mode, TDC& dc, int x, int y, int code, int size, int centreDot,
                          FILE* file, TRect* extent, int penWidth) {
    const MarkerGeometry g = GeometryOf(code, size);
    const long long X = x, Y = y;
    TPoint pts[6];
    for (int i = 0; i < g.count; ++i) pts[i] = TPoint(Sat(X + g.x[i]), Sat(Y + g.y[i]));

    if (g.count > 0) {
        switch (g.kind) {
        case TDCMarkPart::Polygon: OutPolygon(mode, pts, g.count, dc, file, extent, penWidth, false); break;
        case TDCMarkPart::Ellipse:
            OutEllipseCoords(mode, dc, pts[0].x, pts[0].y, pts[1].x, pts[1].y, file, extent, penWidth);
            break;
        case TDCMarkPart::Strokes:
            OutBeginPath(mode, dc, file);
            if (mode == OUT_DC) {
                // The same moves and lines in one call, which a raster device
                // draws together.
                dc.Strokes(pts, kCrossCounts, 2);
            } else {
                for (const TPoint* st = pts; st < pts + 6; st += 3) {
                    OutMoveTo(mode, st[0], dc, file, extent, penWidth, true);
                    OutLineTo(mode, st[1], dc, file, extent, penWidth);
                    OutLineTo(mode, st[2], dc, file, extent, penWidth);
                }
            }
            OutEndPath(mode, dc, file);
            OutStrokePath(mode, dc, file);
            break;
        }
    }

    if (centreDot == 1 && code != MarkerNone) {
        TPoint dot[4];
        for (int i = 0; i < 4; ++i) dot[i] = TPoint(Sat(X + kDotCorners[i].x), Sat(Y + kDotCorners[i].y));
        OutPolygon(mode, dot, 4, dc, file, extent, penWidth, false);
    }
}

void DrawMarkersAt(TDC& dc, const TPoint* centres, int count, int code, int size, int centreDot) {
    if (count <= 0 || code == MarkerNone) return;
    const MarkerGeometry g = GeometryOf(code, size);
    TPoint shape[6];
    for (int i = 0; i < g.count; ++i) {
        // A size beyond any page: each marker on its own, saturating.
        if (std::llabs(g.x[i]) > (1 << 24) || std::llabs(g.y[i]) > (1 << 24)) {
            for (int k = 0; k < count; ++k)
                BoxFrame::DrawMarker(OUT_DC, dc, centres[k].x, centres[k].y, code, size, centreDot, nullptr,
                                     nullptr, 0);
            return;
        }
        shape[i] = TPoint(int(g.x[i]), int(g.y[i]));
    }
    TDCMarkPart parts[2];
    int n = 0;
    if (g.count > 0) {
        parts[n].kind = g.kind;
        parts[n].offsets = shape;
        parts[n].count = g.count;
        if (g.kind == TDCMarkPart::Strokes) {
            parts[n].counts = kCrossCounts;
            parts[n].groups = 2;
        }
        ++n;
    }
    if (centreDot == 1) {
        parts[n].offsets = kDotCorners;
        parts[n].count = 4;
        ++n;
    }
    if (n == 0) return;
    dc.Marks(parts, n, centres, count);
    // Each cross's path bracket leaves the count of path points at 0.
    if (g.count > 0 && g.kind == TDCMarkPart::Strokes) PathPointCount = 0;
}

void BoxFrame::DrawDataPointMark(TDC& dc, double x, double y, int plotNumber) const {
    const TPlot* plot = PlotList.At(plotNumber);
    if (!plot) return;  // no such series: the context is left untouched
    const TRect f = GetFrameRect();
    const int px = ValueToPageInt(x, plot->Style.RefAxisX == 1 ? BottomAxisNo : TopAxisNo);
    const int py = ValueToPageInt(y, plot->Style.RefAxisY == 1 ? LeftAxisNo : RightAxisNo);

    const TPen previous = dc.GetPen();
    dc.SetROP2(R2_NOTXORPEN);
    dc.SelectObject(TPen(RGB(255, 0, 0), 1, PS_SOLID));
    dc.MoveToEx(f.left, py);
    dc.LineTo(f.right, py);
    dc.MoveToEx(px, f.top);
    dc.LineTo(px, f.bottom);
    dc.SelectObject(previous);
    dc.SetROP2(R2_COPYPEN);
}
