#include "historyreader.h"

#include "historyrows.h"
#include "historyschema.h"
#include "rollupcodec.h"

#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <utility>

namespace zel::history {
namespace {

// Roll-up rows starting in [from, to), their start in seconds.
QString rollupQuery(Step step)
{
    const bool hours = step == Step::Hour;
    return QStringLiteral("SELECT %1 * %3, stats FROM %2 WHERE %1 >= (? + %4) / %3"
                          " AND %1 < (? + %4) / %3 ORDER BY %1")
        .arg(hours ? QStringLiteral("hour") : QStringLiteral("minute"),
             hours ? QStringLiteral("hours") : QStringLiteral("minutes"))
        .arg(hours ? 3600 : 60)
        .arg(hours ? 3599 : 59);
}

} // namespace

HistoryReader::HistoryReader(QString path)
    : m_path(std::move(path)), m_connection(uniqueConnectionName(QStringLiteral("history-reader")))
{
}

HistoryReader::~HistoryReader()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool HistoryReader::failed(const QSqlQuery& q)
{
    m_error = q.lastError().text().trimmed();
    return false;
}

bool HistoryReader::open()
{
    if (!QFileInfo(m_path).isFile()) {
        m_error = QStringLiteral("no history database at %1").arg(m_path);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid()) {
        m_error = QStringLiteral("the Qt SQLite driver is missing (package libqt6sql6-sqlite)");
        return false;
    }
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open()) {
        m_error = QStringLiteral("cannot open %1: %2").arg(m_path, db.lastError().text().trimmed());
        return false;
    }
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !q.next()) {
        m_error = QStringLiteral("%1 is no history database (%2)")
                      .arg(m_path, q.lastError().text().trimmed());
        return false;
    }
    // Read-only, it cannot bring an older record up to date (the monitor
    // does at its next start): what the older one lacks reads as empty.
    m_version = q.value(0).toInt();
    return true;
}

bool HistoryReader::readPages(const QString& sql, qint64 fromS, qint64 toS,
                              const std::function<qint64(const QSqlQuery&)>& keep,
                              const std::function<void()>& deliver)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.prepare(sql + QStringLiteral(" LIMIT ?")))
        return failed(q);
    for (qint64 from = fromS; from < toS;) {
        q.bindValue(0, from);
        q.bindValue(1, toS);
        q.bindValue(2, PageRows);
        if (!q.exec())
            return failed(q);
        int rows = 0;
        qint64 last = from;
        while (q.next()) {
            ++rows;
            last = keep(q);
        }
        // Ends the page's read transaction before the caller sees the rows.
        q.finish();
        deliver();
        if (rows < PageRows)
            break;
        from = last + 1;
    }
    return true;
}

bool HistoryReader::forEachSecond(qint64 fromS, qint64 toS,
                                  const std::function<void(const SecondSample&)>& f)
{
    return secondPages(secondsColumns(), secondFromRow, fromS, toS, f);
}

bool HistoryReader::forEachSecondValues(qint64 fromS, qint64 toS,
                                        const std::function<void(const SecondSample&)>& f)
{
    return secondPages(secondValuesColumns(), secondValuesFromRow, fromS, toS, f);
}

bool HistoryReader::secondPages(const QString& columns, SecondSample (*fromRow)(const QSqlQuery&),
                                qint64 fromS, qint64 toS,
                                const std::function<void(const SecondSample&)>& f)
{
    QList<SecondSample> page;
    return readPages(
        QStringLiteral("SELECT %1 FROM seconds WHERE t >= ? AND t < ? ORDER BY t").arg(columns),
        fromS, toS,
        [&](const QSqlQuery& q) {
            page << fromRow(q);
            return page.last().t;
        },
        [&] {
            for (const SecondSample& s : std::exchange(page, {}))
                f(s);
        });
}

bool HistoryReader::forEachRollup(Step step, qint64 fromS, qint64 toS,
                                  const std::function<void(const Rollup&)>& f)
{
    QList<Rollup> page;
    return readPages(
        rollupQuery(step), fromS, toS,
        [&](const QSqlQuery& q) {
            const qint64 t = q.value(0).toLongLong();
            if (auto r = decodeRollup(q.value(1).toByteArray())) {
                r->t = t;
                page << *r;
            }
            return t;
        },
        [&] {
            for (const Rollup& r : std::exchange(page, {}))
                f(r);
        });
}

