#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The process's peak resident memory (VmHWM) in kB; 0 where it cannot be read.
// Header-only, so the bare floor program links nothing of ours.
inline long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}
