#pragma once

#include "alarms/alarmmonitor.h"
#include "config/stationidentity.h"
#include "core/monitorcore.h"
#include "metricsendpoint.h"

#include "metricssettings.h"

#include <QObject>
#include <QTimer>

#include <chrono>

namespace zel {

// The metrics endpoint beside the monitor's core, with and without a window:
// reads [Metrics] Listen, and hands the endpoint a fresh snapshot whenever
// the record, the link or the alarms change. It observes; nothing it serves
// reaches back into the core.
class MetricsService : public QObject {
    Q_OBJECT
public:
    // A port that cannot be bound (another program holds it, the address is
    // not up yet) is tried again every retryEvery.
    MetricsService(MonitorCore& core, const AlarmMonitor& alarms, QObject* parent = nullptr,
                   std::chrono::milliseconds retryEvery = std::chrono::seconds(30));
    ~MetricsService() override;

    // Starts listening when the settings ask for it. A bad setting is told
    // through operatorNotice and leaves the endpoint off; a busy port is told
    // once, retried, and told again once it binds.
    void start();
    void stop();

    // "http://127.0.0.1:9101" while listening, else empty.
    QString url() const;
    MetricsEndpoint& endpoint() { return m_endpoint; }
    // Builds snapshots (and emits published) even while the endpoint is
    // off, for another service that shows them.
    void keepSnapshots();

    // What the services above tell: the station's name, site and role, the
    // alerts' delivery and which alarms are acknowledged. Each publishes a
    // fresh snapshot.
    void setStation(const zel::StationIdentity& identity);
    // Replaces the figures of that channel.
    void setAlertDelivery(const zel::ChannelDelivery& channel);
    void setAcknowledged(const QStringList& alarms);
    void setShelved(const zel::Shelves& shelved);

Q_SIGNALS:
    void operatorNotice(const QString& text);
    void published(std::shared_ptr<const zel::MetricsSnapshot> snapshot);

private:
    void listen();
    void publish();
    void countUpdate(const StatusUpdate& update);

    MonitorCore& m_core;
    const AlarmMonitor& m_alarms;
    MetricsEndpoint m_endpoint;
    ListenAddress m_listen;
    QTimer m_retry;
    bool m_on = false;
    bool m_kept = false;
    bool m_failing = false;
    StationIdentity m_station;
    QList<ChannelDelivery> m_delivery;
    QStringList m_acknowledged;
    Shelves m_shelved;
    SetPoints m_setPoints;
    QList<std::pair<QString, QStringList>> m_alarmKinds;
    QDateTime m_lastUpdate;
    QString m_deviceId;
    LinkKind m_link = LinkKind::Serial;
    quint64 m_serialUpdates = 0;
    quint64 m_gatewayUpdates = 0;
};

} // namespace zel
