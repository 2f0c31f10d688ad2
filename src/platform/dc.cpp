#include "platform/dc.h"

#include "platform/winmath.h"

#include <QPaintDevice>

#include <algorithm>
#include <atomic>
#include <chrono>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <tuple>
#include <vector>

namespace kv::detail {
std::unique_ptr<TDCBackend> MakePainterBackend(QPaintDevice* device, QPainter* painter,
                                               const TDeviceInfo& info);
void ReleaseStamps();
}

namespace {

// Device coordinates stay inside the range Windows' GDI accepts (27 bits), which
// also keeps the rasteriser's floating point exact.
constexpr long long kDeviceLimit = (1LL << 27) - 1;

// round(org2 + (v - org1) * ext2 / ext1), halves upward, in exact integers.
long long MapRound(long long v, long long org1, long long ext1, long long ext2, long long org2) {
    // The same in 64 bits while the products stay well inside them (always, for
    // the int coordinates and extents of a context).
    long long prod;
    if (!__builtin_mul_overflow(v - org1, ext2, &prod) && prod > -(1LL << 60) && prod < (1LL << 60) &&
        ext1 > -(1LL << 40) && ext1 < (1LL << 40) && ext1 != 0) {
        long long n = prod, d = ext1;
        if (d < 0) {
            n = -n;
            d = -d;
        }
        const long long n2 = 2 * n + d, d2 = 2 * d;
        long long q = n2 / d2;
        if (n2 % d2 != 0 && n2 < 0) q -= 1;
        return q + org2;
    }
    __int128 num = (__int128)(v - org1) * ext2;
    __int128 den = ext1;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    __int128 n2 = 2 * num + den;
    __int128 d2 = 2 * den;
    __int128 q = n2 / d2;
    if (n2 % d2 != 0 && n2 < 0) q -= 1;
    q += org2;
    if (q > LLONG_MAX / 4) return LLONG_MAX / 4;
    if (q < LLONG_MIN / 4) return LLONG_MIN / 4;
    return (long long)q;
}

// floor(n2 / d2) for d2 > 0 and |n2| < 2^52, with inv = 1 / d2: the estimate in
// doubles is within one of the floor, and corrected to it without a division.
[[gnu::always_inline]] inline long long FloorQuotient(long long n2, long long d2, double inv) {
    long long q = (long long)(double(n2) * inv);
    while (q * d2 > n2) --q;
    while ((q + 1) * d2 <= n2) ++q;
    return q;
}

// MapRound for one axis of a mapping, for many values: the quotient estimated
// with a reciprocal worked out once and corrected to the exact floor, so that a
// shape's points cost no integer division each; values whose products are large
// go to MapRound.
struct AxisRound {
    long long org1, ext1, ext2, org2, d, d2;
    double inv;
    // inv: 1 / (2 |e1|), 0 for e1 0.
    AxisRound(long long o1, long long e1, long long e2, long long o2, double inv_)
        : org1(o1), ext1(e1), ext2(e2), org2(o2), d(e1 < 0 ? -e1 : e1), d2(2 * d), inv(inv_) {}
    long long operator()(long long v) const {
        long long prod;
        if (ext1 != 0 && !__builtin_mul_overflow(v - org1, ext2, &prod) && prod > -(1LL << 52) &&
            prod < (1LL << 52)) {
            const long long n = ext1 < 0 ? -prod : prod;
            return FloorQuotient(2 * n + d, d2, inv) + org2;
        }
        return MapRound(v, org1, ext1, ext2, org2);
    }
};

int Clamp(long long v, long long limit) {
    return int(v > limit ? limit : (v < -limit ? -limit : v));
}

int RoundScaled(int v, double scale) {
    double d = std::fabs(double(v) * scale);
    if (!(d < 1e9)) return 1000000000;
    return int(std::lround(d));
}

int gClipSerial = 0;

}  // namespace

// ---- objects ----

TPen TPen::Stock(int id) {
    TPen p(id == WHITE_PEN ? 0xFFFFFF : 0, 0, id == NULL_PEN ? PS_NULL : PS_SOLID);
    p.stockId_ = id;
    return p;
}

TBrush TBrush::Stock(int id) {
    static constexpr COLORREF colours[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000, 0};
    TBrush b(id >= 0 && id <= 5 ? colours[id] : 0xFFFFFF);
    if (id == NULL_BRUSH) b.style_ = BS_NULL;
    b.stockId_ = id;
    return b;
}

// ---- call tracing ----

const char* TDCOpName(TDCOp op) {
    static const char* const names[] = {
        "SetMapMode", "SetWindowOrg", "SetWindowExt", "SetViewportOrg", "SetViewportExt",
        "SelectPen", "SelectBrush", "SelectFont", "SelectStockObject",
        "RestorePen", "RestoreBrush", "RestoreFont",
        "SetTextColor", "SetBkColor", "SetBkMode", "SetTextAlign", "SetROP2",
        "SaveDC", "RestoreDC", "IntersectClipRect",
        "MoveToEx", "LineTo", "Polyline", "Polygon", "Rectangle", "Ellipse", "RoundRect",
        "SetPixel", "TextOut", "DeviceLine",
    };
    return names[int(op)];
}

