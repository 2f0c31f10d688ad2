#include "platform/metafile.h"

#include "platform/color.h"
#include "platform/measure.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

namespace kv::wmf {

namespace {

constexpr std::size_t kMaxPoints = 32767;  // a 16-bit count

std::uint16_t S16(long long v) {
    return std::uint16_t(std::int16_t(std::clamp<long long>(v, INT16_MIN, INT16_MAX)));
}

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, std::uint16_t(v));
    Put16(p + 2, std::uint16_t(v >> 16));
}

std::uint16_t Get16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | (std::uint32_t(Get16(p + 2)) << 16); }

// One record being built: the parameter words after the size and function.
class RecordBuilder {
public:
    explicit RecordBuilder(std::uint16_t function) : function_(function) {}
    RecordBuilder& W(std::uint16_t w) {
        words_.push_back(w);
        return *this;
    }
    RecordBuilder& I(long long v) { return W(S16(v)); }
    RecordBuilder& D(std::uint32_t v) { return W(std::uint16_t(v)).W(std::uint16_t(v >> 16)); }
    // Bytes, padded with a zero to a whole word.
    RecordBuilder& B(const void* data, std::size_t n) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        for (std::size_t i = 0; i < n; i += 2)
            W(std::uint16_t(p[i] | (i + 1 < n ? p[i + 1] << 8 : 0)));
        return *this;
    }
    std::uint16_t Function() const { return function_; }
    const std::vector<std::uint16_t>& Words() const { return words_; }

private:
    std::uint16_t function_;
    std::vector<std::uint16_t> words_;
};

}  // namespace

std::uint16_t PlaceableChecksum(const std::uint8_t* header) {
    std::uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= Get16(header + 2 * i);
    return sum;
}

std::array<std::uint8_t, kPlaceableHeaderBytes> MakePlaceableHeader(const PlaceableBox& box) {
    std::array<std::uint8_t, kPlaceableHeaderBytes> h{};
    Put32(&h[0], kPlaceableKey);
    Put16(&h[4], 0);
    Put16(&h[6], std::uint16_t(box.left));
    Put16(&h[8], std::uint16_t(box.top));
    Put16(&h[10], std::uint16_t(box.right));
    Put16(&h[12], std::uint16_t(box.bottom));
    Put16(&h[14], box.unitsPerInch);
    Put32(&h[16], 0);
    Put16(&h[20], PlaceableChecksum(h.data()));
    return h;
}

std::vector<std::uint8_t> MakePlaceable(const std::vector<std::uint8_t>& metafile,
                                        const PlaceableBox& box) {
    const auto header = MakePlaceableHeader(box);
    std::vector<std::uint8_t> out(header.size() + metafile.size());
    std::memcpy(out.data(), header.data(), header.size());
    if (!metafile.empty()) std::memcpy(out.data() + header.size(), metafile.data(), metafile.size());
    return out;
}

std::string Record::Bytes(std::size_t i, std::size_t n) const {
    std::string s;
    for (; i < params.size() && s.size() < n; ++i) {
        s += char(params[i] & 0xFF);
        if (s.size() < n) s += char(params[i] >> 8);
    }
    return s;
}

