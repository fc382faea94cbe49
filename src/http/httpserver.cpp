#include "httpserver.h"

#include "connectionbudget.h"
#include "hangupwatch.h"
#include "requestdeadline.h"
#include "streamlink.h"

#include <microhttpd.h>

#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace zel::http {

// What the server keeps on its connections beside the library.
struct HttpServer::Books {
    const HttpServer& server;
    const Limits limits;
    const bool secure;
    RequestDeadline deadline;
    ConnectionBudget budget;
    StreamRegistry streams;
    // Only for a server that streams.
    std::unique_ptr<HangupWatch> hangups;
};

namespace {

// One connection as the books know it.
struct Connection {
    RequestDeadline::Watched* watched = nullptr;
    std::string address;
};

// A streamed answer as the library holds it.
struct Streamed {
    std::shared_ptr<StreamLink> link;
    HttpServer::Books& books;
    int hangup = -1;
};

// Connections waiting for the acceptor. It takes them at once, but a burst
// can outrun it: a full queue leaves the newcomer's handshake unfinished for
// the kernel to retry for a minute, where a long one lets each be turned
// away the moment it is taken.
constexpr int Backlog = SOMAXCONN;

// A stream's messages are small; this holds seconds of them on a slow line.
constexpr int StreamSendBuffer = 32 * 1024;

Connection* connectionOf(MHD_Connection* connection)
{
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<Connection*>(info->socket_context) : nullptr;
}

MHD_Result collect(void* cls, MHD_ValueKind kind, const char* key, const char* value)
{
    QByteArray name(key);
    if (kind == MHD_HEADER_KIND)
        name = name.toLower();
    static_cast<HeaderList*>(cls)->emplace_back(name, QByteArray(value));
    return MHD_YES;
}

ssize_t readStream(void* cls, uint64_t, char* to, size_t max)
{
    return static_cast<Streamed*>(cls)->link->read(to, max);
}

void freeStream(void* cls)
{
    auto* s = static_cast<Streamed*>(cls);
    if (s->hangup >= 0)
        s->books.hangups->forget(s->hangup);
    s->books.streams.remove(s->link);
    s->link->release();
    delete s;
}

// The library's answer for r: a copy of its body, or the reader of its
// stream (null when refused: no place, or the server is stopping).
MHD_Response* responseFor(HttpServer::Books& books, MHD_Connection* connection, HttpResponse& r)
{
    if (!r.stream)
        return MHD_create_response_from_buffer(
            size_t(r.body.size()), const_cast<char*>(r.body.constData()), MHD_RESPMEM_MUST_COPY);
    auto link = std::make_shared<StreamLink>(connection, r.stream);
    if (!books.streams.add(link)) {
        r.stream->closed();
        return nullptr;
    }
    link->attach();
    auto* streamed = new Streamed{link, books};
    MHD_Response* response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 4096, &readStream,
                                                               streamed, &freeStream);
    if (!response) {
        freeStream(streamed);
        return nullptr;
    }
    // A stream lasts as long as its client: no deadline, and the library
    // times no connection out while it is suspended, so silence counts only
    // while there is something the client will not take. The connection
    // closes after the stream rather than wait idle.
    MHD_set_connection_option(connection, MHD_CONNECTION_OPTION_TIMEOUT,
                              unsigned(books.limits.streamStallSeconds));
    if (Connection* c = connectionOf(connection))
        books.deadline.exempt(c->watched);
    // A client leaving while its stream is quiet is noticed at once, not at
    // the next write.
    const MHD_ConnectionInfo* fd =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    // The kernel would otherwise grow a stream's send buffer to megabytes
    // for a client that stopped reading, holding them for every such
    // client, and the stall limit would start only once that was full.
    if (fd) {
        const int sendBuffer = StreamSendBuffer;
        ::setsockopt(fd->connect_fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    }
    if (fd && books.hangups)
        streamed->hangup =
            books.hangups->watch(fd->connect_fd, [weak = std::weak_ptr<StreamLink>(link)] {
                if (const auto l = weak.lock())
                    l->stop();
            });
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    return response;
}

MHD_Result queue(HttpServer::Books& books, MHD_Connection* connection, HttpResponse r)
{
    MHD_Response* response = responseFor(books, connection, r);
    if (!response && r.stream) {
        r = {503, "text/plain; charset=utf-8", "too many streams\n", {}};
        response = responseFor(books, connection, r);
    }
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

bool takesBody(const HttpServer::Books& books, const QByteArray& method)
{
    return books.limits.maxBody > 0 && (method == "POST" || method == "PUT" || method == "PATCH");
}

MHD_Result tooLarge(HttpServer::Books& books, MHD_Connection* connection)
{
    return queue(books, connection, {413, "text/plain; charset=utf-8", "body too large\n", {}});
}

MHD_Result onRequest(void* cls, MHD_Connection* connection, const char* url, const char* method,
                     const char*, const char* data, size_t* size, void** requestContext)
{
    auto& books = *static_cast<HttpServer::Books*>(cls);
    HttpRequest request{QByteArray(method), QByteArray(url)};
    if (takesBody(books, request.method)) {
        auto* body = static_cast<QByteArray*>(*requestContext);
        if (!body) {
            // Refused on its word, before a byte of it is read.
            const char* length =
                MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Length");
            if (length && std::strtoull(length, nullptr, 10) > uint64_t(books.limits.maxBody))
                return tooLarge(books, connection);
            *requestContext = body = new QByteArray;
            return MHD_YES;
        }
        if (*size > 0) {
            // Without a length given, cut the moment it runs over. Unanswered:
            // libmicrohttpd 0.9.75 takes no answer while a body comes in.
            if (body->size() + qsizetype(*size) > books.limits.maxBody)
                return MHD_NO;
            body->append(data, qsizetype(*size));
            *size = 0;
            return MHD_YES;
        }
        request.body = std::move(*body);
    }
    // Otherwise answered as soon as the headers are in: a body sent anyway
    // is never read (the connection closes after the answer).
    MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, &collect, &request.query);
    MHD_get_connection_values(connection, MHD_HEADER_KIND, &collect, &request.headers);
    if (const Connection* c = connectionOf(connection))
        request.peer = c->address;
    request.secure = books.secure;
    return queue(books, connection, books.server.answer(request));
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

void onCompleted(void* cls, MHD_Connection* connection, void** requestContext,
                 MHD_RequestTerminationCode)
{
    delete static_cast<QByteArray*>(*requestContext);
    *requestContext = nullptr;
    if (const Connection* c = connectionOf(connection))
        static_cast<HttpServer::Books*>(cls)->deadline.answered(c->watched);
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
    m_books.reset(new Books{*this, m_limits, m_tls.enabled(),
                            RequestDeadline(std::chrono::milliseconds(m_limits.requestMs)),
                            ConnectionBudget(m_limits.connections, m_limits.connectionsPerAddress),
                            StreamRegistry(m_limits.streams),
                            m_limits.streams > 0 ? std::make_unique<HangupWatch>() : nullptr});

    unsigned flags =
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_NO_LISTEN_SOCKET | MHD_USE_ITC;
    // Streams suspend their connections while quiet.
    if (m_limits.streams > 0)
        flags |= MHD_ALLOW_SUSPEND_RESUME;
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
    m_daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &onRequest, m_books.get(),
                                MHD_OPTION_ARRAY, options.data(), MHD_OPTION_END);
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
    // The library cannot stop with a connection suspended: every stream is
    // ended, its connection resumed to close.
    if (m_books)
        m_books->streams.stopAll();
    if (m_daemon)
        MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
    m_books.reset();
}

} // namespace zel::http
