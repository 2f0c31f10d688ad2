#include "app/glyphs.h"

#include "app/menus.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace kv::app {

namespace {

// The sixteen-colour palette's entries the pictures use.
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kGray(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kMaroon(128, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kYellow(255, 255, 0);
const QColor kOlive(128, 128, 0);
const QColor kTeal(0, 128, 128);

// Pictures are drawn on a 20 x 20 grid and scaled to the button's size.
void Sheet(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    const qreal fold = 4;
    QPolygonF outline;
    outline << QPointF(x, y) << QPointF(x + w - fold, y) << QPointF(x + w, y + fold)
            << QPointF(x + w, y + h) << QPointF(x, y + h);
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kWhite);
    p.drawPolygon(outline);
    p.drawLine(QPointF(x + w - fold, y), QPointF(x + w - fold, y + fold));
    p.drawLine(QPointF(x + w - fold, y + fold), QPointF(x + w, y + fold));
}

void Folder(QPainter& p) {
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kYellow);
    QPolygonF back;
    back << QPointF(2.5, 5.5) << QPointF(7.5, 5.5) << QPointF(9.5, 7.5) << QPointF(16.5, 7.5)
         << QPointF(16.5, 16.5) << QPointF(2.5, 16.5);
    p.drawPolygon(back);
    p.setBrush(kOlive);
    QPolygonF front;
    front << QPointF(4.5, 10.5) << QPointF(18.5, 10.5) << QPointF(16.5, 16.5) << QPointF(2.5, 16.5);
    p.drawPolygon(front);
}

void Disk(QPainter& p) {
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kNavy);
    p.drawRect(QRectF(3.5, 3.5, 13, 13));
    p.setBrush(kWhite);
    p.drawRect(QRectF(6.5, 3.5, 7, 5));
    p.setBrush(kSilver);
    p.drawRect(QRectF(5.5, 11.5, 9, 5));
    p.fillRect(QRectF(10, 4, 2, 4), kNavy);
}

void MiniGraph(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    p.setPen(QPen(kBlack, 1));
    p.drawLine(QPointF(x, y), QPointF(x, y + h));
    p.drawLine(QPointF(x, y + h), QPointF(x + w, y + h));
    p.setPen(QPen(kRed, 1.2));
    QPainterPath curve;
    curve.moveTo(x + 1, y + h - 1);
    curve.cubicTo(x + w * 0.4, y + h - 1, x + w * 0.5, y + 1, x + w, y + 1);
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
}

void Clipboard(QPainter& p) {
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kOlive);
    p.drawRect(QRectF(3.5, 3.5, 12, 14));
    p.setBrush(kWhite);
    p.drawRect(QRectF(5.5, 5.5, 8, 10));
    p.setBrush(kSilver);
    p.drawRect(QRectF(7.5, 2.5, 4, 3));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c) {
    p.setPen(QPen(c, 1.6));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal len = std::sqrt(d.x() * d.x() + d.y() * d.y());
    if (len <= 0) return;
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    QPolygonF head;
    head << to << to - u * 4 + n * 2.5 << to - u * 4 - n * 2.5;
    p.setBrush(c);
    p.setPen(QPen(c, 1));
    p.drawPolygon(head);
}

void Printer(QPainter& p) {
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kWhite);
    p.drawRect(QRectF(5.5, 2.5, 9, 7));
    p.setBrush(kSilver);
    p.drawRect(QRectF(2.5, 8.5, 15, 6));
    p.setBrush(kWhite);
    p.drawRect(QRectF(5.5, 12.5, 9, 5));
    p.fillRect(QRectF(14, 10, 2, 1.5), kGreen);
}

void Preview(QPainter& p) {
    Sheet(p, 2.5, 1.5, 12, 16);
    p.setPen(QPen(kBlack, 1.5));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QPointF(11, 11), 4, 4);
    p.setPen(QPen(kMaroon, 2.2));
    p.drawLine(QPointF(14, 14), QPointF(18, 18));
}

