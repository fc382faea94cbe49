#pragma once

#include "outboxstore.h"

#include <QList>

namespace zel {

// Alerts kept in memory while the outbox cannot be written, until they are
// delivered or the outbox takes them again. Bounded: when full, the oldest
// reminder goes first, then the oldest follow-up (cleared, summary, readback,
// test); a first raise only when nothing else is left to drop.
class MemoryOutbox {
public:
    static constexpr int Capacity = 1000;
    // What may be dropped first when full: the lowest.
    enum class Rank { Reminder, FollowUp, FirstRaise };

    struct Alert {
        QString id;
        QStringList channels; // still waiting
        qint64 createdMs = 0; // wall clock, as the outbox stores it
        QByteArray document;
        Rank rank = Rank::FollowUp;
    };

    explicit MemoryOutbox(int capacity = Capacity) : m_capacity(capacity) {}

    // Keeps the alert; the id of the alert dropped to make room, if any (it
    // may be this one).
    QString add(Alert alert);
    std::optional<OutboxEntry> oldest(const QString& channel) const;
    // False when it was not held here for that channel.
    bool remove(const QString& id, const QString& channel);
    int waiting(const QString& channel) const;
    bool holds(const QString& id) const;
    const QList<Alert>& alerts() const { return m_alerts; }
    void takeFirst() { m_alerts.removeFirst(); }

private:
    int m_capacity;
    QList<Alert> m_alerts; // oldest first
};

// How an alert ranks when memory is full, by its document's state.
MemoryOutbox::Rank rankOf(const QString& state);

} // namespace zel
