#include "commandline.h"

#include "version.h"

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

} // namespace

MonitorCommandLine parseMonitorCommandLine(const QStringList& args)
{
    MonitorCommandLine result;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            return {MonitorCommandLine::Action::ShowHelp, {}};
        } else if (arg == QStringLiteral("--version") || arg == QStringLiteral("-v")) {
            return {MonitorCommandLine::Action::ShowVersion, {}};
        } else if (arg == QStringLiteral("--headless")) {
            result.action = MonitorCommandLine::Action::RunHeadless;
        } else if (const int values = qtOptionValues(arg); values >= 0) {
            if (i + values >= args.size())
                return {MonitorCommandLine::Action::Refuse,
                        QStringLiteral("option %1 needs a value").arg(arg)};
            i += values;
        } else {
            return {MonitorCommandLine::Action::Refuse,
                    arg.startsWith(u'-') ? QStringLiteral("unknown option %1").arg(arg)
                                         : QStringLiteral("unexpected argument %1").arg(arg)};
        }
    }
    return result;
}

QString monitorUsage()
{
    return QStringLiteral(
        "Usage: zel-fm-monitor [--headless]\n"
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
        "  /etc/zel-fm-monitor/ZEL/      the settings of the zel-fm-monitor service\n"
        "  /var/lib/zel-fm-monitor/ZEL/  the files of the zel-fm-monitor service\n"
        "\n"
        "Exit status:\n"
        "  0  ended by Exit, SIGTERM or SIGINT\n"
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
