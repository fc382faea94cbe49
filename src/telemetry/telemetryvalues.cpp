#include "telemetryvalues.h"

#include "common/lenientnumber.h"

namespace zel {

bool isPlaceholder(const QString& text)
{
    if (!text.contains(u'-'))
        return false;
    for (QChar c : text) {
        if (c != u'-' && c != u'.')
            return false;
    }
    return true;
}

namespace {

std::optional<double> valueOf(const QString& text)
{
    if (isPlaceholder(text))
        return std::nullopt;
    return parseLeadingNumber(text);
}

} // namespace

TelemetryValues telemetryValues(const TransmitterStatus& s)
{
    TelemetryValues v;
    v.deviceId = valueOf(s.DeviceId);
    v.frequencyMHz = valueOf(s.FrequencyMHz);
    v.onAir = s.OnAir;
    v.locked = s.FreqLock;
    v.forwardW = valueOf(s.ForwardW);
    v.reflectW = valueOf(s.ReflectW);
    v.temperatureC = valueOf(s.TemperatureC);
    v.voltageV = valueOf(s.VoltageV);
    v.currentA = valueOf(s.CurrentA);
    v.modulation = valueOf(s.ModPercent);
    v.audioLeft = valueOf(s.AudioLeft);
    v.audioRight = valueOf(s.AudioRight);
    return v;
}

QJsonValue jsonReading(std::optional<double> value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace zel
