#pragma once
// Fonts described by a LOGFONT, resolved to the fonts installed with the program.
//
// The Windows faces the documents name resolve to metric twins ("Times New Roman" to
// Liberation Serif, "ＭＳ Ｐゴシック" to IPAPGothic, ...). A character the face lacks is
// taken from a fixed fallback list (the Japanese faces for double-byte text), and the
// same choice serves measuring and drawing, so a text always draws with the font it
// was measured in. Fonts with the Symbol character set (or the face "Symbol") show
// their bytes as the characters of the Symbol encoding: Greek letters for a..z and
// A..Z, 0xB4 the multiplication sign, 0xB1 plus-minus, 0xD6 the radical and so on.
//
// Heights are logical units: lfHeight < 0 is the character (em) height, > 0 the cell
// height (ascent + descent), 0 the default character height kDefaultFontHeight.

#include "wintypes.h"

#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QString>

#include <memory>
#include <string_view>
#include <vector>

// The character height of a font whose lfHeight is 0, in logical units (12 points
// on the twips measuring device).
constexpr LONG kDefaultFontHeight = 240;

// Pitch and family bits of lfPitchAndFamily.
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE FF_SCRIPT = 0x40;
constexpr BYTE FF_DECORATIVE = 0x50;

namespace kv {

// The installed family for a Windows face name (compared without regard to ASCII
// case); other names come back unchanged.
QString MapFaceName(const QString& face);

// The Windows faces a font chooser offers beside the installed families: those
// whose twin is installed, each under the one name Windows lists it by ("Times
// New Roman", "ＭＳ Ｐゴシック", ..., and "Symbol").
std::vector<QString> OfferedWindowFaces();

// Registers the face mapping with QFont, for widgets and dialogs that name the
// Windows faces directly. Drawing through TDC does not need it.
void InstallFontSubstitutions();

// The Unicode character the Symbol font shows for a byte; a blank for the codes
// the encoding leaves empty.
char16_t SymbolToUnicode(unsigned char c);

// The face name of a LOGFONT (CP932 bytes up to the terminator, at most 32) as
// Unicode.
QString FaceName(const LOGFONT& lf);

// True for the Symbol character set or the face "Symbol".
bool IsSymbolFont(const LOGFONT& lf);

// One character of a text, as measured and drawn.
struct FontChar {
    int offset = 0;        // first byte in the source text
    int length = 0;        // 1, or 2 for a double-byte character
    QString text;          // what is drawn
    int face = 0;          // index into the resolved font's faces
    double advance = 0.0;  // advance width as a fraction of the character height
};

// A LOGFONT's faces with their design metrics, shared by every font object with the
// same face, weight, slant and character set. Results are fractions of the
// character (em) height, so they scale exactly with the font's size; hinting, the
// screen and the paint device play no part.
class ResolvedFont {
public:
    static std::shared_ptr<const ResolvedFont> Get(const LOGFONT& lf);

    // The character height in logical units for an lfHeight.
    double EmHeight(LONG lfHeight) const;

    // Windows metrics (ascent and descent from the OS/2 table's Windows values,
    // external leading as Windows derives it from the horizontal header).
    double Ascent() const { return ascent_; }
    double Descent() const { return descent_; }
    double ExternalLeading() const { return externalLeading_; }
    double AveCharWidth() const { return aveCharWidth_; }
    double MaxCharWidth() const { return maxCharWidth_; }
    bool IsSymbol() const { return symbol_; }
    bool IsFixedPitch() const { return fixedPitch_; }

    // Splits CP932 bytes (or Symbol bytes) into characters; a lead byte followed
    // by a non-zero byte inside count forms one character.
    void Split(const char* s, int count, std::vector<FontChar>& out) const;

    int FaceCount() const { return int(faces_.size()); }
    const QString& Family(int face) const { return faces_[size_t(face)].family; }

    // A QFont that draws face number `face` of lf at pixelSize device pixels on a
    // device of dpiY logical dots per inch; without antialiasing or font merging.
    QFont DrawingFont(int face, const LOGFONT& lf, double pixelSize, int dpiY) const;

private:
    struct Face {
        QString family;
        QRawFont raw;  // at a pixel size of one em unit per pixel
        double unitsPerEm = 1.0;
        mutable QHash<QString, double> advances;
    };
    ResolvedFont() = default;
    double Advance(const Face& f, const QString& text) const;
    int FaceFor(const QString& text) const;

    std::vector<Face> faces_;
    bool symbol_ = false;
    bool fixedPitch_ = false;
    double ascent_ = 0.8;
    double descent_ = 0.2;
    double externalLeading_ = 0.0;
    double aveCharWidth_ = 0.5;
    double maxCharWidth_ = 1.0;
    double cellToEm_ = 1.0;  // em height / cell height
};

}  // namespace kv

// The framework's font object: a LOGFONT, resolved on first use.
class TFont {
public:
    TFont();  // the default font of a fresh device context
    explicit TFont(const LOGFONT& lf);
    TFont(const char* face, int height, int escapement = 0, int weight = FW_NORMAL,
          BYTE charSet = DEFAULT_CHARSET, BYTE italic = 0, BYTE underline = 0,
          BYTE strikeOut = 0);

    const LOGFONT& GetLogFont() const { return lf_; }
    bool GetObject(LOGFONT& lf) const {
        lf = lf_;
        return true;
    }
    // The stock object id when this is a stock font, else -1.
    int GetStockId() const { return stockId_; }
    static TFont Stock(int id);

    const kv::ResolvedFont& Resolved() const;
    // Character height in logical units.
    double EmHeight() const { return Resolved().EmHeight(lf_.lfHeight); }

    bool operator==(const TFont& o) const { return lf_ == o.lf_ && stockId_ == o.stockId_; }

private:
    LOGFONT lf_{};
    int stockId_ = -1;
    mutable std::shared_ptr<const kv::ResolvedFont> resolved_;
};
