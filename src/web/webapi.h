#pragma once

#include "accountbook.h"
#include "eventstream.h"
#include "http/httpserver.h"
#include "loginguard.h"
#include "sessionstore.h"
#include "webbackend.h"

#include <QJsonObject>

#include <functional>
#include <optional>

namespace zel {

// The web panel's answers: its own files, and the JSON API behind a
// signed-in session. Runs on the HTTP server's threads. Every /api/ path
// but the log-in answers 401 without a valid session; every change asks for
// the session's CSRF token, and an operator's act asks for an operator.
class WebApi {
public:
    struct Parts {
        WebBackend& backend;
        AccountBook& accounts;
        SessionStore& sessions;
        LoginGuard& guard;
        EventStream& stream;
        bool allowControl = false;
        // Over TLS: the headers promise it. Without, the server listens on
        // loopback for a reverse proxy, whose X-Forwarded-For names the client.
        bool secure = true;
    };
    // The clock for default event periods (ms since the epoch, UTC).
    using WallClock = std::function<qint64()>;

    WebApi(Parts parts, WallClock wallMs);

    http::HttpResponse answer(const http::HttpRequest& request);

    static constexpr int EventsPageSize = 100;
    static constexpr const char* CookieName = "zel_session";

    // A request's valid session and the token it came with.
    struct SignedIn {
        QByteArray token;
        Session session;
    };

private:
    http::HttpResponse route(const http::HttpRequest& request);
    http::HttpResponse login(const http::HttpRequest& request);
    http::HttpResponse signedInRoute(const http::HttpRequest& request, const SignedIn& session);
    http::HttpResponse alarms();
    http::HttpResponse events(const http::HttpRequest& request, bool csv);
    http::HttpResponse history(const http::HttpRequest& request);
    http::HttpResponse acknowledge(const http::HttpRequest& request, const SignedIn& session);
    http::HttpResponse shelve(const http::HttpRequest& request, const SignedIn& session);
    http::HttpResponse stream(const SignedIn& session);
    http::HttpResponse setPoints();
    http::HttpResponse set(const http::HttpRequest& request, const SignedIn& session);
    std::optional<SignedIn> sessionOf(const http::HttpRequest& request);
    // Refuses an act to a viewer with 403 and an event; nothing when allowed.
    std::optional<http::HttpResponse>
    needOperator(const SignedIn& session, const http::HttpRequest& request, const QString& act);
    QJsonObject sessionObject(const Session& session) const;

    Parts m_parts;
    WallClock m_wallMs;
};

// The value of cookie name in a Cookie header, empty when absent.
QByteArray cookieValue(const QByteArray& header, const QByteArray& name);

} // namespace zel
