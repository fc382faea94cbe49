#include "icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zel {
namespace {

// A mast with two radio waves on a rounded tile.
QPixmap drawIcon(int size, QColor tile, QColor mast)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);

    QPen pen(mast, std::max(1.0, s / 14));
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    const QPointF top(s / 2, s * 0.30);
    p.drawLine(top, QPointF(s * 0.32, s * 0.88));
    p.drawLine(top, QPointF(s * 0.68, s * 0.88));
    p.drawLine(QPointF(s * 0.40, s * 0.62), QPointF(s * 0.60, s * 0.62));
    p.setBrush(mast);
    p.drawEllipse(top, s / 16, s / 16);
    p.setBrush(Qt::NoBrush);
    for (double r : {s * 0.16, s * 0.28}) {
        const QRectF arc(top.x() - r, top.y() - r, 2 * r, 2 * r);
        p.drawArc(arc, 30 * 16, 120 * 16);
    }
    return pm;
}

QIcon iconSet(QColor tile, QColor mast)
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(drawIcon(size, tile, mast));
    return icon;
}

} // namespace

QIcon windowIcon()
{
    return iconSet(QColor(20, 60, 120), QColor(240, 240, 240));
}

QIcon silentTrayIcon()
{
    return iconSet(QColor(90, 90, 90), QColor(200, 200, 200));
}

QIcon activeTrayIcon()
{
    return iconSet(QColor(0, 140, 60), QColor(255, 255, 255));
}

} // namespace zel
