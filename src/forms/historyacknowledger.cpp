#include "historyacknowledger.h"

namespace zel {

HistoryAcknowledger::HistoryAcknowledger(history::HistoryService& history, QString user,
                                         QObject* parent)
    : AlarmAcknowledger(parent), m_history(history), m_user(std::move(user))
{
    connect(&history, &history::HistoryService::acknowledged, this,
            &AlarmAcknowledger::acknowledged);
    connect(&history, &history::HistoryService::acknowledgeRefused, this,
            &AlarmAcknowledger::refused);
}

void HistoryAcknowledger::acknowledge(qint64 alarmId)
{
    m_history.acknowledge(alarmId, m_user);
}

} // namespace zel
