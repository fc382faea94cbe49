#include "metricsservice.h"

#include "metricssettings.h"
#include "setpoints.h"
#include "shell/version.h"
#include "telemetry/telemetryvalues.h"

#include <algorithm>

namespace zel {
namespace {

// The limits in force in their readings' units: a forward limit in per cent
// of the saved target, a reflected one of the forward power now.
QList<LimitGauge> limitGauges(const LimitSettings& limits, std::optional<double> target,
                              const TransmitterStatus& record)
{
    const TelemetryValues values = telemetryValues(record);
    QList<LimitGauge> out;
    for (int i = 0; i < ReadingCount; ++i) {
        const Reading r = Reading(i);
        // Plain numbers: GCC 12 at -O2 takes an optional reference built by
        // a conditional for uninitialised.
        bool hasReference = false;
        double reference = 0;
        if (r == Reading::ForwardW && target) {
            hasReference = true;
            reference = *target;
        } else if (r == Reading::ReflectedW && values.forwardW) {
            hasReference = true;
            reference = *values.forwardW;
        }
        for (int k = 0; k < 4; ++k) {
            const auto t = limits.of(r).at(LimitKey(k));
            if (!t || (t->relative && !hasReference))
                continue;
            const double v = t->relative ? reference * t->value : t->value;
            out.append({readingName(r), limitKeyName(LimitKey(k)), v});
        }
    }
    return out;
}

} // namespace

MetricsService::MetricsService(MonitorCore& core, const AlarmMonitor& alarms, QObject* parent,
                               std::chrono::milliseconds retryEvery)
    : QObject(parent), m_core(core), m_alarms(alarms), m_setPoints(readSetPoints(core.settings()))
{
    m_retry.setInterval(retryEvery);
    connect(&m_retry, &QTimer::timeout, this, &MetricsService::listen);
    connect(&core, &MonitorCore::statusUpdated, this, &MetricsService::countUpdate);
    // A watchdog clear changes the record without a status update.
    connect(&core, &MonitorCore::recordChanged, this, &MetricsService::publish);
    connect(&core, &MonitorCore::linkLost, this, &MetricsService::publish);
    connect(&alarms, &AlarmMonitor::activeAlarmsChanged, this, &MetricsService::publish);
    m_alarmKinds = alarms.kinds();
    connect(&alarms, &AlarmMonitor::limitsChanged, this, [this] {
        m_alarmKinds = m_alarms.kinds();
        publish();
    });
    // The set points change only when SET saves them, not with each frame.
    connect(&core, &MonitorCore::setCommandFinished, this, [this] {
        m_setPoints = readSetPoints(m_core.settings());
        publish();
    });
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
    m_listen = listen;
    publish();
    this->listen();
}

void MetricsService::listen()
{
    const QString why = m_endpoint.start(m_listen.host, m_listen.port);
    if (why.isEmpty()) {
        m_retry.stop();
        if (m_failing)
            Q_EMIT operatorNotice(QStringLiteral("Metrics: now listening on %1").arg(url()));
        m_failing = false;
        qInfo("Metrics on %s/metrics", qUtf8Printable(url()));
        return;
    }
    if (!m_failing)
        Q_EMIT operatorNotice(
            QStringLiteral("Metrics: cannot listen on %1 (%2); trying again every %3 s")
                .arg(m_listen.text(), why)
                .arg(std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::milliseconds(m_retry.interval()))
                         .count()));
    m_failing = true;
    m_retry.start();
}

void MetricsService::stop()
{
    m_on = false;
    m_failing = false;
    m_retry.stop();
    m_endpoint.stop();
}

QString MetricsService::url() const
{
    if (m_endpoint.port() == 0)
        return QString();
    const QString& h = m_listen.host;
    const QString host = h.contains(u':') ? u'[' + h + u']' : h;
    return QStringLiteral("http://%1:%2").arg(host).arg(m_endpoint.port());
}

void MetricsService::setStation(const StationIdentity& identity)
{
    m_station = identity;
    publish();
}

void MetricsService::setAlertDelivery(const ChannelDelivery& channel)
{
    const auto same = [&channel](const ChannelDelivery& c) { return c.channel == channel.channel; };
    if (const auto it = std::find_if(m_delivery.begin(), m_delivery.end(), same);
        it != m_delivery.end())
        *it = channel;
    else
        m_delivery.append(channel);
    publish();
}

void MetricsService::setAcknowledged(const QStringList& alarms)
{
    m_acknowledged = alarms;
    publish();
}

void MetricsService::setShelved(const Shelves& shelved)
{
    m_shelved = shelved;
    publish();
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

void MetricsService::keepSnapshots()
{
    m_kept = true;
    publish();
}

void MetricsService::publish()
{
    if (!m_on && !m_kept)
        return;
    auto s = std::make_shared<MetricsSnapshot>();
    s->version =
        QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
    s->deviceId = m_deviceId;
    s->record = m_core.status();
    s->station = m_station.name;
    s->site = m_station.site;
    s->role = stationRoleName(m_station.role);
    s->linkUp = m_core.linkUp();
    s->link = m_link;
    s->lastUpdate = m_lastUpdate;
    s->framesDecoded = m_core.frameReceiver().framesDecoded();
    s->blocksDropped = m_core.frameReceiver().blocksDropped();
    s->serialUpdates = m_serialUpdates;
    s->gatewayUpdates = m_gatewayUpdates;
    s->alarms = m_alarms.activeAlarms();
    s->alarmKinds = m_alarmKinds;
    s->limits = limitGauges(m_alarms.limitSettings(), m_alarms.forwardTarget(), s->record);
    s->acknowledged = m_acknowledged;
    s->shelved = m_shelved;
    s->setPoints = m_setPoints;
    s->alertDelivery = m_delivery;
    std::shared_ptr<const MetricsSnapshot> done = std::move(s);
    m_endpoint.publish(done);
    Q_EMIT published(done);
}

} // namespace zel
