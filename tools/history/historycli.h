#pragma once

#include <QStringList>

namespace zel::history {

// zel-fm-history: samples, events and ack on the monitor's history database.
// Exit status 0 on success, 1 when the database is missing, unreadable or
// refuses the change, 2 on bad arguments.
int runHistoryCli(const QStringList& arguments);

} // namespace zel::history
