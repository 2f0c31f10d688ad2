#include "dialogs/controls/selectcolor.h"

#include "platform/color.h"

#include <QGuiApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

// Column by column: entry i lies in column i / 6, row i % 6.
constexpr COLORREF kPalette[TColorList::Count] = {
    RGB(255, 128, 128), RGB(255, 0, 0),     RGB(128, 64, 64),  RGB(128, 0, 0),
    RGB(64, 0, 0),      RGB(0, 0, 0),       RGB(255, 255, 128), RGB(255, 255, 0),
    RGB(255, 128, 64),  RGB(255, 128, 0),   RGB(128, 64, 0),   RGB(128, 128, 0),
    RGB(128, 255, 128), RGB(128, 255, 0),   RGB(0, 255, 0),    RGB(0, 128, 0),
    RGB(0, 64, 0),      RGB(128, 128, 64),  RGB(0, 255, 128),  RGB(0, 255, 64),
    RGB(0, 128, 128),   RGB(0, 128, 64),    RGB(0, 64, 64),    RGB(128, 128, 128),
    RGB(128, 255, 255), RGB(0, 255, 255),   RGB(0, 64, 128),   RGB(0, 0, 255),
    RGB(0, 0, 128),     RGB(64, 128, 128),  RGB(0, 128, 255),  RGB(0, 128, 192),
    RGB(128, 128, 255), RGB(0, 0, 160),     RGB(0, 0, 64),     RGB(192, 192, 192),
    RGB(255, 128, 192), RGB(128, 128, 192), RGB(128, 0, 64),   RGB(128, 0, 128),
    RGB(64, 0, 64),     RGB(64, 0, 64),     RGB(255, 128, 255), RGB(255, 0, 255),
    RGB(255, 0, 128),   RGB(128, 0, 255),   RGB(64, 0, 128),   RGB(255, 255, 255),
};

constexpr PControlSpec kPaletteControls[] = {
    {101, PKind::OwnerDraw, ""},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kPaletteTemplate{27, "", kPaletteControls};

struct Geometry {
    int cellW, cellH, marginX, marginY;
};

Geometry GeometryOf(int w, int h) {
    const int cw = w / TColorList::Columns;
    const int ch = h / TColorList::Rows;
    return {cw, ch, (w - TColorList::Columns * cw) / 2, (h - TColorList::Rows * ch) / 2};
}

}  // namespace

// ---- TColorList ----

TColorList::TColorList(PDialog* parent, int id, COLORREF* initialColor)
    : POwnerDrawButton(parent, id), InitialColor(initialColor) {
    // Big enough for cells a mouse hits easily; 2 pixels of margin on every side.
    setFixedSize(Columns * 22 + 4, Rows * 22 + 4);
    if (InitialColor) CurrentColor = *InitialColor;
}

COLORREF TColorList::Entry(int index) {
    return index >= 0 && index < Count ? kPalette[index] : 0;
}

int TColorList::FindColor(COLORREF color) const {
    for (int i = 0; i < Count; ++i)
        if (kPalette[i] == color) return i;
    return -1;
}

TRect TColorList::CellRect(int c, int k, int w, int h) {
    const Geometry g = GeometryOf(w, h);
    return TRect(g.marginX + c * g.cellW, g.marginY + k * g.cellH,
                 g.marginX + (c + 1) * g.cellW + 1, g.marginY + (k + 1) * g.cellH + 1);
}

int TColorList::IndexAt(int x, int y, int w, int h) {
    const Geometry g = GeometryOf(w, h);
    if (g.cellW <= 0 || g.cellH <= 0) return -1;
    const int dx = x - g.marginX, dy = y - g.marginY;
    if (dx < 0 || dy < 0 || dx >= Columns * g.cellW || dy >= Rows * g.cellH) return -1;
    return (dx / g.cellW) * Rows + dy / g.cellH;
}

void TColorList::DrawFrame(TDC& dc, int index, int w, int h, COLORREF color) {
    if (index < 0 || index >= Count) return;
    TRect r = CellRect(index / Rows, index % Rows, w, h);
    r.Inflate(-1, -1);
    dc.SaveDC();
    dc.SelectObject(TPen(color, 1));
    dc.SelectStockObject(NULL_BRUSH);
    dc.Rectangle(r);
    dc.RestoreDC(-1);
}

