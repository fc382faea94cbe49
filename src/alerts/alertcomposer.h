#pragma once

#include "alarms/alarmmonitor.h"
#include "alarms/eventrecord.h"
#include "alarms/shelf.h"
#include "alertsettings.h"
#include "core/statusupdate.h"
#include "flapdetector.h"
#include "shell/clock.h"

#include <QMap>
#include <QObject>
#include <QTimer>

#include <optional>

namespace zel {

// Turns the station record into alerts: each alarm raised and cleared, its
// escalation from warning to critical (not its easing back), a reminder every
// RepeatMinutes while an alarm stays raised, and a readback not confirmed;
// only the kinds and severities the settings choose. A kind that flaps sends
// one alert saying so and, once steady, one summary; nothing in between.
// Whether a reminder's alarm was acknowledged meanwhile is for the outbox to
// check, which reads the log.
class AlertComposer : public QObject {
    Q_OBJECT
public:
    explicit AlertComposer(const Clock& clock, QObject* parent = nullptr);

    void configure(const AlertSettings& settings);
    // Shelved kinds send nothing, a reminder included, until their shelf
    // ends; then an alarm still raised that nobody was told of is sent.
    void setShelf(const Shelf* shelf);
    // A test message from station, which names no alarm.
    QByteArray testDocument(const QString& station, QString* id) const;

public Q_SLOTS:
    void eventOccurred(const zel::EventRecord& event);
    void statusUpdated(const zel::StatusUpdate& update);
    // Alarms raised before a restart get their reminders too.
    void activeAlarmsChanged(const QList<zel::ActiveAlarm>& active);
    // Sends the reminders that are due; the timer calls it.
    void remind();
    // Sends the summaries of kinds steady again; the timer calls it.
    void settleFlaps();
    // Sends the raises a shelf kept back, once their kind is no longer shelved.
    void shelfChanged();

Q_SIGNALS:
    // ackAlarm and ackSinceMs name the alarm a reminder is about; empty else.
    void alert(const QString& id, const QByteArray& document, const QString& ackAlarm,
               qint64 ackSinceMs);

private:
    struct Raised {
        ActiveAlarm alarm;         // its severity as it stands
        qint64 nextReminderMs = 0; // monotonic
        bool told = false;         // an alert went out for it
    };

    // The alert of row e (its state, kind, time, value, detail, severity);
    // false when its kind is shelved and nothing went.
    bool emitAlert(const EventRecord& e, const QDateTime& started, bool reminder);
    void arm();
    void armFlaps();
    // Raised or cleared; false when the flap detector holds its alert.
    bool passes(const EventRecord& e);

    const Clock& m_clock;
    const Shelf* m_shelf = nullptr;
    AlertSettings m_settings;
    std::optional<StatusUpdate> m_current;
    QMap<QString, Raised> m_raised;
    QTimer m_timer;
    FlapDetector m_flaps;
    QTimer m_flapTimer;
};

} // namespace zel
