#pragma once

#include <QDateTime>

namespace zel {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// Local time of the system. Asking the time-zone rules costs a file check on
// every call, too much at 80 frames a second, so the offset from UTC is asked
// again only once a second.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;

private:
    mutable qint64 m_offsetCheckedMs = 0;
    mutable int m_offsetSeconds = 0;
};

} // namespace zel
