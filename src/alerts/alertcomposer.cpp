#include "alertcomposer.h"

#include "alertdocument.h"
#include "history/alertraise.h"

#include <QJsonDocument>

#include <algorithm>

namespace zel {
namespace {

const QString Readback = QStringLiteral("readback");

QString span(qint64 ms)
{
    const qint64 s = ms / 1000;
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    return s % 60 == 0 ? QStringLiteral("%1 min").arg(s / 60)
                       : QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
}

} // namespace

AlertComposer::AlertComposer(const Clock& clock, QObject* parent) : QObject(parent), m_clock(clock)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AlertComposer::remind);
    m_flapTimer.setSingleShot(true);
    connect(&m_flapTimer, &QTimer::timeout, this, &AlertComposer::settleFlaps);
}

void AlertComposer::configure(const AlertSettings& settings)
{
    m_settings = settings;
    m_flaps.setLimits(settings.flapChanges, qint64(settings.flapMinutes) * 60000);
    const qint64 now = m_clock.monotonicMs();
    for (Raised& r : m_raised)
        r.nextReminderMs = now + qint64(m_settings.repeatMinutes) * 60000;
    arm();
}

void AlertComposer::setShelf(const Shelf* shelf)
{
    if (m_shelf)
        disconnect(m_shelf, nullptr, this, nullptr);
    m_shelf = shelf;
    if (shelf)
        connect(shelf, &Shelf::changed, this, &AlertComposer::shelfChanged);
}

void AlertComposer::shelfChanged()
{
    for (Raised& r : m_raised) {
        if (r.told || !m_settings.alerts(r.alarm.kind, r.alarm.severity) ||
            m_flaps.flapping(r.alarm.kind))
            continue;
        r.told = emitAlert({0, r.alarm.since, r.alarm.kind, eventstate::Raised, r.alarm.value,
                            QStringLiteral("raised while shelved; the shelf has ended"), QString(),
                            r.alarm.severity},
                           r.alarm.since, false);
    }
}

void AlertComposer::statusUpdated(const StatusUpdate& update)
{
    m_current = update;
}

void AlertComposer::eventOccurred(const EventRecord& e)
{
    if (e.event == Readback && e.state == eventstate::NotConfirmed) {
        if (m_settings.alerts(Readback))
            emitAlert(e, QDateTime(), false);
        return;
    }
    if (!alarm::all().contains(e.event))
        return;
    if (e.state == eventstate::Raised) {
        const qint64 next = m_clock.monotonicMs() + qint64(m_settings.repeatMinutes) * 60000;
        Raised& r = m_raised[e.event];
        r = {{e.event, e.time, e.value, e.severity}, next, false};
        arm();
        if (passes(e) && m_settings.alerts(e.event, e.severity))
            r.told = emitAlert(e, e.time, false);
    } else if (e.state == eventstate::Escalated || e.state == eventstate::Eased) {
        const auto it = m_raised.find(e.event);
        if (it == m_raised.end())
            return;
        it->alarm.severity = e.severity;
        // Only the rise is news; a flapping kind waits for its summary.
        if (e.state == eventstate::Escalated && m_settings.alerts(e.event, e.severity) &&
            !m_flaps.flapping(e.event) && emitAlert(e, it->alarm.since, false))
            it->told = true;
    } else if (e.state == eventstate::Cleared) {
        const auto it = m_raised.constFind(e.event);
        const bool known = it != m_raised.cend();
        const QDateTime started = known ? it->alarm.since : QDateTime();
        // The end of an alarm nobody was told of is no news either.
        const bool told = known ? it->told : m_settings.alerts(e.event, e.severity);
        m_raised.remove(e.event);
        arm();
        if (passes(e) && told)
            emitAlert(e, started, false);
    }
}

bool AlertComposer::passes(const EventRecord& e)
{
    const auto verdict =
        m_flaps.change(e.event, e.state == eventstate::Raised, m_clock.monotonicMs());
    armFlaps();
    if (verdict == FlapDetector::Verdict::Held)
        return false;
    if (!m_settings.alerts(e.event))
        return false;
    if (verdict == FlapDetector::Verdict::Pass)
        return true;
    if (!m_settings.alerts(e.event, e.severity))
        return false;
    EventRecord flap = e;
    flap.state = QStringLiteral("flapping");
    flap.value.clear();
    flap.detail = QStringLiteral("%1 changes in %2 min")
                      .arg(m_flaps.recentChanges(e.event))
                      .arg(m_settings.flapMinutes);
    emitAlert(flap, QDateTime(), false);
    return false;
}

