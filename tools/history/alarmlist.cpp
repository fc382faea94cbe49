#include "alarmlist.h"

#include "history/historycsv.h"
#include "history/historyreader.h"
#include "history/historytime.h"

namespace zel::history {

bool writeActiveAlarms(QTextStream& out, HistoryReader& reader, TimeStyle style)
{
    const auto alarms = reader.activeAlarms();
    if (!alarms)
        return false;
    out << "id,time,event,state,value,detail,acknowledged_by,severity\n";
    for (const AlarmStatus& a : *alarms) {
        const EventRecord& e = a.alarm;
        out << QStringList{QString::number(e.id),
                           formatTime(e.time.toMSecsSinceEpoch(), style),
                           csvField(e.event),
                           alarmStateWord(a.state),
                           csvField(e.value),
                           csvField(e.detail),
                           csvField(a.acknowledgedBy),
                           csvField(e.severity)}
                   .join(u',')
            << '\n';
    }
    return true;
}

bool writeUnacknowledgedAlarms(QTextStream& out, HistoryReader& reader, qint64 fromMs, qint64 toMs,
                               TimeStyle style)
{
    const auto alarms = reader.activeAlarms();
    if (!alarms)
        return false;
    out << eventsHeader() << ",alarm_state\n";
    for (const AlarmStatus& a : *alarms) {
        const qint64 t = a.alarm.time.toMSecsSinceEpoch();
        if (waitsForAcknowledgement(a.state) && t >= fromMs && t < toMs)
            out << eventRow(a.alarm, style) << ',' << alarmStateWord(a.state) << '\n';
    }
    return true;
}

} // namespace zel::history
