#include "webassets.h"

#include <QFile>

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

} // namespace

std::optional<http::HttpResponse> webAsset(const QByteArray& path)
{
    static const bool ready = (initWebAssets(), true);
    Q_UNUSED(ready);
    const QByteArray name = path == "/" ? QByteArray("/index.html") : path;
    // Names are the files' own: nothing climbs out of the folder.
    if (name.contains("..") || name.contains("//"))
        return std::nullopt;
    QFile f(QStringLiteral(":/web") + QString::fromLatin1(name));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    http::HttpResponse r;
    r.contentType = contentType(name);
    r.body = f.readAll();
    return r;
}

} // namespace zel
