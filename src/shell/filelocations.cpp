#include "filelocations.h"

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

} // namespace zel
