#include "clock.h"

namespace zel {

QDateTime SystemClock::now() const
{
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    if (m_offsetCheckedMs == 0 || ms - m_offsetCheckedMs >= 1000 || ms < m_offsetCheckedMs) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
        m_offsetSeconds = local.offsetFromUtc();
        m_offsetCheckedMs = ms;
        return local;
    }
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, m_offsetSeconds);
}

} // namespace zel
