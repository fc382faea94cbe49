#pragma once

#include "eventrecord.h"

#include <QString>

namespace zel {

// Where an alarm (its raised row) stands now: raised or cleared since, and
// acknowledged or not. A cleared alarm nobody acknowledged still waits for
// someone; one both cleared and acknowledged is back to normal.
enum class AlarmState { RaisedUnacknowledged, RaisedAcknowledged, ClearedUnacknowledged, Normal };

AlarmState alarmState(bool cleared, bool acknowledged);
// The word the command line writes: raised_unacknowledged, raised_acknowledged,
// cleared_unacknowledged, normal.
QString alarmStateWord(AlarmState state);
// The words the events window shows: "raised, not acknowledged"...
QString alarmStateText(AlarmState state);
inline bool waitsForAcknowledgement(AlarmState s)
{
    return s == AlarmState::RaisedUnacknowledged || s == AlarmState::ClearedUnacknowledged;
}
inline bool isRaised(AlarmState s)
{
    return s == AlarmState::RaisedUnacknowledged || s == AlarmState::RaisedAcknowledged;
}

// An alarm that is raised or waits for an acknowledgement.
struct AlarmStatus {
    EventRecord alarm; // the raised row
    AlarmState state = AlarmState::Normal;
    QString acknowledgedBy; // empty until someone has
};

} // namespace zel