void DataFile(QPainter& p) {
    Sheet(p, 3.5, 1.5, 12, 16);
    p.setPen(QPen(kBlue, 1));
    for (int row = 0; row < 4; ++row) {
        const qreal y = 6.5 + row * 2.5;
        p.drawLine(QPointF(5.5, y), QPointF(8.5, y));
        p.drawLine(QPointF(10.5, y), QPointF(13.5, y));
    }
}

void DataManager(QPainter& p) {
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kWhite);
    p.drawRect(QRectF(2.5, 3.5, 15, 13));
    p.fillRect(QRectF(3, 4, 14, 3), kNavy);
    p.setPen(QPen(kGray, 1));
    for (int row = 0; row < 3; ++row) p.drawLine(QPointF(3, 9.5 + row * 2.5), QPointF(17, 9.5 + row * 2.5));
    p.drawLine(QPointF(8.5, 7), QPointF(8.5, 16));
}

void PasteData(QPainter& p) {
    Clipboard(p);
    p.setPen(QPen(kBlue, 1));
    for (int row = 0; row < 3; ++row) {
        const qreal y = 8.5 + row * 2.5;
        p.drawLine(QPointF(7, y), QPointF(12, y));
    }
}

void SelectArrow(QPainter& p) {
    QPolygonF arrow;
    arrow << QPointF(6, 3) << QPointF(6, 16) << QPointF(9, 13) << QPointF(11.5, 18) << QPointF(13.5, 17)
          << QPointF(11, 12) << QPointF(15, 12);
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kWhite);
    p.drawPolygon(arrow);
}

void Hand(QPainter& p) {
    // An open hand: four fingers, the thumb at the left, the palm below.
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kWhite);
    const qreal tops[4] = {5, 3, 3.5, 5.5};
    for (int f = 0; f < 4; ++f) p.drawRoundedRect(QRectF(6 + f * 2.6, tops[f], 2.6, 9), 1.3, 1.3);
    QPainterPath thumb;
    thumb.moveTo(6.5, 14);
    thumb.lineTo(3, 10);
    thumb.quadTo(2.2, 8.6, 3.8, 8.8);
    thumb.lineTo(6.5, 11);
    p.drawPath(thumb);
    QPainterPath palm;
    palm.moveTo(6, 10);
    palm.lineTo(16.4, 10);
    palm.lineTo(16.4, 14);
    palm.quadTo(16, 18, 12, 18);
    palm.lineTo(9.5, 18);
    palm.quadTo(6, 18, 6, 14);
    palm.closeSubpath();
    p.drawPath(palm);
    // The fingers' lower ends disappear into the palm.
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(6.6, 9.5, 9.3, 1.2));
}

