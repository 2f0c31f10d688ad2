#include "chart/winlayer/window.h"

#include "chart/winlayer/cursors.h"
#include "chart/winlayer/escapepoll.h"
#include "chart/winlayer/keys.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>

// The QPainter backend of the device context; the client device contexts wrap it
// to learn which pixels each call touched.
namespace kv::detail {
std::unique_ptr<TDCBackend> MakePainterBackend(QPaintDevice* device, QPainter* painter,
                                               const TDeviceInfo& info);
}

namespace kv::win {

namespace {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QRect ToQRect(const TRect& r) {
    const TRect n = r.Normalized();
    return QRect(QPoint(n.left, n.top), QSize(n.Width(), n.Height()));
}

TRect ToTRect(const QRect& r) { return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }

UINT ModKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    UINT k = 0;
    if (buttons & Qt::LeftButton) k |= MK_LBUTTON;
    if (buttons & Qt::RightButton) k |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) k |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier) k |= MK_SHIFT;
    if (mods & Qt::ControlModifier) k |= MK_CONTROL;
    return k;
}

TPoint ToTPoint(const QPointF& p) {
    const QPoint q = p.toPoint();
    return {q.x(), q.y()};
}

QEvent::Type PaintRequestEvent() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// The largest position of a bar: nMax - (nPage - 1), never below nMin.
int MaxScrollPos(const SCROLLINFO& s) {
    std::int64_t maxPos = std::int64_t(s.nMax) - std::max<std::int64_t>(std::int64_t(s.nPage) - 1, 0);
    return int(std::clamp<std::int64_t>(maxPos, s.nMin, INT_MAX));
}

}  // namespace

// ---- The client area widget: input in, pixels out.

class TWindow::Client final : public QWidget {
public:
    explicit Client(TWindow* owner) : QWidget(owner), owner_(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        owner_->FlushClientDCs();
        QPainter p(this);
        const QImage& img = owner_->backing_;
        for (const QRect& r : e->region()) {
            const QRect have = r & img.rect();
            if (!have.isEmpty()) p.drawImage(have.topLeft(), img, have);
            // Outside the image (a resize still waits): background.
            QRegion rest = QRegion(r) - QRegion(have);
            for (const QRect& q : rest) p.fillRect(q, ToQColor(owner_->background_));
        }
    }
    void resizeEvent(QResizeEvent*) override { owner_->ClientResized(size()); }
    void mousePressEvent(QMouseEvent* e) override {
        const UINT keys = ModKeys(e->buttons(), e->modifiers());
        if (e->button() == Qt::LeftButton) owner_->EvLButtonDown(keys, ToTPoint(e->position()));
        else if (e->button() == Qt::RightButton) owner_->EvRButtonDown(keys, ToTPoint(e->position()));
    }
    // Qt sends the second press of a double click as a double-click event, as
    // Win32 does for a class with double clicks: down, up, double click, up.
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton)
            owner_->EvLButtonDblClk(ModKeys(e->buttons(), e->modifiers()), ToTPoint(e->position()));
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton)
            owner_->EvLButtonUp(ModKeys(e->buttons(), e->modifiers()), ToTPoint(e->position()));
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        owner_->EvMouseMove(ModKeys(e->buttons(), e->modifiers()), ToTPoint(e->position()));
    }
    void keyPressEvent(QKeyEvent* e) override {
        const UINT vk = VirtualKeyFromQt(e->key(), e->modifiers());
        if (vk == 0) {
            QWidget::keyPressEvent(e);
            return;
        }
        owner_->EvKeyDown(vk, 1, e->isAutoRepeat() ? KF_REPEAT : 0);
    }
    // Tab and Shift+Tab are keys of the page, not focus moves.
    bool focusNextPrevChild(bool) override { return false; }

private:
    TWindow* owner_;
};

// ---- Scroll bars that report Win32's codes.

