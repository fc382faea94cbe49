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
    // login, setup, monitor, readback, alert, clock_step, role_active,
    // role_idle).
    QString event;
    // raised, cleared, acknowledged, info, confirmed, not_confirmed, failed.
    QString state;
    QString value;
    QString detail;
    // The operating-system user where a person acted; empty otherwise.
    QString user;
    // An alarm's row: "warning" or "critical"; empty for other rows.
    QString severity;
};

namespace alarm {
inline const QString OffAir = QStringLiteral("off_air");
inline const QString Unlocked = QStringLiteral("unlocked");
inline const QString OverTemperature = QStringLiteral("over_temperature");
inline const QString HighReflect = QStringLiteral("high_reflect");
inline const QString LinkLost = QStringLiteral("link_lost");
inline const QString PortFailed = QStringLiteral("port_failed");
inline const QString LowPower = QStringLiteral("low_power");
inline const QString Silence = QStringLiteral("silence");
inline const QString ChannelLoss = QStringLiteral("channel_loss");
// Every kind, in the order the operator sees them listed: the six first
// (alert ids number kinds by their place here, so new ones only append),
// then the limits' own kinds.
const QStringList& all();
// The kinds a reading's limits raise: "<reading>_low" and "<reading>_high",
// but the designed names where a designed alarm is that limit.
QString readingKind(const QString& reading, bool high);
} // namespace alarm

// A standby's going on air and off again: events, never alarms.
namespace roleevent {
inline const QString Active = QStringLiteral("role_active");
inline const QString Idle = QStringLiteral("role_idle");
} // namespace roleevent

namespace severity {
inline const QString Warning = QStringLiteral("warning");
inline const QString Critical = QStringLiteral("critical");
} // namespace severity

namespace eventstate {
inline const QString Raised = QStringLiteral("raised");
inline const QString Cleared = QStringLiteral("cleared");
inline const QString Acknowledged = QStringLiteral("acknowledged");
inline const QString Info = QStringLiteral("info");
inline const QString Confirmed = QStringLiteral("confirmed");
inline const QString NotConfirmed = QStringLiteral("not_confirmed");
inline const QString Failed = QStringLiteral("failed");
// A raised alarm whose severity rose to critical, or eased back to warning.
inline const QString Escalated = QStringLiteral("escalated");
inline const QString Eased = QStringLiteral("eased");
// A raised alarm whose reading cannot be judged for now (the carrier off):
// it keeps its state until it can.
inline const QString Suspended = QStringLiteral("suspended");
} // namespace eventstate

} // namespace zel
