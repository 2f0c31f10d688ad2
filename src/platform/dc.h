#pragma once
// The device context: GDI's drawing model (mapping modes, current objects, colours,
// background mode, clipping, raster operations, a current position) over a device
// backend. The context keeps every attribute and maps logical to device
// coordinates; the backend only rasterises in device pixels. Backends: QPainter on
// any QPaintDevice (image, a window's backing image, printer, PDF writer), none at
// all (draws nothing, still measures), or one of the caller's (tests record calls).
//
// Text is measured in logical units from the font's design metrics (measure.h), the
// same on every device; TextOut places each character from those advances, so a
// caller that stores advances can position characters one by one and get the same
// picture everywhere. No antialiasing anywhere: NOT-XOR feedback drawn twice gives
// back every pixel.

#include "color.h"
#include "font.h"
#include "geometry.h"
#include "measure.h"

#include <QRegion>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QPaintDevice;
class QPainter;

// Mapping modes (only these two are supported).
constexpr int MM_TEXT = 1;
constexpr int MM_ANISOTROPIC = 8;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;

// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;

// Brush styles and hatches.
constexpr int BS_SOLID = 0;
constexpr int BS_NULL = 1;
constexpr int BS_HOLLOW = BS_NULL;
constexpr int BS_HATCHED = 2;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;  // top left to bottom right
constexpr int HS_BDIAGONAL = 3;  // bottom left to top right
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Text alignment.
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

// Raster operations (pen/brush colour P, pixel D).
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;  // NOT (P XOR D): drawing twice restores D
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// Device capabilities.
constexpr int TECHNOLOGY = 2;
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;
constexpr int DT_METAFILE = 5;

// Clip results.
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// A pen: style, width in logical units (0 = one device pixel), colour.
class TPen {
public:
    TPen(COLORREF color, int width = 1, int style = PS_SOLID)
        : color_(color), width_(width), style_(style) {}
    static TPen Stock(int id);  // WHITE_PEN, BLACK_PEN, NULL_PEN

    COLORREF GetColor() const { return color_; }
    int GetWidth() const { return width_; }
    int GetStyle() const { return style_; }
    int GetStockId() const { return stockId_; }
    bool IsNull() const { return style_ == PS_NULL; }
    bool operator==(const TPen&) const = default;

private:
    COLORREF color_ = 0;
    int width_ = 1;
    int style_ = PS_SOLID;
    int stockId_ = -1;
};

// A brush: solid, hatched (HS_HORIZONTAL..HS_DIAGCROSS) or null. Hatch lines are in
// the brush colour; between them the background colour shows when the background
// mode is OPAQUE. The hatch spacing is physical: 8 pixels of a 96-dpi screen
// (1/12 inch) on every device.
class TBrush {
public:
    explicit TBrush(COLORREF color) : color_(color), style_(BS_SOLID) {}
    TBrush(COLORREF color, int hatch) : color_(color), style_(BS_HATCHED), hatch_(hatch) {}
    static TBrush Stock(int id);  // WHITE_BRUSH .. NULL_BRUSH

    COLORREF GetColor() const { return color_; }
    int GetStyle() const { return style_; }
    int GetHatch() const { return hatch_; }
    int GetStockId() const { return stockId_; }
    bool IsNull() const { return style_ == BS_NULL; }
    bool operator==(const TBrush&) const = default;

private:
    COLORREF color_ = 0;
    int style_ = BS_SOLID;
    int hatch_ = 0;
    int stockId_ = -1;
};

// Operations as they reach a device context, for backends that record or replay
// them (coordinates are logical, as the caller passed them).
enum class TDCOp {
    SetMapMode, SetWindowOrg, SetWindowExt, SetViewportOrg, SetViewportExt,
    SelectPen, SelectBrush, SelectFont, SelectStockObject,
    RestorePen, RestoreBrush, RestoreFont,
    SetTextColor, SetBkColor, SetBkMode, SetTextAlign, SetROP2,
    SaveDC, RestoreDC, IntersectClipRect,
    MoveToEx, LineTo, Polyline, Polygon, Rectangle, Ellipse, RoundRect, SetPixel, TextOut,
    DeviceLine,
};

struct TDCCall {
    TDCOp op = TDCOp::SaveDC;
    int args[6] = {};
    int argCount = 0;
    const TPoint* points = nullptr;
    int pointCount = 0;
    std::string_view text;  // TextOut bytes; the face name for SelectFont
};

const char* TDCOpName(TDCOp op);
// "LineTo(30,40)", "Polygon(0,0;10,0;10,10)", "TextOut(10,20,\"A\")",
// "SelectPen(0,100,0xff)" (style, width, COLORREF in hex), ...
std::string FormatDCCall(const TDCCall& call);

class TDC;

