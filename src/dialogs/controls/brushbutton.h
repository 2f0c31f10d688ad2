#pragma once
// The brush sample of the figure dialog: the figure's fill (none, solid or one of
// the six hatches, with the background colour between hatch lines) in a black
// outline. It shows no focus and no pressed look, and no dialog handles its clicks.

#include "dialogs/kit/ownerdraw.h"

class TBrushButton : public POwnerDrawButton {
    Q_OBJECT
public:
    // style: -2 no fill, -1 solid, 0..5 HS_HORIZONTAL..HS_DIAGCROSS.
    TBrushButton(PDialog* parent, int id, int style, COLORREF fore, COLORREF back);

    void SetBrush(int style, COLORREF fore, COLORREF back);

    int BrushStyle;
    COLORREF BrushForeColor;
    COLORREF BrushBackColor;

protected:
    void ODADrawEntire(DRAWITEMSTRUCT& dis) override;
};
