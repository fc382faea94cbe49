#pragma once

#include "config/settingsstore.h"
#include "metrics/metricssettings.h"

#include <QString>

namespace zel {

namespace keys {
inline const QString WebSection = QStringLiteral("Web");
inline const QString WebTls = QStringLiteral("Tls");
inline const QString WebCertificate = QStringLiteral("Certificate");
inline const QString WebKey = QStringLiteral("Key");
inline const QString WebAllowControl = QStringLiteral("AllowControl");
} // namespace keys

// [Web]: where the web panel listens (off unless Listen is set), over TLS
// unless Tls=off on a loopback address (behind a reverse proxy), with the
// operator's certificate or a self-signed one.
struct WebSettings {
    ListenAddress listen;
    bool tls = true;
    QString certificatePath;
    QString keyPath;
    bool allowControl = false;
    // One operator's sentence when the panel must stay off; empty when the
    // settings may be used.
    QString problem;

    bool enabled() const { return listen.enabled() && problem.isEmpty(); }
};

WebSettings readWebSettings(const SettingsStore& store);

// 127.0.0.0/8 or ::1: a client there is on this machine.
bool isLoopbackAddress(const QString& host);

} // namespace zel
