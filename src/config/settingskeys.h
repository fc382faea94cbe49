#pragma once

#include <QString>

namespace zel::keys {

// Section and keys of the settings store; stored files and other tools rely on
// these exact texts.
inline const QString Section = QStringLiteral("Setting");
inline const QString PortsSection = QStringLiteral("Ports");
inline const QString TraceSection = QStringLiteral("Trace");

inline const QString CommPort = QStringLiteral("Comm Port");
inline const QString CommON = QStringLiteral("CommON");
inline const QString TCPON = QStringLiteral("TCPON");
inline const QString DDNSON = QStringLiteral("DDNSON");
inline const QString IP = QStringLiteral("IP");
inline const QString PORT = QStringLiteral("PORT");
inline const QString DDNS_URL = QStringLiteral("DDNS_URL");
inline const QString DDNS_PORT = QStringLiteral("DDNS_PORT");
inline const QString SETPOWER = QStringLiteral("SETPOWER");
inline const QString SETFREQ = QStringLiteral("SETFREQ");
inline const QString SETPOWERT = QStringLiteral("SETPOWERT");
inline const QString SETREFLECTT = QStringLiteral("SETREFLECTT");
inline const QString SETTEMPT = QStringLiteral("SETTEMPT");

// [Trace]
inline const QString MaxKiB = QStringLiteral("MaxKiB");

} // namespace zel::keys
