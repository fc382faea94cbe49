#pragma once

#include "config/stationidentity.h"
#include "core/statusupdate.h"
#include "eventrecord.h"
#include "limitmonitor.h"
#include "qualifiedcondition.h"
#include "shell/clock.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <optional>
#include <vector>

namespace zel {

// An alarm that is raised now: what, since when (the time its condition
// began) and the value that raised it.
struct ActiveAlarm {
    QString kind;
    QDateTime since;
    QString value;
    QString severity; // "warning" or "critical"

    bool operator==(const ActiveAlarm&) const = default;
};

// Turns what the monitor reports into alarm rows. The record's flags (off
// air, unlocked) use the panel's own rules and the readings their limits
// (LimitMonitor: over temperature and high reflect by default, low power,
// silence), judged only on real frames and replies, and are raised after
// their condition held for the qualify time and cleared after it was gone
// for the clear time.
// Port failed waits for the same qualify and clear times, but is raised only
// when a retry finds the port still failing after the qualify time: a port
// back at its first retry raises nothing. Link lost follows its events at once.
//
// While the link is lost the record alarms are frozen: a raised one stays
// raised, and a pending raise or clear is dropped, since nothing is known of
// the gap; the first reading after the link is back starts afresh.
//
// A pending change completes on a timer when its time is up, even with no
// reading at that moment: the last reading is what the panel still shows.
// The qualify and clear times run on the monotonic clock; the times in the
// rows are the wall clock's.
//
// A standby is off air by design: off_air is never raised for it, and what
// only the carrier gives (forward power, silence) waits until it is on air.
// Its ON-AIR lamp going on is a role_active row, going off again a role_idle
// one; a lost link is neither.
class AlarmMonitor : public QObject {
    Q_OBJECT
public:
    AlarmMonitor(const Clock& clock, int qualifyMs = 3000, int clearMs = 3000,
                 QObject* parent = nullptr);

    // The [Limits] group, and the forward target the SET panel saved (a
    // relative forward limit has nothing to fall short of without one).
    // Until set, the defaults, which keep the designed alarms.
    void setLimits(const LimitSettings& limits);
    void setForwardTarget(std::optional<double> watts);
    // Takes effect at the next record; an off_air raised when the role turns
    // standby clears at once.
    void setRole(StationRole role);
    StationRole role() const { return m_role; }

    const LimitSettings& limitSettings() const { return m_limitSettings; }
    std::optional<double> forwardTarget() const { return m_forwardTarget; }
    // Every kind this monitor may raise, in alarm::all()'s order, with the
    // severities each may stand at.
    QList<std::pair<QString, QStringList>> kinds() const;

    // In the order they were raised.
    QList<ActiveAlarm> activeAlarms() const { return m_active; }
    // Takes over an alarm the log still holds raised from before a restart,
    // without a new row: it clears when its condition is found absent.
    void resume(const ActiveAlarm& alarm);

    // When the next pending change completes, on the monotonic clock, if any.
    std::optional<qint64> nextDue() const;

public Q_SLOTS:
    void statusUpdated(const zel::StatusUpdate& update);
    // The watchdog cleared the panel for lack of frames.
    void linkLost();
    // Frames again; a status update clears link_lost as well.
    void linkRestored();
    void portFailed(const QString& reason);
    void portWorking();
    // Completes whatever is due by the monotonic clock; the timer calls it.
    void checkDue();

Q_SIGNALS:
    void eventOccurred(const zel::EventRecord& record);
    void activeAlarmsChanged();
    // New limits, or a new forward target.
    void limitsChanged();

private:
    struct RecordAlarm {
        QString kind;
        QualifiedCondition condition;
    };

    void apply(const QString& kind, const QualifiedCondition::Change& change, qint64 delayMs);
    void applyPort(const QualifiedCondition::Change& change);
    void applyLimits(const std::vector<EventRecord>& rows);
    void raise(const QString& kind, const QDateTime& at, const QString& value,
               const QString& detail, const QString& severity = severity::Critical);
    void clear(const QString& kind, const QDateTime& at, const QString& value,
               const QString& detail);
    void clearLinkLost(const QDateTime& at, const QString& link);
    // The standby's lamp in update: a role row where it changed.
    void watchStandby(const StatusUpdate& update);
    // off_air raised for a transmitter that is now a standby.
    void clearOffAirForStandby();
    void arm();

    const Clock& m_clock;
    std::vector<RecordAlarm> m_record;
    bool m_linkLost = false;
    std::optional<qint64> m_linkLostAtMs; // monotonic
    QualifiedCondition m_port;
    LimitSettings m_limitSettings;
    LimitMonitor m_limits;
    std::optional<double> m_forwardTarget;
    std::optional<StatusUpdate> m_last;
    QList<ActiveAlarm> m_active;
    StationRole m_role = StationRole::Single;
    // Known to be on air. Not known at start or after a role change: a standby
    // first read on air is news, one first read off air is not.
    bool m_standbyOnAir = false;
    QTimer m_timer;
};

} // namespace zel
