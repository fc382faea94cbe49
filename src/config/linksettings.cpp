#include "linksettings.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"
#include "settingskeys.h"

namespace zel {
namespace {

// A flag that does not fit a byte reads as off rather than as an error.
std::uint8_t readFlag(const SettingsStore& store, const QString& key)
{
    return toByte(parseLeadingNumber(store.read(keys::Section, key, QStringLiteral("0"))))
        .value_or(0);
}

} // namespace

LinkSettings readLinkSettings(const SettingsStore& store)
{
    LinkSettings s;
    s.vCommON = readFlag(store, keys::CommON);
    s.vTCPON = readFlag(store, keys::TCPON);
    s.vDDNSON = readFlag(store, keys::DDNSON);
    s.vIP = store.read(keys::Section, keys::IP, QStringLiteral("0.0.0.0"));
    s.vPort = store.read(keys::Section, keys::PORT, QStringLiteral("0"));
    s.vDDNSURL = store.read(keys::Section, keys::DDNS_URL, QStringLiteral("0.0.0.0"));
    s.vDDNSPORT = store.read(keys::Section, keys::DDNS_PORT, QStringLiteral("0"));
    s.commPortText = store.read(keys::Section, keys::CommPort, QString());
    s.vCommport = QString::number(parseLeadingNumber(s.commPortText), 'g', 15);
    return s;
}

SetParameterSettings readSetParameterSettings(const SettingsStore& store)
{
    SetParameterSettings s;
    const auto power =
        toInt32(parseLeadingNumber(store.read(keys::Section, keys::SETPOWER, QStringLiteral("0"))));
    s.carrierOn = power && *power == 1;
    s.frequency = store.read(keys::Section, keys::SETFREQ, QStringLiteral("100.00"));
    s.forwardTarget = store.read(keys::Section, keys::SETPOWERT, QStringLiteral("5.0"));
    s.reflectTarget = store.read(keys::Section, keys::SETREFLECTT, QStringLiteral("5.0"));
    s.tempProtection = store.read(keys::Section, keys::SETTEMPT, QStringLiteral("45"));
    return s;
}

std::optional<int> serialPortNumber(const QString& commPortText)
{
    const auto n = roundToWhole(parseLeadingNumber(commPortText), 1, 65535);
    return n ? std::optional<int>(int(*n)) : std::nullopt;
}

} // namespace zel
