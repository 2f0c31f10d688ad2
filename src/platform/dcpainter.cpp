// The QPainter backend of TDC: rasterises in device pixels on any QPaintDevice.

#include "platform/dc.h"

#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <unordered_map>
#include <tuple>
#include <vector>

namespace kv::detail {

namespace {

QColor ToQColor(COLORREF c) {
    c = ResolveColor(c);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// Windows' cosmetic dash patterns, in pixels of a 96-dpi screen.
const QList<qreal>* CosmeticPattern(int style) {
    static const QList<qreal> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6},
        dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case PS_DASH: return &dash;
    case PS_DOT: return &dot;
    case PS_DASHDOT: return &dashDot;
    case PS_DASHDOTDOT: return &dashDotDot;
    default: return nullptr;
    }
}

// Patterns of wide pens, in pen widths.
const QList<qreal>* WidePattern(int style) {
    static const QList<qreal> dash{3, 1}, dot{1, 1}, dashDot{3, 1, 1, 1},
        dashDotDot{3, 1, 1, 1, 1, 1};
    switch (style) {
    case PS_DASH: return &dash;
    case PS_DOT: return &dot;
    case PS_DASHDOT: return &dashDot;
    case PS_DASHDOTDOT: return &dashDotDot;
    default: return nullptr;
    }
}

// Thin lines on raster devices are rasterised here rather than by QPainter, whose
// one-pixel lines depend on the direction: it orders the ends before drawing, so a
// line drawn right to left or upward leaves out its start instead of its end, and
// a line of no length draws a pixel. Shapes drawn out and back, and feedback drawn
// twice in NOT-XOR, need the rule of the system the program comes from instead:
//
// - one pixel per step along the longer axis (both, for exact diagonals), at the
//   pixel nearest the ideal line; where the line passes exactly half-way between
//   two pixels, the one with the smaller coordinate: above for a flat line, to the
//   left for a steep one. The set of pixels is the same in both directions;
// - the first point is drawn, the last one never, and a line of no length draws
//   nothing.

__extension__ using Wide = __int128;

// The pixels of the thin line a-b (b excluded) whose position lies in window, in
// order from a; plot(x, y, step) gets each with its step count from a (0 for a).
template <class Plot>
void ThinLinePixels(TPoint a, TPoint b, const QRect& window, Plot&& plot) {
    const long long dx = (long long)b.x - a.x, dy = (long long)b.y - a.y;
    if (dx == 0 && dy == 0) return;
    // u along the longer axis, v along the other.
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long u0 = xMajor ? a.x : a.y, v0 = xMajor ? a.y : a.x;
    const long long du = xMajor ? dx : dy, dv = xMajor ? dy : dx;
    const long long uLo = xMajor ? window.left() : window.top();
    const long long uHi = xMajor ? window.right() : window.bottom();
    const long long vLo = xMajor ? window.top() : window.left();
    const long long vHi = xMajor ? window.bottom() : window.right();
    const long long n = std::llabs(du);  // steps: the end is step n, not drawn
    const long long su = du > 0 ? 1 : -1;
    // The steps whose u lies in the window.
    const long long first = std::max(0LL, su > 0 ? uLo - u0 : u0 - uHi);
    const long long last = std::min(n - 1, su > 0 ? uHi - u0 : u0 - uLo);
    if (first > last) return;

    // v at step i is v0 + ceil((2 i dv - n) / 2n): the nearest integer to i dv / n
    // with halves going down. Kept as the quotient off and the remainder r of the
    // numerator over D = 2n, with r in (-D, 0]; each step adds 2 dv to the numerator,
    // at most D, so one correction of off keeps r in range. Far-off ends (a line
    // entering the window from millions of pixels away) start in wide arithmetic.
    const long long D = 2 * n, add = 2 * dv;
    long long off, r;
    if (first < (1LL << 28) && std::llabs(dv) < (1LL << 31)) {
        const long long num = 2 * first * dv - n;
        long long q = num / D;  // truncated toward zero
        if (q * D < num) ++q;
        off = q;
        r = num - q * D;
    } else {
        const Wide num = Wide(2) * first * dv - n;
        Wide q = num / D;  // truncated toward zero
        if (q * D < num) ++q;
        off = (long long)q;
        r = (long long)(num - q * D);
    }
    for (long long i = first; i <= last; ++i) {
        const long long v = v0 + off;
        if (v >= vLo && v <= vHi) {
            const long long u = u0 + su * i;
            if (xMajor)
                plot(int(u), int(v), i);
            else
                plot(int(v), int(u), i);
        } else if ((v > vHi && dv >= 0) || (v < vLo && dv <= 0)) {
            break;  // moving away from the window
        }
        r += add;
        if (r > 0) {
            ++off;
            r -= D;
        } else if (r <= -D) {
            --off;
            r += D;
        }
    }
}

// Wide lines (pens of two device pixels and more) on raster devices are
// rasterised here too, by an exact rule that depends only on the segment and the
// pixel, so that a run of lines draws the union of what each line draws whatever
// the lines are cut into:
//
// - pixel (x, y) is drawn when it lies nearer the segment than half the pen width,
//   and of the pixels exactly half the width away, those whose offset from the
//   nearest point of the segment points left, or straight up (so a vertical line
//   of width w is w pixels across, a horizontal one w rows high);
// - the ends are round (the nearest point of a segment may be an end), and a line
//   of no length draws the round dot of the pen.

// Whether pixel p is drawn by the wide line a-b of width w.
struct WideLineRule {
    long long ax, ay, bx, by, dx, dy;
    Wide l2;     // squared length
    Wide w2;     // squared width
    WideLineRule(TPoint a, TPoint b, int w)
        : ax(a.x), ay(a.y), bx(b.x), by(b.y), dx((long long)b.x - a.x), dy((long long)b.y - a.y),
          l2(Wide(dx) * dx + Wide(dy) * dy), w2(Wide(w) * w) {}

    static bool TieSide(long long ox, long long oy) { return ox < 0 || (ox == 0 && oy < 0); }

    bool Inside(long long px, long long py) const {
        const long long ux = px - ax, uy = py - ay;
        const Wide dot = Wide(ux) * dx + Wide(uy) * dy;
        if (l2 == 0 || dot <= 0) return Near(ux, uy);
        if (dot >= l2) return Near(px - bx, py - by);
        const Wide cross = Wide(ux) * dy - Wide(uy) * dx;
        const Wide lhs = 4 * cross * cross, rhs = w2 * l2;
        if (lhs != rhs) return lhs < rhs;
        // The offset is cross / l2 times (dy, -dx).
        const int sc = cross > 0 ? 1 : -1;
        return TieSide(sc * (dy > 0 ? 1 : dy < 0 ? -1 : 0), -sc * (dx > 0 ? 1 : dx < 0 ? -1 : 0));
    }

