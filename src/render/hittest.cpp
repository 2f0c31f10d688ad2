// Hit tests on series and segments, and the mark of a selected axis set.

#include "render/hittest.h"

#include "platform/escape.h"
#include "platform/winmath.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace {


int AddSat(long long a, long long b) {
    return int(std::clamp<long long>(a + b, INT_MIN, INT_MAX));
}

// Strictly between a and b, whichever is larger.
bool Inside(double v, double a, double b) {
    return std::min(a, b) < v && v < std::max(a, b);
}

// The values of one series through its X and Y processing formulas. The axis set
// holds one compiled formula at a time, so X and Y are compiled in turn as each is
// needed. With a block size above 1 the values are evaluated that many rows ahead,
// so that a search that needs X and Y of every row does not compile for each row;
// a failed evaluation anywhere in a block then fails the read.
class SeriesValues {
public:
    SeriesValues(BoxFrame& set, const TPlot& plot, int plotNo, int rows, int block)
        : set_(set), plot_(plot), plotNo_(plotNo), rows_(rows), block_(std::max(block, 1)) {}

    static constexpr int X = 0;
    static constexpr int Y = 1;

    // Compiles the formula of X or Y unless it is the one compiled now.
    bool Compile(int which) {
        if (compiled_ == which) return true;
        compiled_ = -1;
        const TPlotStyle& s = plot_.Style;
        const std::string_view text = which == X ? (s.IsXFormula == 1 ? std::string_view(s.XFormula) : "x")
                                                 : (s.IsYFormula == 1 ? std::string_view(s.YFormula) : "y");
        double unused = 0.0;
        if (!set_.Evaluate(text, unused, BoxFrame::EvalCompile, &plot_, 0, plotNo_,
                           BoxFrame::ComponentValue))
            return false;
        compiled_ = which;
        return true;
    }

    // X or Y of a row; false when the formula does not compile or the evaluation
    // fails.
    bool Get(int which, int row, double& out) {
        Cache& c = cache_[which];
        if (row < c.first || row >= c.first + int(c.values.size())) {
            c.values.clear();
            if (!Compile(which)) return false;
            const int n = std::min(block_, rows_ - row);
            if (n <= 0) return false;
            c.first = row;
            c.values.resize(std::size_t(n));
            if (set_.EvaluateRows(&plot_, row, n, c.values.data(), nullptr, BoxFrame::ComponentValue, nullptr,
                                  true) != n) {
                c.values.clear();
                return false;
            }
        }
        out = c.values[std::size_t(row - c.first)];
        return true;
    }

private:
    struct Cache {
        int first = 0;
        std::vector<double> values;
    };
    BoxFrame& set_;
    const TPlot& plot_;
    int plotNo_;
    int rows_;
    int block_;
    int compiled_ = -1;
    Cache cache_[2];
};

struct Hit {
    double x = 0.0, y = 0.0;
    int row = 0;
};

// The outcome of searching one series.
enum class SeriesResult { Miss, Hit, Stop };

int XAxisOf(const TPlot& plot) { return plot.Style.RefAxisX == 1 ? BottomAxisNo : TopAxisNo; }
int YAxisOf(const TPlot& plot) { return plot.Style.RefAxisY == 1 ? LeftAxisNo : RightAxisNo; }

// Rows evaluated ahead by the standard search, which reads every row anyway.
constexpr int kStandardBlock = 4096;

