#pragma once

#include <optional>

namespace zel {

// What zel-fm-monitor does with its command line short of opening a window:
// help, version, a refused option (status 2), or the monitor without a
// window. Empty when the window is wanted. Runs before any Qt application
// object, so none of it needs a display.
std::optional<int> runWithoutWindow(int argc, char** argv);

} // namespace zel
