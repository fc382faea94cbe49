#pragma once

#include "simtypes.h"

namespace zel::sim {

// What a timed scenario does to the transmitter at one moment. The neutral
// value is what every untimed scenario gets.
struct TimedFault {
    double forwardShare = 1.0; // of the target forward power
    bool highReflect = false;
    bool carrierOff = false;
    bool leftSilent = false;
    bool rightSilent = false;
    double paEfficiencyLoss = 0; // share of the PA efficiency lost
    int phase = 0;               // changes whenever the fault above does
    const char* text = "";       // the phase, for the log
};

// The fault a scenario puts on the transmitter after it has played for
// seconds. Timed scenarios start with 20 s of normal running, so the monitor
// sees a good reading first, then play their fault and start over; pa-drift
// instead falls for 10 minutes and holds.
TimedFault timedFault(Scenario scenario, double seconds);

} // namespace zel::sim
