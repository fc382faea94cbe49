#include "httpserver.h"

#include "connectionbudget.h"
#include "requestdeadline.h"

#include <microhttpd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zel::http {

// What the server keeps on its connections beside the library.
struct HttpServer::Books {
    RequestDeadline deadline;
    ConnectionBudget budget;
};

namespace {

// One connection as the books know it.
struct Connection {
    RequestDeadline::Watched* watched = nullptr;
    std::string address;
};

// Connections waiting for the acceptor. It takes them at once, but a burst
// can outrun it: a full queue leaves the newcomer's handshake unfinished for
// the kernel to retry for a minute, where a long one lets each be turned
// away the moment it is taken.
constexpr int Backlog = SOMAXCONN;

MHD_Result onRequest(void* cls, MHD_Connection* connection, const char* url, const char* method,
                     const char*, const char*, size_t*, void**)
{
    // Answered as soon as the headers are in: no page takes a body, and one
    // sent anyway is never read (the connection closes after the answer).
    const HttpResponse r =
        static_cast<const HttpServer*>(cls)->answer({QByteArray(method), QByteArray(url)});
    MHD_Response* response = MHD_create_response_from_buffer(
        size_t(r.body.size()), const_cast<char*>(r.body.constData()), MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    if (!r.contentType.isEmpty())
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, r.contentType.constData());
    for (const auto& [name, value] : r.headers)
        MHD_add_response_header(response, name.constData(), value.constData());
    const MHD_Result queued = MHD_queue_response(connection, unsigned(r.status), response);
    MHD_destroy_response(response);
    return queued;
}

void onConnection(void* cls, MHD_Connection* connection, void** socketContext,
                  MHD_ConnectionNotificationCode code)
{
    auto& books = *static_cast<HttpServer::Books*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        const MHD_ConnectionInfo* fd =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        const MHD_ConnectionInfo* peer =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        auto* c = new Connection;
        c->address = ConnectionBudget::addressOf(peer ? peer->client_addr : nullptr);
        c->watched = books.deadline.opened(fd ? fd->connect_fd : -1, c->address);
        *socketContext = c;
    } else if (auto* c = static_cast<Connection*>(*socketContext)) {
        books.deadline.closed(c->watched);
        books.budget.give(c->address);
        delete c;
        *socketContext = nullptr;
    }
}

void onCompleted(void* cls, MHD_Connection* connection, void**, MHD_RequestTerminationCode)
{
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    if (info && info->socket_context)
        static_cast<HttpServer::Books*>(cls)->deadline.answered(
            static_cast<Connection*>(info->socket_context)->watched);
}

} // namespace

HttpServer::HttpServer(Handler handler, Limits limits, Tls tls)
    : m_handler(std::move(handler)), m_limits(limits), m_tls(std::move(tls))
{
}

HttpServer::~HttpServer()
{
    stop();
}

QString HttpServer::start(const SocketAddress& where)
{
    stop();
    if (m_tls.enabled() && MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES)
        return QStringLiteral("this build of libmicrohttpd has no TLS");
    if (const QString why = m_acceptor.listen(where, Backlog); !why.isEmpty())
        return why;
    m_books.reset(
        new Books{RequestDeadline(std::chrono::milliseconds(m_limits.requestMs)),
                  ConnectionBudget(m_limits.connections, m_limits.connectionsPerAddress)});

    unsigned flags =
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_NO_LISTEN_SOCKET | MHD_USE_ITC;
    if (where.family() == AF_INET6)
        flags |= MHD_USE_IPv6;
    std::vector<MHD_OptionItem> options = {
        // Never reached: the budget holds at most twice its total, counting
        // connections cut to make room and still closing.
        {MHD_OPTION_CONNECTION_LIMIT, 2 * m_limits.connections + 16, nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, m_limits.memoryPerConnection, nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, m_limits.idleSeconds, nullptr},
        {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&onConnection), m_books.get()},
        {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&onCompleted), m_books.get()},
        // Requests bent out of shape are refused, not guessed at.
        {MHD_OPTION_STRICT_FOR_CLIENT, 1, nullptr},
    };
    if (m_limits.threads > 1)
        options.push_back({MHD_OPTION_THREAD_POOL_SIZE, m_limits.threads, nullptr});
    if (m_tls.enabled()) {
        flags |= MHD_USE_TLS;
        options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, m_tls.keyPem.data()});
        options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, m_tls.certificatePem.data()});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    m_daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &onRequest, this, MHD_OPTION_ARRAY,
                                options.data(), MHD_OPTION_END);
    if (!m_daemon) {
        stop();
        return m_tls.enabled() ? QStringLiteral("the TLS certificate or key could not be used")
                               : QStringLiteral("the HTTP server could not start");
    }
    m_acceptor.run([this](int fd, const sockaddr* peer, socklen_t length) {
        const std::string address = ConnectionBudget::addressOf(peer);
        using Taken = ConnectionBudget::Taken;
        switch (m_books->budget.take(address)) {
        case Taken::Yes:
            break;
        case Taken::Full:
            // A crowd from many addresses would otherwise keep a scraper
            // out for as long as it kept coming back.
            if (m_books->deadline.cutForNewcomer(address)) {
                m_books->budget.takeOver(address);
                break;
            }
            [[fallthrough]];
        case Taken::No:
            ::close(fd);
            return;
        }
        // The library closes the socket itself when it cannot take it.
        if (MHD_add_connection(m_daemon, fd, peer, length) != MHD_YES)
            m_books->budget.give(address);
    });
    return QString();
}

void HttpServer::stop()
{
    // No newcomer while the server winds down; then every connection is
    // closed (and so unwatched) before the watch goes.
    m_acceptor.stop();
    if (m_daemon)
        MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
    m_books.reset();
}

} // namespace zel::http
