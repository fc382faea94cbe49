#include "alarmmonitor.h"

#include <algorithm>

#include "recordrules.h"
#include "telemetry/telemetryvalues.h"

namespace zel {
namespace {

QString seconds(qint64 ms)
{
    return QString::number(ms / 1000.0, 'g', 6);
}

QString utcText(const QDateTime& t)
{
    return t.toUTC().toString(Qt::ISODate);
}

} // namespace

AlarmMonitor::AlarmMonitor(const Clock& clock, int qualifyMs, int clearMs, QObject* parent)
    : QObject(parent), m_clock(clock), m_port(qualifyMs, clearMs),
      m_limitSettings(defaultLimitSettings({qualifyMs / 1000, clearMs / 1000, 0, {}})),
      m_limits(m_limitSettings)
{
    for (const QString& kind : recordFlagKinds())
        m_record.push_back({kind, QualifiedCondition(qualifyMs, clearMs)});
    m_timer.setSingleShot(true);
    // A coarse timer may fire a little early; the change would then wait for
    // the next reading.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AlarmMonitor::checkDue);
}

void AlarmMonitor::setLimits(const LimitSettings& limits)
{
    m_limitSettings = limits;
    LimitMonitor fresh(limits);
    // What is raised stays raised under the new limits, where they still
    // judge its kind; the rest clears on the next reading.
    for (const ActiveAlarm& a : std::as_const(m_active))
        fresh.resume(a.kind, a.severity);
    m_limits = std::move(fresh);
    arm();
    Q_EMIT limitsChanged();
}

void AlarmMonitor::setForwardTarget(std::optional<double> watts)
{
    m_forwardTarget = watts;
    Q_EMIT limitsChanged();
}

QList<std::pair<QString, QStringList>> AlarmMonitor::kinds() const
{
    const QStringList limits = m_limits.kinds();
    QList<std::pair<QString, QStringList>> out;
    for (const QString& kind : alarm::all()) {
        if (limits.contains(kind))
            out.append({kind, m_limits.severitiesOf(kind)});
        else if (kind == alarm::OffAir || kind == alarm::Unlocked || kind == alarm::LinkLost ||
                 kind == alarm::PortFailed)
            out.append({kind, {severity::Critical}});
    }
    return out;
}

std::optional<qint64> AlarmMonitor::nextDue() const
{
    // The port's raise waits for a failed retry, only its clear for the timer.
    std::optional<qint64> next = m_port.raised() ? m_port.due() : std::nullopt;
    if (const auto due = m_limits.due(); due && (!next || *due < *next))
        next = due;
    for (const RecordAlarm& a : m_record) {
        if (const auto due = a.condition.due(); due && (!next || *due < *next))
            next = due;
    }
    return next;
}

void AlarmMonitor::setRole(StationRole role)
{
    if (role == m_role)
        return;
    m_role = role;
    m_standbyOnAir = false;
    if (role == StationRole::Standby)
        clearOffAirForStandby();
    arm();
}

void AlarmMonitor::clearOffAirForStandby()
{
    for (RecordAlarm& a : m_record) {
        if (a.kind != alarm::OffAir)
            continue;
        const bool raised = a.condition.raised();
        a.condition.reset();
        if (raised)
            clear(alarm::OffAir, m_clock.now(),
                  m_last ? judgeRecord(alarm::OffAir, m_last->record).value : QString(),
                  QStringLiteral("the transmitter is now a standby, off air by design"));
    }
}

void AlarmMonitor::watchStandby(const StatusUpdate& update)
{
    const bool onAir = update.record.OnAir;
    const bool was = m_standbyOnAir;
    m_standbyOnAir = onAir;
    if (onAir == was)
        return;
    const QString role = stationRoleName(m_role);
    Q_EMIT eventOccurred({0, update.time.toUTC(), onAir ? roleevent::Active : roleevent::Idle,
                          eventstate::Info,
                          onAir ? QStringLiteral("on air") : QStringLiteral("off air"),
                          onAir ? QStringLiteral("%1 on air").arg(role)
                                : QStringLiteral("%1 off air again").arg(role),
                          QString(), QString()});
}

void AlarmMonitor::statusUpdated(const StatusUpdate& update)
{
    if (m_linkLost)
        clearLinkLost(update.time, linkName(update.link));
    m_last = update;
    const bool standby = m_role == StationRole::Standby;
    if (standby)
        watchStandby(update);
    const qint64 monoNow = m_clock.monotonicMs();
    for (RecordAlarm& a : m_record) {
        if (standby && a.kind == alarm::OffAir)
            continue;
        // The value is worded only when the state may change: at the line's
        // full rate that is a few times a day, not eighty times a second.
        const bool holds = recordRuleHolds(a.kind, update.record);
        const QString value =
            holds != a.condition.raised() ? judgeRecord(a.kind, update.record).value : QString();
        const qint64 delay = a.condition.delayMs();
        if (const auto change = a.condition.observe(update.time, monoNow, holds, value))
            apply(a.kind, *change, delay);
    }
    const TelemetryValues values = telemetryValues(update.record);
    LimitReadings readings = limitReadings(values, m_forwardTarget, m_limitSettings.minForwardW);
    readings.idleStandby = standby && !values.onAir;
    applyLimits(m_limits.observe(update.time, monoNow, readings, values.onAir, &update.record));
    arm();
}

void AlarmMonitor::applyLimits(const std::vector<EventRecord>& rows)
{
    for (const EventRecord& e : rows) {
        if (e.state == eventstate::Raised) {
            raise(e.event, e.time, e.value, e.detail, e.severity);
            continue;
        }
        if (e.state == eventstate::Cleared) {
            clear(e.event, e.time, e.value, e.detail);
            continue;
        }
        for (ActiveAlarm& a : m_active) {
            if (a.kind == e.event)
                a.severity = e.severity;
        }
        Q_EMIT eventOccurred(e);
        if (e.state != eventstate::Suspended)
            Q_EMIT activeAlarmsChanged();
    }
}

void AlarmMonitor::linkLost()
{
    if (m_linkLost)
        return;
    m_linkLost = true;
    m_linkLostAtMs = m_clock.monotonicMs();
    for (RecordAlarm& a : m_record)
        a.condition.forgetPending();
    m_limits.forgetPending();
    arm();
    const QString detail = m_last ? QStringLiteral("no data since %1").arg(utcText(m_last->time))
                                  : QStringLiteral("no data since the monitor started");
    raise(alarm::LinkLost, m_clock.now(), m_last ? linkName(m_last->link) : QString(), detail);
}

void AlarmMonitor::linkRestored()
{
    if (m_linkLost)
        clearLinkLost(m_clock.now(), m_last ? linkName(m_last->link) : QString());
}

void AlarmMonitor::clearLinkLost(const QDateTime& at, const QString& link)
{
    m_linkLost = false;
    QDateTime since;
    for (const ActiveAlarm& a : std::as_const(m_active)) {
        if (a.kind == alarm::LinkLost)
            since = a.since;
    }
    // Measured on the monotonic clock unless the loss was taken over from
    // before a restart, where only the wall times are known.
    const qint64 lostMs =
        m_linkLostAtMs ? m_clock.monotonicMs() - *m_linkLostAtMs : since.msecsTo(at);
    m_linkLostAtMs.reset();
    clear(alarm::LinkLost, at, link, QStringLiteral("data again after %1 s").arg(seconds(lostMs)));
}

void AlarmMonitor::portFailed(const QString& reason)
{
    if (const auto change = m_port.observe(m_clock.now(), m_clock.monotonicMs(), true, reason))
        applyPort(*change);
    arm();
}

void AlarmMonitor::portWorking()
{
    if (const auto change = m_port.observe(m_clock.now(), m_clock.monotonicMs(), false, QString()))
        applyPort(*change);
    arm();
}

void AlarmMonitor::applyPort(const QualifiedCondition::Change& change)
{
    if (change.raised)
        raise(alarm::PortFailed, change.at, change.value, QString());
    else
        clear(alarm::PortFailed, change.at, QString(), QStringLiteral("port working again"));
}

void AlarmMonitor::resume(const ActiveAlarm& alarm)
{
    for (const ActiveAlarm& a : std::as_const(m_active)) {
        if (a.kind == alarm.kind)
            return;
    }
    if (alarm.kind == alarm::LinkLost) {
        m_linkLost = true;
    } else if (alarm.kind == alarm::PortFailed) {
        m_port.resumeRaised();
    } else if (!m_limits.resume(alarm.kind, alarm.severity)) {
        const auto it = std::find_if(m_record.begin(), m_record.end(),
                                     [&](const RecordAlarm& r) { return r.kind == alarm.kind; });
        if (it == m_record.end())
            return;
        it->condition.resumeRaised();
    }
    m_active.append(alarm);
    if (m_active.last().severity.isEmpty())
        m_active.last().severity = m_limits.severityOf(alarm.kind).isEmpty()
                                       ? severity::Critical
                                       : m_limits.severityOf(alarm.kind);
    Q_EMIT activeAlarmsChanged();
    if (alarm.kind == alarm::OffAir && m_role == StationRole::Standby)
        clearOffAirForStandby();
}

void AlarmMonitor::checkDue()
{
    const qint64 monoNow = m_clock.monotonicMs();
    for (RecordAlarm& a : m_record) {
        const qint64 delay = a.condition.delayMs();
        if (const auto change = a.condition.complete(monoNow))
            apply(a.kind, *change, delay);
    }
    applyLimits(m_limits.complete(monoNow));
    if (m_port.raised()) {
        if (const auto change = m_port.complete(monoNow))
            applyPort(*change);
    }
    arm();
}

void AlarmMonitor::arm()
{
    const auto due = nextDue();
    if (!due) {
        m_timer.stop();
        return;
    }
    m_timer.start(int(std::clamp<qint64>(*due - m_clock.monotonicMs(), 0, 24 * 3600 * 1000)));
}

void AlarmMonitor::apply(const QString& kind, const QualifiedCondition::Change& change,
                         qint64 delayMs)
{
    if (change.raised) {
        QString detail =
            QStringLiteral("%1 for %2 s (qualify time)").arg(ruleText(kind), seconds(delayMs));
        // The value is the one that raised it, so an alert's subject and its
        // detail tell the same figure; where it began goes in the detail.
        if (change.lastSeen != change.value)
            detail += QStringLiteral("; %1 when it began").arg(change.value);
        raise(kind, change.at, change.lastSeen, detail);
    } else {
        clear(kind, change.at, change.value,
              QStringLiteral("back to normal for %1 s (clear time)").arg(seconds(delayMs)));
    }
}

void AlarmMonitor::raise(const QString& kind, const QDateTime& at, const QString& value,
                         const QString& detail, const QString& severity)
{
    const QDateTime utc = at.toUTC();
    m_active.append({kind, utc, value, severity});
    Q_EMIT eventOccurred({0, utc, kind, eventstate::Raised, value, detail, QString(), severity});
    Q_EMIT activeAlarmsChanged();
}

void AlarmMonitor::clear(const QString& kind, const QDateTime& at, const QString& value,
                         const QString& detail)
{
    QString severity = severity::Critical;
    for (const ActiveAlarm& a : std::as_const(m_active)) {
        if (a.kind == kind)
            severity = a.severity;
    }
    m_active.removeIf([&](const ActiveAlarm& a) { return a.kind == kind; });
    Q_EMIT eventOccurred(
        {0, at.toUTC(), kind, eventstate::Cleared, value, detail, QString(), severity});
    Q_EMIT activeAlarmsChanged();
}

} // namespace zel
