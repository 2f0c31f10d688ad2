// The filled forms of a series run (areas, bars, steps) and its error bars.

#include "model/boxframe.h"
#include "platform/winmath.h"
#include "render/output.h"
#include "render/seriesrun.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace seriesdraw {

namespace {

constexpr int kVArea = 6, kHArea = 7, kVBar1 = 8, kHBar1 = 9, kVStep = 10, kHStep = 11,
              kVBar2 = 12, kHBar2 = 13;

bool IsVertical(int form) { return form == kVArea || form == kVBar1 || form == kVStep || form == kVBar2; }

int Sat(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// The base line of the form in page twips. A base beyond the page stays on its
// side of it, so that bars never hang the wrong way; a base value without a
// position (log of a value <= 0) lies at the off-page value below or right.
int BasePosition(const SeriesContext& c, int form) {
    const TPlotStyle& st = c.style;
    const int axis = IsVertical(form) ? (st.RefAxisY == 1 ? LeftAxisNo : RightAxisNo)
                                      : (st.RefAxisX == 1 ? BottomAxisNo : TopAxisNo);
    const double v = c.set.ValueToPage(st.BaseValue, axis);
    return std::isfinite(v) ? SideClamp(v) : 32767;
}

void SelectFormPen(SeriesContext& c, bool nullPen) {
    if (nullPen || c.style.NullOutLine != 0)
        OutSelectStockObject(c.mode, c.dc, NULL_PEN, c.file);
    else
        OutSelectPen(c.mode, c.dc, TColor(c.style.MarkerEdgeColor), c.outlineWidth, c.file);
}

void SelectFormBrush(SeriesContext& c) {
    if (c.style.MarkerInsidePaint == 0)
        OutSelectBrush(c.mode, c.dc, TColor(c.style.MarkerInsideColor), -1, c.file);
    else
        OutSelectStockObject(c.mode, c.dc, NULL_BRUSH, c.file);
}

void RestoreFormObjects(SeriesContext& c) {
    OutRestoreBrush(c.mode, c.dc);
    OutRestorePen(c.mode, c.dc);
}

// A bar from its corner coordinates: normalised, cut to the display rectangle when
// the series clips, drawn when it has width and height. Areas and bars never grow
// the extent.
void DrawBar(SeriesContext& c, long long l, long long t, long long r, long long b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    if (c.style.Clipping == 1) {
        const TRect& d = c.display;
        if (d.left < r && l < d.right && d.top < b && t < d.bottom) {
            l = std::max<long long>(l, d.left);
            t = std::max<long long>(t, d.top);
            r = std::min<long long>(r, d.right);
            b = std::min<long long>(b, d.bottom);
        } else {
            l = t = r = b = 0;
        }
    }
    if (!(l < r && t < b)) return;
    c.s.polygon.clear();
    c.s.polygon.emplace_back(Sat(l), Sat(t));
    c.s.polygon.emplace_back(Sat(r), Sat(t));
    c.s.polygon.emplace_back(Sat(r), Sat(b));
    c.s.polygon.emplace_back(Sat(l), Sat(b));
    OutPolygon(c.mode, c.s.polygon.data(), 4, c.dc, c.file, c.extent, c.outlineWidth, true);
}

bool Finite(const DoublePoint& p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

// Area between the curve and the base line (open connection methods) or the
// closed curve itself, always clipped to the display rectangle.
bool DrawArea(SeriesContext& c, int form, int n) {
    const int base = BasePosition(c, form);
    c.s.polygon.clear();
    for (int k = 0; k < c.curveCount; ++k) {
        if (c.Escaped(k)) return false;
        const int px = BoxFrame::ClampCoord(c.curve[k].X), py = BoxFrame::ClampCoord(c.curve[k].Y);
        if (std::abs(px) < 32767 && std::abs(py) < 32767) c.s.polygon.emplace_back(px, py);
    }
    // An area needs two points of its run on the page; fewer have no outline.
    if (n < 2 || c.s.polygon.size() < 2) return true;
    const int method = c.style.LineInterpolate;
    if (method == 0 || method == 2 || method == 3 || method == 5) {
        const TPoint first = c.s.polygon.front(), last = c.s.polygon.back();
        if (form == kVArea) {
            c.s.polygon.emplace_back(last.x, base);
            c.s.polygon.emplace_back(first.x, base);
        } else {
            c.s.polygon.emplace_back(base, last.y);
            c.s.polygon.emplace_back(base, first.y);
        }
    }
    OutSaveDC(c.mode, c.dc);
    OutIntersectClipRect(c.mode, c.dc, c.display);
    OutSetClip(c.mode, c.dc, c.display, c.file);
    SelectFormPen(c, false);
    SelectFormBrush(c);
    OutPolygon(c.mode, c.s.polygon.data(), int(c.s.polygon.size()), c.dc, c.file, c.extent,
               c.outlineWidth, true);
    RestoreFormObjects(c);
    OutRestoreDC(c.mode, c.dc);
    OutRestoreClip(c.mode, c.dc, c.file);
    return true;
}

// Bars of the first kind (and the fill of the steps): bar i spans from point i to
// point i + 1 and shows the value of point i. A point without a position draws no
// bar; one beyond the page stays on its side.
bool DrawBars1(SeriesContext& c, int form, int n) {
    const bool step = form == kVStep || form == kHStep;
    const int base = BasePosition(c, form);
    SelectFormPen(c, step);
    SelectFormBrush(c);
    const DoublePoint* p = c.s.run.data();
    for (int i = 0; i + 1 < n; ++i) {
        if (c.Escaped(i)) {
            RestoreFormObjects(c);
            return false;
        }
        if (!Finite(p[i]) || !Finite(p[i + 1])) continue;
        if (IsVertical(form))
            DrawBar(c, SideClamp(p[i].X), base, SideClamp(p[i + 1].X), SideClamp(p[i].Y));
        else
            DrawBar(c, base, SideClamp(p[i].Y), SideClamp(p[i].X), SideClamp(p[i + 1].Y));
    }
    RestoreFormObjects(c);
    return true;
}

// Bars of the second kind: one bar of the marker size across each point.
bool DrawBars2(SeriesContext& c, int form, int n) {
    const int base = BasePosition(c, form);
    const long long half = c.markerSize / 2;
    SelectFormPen(c, false);
    SelectFormBrush(c);
    const DoublePoint* p = c.s.run.data();
    for (int i = 0; i < n; ++i) {
        if (c.Escaped(i)) {
            RestoreFormObjects(c);
            return false;
        }
        if (!Finite(p[i])) continue;
        const long long x = SideClamp(p[i].X), y = SideClamp(p[i].Y);
        if (form == kVBar2)
            DrawBar(c, x - half, base, x + half, y);
        else
            DrawBar(c, base, y - half, x, y + half);
    }
    RestoreFormObjects(c);
    return true;
}

// The outline of a step form over its fill: one path per level, then one closing
// path down to the base and back. The outline pen stays selected for the line step.
bool DrawStepOutline(SeriesContext& c, int form, int n) {
    const double base = BasePosition(c, form);
    const bool clip = c.style.Clipping != 0;
    const DoublePoint* p = c.s.run.data();
    auto segment = [&](double x1, double y1, double x2, double y2) {
        BoxFrame::DrawClippedSegment(c.mode, c.outlineWidth, c.dc, DoublePoint(x1, y1),
                                     DoublePoint(x2, y2), &c.display, c.file, c.extent, clip);
    };
    SelectFormPen(c, false);
    for (int i = 0; i + 1 < n; ++i) {
        if (c.Escaped(i)) {
            OutRestorePen(c.mode, c.dc);
            return false;
        }
        OutBeginPath(c.mode, c.dc, c.file);
        if (form == kVStep) {
            segment(p[i].X, p[i].Y, p[i + 1].X, p[i].Y);
            if (i != n - 2) segment(p[i + 1].X, p[i].Y, p[i + 1].X, p[i + 1].Y);
        } else {
            segment(p[i].X, p[i].Y, p[i].X, p[i + 1].Y);
            if (i != n - 2) segment(p[i].X, p[i + 1].Y, p[i + 1].X, p[i + 1].Y);
        }
        OutEndPath(c.mode, c.dc, c.file);
        OutStrokePath(c.mode, c.dc, c.file);
    }
    OutBeginPath(c.mode, c.dc, c.file);
    if (form == kVStep) {
        segment(p[n - 1].X, p[n - 2].Y, p[n - 1].X, base);
        segment(p[n - 1].X, base, p[0].X, base);
        segment(p[0].X, base, p[0].X, p[0].Y);
    } else {
        segment(p[n - 2].X, p[n - 1].Y, base, p[n - 1].Y);
        segment(base, p[n - 1].Y, base, p[0].Y);
        segment(base, p[0].Y, p[0].X, p[0].Y);
    }
    OutEndPath(c.mode, c.dc, c.file);
    OutStrokePath(c.mode, c.dc, c.file);
    return true;
}

// One error-bar segment in its own path: clipped to the display rectangle when the
// series clips, otherwise drawn whole while all its ends lie on the page.
void ErrorSegment(SeriesContext& c, double x1, double y1, double x2, double y2) {
    OutBeginPath(c.mode, c.dc, c.file);
    if (c.style.Clipping == 1) {
        BoxFrame::DrawClippedSegment(c.mode, c.lineWidth, c.dc, DoublePoint(x1, y1), DoublePoint(x2, y2),
                                     &c.display, c.file, c.extent, true);
    } else if (std::fabs(x1) < kOffPage && std::fabs(y1) < kOffPage && std::fabs(x2) < kOffPage &&
               std::fabs(y2) < kOffPage) {
        OutMoveTo(c.mode, TPoint(TruncToInt(x1), TruncToInt(y1)), c.dc, c.file, c.extent, c.lineWidth, true);
        OutLineTo(c.mode, TPoint(TruncToInt(x2), TruncToInt(y2)), c.dc, c.file, c.extent, c.lineWidth);
    }
    OutEndPath(c.mode, c.dc, c.file);
    OutStrokePath(c.mode, c.dc, c.file);
}

// Bar and caps of one point. fixed is the point's other coordinate; a and b the
// page positions of its maximum and minimum.
void ErrorBar(SeriesContext& c, bool horizontal, double fixed, double a, double b) {
    const double s = c.markerSize;
    if (c.style.Clipping != 1) {
        // Unclipped segments are made whole first; the caps add s afterwards.
        auto whole = [](double v) { return std::fabs(v) < 1e9 ? std::trunc(v) : v; };
        fixed = whole(fixed);
        a = whole(a);
        b = whole(b);
    }
    if (horizontal) {
        ErrorSegment(c, a, fixed, b, fixed);
        ErrorSegment(c, a, fixed - s, a, fixed + s);
        ErrorSegment(c, b, fixed - s, b, fixed + s);
    } else {
        ErrorSegment(c, fixed, a, fixed, b);
        ErrorSegment(c, fixed - s, a, fixed + s, a);
        ErrorSegment(c, fixed - s, b, fixed + s, b);
    }
}

}  // namespace

bool DrawFilledForm(SeriesContext& c) {
    const int form = c.style.MarkerStyle;
    const int n = c.runCount;
    switch (form) {
    case kVArea:
    case kHArea: return DrawArea(c, form, n);
    case kVBar1:
    case kHBar1: return DrawBars1(c, form, n);
    case kVStep:
    case kHStep:
        // The closing outline reads the last two points: a step needs two.
        if (n < 2) return true;
        return DrawBars1(c, form, n) && DrawStepOutline(c, form, n);
    case kVBar2:
    case kHBar2: return DrawBars2(c, form, n);
    default: return true;
    }
}

bool DrawErrorBars(SeriesContext& c) {
    const int n = c.runCount;
    const TPlot& plot = c.plot;
    OutSelectPen(c.mode, c.dc, TColor(c.style.LineColor), c.lineWidth, c.file);
    const DoublePoint* p = c.s.run.data();
    const int* rows = c.s.runRows.data();
    for (int pass = 0; pass < 2; ++pass) {
        const bool horizontal = pass == 0;
        if ((horizontal ? plot.PlotFile.IsXErrorBar : plot.PlotFile.IsYErrorBar) != 1) continue;
        const double* maxima = horizontal ? c.s.xMax.data() : c.s.yMax.data();
        const double* minima = horizontal ? c.s.xMin.data() : c.s.yMin.data();
        const AxisValueMap& map = horizontal ? c.mapX : c.mapY;
        for (int k = 0; k < n; ++k) {
            if (c.Escaped(k)) {
                OutRestorePen(c.mode, c.dc);
                return false;
            }
            const int r = rows[k];
            const double a = map(maxima[r]);
            const double b = map(minima[r]);
            ErrorBar(c, horizontal, horizontal ? p[k].Y : p[k].X, a, b);
        }
    }
    OutRestorePen(c.mode, c.dc);
    return true;
}

}  // namespace seriesdraw
