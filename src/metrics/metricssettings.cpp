#include "metricssettings.h"

#include "http/socketaddress.h"

#include <algorithm>

namespace zel {

QString ListenAddress::text() const
{
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return shown + u':' + QString::number(port);
}

ListenAddress parseListenAddress(const QString& raw, const QString& section, const QString& what,
                                 int examplePort)
{
    ListenAddress a;
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return a;
    const auto refuse = [&](const QString& why) {
        a.host.clear();
        a.problem =
            QStringLiteral("[%1] %2 = \"%3\" %4; %5 is off")
                .arg(section, keys::Listen, text,
                     QString(why).replace(QStringLiteral("9101"), QString::number(examplePort)),
                     what);
        return a;
    };
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon < 0)
        return refuse(QStringLiteral("is not address:port (write it as 127.0.0.1:9101)"));
    QString host = text.left(colon);
    const bool bracketed = host.startsWith(u'[') && host.endsWith(u']');
    if (bracketed)
        host = host.mid(1, host.size() - 2);
    else if (host.contains(u':'))
        return refuse(QStringLiteral("needs its IPv6 address in brackets, as [::1]:9101"));
    // Every interface is reached only when the setting says so.
    if (host.isEmpty())
        return refuse(QStringLiteral("names no address (write 127.0.0.1:9101, or 0.0.0.0:9101 "
                                     "for every interface)"));
    const QString portText = text.mid(colon + 1);
    const bool digits = !portText.isEmpty() && portText.size() <= 5 &&
                        std::all_of(portText.begin(), portText.end(),
                                    [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int port = portText.toInt();
    if (!digits || port > 65535)
        return refuse(QStringLiteral("has no port number from 0 to 65535"));
    // Numbers only, never a name or a resolver's shorthand ("0", "127.1",
    // "*"), which would bind other interfaces than the operator meant.
    if (bracketed != host.contains(u':') || !http::SocketAddress::numeric(host, port))
        return refuse(QStringLiteral("names no address: write four numbers, as 127.0.0.1:9101 "
                                     "(0.0.0.0:9101 for every interface), or an IPv6 address "
                                     "in brackets, as [::1]:9101"));
    a.host = host;
    a.port = port;
    return a;
}

ListenAddress readListenAddress(const SettingsStore& store)
{
    return parseListenAddress(store.read(keys::MetricsSection, keys::Listen, QString()));
}

} // namespace zel
