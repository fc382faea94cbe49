#pragma once

#include "limitjudge.h"

namespace zel {

// Which audio channels count as silent. A channel turns silent below the
// silence level and carries programme again only above the clear level, so a
// level between the two keeps what it was.
struct SilenceState {
    bool leftSilent = false;
    bool rightSilent = false;

    // Both channels silent: dead air.
    bool silence() const { return leftSilent && rightSilent; }
    // One channel silent while the other carries programme.
    bool channelLoss() const { return leftSilent != rightSilent; }
    bool operator==(const SilenceState&) const = default;
};

struct SilenceVerdict {
    SilenceState state;
    // Not judged (carrier off, forward power past a limit, or an audio level
    // missing): the state was kept and nothing may raise or clear on it.
    bool suspended = false;
};

// Pure, like LimitJudge: the silence times are the caller's.
class SilenceJudge {
public:
    explicit SilenceJudge(SilenceSettings settings) : m_settings(settings) {}

    // forwardLevel is where forward_w stands against its limits: silence is
    // only told apart from an RF fault while the carrier is on air within
    // them.
    SilenceVerdict judge(const SilenceState& now, const LimitReadings& readings, bool carrierOn,
                         LimitLevel forwardLevel) const;

    // "programme silent, transmitter on air at 498 W"
    static QString detail(const SilenceState& state, double forwardW);

private:
    SilenceSettings m_settings;
};

} // namespace zel
