#pragma once

#include "transmitterstatus.h"

#include <QJsonValue>

#include <optional>

namespace zel {

// The record's texts as numbers, for history, alarms and metrics. A field the
// panel shows as dashes (no data) has no value; every other text is read with
// the same lenient parse the panel's alarm rules use, so they always agree.
struct TelemetryValues {
    std::optional<double> deviceId;
    std::optional<double> frequencyMHz;
    bool onAir = false;
    bool locked = false;
    std::optional<double> forwardW;
    std::optional<double> reflectW;
    std::optional<double> temperatureC;
    std::optional<double> voltageV;
    std::optional<double> currentA;
    std::optional<double> modulation;
    std::optional<double> audioLeft;
    std::optional<double> audioRight;
};

TelemetryValues telemetryValues(const TransmitterStatus& status);

// A reading for JSON: its number, or null where the panel shows dashes.
QJsonValue jsonReading(std::optional<double> value);

// Whether a field text is the no-data placeholder (only dashes and a point).
bool isPlaceholder(const QString& text);

} // namespace zel
