#include "rollup.h"

#include <algorithm>
#include <cmath>

namespace zel::history {
namespace {

// Running minimum, maximum and weighted sum of one field.
struct Accumulator {
    bool any = false;
    qint64 min = 0;
    qint64 max = 0;
    double sum = 0;
    qint64 weight = 0;

    void add(qint64 lo, qint64 mean, qint64 hi, qint64 w)
    {
        min = any ? std::min(min, lo) : lo;
        max = any ? std::max(max, hi) : hi;
        any = true;
        sum += double(mean) * double(w);
        weight += w;
    }

    std::optional<FieldStats> stats() const
    {
        if (!any)
            return std::nullopt;
        // The rounded mean stays within [min, max] because both are whole.
        const qint64 mean = std::clamp(roundedMean(sum, weight), min, max);
        return FieldStats{min, mean, max};
    }
};

} // namespace

qint64 roundedMean(double sum, qint64 count)
{
    return count > 0 ? qint64(std::llround(sum / double(count))) : 0;
}

Rollup rollupOfSeconds(qint64 start, const QList<SecondSample>& seconds)
{
    Rollup r;
    r.t = start;
    std::array<Accumulator, FieldCount> acc;
    for (const SecondSample& s : seconds) {
        ++r.seconds;
        r.onAirSeconds += s.onAir ? 1 : 0;
        r.lockedSeconds += s.locked ? 1 : 0;
        r.gatewaySeconds += s.gateway ? 1 : 0;
        if (s.deviceId)
            r.deviceId = s.deviceId;
        for (int i = 0; i < FieldCount; ++i) {
            if (const auto v = s.value[std::size_t(i)])
                acc[std::size_t(i)].add(s.min[std::size_t(i)], *v, s.max[std::size_t(i)], 1);
        }
    }
    for (int i = 0; i < FieldCount; ++i)
        r.field[std::size_t(i)] = acc[std::size_t(i)].stats();
    return r;
}

Rollup rollupOfRollups(qint64 start, const QList<Rollup>& parts)
{
    Rollup r;
    r.t = start;
    std::array<Accumulator, FieldCount> acc;
    for (const Rollup& p : parts) {
        r.seconds += p.seconds;
        r.onAirSeconds += p.onAirSeconds;
        r.lockedSeconds += p.lockedSeconds;
        r.gatewaySeconds += p.gatewaySeconds;
        if (p.deviceId)
            r.deviceId = p.deviceId;
        for (int i = 0; i < FieldCount; ++i) {
            if (const auto& f = p.field[std::size_t(i)])
                acc[std::size_t(i)].add(f->min, f->mean, f->max, std::max(p.seconds, 1));
        }
    }
    for (int i = 0; i < FieldCount; ++i)
        r.field[std::size_t(i)] = acc[std::size_t(i)].stats();
    return r;
}

} // namespace zel::history