// One part of a mark that TDC::Marks draws at many places: the shape that the
// call its kind names draws, with its points as logical offsets from the mark's
// centre (a polygon's points, an ellipse's two corners, or the points of
// strokes in groups of counts[g], as TDC::Strokes takes them).
struct TDCMarkPart {
    enum Kind { Polygon, Ellipse, Strokes };
    Kind kind = Polygon;
    const TPoint* offsets = nullptr;
    int count = 0;
    const int* counts = nullptr;
    int groups = 0;
};

// The marks of a TDC::Marks call as they reach a backend: each mark's centre on
// the device and its shape, shape s being the device offsets from the centre of
// all the parts' points, one part after another, at offsets[s * points]. Shapes
// keep their numbers, from one call and one context to the next, while serial
// stays the same.
struct TDCMarks {
    const TDCMarkPart* parts = nullptr;
    int partCount = 0;
    int points = 0;
    const TPoint* centres = nullptr;
    const int* shapes = nullptr;
    int count = 0;
    const TPoint* offsets = nullptr;
    unsigned serial = 0;
};

// One character that a TextOut places, in device terms.
struct TTextGlyph {
    TPoint origin;        // left end of the baseline, device pixels
    double angle = 0.0;   // degrees, counter-clockwise
    QString text;
    int face = 0;         // face of the resolved font that has the character
    double pixelSize = 0.0;  // character height in device pixels
    double advance = 0.0;    // the measured advance, device pixels
    double ascent = 0.0;     // cell above and below the baseline, device pixels
    double descent = 0.0;
};

// What a device context asks of its device. Drawing calls carry device pixels
// (rectangles normalised, right and bottom exclusive); the backend reads pen,
// brush, colours, modes, raster operation and clip from dc.
class TDCBackend {
public:
    virtual ~TDCBackend() = default;
    virtual int GetDeviceCaps(int index) const = 0;
    // Every call reaching the context, before it acts, for backends that want
    // them.
    virtual bool WantsTrace() const { return true; }
    virtual void Trace(const TDCCall&) {}

    virtual void Line(const TDC&, TPoint, TPoint) {}
    virtual void Polyline(const TDC&, const TPoint*, int) {}
    virtual void Polygon(const TDC&, const TPoint*, int) {}
    // The lines of TDC::Strokes: each group of counts[g] device points joined
    // one after another. By default one Line after another.
    virtual void Strokes(const TDC& dc, const TPoint* points, const int* counts, int groups) {
        for (int g = 0; g < groups; points += counts[g++])
            for (int k = 1; k < counts[g]; ++k) Line(dc, points[k - 1], points[k]);
    }
    // The marks of TDC::Marks, each drawn as its parts' own calls would draw
    // it. False when the backend leaves them to those calls, before it has
    // drawn any.
    virtual bool Marks(const TDC&, const TDCMarks&) { return false; }
    virtual void Rectangle(const TDC&, const TRect&) {}
    virtual void Ellipse(const TDC&, const TRect&) {}
    virtual void RoundRect(const TDC&, const TRect&, TSize) {}
    virtual COLORREF SetPixel(const TDC&, TPoint, COLORREF) { return CLR_INVALID; }
    virtual void Text(const TDC&, const TTextGlyph&) {}
    virtual bool NewPage() { return false; }
    virtual void Flush() {}
};

// Overrides of what a QPaintDevice reports; zeros take the device's own values.
// A printer handed in by the window side gives its physical page and offset here.
struct TDeviceInfo {
    int logPixelsX = 0;
    int logPixelsY = 0;
    int physicalWidth = 0;  // device pixels
    int physicalHeight = 0;
    int physicalOffsetX = 0;
    int physicalOffsetY = 0;
    int technology = 0;
};

class TDC {
public:
    // A context on no device: draws nothing; LOGPIXELSX/Y are 1440, so in MM_TEXT
    // one logical unit is one twip.
    TDC();
    explicit TDC(std::unique_ptr<TDCBackend> backend);
    // Paints with a QPainter of its own, begun at the first drawing and ended by
    // Flush() or the destructor.
    explicit TDC(QPaintDevice* device, const TDeviceInfo& info = {});
    // Paints with the caller's active painter, which it never ends; it takes over
    // the painter's state (transform reset, clip, composition, hints).
    explicit TDC(QPainter* painter, const TDeviceInfo& info = {});
    ~TDC();
    TDC(const TDC&) = delete;
    TDC& operator=(const TDC&) = delete;

    TDCBackend* GetBackend() const { return backend_.get(); }

