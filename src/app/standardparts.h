#pragma once

#include "core/monitorcore.h"

namespace zel {

// The platform's own parts for the monitor's core: the per-user settings
// store, the serial port named by it, the system clock and the standard file
// locations, those of profile when one is named; the operator's dialogs are
// the caller's (windows or stderr).
MonitorCoreParts standardCoreParts(std::unique_ptr<OperatorDialogs> dialogs,
                                   const QString& profile = {});

} // namespace zel
