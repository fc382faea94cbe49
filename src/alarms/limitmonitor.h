#pragma once

#include "eventrecord.h"
#include "limitjudge.h"
#include "qualifiedcondition.h"
#include "silencejudge.h"
#include "telemetry/transmitterstatus.h"

#include <optional>
#include <vector>

namespace zel {

// Turns the readings of each frame into alarm rows by the [Limits] group:
// one alarm per kind (low and high side of a reading, silence, channel
// loss), raised after its qualify time, cleared after its clear time, with a
// severity from the level it stands at. Crossing from warning to critical or
// back is the same alarm: a row says so once that level has held for the
// alarm's own times. A reading that cannot be judged (no value, or the
// reference of a relative limit missing: carrier off, no target saved) keeps
// its alarm as it is; a raised one says once that it is suspended.
//
// Pure: no timers and no clock. The live monitor and the replay over the
// recorded seconds drive the same code, with the time passed in.
class LimitMonitor {
public:
    explicit LimitMonitor(const LimitSettings& settings);

    // One frame's readings at wall time t and monotonic time monoMs. The
    // record, where there is one, words the designed alarms' values as the
    // panel shows them.
    std::vector<EventRecord> observe(const QDateTime& t, qint64 monoMs,
                                     const LimitReadings& readings, bool carrierOn,
                                     const TransmitterStatus* record = nullptr);
    // Whatever is due by monoNow.
    std::vector<EventRecord> complete(qint64 monoNow);
    std::optional<qint64> due() const;
    // Nothing is known of what happened meanwhile (the link was lost).
    void forgetPending();

    // Takes over an alarm the log holds raised from before a restart; false
    // for a kind these limits do not judge.
    bool resume(const QString& kind, const QString& severity);
    // The severity a raised kind stands at; empty when not raised.
    QString severityOf(const QString& kind) const;
    // Every kind these limits may raise, in a stable order.
    QStringList kinds() const;
    // The severities kind may be raised at: critical, and warning where a
    // warning level is set.
    QStringList severitiesOf(const QString& kind) const;

private:
    struct Alarm {
        QString kind;
        QualifiedCondition raised;   // at any level
        QualifiedCondition critical; // at a critical level
        QString severity;            // while raised
        bool suspended = false;
        QString rule; // the limit crossed, in words
        QString criticalRule;
        QString warningRule;
        qint64 qualifyMs = 0;
        qint64 clearMs = 0;
    };
    struct ReadingState {
        LimitJudge judge;
        LimitLevel level = LimitLevel::Normal;
        int low = -1; // index into m_alarms, -1 for none
        int high = -1;
    };

    void feed(Alarm& a, const QDateTime& t, qint64 monoMs, bool holds, bool critical,
              const QString& value, std::vector<EventRecord>& out);
    void suspend(Alarm& a, const QDateTime& t, const QString& why, std::vector<EventRecord>& out);
    void settle(Alarm& a, const std::optional<QualifiedCondition::Change>& change,
                const std::optional<QualifiedCondition::Change>& severityChange,
                std::vector<EventRecord>& out);
    // The value a row of the reading's low or high alarm shows.
    static QString valueText(Reading reading, bool high, const LimitReadings& readings,
                             const TransmitterStatus* record);
    int addAlarm(const QString& kind, int qualifySeconds, int clearSeconds);

    LimitSettings m_settings;
    std::vector<Alarm> m_alarms;
    std::vector<ReadingState> m_readings;
    SilenceJudge m_silenceJudge;
    SilenceState m_silence;
    double m_forwardW = 0; // when silence was last judged
    int m_silenceAlarm = -1;
    int m_channelAlarm = -1;
};

// Whether row brings the window forward: a limit's alarm raised as, or
// escalated to, critical. The designed alarms bring it forward from the
// panel at their own timing; link and port alarms never did.
bool bringsWindowForward(const EventRecord& row);

// A raised alarm's condition in words for its detail: "temperature above
// 45.0 C", "forward power below 50% of target".
QString limitRuleText(Reading reading, LimitLevel level, const Threshold& limit);

} // namespace zel
