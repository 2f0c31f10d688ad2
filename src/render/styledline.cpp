#include "render/styledline.h"

#include "model/boxframe.h"
#include "platform/escape.h"
#include "platform/winmath.h"
#include "render/output.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#define KV_NOINLINE __attribute__((noinline))

namespace {

bool gRasterReduction = true;

// A point of the hot loops: DoublePoint is a persistent class with a vtable, too
// heavy to copy a million times.
struct Pt {
    double x, y;
};

// A point that can be drawn: both coordinates usable.
using ::Usable;
inline bool Usable(const Pt& p) { return Usable(p.x) && Usable(p.y); }

inline TPoint Truncated(const Pt& p) { return TPoint(TruncToInt(p.x), TruncToInt(p.y)); }

inline double Snap(double v) { return std::trunc(v + 0.5); }

inline int OutCode(const Pt& p, const TRect& r) {
    return (p.x < r.left ? 1 : 0) | (p.x > r.right ? 2 : 0) | (p.y < r.top ? 4 : 0) |
           (p.y > r.bottom ? 8 : 0);
}

// Inside the rectangle, edges included; false for NaN and infinities too.
inline bool Inside(const Pt& p, const TRect& r) {
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

// The rectangle that confines unclipped lines.
constexpr TRect kPageLimit(-30000, -30000, 30000, 30000);

// Outcode clipping of p1-p2 to r, the rule shared by ClipSegment and
// DrawClippedSegment. Returns 4 when nothing remains, else the moved-ends bits.
KV_NOINLINE int ClipToRect(Pt& p1, Pt& p2, const TRect& r) {
    int c1 = OutCode(p1, r), c2 = OutCode(p2, r);
    int moved = 0;
    // Each pass puts one end on an edge; four edges per end settle any segment, so
    // a count beyond that only comes from rounding that never settles.
    for (int pass = 0; c1 | c2; ++pass) {
        if ((c1 & c2) || pass >= 16) return ClipOutside;
        // Extended precision, as the floating-point unit always computed it: far
        // ends (up to DBL_MAX) neither overflow nor turn into NaN here.
        const long double dx = (long double)p2.x - p1.x, dy = (long double)p2.y - p1.y;
        const bool first = c1 != 0;
        Pt& p = first ? p1 : p2;
        const int c = first ? c1 : c2;
        if (c & 1) {
            p.y = double(p.y + (r.left - (long double)p.x) * dy / dx);
            p.x = r.left;
        } else if (c & 2) {
            p.y = double(p.y + (r.right - (long double)p.x) * dy / dx);
            p.x = r.right;
        } else if (c & 4) {
            p.x = double(p.x + (r.top - (long double)p.y) * dx / dy);
            p.y = r.top;
        } else {
            p.x = double(p.x + (r.bottom - (long double)p.y) * dx / dy);
            p.y = r.bottom;
        }
        // Whatever still went wrong gives no point at all.
        if (!Usable(p)) return ClipOutside;
        if (first) {
            c1 = OutCode(p1, r);
            moved |= 1;
        } else {
            c2 = OutCode(p2, r);
            moved |= 2;
        }
    }
    return moved;
}

// ClipSegment on usable points, with the common case (both ends inside) first.
inline int ClipPts(Pt& p1, Pt& p2, const TRect& r) {
    int moved = 0;
    if (OutCode(p1, r) | OutCode(p2, r)) [[unlikely]] {
        moved = ClipToRect(p1, p2, r);
        if (moved == ClipOutside) return ClipOutside;
    }
    p1.x = Snap(p1.x);
    p1.y = Snap(p1.y);
    p2.x = Snap(p2.x);
    p2.y = Snap(p2.y);
    return moved;
}

inline int PatternIndex(const double* pattern, int count, double position, int style) {
    if (style == LineStyleSolid) return 0;
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
        sum += pattern[i];
        if (sum > position) return i;
    }
    return -1;
}

inline double PatternRemainder(const double* pattern, int i, double position) {
    if (i < 0) i = 0;
    double sum = 0.0;
    for (int k = 0; k <= i; ++k) sum += pattern[k];
    return sum - position;
}

// The moves and lines as they come, through the output layer.
class DirectSink {
public:
    DirectSink(int mode, TDC& dc, FILE* file, TRect* extent, int width)
        : mode_(mode), dc_(dc), file_(file), extent_(extent), width_(width) {}
    void Move(TPoint p, bool count) { OutMoveTo(mode_, p, dc_, file_, extent_, width_, count); }
    void Line(TPoint p) { OutLineTo(mode_, p, dc_, file_, extent_, width_); }
    void Restart(TPoint p) { OutRestartPath(mode_, p, dc_, file_, extent_, width_); }
    void Finish() {}

private:
    int mode_;
    TDC& dc_;
    FILE* file_;
    TRect* extent_;
    int width_;
};

// The device context's logical-to-device mapping of one axis,
// round(org2 + (v - org1) * ext2 / ext1) with halves upward, in 64-bit integers
// with a floating-point estimate in place of a division.
struct AxisMap {
    long long org1 = 0, ext1 = 1, ext2 = 1, org2 = 0;
    double invD2 = 0.5;