    bool Near(long long ox, long long oy) const {
        const Wide d = 4 * (Wide(ox) * ox + Wide(oy) * oy);
        return d < w2 || (d == w2 && TieSide(ox, oy));
    }
};

// The round dot of a pen of width w (2 .. kMaxDotWidth) by the rule: for each row
// offset dy from -(w / 2 + 1) to w / 2 + 1 the pixel offsets lo..hi from its
// centre (lo > hi where the row is empty). Worked out once per width.
constexpr int kMaxDotWidth = 256;
struct DotRow {
    int lo, hi;
};
const std::vector<DotRow>& PenDot(int w) {
    thread_local std::vector<std::vector<DotRow>> dots(kMaxDotWidth + 1);
    std::vector<DotRow>& rows = dots[std::size_t(w)];
    if (rows.empty()) {
        const WideLineRule rule(TPoint(0, 0), TPoint(0, 0), w);
        const int reach = w / 2 + 1;
        for (int dy = -reach; dy <= reach; ++dy) {
            DotRow row{0, -1};
            int x = -reach;
            while (x <= reach && !rule.Near(x, dy)) ++x;
            if (x <= reach) {
                row.lo = x;
                while (x + 1 <= reach && rule.Near(x + 1, dy)) ++x;
                row.hi = x;
            }
            rows.push_back(row);
        }
    }
    return rows;
}

// The pixels of the wide line a-b of width w (>= 2) in window, a row at a time:
// span(y, x0, x1) for the drawn pixels x0..x1 of row y.
template <class Span>
void WideLinePixels(TPoint a, TPoint b, int w, const QRect& window, Span&& span) {
    if (a.x == b.x && w <= kMaxDotWidth) {
        // A vertical line (each pixel column of a reduced series draws one) is
        // the pen's dot at its ends and the dot's middle row between them: its
        // nearest point is the upper end on rows up to that end's, the lower end
        // on rows from the lower end's, and straight across on the rows between.
        const std::vector<DotRow>& dot = PenDot(w);
        const long long reach = w / 2 + 1;
        const long long top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
        const long long yLo = std::max<long long>(top - reach, window.top());
        const long long yHi = std::min<long long>(bottom + reach, window.bottom());
        for (long long y = yLo; y <= yHi; ++y) {
            const long long dy = y < top ? y - top : y > bottom ? y - bottom : 0;
            const DotRow& row = dot[std::size_t(dy + reach)];
            const long long lo = std::max<long long>((long long)a.x + row.lo, window.left());
            const long long hi = std::min<long long>((long long)a.x + row.hi, window.right());
            if (lo <= hi) span(int(y), int(lo), int(hi));
        }
        return;
    }
    const WideLineRule rule(a, b, w);
    const double r = w / 2.0;
    const long long reach = w / 2 + 1;
    const long long yLo = std::max<long long>(std::min(a.y, b.y) - reach, window.top());
    const long long yHi = std::min<long long>(std::max(a.y, b.y) + reach, window.bottom());
    const double ax = a.x, ay = a.y, bx = b.x, by = b.y;
    const double dx = bx - ax, dy = by - ay, len = std::sqrt(dx * dx + dy * dy);
    // Far more than the error of the edges worked out below in doubles (a few
    // units in the last place of the largest magnitude they involve).
    const double eps = 1e-7 * (1.0 + std::fabs(ax) + std::fabs(bx) + std::fabs(dx) + std::fabs(dy) + w);
    // Rows strictly between the ends of a vertical line share one span.
    bool haveMiddle = false;
    long long middleLo = 0, middleHi = -1;
    for (long long y = yLo; y <= yHi; ++y) {
        const bool middle = dx == 0 && y > std::min(a.y, b.y) && y < std::max(a.y, b.y);
        long long lo, hi;
        if (middle && haveMiddle) {
            lo = middleLo, hi = middleHi;
        } else {
            // The extent of the exact shape on this row, in doubles, then settled
            // pixel by pixel with the rule.
            double xl = HUGE_VAL, xr = -HUGE_VAL;
            auto disk = [&](double cx, double cy) {
                const double h = r * r - (y - cy) * (y - cy);
                if (h < 0) return;
                const double s = std::sqrt(h);
                xl = std::min(xl, cx - s);
                xr = std::max(xr, cx + s);
            };
            disk(ax, ay);
            disk(bx, by);
            if (len > 0) {
                double sl = -HUGE_VAL, sr = HUGE_VAL;
                const double t = (y - ay);
                if (dy != 0) {
                    const double u1 = ax + (t * dx - r * len) / dy, u2 = ax + (t * dx + r * len) / dy;
                    sl = std::max(sl, std::min(u1, u2));
                    sr = std::min(sr, std::max(u1, u2));
                } else if (std::fabs(t * dx) > r * len) {
                    sl = HUGE_VAL;
                }
                if (dx != 0) {
                    const double v1 = ax - t * dy / dx, v2 = ax + (len * len - t * dy) / dx;
                    sl = std::max(sl, std::min(v1, v2));
                    sr = std::min(sr, std::max(v1, v2));
                } else if (t * dy < 0 || t * dy > len * len) {
                    sl = HUGE_VAL;
                }
                if (sl <= sr) {
                    xl = std::min(xl, sl);
                    xr = std::max(xr, sr);
                }
            }
            // The disks are exact in doubles (small integers and quarters), and the
            // band between them is never narrower than the pen: an empty row is
            // empty.
            if (!(xl <= xr)) continue;
            // The pixels strictly between the edges are the row's: where neither
            // edge comes near a pixel (by far more than the doubles' error), that
            // is all; otherwise the rule settles each pixel at the edges.
            const double fl = std::floor(xl), fr = std::floor(xr);
            if (xl - fl > eps && fl + 1 - xl > eps && xr - fr > eps && fr + 1 - xr > eps) {
                lo = (long long)fl + 1;
                hi = (long long)fr;
                if (lo > hi) continue;
            } else {
                lo = (long long)std::floor(xl) - 1;
                hi = (long long)std::ceil(xr) + 1;
                while (lo <= hi && !rule.Inside(lo, y)) ++lo;
                while (hi >= lo && !rule.Inside(hi, y)) --hi;
                while (rule.Inside(lo - 1, y)) --lo;
                while (hi >= lo && rule.Inside(hi + 1, y)) ++hi;
            }
            if (middle) {
                haveMiddle = true;
                middleLo = lo, middleHi = hi;
            }
        }
        lo = std::max<long long>(lo, window.left());
        hi = std::min<long long>(hi, window.right());
        if (lo <= hi) span(int(y), int(lo), int(hi));
    }
}

// The pixel function of a raster operation on 24-bit colours: with the pen colour
// fixed, each bit of the result is the bit of one of two constants chosen by the
// destination bit, (~d & k0) | (d & k1).
struct RopMasks {
    std::uint32_t k0 = 0, k1 = 0;
};

RopMasks MakeRopMasks(int rop, QRgb pen) {
    // R2_* - 1 is the operation's truth table: bit (2 * pen + destination).
    const unsigned table = unsigned(rop - 1) & 15u;
    const std::uint32_t p = pen & 0xFFFFFFu, np = ~pen & 0xFFFFFFu;
    auto all = [&](int bit) { return (table >> bit) & 1u ? 0xFFFFFFu : 0u; };
    RopMasks m;
    m.k0 = (np & all(0)) | (p & all(2));
    m.k1 = (np & all(1)) | (p & all(3));
    return m;
}

// Stamps of small shapes (a series' markers): the pixels that a shape's fill
// and its outline cover, relative to the top-left corner of its points' box,
// worked out once by drawing it and written again wherever the same shape
// recurs.
struct StampSpan {
    int y, x0, x1;
};
struct Stamp {
    std::vector<StampSpan> fill, outline;
};

// Qt strokes a wide ellipse outline in doubles at the place where the ellipse
// stands, so its pixels may differ by the place, and they do for some sizes and
// pens: a coordinate is rounded at the last bit of its binade (the power of two
// below it). Between places whose coordinates lie in the same binades the
// arithmetic moves along exactly, and so do the pixels. A stamp of such an
// outline therefore belongs to the binades of its place on each axis: kind 1
// and the binade of the coordinates lo..hi that the stroke can reach (all of
// them positive and within one binade), or else kind 2 and the place itself.
struct StampPlace {
    int kindX = 0, x = 0, kindY = 0, y = 0;
};

std::pair<int, int> PlaceOnAxis(long long lo, long long hi) {
    if (lo >= 1 && hi < (1LL << 30)) {
        const int a = 63 - __builtin_clzll((unsigned long long)lo), b = 63 - __builtin_clzll((unsigned long long)hi);
        if (a == b) return {1, a};
    }
    return {2, int(std::clamp<long long>(lo, INT_MIN, INT_MAX))};
}

// The wide outline of the ellipse in box (device pixels, right and bottom
// excluded) with pen, as Qt strokes it where it stands.
void StrokeEllipse(QPainter& painter, const QPen& pen, const TRect& box) {
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(box.left, box.top, box.Width() - 1, box.Height() - 1));
}

// The spans that the pixels other than white of a 16-bit image cover,
// relative to origin.
void CoveredSpans(const QImage& image, QPoint origin, std::vector<StampSpan>& spans) {
    const int w = image.width(), h = image.height();
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const quint16*>(image.constScanLine(y));
        int x = 0;
        while (x < w) {
            while (x < w && line[x] == 0xFFFF) ++x;
            const int x0 = x;
            while (x < w && line[x] != 0xFFFF) ++x;
            if (x > x0) spans.push_back({y - origin.y(), x0 - origin.x(), x - 1 - origin.x()});
        }
    }
}

struct StampKeyHash {
    std::size_t operator()(const std::vector<int>& key) const {
        std::size_t h = 1469598103934665603ULL;
        for (int v : key) h = (h ^ std::size_t(unsigned(v))) * 1099511628211ULL;
        return h;
    }
};

// A whole mark of TDC::Marks for plain copying: the runs of pixels that its
// parts' fills and outlines cover, one part over the one before, each pixel in
// the colour drawn last; relative to the mark's centre.
struct MarkStamp {
    // Each row from its first pixel to its last, in the colours drawn last, with
    // a mask that is all ones on the mark's pixels and zero in the gaps between
    // (a hollow shape's two sides).
    struct Row {
        int y, x0, count, first;  // pixels and masks [first ..] hold x0 .. x0 + count - 1
        bool gaps;
    };
    std::vector<Row> rows;
    std::vector<std::uint32_t> pixels, masks;
    int left = 0, top = 0, right = -1, bottom = -1;  // the rows' box
    std::size_t Bytes() const { return sizeof(MarkStamp) + rows.size() * sizeof(Row) + pixels.size() * 8; }
};

// A mark's parts: their stamps, where each stamp's origin lies from the centre,
// and the colours of fills and outlines.
struct MarkStampKey {
    static constexpr int kMaxParts = 4;
    const Stamp* parts[kMaxParts] = {};
    TPoint origins[kMaxParts];
    int count = 0;
    QRgb fill = 0, outline = 0;
    bool operator==(const MarkStampKey& o) const {
        if (count != o.count || fill != o.fill || outline != o.outline) return false;
        for (int i = 0; i < count; ++i)
            if (parts[i] != o.parts[i] || origins[i] != o.origins[i]) return false;
        return true;
    }
};

