#pragma once

#include "config/settingsstore.h"
#include "history/historytime.h"

#include <QTextStream>

namespace zel::history {

class HistoryReader;

struct ReplayRequest {
    // An INI file with a [Limits] group instead of the monitor's saved one.
    QString limitsFile;
    // The monitor's settings: the service's beside its history, else the user's.
    const SettingsStore& settings;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    TimeStyle time;
    // Percentages on standard error, as one line redrawn.
    bool showProgress = false;
};

// zel-fm-history replay: per alarm kind and severity
// event,severity,raised_count,raised_seconds,first_raised,last_cleared, a
// blank line, then the first raises as event rows. Problems with the limits
// are told on err and the replay goes on; exit status 1 when the limits file
// or the database cannot be read.
int replayCommand(QTextStream& out, QTextStream& err, HistoryReader& reader,
                  const ReplayRequest& request);

} // namespace zel::history