namespace {

class Win32ScrollBar final : public QScrollBar {
public:
    Win32ScrollBar(Qt::Orientation o, QWidget* parent, std::function<void(bool, int)> released)
        : QScrollBar(o, parent), released_(std::move(released)) {
        setFocusPolicy(Qt::NoFocus);
        setSingleStep(1);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        const bool wasDown = isSliderDown();
        const int pos = sliderPosition();
        QScrollBar::mouseReleaseEvent(e);
        if (e->button() == Qt::LeftButton && released_) released_(wasDown, pos);
    }
    // The page view has no wheel handling; Qt's wheel scrolling of the bar would
    // move the view without the window's knowledge.
    void wheelEvent(QWheelEvent* e) override { e->ignore(); }
    void contextMenuEvent(QContextMenuEvent* e) override { e->ignore(); }

private:
    std::function<void(bool, int)> released_;
};

}  // namespace

// ---- Client device contexts.

class TWindow::ClientDCBackend final : public TDCBackend {
public:
    explicit ClientDCBackend(TWindow* w) : window_(w) { w->clientDCs_.push_back(this); }
    ~ClientDCBackend() override {
        Flush();
        if (window_) std::erase(window_->clientDCs_, this);
    }
    void Detach() {
        Flush();
        window_ = nullptr;
    }

    int GetDeviceCaps(int index) const override {
        const int dpiX = window_ ? window_->GetLogPixelsX() : 96;
        const int dpiY = window_ ? window_->GetLogPixelsY() : 96;
        const int w = window_ ? window_->backing_.width() : 0;
        const int h = window_ ? window_->backing_.height() : 0;
        switch (index) {
        case TECHNOLOGY: return DT_RASDISPLAY;
        case HORZSIZE: return int(w * 25.4 / dpiX);
        case VERTSIZE: return int(h * 25.4 / dpiY);
        case HORZRES: return w;
        case VERTRES: return h;
        case BITSPIXEL: return 32;
        case PLANES: return 1;
        case NUMCOLORS: return -1;
        case RASTERCAPS: return 1;
        case LOGPIXELSX: return dpiX;
        case LOGPIXELSY: return dpiY;
        default: return 0;
        }
    }

    void Line(const TDC& dc, TPoint a, TPoint b) override {
        if (TDCBackend* in = Begin()) {
            in->Line(dc, a, b);
            Touched(dc, {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1});
        }
    }
    void Polyline(const TDC& dc, const TPoint* pts, int n) override {
        if (TDCBackend* in = Begin()) {
            in->Polyline(dc, pts, n);
            Touched(dc, Bounds(pts, n));
        }
    }
    void Polygon(const TDC& dc, const TPoint* pts, int n) override {
        if (TDCBackend* in = Begin()) {
            in->Polygon(dc, pts, n);
            Touched(dc, Bounds(pts, n));
        }
    }
    void Rectangle(const TDC& dc, const TRect& r) override {
        if (TDCBackend* in = Begin()) {
            in->Rectangle(dc, r);
            Touched(dc, r);
        }
    }
    void Ellipse(const TDC& dc, const TRect& r) override {
        if (TDCBackend* in = Begin()) {
            in->Ellipse(dc, r);
            Touched(dc, r);
        }
    }
    void RoundRect(const TDC& dc, const TRect& r, TSize corner) override {
        if (TDCBackend* in = Begin()) {
            in->RoundRect(dc, r, corner);
            Touched(dc, r);
        }
    }
    COLORREF SetPixel(const TDC& dc, TPoint p, COLORREF c) override {
        if (TDCBackend* in = Begin()) {
            COLORREF done = in->SetPixel(dc, p, c);
            Touched(dc, {p.x, p.y, p.x + 1, p.y + 1});
            return done;
        }
        return CLR_INVALID;
    }
    void Text(const TDC& dc, const TTextGlyph& g) override {
        if (TDCBackend* in = Begin()) {
            in->Text(dc, g);
            const int reach = int(g.advance + g.ascent + g.descent) + 2;
            Touched(dc, {g.origin.x - reach, g.origin.y - reach, g.origin.x + reach, g.origin.y + reach});
        }
    }
    void Flush() override {
        if (inner_) inner_->Flush();
        inner_.reset();
    }

private:
    static TRect Bounds(const TPoint* pts, int n) {
        if (n <= 0) return {};
        TRect r(pts[0].x, pts[0].y, pts[0].x + 1, pts[0].y + 1);
        for (int i = 1; i < n; ++i) {
            r.left = std::min(r.left, pts[i].x);
            r.top = std::min(r.top, pts[i].y);
            r.right = std::max(r.right, pts[i].x + 1);
            r.bottom = std::max(r.bottom, pts[i].y + 1);
        }
        return r;
    }