// Standard: the polyline through the points, each segment split at its middle and
// each half tested against the pick square; the nearest point of the series wins.
SeriesResult SearchStandard(BoxFrame& set, const TPlot& plot, int plotNo, int rows, TPoint pt,
                            const TRect& pick, const TRect& frame, Hit& hit) {
    SeriesValues values(set, plot, plotNo, rows, kStandardBlock);
    const int ax = XAxisOf(plot), ay = YAxisOf(plot);
    const int last = rows - 1;
    bool started = false, found = false;
    double best = 0.0;
    TPoint midPrev;
    for (int j = 0; j <= last; ++j) {
        if (j % 10 == 0 && CheckEscapeAbort() == 1) return SeriesResult::Stop;
        double xj, yj, xn = 0.0, yn = 0.0;
        if (!values.Get(SeriesValues::X, j, xj) || !values.Get(SeriesValues::Y, j, yj))
            return SeriesResult::Stop;
        const bool hasNext = j < last;
        if (hasNext && (!values.Get(SeriesValues::X, j + 1, xn) ||
                        !values.Get(SeriesValues::Y, j + 1, yn)))
            return SeriesResult::Stop;
        if (!Usable(xj) || !Usable(yj) || (hasNext && (!Usable(xn) || !Usable(yn)))) continue;

        const TPoint p(set.ValueToPageInt(xj, ax), set.ValueToPageInt(yj, ay));
        TPoint mid = p;
        if (hasNext) {
            const TPoint q(set.ValueToPageInt(xn, ax), set.ValueToPageInt(yn, ay));
            mid = TPoint((p.x + q.x) / 2, (p.y + q.y) / 2);
        }
        if (!started) {
            midPrev = p;
            started = true;
        }
        if ((SegmentMeetsRect(midPrev.x, midPrev.y, p.x, p.y, pick) == 1 ||
             SegmentMeetsRect(p.x, p.y, mid.x, mid.y, pick) == 1) &&
            frame.Contains(p)) {
            const double dx = double(p.x) - pt.x, dy = double(p.y) - pt.y;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (!found || d < best) {
                found = true;
                best = d;
                hit = {xj, yj, j};
            }
        }
        midPrev = mid;
    }
    return found ? SeriesResult::Hit : SeriesResult::Miss;
}

// Quick and binary: the pick square in data values, a window of rows around the
// click's X found by binary search, and for quick a scan of every row after it.
SeriesResult SearchByX(BoxFrame& set, const TPlot& plot, int plotNo, int rows, TPoint pt,
                       int h, bool scan, Hit& hit) {
    const int ax = XAxisOf(plot), ay = YAxisOf(plot);
    const double xa = set.PageToValue(AddSat(pt.x, -static_cast<long long>(h)), ax);
    const double xb = set.PageToValue(AddSat(pt.x, h), ax);
    const double xc = set.PageToValue(pt.x, ax);
    const double ya = set.PageToValue(AddSat(pt.y, -static_cast<long long>(h)), ay);
    const double yb = set.PageToValue(AddSat(pt.y, h), ay);

    // One row at a time: a row past the hit is never evaluated, so a failure there
    // cannot hide the hit.
    SeriesValues values(set, plot, plotNo, rows, 1);
    if (!values.Compile(SeriesValues::X)) return SeriesResult::Stop;
    const int last = rows - 1;

    // A row inside the pick square is a hit; a failed evaluation ends the search.
    auto test = [&](int j) {
        double xj, yj;
        if (!values.Get(SeriesValues::X, j, xj)) return SeriesResult::Stop;
        if (!Inside(xj, xa, xb)) return SeriesResult::Miss;
        if (!values.Get(SeriesValues::Y, j, yj)) return SeriesResult::Stop;
        if (!Inside(yj, ya, yb)) return SeriesResult::Miss;
        hit = {xj, yj, j};
        return SeriesResult::Hit;
    };

    double first, lastX;
    if (!values.Get(SeriesValues::X, 0, first) || !values.Get(SeriesValues::X, last, lastX))
        return SeriesResult::Stop;
    if (Usable(first) && Usable(lastX) && first != lastX) {
        const bool rising = first < lastX;
        int lo = 0, hi = last + 1;
        for (int k = 0; k < 100 && lo < hi; ++k) {
            const int mid = lo + (hi - lo) / 2;
            double xm;
            if (!values.Get(SeriesValues::X, mid, xm)) return SeriesResult::Stop;
            if (rising) {
                if (xm >= xc) hi = mid;
                else lo = mid + 1;
            } else {
                if (xm > xc) lo = mid + 1;
                else hi = mid;
            }
        }
        const int from = std::max(lo - 3, 0), to = std::min(lo + 3, last);
        for (int j = from; j <= to; ++j) {
            const SeriesResult r = test(j);
            if (r != SeriesResult::Miss) return r;
        }
    }
    if (!scan) return SeriesResult::Miss;

    for (int j = 0; j <= last; ++j) {
        if (j % 10 == 0 && CheckEscapeAbort() == 1) return SeriesResult::Stop;
        const SeriesResult r = test(j);
        if (r != SeriesResult::Miss) return r;
    }
    return SeriesResult::Miss;
}

}  // namespace

