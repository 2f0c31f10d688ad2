#pragma once
// Small helpers of the window-layer tests.

#include "chart/winlayer/escapepoll.h"
#include "platform/escape.h"
#include "platform/wintypes.h"
#include "platform/geometry.h"

#include <QImage>

namespace charttest {

// Resets the Escape check to its start state for a test.
inline void ResetEscape() {
    kv::win::InstallEscapePoll();
    AbortRequested = 0;
    AbortPollEnabled = 1;
}

// The colour of a pixel as COLORREF.
inline COLORREF PixelAt(const QImage& img, TPoint p) {
    const QRgb c = img.pixel(p.x, p.y);
    return RGB(BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)));
}

}  // namespace charttest
