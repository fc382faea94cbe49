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

qint64 bucketSeconds(qint64 fromS, qint64 toS, int columns)
{
    if (toS <= fromS || columns < 1)
        return 1;
    return std::max<qint64>(1, (toS - fromS + columns - 1) / columns);
}

TrendData loadTrend(history::HistoryReader& reader, const TrendRequest& request)
{
    TrendData data;
    data.request = request;
    for (const TraceInfo& trace : historyTraces()) {
        auto buckets = reader.trend(trace.field, request.fromS, request.toS, request.columns);
        if (!buckets) {
            data.error = reader.lastError();
            data.traces.clear();
            return data;
        }
        data.traces << *buckets;
    }
    if (auto spans = reader.alarmSpans(request.fromS * 1000, request.toS * 1000))
        data.alarms = *spans;
    else
        data.error = reader.lastError();
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

QString alarmTitle(const QString& kind)
{
    static const QHash<QString, QString> titles{
        {alarm::OffAir, QStringLiteral("Off air")},
        {alarm::Unlocked, QStringLiteral("Frequency unlocked")},
        {alarm::OverTemperature, QStringLiteral("Over temperature")},
        {alarm::HighReflect, QStringLiteral("High reflected power")},
        {alarm::LinkLost, QStringLiteral("Link lost")},
        {alarm::PortFailed, QStringLiteral("Port failed")},
    };
    return titles.value(kind, kind);
}

} // namespace zel