std::string FormatDCCall(const TDCCall& c) {
    auto isColour = [&](int i) {
        switch (c.op) {
        case TDCOp::SelectPen:
        case TDCOp::SelectBrush:
        case TDCOp::SetPixel: return i == 2;
        case TDCOp::SetTextColor:
        case TDCOp::SetBkColor: return i == 0;
        default: return false;
        }
    };
    std::string s = TDCOpName(c.op);
    s += '(';
    char buf[32];
    bool first = true;
    auto sep = [&] {
        if (!first) s += ',';
        first = false;
    };
    for (int i = 0; i < c.argCount; ++i) {
        sep();
        if (isColour(i)) {
            COLORREF v = COLORREF(c.args[i]);
            if (v >> 24)
                std::snprintf(buf, sizeof buf, "0x%08X", v);
            else
                std::snprintf(buf, sizeof buf, "#%02X%02X%02X", GetRValue(v), GetGValue(v), GetBValue(v));
        } else {
            std::snprintf(buf, sizeof buf, "%d", c.args[i]);
        }
        s += buf;
    }
    for (int i = 0; i < c.pointCount; ++i) {
        if (i == 0)
            sep();
        else
            s += ';';
        std::snprintf(buf, sizeof buf, "%d,%d", c.points[i].x, c.points[i].y);
        s += buf;
    }
    if (c.op == TDCOp::TextOut || c.op == TDCOp::SelectFont) {
        sep();
        s += '"';
        s.append(c.text);
        s += '"';
    }
    s += ')';
    return s;
}

// ---- the device context ----

// What Marks keeps for the marks of one shape under one mapping. A point at the
// centre c plus the offset o maps to floor((n2(c) + 2 o e) / d2), the division
// that LPtoDP rounds with (n2(c) = 2 (c - org1) e + d, e the viewport extent
// signed by the window extent's sign, d = |window extent|, d2 = 2 d), so its
// device offset from the centre's device point depends only on the remainder
// r of n2(c) over d2: floor((r + 2 o e) / d2). Each axis maps a mark's centre
// once and looks up the offsets of all its points by that remainder.
struct TDC::MarkMap {
    static constexpr int kMaxTuples = 64;
    static constexpr long long kMaxRemainders = 1 << 17;

    struct Axis {
        long long org1 = 0, e = 0, d = 1, d2 = 2, org2 = 0, limit = 0;
        // The centres whose points all stay inside the coordinates: a point
        // beyond them saturates one at a time, which the tables cannot show.
        long long lowest = INT_MIN, highest = INT_MAX;
        double inv = 0.5;
        std::vector<int> offsets;                // the distinct offsets on this axis
        std::vector<short> tupleOf;              // by remainder; -1 not worked out yet
        std::vector<std::vector<int>> tuples;    // device offsets of the offsets
        std::vector<long long> reach;            // each tuple's largest offset in size

        bool Set(long long o1, long long ext1, long long ext2, long long o2) {
            if (ext1 == 0) return false;
            org1 = o1, org2 = o2;
            e = ext1 < 0 ? -ext2 : ext2;
            d = ext1 < 0 ? -ext1 : ext1;
            d2 = 2 * d;
            if (d2 > kMaxRemainders) return false;
            inv = 1.0 / double(d2);
            // n2 stays below 2^52 in size, where the estimate of its quotient is
            // within one of the floor.
            limit = (1LL << 50) / std::max<long long>(std::llabs(e), 1);
            tupleOf.assign(std::size_t(d2), -1);
            return true;
        }
        // The device point of v and the tuple of its offsets; false when v lies
        // outside the range worked out here or the offsets are too varied.
        [[gnu::always_inline]] bool Map(long long v, long long& q, int& tuple) {
            const long long u = v - org1;
            if (u > limit || u < -limit || v < lowest || v > highest) [[unlikely]]
                return false;
            const long long n2 = 2 * u * e + d;
            q = FloorQuotient(n2, d2, inv);
            const long long r = n2 - q * d2;
            int t = tupleOf[std::size_t(r)];
            if (t < 0 && (t = TupleOf(r)) < 0) [[unlikely]]
                return false;
            tuple = t;
            q += org2;
            return std::llabs(q) + reach[std::size_t(t)] <= kDeviceLimit;
        }
        // The tuple of the remainder r, worked out; -1 when there are too many.
        [[gnu::noinline]] int TupleOf(long long r) {
            std::vector<int> rel;
            long long most = 0;
            for (int o : offsets) {
                const long long num = r + 2 * (long long)o * e;
                long long f = num / d2;
                if (num % d2 != 0 && num < 0) --f;
                rel.push_back(int(f));
                most = std::max(most, std::llabs(f));
            }
            auto it = std::find(tuples.begin(), tuples.end(), rel);
            if (it == tuples.end()) {
                if (int(tuples.size()) >= kMaxTuples) return -1;
                tuples.push_back(std::move(rel));
                reach.push_back(most);
                it = tuples.end() - 1;
            }
            const int t = int(it - tuples.begin());
            tupleOf[std::size_t(r)] = short(t);
            return t;
        }
        int IndexOf(int o) const { return int(std::find(offsets.begin(), offsets.end(), o) - offsets.begin()); }
        void Add(int o) {
            if (IndexOf(o) == int(offsets.size())) offsets.push_back(o);
            lowest = std::max(lowest, (long long)INT_MIN - std::min(o, 0));
            highest = std::min(highest, (long long)INT_MAX - std::max(o, 0));
        }
    };

