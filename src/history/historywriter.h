#pragma once

#include "historybatch.h"
#include "historysettings.h"
#include "historystore.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

namespace zel::history {

// Writes the recorder's batches on a thread of its own, each in one
// transaction. While the database cannot be written it keeps what came in,
// bounded (by default an hour of seconds; the oldest go first), and writes it
// all at the first chance. Each kind of trouble is told once through
// problem(), and its end through recovered().
//
// Retention runs hourly by the monotonic clock, on the batches' clock
// readings, and waits after the wall clock was set until it has kept with
// the monotonic clock for ClockSettleMs. A second already recorded is never
// replaced: after the clock was set back the samples for recorded seconds are
// dropped and counted until the clock passes them.
class HistoryWriter : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString path;
        RetentionPolicy retention;
        int busyTimeoutMs = 1000;
        int backlogSeconds = 3600;
        int backlogEvents = 10000;
        int maintenanceMs = 60000; // roll-ups while no data comes
    };

    static constexpr qint64 ClockSettleMs = 10 * 60 * 1000;

    explicit HistoryWriter(Options options, QObject* parent = nullptr);
    ~HistoryWriter() override;

    // Seconds and events waiting for the database.
    qsizetype backlog() const { return m_seconds.size() + m_events.size(); }

public Q_SLOTS:
    void write(const zel::history::HistoryBatch& batch);
    // Tries once more to write everything waiting; for a clean exit.
    void flush();
    // Appends the operator's acknowledgement of raised alarm alarmId.
    void acknowledge(qint64 alarmId, const QString& user);

Q_SIGNALS:
    void problem(const QString& message);
    void recovered(const QString& message);
    // The events as stored, with their ids.
    void eventsStored(const QList<zel::EventRecord>& events);
    void acknowledged(qint64 alarmId);
    void acknowledgeRefused(qint64 alarmId, const QString& reason);

private:
    void tryWrite(qint64 nowS);
    bool ensureOpen();
    void retain(const ClockReading& reading);
    void noteIgnored(qsizetype ignored);
    bool replaceDamaged(const StoreError& error);
    void report(const StoreError& error);
    void trimBacklog();
    void maintain();

    Options m_options;
    std::unique_ptr<HistoryStore> m_store;
    QTimer* m_maintenance = nullptr;
    QList<SecondSample> m_seconds;
    QList<EventRecord> m_events;
    StoreFailure m_reported = StoreFailure::None;
    bool m_droppedSaid = false;
    qint64 m_dropped = 0;
    ClockStepDetector m_clockSteps;
    std::optional<qint64> m_nextRetentionMs; // monotonic
    std::optional<qint64> m_ignoredUpTo;     // the newest second when the clock went back
    qint64 m_ignored = 0;
};

} // namespace zel::history
