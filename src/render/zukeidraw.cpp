// Drawing of the figures of an axis set through the output layer, so the same code
// paints them, measures them and writes them to a kvx file, and the inverting
// outline of a polyline that the chart window shows while one is being made.

#include "render/zukeidraw.h"

#include "platform/winmath.h"
#include "render/output.h"
#include "render/styledline.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <new>
#include <vector>

namespace {

// Side angles of an arrow head about the line's direction: fifteen degrees with pi
// taken as 3.14. The start head opens towards the line, the end head away from it.
constexpr double kStartSide = 0.26166666666666666;
constexpr double kEndSide = 2.8783333333333334;
constexpr double kHalfTurn = 3.14;

// The widest figure pen, twips. Only a damaged document asks for more, and a pen
// that wide would only make the devices slow.
constexpr int kMaxFigurePen = 32767;

using ::Usable;
bool Usable(const DoublePoint& p) { return Usable(p.X) && Usable(p.Y); }

int Trunc(double v) { return TruncToIntSaturated(v); }
int AddSat(long long a, long long b) {
    return int(std::clamp<long long>(a + b, INT_MIN, INT_MAX));
}

int FigurePenWidth(const Frame& frame, const TZukei& z, int quality) {
    if (quality != 1) return 0;
    const int w = Trunc((double(z.PenWidth) * frame.ZukeiLineRate) * 0.01);
    // A width below one twip (also a negative one from a damaged file) is the
    // thinnest visible line.
    return std::clamp(w, 1, kMaxFigurePen);
}

void SelectFigureAttributes(int mode, TDC& dc, const TZukei& z, int w, FILE* file) {
    if (z.PenType == 0)
        OutSelectStockObject(mode, dc, NULL_PEN, file);
    else
        OutSelectPen(mode, dc, TColor(z.PenColor), w, file);
    if (z.BrushType == -2)
        OutSelectStockObject(mode, dc, NULL_BRUSH, file);
    else
        OutSelectBrush(mode, dc, TColor(z.ForeBrushColor), z.BrushType, file);
}

TPoint Wing(TPoint at, int length, double angle) {
    return TPoint(AddSat(at.x, Trunc(length * std::cos(angle))),
                  AddSat(at.y, Trunc(length * std::sin(angle))));
}

// The arrow head at `at` of the segment p1-p2, its sides `side` radians off the
// direction from p1 to p2; nothing for a segment shorter than one twip.
void DrawHead(int mode, TDC& dc, TPoint p1, TPoint p2, TPoint at, double side, int length,
              int w, FILE* file, TRect* extent) {
    const double dx = double(p2.x) - p1.x, dy = double(p2.y) - p1.y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (std::trunc(len) == 0.0) return;
    // Rounding may carry the ratio a hair past 1 on long lines.
    const double s = std::clamp(dy / len, -1.0, 1.0);
    const double t = dx > 0 ? std::asin(s) : kHalfTurn - std::asin(s);
    const TPoint head[3] = {at, Wing(at, length, t + side), Wing(at, length, t - side)};
    OutPolygon(mode, head, 3, dc, file, extent, w, false);
}

void StrokeStyled(int mode, TDC& dc, const std::vector<DoublePoint>& pts, int style, int w,
                  FILE* file, TRect* extent) {
    OutBeginPath(mode, dc, file);
    DrawStyledPolyline(mode, dc, pts.data(), int(pts.size()) - 1, style, w, 0, nullptr, file,
                       extent);
    OutEndPath(mode, dc, file);
    OutStrokePath(mode, dc, file);
}

// A filled polygon without outline, then the figure's pen again for what follows.
void FillWithoutOutline(int mode, TDC& dc, const TPoint* pts, int n, int w, FILE* file,
                        TRect* extent) {
    OutRestorePen(mode, dc);
    OutSelectStockObject(mode, dc, NULL_PEN, file);
    OutPolygon(mode, pts, n, dc, file, extent, w, false);
    OutRestorePen(mode, dc);
}

void DrawTwoNodeFigure(const BoxFrame& set, int mode, TDC& dc, const TZukei& z, int w,
                       FILE* file, TRect* extent) {
    // Both defining nodes must be there and hold numbers; a damaged record may lack
    // them.
    if (z.Nodes.GetItemsInContainer() < 2) return;
    const DoublePoint& n0 = z.Nodes[0];
    const DoublePoint& n1 = z.Nodes[1];
    if (!Usable(n0) || !Usable(n1)) return;
    const double ox = std::trunc(set.Frame.OriginX), oy = std::trunc(set.Frame.OriginY);
    const int x1 = Trunc(ox + n0.X), y1 = Trunc(oy + n0.Y);
    const int x2 = Trunc(ox + n1.X), y2 = Trunc(oy + n1.Y);
    const TPoint p1(x1, y1), p2(x2, y2);

    switch (z.Kind) {
    case ZukeiLine: {
        if (z.PenType == LineStyleSolid) {
            OutBeginPath(mode, dc, file);
            OutMoveTo(mode, p1, dc, file, extent, w, true);
            OutLineTo(mode, p2, dc, file, extent, w);
            OutEndPath(mode, dc, file);
            OutStrokePath(mode, dc, file);
        } else if (z.PenType >= LineStyleLongDash && z.PenType <= LineStyleDashDotDotDash) {
            const std::vector<DoublePoint> pts = {DoublePoint(x1, y1), DoublePoint(x2, y2)};
            StrokeStyled(mode, dc, pts, z.PenType, w, file, extent);
        }
        const int length = set.Frame.YasenLength;
        if (z.Arrow == 1 || z.Arrow == 3)
            DrawHead(mode, dc, p1, p2, p1, kStartSide, length, w, file, extent);
        if (z.Arrow == 2 || z.Arrow == 3)
            DrawHead(mode, dc, p1, p2, p2, kEndSide, length, w, file, extent);
        break;
    }
    case ZukeiRectangle: {
        // Always a solid outline: the dash styles belong to lines and polylines.
        const TPoint pts[4] = {TPoint(x1, y1), TPoint(x2, y1), TPoint(x2, y2), TPoint(x1, y2)};
        OutPolygon(mode, pts, 4, dc, file, extent, w, false);
        break;
    }
    case ZukeiRoundRect:
        OutRoundRect(mode, dc, p1, p2, ZukeiRoundCorner, ZukeiRoundCorner, file, extent, w);
        break;
    case ZukeiEllipse: OutEllipse(mode, dc, TRect(x1, y1, x2, y2), file, extent, w); break;
    case ZukeiAxisCut: {
        const int m = int((static_cast<long long>(x1) + x2) / 2);
        const TPoint pts[4] = {TPoint(x1, y2), TPoint(m, y1), TPoint(x2, y1), TPoint(m, y2)};
        FillWithoutOutline(mode, dc, pts, 4, w, file, extent);
        // The slanted sides are stroked whatever the line style, the others never.
        OutSelectPen(mode, dc, TColor(z.PenColor), w, file);
        OutBeginPath(mode, dc, file);
        OutMoveTo(mode, pts[0], dc, file, extent, w, true);
        OutLineTo(mode, pts[1], dc, file, extent, w);
        OutMoveTo(mode, pts[3], dc, file, extent, w, true);
        OutLineTo(mode, pts[2], dc, file, extent, w);
        OutEndPath(mode, dc, file);
        OutStrokePath(mode, dc, file);
        break;
    }
    default: break;
    }
}

// The polyline through pts (relative to the frame origin). closedFigure: filled
// and outlined as a closed shape, without arrow heads; appendFirst: pts do not
// already end where they start.
void DrawPolylinePoints(const BoxFrame& set, int mode, TDC& dc, const TZukei& z,
                        const std::vector<DoublePoint>& pts, bool closedFigure,
                        bool appendFirst, int quality, int w, FILE* file, TRect* extent) {
    // One point is no line: no outline, no fill, no arrow.
    if (pts.size() < 2) return;
    const double ox = set.Frame.OriginX, oy = set.Frame.OriginY;
    const int n = int(pts.size()) - 1;

    std::vector<DoublePoint> outline;
    outline.reserve(pts.size() + 1);
    for (const DoublePoint& p : pts) outline.emplace_back(p.X + ox, p.Y + oy);

    if (!closedFigure) {
        if (z.PenType != 0) StrokeStyled(mode, dc, outline, z.PenType, w, file, extent);
        auto end = [&](int i) { return TPoint(Trunc(pts[i].X + ox), Trunc(pts[i].Y + oy)); };
        if (z.Arrow == 1 || z.Arrow == 3)
            set.DrawArrowLine(mode, dc, &z, end(1), end(0), quality, file, extent);
        if (z.Arrow == 2 || z.Arrow == 3)
            set.DrawArrowLine(mode, dc, &z, end(n - 1), end(n), quality, file, extent);
        return;
    }

    const int iox = Trunc(ox), ioy = Trunc(oy);
    std::vector<TPoint> polygon;
    polygon.reserve(pts.size() + 1);
    for (const DoublePoint& p : pts)
        polygon.emplace_back(AddSat(Trunc(p.X), iox), AddSat(Trunc(p.Y), ioy));
    if (appendFirst) {
        polygon.push_back(polygon.front());
        outline.push_back(outline.front());
    }
    FillWithoutOutline(mode, dc, polygon.data(), int(polygon.size()), w, file, extent);
    OutSelectPen(mode, dc, TColor(z.PenColor), w, file);
    if (z.PenType != 0) StrokeStyled(mode, dc, outline, z.PenType, w, file, extent);
}

void DrawPolylineFigure(const BoxFrame& set, int mode, TDC& dc, const TZukei& z, int quality,
                        int w, FILE* file, TRect* extent) {
    const int count = z.Nodes.GetItemsInContainer();
    if (count == 0) return;
    if (z.IsSpline == 0) {
        // Nodes that hold no number (only a damaged file has them) are left out.
        std::vector<DoublePoint> pts;
        pts.reserve(std::size_t(count));
        for (int i = 0; i < count; ++i)
            if (Usable(z.Nodes[i])) pts.push_back(z.Nodes[i]);
        DrawPolylinePoints(set, mode, dc, z, pts, z.IsClosed != 0, true, quality, w, file,
                           extent);
    } else if (z.IsSpline == 1) {
        // Sampled once and kept with the figure; a sampling cut short by Escape
        // draws what it made.
        const std::shared_ptr<const ZukeiCurve> curve = FigureSplineCurve(z, true);
        if (!curve) return;
        // A closed curve already ends where it starts.
        DrawPolylinePoints(set, mode, dc, z, curve->Points, z.IsClosed != 0, false, quality, w,
                           file, extent);
    }
}

}  // namespace

