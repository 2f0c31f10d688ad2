// Choosing axis ranges and increments from the data as it is drawn: every shown
// series through its X and Y processing formulas.

#include "model/axes.h"
#include "model/boxframe.h"
#include "platform/winmath.h"
#include "render/syncaxes.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();


// A round increment for a span: 0.5, 1 or 2 times a power of ten, so that the
// span holds about 4 to 10 steps.
double ScaleStep(double span) {
    const double a = std::fabs(span);
    const double e = std::floor(std::log10(a));
    const double p = std::pow(10.0, e);
    const double r = a / p;
    if (r <= 2.0) return 0.5 * p;
    if (r <= 5.0) return p;
    if (r <= 10.0) return 2.0 * p;
    return p;  // rounding carried r past 10
}

// Smallest and largest usable values of one axis, and of its values above 0.
struct ValueGroup {
    double min = kInf, max = -kInf;
    double pmin = kInf, pmax = -kInf;

    void Fold(double v) {
        if (v < min) min = v;
        if (v > max) max = v;
        if (v > 0.0) {
            if (v < pmin) pmin = v;
            if (v > pmax) pmax = v;
        }
    }
};

// Folds the values of one processing formula (or the bare column) of series
// number plotNo into group. A formula that does not compile gives no values, and a
// row whose evaluation fails is left out like a value that is not usable.
void GatherPass(BoxFrame& set, const TPlot& plot, int plotNo, bool useFormula,
                const std::string& formula, const char* bare, ValueGroup& group) {
    const std::string& text = useFormula ? formula : std::string(bare);
    double result = 0.0;
    if (!set.Evaluate(text, result, BoxFrame::EvalCompile, &plot, 0, plotNo)) return;
    const int rows = plot.XData.GetItemsInContainer();
    const int yRows = plot.YData.GetItemsInContainer();
    constexpr int kBlock = 256;
    double values[kBlock];
    std::uint8_t ok[kBlock], skip[kBlock];
    for (int first = 0; first < rows; first += kBlock) {
        const int n = std::min(kBlock, rows - first);
        // Rows holding "*" or "|" fields, masked rows and rows without a Y never
        // count, and are not evaluated.
        for (int k = 0; k < n; ++k) {
            const int j = first + k;
            skip[k] = j >= yRows || plot.XData[j].Flag != 0 || plot.YData[j].Flag != 0;
        }
        set.EvaluateRows(&plot, first, n, values, ok, BoxFrame::ComponentValue, skip);
        for (int k = 0; k < n; ++k)
            if (ok[k] && Usable(values[k])) group.Fold(values[k]);
    }
}

}  // namespace

void AxisUnit::AutoScale(double lo, double hi, int useMargin, int marginPercent) {
    if (std::isnan(lo) || std::isnan(hi) || !Usable(lo) || !Usable(hi) || lo == hi) return;
    if (lo > hi) std::swap(lo, hi);
    const double m = useMargin == 1 ? 0.01 * marginPercent : 0.0;

    double start, end, inc;
    switch (Scaling) {
    case 0: {
        const double d = hi - lo;
        start = lo - std::fabs(d) * m;
        end = hi + std::fabs(d) * m;
        inc = ScaleStep(d);
        break;
    }
    case 1:
    case 3: {
        if (!(lo > 0.0)) return;
        // The same fraction of the decades shown is added on either side.
        const double f = std::pow(10.0, (std::log10(hi) - std::log10(lo)) * m);
        start = lo / f;
        end = hi * f;
        inc = Scaling == 1 ? 10.0 : ScaleStep(end - start);
        break;
    }
    case 2:
    case 4: {
        if (!(lo > 0.0)) return;
        const double u = 1.0 / lo - 1.0 / hi;  // the span in the inverse domain
        start = 1.0 / (1.0 / lo + u * m);
        // A margin that would carry the end past infinity is dropped on that side.
        const double w = 1.0 / hi - u * m;
        end = (w > 0.0 && 1.0 / w < 1e300) ? 1.0 / w : hi;
        inc = Scaling == 2 ? 10.0 : ScaleStep(end - start);
        break;
    }
    default: return;
    }
    // A result the axis could not show (a span or margin beyond the doubles, a
    // negative margin that turns the range over) leaves the axis as it was.
    if (!Usable(start) || !Usable(end) || !(start < end) || !Usable(inc) || !(inc > 0.0))
        return;
    if (Scaling != 0 && !(start > 0.0)) return;
    RangeStart = start;
    RangeEnd = end;
    RangeInc = inc;
}

void BoxFrame::AutoScale(int bottom, int left, int top, int right, int useMargin,
                         int marginPercent) {
    ValueGroup bottomValues, topValues, leftValues, rightValues;
    bool anyShown = false;
    const int count = PlotList.GetItemsInContainer();
    for (int i = 1; i <= count; ++i) {
        const TPlot* plot = PlotList[i];
        if (!plot || plot->Style.IsShown != 1) continue;
        anyShown = true;
        const TPlotStyle& s = plot->Style;
        // Each pass compiles its formula and runs it to the end before the next.
        GatherPass(*this, *plot, i, s.IsXFormula == 1, s.XFormula, "x",
                   s.RefAxisX == 1 ? bottomValues : topValues);
        GatherPass(*this, *plot, i, s.IsYFormula == 1, s.YFormula, "y",
                   s.RefAxisY == 1 ? leftValues : rightValues);
    }
    if (!anyShown) return;

    auto scale = [&](AxisUnit& axis, int on, const ValueGroup& g) {
        if (on != 1) return;
        if (axis.Scaling == 0)
            axis.AutoScale(g.min, g.max, useMargin, marginPercent);
        else if (axis.Scaling >= 1 && axis.Scaling <= 4 && g.pmax > 0.0)
            axis.AutoScale(g.pmin, g.pmax, useMargin, marginPercent);
    };
    scale(BottomAxis, bottom, bottomValues);
    scale(LeftAxis, left, leftValues);
    scale(TopAxis, top, topValues);
    scale(RightAxis, right, rightValues);
    SyncAxes(*this);
}
