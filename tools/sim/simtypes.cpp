#include "simtypes.h"

#include <array>

namespace zel::sim {

namespace {

struct NamedScenario {
    Scenario scenario;
    const char* name;
};

constexpr std::array kScenarios{
    NamedScenario{Scenario::Normal, "normal"},
    NamedScenario{Scenario::Overheat, "overheat"},
    NamedScenario{Scenario::HighReflect, "high-reflect"},
    NamedScenario{Scenario::Unlock, "unlock"},
    NamedScenario{Scenario::OffAir, "off-air"},
    NamedScenario{Scenario::Silent, "silent"},
    NamedScenario{Scenario::Script, "script"},
    NamedScenario{Scenario::Foldback, "foldback"},
    NamedScenario{Scenario::Silence, "silence"},
    NamedScenario{Scenario::ChannelLoss, "channel-loss"},
    NamedScenario{Scenario::PaDrift, "pa-drift"},
    NamedScenario{Scenario::CarrierTrip, "carrier-trip"},
};

// The script steps through the scenarios before it; the timed ones run on
// their own clock, which a script step would cut short.
constexpr qint64 scriptSteps()
{
    qint64 steps = 0;
    while (kScenarios[static_cast<std::size_t>(steps)].scenario != Scenario::Script)
        ++steps;
    return steps;
}

} // namespace

QString scenarioName(Scenario scenario)
{
    for (const auto& entry : kScenarios) {
        if (entry.scenario == scenario)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

std::optional<Scenario> scenarioFromName(const QString& name)
{
    for (const auto& entry : kScenarios) {
        if (name == QLatin1String(entry.name))
            return entry.scenario;
    }
    return std::nullopt;
}

QStringList scenarioNames()
{
    QStringList names;
    for (const auto& entry : kScenarios)
        names << QString::fromLatin1(entry.name);
    return names;
}

Scenario scriptedScenario(qint64 elapsedMs, qint64 stepMs)
{
    constexpr qint64 kSteps = scriptSteps();
    if (stepMs <= 0 || elapsedMs < 0)
        return kScenarios.front().scenario;
    return kScenarios[static_cast<std::size_t>((elapsedMs / stepMs) % kSteps)].scenario;
}

} // namespace zel::sim
