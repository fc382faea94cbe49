#pragma once

#include <QList>
#include <QString>

namespace zel {

// A value axis with round ticks: from lo to hi in steps of step, both ends
// on a tick.
struct ValueScale {
    double lo = 0;
    double hi = 1;
    double step = 1;
};

// The scale that holds [lo, hi] with at most maxTicks intervals; a flat
// range is widened to show at least minSpan.
ValueScale niceScale(double lo, double hi, int maxTicks, double minSpan);

struct TimeTick {
    qint64 t = 0; // seconds since the epoch
    QString label;
};

// Ticks at round local times (minutes, hours, midnights, firsts of the
// month) inside [fromS, toS), at most maxTicks of them.
QList<TimeTick> timeTicks(qint64 fromS, qint64 toS, int maxTicks);

} // namespace zel
