#pragma once

#include "responsestream.h"

#include <QByteArray>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zel::http {

using HeaderList = std::vector<std::pair<QByteArray, QByteArray>>;

// Members past the path have initialisers so {method, path} still builds one.
struct HttpRequest {
    QByteArray method;
    // Decoded, without the query.
    QByteArray path;
    // The query's arguments in their order, names and values percent- and
    // '+'-decoded; a name without '=' has an empty value.
    HeaderList query = {};
    // Names lower-cased, in their order; a repeated header appears again.
    HeaderList headers = {};
    // Empty unless the server reads bodies (Limits::maxBody) and this is a
    // POST, PUT or PATCH: then the whole body, never more than maxBody.
    QByteArray body = {};
    // The client's address as ConnectionBudget::addressOf gives it (raw
    // bytes: 4 for IPv4, 16 for IPv6); ConnectionBudget::printable words it.
    std::string peer = {};
    // Over TLS.
    bool secure = false;

    // The first header of that name, or empty.
    QByteArray header(const QByteArray& lowerName) const { return first(headers, lowerName); }
    // The first query argument of that name, or empty.
    QByteArray argument(const QByteArray& name) const { return first(query, name); }

private:
    static QByteArray first(const HeaderList& list, const QByteArray& name)
    {
        for (const auto& [n, v] : list)
            if (n == name)
                return v;
        return {};
    }
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    HeaderList headers;
    // When set the body is streamed from it and `body` ignored; refused
    // with 503 beyond Limits::streams.
    std::shared_ptr<ResponseStream> stream = {};
};

} // namespace zel::http
