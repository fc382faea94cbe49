#include "filelocations.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace zel {
namespace {

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/ZEL");
}

} // namespace

QString StandardFileLocations::statusLogPath() const
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Log-ZEL.txt");
#else
    return dataFolder() + QStringLiteral("/Log-ZEL.txt");
#endif
}

QString StandardFileLocations::traceFilePath() const
{
#ifdef Q_OS_WIN
    return QStringLiteral("d:\\logs.txt");
#else
    return dataFolder() + QStringLiteral("/logs.txt");
#endif
}

QString StandardFileLocations::historyDatabasePath() const
{
    return dataFolder() + QStringLiteral("/history.db");
}

QString serviceHistoryDatabasePath()
{
#ifdef Q_OS_WIN
    return {};
#else
    return QStringLiteral("/var/lib/zel-fm-monitor/ZEL/history.db");
#endif
}

QString serviceSettingsPath()
{
#ifdef Q_OS_WIN
    return {};
#else
    return QStringLiteral("/etc/zel-fm-monitor/ZEL/ZEL.ini");
#endif
}

HistoryDatabaseChoice chooseHistoryDatabase(const QString& own, const QString& service)
{
    if (QFileInfo::exists(own) || service.isEmpty())
        return {own, false, {}};
    if (QFileInfo(service).isReadable())
        return {service, true, {}};
    // The service's state directory (two up from the file) is closed to all
    // but its group; that it is there but cannot be entered is all a user
    // outside the group can see.
    const QFileInfo state(QFileInfo(QFileInfo(service).path()).path());
    if (!state.isDir() || state.isExecutable())
        return {own, false, {}};
    return {own, false,
            QStringLiteral("the service's history, %1, is readable by the group %2 only")
                .arg(service, state.group())};
}

} // namespace zel
