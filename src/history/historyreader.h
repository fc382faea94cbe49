#pragma once

#include "alarms/alarmstate.h"
#include "alarms/eventrecord.h"
#include "historyfields.h"

#include <QList>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <optional>

namespace zel::history {

enum class Step { Second, Minute, Hour };

// One part of a trend: the lowest and highest value of a field in the part,
// and its last value (for minutes and hours, the last period's mean).
struct TrendBucket {
    qint64 start = 0; // seconds since the epoch
    qint64 min = 0;
    qint64 max = 0;
    qint64 last = 0;
    bool operator==(const TrendBucket&) const = default;
};

// An alarm from raised to cleared; no end while it is still raised.
struct AlarmSpan {
    qint64 raisedId = 0;
    QString event;
    QDateTime start;
    std::optional<QDateTime> end;
    QString value;    // the raised row's value
    QString severity; // the worst it reached
};

// Read-only queries on the history database for the command line and the
// windows; safe while the monitor writes (WAL readers never block it). The
// forEach calls read in pages, each its own short read transaction, so a
// caller that stalls (output to a pipe nobody reads) keeps no snapshot open
// and the monitor's write-ahead log can still start over. Times
// of samples in seconds, of events in milliseconds since the epoch; ranges
// include their start and exclude their end. A query gives nothing on a
// read error, with the reason in lastError().
class HistoryReader {
public:
    explicit HistoryReader(QString path);
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    // False with a reason when the file is missing or no history database.
    bool open();
    QString lastError() const { return m_error; }

    bool forEachSecond(qint64 fromS, qint64 toS, const std::function<void(const SecondSample&)>& f);
    // The seconds with t, onAir and the values alone: no device, lock, link
    // or ranges, and about twice as fast.
    bool forEachSecondValues(qint64 fromS, qint64 toS,
                             const std::function<void(const SecondSample&)>& f);
    bool forEachRollup(Step step, qint64 fromS, qint64 toS,
                       const std::function<void(const Rollup&)>& f);

    // The range cut into `buckets` equal parts; parts without data are left
    // out. The table follows the width of a part (seconds under a minute,
    // minutes under an hour, else hours), falling back to a coarser one where
    // the finer one has been thinned out.
    std::optional<QList<TrendBucket>> trend(Field field, qint64 fromS, qint64 toS, int buckets);

    std::optional<QList<EventRecord>> events(qint64 fromMs, qint64 toMs);
    // Every row of one event (as "shelve"), oldest first.
    std::optional<QList<EventRecord>> eventsNamed(const QString& event);
    std::optional<int> unacknowledgedCount();
    // Alarms raised now or waiting for an acknowledgement, from all time,
    // oldest first; every other raised row is back to normal. A raised row
    // is cleared by the next cleared row of its kind: after a restart the
    // monitor resumes a raised alarm without a new row.
    std::optional<QList<AlarmStatus>> activeAlarms();
    std::optional<QList<AlarmSpan>> alarmSpans(qint64 fromMs, qint64 toMs);

private:
    std::optional<QList<TrendBucket>> trendFromSeconds(Field field, qint64 fromS, qint64 toS,
                                                       qint64 width);
    std::optional<QList<TrendBucket>> trendFromRollups(Step step, Field field, qint64 fromS,
                                                       qint64 toS, qint64 width);
    std::optional<QList<EventRecord>> eventQuery(const QString& where, const QVariantList& binds);
    // sql: rows whose start t lies in [?, ?), ordered by t. keep() takes a
    // row and gives its t; deliver() hands a page on once it is read.
    bool readPages(const QString& sql, qint64 fromS, qint64 toS,
                   const std::function<qint64(const QSqlQuery&)>& keep,
                   const std::function<void()>& deliver);
    bool secondPages(const QString& columns, SecondSample (*fromRow)(const QSqlQuery&),
                     qint64 fromS, qint64 toS, const std::function<void(const SecondSample&)>& f);
    bool failed(const QSqlQuery& q);

    static constexpr int PageRows = 1000;

    QString m_path;
    QString m_connection;
    QString m_error;
    int m_version = 0;
};

} // namespace zel::history
