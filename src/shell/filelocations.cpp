#include "filelocations.h"

#include "config/profile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zel {

StandardFileLocations::StandardFileLocations(QString profile) : m_profile(std::move(profile)) {}

QString StandardFileLocations::dataFolder() const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/ZEL");
    return m_profile.isEmpty() ? folder : folder + u'/' + m_profile;
}

QString StandardFileLocations::statusLogPath() const
{
#ifdef Q_OS_WIN
    // The designed fixed paths would be shared by every profile.
    if (m_profile.isEmpty())
        return QStringLiteral("C:\\Log-ZEL.txt");
#endif
    return dataFolder() + QStringLiteral("/Log-ZEL.txt");
}

QString StandardFileLocations::traceFilePath() const
{
#ifdef Q_OS_WIN
    if (m_profile.isEmpty())
        return QStringLiteral("d:\\logs.txt");
#endif
    return dataFolder() + QStringLiteral("/logs.txt");
}

QString StandardFileLocations::historyDatabasePath() const
{
    return dataFolder() + QStringLiteral("/history.db");
}

// The instance's folder sits between the service's and ZEL/, as XDG_*_HOME
// in zel-fm-monitor@.service put it.
QString serviceHistoryDatabasePath(const QString& profile)
{
#ifdef Q_OS_WIN
    (void)profile;
    return {};
#else
    return QStringLiteral("/var/lib/zel-fm-monitor/%1ZEL/history.db")
        .arg(profile.isEmpty() ? QString() : profile + u'/');
#endif
}

QString serviceSettingsPath(const QString& profile)
{
#ifdef Q_OS_WIN
    (void)profile;
    return {};
#else
    return QStringLiteral("/etc/zel-fm-monitor/%1ZEL/ZEL.ini")
        .arg(profile.isEmpty() ? QString() : profile + u'/');
#endif
}

bool isServiceSettingsFolder(const QString& folder)
{
    if (serviceSettingsPath().isEmpty())
        return false;
    const QString clean = QDir::cleanPath(folder);
    // .../NAME/ZEL for an instance's.
    const QString name = QFileInfo(QFileInfo(clean).path()).fileName();
    return clean == QFileInfo(serviceSettingsPath()).path() ||
           (isValidProfileName(name) && clean == QFileInfo(serviceSettingsPath(name)).path());
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
