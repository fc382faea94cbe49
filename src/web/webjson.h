#pragma once

#include "alarms/alarmstate.h"
#include "alarms/eventrecord.h"
#include "history/historytrend.h"
#include "metrics/metricssnapshot.h"

#include <QJsonObject>

namespace zel {

// The web API's documents, built from the same records the windows show.

// "raised", "acknowledged" (raised and acknowledged), "cleared" (cleared,
// waiting for an acknowledgement) or "normal".
QString webAlarmState(AlarmState state);

QJsonObject eventObject(const EventRecord& e);
// The current alarms with their state and severity, the shelves in force and
// the kinds that may be shelved.
QJsonObject alarmsObject(const QList<AlarmStatus>& alarms, const MetricsSnapshot* snapshot);
// One page of events, newest first, and how many pages there are.
QJsonObject eventsObject(const QList<EventRecord>& events, int page, int pageSize);
// The traces in their units, [start s, min, max, last] per bucket, and the
// alarm spans.
QJsonObject historyObject(const TrendData& data);

QByteArray compactJson(const QJsonObject& o);

} // namespace zel