struct MarkStampKeyHash {
    std::size_t operator()(const MarkStampKey& k) const {
        std::size_t h = std::hash<unsigned long long>()((unsigned long long)k.fill << 32 | k.outline);
        for (int i = 0; i < k.count; ++i) {
            h = (h ^ std::hash<const void*>()(k.parts[i])) * 1099511628211ULL;
            h = (h ^ std::size_t(unsigned(k.origins[i].x) * 65599u + unsigned(k.origins[i].y))) * 1099511628211ULL;
        }
        return h;
    }
};

MarkStamp ComposeMark(const MarkStampKey& key) {
    MarkStamp mark;
    int l = INT_MAX, t = INT_MAX, r = INT_MIN, b = INT_MIN;
    for (int i = 0; i < key.count; ++i)
        for (const auto* spans : {&key.parts[i]->fill, &key.parts[i]->outline})
            for (const StampSpan& sp : *spans) {
                l = std::min(l, key.origins[i].x + sp.x0), r = std::max(r, key.origins[i].x + sp.x1);
                t = std::min(t, key.origins[i].y + sp.y), b = std::max(b, key.origins[i].y + sp.y);
            }
    if (l > r) return mark;
    const int w = r - l + 1, h = b - t + 1;
    std::vector<unsigned char> grid(std::size_t(w) * std::size_t(h), 0);
    for (int i = 0; i < key.count; ++i) {
        unsigned char colour = 1;
        for (const auto* spans : {&key.parts[i]->fill, &key.parts[i]->outline}) {
            for (const StampSpan& sp : *spans) {
                unsigned char* row = grid.data() + std::size_t(key.origins[i].y + sp.y - t) * std::size_t(w);
                std::fill(row + key.origins[i].x + sp.x0 - l, row + key.origins[i].x + sp.x1 - l + 1, colour);
            }
            colour = 2;
        }
    }
    const std::uint32_t colours[3] = {0, key.fill | 0xFF000000u, key.outline | 0xFF000000u};
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = grid.data() + std::size_t(y) * std::size_t(w);
        int x0 = 0, x1 = w - 1;
        while (x0 <= x1 && !row[x0]) ++x0;
        while (x1 >= x0 && !row[x1]) --x1;
        if (x0 > x1) continue;
        MarkStamp::Row out{t + y, l + x0, x1 - x0 + 1, int(mark.pixels.size()), false};
        for (int x = x0; x <= x1; ++x) {
            mark.pixels.push_back(colours[row[x]]);
            mark.masks.push_back(row[x] ? 0xFFFFFFFFu : 0u);
            out.gaps = out.gaps || !row[x];
        }
        mark.rows.push_back(out);
    }
    mark.left = l, mark.top = t, mark.right = r, mark.bottom = b;
    return mark;
}

// The stamps of this thread, kept from one drawing to the next (every repaint
// draws the same markers again), up to a bound: past it the store starts anew
// and its generation changes.
class StampStore {
public:
    using Entry = std::pair<const std::vector<int>, Stamp>;
    Entry* Find(const std::vector<int>& key) {
        auto it = map_.find(key);
        return it == map_.end() ? nullptr : &*it;
    }
    Entry* Add(const std::vector<int>& key, Stamp stamp) {
        if (map_.size() >= kMaxStamps) Clear();
        return &*map_.emplace(key, std::move(stamp)).first;
    }
    // The whole mark of those parts, composed when new (which may empty the
    // store of whole marks, and so change the generation).
    const MarkStamp* Mark(const MarkStampKey& key) {
        auto it = marks_.find(key);
        if (it != marks_.end()) return &it->second;
        MarkStamp mark = ComposeMark(key);
        if (marks_.size() >= kMaxStamps || markBytes_ + mark.Bytes() > kMaxMarkBytes) {
            marks_.clear();
            markBytes_ = 0;
            ++generation_;
        }
        markBytes_ += mark.Bytes();
        return &marks_.emplace(key, std::move(mark)).first->second;
    }
    void Clear() {
        map_.clear();
        marks_.clear();
        markBytes_ = 0;
        ++generation_;
    }
    // Cleared, the memory given back.
    void Release() {
        Clear();
        decltype(map_)().swap(map_);
        decltype(marks_)().swap(marks_);
    }
    unsigned Generation() const { return generation_; }

private:
    static constexpr std::size_t kMaxStamps = 4096;
    static constexpr std::size_t kMaxMarkBytes = 16 << 20;
    std::unordered_map<std::vector<int>, Stamp, StampKeyHash> map_;
    std::unordered_map<MarkStampKey, MarkStamp, MarkStampKeyHash> marks_;
    std::size_t markBytes_ = 0;
    unsigned generation_ = 0;
};

StampStore& Stamps() {
    thread_local StampStore store;
    return store;
}

// The whole stamps of marks by a key of 62 bits, in open addressing.
class MarkTable {
public:
    // The entry of key, null when new; found tells which.
    const MarkStamp*& At(std::uint64_t key, bool& found) {
        if ((used_ + 1) * 2 > slots_.size()) Grow();
        const std::size_t mask = slots_.size() - 1;
        const std::uint64_t tagged = key | kUsed;
        for (std::size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.key == tagged) {
                found = true;
                return slot.mark;
            }
            if (slot.key == 0) {
                slot = {tagged, nullptr};
                ++used_;
                found = false;
                return slot.mark;
            }
        }
    }
    void Clear() {
        slots_.clear();
        used_ = 0;
    }

private:
    static constexpr std::uint64_t kUsed = 1ULL << 63;
    struct Slot {
        std::uint64_t key = 0;
        const MarkStamp* mark = nullptr;
    };
    static std::size_t Hash(std::uint64_t k) {
        k ^= k >> 33;
        k *= 0xff51afd7ed558ccdULL;
        return std::size_t(k ^ (k >> 33));
    }
    void Grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(std::max<std::size_t>(1024, old.size() * 2), Slot());
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.key == 0) continue;
            std::size_t i = Hash(slot.key & ~kUsed) & mask;
            while (slots_[i].key != 0) i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

// The whole stamps that the marks of one TDC::Marks serial with one pen and
// brush were found to have (the serial holds the mapping, so the pen's width on
// the device follows), kept from one drawing to the next on this thread
// while the store keeps its generation: by shape, or for marks stroked where
// they stand by shape and place.
struct MarkCache {
    unsigned serial = 0;
    TPen pen = TPen(0);
    TBrush brush = TBrush(0);
    unsigned generation = 0;
    std::vector<const MarkStamp*> byShape;
    std::vector<unsigned char> known;
    MarkTable byPlace;

    void Reset(unsigned storeGeneration) {
        byShape.clear();
        known.clear();
        byPlace.Clear();
        generation = storeGeneration;
    }
};

// The last few: a page's series each have theirs.
std::vector<std::unique_ptr<MarkCache>>& MarkCaches() {
    thread_local std::vector<std::unique_ptr<MarkCache>> caches;
    return caches;
}

MarkCache& MarkCacheFor(unsigned serial, const TPen& pen, const TBrush& brush) {
    std::vector<std::unique_ptr<MarkCache>>& caches = MarkCaches();
    auto it = std::find_if(caches.begin(), caches.end(), [&](const auto& c) {
        return c->serial == serial && c->pen == pen && c->brush == brush;
    });
    std::unique_ptr<MarkCache> cache;
    if (it != caches.end()) {
        cache = std::move(*it);
        caches.erase(it);
    } else {
        cache = std::make_unique<MarkCache>();
        cache->serial = serial, cache->pen = pen, cache->brush = brush;
        cache->generation = Stamps().Generation();
    }
    caches.insert(caches.begin(), std::move(cache));
    if (caches.size() > 16) caches.pop_back();
    return *caches.front();
}

// A place on one axis as a key of 25 bits: its binade, or the place itself
// near enough to the page; -1 beyond (no key).
long long PlaceKey(int kind, int value) {
    if (kind == 1) return value;
    if (value > -(1 << 23) && value < (1 << 23)) return 32 + (value + (1 << 23));
    return -1;
}

class PainterBackend final : public TDCBackend {
public:
    PainterBackend(QPaintDevice* device, QPainter* painter, const TDeviceInfo& info)
        : device_(painter ? painter->device() : device), external_(painter), info_(info) {
        dpiX_ = info.logPixelsX > 0 ? info.logPixelsX : device_->logicalDpiX();
        dpiY_ = info.logPixelsY > 0 ? info.logPixelsY : device_->logicalDpiY();
        paged_ = dynamic_cast<QPagedPaintDevice*>(device_);
    }
    ~PainterBackend() override { Flush(); }

