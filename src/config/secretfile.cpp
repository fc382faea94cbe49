#include "secretfile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace zel {

SecretFileCheck protectSecretFile(const QString& path, const QString& kind,
                                  const FileIdentity& self)
{
#ifndef Q_OS_UNIX
    // Elsewhere the mode bits are Qt's picture of the access lists; nothing to go by.
    Q_UNUSED(path);
    Q_UNUSED(kind);
    Q_UNUSED(self);
    return {};
#else
    const QFileInfo info(path);
    const QFileDevice::Permissions mode = QFile::permissions(path);
    if (!info.isFile() || !(mode & OthersAccess))
        return {};
    if (info.ownerId() == self.uid) {
        // The owner's own group came with the account; another was chosen.
        const bool groupGiven = info.groupId() != self.gid;
        const QFileDevice::Permissions tight =
            (mode & OwnerAccess) | (groupGiven ? mode & GroupAccess : QFileDevice::Permissions());
        if (QFile::setPermissions(path, tight))
            return {SecretFileOutcome::Tightened, QString()};
    }
    return {SecretFileOutcome::Warned,
            QStringLiteral("%1 %2 holds a password or token and other users can read it; make it "
                           "readable by its owner and group only (chmod o-rwx %2)")
                .arg(kind, path)};
#endif
}

void keepSecretsOutOfDumps()
{
#ifdef Q_OS_LINUX
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

} // namespace zel
