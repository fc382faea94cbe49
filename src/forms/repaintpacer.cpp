#include "repaintpacer.h"

#include <algorithm>

namespace zel {

void PacedWidget::textChanged()
{
    if (m_textChanged)
        return;
    m_textChanged = true;
    if (!isVisible())
        return;
    if (m_pacer)
        m_pacer->request(this);
    else
        showText();
}

RepaintPacer::RepaintPacer(int intervalMs, QObject* parent)
    : QObject(parent), m_intervalMs(intervalMs)
{
    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &RepaintPacer::showPending);
}

void RepaintPacer::request(PacedWidget* box)
{
    m_pending.emplace_back(box);
    if (!m_tick.isActive()) {
        const qint64 wait = m_sinceShown.isValid() ? m_intervalMs - m_sinceShown.elapsed() : 0;
        m_tick.start(int(std::clamp<qint64>(wait, 0, m_intervalMs)));
    }
}

void RepaintPacer::showPending()
{
    for (const QPointer<PacedWidget>& box : m_pending) {
        if (box)
            box->showText();
    }
    m_pending.clear();
    m_sinceShown.start();
}

} // namespace zel