bool ParseMetafile(const void* data, std::size_t size, Metafile* out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (!out) return fail("no result");
    *out = Metafile();
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (!p) return fail("no data");
    std::size_t pos = 0;
    if (size >= 4 && Get32(p) == kPlaceableKey) {
        if (size < std::size_t(kPlaceableHeaderBytes)) return fail("short placeable header");
        out->placeable = true;
        out->box.left = std::int16_t(Get16(p + 6));
        out->box.top = std::int16_t(Get16(p + 8));
        out->box.right = std::int16_t(Get16(p + 10));
        out->box.bottom = std::int16_t(Get16(p + 12));
        out->box.unitsPerInch = Get16(p + 14);
        out->checksum = Get16(p + 20);
        if (out->checksum != PlaceableChecksum(p)) return fail("placeable checksum");
        pos = kPlaceableHeaderBytes;
    }
    if (size - pos < std::size_t(kHeaderBytes)) return fail("short header");
    const std::uint8_t* h = p + pos;
    out->type = Get16(h);
    out->headerWords = Get16(h + 2);
    out->version = Get16(h + 4);
    out->sizeWords = Get32(h + 6);
    out->objects = Get16(h + 10);
    out->maxRecordWords = Get32(h + 12);
    if ((out->type != MEMORYMETAFILE && out->type != DISKMETAFILE) || out->headerWords != 9)
        return fail("header type or size");
    pos += kHeaderBytes;

    std::uint32_t largest = 0;
    bool ended = false;
    while (!ended) {
        if (size - pos < 6) return fail("record past the end");
        const std::uint32_t words = Get32(p + pos);
        if (words < 3) return fail("record shorter than its header");
        if ((size - pos) / 2 < words) return fail("record past the end");
        Record r;
        r.offset = pos;
        r.function = Get16(p + pos + 4);
        r.params.reserve(words - 3);
        for (std::uint32_t i = 3; i < words; ++i) r.params.push_back(Get16(p + pos + 2 * i));
        largest = std::max(largest, words);
        ended = r.function == META_EOF;
        pos += std::size_t(words) * 2;
        out->records.push_back(std::move(r));
    }
    const std::size_t start = out->placeable ? kPlaceableHeaderBytes : 0;
    if ((pos - start) / 2 != out->sizeWords) return fail("header size disagrees");
    if (largest != out->maxRecordWords) return fail("header largest record disagrees");
    return true;
}

// ---- the recorder ----

// The attributes and objects the player's device context holds: what the records
// so far have set. Empty optionals: not set yet (the player's own defaults).
struct ObjectKey {
    int style = 0;
    int size = 0;  // pen width, brush hatch
    COLORREF color = 0;
    bool operator==(const ObjectKey&) const = default;
};

struct PlayerState {
    std::optional<ObjectKey> pen;
    int penSlot = -1;
    std::optional<ObjectKey> brush;
    int brushSlot = -1;
    std::optional<LOGFONT> font;
    int fontSlot = -1;
    std::optional<COLORREF> textColor;
    std::optional<COLORREF> bkColor;
    std::optional<int> bkMode;
    std::optional<UINT> textAlign;
    std::optional<int> rop2;
};

class Recorder final : public TDCBackend {
public:
    // Onto an open file (null: one that could not be opened), or into memory.
    Recorder(std::FILE* file, bool memory)
        : file_(file), memory_(memory), opened_(memory || file) {
        // Room for the header, completed when the recording ends.
        std::uint8_t header[kHeaderBytes] = {};
        Write(header, sizeof header);
    }
    ~Recorder() override { Close(); }

    void Attach(const TDC* dc) { dc_ = dc; }
    bool IsOpen() const { return opened_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    int GetDeviceCaps(int index) const override {
        switch (index) {
        case TECHNOLOGY: return DT_METAFILE;
        case LOGPIXELSX:
        case LOGPIXELSY: return 1440;
        case PLANES: return 1;
        case BITSPIXEL: return 32;
        case NUMCOLORS: return -1;
        default: return 0;
        }
    }

    void Trace(const TDCCall& c) override;

    bool Close();

private:
    void Write(const void* data, std::size_t n);
    void Emit(const RecordBuilder& r);
    int NewSlot();
    void Release(int slot);
    void Retain(int slot) {
        if (slot >= 0) ++refs_[std::size_t(slot)];
    }
    // Brings the player's attributes to the device context's for a drawing call.
    void SyncPen();
    void SyncBrush();
    void SyncFont();
    void SyncRop();
    void SyncBackground();
    void SyncText();
    void Start();
    void EmitPolyline(const TPoint* pts, int n);
    void EmitPolygon(const TPoint* pts, int n);
    void EmitText(int x, int y, std::string_view text);

    std::FILE* file_ = nullptr;
    bool memory_ = false;
    bool opened_ = false;
    bool closed_ = false;
    bool failed_ = false;
    bool closeResult_ = false;
    std::vector<std::uint8_t> bytes_;
    std::uint64_t words_ = 0;
    std::uint32_t maxRecord_ = 0;
    const TDC* dc_ = nullptr;
    bool started_ = false;
    PlayerState cur_;
    std::vector<PlayerState> saved_;
    std::vector<int> refs_;  // per handle-table slot: the states referring to it; -1 free
    std::size_t slotsUsed_ = 0;
};

void Recorder::Write(const void* data, std::size_t n) {
    if (closed_) return;
    if (memory_) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + n);
    } else if (!file_ || std::fwrite(data, 1, n, file_) != n) {
        failed_ = true;
    }
}