    int GetDeviceCaps(int index) const override;
    bool WantsTrace() const override { return false; }
    void Line(const TDC& dc, TPoint a, TPoint b) override;
    void Polyline(const TDC& dc, const TPoint* pts, int n) override;
    void Polygon(const TDC& dc, const TPoint* pts, int n) override;
    void Strokes(const TDC& dc, const TPoint* pts, const int* counts, int groups) override;
    bool Marks(const TDC& dc, const TDCMarks& marks) override;
    void Rectangle(const TDC& dc, const TRect& r) override;
    void Ellipse(const TDC& dc, const TRect& r) override;
    void RoundRect(const TDC& dc, const TRect& r, TSize corner) override;
    COLORREF SetPixel(const TDC& dc, TPoint p, COLORREF c) override;
    void Text(const TDC& dc, const TTextGlyph& g) override;
    bool NewPage() override;
    void Flush() override;

private:
    QPainter* Begin();
    // Sets clip and raster operation; false when nothing is to be drawn.
    bool Prepare(const TDC& dc, bool rasterOp = true);
    QPen MakePen(const TDC& dc) const;
    QBrush MakeBrush(const TDC& dc);
    // Pixels a filled shape keeps clear of its outline on each side.
    int FillInset(const TDC& dc) const;
    QPolygon ToPolygon(const TPoint* pts, int n) const;
    // Whether the current pen draws thin lines through ThinPath: a one-pixel pen on
    // a raster device.
    bool ThinRaster(const TDC& dc);
    // Whether the current pen draws lines through WideLine: a solid pen two device
    // pixels wide or more on a raster device.
    bool WideRaster(const TDC& dc);
    // The wide line a-b with the current pen. Prepare must have succeeded.
    void WideLine(const TDC& dc, TPoint a, TPoint b);
    // The wide outline through pts (closed: back to the first point too): the
    // union of its edges' wide lines, each pixel drawn once whatever the raster
    // operation, so that the joints are round and the same wherever the shape
    // stands. Prepare must have succeeded.
    void WideOutline(const TDC& dc, const TPoint* pts, int n, bool closed);
    // Paints the spans of pixels that walk hands, one at a time, to the function
    // it is given (y, x0, x1: the row and its first and last pixel), in colour
    // with the raster operation: straight into a direct image, else through the
    // painter.
    template <class Walk>
    void PaintSpans(const TDC& dc, QRgb colour, const Walk& walk);
    // The device, or the rectangles of the clip within it; empty when nothing is
    // to be drawn.
    void ClipWindows(const TDC& dc);
    // The thin outline through pts (closed: back to the first point too), each
    // segment without its end point, the pen's dashes running on across the
    // segments. Prepare must have succeeded.
    void ThinPath(const TDC& dc, const TPoint* pts, int n, bool closed);
    // The painter's image when its pixels can be written directly.
    QImage* DirectImage() const;
    // A small filled and outlined shape (kind 0: the polygon pts[0..n-1]; kind 1:
    // the ellipse in the rectangle pts[0]-pts[1]; kind 2: the strokes of
    // TDC::Strokes, counts[0..groups-1] points each, no fill; kind 3: the fill of
    // the ellipse alone) drawn from its stamp: the pixels
    // its fill and its outline cover were worked out once, by the drawing itself,
    // and are written again wherever the same shape recurs (a series' markers).
    // False when the shape or the device do not allow it; then nothing is drawn.
    bool DrawStamped(const TDC& dc, int kind, const TPoint* pts, int n, const int* counts = nullptr,
                     int groups = 0);
    // The stamp of such a shape, made when it is new, and the device point its
    // spans are relative to; null when the shape or the pen and brush do not
    // allow one.
    const Stamp* FindStamp(const TDC& dc, int kind, const TPoint* pts, int n, const int* counts, int groups,
                           TPoint& origin);

    QPaintDevice* device_ = nullptr;
    QPainter* external_ = nullptr;
    QPainter* painter_ = nullptr;
    std::unique_ptr<QPainter> own_;
    bool failed_ = false;
    bool raster_ = false;
    bool systemClipped_ = false;
    QPagedPaintDevice* paged_ = nullptr;
    TDeviceInfo info_;
    int dpiX_ = 96;
    int dpiY_ = 96;
    int appliedClip_ = -1;
    std::map<std::tuple<int, COLORREF, COLORREF, bool>, QImage> textures_;
    // The last drawing font, rebuilt only when the font or size changes.
    const kv::ResolvedFont* fontFor_ = nullptr;
    LOGFONT fontLf_{};
    int fontFace_ = -1;
    double fontSize_ = -1.0;
    QFont font_;
    // The whole stamp of mark k of marks, made when new; null when one of its
    // parts has no stamp.
    const MarkStamp* FindMarkStamp(const TDC& dc, const TDCMarks& marks, int k);
    // Mark k of marks through the parts' own calls.
    void DrawMarkParts(const TDC& dc, const TDCMarks& marks, int k);
    void PutMark(const MarkStamp& mark, TPoint centre, uchar* bits, qsizetype stride);
    // The stamp used last (markers of a series mostly repeat it), while the
    // store's generation is the one it was found in.
    StampStore::Entry* lastStamp_ = nullptr;
    unsigned lastStampGeneration_ = 0;
    std::vector<int> stampKey_;
    // Scratch of the thin lines.
    std::vector<QRect> windows_;
    bool windowsValid_ = false;
    int windowsSerial_ = 0;
    QSize windowsSize_;
    std::vector<QPoint> points_;
    std::vector<unsigned char> dashOn_;
    std::vector<StampSpan> outline_;
};

QPainter* PainterBackend::Begin() {
    if (painter_) return painter_;
    if (failed_ || !device_) return nullptr;
    if (external_) {
        painter_ = external_;
    } else {
        own_ = std::make_unique<QPainter>();
        if (!own_->begin(device_)) {
            own_.reset();
            failed_ = true;
            return nullptr;
        }
        painter_ = own_.get();
    }
    painter_->resetTransform();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, false);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_->setBrushOrigin(0, 0);
    painter_->setBackgroundMode(Qt::TransparentMode);
    raster_ = painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Raster;
    // Set by the window system when painting begins.
    systemClipped_ = !painter_->paintEngine() || !painter_->paintEngine()->systemClip().isEmpty();
    appliedClip_ = -1;
    return painter_;
}

void PainterBackend::Flush() {
    if (own_) own_->end();
    own_.reset();
    painter_ = nullptr;
    appliedClip_ = -1;
}

bool PainterBackend::NewPage() {
    if (!paged_) return false;
    Begin();
    return paged_->newPage();
}

bool PainterBackend::Prepare(const TDC& dc, bool rasterOp) {
    QPainter* p = Begin();
    if (!p) return false;
    if (dc.GetClipSerial() != appliedClip_) {
        if (const QRegion* clip = dc.GetDeviceClip())
            p->setClipRegion(*clip);
        else
            p->setClipping(false);
        appliedClip_ = dc.GetClipSerial();
    }
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (rasterOp && raster_) {
        switch (dc.GetROP2()) {
        case R2_NOP: return false;
        case R2_BLACK: mode = QPainter::RasterOp_ClearDestination; break;
        case R2_WHITE: mode = QPainter::RasterOp_SetDestination; break;
        case R2_NOTMERGEPEN: mode = QPainter::RasterOp_NotSourceAndNotDestination; break;
        case R2_MASKNOTPEN: mode = QPainter::RasterOp_NotSourceAndDestination; break;
        case R2_NOTCOPYPEN: mode = QPainter::RasterOp_NotSource; break;
        case R2_MASKPENNOT: mode = QPainter::RasterOp_SourceAndNotDestination; break;
        case R2_NOT: mode = QPainter::RasterOp_NotDestination; break;
        case R2_XORPEN: mode = QPainter::RasterOp_SourceXorDestination; break;
        case R2_NOTMASKPEN: mode = QPainter::RasterOp_NotSourceOrNotDestination; break;
        case R2_MASKPEN: mode = QPainter::RasterOp_SourceAndDestination; break;
        case R2_NOTXORPEN: mode = QPainter::RasterOp_NotSourceXorDestination; break;
        case R2_MERGENOTPEN: mode = QPainter::RasterOp_NotSourceOrDestination; break;
        case R2_MERGEPENNOT: mode = QPainter::RasterOp_SourceOrNotDestination; break;
        case R2_MERGEPEN: mode = QPainter::RasterOp_SourceOrDestination; break;
        default: break;
        }
    }
    if (p->compositionMode() != mode) p->setCompositionMode(mode);
    return true;
}

QPen PainterBackend::MakePen(const TDC& dc) const {
    const TPen& pen = dc.GetPen();
    if (pen.IsNull()) return QPen(Qt::NoPen);
    const int w = dc.DevicePenWidth();
    QPen q(ToQColor(pen.GetColor()), w);
    q.setCapStyle(w == 0 ? Qt::FlatCap : Qt::RoundCap);
    q.setJoinStyle(w == 0 ? Qt::MiterJoin : Qt::RoundJoin);
    if (w == 0) {
        if (const QList<qreal>* pattern = CosmeticPattern(pen.GetStyle())) {
            // Cosmetic patterns count pixels, so a fine device gets longer dashes.
            const qreal unit = std::max(1.0, std::round(dpiX_ / 96.0));
            QList<qreal> scaled;
            for (qreal v : *pattern) scaled << v * unit;
            q.setDashPattern(scaled);
        }
    } else if (const QList<qreal>* pattern = WidePattern(pen.GetStyle())) {
        q.setDashPattern(*pattern);
    }
    return q;
}

