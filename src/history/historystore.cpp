#include "historystore.h"

#include "config/filemodes.h"
#include "historyrows.h"
#include "historyschema.h"
#include "recordfiles.h"
#include "rollup.h"
#include "rollupcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSqlError>
#include <QVariant>

#include <tuple>

namespace zel::history {
namespace {

qint64 floorTo(qint64 t, qint64 step)
{
    return (t >= 0 ? t : t - step + 1) / step * step;
}

StoreFailure classify(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (!ok)
        return StoreFailure::Other;
    switch (code) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return StoreFailure::Busy;
    case 13: // SQLITE_FULL
        return StoreFailure::Full;
    case 8:  // SQLITE_READONLY
    case 10: // SQLITE_IOERR
    case 14: // SQLITE_CANTOPEN
    case 23: // SQLITE_AUTH
        return StoreFailure::Unwritable;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return StoreFailure::Corrupt;
    default:
        return StoreFailure::Other;
    }
}

} // namespace

struct HistoryStore::Statements {
    explicit Statements(const QSqlDatabase& db)
        : insertSecond(db), insertEvent(db), selectSeconds(db), insertMinute(db), selectMinutes(db),
          insertHour(db)
    {
    }
    QSqlQuery insertSecond;
    QSqlQuery insertEvent;
    QSqlQuery selectSeconds;
    QSqlQuery insertMinute;
    QSqlQuery selectMinutes;
    QSqlQuery insertHour;
};

HistoryStore::HistoryStore(QString path, int busyTimeoutMs)
    : m_path(std::move(path)), m_connection(uniqueConnectionName(QStringLiteral("history-store"))),
      m_busyTimeoutMs(busyTimeoutMs), m_fileMode(recordFileMode())
{
}

HistoryStore::~HistoryStore()
{
    close();
}

StoreError HistoryStore::fail(const QSqlError& error, const QString& what)
{
    StoreError e{classify(error), QString()};
    const QString detail = error.text().trimmed();
    e.message = detail.isEmpty() ? what : QStringLiteral("%1: %2").arg(what, detail);
    if (e.kind == StoreFailure::None)
        e.kind = StoreFailure::Other;
    return e;
}

StoreError HistoryStore::failed(const QSqlQuery& q, const QString& what)
{
    return fail(q.lastError(), what);
}

StoreError HistoryStore::open()
{
    if (m_open)
        return {};
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder))
        return {StoreFailure::Unwritable,
                QStringLiteral("cannot create the folder %1").arg(folder)};
    bool created = false;
    if (QString why; !history::createRecordFile(m_path, m_fileMode, &created, &why))
        return {StoreFailure::Unwritable, QStringLiteral("cannot create %1: %2").arg(m_path, why)};
    StoreError error = connect();
    if (!error) {
        m_open = true;
        history::protectRecordFiles(m_path, m_fileMode, created);
        error = loadRollupMarks();
    }
    if (error)
        close();
    return error;
}

StoreError HistoryStore::connect()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid())
        return {StoreFailure::Other,
                QStringLiteral("the Qt SQLite driver is missing (package libqt6sql6-sqlite)")};
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs));
    if (!db.open())
        return fail(db.lastError(), QStringLiteral("cannot open %1").arg(m_path));
    QSqlError sqlError;
    if (!setUpWriteAheadLog(db, &sqlError))
        return fail(sqlError, QStringLiteral("cannot set up %1").arg(m_path));
    QString reason;
    if (!migrate(db, &sqlError, &reason))
        return fail(sqlError, reason);
    if (!prepareStatements(&sqlError))
        return fail(sqlError, QStringLiteral("cannot prepare the statements"));
    return {};
}

void HistoryStore::close()
{
    m_q.reset();
    m_open = false;
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool HistoryStore::prepareStatements(QSqlError* error)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    m_q = std::make_unique<Statements>(db);
    const QList<std::pair<QSqlQuery*, QString>> all{
        // A second recorded already stays as it was: after the clock was set
        // back, the new samples for it are the ones that go.
        {&m_q->insertSecond, QStringLiteral("INSERT OR IGNORE INTO seconds (%1) VALUES (%2)")
                                 .arg(secondsColumns(), secondsPlaceholders())},
        {&m_q->insertEvent,
         QStringLiteral("INSERT INTO events (t, event, state, value, detail, user, ack_of,"
                        " severity) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")},
        {&m_q->selectSeconds,
         QStringLiteral("SELECT %1 FROM seconds WHERE t >= ? AND t < ? ORDER BY t")
             .arg(secondsColumns())},
        {&m_q->insertMinute, QStringLiteral("INSERT OR REPLACE INTO minutes VALUES (? / 60, ?)")},
        {&m_q->selectMinutes,
         QStringLiteral("SELECT minute * 60, stats FROM minutes WHERE minute >= (? + 59) / 60"
                        " AND minute < (? + 59) / 60 ORDER BY minute")},
        {&m_q->insertHour, QStringLiteral("INSERT OR REPLACE INTO hours VALUES (? / 3600, ?)")},
    };
    for (const auto& [query, sql] : all) {
        query->setForwardOnly(true);
        if (!query->prepare(sql)) {
            *error = query->lastError();
            return false;
        }
    }
    return true;
}

