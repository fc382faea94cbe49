#include "eventlog.h"

#include "shell/version.h"

namespace zel {
namespace {

QString outcome(bool sent, const QString& toldOperator)
{
    const QString told = toldOperator.isEmpty()
                             ? QStringLiteral("no message shown")
                             : QStringLiteral("operator told \"%1\"").arg(toldOperator);
    return QStringLiteral("%1; %2").arg(sent ? QStringLiteral("sent") : QStringLiteral("not sent"),
                                        told);
}

QString versionText()
{
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

} // namespace

EventLog::EventLog(const Clock& clock, QString userName, QObject* parent)
    : QObject(parent), m_clock(clock), m_user(std::move(userName))
{
}

void EventLog::emitRow(const QString& event, const QString& state, const QString& value,
                       const QString& detail, const QString& user)
{
    Q_EMIT eventOccurred({0, m_clock.now().toUTC(), event, state, value, detail, user, QString()});
}

void EventLog::setCommand(const SetValues& values, const QString& link, bool sent,
                          const QString& toldOperator, const QString& user)
{
    emitRow(QStringLiteral("set_command"), sent ? eventstate::Info : eventstate::Failed,
            values.text(),
            QStringLiteral("link %1; %2")
                .arg(link.isEmpty() ? QStringLiteral("none") : link, outcome(sent, toldOperator)),
            userOr(user));
}

void EventLog::addressCommand(const QString& address, bool sent, const QString& toldOperator,
                              const QString& user)
{
    emitRow(QStringLiteral("address_command"), sent ? eventstate::Info : eventstate::Failed,
            address, outcome(sent, toldOperator), userOr(user));
}

void EventLog::login(bool ok, const QString& userTyped)
{
    emitRow(QStringLiteral("login"), ok ? eventstate::Info : eventstate::Failed, userTyped,
            ok ? QStringLiteral("succeeded") : QStringLiteral("refused"), m_user);
}

void EventLog::webAccess(const QString& event, const QString& state, const QString& account,
                         const QString& detail)
{
    emitRow(event, state, account, detail, account + QStringLiteral("@web"));
}

void EventLog::windowAccess(const QString& event, const QString& state, const QString& account,
                            const QString& detail)
{
    emitRow(event, state, account, detail, account + QStringLiteral("@window"));
}

void EventLog::setupSaved(const QList<SettingChange>& changes, const QString& user)
{
    QStringList parts;
    for (const SettingChange& c : changes)
        parts << QStringLiteral("%1: \"%2\" -> \"%3\"").arg(c.key, c.before, c.after);
    emitRow(QStringLiteral("setup"), eventstate::Info,
            QStringLiteral("%1 changed").arg(changes.size()),
            parts.isEmpty() ? QStringLiteral("saved without changes") : parts.join(u"; "),
            userOr(user));
}

void EventLog::monitorStarted()
{
    emitRow(QStringLiteral("monitor"), eventstate::Info, versionText(), QStringLiteral("started"),
            m_user);
}

void EventLog::monitorStopped()
{
    emitRow(QStringLiteral("monitor"), eventstate::Info, versionText(), QStringLiteral("stopped"),
            m_user);
}

void EventLog::acknowledge(qint64 alarmEventId, const QString& alarmKind,
                           const QDateTime& alarmTime, const QString& user)
{
    Q_EMIT eventOccurred(
        acknowledgementRecord(m_clock.now(), alarmEventId, alarmKind, alarmTime, user));
}

EventRecord acknowledgementRecord(const QDateTime& now, qint64 alarmEventId,
                                  const QString& alarmKind, const QDateTime& alarmTime,
                                  const QString& user)
{
    return {0,
            now.toUTC(),
            alarmKind,
            eventstate::Acknowledged,
            QString::number(alarmEventId),
            QStringLiteral("alarm of %1").arg(alarmTime.toUTC().toString(Qt::ISODate)),
            user,
            QString()};
}

} // namespace zel
