// Point markers of series and legends, and the data cursor's cross.

#include "model/boxframe.h"
#include "platform/dc.h"
#include "render/markers.h"
#include "render/output.h"

#include <algorithm>
#include <climits>

namespace {

// Marker geometry in 64 bits: a size from a damaged file must not overflow.
int Sat(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

}  // namespace

void BoxFrame::DrawMarker(int mode, TDC& dc, int x, int y, int code, int size, int centreDot,
                          FILE* file, TRect* extent, int penWidth) {
    const long long s = size == 0 ? 1 : size;
    const long long a = (14 * s) / 20, b = (17 * s) / 20, h = s / 2;
    const long long X = x, Y = y;
    auto P = [](long long px, long long py) { return TPoint(Sat(px), Sat(py)); };

    switch (code) {
    case MarkerRectangle: {
        const TPoint pts[4] = {P(X - a, Y - a), P(X + a, Y - a), P(X + a, Y + a), P(X - a, Y + a)};
        OutPolygon(mode, pts, 4, dc, file, extent, penWidth, false);
        break;
    }
    case MarkerTriangle: {
        const TPoint pts[3] = {P(X, Y - s), P(X + b, Y + h), P(X - b, Y + h)};
        OutPolygon(mode, pts, 3, dc, file, extent, penWidth, false);
        break;
    }
    case MarkerRevTriangle: {
        const TPoint pts[3] = {P(X, Y + s), P(X + b, Y - h), P(X - b, Y - h)};
        OutPolygon(mode, pts, 3, dc, file, extent, penWidth, false);
        break;
    }
    case MarkerDiamond: {
        const TPoint pts[4] = {P(X, Y - s), P(X + s, Y), P(X, Y + s), P(X - s, Y)};
        OutPolygon(mode, pts, 4, dc, file, extent, penWidth, false);
        break;
    }
    case MarkerCircle:
        OutEllipseCoords(mode, dc, Sat(X - s), Sat(Y - s), Sat(X + s), Sat(Y + s), file, extent,
                         penWidth);
        break;
    case MarkerCross:
    case MarkerDiagCross: {
        // Each stroke out and back, so that the path closes on itself and a
        // vector reader that fills paths still shows two lines.
        const long long r = code == MarkerCross ? s : a;
        TPoint strokes[2][2];
        if (code == MarkerCross) {
            strokes[0][0] = P(X - r, Y), strokes[0][1] = P(X + r, Y);
            strokes[1][0] = P(X, Y - r), strokes[1][1] = P(X, Y + r);
        } else {
            strokes[0][0] = P(X - r, Y - r), strokes[0][1] = P(X + r, Y + r);
            strokes[1][0] = P(X - r, Y + r), strokes[1][1] = P(X + r, Y - r);
        }
        OutBeginPath(mode, dc, file);
        if (mode == OUT_DC) {
            // The same moves and lines in one call, which a raster device draws
            // together.
            const TPoint path[6] = {strokes[0][0], strokes[0][1], strokes[0][0],
                                    strokes[1][0], strokes[1][1], strokes[1][0]};
            const int counts[2] = {3, 3};
            dc.Strokes(path, counts, 2);
        } else {
            for (const auto& st : strokes) {
                OutMoveTo(mode, st[0], dc, file, extent, penWidth, true);
                OutLineTo(mode, st[1], dc, file, extent, penWidth);
                OutLineTo(mode, st[0], dc, file, extent, penWidth);
            }
        }
        OutEndPath(mode, dc, file);
        OutStrokePath(mode, dc, file);
        break;
    }
    default: break;  // 0, the filled forms 6 to 13 and unknown codes: no shape
    }

    if (centreDot == 1 && code != MarkerNone) {
        const long long d = MarkerCenterDotHalf;
        const TPoint dot[4] = {P(X - d, Y - d), P(X + d, Y - d), P(X + d, Y + d), P(X - d, Y + d)};
        OutPolygon(mode, dot, 4, dc, file, extent, penWidth, false);
    }
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
