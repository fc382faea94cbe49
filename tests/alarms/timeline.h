#pragma once

#include "support/fakes.h"

#include <QDateTime>

// A fake clock stepped through a timeline the way the event loop would: any
// timer due before the next step fires at exactly its due time first. The
// timeline runs on the monotonic clock; the wall clock keeps pace with it
// unless a test steps it.
template <typename Watched> class Timeline {
public:
    static inline const QDateTime T0 = QDateTime(QDate(2026, 5, 4), QTime(10, 0), Qt::UTC);

    Timeline()
    {
        clock.at = T0;
        clock.monotonic = T0.toMSecsSinceEpoch();
    }

    // A wall time as ms from T0.
    qint64 offset(const QDateTime& t) const { return T0.msecsTo(t); }
    // Where the timeline is, in ms from its start.
    qint64 now() const { return *clock.monotonic - T0.toMSecsSinceEpoch(); }

    void advanceTo(Watched& watched, qint64 ms)
    {
        const qint64 target = T0.toMSecsSinceEpoch() + ms;
        for (int guard = 0; guard < 100; ++guard) {
            const auto due = watched.nextDue();
            if (!due || *due > target)
                break;
            moveTo(std::max(*clock.monotonic, *due));
            watched.checkDue();
        }
        moveTo(target);
    }
    // Sets the wall clock back (negative) or forward; the monotonic one runs on.
    void stepWall(qint64 ms) { clock.at = clock.at.addMSecs(ms); }

    FixedClock clock;

private:
    void moveTo(qint64 mono)
    {
        clock.at = clock.at.addMSecs(mono - *clock.monotonic);
        clock.monotonic = mono;
    }
};
