#pragma once

#include "alarms/alarmmonitor.h"
#include "alarms/alarmsettings.h"
#include "alarms/clockstepwatch.h"
#include "alarms/eventlog.h"
#include "alarms/readbackwatch.h"
#include "alarms/shelf.h"
#include "alerts/alertservice.h"
#include "core/monitorcore.h"
#include "history/historyservice.h"
#include "metrics/metricsservice.h"

#include <QObject>

#include <memory>

namespace zel {

// The station record beside the monitor's core, the same with and without a
// window: the alarm rules, the readback of set commands, the event log and the
// telemetry history. It observes the core; the core knows nothing of it.
class StationServices : public QObject {
    Q_OBJECT
public:
    explicit StationServices(MonitorCore& core, QObject* parent = nullptr,
                             DeliveryTiming alertTiming = {});
    ~StationServices() override;

    // Takes over the alarms the log still holds raised, and logs the start.
    void start();
    // Logs the stop and writes everything recorded to the database.
    void stop();

    QString historyPath() const { return m_historyPath; }
    AlarmMonitor& alarms() { return m_alarms; }
    EventLog& eventLog() { return m_eventLog; }
    history::HistoryService& history() { return *m_history; }
    AlertService& alerts() { return *m_alerts; }
    Shelf& shelf() { return m_shelf; }
    const QString& userName() const { return m_user; }
    // Tells the metrics what only the services know: the station's name,
    // the alerts' delivery, which alarms are acknowledged and which shelved.
    // Before start().
    void feed(MetricsService& metrics);

public Q_SLOTS:
    // Reads [Limits] again after the settings dialog saved them; what cannot
    // be used is told as at start.
    void reloadLimits();

Q_SIGNALS:
    // For the operator, one line each: readback outcomes, trouble with the
    // database or the settings.
    void operatorNotice(const QString& text);
    // News that is no trouble: a set command confirmed.
    void operatorInformation(const QString& text);
    // Events reached the database (the events window and its count follow).
    void eventsStored();

private:
    void onSetCommand(const SetCommandReport& report);
    void wireAlerts(const DeliveryTiming& timing);

    MonitorCore& m_core;
    QString m_user;
    QString m_historyPath;
    AlarmSettings m_alarmSettings;
    AlarmMonitor m_alarms;
    ReadbackWatch m_readback;
    EventLog m_eventLog;
    ClockStepWatch m_clockSteps;
    Shelf m_shelf;
    std::unique_ptr<history::HistoryService> m_history;
    std::unique_ptr<AlertService> m_alerts;
    bool m_stopped = false;
};

} // namespace zel
