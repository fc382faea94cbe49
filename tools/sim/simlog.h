#pragma once

#include <QString>

#include <cstdio>

namespace zel::sim {

// One log line on stdout, flushed at once: scripts and tests read it live.
inline void logLine(const QString& line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

} // namespace zel::sim
