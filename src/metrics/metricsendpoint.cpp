#include "metricsendpoint.h"

#include "exposition.h"

namespace zel {

namespace {

const QByteArray PlainText = "text/plain; charset=utf-8";

// For someone who types the address into a browser: where the figures are.
const QByteArray IndexPage = "<!DOCTYPE html>\n"
                             "<html><head><meta charset=\"utf-8\">"
                             "<title>ZEL FM Monitor</title></head>\n"
                             "<body><h1>ZEL FM Monitor</h1><ul>\n"
                             "<li><a href=\"/metrics\">/metrics</a>: Prometheus text format</li>\n"
                             "<li><a href=\"/status.json\">/status.json</a>: the record, "
                             "alarms and link as JSON</li>\n"
                             "</ul></body></html>\n";

http::HttpResponse text(int status, const char* body)
{
    return {status, PlainText, body, {}};
}

} // namespace

MetricsEndpoint::MetricsEndpoint() : MetricsEndpoint(Limits{}) {}

MetricsEndpoint::MetricsEndpoint(Limits limits)
    : m_server([this](const http::HttpRequest& r) { return answer(r); }, limits)
{
}

MetricsEndpoint::~MetricsEndpoint()
{
    stop();
}

QString MetricsEndpoint::start(const QString& host, int port)
{
    const auto where = http::SocketAddress::numeric(host, port);
    if (!where)
        return QStringLiteral("%1 is no numeric address").arg(host);
    return m_server.start(*where);
}

void MetricsEndpoint::stop()
{
    m_server.stop();
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

http::HttpResponse MetricsEndpoint::answer(const http::HttpRequest& request) const
{
    // Read-only: every other method is refused before any page is looked at.
    if (request.method != "GET" && request.method != "HEAD") {
        http::HttpResponse r = text(405, "only GET and HEAD\n");
        r.headers.emplace_back("Allow", "GET, HEAD");
        return r;
    }
    if (request.path == "/")
        return {200, "text/html; charset=utf-8", IndexPage, {}};
    const bool metrics = request.path == "/metrics";
    if (!metrics && request.path != "/status.json")
        return text(404, "no such page: /, /metrics or /status.json\n");
    const auto snap = snapshot();
    if (!snap)
        return text(503, "starting\n");
    // The whole body always: a Range header is not looked at.
    if (metrics)
        return {200, PrometheusContentType, QByteArray::fromStdString(prometheusText(*snap)), {}};
    return {200, "application/json", QByteArray::fromStdString(statusJson(*snap)), {}};
}

} // namespace zel
