#include "setpoints.h"

#include "config/linksettings.h"
#include "config/settingskeys.h"

#include <cmath>

namespace zel {
namespace {

// Strict on purpose: the panel's lenient reading turns "abc" into 0, and a
// set point of 0 W would be a lie on a dashboard.
std::optional<double> number(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

} // namespace

SetPoints readSetPoints(const SettingsStore& store)
{
    const SetParameterSettings saved = readSetParameterSettings(store);
    SetPoints p;
    if (const auto on = number(store.read(keys::Section, keys::SETPOWER, QStringLiteral("0"))))
        p.carrierOn = saved.carrierOn ? 1 : 0;
    p.frequencyMHz = number(saved.frequency);
    p.forwardW = number(saved.forwardTarget);
    p.reflectW = number(saved.reflectTarget);
    p.temperatureC = number(saved.tempProtection);
    return p;
}

} // namespace zel
