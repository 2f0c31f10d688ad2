#pragma once
// BoxFrame::ValueToPage for one axis with everything that does not depend on the
// value worked out once, for loops that map a whole series. Every result is the
// very double ValueToPage gives: the same operations on the same operands in the
// same order, only hoisted out of the loop.

#include "model/boxframe.h"
#include "platform/mathpolicy.h"

#include <cmath>
#include <cstring>

class AxisValueMap {
public:
    AxisValueMap() = default;
    // axisNo is BottomAxisNo .. RightAxisNo; any other number maps every value to
    // +INF, as ValueToPage does.
    AxisValueMap(const BoxFrame& set, int axisNo) {
        const AxisUnit* ax = nullptr;
        double origin = 0.0, length = 0.0;
        bool horizontal = true;
        const Frame& f = set.Frame;
        switch (axisNo) {
        case BottomAxisNo: ax = &set.BottomAxis, origin = f.OriginX, length = f.FrameLengthX; break;
        case LeftAxisNo: ax = &set.LeftAxis, origin = f.OriginY, length = f.FrameLengthY, horizontal = false; break;
        case TopAxisNo: ax = &set.TopAxis, origin = f.OriginX, length = f.FrameLengthX; break;
        case RightAxisNo: ax = &set.RightAxis, origin = f.OriginY, length = f.FrameLengthY, horizontal = false; break;
        default: kind_ = kNone; return;
        }
        const double a = ax->RangeStart, b = ax->RangeEnd;
        start_ = origin + (ax->DispRegionStart * length) * 0.01;
        // The region's ints subtract exactly in doubles, without overflow.
        span_ = (double(ax->DispRegionEnd) - double(ax->DispRegionStart)) * length * 0.01;
        startPlusSpan_ = start_ + span_;
        flip_ = horizontal ? ax->ScaleInv == 1 : ax->ScaleInv != 1;
        if (ax->Scaling == 1 || ax->Scaling == 3) {
            kind_ = kLog;
            base_ = kv::math::Log10(a);
            divisor_ = kv::math::Log10(b) - base_;
        } else if (ax->Scaling == 2 || ax->Scaling == 4) {
            kind_ = kInverse;
            base_ = 1.0 / a;
            divisor_ = 1.0 / b - base_;
        } else {
            kind_ = kLinear;
            base_ = a;
            divisor_ = b - a;
        }
    }

    bool IsLinear() const { return kind_ == kLinear; }
    double operator()(double value) const {
        double f;
        switch (kind_) {
        case kLinear: f = (value - base_) / divisor_; break;
        case kLog: f = (kv::math::Log10(value) - base_) / divisor_; break;
        case kInverse: f = (1.0 / value - base_) / divisor_; break;
        default: return HUGE_VAL;
        }
        const double t = span_ * f;
        return flip_ ? startPlusSpan_ - t : start_ + t;
    }

private:
    friend class LinearPointMap;
    enum Kind { kNone, kLinear, kLog, kInverse };
    Kind kind_ = kNone;
    double base_ = 0.0, divisor_ = 1.0;
    double start_ = 0.0, span_ = 0.0, startPlusSpan_ = 0.0;
    bool flip_ = false;
};

// Two linear maps applied to a point at once, x by one and y by the other: both
// coordinates in one vector, each lane with its own map's operands, so every
// result is the one each map's operator() gives (vector division rounds as the
// single one does).
class LinearPointMap {
public:
    LinearPointMap(const AxisValueMap& mx, const AxisValueMap& my)
        : base_{mx.base_, my.base_}, divisor_{mx.divisor_, my.divisor_}, span_{mx.span_, my.span_},
          end_{mx.flip_ ? mx.startPlusSpan_ : mx.start_, my.flip_ ? my.startPlusSpan_ : my.start_},
          sign_{mx.flip_ ? -1.0 : 1.0, my.flip_ ? -1.0 : 1.0} {}

    // The page point of the values x and y, written whole into out (a pair of
    // doubles): a point stored in halves and read back whole would wait for the
    // halves on every point.
    template <class Point>
    void operator()(double x, double y, Point& out) const {
        static_assert(sizeof(Point) == 2 * sizeof(double));
        Pair v = {x, y};
        v = end_ + sign_ * (span_ * ((v - base_) / divisor_));
        std::memcpy(&out, &v, sizeof v);
    }

    // The same for values that may not be finite, answering whether both are:
    // where one is not, out is not its point (the caller maps +INF instead).
    template <class Point>
    bool MapIfFinite(double x, double y, Point& out) const {
        static_assert(sizeof(Point) == 2 * sizeof(double));
        using Bits = long long __attribute__((vector_size(16)));
        Pair v = {x, y};
        // Both magnitudes at most DBL_MAX at once (NaN compares false).
        Bits bits;
        std::memcpy(&bits, &v, sizeof bits);
        bits &= Bits{0x7FFFFFFFFFFFFFFFLL, 0x7FFFFFFFFFFFFFFFLL};
        Pair magnitude;
        std::memcpy(&magnitude, &bits, sizeof magnitude);
        const Bits finite = magnitude <= Pair{1.7976931348623157e308, 1.7976931348623157e308};
        v = end_ + sign_ * (span_ * ((v - base_) / divisor_));
        std::memcpy(&out, &v, sizeof v);
        return (finite[0] & finite[1]) != 0;
    }

private:
    using Pair = double __attribute__((vector_size(16)));
    Pair base_, divisor_, span_, end_, sign_;
};
