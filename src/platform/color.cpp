#include "platform/color.h"

namespace {

constexpr COLORREF kSysColors[] = {
    RGB(192, 192, 192),  // scroll bar
    RGB(0, 128, 128),    // desktop
    RGB(0, 0, 128),      // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(192, 192, 192),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(192, 192, 192),  // active border
    RGB(192, 192, 192),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(0, 0, 128),      // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(192, 192, 192),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(192, 192, 192),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(0, 0, 0),        // 3D dark shadow
    RGB(223, 223, 223),  // 3D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
};

// The twenty fixed entries of the default palette.
constexpr COLORREF kDefaultPalette[] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192),
    RGB(192, 220, 192), RGB(166, 202, 240), RGB(255, 251, 240), RGB(160, 160, 164),
    RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255),
};

}  // namespace

COLORREF GetSysColor(int index) {
    if (index < 0 || index >= int(sizeof kSysColors / sizeof kSysColors[0])) return 0;
    return kSysColors[index];
}

COLORREF ResolveColor(COLORREF c) {
    switch (c >> 24) {
    case 0x80:
        return GetSysColor(int(c & 0xFF));
    case 0x01: {
        unsigned i = c & 0xFFFF;
        return i < sizeof kDefaultPalette / sizeof kDefaultPalette[0] ? kDefaultPalette[i] : 0;
    }
    default:
        return c & 0x00FFFFFF;
    }
}
