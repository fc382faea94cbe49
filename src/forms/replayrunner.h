#pragma once

#include "history/limitreplay.h"

#include <QObject>
#include <QThread>

#include <atomic>

namespace zel {

// Replays limits over the history on a thread of its own: the replay reads
// up to a month of seconds, and a SQLite connection belongs to the thread
// that opened it, so the worker opens its own reader there.
class ReplayWorker : public QObject {
    Q_OBJECT
public:
    explicit ReplayWorker(const std::atomic<bool>& stop) : m_stop(stop) {}

    void run(const QString& historyPath, const zel::LimitSettings& limits,
             std::optional<double> forwardTarget, qint64 fromMs, qint64 toMs);

Q_SIGNALS:
    void progress(int percent);
    void finished(const zel::history::ReplayResult& result);
    void failed(const QString& why);

private:
    const std::atomic<bool>& m_stop;
};

// One replay at a time; stop() ends it early and a stopped replay reports
// failed(). Destroying the runner stops and waits for the worker.
class ReplayRunner : public QObject {
    Q_OBJECT
public:
    explicit ReplayRunner(QObject* parent = nullptr);
    ~ReplayRunner() override;

    bool busy() const { return m_busy; }
    void start(const QString& historyPath, const LimitSettings& limits,
               std::optional<double> forwardTarget, qint64 fromMs, qint64 toMs);
    void stop() { m_stop = true; }

Q_SIGNALS:
    void progress(int percent);
    void finished(const zel::history::ReplayResult& result);
    void failed(const QString& why);

private:
    std::atomic<bool> m_stop{false};
    bool m_busy = false;
    QThread m_thread;
    ReplayWorker* m_worker;
};

} // namespace zel
