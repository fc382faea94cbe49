#include "metricssettings.h"

namespace zel {

QString ListenAddress::text() const
{
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return shown + u':' + QString::number(port);
}

ListenAddress parseListenAddress(const QString& raw)
{
    ListenAddress a;
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return a;
    const auto refuse = [&](const QString& why) {
        a.host.clear();
        a.problem = QStringLiteral("[%1] %2 = \"%3\" %4; the metrics endpoint is off")
                        .arg(keys::MetricsSection, keys::Listen, text, why);
        return a;
    };
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon < 0)
        return refuse(QStringLiteral("is not address:port (write it as 127.0.0.1:9101)"));
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(u':'))
        return refuse(QStringLiteral("needs its IPv6 address in brackets, as [::1]:9101"));
    // Every interface is reached only when the setting says so.
    if (host.isEmpty())
        return refuse(QStringLiteral("names no address (write 127.0.0.1:9101, or 0.0.0.0:9101 "
                                     "for every interface)"));
    if (host.contains(u' ') || host.contains(u'/'))
        return refuse(QStringLiteral("is no address"));
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (!ok || port < 0 || port > 65535)
        return refuse(QStringLiteral("has no port number from 0 to 65535"));
    a.host = host;
    a.port = port;
    return a;
}

ListenAddress readListenAddress(const SettingsStore& store)
{
    return parseListenAddress(store.read(keys::MetricsSection, keys::Listen, QString()));
}

} // namespace zel