    AxisMap() = default;
    AxisMap(int o1, int e1, int e2, int o2) : org1(o1), ext1(e1), ext2(e2), org2(o2) {
        if (ext1 < 0) {
            ext1 = -ext1;
            ext2 = -ext2;
        }
        invD2 = ext1 != 0 ? 1.0 / double(2 * ext1) : 0.0;
    }
    // Extents up to 2^28 keep every product below 2^62.
    bool Usable() const { return ext1 != 0 && ext2 >= -(1LL << 28) && ext2 <= (1LL << 28); }
    // Far-off results are left to the context, which limits them its own way.
    bool Map(int v, int& out) const {
        const long long n2 = 2 * ((v - org1) * ext2) + ext1, d2 = 2 * ext1;
        long long q = (long long)std::floor(double(n2) * invD2);
        while (q * d2 > n2) --q;
        while ((q + 1) * d2 <= n2) ++q;
        q += org2;
        if (q > (1 << 26) || q < -(1 << 26)) return false;
        out = int(q);
        return true;
    }
};

// Whether the moves and lines may reach this context reduced per pixel column: a
// raster display, a solid pen of any width, plain copying.
bool MayReduce(TDC& dc) {
    return gRasterReduction && dc.GetBackend() && dc.GetDeviceCaps(TECHNOLOGY) == DT_RASDISPLAY &&
           dc.GetROP2() == R2_COPYPEN && !dc.GetPen().IsNull() && dc.GetPen().GetStyle() == PS_SOLID;
}

// The moves and lines on a raster display, reduced per device pixel column.
//
// Every point of a column maps to the same device x, so a line between two points
// of one column is a vertical device line, and what such lines draw is a set of
// rows of that column: a one-pixel line from row a to row b draws the rows from a
// up to b, b left out; a wide line covers the closed rows a..b with the round
// ends of the pen, whose pixels depend only on the segment (platform/dcpainter).
// The column's lines therefore draw exactly the union of their row intervals,
// drawn here once per maximal interval at the column's end (as touching or
// overlapping intervals of a wide pen, and adjacent ones of a thin pen, unite).
// Lines from one column to another, and moves, reach the device as they are. On
// plain copying the order does not matter, so the picture is the same pixel for
// pixel as with every line drawn, for every solid pen width and for dashes alike;
// a line whose rows the column already holds need not be worked out at all.
//
// Device coordinates are the context's own mapping, worked out once per column
// for x and once per point for y.
class ReducingSink {
public:
    ReducingSink(TDC& dc) : dc_(dc), wide_(dc.DevicePenWidth() >= 2) { SetUpMapping(); }

    void Move(TPoint p, bool) {
        ++PathPointCount;
        Goto(p);
    }

    KV_NOINLINE void Line(TPoint p) {
        ++PathPointCount;
        if (!started_) [[unlikely]]
            Goto(dc_.GetCurrentPosition());  // lines from wherever the caller left the pen
        const int row = Dev(p.y, false);
        if (p.x >= colLo_ && p.x <= colHi_) [[likely]] {
            AddPiece(curRow_, row);
        } else {
            // Into another column: drawn as it is.
            const TPoint from(colX_, curRow_);
            EndColumn();
            StartColumn(p.x);
            dc_.DeviceLine(from, TPoint(colX_, row));
        }
        cur_ = p;
        curRow_ = row;
    }

    void Restart(TPoint p) {
        PathPointCount = 0;  // what the path end and begin do on a device context
        Goto(p);
    }

    // Worth it from this many points on.
    static constexpr int kRowTablePoints = 20000;
    void Prepare(int points) {
        if (points >= kRowTablePoints) PrepareRows();
    }

    void Finish() {
        EndColumn();
        // The pen ends where the lines left it.
        if (started_) dc_.MoveToEx(cur_.x, cur_.y);
    }

    // Whether a segment from the pen to b, dashed or not, draws nothing the column
    // does not hold already; then Skip(b) stands for it.
    bool Covers(TPoint b) {
        if (!started_ || b.x < colLo_ || b.x > colHi_) return false;
        nextRow_ = Dev(b.y, false);
        const int lo = std::min(curRow_, nextRow_), hi = std::max(curRow_, nextRow_);
        if (!wide_ && lo == hi) return true;  // a thin line of no length
        for (const Rows& r : rows_)
            if (r.lo <= lo && hi <= r.hi) return true;
        return false;
    }
    void Skip(TPoint b) {
        PathPointCount += 1;
        cur_ = b;
        curRow_ = nextRow_;
    }

private:
    friend struct PolylineWalk;

    struct Rows {
        int lo, hi;
    };

    void Goto(TPoint p) {
        if (started_ && p == cur_) return;
        if (!started_ || p.x < colLo_ || p.x > colHi_) {
            EndColumn();
            StartColumn(p.x);
        }
        started_ = true;
        cur_ = p;
        curRow_ = Dev(p.y, false);
    }

    void StartColumn(int x) {
        Range(x, true, colLo_, colHi_);
        colX_ = Dev(x, true);
    }

