#pragma once

#include "config/settingsstore.h"

namespace zel::history {

// How long each kind of row is kept, in days; 0 keeps it for ever. Hours are
// small (a year is under half a megabyte) and are kept for ever.
struct RetentionPolicy {
    int secondDays = 31;
    int minuteDays = 730;
    int eventDays = 0;
};

// [History] SecondDays, MinuteDays, EventDays. A value that is no whole
// number of days of at least 0 keeps the default.
RetentionPolicy readRetentionPolicy(const SettingsStore& store);

} // namespace zel::history
