#pragma once

#include <QString>
#include <QStringList>

namespace zel {

// What the monitor's command line asks for. It is read before any Qt
// application object exists, so --help and --version never need a display.
struct MonitorCommandLine {
    enum class Action { RunWindow, RunHeadless, ShowHelp, ShowVersion, Refuse };
    Action action = Action::RunWindow;
    // For Refuse: the one-line reason.
    QString error;
};

// args without the program name. Options other than the monitor's own that
// Qt's window system takes (-platform, -display, ...) are left to Qt.
MonitorCommandLine parseMonitorCommandLine(const QStringList& args);

QString monitorUsage();
// "zel-fm-monitor 2.1.0"
QString monitorVersionLine();

} // namespace zel