    // Mapping. Extents of 0 are refused; MM_TEXT ignores extents.
    int SetMapMode(int mode);
    int GetMapMode() const { return st_.mapMode; }
    bool SetWindowOrg(const TPoint& p, TPoint* old = nullptr);
    bool SetWindowExt(const TSize& s, TSize* old = nullptr);
    bool SetViewportOrg(const TPoint& p, TPoint* old = nullptr);
    bool SetViewportExt(const TSize& s, TSize* old = nullptr);
    TPoint GetWindowOrg() const { return st_.winOrg; }
    TSize GetWindowExt() const;
    TPoint GetViewportOrg() const { return st_.vpOrg; }
    TSize GetViewportExt() const;
    // Rounded to the nearest unit (halves upward), as Windows does.
    bool LPtoDP(TPoint* points, int count = 1) const;
    bool DPtoLP(TPoint* points, int count = 1) const;
    bool LPtoDP(TRect& r) const;
    bool DPtoLP(TRect& r) const;
    // Device units per logical unit.
    double ScaleX() const;
    double ScaleY() const;

    // Objects. Selecting a pen, brush or font made by the caller first remembers the
    // object it replaces (the initial one, once per kind); Restore* reselects it and
    // forgets it. Stock objects are never remembered.
    void SelectObject(const TPen& pen);
    void SelectObject(const TBrush& brush);
    void SelectObject(const TFont& font);
    void SelectStockObject(int id);
    void RestorePen();
    void RestoreBrush();
    void RestoreFont();
    void RestoreObjects();
    const TPen& GetPen() const { return st_.pen; }
    const TBrush& GetBrush() const { return st_.brush; }
    const TFont& GetFont() const { return st_.font; }
    // The current pen's width in device pixels; 0 for a one-pixel (cosmetic) line.
    int DevicePenWidth() const;

    COLORREF SetTextColor(COLORREF c);
    COLORREF GetTextColor() const { return st_.textColor; }
    COLORREF SetBkColor(COLORREF c);
    COLORREF GetBkColor() const { return st_.bkColor; }
    int SetBkMode(int mode);  // 0 (refused) for other values than TRANSPARENT/OPAQUE
    int GetBkMode() const { return st_.bkMode; }
    UINT SetTextAlign(UINT align);
    UINT GetTextAlign() const { return st_.textAlign; }
    // R2_* on raster devices (images, a window's backing image); other devices
    // accept the value and draw as R2_COPYPEN.
    int SetROP2(int rop);
    int GetROP2() const { return st_.rop2; }

    // SaveDC returns the new level (1, 2, ...); RestoreDC takes a level or a
    // negative count back from the top.
    int SaveDC();
    bool RestoreDC(int saved = -1);
    int IntersectClipRect(const TRect& r);
    int IntersectClipRect(int l, int t, int r, int b) { return IntersectClipRect(TRect(l, t, r, b)); }
    // Clip in device pixels; null when nothing clips.
    const QRegion* GetDeviceClip() const { return st_.clip ? &*st_.clip : nullptr; }
    int GetClipSerial() const { return st_.clipSerial; }

    bool MoveToEx(int x, int y, TPoint* old = nullptr);
    bool MoveTo(const TPoint& p) { return MoveToEx(p.x, p.y); }
    // The end point is not drawn.
    bool LineTo(int x, int y);
    bool LineTo(const TPoint& p) { return LineTo(p.x, p.y); }
    // The line LineTo draws between two points that map to the device points a
    // and b (device pixels, a drawn, b not on thin pens), with the same pen,
    // raster operation and clip; the current position stays. For drawings that
    // work out several lines' pixels per device column themselves.
    bool DeviceLine(const TPoint& a, const TPoint& b);
    bool Polyline(const TPoint* points, int count);
    // Moves and lines in groups: for each of the groups, a move to its first
    // point and a line to each next one, the same calls and pixels as MoveToEx
    // and LineTo one after another (a recording backend sees those calls); the
    // current position ends at the last point. Other backends may draw the lines
    // together, as a raster device does with a series' cross markers. False for
    // no groups or a group without points.
    bool Strokes(const TPoint* points, const int* counts, int groups);
    // Marks of one shape at many places, as a series draws its markers: at each
    // of the count centres in turn, its parts in turn, each as Polygon, Ellipse
    // or Strokes draws it with its points at the centre plus the part's
    // offsets (each coordinate of an offset within 2^24 in size). The same
    // calls on a recording backend and the same pixels as those calls one after
    // another; a raster image takes each mark whole from a stamp. False, drawing
    // nothing, for a part of no points or more than kMaxMarkPoints, an ellipse
    // without just two, or strokes whose counts do not add up to the part's
    // points.
    static constexpr int kMaxMarkPoints = 16;
    bool Marks(const TDCMarkPart* parts, int partCount, const TPoint* centres, int count);
    bool Polygon(const TPoint* points, int count);  // alternate fill
    bool Rectangle(int l, int t, int r, int b);     // right and bottom excluded
    bool Rectangle(const TRect& r) { return Rectangle(r.left, r.top, r.right, r.bottom); }
    bool Ellipse(int l, int t, int r, int b);
    bool Ellipse(const TRect& r) { return Ellipse(r.left, r.top, r.right, r.bottom); }
    bool RoundRect(int l, int t, int r, int b, int cornerW, int cornerH);
    COLORREF SetPixel(int x, int y, COLORREF c);
    // count < 0: up to the terminator. The characters are placed from their measured
    // advances along the font's escapement, aligned by SetTextAlign.
    bool TextOut(int x, int y, const char* s, int count = -1);
    TPoint GetCurrentPosition() const { return st_.cp; }

