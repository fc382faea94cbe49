#include "commandline.h"

#include "config/profile.h"
#include "version.h"

#include <optional>

namespace zel {

namespace {

// Qt's own window-system options, each with the number of values it takes.
int qtOptionValues(const QString& arg)
{
    static const QStringList withValue = {
        QStringLiteral("-platform"),        QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"),   QStringLiteral("-plugin"),
        QStringLiteral("-display"),         QStringLiteral("-geometry"),
        QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowtitle"),
        QStringLiteral("-qwindowicon"),     QStringLiteral("-style"),
        QStringLiteral("-stylesheet")};
    static const QStringList flags = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount"),
                                      QStringLiteral("-nograb"), QStringLiteral("-dograb"),
                                      QStringLiteral("-sync")};
    if (withValue.contains(arg))
        return 1;
    if (flags.contains(arg))
        return 0;
    return -1;
}

std::optional<MonitorCommandLine::Action> accountAction(const QString& arg)
{
    using Action = MonitorCommandLine::Action;
    if (arg == QStringLiteral("--add-user"))
        return Action::AddUser;
    if (arg == QStringLiteral("--passwd"))
        return Action::ChangePassword;
    if (arg == QStringLiteral("--remove-user"))
        return Action::RemoveUser;
    if (arg == QStringLiteral("--list-users"))
        return Action::ListUsers;
    return std::nullopt;
}

} // namespace

MonitorCommandLine parseMonitorCommandLine(const QStringList& args)
{
    using Action = MonitorCommandLine::Action;
    MonitorCommandLine result;
    const auto refuse = [](const QString& error) {
        return MonitorCommandLine{Action::Refuse, error, {}, {}, {}};
    };
    bool roleGiven = false;
    QString actionOption;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const std::optional<Action> account = accountAction(arg);
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            return {Action::ShowHelp, {}, {}, {}, {}};
        } else if (arg == QStringLiteral("--version") || arg == QStringLiteral("-v")) {
            return {Action::ShowVersion, {}, {}, {}, {}};
        } else if (arg == QStringLiteral("--headless") || account) {
            // --headless twice is as once.
            if (result.action != Action::RunWindow &&
                (account || result.action != Action::RunHeadless))
                return refuse(
                    QStringLiteral("option %1 does not go with %2").arg(arg, actionOption));
            result.action = account.value_or(Action::RunHeadless);
            actionOption = arg;
            if (account && *account != Action::ListUsers) {
                if (++i >= args.size())
                    return refuse(QStringLiteral("option %1 needs a value").arg(arg));
                result.user = args.at(i);
            }
        } else if (arg == QStringLiteral("--role")) {
            if (++i >= args.size())
                return refuse(QStringLiteral("option %1 needs a value").arg(arg));
            roleGiven = true;
            result.role = args.at(i);
        } else if (arg == QStringLiteral("--profile")) {
            if (++i >= args.size())
                return refuse(QStringLiteral("option %1 needs a value").arg(arg));
            result.profile = args.at(i);
            if (const QString problem = profileNameProblem(result.profile); !problem.isEmpty())
                return refuse(problem);
        } else if (const int values = qtOptionValues(arg); values >= 0) {
            if (i + values >= args.size())
                return refuse(QStringLiteral("option %1 needs a value").arg(arg));
            i += values;
        } else {
            return refuse(arg.startsWith(u'-') ? QStringLiteral("unknown option %1").arg(arg)
                                               : QStringLiteral("unexpected argument %1").arg(arg));
        }
    }
    if (result.action == Action::AddUser && !roleGiven)
        return refuse(QStringLiteral("--add-user needs --role viewer, operator or admin"));
    if (result.action != Action::AddUser && roleGiven)
        return refuse(QStringLiteral("--role goes only with --add-user"));
    return result;
}

QString monitorUsage()
{
    return QStringLiteral(
        "Usage: zel-fm-monitor [--profile NAME] [--headless]\n"
        "       zel-fm-monitor [--profile NAME] --add-user NAME --role ROLE |\n"
        "                      --passwd NAME | --remove-user NAME | --list-users\n"
        "Monitor and control panel for one FM broadcast transmitter.\n"
        "\n"
        "Without options the monitor starts in the notification area with its window:\n"
        "the status frames of the transmitter's controller, read from a serial line or\n"
        "polled from a remote TCP gateway, on a front panel with alarm colours; set\n"
        "commands; and the station record (alarm and event log, telemetry history).\n"
        "\n"
        "Options:\n"
        "  --headless     run without any window, tray or dialog (no display needed):\n"
        "                 the configured serial or gateway link, the status log, the\n"
        "                 trace file, the history and the event log; messages go to\n"
        "                 standard error, one line each; SIGTERM or SIGINT ends it\n"
        "  --add-user NAME --role ROLE\n"
        "                 add an account to the web panel; ROLE is viewer (reads),\n"
        "                 operator (also acknowledges and shelves alarms) or admin;\n"
        "                 the password, 10 characters or more, is asked twice on a\n"
        "                 terminal, else read as one line from standard input\n"
        "  --passwd NAME  give a web panel account a new password, read as above\n"
        "  --remove-user NAME\n"
        "                 remove a web panel account\n"
        "  --list-users   print the web panel's accounts, a name and a role a line\n"
        "  --profile NAME\n"
        "                 one of several transmitters on this PC: its own settings,\n"
        "                 accounts, status log, trace and history, in the folders\n"
        "                 ZEL/NAME/ below those named under Files; NAME is 1 to 32\n"
        "                 of A-Z a-z 0-9 _ -, starting with a letter or digit\n"
        "  -h, --help     print this help and exit\n"
        "  -v, --version  print the version and exit\n"
        "\n"
        "Qt's window-system options (-platform, -display, -style, ...) are passed on.\n"
        "\n"
        "Files:\n"
        "  ~/.config/ZEL/ZEL.ini         the settings ($XDG_CONFIG_HOME/ZEL/ZEL.ini),\n"
        "                                see zel-fm-monitor.conf(5)\n"
        "  ~/.local/share/ZEL/           ($XDG_DATA_HOME/ZEL/) Log-ZEL.txt, the latest\n"
        "                                status snapshot; logs.txt, the gateway trace;\n"
        "                                history.db, the station record (zel-fm-history)\n"
        "  ~/.config/ZEL/web-accounts    the web panel's accounts, beside the settings\n"
        "  ~/.config/ZEL/NAME/ZEL.ini    a profile's settings, web-accounts beside them\n"
        "  ~/.local/share/ZEL/NAME/      a profile's status log, trace and history\n"
        "  /etc/zel-fm-monitor/ZEL/      the settings of the zel-fm-monitor service\n"
        "  /var/lib/zel-fm-monitor/ZEL/  the files of the zel-fm-monitor service\n"
        "  /etc/zel-fm-monitor/NAME/ZEL/, /var/lib/zel-fm-monitor/NAME/ZEL/\n"
        "                                the same of its instance zel-fm-monitor@NAME\n"
        "\n"
        "Exit status:\n"
        "  0  ended by Exit, SIGTERM or SIGINT; an account command done\n"
        "  1  an account command refused (the reason on standard error)\n"
        "  2  bad arguments\n");
}

QString monitorVersionLine()
{
    return QStringLiteral("zel-fm-monitor %1.%2.%3")
        .arg(VersionMajor)
        .arg(VersionMinor)
        .arg(VersionRevision);
}

} // namespace zel
