#pragma once

#include "memoryoutbox.h"
#include "outboxstore.h"
#include "shell/clock.h"

#include <QList>
#include <QPair>

#include <functional>

namespace zel {

// Where alerts wait for their channels: the outbox in the history database,
// or memory while the outbox cannot be used (disk full, folder unwritable,
// database locked or damaged). Sending never waits on the database: what
// cannot be stored is kept and sent from memory, and moves into the outbox,
// same id, once it works again. While the outbox is out of use it is only
// tried again every retryMs, and what it held from before waits there.
class AlertQueue {
public:
    using Tell = std::function<void(const QString&)>;

    AlertQueue(QString databasePath, const Clock& clock, int retryMs, Tell tell);

    // True while the outbox is in use; otherwise tries it again when due.
    bool recover();
    bool storing() const { return m_storing; }
    // When recover() tries the outbox next, on the monotonic clock.
    qint64 retryAtMs() const { return m_retryAtMs; }

    void add(const QString& id, const QStringList& channels, qint64 createdMs,
             const QByteArray& document, MemoryOutbox::Rank rank);
    std::optional<OutboxEntry> oldest(const QString& channel);
    // Delivered or given up.
    void remove(const QString& id, const QString& channel);
    void recordFailure(const QString& id, const QString& channel, const QString& why);
    int waiting(const QString& channel);
    // Whether any channel may still wait for the alert.
    bool holds(const QString& id);
    // False when the outbox cannot tell: a reminder too many beats none.
    bool acknowledged(const QString& alarm, qint64 sinceMs);
    // Nothing when the outbox cannot tell.
    std::optional<QStringList> acknowledgedKinds();
    std::optional<QList<EventRecord>> shelfRows(qint64 afterId);
    std::optional<qint64> raisedEventId(const QString& alarm, qint64 timeMs);

private:
    void failed();

    OutboxStore m_store;
    MemoryOutbox m_memory;
    const Clock& m_clock;
    int m_retryMs;
    Tell m_tell;
    // Taken from the outbox, then finished while it could not delete them.
    QList<QPair<QString, QString>> m_unremoved;
    bool m_storing = false;
    bool m_told = false;
    bool m_toldFull = false;
    qint64 m_retryAtMs = 0;
};

} // namespace zel
