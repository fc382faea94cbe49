#pragma once

#include <QString>

#include <optional>

namespace zel {

struct MonitorStart {
    // Set when the command line was done with short of a window.
    std::optional<int> status;
    // The window's profile (--profile), empty for none.
    QString profile;
};

// What zel-fm-monitor does with its command line short of opening a window:
// help, version, a refused option (status 2), or the monitor without a
// window. No status when the window is wanted. Runs before any Qt
// application object, so none of it needs a display. Both programs call it
// first, so it is also where the process-wide signal settings are made.
MonitorStart runWithoutWindow(int argc, char** argv);

} // namespace zel
