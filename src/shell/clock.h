#pragma once

#include <QDateTime>

namespace zel {

class Clock {
public:
    virtual ~Clock() = default;
    // Wall-clock time, for stamping what happened.
    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that never steps, for measuring delays: the
    // wall clock can be set back or forward under a running monitor.
    virtual qint64 monotonicMs() const = 0;
};

// Local time of the system. Asking the time-zone rules costs a file check on
// every call, too much at 80 frames a second, so the offset from UTC is asked
// again only once a second.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    qint64 monotonicMs() const override;

private:
    mutable qint64 m_offsetCheckedMs = 0;
    mutable int m_offsetSeconds = 0;
};

} // namespace zel
