#include "ui/qt/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tarnwick::qt {

namespace {

// Drawn on a 64 x 64 grid, the grid of tarnwick.svg.
QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0x7a));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    p.setBrush(QColor(0xf2, 0xf2, 0xf2));
    p.drawRoundedRect(QRectF(14, 38, 36, 18), 3, 3);
    p.setBrush(QColor(0x3c, 0xb3, 0x71));
    p.drawEllipse(QPointF(22, 47), 3, 3);
    p.setBrush(QColor(0xf0, 0xa0, 0x30));
    p.drawEllipse(QPointF(32, 47), 3, 3);

    QPen pen(QColor(0xf2, 0xf2, 0xf2), 3, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(QPointF(42, 38), QPointF(42, 16));
    pen.setWidthF(2.5);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (qreal radius : {7.0, 12.0}) {
        const QRectF circle(42 - radius, 16 - radius, 2 * radius, 2 * radius);
        p.drawArc(circle, -40 * 16, 80 * 16);
        p.drawArc(circle, 140 * 16, 80 * 16);
    }
    return pixmap;
}

}  // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace tarnwick::qt
