#include "repaintpacer.h"

namespace zel {

RepaintPacer::RepaintPacer(int intervalMs, QObject* parent)
    : QObject(parent), m_intervalMs(intervalMs)
{
    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &RepaintPacer::paintPending);
}

void RepaintPacer::request(QWidget* widget, const QRect& area)
{
    if (area.isEmpty())
        return;
    if (!m_tick.isActive() && (!m_sincePaint.isValid() || m_sincePaint.elapsed() >= m_intervalMs)) {
        widget->update(area);
        m_sincePaint.start();
        return;
    }
    for (Pending& p : m_pending) {
        if (p.widget == widget) {
            p.area |= area;
            return;
        }
    }
    m_pending.push_back({widget, area});
    if (!m_tick.isActive())
        m_tick.start(int(std::max<qint64>(0, m_intervalMs - m_sincePaint.elapsed())));
}

void RepaintPacer::paintPending()
{
    for (const Pending& p : m_pending) {
        if (p.widget)
            p.widget->update(p.area);
    }
    m_pending.clear();
    m_sincePaint.start();
}

} // namespace zel
