#include "alarms/alarmmonitor.h"
#include "alarms/alarmsettings.h"
#include "alarms/limitsettings.h"
#include "timeline.h"

#include <QSignalSpy>
#include <QTest>

using namespace zel;

namespace {

struct Step {
    enum What { Frame, Reply, Lost, PortFail, PortOk, WallStep, Role };
    qint64 ms;
    What what;
    TransmitterStatus record;
    qint64 wallStepMs = 0;
    StationRole role = StationRole::Single;
    // Role only: [Limits] entries "key=value;..." applied with it.
    QString limits = QString();
};
using Steps = QList<Step>;

TransmitterStatus reading(bool onAir = true, bool locked = true, const QString& temp = "34.0",
                          const QString& forward = "500.0", const QString& reflect = "7.5")
{
    return {"08001", onAir,  "98.50", locked, forward, reflect,
            temp,    "49.2", "15.3",  "70",   "70",    "70"};
}

// A cold standby as it reports itself: carrier off, no power, no audio.
TransmitterStatus idle()
{
    return {"08001", false, "98.50", true, "0.0", "0.0", "34.0", "49.2", "0.0", "0", "0", "0"};
}

// Absolute forward limits and a short silence time, so the idle record would
// raise low power and (on air) silence well within a timeline.
const QString Judged = QStringLiteral("forward_w.low_warning=200;forward_w.low_critical=100;"
                                      "silence.seconds=3;silence.clear_seconds=3");

Steps role(qint64 ms, StationRole r, const QString& limits = {})
{
    return {{ms, Step::Role, {}, 0, r, limits}};
}

LimitSettings limitSettings(const QString& entries, int qualifyMs, int clearMs)
{
    MemorySettings store;
    for (const QString& e : entries.split(u';', Qt::SkipEmptyParts))
        store.write(keys::LimitsSection, e.section(u'=', 0, 0), e.section(u'=', 1));
    return readLimitSettings(store, {qualifyMs / 1000, clearMs / 1000, 0, {}});
}

// One record every `every` ms in [from, to).
Steps frames(qint64 from, qint64 to, qint64 every, const TransmitterStatus& record,
             Step::What what = Step::Frame)
{
    Steps steps;
    for (qint64 t = from; t < to; t += every)
        steps.append({t, what, record});
    return steps;
}

} // namespace

