#pragma once

#include "settingsstore.h"

#include <QString>

namespace zel {

// Port number n names a device. The store's "Ports" group may map it
// (3=/dev/ttyUSB0); otherwise it is COM<n> on Windows and /dev/ttyS<n-1>
// elsewhere. USB adapters and virtual ports are used through that map.
QString serialDeviceName(int portNumber, const SettingsStore& store);

} // namespace zel
