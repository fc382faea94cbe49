#pragma once

#include "history/historytrend.h"

#include <QObject>

#include <atomic>
#include <memory>

namespace zel {

// Reads trends on a thread of its own with its own read-only connection, so
// a slow query never stalls the window. Requests overtaken by a later one
// (by generation) are dropped unread. A database that cannot be opened is
// tried again at the next request.
class TrendLoader : public QObject {
    Q_OBJECT
public:
    TrendLoader(QString path, std::shared_ptr<const std::atomic<quint64>> latest);
    ~TrendLoader() override;

public Q_SLOTS:
    void load(const zel::TrendRequest& request);

Q_SIGNALS:
    void loaded(const zel::TrendData& data);

private:
    QString m_path;
    std::shared_ptr<const std::atomic<quint64>> m_latest;
    std::unique_ptr<history::HistoryReader> m_reader;
};

} // namespace zel