    // The rows the vertical line from row a to row b draws, into the column's set.
    void AddPiece(int a, int b) {
        if (a == b && !wide_) return;  // a thin line of no length draws nothing
        // A wide line covers a..b, a thin one a..b without b: min(a, b + 1) ..
        // max(a, b - 1) either way up, chosen without a branch (the direction of
        // a line is as good as random).
        const int thin = wide_ ? 0 : 1;
        const int lo = std::min(a, b + thin), hi = std::max(a, b - thin);
        // Thin rows unite when adjacent, a wide pen's closed intervals when they
        // share a row. The lines of a column without moves always do, so the
        // column holds one interval that only grows.
        const int join = wide_ ? 0 : 1;
        if (!rows_.empty()) [[likely]] {
            Rows& last = rows_[lastRows_];
            if (lo <= last.hi + join && hi + join >= last.lo && rows_.size() == 1) [[likely]] {
                last.lo = std::min(last.lo, lo);
                last.hi = std::max(last.hi, hi);
                return;
            }
        }
        Insert(lo, hi, join);
    }

    KV_NOINLINE void Insert(int lo, int hi, int join) {
        std::size_t i = 0;
        while (i < rows_.size() && rows_[i].hi + join < lo) ++i;
        std::size_t k = i;
        while (k < rows_.size() && rows_[k].lo <= hi + join) {
            lo = std::min(lo, rows_[k].lo);
            hi = std::max(hi, rows_[k].hi);
            ++k;
        }
        rows_.erase(rows_.begin() + std::ptrdiff_t(i), rows_.begin() + std::ptrdiff_t(k));
        rows_.insert(rows_.begin() + std::ptrdiff_t(i), Rows{lo, hi});
        lastRows_ = i;
    }

    void EndColumn() {
        for (const Rows& r : rows_)
            dc_.DeviceLine(TPoint(colX_, r.lo), TPoint(colX_, wide_ ? r.hi : r.hi + 1));
        rows_.clear();
        lastRows_ = 0;
    }

    void SetUpMapping() {
        const TPoint wo = dc_.GetWindowOrg(), vo = dc_.GetViewportOrg();
        const TSize we = dc_.GetWindowExt(), ve = dc_.GetViewportExt();
        mapX_ = AxisMap(wo.x, we.cx, ve.cx, vo.x);
        mapY_ = AxisMap(wo.y, we.cy, ve.cy, vo.y);
        fastMap_ = mapX_.Usable() && mapY_.Usable();
        // The reduction is exact only with the context's own device points: check a
        // spread of points against it, and leave the mapping to it on any doubt.
        static const int probes[] = {0, 1, -1, 7, -7, 8, 15, -15, 22, 23, -22, -23, 1439,
                                     1440, 12345, -9876, 29999, -30000, 32767, -32767};
        for (int v : probes) {
            if (!fastMap_) break;
            TPoint fast, exact(v, -v);
            dc_.LPtoDP(&exact, 1);
            fastMap_ = mapX_.Map(v, fast.x) && mapY_.Map(-v, fast.y) && fast == exact;
        }
        // How many logical units one device unit spans, for the range search.
        spanX_ = Span(we.cx, ve.cx);
    }

    static long long Span(int logical, int device) {
        const long long l = std::abs((long long)logical), d = std::abs((long long)device);
        return std::min<long long>(l / std::max<long long>(d, 1) + 2, 1LL << 30);
    }

    // For a long polyline: the device row of every logical y the device shows,
    // looked up instead of worked out point by point.
    void PrepareRows() {
        if (!fastMap_ || !dc_.GetBackend()) return;
        const int rows = dc_.GetDeviceCaps(VERTRES);
        TPoint ends[2] = {TPoint(0, -2), TPoint(0, rows + 2)};
        if (rows <= 0 || !dc_.DPtoLP(ends, 2)) return;
        const long long lo = std::min(ends[0].y, ends[1].y) - 2, hi = std::max(ends[0].y, ends[1].y) + 2;
        if (hi - lo > (1 << 20)) return;  // so fine a mapping that the points are few a row anyway
        rowTable_.resize(std::size_t(hi - lo + 1));
        for (long long v = lo; v <= hi; ++v) {
            int out;
            if (!mapY_.Map(int(v), out)) {
                rowTable_.clear();
                return;
            }
            rowTable_[std::size_t(v - lo)] = out;
        }
        rowTableLo_ = lo;
    }

    int Dev(int v, bool xAxis) const {
        if (!xAxis) {
            const unsigned long long k = (unsigned long long)((long long)v - rowTableLo_);
            if (k < rowTable_.size()) [[likely]]
                return rowTable_[std::size_t(k)];
        }
        int out;
        if (fastMap_ && (xAxis ? mapX_ : mapY_).Map(v, out)) [[likely]]
            return out;
        TPoint d = xAxis ? TPoint(v, 0) : TPoint(0, v);
        dc_.LPtoDP(&d, 1);
        return xAxis ? d.x : d.y;
    }

    // The logical values next to v that share its device value: [lo, hi]. The
    // search stays within one device unit's span of v; a narrower range (at the
    // context's limits) only splits a column, which stays exact.
    void Range(int v, bool xAxis, long long& lo, long long& hi) const {
        const int c = Dev(v, xAxis);
        const long long span = spanX_;
        auto same = [&](long long u) {
            return u >= INT_MIN && u <= INT_MAX && Dev(int(u), xAxis) == c;
        };
        long long a = v - span, b = v;  // same(b); find the least same in (a, b]
        while (b - a > 1) {
            const long long m = a + (b - a) / 2;
            (same(m) ? b : a) = m;
        }
        lo = b;
        a = v;
        b = v + span;  // same(a); find the greatest same in [a, b)
        while (b - a > 1) {
            const long long m = a + (b - a) / 2;
            (same(m) ? a : b) = m;
        }
        hi = a;
    }

