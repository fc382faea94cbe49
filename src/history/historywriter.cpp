#include "historywriter.h"

#include <QDateTime>

#include <algorithm>

namespace zel::history {

HistoryWriter::HistoryWriter(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options))
{
    qRegisterMetaType<zel::history::HistoryBatch>();
    qRegisterMetaType<QList<zel::EventRecord>>();
}

HistoryWriter::~HistoryWriter() = default;

void HistoryWriter::write(const HistoryBatch& batch)
{
    if (!m_maintenance) {
        // Created here so that it belongs to the writer's thread.
        m_maintenance = new QTimer(this);
        connect(m_maintenance, &QTimer::timeout, this, &HistoryWriter::maintain);
        m_maintenance->start(m_options.maintenanceMs);
    }
    m_seconds += batch.seconds;
    m_events += batch.events;
    trimBacklog();
    tryWrite(batch.nowS);
    if (batch.clock)
        retain(*batch.clock);
}

void HistoryWriter::retain(const ClockReading& reading)
{
    // A clock set forward would make everything look old. Only a clock that
    // has kept with the monotonic one for a while is trusted to say what is
    // old; once it is, what is old may have changed: look again at once.
    if (m_clockSteps.observe(reading))
        m_nextRetentionMs.reset();
    if (!m_clockSteps.steadyFor(ClockSettleMs) || !m_store || !m_store->isOpen())
        return;
    if (m_nextRetentionMs && reading.monotonicMs < *m_nextRetentionMs)
        return;
    // Hourly; a failure here is retried with the next write.
    const StoreError e = m_store->applyRetention(m_options.retention, reading.wallMs / 1000);
    if (!e)
        m_nextRetentionMs = reading.monotonicMs + 3600 * 1000;
}

void HistoryWriter::flush()
{
    tryWrite(QDateTime::currentSecsSinceEpoch());
}

void HistoryWriter::maintain()
{
    tryWrite(QDateTime::currentSecsSinceEpoch());
}

bool HistoryWriter::ensureOpen()
{
    if (!m_store)
        m_store = std::make_unique<HistoryStore>(m_options.path, m_options.busyTimeoutMs);
    if (!m_store->isOpen()) {
        StoreError e = m_store->open();
        if (e.kind == StoreFailure::Corrupt && replaceDamaged(e))
            e = m_store->open();
        if (e) {
            report(e);
            return false;
        }
        m_nextRetentionMs.reset();
    }
    return true;
}

void HistoryWriter::tryWrite(qint64 nowS)
{
    if (!ensureOpen())
        return;
    qsizetype ignored = 0;
    StoreError e = m_store->write(m_seconds, m_events, nowS, &ignored);
    if (e.kind == StoreFailure::Corrupt && replaceDamaged(e) && ensureOpen())
        e = m_store->write(m_seconds, m_events, nowS, &ignored);
    if (e) {
        // A folder made read-only or removed may come back: open again next time.
        if (e.kind == StoreFailure::Unwritable || e.kind == StoreFailure::Corrupt)
            m_store->close();
        report(e);
        return;
    }
    const qsizetype written = m_seconds.size() - ignored;
    noteIgnored(ignored);
    m_seconds.clear();
    if (!m_events.isEmpty())
        Q_EMIT eventsStored(m_events);
    m_events.clear();
    if (m_reported != StoreFailure::None) {
        QString message = QStringLiteral("history: writing to %1 again; %2 waiting seconds written")
                              .arg(m_options.path)
                              .arg(written);
        if (m_dropped > 0)
            message += QStringLiteral(", %1 older seconds were dropped").arg(m_dropped);
        Q_EMIT recovered(message);
        m_reported = StoreFailure::None;
        m_droppedSaid = false;
        m_dropped = 0;
    }
}

bool HistoryWriter::replaceDamaged(const StoreError& error)
{
    const QString aside = m_store->moveAside(QDateTime::currentDateTimeUtc());
    if (aside.isEmpty())
        return false;
    Q_EMIT problem(QStringLiteral("history: %1 is damaged (%2); moved it aside as %3 and started "
                                  "a new one")
                       .arg(m_options.path, error.message, aside));
    return true;
}

void HistoryWriter::report(const StoreError& error)
{
    if (error.kind == m_reported)
        return;
    m_reported = error.kind;
    QString what;
    switch (error.kind) {
    case StoreFailure::Busy:
        what = QStringLiteral("the database is locked by another program");
        break;
    case StoreFailure::Full:
        what = QStringLiteral("the disk is full");
        break;
    case StoreFailure::Unwritable:
        what = QStringLiteral("the database cannot be written");
        break;
    case StoreFailure::Corrupt:
        what = QStringLiteral("the database is damaged and cannot be moved aside");
        break;
    default:
        what = QStringLiteral("the database cannot be used");
        break;
    }
    Q_EMIT problem(QStringLiteral("history: %1 (%2); keeping up to %3 seconds in memory and "
                                  "trying again every second")
                       .arg(what, error.message)
                       .arg(m_options.backlogSeconds));
}

void HistoryWriter::trimBacklog()
{
    const qsizetype overSeconds = m_seconds.size() - m_options.backlogSeconds;
    const qsizetype overEvents = m_events.size() - m_options.backlogEvents;
    if (overSeconds <= 0 && overEvents <= 0)
        return;
    if (overSeconds > 0) {
        m_seconds.remove(0, overSeconds);
        m_dropped += overSeconds;
    }
    if (overEvents > 0)
        m_events.remove(0, overEvents);
    if (!m_droppedSaid) {
        m_droppedSaid = true;
        Q_EMIT problem(QStringLiteral("history: the database has been out of reach too long; "
                                      "dropping the oldest waiting seconds and events"));
    }
}

void HistoryWriter::noteIgnored(qsizetype ignored)
{
    if (ignored > 0) {
        m_ignored += ignored;
        if (!m_ignoredUpTo) {
            m_ignoredUpTo = m_store->newestSecond().value_or(0);
            Q_EMIT problem(QStringLiteral("history: the clock was set back over seconds already "
                                          "recorded; they are kept, and new samples for them are "
                                          "dropped until the clock passes %1")
                               .arg(QDateTime::fromSecsSinceEpoch(*m_ignoredUpTo, Qt::UTC)
                                        .toString(Qt::ISODate)));
        }
        return;
    }
    const bool passed = std::any_of(m_seconds.cbegin(), m_seconds.cend(), [&](const auto& s) {
        return m_ignoredUpTo && s.t > *m_ignoredUpTo;
    });
    if (!passed)
        return;
    Q_EMIT recovered(QStringLiteral("history: the clock has passed the seconds recorded before "
                                    "it was set back; %1 samples for them were dropped")
                         .arg(m_ignored));
    m_ignoredUpTo.reset();
    m_ignored = 0;
}

void HistoryWriter::acknowledge(qint64 alarmId, const QString& user)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (!ensureOpen()) {
        Q_EMIT acknowledgeRefused(alarmId, QStringLiteral("the history database cannot be opened"));
        return;
    }
    EventRecord stored;
    if (const StoreError e = m_store->acknowledge(alarmId, user, now, &stored)) {
        Q_EMIT acknowledgeRefused(alarmId, e.message);
        return;
    }
    Q_EMIT acknowledged(alarmId);
    Q_EMIT eventsStored({stored});
}

} // namespace zel::history
