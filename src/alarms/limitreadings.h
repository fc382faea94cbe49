#pragma once

#include "telemetry/telemetryvalues.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace zel {

// Every reading a limit can be set on: the history CSV's nine, then the ones
// worked out from them. The names are the settings' and the kinds' stems.
enum class Reading {
    ForwardW,
    ReflectedW,
    TemperatureC,
    PaVoltageV,
    PaCurrentA,
    FrequencyMhz,
    Modulation,
    AudioLeft,
    AudioRight,
    ReflectRatio,
    Vswr,
    ReturnLossDb,
    PaEfficiency,
    ForwardRatio,
};
inline constexpr int ReadingCount = int(Reading::ForwardRatio) + 1;

// "forward_w", "reflect_ratio", ...
QString readingName(Reading reading);
std::optional<Reading> readingNamed(const QString& name);
// Every name, in the order above.
const QStringList& readingNames();

// One frame's readings; a reading without a value is absent and judges
// nothing. The references a relative limit is taken against go with them.
struct LimitReadings {
    std::array<std::optional<double>, ReadingCount> values;
    // The saved forward target, only while the carrier is on: low power means
    // nothing with the carrier off or with no target to fall short of.
    std::optional<double> forwardTarget;
    // The forward power, only from min_forward_w up: below it a reflected
    // power "of forward" is noise, not a fault.
    std::optional<double> forwardReference;
    // A standby off air: idle by design, so what only the carrier gives is
    // not judged until it is on air.
    bool idleStandby = false;

    std::optional<double> operator[](Reading r) const { return values[std::size_t(r)]; }
    // What a relative limit on reading is a fraction of; absent for a reading
    // that takes none.
    std::optional<double> reference(Reading r) const;
};

// What falls to nothing when the carrier is off: forward power, PA current,
// modulation and audio.
bool carrierGives(Reading reading);

// The readings of a frame. Derived ones are absent where an input is missing,
// the carrier is off or the forward power is below minForwardW. return_loss_db is +infinity with
// no reflected power at all: above any limit, but never to be printed as is.
LimitReadings limitReadings(const TelemetryValues& values, std::optional<double> forwardTarget,
                            double minForwardW);

} // namespace zel
