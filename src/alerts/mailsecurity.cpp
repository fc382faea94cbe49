#include "mailsecurity.h"

#include <QHostAddress>
#include <QUrl>

#include <array>
#include <utility>

namespace zel {
namespace {

constexpr std::array<std::pair<MailSecurity, const char16_t*>, 4> Names{{
    {MailSecurity::Auto, u"auto"},
    {MailSecurity::StartTls, u"starttls"},
    {MailSecurity::Tls, u"tls"},
    {MailSecurity::None, u"none"},
}};

} // namespace

QString mailSecurityName(MailSecurity security)
{
    for (const auto& [value, name] : Names) {
        if (value == security)
            return QString::fromUtf16(name);
    }
    return QString();
}

bool parseMailSecurity(const QString& text, MailSecurity* security)
{
    for (const auto& [value, name] : Names) {
        if (text.compare(QString::fromUtf16(name), Qt::CaseInsensitive) == 0) {
            *security = value;
            return true;
        }
    }
    return false;
}

bool isLoopbackHost(const QString& host)
{
    QString name = host.toLower();
    if (name.endsWith(u'.'))
        name.chop(1);
    if (name == u"localhost" || name.endsWith(u".localhost"))
        return true;
    const QHostAddress address(name);
    return !address.isNull() && address.isLoopback();
}

MailTransport mailTransport(const QString& url, bool withUser, MailSecurity security)
{
    using Tls = MailTransport::Tls;
    MailTransport t;
    QUrl parsed(url);
    t.url = url;
    const bool smtps = parsed.scheme() == u"smtps";
    const bool local = isLoopbackHost(parsed.host());
    const QString mode = mailSecurityName(security);
    if (smtps && (security == MailSecurity::StartTls || security == MailSecurity::None)) {
        t.problem = QStringLiteral("MailSecurity = %1 does not go with an smtps:// MailUrl (use "
                                   "tls or auto)")
                        .arg(mode);
        return t;
    }
    switch (security) {
    case MailSecurity::Tls:
        parsed.setScheme(QStringLiteral("smtps"));
        t.url = parsed.toString();
        break;
    case MailSecurity::StartTls:
        break;
    case MailSecurity::None:
        if (!local)
            t.problem = QStringLiteral("MailSecurity = none is only for a mail relay on this "
                                       "machine, and MailUrl names %1")
                            .arg(parsed.host());
        t.tls = Tls::Never;
        break;
    case MailSecurity::Auto:
        if (!smtps && !withUser && local)
            t.tls = Tls::WhenOffered;
        break;
    }
    return t;
}

} // namespace zel
