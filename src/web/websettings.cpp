#include "websettings.h"

#include <QHostAddress>

namespace zel {

bool isLoopbackAddress(const QString& host)
{
    const QHostAddress a(host);
    return !a.isNull() && a.isLoopback();
}

namespace {

std::optional<bool> onOff(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == u"on" || t == u"true" || t == u"yes" || t == u"1")
        return true;
    if (t == u"off" || t == u"false" || t == u"no" || t == u"0")
        return false;
    return std::nullopt;
}

} // namespace

WebSettings readWebSettings(const SettingsStore& store)
{
    using namespace keys;
    WebSettings w;
    w.listen = parseListenAddress(store.read(WebSection, Listen, QString()), WebSection,
                                  QStringLiteral("the web panel"), 8443);
    if (!w.listen.problem.isEmpty()) {
        w.problem = w.listen.problem;
        return w;
    }
    const auto flag = [&](const QString& key, bool fallback) -> std::optional<bool> {
        const QString text = store.read(WebSection, key, QString());
        if (text.trimmed().isEmpty())
            return fallback;
        const auto v = onOff(text);
        if (!v)
            w.problem = QStringLiteral("[%1] %2 = \"%3\" is neither on nor off; the web panel "
                                       "is off")
                            .arg(WebSection, key, text);
        return v;
    };
    const auto tls = flag(WebTls, true);
    const auto control = flag(WebAllowControl, false);
    if (!tls || !control)
        return w;
    w.tls = *tls;
    w.allowControl = *control;
    w.certificatePath = store.read(WebSection, WebCertificate, QString()).trimmed();
    w.keyPath = store.read(WebSection, WebKey, QString()).trimmed();
    // Passwords and session cookies never cross a network in clear: plain
    // HTTP only where the client is this machine (a reverse proxy).
    if (w.listen.enabled() && !w.tls && !isLoopbackAddress(w.listen.host))
        w.problem = QStringLiteral("[%1] %2=off is allowed only on a loopback address (as "
                                   "127.0.0.1:%3, behind a reverse proxy), not on %4; the web "
                                   "panel is off")
                        .arg(WebSection, WebTls)
                        .arg(w.listen.port)
                        .arg(w.listen.text());
    else if (w.certificatePath.isEmpty() != w.keyPath.isEmpty())
        w.problem = QStringLiteral("[%1] needs both %2 and %3 (PEM files), or neither for a "
                                   "self-signed certificate; the web panel is off")
                        .arg(WebSection, WebCertificate, WebKey);
    return w;
}

} // namespace zel
