#pragma once

#include "metricssnapshot.h"

#include <QString>

#include <memory>
#include <mutex>
#include <thread>

namespace zel {

class ListeningServer;

// The HTTP side of the metrics: /metrics and /status.json from the latest
// snapshot, on threads of its own. The core's thread only publishes; a
// scrape never waits for it, and nothing here can reach the transmitter.
class MetricsEndpoint {
public:
    // Limits that keep a slow or hostile client from starving the others.
    struct Limits {
        int workers = 4;
        // From accepting a connection, or the end of the last answer on it,
        // to the first byte of a request.
        int idleSeconds = 2;
        // Between the bytes of a request, and for sending the answer.
        int readSeconds = 2;
        int writeSeconds = 2;
        // Requests on one connection before it is closed.
        int requestsPerConnection = 100;
    };

    MetricsEndpoint();
    explicit MetricsEndpoint(Limits limits);
    ~MetricsEndpoint();
    MetricsEndpoint(const MetricsEndpoint&) = delete;
    MetricsEndpoint& operator=(const MetricsEndpoint&) = delete;

    // Binds host:port (port 0: any free one) and serves until stop(). Returns
    // an operator's sentence saying why not, or an empty string.
    QString start(const QString& host, int port);
    void stop();
    // The port bound, 0 when not listening.
    int port() const { return m_port; }

    // Any thread; the snapshot is never changed after.
    void publish(std::shared_ptr<const MetricsSnapshot> snapshot);
    std::shared_ptr<const MetricsSnapshot> snapshot() const;

private:
    void route();

    Limits m_limits;
    std::unique_ptr<ListeningServer> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::shared_ptr<const MetricsSnapshot> m_snapshot;
};

} // namespace zel
