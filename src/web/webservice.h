#pragma once

#include "accountbook.h"
#include "eventstream.h"
#include "http/httpserver.h"
#include "loginguard.h"
#include "metrics/metricsservice.h"
#include "sessionstore.h"
#include "stationbackend.h"
#include "webapi.h"
#include "websettings.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace zel {

// The web panel beside the monitor's core, with and without a window: reads
// [Web], brings up HTTPS (or plain HTTP on loopback) on threads of its own,
// and feeds the browsers the snapshots and event rows as they come. Off
// unless [Web] Listen is set.
class WebService : public QObject {
    Q_OBJECT
public:
    struct Parts {
        const SettingsStore& settings;
        MetricsService& metrics;
        StationBackend::Parts station;
        QString accountsPath;
        QString dataFolder; // where a self-signed certificate is kept
    };
    explicit WebService(Parts parts, QObject* parent = nullptr,
                        std::chrono::milliseconds retryEvery = std::chrono::seconds(30));
    ~WebService() override;

    void start();
    void stop();
    // "https://127.0.0.1:8443" while listening, else empty.
    QString url() const;
    QString fingerprint() const { return m_fingerprint; }
    int port() const { return m_server ? m_server->port() : 0; }

Q_SIGNALS:
    void operatorNotice(const QString& text);

private:
    void listen();
    void eventsStored(const QList<zel::EventRecord>& events);

    Parts m_parts;
    WebSettings m_settings;
    StationBackend m_backend;
    EventStream m_stream;
    SessionStore m_sessions;
    LoginGuard m_guard;
    AccountBook m_accounts;
    std::unique_ptr<WebApi> m_api;
    std::unique_ptr<http::HttpServer> m_server;
    QString m_fingerprint;
    QTimer m_retry;
    QTimer m_sweep;
    bool m_failing = false;
    bool m_fed = false;
};

} // namespace zel
