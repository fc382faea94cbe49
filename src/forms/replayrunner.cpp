#include "replayrunner.h"

#include "history/historyreader.h"

namespace zel {

void ReplayWorker::run(const QString& historyPath, const LimitSettings& limits,
                       std::optional<double> forwardTarget, qint64 fromMs, qint64 toMs)
{
    history::HistoryReader reader(historyPath);
    if (!reader.open()) {
        Q_EMIT failed(reader.lastError());
        return;
    }
    int shown = -1;
    const auto tell = [this, &shown](int percent) {
        // The window needs a step now and then, not every call.
        if (percent != shown) {
            shown = percent;
            Q_EMIT progress(percent);
        }
        return !m_stop.load();
    };
    QString error;
    const auto result =
        history::replayLimits(reader, limits, forwardTarget, fromMs, toMs, tell, &error);
    if (result)
        Q_EMIT finished(*result);
    else
        Q_EMIT failed(m_stop ? QStringLiteral("stopped") : error);
}

ReplayRunner::ReplayRunner(QObject* parent) : QObject(parent), m_worker(new ReplayWorker(m_stop))
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &ReplayWorker::progress, this, &ReplayRunner::progress);
    connect(m_worker, &ReplayWorker::finished, this, [this](const history::ReplayResult& r) {
        m_busy = false;
        Q_EMIT finished(r);
    });
    connect(m_worker, &ReplayWorker::failed, this, [this](const QString& why) {
        m_busy = false;
        Q_EMIT failed(why);
    });
    m_thread.setObjectName(QStringLiteral("limit replay"));
    m_thread.start();
}

ReplayRunner::~ReplayRunner()
{
    m_stop = true;
    m_thread.quit();
    m_thread.wait();
}

void ReplayRunner::start(const QString& historyPath, const LimitSettings& limits,
                         std::optional<double> forwardTarget, qint64 fromMs, qint64 toMs)
{
    if (m_busy)
        return;
    m_busy = true;
    m_stop = false;
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, historyPath, limits, forwardTarget, fromMs, toMs] {
            worker->run(historyPath, limits, forwardTarget, fromMs, toMs);
        },
        Qt::QueuedConnection);
}

} // namespace zel
