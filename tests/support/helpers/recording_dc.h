#pragma once
// A device context that records the calls reaching it instead of drawing, for tests
// that check what a drawing does and in which order without looking at pixels.
// Each call is kept as text in logical units, e.g. "MoveToEx(10,20)",
// "LineTo(30,40)", "SelectPen(0,100,#FF0000)", "Polygon(0,0;10,0;10,10)",
// "TextOut(100,200,\"A\")" (FormatDCCall in platform/dc.h gives the forms).
// Attribute state (pen, brush, colours, mapping) is kept as on any TDC, so tests can
// also read it back.

#include "platform/dc.h"

#include <string>
#include <string_view>
#include <vector>

namespace recording_dc_detail {
struct Log {
    std::vector<std::string> calls;
};
}  // namespace recording_dc_detail

class RecordingDC : private recording_dc_detail::Log, public TDC {
public:
    // dpi: what LOGPIXELSX/Y report; the device is 8.5 x 11 inches at that density.
    explicit RecordingDC(int dpi = 96);

    const std::vector<std::string>& Calls() const { return calls; }
    // The calls whose text starts with prefix ("LineTo", "Select"), in order.
    std::vector<std::string> Calls(std::string_view prefix) const;
    void Clear() { calls.clear(); }
};
