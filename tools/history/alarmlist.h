#pragma once

#include "history/historytime.h"

#include <QTextStream>

namespace zel::history {

class HistoryReader;

// zel-fm-history alarms: the alarms raised now or waiting for an
// acknowledgement, oldest first, as CSV id,time,event,state,value,detail,
// acknowledged_by,severity. False on a read error, with the reason in the reader.
bool writeActiveAlarms(QTextStream& out, HistoryReader& reader, TimeStyle style = {});

// zel-fm-history events --unacknowledged: the event columns and, last, each
// alarm's state, for the alarms raised in [fromMs, toMs).
bool writeUnacknowledgedAlarms(QTextStream& out, HistoryReader& reader, qint64 fromMs, qint64 toMs,
                               TimeStyle style = {});

} // namespace zel::history