    TDC& dc_;
    bool wide_;
    bool fastMap_ = false;
    AxisMap mapX_, mapY_;
    long long spanX_ = 2;
    bool started_ = false;
    TPoint cur_;
    int curRow_ = 0, nextRow_ = 0;
    long long colLo_ = 0, colHi_ = -1;  // logical x of the current column
    int colX_ = 0;                      // its device x
    std::vector<Rows> rows_;            // its rows drawn so far, sorted, apart
    std::size_t lastRows_ = 0;
    std::vector<int> rowTable_;
    long long rowTableLo_ = 0;
};

// The direct sink never skips a segment.
inline bool SegmentCovered(DirectSink&, TPoint) { return false; }
inline void SkipSegment(DirectSink&, TPoint) {}
inline bool SegmentCovered(ReducingSink& out, TPoint b) { return out.Covers(b); }
inline void SkipSegment(ReducingSink& out, TPoint b) { out.Skip(b); }

// x - floor(x / period) * period, to the bit. The division is left out where
// its quotient is certainly below 1, and where a reciprocal's estimate of it
// stands so far from a whole number (its error is below 1e-9 up to a million
// periods) that its floor is certain: the same whole number then multiplies the
// period, so the result is the same double.
//
// Below the period, or between one and two periods clear of both (a phase plus
// a wrapped length is one or the other), the floor is 0 or 1. With Dashes set,
// which of the two is as good as random (short dashes), so it is not branched
// on: x - 0.0 and x - 1.0 * period are what the general formula gives. A solid
// line's phase stays below its long period, which a branch foresees.
template <bool Dashes = false>
inline double WrapToPeriod(double x, double period, double belowPeriod) {
    const bool below = x < belowPeriod && x >= 0.0;
    if constexpr (Dashes) {
        const bool once = x > period * (1.0 + 1e-9) && x < period * (2.0 - 1e-9);
        if (int(below) | int(once)) [[likely]]
            return x - period * double(once);
    } else {
        if (below) [[likely]]
            return x;
        if (x > period * (1.0 + 1e-9) && x < period * (2.0 - 1e-9)) return x - 1.0 * period;
    }
    const double t = x * (1.0 / period);
    if (t >= 0.0 && t < 1e6) {
        const double k = double((long long)t);
        const double f = t - k;
        if (f > 1e-9 && f < 1.0 - 1e-9) return x - k * period;
    }
    return x - std::floor(x / period) * period;
}

// AdvancePhase for short dashes, where a segment is often longer than the
// period and the phase wraps at random: the length is wrapped through the
// reciprocal (off the phase's chain of dependencies, with a branch that almost
// always goes one way), the phase plus it (below two periods) without a branch.
// The same doubles as AdvancePhase.
struct DashPhase {
    double period, below, inv, once, twice;
    DashPhase(double period_, double below_)
        : period(period_), below(below_), inv(1.0 / period_), once(period_ * (1.0 + 1e-9)),
          twice(period_ * (2.0 - 1e-9)) {}
    __attribute__((always_inline)) void Advance(double& phase, double len) const {
        if (!(len > 0.0)) return;
        // Conditions are combined as integers, so that only their rare failure
        // is a branch.
        double w;
        const double t = len * inv;
        const bool small = t < 1e6;
        const double k = double((long long)(small ? t : 0.0));
        const double f = t - k;
        if (int(small) & int(f > 1e-9) & int(f < 1.0 - 1e-9)) [[likely]]
            w = len - k * period;  // len below the period: len - 0.0
        else
            w = WrapToPeriod(len, period, below);
        const double y = phase + w;
        const int low = int(y < below) & int(y >= 0.0), one = int(y > once) & int(y < twice);
        int usual = low | one;
        // Kept whole: the compiler would otherwise test the two apart, and
        // which of them holds is as good as random.
        __asm__("" : "+r"(usual));
        if (usual) [[likely]] {
            // y - 0.0 or y - period, chosen by a mask.
            std::uint64_t bits;
            std::memcpy(&bits, &period, sizeof bits);
            bits &= std::uint64_t(0) - std::uint64_t(one);
            double minus;
            std::memcpy(&minus, &bits, sizeof minus);
            phase = y - minus;
        } else {
            phase = WrapToPeriod(y, period, below);
        }
    }
};

// The dash phase after a segment of length len (> 0): phase + len modulo the
// period.
template <bool Dashes = false>
inline void AdvancePhase(double& phase, double len, double period, double belowPeriod) {
    if (!(len > 0.0)) return;
    phase = WrapToPeriod<Dashes>(phase + WrapToPeriod<Dashes>(len, period, belowPeriod), period, belowPeriod);
}

// One clipped and snapped segment p1-p2, dashed from phase on; the pen stands at
// p1. Advances the phase by the segment's length.
template <class Sink>
__attribute__((always_inline)) inline void DrawSegment(Sink& out, const Pt& p1, const Pt& p2, double& phase, int style,
                        const double* pattern, int count, double period, double belowPeriod) {
    auto restartIfLong = [&](TPoint at) {
        if (PathPointCount + 2 >= 1000) [[unlikely]]
            out.Restart(at);
    };

    const double dx = p2.x - p1.x, dy = p2.y - p1.y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0.0)) return;

    int k = PatternIndex(pattern, count, phase, style);
    if (k < 0) k = 0;
    double d = PatternRemainder(pattern, k, phase);
    if (d < len) [[unlikely]] {
        const double ux = dx / len, uy = dy / len;
        do {
            const TPoint q(TruncToInt(p1.x + d * ux), TruncToInt(p1.y + d * uy));
            if (k % 2 == 0)
                out.Line(q);
            else
                out.Move(q, true);
            restartIfLong(q);
            k = (k + 1) % count;
            d += pattern[k];
        } while (d < len);
    }
    const TPoint end = Truncated(p2);
    if (k % 2 == 0)
        out.Line(end);
    else
        out.Move(end, true);
    restartIfLong(end);

    AdvancePhase(phase, len, period, belowPeriod);
}

