#include "limitmonitor.h"

#include "recordrules.h"

#include <array>
#include <cmath>

namespace zel {
namespace {

struct Shown {
    int decimals;
    const char* unit;
};

// How a reading's value is written in an alarm row, in Reading's order.
constexpr std::array<Shown, ReadingCount> kShown{{
    {1, " W"},
    {1, " W"},
    {1, " C"},
    {1, " V"},
    {1, " A"},
    {2, " MHz"},
    {0, ""},
    {0, ""},
    {0, ""},
    {3, ""},
    {2, ""},
    {1, " dB"},
    {2, ""},
    {2, ""},
}};

QString seconds(qint64 ms)
{
    return QString::number(ms / 1000.0, 'g', 6);
}

QString number(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

bool isLow(LimitLevel l)
{
    return l == LimitLevel::LowWarning || l == LimitLevel::LowCritical;
}

bool isHigh(LimitLevel l)
{
    return l == LimitLevel::HighWarning || l == LimitLevel::HighCritical;
}

QString suspendedWhy(Reading r, const LimitReadings& readings, double minForwardW)
{
    if (readings.idleStandby && carrierGives(r))
        return QStringLiteral("not judged while the standby is off air");
    if (r == Reading::ForwardW && readings[r])
        return QStringLiteral("not judged while the carrier is off or no forward target is saved");
    if (r == Reading::ReflectedW || (int(r) >= int(Reading::ReflectRatio) && readings.values[0]))
        return QStringLiteral("not judged while the carrier is off or below %1 W")
            .arg(minForwardW, 0, 'g', 6);
    return QStringLiteral("not judged while %1 has no reading").arg(readingName(r));
}

} // namespace

bool bringsWindowForward(const EventRecord& row)
{
    if (row.severity != severity::Critical ||
        (row.state != eventstate::Raised && row.state != eventstate::Escalated))
        return false;
    return alarm::all().indexOf(row.event) >= alarm::all().indexOf(alarm::LowPower);
}

QString limitRuleText(Reading reading, LimitLevel level, const Threshold& limit)
{
    const bool high = isHigh(level);
    const QString side = high ? QStringLiteral("above") : QStringLiteral("below");
    const QString share = QString::number(limit.value * 100, 'g', 3) + u'%';
    if (reading == Reading::TemperatureC && !limit.relative)
        return QStringLiteral("temperature %1 %2 C").arg(side, number(limit.value, 1));
    if (reading == Reading::ReflectedW)
        return limit.relative ? QStringLiteral("reflected power %1 %2 of forward").arg(side, share)
                              : QStringLiteral("reflected power %1 %2 W")
                                    .arg(side, QString::number(limit.value, 'g', 6));
    if (reading == Reading::ForwardW)
        return limit.relative ? QStringLiteral("forward power %1 %2 of target").arg(side, share)
                              : QStringLiteral("forward power %1 %2 W")
                                    .arg(side, QString::number(limit.value, 'g', 6));
    return QStringLiteral("%1 %2 %3%4")
        .arg(readingName(reading), side, QString::number(limit.value, 'g', 6),
             QLatin1String(kShown[std::size_t(reading)].unit));
}

LimitMonitor::LimitMonitor(const LimitSettings& settings)
    : m_settings(settings), m_silenceJudge(settings.silence)
{
    // The designed alarms first, in the order the panel checks them.
    std::vector<Reading> order{Reading::TemperatureC, Reading::ReflectedW};
    for (int i = 0; i < ReadingCount; ++i) {
        if (Reading(i) != Reading::TemperatureC && Reading(i) != Reading::ReflectedW)
            order.push_back(Reading(i));
    }
    for (const Reading r : order) {
        const ReadingLimits& l = settings.of(r);
        ReadingState state{LimitJudge(r, l)};
        const auto side = [&](LimitLevel warning, LimitLevel critical) {
            if (!l.levels[std::size_t(warning == LimitLevel::LowWarning ? LimitKey::LowWarning
                                                                        : LimitKey::HighWarning)] &&
                !l.levels[std::size_t(critical == LimitLevel::LowCritical
                                          ? LimitKey::LowCritical
                                          : LimitKey::HighCritical)])
                return -1;
            const int at = addAlarm(limitKind(r, warning), l.qualifySeconds, l.clearSeconds);
            Alarm& a = m_alarms[std::size_t(at)];
            if (const auto t = l.at(warning == LimitLevel::LowWarning ? LimitKey::LowWarning
                                                                      : LimitKey::HighWarning))
                a.warningRule = limitRuleText(r, warning, *t);
            if (const auto t = l.at(critical == LimitLevel::LowCritical ? LimitKey::LowCritical
                                                                        : LimitKey::HighCritical))
                a.criticalRule = limitRuleText(r, critical, *t);
            return at;
        };
        state.low = side(LimitLevel::LowWarning, LimitLevel::LowCritical);
        state.high = side(LimitLevel::HighWarning, LimitLevel::HighCritical);
        m_readings.push_back(state);
    }
    const SilenceSettings& q = settings.silence;
    m_silenceAlarm = addAlarm(alarm::Silence, q.seconds, q.clearSeconds);
    m_alarms[std::size_t(m_silenceAlarm)].criticalRule =
        QStringLiteral("both audio channels below %1").arg(q.level, 0, 'g', 6);
    m_channelAlarm = addAlarm(alarm::ChannelLoss, q.seconds, q.clearSeconds);
    m_alarms[std::size_t(m_channelAlarm)].warningRule =
        QStringLiteral("one audio channel below %1").arg(q.level, 0, 'g', 6);
}

int LimitMonitor::addAlarm(const QString& kind, int qualifySeconds, int clearSeconds)
{
    const qint64 qualifyMs = qint64(qualifySeconds) * 1000;
    const qint64 clearMs = qint64(clearSeconds) * 1000;
    m_alarms.push_back({kind, QualifiedCondition(qualifyMs, clearMs),
                        QualifiedCondition(qualifyMs, clearMs), QString(), false, QString(),
                        QString(), QString(), qualifyMs, clearMs});
    return int(m_alarms.size()) - 1;
}

QStringList LimitMonitor::kinds() const
{
    QStringList out;
    for (const Alarm& a : m_alarms)
        out << a.kind;
    return out;
}

std::vector<EventRecord> LimitMonitor::observe(const QDateTime& t, qint64 monoMs,
                                               const LimitReadings& readings, bool carrierOn,
                                               const TransmitterStatus* record)
{
    std::vector<EventRecord> out;
    for (ReadingState& r : m_readings) {
        if (r.low < 0 && r.high < 0)
            continue;
        const LimitVerdict verdict = r.judge.judge(r.level, readings);
        if (verdict.suspended) {
            const QString why = suspendedWhy(r.judge.reading(), readings, m_settings.minForwardW);
            for (int at : {r.low, r.high}) {
                if (at >= 0)
                    suspend(m_alarms[std::size_t(at)], t, why, out);
            }
            continue;
        }
        r.level = verdict.level;
        const bool critical =
            r.level == LimitLevel::LowCritical || r.level == LimitLevel::HighCritical;
        for (int at : {r.low, r.high}) {
            if (at < 0)
                continue;
            Alarm& a = m_alarms[std::size_t(at)];
            const bool holds = at == r.low ? isLow(r.level) : isHigh(r.level);
            // Worded only when something may change: a few times a day at
            // the line's full rate.
            const bool mayChange =
                holds != a.raised.raised() || (holds && critical) != a.critical.raised();
            feed(a, t, monoMs, holds, holds && critical,
                 mayChange ? valueText(r.judge.reading(), at == r.high, readings, record)
                           : QString(),
                 out);
        }
    }

    LimitLevel forward = LimitLevel::Normal;
    for (const ReadingState& r : m_readings) {
        if (r.judge.reading() == Reading::ForwardW)
            forward = r.level;
    }
    const SilenceVerdict silence = m_silenceJudge.judge(m_silence, readings, carrierOn, forward);
    Alarm& dead = m_alarms[std::size_t(m_silenceAlarm)];
    Alarm& lost = m_alarms[std::size_t(m_channelAlarm)];
    if (silence.suspended) {
        const QString why = QStringLiteral(
            "not judged while the carrier is off or forward power is outside its limits");
        suspend(dead, t, why, out);
        suspend(lost, t, why, out);
        return out;
    }
    m_silence = silence.state;
    m_forwardW = readings[Reading::ForwardW].value_or(0);
    // Worded only when something may change, as above.
    const bool silent = m_silence.silence();
    const bool mayChange = silent != dead.raised.raised() || silent != dead.critical.raised() ||
                           m_silence.channelLoss() != lost.raised.raised();
    const QString value = !mayChange
                              ? QString()
                              : QStringLiteral("left %1, right %2")
                                    .arg(number(readings[Reading::AudioLeft].value_or(0), 0),
                                         number(readings[Reading::AudioRight].value_or(0), 0));
    feed(dead, t, monoMs, silent, silent, value, out);
    feed(lost, t, monoMs, m_silence.channelLoss(), false, value, out);
    return out;
}

QString LimitMonitor::valueText(Reading reading, bool high, const LimitReadings& readings,
                                const TransmitterStatus* record)
{
    const auto v = readings[reading];
    if (reading == Reading::TemperatureC && high && record)
        return judgeRecord(alarm::OverTemperature, *record).value;
    if (reading == Reading::ReflectedW && high) {
        if (record)
            return judgeRecord(alarm::HighReflect, *record).value;
        return QStringLiteral("%1 W of %2 W")
            .arg(number(v.value_or(0), 1), number(readings[Reading::ForwardW].value_or(0), 1));
    }
    if (reading == Reading::ForwardW && !high && readings.forwardTarget)
        return QStringLiteral("%1 W of %2 W target")
            .arg(number(v.value_or(0), 1), QString::number(*readings.forwardTarget, 'g', 6));
    if (!v)
        return QString();
    if (std::isinf(*v))
        return QStringLiteral("no reflected power");
    const Shown& shown = kShown[std::size_t(reading)];
    return number(*v, shown.decimals) + QLatin1String(shown.unit);
}

void LimitMonitor::feed(Alarm& a, const QDateTime& t, qint64 monoMs, bool holds, bool critical,
                        const QString& value, std::vector<EventRecord>& out)
{
    a.suspended = false;
    const auto severityChange = a.critical.observe(t, monoMs, critical, value);
    const auto change = a.raised.observe(t, monoMs, holds, value);
    settle(a, change, severityChange, out);
}

void LimitMonitor::suspend(Alarm& a, const QDateTime& t, const QString& why,
                           std::vector<EventRecord>& out)
{
    a.raised.forgetPending();
    a.critical.forgetPending();
    if (a.suspended || !a.raised.raised())
        return;
    a.suspended = true;
    out.push_back(
        {0, t.toUTC(), a.kind, eventstate::Suspended, QString(), why, QString(), a.severity});
}

void LimitMonitor::settle(Alarm& a, const std::optional<QualifiedCondition::Change>& change,
                          const std::optional<QualifiedCondition::Change>& severityChange,
                          std::vector<EventRecord>& out)
{
    const auto ruleFor = [&a](const QString& severity) {
        const QString& rule = severity == severity::Critical ? a.criticalRule : a.warningRule;
        return rule.isEmpty() ? a.criticalRule + a.warningRule : rule;
    };
    if (change && change->raised) {
        a.severity =
            a.critical.raised() || a.warningRule.isEmpty() ? severity::Critical : severity::Warning;
        QString detail = QStringLiteral("%1 for %2 s (qualify time)")
                             .arg(ruleFor(a.severity), seconds(a.qualifyMs));
        // Dead air told apart from an RF fault in so many words.
        if (a.kind == alarm::Silence || a.kind == alarm::ChannelLoss)
            detail = SilenceJudge::detail(m_silence, m_forwardW) + QStringLiteral(": ") + detail;
        // The value is the one that raised it, so an alert's subject and its
        // detail tell the same figure; where it began goes in the detail.
        if (change->lastSeen != change->value)
            detail += QStringLiteral("; %1 when it began").arg(change->value);
        out.push_back({0, change->at.toUTC(), a.kind, eventstate::Raised, change->lastSeen, detail,
                       QString(), a.severity});
        return;
    }
    if (change) {
        out.push_back(
            {0, change->at.toUTC(), a.kind, eventstate::Cleared, change->value,
             QStringLiteral("back to normal for %1 s (clear time)").arg(seconds(a.clearMs)),
             QString(), a.severity});
        a.severity.clear();
        return;
    }
    if (!severityChange || !a.raised.raised())
        return;
    const QString now = severityChange->raised ? severity::Critical : severity::Warning;
    if (now == a.severity || (now == severity::Warning && a.warningRule.isEmpty()))
        return;
    const QString was = a.severity;
    a.severity = now;
    const qint64 heldMs = severityChange->raised ? a.qualifyMs : a.clearMs;
    out.push_back({0, severityChange->at.toUTC(), a.kind,
                   now == severity::Critical ? eventstate::Escalated : eventstate::Eased,
                   severityChange->lastSeen,
                   QStringLiteral("%1 to %2: %3 for %4 s")
                       .arg(was, now,
                            now == severity::Critical
                                ? ruleFor(now)
                                : QStringLiteral("back inside %1").arg(ruleFor(severity::Critical)),
                            seconds(heldMs)),
                   QString(), now});
}

std::vector<EventRecord> LimitMonitor::complete(qint64 monoNow)
{
    std::vector<EventRecord> out;
    for (Alarm& a : m_alarms) {
        const auto severityChange = a.critical.complete(monoNow);
        const auto change = a.raised.complete(monoNow);
        settle(a, change, severityChange, out);
    }
    return out;
}

std::optional<qint64> LimitMonitor::due() const
{
    std::optional<qint64> next;
    for (const Alarm& a : m_alarms) {
        for (const auto d : {a.raised.due(), a.critical.due()}) {
            if (d && (!next || *d < *next))
                next = d;
        }
    }
    return next;
}

void LimitMonitor::forgetPending()
{
    for (Alarm& a : m_alarms) {
        a.raised.forgetPending();
        a.critical.forgetPending();
    }
}

bool LimitMonitor::resume(const QString& kind, const QString& severity)
{
    for (Alarm& a : m_alarms) {
        if (a.kind != kind)
            continue;
        a.raised.resumeRaised();
        a.severity = severity.isEmpty()
                         ? (a.warningRule.isEmpty() ? severity::Critical : severity::Warning)
                         : severity;
        if (a.severity == severity::Critical)
            a.critical.resumeRaised();
        return true;
    }
    return false;
}

QStringList LimitMonitor::severitiesOf(const QString& kind) const
{
    for (const Alarm& a : m_alarms) {
        if (a.kind != kind)
            continue;
        QStringList out;
        if (!a.warningRule.isEmpty())
            out << severity::Warning;
        if (!a.criticalRule.isEmpty())
            out << severity::Critical;
        return out;
    }
    return {severity::Critical};
}

QString LimitMonitor::severityOf(const QString& kind) const
{
    for (const Alarm& a : m_alarms) {
        if (a.kind == kind)
            return a.severity;
    }
    return QString();
}

} // namespace zel
