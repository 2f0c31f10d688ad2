#pragma once
// Text measuring. A text is measured once, in twips, and every device draws it from
// the stored advances, so the measurement must not depend on the window, the zoom,
// the paint device, the platform plugin or the user's hinting settings. Results
// here are functions of the LOGFONT and the bytes alone: the font's design metrics
// scaled to its character height in logical units, rounded to the nearest unit.

#include "font.h"
#include "geometry.h"

#include <vector>

struct TEXTMETRIC {
    LONG tmHeight = 0;  // tmAscent + tmDescent
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;  // tmHeight - character height
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    char tmFirstChar = 0;
    char tmLastChar = 0;
    char tmDefaultChar = 0;
    char tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};

class TDC;

namespace kv {

// Metrics of the font in its own logical units. tmDigitizedAspectX/Y report 1440.
TEXTMETRIC MeasureTextMetrics(const TFont& font);

// The characters of count bytes (count < 0: up to the terminator; a CP932 lead
// byte and its trail byte form one) with each advance rounded to logical units.
// advances may be null.
void MeasureChars(const TFont& font, const char* s, int count, std::vector<FontChar>& chars,
                  std::vector<int>* advances);

// Width: the sum of the rounded advances of the characters, so that a string
// measures as the sum of its characters. Height: tmHeight.
TSize MeasureTextExtent(const TFont& font, const char* s, int count);

// The text-measuring device: a device context on no device whose logical unit is
// the twip (LOGPIXELSX/Y 1440), for layouts made without a window. It measures as
// every other device context does, so a window's context mapped to twips gives the
// same results.
TDC& TextMeasuringDC();

}  // namespace kv