void Recorder::Emit(const RecordBuilder& r) {
    const std::size_t total = 3 + r.Words().size();
    std::vector<std::uint8_t> buf(total * 2);
    Put32(&buf[0], std::uint32_t(total));
    Put16(&buf[4], r.Function());
    for (std::size_t i = 0; i < r.Words().size(); ++i) Put16(&buf[6 + 2 * i], r.Words()[i]);
    Write(buf.data(), buf.size());
    words_ += total;
    maxRecord_ = std::max<std::uint32_t>(maxRecord_, std::uint32_t(total));
}

int Recorder::NewSlot() {
    // The player puts a new object into the lowest free slot of its table.
    for (std::size_t i = 0; i < refs_.size(); ++i) {
        if (refs_[i] < 0) {
            refs_[i] = 1;
            return int(i);
        }
    }
    refs_.push_back(1);
    slotsUsed_ = std::max(slotsUsed_, refs_.size());
    return int(refs_.size()) - 1;
}

void Recorder::Release(int slot) {
    if (slot < 0 || std::size_t(slot) >= refs_.size() || refs_[std::size_t(slot)] <= 0) return;
    if (--refs_[std::size_t(slot)] == 0) {
        Emit(RecordBuilder(META_DELETEOBJECT).W(std::uint16_t(slot)));
        refs_[std::size_t(slot)] = -1;
    }
}

void Recorder::Start() {
    if (started_) return;
    started_ = true;
    // The device context fills polygons alternately; the player may have been
    // told otherwise.
    Emit(RecordBuilder(META_SETPOLYFILLMODE).W(ALTERNATE));
}

void Recorder::SyncPen() {
    const TPen& p = dc_->GetPen();
    ObjectKey key{p.IsNull() ? PS_NULL : p.GetStyle(), std::max(0, p.GetWidth()),
                  ResolveColor(p.GetColor())};
    if (key.style == PS_NULL) key.size = 0, key.color = 0;
    if (cur_.pen == key) return;
    const int slot = NewSlot();
    Emit(RecordBuilder(META_CREATEPENINDIRECT)
             .W(std::uint16_t(key.style))
             .I(key.size)
             .I(0)
             .D(key.color));
    Emit(RecordBuilder(META_SELECTOBJECT).W(std::uint16_t(slot)));
    Release(cur_.penSlot);
    cur_.pen = key;
    cur_.penSlot = slot;
}

void Recorder::SyncBrush() {
    const TBrush& b = dc_->GetBrush();
    ObjectKey key{b.GetStyle(), b.GetStyle() == BS_HATCHED ? b.GetHatch() : 0,
                  ResolveColor(b.GetColor())};
    if (key.style == BS_NULL) key.color = 0;
    if (cur_.brush == key) return;
    const int slot = NewSlot();
    Emit(RecordBuilder(META_CREATEBRUSHINDIRECT)
             .W(std::uint16_t(key.style))
             .D(key.color)
             .W(std::uint16_t(key.size)));
    Emit(RecordBuilder(META_SELECTOBJECT).W(std::uint16_t(slot)));
    Release(cur_.brushSlot);
    cur_.brush = key;
    cur_.brushSlot = slot;
}