int HitOutCode(double x, double y, const TRect& rect) {
    int code = 0;
    if (x < rect.left) code |= 1;
    if (x > rect.right) code |= 2;
    if (y < rect.top) code |= 4;
    if (y > rect.bottom) code |= 8;
    return code;
}

short SegmentMeetsRect(int x1, int y1, int x2, int y2, TRect rect) {
    double ax = x1, ay = y1, bx = x2, by = y2;
    int c1 = HitOutCode(ax, ay, rect), c2 = HitOutCode(bx, by, rect);
    // Each move puts an end on an edge line and clears that bit for good, so a few
    // rounds settle it; the bound only guards against rounding surprises.
    for (int round = 0; (c1 != 0 || c2 != 0) && round < 16; ++round) {
        if ((c1 & c2) != 0) return 0;
        const bool moveFirst = c1 != 0;
        double& x = moveFirst ? ax : bx;
        double& y = moveFirst ? ay : by;
        const int c = moveFirst ? c1 : c2;
        const double dx = bx - ax, dy = by - ay;
        if (c & 1) {
            y += (rect.left - x) * dy / dx;
            x = rect.left;
        } else if (c & 2) {
            y += (rect.right - x) * dy / dx;
            x = rect.right;
        } else if (c & 4) {
            x += (rect.top - y) * dx / dy;
            y = rect.top;
        } else {
            x += (rect.bottom - y) * dx / dy;
            y = rect.bottom;
        }
        (moveFirst ? c1 : c2) = HitOutCode(x, y, rect);
    }
    return c1 == 0 && c2 == 0 ? 1 : 0;
}

short HitPlot(BoxFrame* set, TPoint point, int handleSize, int algorithm, int* series,
              double* x, double* y, int* row) {
    if (algorithm == DataHitNone || !set) return 0;
    // Only an Escape pressed during this search may stop it.
    AbortRequested = 0;
    if (algorithm < DataHitStandard || algorithm > DataHitBinary) return 0;

    const TRect frame = set->GetFrameRect();
    if (!frame.Contains(point)) return 0;
    const int h = handleSize;
    const TRect pick(AddSat(point.x, -static_cast<long long>(h)),
                     AddSat(point.y, -static_cast<long long>(h)), AddSat(point.x, h),
                     AddSat(point.y, h));

    // The series drawn last lies on top and is tried first.
    for (int n = set->PlotList.GetItemsInContainer(); n >= 1; --n) {
        const TPlot* plot = set->PlotList.At(n);
        if (!plot || plot->Style.IsShown != 1) continue;
        const int rows = std::min(plot->XData.GetItemsInContainer(),
                                  plot->YData.GetItemsInContainer());
        if (rows <= 0) continue;

        Hit hit;
        const SeriesResult r =
            algorithm == DataHitStandard
                ? SearchStandard(*set, *plot, n, rows, point, pick, frame, hit)
                : SearchByX(*set, *plot, n, rows, point, h, algorithm == DataHitQuick, hit);
        if (r == SeriesResult::Stop) return 0;
        if (r == SeriesResult::Hit) {
            if (series) *series = n;
            if (x) *x = hit.x;
            if (y) *y = hit.y;
            if (row) *row = hit.row;
            return 1;
        }
    }
    return 0;
}

void DrawFrameSelection(TDC& dc, const BoxFrame* set, int handleSize) {
    if (!set) return;
    const ::Frame& f = set->Frame;
    const long long ox = TruncToIntSaturated(f.OriginX), oy = TruncToIntSaturated(f.OriginY);
    const long long w = TruncToIntSaturated(f.FrameLengthX), ht = TruncToIntSaturated(f.FrameLengthY);
    const long long h = handleSize;
    auto sat = [](long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); };

    const TPen previousPen = dc.GetPen();
    const TBrush previousBrush = dc.GetBrush();
    dc.SetROP2(R2_NOTXORPEN);
    dc.SelectObject(TPen(RGB(255, 0, 0), 0, PS_DOT));
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(sat(ox - h), sat(oy - h), sat(ox + w + h), sat(oy + ht + h));
    dc.SelectObject(previousPen);
    dc.SelectObject(previousBrush);
    dc.SetROP2(R2_COPYPEN);
}
