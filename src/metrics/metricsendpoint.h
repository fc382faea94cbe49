#pragma once

#include "http/httpserver.h"
#include "metricssnapshot.h"

#include <QString>

#include <memory>
#include <mutex>

namespace zel {

// The HTTP side of the metrics: /metrics and /status.json from the latest
// snapshot, on threads of its own. The core's thread only publishes; a
// scrape never waits for it, and nothing here can reach the transmitter.
class MetricsEndpoint {
public:
    using Limits = http::HttpServer::Limits;

    MetricsEndpoint();
    explicit MetricsEndpoint(Limits limits);
    ~MetricsEndpoint();
    MetricsEndpoint(const MetricsEndpoint&) = delete;
    MetricsEndpoint& operator=(const MetricsEndpoint&) = delete;

    // Binds host:port (a numeric address; port 0: any free one) and serves
    // until stop(). Returns an operator's sentence saying why not, or an
    // empty string.
    QString start(const QString& host, int port);
    void stop();
    // The port bound, 0 when not listening.
    int port() const { return m_server.port(); }

    // Any thread; the snapshot is never changed after.
    void publish(std::shared_ptr<const MetricsSnapshot> snapshot);
    std::shared_ptr<const MetricsSnapshot> snapshot() const;

private:
    http::HttpResponse answer(const http::HttpRequest& request) const;

    http::HttpServer m_server;
    mutable std::mutex m_mutex;
    std::shared_ptr<const MetricsSnapshot> m_snapshot;
};

} // namespace zel
