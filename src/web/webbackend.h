#pragma once

#include "alarms/alarmstate.h"
#include "alarms/eventrecord.h"
#include "alarms/shelfrecords.h"
#include "control/setparametersender.h"
#include "history/historytrend.h"
#include "metrics/metricssnapshot.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace zel {

// What a page may ask of an events query: a period, a kind, alarm rows only
// or alarms still waiting for an acknowledgement.
struct EventQuery {
    qint64 fromMs = 0;
    qint64 toMs = 0;
    QString kind;                          // empty: every kind
    QString state = QStringLiteral("all"); // all, alarms, unacknowledged
};

// The station as the web panel sees it. Called on the HTTP server's
// threads: every call is safe from any thread and never waits on the
// network; those that change something wait a bounded time for the
// monitor's thread to take them.
class WebBackend {
public:
    virtual ~WebBackend() = default;

    // The latest state of the monitor; null before the first.
    virtual std::shared_ptr<const MetricsSnapshot> snapshot() const = 0;
    // Alarms raised or waiting for an acknowledgement, oldest first; the
    // reason in error when the record cannot be read.
    virtual std::optional<QList<AlarmStatus>> activeAlarms(QString& error) const = 0;
    // Newest first.
    virtual std::optional<QList<EventRecord>> events(const EventQuery& query,
                                                     QString& error) const = 0;
    virtual TrendData trend(const TrendRequest& request) const = 0;

    // The reason when refused, empty when done.
    virtual QString acknowledge(qint64 alarmId, const QString& by) = 0;
    virtual QString shelve(const QStringList& kinds, qint64 durationMs, const QString& reason,
                           const QString& by) = 0;
    // Sends a checked set command through the window's own path. The
    // outcome as the log records it; nothing when refused, with the reason
    // (a command under way, no answer in time).
    virtual std::optional<SetCommandReport> set(const SetParameterInput& input,
                                                const SetOrigin& origin, QString& refused) = 0;
    // A row for the event log: who signed in, failed, was locked out.
    virtual void logAccess(const QString& event, const QString& state, const QString& account,
                           const QString& detail) = 0;
};

} // namespace zel
