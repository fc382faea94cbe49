#pragma once

namespace zel {

// The monitor without any window, tray or dialog: the core on a
// QCoreApplication, messages on standard error, a clean end on SIGTERM or
// SIGINT (exit status 0). Returns the exit status.
int runHeadless(int argc, char** argv);

} // namespace zel