    // Measuring in logical units; independent of the device and its mapping.
    bool GetTextExtentPoint(const char* s, int count, TSize* size) const;
    TSize GetTextExtent(const char* s, int count) const;
    bool GetTextMetrics(TEXTMETRIC& tm) const;

    int GetDeviceCaps(int index) const;
    bool NewPage();  // paged devices (printer, PDF)
    // The job's abort procedure, as a print job sets it: asked while the job draws
    // (at most every few tens of milliseconds); once it answers false the job is
    // aborted and nothing more reaches the device, so the drawing ends quickly.
    // Null removes it.
    void SetAbortProc(std::function<bool()> proc);
    bool Aborted() const { return aborted_; }
    void Flush();

private:
    struct State {
        int mapMode = MM_TEXT;
        TPoint winOrg;
        TSize winExt{1, 1};
        TPoint vpOrg;
        TSize vpExt{1, 1};
        TPen pen = TPen::Stock(BLACK_PEN);
        TBrush brush = TBrush::Stock(WHITE_BRUSH);
        TFont font = TFont::Stock(SYSTEM_FONT);
        COLORREF textColor = 0;
        COLORREF bkColor = 0xFFFFFF;
        int bkMode = OPAQUE;
        UINT textAlign = 0;
        int rop2 = R2_COPYPEN;
        TPoint cp;
        std::optional<QRegion> clip;
        int clipSerial = 0;
    };

    void Trace(TDCOp op, std::initializer_list<int> args, const TPoint* pts = nullptr,
               int npts = 0, std::string_view text = {}) const;
    TPoint ToDevice(const TPoint& p) const;
    TRect ToDeviceRect(int l, int t, int r, int b) const;
    // Whether drawing reaches the device: there is one and no abort procedure
    // stopped the job. Asks the abort procedure now and then.
    bool Drawing() {
        if (abortProc_ && ++abortCount_ >= kAbortEvery) [[unlikely]]
            AskAbortProc();
        return backend_ != nullptr && !aborted_;
    }
    void AskAbortProc();
    static constexpr int kAbortEvery = 64;
    // The calls that Marks stands for, for one mark.
    void MarkOneByOne(const TDCMarkPart* parts, int partCount, TPoint centre);
    // Hands the marks gathered in marks_ to the backend, or draws them one by one.
    void FlushMarks(const TDCMarkPart* parts, int partCount);
    struct MarkMap;
    // The tables of the marks drawn last, shared with the contexts after this one
    // on the same thread that draw the same marks under the same mapping.
    std::shared_ptr<MarkMap> marks_;

    std::unique_ptr<TDCBackend> backend_;
    State st_;
    std::vector<State> saved_;
    std::optional<TPen> initialPen_;
    std::optional<TBrush> initialBrush_;
    std::optional<TFont> initialFont_;
    mutable std::vector<TPoint> scratch_;
    // DevicePenWidth for a pen width and the horizontal extents (window, viewport).
    mutable int penWidthFor_[3] = {0, 0, 0};
    mutable int penWidth_ = 0;
    // LPtoDP's reciprocals 1 / (2 |extent|) for the window extents in invFor_.
    mutable int invFor_[2] = {0, 0};
    mutable double inv_[2] = {0.0, 0.0};
    bool traces_ = false;
    std::function<bool()> abortProc_;
    int abortCount_ = 0;
    long long abortAsked_ = 0;  // steady clock, ns
    bool aborted_ = false;
};

namespace kv {

// Gives back the stamps of small shapes (a series' markers) that drawing on
// images keeps on this thread from one drawing to the next; the next drawing
// makes them anew.
void ReleaseDrawingStamps();

// The hatch texture for a device of dpi dots per inch: period and line thickness
// in device pixels (8 and 1 at 96 dpi, scaled with the resolution).
int HatchPeriod(int dpi);
int HatchThickness(int dpi);
// Whether pixel (x, y) of the hatch tile is on a hatch line.
bool HatchPixel(int hatch, int x, int y, int period, int thickness);

}  // namespace kv