std::optional<QList<TrendBucket>> HistoryReader::trend(Field field, qint64 fromS, qint64 toS,
                                                       int buckets)
{
    if (toS <= fromS || buckets < 1)
        return QList<TrendBucket>{};
    const qint64 width = std::max<qint64>(1, (toS - fromS + buckets - 1) / buckets);
    const Step first = width < 60 ? Step::Second : width < 3600 ? Step::Minute : Step::Hour;
    for (Step step : {Step::Second, Step::Minute, Step::Hour}) {
        if (step < first)
            continue;
        auto result = step == Step::Second ? trendFromSeconds(field, fromS, toS, width)
                                           : trendFromRollups(step, field, fromS, toS, width);
        if (!result || !result->isEmpty() || step == Step::Hour)
            return result;
    }
    return QList<TrendBucket>{};
}

std::optional<QList<TrendBucket>> HistoryReader::trendFromSeconds(Field field, qint64 fromS,
                                                                  qint64 toS, qint64 width)
{
    const FieldInfo& info = fieldInfo(field);
    const QString c = QLatin1String(info.column);
    const QString lo = info.keepsRange ? c + QStringLiteral(" - ") + c + QStringLiteral("_lo") : c;
    const QString hi = info.keepsRange ? c + QStringLiteral(" + ") + c + QStringLiteral("_hi") : c;
    // Grouped in SQL; the last value is read back through the primary key.
    // Each placeholder used once: Qt 6.4 refuses a numbered one used twice.
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT g.b, g.lo, g.hi, s.%1 FROM (SELECT (t - ?) / ? AS b,"
                             " MIN(%2) AS lo, MAX(%3) AS hi, MAX(t) AS last FROM seconds"
                             " WHERE t >= ? AND t < ? AND %1 IS NOT NULL GROUP BY b) g"
                             " JOIN seconds s ON s.t = g.last ORDER BY g.b")
                  .arg(c, lo, hi));
    q.bindValue(0, fromS);
    q.bindValue(1, width);
    q.bindValue(2, fromS);
    q.bindValue(3, toS);
    if (!q.exec()) {
        failed(q);
        return std::nullopt;
    }
    QList<TrendBucket> out;
    while (q.next()) {
        out << TrendBucket{fromS + q.value(0).toLongLong() * width, q.value(1).toLongLong(),
                           q.value(2).toLongLong(), q.value(3).toLongLong()};
    }
    return out;
}

std::optional<QList<TrendBucket>>
HistoryReader::trendFromRollups(Step step, Field field, qint64 fromS, qint64 toS, qint64 width)
{
    QList<TrendBucket> out;
    const auto index = std::size_t(field);
    const bool ok = forEachRollup(step, fromS, toS, [&](const Rollup& r) {
        const auto& f = r.field[index];
        if (!f)
            return;
        const qint64 start = fromS + (r.t - fromS) / width * width;
        if (out.isEmpty() || out.last().start != start) {
            out << TrendBucket{start, f->min, f->max, f->mean};
            return;
        }
        TrendBucket& b = out.last();
        b.min = std::min(b.min, f->min);
        b.max = std::max(b.max, f->max);
        b.last = f->mean;
    });
    if (!ok)
        return std::nullopt;
    return out;
}

std::optional<QList<EventRecord>> HistoryReader::eventQuery(const QString& where,
                                                            const QVariantList& binds)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM events e WHERE %2 ORDER BY id")
                  .arg(eventColumns(m_version >= 3), where));
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        failed(q);
        return std::nullopt;
    }
    QList<EventRecord> out;
    while (q.next())
        out << eventFromRow(q);
    return out;
}

std::optional<QList<EventRecord>> HistoryReader::events(qint64 fromMs, qint64 toMs)
{
    return eventQuery(QStringLiteral("t >= ? AND t < ?"), {fromMs, toMs});
}

