#include "platform/measure.h"

#include "platform/dc.h"

#include <cmath>
#include <cstring>

namespace kv {

namespace {

LONG RoundUnits(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483647.0) return -2147483647;
    return LONG(std::lround(v));
}

}  // namespace

TEXTMETRIC MeasureTextMetrics(const TFont& font) {
    const ResolvedFont& r = font.Resolved();
    const LOGFONT& lf = font.GetLogFont();
    const double em = font.EmHeight();
    TEXTMETRIC tm;
    tm.tmAscent = RoundUnits(r.Ascent() * em);
    tm.tmDescent = RoundUnits(r.Descent() * em);
    // A font height from a damaged file may be near the int range: the sums are
    // formed in double and held within it.
    tm.tmHeight = RoundUnits(double(tm.tmAscent) + tm.tmDescent);
    tm.tmInternalLeading = std::max<LONG>(0, RoundUnits(double(tm.tmHeight) - RoundUnits(em)));
    tm.tmExternalLeading = RoundUnits(r.ExternalLeading() * em);
    tm.tmAveCharWidth = RoundUnits(r.AveCharWidth() * em);
    tm.tmMaxCharWidth = RoundUnits(r.MaxCharWidth() * em);
    tm.tmWeight = lf.lfWeight <= 0 ? FW_NORMAL : lf.lfWeight;
    tm.tmDigitizedAspectX = 1440;
    tm.tmDigitizedAspectY = 1440;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = char(0xFF);
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = lf.lfItalic ? 1 : 0;
    tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
    tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
    // The low bit is set for variable pitch (Windows' inverted meaning); 0x06 marks
    // a scalable TrueType font.
    tm.tmPitchAndFamily = BYTE((lf.lfPitchAndFamily & 0xF0) | 0x06 | (r.IsFixedPitch() ? 0 : 1));
    tm.tmCharSet = r.IsSymbol() ? SYMBOL_CHARSET : lf.lfCharSet;
    return tm;
}

void MeasureChars(const TFont& font, const char* s, int count, std::vector<FontChar>& chars,
                  std::vector<int>* advances) {
    const ResolvedFont& r = font.Resolved();
    if (s && count < 0) count = int(std::strlen(s));
    r.Split(s, count, chars);
    if (!advances) return;
    const double em = font.EmHeight();
    advances->clear();
    advances->reserve(chars.size());
    for (const FontChar& c : chars) advances->push_back(RoundUnits(c.advance * em));
}

TSize MeasureTextExtent(const TFont& font, const char* s, int count) {
    std::vector<FontChar> chars;
    std::vector<int> advances;
    MeasureChars(font, s, count, chars, &advances);
    long long w = 0;
    for (int a : advances) w += a;
    return TSize(RoundUnits(double(w)), MeasureTextMetrics(font).tmHeight);
}

TDC& TextMeasuringDC() {
    // Never destroyed, like the fonts it holds (see ResolvedFont::Get).
    static TDC& dc = *new TDC;
    return dc;
}

}  // namespace kv
