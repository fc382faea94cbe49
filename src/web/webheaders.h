#pragma once

#include "http/httpserver.h"

namespace zel {

// The headers every answer of the web panel carries: no script but its own
// files, never inside another site's frame, nothing kept in a cache (a
// signed-in page on a shared phone), and over TLS a promise to stay on it.
// The panel's own files (no station data in them) may be kept if the
// browser asks again each time (cacheable); everything else is never kept.
void addSecurityHeaders(http::HttpResponse& response, bool secure, bool cacheable = false);

http::HttpResponse jsonAnswer(int status, const QByteArray& json);
// {"error": why}
http::HttpResponse errorAnswer(int status, const QString& why);

} // namespace zel