void BoxFrame::DrawZukei(int mode, TDC& dc, const TZukei* figure, int quality, FILE* file,
                         TRect* extent) const {
    if (!figure) return;
    const TZukei& z = *figure;
    const int w = FigurePenWidth(Frame, z, quality);

    SelectFigureAttributes(mode, dc, z, w, file);
    const TColor keptBk = OutGetBkColor(mode, dc);
    OutSetBkColor(mode, dc, TColor(z.BackBrushColor), file);

    if (IsTwoNodeZukei(z.Kind)) {
        DrawTwoNodeFigure(*this, mode, dc, z, w, file, extent);
    } else if (z.Kind == ZukeiPolyline) {
        try {
            DrawPolylineFigure(*this, mode, dc, z, quality, w, file, extent);
        } catch (const std::bad_alloc&) {
            // No room for the work lists: the polyline is left out, the drawing
            // goes on.
        }
    }

    OutSetBkColor(mode, dc, keptBk, file);
    OutRestoreObjects(mode, dc);
}

void BoxFrame::DrawArrowLine(int mode, TDC& dc, const TZukei* figure, TPoint from, TPoint to,
                             int quality, FILE* file, TRect* extent) const {
    if (!figure) return;
    const int w = FigurePenWidth(Frame, *figure, quality);
    SelectFigureAttributes(mode, dc, *figure, w, file);
    OutSetBkColor(mode, dc, TColor(figure->BackBrushColor), file);
    DrawHead(mode, dc, from, to, to, kEndSide, Frame.YasenLength, w, file, extent);
}

void DrawPolylineOutline(const BoxFrame* set, TDC& dc, const TZukei* figure, int penStyle,
                         int noClose) {
    dc.SetROP2(R2_NOTXORPEN);
    dc.SelectObject(TPen(RGB(0, 0, 0), 0, penStyle));
    if (set && figure && figure->Kind == ZukeiPolyline && !figure->Nodes.IsEmpty()) {
        const int ox = Trunc(set->Frame.OriginX), oy = Trunc(set->Frame.OriginY);
        auto at = [&](const DoublePoint& p) {
            return TPoint(AddSat(Trunc(p.X), ox), AddSat(Trunc(p.Y), oy));
        };
        const TArrayAsVector<DoublePoint>& nodes = figure->Nodes;
        dc.MoveTo(at(nodes[0]));
        for (int i = 1; i < nodes.GetItemsInContainer(); ++i) dc.LineTo(at(nodes[i]));
        if (figure->IsClosed == 1 && noClose == 0) dc.LineTo(at(nodes[0]));
    }
    dc.SetROP2(R2_COPYPEN);
}
