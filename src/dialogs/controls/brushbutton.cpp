#include "dialogs/controls/brushbutton.h"

#include "platform/color.h"

TBrushButton::TBrushButton(PDialog* parent, int id, int style, COLORREF fore, COLORREF back)
    : POwnerDrawButton(parent, id), BrushStyle(style), BrushForeColor(fore), BrushBackColor(back) {}

void TBrushButton::SetBrush(int style, COLORREF fore, COLORREF back) {
    BrushStyle = style;
    BrushForeColor = fore;
    BrushBackColor = back;
    Invalidate();
}

void TBrushButton::ODADrawEntire(DRAWITEMSTRUCT& dis) {
    TDC& dc = *dis.hDC;
    const COLORREF oldBk = dc.SetBkColor(BrushBackColor);
    dc.SaveDC();
    dc.SelectObject(TPen(PALETTEINDEX(0), 1));
    if (BrushStyle == -2)
        dc.SelectStockObject(NULL_BRUSH);
    else if (BrushStyle == -1)
        dc.SelectObject(TBrush(BrushForeColor));
    else
        dc.SelectObject(TBrush(BrushForeColor, BrushStyle));
    dc.Rectangle(dis.rcItem);
    dc.RestoreDC(-1);
    dc.SetBkColor(oldBk);
}
