#include "standardparts.h"

#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "telemetry/qtserialport.h"

namespace zel {

MonitorCoreParts standardCoreParts(std::unique_ptr<OperatorDialogs> dialogs)
{
    MonitorCoreParts parts;
    parts.settings = std::make_unique<QtSettingsStore>();
    const SettingsStore* store = parts.settings.get();
    parts.serial =
        std::make_unique<QtSerialPort>([store](int n) { return serialDeviceName(n, *store); });
    parts.dialogs = std::move(dialogs);
    parts.clock = std::make_unique<SystemClock>();
    parts.files = std::make_unique<StandardFileLocations>();
    return parts;
}

} // namespace zel
