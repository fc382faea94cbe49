#pragma once

#include "clockstep.h"
#include "core/statusupdate.h"
#include "eventrecord.h"
#include "shell/clock.h"

#include <QObject>
#include <QTimer>

namespace zel {

// Watches the wall clock for being set, once a second and on every reading,
// and logs each step as a clock_step row and one sentence for the operator.
// Delays run on the monotonic clock and are not disturbed; the rows say
// when a step put the times around it out of order.
class ClockStepWatch : public QObject {
    Q_OBJECT
public:
    explicit ClockStepWatch(const Clock& clock, int checkMs = 1000, QObject* parent = nullptr);

public Q_SLOTS:
    void check();
    void statusUpdated(const zel::StatusUpdate&) { check(); }

Q_SIGNALS:
    void eventOccurred(const zel::EventRecord& record);
    void operatorNotice(const QString& sentence);

private:
    const Clock& m_clock;
    ClockStepDetector m_detector;
    QTimer m_timer;
};

} // namespace zel