class TestAlarmMonitor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each event is written "emitted-at kind state @event-time value"; the
    // active set at the end "kind@since value".
    void timelines_data()
    {
        QTest::addColumn<int>("qualifyMs");
        QTest::addColumn<int>("clearMs");
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("activeAtEnd");

        QTest::newRow("raised after the qualify time, cleared after the clear time, dated when "
                      "the condition began and ended")
            << 3000 << 3000
            << frames(0, 1000, 500, reading()) + frames(1000, 1500, 500, reading(1, 1, "46.0")) +
                   frames(1500, 5000, 500, reading(1, 1, "47.9")) +
                   frames(5000, 12000, 500, reading())
            << QStringList{"4000 over_temperature raised @1000 47.9",
                           "8000 over_temperature cleared @5000 34.0"}
            << QStringList{};
        QTest::newRow("flapping shorter than the qualify time raises nothing")
            << 3000 << 3000
            << frames(0, 2500, 500, reading(false)) + frames(2500, 3000, 500, reading()) +
                   frames(3000, 5500, 500, reading(false)) + frames(5500, 6000, 500, reading()) +
                   frames(6000, 8000, 500, reading(false)) + frames(8000, 9000, 500, reading())
            << QStringList{} << QStringList{};
        QTest::newRow("0 seconds: at once, every alarm of a frame in the panel's order")
            << 0 << 0
            << Steps{{1000, Step::Frame, reading(0, 0, "50.0", "100.0", "6.1")},
                     {2000, Step::Frame, reading()}}
            // Reflected power is no measure of the antenna with the carrier off.
            << QStringList{"1000 unlocked raised @1000 98.50 MHz",
                           "1000 off_air raised @1000 OFF",
                           "1000 over_temperature raised @1000 50.0",
                           "2000 unlocked cleared @2000 98.50 MHz",
                           "2000 off_air cleared @2000 ON",
                           "2000 over_temperature cleared @2000 34.0"}
            << QStringList{};
        QTest::newRow("link lost while pending: the qualification starts again after it")
            << 8000 << 3000
            << frames(0, 2000, 500, reading(false)) + Steps{{7000, Step::Lost, {}}} +
                   frames(9000, 18000, 500, reading(false))
            << QStringList{"7000 link_lost raised @7000 serial",
                           "9000 link_lost cleared @9000 serial", "17000 off_air raised @9000 OFF"}
            << QStringList{"off_air@9000 OFF"};
        QTest::newRow("a raised alarm holds through a lost link and clears on real frames only")
            << 3000 << 3000
            << frames(0, 4000, 500, reading(false)) +
                   Steps{{9000, Step::Lost, {}}, {14000, Step::Lost, {}}} +
                   frames(19000, 25000, 500, reading())
            << QStringList{"3000 off_air raised @0 OFF", "9000 link_lost raised @9000 serial",
                           "19000 link_lost cleared @19000 serial",
                           "22000 off_air cleared @19000 ON"}
            << QStringList{};
        QTest::newRow("gateway every 2.5 s: raised when the time is up, not at the next reply")
            << 3000 << 3000
            << frames(0, 2500, 2500, reading(), Step::Reply) +
                   frames(2500, 10000, 2500, reading(1, 1, "34.0", "500.0", "35.0"), Step::Reply)
            << QStringList{"5500 high_reflect raised @2500 35.0 W of 500.0 W"}
            << QStringList{"high_reflect@2500 35.0 W of 500.0 W"};
        QTest::newRow("wall clock set back 300 s while qualifying: raised on time, dated by it")
            << 3000 << 3000
            << frames(0, 1000, 500, reading(false)) + Steps{{1000, Step::WallStep, {}, -300000}} +
                   frames(1000, 6000, 500, reading(false))
            << QStringList{"3000 off_air raised @0 OFF"} << QStringList{"off_air@0 OFF"};
        QTest::newRow("wall clock set forward an hour while clearing: cleared on time")
            << 3000 << 3000
            << frames(0, 5000, 500, reading(false)) + frames(5000, 6000, 500, reading()) +
                   Steps{{6000, Step::WallStep, {}, 3600000}} + frames(6000, 10000, 500, reading())
            << QStringList{"3000 off_air raised @0 OFF", "8000 off_air cleared @5000 ON"}
            << QStringList{};
        QTest::newRow("standby: off air raises nothing; on air and off again are events")
            << 3000 << 3000
            << role(0, StationRole::Standby, Judged) + frames(0, 5000, 500, idle()) +
                   frames(5000, 8000, 500, reading()) + frames(8000, 14000, 500, idle())
            << QStringList{"5000 role_active info @5000 on air",
                           "8000 role_idle info @8000 off air"}
            << QStringList{};
        QTest::newRow("main: the same timeline raises off_air and low power as ever")
            << 3000 << 3000
            << role(0, StationRole::Main, Judged) + frames(0, 5000, 500, idle()) +
                   frames(5000, 8000, 500, reading()) + frames(8000, 14000, 500, idle())
            << QStringList{"3000 off_air raised @0 OFF",
                           "3000 low_power raised @0 0.0 W",
                           "8000 off_air cleared @5000 ON",
                           "8000 low_power cleared @5000 500.0 W of 500 W target",
                           "11000 off_air raised @8000 OFF",
                           "11000 low_power raised @8000 0.0 W"}
            << QStringList{"off_air@8000 OFF", "low_power@8000 0.0 W"};
        QTest::newRow("standby: a lost link is not idle, nor is on air after it news")
            << 3000 << 3000
            << role(0, StationRole::Standby) + frames(0, 3000, 500, reading()) +
                   Steps{{5000, Step::Lost, {}}} + frames(8000, 10000, 500, reading()) +
                   frames(10000, 12000, 500, idle())
            << QStringList{"0 role_active info @0 on air", "5000 link_lost raised @5000 serial",
                           "8000 link_lost cleared @8000 serial",
                           "10000 role_idle info @10000 off air"}
            << QStringList{};
        QTest::newRow("turned standby while off_air is raised: cleared at once")
            << 3000 << 3000
            << frames(0, 4000, 500, reading(false)) + role(4000, StationRole::Standby) +
                   frames(4000, 9000, 500, reading(false))
            << QStringList{"3000 off_air raised @0 OFF", "4000 off_air cleared @4000 OFF"}
            << QStringList{};
        QTest::newRow("port failed past the qualify time and working again, reported once each")
            << 3000 << 3000
            << Steps{{1000, Step::PortFail, {}},
                     {4000, Step::PortFail, {}},
                     {5000, Step::PortFail, {}},
                     {6000, Step::PortOk, {}},
                     {7000, Step::PortOk, {}}}
            << QStringList{"4000 port_failed raised @1000 gone", "9000 port_failed cleared @6000 "}
            << QStringList{};
        QTest::newRow("a port back at its first retry raises nothing")
            << 3000 << 3000
            << Steps{{1000, Step::PortFail, {}},
                     {4000, Step::PortOk, {}},
                     {10000, Step::PortFail, {}},
                     {12000, Step::PortFail, {}},
                     {12500, Step::PortOk, {}}}
            << QStringList{} << QStringList{};
    }

    void timelines()
    {
        QFETCH(int, qualifyMs);
        QFETCH(int, clearMs);
        QFETCH(Steps, steps);
        QFETCH(QStringList, events);
        QFETCH(QStringList, activeAtEnd);

        Timeline<AlarmMonitor> timeline;
        AlarmMonitor monitor(timeline.clock, qualifyMs, clearMs);
        QStringList got;
        connect(&monitor, &AlarmMonitor::eventOccurred, this, [&](const EventRecord& e) {
            QCOMPARE(e.time.timeSpec(), Qt::UTC);
            got << QStringLiteral("%1 %2 %3 @%4 %5")
                       .arg(timeline.now())
                       .arg(e.event, e.state)
                       .arg(timeline.offset(e.time))
                       .arg(e.value);
        });
        QSignalSpy changes(&monitor, &AlarmMonitor::activeAlarmsChanged);

        for (const Step& step : steps) {
            timeline.advanceTo(monitor, step.ms);
            if (step.what == Step::Frame || step.what == Step::Reply)
                monitor.statusUpdated(
                    {timeline.clock.at,
                     step.what == Step::Frame ? LinkKind::Serial : LinkKind::Gateway, step.record});
            else if (step.what == Step::Lost)
                monitor.linkLost();
            else if (step.what == Step::WallStep)
                timeline.stepWall(step.wallStepMs);
            else if (step.what == Step::Role) {
                monitor.setRole(step.role);
                monitor.setForwardTarget(500);
                if (!step.limits.isEmpty())
                    monitor.setLimits(limitSettings(step.limits, qualifyMs, clearMs));
            } else if (step.what == Step::PortFail)
                monitor.portFailed(QStringLiteral("gone"));
            else
                monitor.portWorking();
        }
        timeline.advanceTo(monitor, steps.last().ms + 60000);

        QCOMPARE(got, events);
        QStringList active;
        for (const ActiveAlarm& a : monitor.activeAlarms())
            active << QStringLiteral("%1@%2 %3")
                          .arg(a.kind)
                          .arg(timeline.offset(a.since))
                          .arg(a.value);
        QCOMPARE(active, activeAtEnd);
        // A standby's role rows are events, never alarms.
        QCOMPARE(changes.count(), events.size() - events.filter(QStringLiteral(" role_")).size());
    }

    // How long the link was lost is measured as the delays are, whatever
    // was done to the wall clock meanwhile.
    void linkLostForAsLongAsItWas()
    {
        Timeline<AlarmMonitor> timeline;
        AlarmMonitor monitor(timeline.clock);
        QSignalSpy events(&monitor, &AlarmMonitor::eventOccurred);
        monitor.linkLost();
        timeline.advanceTo(monitor, 5000);
        timeline.stepWall(-300000);
        monitor.linkRestored();
        QCOMPARE(events.count(), 2);
        QCOMPARE(events[1][0].value<EventRecord>().detail, QStringLiteral("data again after 5 s"));
    }

    // The value that raised it is the event's value, where it began goes in
    // the detail with the rule and the delay; and the
    // timer completes the raise with no further reading.
    void raisedByTheTimerWithItsDetail()
    {
        SystemClock clock;
        AlarmMonitor monitor(clock, 1000, 1000);
        QSignalSpy events(&monitor, &AlarmMonitor::eventOccurred);
        monitor.statusUpdated({clock.now().toUTC(), LinkKind::Gateway, reading(1, 1, "46.0")});
        monitor.statusUpdated({clock.now().toUTC(), LinkKind::Gateway, reading(1, 1, "47.9")});
        QVERIFY(events.isEmpty());
        QTRY_COMPARE(events.count(), 1);
        QCOMPARE(events[0][0].value<EventRecord>().detail,
                 QStringLiteral("temperature above 45.0 C for 1 s (qualify time); 46.0 when "
                                "it began"));
        QCOMPARE(events[0][0].value<EventRecord>().value, QStringLiteral("47.9"));
    }
};

QTEST_GUILESS_MAIN(TestAlarmMonitor)
#include "tst_alarmmonitor.moc"
