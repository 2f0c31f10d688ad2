#include "render/styledline.h"

#include "model/boxframe.h"
#include "platform/escape.h"
#include "platform/winmath.h"
#include "render/output.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <vector>

namespace {

bool gRasterReduction = true;

// A coordinate that can be drawn: finite and below DBL_MAX, the failure mark of
// the spline evaluations.
inline bool Usable(double v) { return std::fabs(v) < DBL_MAX; }
inline bool Usable(const DoublePoint& p) { return Usable(p.X) && Usable(p.Y); }

inline TPoint Truncated(const DoublePoint& p) { return TPoint(TruncToInt(p.X), TruncToInt(p.Y)); }

inline double Snap(double v) { return std::trunc(v + 0.5); }

// The rectangle that confines unclipped lines.
constexpr TRect kPageLimit(-30000, -30000, 30000, 30000);

// Outcode clipping of p1-p2 to r, the rule shared by ClipSegment and
// DrawClippedSegment. Returns 4 when nothing remains, else the moved-ends bits.
int ClipToRect(DoublePoint& p1, DoublePoint& p2, const TRect& r) {
    int c1 = DashClipOutCode(p1, r), c2 = DashClipOutCode(p2, r);
    int moved = 0;
    // Each pass puts one end on an edge; four edges per end settle any segment, so
    // a count beyond that only comes from rounding that never settles.
    for (int pass = 0; c1 | c2; ++pass) {
        if ((c1 & c2) || pass >= 16) return ClipOutside;
        // Extended precision, as the floating-point unit always computed it: far
        // ends (up to DBL_MAX) neither overflow nor turn into NaN here.
        const long double dx = (long double)p2.X - p1.X, dy = (long double)p2.Y - p1.Y;
        const bool first = c1 != 0;
        DoublePoint& p = first ? p1 : p2;
        const int c = first ? c1 : c2;
        if (c & 1) {
            p.Y = double(p.Y + (r.left - (long double)p.X) * dy / dx);
            p.X = r.left;
        } else if (c & 2) {
            p.Y = double(p.Y + (r.right - (long double)p.X) * dy / dx);
            p.X = r.right;
        } else if (c & 4) {
            p.X = double(p.X + (r.top - (long double)p.Y) * dx / dy);
            p.Y = r.top;
        } else {
            p.X = double(p.X + (r.bottom - (long double)p.Y) * dx / dy);
            p.Y = r.bottom;
        }
        // Whatever still went wrong gives no point at all.
        if (!Usable(p)) return ClipOutside;
        if (first) {
            c1 = DashClipOutCode(p1, r);
            moved |= 1;
        } else {
            c2 = DashClipOutCode(p2, r);
            moved |= 2;
        }
    }
    return moved;
}

// Where the moves and lines of one styled polyline go. Every mode but a raster
// display gets them as they come. A raster display gets them through a per-column
// reduction: the points of a run of lines that fall in one device pixel column are
// joined by vertical device segments, which a one-pixel pen draws as the span from
// the column's lowest to its highest point (the lower end pixel excluded, as the
// device draws every segment) plus single pixels for segments of no length. The
// first point, the two extremes and the last point, with one zero-length segment at
// the lower extreme when the column had one there, draw exactly that span; the
// segments between columns stay as they are.
class LineSink {
public:
    LineSink(int mode, TDC& dc, FILE* file, TRect* extent, int width)
        : mode_(mode), dc_(dc), file_(file), extent_(extent), width_(width) {
        reduce_ = mode == OUT_DC && gRasterReduction && dc.GetBackend() &&
                  dc.GetDeviceCaps(TECHNOLOGY) == DT_RASDISPLAY && dc.GetROP2() == R2_COPYPEN &&
                  !dc.GetPen().IsNull() && dc.GetPen().GetStyle() == PS_SOLID &&
                  dc.DevicePenWidth() == 0;
    }
    ~LineSink() { Finish(); }

    void Move(TPoint p, bool count) {
        if (!reduce_) {
            OutMoveTo(mode_, p, dc_, file_, extent_, width_, count);
            return;
        }
        ++PathPointCount;
        // A move to where the pen stands (a zero-length gap, a path restart)
        // changes nothing on the device.
        if (inRun_ && p == cur_) return;
        EndRun();
        inRun_ = true;
        startKind_ = StartMove;
        cur_ = p;
        StartColumn(p);
    }

