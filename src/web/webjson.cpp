#include "webjson.h"

#include "alarms/alarmtitle.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace zel {

namespace {

QJsonValue isoTime(const QDateTime& t)
{
    return t.isValid() ? QJsonValue(t.toUTC().toString(Qt::ISODateWithMs)) : QJsonValue();
}

} // namespace

QString webAlarmState(AlarmState state)
{
    switch (state) {
    case AlarmState::RaisedUnacknowledged:
        return QStringLiteral("raised");
    case AlarmState::RaisedAcknowledged:
        return QStringLiteral("acknowledged");
    case AlarmState::ClearedUnacknowledged:
        return QStringLiteral("cleared");
    case AlarmState::Normal:
        break;
    }
    return QStringLiteral("normal");
}

QJsonObject eventObject(const EventRecord& e)
{
    return QJsonObject{
        {"id", double(e.id)},           {"time", isoTime(e.time)}, {"event", e.event},
        {"title", alarmTitle(e.event)}, {"state", e.state},        {"value", e.value},
        {"detail", e.detail},           {"user", e.user},          {"severity", e.severity}};
}

QJsonObject alarmsObject(const QList<AlarmStatus>& alarms, const MetricsSnapshot* snapshot)
{
    QJsonArray list;
    for (const AlarmStatus& a : alarms) {
        QJsonObject o = eventObject(a.alarm);
        o.insert("state", webAlarmState(a.state));
        o.insert("acknowledged_by", a.acknowledgedBy);
        o.insert("shelved", snapshot && snapshot->shelved.contains(a.alarm.event));
        list.append(o);
    }
    QJsonArray shelved;
    QJsonArray kinds;
    if (snapshot) {
        for (auto it = snapshot->shelved.cbegin(); it != snapshot->shelved.cend(); ++it)
            shelved.append(QJsonObject{{"kind", it.key()},
                                       {"until", isoTime(it->until)},
                                       {"by", it->user},
                                       {"reason", it->reason}});
        for (const auto& [kind, severities] : snapshot->alarmKinds)
            kinds.append(kind);
    }
    return QJsonObject{{"alarms", list}, {"shelved", shelved}, {"kinds", kinds}};
}

QJsonObject eventsObject(const QList<EventRecord>& events, int page, int pageSize)
{
    const qsizetype total = events.size();
    const int pages = std::max(1, int((total + pageSize - 1) / pageSize));
    page = std::clamp(page, 0, pages - 1);
    QJsonArray list;
    for (qsizetype i = qsizetype(page) * pageSize;
         i < std::min(total, qsizetype(page + 1) * pageSize); ++i)
        list.append(eventObject(events.at(i)));
    return QJsonObject{
        {"events", list}, {"page", page}, {"pages", pages}, {"total", double(total)}};
}

QJsonObject historyObject(const TrendData& data)
{
    QJsonArray fields;
    const QList<TraceInfo>& traces = historyTraces();
    for (qsizetype i = 0; i < traces.size() && i < data.traces.size(); ++i) {
        const history::FieldInfo& info = history::fieldInfo(traces[i].field);
        const double scale = std::pow(10.0, info.decimals);
        QJsonArray buckets;
        for (const history::TrendBucket& b : data.traces[i])
            buckets.append(QJsonArray{double(b.start), double(b.min) / scale, double(b.max) / scale,
                                      double(b.last) / scale});
        fields.append(QJsonObject{{"name", QString::fromLatin1(info.csvName)},
                                  {"label", traces[i].title},
                                  {"unit", traces[i].unit},
                                  {"buckets", buckets}});
    }
    QJsonArray spans;
    for (const history::AlarmSpan& s : data.alarms)
        spans.append(QJsonObject{
            {"event", s.event},
            {"title", alarmTitle(s.event)},
            {"start", double(s.start.toSecsSinceEpoch())},
            {"end", s.end ? QJsonValue(double(s.end->toSecsSinceEpoch())) : QJsonValue()},
            {"severity", s.severity}});
    QJsonObject o{{"from", double(data.request.fromS)},
                  {"to", double(data.request.toS)},
                  {"fields", fields},
                  {"alarms", spans}};
    if (!data.error.isEmpty())
        o.insert("error", data.error);
    return o;
}

QByteArray compactJson(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace zel
