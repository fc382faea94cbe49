#include "ledindicator.h"

#include <QPainter>
#include <QRadialGradient>

namespace zel {

LedIndicator::LedIndicator(QWidget* parent) : QWidget(parent) {}

void LedIndicator::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    update();
}

void LedIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double d = std::min(width(), height()) - 2;
    const QRectF r((width() - d) / 2, (height() - d) / 2, d, d);
    QRadialGradient g(r.center() - QPointF(d / 6, d / 6), d / 1.6);
    if (m_on) {
        g.setColorAt(0, QColor(200, 255, 200));
        g.setColorAt(1, QColor(0, 190, 40));
    } else {
        g.setColorAt(0, QColor(70, 100, 70));
        g.setColorAt(1, QColor(10, 40, 15));
    }
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(g);
    p.drawEllipse(r);
}

} // namespace zel
