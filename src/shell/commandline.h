#pragma once

#include <QString>
#include <QStringList>

namespace zel {

// What the monitor's command line asks for. It is read before any Qt
// application object exists, so --help and --version never need a display.
struct MonitorCommandLine {
    enum class Action {
        RunWindow,
        RunHeadless,
        ShowHelp,
        ShowVersion,
        Refuse,
        // The web panel's accounts.
        AddUser,
        ChangePassword,
        RemoveUser,
        ListUsers
    };
    Action action = Action::RunWindow;
    // For Refuse: the one-line reason.
    QString error;
    // For the account actions: the account's name, and --role's word, as
    // given (the accounts code judges them).
    QString user;
    QString role;
    // --profile's name, checked; empty without one.
    QString profile;
};

// args without the program name. Options other than the monitor's own that
// Qt's window system takes (-platform, -display, ...) are left to Qt.
MonitorCommandLine parseMonitorCommandLine(const QStringList& args);

QString monitorUsage();
// "zel-fm-monitor 2.0.3"
QString monitorVersionLine();

} // namespace zel
