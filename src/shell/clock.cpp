#include "clock.h"

#include <chrono>

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

qint64 SystemClock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace zel
