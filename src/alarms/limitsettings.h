#pragma once

#include "alarmsettings.h"
#include "limitreadings.h"

#include <array>
#include <optional>

namespace zel {

// One limit as set: a number in the reading's units, or with "%" a fraction
// of the reading's reference (the forward target for forward_w, the forward
// power for reflected_w).
struct Threshold {
    double value = 0;
    bool relative = false;

    // In the reading's units; absent when relative and there is no reference.
    std::optional<double> resolve(std::optional<double> reference) const
    {
        if (!relative)
            return value;
        return reference ? std::optional<double>(*reference * value) : std::nullopt;
    }
    bool operator==(const Threshold&) const = default;
};

// The four levels in the order they must stand, low to high.
enum class LimitKey { LowCritical, LowWarning, HighWarning, HighCritical };

struct ReadingLimits {
    std::array<std::optional<Threshold>, 4> levels;
    // The band a reading must come back inside by before it leaves a level.
    Threshold hysteresis;
    int qualifySeconds = 0;
    int clearSeconds = 0;

    std::optional<Threshold> at(LimitKey key) const { return levels[std::size_t(key)]; }
    bool any() const;
    bool anyRelative() const;
};

struct SilenceSettings {
    double level = 10;
    int seconds = 30;
    double clearLevel = 15;
    int clearSeconds = 5;
};

// The [Limits] group.
struct LimitSettings {
    std::array<ReadingLimits, ReadingCount> readings;
    double minForwardW = 5;
    SilenceSettings silence;
    // One line per value that could not be used; that limit stays off (a
    // timing or silence value keeps its default), and levels out of order.
    QStringList problems;

    const ReadingLimits& of(Reading r) const { return readings[std::size_t(r)]; }
};

namespace keys {
inline const QString LimitsSection = QStringLiteral("Limits");
inline const QString MinForwardW = QStringLiteral("min_forward_w");
inline const QString SilenceLevel = QStringLiteral("silence.level");
inline const QString SilenceSeconds = QStringLiteral("silence.seconds");
inline const QString SilenceClearLevel = QStringLiteral("silence.clear_level");
inline const QString SilenceClearSeconds = QStringLiteral("silence.clear_seconds");
// After "<reading>.", beside the level names.
inline const QString Hysteresis = QStringLiteral("hysteresis");
inline const QString LimitQualifySeconds = QStringLiteral("qualify_seconds");
inline const QString LimitClearSeconds = QStringLiteral("clear_seconds");
} // namespace keys

inline const QString LevelOrder =
    QStringLiteral("low_critical <= low_warning < high_warning <= high_critical");

// "low_critical", ... "high_critical".
QString limitKeyName(LimitKey key);

// One value as typed: empty is no limit and no problem; otherwise the
// threshold, or why it cannot be used ("is not a number", ...).
struct LimitValue {
    std::optional<Threshold> threshold;
    QString problem;
};
// A finite number, with "%" only where relative is allowed (see takesRelative).
LimitValue parseThreshold(const QString& text, bool relative, bool nonNegative);
// A level (min_forward_w, the silence levels): a number from 0 up.
std::optional<double> parseLevel(const QString& text);
// Only forward_w and reflected_w have a reference for "%".
bool takesRelative(Reading r);
// A level's default as its key would be written; empty for none.
QString defaultLimitText(Reading r, LimitKey key);
// The pairs of levels (indexes into ReadingLimits::levels) that stand out of
// order.
QList<std::pair<int, int>> levelsOutOfOrder(const ReadingLimits& limits);

// Missing keys take their defaults, which keep the designed alarms
// (temperature_c.high_critical=45, reflected_w.high_critical=6%) and add
// low power (forward_w.low_warning=90%, low_critical=50%); a key present but
// empty turns its limit off. Times default to alarms'.
LimitSettings readLimitSettings(const SettingsStore& store, const AlarmSettings& alarms);

// The defaults alone, as an empty [Limits] group reads.
LimitSettings defaultLimitSettings(const AlarmSettings& alarms);

// The forward target the SET panel saved, when there is one above zero.
std::optional<double> savedForwardTarget(const SettingsStore& store);

} // namespace zel
