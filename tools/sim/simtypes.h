#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace zel::sim {

// One measurement of the transmitter in engineering units, before it is
// squeezed into a frame or a reply line.
struct Reading {
    quint16 deviceId = 0;
    bool onAir = false;
    double frequencyMHz = 0;
    bool locked = false;
    double forwardW = 0;
    double reflectW = 0;
    double temperatureC = 0;
    double voltageV = 0;
    double currentA = 0;
    int modPercent = 0;
    int audioLeft = 0;
    int audioRight = 0;
};

// The five working values a set command carries, in wire units.
struct SetCommand {
    bool carrierOn = false;
    quint16 frequency10kHz = 0;
    quint16 powerW = 0;
    quint8 reflectLimitW = 0;
    quint8 tempThresholdC = 0;

    bool operator==(const SetCommand&) const = default;
};

enum class Scenario {
    Normal,
    Overheat,
    HighReflect,
    Unlock,
    OffAir,
    Silent,
    Script,
    // Timed: they play their own timeline (scenariotimeline.h).
    Foldback,
    Silence,
    ChannelLoss,
    PaDrift,
    CarrierTrip,
};

QString scenarioName(Scenario scenario);
std::optional<Scenario> scenarioFromName(const QString& name);
// Every scenario name: those the script steps through, in its order, then
// script, then the timed ones.
QStringList scenarioNames();

// The scenario the script plays after elapsedMs, with stepMs per scenario.
Scenario scriptedScenario(qint64 elapsedMs, qint64 stepMs);

} // namespace zel::sim
