#pragma once

#include "settingsstore.h"

namespace zel {

// [Trace] MaxKiB: the size at which the trace file starts over (the full one
// kept as logs.txt.1). Default 10240; a value that is no whole number from 1
// to 4194304 (4 GiB) reads as the default.
inline constexpr qint64 DefaultTraceMaxKiB = 10240;
qint64 traceFileMaxBytes(const SettingsStore& store);

} // namespace zel
