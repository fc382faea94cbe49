#include "socketaddress.h"

#include <QStringList>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace zel::http {

namespace {

// inet_pton takes dotted decimals already; the part rule is spelled out so
// that what counts never depends on the C library's version.
bool isDottedQuad(const QString& host)
{
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.front() == u'0'))
            return false;
        for (const QChar c : part)
            if (c < u'0' || c > u'9')
                return false;
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

} // namespace

std::optional<SocketAddress> SocketAddress::numeric(const QString& host, int port)
{
    if (port < 0 || port > 65535)
        return std::nullopt;
    SocketAddress a;
    const QByteArray text = host.toLatin1();
    if (host.contains(u':')) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&a.storage);
        if (inet_pton(AF_INET6, text.constData(), &v6->sin6_addr) != 1)
            return std::nullopt;
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(quint16(port));
        a.length = sizeof(sockaddr_in6);
        return a;
    }
    auto* v4 = reinterpret_cast<sockaddr_in*>(&a.storage);
    if (!isDottedQuad(host) || inet_pton(AF_INET, text.constData(), &v4->sin_addr) != 1)
        return std::nullopt;
    v4->sin_family = AF_INET;
    v4->sin_port = htons(quint16(port));
    a.length = sizeof(sockaddr_in);
    return a;
}

} // namespace zel::http
