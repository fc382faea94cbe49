#include "webheaders.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace zel {

void addSecurityHeaders(http::HttpResponse& r, bool secure, bool cacheable)
{
    r.headers.emplace_back("Content-Security-Policy",
                           "default-src 'none'; script-src 'self'; style-src 'self'; "
                           "img-src 'self' data:; connect-src 'self'; form-action 'self'; "
                           "frame-ancestors 'none'; base-uri 'none'");
    r.headers.emplace_back("X-Frame-Options", "DENY");
    r.headers.emplace_back("X-Content-Type-Options", "nosniff");
    r.headers.emplace_back("Referrer-Policy", "no-referrer");
    r.headers.emplace_back("Cross-Origin-Opener-Policy", "same-origin");
    r.headers.emplace_back("Cache-Control", cacheable ? "no-cache" : "no-store");
    if (secure)
        r.headers.emplace_back("Strict-Transport-Security", "max-age=31536000");
}

http::HttpResponse jsonAnswer(int status, const QByteArray& json)
{
    http::HttpResponse r;
    r.status = status;
    r.contentType = "application/json";
    r.body = json;
    return r;
}

http::HttpResponse errorAnswer(int status, const QString& why)
{
    return jsonAnswer(status,
                      QJsonDocument(QJsonObject{{"error", why}}).toJson(QJsonDocument::Compact));
}

} // namespace zel
