#pragma once

#include <QString>

namespace zel {

// "High reflected power" for "high_reflect", as people read it in a window or
// a mail; the name itself when unknown.
QString alarmTitle(const QString& kind);

} // namespace zel
