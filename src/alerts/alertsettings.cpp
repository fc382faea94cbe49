#include "alertsettings.h"

#include "alarms/eventrecord.h"
#include "config/secretfile.h"

#include <QFile>
#include <QFileInfo>
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

// A whole number from low to high; the default stays, said, when it is not.
void readWhole(const SettingsStore& store, const QString& key, const char* what, int low, int high,
               int* value, QStringList* problems)
{
    const QString text = read(store, key);
    if (text.isEmpty())
        return;
    bool ok = false;
    const int n = text.toInt(&ok);
    if (ok && n >= low && n <= high)
        *value = n;
    else
        *problems << QStringLiteral("[Alerts] %1 = \"%2\" is not %3 from %4 to %5; using %6")
                         .arg(key, text, QLatin1String(what))
                         .arg(low)
                         .arg(high)
                         .arg(*value);
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
    s.station = readStationIdentity(store);
    s.problems = s.station.problems;
    s.mailUrl = read(store, keys::MailUrl);
    s.mailUser = read(store, keys::MailUser);
    // Spaces may belong to a password; take it as stored.
    s.mailPassword = store.read(keys::AlertsSection, keys::MailPassword, QString());
    s.mailPasswordFile = read(store, keys::MailPasswordFile);
    s.mailFrom = read(store, keys::MailFrom);
    s.mailTo = splitList(read(store, keys::MailTo));
    s.webhookUrl = read(store, keys::WebhookUrl);

    readWhole(store, keys::RepeatMinutes, "a whole number of minutes", 0, MaxRepeatMinutes,
              &s.repeatMinutes, &s.problems);
    readWhole(store, keys::FlapChanges, "a whole number", 0, 1000, &s.flapChanges, &s.problems);
    readWhole(store, keys::FlapMinutes, "a whole number of minutes", 1, 24 * 60, &s.flapMinutes,
              &s.problems);

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

    if (const QString text = read(store, keys::MinSeverity).toLower(); !text.isEmpty()) {
        if (text == severity::Warning || text == severity::Critical)
            s.minSeverity = text;
        else
            s.problems << QStringLiteral("[Alerts] MinSeverity = \"%1\" is neither warning nor "
                                         "critical; using warning")
                              .arg(text.left(40));
    }

    if (const QString text = read(store, keys::MailSecurity);
        !text.isEmpty() && !parseMailSecurity(text, &s.mailSecurity)) {
        s.problems << QStringLiteral("[Alerts] MailSecurity = \"%1\" is none of auto, starttls, "
                                     "tls, none; no e-mail is sent")
                          .arg(text.left(40));
        s.mailUsable = false;
    }
    checkAlertSettings(s);
    return s;
}

void checkAlertSettings(AlertSettings& s)
{
    const auto refuse = [&s](const QString& key, const QString& value, bool mail, bool webhook) {
        if (!hasControlCharacter(value))
            return;
        const QString problem = mail && webhook
                                    ? controlCharacterProblem(key)
                                    : QStringLiteral("%1 holds a line break or another control "
                                                     "character; %2 until it is mended")
                                          .arg(key, mail ? QStringLiteral("no e-mail is sent")
                                                         : QStringLiteral("no webhook is sent"));
        // The station's name and site were told as they were read.
        if (!s.problems.contains(problem))
            s.problems << problem;
        s.mailUsable = s.mailUsable && !mail;
        s.webhookUsable = s.webhookUsable && !webhook;
    };
    const auto alerts = [](const QString& key) { return QStringLiteral("[Alerts] ") + key; };
    refuse(s.station.nameKey, s.station.name, true, true);
    refuse(QStringLiteral("[Station] Site"), s.station.site, true, true);
    refuse(alerts(keys::MailFrom), s.mailFrom, true, false);
    refuse(alerts(keys::MailTo), s.mailTo.join(u','), true, false);
    refuse(alerts(keys::WebhookUrl), s.webhookUrl, false, true);

    if (!s.mailUrl.isEmpty()) {
        const QUrl url(s.mailUrl);
        if (!url.isValid() || (url.scheme() != u"smtp" && url.scheme() != u"smtps")) {
            s.problems << QStringLiteral("[Alerts] MailUrl = \"%1\" is no smtp:// or smtps:// "
                                         "address; no e-mail is sent")
                              .arg(shownUrl(s.mailUrl));
            s.mailUsable = false;
        } else if (const QString why =
                       mailTransport(s.mailUrl, !s.mailUser.isEmpty(), s.mailSecurity).problem;
                   !why.isEmpty()) {
            s.problems << QStringLiteral("[Alerts] %1; no e-mail is sent").arg(why);
            s.mailUsable = false;
        } else if (s.mailTo.isEmpty()) {
            s.problems << QStringLiteral("[Alerts] MailUrl is set but MailTo is empty; no e-mail "
                                         "is sent");
        }
    }
    if (!s.webhookUrl.isEmpty()) {
        const QUrl url(s.webhookUrl);
        if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https")) {
            s.problems << QStringLiteral("[Alerts] WebhookUrl = \"%1\" is no http:// or https:// "
                                         "address; no webhook is sent")
                              .arg(shownUrl(s.webhookUrl));
            s.webhookUsable = false;
        }
    }
}

bool writeAlertSettings(SettingsStore& store, const AlertSettings& s, QString* problem)
{
    const auto put = [&](const QString& key, const QString& value) {
        store.write(keys::AlertsSection, key, value);
    };
    // Where the name is read from, so the dialog's name is the one in force.
    if (store.read(keys::StationSection, keys::StationName, QString()).trimmed().isEmpty())
        put(keys::Station, s.station.name);
    else
        store.write(keys::StationSection, keys::StationName, s.station.name);
    put(keys::MailUrl, s.mailUrl);
    put(keys::MailUser, s.mailUser);
    put(keys::MailPassword, s.mailPassword);
    put(keys::MailPasswordFile, s.mailPasswordFile);
    put(keys::MailSecurity, mailSecurityName(s.mailSecurity));
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