inline Pt ToPt(const DoublePoint& p) { return Pt{p.X, p.Y}; }
inline Pt ToPt(const Pt& p) { return p; }
inline Pt ToPt(const LinePoint& p) { return Pt{p.x, p.y}; }

// The walk along a polyline, for either sink: its dashes, pen and polls carry on
// from one call of Segments to the next, so the points may come a block at a time.
struct PolylineWalk {
    const double* pattern;
    int count;
    int style;
    double period;
    // Below this a length or phase is less than one period also after the division
    // that wraps it.
    double belowPeriod;
    TRect clip;

    double phase = 0.0;
    bool started = false;
    bool stopped = false;  // by an Escape poll
    int poll = 0;
    // When a segment's end lay inside the clip rectangle, the next segment starts
    // there: its start needs neither a test nor snapping again.
    bool carry = false;
    Pt carried{0, 0};

    PolylineWalk(const double* pattern_, int count_, int style_, double period_, const TRect& clip_)
        : pattern(pattern_), count(count_), style(style_), period(period_), belowPeriod(period_ * 0.999999),
          clip(clip_) {}

    // Solid lines on the reducing sink, segment after segment while each is the
    // common case of a long series: its start carried from the segment before,
    // its end inside the clip rectangle and in the pen's device column, no break
    // of the solid pattern in it, and its rows joining the column's one interval.
    // Such a segment only grows that interval, so it is worked out here with the
    // pen, the pattern's phase and the path's point count held in registers; the
    // same arithmetic as DrawSegment and ReducingSink::Line, so the same pixels
    // and the same state after it. The first segment that is anything else, and
    // every segment that polls the Escape check, is left to the general walk.
    // Returns the index of that segment.
    template <class P>
    int SolidRun(ReducingSink& out, const P* points, int i, int n) {
        // The segments up to the next that polls: the poll counts 0 .. 99, and
        // the segment that finds 1 asks.
        const int e = poll == 100 ? 0 : poll;
        if (e == 1 || out.rows_.size() > 1) return i;
        const int end = std::min(n, i + (e == 0 ? 1 : 101 - e));

        const bool wide = out.wide_;
        const int join = wide ? 0 : 1, thin = wide ? 0 : 1;
        const long long colLo = out.colLo_, colHi = out.colHi_;
        const int* table = out.rowTable_.data();
        const unsigned long long tableSize = out.rowTable_.size();
        const long long tableLo = out.rowTableLo_;
        const double pattern0 = pattern[0], per = period, below = belowPeriod;
        const double left = clip.left, right = clip.right, top = clip.top, bottom = clip.bottom;
        double ph = phase;
        int points2 = PathPointCount;
        int cx = int(carried.x), cy = int(carried.y), curRow = out.curRow_;
        bool have = !out.rows_.empty();
        int ilo = have ? out.rows_[0].lo : 0, ihi = have ? out.rows_[0].hi : -1;
        bool moved = false;

        int j = i;
        for (; j < end; ++j) {
            const Pt p2 = ToPt(points[j + 1]);
            if (!(p2.x >= left && p2.x <= right && p2.y >= top && p2.y <= bottom)) break;
            // Inside the rectangle the snapped coordinates fit an int.
            const int sx = int(p2.x + 0.5), sy = int(p2.y + 0.5);
            const long long dyi = (long long)sy - cy;
            double len;
            if (sx == cx && dyi < (1 << 26) && dyi > -(1 << 26)) [[likely]] {
                // Along a column (most segments of a dense series, whose points
                // share their snapped x): the root of the exact square is exact.
                if (dyi == 0) continue;  // no length: draws nothing, the pen stays
                len = double(dyi < 0 ? -dyi : dyi);
            } else {
                const double dx = double(sx) - double(cx), dy = double(dyi);
                len = std::sqrt(dx * dx + dy * dy);
                if (!(len > 0.0)) continue;
            }
            if (pattern0 - ph < len || sx < colLo || sx > colHi) break;
            const unsigned long long k = (unsigned long long)((long long)sy - tableLo);
            const int row = k < tableSize ? table[k] : out.Dev(sy, false);
            if (wide || row != curRow) {
                // The rows of the piece, without a branch on its direction (as
                // good as random): see AddPiece.
                const int lo = std::min(curRow, row + thin), hi = std::max(curRow, row - thin);
                if (have) [[likely]] {
                    if (!(lo <= ihi + join && hi + join >= ilo)) break;
                    ilo = std::min(ilo, lo);
                    ihi = std::max(ihi, hi);
                } else {
                    have = true;
                    ilo = lo;
                    ihi = hi;
                }
            }
            // The line is drawn (into the interval): the path counts its point and
            // restarts before a thousand, and the pattern runs on.
            ++points2;
            points2 = points2 + 2 >= 1000 ? 0 : points2;
            AdvancePhase(ph, len, per, below);
            cx = sx;
            cy = sy;
            curRow = row;
            moved = true;
        }
        EndRun(out, e, j - i, ph, points2, moved, cx, cy, curRow);
        if (moved && have) {
            if (out.rows_.empty())
                out.rows_.push_back({ilo, ihi});
            else
                out.rows_[0] = {ilo, ihi};
            out.lastRows_ = 0;
        }
        return j;
    }

