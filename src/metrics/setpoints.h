#pragma once

#include "config/settingsstore.h"
#include "metricssnapshot.h"

namespace zel {

// The SET values the panel saved, each only where its text is a plain number.
SetPoints readSetPoints(const SettingsStore& store);

} // namespace zel
