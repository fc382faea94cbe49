#include "clockstepwatch.h"

namespace zel {
namespace {

QString roughly(qint64 ms)
{
    const qint64 s = std::llabs(ms) / 1000;
    if (s < 120)
        return QStringLiteral("%1 seconds").arg(s);
    if (s < 2 * 3600)
        return QStringLiteral("%1 minutes").arg(s / 60);
    if (s < 2 * 86400)
        return QStringLiteral("%1 hours").arg(s / 3600);
    return QStringLiteral("%1 days").arg(s / 86400);
}

} // namespace

ClockStepWatch::ClockStepWatch(const Clock& clock, int checkMs, QObject* parent)
    : QObject(parent), m_clock(clock)
{
    connect(&m_timer, &QTimer::timeout, this, &ClockStepWatch::check);
    m_timer.start(checkMs);
    check();
}

void ClockStepWatch::check()
{
    const QDateTime now = m_clock.now();
    const auto step = m_detector.observe({now.toMSecsSinceEpoch(), m_clock.monotonicMs()});
    if (!step)
        return;
    const QString size = stepText(*step);
    const QString way = *step < 0 ? QStringLiteral("back") : QStringLiteral("forward");
    Q_EMIT eventOccurred({0, now.toUTC(), QStringLiteral("clock_step"), eventstate::Info, size,
                          QStringLiteral("system clock set %1 by about %2; alarm delays "
                                         "unaffected, recorded history kept")
                              .arg(way, roughly(*step)),
                          QString(), QString()});
    Q_EMIT operatorNotice(
        QStringLiteral("The system clock was set %1 by about %2 (%3). Alarm qualify and clear "
                       "times are not affected; the history keeps the seconds already recorded "
                       "and deletes no old rows until the clock has held for 10 minutes.")
            .arg(way, roughly(*step), size));
}

} // namespace zel