void Trimming(QPainter& p) {
    MiniGraph(p, 3, 3, 14, 14);
    p.setPen(QPen(kBlue, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(7.5, 5.5, 8, 7));
}

void Watch(QPainter& p) {
    p.setPen(QPen(kRed, 1));
    p.drawLine(QPointF(10.5, 2), QPointF(10.5, 19));
    p.drawLine(QPointF(2, 10.5), QPointF(19, 10.5));
    p.setPen(QPen(kBlack, 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10.5, 10.5), 4.5, 4.5);
}

void Line(QPainter& p) {
    p.setPen(QPen(kBlack, 1.5));
    p.drawLine(QPointF(3, 17), QPointF(17, 3));
}

void Polyline(QPainter& p) {
    p.setPen(QPen(kBlack, 1.5));
    p.setBrush(Qt::NoBrush);
    QPolygonF line;
    line << QPointF(2, 16) << QPointF(7, 5) << QPointF(12, 14) << QPointF(18, 4);
    p.drawPolyline(line);
}

void Rect(QPainter& p) {
    p.setPen(QPen(kBlack, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(3.5, 5.5, 13, 9));
}

void RoundRect(QPainter& p) {
    p.setPen(QPen(kBlack, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(3.5, 5.5, 13, 9), 3, 3);
}

void Ellipse(QPainter& p) {
    p.setPen(QPen(kBlack, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(2.5, 5.5, 15, 9));
}

void AxisCut(QPainter& p) {
    p.setPen(QPen(kBlack, 1.2));
    p.drawLine(QPointF(2, 10.5), QPointF(7.5, 10.5));
    p.drawLine(QPointF(12.5, 10.5), QPointF(18, 10.5));
    p.drawLine(QPointF(6, 15), QPointF(9, 6));
    p.drawLine(QPointF(11, 15), QPointF(14, 6));
}

void Text(QPainter& p) {
    QFont f(QStringLiteral("Liberation Serif"));
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kNavy);
    p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, QStringLiteral("A"));
}

void Legend(QPainter& p) {
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kWhite);
    p.drawRect(QRectF(1.5, 4.5, 17, 11));
    p.setPen(QPen(kRed, 1.5));
    p.drawLine(QPointF(3.5, 8), QPointF(8.5, 8));
    p.setPen(QPen(kBlue, 1.5));
    p.drawLine(QPointF(3.5, 12), QPointF(8.5, 12));
    p.setPen(QPen(kGray, 1));
    p.drawLine(QPointF(10.5, 8), QPointF(16.5, 8));
    p.drawLine(QPointF(10.5, 12), QPointF(16.5, 12));
}

bool Draw(QPainter& p, int id) {
    switch (id) {
    case CM_FILENEW: Sheet(p, 3.5, 1.5, 13, 17); return true;
    case CM_FILEOPEN: Folder(p); return true;
    case CM_FILESAVE: Disk(p); return true;
    case 132: Clipboard(p); MiniGraph(p, 6.5, 7, 6, 7); return true;
    case CM_FILEEXPORT: Sheet(p, 1.5, 1.5, 11, 15); MiniGraph(p, 3.5, 5, 6, 8);
        Arrow(p, QPointF(9, 15), QPointF(18.5, 15), kGreen); return true;
    case CM_FILEPRINT: Printer(p); return true;
    case CM_FILEPRINTPREVIEW: Preview(p); return true;
    case 114: DataFile(p); return true;
    case 115: DataManager(p); return true;
    case 142: PasteData(p); return true;
    case CM_TOOLSELECT: SelectArrow(p); return true;
    case CM_TOOLDRAGWINDOW: Hand(p); return true;
    case CM_TOOLTRIMMING: Trimming(p); return true;
    case CM_TOOLWATCH: Watch(p); return true;
    case CM_TOOLLINE: Line(p); return true;
    case CM_TOOLPOLYLINE: Polyline(p); return true;
    case CM_TOOLRECTANGLE: Rect(p); return true;
    case CM_TOOLROUNDRECT: RoundRect(p); return true;
    case CM_TOOLELLIPSE: Ellipse(p); return true;
    case CM_TOOLAXISCUT: AxisCut(p); return true;
    case CM_INSERTTEXT: Text(p); return true;
    case CM_INSERTLEGEND: Legend(p); return true;
    default: return false;
    }
}

}  // namespace

QPixmap ButtonGlyph(int id, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 20.0, size / 20.0);
    Draw(p, id);
    return pm;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.scale(size / 20.0, size / 20.0);
        p.setPen(QPen(kBlack, 1));
        p.setBrush(kWhite);
        p.drawRect(QRectF(1.5, 1.5, 17, 17));
        p.setPen(QPen(kTeal, 0.6, Qt::DotLine));
        for (int k = 1; k < 4; ++k) p.drawLine(QPointF(4 + k * 3.5, 3), QPointF(4 + k * 3.5, 16));
        MiniGraph(p, 4, 3.5, 13, 12.5);
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace kv::app