    // What it was made for: the mapping and the parts.
    std::vector<long long> key;
    unsigned serial = 0;
    bool usable = false;
    Axis x, y;
    int points = 0;
    std::vector<int> ix, iy;          // each point's offset on each axis
    std::vector<int> shapeOf;         // by the tuples on both axes; -1 not made yet
    std::vector<TPoint> shapeOffsets;
    // The marks gathered for the backend.
    std::vector<TPoint> logical, centres;
    std::vector<int> shapes;

    static std::vector<long long> KeyOf(const TDC& dc, const TDCMarkPart* parts, int partCount) {
        const TPoint wo = dc.GetWindowOrg(), vo = dc.GetViewportOrg();
        const TSize we = dc.GetWindowExt(), ve = dc.GetViewportExt();
        std::vector<long long> k{wo.x, wo.y, vo.x, vo.y, we.cx, we.cy, ve.cx, ve.cy, partCount};
        for (int p = 0; p < partCount; ++p) {
            k.push_back(parts[p].kind);
            k.push_back(parts[p].count);
            k.push_back(parts[p].groups);
            for (int g = 0; g < parts[p].groups; ++g) k.push_back(parts[p].counts[g]);
            for (int i = 0; i < parts[p].count; ++i) {
                k.push_back(parts[p].offsets[i].x);
                k.push_back(parts[p].offsets[i].y);
            }
        }
        return k;
    }

    void Make(const TDC& dc, const TDCMarkPart* parts, int partCount) {
        const TPoint wo = dc.GetWindowOrg(), vo = dc.GetViewportOrg();
        const TSize we = dc.GetWindowExt(), ve = dc.GetViewportExt();
        x = Axis();
        y = Axis();
        ix.clear();
        iy.clear();
        shapeOffsets.clear();
        points = 0;
        usable = x.Set(wo.x, we.cx, ve.cx, vo.x) && y.Set(wo.y, we.cy, ve.cy, vo.y);
        for (int p = 0; p < partCount && usable; ++p)
            for (int i = 0; i < parts[p].count; ++i) {
                const TPoint o = parts[p].offsets[i];
                if (std::abs(o.x) > (1 << 24) || std::abs(o.y) > (1 << 24)) usable = false;
                for (auto [axis, v, index] : {std::tuple{&x, o.x, &ix}, std::tuple{&y, o.y, &iy}}) {
                    axis->Add(v);
                    index->push_back(axis->IndexOf(v));
                }
                ++points;
            }
        shapeOf.assign(std::size_t(kMaxTuples * kMaxTuples), -1);
    }

    // The device centre and the shape of a mark at logical centre c; false when
    // it is to be drawn one call at a time.
    [[gnu::always_inline]] bool Place(TPoint c, TPoint& centre, int& shape) {
        long long qx, qy;
        int tx, ty;
        if (!x.Map(c.x, qx, tx) || !y.Map(c.y, qy, ty)) [[unlikely]]
            return false;
        int& s = shapeOf[std::size_t(tx * kMaxTuples + ty)];
        if (s < 0) [[unlikely]] {
            s = int(shapeOffsets.size()) / std::max(points, 1);
            for (int i = 0; i < points; ++i)
                shapeOffsets.emplace_back(x.tuples[std::size_t(tx)][std::size_t(ix[std::size_t(i)])],
                                          y.tuples[std::size_t(ty)][std::size_t(iy[std::size_t(i)])]);
        }
        centre = TPoint(int(qx), int(qy));
        shape = s;
        return true;
    }
};

TDC::TDC() = default;

TDC::TDC(std::unique_ptr<TDCBackend> backend)
    : backend_(std::move(backend)), traces_(backend_ && backend_->WantsTrace()) {}

TDC::TDC(QPaintDevice* device, const TDeviceInfo& info)
    : backend_(device ? kv::detail::MakePainterBackend(device, nullptr, info) : nullptr),
      traces_(backend_ && backend_->WantsTrace()) {}

TDC::TDC(QPainter* painter, const TDeviceInfo& info)
    : backend_(painter ? kv::detail::MakePainterBackend(nullptr, painter, info) : nullptr),
      traces_(backend_ && backend_->WantsTrace()) {}

