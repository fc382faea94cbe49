#pragma once

#include "telemetry/telemetryvalues.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace zel::history {

// The measured fields kept in the history, in storage order. Each is held as
// a whole number in the unit of the panel's last decimal (frequency in
// 0.01 MHz, powers, temperature, volts and amps in tenths), so the stored
// number is exactly what the panel showed.
enum class Field {
    Frequency,
    Forward,
    Reflected,
    Temperature,
    Voltage,
    Current,
    Modulation,
    AudioLeft,
    AudioRight,
};
inline constexpr int FieldCount = 9;

struct FieldInfo {
    const char* column;  // column in the seconds table
    const char* csvName; // column stem in the command line's CSV, as every output names it
    int decimals;        // the panel's decimals; stored value = shown value x 10^decimals
    bool keepsRange;     // the seconds table keeps that second's minimum and maximum
};

const FieldInfo& fieldInfo(Field field);
inline Field fieldAt(int index)
{
    return static_cast<Field>(index);
}
// The field named by its CSV stem ("forward_w"), for the readers' callers.
std::optional<Field> fieldByName(const QString& csvName);

// A stored number as the panel shows it: 9850 with two decimals gives "98.50".
QString formatScaled(qint64 value, int decimals);

// One finished second: its last record, and for the fields that keep a range
// the second's minimum and maximum. A field the panel showed as dashes has no
// value.
struct SecondSample {
    qint64 t = 0; // seconds since the epoch, UTC
    std::optional<int> deviceId;
    bool onAir = false;
    bool locked = false;
    bool gateway = false;
    std::array<std::optional<qint64>, FieldCount> value{};
    std::array<qint64, FieldCount> min{};
    std::array<qint64, FieldCount> max{};

    std::optional<qint64> at(Field f) const { return value[int(f)]; }
    bool operator==(const SecondSample&) const = default;
};

// A second's last record as numbers, as the panel's texts parse: the stored
// whole numbers back over their powers of ten, which gives the very doubles
// the texts read as, so a limit judges a recorded second as it judged it live.
TelemetryValues sampleValues(const SecondSample& s);

// Minimum, mean and maximum of one field over a minute or an hour.
struct FieldStats {
    qint64 min = 0;
    qint64 mean = 0;
    qint64 max = 0;
    bool operator==(const FieldStats&) const = default;
};

// A minute or an hour of seconds folded together.
struct Rollup {
    qint64 t = 0;    // start of the period, seconds since the epoch
    int seconds = 0; // seconds with a record in the period
    int onAirSeconds = 0;
    int lockedSeconds = 0;
    int gatewaySeconds = 0;
    std::optional<int> deviceId; // the last one seen
    std::array<std::optional<FieldStats>, FieldCount> field{};

    bool operator==(const Rollup&) const = default;
};

} // namespace zel::history
