#include "dialogs/controls/colorbutton.h"

namespace {

TRect Inset(TRect r, int d) { return r.Inflate(-d, -d); }

}  // namespace

TColorButton::TColorButton(PDialog* parent, int id, COLORREF color)
    : POwnerDrawButton(parent, id), Color(color) {}

void TColorButton::SetColor(COLORREF color) {
    Color = color;
    Invalidate();
}

void TColorButton::DrawRaised(TDC& dc, const TRect& rc, bool filled) {
    const int l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
    dc.SaveDC();
    if (filled) {
        kv::FillRect(dc, rc, Color);
    } else {
        dc.SelectObject(TPen(PALETTEINDEX(0), 1));
        dc.MoveToEx(l, t);
        dc.LineTo(r, b);
        dc.MoveToEx(l, b);
        dc.LineTo(r, t);
    }
    kv::FillRect(dc, TRect(l, b - 3, r, b), Shadow);
    kv::FillRect(dc, TRect(r - 3, t, r, b), Shadow);
    dc.SelectObject(TPen(Highlight, 1));
    for (int i = 0; i < 3; ++i) {
        dc.MoveToEx(l + i, t + i);
        dc.LineTo(r - i - 1, t + i);
        dc.MoveToEx(l + i, t + i);
        dc.LineTo(l + i, b - i - 1);
    }
    dc.SelectStockObject(BLACK_PEN);
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(l, t, r, b);
    dc.RestoreDC(-1);
}

void TColorButton::ODADrawEntire(DRAWITEMSTRUCT& dis) {
    DrawRaised(*dis.hDC, dis.rcItem, !(dis.itemState & ODS_DISABLED));
    if (dis.itemState & ODS_FOCUS) kv::DrawFocusRect(*dis.hDC, Inset(dis.rcItem, 5));
}

void TColorButton::ODAFocus(DRAWITEMSTRUCT& dis) {
    kv::DrawFocusRect(*dis.hDC, Inset(dis.rcItem, 5));
}

void TColorButton::ODASelect(DRAWITEMSTRUCT& dis) {
    TDC& dc = *dis.hDC;
    const TRect& rc = dis.rcItem;
    const int l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
    if (dis.itemState & ODS_SELECTED) {
        dc.SaveDC();
        kv::FillRect(dc, rc, Color);
        dc.SelectStockObject(BLACK_PEN);
        for (int i = 0; i < 4; ++i) {
            dc.MoveToEx(l + i, t + i);
            dc.LineTo(r - i - 1, t + i);
            dc.MoveToEx(l + i, t + i);
            dc.LineTo(l + i, b - i - 1);
        }
        dc.SelectStockObject(NULL_BRUSH);
        dc.Rectangle(l, t, r, b);
        dc.Rectangle(l + 1, t + 1, r - 1, b - 1);
        dc.RestoreDC(-1);
    } else {
        DrawRaised(dc, rc, true);
    }
    if (dis.itemState & ODS_FOCUS) kv::DrawFocusRect(dc, Inset(rc, 5));
}
