#pragma once

#include "eventrecord.h"
#include "setvalues.h"
#include "shell/clock.h"

#include <QList>
#include <QObject>

namespace zel {

// One setting the setup dialog changed.
struct SettingChange {
    QString key;
    QString before;
    QString after;
};

// The rows for what people and the monitor did, built and emitted as they
// happen. Rows where a person acted carry the operating-system user, or the
// user given when an account acted ("ann@window"); a password never reaches
// this class.
class EventLog : public QObject {
    Q_OBJECT
public:
    EventLog(const Clock& clock, QString userName, QObject* parent = nullptr);

    // link names the way out ("serial", "gateway 10.0.0.5 port 5000");
    // toldOperator is the message shown, empty when none was.
    // user: who asked when not this PC's user ("ann@window", "ann@web").
    void setCommand(const SetValues& values, const QString& link, bool sent,
                    const QString& toldOperator, const QString& user = {});
    void addressCommand(const QString& address, bool sent, const QString& toldOperator,
                        const QString& user = {});
    void login(bool ok, const QString& userTyped);
    void setupSaved(const QList<SettingChange>& changes, const QString& user = {});
    // What a web account did or tried (signed in, refused, locked out): the
    // account is the row's value and user, the detail names the address.
    void webAccess(const QString& event, const QString& state, const QString& account,
                   const QString& detail);
    // The same for an account at the window's own lock: user "ann@window".
    void windowAccess(const QString& event, const QString& state, const QString& account,
                      const QString& detail);
    void monitorStarted();
    void monitorStopped();
    // The operator acknowledges the alarm row alarmEventId.
    void acknowledge(qint64 alarmEventId, const QString& alarmKind, const QDateTime& alarmTime,
                     const QString& user);

Q_SIGNALS:
    void eventOccurred(const zel::EventRecord& record);

private:
    void emitRow(const QString& event, const QString& state, const QString& value,
                 const QString& detail, const QString& user);
    const QString& userOr(const QString& given) const { return given.isEmpty() ? m_user : given; }

    const Clock& m_clock;
    QString m_user;
};

// The acknowledgement row for an alarm row: same kind, naming the alarm's
// id and time. The store refuses a second one for the same alarm.
EventRecord acknowledgementRecord(const QDateTime& now, qint64 alarmEventId,
                                  const QString& alarmKind, const QDateTime& alarmTime,
                                  const QString& user);

} // namespace zel