TDC::~TDC() {
    if (backend_) backend_->Flush();
}

void TDC::Trace(TDCOp op, std::initializer_list<int> args, const TPoint* pts, int npts,
                std::string_view text) const {
    if (!traces_) return;
    TDCCall c;
    c.op = op;
    for (int a : args) {
        if (c.argCount == 6) break;
        c.args[c.argCount++] = a;
    }
    c.points = pts;
    c.pointCount = npts;
    c.text = text;
    backend_->Trace(c);
}

// -- mapping --

int TDC::SetMapMode(int mode) {
    Trace(TDCOp::SetMapMode, {mode});
    if (mode != MM_TEXT && mode != MM_ANISOTROPIC) return 0;
    int old = st_.mapMode;
    st_.mapMode = mode;
    if (mode == MM_TEXT) {
        st_.winExt = TSize(1, 1);
        st_.vpExt = TSize(1, 1);
    }
    return old;
}

TSize TDC::GetWindowExt() const { return st_.mapMode == MM_TEXT ? TSize(1, 1) : st_.winExt; }
TSize TDC::GetViewportExt() const { return st_.mapMode == MM_TEXT ? TSize(1, 1) : st_.vpExt; }

bool TDC::SetWindowOrg(const TPoint& p, TPoint* old) {
    Trace(TDCOp::SetWindowOrg, {p.x, p.y});
    if (old) *old = st_.winOrg;
    st_.winOrg = p;
    return true;
}

bool TDC::SetViewportOrg(const TPoint& p, TPoint* old) {
    Trace(TDCOp::SetViewportOrg, {p.x, p.y});
    if (old) *old = st_.vpOrg;
    st_.vpOrg = p;
    return true;
}

bool TDC::SetWindowExt(const TSize& s, TSize* old) {
    Trace(TDCOp::SetWindowExt, {s.cx, s.cy});
    if (old) *old = GetWindowExt();
    if (st_.mapMode == MM_TEXT) return true;
    if (s.cx == 0 || s.cy == 0) return false;
    st_.winExt = s;
    return true;
}

bool TDC::SetViewportExt(const TSize& s, TSize* old) {
    Trace(TDCOp::SetViewportExt, {s.cx, s.cy});
    if (old) *old = GetViewportExt();
    if (st_.mapMode == MM_TEXT) return true;
    if (s.cx == 0 || s.cy == 0) return false;
    st_.vpExt = s;
    return true;
}

bool TDC::LPtoDP(TPoint* pts, int count) const {
    if (!pts || count < 0) return false;
    TSize we = GetWindowExt(), ve = GetViewportExt();
    // The reciprocals are kept for the window extents they were worked out for.
    if (invFor_[0] != we.cx || invFor_[1] != we.cy) {
        invFor_[0] = we.cx;
        invFor_[1] = we.cy;
        inv_[0] = we.cx != 0 ? 1.0 / (2.0 * std::fabs(double(we.cx))) : 0.0;
        inv_[1] = we.cy != 0 ? 1.0 / (2.0 * std::fabs(double(we.cy))) : 0.0;
    }
    const AxisRound mx(st_.winOrg.x, we.cx, ve.cx, st_.vpOrg.x, inv_[0]);
    const AxisRound my(st_.winOrg.y, we.cy, ve.cy, st_.vpOrg.y, inv_[1]);
    for (int i = 0; i < count; ++i) {
        pts[i].x = Clamp(mx(pts[i].x), kDeviceLimit);
        pts[i].y = Clamp(my(pts[i].y), kDeviceLimit);
    }
    return true;
}

bool TDC::DPtoLP(TPoint* pts, int count) const {
    if (!pts || count < 0) return false;
    TSize we = GetWindowExt(), ve = GetViewportExt();
    for (int i = 0; i < count; ++i) {
        pts[i].x = Clamp(MapRound(pts[i].x, st_.vpOrg.x, ve.cx, we.cx, st_.winOrg.x), INT_MAX);
        pts[i].y = Clamp(MapRound(pts[i].y, st_.vpOrg.y, ve.cy, we.cy, st_.winOrg.y), INT_MAX);
    }
    return true;
}

bool TDC::LPtoDP(TRect& r) const {
    TPoint p[2] = {r.TopLeft(), r.BottomRight()};
    LPtoDP(p, 2);
    r = TRect(p[0], p[1]);
    return true;
}

bool TDC::DPtoLP(TRect& r) const {
    TPoint p[2] = {r.TopLeft(), r.BottomRight()};
    DPtoLP(p, 2);
    r = TRect(p[0], p[1]);
    return true;
}

double TDC::ScaleX() const {
    TSize we = GetWindowExt(), ve = GetViewportExt();
    return std::fabs(double(ve.cx) / double(we.cx));
}

