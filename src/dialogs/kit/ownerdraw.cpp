#include "dialogs/kit/ownerdraw.h"

#include "platform/color.h"

#include <QEvent>
#include <QPainter>

#include <set>
#include <utility>

POwnerDrawButton::POwnerDrawButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel comes from the button's own image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(this, &QAbstractButton::clicked, this, [this] { Notify(BN_CLICKED); });
}

POwnerDrawButton::POwnerDrawButton(PDialog* dlg, int id)
    : POwnerDrawButton(static_cast<QWidget*>(dlg)) {
    if (dlg) dlg->AttachControl(id, this);
}

void POwnerDrawButton::ApplySpec(const PControlSpec& spec) {
    PControl::ApplySpec(spec);
    // The text is only the accessible name: an owner-drawn button draws no text.
    setText(QString::fromUtf8(spec.text ? spec.text : ""));
}

QSize POwnerDrawButton::sizeHint() const { return QSize(48, 24); }

void POwnerDrawButton::Invalidate() {
    stale_ = true;
    update();
}

UINT POwnerDrawButton::CurrentState() const {
    UINT state = 0;
    if (isDown()) state |= ODS_SELECTED;
    if (!isEnabled()) state |= ODS_DISABLED;
    if (hasFocus()) state |= ODS_FOCUS;
    return state;
}

void POwnerDrawButton::Run(UINT action, UINT state) {
    QPainter p(&pixels_);
    TDC dc(&p);
    DRAWITEMSTRUCT dis;
    dis.CtlID = UINT(Id());
    dis.itemAction = action;
    dis.itemState = state;
    dis.hwndItem = this;
    dis.hDC = &dc;
    dis.rcItem = TRect(0, 0, pixels_.width(), pixels_.height());
    switch (action) {
    case ODA_DRAWENTIRE: ODADrawEntire(dis); break;
    case ODA_SELECT: ODASelect(dis); break;
    case ODA_FOCUS: ODAFocus(dis); break;
    default: break;
    }
    dc.Flush();
}

void POwnerDrawButton::Erase() {
    const QSize s = size().expandedTo(QSize(1, 1));
    if (pixels_.size() != s) pixels_ = QImage(s, QImage::Format_RGB32);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    pixels_.fill(QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
    stale_ = false;
}

bool POwnerDrawButton::EnsurePixels() {
    if (!stale_ && pixels_.size() == size().expandedTo(QSize(1, 1))) return false;
    Erase();
    const UINT state = CurrentState();
    drawnDown_ = state & ODS_SELECTED;
    drawnFocus_ = state & ODS_FOCUS;
    Run(ODA_DRAWENTIRE, state);
    return true;
}

void POwnerDrawButton::DrawItem(UINT action, UINT state) {
    if (action == ODA_DRAWENTIRE) {
        Erase();
    } else {
        EnsurePixels();
    }
    Run(action, state);
    drawnDown_ = state & ODS_SELECTED;
    drawnFocus_ = state & ODS_FOCUS;
    update();
}

void POwnerDrawButton::Sync() {
    if (EnsurePixels()) return;
    const UINT state = CurrentState();
    const bool focus = state & ODS_FOCUS;
    const bool down = state & ODS_SELECTED;
    // Focus first: a press that also takes the focus then draws its pressed look
    // with the focus rectangle over it, as the system does.
    if (focus != drawnFocus_) {
        drawnFocus_ = focus;
        Run(ODA_FOCUS, state);
    }
    if (down != drawnDown_) {
        drawnDown_ = down;
        Run(ODA_SELECT, state);
    }
}

void POwnerDrawButton::paintEvent(QPaintEvent*) {
    Sync();
    QPainter p(this);
    p.drawImage(0, 0, pixels_);
}

void POwnerDrawButton::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) Invalidate();
    QAbstractButton::changeEvent(e);
}

void POwnerDrawButton::focusInEvent(QFocusEvent* e) {
    QAbstractButton::focusInEvent(e);
    update();
}

void POwnerDrawButton::focusOutEvent(QFocusEvent* e) {
    QAbstractButton::focusOutEvent(e);
    update();
}

namespace kv {

void FillRect(TDC& dc, const TRect& r, COLORREF color) {
    dc.SaveDC();
    dc.SelectStockObject(NULL_PEN);
    dc.SelectObject(TBrush(color));
    dc.Rectangle(r);
    dc.RestoreDC(-1);
}

void DrawFocusRect(TDC& dc, const TRect& r) {
    if (r.Width() <= 0 || r.Height() <= 0) return;
    // Each border pixel once, so the corners invert like the rest.
    std::set<std::pair<int, int>> dots;
    auto add = [&](int x, int y) {
        if (((x - r.left) + (y - r.top)) % 2 == 0) dots.insert({x, y});
    };
    for (int x = r.left; x < r.right; ++x) {
        add(x, r.top);
        add(x, r.bottom - 1);
    }
    for (int y = r.top; y < r.bottom; ++y) {
        add(r.left, y);
        add(r.right - 1, y);
    }
    dc.SaveDC();
    dc.SetROP2(R2_NOT);
    dc.SelectStockObject(NULL_PEN);
    dc.SelectStockObject(BLACK_BRUSH);
    for (const auto& [x, y] : dots) dc.Rectangle(x, y, x + 1, y + 1);
    dc.RestoreDC(-1);
}

}  // namespace kv
