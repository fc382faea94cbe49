#include "tracefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace zel {

TraceFile::TraceFile(QString path, qint64 maxBytes) : m_path(std::move(path)), m_maxBytes(maxBytes)
{
}

bool TraceFile::rotate(QString* error) const
{
    const QString older = m_path + QStringLiteral(".1");
    if (QFile::exists(older) && !QFile::remove(older)) {
        *error = QStringLiteral("cannot remove %1").arg(older);
        return false;
    }
    QFile file(m_path);
    if (!file.rename(older)) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool TraceFile::write(const QByteArray& record, QString* error) const
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create folder %1").arg(folder);
        return false;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    // A record never straddles two files.
    if (file.size() > 0 && file.size() + record.size() > m_maxBytes) {
        file.close();
        if (!rotate(error))
            return false;
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            *error = file.errorString();
            return false;
        }
    }
    const qint64 before = file.size();
    errno = 0;
    // Unbuffered: a write that fails is over when write() returns, and
    // nothing left in a buffer goes out later.
    if (file.write(record) != record.size()) {
        // Qt has no words for a short write (a full disk, a file-size limit).
        *error = errno ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
        // A record is whole or absent: what went out before the write failed
        // is taken back.
        file.resize(before);
        return false;
    }
    return true;
}

std::optional<QString> TraceFile::append(const QByteArray& reply)
{
    QString error;
    const bool ok = write(reply + "\r\n", &error);
    const bool wasFailing = std::exchange(m_failing, !ok);
    if (!ok && !wasFailing)
        return QStringLiteral("Trace file %1 not written: %2").arg(m_path, error);
    if (ok && wasFailing)
        return QStringLiteral("Trace file %1 written again").arg(m_path);
    return std::nullopt;
}

} // namespace zel