double TDC::ScaleY() const {
    TSize we = GetWindowExt(), ve = GetViewportExt();
    return std::fabs(double(ve.cy) / double(we.cy));
}

TPoint TDC::ToDevice(const TPoint& p) const {
    TPoint d = p;
    LPtoDP(&d, 1);
    return d;
}

TRect TDC::ToDeviceRect(int l, int t, int r, int b) const {
    TPoint p[2] = {TPoint(l, t), TPoint(r, b)};
    LPtoDP(p, 2);
    return TRect(p[0], p[1]).Normalized();
}

// -- objects --

void TDC::SelectObject(const TPen& pen) {
    Trace(TDCOp::SelectPen, {pen.GetStyle(), pen.GetWidth(), int(pen.GetColor())});
    if (pen.GetStockId() < 0 && !initialPen_) initialPen_ = st_.pen;
    st_.pen = pen;
}

void TDC::SelectObject(const TBrush& brush) {
    Trace(TDCOp::SelectBrush, {brush.GetStyle(), brush.GetHatch(), int(brush.GetColor())});
    if (brush.GetStockId() < 0 && !initialBrush_) initialBrush_ = st_.brush;
    st_.brush = brush;
}

void TDC::SelectObject(const TFont& font) {
    const LOGFONT& lf = font.GetLogFont();
    Trace(TDCOp::SelectFont,
          {lf.lfHeight, lf.lfEscapement, lf.lfWeight, lf.lfItalic, lf.lfCharSet},
          nullptr, 0, std::string_view(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)));
    if (font.GetStockId() < 0 && !initialFont_) initialFont_ = st_.font;
    st_.font = font;
}

void TDC::SelectStockObject(int id) {
    Trace(TDCOp::SelectStockObject, {id});
    if (id >= WHITE_BRUSH && id <= NULL_BRUSH)
        st_.brush = TBrush::Stock(id);
    else if (id >= WHITE_PEN && id <= NULL_PEN)
        st_.pen = TPen::Stock(id);
    else if (id >= OEM_FIXED_FONT && id <= DEFAULT_GUI_FONT && id != 15)
        st_.font = TFont::Stock(id);
}

void TDC::RestorePen() {
    Trace(TDCOp::RestorePen, {});
    if (!initialPen_) return;
    st_.pen = *initialPen_;
    initialPen_.reset();
}

void TDC::RestoreBrush() {
    Trace(TDCOp::RestoreBrush, {});
    if (!initialBrush_) return;
    st_.brush = *initialBrush_;
    initialBrush_.reset();
}

void TDC::RestoreFont() {
    Trace(TDCOp::RestoreFont, {});
    if (!initialFont_) return;
    st_.font = *initialFont_;
    initialFont_.reset();
}

void TDC::RestoreObjects() {
    RestorePen();
    RestoreBrush();
    RestoreFont();
}

int TDC::DevicePenWidth() const {
    int w = st_.pen.GetWidth();
    if (w <= 0) return 0;
    // Asked several times for every shape drawn: kept for the last width and
    // horizontal mapping.
    const TSize we = GetWindowExt(), ve = GetViewportExt();
    if (penWidthFor_[0] == w && penWidthFor_[1] == we.cx && penWidthFor_[2] == ve.cx) return penWidth_;
    int d = RoundScaled(w, ScaleX());
    penWidth_ = d <= 1 ? 0 : d;
    penWidthFor_[0] = w;
    penWidthFor_[1] = we.cx;
    penWidthFor_[2] = ve.cx;
    return penWidth_;
}

// -- attributes --

COLORREF TDC::SetTextColor(COLORREF c) {
    Trace(TDCOp::SetTextColor, {int(c)});
    COLORREF old = st_.textColor;
    st_.textColor = c;
    return old;
}

COLORREF TDC::SetBkColor(COLORREF c) {
    Trace(TDCOp::SetBkColor, {int(c)});
    COLORREF old = st_.bkColor;
    st_.bkColor = c;
    return old;
}

int TDC::SetBkMode(int mode) {
    Trace(TDCOp::SetBkMode, {mode});
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    int old = st_.bkMode;
    st_.bkMode = mode;
    return old;
}

UINT TDC::SetTextAlign(UINT align) {
    Trace(TDCOp::SetTextAlign, {int(align)});
    UINT old = st_.textAlign;
    st_.textAlign = align;
    return old;
}

int TDC::SetROP2(int rop) {
    Trace(TDCOp::SetROP2, {rop});
    if (rop < R2_BLACK || rop > R2_WHITE) return 0;
    int old = st_.rop2;
    st_.rop2 = rop;
    return old;
}

// -- state --

int TDC::SaveDC() {
    Trace(TDCOp::SaveDC, {});
    saved_.push_back(st_);
    return int(saved_.size());
}

bool TDC::RestoreDC(int saved) {
    Trace(TDCOp::RestoreDC, {saved});
    long long index = saved < 0 ? (long long)saved_.size() + saved : (long long)saved - 1;
    if (saved == 0 || index < 0 || index >= (long long)saved_.size()) return false;
    st_ = saved_[size_t(index)];
    saved_.resize(size_t(index));
    return true;
}

