#pragma once

#include "historyrecorder.h"
#include "historywriter.h"

#include <QObject>
#include <QThread>

namespace zel::history {

// The station record as the composition root wires it: the recorder on the
// caller's thread, the writer on a thread of its own. Connect the monitor's
// status updates to record() and the alarm log's events to recordEvent().
class HistoryService : public QObject {
    Q_OBJECT
public:
    HistoryService(HistoryWriter::Options options, const Clock& clock, QObject* parent = nullptr);
    // Writes what is waiting, then stops the thread.
    ~HistoryService() override;

    HistoryRecorder& recorder() { return m_recorder; }

public Q_SLOTS:
    void record(const zel::StatusUpdate& update) { m_recorder.record(update); }
    void recordEvent(const zel::EventRecord& event) { m_recorder.recordEvent(event); }
    // Everything recorded so far is on disk (or reported) when this returns.
    void flush();
    // On the writer's thread; the answer comes as acknowledged() or
    // acknowledgeRefused().
    void acknowledge(qint64 alarmId, const QString& user);

Q_SIGNALS:
    void problem(const QString& message);
    void recovered(const QString& message);
    void eventsStored(const QList<zel::EventRecord>& events);
    void acknowledged(qint64 alarmId);
    void acknowledgeRefused(qint64 alarmId, const QString& reason);

private:
    QThread m_thread;
    HistoryWriter* m_writer;
    HistoryRecorder m_recorder;
};

} // namespace zel::history
