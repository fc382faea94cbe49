#pragma once

#include "support/fakes.h"

#include <QDateTime>

// A fake clock stepped through a timeline the way the event loop would: any
// timer due before the next step fires at exactly its due time first.
template <typename Watched> class Timeline {
public:
    static inline const QDateTime T0 = QDateTime(QDate(2026, 5, 4), QTime(10, 0), Qt::UTC);

    Timeline() { clock.at = T0; }

    qint64 offset(const QDateTime& t) const { return T0.msecsTo(t); }
    qint64 now() const { return offset(clock.at); }

    void advanceTo(Watched& watched, qint64 ms)
    {
        const QDateTime target = T0.addMSecs(ms);
        for (int guard = 0; guard < 100; ++guard) {
            const auto due = watched.nextDue();
            if (!due || *due > target)
                break;
            clock.at = std::max(clock.at, *due);
            watched.checkDue();
        }
        clock.at = target;
    }

    FixedClock clock;
};
