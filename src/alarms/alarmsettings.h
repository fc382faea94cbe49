#pragma once

#include "config/settingsstore.h"

#include <QStringList>

#include <optional>

namespace zel {

// The [Alarms] group: how long a condition must hold before its alarm is
// raised, how long it must be gone before it clears, and how long a set
// command's values are looked for in the readings.
struct AlarmSettings {
    int qualifySeconds = 3;
    int clearSeconds = 3;
    int readbackSeconds = 10;
    // One line per value that could not be used and fell back to its default.
    QStringList problems;
    // The longest an alarm may be shelved for maintenance.
    int maxShelveHours = 12;
};

namespace keys {
inline const QString AlarmsSection = QStringLiteral("Alarms");
inline const QString QualifySeconds = QStringLiteral("QualifySeconds");
inline const QString ClearSeconds = QStringLiteral("ClearSeconds");
inline const QString ReadbackSeconds = QStringLiteral("ReadbackSeconds");
inline const QString MaxShelveHours = QStringLiteral("MaxShelveHours");
} // namespace keys

AlarmSettings readAlarmSettings(const SettingsStore& store);

// A delay setting: a whole number of seconds from least to 3600, or fallback
// when the key is missing or empty; a value that cannot be used adds a line to
// problems and gives fallback too.
inline constexpr int MaxSeconds = 3600;
// MaxShelveHours may be at most a week.
inline constexpr int LongestShelveHours = 7 * 24;
int readSeconds(const SettingsStore& store, const QString& section, const QString& key, int least,
                int fallback, QStringList& problems);

// A whole number of seconds from least to MaxSeconds, absent for anything else.
std::optional<int> parseSeconds(const QString& text, int least);

} // namespace zel