int TDC::IntersectClipRect(const TRect& r) {
    Trace(TDCOp::IntersectClipRect, {r.left, r.top, r.right, r.bottom});
    TRect d = ToDeviceRect(r.left, r.top, r.right, r.bottom);
    QRegion rect(d.left, d.top, std::max(0, d.Width()), std::max(0, d.Height()));
    st_.clip = st_.clip ? st_.clip->intersected(rect) : rect;
    st_.clipSerial = ++gClipSerial;
    if (st_.clip->isEmpty()) return NULLREGION;
    return st_.clip->rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// -- drawing --

bool TDC::MoveToEx(int x, int y, TPoint* old) {
    Trace(TDCOp::MoveToEx, {x, y});
    if (old) *old = st_.cp;
    st_.cp = TPoint(x, y);
    return true;
}

bool TDC::LineTo(int x, int y) {
    Trace(TDCOp::LineTo, {x, y});
    TPoint from = st_.cp;
    st_.cp = TPoint(x, y);
    if (Drawing()) backend_->Line(*this, ToDevice(from), ToDevice(st_.cp));
    return true;
}

bool TDC::DeviceLine(const TPoint& a, const TPoint& b) {
    Trace(TDCOp::DeviceLine, {a.x, a.y, b.x, b.y});
    if (Drawing()) backend_->Line(*this, a, b);
    return true;
}

bool TDC::Polyline(const TPoint* pts, int count) {
    if (!pts || count < 2) return false;
    Trace(TDCOp::Polyline, {}, pts, count);
    if (!Drawing()) return true;
    scratch_.assign(pts, pts + count);
    LPtoDP(scratch_.data(), count);
    backend_->Polyline(*this, scratch_.data(), count);
    return true;
}

bool TDC::Strokes(const TPoint* pts, const int* counts, int groups) {
    if (!pts || !counts || groups <= 0) return false;
    long long total = 0;
    for (int g = 0; g < groups; ++g) {
        if (counts[g] < 1) return false;
        total += counts[g];
    }
    if (traces_ || !backend_ || total > 64) {
        for (int g = 0; g < groups; pts += counts[g++]) {
            MoveToEx(pts[0].x, pts[0].y);
            for (int k = 1; k < counts[g]; ++k) LineTo(pts[k].x, pts[k].y);
        }
        return true;
    }
    st_.cp = pts[total - 1];
    // The abort procedure counts every line, as it would one at a time.
    if (abortProc_) abortCount_ += int(total) - groups - 1;
    if (!Drawing()) return true;
    scratch_.assign(pts, pts + total);
    LPtoDP(scratch_.data(), int(total));
    backend_->Strokes(*this, scratch_.data(), counts, groups);
    return true;
}

bool TDC::Marks(const TDCMarkPart* parts, int partCount, const TPoint* centres, int count) {
    if (!parts || partCount <= 0 || !centres || count <= 0) return false;
    for (int p = 0; p < partCount; ++p) {
        const TDCMarkPart& part = parts[p];
        if (!part.offsets || part.count < 1 || part.count > kMaxMarkPoints) return false;
        if (part.kind == TDCMarkPart::Ellipse && part.count != 2) return false;
        if (part.kind == TDCMarkPart::Strokes) {
            long long total = 0;
            for (int g = 0; g < part.groups; ++g) total += part.counts && part.counts[g] >= 1 ? part.counts[g] : -1LL << 40;
            if (part.groups <= 0 || total != part.count) return false;
        }
    }
    // A print job's abort procedure asks now and then between calls: there, and
    // on a recording backend, the calls themselves.
    if (traces_ || !backend_ || abortProc_) {
        for (int k = 0; k < count; ++k) MarkOneByOne(parts, partCount, centres[k]);
        return true;
    }
    std::vector<long long> key = MarkMap::KeyOf(*this, parts, partCount);
    if (!marks_ || marks_->key != key) {
        // A repaint draws the same marks again: the tables of the last few.
        thread_local std::vector<std::shared_ptr<MarkMap>> recent;
        static std::atomic<unsigned> serials{0};
        auto it = std::find_if(recent.begin(), recent.end(), [&](const auto& r) { return r->key == key; });
        if (it != recent.end()) {
            marks_ = *it;
            recent.erase(it);
        } else {
            marks_ = std::make_shared<MarkMap>();
            marks_->key = std::move(key);
            marks_->serial = ++serials;
            marks_->Make(*this, parts, partCount);
        }
        recent.insert(recent.begin(), marks_);
        if (recent.size() > 8) recent.pop_back();
    }
    MarkMap& m = *marks_;
    m.logical.clear();
    m.centres.clear();
    m.shapes.clear();
    m.logical.reserve(std::size_t(count));
    m.centres.reserve(std::size_t(count));
    m.shapes.reserve(std::size_t(count));
    for (int k = 0; k < count; ++k) {
        TPoint centre;
        int shape;
        if (m.usable && m.Place(centres[k], centre, shape)) [[likely]] {
            m.logical.push_back(centres[k]);
            m.centres.push_back(centre);
            m.shapes.push_back(shape);
            continue;
        }
        // Far off, or a mapping too fine for the tables: as the calls themselves.
        FlushMarks(parts, partCount);
        MarkOneByOne(parts, partCount, centres[k]);
    }
    FlushMarks(parts, partCount);
    // Strokes leave the pen at their last point.
    for (int p = partCount - 1; p >= 0; --p)
        if (parts[p].kind == TDCMarkPart::Strokes) {
            const TPoint c = centres[count - 1], o = parts[p].offsets[parts[p].count - 1];
            st_.cp = TPoint(int(std::clamp<long long>((long long)c.x + o.x, INT_MIN, INT_MAX)),
                            int(std::clamp<long long>((long long)c.y + o.y, INT_MIN, INT_MAX)));
            break;
        }
    return true;
}

void TDC::FlushMarks(const TDCMarkPart* parts, int partCount) {
    MarkMap& m = *marks_;
    if (m.centres.empty()) return;
    if (Drawing()) {
        TDCMarks batch;
        batch.parts = parts;
        batch.partCount = partCount;
        batch.points = m.points;
        batch.centres = m.centres.data();
        batch.shapes = m.shapes.data();
        batch.count = int(m.centres.size());
        batch.offsets = m.shapeOffsets.data();
        batch.serial = m.serial;
        if (!backend_->Marks(*this, batch))
            for (const TPoint& c : m.logical) MarkOneByOne(parts, partCount, c);
    }
    m.logical.clear();
    m.centres.clear();
    m.shapes.clear();
}

void TDC::MarkOneByOne(const TDCMarkPart* parts, int partCount, TPoint centre) {
    TPoint pts[kMaxMarkPoints];
    for (int p = 0; p < partCount; ++p) {
        const TDCMarkPart& part = parts[p];
        const int n = part.count;
        // The points saturate, as a shape's own do far off.
        for (int i = 0; i < n; ++i)
            pts[i] = TPoint(int(std::clamp<long long>((long long)centre.x + part.offsets[i].x, INT_MIN, INT_MAX)),
                            int(std::clamp<long long>((long long)centre.y + part.offsets[i].y, INT_MIN, INT_MAX)));
        switch (part.kind) {
        case TDCMarkPart::Polygon: Polygon(pts, n); break;
        case TDCMarkPart::Ellipse:
            if (n >= 2) Ellipse(pts[0].x, pts[0].y, pts[1].x, pts[1].y);
            break;
        case TDCMarkPart::Strokes: Strokes(pts, part.counts, part.groups); break;
        }
    }
}

bool TDC::Polygon(const TPoint* pts, int count) {
    if (!pts || count < 2) return false;
    Trace(TDCOp::Polygon, {}, pts, count);
    if (!Drawing()) return true;
    scratch_.assign(pts, pts + count);
    LPtoDP(scratch_.data(), count);
    backend_->Polygon(*this, scratch_.data(), count);
    return true;
}

bool TDC::Rectangle(int l, int t, int r, int b) {
    Trace(TDCOp::Rectangle, {l, t, r, b});
    if (Drawing()) backend_->Rectangle(*this, ToDeviceRect(l, t, r, b));
    return true;
}

bool TDC::Ellipse(int l, int t, int r, int b) {
    Trace(TDCOp::Ellipse, {l, t, r, b});
    if (Drawing()) backend_->Ellipse(*this, ToDeviceRect(l, t, r, b));
    return true;
}

bool TDC::RoundRect(int l, int t, int r, int b, int cw, int ch) {
    Trace(TDCOp::RoundRect, {l, t, r, b, cw, ch});
    if (Drawing())
        backend_->RoundRect(*this, ToDeviceRect(l, t, r, b),
                            TSize(RoundScaled(cw, ScaleX()), RoundScaled(ch, ScaleY())));
    return true;
}

COLORREF TDC::SetPixel(int x, int y, COLORREF c) {
    Trace(TDCOp::SetPixel, {x, y, int(c)});
    if (!Drawing()) return CLR_INVALID;
    return backend_->SetPixel(*this, ToDevice(TPoint(x, y)), c);
}

bool TDC::TextOut(int x, int y, const char* s, int count) {
    if (!s) return false;
    if (count < 0) count = int(std::strlen(s));
    Trace(TDCOp::TextOut, {x, y}, nullptr, 0, std::string_view(s, size_t(count)));
    if (count == 0) return true;

    std::vector<kv::FontChar> chars;
    std::vector<int> advances;
    kv::MeasureChars(st_.font, s, count, chars, &advances);
    TEXTMETRIC tm = kv::MeasureTextMetrics(st_.font);
    long long total = 0;
    for (int a : advances) total += a;

    const UINT align = st_.textAlign;
    const TPoint ref = (align & TA_UPDATECP) ? st_.cp : TPoint(x, y);
    double u = 0.0;  // along the baseline
    if ((align & TA_CENTER) == TA_CENTER)
        u = -double(total) / 2.0;
    else if (align & TA_RIGHT)
        u = -double(total);
    double v = 0.0;  // across it, downward in unrotated text
    if ((align & TA_BASELINE) == TA_BASELINE)
        v = 0.0;
    else if (align & TA_BOTTOM)
        v = -double(tm.tmDescent);
    else
        v = double(tm.tmAscent);

    const double angle = st_.font.GetLogFont().lfEscapement / 10.0;
    const double rad = angle * std::numbers::pi / 180.0;
    const double c = std::cos(rad), sn = std::sin(rad);
    auto place = [&](double du) {
        double lx = ref.x + du * c + v * sn;
        double ly = ref.y - du * sn + v * c;
        return TPoint(TruncToIntSaturated(std::floor(lx + 0.5)),
                      TruncToIntSaturated(std::floor(ly + 0.5)));
    };

    if (Drawing()) {
        const double sx = ScaleX(), sy = ScaleY();
        const double em = st_.font.EmHeight();
        double cum = 0.0;
        for (size_t i = 0; i < chars.size(); ++i) {
            TTextGlyph g;
            g.origin = ToDevice(place(u + cum));
            g.angle = angle;
            g.text = chars[i].text;
            g.face = chars[i].face;
            g.pixelSize = em * sy;
            g.advance = advances[i] * sx;
            g.ascent = tm.tmAscent * sy;
            g.descent = tm.tmDescent * sy;
            backend_->Text(*this, g);
            cum += advances[i];
        }
    }
    if (align & TA_UPDATECP) {
        double lx = ref.x + double(total) * c, ly = ref.y - double(total) * sn;
        st_.cp = TPoint(TruncToIntSaturated(std::floor(lx + 0.5)),
                        TruncToIntSaturated(std::floor(ly + 0.5)));
    }
    return true;
}

// -- measuring --

bool TDC::GetTextExtentPoint(const char* s, int count, TSize* size) const {
    if (!s || !size) return false;
    if (count < 0) count = int(std::strlen(s));
    *size = kv::MeasureTextExtent(st_.font, s, count);
    return true;
}

TSize TDC::GetTextExtent(const char* s, int count) const {
    TSize size;
    GetTextExtentPoint(s, count, &size);
    return size;
}

bool TDC::GetTextMetrics(TEXTMETRIC& tm) const {
    tm = kv::MeasureTextMetrics(st_.font);
    return true;
}

int TDC::GetDeviceCaps(int index) const {
    if (backend_) return backend_->GetDeviceCaps(index);
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 1440;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case PLANES: return 1;
    case BITSPIXEL: return 32;
    case NUMCOLORS: return -1;
    default: return 0;
    }
}

