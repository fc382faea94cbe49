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
        "Without options the monitor starts in the notification area with its window.\n"
        "\n"
        "Options:\n"
        "  --headless   run without any window, tray or dialog (no display needed):\n"
        "               the configured serial or gateway link, the status log, the\n"
        "               trace file, the history and the event log; messages go to\n"
        "               standard error, one line each; SIGTERM or SIGINT ends it\n"
        "  --help       print this help and exit\n"
        "  --version    print the version and exit\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/ZEL/ZEL.ini (normally ~/.config/ZEL/ZEL.ini).\n"
        "Files: $XDG_DATA_HOME/ZEL/ (normally ~/.local/share/ZEL/): Log-ZEL.txt,\n"
        "logs.txt, history.db.\n");
}

QString monitorVersionLine()
{
    return QStringLiteral("zel-fm-monitor %1.%2.%3")
        .arg(VersionMajor)
        .arg(VersionMinor)
        .arg(VersionRevision);
}

} // namespace zel
