#pragma once
// The colour sample button of the style dialogs: a raised tile filled with its
// colour. A click reaches the dialog as an ordinary BN_CLICKED of its id; the
// dialog then opens the pop-up palette (selectcolor.h) and sets the result back.

#include "dialogs/kit/ownerdraw.h"
#include "platform/color.h"

class TColorButton : public POwnerDrawButton {
    Q_OBJECT
public:
    // Attaches itself to the dialog's owner-drawn row id (no dialog: a free button).
    TColorButton(PDialog* parent, int id, COLORREF color);

    // Replaces the colour and draws the button again.
    void SetColor(COLORREF color);
    COLORREF GetColor() const { return Color.Rgb(); }

protected:
    void ODADrawEntire(DRAWITEMSTRUCT& dis) override;
    void ODAFocus(DRAWITEMSTRUCT& dis) override;
    void ODASelect(DRAWITEMSTRUCT& dis) override;

private:
    // Face (filled, or the two diagonals when not), shadow strips, light bevel, frame.
    void DrawRaised(TDC& dc, const TRect& r, bool filled);

    TColor Color;
    TColor Highlight{255, 255, 255};
    TColor Shadow{127, 127, 127};
};
