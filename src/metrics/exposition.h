#pragma once

#include "metricssnapshot.h"

#include <QJsonObject>

#include <string>

namespace zel {

inline constexpr const char* PrometheusContentType = "text/plain; version=0.0.4; charset=utf-8";

// The snapshot in the Prometheus text format 0.0.4, names under "zel_fm_".
std::string prometheusText(const MetricsSnapshot& snapshot);

// The record, the alarms and the link as one JSON object.
QJsonObject statusObject(const MetricsSnapshot& snapshot);
std::string statusJson(const MetricsSnapshot& snapshot);

// A label value with backslash, double quote and line feed escaped.
std::string escapeLabelValue(const QString& value);

} // namespace zel
