#pragma once

#include "settingsstore.h"

#include <QString>
#include <QStringList>

namespace zel {

// What this transmitter is to the station: a single one, or the main or the
// standby of a pair. A standby off air is idle by design.
enum class StationRole { Single, Main, Standby };

// "single", "main", "standby": as the settings, the alerts and the metrics
// name it.
QString stationRoleName(StationRole role);

// Who is who: the name in every alert, status and metric, where the
// transmitter stands and its role.
struct StationIdentity {
    QString name; // default: the host name
    QString site; // empty when not set
    StationRole role = StationRole::Single;
    // The key the name was read from ("[Station] Name", or its alias
    // "[Alerts] Station"), for a problem to name.
    QString nameKey;
    // One line per value that could not be used as it stands.
    QStringList problems;
};

namespace keys {
inline const QString StationSection = QStringLiteral("Station");
inline const QString StationName = QStringLiteral("Name");
inline const QString StationSite = QStringLiteral("Site");
inline const QString StationRoleKey = QStringLiteral("Role");
// The name's older key: [Alerts] Station.
inline const QString AlertsStationSection = QStringLiteral("Alerts");
inline const QString AlertsStation = QStringLiteral("Station");
} // namespace keys

// Longer names and sites are cut to this many characters.
inline constexpr int StationTextMax = 64;

// [Station] Name, Site and Role. [Alerts] Station names the station where
// [Station] Name does not; where both are set, [Station] Name wins. The role
// is read in any case and never written back; a bad one is single.
StationIdentity readStationIdentity(const SettingsStore& store);

// The problem of a key whose value holds a control character; the same
// words wherever it is found, so it is told once.
QString controlCharacterProblem(const QString& key);

} // namespace zel
