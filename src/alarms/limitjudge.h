#pragma once

#include "limitsettings.h"

#include <QString>

namespace zel {

// Where a reading stands against its limits.
enum class LimitLevel { Normal, LowWarning, LowCritical, HighWarning, HighCritical };

struct LimitVerdict {
    LimitLevel level = LimitLevel::Normal;
    // No value, or no reference for a relative limit: the level was kept and
    // nothing may raise or clear on it.
    bool suspended = false;
};

// The kind an alarm at level raises: the designed names for the designed
// alarms (over_temperature, high_reflect), low_power for forward power
// falling short, else "<reading>_low" or "<reading>_high"; empty for Normal.
QString limitKind(Reading reading, LimitLevel level);
// "warning" or "critical"; empty for Normal.
QString limitSeverity(LimitLevel level);

// One reading's limits. Pure: the qualify and clear times are the caller's,
// kept per kind in a QualifiedCondition.
class LimitJudge {
public:
    LimitJudge(Reading reading, ReadingLimits limits)
        : m_reading(reading), m_limits(std::move(limits))
    {
    }

    // The level the frame's value puts the reading at, from the level it
    // stands at now. Crossing a limit (strictly above a high one, strictly
    // below a low one) goes at once; leaving a level needs the value back
    // inside that level's limit by the hysteresis band.
    LimitVerdict judge(LimitLevel now, const LimitReadings& readings) const;
    LimitVerdict judge(LimitLevel now, std::optional<double> value,
                       std::optional<double> reference) const;

    Reading reading() const { return m_reading; }
    const ReadingLimits& limits() const { return m_limits; }

private:
    Reading m_reading;
    ReadingLimits m_limits;
};

} // namespace zel
