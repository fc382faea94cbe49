#include "standardparts.h"

#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "telemetry/qtserialport.h"

namespace zel {

MonitorCoreParts standardCoreParts(std::unique_ptr<OperatorDialogs> dialogs, const QString& profile)
{
    MonitorCoreParts parts;
    parts.settings = profileSettingsStore(profile);
    const SettingsStore* store = parts.settings.get();
    parts.serial =
        std::make_unique<QtSerialPort>([store](int n) { return serialDeviceName(n, *store); });
    parts.dialogs = std::move(dialogs);
    parts.clock = std::make_unique<SystemClock>();
    parts.files = std::make_unique<StandardFileLocations>(profile);
    return parts;
}

} // namespace zel
