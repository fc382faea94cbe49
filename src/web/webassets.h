#pragma once

#include "http/httpserver.h"

#include <optional>

namespace zel {

// The panel's own pages, scripts and styles, built into the program: the
// answer for a path ("/" is the page), or nothing when there is no such file.
// Each carries an ETag, so a browser that has it is answered 304 without a
// body; none holds any of the station's data.
std::optional<http::HttpResponse> webAsset(const http::HttpRequest& request);

// The scripts, in the order they run, served as one file (/panel.js) so the
// page waits for one request, not seven.
const QList<QByteArray>& panelScripts();

} // namespace zel
