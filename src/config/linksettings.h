#pragma once

#include "settingsstore.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace zel {

// The link configuration as the main window keeps it after a settings load.
struct LinkSettings {
    std::uint8_t vCommON = 0;
    std::uint8_t vTCPON = 0;
    std::uint8_t vDDNSON = 0;
    QString vIP;
    QString vPort;
    QString vDDNSURL;
    QString vDDNSPORT;
    // Decimal text of the stored port number ("0" when none is stored).
    QString vCommport;
    // The stored "Comm Port" text itself: empty means no port chosen yet.
    QString commPortText;
};

// The set-parameter panel's values as last saved by SET.
struct SetParameterSettings {
    bool carrierOn = false;
    QString frequency;
    QString forwardTarget;
    QString reflectTarget;
    QString tempProtection;
};

LinkSettings readLinkSettings(const SettingsStore& store);
SetParameterSettings readSetParameterSettings(const SettingsStore& store);

// The serial port number a "Comm Port" text names: its leading number rounded
// to a whole number; nothing when it does not fit a port number (1..65535).
std::optional<int> serialPortNumber(const QString& commPortText);

} // namespace zel