void Recorder::SyncFont() {
    const LOGFONT& lf = dc_->GetFont().GetLogFont();
    if (cur_.font && *cur_.font == lf) return;
    const int slot = NewSlot();
    RecordBuilder r(META_CREATEFONTINDIRECT);
    r.I(lf.lfHeight).I(lf.lfWidth).I(lf.lfEscapement).I(lf.lfOrientation).I(lf.lfWeight);
    const std::uint8_t bytes[8] = {lf.lfItalic,       lf.lfUnderline,     lf.lfStrikeOut,
                                   lf.lfCharSet,      lf.lfOutPrecision,  lf.lfClipPrecision,
                                   lf.lfQuality,      lf.lfPitchAndFamily};
    r.B(bytes, sizeof bytes);
    char face[LF_FACESIZE] = {};
    std::memcpy(face, lf.lfFaceName, LF_FACESIZE - 1);  // always terminated
    r.B(face, sizeof face);
    Emit(r);
    Emit(RecordBuilder(META_SELECTOBJECT).W(std::uint16_t(slot)));
    Release(cur_.fontSlot);
    cur_.font = lf;
    cur_.fontSlot = slot;
}

void Recorder::SyncRop() {
    const int rop = dc_->GetROP2();
    if (cur_.rop2 == rop) return;
    Emit(RecordBuilder(META_SETROP2).W(std::uint16_t(rop)));
    cur_.rop2 = rop;
}

void Recorder::SyncBackground() {
    const int mode = dc_->GetBkMode();
    if (cur_.bkMode != mode) {
        Emit(RecordBuilder(META_SETBKMODE).W(std::uint16_t(mode)));
        cur_.bkMode = mode;
    }
    const COLORREF c = ResolveColor(dc_->GetBkColor());
    if (cur_.bkColor != c) {
        Emit(RecordBuilder(META_SETBKCOLOR).D(c));
        cur_.bkColor = c;
    }
}

void Recorder::SyncText() {
    SyncFont();
    const COLORREF c = ResolveColor(dc_->GetTextColor());
    if (cur_.textColor != c) {
        Emit(RecordBuilder(META_SETTEXTCOLOR).D(c));
        cur_.textColor = c;
    }
    const UINT align = dc_->GetTextAlign();
    if (cur_.textAlign != align) {
        Emit(RecordBuilder(META_SETTEXTALIGN).W(std::uint16_t(align)));
        cur_.textAlign = align;
    }
    SyncBackground();
}

void Recorder::EmitPolyline(const TPoint* pts, int n) {
    // Pieces of at most kMaxPoints points, each starting where the last ended.
    for (int start = 0; start + 1 < n;) {
        const int count = int(std::min<std::size_t>(kMaxPoints, std::size_t(n - start)));
        RecordBuilder r(META_POLYLINE);
        r.W(std::uint16_t(count));
        for (int i = start; i < start + count; ++i) r.I(pts[i].x).I(pts[i].y);
        Emit(r);
        start += count - 1;
    }
}

void Recorder::EmitPolygon(const TPoint* pts, int n) {
    std::vector<TPoint> kept;
    if (std::size_t(n) > kMaxPoints) {
        // Points that repeat their predecessor first, then an even thinning.
        kept.reserve(std::size_t(n));
        for (int i = 0; i < n; ++i)
            if (kept.empty() || !(kept.back() == pts[i])) kept.push_back(pts[i]);
        if (kept.size() > kMaxPoints) {
            std::vector<TPoint> thin;
            thin.reserve(kMaxPoints);
            const double step = double(kept.size() - 1) / double(kMaxPoints - 1);
            for (std::size_t i = 0; i < kMaxPoints; ++i)
                thin.push_back(kept[std::min(kept.size() - 1, std::size_t(double(i) * step + 0.5))]);
            kept.swap(thin);
        }
        pts = kept.data();
        n = int(kept.size());
    }
    RecordBuilder r(META_POLYGON);
    r.W(std::uint16_t(n));
    for (int i = 0; i < n; ++i) r.I(pts[i].x).I(pts[i].y);
    Emit(r);
}

