#include "webparts.h"

#include "web/accountfile.h"

#include <QFileInfo>

namespace zel {

std::unique_ptr<WebService> makeWebService(MonitorCore& core, StationServices& services,
                                           MetricsService& metrics)
{
    return std::make_unique<WebService>(WebService::Parts{
        core.settings(),
        metrics,
        StationBackend::Parts{services.historyPath(), services.history(), core, services.shelf(),
                              services.eventLog()},
        accountFilePath(core.settings().location()),
        QFileInfo(services.historyPath()).absolutePath(),
    });
}

} // namespace zel
