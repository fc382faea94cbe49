#include "stationservices.h"

#include "alarms/alarmsettings.h"
#include "alarms/currentuser.h"
#include "alarms/limitsettings.h"
#include "alarms/setvalues.h"
#include "history/historyreader.h"
#include "history/historysettings.h"

namespace zel {

StationServices::StationServices(MonitorCore& core, QObject* parent, DeliveryTiming alertTiming)
    : QObject(parent), m_core(core), m_user(currentUserName()),
      m_historyPath(core.files().historyDatabasePath()),
      m_alarmSettings(readAlarmSettings(core.settings())),
      m_alarms(core.clock(), m_alarmSettings.qualifySeconds * 1000,
               m_alarmSettings.clearSeconds * 1000),
      m_readback(core.clock(), m_alarmSettings.readbackSeconds * 1000),
      m_eventLog(core.clock(), m_user), m_clockSteps(core.clock()),
      m_shelf(core.clock(), m_alarmSettings.maxShelveHours, m_user)
{
    const LimitSettings limits = readLimitSettings(core.settings(), m_alarmSettings);
    m_alarmSettings.problems << limits.problems;
    m_alarms.setLimits(limits);
    m_alarms.setForwardTarget(savedForwardTarget(core.settings()));

    history::HistoryWriter::Options options;
    options.path = m_historyPath;
    options.retention = history::readRetentionPolicy(core.settings());
    m_history = std::make_unique<history::HistoryService>(options, core.clock());

    connect(&core, &MonitorCore::statusUpdated, &m_alarms, &AlarmMonitor::statusUpdated);
    connect(&core, &MonitorCore::statusUpdated, &m_readback, &ReadbackWatch::statusUpdated);
    connect(&core, &MonitorCore::statusUpdated, m_history.get(), &history::HistoryService::record);
    connect(&core, &MonitorCore::linkLost, &m_alarms, &AlarmMonitor::linkLost);
    connect(&core, &MonitorCore::linkRestored, &m_alarms, &AlarmMonitor::linkRestored);
    connect(&core, &MonitorCore::serialPortFailed, &m_alarms, &AlarmMonitor::portFailed);
    connect(&core, &MonitorCore::serialPortRestored, &m_alarms, &AlarmMonitor::portWorking);
    connect(&core, &MonitorCore::setCommandEnded, this, &StationServices::onSetCommand);

    history::HistoryService* store = m_history.get();
    connect(&m_shelf, &Shelf::eventOccurred, store, &history::HistoryService::recordEvent);
    connect(&m_readback, &ReadbackWatch::eventOccurred, store,
            &history::HistoryService::recordEvent);
    connect(&m_eventLog, &EventLog::eventOccurred, store, &history::HistoryService::recordEvent);
    connect(&core, &MonitorCore::statusUpdated, &m_clockSteps, &ClockStepWatch::statusUpdated);
    connect(&m_clockSteps, &ClockStepWatch::eventOccurred, store,
            &history::HistoryService::recordEvent);
    connect(&m_clockSteps, &ClockStepWatch::operatorNotice, this, &StationServices::operatorNotice);
    connect(&m_readback, &ReadbackWatch::operatorNotice, this, &StationServices::operatorNotice);
    connect(&m_readback, &ReadbackWatch::operatorInformation, this,
            &StationServices::operatorInformation);
    connect(m_history.get(), &history::HistoryService::problem, this,
            &StationServices::operatorNotice);
    connect(m_history.get(), &history::HistoryService::recovered, this,
            &StationServices::operatorNotice);
    connect(m_history.get(), &history::HistoryService::eventsStored, this,
            &StationServices::eventsStored);
    wireAlerts(alertTiming);
}

void StationServices::wireAlerts(const DeliveryTiming& timing)
{
    m_alerts =
        std::make_unique<AlertService>(m_core.settings(), m_historyPath, m_core.clock(), timing);
    AlertComposer& composer = m_alerts->composer();
    connect(&m_core, &MonitorCore::statusUpdated, &composer, &AlertComposer::statusUpdated);
    // Every alarm row is logged, marked while its kind is shelved; the
    // composer asks the shelf before it sends.
    composer.setShelf(&m_shelf);
    connect(&m_alarms, &AlarmMonitor::eventOccurred, this, [this](const EventRecord& e) {
        const EventRecord row = m_shelf.marked(e);
        m_history->recordEvent(row);
        m_alerts->composer().eventOccurred(row);
    });
    connect(m_alerts.get(), &AlertService::shelfRowsFound, &m_shelf, &Shelf::rowsFound);
    // The role is read with the station's name, at start (after the alarms
    // taken over from the log) and after each reload.
    connect(m_alerts.get(), &AlertService::stationIdentified, &m_alarms,
            [this](const StationIdentity& identity) { m_alarms.setRole(identity.role); });
    connect(&m_readback, &ReadbackWatch::eventOccurred, &composer, &AlertComposer::eventOccurred);
    connect(&m_alarms, &AlarmMonitor::activeAlarmsChanged, &composer,
            [this] { m_alerts->composer().activeAlarmsChanged(m_alarms.activeAlarms()); });
    connect(m_alerts.get(), &AlertService::eventOccurred, m_history.get(),
            &history::HistoryService::recordEvent);
    connect(m_alerts.get(), &AlertService::operatorNotice, this, &StationServices::operatorNotice);
    // At once for what this monitor wrote; the outbox's poll finds what the
    // command line wrote.
    connect(m_history.get(), &history::HistoryService::eventsStored, m_alerts.get(),
            [this] { m_alerts->checkAcknowledged(); });
}

void StationServices::feed(MetricsService& metrics)
{
    connect(m_alerts.get(), &AlertService::stationIdentified, &metrics,
            &MetricsService::setStation);
    connect(m_alerts.get(), &AlertService::acknowledgedChanged, &metrics,
            &MetricsService::setAcknowledged);
    connect(&m_shelf, &Shelf::changed, &metrics,
            [this, &metrics] { metrics.setShelved(m_shelf.shelves()); });
    connect(m_alerts.get(), &AlertService::deliveryCounted, &metrics,
            [&metrics](const QString& channel, quint64 sent, quint64 failed, int waiting) {
                metrics.setAlertDelivery({channel, sent, failed, waiting});
            });
}

StationServices::~StationServices()
{
    stop();
}

void StationServices::start()
{
    for (const QString& problem : m_alarmSettings.problems)
        Q_EMIT operatorNotice(QStringLiteral("Settings: %1").arg(problem));

    // An alarm still raised in the log when the monitor stopped goes on: it
    // clears when its condition is found absent, not with a new raise.
    history::HistoryReader reader(m_historyPath);
    if (reader.open()) {
        const qint64 nowMs = m_core.clock().now().toMSecsSinceEpoch();
        if (const auto spans = reader.alarmSpans(0, nowMs + 1)) {
            for (const history::AlarmSpan& span : *spans) {
                if (!span.end)
                    m_alarms.resume({span.event, span.start.toUTC(), span.value, span.severity});
            }
        }
        // Before the first reading: the outbox's poll would find them a
        // moment after an alarm might have qualified.
        if (const auto shelves = reader.eventsNamed(shelving::Event))
            m_shelf.rowsFound(*shelves);
    }
    m_eventLog.monitorStarted();
    m_alerts->start();
}

void StationServices::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_eventLog.monitorStopped();
    m_alerts->stop();
    m_history->flush();
}

void StationServices::reloadLimits()
{
    const AlarmSettings alarms = readAlarmSettings(m_core.settings());
    const LimitSettings limits = readLimitSettings(m_core.settings(), alarms);
    m_alarms.setLimits(limits);
    for (const QString& problem : limits.problems)
        Q_EMIT operatorNotice(QStringLiteral("Settings: %1").arg(problem));
}

void StationServices::onSetCommand(const SetCommandReport& report)
{
    const auto values = SetValues::fromCommand(report.command);
    if (!values)
        return;
    const SetOrigin& o = report.origin;
    m_eventLog.setCommand(
        *values,
        o.remote()
            ? QStringLiteral("%1, asked from the web panel at %2").arg(report.link, o.address)
            : report.link,
        report.sent, report.told, o.user);
    // The SET panel saved its target whether or not the transmitter took it.
    m_alarms.setForwardTarget(savedForwardTarget(m_core.settings()));
    if (report.sent)
        m_readback.watch(*values);
}

} // namespace zel