    TDCBackend* Begin() {
        // A paint runs with its own painter on the image; nothing else may paint
        // there meanwhile.
        if (!window_ || window_->backing_.isNull() || window_->inPaint_) return nullptr;
        if (!inner_) {
            for (ClientDCBackend* other : window_->clientDCs_)
                if (other != this) other->Flush();
            inner_ = kv::detail::MakePainterBackend(&window_->backing_, nullptr, window_->DeviceInfo());
        }
        return inner_.get();
    }

    void Touched(const TDC& dc, TRect r) {
        if (!window_) return;
        const int grow = std::max(1, dc.DevicePenWidth()) + 2;
        r.Inflate(grow, grow);
        window_->ShowTouched(ToQRect(r));
    }

    TWindow* window_;
    std::unique_ptr<TDCBackend> inner_;
};

// ---- The window.

TWindow::TWindow(QWidget* parent) : QWidget(parent) {
    client_ = new Client(this);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    for (int bar : {SB_HORZ, SB_VERT}) {
        auto* sb = new Win32ScrollBar(bar == SB_HORZ ? Qt::Horizontal : Qt::Vertical, this,
                                 [this, bar](bool wasDown, int pos) { ScrollReleased(bar, wasDown, pos); });
        bars_[bar] = sb;
        connect(sb, &QAbstractSlider::actionTriggered, this, [this, bar](int action) { ScrollAction(bar, action); });
        info_[bar].fMask = SIF_DISABLENOSCROLL;
        ApplyScrollBar(bar);
    }
    bars_[SB_VERT]->setFixedWidth(bars_[SB_VERT]->sizeHint().width());
    bars_[SB_HORZ]->setFixedHeight(bars_[SB_HORZ]->sizeHint().height());
    corner_ = new QWidget(this);
    corner_->setFixedSize(bars_[SB_VERT]->sizeHint().width(), bars_[SB_HORZ]->sizeHint().height());
    grid->addWidget(client_, 0, 0);
    grid->addWidget(bars_[SB_VERT], 0, 1);
    grid->addWidget(bars_[SB_HORZ], 1, 0);
    grid->addWidget(corner_, 1, 1);
    setFocusProxy(client_);
    SetCursor(IDC_ARROW);
}

TWindow::~TWindow() {
    for (ClientDCBackend* dc : clientDCs_) dc->Detach();
    clientDCs_.clear();
}

void TWindow::Paint(TDC&, bool, const TRect&) {}
void TWindow::EvSize(UINT, const TSize&) {}
void TWindow::EvHScroll(UINT, int) {}
void TWindow::EvVScroll(UINT, int) {}
void TWindow::EvLButtonDown(UINT, const TPoint&) {}
void TWindow::EvMouseMove(UINT, const TPoint&) {}
void TWindow::EvLButtonUp(UINT, const TPoint&) {}
void TWindow::EvLButtonDblClk(UINT, const TPoint&) {}
void TWindow::EvRButtonDown(UINT, const TPoint&) {}
void TWindow::EvKeyDown(UINT, UINT, UINT) {}

void TWindow::Create() {
    if (created_) return;
    created_ = true;
    SetupWindow();
    // As Win32 does after creating a window of some size: its size message.
    if (!backing_.isNull()) EvSize(SIZE_RESTORED, TSize(backing_.width(), backing_.height()));
}

QWidget* TWindow::ClientWidget() const { return client_; }