StoreError HistoryStore::loadRollupMarks()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT (SELECT MAX(minute) * 60 FROM minutes),"
                               " (SELECT MAX(hour) * 3600 FROM hours)")) ||
        !q.next())
        return failed(q, QStringLiteral("cannot read the roll-ups"));
    m_minutesDone = q.isNull(0) ? 0 : q.value(0).toLongLong() + 60;
    m_hoursDone = q.isNull(1) ? 0 : q.value(1).toLongLong() + 3600;
    return {};
}

StoreError HistoryStore::begin()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    // IMMEDIATE takes the write lock now, so a busy database shows at once
    // rather than half-way through the batch.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failed(q, QStringLiteral("cannot start writing"));
    return {};
}

StoreError HistoryStore::commit()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const StoreError e = failed(q, QStringLiteral("cannot commit"));
        rollback();
        return e;
    }
    return {};
}

void HistoryStore::rollback()
{
    QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
    // The marks may have moved inside the lost transaction.
    if (loadRollupMarks())
        m_minutesDone = m_hoursDone = 0;
}

StoreError HistoryStore::insertSecond(const SecondSample& s, bool* inserted)
{
    bindSecond(m_q->insertSecond, s);
    if (!m_q->insertSecond.exec())
        return failed(m_q->insertSecond, QStringLiteral("cannot store a second"));
    *inserted = m_q->insertSecond.numRowsAffected() > 0;
    return {};
}

StoreError HistoryStore::insertEvent(EventRecord& e)
{
    QSqlQuery& q = m_q->insertEvent;
    q.bindValue(0, e.time.toMSecsSinceEpoch());
    // A null QString would bind as NULL; the columns hold empty texts.
    const auto text = [](const QString& s) { return s.isNull() ? QStringLiteral("") : s; };
    q.bindValue(1, text(e.event));
    q.bindValue(2, text(e.state));
    q.bindValue(3, text(e.value));
    q.bindValue(4, text(e.detail));
    q.bindValue(5, text(e.user));
    bool isId = false;
    const qint64 ackOf = e.value.toLongLong(&isId);
    q.bindValue(6, e.state == eventstate::Acknowledged && isId
                       ? QVariant(ackOf)
                       : QVariant(QMetaType::fromType<qint64>()));
    q.bindValue(7, text(e.severity));
    if (!q.exec())
        return failed(q, QStringLiteral("cannot store an event"));
    e.id = q.lastInsertId().toLongLong();
    return {};
}

StoreError HistoryStore::write(const QList<SecondSample>& seconds, QList<EventRecord>& events,
                               qint64 nowS, qsizetype* ignored)
{
    if (!m_open)
        return {StoreFailure::Other, QStringLiteral("the database is not open")};
    if (StoreError e = begin())
        return e;
    StoreError e;
    // Only the seconds stored count for the roll-ups; an ignored one changed nothing.
    QList<SecondSample> stored;
    stored.reserve(seconds.size());
    for (const SecondSample& s : seconds) {
        bool inserted = false;
        if ((e = insertSecond(s, &inserted)))
            break;
        if (inserted)
            stored << s;
    }
    for (qsizetype i = 0; !e && i < events.size(); ++i)
        e = insertEvent(events[i]);
    if (!e)
        e = rollUp(nowS, stored);
    if (e) {
        rollback();
        for (EventRecord& ev : events)
            ev.id = 0;
        return e;
    }
    if (StoreError c = commit())
        return c;
    if (ignored)
        *ignored = seconds.size() - stored.size();
    return {};
}

std::optional<qint64> HistoryStore::newestSecond()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!m_open || !q.exec(QStringLiteral("SELECT MAX(t) FROM seconds")) || !q.next() ||
        q.isNull(0))
        return std::nullopt;
    return q.value(0).toLongLong();
}