QBrush PainterBackend::MakeBrush(const TDC& dc) {
    const TBrush& b = dc.GetBrush();
    if (b.IsNull()) return QBrush(Qt::NoBrush);
    if (b.GetStyle() != BS_HATCHED || b.GetHatch() < HS_HORIZONTAL || b.GetHatch() > HS_DIAGCROSS)
        return QBrush(ToQColor(b.GetColor()));
    const bool opaque = dc.GetBkMode() == OPAQUE;
    const COLORREF fg = ResolveColor(b.GetColor());
    const COLORREF bg = opaque ? ResolveColor(dc.GetBkColor()) : 0;
    auto key = std::make_tuple(b.GetHatch(), fg, bg, opaque);
    auto it = textures_.find(key);
    if (it == textures_.end()) {
        // One tile at the device's resolution, so that the hatch has the same
        // physical spacing on screen, paper and PDF.
        const int period = kv::HatchPeriod(dpiX_);
        const int thickness = kv::HatchThickness(dpiX_);
        QImage tile(period, period, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        const QRgb on = ToQColor(fg).rgb();
        const QRgb off = opaque ? ToQColor(bg).rgb() : qRgba(0, 0, 0, 0);
        for (int y = 0; y < period; ++y) {
            auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
            for (int x = 0; x < period; ++x)
                line[x] = kv::HatchPixel(b.GetHatch(), x, y, period, thickness) ? on : off;
        }
        if (textures_.size() > 64) textures_.clear();
        it = textures_.emplace(key, std::move(tile)).first;
    }
    return QBrush(it->second);
}

int PainterBackend::FillInset(const TDC& dc) const {
    if (dc.GetPen().IsNull()) return 0;
    const int w = dc.DevicePenWidth();
    return w == 0 ? 1 : (w + 1) / 2;
}

QPolygon PainterBackend::ToPolygon(const TPoint* pts, int n) const {
    QPolygon poly(n);
    for (int i = 0; i < n; ++i) poly.setPoint(i, pts[i].x, pts[i].y);
    return poly;
}

int PainterBackend::GetDeviceCaps(int index) const {
    const int w = device_ ? device_->width() : 0;
    const int h = device_ ? device_->height() : 0;
    QRect full(0, 0, w, h);
    QRect paint(0, 0, w, h);
    if (paged_) {
        const QPageLayout layout = paged_->pageLayout();
        full = layout.fullRectPixels(dpiX_);
        paint = layout.paintRectPixels(dpiX_);
    }
    switch (index) {
    case TECHNOLOGY:
        return info_.technology ? info_.technology : (paged_ ? DT_RASPRINTER : DT_RASDISPLAY);
    case HORZSIZE: return device_ ? device_->widthMM() : 0;
    case VERTSIZE: return device_ ? device_->heightMM() : 0;
    case HORZRES: return w;
    case VERTRES: return h;
    case BITSPIXEL: return device_ ? device_->depth() : 0;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return 1;
    case LOGPIXELSX: return dpiX_;
    case LOGPIXELSY: return dpiY_;
    case PHYSICALWIDTH: return info_.physicalWidth ? info_.physicalWidth : full.width();
    case PHYSICALHEIGHT: return info_.physicalHeight ? info_.physicalHeight : full.height();
    case PHYSICALOFFSETX: return info_.physicalOffsetX ? info_.physicalOffsetX : paint.left();
    case PHYSICALOFFSETY: return info_.physicalOffsetY ? info_.physicalOffsetY : paint.top();
    default: return 0;
    }
}

bool PainterBackend::ThinRaster(const TDC& dc) {
    return !dc.GetPen().IsNull() && dc.DevicePenWidth() == 0 && Begin() && raster_;
}

bool PainterBackend::WideRaster(const TDC& dc) {
    const int style = dc.GetPen().GetStyle();
    return (style == PS_SOLID || style == PS_INSIDEFRAME) && dc.DevicePenWidth() >= 2 && Begin() &&
           raster_;
}

void PainterBackend::ClipWindows(const TDC& dc) {
    // The same clip on the same device gives the same rectangles.
    const int serial = dc.GetDeviceClip() ? dc.GetClipSerial() : -1;
    const QSize size(device_->width(), device_->height());
    if (windowsValid_ && serial == windowsSerial_ && size == windowsSize_) return;
    windowsValid_ = true;
    windowsSerial_ = serial;
    windowsSize_ = size;
    windows_.clear();
    const QRect bounds(0, 0, device_->width(), device_->height());
    if (const QRegion* clip = dc.GetDeviceClip()) {
        for (const QRect& r : *clip)
            if (QRect w = r & bounds; !w.isEmpty()) windows_.push_back(w);
    } else if (!bounds.isEmpty()) {
        windows_.push_back(bounds);
    }
}

template <class Walk>
void PainterBackend::PaintSpans(const TDC& dc, QRgb colour, const Walk& walk) {
    if (QImage* image = DirectImage()) {
        uchar* bits = image->bits();
        const qsizetype stride = image->bytesPerLine();
        const RopMasks m = MakeRopMasks(dc.GetROP2(), colour);
        const bool copy = dc.GetROP2() == R2_COPYPEN;
        walk([&](int y, int x0, int x1) {
            auto* px = reinterpret_cast<std::uint32_t*>(bits + y * stride);
            if (copy) {
                std::fill(px + x0, px + x1 + 1, std::uint32_t(colour | 0xFF000000u));
                return;
            }
            for (int x = x0; x <= x1; ++x) px[x] = (~px[x] & m.k0) | (px[x] & m.k1) | 0xFF000000u;
        });
        return;
    }
    // Other raster devices: the same spans through the painter, with its raster
    // operation and clip.
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(Qt::NoBrush);
    walk([&](int y, int x0, int x1) { painter_->fillRect(QRect(x0, y, x1 - x0 + 1, 1), QColor(colour)); });
}

void PainterBackend::WideLine(const TDC& dc, TPoint a, TPoint b) {
    ClipWindows(dc);
    if (windows_.empty()) return;
    const int w = dc.DevicePenWidth();
    PaintSpans(dc, ToQColor(dc.GetPen().GetColor()).rgb(), [&](const auto& put) {
        for (const QRect& window : windows_) WideLinePixels(a, b, w, window, put);
    });
}

QImage* PainterBackend::DirectImage() const {
    if (!painter_ || device_->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(device_);
    switch (image->format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: break;
    default: return nullptr;
    }
    // A shared image would be copied by bits(), away from the painter's buffer;
    // a scaled image or a system clip are the painter's to handle.
    if (image->devicePixelRatio() != 1.0 || !image->isDetached()) return nullptr;
    if (systemClipped_) return nullptr;
    return image;
}

void PainterBackend::WideOutline(const TDC& dc, const TPoint* pts, int n, bool closed) {
    if (n < 1) return;
    ClipWindows(dc);
    if (windows_.empty()) return;
    const int w = dc.DevicePenWidth();
    outline_.clear();
    const int edges = closed ? n : std::max(n - 1, 1);
    for (int i = 0; i < edges; ++i) {
        const TPoint a = pts[i], b = pts[n > 1 ? (i + 1) % n : 0];
        for (const QRect& window : windows_)
            WideLinePixels(a, b, w, window, [&](int y, int x0, int x1) { outline_.push_back({y, x0, x1}); });
    }
    std::sort(outline_.begin(), outline_.end(), [](const StampSpan& l, const StampSpan& r) {
        return l.y != r.y ? l.y < r.y : l.x0 < r.x0;
    });
    // Overlapping and touching spans of a row become one.
    std::size_t kept = 0;
    for (const StampSpan& sp : outline_) {
        if (kept > 0 && outline_[kept - 1].y == sp.y && (long long)sp.x0 <= (long long)outline_[kept - 1].x1 + 1) {
            outline_[kept - 1].x1 = std::max(outline_[kept - 1].x1, sp.x1);
            continue;
        }
        outline_[kept++] = sp;
    }
    outline_.resize(kept);

    PaintSpans(dc, ToQColor(dc.GetPen().GetColor()).rgb(), [&](const auto& put) {
        for (const StampSpan& sp : outline_) put(sp.y, sp.x0, sp.x1);
    });
}

void PainterBackend::ThinPath(const TDC& dc, const TPoint* pts, int n, bool closed) {
    if (n < 2) return;
    const QRgb colour = ToQColor(dc.GetPen().GetColor()).rgb();

    // The dashes of a styled pen, one entry per pixel of a period; they count the
    // steps along the longer axis, from the first point of the outline.
    dashOn_.clear();
    if (const QList<qreal>* pattern = CosmeticPattern(dc.GetPen().GetStyle())) {
        const int unit = std::max(1, int(std::lround(dpiX_ / 96.0)));
        for (int k = 0; k < pattern->size(); ++k)
            dashOn_.insert(dashOn_.end(), std::size_t(std::lround((*pattern)[k]) * unit),
                           (unsigned char)(k % 2 == 0 ? 1 : 0));
    }
    const long long period = (long long)dashOn_.size();

    // The device, and within it each rectangle of the clip: the rectangles do not
    // overlap, so every pixel is reached once.
    ClipWindows(dc);
    if (windows_.empty()) return;

    auto run = [&](auto&& plot) {
        for (const QRect& window : windows_) {
            long long start = 0;  // the dash phase of the segment's first pixel
            for (int i = 0; i < n; ++i) {
                if (i == n - 1 && !closed) break;
                const TPoint a = pts[i], b = pts[i + 1 < n ? i + 1 : 0];
                if (period == 0) {
                    ThinLinePixels(a, b, window, [&](int x, int y, long long) { plot(x, y); });
                } else {
                    ThinLinePixels(a, b, window, [&](int x, int y, long long step) {
                        if (dashOn_[std::size_t((start + step) % period)]) plot(x, y);
                    });
                    const long long len = std::max(std::llabs((long long)b.x - a.x),
                                                   std::llabs((long long)b.y - a.y));
                    start = (start + len) % period;
                }
            }
        }
    };

    if (QImage* image = DirectImage()) {
        uchar* bits = image->bits();
        const qsizetype stride = image->bytesPerLine();
        const RopMasks m = MakeRopMasks(dc.GetROP2(), colour);
        run([&](int x, int y) {
            auto* px = reinterpret_cast<std::uint32_t*>(bits + y * stride) + x;
            *px = (~*px & m.k0) | (*px & m.k1) | 0xFF000000u;
        });
        return;
    }
    // Other raster devices: the same pixels as points, with the painter's raster
    // operation and clip.
    points_.clear();
    run([&](int x, int y) { points_.emplace_back(x, y); });
    if (points_.empty()) return;
    painter_->setPen(QPen(QColor(colour), 0, Qt::SolidLine, Qt::SquareCap));
    painter_->setBrush(Qt::NoBrush);
    painter_->drawPoints(points_.data(), int(points_.size()));
}

void PainterBackend::Line(const TDC& dc, TPoint a, TPoint b) {
    if (ThinRaster(dc)) {
        const TPoint ends[2] = {a, b};
        if (a != b && Prepare(dc)) ThinPath(dc, ends, 2, false);
        return;
    }
    if (WideRaster(dc)) {
        if (Prepare(dc)) WideLine(dc, a, b);
        return;
    }
    QPen pen = MakePen(dc);
    if (pen.style() == Qt::NoPen) return;
    if (a == b && dc.DevicePenWidth() == 0) return;  // a thin line of no length
    if (!Prepare(dc)) return;
    painter_->setPen(pen);
    painter_->setBrush(Qt::NoBrush);
    painter_->drawLine(a.x, a.y, b.x, b.y);
}

void PainterBackend::Polyline(const TDC& dc, const TPoint* pts, int n) {
    if (ThinRaster(dc)) {
        if (Prepare(dc)) ThinPath(dc, pts, n, false);
        return;
    }
    QPen pen = MakePen(dc);
    if (pen.style() == Qt::NoPen || !Prepare(dc)) return;
    painter_->setPen(pen);
    painter_->setBrush(Qt::NoBrush);
    painter_->drawPolyline(ToPolygon(pts, n));
}

const Stamp* PainterBackend::FindStamp(const TDC& dc, int kind, const TPoint* pts, int n, const int* counts,
                                       int groups, TPoint& origin) {
    constexpr int kMaxSide = 64, kMaxPoints = 16;
    if (n < 2 || n > kMaxPoints) return nullptr;
    const TPen& pen = dc.GetPen();
    // Strokes have no fill.
    const TBrush brush = kind == 2 ? TBrush::Stock(NULL_BRUSH) : dc.GetBrush();
    // Solid outlines: thin ones and wide ones of polygons and strokes, drawn by
    // the exact rules of this backend, and wide ones of ellipses, stroked by Qt
    // (see StampPlace); the fill of an ellipse alone whatever its outline.
    const int devicePen = pen.IsNull() ? 0 : dc.DevicePenWidth();
    if (kind != 3 && !pen.IsNull() &&
        (pen.GetStyle() != PS_SOLID || (devicePen != 0 && kind != 1 && !WideRaster(dc))))
        return nullptr;
    // Hatches are laid from the device's corner: a shape does not carry them along.
    if (!brush.IsNull() && brush.GetStyle() != BS_SOLID) return nullptr;
    int left = pts[0].x, top = pts[0].y, right = left, bottom = top;
    for (int i = 1; i < n; ++i) {
        left = std::min(left, pts[i].x), right = std::max(right, pts[i].x);
        top = std::min(top, pts[i].y), bottom = std::max(bottom, pts[i].y);
    }
    if ((long long)right - left > kMaxSide || (long long)bottom - top > kMaxSide) return nullptr;
    // A fill alone (kind 3) leaves its outline to the caller, whatever its width;
    // an outline wider than a stamp is drawn directly.
    const int penWidth = pen.IsNull() || kind == 3 ? -1 : devicePen;
    if (penWidth > kMaxSide) return nullptr;
    const int margin = std::max(penWidth, 0) + 2;
    const bool stroked = kind == 1 && penWidth > 0;
    StampPlace place;
    if (stroked) {
        std::tie(place.kindX, place.x) = PlaceOnAxis((long long)left - margin, (long long)right + margin);
        std::tie(place.kindY, place.y) = PlaceOnAxis((long long)top - margin, (long long)bottom + margin);
    }
    stampKey_.clear();
    stampKey_.push_back(kind);
    stampKey_.push_back(penWidth);
    stampKey_.push_back(brush.IsNull() ? 0 : 1);
    stampKey_.push_back(place.kindX);
    stampKey_.push_back(place.x);
    stampKey_.push_back(place.kindY);
    stampKey_.push_back(place.y);
    for (int g = 0; g < groups; ++g) stampKey_.push_back(counts[g]);
    for (int i = 0; i < n; ++i) {
        stampKey_.push_back(pts[i].x - left);
        stampKey_.push_back(pts[i].y - top);
    }
    origin = TPoint(left, top);
    // Markers of a series mostly repeat the stamp before.
    StampStore& store = Stamps();
    StampStore::Entry* it = lastStamp_ && lastStampGeneration_ == store.Generation() ? lastStamp_ : nullptr;
    if (!it || it->first != stampKey_) it = store.Find(stampKey_);
    if (!it) {
        // Drawn on an image of its own, fill and outline apart, by the same code
        // as any shape (that image is 16-bit, so it is drawn directly, not stamped).
        const int w = right - left + 1 + 2 * margin, h = bottom - top + 1 + 2 * margin;
        TDeviceInfo info = info_;
        info.logPixelsX = dpiX_;
        info.logPixelsY = dpiY_;
        info.technology = DT_RASDISPLAY;
        std::vector<TPoint> shifted(pts, pts + n);
        for (TPoint& p : shifted) p = TPoint(p.x - left + margin, p.y - top + margin);
        auto cover = [&](bool fill, std::vector<StampSpan>& spans) {
            QImage scratch(w, h, QImage::Format_RGB16);
            scratch.fill(Qt::white);
            if (!fill && stroked) {
                // Stroked at the shape's own place, moved onto the scratch image
                // by the painter: the same arithmetic as on the device.
                QPainter painter(&scratch);
                painter.setRenderHint(QPainter::Antialiasing, false);
                painter.translate(margin - left, margin - top);
                QPen qpen = MakePen(dc);
                qpen.setColor(Qt::black);
                StrokeEllipse(painter, qpen, TRect(pts[0], pts[1]));
            } else {
                TDC sdc(&scratch, info);
                if (fill) {
                    if (brush.IsNull()) return;
                    sdc.SelectStockObject(NULL_PEN);
                    sdc.SelectObject(TBrush(RGB(0, 0, 0)));
                } else {
                    if (pen.IsNull() || kind == 3) return;
                    sdc.SelectObject(TPen(RGB(0, 0, 0), std::max(penWidth, 0)));
                    sdc.SelectStockObject(NULL_BRUSH);
                }
                if (kind == 0) {
                    sdc.Polygon(shifted.data(), n);
                } else if (kind == 1 || kind == 3) {
                    sdc.Ellipse(shifted[0].x, shifted[0].y, shifted[1].x, shifted[1].y);
                } else {
                    const TPoint* p = shifted.data();
                    for (int g = 0; g < groups; p += counts[g++]) {
                        sdc.MoveToEx(p[0].x, p[0].y);
                        for (int k = 1; k < counts[g]; ++k) sdc.LineTo(p[k].x, p[k].y);
                    }
                }
            }
            CoveredSpans(scratch, QPoint(margin, margin), spans);
        };
        Stamp stamp;
        if (stroked && !brush.IsNull()) {
            // The fill does not depend on the place: that of the ellipse's fill
            // alone, made once.
            std::vector<int> fillKey = stampKey_;
            fillKey[0] = 3, fillKey[1] = -1;
            std::fill(fillKey.begin() + 3, fillKey.begin() + 7, 0);
            if (StampStore::Entry* fill = store.Find(fillKey)) {
                stamp.fill = fill->second.fill;
            } else {
                cover(true, stamp.fill);
                store.Add(fillKey, Stamp{stamp.fill, {}});
            }
        } else {
            cover(true, stamp.fill);
        }
        cover(false, stamp.outline);
        it = store.Add(stampKey_, std::move(stamp));
    }
    lastStamp_ = it;
    lastStampGeneration_ = store.Generation();
    return &it->second;
}

bool PainterBackend::DrawStamped(const TDC& dc, int kind, const TPoint* pts, int n, const int* counts,
                                 int groups) {
    QImage* image = DirectImage();
    if (!image) return false;
    TPoint origin;
    const Stamp* stamp = FindStamp(dc, kind, pts, n, counts, groups, origin);
    if (!stamp) return false;
    const int left = origin.x, top = origin.y;
    const TPen& pen = dc.GetPen();
    const TBrush& brush = dc.GetBrush();
    ClipWindows(dc);
    uchar* bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    auto put = [&](const std::vector<StampSpan>& spans, COLORREF c) {
        if (spans.empty()) return;
        const COLORREF rgb = ResolveColor(c);
        const QRgb colour = qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
        const RopMasks m = MakeRopMasks(dc.GetROP2(), colour);
        const bool copy = dc.GetROP2() == R2_COPYPEN;
        for (const QRect& window : windows_) {
            for (const StampSpan& sp : spans) {
                const long long y = (long long)top + sp.y;
                if (y < window.top() || y > window.bottom()) continue;
                const long long x0 = std::max<long long>((long long)left + sp.x0, window.left());
                const long long x1 = std::min<long long>((long long)left + sp.x1, window.right());
                if (x0 > x1) continue;
                auto* px = reinterpret_cast<std::uint32_t*>(bits + y * stride);
                if (copy) {
                    std::fill(px + x0, px + x1 + 1, std::uint32_t(colour | 0xFF000000u));
                    continue;
                }
                for (long long x = x0; x <= x1; ++x) px[x] = (~px[x] & m.k0) | (px[x] & m.k1) | 0xFF000000u;
            }
        }
    };
    put(stamp->fill, brush.GetColor());
    put(stamp->outline, pen.GetColor());
    return true;
}

void PainterBackend::Polygon(const TDC& dc, const TPoint* pts, int n) {
    if (!Prepare(dc)) return;
    if (DrawStamped(dc, 0, pts, n)) return;
    QPolygon poly = ToPolygon(pts, n);
    QBrush brush = MakeBrush(dc);
    if (brush.style() != Qt::NoBrush) {
        painter_->setPen(Qt::NoPen);
        painter_->setBrush(brush);
        painter_->drawPolygon(poly, Qt::OddEvenFill);
    }
    if (ThinRaster(dc)) {
        ThinPath(dc, pts, n, true);
        return;
    }
    if (WideRaster(dc)) {
        WideOutline(dc, pts, n, true);
        return;
    }
    QPen pen = MakePen(dc);
    if (pen.style() != Qt::NoPen) {
        painter_->setPen(pen);
        painter_->setBrush(Qt::NoBrush);
        painter_->drawPolygon(poly);
    }
}

void PainterBackend::Strokes(const TDC& dc, const TPoint* pts, const int* counts, int groups) {
    int total = 0;
    for (int g = 0; g < groups; ++g) total += counts[g];
    // Drawn whole from a stamp where each pixel drawn once is what drawing the
    // lines one after another gives: plain copying with a solid pen.
    if (dc.GetROP2() == R2_COPYPEN && !dc.GetPen().IsNull() && dc.GetPen().GetStyle() == PS_SOLID &&
        (ThinRaster(dc) || WideRaster(dc)) && Prepare(dc) && DrawStamped(dc, 2, pts, total, counts, groups))
        return;
    TDCBackend::Strokes(dc, pts, counts, groups);
}

bool PainterBackend::Marks(const TDC& dc, const TDCMarks& m) {
    // Whole marks stand for their parts' pixels only in plain copying, written
    // straight into the image.
    if (dc.GetROP2() != R2_COPYPEN || !Prepare(dc)) return false;
    QImage* image = DirectImage();
    if (!image) return false;
    const TPen& pen = dc.GetPen();
    const int devicePen = pen.IsNull() ? -1 : dc.DevicePenWidth();
    StampStore& store = Stamps();
    MarkCache& cache = MarkCacheFor(m.serial, pen, dc.GetBrush());
    if (cache.generation != store.Generation()) cache.Reset(store.Generation());
    // An ellipse with a wide solid outline has stamps by its place (StampPlace):
    // the mark's whole stamp goes by the place of its only such ellipse.
    int ellipses = 0, ellipseFirst = 0;
    for (int p = 0, first = 0; p < m.partCount; first += m.parts[p++].count)
        if (m.parts[p].kind == TDCMarkPart::Ellipse && ellipses++ == 0) ellipseFirst = first;
    const bool placed = ellipses > 0 && !pen.IsNull() && pen.GetStyle() == PS_SOLID && devicePen > 0;
    const int margin = devicePen + 2;
    ClipWindows(dc);
    uchar* bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    for (int k = 0; k < m.count; ++k) {
        const int shape = m.shapes[k];
        const MarkStamp* mark = nullptr;
        if (!placed) {
            if (std::size_t(shape) >= cache.known.size()) {
                cache.known.resize(std::size_t(shape) + 1, 0);
                cache.byShape.resize(std::size_t(shape) + 1, nullptr);
            }
            if (!cache.known[std::size_t(shape)]) {
                cache.byShape[std::size_t(shape)] = FindMarkStamp(dc, m, k);
                cache.known[std::size_t(shape)] = 1;
            }
            mark = cache.byShape[std::size_t(shape)];
        } else {
            long long key = -1;
            if (ellipses == 1 && shape < (1 << 12)) {
                const TPoint* box = m.offsets + std::ptrdiff_t(shape) * m.points + ellipseFirst;
                const TPoint c = m.centres[k];
                const long long x0 = (long long)c.x + box[0].x, x1 = (long long)c.x + box[1].x;
                const long long y0 = (long long)c.y + box[0].y, y1 = (long long)c.y + box[1].y;
                const auto [kindX, x] = PlaceOnAxis(std::min(x0, x1) - margin, std::max(x0, x1) + margin);
                const auto [kindY, y] = PlaceOnAxis(std::min(y0, y1) - margin, std::max(y0, y1) + margin);
                const long long kx = PlaceKey(kindX, x), ky = PlaceKey(kindY, y);
                if (kx >= 0 && ky >= 0) key = (long long)shape << 50 | kx << 25 | ky;
            }
            if (key >= 0) {
                bool found;
                const MarkStamp*& entry = cache.byPlace.At(std::uint64_t(key), found);
                if (!found) entry = FindMarkStamp(dc, m, k);
                mark = entry;
            } else {
                mark = FindMarkStamp(dc, m, k);
            }
        }
        if (cache.generation != store.Generation()) {
            // The store started anew while this mark was found: what was found
            // in it before is gone (the mark itself is new).
            cache.Reset(store.Generation());
        }
        if (mark)
            PutMark(*mark, m.centres[k], bits, stride);
        else
            DrawMarkParts(dc, m, k);
    }
    return true;
}

const MarkStamp* PainterBackend::FindMarkStamp(const TDC& dc, const TDCMarks& m, int k) {
    if (m.partCount > MarkStampKey::kMaxParts) return nullptr;
    const TPoint c = m.centres[k];
    const TPen& pen = dc.GetPen();
    StampStore& store = Stamps();
    // A part's new stamp may empty the store, the parts found before with it:
    // then once more, in a store with room.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const unsigned generation = store.Generation();
        const TPoint* offsets = m.offsets + std::ptrdiff_t(m.shapes[k]) * m.points;
        MarkStampKey key;
        for (int p = 0; p < m.partCount; offsets += m.parts[p++].count) {
            const TDCMarkPart& part = m.parts[p];
            TPoint pts[TDC::kMaxMarkPoints];
            for (int i = 0; i < part.count; ++i) pts[i] = TPoint(c.x + offsets[i].x, c.y + offsets[i].y);
            int kind = 0, n = part.count;
            switch (part.kind) {
            case TDCMarkPart::Polygon:
                if (n < 2) continue;  // no shape, no call
                break;
            case TDCMarkPart::Ellipse: {
                const TRect r = TRect(pts[0], pts[1]).Normalized();
                if (r.Width() <= 0 || r.Height() <= 0) continue;  // draws nothing
                pts[0] = TPoint(r.left, r.top), pts[1] = TPoint(r.right, r.bottom);
                kind = 1, n = 2;
                break;
            }
            case TDCMarkPart::Strokes:
                if (pen.IsNull()) continue;  // lines without a pen draw nothing
                if (pen.GetStyle() != PS_SOLID) return nullptr;
                kind = 2;
                break;
            }
            TPoint origin;
            const Stamp* stamp = FindStamp(dc, kind, pts, n, part.counts, part.groups, origin);
            if (!stamp) return nullptr;
            key.parts[key.count] = stamp;
            key.origins[key.count] = TPoint(origin.x - c.x, origin.y - c.y);
            ++key.count;
        }
        if (store.Generation() != generation) continue;
        auto colour = [](COLORREF c) {
            const COLORREF rgb = ResolveColor(c);
            return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
        };
        key.fill = colour(dc.GetBrush().GetColor());
        key.outline = colour(pen.GetColor());
        return store.Mark(key);
    }
    return nullptr;
}

void PainterBackend::DrawMarkParts(const TDC& dc, const TDCMarks& m, int k) {
    const TPoint c = m.centres[k];
    const TPoint* offsets = m.offsets + std::ptrdiff_t(m.shapes[k]) * m.points;
    for (int p = 0; p < m.partCount; offsets += m.parts[p++].count) {
        const TDCMarkPart& part = m.parts[p];
        TPoint pts[TDC::kMaxMarkPoints];
        for (int i = 0; i < part.count; ++i) pts[i] = TPoint(c.x + offsets[i].x, c.y + offsets[i].y);
        switch (part.kind) {
        case TDCMarkPart::Polygon:
            if (part.count >= 2) Polygon(dc, pts, part.count);
            break;
        case TDCMarkPart::Ellipse: Ellipse(dc, TRect(pts[0], pts[1]).Normalized()); break;
        case TDCMarkPart::Strokes: Strokes(dc, pts, part.counts, part.groups); break;
        }
    }
}

// The n pixels at s to d: the few pixels of a mark's run, copied in place
// rather than by a call.
inline void CopyPixels(std::uint32_t* d, const std::uint32_t* s, int n) {
    for (; n >= 4; d += 4, s += 4, n -= 4) std::memcpy(d, s, 16);
    if (n >= 2) {
        std::memcpy(d, s, 8);
        d += 2, s += 2, n -= 2;
    }
    if (n > 0) *d = *s;
}

// The n pixels at s where mask m is set to d, four at a time.
inline void MaskPixels(std::uint32_t* d, const std::uint32_t* s, const std::uint32_t* m, int n) {
    using Four = std::uint32_t __attribute__((vector_size(16)));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        Four dv, sv, mv;
        std::memcpy(&dv, d + i, 16);
        std::memcpy(&sv, s + i, 16);
        std::memcpy(&mv, m + i, 16);
        dv = (sv & mv) | (dv & ~mv);
        std::memcpy(d + i, &dv, 16);
    }
    for (; i < n; ++i) d[i] = (s[i] & m[i]) | (d[i] & ~m[i]);
}