TRect TWindow::GetClientRect() const { return TRect(0, 0, backing_.width(), backing_.height()); }

void TWindow::SetClientSize(int w, int h) {
    int extraW = bars_[SB_VERT]->isVisibleTo(this) ? bars_[SB_VERT]->width() : 0;
    int extraH = bars_[SB_HORZ]->isVisibleTo(this) ? bars_[SB_HORZ]->height() : 0;
    resize(std::max(0, w) + extraW, std::max(0, h) + extraH);
    if (layout()) layout()->activate();
    // A hidden widget hears of its size only when shown: give the client its size
    // now, so that the window answers with it at once.
    if (client_->size() != QSize(w, h)) client_->resize(w, h);
    if (backing_.size() != client_->size()) ClientResized(client_->size());
}

void TWindow::SetLogPixels(int x, int y) {
    logPixelsX_ = x;
    logPixelsY_ = y;
}

int TWindow::GetLogPixelsX() const { return logPixelsX_ > 0 ? logPixelsX_ : std::max(1, client_->logicalDpiX()); }
int TWindow::GetLogPixelsY() const { return logPixelsY_ > 0 ? logPixelsY_ : std::max(1, client_->logicalDpiY()); }

void TWindow::SetBackgroundColor(COLORREF color) { background_ = color; }

TDeviceInfo TWindow::DeviceInfo() const {
    TDeviceInfo info;
    info.logPixelsX = GetLogPixelsX();
    info.logPixelsY = GetLogPixelsY();
    info.technology = DT_RASDISPLAY;
    return info;
}

// ---- Painting.

void TWindow::InvalidateRect(const TRect& r, bool erase) {
    const QRect q = ToQRect(r) & backing_.rect();
    if (q.isEmpty()) return;
    invalid_ += q;
    if (erase) eraseNeeded_ = true;
    SchedulePaint();
}

void TWindow::Invalidate(bool erase) { InvalidateRect(GetClientRect(), erase); }

void TWindow::ValidateRect(const TRect& r) { invalid_ -= ToQRect(r); }

void TWindow::UpdateWindow() { PaintNow(); }

void TWindow::SchedulePaint() {
    if (paintPosted_) return;
    paintPosted_ = true;
    // Like WM_PAINT: after whatever else is waiting.
    QCoreApplication::postEvent(this, new QEvent(PaintRequestEvent()), Qt::LowEventPriority);
}

bool TWindow::event(QEvent* e) {
    if (e->type() == PaintRequestEvent()) {
        paintPosted_ = false;
        if (!isVisible()) return true;  // painted when shown
        if (!PaintNow()) SchedulePaint();
        return true;
    }
    return QWidget::event(e);
}

void TWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!created_) Create();
    if (!invalid_.isEmpty()) SchedulePaint();
}

bool TWindow::PaintNow() {
    if (inPaint_ || EscapePollPumping()) return false;
    ApplyPendingResize();
    if (invalid_.isEmpty() || backing_.isNull()) return true;
    const QRegion region = invalid_;
    const bool erase = eraseNeeded_;
    invalid_ = QRegion();
    eraseNeeded_ = false;
    FlushClientDCs();
    const QRect bounds = region.boundingRect();
    if (erase) {
        QPainter p(&backing_);
        p.fillRect(bounds, ToQColor(background_));
    }
    inPaint_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{inPaint_};
    {
        TDC dc(&backing_, DeviceInfo());
        const TRect rect = ToTRect(bounds);
        dc.IntersectClipRect(rect);
        Paint(dc, erase, rect);
        dc.Flush();
    }
    client_->update(bounds);
    return true;
}

void TWindow::ClientResized(const QSize& size) {
    pendingSize_ = size;
    resizePending_ = true;
    if (inPaint_ || EscapePollPumping()) {
        // The image is in use: take the new size once the paint or poll is over.
        SchedulePaint();
        return;
    }
    ApplyPendingResize();
}

