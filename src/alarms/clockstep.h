#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace zel {

// The wall clock and the monotonic clock read at one moment, in ms.
struct ClockReading {
    qint64 wallMs = 0;
    qint64 monotonicMs = 0;
};

// Notices the wall clock being set: between two readings it moved more than
// 2 s back, or more than an hour forward, of what the monotonic clock did.
// Smaller differences are the time service slewing, or a suspend (the
// monotonic clock stands still while the machine sleeps). Pure state.
class ClockStepDetector {
public:
    static constexpr qint64 BackwardLimitMs = 2000;
    static constexpr qint64 ForwardLimitMs = 3600 * 1000;

    // The step since the previous reading in ms (negative: set back), if any.
    std::optional<qint64> observe(const ClockReading& reading);
    // The wall clock has kept with the monotonic one for at least ms since
    // the last step, as of the last reading; true when no step was seen.
    bool steadyFor(qint64 ms) const;

private:
    std::optional<ClockReading> m_last;
    std::optional<qint64> m_stepAtMs; // monotonic
};

// A step's size for the operator: "-300 s", "+3456000 s", "-2.1 s".
QString stepText(qint64 stepMs);

} // namespace zel