StoreError HistoryStore::rollUp(qint64 nowS, const QList<SecondSample>& late)
{
    // A second that lands in a minute already rolled up (the clock went
    // back) rolls that minute and its hour again.
    QList<qint64> lateMinutes;
    QList<qint64> lateHours;
    for (const SecondSample& s : late) {
        const qint64 m = floorTo(s.t, 60);
        if (m < m_minutesDone && !lateMinutes.contains(m)) {
            lateMinutes << m;
            if (const qint64 h = floorTo(m, 3600); h < m_hoursDone && !lateHours.contains(h))
                lateHours << h;
        }
    }
    for (qint64 m : lateMinutes) {
        if (StoreError e = rollMinutes(m, m + 60))
            return e;
    }
    const qint64 minutesBefore = floorTo(nowS - 2, 60);
    if (minutesBefore > m_minutesDone) {
        if (StoreError e = rollMinutes(m_minutesDone, minutesBefore))
            return e;
        m_minutesDone = minutesBefore;
    }
    for (qint64 h : lateHours) {
        if (StoreError e = rollHours(h, h + 3600))
            return e;
    }
    const qint64 hoursBefore = floorTo(m_minutesDone, 3600);
    if (hoursBefore > m_hoursDone) {
        if (StoreError e = rollHours(m_hoursDone, hoursBefore))
            return e;
        m_hoursDone = hoursBefore;
    }
    return {};
}

StoreError HistoryStore::rollMinutes(qint64 from, qint64 to)
{
    QSqlQuery& q = m_q->selectSeconds;
    q.bindValue(0, from);
    q.bindValue(1, to);
    if (!q.exec())
        return failed(q, QStringLiteral("cannot read seconds to roll up"));
    QMap<qint64, QList<SecondSample>> byMinute;
    while (q.next()) {
        const SecondSample s = secondFromRow(q);
        byMinute[floorTo(s.t, 60)] << s;
    }
    q.finish();
    for (auto it = byMinute.cbegin(); it != byMinute.cend(); ++it) {
        m_q->insertMinute.bindValue(0, it.key());
        m_q->insertMinute.bindValue(1, encodeRollup(rollupOfSeconds(it.key(), it.value())));
        if (!m_q->insertMinute.exec())
            return failed(m_q->insertMinute, QStringLiteral("cannot store a minute"));
    }
    return {};
}

StoreError HistoryStore::rollHours(qint64 from, qint64 to)
{
    QSqlQuery& q = m_q->selectMinutes;
    q.bindValue(0, from);
    q.bindValue(1, to);
    if (!q.exec())
        return failed(q, QStringLiteral("cannot read minutes to roll up"));
    QMap<qint64, QList<Rollup>> byHour;
    while (q.next()) {
        if (auto r = decodeRollup(q.value(1).toByteArray()))
            byHour[floorTo(q.value(0).toLongLong(), 3600)] << *r;
    }
    q.finish();
    for (auto it = byHour.cbegin(); it != byHour.cend(); ++it) {
        m_q->insertHour.bindValue(0, it.key());
        m_q->insertHour.bindValue(1, encodeRollup(rollupOfRollups(it.key(), it.value())));
        if (!m_q->insertHour.exec())
            return failed(m_q->insertHour, QStringLiteral("cannot store an hour"));
    }
    return {};
}

StoreError HistoryStore::setBulkLoading()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("PRAGMA synchronous=OFF")))
        return failed(q, QStringLiteral("cannot switch to bulk loading"));
    return {};
}

StoreError HistoryStore::writeMinutes(const QList<Rollup>& minutes)
{
    if (!m_open)
        return {StoreFailure::Other, QStringLiteral("the database is not open")};
    if (StoreError e = begin())
        return e;
    qint64 last = m_minutesDone - 60;
    for (const Rollup& r : minutes) {
        m_q->insertMinute.bindValue(0, r.t);
        m_q->insertMinute.bindValue(1, encodeRollup(r));
        if (!m_q->insertMinute.exec()) {
            const StoreError e = failed(m_q->insertMinute, QStringLiteral("cannot store a minute"));
            rollback();
            return e;
        }
        last = std::max(last, r.t);
    }
    m_minutesDone = std::max(m_minutesDone, last + 60);
    if (StoreError e = rollUp(m_minutesDone + 2, {})) {
        rollback();
        return e;
    }
    return commit();
}

