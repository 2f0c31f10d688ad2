#include "platform/font.h"

#include "platform/cp932.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

namespace kv {

namespace {

struct FaceAlias {
    const char* windows;  // UTF-8
    const char* installed;
    bool offered;         // the name a font chooser lists for the face
};

// Metric twins of the faces documents name. Japanese faces also under their
// Japanese names (full-width "ＭＳ" with an ASCII blank, as Windows spells them),
// which are the names a chooser offers; the other spellings only resolve.
constexpr FaceAlias kFaceAliases[] = {
    {"Times New Roman", "Liberation Serif", true},
    {"Times", "Liberation Serif", false},
    {"Arial", "Liberation Sans", true},
    {"Helvetica", "Liberation Sans", false},
    {"Courier New", "Liberation Mono", true},
    {"Courier", "Liberation Mono", false},
    {"MS Gothic", "IPAGothic", false},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", "IPAGothic", true},
    {"MS PGothic", "IPAPGothic", false},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
     "IPAPGothic", true},
    {"MS UI Gothic", "IPAPGothic", true},
    {"MS Mincho", "IPAMincho", false},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D", "IPAMincho", true},
    {"MS PMincho", "IPAPMincho", false},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE6\x98\x8E\xE6\x9C\x9D", "IPAPMincho", true},
    {"Symbol", "Liberation Serif", true},
};

// The Symbol encoding: byte -> Unicode. Zero marks a code the encoding leaves empty.
// Codes the encoding reserves for pieces of large brackets and arrows map to the
// Unicode bracket pieces.
constexpr char16_t kSymbolHigh[0x100 - 0xA0] = {
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,  // A0
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,  // A8
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,  // B0
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,  // B8
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,  // C0
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,  // C8
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,  // D0
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,  // D8
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,  // E0
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,  // E8
    0x0000, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,  // F0
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0000,  // F8
};

// 0x20..0x7E: ASCII except for these.
char16_t SymbolLow(unsigned char c) {
    switch (c) {
    case 0x22: return 0x2200;  // for all
    case 0x24: return 0x2203;  // there exists
    case 0x27: return 0x220B;  // contains as member
    case 0x2A: return 0x2217;  // asterisk operator
    case 0x2D: return 0x2212;  // minus
    case 0x40: return 0x2245;  // approximately equal
    case 0x5C: return 0x2234;  // therefore
    case 0x5E: return 0x22A5;  // perpendicular
    case 0x60: return 0x203E;  // radical extender
    case 0x7E: return 0x223C;  // tilde operator
    default: break;
    }
    // Greek letters in the order of the Latin keyboard letters.
    static constexpr char16_t upper[26] = {
        0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399,
        0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F, 0x03A0, 0x0398, 0x03A1,
        0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396};
    static constexpr char16_t lower[26] = {
        0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9,
        0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1,
        0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};
    if (c >= 'A' && c <= 'Z') return upper[c - 'A'];
    if (c >= 'a' && c <= 'z') return lower[c - 'a'];
    return c;
}

bool SameAsciiCaseless(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::int16_t S16(const QByteArray& t, int at) {
    return qFromBigEndian<qint16>(reinterpret_cast<const uchar*>(t.constData()) + at);
}
std::uint16_t U16(const QByteArray& t, int at) {
    return qFromBigEndian<quint16>(reinterpret_cast<const uchar*>(t.constData()) + at);
}

QFont QueryFont(const QString& family, const LOGFONT& lf) {
    QFont f(family);
    int w = lf.lfWeight <= 0 ? FW_NORMAL : std::clamp<int>(lf.lfWeight, 1, 1000);
    f.setWeight(QFont::Weight(w));
    f.setItalic(lf.lfItalic != 0);
    f.setKerning(false);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// The face to use when the LOGFONT names none.
QString FamilyForPitch(BYTE pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN: return QStringLiteral("Liberation Serif");
    case FF_MODERN: return QStringLiteral("Liberation Mono");
    default: return QStringLiteral("Liberation Sans");
    }
}

bool IsSerifFamily(const QString& family, BYTE pitchAndFamily) {
    return family.contains(QLatin1String("Serif"), Qt::CaseInsensitive) ||
           family.contains(QLatin1String("Mincho"), Qt::CaseInsensitive) ||
           (pitchAndFamily & 0xF0) == FF_ROMAN;
}

using FontKey = std::tuple<QString, int, bool, bool, int>;

}  // namespace

std::vector<QString> OfferedWindowFaces() {
    std::vector<QString> faces;
    for (const FaceAlias& a : kFaceAliases)
        if (a.offered && QFontDatabase::hasFamily(QString::fromUtf8(a.installed)))
            faces.push_back(QString::fromUtf8(a.windows));
    return faces;
}

QString MapFaceName(const QString& face) {
    for (const FaceAlias& a : kFaceAliases)
        if (SameAsciiCaseless(face, QString::fromUtf8(a.windows)))
            return QString::fromUtf8(a.installed);
    return face;
}

void InstallFontSubstitutions() {
    for (const FaceAlias& a : kFaceAliases)
        QFont::insertSubstitution(QString::fromUtf8(a.windows), QString::fromUtf8(a.installed));
}

char16_t SymbolToUnicode(unsigned char c) {
    if (c >= 0x20 && c < 0x7F) return SymbolLow(c);
    if (c >= 0xA0) {
        char16_t u = kSymbolHigh[c - 0xA0];
        return u ? u : u' ';
    }
    return u' ';
}

QString FaceName(const LOGFONT& lf) {
    size_t n = strnlen(lf.lfFaceName, LF_FACESIZE);
    return QString::fromStdString(Cp932ToUtf8Lossy(std::string_view(lf.lfFaceName, n)));
}

bool IsSymbolFont(const LOGFONT& lf) {
    return lf.lfCharSet == SYMBOL_CHARSET ||
           SameAsciiCaseless(FaceName(lf), QStringLiteral("Symbol"));
}

std::shared_ptr<const ResolvedFont> ResolvedFont::Get(const LOGFONT& lf) {
    // Never destroyed: raw fonts must not be released after the application object
    // has taken the font database down.
    static auto& cache = *new std::map<FontKey, std::shared_ptr<const ResolvedFont>>;
    QString face = FaceName(lf).trimmed();
    bool symbol = IsSymbolFont(lf);
    int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::clamp<int>(lf.lfWeight, 1, 1000);
    FontKey key{face, weight, lf.lfItalic != 0, symbol, face.isEmpty() ? lf.lfPitchAndFamily & 0xF0 : 0};
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;

    std::shared_ptr<ResolvedFont> r(new ResolvedFont);
    r->symbol_ = symbol;
    QString primary = face.isEmpty() ? FamilyForPitch(lf.lfPitchAndFamily) : MapFaceName(face);
    if (symbol) primary = QStringLiteral("Liberation Serif");
    QStringList families{primary};
    if (symbol)
        families << "DejaVu Serif" << "DejaVu Sans" << "IPAPMincho" << "IPAPGothic";
    else if (IsSerifFamily(primary, lf.lfPitchAndFamily))
        families << "IPAPMincho" << "IPAMincho" << "DejaVu Serif" << "DejaVu Sans";
    else if (primary.contains(QLatin1String("Mono"), Qt::CaseInsensitive) ||
             (lf.lfPitchAndFamily & 0xF0) == FF_MODERN)
        families << "IPAGothic" << "DejaVu Sans Mono" << "DejaVu Sans";
    else
        families << "IPAPGothic" << "IPAGothic" << "DejaVu Sans";

    // A window system without a font database (Qt's "minimal" platform) hands out
    // raw fonts that claim to be valid but crash when asked their family.
    static const bool haveFontDatabase = !QFontDatabase::families().isEmpty();
    for (int i = 0; haveFontDatabase && i < families.size(); ++i) {
        QRawFont raw = QRawFont::fromFont(QueryFont(families[i], lf));
        if (!raw.isValid()) continue;
        // A fallback that is not installed would only repeat whatever fontconfig
        // substitutes; the primary face is kept whatever it resolves to.
        if (i > 0 && !SameAsciiCaseless(raw.familyName(), families[i])) continue;
        Face f;
        f.family = raw.familyName();
        f.unitsPerEm = raw.unitsPerEm() > 0 ? raw.unitsPerEm() : 2048.0;
        raw.setPixelSize(f.unitsPerEm);
        f.raw = raw;
        r->faces_.push_back(std::move(f));
    }
    if (r->faces_.empty()) {
        // No usable font at all: keep a face so that measuring and drawing still
        // give sizes, with the rough proportions set above.
        Face f;
        f.family = primary;
        r->faces_.push_back(std::move(f));
    } else {
        const Face& f = r->faces_.front();
        const double upm = f.unitsPerEm;
        QByteArray os2 = f.raw.fontTable("OS/2");
        QByteArray hhea = f.raw.fontTable("hhea");
        double winAscent = 0, winDescent = 0;
        if (os2.size() >= 78) {
            winAscent = U16(os2, 74);
            winDescent = U16(os2, 76);
            r->aveCharWidth_ = S16(os2, 2) / upm;
        } else {
            winAscent = f.raw.ascent();
            winDescent = f.raw.descent();
            r->aveCharWidth_ = f.raw.averageCharWidth() / upm;
        }
        if (winAscent + winDescent <= 0) {
            winAscent = 0.8 * upm;
            winDescent = 0.2 * upm;
        }
        r->ascent_ = winAscent / upm;
        r->descent_ = winDescent / upm;
        r->cellToEm_ = upm / (winAscent + winDescent);
        if (hhea.size() >= 12) {
            double asc = S16(hhea, 4), desc = S16(hhea, 6), gap = S16(hhea, 8);
            double ext = gap - ((winAscent + winDescent) - (asc - desc));
            r->externalLeading_ = std::max(0.0, ext) / upm;
            r->maxCharWidth_ = U16(hhea, 10) / upm;
        } else {
            r->externalLeading_ = std::max(0.0, double(f.raw.leading())) / upm;
            r->maxCharWidth_ = f.raw.maxCharWidth() / upm;
        }
        r->fixedPitch_ = QFontInfo(QueryFont(f.family, lf)).fixedPitch();
    }
    cache.emplace(key, r);
    return r;
}

double ResolvedFont::EmHeight(LONG lfHeight) const {
    if (lfHeight < 0) return -double(lfHeight);
    if (lfHeight > 0) return double(lfHeight) * cellToEm_;
    return double(kDefaultFontHeight);
}

double ResolvedFont::Advance(const Face& f, const QString& text) const {
    auto it = f.advances.constFind(text);
    if (it != f.advances.constEnd()) return *it;
    double adv = 0.0;
    if (f.raw.isValid()) {
        QList<quint32> glyphs = f.raw.glyphIndexesForString(text);
        QList<QPointF> advances = f.raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
        for (const QPointF& a : advances) adv += a.x();
        adv /= f.unitsPerEm;
    } else {
        adv = 0.5 * text.size();
    }
    f.advances.insert(text, adv);
    return adv;
}

int ResolvedFont::FaceFor(const QString& text) const {
    if (text.isEmpty()) return 0;
    uint ucs = text.at(0).unicode();
    if (text.size() > 1 && text.at(0).isHighSurrogate()) ucs = QChar::surrogateToUcs4(text.at(0), text.at(1));
    if (ucs < 0x20) return 0;
    for (size_t i = 0; i < faces_.size(); ++i)
        if (faces_[i].raw.isValid() && faces_[i].raw.supportsCharacter(ucs)) return int(i);
    return 0;
}

void ResolvedFont::Split(const char* s, int count, std::vector<FontChar>& out) const {
    out.clear();
    if (!s || count <= 0) return;
    const auto* b = reinterpret_cast<const unsigned char*>(s);
    for (int i = 0; i < count;) {
        FontChar c;
        c.offset = i;
        if (symbol_) {
            c.length = 1;
            c.text = QString(QChar(SymbolToUnicode(b[i])));
        } else if (IsDBCSLeadByte(b[i]) && i + 1 < count && b[i + 1] != 0) {
            c.length = 2;
            c.text = QString::fromStdString(Cp932ToUtf8Lossy(std::string_view(s + i, 2)));
        } else {
            c.length = 1;
            c.text = b[i] < 0x80 ? QString(QChar(b[i]))
                                 : QString::fromStdString(Cp932ToUtf8Lossy(std::string_view(s + i, 1)));
        }
        c.face = FaceFor(c.text);
        c.advance = Advance(faces_[size_t(c.face)], c.text);
        i += c.length;
        out.push_back(std::move(c));
    }
}

QFont ResolvedFont::DrawingFont(int face, const LOGFONT& lf, double pixelSize, int dpiY) const {
    QFont f = QueryFont(faces_[size_t(std::clamp(face, 0, FaceCount() - 1))].family, lf);
    f.setHintingPreference(QFont::PreferDefaultHinting);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    // Qt turns point sizes into pixels with the device's resolution.
    f.setPointSizeF(std::max(pixelSize, 0.01) * 72.0 / (dpiY > 0 ? dpiY : 96));
    return f;
}

}  // namespace kv

