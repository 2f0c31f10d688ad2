#pragma once
// The series-style sample: a small picture of how a series looks (its data line
// and its marker) on a white field with a black border. It draws from a copy of
// the style it was given, so the picture stays valid while the owner edits or
// replaces that style; it changes only when SetPlotStyle is called again. It
// shows no focus and no pressed look and stands for no command of its own.

#include "dialogs/kit/ownerdraw.h"

#include <memory>

class TPlotStyle;

class TPlotButton : public POwnerDrawButton {
    Q_OBJECT
public:
    // Attaches itself to the dialog's owner-drawn row id (no dialog: a free
    // button). With a style the sample shows a copy of it; without, it is empty.
    TPlotButton(PDialog* parent, int id, const TPlotStyle* style = nullptr);
    ~TPlotButton() override;

    // With a style: copies every field of it and shows it; without: shows the
    // empty field (the copy stays but is not drawn). Draws the button again.
    void SetPlotStyle(const TPlotStyle* style);

    std::unique_ptr<TPlotStyle> SampleStyle;  // never shared with the caller
    int HasStyle = 0;                         // 1: SampleStyle is drawn

protected:
    void ODADrawEntire(DRAWITEMSTRUCT& dis) override;
};

// Draws the sample of style (null: the empty field) into the item rectangle r of
// a device context in device pixels.
void DrawPlotSample(TDC& dc, const TRect& r, const TPlotStyle* style);
