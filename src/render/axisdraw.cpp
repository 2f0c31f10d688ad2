// The frame background and the axes of an axis set: major ticks, minor ticks and the
// axis line of each axis the frame type shows.

#include "render/axisdraw.h"

#include "model/boxframe.h"
#include "render/output.h"
#include "render/ticks.h"

#include <cmath>

namespace {

// One tick or axis line: a small path of its own, its start counted in the extent.
void StrokeLine(int mode, TDC& dc, FILE* file, TRect* extent, int width, TPoint from, TPoint to) {
    OutBeginPath(mode, dc, file);
    OutMoveTo(mode, from, dc, file, extent, width, true);
    OutLineTo(mode, to, dc, file, extent, width);
    OutEndPath(mode, dc, file);
    OutStrokePath(mode, dc, file);
}

// Where the ticks of an axis at page coordinate p run across it, for tick length
// len. Inside is up from the bottom axis, left from the right axis, right from the
// left axis and down from the top axis. With neither switch (or values other than
// 0 and 1) every tick is still a path, of no length.
void TickSpan(int axisNo, const AxisUnit& a, double p, double len, int& t1, int& t2) {
    const bool in = a.TickInside == 1 && a.TickOutside == 0;
    const bool out = a.TickInside == 0 && a.TickOutside == 1;
    const bool both = a.TickInside == 1 && a.TickOutside == 1;
    const bool bottomOrRight = axisNo == BottomAxisNo || axisNo == RightAxisNo;
    double from = p, to = p;
    if (both) {
        from = p - len;
        to = p + len;
    } else if (in) {
        if (bottomOrRight) from = p - len;
        else to = p + len;
    } else if (out) {
        to = bottomOrRight ? p + len : p - len;
    }
    t1 = AxisCoord(from);
    t2 = AxisCoord(to);
}

}  // namespace

const AxisUnit* AxisOfNumber(const BoxFrame& set, int axisNo) {
    switch (axisNo) {
    case BottomAxisNo: return &set.BottomAxis;
    case LeftAxisNo: return &set.LeftAxis;
    case TopAxisNo: return &set.TopAxis;
    case RightAxisNo: return &set.RightAxis;
    default: return nullptr;
    }
}

int AxisCoord(double v) {
    if (std::isnan(v)) return 32767;
    v = std::trunc(v);
    if (v > 1e9) return 1000000000;
    if (v < -1e9) return -1000000000;
    return int(v);
}

int ScaledBaseSize(int rate, int percent) { return AxisCoord(double(rate) * percent * 0.01); }

void BoxFrame::PaintBackground(int mode, int, TDC& dc, FILE* file, TRect* extent) const {
    const ::Frame& f = Frame;
    const int left = AxisCoord(f.OriginX), top = AxisCoord(f.OriginY);
    const int right = AxisCoord(f.OriginX + f.FrameLengthX);
    const int bottom = AxisCoord(f.OriginY + f.FrameLengthY);
    const TPoint corners[4] = {{left, top}, {left, bottom}, {right, bottom}, {right, top}};
    // A vector file gets the pen and brush records whether or not anything is filled.
    OutSelectStockObject(mode, dc, NULL_PEN, file);
    OutSelectBrush(mode, dc, TColor(f.FrameBackColor), -1, file);
    if (f.FrameBackPaint == 1) OutPolygon(mode, corners, 4, dc, file, extent, 0, false);
    OutRestoreBrush(mode, dc);
    OutRestorePen(mode, dc);
}

void BoxFrame::DrawAxes(int mode, int quality, TDC& dc, FILE* file, TRect* extent) const {
    switch (Frame.FrameType) {
    case 0:
        if (BottomAxis.IsVisible != 1) return;
        for (int n = BottomAxisNo; n <= RightAxisNo; ++n) DrawAxis(mode, n, quality, dc, file, extent);
        break;
    case 1:
        if (BottomAxis.IsVisible != 1) return;
        DrawAxis(mode, BottomAxisNo, quality, dc, file, extent);
        DrawAxis(mode, LeftAxisNo, quality, dc, file, extent);
        break;
    case 2:
        for (int n = BottomAxisNo; n <= RightAxisNo; ++n)
            if (AxisOfNumber(*this, n)->IsVisible == 1) DrawAxis(mode, n, quality, dc, file, extent);
        break;
    default: break;
    }
}

void BoxFrame::DrawAxis(int mode, int axisNo, int quality, TDC& dc, FILE* file,
                        TRect* extent) const {
    const AxisUnit* axis = AxisOfNumber(*this, axisNo);
    if (!axis) return;
    const AxisUnit& a = *axis;
    const ::Frame& f = Frame;
    const bool horizontal = axisNo == BottomAxisNo || axisNo == TopAxisNo;

    const double len = ScaledBaseSize(f.TickLengthRate, a.TickLength);
    const int width = quality == 1 ? ScaledBaseSize(f.TickThickRate, a.TickWidth) : 0;
    const TColor colour(a.TickColor);

    // Where the axis lies across its direction. In "X-Y" and "Independent" frames
    // the bottom and left axes cross each other at a value unless they sit on the
    // frame edge.
    const bool box = f.FrameType == 0;
    double p = 0.0;
    switch (axisNo) {
    case BottomAxisNo:
        p = (box || LeftAxis.AutoCrossPoint == 1) ? std::trunc(f.OriginY + f.FrameLengthY)
                                                   : ValueToPageInt(LeftAxis.CrossPointValue, LeftAxisNo);
        break;
    case LeftAxisNo:
        p = (box || BottomAxis.AutoCrossPoint == 1)
                ? std::trunc(f.OriginX)
                : ValueToPageInt(BottomAxis.CrossPointValue, BottomAxisNo);
        break;
    case TopAxisNo: p = std::trunc(f.OriginY); break;
    case RightAxisNo: p = std::trunc(f.OriginX + f.FrameLengthX); break;
    }

    const AxisTickPlan plan = PlanAxisTicks(a);
    int t1 = 0, t2 = 0;
    auto tick = [&](double v) {
        const int q = ValueToPageInt(v, axisNo);
        if (horizontal)
            StrokeLine(mode, dc, file, extent, width, TPoint(q, t1), TPoint(q, t2));
        else
            StrokeLine(mode, dc, file, extent, width, TPoint(t1, q), TPoint(t2, q));
    };

    TickSpan(axisNo, a, p, len, t1, t2);
    OutSelectPen(mode, dc, colour, width, file);
    WalkMajorTicks(plan, tick);
    OutRestorePen(mode, dc);

    TickSpan(axisNo, a, p, std::trunc(len / 2), t1, t2);
    OutSelectPen(mode, dc, colour, width, file);
    WalkMinorTicks(plan, tick);
    OutRestorePen(mode, dc);

    // The axis line covers the display region, from whole-twip frame bounds.
    const double o = std::trunc(horizontal ? f.OriginX : f.OriginY);
    const double l = std::trunc(horizontal ? f.FrameLengthX : f.FrameLengthY);
    const double s = std::trunc(o + l * a.DispRegionStart * 0.01);
    const double e = s + std::trunc(l * (double(a.DispRegionEnd) - a.DispRegionStart) * 0.01);
    const int pc = AxisCoord(p);
    OutSelectPen(mode, dc, colour, width, file);
    if (horizontal)
        StrokeLine(mode, dc, file, extent, width, TPoint(AxisCoord(s), pc), TPoint(AxisCoord(e), pc));
    else
        StrokeLine(mode, dc, file, extent, width, TPoint(pc, AxisCoord(s)), TPoint(pc, AxisCoord(e)));
    OutRestorePen(mode, dc);
}
