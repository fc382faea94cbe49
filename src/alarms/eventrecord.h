#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zel {

// One row of the station's event log. Rows are only ever appended: an
// acknowledgement is a new row naming the alarm it acknowledges.
struct EventRecord {
    qint64 id = 0;  // given by the store; 0 until stored
    QDateTime time; // UTC
    // An alarm kind (off_air, unlocked, over_temperature, high_reflect,
    // link_lost, port_failed) or an occurrence (set_command, address_command,
    // login, setup, monitor, readback, alert, clock_step).
    QString event;
    // raised, cleared, acknowledged, info, confirmed, not_confirmed, failed.
    QString state;
    QString value;
    QString detail;
    // The operating-system user where a person acted; empty otherwise.
    QString user;
};

namespace alarm {
inline const QString OffAir = QStringLiteral("off_air");
inline const QString Unlocked = QStringLiteral("unlocked");
inline const QString OverTemperature = QStringLiteral("over_temperature");
inline const QString HighReflect = QStringLiteral("high_reflect");
inline const QString LinkLost = QStringLiteral("link_lost");
inline const QString PortFailed = QStringLiteral("port_failed");
// Every kind, in the order the operator sees them listed.
inline const QStringList& all()
{
    static const QStringList kinds{OffAir,      Unlocked, OverTemperature,
                                   HighReflect, LinkLost, PortFailed};
    return kinds;
}
} // namespace alarm

namespace eventstate {
inline const QString Raised = QStringLiteral("raised");
inline const QString Cleared = QStringLiteral("cleared");
inline const QString Acknowledged = QStringLiteral("acknowledged");
inline const QString Info = QStringLiteral("info");
inline const QString Confirmed = QStringLiteral("confirmed");
inline const QString NotConfirmed = QStringLiteral("not_confirmed");
inline const QString Failed = QStringLiteral("failed");
} // namespace eventstate

} // namespace zel
