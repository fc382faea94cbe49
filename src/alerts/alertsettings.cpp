#include "alertsettings.h"

#include "alarms/eventrecord.h"
#include "config/secretfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>

namespace zel {
namespace {

constexpr int MaxRepeatMinutes = 7 * 24 * 60;

QStringList splitList(const QString& text)
{
    QStringList items;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        if (const QString item = part.trimmed(); !item.isEmpty())
            items << item;
    }
    return items;
}

QString read(const SettingsStore& store, const QString& key)
{
    return store.read(keys::AlertsSection, key, QString()).trimmed();
}

} // namespace

const QStringList& alertKinds()
{
    static const QStringList kinds = alarm::all() + QStringList{QStringLiteral("readback")};
    return kinds;
}

AlertSettings readAlertSettings(const SettingsStore& store)
{
    AlertSettings s;
    s.station = read(store, keys::Station);
    if (s.station.isEmpty())
        s.station = QSysInfo::machineHostName();
    s.mailUrl = read(store, keys::MailUrl);
    s.mailUser = read(store, keys::MailUser);
    // Spaces may belong to a password; take it as stored.
    s.mailPassword = store.read(keys::AlertsSection, keys::MailPassword, QString());
    s.mailPasswordFile = read(store, keys::MailPasswordFile);
    s.mailFrom = read(store, keys::MailFrom);
    s.mailTo = splitList(read(store, keys::MailTo));
    s.webhookUrl = read(store, keys::WebhookUrl);

    if (const QString text = read(store, keys::RepeatMinutes); !text.isEmpty()) {
        bool ok = false;
        const int minutes = text.toInt(&ok);
        if (ok && minutes >= 0 && minutes <= MaxRepeatMinutes)
            s.repeatMinutes = minutes;
        else
            s.problems << QStringLiteral("[Alerts] RepeatMinutes = \"%1\" is not a whole number "
                                         "of minutes from 0 to %2; using %3")
                              .arg(text)
                              .arg(MaxRepeatMinutes)
                              .arg(s.repeatMinutes);
    }

    s.kinds = alertKinds();
    if (const QString text = read(store, keys::Kinds); !text.isEmpty()) {
        s.kinds.clear();
        for (const QString& kind : splitList(text)) {
            if (alertKinds().contains(kind))
                s.kinds << kind;
            else
                s.problems << QStringLiteral("[Alerts] Kinds: \"%1\" is no alarm kind (known: %2)")
                                  .arg(kind, alertKinds().join(u", "));
        }
    }

    if (!s.mailUrl.isEmpty()) {
        const QUrl url(s.mailUrl);
        if (!url.isValid() || (url.scheme() != u"smtp" && url.scheme() != u"smtps"))
            s.problems << QStringLiteral("[Alerts] MailUrl = \"%1\" is no smtp:// or smtps:// "
                                         "address; no e-mail is sent")
                              .arg(shownUrl(s.mailUrl));
        else if (s.mailTo.isEmpty())
            s.problems << QStringLiteral("[Alerts] MailUrl is set but MailTo is empty; no e-mail "
                                         "is sent");
    }
    if (!s.webhookUrl.isEmpty()) {
        const QUrl url(s.webhookUrl);
        if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https"))
            s.problems << QStringLiteral("[Alerts] WebhookUrl = \"%1\" is no http:// or https:// "
                                         "address; no webhook is sent")
                              .arg(shownUrl(s.webhookUrl));
    }
    return s;
}

bool writeAlertSettings(SettingsStore& store, const AlertSettings& s, QString* problem)
{
    const auto put = [&](const QString& key, const QString& value) {
        store.write(keys::AlertsSection, key, value);
    };
    put(keys::Station, s.station);
    put(keys::MailUrl, s.mailUrl);
    put(keys::MailUser, s.mailUser);
    put(keys::MailPassword, s.mailPassword);
    put(keys::MailPasswordFile, s.mailPasswordFile);
    put(keys::MailFrom, s.mailFrom);
    put(keys::MailTo, s.mailTo.join(u','));
    put(keys::WebhookUrl, s.webhookUrl);
    put(keys::RepeatMinutes, QString::number(s.repeatMinutes));
    put(keys::Kinds, s.kinds.join(u','));
    *problem = protectSettingsFile(store, s);
    if (problem->isEmpty())
        *problem = store.problem();
    return problem->isEmpty();
}

QString mailPassword(const AlertSettings& s, QString* problem)
{
    if (s.mailPasswordFile.isEmpty())
        return s.mailPassword;
    QFile file(s.mailPasswordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("the mail password file %1 cannot be read: %2")
                       .arg(s.mailPasswordFile, file.errorString());
        return QString();
    }
    // The first line; an editor's final newline is no part of it.
    return QString::fromUtf8(file.readLine()).remove(u'\r').remove(u'\n');
}

QString protectSettingsFile(const SettingsStore& store, const AlertSettings& s,
                            const FileIdentity& self)
{
    QStringList warnings;
    const QString path = store.location();
    if ((!s.mailPassword.isEmpty() || !s.webhookUrl.isEmpty()) && !path.isEmpty())
        warnings << protectSecretFile(path, QStringLiteral("the settings file"), self).warning;
    if (!s.mailPasswordFile.isEmpty())
        warnings << protectSecretFile(s.mailPasswordFile, QStringLiteral("the mail password file"),
                                      self)
                        .warning;
    warnings.removeAll(QString());
    return warnings.join(QStringLiteral("; "));
}

QString shownUrl(const QString& url)
{
    return QUrl(url).toString(QUrl::RemoveUserInfo);
}

} // namespace zel
