#pragma once

#include "alarms/alarmmonitor.h"
#include "alarms/eventrecord.h"
#include "alertsettings.h"
#include "monitor/statusupdate.h"
#include "shell/clock.h"

#include <QMap>
#include <QObject>
#include <QTimer>

#include <optional>

namespace zel {

// Turns the station record into alerts: each alarm raised and cleared, a
// reminder every RepeatMinutes while an alarm stays raised, and a readback
// not confirmed; only the kinds the settings choose. Whether a reminder's
// alarm was acknowledged meanwhile is for the outbox to check, which reads
// the log.
class AlertComposer : public QObject {
    Q_OBJECT
public:
    explicit AlertComposer(const Clock& clock, QObject* parent = nullptr);

    void configure(const AlertSettings& settings);
    // A test message from station, which names no alarm.
    QByteArray testDocument(const QString& station, QString* id) const;

public Q_SLOTS:
    void eventOccurred(const zel::EventRecord& event);
    void statusUpdated(const zel::StatusUpdate& update);
    // Alarms raised before a restart get their reminders too.
    void activeAlarmsChanged(const QList<zel::ActiveAlarm>& active);
    // Sends the reminders that are due; the timer calls it.
    void remind();

Q_SIGNALS:
    // ackAlarm and ackSinceMs name the alarm a reminder is about; empty else.
    void alert(const QString& id, const QByteArray& document, const QString& ackAlarm,
               qint64 ackSinceMs);

private:
    struct Raised {
        ActiveAlarm alarm;
        qint64 nextReminderMs = 0;
    };

    void emitAlert(const QString& state, const QString& alarm, const QDateTime& at,
                   const QDateTime& started, const QString& value, const QString& detail,
                   bool reminder);
    void arm();

    const Clock& m_clock;
    AlertSettings m_settings;
    std::optional<StatusUpdate> m_current;
    QMap<QString, Raised> m_raised;
    QTimer m_timer;
};

} // namespace zel
