#pragma once

#include <QtGlobal>

#include <chrono>
#include <functional>

namespace zel {

// Milliseconds from a monotonic clock: a step of the wall clock changes no
// lock-out or session. Tests give their own.
using MonotonicClock = std::function<qint64()>;

inline MonotonicClock steadyClock()
{
    return [] {
        return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count());
    };
}

} // namespace zel