namespace {

LOGFONT MakeLogFont(const char* face, int height, int escapement, int weight, BYTE charSet,
                    BYTE italic, BYTE underline, BYTE strikeOut) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfEscapement = escapement;
    lf.lfOrientation = escapement;
    lf.lfWeight = weight;
    lf.lfCharSet = charSet;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeOut;
    if (face) lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    return lf;
}

}  // namespace

TFont::TFont() : TFont(Stock(13 /* SYSTEM_FONT */)) {}

TFont::TFont(const LOGFONT& lf) : lf_(lf) {}

TFont::TFont(const char* face, int height, int escapement, int weight, BYTE charSet, BYTE italic,
             BYTE underline, BYTE strikeOut)
    : lf_(MakeLogFont(face, height, escapement, weight, charSet, italic, underline, strikeOut)) {}

TFont TFont::Stock(int id) {
    // Every stock font is the proportional sans face at the default height; the
    // fixed-pitch ones use the mono face.
    bool fixed = id == 10 || id == 11 || id == 16;
    TFont f(LOGFONT{});
    f.lf_ = MakeLogFont(fixed ? "Courier New" : "Arial", 0, 0, FW_NORMAL, DEFAULT_CHARSET, 0, 0, 0);
    f.stockId_ = id;
    return f;
}

const kv::ResolvedFont& TFont::Resolved() const {
    if (!resolved_) resolved_ = kv::ResolvedFont::Get(lf_);
    return *resolved_;
}