    void Line(TPoint p) {
        if (!reduce_) {
            OutLineTo(mode_, p, dc_, file_, extent_, width_);
            return;
        }
        ++PathPointCount;
        if (!inRun_) {
            // Lines from wherever the caller left the pen.
            inRun_ = true;
            startKind_ = StartNone;
            cur_ = dc_.GetCurrentPosition();
            StartColumn(cur_);
        }
        TPoint d = p;
        dc_.LPtoDP(&d, 1);
        if (d.x != colX_) {
            EmitColumn();
            colX_ = d.x;
        }
        col_.push_back({p, d.y});
        cur_ = p;
    }

    void Restart(TPoint p) {
        if (!reduce_) {
            OutRestartPath(mode_, p, dc_, file_, extent_, width_);
            return;
        }
        PathPointCount = 0;  // what the path end and begin do on a device context
        Move(p, true);
    }

    void Finish() {
        if (reduce_) EndRun();
    }

private:
    enum StartKind { StartMove, StartNone, StartLine };
    struct Entry {
        TPoint p;   // logical
        int devY;
    };

    void StartColumn(TPoint p) {
        TPoint d = p;
        dc_.LPtoDP(&d, 1);
        col_.clear();
        col_.push_back({p, d.y});
        colX_ = d.x;
    }

    void EndRun() {
        if (!inRun_) return;
        EmitColumn();
        inRun_ = false;
    }

