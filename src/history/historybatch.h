#pragma once

#include "alarms/eventrecord.h"
#include "historyfields.h"

#include <QList>
#include <QMetaType>

namespace zel::history {

// What the recorder hands to the writer once a second.
struct HistoryBatch {
    QList<SecondSample> seconds; // finished seconds, oldest first
    QList<EventRecord> events;
    qint64 nowS = 0; // the recorder's clock when it handed them over
};

} // namespace zel::history

Q_DECLARE_METATYPE(zel::history::HistoryBatch)
