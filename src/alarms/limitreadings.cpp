#include "limitreadings.h"

#include <cmath>
#include <limits>

namespace zel {

const QStringList& readingNames()
{
    static const QStringList names{
        QStringLiteral("forward_w"),     QStringLiteral("reflected_w"),
        QStringLiteral("temperature_c"), QStringLiteral("pa_voltage_v"),
        QStringLiteral("pa_current_a"),  QStringLiteral("frequency_mhz"),
        QStringLiteral("modulation"),    QStringLiteral("audio_left"),
        QStringLiteral("audio_right"),   QStringLiteral("reflect_ratio"),
        QStringLiteral("vswr"),          QStringLiteral("return_loss_db"),
        QStringLiteral("pa_efficiency"), QStringLiteral("forward_ratio")};
    return names;
}

QString readingName(Reading reading)
{
    return readingNames().at(int(reading));
}

std::optional<Reading> readingNamed(const QString& name)
{
    const qsizetype at = readingNames().indexOf(name);
    return at < 0 ? std::nullopt : std::optional<Reading>(Reading(at));
}

bool carrierGives(Reading r)
{
    return r == Reading::ForwardW || r == Reading::PaCurrentA || r == Reading::Modulation ||
           r == Reading::AudioLeft || r == Reading::AudioRight;
}

std::optional<double> LimitReadings::reference(Reading r) const
{
    if (r == Reading::ForwardW)
        return forwardTarget;
    if (r == Reading::ReflectedW)
        return forwardReference;
    return std::nullopt;
}

LimitReadings limitReadings(const TelemetryValues& v, std::optional<double> forwardTarget,
                            double minForwardW)
{
    LimitReadings r;
    const auto set = [&r](Reading which, std::optional<double> value) {
        r.values[std::size_t(which)] = value;
    };
    set(Reading::ForwardW, v.forwardW);
    set(Reading::ReflectedW, v.reflectW);
    set(Reading::TemperatureC, v.temperatureC);
    set(Reading::PaVoltageV, v.voltageV);
    set(Reading::PaCurrentA, v.currentA);
    set(Reading::FrequencyMhz, v.frequencyMHz);
    set(Reading::Modulation, v.modulation);
    set(Reading::AudioLeft, v.audioLeft);
    set(Reading::AudioRight, v.audioRight);

    if (v.onAir && forwardTarget && *forwardTarget > 0)
        r.forwardTarget = forwardTarget;
    // Off air a power still winding down is no measure of the antenna.
    if (!v.onAir || !v.forwardW || *v.forwardW < minForwardW || *v.forwardW <= 0)
        return r;
    const double forward = *v.forwardW;
    r.forwardReference = forward;

    if (forwardTarget && *forwardTarget > 0)
        set(Reading::ForwardRatio, forward / *forwardTarget);
    if (v.voltageV && v.currentA && *v.voltageV * *v.currentA > 0)
        set(Reading::PaEfficiency, forward / (*v.voltageV * *v.currentA));
    if (!v.reflectW || *v.reflectW < 0)
        return r;
    const double ratio = *v.reflectW / forward;
    set(Reading::ReflectRatio, ratio);
    set(Reading::ReturnLossDb,
        ratio > 0 ? -10 * std::log10(ratio) : std::numeric_limits<double>::infinity());
    // At or past total reflection the standing-wave ratio has no finite value.
    if (ratio < 1) {
        const double root = std::sqrt(ratio);
        set(Reading::Vswr, (1 + root) / (1 - root));
    }
    return r;
}

} // namespace zel
