#pragma once

#include <QIcon>

namespace zel {

// The window icon and the two tray pictures (link silent, frames arriving),
// each at 16, 32 and 48 pixels.
QIcon windowIcon();
QIcon silentTrayIcon();
QIcon activeTrayIcon();

} // namespace zel
