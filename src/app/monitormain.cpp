#include "monitormain.h"

#include "config/qtsettingsstore.h"
#include "headlessmonitor.h"
#include "shell/commandline.h"
#include "shell/terminationsignals.h"
#include "web/accountcommands.h"
#include "web/accountfile.h"

#include <cstdio>

namespace zel {

MonitorStart runWithoutWindow(int argc, char** argv)
{
    ignoreFileSizeSignal();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const MonitorCommandLine command = parseMonitorCommandLine(args);
    switch (command.action) {
    case MonitorCommandLine::Action::ShowHelp:
        std::fputs(qUtf8Printable(monitorUsage()), stdout);
        return {0, {}};
    case MonitorCommandLine::Action::ShowVersion:
        std::printf("%s\n", qUtf8Printable(monitorVersionLine()));
        return {0, {}};
    case MonitorCommandLine::Action::Refuse:
        std::fprintf(stderr, "zel-fm-monitor: %s\n%s", qUtf8Printable(command.error),
                     qUtf8Printable(monitorUsage()));
        return {2, {}};
    case MonitorCommandLine::Action::RunHeadless:
        return {runHeadless(argc, argv, command.profile), {}};
    case MonitorCommandLine::Action::AddUser:
    case MonitorCommandLine::Action::ChangePassword:
    case MonitorCommandLine::Action::RemoveUser:
    case MonitorCommandLine::Action::ListUsers:
        // Beside the settings file this user's monitor (of that profile)
        // reads: the service's with XDG_CONFIG_HOME=/etc/zel-fm-monitor.
        return {runAccountCommand(
                    command, accountFilePath(profileSettingsStore(command.profile)->location())),
                {}};
    case MonitorCommandLine::Action::RunWindow:
        break;
    }
    return {std::nullopt, command.profile};
}

} // namespace zel
