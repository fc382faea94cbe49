#pragma once

#include "scenariotimeline.h"
#include "simtypes.h"

#include <QStringList>

#include <random>

namespace zel::sim {

// A small model of the transmitter and its controller. step() advances the
// slow physics (power ramps, temperature, drift); sample() takes one noisy
// measurement of it, as the controller would for each frame or reply.
//
// Controller behaviour:
//  - carrier on/off as commanded, unless the controller has tripped;
//  - a frequency change drops the lock for kRelockSeconds, then relocks;
//  - when reflected power would exceed the reflected limit, forward power is
//    folded back until reflected power sits at the limit;
//  - when the temperature rises above the threshold the carrier is dropped,
//    and it returns once the temperature is kTripHysteresisC below it.
class Transmitter {
public:
    static constexpr double kRelockSeconds = 1.5;
    static constexpr double kTripHysteresisC = 3.0;

    explicit Transmitter(quint32 seed);

    // Scenario applied to the physics; Script and Silent act like Normal here
    // (the link decides what Silent means, the caller steps the script). A
    // timed scenario starts its timeline when it is set; step() advances it.
    void setScenario(Scenario scenario);
    Scenario scenario() const { return scenario_; }

    void apply(const SetCommand& command);
    void setDeviceId(quint16 id) { deviceId_ = id; }
    quint16 deviceId() const { return deviceId_; }
    SetCommand settings() const { return settings_; }

    void step(double seconds);
    // Jumps to the steady state of the current settings and scenario, so a
    // scenario chosen at start-up shows at once.
    void settle();
    Reading sample();

    // Controller events since the last call (trip, relock, fold-back), for the log.
    QStringList takeEvents();

private:
    bool carrierOut() const;
    double reflectRatio() const;
    double forwardGoal() const;
    double temperatureGoal() const;
    double noise(double spread);

    std::mt19937 rng_;
    Scenario scenario_ = Scenario::Normal;
    quint16 deviceId_ = 8001;
    SetCommand settings_{true, 9850, 500, 100, 50};

    double forwardW_ = 0;
    double temperatureC_ = 25;
    double drift_ = 0;         // slow relative drift of forward power
    double freqOffsetMHz_ = 0; // wander of an unlocked synthesiser
    double relockSeconds_ = 0; // time left until the synthesiser relocks
    double loudness_ = 70;     // programme loudness, percent modulation
    double scenarioSeconds_ = 0;
    TimedFault fault_;
    bool tripped_ = false;
    bool foldedBack_ = false;
    QStringList events_;
};

// Plays the chosen scenario on a transmitter in real time: steps the script
// and the physics, and returns the log lines for what happened.
class ScenarioPlayer {
public:
    ScenarioPlayer(Transmitter& transmitter, Scenario chosen, qint64 scriptStepMs);

    // The scenario in force now (never Script).
    Scenario active() const { return active_; }
    QStringList advance(qint64 nowMs);

private:
    Transmitter& transmitter_;
    Scenario chosen_;
    qint64 stepMs_;
    Scenario active_;
    qint64 lastMs_ = 0;
};

} // namespace zel::sim
