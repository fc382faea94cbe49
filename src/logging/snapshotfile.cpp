#include "snapshotfile.h"

#include "statuslog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#endif

namespace zel {

QString SnapshotFile::spareName(const QString& path)
{
    const QFileInfo target(path);
    return target.absolutePath() + QStringLiteral("/.") + target.fileName() +
           QStringLiteral(".spare");
}

#ifndef Q_OS_LINUX

SnapshotFile::~SnapshotFile() = default;

bool SnapshotFile::replace(const QString& path, const QByteArray& content, QString* error)
{
    return replaceFileAtomically(path, content, error);
}

#else

namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool sameFile(const struct stat& st, quint64 device, quint64 inode)
{
    return quint64(st.st_dev) == device && quint64(st.st_ino) == inode;
}

} // namespace

SnapshotFile::~SnapshotFile()
{
    // The spare holds the snapshot before the latest: of no use once we stop.
    struct stat st {};
    if (m_spareCopy.fd >= 0 && m_folder.fd >= 0 &&
        ::fstatat(m_folder.fd, m_spare.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        sameFile(st, m_spareCopy.device, m_spareCopy.inode))
        ::unlinkat(m_folder.fd, m_spare.constData(), 0);
    forgetAll();
}

bool SnapshotFile::replace(const QString& path, const QByteArray& content, QString* error)
{
    if (path != m_path) {
        forgetAll();
        m_path = path;
        const QFileInfo target(path);
        m_folderPath = QFile::encodeName(target.absolutePath());
        m_target = QFile::encodeName(target.fileName());
        m_spare = QFile::encodeName(QFileInfo(spareName(path)).fileName());
        m_exchangeWorks = true;
    }
    if (!m_exchangeWorks)
        return replaceFileAtomically(path, content, error);
    return replaceByExchange(content, error);
}

bool SnapshotFile::replaceByExchange(const QByteArray& content, QString* error)
{
    if (!folderStillThere(false) || !spareIsOurs()) {
        if (!makeSpare(error))
            return false;
    }
    Copy& spare = m_spareCopy;
    // The lease taken above keeps others out while the bytes change.
    const bool written =
        ::pwrite(spare.fd, content.constData(), std::size_t(content.size()), 0) == content.size() &&
        (content.size() >= spare.size || ::ftruncate(spare.fd, content.size()) == 0);
    const QString writeError = written ? QString() : lastError();
    ::fcntl(spare.fd, F_SETLEASE, F_UNLCK);
    if (!written) {
        *error = writeError;
        forget(spare);
        return false;
    }
    spare.size = content.size();

    const int folder = m_folder.fd;
    struct stat target {};
    if (::fstatat(folder, m_target.constData(), &target, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(target.st_mode)) {
        if (::renameat2(folder, m_spare.constData(), folder, m_target.constData(),
                        RENAME_EXCHANGE) == 0) {
            std::swap(m_spareCopy, m_liveCopy);
            return true;
        }
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
            *error = lastError();
            return false;
        }
        // This file system cannot exchange names: a new file every time.
        ::unlinkat(folder, m_spare.constData(), 0);
        forgetAll();
        m_exchangeWorks = false;
        return replaceFileAtomically(m_path, content, error);
    }
    // Nothing there yet, or not a plain file: an ordinary rename, which also
    // reports a folder standing in the way.
    if (::renameat(folder, m_spare.constData(), folder, m_target.constData()) != 0) {
        *error = lastError();
        return false;
    }
    forget(m_liveCopy);
    m_liveCopy = std::exchange(m_spareCopy, Copy{});
    return true;
}

bool SnapshotFile::folderStillThere(bool now)
{
    if (m_folder.fd < 0)
        return false;
    if (!now && !m_folderChecked.hasExpired(1000))
        return true;
    // Renamed or removed since it was opened: the files go where the path
    // leads now.
    struct stat st {};
    if (::stat(m_folderPath.constData(), &st) != 0 ||
        !sameFile(st, m_folder.device, m_folder.inode))
        return false;
    m_folderChecked.start();
    return true;
}

bool SnapshotFile::openFolder(QString* error)
{
    forgetAll();
    m_folderChecked.invalidate();
    const QString folder = QFile::decodeName(m_folderPath);
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create folder %1").arg(folder);
        return false;
    }
    const int fd = ::open(m_folderPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        *error = lastError();
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_folder = {fd, quint64(st.st_dev), quint64(st.st_ino), 0};
    m_folderChecked.start();
    return true;
}

bool SnapshotFile::spareIsOurs()
{
    if (m_spareCopy.fd < 0)
        return false;
    struct stat st {};
    if (::fstatat(m_folder.fd, m_spare.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !sameFile(st, m_spareCopy.device, m_spareCopy.inode))
        return false;
    // A write lease is granted only while no other process has the file open:
    // a reader still holding an earlier snapshot makes us set it aside.
    return ::fcntl(m_spareCopy.fd, F_SETLEASE, F_WRLCK) == 0;
}

bool SnapshotFile::makeSpare(QString* error)
{
    forget(m_spareCopy);
    // Comes here rarely (a reader held the spare, a file went missing), so
    // the path is followed afresh; a folder that changed holds neither copy.
    if (!folderStillThere(true) && !openFolder(error))
        return false;
    struct stat st {};
    const int folder = m_folder.fd;
    ::unlinkat(folder, m_spare.constData(), 0);
    const int fd =
        ::openat(folder, m_spare.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::fchmod(fd, 0644) != 0 || ::fstat(fd, &st) != 0) {
        *error = lastError();
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    // Someone opening the spare while we hold the lease breaks it, and the
    // default signal for that would end the program; this one is ignored.
    ::fcntl(fd, F_SETSIG, SIGURG);
    // Seen once under load all the same: a break signalled as SIGIO, whose
    // default ends the program. Nothing else here uses SIGIO.
    static const bool sigioIgnored = [] {
        struct sigaction current {};
        if (::sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            ::signal(SIGIO, SIG_IGN);
        return true;
    }();
    (void)sigioIgnored;
    m_spareCopy = {fd, quint64(st.st_dev), quint64(st.st_ino), 0};
    // No one can have a new file open yet. Where leases are not granted at
    // all, every frame comes here: slower, but no reader is ever disturbed.
    ::fcntl(fd, F_SETLEASE, F_WRLCK);
    return true;
}

void SnapshotFile::forget(Copy& copy)
{
    if (copy.fd >= 0)
        ::close(copy.fd);
    copy = Copy{};
}

void SnapshotFile::forgetAll()
{
    forget(m_spareCopy);
    forget(m_liveCopy);
    forget(m_folder);
}

#endif

} // namespace zel
