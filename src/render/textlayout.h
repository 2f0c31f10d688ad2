#pragma once
// Text layout: measures a marked-up text once, in twips, and stores one metric per
// unit of its expanded string, its line height, ascent and rotated bounding box.
// Every device then draws the text from those stored advances (BoxFrame::DrawText).
//
// Measuring goes through a TextMeasure. The program measures on the platform's
// twips measuring device (kv::TextMeasuringDC()), which gives the same numbers as a
// window mapped to twips at 100 % zoom, whatever the view's zoom and centre; tests
// install a measure of their own with fixed metrics.

#include "platform/wintypes.h"

class BoxFrame;
class TText;

namespace kv {

// What the layout asks of the fonts: select one, read its height (tmHeight) and
// ascent (tmAscent), and measure the advance of one character (one or two bytes)
// in it. Begin and End bracket one layout.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual void Begin() {}
    virtual void End() {}
    virtual void SelectFont(const LOGFONT& lf) = 0;
    virtual int Height() = 0;
    virtual int Ascent() = 0;
    virtual int Advance(const char* s, int count) = 0;
};

// The measure on kv::TextMeasuringDC(): GetTextMetrics and GetTextExtentPoint with
// the selected font; the device context is left as it was found.
TextMeasure& DeviceTextMeasure();

// The measure the layout uses: DeviceTextMeasure() unless another is installed.
TextMeasure& CurrentTextMeasure();
// Installs measure (null: back to the device) and returns the one it replaces.
TextMeasure* SetTextMeasure(TextMeasure* measure);

// Installs the layout as the model's relayout hook (SetTextRelayoutHook), so that
// the series list operations' renumbering and the graph-file reader lay out every
// text of an axis set again. The application calls it at start-up.
void InstallTextLayout();

}  // namespace kv

// Lays text out: fills its CharMetrics, LineHeight, Ascent and BoundingBox. Series
// references are taken from set (the axis set that owns the text, or the one the
// caller names; null: none). Measures with kv::CurrentTextMeasure(). The chart
// window calls this directly: it lives here so the headless drawing can lay out too.
void LayoutText(TText* text, const BoxFrame* set);
void LayoutText(TText* text, const BoxFrame* set, kv::TextMeasure& measure);

// LayoutText for every free text of set in list order, then for the label texts
// of the left, bottom, top and right axes.
void LayoutFrameTexts(BoxFrame* set);
