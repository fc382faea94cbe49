#pragma once

#include "shell/commandline.h"

#include <QString>

namespace zel {

// Runs --add-user, --passwd, --remove-user or --list-users on the accounts
// file at path and gives the exit status: 0 done (one line on standard
// output says what and where), 1 refused (the reason on standard error), 2
// a bad name or role. Needs no Qt application object.
int runAccountCommand(const MonitorCommandLine& command, const QString& path);

} // namespace zel