void TWindow::ApplyPendingResize() {
    if (!resizePending_) return;
    resizePending_ = false;
    const QSize size = pendingSize_.expandedTo(QSize(0, 0));
    if (size == backing_.size()) return;
    FlushClientDCs();
    QImage img;
    if (!size.isEmpty()) {
        img = QImage(size, QImage::Format_RGB32);
        img.fill(ToQColor(background_));
        // The pixels of the part that stays, as a window keeps them.
        if (!backing_.isNull()) {
            QPainter p(&img);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, backing_);
        }
        const int dpmX = int(GetLogPixelsX() / 0.0254 + 0.5);
        const int dpmY = int(GetLogPixelsY() / 0.0254 + 0.5);
        img.setDotsPerMeterX(dpmX);
        img.setDotsPerMeterY(dpmY);
    }
    const QRect old = backing_.rect();
    backing_ = img;
    invalid_ &= backing_.rect();
    QRegion uncovered = QRegion(backing_.rect()) - QRegion(old);
    if (!uncovered.isEmpty()) {
        invalid_ += uncovered;
        eraseNeeded_ = true;
        SchedulePaint();
    }
    if (created_) EvSize(SIZE_RESTORED, TSize(size.width(), size.height()));
}

void TWindow::ScrollWindow(int dx, int dy, const TRect* scroll, const TRect* clip) {
    if (dx == 0 && dy == 0) return;
    ApplyPendingResize();
    const QRect client = backing_.rect();
    const QRect s = (scroll ? ToQRect(*scroll) : client) & client;
    const QRect c = (clip ? ToQRect(*clip) : client) & client;
    if (s.isEmpty() || c.isEmpty()) return;
    FlushClientDCs();
    const QRect dest = s.translated(dx, dy) & c;
    if (!dest.isEmpty()) {
        const QImage part = backing_.copy(dest.translated(-dx, -dy));
        QPainter p(&backing_);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(dest.topLeft(), part);
    }
    // A waiting invalid area moves with the pixels.
    const QRegion inside = invalid_ & s;
    if (!inside.isEmpty()) {
        invalid_ -= inside;
        invalid_ += inside.translated(dx, dy) & c;
    }
    const QRegion uncovered = QRegion(s & c) - QRegion(dest);
    if (!uncovered.isEmpty()) {
        invalid_ += uncovered;
        eraseNeeded_ = true;
        SchedulePaint();
    }
    client_->update(s & c);
}

std::unique_ptr<TDC> TWindow::MakeClientDC() {
    return std::make_unique<TDC>(std::make_unique<ClientDCBackend>(this));
}

void TWindow::FlushClientDCs() {
    for (ClientDCBackend* dc : clientDCs_) dc->Flush();
}

void TWindow::ShowTouched(const QRect& deviceRect) {
    const QRect r = deviceRect & backing_.rect();
    if (!r.isEmpty()) client_->update(r);
}

// ---- Scroll bars.

QScrollBar* TWindow::ScrollBar(int bar) const { return (bar == SB_HORZ || bar == SB_VERT) ? bars_[bar] : nullptr; }

int TWindow::SetScrollInfo(int bar, const SCROLLINFO& in, bool) {
    if (bar != SB_HORZ && bar != SB_VERT) return 0;
    SCROLLINFO& s = info_[bar];
    if (in.fMask & SIF_RANGE) {
        s.nMin = in.nMin;
        s.nMax = in.nMax;
    }
    if (in.fMask & SIF_PAGE) s.nPage = in.nPage;
    if (in.fMask & SIF_POS) s.nPos = in.nPos;
    if (in.fMask & SIF_TRACKPOS) s.nTrackPos = in.nTrackPos;
    // The page never exceeds the range, the position stays where the page fits.
    const std::int64_t range = std::max<std::int64_t>(std::int64_t(s.nMax) - s.nMin + 1, 0);
    if (std::int64_t(s.nPage) > range) s.nPage = UINT(range);
    s.nPos = std::clamp(s.nPos, s.nMin, MaxScrollPos(s));
    s.fMask = (s.fMask & ~SIF_DISABLENOSCROLL) | (in.fMask & SIF_DISABLENOSCROLL);
    ApplyScrollBar(bar);
    return s.nPos;
}

