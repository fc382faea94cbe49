#include "historyfields.h"

#include <cstdlib>

namespace zel::history {
namespace {

constexpr std::array<FieldInfo, FieldCount> kFields{{
    {"frequency", "frequency_mhz", 2, false},
    {"forward", "forward_w", 1, true},
    {"reflected", "reflected_w", 1, true},
    {"temperature", "temperature_c", 1, true},
    {"pa_voltage", "pa_voltage_v", 1, false},
    {"pa_current", "pa_current_a", 1, false},
    {"modulation", "modulation", 0, false},
    {"audio_left", "audio_left", 0, false},
    {"audio_right", "audio_right", 0, false},
}};

} // namespace

const FieldInfo& fieldInfo(Field field)
{
    return kFields[std::size_t(field)];
}

std::optional<Field> fieldByName(const QString& csvName)
{
    for (int i = 0; i < FieldCount; ++i) {
        if (csvName == QLatin1String(kFields[std::size_t(i)].csvName))
            return fieldAt(i);
    }
    return std::nullopt;
}

QString formatScaled(qint64 value, int decimals)
{
    if (decimals == 0)
        return QString::number(value);
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const qint64 magnitude = std::llabs(value);
    return QStringLiteral("%1%2.%3")
        .arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / scale)
        .arg(magnitude % scale, decimals, 10, QLatin1Char('0'));
}

TelemetryValues sampleValues(const SecondSample& s)
{
    const auto at = [&s](Field f) -> std::optional<double> {
        const auto v = s.at(f);
        if (!v)
            return std::nullopt;
        const int decimals = fieldInfo(f).decimals;
        // Divided, not multiplied by 0.1: only the division rounds once.
        return decimals == 0 ? double(*v) : double(*v) / (decimals == 1 ? 10.0 : 100.0);
    };
    TelemetryValues v;
    if (s.deviceId)
        v.deviceId = double(*s.deviceId);
    v.frequencyMHz = at(Field::Frequency);
    v.onAir = s.onAir;
    v.locked = s.locked;
    v.forwardW = at(Field::Forward);
    v.reflectW = at(Field::Reflected);
    v.temperatureC = at(Field::Temperature);
    v.voltageV = at(Field::Voltage);
    v.currentA = at(Field::Current);
    v.modulation = at(Field::Modulation);
    v.audioLeft = at(Field::AudioLeft);
    v.audioRight = at(Field::AudioRight);
    return v;
}

} // namespace zel::history
