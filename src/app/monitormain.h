#pragma once

#include <optional>

namespace zel {

// What zel-fm-monitor does with its command line short of opening a window:
// help, version, a refused option (status 2), or the monitor without a
// window. Empty when the window is wanted. Runs before any Qt application
// object, so none of it needs a display. Both programs call it first, so it
// is also where the process-wide signal settings are made.
std::optional<int> runWithoutWindow(int argc, char** argv);

} // namespace zel
