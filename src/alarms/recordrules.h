#pragma once

#include "eventrecord.h"
#include "telemetry/transmitterstatus.h"

#include <QString>

#include <array>

namespace zel {

// What one of the panel's alarm rules says about a record, with the value an
// event row shows for it.
struct RuleReading {
    bool holds = false;
    QString value;
};

// The alarms judged from the record's flags, in the order the panel checks
// them; its readings' alarms are the limits'.
inline std::array<QString, 2> recordFlagKinds()
{
    return {alarm::Unlocked, alarm::OffAir};
}

// The panel's own rule for kind, so the log never disagrees with its colours.
RuleReading judgeRecord(const QString& kind, const TransmitterStatus& status);
// judgeRecord's verdict alone, without wording the value.
bool recordRuleHolds(const QString& kind, const TransmitterStatus& status);

// The condition in words, for an event's detail: "carrier off air".
QString ruleText(const QString& kind);

} // namespace zel
