#pragma once

#include "acceptor.h"
#include "socketaddress.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

struct MHD_Daemon;

namespace zel::http {

struct HttpRequest {
    QByteArray method;
    // Decoded, without the query.
    QByteArray path;
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    std::vector<std::pair<QByteArray, QByteArray>> headers;
};

// A small HTTP server for read-only pages, on threads of its own, with every
// client bounded: connections in all and per address, memory per connection
// (which holds the request line and headers: longer is refused before it is
// buffered), silence, and the whole time of a request. Excess connections
// are closed as they arrive. Bodies are never read and ranges never served;
// HEAD gets the headers of GET. Optionally over TLS.
class HttpServer {
public:
    struct Limits {
        int connections = 64;
        int connectionsPerAddress = 8;
        // Request line, headers and the answer's headers of one connection.
        int memoryPerConnection = 16 * 1024;
        // Silence before a connection is closed (whole seconds).
        int idleSeconds = 2;
        // From a connection's first byte, or the end of the last answer on
        // it, to the end of the next answer.
        int requestMs = 5000;
        // Threads answering; each polls its share of the connections.
        int threads = 1;
    };
    // PEM texts; both empty for plain HTTP.
    struct Tls {
        QByteArray certificatePem;
        QByteArray keyPem;
        bool enabled() const { return !certificatePem.isEmpty(); }
    };
    // Runs on the server's threads, one request at a time per thread.
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    HttpServer(Handler handler, Limits limits, Tls tls = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds and serves until stop(). Returns an operator's sentence saying
    // why not, or an empty string.
    QString start(const SocketAddress& where);
    void stop();
    // The port bound, 0 when not listening.
    int port() const { return m_acceptor.port(); }

    // Up to the server's threads: the answer to one request.
    HttpResponse answer(const HttpRequest& request) const { return m_handler(request); }
    struct Books;

private:
    Handler m_handler;
    Limits m_limits;
    Tls m_tls;
    Acceptor m_acceptor;
    std::unique_ptr<Books> m_books;
    MHD_Daemon* m_daemon = nullptr;
};

} // namespace zel::http
