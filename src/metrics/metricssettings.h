#pragma once

#include "config/settingsstore.h"

#include <QString>

namespace zel {

namespace keys {
inline const QString MetricsSection = QStringLiteral("Metrics");
inline const QString Listen = QStringLiteral("Listen");
} // namespace keys

// Where the metrics endpoint listens: [Metrics] Listen = host:port (an IPv6
// address in brackets). Empty, the default, leaves the endpoint off; port 0
// takes any free port.
struct ListenAddress {
    QString host;
    int port = 0;
    // Why the text could not be used, empty when it could.
    QString problem;

    bool enabled() const { return !host.isEmpty() && problem.isEmpty(); }
    // "127.0.0.1:9101", "[::1]:9101": as an operator would type it back.
    QString text() const;
};

// section and what name the setting and what it turns on in a refusal;
// examples in it use examplePort.
ListenAddress parseListenAddress(const QString& text, const QString& section = keys::MetricsSection,
                                 const QString& what = QStringLiteral("the metrics endpoint"),
                                 int examplePort = 9101);
ListenAddress readListenAddress(const SettingsStore& store);

} // namespace zel
