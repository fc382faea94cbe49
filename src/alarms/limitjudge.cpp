#include "limitjudge.h"

#include "eventrecord.h"

namespace zel {
namespace {

bool isHigh(LimitLevel l)
{
    return l == LimitLevel::HighWarning || l == LimitLevel::HighCritical;
}

bool isCritical(LimitLevel l)
{
    return l == LimitLevel::LowCritical || l == LimitLevel::HighCritical;
}

int rank(LimitLevel l)
{
    return l == LimitLevel::Normal ? 0 : isCritical(l) ? 2 : 1;
}

LimitKey keyOf(LimitLevel l)
{
    switch (l) {
    case LimitLevel::LowCritical:
        return LimitKey::LowCritical;
    case LimitLevel::LowWarning:
        return LimitKey::LowWarning;
    case LimitLevel::HighWarning:
        return LimitKey::HighWarning;
    default:
        return LimitKey::HighCritical;
    }
}

// The next level toward Normal on the same side.
LimitLevel milder(LimitLevel l)
{
    if (l == LimitLevel::LowCritical)
        return LimitLevel::LowWarning;
    if (l == LimitLevel::HighCritical)
        return LimitLevel::HighWarning;
    return LimitLevel::Normal;
}

struct Resolved {
    std::array<std::optional<double>, 4> at;
    double band = 0;

    std::optional<double> of(LimitLevel l) const { return at[std::size_t(keyOf(l))]; }
    // Past the limit of level l, by band toward Normal when band is given.
    bool beyond(LimitLevel l, double v, double by) const
    {
        const auto t = of(l);
        if (!t)
            return false;
        return isHigh(l) ? v > *t - by : v < *t + by;
    }
};

LimitLevel crossed(const Resolved& r, double v)
{
    for (LimitLevel l : {LimitLevel::LowCritical, LimitLevel::HighCritical, LimitLevel::LowWarning,
                         LimitLevel::HighWarning}) {
        if (r.beyond(l, v, 0))
            return l;
    }
    return LimitLevel::Normal;
}

} // namespace

QString limitKind(Reading reading, LimitLevel level)
{
    if (level == LimitLevel::Normal)
        return QString();
    return alarm::readingKind(readingName(reading), isHigh(level));
}

QString limitSeverity(LimitLevel level)
{
    if (level == LimitLevel::Normal)
        return QString();
    return isCritical(level) ? severity::Critical : severity::Warning;
}

LimitVerdict LimitJudge::judge(LimitLevel now, const LimitReadings& readings) const
{
    if (readings.idleStandby && carrierGives(m_reading))
        return {now, true};
    return judge(now, readings[m_reading], readings.reference(m_reading));
}

LimitVerdict LimitJudge::judge(LimitLevel now, std::optional<double> value,
                               std::optional<double> reference) const
{
    if (!value || (m_limits.anyRelative() && !reference))
        return {now, true};
    Resolved r;
    for (std::size_t i = 0; i < r.at.size(); ++i) {
        if (const auto& t = m_limits.levels[i])
            r.at[i] = t->resolve(reference);
    }
    r.band = m_limits.hysteresis.resolve(reference).value_or(0);

    const double v = *value;
    const LimitLevel next = crossed(r, v);
    // Worse, or over to the other side: at once.
    if (rank(next) >= rank(now) || (next != LimitLevel::Normal && isHigh(next) != isHigh(now)))
        return {next, false};
    // Easing: each level passed on the way back holds until the value is
    // inside its limit by the band.
    for (LimitLevel l = now; rank(l) > rank(next); l = milder(l)) {
        if (r.beyond(l, v, r.band))
            return {l, false};
    }
    return {next, false};
}

} // namespace zel
