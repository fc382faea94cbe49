#include "silencejudge.h"

namespace zel {

SilenceVerdict SilenceJudge::judge(const SilenceState& now, const LimitReadings& readings,
                                   bool carrierOn, LimitLevel forwardLevel) const
{
    const auto left = readings[Reading::AudioLeft];
    const auto right = readings[Reading::AudioRight];
    if (!carrierOn || forwardLevel != LimitLevel::Normal || !left || !right)
        return {now, true};
    const auto silent = [this](bool was, double level) {
        if (level < m_settings.level)
            return true;
        return level > m_settings.clearLevel ? false : was;
    };
    return {{silent(now.leftSilent, *left), silent(now.rightSilent, *right)}, false};
}

QString SilenceJudge::detail(const SilenceState& state, double forwardW)
{
    const QString what = state.silence()     ? QStringLiteral("programme silent")
                         : state.leftSilent  ? QStringLiteral("left channel silent")
                         : state.rightSilent ? QStringLiteral("right channel silent")
                                             : QStringLiteral("programme on");
    return QStringLiteral("%1, transmitter on air at %2 W").arg(what).arg(forwardW, 0, 'f', 0);
}

} // namespace zel