    // Emits the current column and leaves it empty; the next column's first point
    // is reached by a line.
    void EmitColumn() {
        if (col_.empty()) return;
        const int n = int(col_.size());
        if (n <= 4) {
            for (int i = 0; i < n; ++i) Emit(col_[std::size_t(i)].p, i == 0);
        } else {
            int iMin = 0, iMax = 0;
            for (int i = 1; i < n; ++i) {
                if (col_[std::size_t(i)].devY < col_[std::size_t(iMin)].devY) iMin = i;
                if (col_[std::size_t(i)].devY > col_[std::size_t(iMax)].devY) iMax = i;
            }
            const int maxY = col_[std::size_t(iMax)].devY;
            bool zeroAtMax = false;
            for (int i = 1; i < n && !zeroAtMax; ++i)
                zeroAtMax = col_[std::size_t(i)].devY == maxY && col_[std::size_t(i - 1)].devY == maxY;
            int order[4] = {0, std::min(iMin, iMax), std::max(iMin, iMax), n - 1};
            // Consecutive picks on one device point would add zero-length segments
            // the column did not have: keep one, at the later logical point.
            Entry picked[5];
            int m = 0;
            for (int idx : order) {
                const Entry& e = col_[std::size_t(idx)];
                if (m > 0 && picked[m - 1].devY == e.devY)
                    picked[m - 1].p = idx == 0 ? picked[m - 1].p : e.p;
                else
                    picked[m++] = e;
            }
            bool dupDone = !zeroAtMax;
            for (int i = 0; i < m; ++i) {
                Emit(picked[i].p, i == 0);
                if (!dupDone && picked[i].devY == maxY) {
                    Emit(picked[i].p, false);
                    dupDone = true;
                }
            }
        }
        col_.clear();
        startKind_ = StartLine;
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

    int mode_;
    TDC& dc_;
    FILE* file_;
    TRect* extent_;
    int width_;
    bool reduce_ = false;
    bool inRun_ = false;
    StartKind startKind_ = StartMove;
    TPoint cur_;
    int colX_ = 0;
    std::vector<Entry> col_;
};

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

int DashClipOutCode(const DoublePoint& p, const TRect& r) {
    int code = 0;
    if (p.X < r.left) code |= 1;
    if (p.X > r.right) code |= 2;
    if (p.Y < r.top) code |= 4;
    if (p.Y > r.bottom) code |= 8;
    return code;
}

int SegmentOutCode(const DoublePoint& p, const TRect& r) { return DashClipOutCode(p, r); }

int DashPatternIndex(const double* pattern, int count, double position, int style) {
    if (style == LineStyleSolid) return 0;
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
        sum += pattern[i];
        if (sum > position) return i;
    }
    return -1;
}

double DashPatternRemainder(const double* pattern, int i, double position) {
    if (i < 0) i = 0;
    double sum = 0.0;
    for (int k = 0; k <= i; ++k) sum += pattern[k];
    return sum - position;
}

int ClipSegment(DoublePoint& p1, DoublePoint& p2, const TRect& clipRect) {
    if (!Usable(p1) || !Usable(p2)) return ClipNotFinite;
    const int moved = ClipToRect(p1, p2, clipRect);
    if (moved == ClipOutside) return ClipOutside;
    p1.X = Snap(p1.X);
    p1.Y = Snap(p1.Y);
    p2.X = Snap(p2.X);
    p2.Y = Snap(p2.Y);
    return moved;
}

void BoxFrame::DrawClippedSegment(int mode, int width, TDC& dc, const DoublePoint& p1,
                                  const DoublePoint& p2, const TRect* clipRect, FILE* file,
                                  TRect* extent, bool clip) {
    if (!Usable(p1) || !Usable(p2)) return;
    DoublePoint a = p1, b = p2;
    if (clip && clipRect) {
        if (ClipToRect(a, b, *clipRect) == ClipOutside) return;
    }
    // An unclipped end beyond the int range has no page position.
    constexpr double kIntLimit = 2147483647.0;
    for (double v : {a.X, a.Y, b.X, b.Y})
        if (!(std::fabs(Snap(v)) <= kIntLimit)) return;
    OutMoveTo(mode, TPoint(TruncToInt(a.X + 0.5), TruncToInt(a.Y + 0.5)), dc, file, extent, width,
              true);
    OutLineTo(mode, TPoint(TruncToInt(b.X + 0.5), TruncToInt(b.Y + 0.5)), dc, file, extent, width);
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

    LineSink out(mode, dc, file, extent, width);
    auto restartIfLong = [&](TPoint at) {
        if (PathPointCount + 2 >= 1000) out.Restart(at);
    };

    double phase = 0.0;
    bool started = false;
    for (int i = 0; i < n; ++i) {
        if (i % 100 == 1 && CheckEscapeAbort() == 1) break;
        const DoublePoint& a = points[i];
        const DoublePoint& b = points[i + 1];
        const bool aUsable = Usable(a), bUsable = Usable(b);
        if (!started) {
            if (!aUsable) continue;
            const TPoint p = Truncated(a);
            out.Move(p, clip.Contains(p));
            started = true;
        }
        if (!aUsable || !bUsable) {
            // A break: resume at the next usable point; the phase runs on.
            if (bUsable) {
                const TPoint p = Truncated(b);
                out.Move(p, clip.Contains(p));
            }
            continue;
        }

        DoublePoint p1 = a, p2 = b;
        const int r = ClipSegment(p1, p2, clip);
        if (r == ClipNotFinite || r == ClipOutside) continue;
        if (r == ClipMovedFirst || r == ClipMovedBoth) out.Move(Truncated(p1), true);

        const double dx = p2.X - p1.X, dy = p2.Y - p1.Y;
        const double len = std::sqrt(dx * dx + dy * dy);
        if (!(len > 0.0)) continue;
        const double ux = dx / len, uy = dy / len;

        int k = DashPatternIndex(pattern, count, phase, style);
        if (k < 0) k = 0;
        double d = DashPatternRemainder(pattern, k, phase);
        while (d < len) {
            const TPoint q(TruncToInt(p1.X + d * ux), TruncToInt(p1.Y + d * uy));
            if (k % 2 == 0)
                out.Line(q);
            else
                out.Move(q, true);
            restartIfLong(q);
            k = (k + 1) % count;
            d += pattern[k];
        }
        const TPoint end = Truncated(p2);
        if (k % 2 == 0)
            out.Line(end);
        else
            out.Move(end, true);
        restartIfLong(end);

        phase += len - std::floor(len / period) * period;
        phase -= std::floor(phase / period) * period;
    }
    out.Finish();
}