    // Hands a run's registers back to the walk and the sink: the poll count
    // after the run's done segments, the phase, the path's point count and,
    // when the pen moved, where it stands.
    void EndRun(ReducingSink& out, int e, int done, double ph, int points2, bool moved, int cx, int cy,
                int curRow) {
        poll = e + done > 100 ? e + done - 100 : e + done;
        phase = ph;
        PathPointCount = points2;
        if (moved) {
            carried = Pt{double(cx), double(cy)};
            out.cur_ = TPoint(cx, cy);
            out.curRow_ = curRow;
        }
    }

    // Dashed lines on the reducing sink, segment after segment while each one's
    // start is carried from the segment before and its end lies inside the clip
    // rectangle and in the pen's device column. A segment whose rows the column
    // already holds only moves the pen and the dashes on (as the general walk
    // does with a covered one); any other is cut into its dashes as DrawSegment
    // cuts it, and the lines of those dashes join the column's rows, so long as
    // every dash ends in the column too. The phase is held in a register. What
    // is anything else, and every segment that polls, is left to the general
    // walk. Returns the index of that segment.
    template <class P>
    int DashRun(ReducingSink& out, const P* points, int i, int n) {
        const int e = poll == 100 ? 0 : poll;
        if (e == 1) return i;
        const int end = std::min(n, i + (e == 0 ? 1 : 101 - e));

        const bool wide = out.wide_;
        const long long colLo = out.colLo_, colHi = out.colHi_;
        const int* table = out.rowTable_.data();
        const unsigned long long tableSize = out.rowTable_.size();
        const long long tableLo = out.rowTableLo_;
        const double per = period, below = belowPeriod;
        const double left = clip.left, right = clip.right, top = clip.top, bottom = clip.bottom;
        auto rowOf = [&](int y) {
            const unsigned long long k = (unsigned long long)((long long)y - tableLo);
            return k < tableSize ? table[k] : out.Dev(y, false);
        };
        const DashPhase dashPhase(per, below);
        double ph = phase;
        int points2 = PathPointCount;
        int cx = int(carried.x), cy = int(carried.y), curRow = out.curRow_;
        bool moved = false;
        // The dashes of one segment: their ends, and whether each is drawn to.
        constexpr int kMaxDashes = 64;
        struct Dash {
            int x, y;
            bool line;
        } dashes[kMaxDashes + 1];

        int j = i;
        for (; j < end; ++j) {
            const Pt p2 = ToPt(points[j + 1]);
            if (!(p2.x >= left && p2.x <= right && p2.y >= top && p2.y <= bottom)) break;
            const int sx = int(p2.x + 0.5), sy = int(p2.y + 0.5);
            if (sx < colLo || sx > colHi) break;
            const int row = rowOf(sy);
            const long long dyi = (long long)sy - cy;
            double len;
            if (sx == cx && dyi < (1 << 26) && dyi > -(1 << 26)) {
                len = double(dyi < 0 ? -dyi : dyi);  // the root of an exact square
            } else {
                const double dx = double(sx) - double(cx), dy = double(dyi);
                len = std::sqrt(dx * dx + dy * dy);
            }
            const int lo = std::min(curRow, row), hi = std::max(curRow, row);
            bool covered = !wide && lo == hi;
            for (std::size_t r = 0; !covered && r < out.rows_.size(); ++r)
                covered = out.rows_[r].lo <= lo && hi <= out.rows_[r].hi;
            if (covered) {
                ++points2;  // a skipped line still counts its point
                dashPhase.Advance(ph, len);
            } else if (len > 0.0) {
                // DrawSegment's dashes from the pen at (cx, cy).
                int k = PatternIndex(pattern, count, ph, style);
                if (k < 0) k = 0;
                double d = PatternRemainder(pattern, k, ph);
                int m = 0;
                if (d < len) {
                    const double ux = (double(sx) - double(cx)) / len, uy = double(dyi) / len;
                    do {
                        if (m == kMaxDashes) break;
                        dashes[m++] = {TruncToInt(cx + d * ux), TruncToInt(cy + d * uy), k % 2 == 0};
                        k = (k + 1) % count;
                        d += pattern[k];
                    } while (d < len);
                    if (d < len) break;  // too many dashes: the general walk
                }
                dashes[m++] = {sx, sy, k % 2 == 0};
                bool inColumn = true;
                for (int q = 0; q < m; ++q) inColumn = inColumn && dashes[q].x >= colLo && dashes[q].x <= colHi;
                if (!inColumn) break;
                // Lines join the column's rows; moves only move the pen.
                for (int q = 0; q < m; ++q) {
                    const Dash& dash = dashes[q];
                    ++points2;
                    if (dash.line) {
                        const int to = rowOf(dash.y);
                        out.AddPiece(curRow, to);
                        cx = dash.x, cy = dash.y, curRow = to;
                    } else if (dash.x != cx || dash.y != cy) {
                        cx = dash.x, cy = dash.y, curRow = rowOf(dash.y);
                    }
                    if (points2 + 2 >= 1000) points2 = 0;  // the path restarts where the pen is
                }
                dashPhase.Advance(ph, len);
            }
            // (A segment of no length that the column does not hold draws nothing.)
            cx = sx;
            cy = sy;
            curRow = row;
            moved = true;
        }
        EndRun(out, e, j - i, ph, points2, moved, cx, cy, curRow);
        return j;
    }

