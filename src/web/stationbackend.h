#pragma once

#include "alarms/eventlog.h"
#include "alarms/shelf.h"
#include "core/monitorcore.h"
#include "history/historyservice.h"
#include "pending.h"
#include "webbackend.h"

#include <QMultiMap>
#include <QObject>

#include <chrono>
#include <mutex>

namespace zel {

// The web panel's view of the running monitor. Reads go to the history
// database through a read-only connection of the asking thread's own;
// changes are handed to the monitor's thread (the same history writer,
// shelf and event log the window uses) and the asking thread waits a
// bounded time for the outcome.
class StationBackend final : public QObject, public WebBackend {
    Q_OBJECT
public:
    struct Parts {
        QString historyPath;
        history::HistoryService& history;
        MonitorCore& core;
        Shelf& shelf;
        EventLog& log;
    };
    // patience: for a change to be taken; a set command gets longer, as a
    // gateway's takes a pause, a connect and a send.
    explicit StationBackend(Parts parts, QObject* parent = nullptr,
                            std::chrono::milliseconds patience = std::chrono::seconds(5),
                            std::chrono::milliseconds setPatience = std::chrono::seconds(25));
    ~StationBackend() override;

    // The monitor's thread.
    void setSnapshot(std::shared_ptr<const MetricsSnapshot> snapshot);

    std::shared_ptr<const MetricsSnapshot> snapshot() const override;
    std::optional<QList<AlarmStatus>> activeAlarms(QString& error) const override;
    std::optional<QList<EventRecord>> events(const EventQuery& query,
                                             QString& error) const override;
    TrendData trend(const TrendRequest& request) const override;
    QString acknowledge(qint64 alarmId, const QString& by) override;
    QString shelve(const QStringList& kinds, qint64 durationMs, const QString& reason,
                   const QString& by) override;
    std::optional<SetCommandReport> set(const SetParameterInput& input, const SetOrigin& origin,
                                        QString& refused) override;
    void logAccess(const QString& event, const QString& state, const QString& account,
                   const QString& detail) override;

    // Rows an events query reads at most, so one page cannot take the
    // process's memory.
    static constexpr int MaxEventRows = 50000;

private:
    using Waiter = Pending<QString>;
    void answerAcknowledgement(qint64 alarmId, const QString& reason);

    Parts m_parts;
    const std::chrono::milliseconds m_patience;
    const std::chrono::milliseconds m_setPatience;
    mutable std::mutex m_mutex;
    std::shared_ptr<const MetricsSnapshot> m_snapshot;
    QMultiMap<qint64, std::shared_ptr<Waiter>> m_acks;
};

} // namespace zel
