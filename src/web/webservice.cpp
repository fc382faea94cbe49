#include "webservice.h"

#include "metrics/exposition.h"
#include "webcertificate.h"
#include "webjson.h"

#include <QDateTime>

namespace zel {

namespace {

http::HttpServer::Limits webLimits(bool tls)
{
    http::HttpServer::Limits l;
    l.connections = 128;
    // Behind a reverse proxy every browser comes from its one address.
    l.connectionsPerAddress = tls ? 16 : l.connections;
    l.memoryPerConnection = 32 * 1024;
    l.idleSeconds = 30;
    // A log-in's password hash takes a good part of a second on a busy PC;
    // a set command over a gateway waits for its send (up to 25 s).
    l.requestMs = 30000;
    l.threads = 2;
    // A log-in or a shelf: a few hundred bytes.
    l.maxBody = 16 * 1024;
    l.streams = 100;
    return l;
}

} // namespace

WebService::WebService(Parts parts, QObject* parent, std::chrono::milliseconds retryEvery)
    : QObject(parent), m_parts(std::move(parts)), m_backend(m_parts.station),
      m_accounts(m_parts.accountsPath, [this](const QString& name) { m_sessions.endAllOf(name); })
{
    m_retry.setInterval(retryEvery);
    connect(&m_retry, &QTimer::timeout, this, &WebService::listen);
    // Streams of sessions that ended (signed out, expired, account gone)
    // stop within a minute.
    m_sweep.setInterval(std::chrono::minutes(1));
    connect(&m_sweep, &QTimer::timeout, this, [this] {
        m_stream.endWhere([this](const QByteArray& token) { return !m_sessions.find(token); });
    });
}

WebService::~WebService()
{
    stop();
}

void WebService::start()
{
    m_settings = readWebSettings(m_parts.settings);
    if (!m_settings.problem.isEmpty()) {
        Q_EMIT operatorNotice(QStringLiteral("Settings: %1").arg(m_settings.problem));
        return;
    }
    if (!m_settings.enabled())
        return;
    http::HttpServer::Tls tls;
    if (m_settings.tls) {
        const WebCertificate c = loadWebCertificate(m_settings, m_parts.dataFolder);
        if (!c.problem.isEmpty()) {
            Q_EMIT operatorNotice(
                QStringLiteral("Web panel: %1; the web panel is off").arg(c.problem));
            return;
        }
        tls.certificatePem = c.certificatePem;
        tls.keyPem = c.keyPem;
        m_fingerprint = c.fingerprint;
        Q_EMIT operatorNotice(
            QStringLiteral("Web panel: certificate %1%2, SHA-256 fingerprint %3")
                .arg(c.certificatePath,
                     c.made ? QStringLiteral(" (made now, self-signed)") : QString(),
                     c.fingerprint));
    }
    if (m_accounts.count() == 0)
        Q_EMIT operatorNotice(QStringLiteral("Web panel: no account yet, so nobody can sign in; "
                                             "make one with: zel-fm-monitor --add-user NAME "
                                             "--role admin"));
    for (const QString& p : m_accounts.problems())
        Q_EMIT operatorNotice(QStringLiteral("Web panel: %1").arg(p));

    if (!m_fed) {
        m_fed = true;
        connect(&m_parts.metrics, &MetricsService::published, this,
                [this](std::shared_ptr<const MetricsSnapshot> s) {
                    m_backend.setSnapshot(s);
                    m_stream.publishStatus(compactJson(statusObject(*s)));
                });
        connect(&m_parts.station.history, &history::HistoryService::eventsStored, this,
                &WebService::eventsStored);
        m_parts.metrics.keepSnapshots();
    }

    m_api =
        std::make_unique<WebApi>(WebApi::Parts{m_backend, m_accounts, m_sessions, m_guard, m_stream,
                                               m_settings.allowControl, m_settings.tls},
                                 [] { return QDateTime::currentMSecsSinceEpoch(); });
    m_server = std::make_unique<http::HttpServer>(
        [api = m_api.get()](const http::HttpRequest& r) { return api->answer(r); },
        webLimits(m_settings.tls), tls);
    m_sweep.start();
    listen();
}

void WebService::listen()
{
    const auto where = http::SocketAddress::numeric(m_settings.listen.host, m_settings.listen.port);
    const QString why = where ? m_server->start(*where) : QStringLiteral("no such address");
    if (why.isEmpty()) {
        m_retry.stop();
        Q_EMIT operatorNotice(QStringLiteral("Web panel: listening on %1").arg(url()));
        m_failing = false;
        return;
    }
    if (!m_failing)
        Q_EMIT operatorNotice(
            QStringLiteral("Web panel: cannot listen on %1 (%2); trying again every %3 s")
                .arg(m_settings.listen.text(), why)
                .arg(m_retry.interval() / 1000));
    m_failing = true;
    m_retry.start();
}

void WebService::stop()
{
    m_retry.stop();
    m_sweep.stop();
    m_stream.endAll();
    if (m_server)
        m_server->stop();
    m_server.reset();
    m_api.reset();
}

QString WebService::url() const
{
    if (port() == 0)
        return QString();
    const QString& h = m_settings.listen.host;
    return QStringLiteral("%1://%2:%3")
        .arg(m_settings.tls ? QStringLiteral("https") : QStringLiteral("http"),
             h.contains(u':') ? u'[' + h + u']' : h)
        .arg(port());
}

void WebService::eventsStored(const QList<EventRecord>& events)
{
    for (const EventRecord& e : events) {
        // The alarms' own rows, their acknowledgements and shelves, and the
        // set commands with their readback: what the pages follow.
        if (!e.severity.isEmpty() || alarm::all().contains(e.event) || e.event == u"shelve" ||
            e.event == u"set_command" || e.event == u"readback")
            m_stream.publishEvent(compactJson(eventObject(e)));
    }
}

} // namespace zel