void Recorder::EmitText(int x, int y, std::string_view text) {
    // A 16-bit length; the program's texts come one character at a time.
    std::size_t n = std::min<std::size_t>(text.size(), INT16_MAX);
    std::vector<FontChar> chars;
    std::vector<int> advances;
    kv::MeasureChars(dc_->GetFont(), text.data(), int(n), chars, &advances);
    if (!chars.empty() && std::size_t(chars.back().offset + chars.back().length) > n)
        chars.pop_back();
    if (chars.empty()) return;
    n = std::size_t(chars.back().offset + chars.back().length);
    if (chars.size() == 1) {
        RecordBuilder r(META_TEXTOUT);
        r.W(std::uint16_t(n)).B(text.data(), n).I(y).I(x);
        Emit(r);
        return;
    }
    // Several characters: each placed by its measured advance, as on every other
    // device, whatever widths the player's fonts have.
    std::vector<std::uint16_t> dx(n, 0);
    for (std::size_t i = 0; i < chars.size(); ++i)
        dx[std::size_t(chars[i].offset)] = S16(advances[i]);
    RecordBuilder r(META_EXTTEXTOUT);
    r.I(y).I(x).W(std::uint16_t(n)).W(0).B(text.data(), n);
    for (std::uint16_t d : dx) r.W(d);
    Emit(r);
}

void Recorder::Trace(const TDCCall& c) {
    if (closed_ || !dc_) return;
    const int* a = c.args;
    switch (c.op) {
    case TDCOp::SetMapMode:
        if (a[0] == MM_TEXT || a[0] == MM_ANISOTROPIC)
            Emit(RecordBuilder(META_SETMAPMODE).W(std::uint16_t(a[0])));
        break;
    case TDCOp::SetWindowOrg: Emit(RecordBuilder(META_SETWINDOWORG).I(a[1]).I(a[0])); break;
    case TDCOp::SetViewportOrg: Emit(RecordBuilder(META_SETVIEWPORTORG).I(a[1]).I(a[0])); break;
    case TDCOp::SetWindowExt:
        if (a[0] != 0 && a[1] != 0) Emit(RecordBuilder(META_SETWINDOWEXT).I(a[1]).I(a[0]));
        break;
    case TDCOp::SetViewportExt:
        if (a[0] != 0 && a[1] != 0) Emit(RecordBuilder(META_SETVIEWPORTEXT).I(a[1]).I(a[0]));
        break;
    case TDCOp::SaveDC:
        Emit(RecordBuilder(META_SAVEDC));
        saved_.push_back(cur_);
        Retain(cur_.penSlot);
        Retain(cur_.brushSlot);
        Retain(cur_.fontSlot);
        break;
    case TDCOp::RestoreDC: {
        // The device context's rule: a level from 1, or a count back from the top.
        const long long n = a[0];
        const long long index = n < 0 ? (long long)saved_.size() + n : n - 1;
        if (n == 0 || index < 0 || index >= (long long)saved_.size()) break;
        Emit(RecordBuilder(META_RESTOREDC).I(n));
        // The player's objects are the restored state's now; whatever only the
        // dropped states held goes.
        PlayerState old = cur_;
        cur_ = saved_[std::size_t(index)];
        std::vector<PlayerState> dropped(saved_.begin() + index + 1, saved_.end());
        saved_.resize(std::size_t(index));
        for (int slot : {old.penSlot, old.brushSlot, old.fontSlot}) Release(slot);
        for (const PlayerState& s : dropped)
            for (int slot : {s.penSlot, s.brushSlot, s.fontSlot}) Release(slot);
        break;
    }
    case TDCOp::IntersectClipRect:
        Emit(RecordBuilder(META_INTERSECTCLIPRECT).I(a[3]).I(a[2]).I(a[1]).I(a[0]));
        break;
    case TDCOp::MoveToEx: Emit(RecordBuilder(META_MOVETO).I(a[1]).I(a[0])); break;
    case TDCOp::LineTo:
        Start();
        SyncRop();
        SyncPen();
        Emit(RecordBuilder(META_LINETO).I(a[1]).I(a[0]));
        break;
    case TDCOp::Polyline:
        Start();
        SyncRop();
        SyncPen();
        EmitPolyline(c.points, c.pointCount);
        break;
    case TDCOp::Polygon:
    case TDCOp::Rectangle:
    case TDCOp::Ellipse:
    case TDCOp::RoundRect:
        Start();
        SyncRop();
        SyncPen();
        SyncBrush();
        SyncBackground();
        if (c.op == TDCOp::Polygon)
            EmitPolygon(c.points, c.pointCount);
        else if (c.op == TDCOp::RoundRect)
            Emit(RecordBuilder(META_ROUNDRECT).I(a[5]).I(a[4]).I(a[3]).I(a[2]).I(a[1]).I(a[0]));
        else
            Emit(RecordBuilder(c.op == TDCOp::Rectangle ? META_RECTANGLE : META_ELLIPSE)
                     .I(a[3]).I(a[2]).I(a[1]).I(a[0]));
        break;
    case TDCOp::SetPixel:
        Start();
        Emit(RecordBuilder(META_SETPIXEL).D(ResolveColor(COLORREF(a[2]))).I(a[1]).I(a[0]));
        break;
    case TDCOp::TextOut:
        if (c.text.empty()) break;
        Start();
        SyncRop();
        SyncText();
        EmitText(a[0], a[1], c.text);
        break;
    default:
        // Objects, colours and modes are written when a drawing needs them.
        break;
    }
}

