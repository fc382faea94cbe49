#include "statuslog.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#endif

namespace zel {

#ifdef Q_OS_LINUX
namespace {

// Replacing a file by rename makes ext4 (and btrfs) write the new file's data
// to disk at once, so that a crash cannot leave it empty. For a snapshot
// rewritten with every frame that is up to 80 disk writes a second, and the
// rename stalls for milliseconds, at times tens of them, on a busy disk.
// Exchanging the two names is just as atomic for readers and asks for no
// such write; the old snapshot, now under the temporary name, is removed.
// False when the exchange does not apply (no regular file there yet, or a
// file system without it): the caller renames as usual.
bool swapInPlace(const QByteArray& from, const QByteArray& to)
{
    struct stat existing {};
    if (::lstat(to.constData(), &existing) != 0 || !S_ISREG(existing.st_mode))
        return false;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) != 0)
        return false;
    ::unlink(from.constData());
    return true;
}

} // namespace
#elif !defined(Q_OS_WIN)
namespace {
bool swapInPlace(const QByteArray&, const QByteArray&)
{
    return false;
}
} // namespace
#endif

QByteArray formatStatusLog(const TransmitterStatus& s, bool powerOn, const QDateTime& now)
{
    // Separators are fixed, whatever the locale says. At the line's full rate
    // the same second comes some eighty times: it is formatted once.
    thread_local qint64 stampSecond = std::numeric_limits<qint64>::min();
    thread_local int stampOffset = 0;
    thread_local QString stamp;
    const qint64 second = now.toSecsSinceEpoch();
    if (second != stampSecond || now.offsetFromUtc() != stampOffset) {
        stamp =
            now.toString(QStringLiteral("dd/MM/yyyy")) + now.toString(QStringLiteral(" HH:mm:ss"));
        stampSecond = second;
        stampOffset = now.offsetFromUtc();
    }
    // Written straight into the bytes: no text is built per line.
    QByteArray text;
    text.reserve(320);
    const auto line = [&text](const char* label, QStringView value, const char* unit = "") {
        text.append(label).append('\t');
        for (QChar c : value)
            text.append(c.unicode() < 0x100 ? char(c.unicode()) : '?');
        text.append(unit).append("\r\n");
    };
    line("Update Time", stamp);
    line("ID          ", s.DeviceId);
    line("Power       ", powerOn ? u"ON" : u"OFF");
    line("Frequency   ", s.FrequencyMHz, " Mhz");
    line("ON-Air      ", s.OnAir ? u"Yes" : u"No");
    line("Freq Status ", s.FreqLock ? u"Lock" : u"Unlock");
    line("Forward     ", s.ForwardW, " W");
    line("Reflect     ", s.ReflectW, " W");
    line("Temperature ", s.TemperatureC, " C.");
    line("Voltage    ", s.VoltageV, " V");
    line("Current    ", s.CurrentA, " A");
    line("Mod        ", s.ModPercent, " W");
    text.append("\r\n");
    return text;
}

bool replaceFileAtomically(const QString& path, const QByteArray& content, QString* error)
{
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath())) {
        *error = QStringLiteral("cannot create folder %1").arg(target.absolutePath());
        return false;
    }
    // Write beside the target, then rename over it. No sync to disk: the file
    // is a snapshot rewritten many times a second, and a rename never exposes
    // a half-written file to readers.
    QTemporaryFile temp(target.absoluteFilePath() + QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(true);
    if (!temp.open()) {
        *error = temp.errorString();
        return false;
    }
    if (temp.write(content) != content.size() || !temp.flush()) {
        *error = temp.errorString();
        return false;
    }
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    temp.close();
#ifdef Q_OS_WIN
    const bool moved = MoveFileExW(reinterpret_cast<LPCWSTR>(temp.fileName().utf16()),
                                   reinterpret_cast<LPCWSTR>(target.absoluteFilePath().utf16()),
                                   MOVEFILE_REPLACE_EXISTING);
    if (!moved) {
        *error = QStringLiteral("cannot replace %1").arg(path);
        return false;
    }
#else
    const QByteArray from = QFile::encodeName(temp.fileName());
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    if (!swapInPlace(from, to) && std::rename(from.constData(), to.constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
#endif
    temp.setAutoRemove(false);
    return true;
}

} // namespace zel
