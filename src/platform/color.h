#pragma once
// Colours as the document stores them: a COLORREF (0x00BBGGRR) whose top byte may
// mark a reference instead of a plain colour. 0x80 refers to a system colour
// (the low byte is its index), 0x01 to an entry of the default palette, 0x02 to a
// palette-relative RGB. Drawing and export resolve such references first.

#include "wintypes.h"

constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;

constexpr COLORREF PALETTEINDEX(WORD i) { return 0x01000000u | i; }
constexpr COLORREF PALETTERGB(BYTE r, BYTE g, BYTE b) { return 0x02000000u | RGB(r, g, b); }

// The classic Windows scheme, fixed so that drawings do not depend on the desktop
// theme. Unknown indexes give black.
COLORREF GetSysColor(int index);

// A plain 0x00BBGGRR colour for any reference: system colours and palette entries
// looked up, the top byte dropped otherwise.
COLORREF ResolveColor(COLORREF c);

// The framework's colour value: a COLORREF that may hold a reference.
class TColor {
public:
    constexpr TColor() = default;
    constexpr TColor(COLORREF c) : value_(c) {}
    constexpr TColor(BYTE r, BYTE g, BYTE b) : value_(RGB(r, g, b)) {}

    constexpr operator COLORREF() const { return value_; }
    constexpr COLORREF GetValue() const { return value_; }
    constexpr bool IsSysColor() const { return (value_ & 0xFF000000u) == 0x80000000u; }

    COLORREF Rgb() const { return ResolveColor(value_); }
    BYTE Red() const { return GetRValue(Rgb()); }
    BYTE Green() const { return GetGValue(Rgb()); }
    BYTE Blue() const { return GetBValue(Rgb()); }

    constexpr bool operator==(const TColor&) const = default;

    static constexpr COLORREF Black = 0x000000;
    static constexpr COLORREF White = 0xFFFFFF;

private:
    COLORREF value_ = 0;
};
