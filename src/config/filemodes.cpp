#include "filemodes.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zel {
namespace {

// QFile::permissions() also gives what this process may do ("User"), which
// is no bit of the mode.
constexpr auto ProcessAccess =
    QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;

#ifdef Q_OS_UNIX
mode_t unixMode(QFileDevice::Permissions p)
{
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR},  {QFileDevice::WriteOwner, S_IWUSR},
        {QFileDevice::ExeOwner, S_IXUSR},   {QFileDevice::ReadGroup, S_IRGRP},
        {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH},  {QFileDevice::WriteOther, S_IWOTH},
        {QFileDevice::ExeOther, S_IXOTH}};
    mode_t m = 0;
    for (const auto& [flag, bit] : bits) {
        if (p.testFlag(flag))
            m |= bit;
    }
    return m;
}
#endif

} // namespace

FileIdentity FileIdentity::ofProcess()
{
#ifdef Q_OS_UNIX
    return {uint(::geteuid()), uint(::getegid())};
#else
    return {};
#endif
}

bool runsAsServiceAccount()
{
#ifdef Q_OS_UNIX
    const passwd* entry = ::getpwnam(ServiceAccount);
    return entry && entry->pw_uid == ::getuid();
#else
    return false;
#endif
}

QFileDevice::Permissions recordFileMode()
{
    const QFileDevice::Permissions owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    return runsAsServiceAccount() ? owner | QFileDevice::ReadGroup : owner;
}

bool createFileWithMode(const QString& path, QFileDevice::Permissions mode, QString* error)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    const mode_t m = unixMode(mode);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, m);
    if (fd < 0) {
        if (errno == EEXIST)
            return true;
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // The umask took bits away from open()'s mode; give exactly this one.
    const bool ok = ::fchmod(fd, m) == 0;
    if (!ok)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return ok;
#else
    Q_UNUSED(mode);
    QFile file(path);
    if (file.exists() || file.open(QIODevice::WriteOnly))
        return true;
    *error = file.errorString();
    return false;
#endif
}

void removeOthersAccess(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.ownerId() != FileIdentity::ofProcess().uid)
        return;
    const QFileDevice::Permissions now = QFile::permissions(path) & ~ProcessAccess;
    if (now & OthersAccess)
        QFile::setPermissions(path, now & ~OthersAccess);
}

} // namespace zel
