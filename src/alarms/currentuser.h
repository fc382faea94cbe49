#pragma once

#include <QString>

namespace zel {

// Who is acting, for the event log's rows where a person acted: the
// process's real user from the system's user database, and the user who
// logged in beside it when that differs ("alice as zel-fm-monitor", for a
// command run through sudo or runuser). Never taken from the environment,
// which any caller can set. Empty when the system does not say.
QString currentUserName();

} // namespace zel
