#pragma once

#include "acceptor.h"
#include "httpmessage.h"
#include "socketaddress.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

struct MHD_Daemon;

namespace zel::http {

// A small HTTP server on threads of its own, with every client bounded:
// connections in all and per address, memory per connection (which holds the
// request line and headers: longer is refused before it is buffered),
// silence, and the whole time of a request. Excess connections are closed as
// they arrive. Bodies are read only when allowed, up to their own limit;
// ranges are never served; HEAD gets the headers of GET. Answers may be
// streamed, a limited number at a time. Optionally over TLS.
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
        // Bodies of POST, PUT and PATCH up to this many bytes are read and
        // handed over whole. A longer one is answered 413 on its declared
        // length, unread; one without a length is cut as it passes (the
        // library takes no answer while a body comes in). 0: bodies are never
        // read (the request is answered once its headers are in).
        int maxBody = 0;
        // Streamed answers at once; beyond, 503. A streaming connection has
        // no request deadline, and a quiet stream is never cut, but it keeps
        // its place in the connection counts.
        int streams = 0;
        // A stream whose client takes none of what there is to send for this
        // long (whole seconds) is cut: one that stopped reading would
        // otherwise hold its place for ever.
        int streamStallSeconds = 30;
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
