#pragma once
// Plain Windows-style value types that document records and drawing code share.

#include <cstdint>
#include <cstring>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using BOOL = int;

// A colour as 0x00BBGGRR; a top byte of 0x80 refers to a system colour.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return BYTE(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return BYTE((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return BYTE((c >> 16) & 0xFF); }

constexpr int LF_FACESIZE = 32;
constexpr int MAX_PATH = 260;

// Font description with the Windows member names; heights are in logical units,
// escapement in tenths of a degree counter-clockwise.
struct LOGFONT {
    LONG lfHeight = 0;
    LONG lfWidth = 0;
    LONG lfEscapement = 0;
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};

    bool operator==(const LOGFONT& o) const {
        return lfHeight == o.lfHeight && lfWidth == o.lfWidth &&
               lfEscapement == o.lfEscapement && lfOrientation == o.lfOrientation &&
               lfWeight == o.lfWeight && lfItalic == o.lfItalic &&
               lfUnderline == o.lfUnderline && lfStrikeOut == o.lfStrikeOut &&
               lfCharSet == o.lfCharSet && lfOutPrecision == o.lfOutPrecision &&
               lfClipPrecision == o.lfClipPrecision && lfQuality == o.lfQuality &&
               lfPitchAndFamily == o.lfPitchAndFamily &&
               std::strncmp(lfFaceName, o.lfFaceName, LF_FACESIZE) == 0;
    }
};

constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE SHIFTJIS_CHARSET = 128;

// Copies at most n-1 bytes of src and always terminates dst (n > 0).
inline char* lstrcpynA(char* dst, const char* src, int n) {
    if (n <= 0) return dst;
    int i = 0;
    for (; i < n - 1 && src[i]; ++i) dst[i] = src[i];
    dst[i] = '\0';
    return dst;
}
inline int lstrlenA(const char* s) { return s ? int(std::strlen(s)) : 0; }
