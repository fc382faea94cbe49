#include "clockstep.h"

#include <cmath>

namespace zel {

std::optional<qint64> ClockStepDetector::observe(const ClockReading& reading)
{
    std::optional<qint64> step;
    if (m_last) {
        const qint64 drift =
            (reading.wallMs - m_last->wallMs) - (reading.monotonicMs - m_last->monotonicMs);
        if (drift < -BackwardLimitMs || drift > ForwardLimitMs) {
            step = drift;
            m_stepAtMs = reading.monotonicMs;
        }
    }
    m_last = reading;
    return step;
}

bool ClockStepDetector::steadyFor(qint64 ms) const
{
    return !m_stepAtMs || m_last->monotonicMs - *m_stepAtMs >= ms;
}

QString stepText(qint64 stepMs)
{
    // Tenths are worth showing only for the small steps.
    const double seconds = std::llabs(stepMs) < 10000 ? std::round(stepMs / 100.0) / 10.0
                                                      : std::round(stepMs / 1000.0);
    return (stepMs < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
           QString::number(std::abs(seconds), 'g', 15) + QStringLiteral(" s");
}

} // namespace zel
