#pragma once

#include "http/httpserver.h"

namespace zel {

// The headers every answer of the web panel carries: no script but its own
// files, never inside another site's frame, nothing kept in a cache (a
// signed-in page on a shared phone), and over TLS a promise to stay on it.
void addSecurityHeaders(http::HttpResponse& response, bool secure);

http::HttpResponse jsonAnswer(int status, const QByteArray& json);
// {"error": why}
http::HttpResponse errorAnswer(int status, const QString& why);

} // namespace zel
