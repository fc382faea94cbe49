#pragma once

#include "alarmacknowledger.h"
#include "history/historyservice.h"

namespace zel {

// The events window's acknowledgements, written by the monitor's own history
// writer on its thread, in the name of the user running the monitor.
class HistoryAcknowledger final : public AlarmAcknowledger {
    Q_OBJECT
public:
    HistoryAcknowledger(history::HistoryService& history, QString user, QObject* parent = nullptr);

    void acknowledge(qint64 alarmId) override;

private:
    history::HistoryService& m_history;
    QString m_user;
};

} // namespace zel
