#include "readbackwatch.h"

#include "telemetry/telemetryvalues.h"

#include <cmath>

namespace zel {
namespace {

QString seconds(qint64 ms)
{
    return QString::number(ms / 1000.0, 'f', 1);
}

} // namespace

ReadbackWatch::ReadbackWatch(const Clock& clock, int readbackMs, QObject* parent)
    : QObject(parent), m_clock(clock), m_readbackMs(readbackMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ReadbackWatch::checkDue);
}

void ReadbackWatch::watch(const SetValues& asked)
{
    const qint64 monoNow = m_clock.monotonicMs();
    if (m_asked)
        finish(m_clock.now().toUTC(), monoNow, false,
               QStringLiteral("replaced by a newer set command"), false);
    m_asked = asked;
    m_startedMs = monoNow;
    m_deadline = monoNow + m_readbackMs;
    m_seen.reset();
    m_timer.start(m_readbackMs);
}

void ReadbackWatch::statusUpdated(const StatusUpdate& update)
{
    if (!m_asked)
        return;
    m_seen = update;
    const TelemetryValues v = telemetryValues(update.record);
    // A hair over the tolerance absorbs the texts' binary rounding.
    const bool frequencyMatches =
        v.frequencyMHz &&
        std::abs(*v.frequencyMHz - m_asked->frequencyMHz()) <= FrequencyToleranceMHz + 1e-9;
    if (v.onAir == m_asked->carrierOn && frequencyMatches)
        finish(update.time.toUTC(), m_clock.monotonicMs(), true, QString(), true);
}

void ReadbackWatch::checkDue()
{
    if (!m_deadline)
        return;
    const qint64 monoNow = m_clock.monotonicMs();
    if (monoNow < *m_deadline) {
        m_timer.start(int(*m_deadline - monoNow));
        return;
    }
    // Dated when the time was up, even if the timer came a little late.
    const qint64 late = monoNow - *m_deadline;
    finish(m_clock.now().toUTC().addMSecs(-late), *m_deadline, false, QString(), true);
}

QString ReadbackWatch::seenText() const
{
    if (!m_seen)
        return QStringLiteral("no data");
    const auto frequency = telemetryValues(m_seen->record).frequencyMHz;
    if (!frequency)
        return QStringLiteral("carrier %1, no frequency")
            .arg(m_seen->record.OnAir ? QStringLiteral("ON") : QStringLiteral("OFF"));
    return carrierText(m_seen->record.OnAir, *frequency);
}

void ReadbackWatch::finish(const QDateTime& at, qint64 monoAt, bool confirmed, const QString& why,
                           bool announce)
{
    const QString asked = carrierText(m_asked->carrierOn, m_asked->frequencyMHz());
    const QString seen = seenText();
    const QString waited = seconds(monoAt - m_startedMs);
    QString detail = confirmed
                         ? QStringLiteral("asked %1; seen after %2 s").arg(asked, waited)
                         : QStringLiteral("asked %1; not seen within %2 s").arg(asked, waited);
    if (!why.isEmpty())
        detail += QStringLiteral("; ") + why;
    const EventRecord record{0,
                             at,
                             QStringLiteral("readback"),
                             confirmed ? eventstate::Confirmed : eventstate::NotConfirmed,
                             seen,
                             detail,
                             QString(),
                             QString()};
    const QString limit = QString::number(m_readbackMs / 1000.0, 'g', 6);
    m_asked.reset();
    m_deadline.reset();
    m_seen.reset();
    m_timer.stop();

    Q_EMIT eventOccurred(record);
    if (!announce)
        return;
    if (confirmed) {
        Q_EMIT operatorInformation(QStringLiteral("Readback confirmed: %1").arg(seen));
    } else {
        const QString reports = seen == QLatin1String("no data")
                                    ? QStringLiteral("no reading arrived from the transmitter")
                                    : QStringLiteral("the transmitter reports %1").arg(seen);
        Q_EMIT operatorNotice(QStringLiteral("Readback not confirmed after %1 s: asked %2; %3")
                                  .arg(limit, asked, reports));
    }
}

} // namespace zel
