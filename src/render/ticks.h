#pragma once
// Where the ticks of an axis fall: the one rule that the tick marks, the grid lines
// and their Escape polls share. Linear axes and the "(L)" scalings put a major tick
// at every multiple of RangeInc inside the range and MinorTickDivision - 1 minor
// ticks between; "Log10" and "Inverse" put major ticks at the decades and minor
// ticks at chosen multiples inside each decade. A value a hair outside the range
// (a ten-millionth of it) still counts as inside.
//
// An axis the tick loops cannot walk sensibly gets no ticks at all: an increment
// (where used) that is not positive or not finite, a range that is empty, turned
// over or not finite, a range end at or below 0 on a logarithmic or inverse axis,
// or more than MaxTickSteps steps. A minor division below 1 counts as 1, and minor
// ticks alone are left out when they would take more than MaxTickSteps steps.

#include <functional>
#include <vector>

class AxisUnit;

constexpr int MaxTickSteps = 10000;

struct AxisTickPlan {
    bool major = false;    // the major ticks can be walked
    bool minor = false;    // the minor ticks can be walked
    bool decades = false;  // ticks at decades ("Log10", "Inverse")
    double first = 0.0;    // the value of loop step 0
    double inc = 0.0;      // the increment (not for decades)
    double lo = 0.0;       // the accepted values lie in [lo, hi]
    double hi = 0.0;
    int count = 0;         // major steps k run from 0 to count inclusive
    int minorCount = 0;    // minor steps of a linear walk, 0 to minorCount inclusive
    int division = 1;      // the minor division, at least 1
    int multipliers[8] = {};  // minor ticks of a decade d are at d times these
    int multiplierCount = 0;
};

AxisTickPlan PlanAxisTicks(const AxisUnit& axis);

// Called with each accepted tick value, in increasing order.
using TickVisitor = std::function<void(double value)>;
// Asked before each loop step k with k modulo 10 = 1 (for decades: before the
// decade, ahead of its multipliers); answering true ends the walk.
using TickPoll = std::function<bool()>;

// Both walks return false when the poll ended them, true otherwise (also when the
// plan has nothing to walk).
bool WalkMajorTicks(const AxisTickPlan& plan, const TickVisitor& visit, const TickPoll& poll = {});
bool WalkMinorTicks(const AxisTickPlan& plan, const TickVisitor& visit, const TickPoll& poll = {});

// The accepted values of the two walks, for labels and checks.
std::vector<double> MajorTickValues(const AxisUnit& axis);
std::vector<double> MinorTickValues(const AxisUnit& axis);