void PainterBackend::PutMark(const MarkStamp& mark, TPoint c, uchar* bits, qsizetype stride) {
    const std::uint32_t* pixels = mark.pixels.data();
    const std::uint32_t* masks = mark.masks.data();
    if (windows_.size() == 1) {
        const QRect& w = windows_[0];
        if (c.x + mark.left >= w.left() && c.x + mark.right <= w.right() && c.y + mark.top >= w.top() &&
            c.y + mark.bottom <= w.bottom()) {
            uchar* origin = bits + qsizetype(c.y) * stride + qsizetype(c.x) * 4;
            for (const MarkStamp::Row& row : mark.rows) {
                std::uint32_t* d = reinterpret_cast<std::uint32_t*>(origin + qsizetype(row.y) * stride) + row.x0;
                if (row.gaps)
                    MaskPixels(d, pixels + row.first, masks + row.first, row.count);
                else
                    CopyPixels(d, pixels + row.first, row.count);
            }
            return;
        }
    }
    for (const QRect& w : windows_) {
        for (const MarkStamp::Row& row : mark.rows) {
            const int y = c.y + row.y;
            if (y < w.top() || y > w.bottom()) continue;
            const int x0 = std::max(c.x + row.x0, w.left()), x1 = std::min(c.x + row.x0 + row.count - 1, w.right());
            if (x0 > x1) continue;
            const int skip = x0 - c.x - row.x0;
            MaskPixels(reinterpret_cast<std::uint32_t*>(bits + qsizetype(y) * stride) + x0, pixels + row.first + skip,
                       masks + row.first + skip, x1 - x0 + 1);
        }
    }
}

