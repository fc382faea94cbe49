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
// severity.
struct ReplayCount {
    QString event;
    QString severity;
    int raisedCount = 0;
    qint64 raisedSeconds = 0;
    QDateTime firstRaised; // invalid when never raised
    QDateTime lastCleared; // invalid when never cleared
};

struct ReplayResult {
    QList<ReplayCount> counts;
    // The first raises, oldest first, at most 20.
    QList<EventRecord> firstRaises;
    qint64 secondsReplayed = 0;
};

// Runs limits over the recorded 1-second history from fromMs to toMs with
// the live monitor's LimitMonitor. progress (0 to 100) is called now and
// then; returning false from it stops the replay. Empty on a read error or a
// stop, with the reason in *error.
std::optional<ReplayResult> replayLimits(HistoryReader& reader, const LimitSettings& limits,
                                         std::optional<double> forwardTarget, qint64 fromMs,
                                         qint64 toMs, const std::function<bool(int)>& progress,
                                         QString* error);

} // namespace zel::history
