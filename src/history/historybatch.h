#pragma once

#include "alarms/clockstep.h"
#include "alarms/eventrecord.h"
#include "historyfields.h"

#include <QList>
#include <QMetaType>

#include <optional>

namespace zel::history {

// What the recorder hands to the writer once a second.
struct HistoryBatch {
    QList<SecondSample> seconds; // finished seconds, oldest first
    QList<EventRecord> events;
    qint64 nowS = 0; // the recorder's clock when it handed them over
    // Its wall and monotonic clocks then; retention waits for both.
    std::optional<ClockReading> clock;
};

} // namespace zel::history

Q_DECLARE_METATYPE(zel::history::HistoryBatch)
