#pragma once

#include "alarms/eventrecord.h"
#include "config/filemodes.h"
#include "config/settingsstore.h"
#include "config/stationidentity.h"
#include "mailsecurity.h"

#include <QStringList>

namespace zel {

// The [Alerts] group: where alerts go and which alarms send them. A channel
// with no address configured is off.
struct AlertSettings {
    // Who is who ([Station], its name also as [Alerts] Station): in every
    // alert. Its problems are among those below.
    StationIdentity station;
    QString mailUrl; // smtp://host:587 (STARTTLS when offered) or smtps://host:465
    QString mailUser;
    QString mailPassword;     // as stored in the settings
    QString mailPasswordFile; // a file holding the password instead
    MailSecurity mailSecurity = MailSecurity::Auto;
    QString mailFrom;
    QStringList mailTo;
    QString webhookUrl;
    int repeatMinutes = 30; // reminders while raised and unacknowledged; 0 = none
    QStringList kinds;      // alarm kinds, and "readback" for not_confirmed
    // A kind that changes more than flapChanges times in flapMinutes is
    // flapping; 0 changes: never. Not in the dialog, so never written.
    int flapChanges = 4;
    int flapMinutes = 10;
    // Alarms below it are logged but send nothing: "warning" or "critical".
    QString minSeverity = severity::Warning;
    // One line per value that could not be used; never holds a password.
    QStringList problems;
    // False while a problem above keeps the channel from being used safely.
    bool mailUsable = true;
    bool webhookUsable = true;

    bool mailOn() const { return mailUsable && !mailUrl.isEmpty() && !mailTo.isEmpty(); }
    bool webhookOn() const { return webhookUsable && !webhookUrl.isEmpty(); }
    bool alerts(const QString& kind) const { return kinds.contains(kind); }
    // A row with no severity (a readback, a log from before) is never held back.
    bool alerts(const QString& kind, const QString& severity) const
    {
        return alerts(kind) &&
               !(minSeverity == severity::Critical && severity == severity::Warning);
    }
};

namespace keys {
inline const QString AlertsSection = QStringLiteral("Alerts");
inline const QString Station = AlertsStation;
inline const QString MailUrl = QStringLiteral("MailUrl");
inline const QString MailUser = QStringLiteral("MailUser");
inline const QString MailPassword = QStringLiteral("MailPassword");
inline const QString MailPasswordFile = QStringLiteral("MailPasswordFile");
inline const QString MailSecurity = QStringLiteral("MailSecurity");
inline const QString MailFrom = QStringLiteral("MailFrom");
inline const QString MailTo = QStringLiteral("MailTo");
inline const QString WebhookUrl = QStringLiteral("WebhookUrl");
inline const QString RepeatMinutes = QStringLiteral("RepeatMinutes");
inline const QString Kinds = QStringLiteral("Kinds");
inline const QString FlapChanges = QStringLiteral("FlapChanges");
inline const QString FlapMinutes = QStringLiteral("FlapMinutes");
inline const QString MinSeverity = QStringLiteral("MinSeverity");
} // namespace keys

// Every kind an alert can be sent for, in the order the dialog lists them.
const QStringList& alertKinds();

AlertSettings readAlertSettings(const SettingsStore& store);
// Adds the problems of addresses and mail security to settings.problems and
// turns off the channels they concern (readAlertSettings does this too).
void checkAlertSettings(AlertSettings& settings);
// Writes every key but the site and the role, which the dialog does not
// show; the name goes where it is read from. A file that holds a password is made readable by its
// owner only. False with the reason when the permissions cannot be set.
bool writeAlertSettings(SettingsStore& store, const AlertSettings& settings, QString* problem);

// The password to log in with: from MailPasswordFile when set, else
// MailPassword. Empty with a problem when the file cannot be read.
QString mailPassword(const AlertSettings& settings, QString* problem);

// Keeps the settings file (when it holds MailPassword or WebhookUrl) and the
// MailPasswordFile from other users, as protectSecretFile does; the warning
// when one stays readable by others, empty otherwise.
QString protectSettingsFile(const SettingsStore& store, const AlertSettings& settings,
                            const FileIdentity& self = FileIdentity::ofProcess());

// A URL as it may be shown: any user name and password taken out.
QString shownUrl(const QString& url);

} // namespace zel
