#pragma once

#include "core/statusupdate.h"
#include "historybatch.h"
#include "shell/clock.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace zel::history {

// Turns the stream of status updates (up to 80 a second) into one sample per
// second: the second's last record, with its minimum and maximum. Just after
// each second ends it hands the finished seconds and the events that came in
// meanwhile to the writer in one batch. Never touches the disk, so it can sit
// on the window's thread. The timer runs only while something is waiting.
class HistoryRecorder : public QObject {
    Q_OBJECT
public:
    explicit HistoryRecorder(const Clock& clock, int handOverDelayMs = 20,
                             QObject* parent = nullptr);

    void record(const StatusUpdate& update);
    void recordEvent(const EventRecord& event);

    // Hands over the seconds that have ended by the clock's now, and the
    // events; the timer calls it, tests and benchmarks may too.
    void handOver();
    // Hands over everything, the second in progress included (clean exit).
    void handOverAll();

Q_SIGNALS:
    void batchReady(const zel::history::HistoryBatch& batch);

private:
    void finishCurrent();
    void emitBatch(const QDateTime& now);
    void armTimer();

    const Clock& m_clock;
    int m_handOverDelayMs;
    QTimer m_timer;
    std::optional<SecondSample> m_current;
    std::array<bool, FieldCount> m_seen{}; // the current second has had a value
    QList<SecondSample> m_finished;
    QList<EventRecord> m_events;
};

} // namespace zel::history
