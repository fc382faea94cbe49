#include "recordfiles.h"

#include "config/filemodes.h"

#include <QFile>
#include <QFileInfo>

namespace zel::history {

bool createRecordFile(const QString& path, QFileDevice::Permissions mode, bool* created,
                      QString* error)
{
    *created = !QFileInfo::exists(path);
    return !*created || createFileWithMode(path, mode, error);
}

void protectRecordFiles(const QString& path, QFileDevice::Permissions mode, bool created)
{
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        const QString file = path + suffix;
        if (created && QFileInfo::exists(file))
            QFile::setPermissions(file, mode);
        else
            removeOthersAccess(file);
    }
}

} // namespace zel::history
