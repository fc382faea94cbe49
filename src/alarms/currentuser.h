#pragma once

#include <QString>

namespace zel {

// The operating-system user running the monitor, for the event log's rows
// where a person acted; empty when the system does not say.
QString currentUserName();

} // namespace zel