bool TWindow::GetScrollInfo(int bar, SCROLLINFO& out) const {
    if (bar != SB_HORZ && bar != SB_VERT) return false;
    const UINT mask = out.fMask;
    const SCROLLINFO& s = info_[bar];
    if (mask & SIF_RANGE) {
        out.nMin = s.nMin;
        out.nMax = s.nMax;
    }
    if (mask & SIF_PAGE) out.nPage = s.nPage;
    if (mask & SIF_POS) out.nPos = s.nPos;
    if (mask & SIF_TRACKPOS) out.nTrackPos = s.nTrackPos;
    return true;
}

int TWindow::SetScrollPos(int bar, int pos, bool redraw) {
    if (bar != SB_HORZ && bar != SB_VERT) return 0;
    const int old = info_[bar].nPos;
    SCROLLINFO in;
    in.fMask = SIF_POS | (info_[bar].fMask & SIF_DISABLENOSCROLL);
    in.nPos = pos;
    SetScrollInfo(bar, in, redraw);
    return old;
}

int TWindow::GetScrollPos(int bar) const { return (bar == SB_HORZ || bar == SB_VERT) ? info_[bar].nPos : 0; }

void TWindow::ApplyScrollBar(int bar) {
    const SCROLLINFO& s = info_[bar];
    QScrollBar* sb = bars_[bar];
    const int maxPos = MaxScrollPos(s);
    const bool canScroll = maxPos > s.nMin;
    applyingBars_ = true;
    sb->setRange(s.nMin, maxPos);
    sb->setPageStep(int(std::clamp<UINT>(s.nPage, 1u, UINT(INT_MAX))));
    if (!sb->isSliderDown()) sb->setValue(s.nPos);
    applyingBars_ = false;
    if (s.fMask & SIF_DISABLENOSCROLL) {
        sb->setEnabled(canScroll);
        sb->setVisible(true);
    } else {
        sb->setEnabled(true);
        sb->setVisible(canScroll);
    }
    if (corner_) corner_->setVisible(bars_[SB_HORZ]->isVisibleTo(this) && bars_[SB_VERT]->isVisibleTo(this));
}

void TWindow::ScrollAction(int bar, int action) {
    if (applyingBars_) return;
    QScrollBar* sb = bars_[bar];
    UINT code = 0;
    int thumb = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
    case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
    case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
    case QAbstractSlider::SliderMove:
        code = SB_THUMBTRACK;
        thumb = sb->sliderPosition();
        info_[bar].nTrackPos = thumb;
        break;
    default: return;
    }
    if (bar == SB_HORZ) EvHScroll(code, thumb);
    else EvVScroll(code, thumb);
    // Qt would step the bar on its own; the window alone decides where it stands.
    // A dragged thumb follows the mouse until it is released.
    if (code != SB_THUMBTRACK) {
        applyingBars_ = true;
        sb->setSliderPosition(info_[bar].nPos);
        applyingBars_ = false;
    }
}

void TWindow::ScrollReleased(int bar, bool wasSliderDown, int thumbPos) {
    auto send = [&](UINT code, int pos) {
        if (bar == SB_HORZ) EvHScroll(code, pos);
        else EvVScroll(code, pos);
    };
    // Where the thumb was let go, as Win32 reports it.
    if (wasSliderDown) send(SB_THUMBPOSITION, thumbPos);
    send(SB_ENDSCROLL, 0);
    ApplyScrollBar(bar);
}

// ---- Capture and cursors.

void TWindow::SetCapture() {
    captured_ = true;
    if (client_->isVisible() && QWidget::mouseGrabber() != client_) client_->grabMouse();
}

void TWindow::ReleaseCapture() {
    captured_ = false;
    if (QWidget::mouseGrabber() == client_) client_->releaseMouse();
}

void TWindow::SetCursor(int id) {
    cursorId_ = id;
    client_->setCursor(LoadCursor(id));
}

}  // namespace kv::win
