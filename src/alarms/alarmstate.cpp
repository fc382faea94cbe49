#include "alarmstate.h"

#include <array>

namespace zel {
namespace {

struct StateNames {
    const char* word;
    const char* text;
};

// In the order of AlarmState.
constexpr std::array<StateNames, 4> kNames{{
    {"raised_unacknowledged", "raised, not acknowledged"},
    {"raised_acknowledged", "raised, acknowledged"},
    {"cleared_unacknowledged", "cleared, not acknowledged"},
    {"normal", "cleared, acknowledged"},
}};

} // namespace

AlarmState alarmState(bool cleared, bool acknowledged)
{
    if (!cleared)
        return acknowledged ? AlarmState::RaisedAcknowledged : AlarmState::RaisedUnacknowledged;
    return acknowledged ? AlarmState::Normal : AlarmState::ClearedUnacknowledged;
}

QString alarmStateWord(AlarmState state)
{
    return QString::fromLatin1(kNames[std::size_t(state)].word);
}

QString alarmStateText(AlarmState state)
{
    return QString::fromLatin1(kNames[std::size_t(state)].text);
}

} // namespace zel
