#include "webapi.h"

#include "alarms/setvalues.h"
#include "history/historycsv.h"
#include "http/connectionbudget.h"
#include "metrics/exposition.h"
#include "passwordhash.h"
#include "webassets.h"
#include "webheaders.h"
#include "webjson.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtEndian>

#include <mutex>

namespace zel {

namespace webevent {
inline const QString Login = QStringLiteral("web_login");
inline const QString Logout = QStringLiteral("web_logout");
inline const QString Lockout = QStringLiteral("web_lockout");
inline const QString Refused = QStringLiteral("web_refused");
} // namespace webevent

namespace {

using http::HttpRequest;
using http::HttpResponse;

QString peerText(const HttpRequest& r)
{
    return QString::fromStdString(http::ConnectionBudget::printable(r.peer));
}

// The address the lock-out counts: an IPv6 host holds a whole /64, and
// would otherwise guess from a new address each time.
QString guardedAddress(const HttpRequest& r)
{
    std::string a = r.peer;
    if (a.size() == 16)
        std::fill(a.begin() + 8, a.end(), '\0');
    return QString::fromStdString(http::ConnectionBudget::printable(a));
}

// Behind a reverse proxy every client arrives from the proxy: the client is
// the address the proxy put last in X-Forwarded-For (what came before it
// the client may have written itself). As raw bytes, like the server's peer.
std::string forwardedClient(const HttpRequest& r)
{
    const QByteArray list = r.header("x-forwarded-for");
    const QHostAddress a(QString::fromLatin1(list.mid(list.lastIndexOf(',') + 1).trimmed()));
    bool v4 = false;
    const quint32 ip4 = a.toIPv4Address(&v4);
    if (v4) {
        const quint32 n = qToBigEndian(ip4);
        return std::string(reinterpret_cast<const char*>(&n), 4);
    }
    if (a.protocol() == QAbstractSocket::IPv6Protocol) {
        const Q_IPV6ADDR six = a.toIPv6Address();
        return std::string(reinterpret_cast<const char*>(six.c), 16);
    }
    return r.peer;
}

// An Argon2id check takes 64 MiB: one at a time, whatever the threads.
std::mutex passwordChecks;

QString from(const HttpRequest& r)
{
    return QStringLiteral("from %1").arg(peerText(r));
}

// A typed name as the log may keep it: one short line.
QString typedName(const QString& text)
{
    QString t = text.left(64);
    t.replace(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")), QStringLiteral("?"));
    return t;
}

std::optional<QJsonObject> jsonBody(const HttpRequest& r)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(r.body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

QString minutesText(qint64 seconds)
{
    const qint64 m = std::max<qint64>(1, (seconds + 59) / 60);
    return m == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(m);
}

} // namespace

QByteArray cookieValue(const QByteArray& header, const QByteArray& name)
{
    for (const QByteArray& part : header.split(';')) {
        const QByteArray p = part.trimmed();
        if (p.startsWith(name + '='))
            return p.mid(name.size() + 1);
    }
    return QByteArray();
}

WebApi::WebApi(Parts parts, WallClock wallMs) : m_parts(parts), m_wallMs(std::move(wallMs)) {}

HttpResponse WebApi::answer(const HttpRequest& received)
{
    HttpRequest request = received;
    if (!m_parts.secure)
        request.peer = forwardedClient(received);
    HttpResponse r = route(request);
    const bool own = !request.path.startsWith("/api/") && (r.status == 200 || r.status == 304);
    addSecurityHeaders(r, m_parts.secure, own);
    return r;
}

HttpResponse WebApi::route(const HttpRequest& request)
{
    const QByteArray& path = request.path;
    const bool get = request.method == "GET" || request.method == "HEAD";
    if (!path.startsWith("/api/")) {
        if (!get)
            return errorAnswer(405, QStringLiteral("only GET here"));
        if (auto asset = webAsset(request))
            return *asset;
        return errorAnswer(404, QStringLiteral("no such page"));
    }
    if (path == "/api/login") {
        if (request.method != "POST")
            return errorAnswer(405, QStringLiteral("sign in with POST"));
        return login(request);
    }
    const std::optional<SignedIn> session = sessionOf(request);
    if (!session)
        return errorAnswer(401, QStringLiteral("not signed in"));
    if (!get) {
        // A page of another site can make a browser post, never read or
        // set this header: every change proves it came from our pages.
        if (!SessionStore::csrfMatches(session->session, request.header("x-csrf-token")))
            return errorAnswer(403, QStringLiteral("the request carries no valid CSRF token; "
                                                   "reload the page"));
    }
    return signedInRoute(request, *session);
}

HttpResponse WebApi::signedInRoute(const HttpRequest& request, const SignedIn& in)
{
    const QByteArray& path = request.path;
    const bool get = request.method == "GET" || request.method == "HEAD";
    if (get) {
        if (path == "/api/session")
            return jsonAnswer(200, compactJson(sessionObject(in.session)));
        if (path == "/api/status") {
            const auto snap = m_parts.backend.snapshot();
            if (!snap)
                return errorAnswer(503, QStringLiteral("the monitor has no state yet"));
            return jsonAnswer(200, compactJson(statusObject(*snap)));
        }
        if (path == "/api/alarms")
            return alarms();
        if (path == "/api/events" || path == "/api/events.csv")
            return events(request, path.endsWith(".csv"));
        if (path == "/api/history")
            return history(request);
        if (path == "/api/stream")
            return stream(in);
        if (path == "/api/set")
            return setPoints();
    } else if (request.method == "POST") {
        if (path == "/api/logout") {
            m_parts.sessions.end(in.token);
            m_parts.stream.endWhere([&in](const QByteArray& s) { return s == in.token; });
            m_parts.backend.logAccess(webevent::Logout, eventstate::Info, in.session.name,
                                      QStringLiteral("signed out %1").arg(from(request)));
            HttpResponse r = jsonAnswer(200, "{}");
            r.headers.emplace_back("Set-Cookie",
                                   QByteArray(CookieName) +
                                       "=; Path=/; Max-Age=0; Secure; HttpOnly; SameSite=Strict");
            return r;
        }
        static const QRegularExpression ack(QStringLiteral("^/api/alarms/(\\d{1,18})/ack$"));
        if (const auto m = ack.match(QString::fromLatin1(path)); m.hasMatch())
            return acknowledge(request, in);
        if (path == "/api/shelve")
            return shelve(request, in);
        if (path == "/api/set")
            return set(request, in);
    }
    return errorAnswer(404, QStringLiteral("no such API"));
}

HttpResponse WebApi::login(const HttpRequest& request)
{
    const auto body = jsonBody(request);
    if (!body || !(*body)["user"].isString() || !(*body)["password"].isString())
        return errorAnswer(400, QStringLiteral("sign in with {\"user\": ..., \"password\": ...}"));
    const QString name = (*body)["user"].toString();
    QByteArray password = (*body)["password"].toString().toUtf8();
    const std::optional<Account> account = m_parts.accounts.find(name);
    // An unknown name is checked against a stand-in hash: it takes as long.
    // The lock-out is asked and counted under the same lock as the check,
    // or guesses waiting their turn would each pass it before the fifth
    // failure was counted.
    std::unique_lock lock(passwordChecks);
    const LoginGuard::Verdict verdict = m_parts.guard.check(name, guardedAddress(request));
    if (!verdict.allowed)
        return errorAnswer(429, QStringLiteral("too many failed sign-ins: try again in %1")
                                    .arg(minutesText(verdict.secondsLeft)));
    const bool ok = verifyPassword(account ? account->hash : QByteArray(), password) && account;
    password.fill('\0');
    if (!ok) {
        const LoginGuard::Outcome o = m_parts.guard.failed(name, guardedAddress(request));
        lock.unlock();
        m_parts.backend.logAccess(webevent::Login, eventstate::Failed, typedName(name),
                                  QStringLiteral("wrong name or password %1").arg(from(request)));
        if (o.accountLocked)
            m_parts.backend.logAccess(
                webevent::Lockout, eventstate::Failed, typedName(name),
                QStringLiteral("account locked for 15 minutes after five failed sign-ins"));
        if (o.addressLocked)
            m_parts.backend.logAccess(webevent::Lockout, eventstate::Failed, typedName(name),
                                      QStringLiteral("address %1 locked for 15 minutes after "
                                                     "five failed sign-ins")
                                          .arg(guardedAddress(request)));
        return errorAnswer(401, QStringLiteral("wrong name or password"));
    }
    m_parts.guard.succeeded(name, guardedAddress(request));
    lock.unlock();
    // Always a new token: one planted in the browser before is never taken.
    const QString peer = peerText(request);
    const SessionStore::Created created =
        m_parts.sessions.create(account->name, account->role, peer);
    if (created.token.isEmpty())
        return errorAnswer(503, QStringLiteral("no session could be made (no randomness)"));
    Session session;
    session.name = account->name;
    session.role = account->role;
    session.csrf = created.csrf;
    m_parts.backend.logAccess(
        webevent::Login, eventstate::Info, account->name,
        QStringLiteral("signed in as %1 %2").arg(roleText(account->role), from(request)));
    HttpResponse r = jsonAnswer(200, compactJson(sessionObject(session)));
    r.headers.emplace_back("Set-Cookie", QByteArray(CookieName) + '=' + created.token +
                                             "; Path=/; Secure; HttpOnly; SameSite=Strict");
    return r;
}

std::optional<WebApi::SignedIn> WebApi::sessionOf(const HttpRequest& request)
{
    const QByteArray token = cookieValue(request.header("cookie"), CookieName);
    if (token.isEmpty())
        return std::nullopt;
    std::optional<Session> s = m_parts.sessions.find(token);
    if (!s)
        return std::nullopt;
    // The account as the file says now: removed, or its role changed, since
    // the session began.
    const std::optional<Account> account = m_parts.accounts.find(s->name);
    if (!account || account->role != s->role) {
        m_parts.sessions.end(token);
        return std::nullopt;
    }
    return SignedIn{token, *s};
}

QJsonObject WebApi::sessionObject(const Session& session) const
{
    const auto snap = m_parts.backend.snapshot();
    return QJsonObject{{"user", session.name},
                       {"role", roleText(session.role)},
                       {"csrf", QString::fromLatin1(session.csrf)},
                       {"control", m_parts.allowControl && session.role != Role::Viewer},
                       {"station", snap ? snap->station : QString()}};
}

std::optional<HttpResponse> WebApi::needOperator(const SignedIn& in, const HttpRequest& request,
                                                 const QString& act)
{
    if (in.session.role != Role::Viewer)
        return std::nullopt;
    m_parts.backend.logAccess(webevent::Refused, eventstate::Failed, in.session.name,
                              QStringLiteral("a viewer may not %1 %2").arg(act, from(request)));
    return errorAnswer(403, QStringLiteral("a viewer may not %1").arg(act));
}

HttpResponse WebApi::alarms()
{
    QString error;
    const auto list = m_parts.backend.activeAlarms(error);
    if (!list)
        return errorAnswer(503, QStringLiteral("the station record cannot be read: %1").arg(error));
    const auto snap = m_parts.backend.snapshot();
    return jsonAnswer(200, compactJson(alarmsObject(*list, snap.get())));
}

HttpResponse WebApi::events(const HttpRequest& request, bool csv)
{
    const auto arg = [&request](const char* name) { return request.argument(name); };
    EventQuery query;
    const qint64 now = m_wallMs();
    bool okFrom = true;
    bool okTo = true;
    query.toMs = arg("to").isEmpty() ? now + 1 : arg("to").toLongLong(&okTo);
    query.fromMs =
        arg("from").isEmpty() ? query.toMs - 24LL * 3600 * 1000 : arg("from").toLongLong(&okFrom);
    query.kind = QString::fromUtf8(arg("kind").left(64));
    if (!arg("state").isEmpty())
        query.state = QString::fromUtf8(arg("state"));
    const int page = arg("page").toInt();
    if (!okFrom || !okTo || query.fromMs >= query.toMs)
        return errorAnswer(400, QStringLiteral("from and to are times in ms since 1970, from "
                                               "before to"));
    if (query.state != u"all" && query.state != u"alarms" && query.state != u"unacknowledged")
        return errorAnswer(400, QStringLiteral("state is all, alarms or unacknowledged"));
    QString error;
    const auto rows = m_parts.backend.events(query, error);
    if (!rows)
        return errorAnswer(503, error);
    if (!csv) {
        QJsonObject o = eventsObject(*rows, page, EventsPageSize);
        QJsonArray kinds;
        for (const QString& k : alarm::all() + QStringList{roleevent::Active, roleevent::Idle})
            kinds.append(k);
        o.insert("kinds", kinds);
        return jsonAnswer(200, compactJson(o));
    }
    QByteArray out = history::eventsHeader().toUtf8() + "\r\n";
    for (auto it = rows->crbegin(); it != rows->crend(); ++it)
        out += history::eventRow(*it).toUtf8() + "\r\n";
    HttpResponse r;
    r.contentType = "text/csv; charset=utf-8";
    r.body = out;
    r.headers.emplace_back("Content-Disposition", "attachment; filename=\"events.csv\"");
    return r;
}

HttpResponse WebApi::history(const HttpRequest& request)
{
    const QString range = QString::fromUtf8(request.argument("range"));
    static const QMap<QString, qint64> spans{
        {"1h", 3600}, {"24h", 24 * 3600}, {"7d", 7 * 24 * 3600}, {"30d", 30 * 24 * 3600}};
    const qint64 span = spans.value(range.isEmpty() ? QStringLiteral("24h") : range, 0);
    if (span == 0)
        return errorAnswer(400, QStringLiteral("range is 1h, 24h, 7d or 30d"));
    TrendRequest r;
    r.toS = m_wallMs() / 1000 + 1;
    r.fromS = r.toS - span;
    // About a phone's width in buckets, enough for a desktop's too.
    r.columns = trendColumns(span, 360);
    const TrendData data = m_parts.backend.trend(r);
    // Empty traces would tell the page the station recorded nothing.
    if (!data.error.isEmpty())
        return errorAnswer(503,
                           QStringLiteral("the station record cannot be read: %1").arg(data.error));
    return jsonAnswer(200, compactJson(historyObject(data)));
}

HttpResponse WebApi::acknowledge(const HttpRequest& request, const SignedIn& in)
{
    if (auto refused = needOperator(in, request, QStringLiteral("acknowledge alarms")))
        return *refused;
    const qint64 id = request.path.split('/').at(3).toLongLong();
    const QString why = m_parts.backend.acknowledge(id, in.session.name);
    if (!why.isEmpty())
        return errorAnswer(409, why);
    return jsonAnswer(200, compactJson(QJsonObject{{"acknowledged", double(id)}}));
}

HttpResponse WebApi::shelve(const HttpRequest& request, const SignedIn& in)
{
    if (auto refused = needOperator(in, request, QStringLiteral("shelve alarms")))
        return *refused;
    const auto body = jsonBody(request);
    if (!body || !(*body)["kinds"].isArray() || !(*body)["hours"].isDouble() ||
        !(*body)["reason"].isString())
        return errorAnswer(400, QStringLiteral("shelve with {\"kinds\": [...], \"hours\": n, "
                                               "\"reason\": \"...\"}"));
    QStringList kinds;
    for (const QJsonValue& k : (*body)["kinds"].toArray())
        kinds << k.toString();
    const double hours = (*body)["hours"].toDouble();
    if (kinds.isEmpty() || !(hours > 0) || hours > 24 * 365)
        return errorAnswer(400, QStringLiteral("name at least one kind and a time in hours"));
    const QString why = m_parts.backend.shelve(kinds, qint64(hours * 3600 * 1000),
                                               (*body)["reason"].toString(), in.session.name);
    if (!why.isEmpty())
        return errorAnswer(400, why);
    return jsonAnswer(200, "{}");
}

HttpResponse WebApi::setPoints()
{
    const auto snap = m_parts.backend.snapshot();
    const SetPoints none;
    const SetPoints& p = snap ? snap->setPoints : none;
    const auto value = [](const std::optional<double>& v) {
        return v ? QJsonValue(*v) : QJsonValue();
    };
    return jsonAnswer(
        200, compactJson(QJsonObject{
                 {"carrier_on", p.carrierOn ? QJsonValue(*p.carrierOn != 0) : QJsonValue()},
                 {"frequency_mhz", value(p.frequencyMHz)},
                 {"forward_w", value(p.forwardW)},
                 {"reflect_w", value(p.reflectW)},
                 {"temperature_c", value(p.temperatureC)},
                 {"control", m_parts.allowControl},
             }));
}

HttpResponse WebApi::set(const HttpRequest& request, const SignedIn& in)
{
    if (!m_parts.allowControl)
        return errorAnswer(403, QStringLiteral("control from the web is off ([Web] "
                                               "AllowControl)"));
    if (auto refused = needOperator(in, request, QStringLiteral("send set commands")))
        return *refused;
    const auto body = jsonBody(request);
    // The panel's fields as texts, so a value is checked exactly as typed
    // into the window.
    const auto text = [&body](const char* key) {
        const QJsonValue v = (*body)[key];
        return v.isDouble() ? QString::number(v.toDouble(), 'g', 10) : v.toString();
    };
    if (!body || !(*body)["carrier"].isString())
        return errorAnswer(400, QStringLiteral("set with {\"carrier\": \"on\" or \"off\", "
                                               "\"frequency\", \"forward\", \"reflect\", "
                                               "\"temperature\"}"));
    SetParameterInput input;
    const QString carrier = (*body)["carrier"].toString();
    if (carrier == u"on" || carrier == u"off")
        input.carrierOn = carrier == u"on";
    input.frequency = text("frequency");
    input.forwardTarget = text("forward");
    input.reflectTarget = text("reflect");
    input.tempProtection = text("temperature");
    // The window's own checks, before anything is sent.
    if (const SetCommandResult checked = buildSetCommand(input); !checked.ok())
        return errorAnswer(400, checked.refusal);
    QString refused;
    const std::optional<SetCommandReport> report = m_parts.backend.set(
        input, SetOrigin{in.session.name + QStringLiteral("@web"), peerText(request)}, refused);
    if (!report)
        return errorAnswer(409, refused);
    const auto values = SetValues::fromCommand(report->command);
    const QJsonObject o{{"sent", report->sent},
                        {"link", report->link},
                        {"told", report->told},
                        {"values", values ? values->text() : QString()}};
    return jsonAnswer(report->sent ? 200 : 502, compactJson(o));
}

HttpResponse WebApi::stream(const SignedIn& in)
{
    HttpResponse r;
    r.contentType = "text/event-stream";
    r.stream = m_parts.stream.open(in.token);
    return r;
}

} // namespace zel