    // The segments between points[0..n]; false once an Escape poll stopped the line.
    template <class Sink, class P>
    bool Segments(Sink& out, const P* points, int n) {
        for (int i = 0; i < n && !stopped; ++i, ++poll) {
            if constexpr (std::is_same_v<Sink, ReducingSink>) {
                if (carry) {
                    i = style == LineStyleSolid ? SolidRun(out, points, i, n) : DashRun(out, points, i, n);
                    if (i >= n) break;
                }
            }
            if (poll == 100) poll = 0;
            if (poll == 1 && CheckEscapeAbort() == 1) {
                stopped = true;
                break;
            }
            Pt p1 = ToPt(points[i]), p2 = ToPt(points[i + 1]);
            const bool wasCarried = carry;
            carry = false;
            if (wasCarried && Inside(p2, clip)) [[likely]] {
                p1 = carried;
                // Inside the clip rectangle a coordinate fits an int: snap it there.
                p2.x = TruncToInt(p2.x + 0.5);
                p2.y = TruncToInt(p2.y + 0.5);
                const TPoint end(int(p2.x), int(p2.y));
                // Only dashes have lines worth leaving out: a solid line's next
                // piece is as quick to add as to test.
                if (style != LineStyleSolid && SegmentCovered(out, end)) {
                    // Nothing new to draw: the pen and the dashes move on.
                    const double dx = p2.x - p1.x, dy = p2.y - p1.y;
                    AdvancePhase(phase, std::sqrt(dx * dx + dy * dy), period, belowPeriod);
                    SkipSegment(out, end);
                } else {
                    DrawSegment(out, p1, p2, phase, style, pattern, count, period, belowPeriod);
                }
                carry = true;
                carried = p2;
                continue;
            }
            const bool aUsable = Usable(p1), bUsable = Usable(p2);
            if (!started) [[unlikely]] {
                if (!aUsable) continue;
                const TPoint p = Truncated(p1);
                out.Move(p, clip.Contains(p));
                started = true;
            }
            if (!aUsable || !bUsable) [[unlikely]] {
                // A break: resume at the next usable point; the phase runs on.
                if (bUsable) {
                    const TPoint p = Truncated(p2);
                    out.Move(p, clip.Contains(p));
                }
                continue;
            }

            const int r = ClipPts(p1, p2, clip);
            if (r == ClipOutside) continue;
            if (r == ClipMovedFirst || r == ClipMovedBoth) out.Move(Truncated(p1), true);
            DrawSegment(out, p1, p2, phase, style, pattern, count, period, belowPeriod);
            if (r == ClipInside || r == ClipMovedFirst) {
                carry = true;
                carried = p2;
            }
        }
        return !stopped;
    }
};

// The polyline itself, for either sink.
template <class Sink>
void RunPolyline(Sink& out, const DoublePoint* points, int n, int style, const double* pattern,
                 int count, double period, const TRect& clip) {
    PolylineWalk walk(pattern, count, style, period, clip);
    walk.Segments(out, points, n);
    out.Finish();
}

}  // namespace

bool RasterLineReduction() { return gRasterReduction; }

bool SetRasterLineReduction(bool on) {
    bool old = gRasterReduction;
    gRasterReduction = on;
    return old;
}

double DashUnit(int width) { return width > 0 ? double(width) : 20.0; }

int DashPattern(int style, double pattern[MaxDashElements]) {
    static const double kPatterns[8][MaxDashElements] = {
        {},
        {10000, 0},
        {10, 10},
        {5, 5},
        {3, 3},
        {1, 3},
        {10, 3, 1, 3},
        {10, 3, 1, 3, 1, 3},
    };
    static const int kCounts[8] = {0, 2, 2, 2, 2, 2, 4, 6};
    if (style < 1 || style > 7) return 0;
    for (int i = 0; i < kCounts[style]; ++i) pattern[i] = kPatterns[style][i];
    return kCounts[style];
}

int DashClipOutCode(const DoublePoint& p, const TRect& r) { return OutCode(Pt{p.X, p.Y}, r); }

