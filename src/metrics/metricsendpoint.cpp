#include "metricsendpoint.h"

#include "exposition.h"
#include "newestfirstqueue.h"

#include <httplib.h>

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zel {

// The library's stop() does nothing until its accept loop has begun; closing
// the socket ourselves also ends a loop that is only about to begin.
class ListeningServer final : public httplib::Server {
public:
    void close()
    {
        const socket_t sock = svr_sock_.exchange(INVALID_SOCKET);
        if (sock == INVALID_SOCKET)
            return;
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
    }
    // The library listens with a backlog of 5: a crowd of connections would
    // make the kernel drop the handshake of the next client. Listening again
    // only widens the queue.
    void widenBacklog()
    {
        if (const socket_t sock = svr_sock_; sock != INVALID_SOCKET)
            ::listen(sock, SOMAXCONN);
    }
};

namespace {

// The library only says that binding failed; a bind of our own says why.
QString bindFailure(const QString& host, int port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const QByteArray service = QByteArray::number(port);
    if (const int rc = getaddrinfo(host.toUtf8().constData(), service.constData(), &hints, &found))
        return QString::fromLocal8Bit(gai_strerror(rc));
    QString why = QStringLiteral("no address to bind");
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0) {
            why = QString::fromLocal8Bit(std::strerror(errno));
            continue;
        }
        const int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        const bool bound = ::bind(fd, a->ai_addr, a->ai_addrlen) == 0;
        why = bound ? QStringLiteral("the address could not be used")
                    : QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        if (!bound)
            break;
    }
    freeaddrinfo(found);
    return why;
}

} // namespace

MetricsEndpoint::MetricsEndpoint() : MetricsEndpoint(Limits{}) {}

MetricsEndpoint::MetricsEndpoint(Limits limits) : m_limits(limits) {}

MetricsEndpoint::~MetricsEndpoint()
{
    stop();
}

QString MetricsEndpoint::start(const QString& host, int port)
{
    stop();
    m_server = std::make_unique<ListeningServer>();
    httplib::Server& s = *m_server;
    // The library's default also sets SO_REUSEPORT, which would let a second
    // monitor share the port unnoticed.
    s.set_socket_options([](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    const int workers = m_limits.workers;
    s.new_task_queue = [workers] { return new NewestFirstQueue(workers); };
    // Headers and body go out in separate writes; without this the body
    // waits for the client's delayed acknowledgement (40 ms).
    s.set_tcp_nodelay(true);
    s.set_keep_alive_timeout(m_limits.idleSeconds);
    s.set_keep_alive_max_count(size_t(m_limits.requestsPerConnection));
    s.set_read_timeout(m_limits.readSeconds);
    s.set_write_timeout(m_limits.writeSeconds);
    // Nothing here takes a body.
    s.set_payload_max_length(0);
    route();

    const std::string h = host.toStdString();
    const bool bound = port == 0 ? (m_port = s.bind_to_any_port(h)) > 0 : s.bind_to_port(h, port);
    if (!bound) {
        m_server.reset();
        m_port = 0;
        return bindFailure(host, port);
    }
    if (port != 0)
        m_port = port;
    m_server->widenBacklog();
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    return QString();
}

void MetricsEndpoint::stop()
{
    if (!m_server)
        return;
    m_server->close();
    if (m_thread.joinable())
        m_thread.join();
    m_server.reset();
    m_port = 0;
}

void MetricsEndpoint::publish(std::shared_ptr<const MetricsSnapshot> snapshot)
{
    std::lock_guard lock(m_mutex);
    m_snapshot = std::move(snapshot);
}

std::shared_ptr<const MetricsSnapshot> MetricsEndpoint::snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_snapshot;
}

void MetricsEndpoint::route()
{
    using httplib::Request;
    using httplib::Response;
    httplib::Server& s = *m_server;
    // Read-only: every other method is refused before any route is looked at.
    s.set_pre_routing_handler([](const Request& req, Response& res) {
        if (req.method == "GET" || req.method == "HEAD")
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 405;
        res.set_header("Allow", "GET, HEAD");
        res.set_content("only GET and HEAD\n", "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    });
    const auto serve = [this](Response& res, auto render, const char* type) {
        const auto snap = snapshot();
        if (!snap) {
            res.status = 503;
            res.set_content("starting\n", "text/plain; charset=utf-8");
            return;
        }
        res.set_content(render(*snap), type);
    };
    s.Get("/metrics", [serve](const Request&, Response& res) {
        serve(res, prometheusText, PrometheusContentType);
    });
    s.Get("/status.json",
          [serve](const Request&, Response& res) { serve(res, statusJson, "application/json"); });
    s.set_error_handler([](const Request&, Response& res) {
        if (!res.body.empty())
            return;
        res.set_content(res.status == 404 ? std::string("no such page: /metrics or /status.json\n")
                                          : std::to_string(res.status) + '\n',
                        "text/plain; charset=utf-8");
    });
}

} // namespace zel
