// The road between data values and page positions of an axis set, and the frame
// rectangles built on it. Page coordinates are twips, x to the right, y downward.

#include "model/boxframe.h"
#include "platform/mathpolicy.h"
#include "platform/winmath.h"

#include <cfloat>
#include <cmath>

namespace {

// The axis of an axis number with the frame origin and length of its page
// direction; null for a number outside 1 to 4.
struct AxisGeometry {
    const AxisUnit* axis = nullptr;
    double origin = 0.0;
    double length = 0.0;
    bool horizontal = true;
};

AxisGeometry GeometryOf(const BoxFrame& set, int axisNo) {
    const Frame& f = set.Frame;
    switch (axisNo) {
    case BottomAxisNo: return {&set.BottomAxis, f.OriginX, f.FrameLengthX, true};
    case LeftAxisNo: return {&set.LeftAxis, f.OriginY, f.FrameLengthY, false};
    case TopAxisNo: return {&set.TopAxis, f.OriginX, f.FrameLengthX, true};
    case RightAxisNo: return {&set.RightAxis, f.OriginY, f.FrameLengthY, false};
    default: return {};
    }
}

bool IsLogScaling(int s) { return s == 1 || s == 3; }
bool IsInverseScaling(int s) { return s == 2 || s == 4; }

// Coordinates at or beyond this magnitude are off the page.
constexpr double kOffPage = 32767.0;

}  // namespace

double BoxFrame::ValueToPage(double value, int axisNo) const {
    const AxisGeometry g = GeometryOf(*this, axisNo);
    if (!g.axis) return HUGE_VAL;
    const AxisUnit& ax = *g.axis;
    const double a = ax.RangeStart, b = ax.RangeEnd;
    const double start = g.origin + (ax.DispRegionStart * g.length) * 0.01;
    const double span = (double(ax.DispRegionEnd) - ax.DispRegionStart) * g.length * 0.01;

    // A value without a position (log of v <= 0, 1/0) becomes +INF through the
    // math-error policy and ends as the off-page value in the integer forms.
    double f;
    if (IsLogScaling(ax.Scaling)) {
        const double la = kv::math::Log10(a);
        f = (kv::math::Log10(value) - la) / (kv::math::Log10(b) - la);
    } else if (IsInverseScaling(ax.Scaling)) {
        f = (1.0 / value - 1.0 / a) / (1.0 / b - 1.0 / a);
    } else {
        f = (value - a) / (b - a);
    }
    const double t = span * f;
    if (g.horizontal) return ax.ScaleInv == 1 ? start + span - t : start + t;
    return ax.ScaleInv == 1 ? start + t : start + span - t;
}

int BoxFrame::ClampCoord(double coord) {
    // NaN fails the comparison too, so it never reaches the conversion.
    if (std::fabs(coord) < kOffPage) return TruncToInt(coord);
    return 32767;
}

int BoxFrame::ValueToPageInt(double value, int axisNo) const {
    return ClampCoord(ValueToPage(value, axisNo));
}

double BoxFrame::PageToValue(int position, int axisNo) const {
    const AxisGeometry g = GeometryOf(*this, axisNo);
    if (!g.axis) return DBL_MAX;
    const AxisUnit& ax = *g.axis;
    // The inverse works on whole-twip region bounds.
    const double S = std::trunc(g.origin + (ax.DispRegionStart * g.length) * 0.01);
    const double W = std::trunc((double(ax.DispRegionEnd) - ax.DispRegionStart) * g.length * 0.01);
    // A region without width (or a frame that is not a number) has no values.
    if (!(W != 0.0) || !std::isfinite(W) || !std::isfinite(S)) return DBL_MAX;
    const double p = position;
    const double f = g.horizontal ? (p - S) / W : (S + W - p) / W;
    const double a = ax.RangeStart, b = ax.RangeEnd;
    const bool inv = ax.ScaleInv == 1;

    double v;
    if (IsLogScaling(ax.Scaling)) {
        const double la = kv::math::Log10(a), lb = kv::math::Log10(b);
        const double e = inv ? lb + (la - lb) * f : la + (lb - la) * f;
        if (!(std::fabs(e) <= 300.0)) return DBL_MAX;
        v = kv::math::Pow(10.0, e);
    } else if (IsInverseScaling(ax.Scaling)) {
        const double ia = 1.0 / a, ib = 1.0 / b;
        const double u = inv ? ib + (ia - ib) * f : ia + (ib - ia) * f;
        // Every value below 1/300 reads as no value, as the scale has always shown.
        if (!(u > 0.0 && u <= 300.0)) return DBL_MAX;
        v = 1.0 / u;
    } else {
        v = inv ? b + (a - b) * f : a + (b - a) * f;
    }
    return std::isfinite(v) ? v : DBL_MAX;
}

TRect BoxFrame::GetFrameRect() const {
    const ::Frame& f = Frame;
    return TRect(TruncToInt(f.OriginX), TruncToInt(f.OriginY),
                 TruncToInt(f.OriginX + f.FrameLengthX), TruncToInt(f.OriginY + f.FrameLengthY));
}

TRect BoxFrame::GetPlotRect() const {
    const ::Frame& f = Frame;
    return TRect(TruncToInt(f.OriginX + BottomAxis.DispRegionStart * f.FrameLengthX * 0.01),
                 TruncToInt(f.OriginY + LeftAxis.DispRegionStart * f.FrameLengthY * 0.01),
                 TruncToInt(f.OriginX + BottomAxis.DispRegionEnd * f.FrameLengthX * 0.01),
                 TruncToInt(f.OriginY + LeftAxis.DispRegionEnd * f.FrameLengthY * 0.01));
}
