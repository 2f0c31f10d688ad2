#include "chart/winlayer/cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygon>

#include <map>

namespace kv::win {

namespace {

constexpr int kSize = 32;

QPixmap Canvas() {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    return pm;
}

// A hand seen from the back: four fingers up (open) or curled (pressed), thumb
// to the left; the hot spot (10, 12) lies on the palm.
QPixmap DrawHand(bool pressed) {
    QPixmap pm = Canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    const int top = pressed ? 7 : 2;
    const int len = pressed ? 6 : 11;
    for (int i = 0; i < 4; ++i) p.drawRect(5 + i * 3, top + (i == 0 || i == 3 ? 2 : 0), 3, len);
    p.drawRect(4, 11, 13, 8);
    p.drawRect(1, pressed ? 11 : 9, 3, 5);
    p.setPen(Qt::NoPen);
    p.drawRect(5, 11, 12, 8);
    return pm;
}

QPixmap DrawPencil() {
    QPixmap pm = Canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    // Tip at (0, 0), body running down to the right.
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(0, 0), QPoint(6, 2), QPoint(2, 6)}));
    p.setBrush(QColor(255, 220, 0));
    p.drawPolygon(QPolygon({QPoint(6, 2), QPoint(17, 13), QPoint(13, 17), QPoint(2, 6)}));
    p.setBrush(QColor(230, 120, 120));
    p.drawPolygon(QPolygon({QPoint(17, 13), QPoint(20, 16), QPoint(16, 20), QPoint(13, 17)}));
    p.setPen(Qt::black);
    p.drawPoint(0, 0);
    p.drawPoint(1, 1);
    return pm;
}

// A left-pointing arrowhead with its tip at (1, 6); the data cursor adds a small
// square and is red.
QPixmap DrawArrowhead(bool data) {
    QPixmap pm = Canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor fill = data ? QColor(255, 0, 0) : QColor(Qt::white);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(fill);
    p.drawPolygon(QPolygon({QPoint(1, 6), QPoint(11, 1), QPoint(8, 6), QPoint(11, 11)}));
    p.drawRect(8, 5, 8, 2);
    if (data) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 0, 0), 1));
        p.drawRect(18, 2, 8, 8);
    }
    return pm;
}

}  // namespace

QPoint CursorHotSpot(int id) {
    switch (id) {
    case IDC_NODEARROW:
    case IDC_DATAARROW: return {1, 6};
    case IDC_HAND:
    case IDC_HANDPRESSED: return {10, 12};
    default: return {0, 0};
    }
}

QCursor LoadCursor(int id) {
    switch (id) {
    case IDC_ARROW: return QCursor(Qt::ArrowCursor);
    case IDC_IBEAM: return QCursor(Qt::IBeamCursor);
    case IDC_WAIT: return QCursor(Qt::WaitCursor);
    case IDC_CROSS: return QCursor(Qt::CrossCursor);
    case IDC_SIZENWSE: return QCursor(Qt::SizeFDiagCursor);
    case IDC_SIZENESW: return QCursor(Qt::SizeBDiagCursor);
    case IDC_SIZEWE: return QCursor(Qt::SizeHorCursor);
    case IDC_SIZENS: return QCursor(Qt::SizeVerCursor);
    case IDC_SIZEALL: return QCursor(Qt::SizeAllCursor);
    case IDC_NO: return QCursor(Qt::ForbiddenCursor);
    default: break;
    }
    // The pictures are made once; cursors are cheap to copy.
    static std::map<int, QCursor> cache;
    auto it = cache.find(id);
    if (it != cache.end()) return it->second;
    QPixmap pm;
    switch (id) {
    case IDC_NODEARROW: pm = DrawArrowhead(false); break;
    case IDC_HAND: pm = DrawHand(false); break;
    case IDC_HANDPRESSED: pm = DrawHand(true); break;
    case IDC_PENCIL: pm = DrawPencil(); break;
    case IDC_DATAARROW: pm = DrawArrowhead(true); break;
    default: return QCursor(Qt::ArrowCursor);
    }
    const QPoint hot = CursorHotSpot(id);
    return cache.emplace(id, QCursor(pm, hot.x(), hot.y())).first->second;
}

}  // namespace kv::win
