#include "render/styledline.h"

#include "model/boxframe.h"
#include "platform/escape.h"
#include "platform/winmath.h"
#include "render/output.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#define KV_NOINLINE __attribute__((noinline))

namespace {

bool gRasterReduction = true;

// A point of the hot loops: DoublePoint is a persistent class with a vtable, too
// heavy to copy a million times.
struct Pt {
    double x, y;
};

// A coordinate that can be drawn: finite and below DBL_MAX, the failure mark of
// the spline evaluations.
inline bool Usable(double v) { return std::fabs(v) < DBL_MAX; }
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
// raster display, a solid one-pixel pen, plain copying.
bool MayReduce(TDC& dc) {
    return gRasterReduction && dc.GetBackend() && dc.GetDeviceCaps(TECHNOLOGY) == DT_RASDISPLAY &&
           dc.GetROP2() == R2_COPYPEN && !dc.GetPen().IsNull() &&
           dc.GetPen().GetStyle() == PS_SOLID && dc.DevicePenWidth() == 0;
}

// The moves and lines on a raster display, reduced per device pixel column. The
// points of a run of lines that fall in one column are joined by vertical device
// segments. A one-pixel line draws its first pixel and never its last, and one of
// no length draws nothing, so together they draw the span from the column's highest
// to its lowest row: every row of it is passed through or left from, except that
// the last point's row, when it is the highest or the lowest, is drawn only if the
// path left it after first reaching it. The first point, the two extremes in their
// order and the last point draw the same span; where they would leave out the last
// point's row and the column did not, the extreme in that row and the other
// extreme go before the last point. The segments between columns stay as they are.
//
// Device coordinates are worked out per column, not per point: a column's range of
// logical x, and the ranges of logical y of its highest and lowest device rows, are
// found once, and each point is compared with them. The mapping is monotonic, so the extremes
// in device y are the extremes in logical y.
class ReducingSink {
public:
    explicit ReducingSink(TDC& dc) : dc_(dc) { SetUpMapping(); }

    KV_NOINLINE void Move(TPoint p, bool) {
        ++PathPointCount;
        // A move to where the pen stands (a zero-length gap, a path restart)
        // changes nothing on the device.
        if (inRun_ && p == last_) return;
        EndRun();
        inRun_ = true;
        startKind_ = StartMove;
        StartColumn(p);
    }

    void Line(TPoint p) {
        ++PathPointCount;
        Add(p);
    }

    void Restart(TPoint p) {
        PathPointCount = 0;  // what the path end and begin do on a device context
        Move(p, true);
    }

    void Finish() { EndRun(); }

private:
    enum StartKind { StartMove, StartNone, StartLine };

    void Add(TPoint p) {
        if (!inRun_ || p.x < colLo_ || p.x > colHi_) [[unlikely]] {
            NextColumn(p);
            return;
        }
        if (n_ < 4) head_[n_] = p;
        const long long key = ySign_ * (long long)p.y;
        if (key < minKey_) [[unlikely]]
            NewExtreme(p, key, false);
        if (key > maxKey_) [[unlikely]]
            NewExtreme(p, key, true);
        leftMax_ |= p.y < maxRowLo_ || p.y > maxRowHi_;
        leftMin_ |= p.y < minRowLo_ || p.y > minRowHi_;
        last_ = p;
        ++n_;
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
        // How many logical units one device unit spans, for the range searches.
        spanX_ = Span(we.cx, ve.cx);
        spanY_ = Span(we.cy, ve.cy);
        ySign_ = (double(ve.cy) / double(we.cy)) < 0 ? -1 : 1;
    }

    static long long Span(int logical, int device) {
        const long long l = std::abs((long long)logical), d = std::abs((long long)device);
        return std::min<long long>(l / std::max<long long>(d, 1) + 2, 1LL << 30);
    }

