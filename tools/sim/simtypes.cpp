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
};

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
    // Every scenario but the script itself, in table order.
    constexpr qint64 kSteps = static_cast<qint64>(kScenarios.size()) - 1;
    if (stepMs <= 0 || elapsedMs < 0)
        return kScenarios.front().scenario;
    return kScenarios[static_cast<std::size_t>((elapsedMs / stepMs) % kSteps)].scenario;
}

} // namespace zel::sim
