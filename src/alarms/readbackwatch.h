#pragma once

#include "core/statusupdate.h"
#include "eventrecord.h"
#include "setvalues.h"
#include "shell/clock.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace zel {

// After a set command went out, looks for its carrier state and frequency in
// the readings for a limited time and says whether the transmitter took it.
// A new command replaces a watch in progress; the old one ends not confirmed
// (it was never seen), logged but not announced, since the operator has just
// moved on.
class ReadbackWatch : public QObject {
    Q_OBJECT
public:
    static constexpr double FrequencyToleranceMHz = 0.005;

    ReadbackWatch(const Clock& clock, int readbackMs = 10000, QObject* parent = nullptr);

    bool watching() const { return m_asked.has_value(); }
    // On the monotonic clock, as the limit is measured.
    std::optional<qint64> nextDue() const { return m_deadline; }

public Q_SLOTS:
    // A set command was sent with these values.
    void watch(const zel::SetValues& asked);
    void statusUpdated(const zel::StatusUpdate& update);
    // Ends the watch when its time is up by the clock; the timer calls it.
    void checkDue();

Q_SIGNALS:
    void eventOccurred(const zel::EventRecord& record);
    // A plain sentence for the operator: a warning (not confirmed), or
    // information (confirmed).
    void operatorNotice(const QString& sentence);
    void operatorInformation(const QString& sentence);

private:
    QString seenText() const;
    // at: the wall time for the row; monoAt: the same moment on the monotonic clock.
    void finish(const QDateTime& at, qint64 monoAt, bool confirmed, const QString& why,
                bool announce);

    const Clock& m_clock;
    int m_readbackMs;
    std::optional<SetValues> m_asked;
    qint64 m_startedMs = 0;
    std::optional<qint64> m_deadline;
    std::optional<StatusUpdate> m_seen;
    QTimer m_timer;
};

} // namespace zel