    int Dev(int v, bool xAxis) const {
        int out;
        if (fastMap_ && (xAxis ? mapX_ : mapY_).Map(v, out)) return out;
        TPoint d = xAxis ? TPoint(v, 0) : TPoint(0, v);
        dc_.LPtoDP(&d, 1);
        return xAxis ? d.x : d.y;
    }

    // The logical values next to v that share its device value: [lo, hi]. The
    // search stays within one device unit's span of v; a narrower range (at the
    // context's limits) only splits a column, which stays exact.
    void Range(int v, bool xAxis, long long& lo, long long& hi) const {
        const int c = Dev(v, xAxis);
        const long long span = xAxis ? spanX_ : spanY_;
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

    KV_NOINLINE void NextColumn(TPoint p) {
        if (!inRun_) {
            // Lines from wherever the caller left the pen.
            inRun_ = true;
            startKind_ = StartNone;
            StartColumn(dc_.GetCurrentPosition());
            Add(p);
            return;
        }
        EmitColumn();
        StartColumn(p);
    }

    // Column statistics: the first four points as they came, the first points at
    // the extremes of device y, the last point, and for the highest and the lowest
    // device row whether a point outside it came after the path first reached it.
    void StartColumn(TPoint p) {
        Range(p.x, true, colLo_, colHi_);
        head_[0] = min_ = max_ = last_ = p;
        minKey_ = maxKey_ = ySign_ * (long long)p.y;
        iMin_ = iMax_ = 0;
        Range(p.y, false, maxRowLo_, maxRowHi_);
        minRowLo_ = maxRowLo_;
        minRowHi_ = maxRowHi_;
        leftMin_ = leftMax_ = false;
        n_ = 1;
    }

    KV_NOINLINE void NewExtreme(TPoint p, long long key, bool lowest) {
        (lowest ? max_ : min_) = p;
        (lowest ? maxKey_ : minKey_) = key;
        (lowest ? iMax_ : iMin_) = n_;
        long long& lo = lowest ? maxRowLo_ : minRowLo_;
        long long& hi = lowest ? maxRowHi_ : minRowHi_;
        if (p.y < lo || p.y > hi) {
            Range(p.y, false, lo, hi);
            (lowest ? leftMax_ : leftMin_) = false;
        }
    }

    void EndRun() {
        if (!inRun_) return;
        EmitColumn();
        inRun_ = false;
    }

    // Emits the current column and empties it; the next column's first point is
    // reached by a line.
    void EmitColumn() {
        if (n_ <= 4) {
            for (int i = 0; i < n_; ++i) Emit(head_[i], i == 0);
        } else {
            const bool minFirst = iMin_ < iMax_;
            TPoint order[6] = {head_[0], minFirst ? min_ : max_, minFirst ? max_ : min_, last_};
            int count = 4;
            const int top = Dev(min_.y, false), bottom = Dev(max_.y, false);
            const int lastRow = Dev(last_.y, false);
            // A last point inside the span is passed through either way; on an
            // extreme row the column draws it if it left that row after first
            // reaching it, the picks if one of them did.
            const bool onExtreme = top != bottom && (lastRow == top || lastRow == bottom);
            if (onExtreme && (lastRow == bottom ? leftMax_ : leftMin_) &&
                !PicksDrawLast(order, count, lastRow)) {
                order[5] = order[3];
                order[3] = lastRow == bottom ? max_ : min_;
                order[4] = lastRow == bottom ? min_ : max_;
                count = 6;
            }
            // Successive picks on one device point would add zero-length segments,
            // which draw nothing: keep one, at the later logical point.
            TPoint picked[6];
            int rows[6];
            int m = 0;
            for (int i = 0; i < count; ++i) {
                const int row = Dev(order[i].y, false);
                if (m > 0 && rows[m - 1] == row) {
                    picked[m - 1] = order[i];
                } else {
                    picked[m] = order[i];
                    rows[m++] = row;
                }
            }
            for (int i = 0; i < m; ++i) Emit(picked[i], i == 0);
        }
        n_ = 0;
        startKind_ = StartLine;
    }

    // Whether the path through picks draws the row of its last point, an extreme
    // row: a point in that row followed by one outside it.
    bool PicksDrawLast(const TPoint* picks, int count, int lastRow) const {
        bool inRow = false;
        for (int i = 0; i < count - 1; ++i) {
            const bool here = Dev(picks[i].y, false) == lastRow;
            if (inRow && !here) return true;
            inRow = inRow || here;
        }
        return inRow && Dev(picks[count - 1].y, false) != lastRow;
    }

    void Emit(TPoint p, bool columnFirst) {
        if (columnFirst) {
            if (startKind_ == StartMove) {
                dc_.MoveToEx(p.x, p.y);
                return;
            }
            if (startKind_ == StartNone) return;
        }
        dc_.LineTo(p.x, p.y);
    }

    TDC& dc_;
    bool fastMap_ = false;
    AxisMap mapX_, mapY_;
    long long spanX_ = 2, spanY_ = 2;
    int ySign_ = 1;
    bool inRun_ = false;
    StartKind startKind_ = StartMove;
    long long colLo_ = 0, colHi_ = -1;  // logical x of the current column
    // Logical y of its highest and lowest device rows.
    long long minRowLo_ = 0, minRowHi_ = -1, maxRowLo_ = 0, maxRowHi_ = -1;
    int n_ = 0;
    TPoint head_[4];
    TPoint min_, max_, last_;
    long long minKey_ = 0, maxKey_ = 0;
    int iMin_ = 0, iMax_ = 0;
    bool leftMin_ = false, leftMax_ = false;
};

// One clipped and snapped segment p1-p2, dashed from phase on; the pen stands at
// p1. Advances the phase by the segment's length.
template <class Sink>
__attribute__((always_inline)) inline void DrawSegment(Sink& out, const Pt& p1, const Pt& p2, double& phase, int style,
                        const double* pattern, int count, double period, double belowPeriod) {
    // x - floor(x / period) * period, whose division is left out where the
    // quotient is certainly below 1.
    auto wrap = [&](double x) {
        return x < belowPeriod && x >= 0.0 ? x : x - std::floor(x / period) * period;
    };
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

    phase = wrap(phase + wrap(len));
}

// The polyline itself, for either sink.
template <class Sink>
void RunPolyline(Sink& out, const DoublePoint* points, int n, int style, const double* pattern,
                 int count, double period, const TRect& clip) {
    // Below this a length or phase is less than one period also after the division
    // that wraps it.
    const double belowPeriod = period * 0.999999;

    double phase = 0.0;
    bool started = false;
    int poll = 0;
    // When a segment's end lay inside the clip rectangle, the next segment starts
    // there: its start needs neither a test nor snapping again.
    bool carry = false;
    Pt carried{0, 0};
    for (int i = 0; i < n; ++i, ++poll) {
        if (poll == 100) poll = 0;
        if (poll == 1 && CheckEscapeAbort() == 1) break;
        Pt p1{points[i].X, points[i].Y}, p2{points[i + 1].X, points[i + 1].Y};
        const bool wasCarried = carry;
        carry = false;
        if (wasCarried && Inside(p2, clip)) [[likely]] {
            p1 = carried;
            // Inside the clip rectangle a coordinate fits an int: snap it there.
            p2.x = TruncToInt(p2.x + 0.5);
            p2.y = TruncToInt(p2.y + 0.5);
            DrawSegment(out, p1, p2, phase, style, pattern, count, period, belowPeriod);
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
    out.Finish();
}

}  // namespace

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
        RunPolyline(out, points, n, style, pattern, count, period, clip);
    } else {
        DirectSink out(mode, dc, file, extent, width);
        RunPolyline(out, points, n, style, pattern, count, period, clip);
    }
}
