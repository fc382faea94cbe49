#pragma once

#include "http/httpserver.h"

#include <optional>

namespace zel {

// The panel's own pages, scripts and styles, built into the program: the
// answer for a path ("/" is the page), or nothing when there is no such file.
std::optional<http::HttpResponse> webAsset(const QByteArray& path);

} // namespace zel