void PainterBackend::Rectangle(const TDC& dc, const TRect& r) {
    if (r.Width() <= 0 || r.Height() <= 0 || !Prepare(dc)) return;
    QBrush brush = MakeBrush(dc);
    if (brush.style() != Qt::NoBrush) {
        const int in = FillInset(dc);
        QRect fill(r.left + in, r.top + in, r.Width() - 2 * in, r.Height() - 2 * in);
        if (fill.width() > 0 && fill.height() > 0) painter_->fillRect(fill, brush);
    }
    if (ThinRaster(dc)) {
        // The outline round the last column and row inside, each pixel once; a
        // rectangle one pixel across is a single line.
        const int l = r.left, t = r.top, rr = r.right - 1, b = r.bottom - 1;
        if (l == rr || t == b) {
            const TPoint line[2] = {{l, t}, {l == rr ? l : rr + 1, l == rr ? b + 1 : t}};
            ThinPath(dc, line, 2, false);
        } else {
            const TPoint corners[4] = {{l, t}, {rr, t}, {rr, b}, {l, b}};
            ThinPath(dc, corners, 4, true);
        }
        return;
    }
    QPen pen = MakePen(dc);
    if (pen.style() != Qt::NoPen) {
        painter_->setPen(pen);
        painter_->setBrush(Qt::NoBrush);
        painter_->drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
    }
}

