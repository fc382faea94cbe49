#include "historyschema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <atomic>

namespace zel::history {
namespace {

// Version 1. Times are whole seconds since the epoch (UTC), events in
// milliseconds. Measured values are whole numbers in the unit of the panel's
// last decimal: frequency in 0.01 MHz, forward, reflected, temperature,
// pa_voltage and pa_current in tenths; *_lo and *_hi are how far that
// second's minimum lay below and its maximum above the value. The views give
// the same rows in the panel's units.
const QStringList& version1()
{
    static const QStringList statements{
        QStringLiteral("CREATE TABLE seconds ("
                       "t INTEGER PRIMARY KEY, device INTEGER, frequency INTEGER,"
                       " on_air INTEGER NOT NULL, locked INTEGER NOT NULL,"
                       " forward INTEGER, forward_lo INTEGER, forward_hi INTEGER,"
                       " reflected INTEGER, reflected_lo INTEGER, reflected_hi INTEGER,"
                       " temperature INTEGER, temperature_lo INTEGER, temperature_hi INTEGER,"
                       " pa_voltage INTEGER, pa_current INTEGER, modulation INTEGER,"
                       " audio_left INTEGER, audio_right INTEGER,"
                       " link INTEGER NOT NULL)"), // 0 serial, 1 gateway
        // Keyed by minutes and hours since the epoch (a byte less per row
        // than seconds); stats: see rollupcodec.h.
        QStringLiteral("CREATE TABLE minutes (minute INTEGER PRIMARY KEY, stats BLOB NOT NULL)"),
        QStringLiteral("CREATE TABLE hours (hour INTEGER PRIMARY KEY, stats BLOB NOT NULL)"),
        QStringLiteral("CREATE TABLE events ("
                       "id INTEGER PRIMARY KEY AUTOINCREMENT, t INTEGER NOT NULL,"
                       " event TEXT NOT NULL, state TEXT NOT NULL,"
                       " value TEXT NOT NULL DEFAULT '', detail TEXT NOT NULL DEFAULT '',"
                       " user TEXT NOT NULL DEFAULT '',"
                       " ack_of INTEGER REFERENCES events(id))"),
        QStringLiteral("CREATE INDEX events_by_time ON events(t)"),
        QStringLiteral("CREATE INDEX events_by_ack ON events(ack_of) WHERE ack_of IS NOT NULL"),
        QStringLiteral(
            "CREATE VIEW seconds_readable AS SELECT"
            " strftime('%Y-%m-%dT%H:%M:%SZ', t, 'unixepoch') AS time, device,"
            " frequency / 100.0 AS frequency_mhz, on_air, locked,"
            " forward / 10.0 AS forward_w, (forward - forward_lo) / 10.0 AS forward_min_w,"
            " (forward + forward_hi) / 10.0 AS forward_max_w,"
            " reflected / 10.0 AS reflected_w,"
            " (reflected - reflected_lo) / 10.0 AS reflected_min_w,"
            " (reflected + reflected_hi) / 10.0 AS reflected_max_w,"
            " temperature / 10.0 AS temperature_c,"
            " (temperature - temperature_lo) / 10.0 AS temperature_min_c,"
            " (temperature + temperature_hi) / 10.0 AS temperature_max_c,"
            " pa_voltage / 10.0 AS pa_voltage_v, pa_current / 10.0 AS pa_current_a,"
            " modulation, audio_left, audio_right,"
            " CASE link WHEN 1 THEN 'gateway' ELSE 'serial' END AS link FROM seconds"),
        QStringLiteral("CREATE VIEW events_readable AS SELECT id,"
                       " strftime('%Y-%m-%dT%H:%M:%fZ', t / 1000.0, 'unixepoch') AS time,"
                       " event, state, value, detail, user, ack_of FROM events"),
    };
    return statements;
}

// Version 2: the alerts waiting to be delivered, one row per alert and
// channel ("mail", "webhook"), deleted once delivered or given up. created in
// ms since the epoch; document is the alert's JSON, from which every channel
// renders its message.
const QStringList& version2()
{
    static const QStringList statements{
        QStringLiteral("CREATE TABLE outbox ("
                       "id TEXT NOT NULL, channel TEXT NOT NULL, created INTEGER NOT NULL,"
                       " attempts INTEGER NOT NULL DEFAULT 0, document TEXT NOT NULL,"
                       " last_error TEXT NOT NULL DEFAULT '', PRIMARY KEY (id, channel))"),
    };
    return statements;
}

// Version 3: each alarm row's severity, "warning" or "critical" (empty for
// other rows). The designed alarms were all critical.
const QStringList& version3()
{
    static const QStringList statements{
        QStringLiteral("ALTER TABLE events ADD COLUMN severity TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("UPDATE events SET severity = 'critical' WHERE state IN ('raised', "
                       "'cleared') AND event IN ('off_air', 'unlocked', 'over_temperature',"
                       " 'high_reflect', 'link_lost', 'port_failed')"),
        QStringLiteral("DROP VIEW IF EXISTS events_readable"),
        QStringLiteral("CREATE VIEW events_readable AS SELECT id,"
                       " strftime('%Y-%m-%dT%H:%M:%fZ', t / 1000.0, 'unixepoch') AS time,"
                       " event, state, value, detail, user, ack_of, severity FROM events"),
    };
    return statements;
}

// Steps from version N-1 to N, index N-1.
const QList<const QStringList*>& steps()
{
    static const QList<const QStringList*> all{&version1(), &version2(), &version3()};
    return all;
}

bool run(QSqlDatabase& db, const QString& sql, QSqlError* error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    *error = q.lastError();
    return false;
}

} // namespace

bool setUpWriteAheadLog(QSqlDatabase& db, QSqlError* error)
{
    // NORMAL syncs at checkpoints only; a killed process still loses nothing
    // that was committed. 256 pages of 4 KiB make the megabyte.
    for (const char* pragma :
         {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA wal_autocheckpoint=256",
          "PRAGMA journal_size_limit=1048576"}) {
        if (!run(db, QString::fromLatin1(pragma), error))
            return false;
    }
    return true;
}

QString uniqueConnectionName(const QString& user)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("zel-%1-%2").arg(user).arg(++counter);
}

bool migrate(QSqlDatabase& db, QSqlError* error, QString* reason)
{
    static_assert(SchemaVersion == 3, "add the new step to steps()");
    auto fail = [&](const QString& why) {
        *reason = why;
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    };
    if (!run(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return fail(QStringLiteral("cannot start the schema check"));
    if (!run(db,
             QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"),
             error))
        return fail(QStringLiteral("cannot create the schema_version table"));
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version"))) {
        *error = q.lastError();
        return fail(QStringLiteral("cannot read the schema version"));
    }
    const int current = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    if (current > SchemaVersion) {
        *error = QSqlError();
        return fail(QStringLiteral("the database was made by a newer version (schema %1, this "
                                   "build knows %2)")
                        .arg(current)
                        .arg(SchemaVersion));
    }
    for (int v = current + 1; v <= SchemaVersion; ++v) {
        for (const QString& sql : *steps()[v - 1]) {
            if (!run(db, sql, error))
                return fail(QStringLiteral("cannot migrate to schema %1").arg(v));
        }
        if (!run(db, QStringLiteral("INSERT INTO schema_version VALUES (%1)").arg(v), error))
            return fail(QStringLiteral("cannot record schema %1").arg(v));
    }
    if (!run(db, QStringLiteral("COMMIT"), error))
        return fail(QStringLiteral("cannot commit the schema"));
    return true;
}

} // namespace zel::history
