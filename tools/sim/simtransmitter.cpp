#include "simtransmitter.h"

#include <algorithm>
#include <cmath>

namespace zel::sim {

namespace {

constexpr double kAmbientC = 28.0;
constexpr double kHeatPerKW = 12.0;      // steady-state rise per kW forward
constexpr double kOverheatRiseC = 14.0;  // failed cooling
constexpr double kNormalReflect = 0.015; // matched antenna
constexpr double kFaultReflect = 0.09;   // damaged feeder
constexpr double kPaEfficiency = 0.68;
constexpr double kPaIdleW = 40.0;
constexpr double kSupplyV = 50.0;
constexpr double kSupplySagVPerA = 0.04;
constexpr double kPowerTau = 1.0;
constexpr double kTempTau = 3.0;      // short, so a scenario shows within seconds
constexpr double kPilotPercent = 9.0; // the stereo pilot modulates without programme

// First-order approach of value towards goal over dt with time constant tau.
double approach(double value, double goal, double dt, double tau)
{
    return goal + (value - goal) * std::exp(-dt / tau);
}

} // namespace

Transmitter::Transmitter(quint32 seed) : rng_(seed)
{
    settle();
}

void Transmitter::setScenario(Scenario scenario)
{
    if (scenario == scenario_)
        return;
    scenario_ = scenario;
    scenarioSeconds_ = 0;
    fault_ = timedFault(scenario, 0);
}

void Transmitter::apply(const SetCommand& command)
{
    if (command.frequency10kHz != settings_.frequency10kHz)
        relockSeconds_ = kRelockSeconds;
    settings_ = command;
}

bool Transmitter::carrierOut() const
{
    return settings_.carrierOn && !tripped_ && scenario_ != Scenario::OffAir && !fault_.carrierOff;
}

double Transmitter::reflectRatio() const
{
    return scenario_ == Scenario::HighReflect || fault_.highReflect ? kFaultReflect
                                                                    : kNormalReflect;
}

double Transmitter::forwardGoal() const
{
    if (!carrierOut())
        return 0;
    const double target = settings_.powerW * fault_.forwardShare * (1.0 + drift_);
    return std::min(target, settings_.reflectLimitW / reflectRatio());
}

double Transmitter::temperatureGoal() const
{
    const double rise = kHeatPerKW * forwardW_ / 1000.0;
    return kAmbientC + rise + (scenario_ == Scenario::Overheat ? kOverheatRiseC : 0.0);
}

double Transmitter::noise(double spread)
{
    return std::normal_distribution<double>(0.0, spread)(rng_);
}

void Transmitter::step(double dt)
{
    if (dt <= 0)
        return;
    scenarioSeconds_ += dt;
    const TimedFault fault = timedFault(scenario_, scenarioSeconds_);
    if (fault.phase != fault_.phase)
        events_ << QStringLiteral("event %1: %2")
                       .arg(scenarioName(scenario_), QLatin1String(fault.text));
    fault_ = fault;
    drift_ = std::clamp(drift_ + noise(0.002 * std::sqrt(dt)), -0.02, 0.02);
    loudness_ = std::clamp(loudness_ + noise(4.0 * std::sqrt(dt)), 40.0, 95.0);

    const bool fold = carrierOut() && settings_.powerW * reflectRatio() > settings_.reflectLimitW;
    if (fold != foldedBack_) {
        foldedBack_ = fold;
        events_ << (fold ? QStringLiteral("event fold-back: reflected power above %1 W limit")
                               .arg(settings_.reflectLimitW)
                         : QStringLiteral("event fold-back released"));
    }
    forwardW_ = approach(forwardW_, forwardGoal(), dt, kPowerTau);
    temperatureC_ = approach(temperatureC_, temperatureGoal(), dt, kTempTau);

    if (!tripped_ && temperatureC_ > settings_.tempThresholdC) {
        tripped_ = true;
        events_ << QStringLiteral("event carrier dropped: temperature %1 C above %2 C")
                       .arg(temperatureC_, 0, 'f', 1)
                       .arg(settings_.tempThresholdC);
    } else if (tripped_ && temperatureC_ < settings_.tempThresholdC - kTripHysteresisC) {
        tripped_ = false;
        events_ << QStringLiteral("event carrier restored: temperature %1 C")
                       .arg(temperatureC_, 0, 'f', 1);
    }

    if (relockSeconds_ > 0) {
        relockSeconds_ -= dt;
        if (relockSeconds_ <= 0)
            events_ << QStringLiteral("event frequency locked");
    }
    const bool locked = relockSeconds_ <= 0 && scenario_ != Scenario::Unlock;
    freqOffsetMHz_ =
        locked ? 0.0 : std::clamp(freqOffsetMHz_ + noise(0.02 * std::sqrt(dt)), -0.2, 0.2);
}

void Transmitter::settle()
{
    // Drive the first-order lags to their goals; fold-back and trips follow.
    for (int i = 0; i < 4; ++i) {
        forwardW_ = forwardGoal();
        temperatureC_ = temperatureGoal();
        step(0.001);
    }
}

Reading Transmitter::sample()
{
    Reading r;
    r.deviceId = deviceId_;
    r.onAir = carrierOut();
    r.locked = relockSeconds_ <= 0 && scenario_ != Scenario::Unlock;
    r.frequencyMHz = settings_.frequency10kHz / 100.0 + freqOffsetMHz_;
    r.forwardW = std::max(0.0, forwardW_ * (1.0 + noise(0.002)));
    r.reflectW = std::max(0.0, forwardW_ * reflectRatio() * (1.0 + noise(0.02)));
    r.temperatureC = temperatureC_ + noise(0.05);
    const double dcPower =
        r.onAir ? (forwardW_ / kPaEfficiency + kPaIdleW) / (1.0 - fault_.paEfficiencyLoss)
                : kPaIdleW / 4;
    r.voltageV = kSupplyV - kSupplySagVPerA * dcPower / kSupplyV + noise(0.05);
    r.currentA = dcPower / r.voltageV * (1.0 + noise(0.005));
    // Modulation exists only with a carrier; the audio meters follow it.
    const double programme = r.onAir ? std::clamp(loudness_ + noise(6.0), 0.0, 110.0) : 0.0;
    const auto meter = [&](bool silent) {
        const double level = std::clamp(programme * 1.1 + noise(4.0), 0.0, 120.0);
        return silent ? 0 : static_cast<int>(std::lround(level));
    };
    r.audioLeft = meter(fault_.leftSilent);
    r.audioRight = meter(fault_.rightSilent);
    // A silent channel takes its share of the deviation with it.
    const double share = (2 - int(fault_.leftSilent) - int(fault_.rightSilent)) / 2.0;
    const double mod =
        share < 1 && r.onAir ? std::max(kPilotPercent, programme * share) : programme;
    r.modPercent = static_cast<int>(std::lround(mod));
    return r;
}

QStringList Transmitter::takeEvents()
{
    QStringList events;
    events.swap(events_);
    return events;
}

ScenarioPlayer::ScenarioPlayer(Transmitter& transmitter, Scenario chosen, qint64 scriptStepMs)
    : transmitter_(transmitter), chosen_(chosen), stepMs_(scriptStepMs),
      active_(chosen == Scenario::Script ? scriptedScenario(0, scriptStepMs) : chosen)
{
    transmitter_.setScenario(active_);
    transmitter_.settle();
}

QStringList ScenarioPlayer::advance(qint64 nowMs)
{
    QStringList lines;
    if (chosen_ == Scenario::Script) {
        const Scenario next = scriptedScenario(nowMs, stepMs_);
        if (next != active_) {
            active_ = next;
            transmitter_.setScenario(next);
            lines << QStringLiteral("event scenario %1").arg(scenarioName(next));
        }
    }
    transmitter_.step((nowMs - lastMs_) / 1000.0);
    lastMs_ = nowMs;
    return lines + transmitter_.takeEvents();
}

} // namespace zel::sim