void AlertComposer::settleFlaps()
{
    for (const FlapDetector::Summary& s : m_flaps.settle(m_clock.monotonicMs())) {
        if (!m_settings.alerts(s.kind))
            continue;
        const auto raised = m_raised.find(s.kind);
        const bool on = raised != m_raised.end();
        EventRecord steady{0,
                           m_clock.now(),
                           s.kind,
                           QStringLiteral("steady"),
                           on ? raised->alarm.value : QString(),
                           QStringLiteral("%1 raises, raised %2 in all, now %3")
                               .arg(s.raises)
                               .arg(span(s.raisedMs), s.raised ? QStringLiteral("raised")
                                                               : QStringLiteral("cleared")),
                           QString(),
                           on ? raised->alarm.severity : QString()};
        // The summary tells of the alarm still raised.
        if (emitAlert(steady, on ? raised->alarm.since : QDateTime(), false) && on)
            raised->told = true;
    }
    armFlaps();
}

void AlertComposer::armFlaps()
{
    const qint64 next = m_flaps.nextSettleMs();
    if (next < 0)
        m_flapTimer.stop();
    else
        m_flapTimer.start(
            int(std::clamp<qint64>(next - m_clock.monotonicMs(), 0, 24 * 3600 * 1000)));
}

void AlertComposer::activeAlarmsChanged(const QList<ActiveAlarm>& active)
{
    const qint64 next = m_clock.monotonicMs() + qint64(m_settings.repeatMinutes) * 60000;
    for (const ActiveAlarm& a : active) {
        // Raised before a restart: told then, as far as the settings go.
        if (!m_raised.contains(a.kind))
            m_raised.insert(a.kind, {a, next, m_settings.alerts(a.kind, a.severity)});
    }
    arm();
}

void AlertComposer::remind()
{
    if (m_settings.repeatMinutes <= 0)
        return;
    const qint64 now = m_clock.monotonicMs();
    const qint64 repeatMs = qint64(m_settings.repeatMinutes) * 60000;
    for (Raised& r : m_raised) {
        if (r.nextReminderMs > now)
            continue;
        r.nextReminderMs = now + repeatMs;
        // A flapping kind says nothing until its summary.
        if (m_settings.alerts(r.alarm.kind, r.alarm.severity) && !m_flaps.flapping(r.alarm.kind) &&
            emitAlert({0, m_clock.now(), r.alarm.kind, QStringLiteral("reminder"), r.alarm.value,
                       QStringLiteral("still raised and not acknowledged; reminded every %1 min")
                           .arg(m_settings.repeatMinutes),
                       QString(), r.alarm.severity},
                      r.alarm.since, true))
            r.told = true;
    }
    arm();
}

void AlertComposer::arm()
{
    if (m_settings.repeatMinutes <= 0 || m_raised.isEmpty()) {
        m_timer.stop();
        return;
    }
    qint64 next = std::numeric_limits<qint64>::max();
    for (const Raised& r : std::as_const(m_raised))
        next = std::min(next, r.nextReminderMs);
    const qint64 wait = next - m_clock.monotonicMs();
    m_timer.start(int(std::clamp<qint64>(wait, 0, 24 * 3600 * 1000)));
}

bool AlertComposer::emitAlert(const EventRecord& e, const QDateTime& started, bool reminder)
{
    const QString& alarm = e.event;
    if (m_shelf && m_shelf->shelved(alarm))
        return false;
    // An alert about a raise names it in its id: the command line
    // acknowledges from there.
    const QString id = started.isValid() && alarm::all().contains(alarm)
                           ? history::alertIdFor({alarm, started.toMSecsSinceEpoch()})
                           : newAlertId();
    AlertFacts facts{id,
                     e.state,
                     alarm,
                     m_settings.station.name,
                     e.time.toUTC(),
                     started,
                     e.value,
                     e.detail,
                     m_current,
                     e.severity,
                     m_settings.station.site,
                     stationRoleName(m_settings.station.role)};
    const QByteArray document = QJsonDocument(alertDocument(facts)).toJson(QJsonDocument::Compact);
    Q_EMIT alert(facts.id, document, reminder ? alarm : QString(),
                 reminder ? started.toMSecsSinceEpoch() : 0);
    return true;
}

QByteArray AlertComposer::testDocument(const QString& station, QString* id) const
{
    AlertFacts facts{newAlertId(),
                     QStringLiteral("test"),
                     QStringLiteral("alerts"),
                     station,
                     m_clock.now().toUTC(),
                     QDateTime(),
                     QString(),
                     QStringLiteral("a test sent from the Alerts dialog"),
                     m_current,
                     QString(),
                     m_settings.station.site,
                     stationRoleName(m_settings.station.role)};
    *id = facts.id;
    return QJsonDocument(alertDocument(facts)).toJson(QJsonDocument::Compact);
}

} // namespace zel
