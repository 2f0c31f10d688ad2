// Grid lines: long lines across the frame at the major and minor tick positions of
// an axis, under everything else of the axis set.

#include "model/boxframe.h"
#include "platform/escape.h"
#include "render/axisdraw.h"
#include "render/output.h"
#include "render/styledline.h"
#include "render/ticks.h"

#include <cmath>

namespace {

bool Escaped() { return CheckEscapeAbort() == 1; }

}  // namespace

void BoxFrame::DrawGrids(int mode, int quality, TDC& dc, FILE* file, TRect* extent) const {
    switch (Frame.FrameType) {
    case 0:
        if (BottomAxis.IsVisible != 1) return;
        for (int n = BottomAxisNo; n <= RightAxisNo; ++n)
            DrawAxisGrid(mode, n, quality, dc, file, extent);
        break;
    case 1:
        if (BottomAxis.IsVisible != 1) return;
        DrawAxisGrid(mode, BottomAxisNo, quality, dc, file, extent);
        DrawAxisGrid(mode, LeftAxisNo, quality, dc, file, extent);
        break;
    case 2:
        for (int n = BottomAxisNo; n <= RightAxisNo; ++n)
            if (AxisOfNumber(*this, n)->IsVisible == 1)
                DrawAxisGrid(mode, n, quality, dc, file, extent);
        break;
    default: break;
    }
}

void BoxFrame::DrawAxisGrid(int mode, int axisNo, int quality, TDC& dc, FILE* file,
                            TRect* extent) const {
    const AxisUnit* axis = AxisOfNumber(*this, axisNo);
    if (!axis) return;
    const AxisUnit& a = *axis;
    const ::Frame& f = Frame;
    const bool vertical = axisNo == BottomAxisNo || axisNo == TopAxisNo;

    // Vertical lines span the left axis's display region, horizontal ones the
    // bottom axis's, whichever axis they belong to.
    const AxisUnit& across = vertical ? LeftAxis : BottomAxis;
    const double origin = vertical ? f.OriginY : f.OriginX;
    const double length = vertical ? f.FrameLengthY : f.FrameLengthX;
    const double s = std::trunc(origin + length * across.DispRegionStart * 0.01);
    const double e = s + std::trunc(length * (double(across.DispRegionEnd) - across.DispRegionStart) * 0.01);
    const int si = AxisCoord(s), ei = AxisCoord(e);

    const AxisTickPlan plan = PlanAxisTicks(a);
    int style = 0, width = 0;
    auto line = [&](double v) {
        const int q = ValueToPageInt(v, axisNo);
        if (style == 1) {
            OutBeginPath(mode, dc, file);
            OutMoveTo(mode, vertical ? TPoint(q, si) : TPoint(si, q), dc, file, extent, width, true);
            OutLineTo(mode, vertical ? TPoint(q, ei) : TPoint(ei, q), dc, file, extent, width);
            OutEndPath(mode, dc, file);
            OutStrokePath(mode, dc, file);
        } else if (style != 0) {
            // The dash pattern starts afresh at s on every line.
            const DoublePoint pts[2] = {vertical ? DoublePoint(q, s) : DoublePoint(s, q),
                                        vertical ? DoublePoint(q, e) : DoublePoint(e, q)};
            OutBeginPath(mode, dc, file);
            DrawStyledPolyline(mode, dc, pts, 1, style, width, 0, nullptr, file, extent);
            OutEndPath(mode, dc, file);
            OutStrokePath(mode, dc, file);
        }
    };

    style = a.MajorTickLineStyle;
    width = quality == 1 ? ScaledBaseSize(f.TickThickRate, a.MajorTickLineWidth) : 0;
    OutSelectPen(mode, dc, TColor(a.MajorTickLineColor), width, file);
    const bool majorDone = WalkMajorTicks(plan, line, Escaped);
    OutRestorePen(mode, dc);
    // An abort skips the minor grid; the latch stops the rest of the drawing.
    if (!majorDone) return;

    style = a.MinorTickLineStyle;
    width = quality == 1 ? ScaledBaseSize(f.TickThickRate, a.MinorTickLineWidth) : 0;
    OutSelectPen(mode, dc, TColor(a.MinorTickLineColor), width, file);
    WalkMinorTicks(plan, line, Escaped);
    OutRestorePen(mode, dc);
}
