#include "metricsservice.h"

#include "metricssettings.h"
#include "shell/version.h"
#include "telemetry/telemetryvalues.h"

namespace zel {

MetricsService::MetricsService(MonitorCore& core, const AlarmMonitor& alarms, QObject* parent)
    : QObject(parent), m_core(core), m_alarms(alarms)
{
    connect(&core, &MonitorCore::statusUpdated, this, &MetricsService::countUpdate);
    // A watchdog clear changes the record without a status update.
    connect(&core, &MonitorCore::recordChanged, this, &MetricsService::publish);
    connect(&core, &MonitorCore::powerStateChanged, this, [this](bool on) {
        m_powerLamp = on;
        publish();
    });
    connect(&core, &MonitorCore::linkLost, this, &MetricsService::publish);
    connect(&alarms, &AlarmMonitor::activeAlarmsChanged, this, &MetricsService::publish);
}

MetricsService::~MetricsService()
{
    stop();
}

void MetricsService::start()
{
    const ListenAddress listen = readListenAddress(m_core.settings());
    if (!listen.problem.isEmpty()) {
        Q_EMIT operatorNotice(QStringLiteral("Settings: %1").arg(listen.problem));
        return;
    }
    if (!listen.enabled())
        return;
    m_on = true;
    publish();
    if (const QString why = m_endpoint.start(listen.host, listen.port); !why.isEmpty()) {
        Q_EMIT operatorNotice(
            QStringLiteral("Metrics: cannot listen on %1 (%2); the metrics endpoint is off")
                .arg(listen.text(), why));
        m_on = false;
        return;
    }
    m_host = listen.host;
    qInfo("Metrics on %s/metrics", qUtf8Printable(url()));
}

void MetricsService::stop()
{
    m_on = false;
    m_endpoint.stop();
    m_host.clear();
}

QString MetricsService::url() const
{
    if (m_endpoint.port() == 0)
        return QString();
    const QString host = m_host.contains(u':') ? u'[' + m_host + u']' : m_host;
    return QStringLiteral("http://%1:%2").arg(host).arg(m_endpoint.port());
}

void MetricsService::countUpdate(const StatusUpdate& update)
{
    m_lastUpdate = update.time;
    m_link = update.link;
    if (!isPlaceholder(update.record.DeviceId))
        m_deviceId = update.record.DeviceId;
    ++(update.link == LinkKind::Serial ? m_serialUpdates : m_gatewayUpdates);
    publish();
}

void MetricsService::publish()
{
    if (!m_on)
        return;
    auto s = std::make_shared<MetricsSnapshot>();
    s->version =
        QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
    s->deviceId = m_deviceId;
    s->record = m_core.status();
    s->powerOn = m_powerLamp;
    s->linkUp = m_core.linkUp();
    s->link = m_link;
    s->lastUpdate = m_lastUpdate;
    s->framesDecoded = m_core.frameReceiver().framesDecoded();
    s->blocksDropped = m_core.frameReceiver().blocksDropped();
    s->serialUpdates = m_serialUpdates;
    s->gatewayUpdates = m_gatewayUpdates;
    s->alarms = m_alarms.activeAlarms();
    m_endpoint.publish(std::move(s));
}

} // namespace zel
