#include "scenariotimeline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

namespace zel::sim {

namespace {

struct Phase {
    double seconds;
    double forwardShare;
    bool highReflect;
    bool carrierOff;
    bool leftSilent;
    bool rightSilent;
    const char* text;
};

// The lead-in is long against the monitor's qualify and clear times (3 s by
// default, 5 s to clear silence), so each fault raises and clears on its own.
constexpr double kLeadInSeconds = 20;

// Warning (below 90 % of target) for a full minute before critical (below 50 %).
constexpr std::array kFoldback{
    Phase{kLeadInSeconds, 1.0, false, false, false, false, "forward power at target"},
    Phase{60, 0.6, false, false, false, false, "forward power folded back to 60% of target"},
    Phase{60, 0.4, false, false, false, false, "forward power folded back to 40% of target"},
};
// Twice the default silence qualify time, so the alarm stands for half a minute.
constexpr std::array kSilence{
    Phase{kLeadInSeconds, 1.0, false, false, false, false, "programme on"},
    Phase{60, 1.0, false, false, true, true, "programme silent on both channels"},
};
constexpr std::array kChannelLoss{
    Phase{kLeadInSeconds, 1.0, false, false, false, false, "programme on both channels"},
    Phase{60, 1.0, false, false, false, true, "right channel silent"},
};
constexpr std::array kCarrierTrip{
    Phase{kLeadInSeconds, 1.0, false, false, false, false, "carrier on, reflected power normal"},
    Phase{20, 1.0, true, false, false, false, "reflected power at 9% of forward"},
    // The antenna fault stays while the carrier winds down, as a real trip's would.
    Phase{30, 1.0, true, true, false, false, "carrier tripped off air"},
};

constexpr double kPaDriftSeconds = 600;
constexpr double kPaDriftLoss = 0.10;

std::span<const Phase> phasesOf(Scenario scenario)
{
    switch (scenario) {
    case Scenario::Foldback:
        return kFoldback;
    case Scenario::Silence:
        return kSilence;
    case Scenario::ChannelLoss:
        return kChannelLoss;
    case Scenario::CarrierTrip:
        return kCarrierTrip;
    default:
        return {};
    }
}

TimedFault cycle(std::span<const Phase> phases, double seconds)
{
    double period = 0;
    for (const Phase& p : phases)
        period += p.seconds;
    double at = std::fmod(std::max(0.0, seconds), period);
    int index = 0;
    while (index + 1 < int(phases.size()) && at >= phases[std::size_t(index)].seconds)
        at -= phases[std::size_t(index++)].seconds;
    const Phase& p = phases[std::size_t(index)];
    TimedFault fault;
    fault.forwardShare = p.forwardShare;
    fault.highReflect = p.highReflect;
    fault.carrierOff = p.carrierOff;
    fault.leftSilent = p.leftSilent;
    fault.rightSilent = p.rightSilent;
    fault.phase = index;
    fault.text = p.text;
    return fault;
}

} // namespace

TimedFault timedFault(Scenario scenario, double seconds)
{
    if (scenario == Scenario::PaDrift) {
        // A slowly failing PA: the same forward power for ever more supply power.
        TimedFault fault;
        const bool falling = seconds < kPaDriftSeconds;
        fault.paEfficiencyLoss = kPaDriftLoss * std::clamp(seconds / kPaDriftSeconds, 0.0, 1.0);
        fault.phase = falling ? 0 : 1;
        fault.text = falling ? "PA efficiency falling" : "PA efficiency held 10% below its start";
        return fault;
    }
    const auto phases = phasesOf(scenario);
    return phases.empty() ? TimedFault{} : cycle(phases, seconds);
}

} // namespace zel::sim
