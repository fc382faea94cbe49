#include "historyservice.h"

namespace zel::history {

HistoryService::HistoryService(HistoryWriter::Options options, const Clock& clock, QObject* parent)
    : QObject(parent), m_writer(new HistoryWriter(std::move(options))), m_recorder(clock)
{
    m_thread.setObjectName(QStringLiteral("history writer"));
    m_writer->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_writer, &QObject::deleteLater);
    connect(&m_recorder, &HistoryRecorder::batchReady, m_writer, &HistoryWriter::write);
    connect(m_writer, &HistoryWriter::problem, this, &HistoryService::problem);
    connect(m_writer, &HistoryWriter::recovered, this, &HistoryService::recovered);
    connect(m_writer, &HistoryWriter::eventsStored, this, &HistoryService::eventsStored);
    connect(m_writer, &HistoryWriter::acknowledged, this, &HistoryService::acknowledged);
    connect(m_writer, &HistoryWriter::acknowledgeRefused, this,
            &HistoryService::acknowledgeRefused);
    m_thread.start(QThread::LowPriority);
}

HistoryService::~HistoryService()
{
    flush();
    m_thread.quit();
    m_thread.wait();
}

void HistoryService::flush()
{
    m_recorder.handOverAll();
    // The batch is queued ahead of this call, so it is written first. Only
    // at exit, where waiting for the disk is what the caller wants.
    QMetaObject::invokeMethod(m_writer, &HistoryWriter::flush, Qt::BlockingQueuedConnection);
}

void HistoryService::acknowledge(qint64 alarmId, const QString& user)
{
    QMetaObject::invokeMethod(
        m_writer, [writer = m_writer, alarmId, user] { writer->acknowledge(alarmId, user); });
}

} // namespace zel::history