StoreError HistoryStore::applyRetention(const RetentionPolicy& policy, qint64 nowS)
{
    if (!m_open)
        return {StoreFailure::Other, QStringLiteral("the database is not open")};
    // An alarm nobody has acknowledged stays, however old: its raise, the
    // clear that ended it, and the acknowledgement of an alarm still kept.
    static const QString oldEvents = QStringLiteral(
        "DELETE FROM events WHERE t < ? AND NOT ("
        " (state = 'raised' AND NOT EXISTS (SELECT 1 FROM events a WHERE a.ack_of = events.id))"
        " OR (state = 'cleared' AND NOT EXISTS (SELECT 1 FROM events a WHERE a.ack_of ="
        "  (SELECT r.id FROM events r WHERE r.id < events.id AND r.event = events.event"
        "   AND r.state = 'raised' ORDER BY r.id DESC LIMIT 1)))"
        " OR (ack_of IS NOT NULL AND"
        "  EXISTS (SELECT 1 FROM events r WHERE r.id = events.ack_of AND r.t >= ?)))");
    const QList<std::tuple<QString, qint64, qint64>> cuts{
        {QStringLiteral("DELETE FROM seconds WHERE t < ?"), qint64(policy.secondDays) * 86400, 1},
        {QStringLiteral("DELETE FROM minutes WHERE minute < ? / 60"),
         qint64(policy.minuteDays) * 86400, 1},
        {oldEvents, qint64(policy.eventDays) * 86400, 1000},
    };
    if (StoreError e = begin())
        return e;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    for (const auto& [sql, keep, unit] : cuts) {
        if (keep <= 0)
            continue;
        q.prepare(sql);
        for (qsizetype i = sql.count(u'?'); i > 0; --i)
            q.addBindValue((nowS - keep) * unit);
        if (!q.exec()) {
            const StoreError e = failed(q, QStringLiteral("cannot delete old rows"));
            rollback();
            return e;
        }
    }
    return commit();
}

StoreError HistoryStore::acknowledge(qint64 alarmId, const QString& user, const QDateTime& time,
                                     EventRecord* stored)
{
    if (!m_open)
        return {StoreFailure::Other, QStringLiteral("the database is not open")};
    if (StoreError e = begin())
        return e;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT %1, (SELECT COUNT(*) FROM events a WHERE a.ack_of = e.id)"
                             " FROM events e WHERE id = ?")
                  .arg(eventColumns()));
    q.addBindValue(alarmId);
    if (!q.exec()) {
        const StoreError e = failed(q, QStringLiteral("cannot read event %1").arg(alarmId));
        rollback();
        return e;
    }
    QString refusal;
    EventRecord alarmRow;
    if (!q.next())
        refusal = QStringLiteral("there is no event %1").arg(alarmId);
    else if ((alarmRow = eventFromRow(q)).state != eventstate::Raised)
        refusal = QStringLiteral("event %1 is no raised alarm (%2 %3)")
                      .arg(alarmId)
                      .arg(alarmRow.event, alarmRow.state);
    else if (q.value(8).toInt() > 0)
        refusal = QStringLiteral("alarm %1 is acknowledged already").arg(alarmId);
    q.finish();
    if (!refusal.isEmpty()) {
        rollback();
        return {StoreFailure::Other, refusal};
    }
    EventRecord ack = acknowledgementOf(alarmRow, user, time);
    if (StoreError e = insertEvent(ack)) {
        rollback();
        return e;
    }
    if (StoreError e = commit())
        return e;
    if (stored)
        *stored = ack;
    return {};
}

StoreError HistoryStore::append(EventRecord& event)
{
    if (!m_open)
        return {StoreFailure::Other, QStringLiteral("the database is not open")};
    if (StoreError e = begin())
        return e;
    if (StoreError e = insertEvent(event)) {
        rollback();
        return e;
    }
    return commit();
}

QString HistoryStore::moveAside(const QDateTime& nowUtc)
{
    close();
    const QString aside =
        QStringLiteral("%1.corrupt-%2")
            .arg(m_path, nowUtc.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")));
    if (!QFile::rename(m_path, aside))
        return QString();
    // The WAL belongs to the damaged file; the index is rebuilt from it.
    QFile::rename(m_path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(m_path + QStringLiteral("-shm"));
    return aside;
}

EventRecord acknowledgementOf(const EventRecord& alarm, const QString& user, const QDateTime& time)
{
    EventRecord ack;
    ack.time = time.toUTC();
    ack.event = alarm.event;
    ack.state = eventstate::Acknowledged;
    ack.value = QString::number(alarm.id);
    ack.detail = QStringLiteral("alarm %1 raised %2")
                     .arg(alarm.id)
                     .arg(alarm.time.toUTC().toString(Qt::ISODateWithMs));
    ack.user = user;
    return ack;
}

} // namespace zel::history
