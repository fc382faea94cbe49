#pragma once

#include "alarms/eventrecord.h"
#include "historyfields.h"
#include "historysettings.h"

#include <QFileDevice>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <memory>
#include <optional>

namespace zel::history {

// What went wrong with the database, by what the operator can do about it.
enum class StoreFailure { None, Busy, Full, Unwritable, Corrupt, Other };

struct StoreError {
    StoreFailure kind = StoreFailure::None;
    QString message;
    explicit operator bool() const { return kind != StoreFailure::None; }
};

// The history database, written by one owner: the connection, the prepared
// statements, the roll-ups and retention. Everything one call writes goes in
// one transaction. Lives on the thread that calls it (Qt SQL connections are
// per thread).
class HistoryStore {
public:
    explicit HistoryStore(QString path, int busyTimeoutMs = 2000);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const QString& path() const { return m_path; }
    bool isOpen() const { return m_open; }

    // Creates the folder and the file when missing, switches to WAL and
    // brings the schema up to date. The file and its -wal and -shm get the
    // record's mode (recordFileMode()) when created; an existing file loses
    // what others may do.
    StoreError open();
    // For the tests: the mode a new file gets.
    void setFileMode(QFileDevice::Permissions mode) { m_fileMode = mode; }
    void close();

    // The seconds (a second already stored is kept, the new sample for it
    // ignored and counted in *ignored) and the events (ids filled in), then
    // the roll-ups of every minute and hour that ended at least two seconds
    // before nowS.
    StoreError write(const QList<SecondSample>& seconds, QList<EventRecord>& events, qint64 nowS,
                     qsizetype* ignored = nullptr);
    // The newest second stored, if any.
    std::optional<qint64> newestSecond();

    // For filling a database in bulk: commits no longer wait for the disk. A
    // crash can then damage the file, so never while recording.
    StoreError setBulkLoading();

    // Minute rows written directly, for filling a database with old data;
    // the hours they complete are rolled up too.
    StoreError writeMinutes(const QList<Rollup>& minutes);

    // Deletes what the policy no longer keeps, as of nowS, except alarms not
    // yet acknowledged.
    StoreError applyRetention(const RetentionPolicy& policy, qint64 nowS);

    // Appends an acknowledgement of raised alarm alarmId. Refused (Other, with
    // the reason) when that id is no raised alarm or is acknowledged already.
    StoreError acknowledge(qint64 alarmId, const QString& user, const QDateTime& time,
                           EventRecord* stored);

    // Appends one row written by hand (the command line's shelving); its id
    // filled in.
    StoreError append(EventRecord& event);

    // Closes the store and renames the file (and its WAL) to
    // "<path>.corrupt-<UTC time>". The new name, or empty when it cannot move.
    QString moveAside(const QDateTime& nowUtc);

private:
    StoreError connect();
    StoreError fail(const QSqlError& error, const QString& what);
    StoreError failed(const QSqlQuery& q, const QString& what);
    bool prepareStatements(QSqlError* error);
    StoreError insertSecond(const SecondSample& s, bool* inserted);
    StoreError insertEvent(EventRecord& e);
    StoreError rollUp(qint64 nowS, const QList<SecondSample>& late);
    // Roll-ups of the minutes (hours) that start in [from, to) and have data.
    StoreError rollMinutes(qint64 from, qint64 to);
    StoreError rollHours(qint64 from, qint64 to);
    StoreError loadRollupMarks();
    StoreError begin();
    StoreError commit();
    void rollback();

    QString m_path;
    QString m_connection;
    int m_busyTimeoutMs;
    QFileDevice::Permissions m_fileMode;
    bool m_open = false;
    // Minutes before m_minutesDone and hours before m_hoursDone are rolled up.
    qint64 m_minutesDone = 0;
    qint64 m_hoursDone = 0;
    struct Statements;
    std::unique_ptr<Statements> m_q;
};

// The operator's words for an acknowledgement row: the value names the alarm
// id, which is how the store links the two.
EventRecord acknowledgementOf(const EventRecord& alarm, const QString& user, const QDateTime& time);

} // namespace zel::history
