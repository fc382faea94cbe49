#include "historytrend.h"

#include <algorithm>

namespace zel {

using history::Field;

const QList<TraceInfo>& historyTraces()
{
    static const QList<TraceInfo> traces{
        {Field::Forward, QStringLiteral("Forward power"), QStringLiteral("W")},
        {Field::Reflected, QStringLiteral("Reflected power"), QStringLiteral("W")},
        {Field::Temperature, QStringLiteral("Temperature"), QStringLiteral("°C")},
        {Field::Frequency, QStringLiteral("Frequency"), QStringLiteral("MHz")},
        {Field::Voltage, QStringLiteral("PA voltage"), QStringLiteral("V")},
        {Field::Current, QStringLiteral("PA current"), QStringLiteral("A")},
        {Field::Modulation, QStringLiteral("Modulation"), QStringLiteral("%")},
    };
    return traces;
}

int trendColumns(qint64 spanS, int pixels)
{
    if (spanS <= 3 * 3600)
        return std::max(1, pixels);
    return int(std::clamp<qint64>(spanS / 60, 1, std::max(1, pixels)));
}

qint64 bucketSeconds(qint64 fromS, qint64 toS, int columns)
{
    if (toS <= fromS || columns < 1)
        return 1;
    return std::max<qint64>(1, (toS - fromS + columns - 1) / columns);
}

namespace {

// Every trace from one pass over the roll-ups: a period's row holds all the
// fields, so reading it once per trace would decode each row seven times.
bool rollupTraces(history::HistoryReader& reader, history::Step step, const TrendRequest& r,
                  qint64 width, QList<QList<history::TrendBucket>>& traces)
{
    const QList<TraceInfo>& infos = historyTraces();
    traces = QList<QList<history::TrendBucket>>(infos.size());
    return reader.forEachRollup(step, r.fromS, r.toS, [&](const history::Rollup& row) {
        const qint64 start = r.fromS + (row.t - r.fromS) / width * width;
        for (qsizetype i = 0; i < infos.size(); ++i) {
            const auto& f = row.field[std::size_t(infos[i].field)];
            if (!f)
                continue;
            QList<history::TrendBucket>& out = traces[i];
            if (out.isEmpty() || out.last().start != start) {
                out << history::TrendBucket{start, f->min, f->max, f->mean};
                continue;
            }
            history::TrendBucket& b = out.last();
            b.min = std::min(b.min, f->min);
            b.max = std::max(b.max, f->max);
            b.last = f->mean;
        }
    });
}

bool allEmpty(const QList<QList<history::TrendBucket>>& traces)
{
    return std::all_of(traces.cbegin(), traces.cend(),
                       [](const QList<history::TrendBucket>& t) { return t.isEmpty(); });
}

} // namespace

TrendData loadTrend(history::HistoryReader& reader, const TrendRequest& request)
{
    TrendData data;
    data.request = request;
    const qint64 width = bucketSeconds(request.fromS, request.toS, request.columns);
    bool ok = true;
    if (width < 60) {
        // The seconds are grouped in SQL, a trace at a time.
        for (const TraceInfo& trace : historyTraces()) {
            auto buckets = reader.trend(trace.field, request.fromS, request.toS, request.columns);
            ok = ok && buckets.has_value();
            data.traces << buckets.value_or(QList<history::TrendBucket>{});
        }
    } else {
        // As the reader's trend: minutes under an hour a column, else hours,
        // and hours where the minutes have been thinned out.
        const history::Step first = width < 3600 ? history::Step::Minute : history::Step::Hour;
        ok = rollupTraces(reader, first, request, width, data.traces);
        if (ok && first == history::Step::Minute && allEmpty(data.traces))
            ok = rollupTraces(reader, history::Step::Hour, request, width, data.traces);
    }
    std::optional<QList<history::AlarmSpan>> spans;
    if (ok)
        spans = reader.alarmSpans(request.fromS * 1000, request.toS * 1000);
    if (!ok || !spans) {
        data.traces.clear();
        data.error = reader.lastError();
        return data;
    }
    data.alarms = *spans;
    return data;
}

qsizetype bucketAt(const QList<history::TrendBucket>& buckets, qint64 t, qint64 width)
{
    const auto after =
        std::upper_bound(buckets.cbegin(), buckets.cend(), t,
                         [](qint64 time, const history::TrendBucket& b) { return time < b.start; });
    if (after == buckets.cbegin())
        return -1;
    const auto it = std::prev(after);
    return t < it->start + width ? it - buckets.cbegin() : -1;
}

} // namespace zel
