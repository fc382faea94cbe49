#include "alarmstate.h"

namespace zel {

AlarmState alarmState(bool cleared, bool acknowledged)
{
    if (!cleared)
        return acknowledged ? AlarmState::RaisedAcknowledged : AlarmState::RaisedUnacknowledged;
    return acknowledged ? AlarmState::Normal : AlarmState::ClearedUnacknowledged;
}

QString alarmStateWord(AlarmState state)
{
    switch (state) {
    case AlarmState::RaisedUnacknowledged:
        return QStringLiteral("raised_unacknowledged");
    case AlarmState::RaisedAcknowledged:
        return QStringLiteral("raised_acknowledged");
    case AlarmState::ClearedUnacknowledged:
        return QStringLiteral("cleared_unacknowledged");
    case AlarmState::Normal:
        break;
    }
    return QStringLiteral("normal");
}

QString alarmStateText(AlarmState state)
{
    switch (state) {
    case AlarmState::RaisedUnacknowledged:
        return QStringLiteral("raised, not acknowledged");
    case AlarmState::RaisedAcknowledged:
        return QStringLiteral("raised, acknowledged");
    case AlarmState::ClearedUnacknowledged:
        return QStringLiteral("cleared, not acknowledged");
    case AlarmState::Normal:
        break;
    }
    return QStringLiteral("cleared, acknowledged");
}

} // namespace zel
