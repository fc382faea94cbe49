#include "outboxstore.h"

#include "config/filemodes.h"
#include "history/historyschema.h"
#include "history/recordfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace zel {
OutboxStore::OutboxStore(QString path, int busyTimeoutMs)
    : m_path(std::move(path)),
      m_connection(history::uniqueConnectionName(QStringLiteral("outbox"))),
      m_busyTimeoutMs(busyTimeoutMs)
{
}

OutboxStore::~OutboxStore()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QString OutboxStore::open()
{
    if (m_open)
        return QString();
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder))
        return m_error = QStringLiteral("cannot create the folder %1").arg(folder);
    // The outbox may be the first to open the record: it makes the file with
    // the record's mode, as the history store does.
    const QFileDevice::Permissions mode = recordFileMode();
    bool created = false;
    if (QString why; !history::createRecordFile(m_path, mode, &created, &why))
        return m_error = QStringLiteral("cannot create %1: %2").arg(m_path, why);
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid())
        return m_error = QStringLiteral("the Qt SQLite driver is missing");
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs));
    if (!db.open())
        return m_error = QStringLiteral("cannot open %1: %2")
                             .arg(m_path, db.lastError().text().trimmed());
    QSqlError error;
    QString reason;
    if (!history::setUpWriteAheadLog(db, &error) || !history::migrate(db, &error, &reason)) {
        db.close();
        return m_error = QStringLiteral("%1 (%2)").arg(reason, error.text().trimmed());
    }
    history::protectRecordFiles(m_path, mode, created);
    m_open = true;
    m_error.clear();
    return QString();
}

QSqlQuery OutboxStore::query() const
{
    return QSqlQuery(QSqlDatabase::database(m_connection, false));
}

bool OutboxStore::exec(QSqlQuery& q, const char* sql, const QVariantList& binds)
{
    q.prepare(QString::fromLatin1(sql));
    for (const QVariant& v : binds)
        q.addBindValue(v);
    m_failed = !q.exec();
    if (m_failed)
        m_error = q.lastError().text().trimmed();
    return !m_failed;
}

bool OutboxStore::add(const QString& id, const QStringList& channels, qint64 createdMs,
                      const QByteArray& document)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    m_failed = true;
    if (!db.transaction()) {
        m_error = db.lastError().text().trimmed();
        return false;
    }
    QSqlQuery q = query();
    for (const QString& channel : channels) {
        if (!exec(q,
                  "INSERT OR IGNORE INTO outbox (id, channel, created, document) "
                  "VALUES (?, ?, ?, ?)",
                  {id, channel, createdMs, QString::fromUtf8(document)})) {
            db.rollback();
            return false;
        }
    }
    m_failed = !db.commit();
    if (!m_failed)
        return true;
    m_error = db.lastError().text().trimmed();
    db.rollback();
    return false;
}

std::optional<OutboxEntry> OutboxStore::oldest(const QString& channel)
{
    QSqlQuery q = query();
    if (!exec(q,
              "SELECT id, created, attempts, document FROM outbox WHERE channel = ? "
              "ORDER BY created, rowid LIMIT 1",
              {channel}) ||
        !q.next())
        return std::nullopt;
    return OutboxEntry{q.value(0).toString(), channel, q.value(1).toLongLong(), q.value(2).toInt(),
                       q.value(3).toString().toUtf8()};
}

bool OutboxStore::remove(const QString& id, const QString& channel)
{
    QSqlQuery q = query();
    return exec(q, "DELETE FROM outbox WHERE id = ? AND channel = ?", {id, channel});
}

bool OutboxStore::recordFailure(const QString& id, const QString& channel, const QString& why)
{
    QSqlQuery q = query();
    return exec(q,
                "UPDATE outbox SET attempts = attempts + 1, last_error = ? "
                "WHERE id = ? AND channel = ?",
                {why, id, channel});
}

int OutboxStore::waiting(const QString& channel)
{
    QSqlQuery q = query();
    if (!exec(q, "SELECT COUNT(*) FROM outbox WHERE channel = ?", {channel}) || !q.next())
        return 0;
    return q.value(0).toInt();
}

bool OutboxStore::holds(const QString& id)
{
    QSqlQuery q = query();
    return exec(q, "SELECT 1 FROM outbox WHERE id = ? LIMIT 1", {id}) && q.next();
}

bool OutboxStore::acknowledged(const QString& alarm, qint64 sinceMs)
{
    QSqlQuery q = query();
    return exec(q,
                "SELECT 1 FROM events a JOIN events k ON k.ack_of = a.id "
                "WHERE a.event = ? AND a.state = 'raised' AND a.t = ? LIMIT 1",
                {alarm, sinceMs}) &&
           q.next();
}

std::optional<qint64> OutboxStore::raisedEventId(const QString& alarm, qint64 timeMs)
{
    QSqlQuery q = query();
    if (!exec(q,
              "SELECT id FROM events WHERE event = ? AND state = 'raised' AND t = ? "
              "ORDER BY id DESC LIMIT 1",
              {alarm, timeMs}) ||
        !q.next())
        return std::nullopt;
    return q.value(0).toLongLong();
}

QStringList OutboxStore::acknowledgedKinds()
{
    QSqlQuery q = query();
    QStringList kinds;
    if (!exec(q,
              "SELECT a.event FROM events a WHERE a.id IN (SELECT MAX(id) FROM events "
              "WHERE state = 'raised' GROUP BY event) "
              "AND EXISTS (SELECT 1 FROM events k WHERE k.ack_of = a.id) ORDER BY a.event",
              {}))
        return kinds;
    while (q.next())
        kinds << q.value(0).toString();
    return kinds;
}

QList<EventRecord> OutboxStore::shelfRows(qint64 afterId)
{
    QSqlQuery q = query();
    QList<EventRecord> rows;
    if (!exec(q,
              "SELECT id, t, state, value, detail, user FROM events "
              "WHERE id > ? AND event = 'shelve' ORDER BY id",
              {afterId}))
        return rows;
    while (q.next())
        rows.append({q.value(0).toLongLong(),
                     QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong(), Qt::UTC),
                     QStringLiteral("shelve"), q.value(2).toString(), q.value(3).toString(),
                     q.value(4).toString(), q.value(5).toString(), QString()});
    return rows;
}

} // namespace zel
