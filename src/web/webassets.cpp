#include "webassets.h"

#include <QCryptographicHash>
#include <QFile>
#include <QMap>

static void initWebAssets()
{
    Q_INIT_RESOURCE(assets);
}

namespace zel {

namespace {

QByteArray contentType(const QByteArray& path)
{
    if (path.endsWith(".html"))
        return "text/html; charset=utf-8";
    if (path.endsWith(".js"))
        return "text/javascript; charset=utf-8";
    if (path.endsWith(".css"))
        return "text/css; charset=utf-8";
    if (path.endsWith(".svg"))
        return "image/svg+xml";
    return "application/octet-stream";
}

QByteArray readAsset(const QByteArray& name)
{
    QFile f(QStringLiteral(":/web/") + QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Asset {
    QByteArray body;
    QByteArray etag;
};

// Every file, read once: they never change while the program runs.
const QMap<QByteArray, Asset>& assets()
{
    static const QMap<QByteArray, Asset> all = [] {
        initWebAssets();
        QMap<QByteArray, QByteArray> bodies;
        for (const char* name : {"index.html", "app.css", "favicon.svg"})
            bodies.insert(QByteArray("/") + name, readAsset(name));
        QByteArray bundle;
        for (const QByteArray& script : panelScripts())
            bundle += readAsset(script) + "\n;\n";
        bodies.insert("/panel.js", bundle);
        QMap<QByteArray, Asset> out;
        for (auto it = bodies.cbegin(); it != bodies.cend(); ++it) {
            const QByteArray hash =
                QCryptographicHash::hash(it.value(), QCryptographicHash::Sha256).toHex().left(32);
            out.insert(it.key(), {it.value(), '"' + hash + '"'});
        }
        return out;
    }();
    return all;
}

} // namespace

const QList<QByteArray>& panelScripts()
{
    static const QList<QByteArray> scripts{"api.js",     "status.js",  "alarms.js", "events.js",
                                           "history.js", "control.js", "app.js"};
    return scripts;
}

std::optional<http::HttpResponse> webAsset(const http::HttpRequest& request)
{
    const QByteArray name = request.path == "/" ? QByteArray("/index.html") : request.path;
    const auto it = assets().constFind(name);
    if (it == assets().cend() || it->body.isEmpty())
        return std::nullopt;
    http::HttpResponse r;
    r.headers.emplace_back("ETag", it->etag);
    if (request.header("if-none-match") == it->etag) {
        r.status = 304;
        return r;
    }
    r.contentType = contentType(name);
    r.body = it->body;
    return r;
}

} // namespace zel
