#include "alertqueue.h"

namespace zel {

AlertQueue::AlertQueue(QString databasePath, const Clock& clock, int retryMs, Tell tell)
    // A second's wait for a busy database, then memory: alerts do not queue
    // behind a long write.
    : m_store(std::move(databasePath), 1000), m_clock(clock), m_retryMs(retryMs),
      m_tell(std::move(tell)), m_retryAtMs(clock.monotonicMs())
{
}

bool AlertQueue::recover()
{
    if (m_storing)
        return true;
    if (m_clock.monotonicMs() < m_retryAtMs)
        return false;
    const bool opened = m_store.open().isEmpty();
    // Read once, so that an outbox that fails on reading is not taken back.
    if (opened)
        m_store.waiting(QString());
    if (!opened || m_store.failed()) {
        failed();
        return false;
    }
    while (!m_unremoved.isEmpty()) {
        if (!m_store.remove(m_unremoved.constFirst().first, m_unremoved.constFirst().second)) {
            failed();
            return false;
        }
        m_unremoved.removeFirst();
    }
    // INSERT OR IGNORE: an alert whose store only looked failed is not doubled.
    const int moving = int(m_memory.alerts().size());
    while (!m_memory.alerts().isEmpty()) {
        const MemoryOutbox::Alert& a = m_memory.alerts().constFirst();
        if (!m_store.add(a.id, a.channels, a.createdMs, a.document)) {
            failed();
            return false;
        }
        m_memory.takeFirst();
    }
    m_storing = true;
    if (m_told)
        m_tell(moving > 0 ? QStringLiteral("Alerts are stored in the outbox again; %1 waiting "
                                           "alerts moved into it from memory")
                                .arg(moving)
                          : QStringLiteral("Alerts are stored in the outbox again"));
    m_told = false;
    m_toldFull = false;
    return true;
}

void AlertQueue::failed()
{
    m_storing = false;
    m_retryAtMs = m_clock.monotonicMs() + m_retryMs;
    if (!m_told)
        m_tell(QStringLiteral("Alerts cannot be stored in the outbox: %1. They are sent from "
                              "memory (up to %2 kept) until it works again.")
                   .arg(m_store.lastError())
                   .arg(MemoryOutbox::Capacity));
    m_told = true;
}

void AlertQueue::add(const QString& id, const QStringList& channels, qint64 createdMs,
                     const QByteArray& document, MemoryOutbox::Rank rank)
{
    if (m_storing) {
        if (m_store.add(id, channels, createdMs, document))
            return;
        failed();
    }
    const QString dropped = m_memory.add({id, channels, createdMs, document, rank});
    if (!dropped.isEmpty() && !m_toldFull)
        m_tell(QStringLiteral("%1 alerts wait in memory, the most it keeps: the oldest reminders "
                              "are dropped to make room, first raises last (alert %2 dropped)")
                   .arg(MemoryOutbox::Capacity)
                   .arg(dropped));
    m_toldFull = m_toldFull || !dropped.isEmpty();
}

std::optional<OutboxEntry> AlertQueue::oldest(const QString& channel)
{
    if (m_storing) {
        auto entry = m_store.oldest(channel);
        if (!m_store.failed())
            return entry;
        failed();
    }
    return m_memory.oldest(channel);
}

void AlertQueue::remove(const QString& id, const QString& channel)
{
    if (m_memory.remove(id, channel))
        return;
    if (m_storing && m_store.remove(id, channel))
        return;
    if (m_storing)
        failed();
    // Deleted once the outbox works again, before anything is read from it.
    m_unremoved.append({id, channel});
}

void AlertQueue::recordFailure(const QString& id, const QString& channel, const QString& why)
{
    // Only a count for the record: its failure does not take the outbox out
    // of use, which nothing could tell had ended.
    if (m_storing)
        m_store.recordFailure(id, channel, why);
}

int AlertQueue::waiting(const QString& channel)
{
    if (m_storing) {
        const int n = m_store.waiting(channel);
        if (!m_store.failed())
            return n;
        failed();
    }
    return m_memory.waiting(channel);
}

bool AlertQueue::holds(const QString& id)
{
    // A read that failed counts as held.
    return m_memory.holds(id) || (m_storing && (m_store.holds(id) || m_store.failed()));
}

bool AlertQueue::acknowledged(const QString& alarm, qint64 sinceMs)
{
    if (!m_storing)
        return false;
    const bool acknowledged = m_store.acknowledged(alarm, sinceMs);
    if (m_store.failed())
        failed();
    return acknowledged;
}

std::optional<qint64> AlertQueue::raisedEventId(const QString& alarm, qint64 timeMs)
{
    // Only a line in the mail: a failed read does not take the outbox out of use.
    return m_storing ? m_store.raisedEventId(alarm, timeMs) : std::nullopt;
}

std::optional<QStringList> AlertQueue::acknowledgedKinds()
{
    if (!m_storing)
        return std::nullopt;
    QStringList kinds = m_store.acknowledgedKinds();
    if (!m_store.failed())
        return kinds;
    failed();
    return std::nullopt;
}

std::optional<QList<EventRecord>> AlertQueue::shelfRows(qint64 afterId)
{
    if (!m_storing)
        return std::nullopt;
    QList<EventRecord> rows = m_store.shelfRows(afterId);
    if (!m_store.failed())
        return rows;
    failed();
    return std::nullopt;
}

} // namespace zel
