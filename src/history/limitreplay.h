#pragma once

#include "alarms/eventrecord.h"
#include "alarms/limitsettings.h"

#include <QDateTime>
#include <QList>

#include <functional>
#include <optional>

namespace zel::history {

class HistoryReader;

// What a set of limits did over a stretch of the record, per alarm kind and
// the severity it stood at. The severities of one raise split its time: a
// low power raised as a warning at 10:00, escalated at 10:05 and cleared at
// 10:20 counts once under warning (300 s, first raised 10:00, last cleared
// 10:05, when it stopped standing at warning) and once under critical (900
// s, 10:05 to 10:20). So:
// - raisedCount: how often the alarm came to stand at the severity from a
//   lower one: a raise at it, or an escalation to critical. Easing back to
//   warning adds to the warning's seconds, not to its count.
// - raisedSeconds: the time it stood at the severity, from the row times (a
//   raise's is when its condition began); one still raised at the end counts
//   up to the end of the range. The severities of a kind add up to the time
//   it was raised.
// - firstRaised: the first raise or escalation counted; lastCleared: the
//   last time it stopped standing at the severity (cleared, eased or
//   escalated).
// A kind the limits judge that never raised has one row with no severity.
struct ReplayCount {
    QString event;
    QString severity;
    int raisedCount = 0;
    qint64 raisedSeconds = 0;
    QDateTime firstRaised; // invalid when never raised
    QDateTime lastCleared; // invalid when never cleared
};

struct ReplayResult {
    // By the limits' kinds in their order, warning before critical.
    QList<ReplayCount> counts;
    // The first raises, oldest first, at most 20; not in the log, so id 0.
    QList<EventRecord> firstRaises;
    qint64 secondsReplayed = 0;
};

// Two recorded seconds further apart than this and the link counts as lost
// between them, as the live monitor's watchdog finds it at the earliest:
// what was due by then completes, the rest is forgotten. Closer ones (a
// gateway polled every 2 s leaves every other second empty) are as the live
// monitor has them: the last reading stands and due changes complete.
inline constexpr qint64 ReplayGapSeconds = 5;

// Runs limits over the recorded 1-second history from fromMs to toMs (the
// seconds that begin in it) with the live monitor's LimitMonitor: each
// recorded second is one frame at its start, after whatever fell due by
// then. progress (0 to 100) is called now and then; returning false from it
// stops the replay. Empty on a read error or a stop, with the reason in
// *error.
std::optional<ReplayResult> replayLimits(HistoryReader& reader, const LimitSettings& limits,
                                         std::optional<double> forwardTarget, qint64 fromMs,
                                         qint64 toMs, const std::function<bool(int)>& progress,
                                         QString* error);

} // namespace zel::history
