#pragma once

#include "stationservices.h"
#include "web/webservice.h"

#include <memory>

namespace zel {

// The web panel wired to the monitor's services: its accounts beside the
// settings file, its certificate beside the station record.
std::unique_ptr<WebService> makeWebService(MonitorCore& core, StationServices& services,
                                           MetricsService& metrics);

} // namespace zel