bool TDC::NewPage() { return backend_ && backend_->NewPage(); }

void TDC::SetAbortProc(std::function<bool()> proc) {
    abortProc_ = std::move(proc);
    abortCount_ = kAbortEvery;  // the first drawing asks at once
    abortAsked_ = 0;
}

void TDC::AskAbortProc() {
    abortCount_ = 0;
    if (aborted_) return;
    using namespace std::chrono;
    const long long now = duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
    if (abortAsked_ != 0 && now - abortAsked_ < 30'000'000) return;
    abortAsked_ = now;
    if (!abortProc_()) aborted_ = true;
}

void TDC::Flush() {
    if (backend_) backend_->Flush();
}

// ---- hatches ----

namespace kv {

int HatchPeriod(int dpi) {
    if (dpi <= 0) dpi = 96;
    return std::max(2, int(std::lround(8.0 * dpi / 96.0)));
}

int HatchThickness(int dpi) {
    if (dpi <= 0) dpi = 96;
    return std::max(1, int(std::lround(dpi / 96.0)));
}

bool HatchPixel(int hatch, int x, int y, int period, int thickness) {
    auto mod = [period](int v) { return ((v % period) + period) % period; };
    bool horizontal = mod(y) < thickness;
    bool vertical = mod(x) < thickness;
    bool fdiag = mod(x - y) < thickness;  // top left to bottom right
    bool bdiag = mod(x + y) < thickness;  // bottom left to top right
    switch (hatch) {
    case HS_HORIZONTAL: return horizontal;
    case HS_VERTICAL: return vertical;
    case HS_FDIAGONAL: return fdiag;
    case HS_BDIAGONAL: return bdiag;
    case HS_CROSS: return horizontal || vertical;
    case HS_DIAGCROSS: return fdiag || bdiag;
    default: return true;
    }
}

void ReleaseDrawingStamps() { detail::ReleaseStamps(); }

}  // namespace kv
