// The tick walks of an axis.

#include "render/ticks.h"

#include "model/axes.h"

#include <cmath>

namespace {

bool IsDecadeScaling(int s) { return s == 1 || s == 2; }
bool IsPositiveOnly(int s) { return s >= 1 && s <= 4; }

// A count of loop steps as a double made an int, or -1 when it is not a number or
// beyond the cap.
int StepCount(double steps) {
    if (!(steps >= 0.0) || steps > MaxTickSteps) return -1;
    return int(steps);
}

}  // namespace

AxisTickPlan PlanAxisTicks(const AxisUnit& axis) {
    AxisTickPlan p;
    const double a = axis.RangeStart, b = axis.RangeEnd;
    if (!std::isfinite(a) || !std::isfinite(b) || !(a < b)) return p;
    // Logarithmic and inverse axes give no position to values at or below 0.
    if (IsPositiveOnly(axis.Scaling) && !(a > 0.0)) return p;
    p.division = axis.MinorTickDivision < 1 ? 1 : axis.MinorTickDivision;

    if (IsDecadeScaling(axis.Scaling)) {
        p.decades = true;
        const double la = std::log10(a), lb = std::log10(b);
        p.first = std::pow(10.0, std::floor(la));
        const double last = std::pow(10.0, std::floor(lb) + 1.0);
        const double eps = (lb - la) * 1e-7;
        p.lo = a / std::pow(10.0, eps);
        p.hi = b * std::pow(10.0, eps);
        p.count = StepCount(std::trunc(std::log10(last / p.first)) + 2.0);
        if (p.count < 0 || !(p.first > 0.0)) return p;
        p.major = true;
        switch (p.division) {
        case 1: p.multiplierCount = 0; break;
        case 2:
            p.multipliers[0] = 5;
            p.multiplierCount = 1;
            break;
        case 5:
            for (int i = 0; i < 4; ++i) p.multipliers[i] = 2 * (i + 1);
            p.multiplierCount = 4;
            break;
        default:
            for (int i = 0; i < 8; ++i) p.multipliers[i] = i + 2;
            p.multiplierCount = 8;
            break;
        }
        p.minor = true;
        return p;
    }

    const double d = axis.RangeInc;
    if (!std::isfinite(d) || !(d > 0.0)) return p;
    p.inc = d;
    p.first = std::floor(a / d) * d;
    const double last = std::floor(b / d) * d + d;
    if (!std::isfinite(p.first) || !std::isfinite(last)) return p;
    const double eps = (b - a) * 1e-7;
    p.lo = a - eps;
    p.hi = b + eps;
    p.count = StepCount(std::trunc((last - p.first) / d) + 2.0);
    if (p.count < 0) return p;
    p.major = true;
    p.minorCount = StepCount(std::trunc((last - p.first) / d * p.division) + 2.0);
    p.minor = p.minorCount >= 0;
    return p;
}

bool WalkMajorTicks(const AxisTickPlan& plan, const TickVisitor& visit, const TickPoll& poll) {
    if (!plan.major) return true;
    for (int k = 0; k <= plan.count; ++k) {
        if (poll && k % 10 == 1 && poll()) return false;
        const double v = plan.decades ? std::pow(10.0, k) * plan.first : k * plan.inc + plan.first;
        if (v >= plan.lo && v <= plan.hi) visit(v);
    }
    return true;
}

bool WalkMinorTicks(const AxisTickPlan& plan, const TickVisitor& visit, const TickPoll& poll) {
    if (!plan.minor) return true;
    if (plan.decades) {
        for (int k = 0; k <= plan.count; ++k) {
            if (poll && k % 10 == 1 && poll()) return false;
            const double decade = std::pow(10.0, k) * plan.first;
            for (int i = 0; i < plan.multiplierCount; ++i) {
                const double v = decade * plan.multipliers[i];
                if (v >= plan.lo && v <= plan.hi) visit(v);
            }
        }
        return true;
    }
    for (int k = 0; k <= plan.minorCount; ++k) {
        if (poll && k % 10 == 1 && poll()) return false;
        if (k % plan.division == 0) continue;  // a major tick's place
        const double v = k * plan.inc / plan.division + plan.first;
        if (v >= plan.lo && v <= plan.hi) visit(v);
    }
    return true;
}

std::vector<double> MajorTickValues(const AxisUnit& axis) {
    std::vector<double> out;
    WalkMajorTicks(PlanAxisTicks(axis), [&](double v) { out.push_back(v); });
    return out;
}

std::vector<double> MinorTickValues(const AxisUnit& axis) {
    std::vector<double> out;
    WalkMinorTicks(PlanAxisTicks(axis), [&](double v) { out.push_back(v); });
    return out;
}
