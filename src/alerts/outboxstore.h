#pragma once

#include "alarms/eventrecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

#include <QSqlQuery>
#include <QVariantList>

namespace zel {

// One alert waiting for one channel.
struct OutboxEntry {
    QString id;
    QString channel;
    qint64 createdMs = 0;
    int attempts = 0;
    QByteArray document;
};

// The outbox table in the history database: alerts are stored here before
// they are sent and deleted once delivered or given up, so a restart (or a
// kill) loses none. Its own connection, on the thread that calls it.
class OutboxStore {
public:
    explicit OutboxStore(QString path, int busyTimeoutMs = 5000);
    ~OutboxStore();
    OutboxStore(const OutboxStore&) = delete;
    OutboxStore& operator=(const OutboxStore&) = delete;

    // Opens (creating and migrating the database when needed); the reason
    // when it cannot.
    QString open();
    bool isOpen() const { return m_open; }
    QString lastError() const { return m_error; }
    // Whether the last call failed: an empty answer can be either.
    bool failed() const { return m_failed; }

    // One row per channel, in one transaction.
    bool add(const QString& id, const QStringList& channels, qint64 createdMs,
             const QByteArray& document);
    // The oldest alert waiting for channel.
    std::optional<OutboxEntry> oldest(const QString& channel);
    bool remove(const QString& id, const QString& channel);
    bool recordFailure(const QString& id, const QString& channel, const QString& why);
    int waiting(const QString& channel);
    // Whether any channel still waits for the alert.
    bool holds(const QString& id);
    // Whether the alarm of this kind raised at sinceMs has been acknowledged.
    bool acknowledged(const QString& alarm, qint64 sinceMs);
    // The row of the alarm of this kind raised at timeMs, once the history
    // has written it.
    std::optional<qint64> raisedEventId(const QString& alarm, qint64 timeMs);
    // The alarm kinds whose latest raise has been acknowledged.
    QStringList acknowledgedKinds();
    // The shelving rows after row afterId, oldest first: the command line
    // writes them too, which only this poll finds.
    QList<EventRecord> shelfRows(qint64 afterId);

private:
    QSqlQuery query() const;
    bool exec(QSqlQuery& q, const char* sql, const QVariantList& binds);

    QString m_path;
    QString m_connection;
    int m_busyTimeoutMs;
    bool m_open = false;
    bool m_failed = false;
    QString m_error;
};

} // namespace zel
