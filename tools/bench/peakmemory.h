#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A figure of the process's memory in kB ("VmHWM:" peak resident, "VmRSS:"
// resident now); 0 where it cannot be read. Header-only, so the bare floor
// program links nothing of ours.
inline long memoryKb(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLong();
    return 0;
}

inline long peakKb()
{
    return memoryKb("VmHWM:");
}