int SegmentOutCode(const DoublePoint& p, const TRect& r) { return DashClipOutCode(p, r); }

int DashPatternIndex(const double* pattern, int count, double position, int style) {
    return PatternIndex(pattern, count, position, style);
}

double DashPatternRemainder(const double* pattern, int i, double position) {
    return PatternRemainder(pattern, i, position);
}

int ClipSegment(DoublePoint& p1, DoublePoint& p2, const TRect& clipRect) {
    Pt a{p1.X, p1.Y}, b{p2.X, p2.Y};
    if (!Usable(a) || !Usable(b)) return ClipNotFinite;
    const int r = ClipPts(a, b, clipRect);
    if (r == ClipOutside) return ClipOutside;
    p1.X = a.x;
    p1.Y = a.y;
    p2.X = b.x;
    p2.Y = b.y;
    return r;
}

void BoxFrame::DrawClippedSegment(int mode, int width, TDC& dc, const DoublePoint& p1,
                                  const DoublePoint& p2, const TRect* clipRect, FILE* file,
                                  TRect* extent, bool clip) {
    Pt a{p1.X, p1.Y}, b{p2.X, p2.Y};
    if (!Usable(a) || !Usable(b)) return;
    if (clip && clipRect) {
        if (ClipToRect(a, b, *clipRect) == ClipOutside) return;
    }
    // An unclipped end beyond the int range has no page position.
    constexpr double kIntLimit = 2147483647.0;
    for (double v : {a.x, a.y, b.x, b.y})
        if (!(std::fabs(Snap(v)) <= kIntLimit)) return;
    OutMoveTo(mode, TPoint(TruncToInt(a.x + 0.5), TruncToInt(a.y + 0.5)), dc, file, extent, width,
              true);
    OutLineTo(mode, TPoint(TruncToInt(b.x + 0.5), TruncToInt(b.y + 0.5)), dc, file, extent, width);
}

void DrawStyledPolyline(int mode, TDC& dc, const DoublePoint* points, int n, int style, int width,
                        int clipOn, const TRect* clipRect, FILE* file, TRect* extent) {
    double pattern[MaxDashElements];
    const int count = DashPattern(style, pattern);
    if (count == 0 || !points || n <= 0) return;
    const double unit = DashUnit(width);
    double period = 0.0;
    for (int i = 0; i < count; ++i) {
        pattern[i] *= unit;
        period += pattern[i];
    }
    const TRect clip = clipOn && clipRect ? *clipRect : kPageLimit;

    if (mode == OUT_DC && MayReduce(dc)) {
        ReducingSink out(dc);
        out.Prepare(n);
        RunPolyline(out, points, n, style, pattern, count, period, clip);
    } else {
        DirectSink out(mode, dc, file, extent, width);
        RunPolyline(out, points, n, style, pattern, count, period, clip);
    }
}

struct StyledPolylineStream::Impl {
    double pattern[MaxDashElements];
    int count = 0;
    std::optional<ReducingSink> reducing;
    std::optional<DirectSink> direct;
    std::optional<PolylineWalk> walk;
    Pt last{0, 0};
    bool haveLast = false;
    bool any = false;  // a segment came
};

StyledPolylineStream::StyledPolylineStream(int mode, TDC& dc, int style, int width, int clipOn,
                                           const TRect* clipRect, FILE* file, TRect* extent, int points)
    : impl_(std::make_unique<Impl>()) {
    Impl& m = *impl_;
    m.count = DashPattern(style, m.pattern);
    if (m.count == 0) return;
    const double unit = DashUnit(width);
    double period = 0.0;
    for (int i = 0; i < m.count; ++i) {
        m.pattern[i] *= unit;
        period += m.pattern[i];
    }
    const TRect clip = clipOn && clipRect ? *clipRect : kPageLimit;
    m.walk.emplace(m.pattern, m.count, style, period, clip);
    if (mode == OUT_DC && MayReduce(dc)) {
        m.reducing.emplace(dc);
        m.reducing->Prepare(points);
    } else {
        m.direct.emplace(mode, dc, file, extent, width);
    }
}

StyledPolylineStream::~StyledPolylineStream() { End(); }

bool StyledPolylineStream::Add(const LinePoint* points, int n) {
    Impl& m = *impl_;
    if (!m.walk || n <= 0) return !m.walk || !m.walk->stopped;
    if (m.walk->stopped) return false;
    // The segment from the last point before, then those within the block.
    auto segments = [&](const auto* pts, int count) {
        m.any = true;
        return m.reducing ? m.walk->Segments(*m.reducing, pts, count) : m.walk->Segments(*m.direct, pts, count);
    };
    bool going = true;
    if (m.haveLast) {
        const Pt joining[2] = {m.last, ToPt(points[0])};
        going = segments(joining, 1);
    }
    if (going && n >= 2) going = segments(points, n - 1);
    m.last = ToPt(points[n - 1]);
    m.haveLast = true;
    return going;
}

void StyledPolylineStream::End() {
    Impl& m = *impl_;
    if (m.any) {
        if (m.reducing) m.reducing->Finish();
        if (m.direct) m.direct->Finish();
    }
    m.any = false;
    m.walk.reset();
    m.reducing.reset();
    m.direct.reset();
}