std::optional<QList<EventRecord>> HistoryReader::eventsNamed(const QString& event)
{
    return eventQuery(QStringLiteral("event = ?"), {event});
}

namespace {
const QString kUnacknowledged = QStringLiteral(
    "e.state = 'raised' AND NOT EXISTS (SELECT 1 FROM events a WHERE a.ack_of = e.id)");
}

std::optional<int> HistoryReader::unacknowledgedCount()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM events e WHERE ") + kUnacknowledged) ||
        !q.next()) {
        failed(q);
        return std::nullopt;
    }
    return q.value(0).toInt();
}

std::optional<QList<AlarmStatus>> HistoryReader::activeAlarms()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    // Cleared: a cleared row of its kind came later, so the kind's last one
    // is past it; read once per kind rather than once per alarm.
    const QString sql = QStringLiteral(
        "WITH last (kind, cleared_id) AS (SELECT event, MAX(id) FROM events"
        " WHERE state = 'cleared' GROUP BY event)"
        " SELECT * FROM (SELECT %1, e.id < IFNULL(l.cleared_id, 0) AS cleared,"
        " (SELECT a.user FROM events a WHERE a.ack_of = e.id LIMIT 1) AS ack_user,"
        " EXISTS (SELECT 1 FROM events a WHERE a.ack_of = e.id) AS acked,"
        // The severity it stands at: its last escalation or easing, if any,
        // before the next raise of its kind.
        " %2 AS now_severity"
        " FROM events e LEFT JOIN last l ON l.kind = e.event WHERE e.state = 'raised')"
        " WHERE NOT (cleared AND acked) ORDER BY id");
    const QString nowSeverity =
        m_version < 3
            ? QStringLiteral("''")
            : QStringLiteral(
                  "(SELECT s.severity FROM events s WHERE s.event = e.event AND s.id > e.id"
                  " AND s.state IN ('escalated', 'eased') AND s.id < IFNULL((SELECT MIN(n.id) FROM"
                  " events n WHERE n.event = e.event AND n.state = 'raised' AND n.id > e.id), 1 << "
                  "62)"
                  " ORDER BY s.id DESC LIMIT 1)");
    if (!q.exec(sql.arg(eventColumns(m_version >= 3), nowSeverity))) {
        failed(q);
        return std::nullopt;
    }
    QList<AlarmStatus> out;
    while (q.next()) {
        const AlarmState state = alarmState(q.value(8).toBool(), q.value(10).toBool());
        EventRecord raised = eventFromRow(q);
        if (const QString now = q.value(11).toString(); !now.isEmpty())
            raised.severity = now;
        out << AlarmStatus{raised, state, q.value(9).toString()};
    }
    return out;
}

std::optional<QList<AlarmSpan>> HistoryReader::alarmSpans(qint64 fromMs, qint64 toMs)
{
    // Where each alarm kind stood when the range begins, then what happened in it.
    const QString states = QStringLiteral("state IN ('raised', 'cleared')");
    auto before = eventQuery(
        QStringLiteral("id IN (SELECT MAX(id) FROM events WHERE t < ? AND %1 GROUP BY event)")
            .arg(states),
        {fromMs});
    auto during = eventQuery(
        QStringLiteral("t >= ? AND t < ? AND state IN ('raised', 'cleared', 'escalated')"),
        {fromMs, toMs});
    if (!before || !during)
        return std::nullopt;
    QList<AlarmSpan> spans;
    QHash<QString, qsizetype> open; // event kind -> its open span
    for (const EventRecord& e : *before + *during) {
        const auto it = open.constFind(e.event);
        if (e.state == eventstate::Raised && it == open.cend()) {
            open.insert(e.event, spans.size());
            spans << AlarmSpan{e.id, e.event, e.time, std::nullopt, e.value, e.severity};
        } else if (e.state == eventstate::Escalated && it != open.cend()) {
            // A span is as severe as the worst it reached.
            spans[*it].severity = e.severity;
        } else if (e.state == eventstate::Cleared && it != open.cend()) {
            spans[*it].end = e.time;
            open.erase(it);
        }
    }
    return spans;
}

} // namespace zel::history