void PainterBackend::Ellipse(const TDC& dc, const TRect& r) {
    if (r.Width() <= 0 || r.Height() <= 0 || !Prepare(dc)) return;
    const TPoint corners[2] = {TPoint(r.left, r.top), TPoint(r.right, r.bottom)};
    if (DrawStamped(dc, 1, corners, 2)) return;
    const QRectF box(r.left, r.top, r.Width() - 1, r.Height() - 1);
    // An outline without a stamp (a styled wide pen) is Qt's stroke where the
    // ellipse stands; the fill can still come from a stamp.
    QBrush brush = DrawStamped(dc, 3, corners, 2) ? QBrush(Qt::NoBrush) : MakeBrush(dc);
    if (brush.style() != Qt::NoBrush) {
        painter_->setPen(Qt::NoPen);
        painter_->setBrush(brush);
        painter_->drawEllipse(box.translated(0.5, 0.5));
    }
    QPen pen = MakePen(dc);
    if (pen.style() != Qt::NoPen) StrokeEllipse(*painter_, pen, r);
}

void PainterBackend::RoundRect(const TDC& dc, const TRect& r, TSize corner) {
    if (r.Width() <= 0 || r.Height() <= 0 || !Prepare(dc)) return;
    const QRectF box(r.left, r.top, r.Width() - 1, r.Height() - 1);
    const qreal rx = std::min<qreal>(corner.cx / 2.0, box.width() / 2.0);
    const qreal ry = std::min<qreal>(corner.cy / 2.0, box.height() / 2.0);
    QBrush brush = MakeBrush(dc);
    if (brush.style() != Qt::NoBrush) {
        painter_->setPen(Qt::NoPen);
        painter_->setBrush(brush);
        painter_->drawRoundedRect(box.translated(0.5, 0.5), rx, ry, Qt::AbsoluteSize);
    }
    QPen pen = MakePen(dc);
    if (pen.style() != Qt::NoPen) {
        painter_->setPen(pen);
        painter_->setBrush(Qt::NoBrush);
        painter_->drawRoundedRect(box, rx, ry, Qt::AbsoluteSize);
    }
}

COLORREF PainterBackend::SetPixel(const TDC& dc, TPoint p, COLORREF c) {
    if (!Prepare(dc, false)) return CLR_INVALID;
    if (p.x < 0 || p.y < 0 || p.x >= device_->width() || p.y >= device_->height()) return CLR_INVALID;
    if (const QRegion* clip = dc.GetDeviceClip(); clip && !clip->contains(QPoint(p.x, p.y)))
        return CLR_INVALID;
    painter_->fillRect(QRect(p.x, p.y, 1, 1), ToQColor(c));
    return ResolveColor(c);
}

void PainterBackend::Text(const TDC& dc, const TTextGlyph& g) {
    if (!Prepare(dc, false)) return;
    const TFont& font = dc.GetFont();
    const kv::ResolvedFont& resolved = font.Resolved();
    const LOGFONT& lf = font.GetLogFont();
    if (fontFor_ != &resolved || fontFace_ != g.face || fontSize_ != g.pixelSize ||
        !(fontLf_ == lf)) {
        font_ = resolved.DrawingFont(g.face, lf, g.pixelSize, dpiY_);
        fontFor_ = &resolved;
        fontFace_ = g.face;
        fontSize_ = g.pixelSize;
        fontLf_ = lf;
    }
    painter_->save();
    painter_->translate(g.origin.x, g.origin.y);
    if (g.angle != 0.0) painter_->rotate(-g.angle);
    if (dc.GetBkMode() == OPAQUE)
        painter_->fillRect(QRectF(0, -g.ascent, g.advance, g.ascent + g.descent),
                           ToQColor(dc.GetBkColor()));
    painter_->setPen(ToQColor(dc.GetTextColor()));
    painter_->setFont(font_);
    painter_->drawText(QPointF(0, 0), g.text);
    painter_->restore();
}

}  // namespace

void ReleaseStamps() {
    Stamps().Release();
    MarkCaches().clear();
}

std::unique_ptr<TDCBackend> MakePainterBackend(QPaintDevice* device, QPainter* painter,
                                               const TDeviceInfo& info) {
    if (!device && !painter) return nullptr;
    return std::make_unique<PainterBackend>(device, painter, info);
}

}  // namespace kv::detail
