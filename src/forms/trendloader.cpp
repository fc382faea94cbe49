#include "trendloader.h"

namespace zel {

TrendLoader::TrendLoader(QString path, std::shared_ptr<const std::atomic<quint64>> latest)
    : m_path(std::move(path)), m_latest(std::move(latest))
{
}

TrendLoader::~TrendLoader() = default;

void TrendLoader::load(const TrendRequest& request)
{
    if (request.generation < m_latest->load())
        return;
    if (!m_reader) {
        auto reader = std::make_unique<history::HistoryReader>(m_path);
        if (!reader->open()) {
            TrendData failed;
            failed.request = request;
            failed.error = reader->lastError();
            Q_EMIT loaded(failed);
            return;
        }
        m_reader = std::move(reader);
    }
    TrendData data = loadTrend(*m_reader, request);
    // A read error may mean the file was replaced: open afresh next time.
    if (!data.error.isEmpty())
        m_reader.reset();
    Q_EMIT loaded(data);
}

} // namespace zel