bool Recorder::Close() {
    if (closed_) return closeResult_;
    Emit(RecordBuilder(META_EOF));
    std::uint8_t header[kHeaderBytes] = {};
    Put16(&header[0], memory_ ? MEMORYMETAFILE : DISKMETAFILE);
    Put16(&header[2], kHeaderBytes / 2);
    Put16(&header[4], kMetafileVersion);
    Put32(&header[6], std::uint32_t(std::min<std::uint64_t>(words_ + kHeaderBytes / 2, UINT32_MAX)));
    Put16(&header[10], std::uint16_t(std::min<std::size_t>(slotsUsed_, UINT16_MAX)));
    Put32(&header[12], maxRecord_);
    Put16(&header[16], 0);
    if (memory_) {
        std::memcpy(bytes_.data(), header, sizeof header);
    } else if (file_) {
        if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0 ||
            std::fwrite(header, 1, sizeof header, file_) != sizeof header)
            failed_ = true;
        if (std::fclose(file_) != 0) failed_ = true;
        file_ = nullptr;
    } else {
        failed_ = true;
    }
    closed_ = true;
    closeResult_ = !failed_;
    return closeResult_;
}

}  // namespace kv::wmf

TMetaFileDC::TMetaFileDC() : TDC(std::make_unique<kv::wmf::Recorder>(nullptr, true)) {
    recorder_ = static_cast<kv::wmf::Recorder*>(GetBackend());
    recorder_->Attach(this);
}

TMetaFileDC::TMetaFileDC(const std::string& path)
    : TDC(std::make_unique<kv::wmf::Recorder>(std::fopen(path.c_str(), "wb"), false)) {
    recorder_ = static_cast<kv::wmf::Recorder*>(GetBackend());
    recorder_->Attach(this);
}

TMetaFileDC::~TMetaFileDC() {
    if (recorder_) recorder_->Close();
}

bool TMetaFileDC::IsOpen() const { return recorder_ && recorder_->IsOpen(); }

bool TMetaFileDC::Close() { return recorder_ && recorder_->Close(); }

const std::vector<std::uint8_t>& TMetaFileDC::Bytes() const {
    static const std::vector<std::uint8_t> none;
    return recorder_ ? recorder_->Bytes() : none;
}
