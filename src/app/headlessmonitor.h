#pragma once

#include <QString>

namespace zel {

// The monitor without any window, tray or dialog: the core on a
// QCoreApplication, messages on standard error, a clean end on SIGTERM or
// SIGINT (exit status 0), with the settings and files of profile (none when
// empty). Returns the exit status.
int runHeadless(int argc, char** argv, const QString& profile);

} // namespace zel