void TColorList::ODADrawEntire(DRAWITEMSTRUCT& dis) {
    TDC& dc = *dis.hDC;
    const int w = dis.rcItem.Width(), h = dis.rcItem.Height();
    TRect all = dis.rcItem;
    all.Inflate(2, 2);
    kv::FillRect(dc, all, GetSysColor(COLOR_BTNFACE));
    dc.SaveDC();
    dc.SelectObject(TPen(PALETTEINDEX(0), 1));
    for (int c = 0; c < Columns; ++c) {
        for (int k = 0; k < Rows; ++k) {
            TRect r = CellRect(c, k, w, h);
            r.Inflate(-3, -3);
            dc.SelectObject(TBrush(kPalette[c * Rows + k]));
            dc.Rectangle(r);
        }
    }
    dc.RestoreDC(-1);
    DrawFrame(dc, SelIndex, w, h, PALETTEINDEX(0));
}

void TColorList::DrawSelection(int index) {
    WithClientDC([&](TDC& dc) { DrawFrame(dc, index, width(), height(), PALETTEINDEX(0)); });
}

void TColorList::SelectCell(int index) {
    if (index < 0 || index >= Count) return;
    SelIndex = index;
    CurrentColor = kPalette[index];
    if (PrevIndex >= 0 && PrevIndex != index) {
        const int prev = PrevIndex;
        WithClientDC([&](TDC& dc) {
            DrawFrame(dc, prev, width(), height(), GetSysColor(COLOR_BTNFACE));
        });
    }
    DrawSelection(index);
    PrevIndex = index;
}

void TColorList::SetupWindow() {
    const COLORREF color = InitialColor ? *InitialColor : 0;
    const int i = FindColor(color);
    CurrentColor = color;
    if (i != -1) {
        PrevIndex = SelIndex = i;
        DrawSelection(i);
    }
}

bool TColorList::hitButton(const QPoint& pos) const {
    return IndexAt(pos.x(), pos.y(), width(), height()) >= 0;
}

void TColorList::mousePressEvent(QMouseEvent* e) {
    POwnerDrawButton::mousePressEvent(e);
    if (e->button() != Qt::LeftButton) return;
    const QPoint p = e->position().toPoint();
    const int index = IndexAt(p.x(), p.y(), width(), height());
    if (index >= 0) SelectCell(index);
}

// ---- TSelectColorDialog ----

TSelectColorDialog::TSelectColorDialog(QWidget* parent, COLORREF* color, const TRect& buttonRect)
    : PDialog(parent, kPaletteTemplate), ResultColor(color), ButtonRect(buttonRect) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    layout()->setContentsMargins(4, 4, 4, 4);
    ColorList = new TColorList(this, 101, color);
    OnCommand(101, &TSelectColorDialog::EvColorClicked);
}

void TSelectColorDialog::SetupWindow() {
    PDialog::SetupWindow();
    ColorList->SetupWindow();
    adjustSize();
    const QScreen* screen = QGuiApplication::screenAt(QPoint(ButtonRect.left, ButtonRect.bottom));
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect d = screen ? screen->geometry() : QRect(0, 0, 1 << 16, 1 << 16);
    const TPoint at = kv::PopupPosition(ButtonRect, TSize(width(), height()),
                                        TRect(d.left(), d.top(), d.right() + 1, d.bottom() + 1));
    move(at.x, at.y);
}

void TSelectColorDialog::paintEvent(QPaintEvent* e) {
    PDialog::paintEvent(e);
    // The thin border of a caption-less pop-up.
    QPainter p(this);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TSelectColorDialog::EvColorClicked() {
    if (ResultColor) *ResultColor = ColorList->CurrentColor;
    CloseWindow(IDOK);
}

namespace kv {

TPoint PopupPosition(const TRect& button, const TSize& popup, const TRect& desktop) {
    int x = button.left;
    int y = button.bottom;
    if (desktop.right < x + popup.cx) x = button.left - popup.cx;
    if (desktop.bottom < y + popup.cy) y = button.top - popup.cy;
    return TPoint(x, y);
}

TRect ScreenRect(const QWidget* w) {
    if (!w) return TRect();
    const QPoint tl = w->mapToGlobal(QPoint(0, 0));
    return TRect(tl.x(), tl.y(), tl.x() + w->width(), tl.y() + w->height());
}

int RunColorPalette(QWidget* owner, COLORREF* color, const QWidget* button) {
    TSelectColorDialog popup(owner, color, ScreenRect(button));
    return popup.Execute();
}

}  // namespace kv
