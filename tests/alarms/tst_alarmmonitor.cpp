#include "alarms/alarmmonitor.h"
#include "timeline.h"

#include <QSignalSpy>
#include <QTest>

using namespace zel;

namespace {

struct Step {
    enum What { Frame, Reply, Lost, Back, PortFail, PortOk };
    qint64 ms;
    What what;
    TransmitterStatus record;
};

TransmitterStatus reading(bool onAir = true, bool locked = true, const QString& temp = "34.0",
                          const QString& forward = "500.0", const QString& reflect = "7.5")
{
    TransmitterStatus s;
    s.DeviceId = "08001";
    s.OnAir = onAir;
    s.FrequencyMHz = "98.50";
    s.FreqLock = locked;
    s.ForwardW = forward;
    s.ReflectW = reflect;
    s.TemperatureC = temp;
    s.VoltageV = "49.2";
    s.CurrentA = "15.3";
    s.ModPercent = s.AudioLeft = s.AudioRight = "70";
    return s;
}

TransmitterStatus hot(const QString& temp)
{
    return reading(true, true, temp);
}

// Frames of one record every `every` ms in [from, to).
QList<Step> frames(qint64 from, qint64 to, qint64 every, const TransmitterStatus& record,
                   Step::What what = Step::Frame)
{
    QList<Step> steps;
    for (qint64 t = from; t < to; t += every)
        steps.append({t, what, record});
    return steps;
}

Step lost(qint64 ms)
{
    return {ms, Step::Lost, {}};
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
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("activeAtEnd");

        QTest::newRow("raised after the qualify time, cleared after the clear time, dated when "
                      "the condition began and ended")
            << 3000 << 3000
            << frames(0, 1000, 500, reading()) + frames(1000, 1500, 500, hot("46.0")) +
                   frames(1500, 5000, 500, hot("47.9")) + frames(5000, 12000, 500, reading())
            << QStringList{"4000 over_temperature raised @1000 46.0",
                           "8000 over_temperature cleared @5000 34.0"}
            << QStringList{};

        QTest::newRow("45.0 is within the panel's limit, 45.1 is not")
            << 0 << 0 << QList<Step>{{0, Step::Frame, hot("45.0")}, {100, Step::Frame, hot("45.1")}}
            << QStringList{"100 over_temperature raised @100 45.1"}
            << QStringList{"over_temperature@100 45.1"};

        QTest::newRow("flapping shorter than the qualify time raises nothing")
            << 3000 << 3000
            << frames(0, 2500, 500, reading(false)) + frames(2500, 3000, 500, reading()) +
                   frames(3000, 5500, 500, reading(false)) + frames(5500, 6000, 500, reading()) +
                   frames(6000, 8000, 500, reading(false)) + frames(8000, 9000, 500, reading())
            << QStringList{} << QStringList{};

        QTest::newRow("a short return to normal does not clear a raised alarm")
            << 1000 << 3000
            << frames(0, 2000, 250, reading(true, false)) + frames(2000, 4000, 250, reading()) +
                   frames(4000, 6000, 250, reading(true, false))
            << QStringList{"1000 unlocked raised @0 98.50 MHz"}
            << QStringList{"unlocked@0 98.50 MHz"};

        QTest::newRow("0 seconds: at once, every alarm of a frame in the panel's order")
            << 0 << 0
            << QList<Step>{{1000, Step::Frame, reading(false, false, "50.0", "100.0", "6.1")},
                           {2000, Step::Frame, reading()}}
            << QStringList{"1000 unlocked raised @1000 98.50 MHz",
                           "1000 off_air raised @1000 OFF",
                           "1000 over_temperature raised @1000 50.0",
                           "1000 high_reflect raised @1000 6.1 W of 100.0 W",
                           "2000 unlocked cleared @2000 98.50 MHz",
                           "2000 off_air cleared @2000 ON",
                           "2000 over_temperature cleared @2000 34.0",
                           "2000 high_reflect cleared @2000 7.5 W of 500.0 W"}
            << QStringList{};

        QTest::newRow("link lost while pending: the qualification starts again after it")
            << 8000 << 3000
            << frames(0, 2000, 500, reading(false)) + QList<Step>{lost(7000)} +
                   frames(9000, 18000, 500, reading(false))
            << QStringList{"7000 link_lost raised @7000 serial",
                           "9000 link_lost cleared @9000 serial", "17000 off_air raised @9000 OFF"}
            << QStringList{"off_air@9000 OFF"};

        QTest::newRow("a raised alarm holds through a lost link and clears on real frames only")
            << 3000 << 3000
            << frames(0, 4000, 500, reading(false)) + QList<Step>{lost(9000), lost(14000)} +
                   frames(19000, 25000, 500, reading())
            << QStringList{"3000 off_air raised @0 OFF", "9000 link_lost raised @9000 serial",
                           "19000 link_lost cleared @19000 serial",
                           "22000 off_air cleared @19000 ON"}
            << QStringList{};

        QTest::newRow("gateway every 2.5 s: raised when the time is up, not at the next reply")
            << 3000 << 3000
            << frames(0, 2500, 2500, reading(), Step::Reply) +
                   frames(2500, 10000, 2500, reading(true, true, "34.0", "500.0", "35.0"),
                          Step::Reply)
            << QStringList{"5500 high_reflect raised @2500 35.0 W of 500.0 W"}
            << QStringList{"high_reflect@2500 35.0 W of 500.0 W"};

        QTest::newRow("port failed and working again, reported once each")
            << 3000 << 3000
            << QList<Step>{{1000, Step::PortFail, {}},
                           {4000, Step::PortFail, {}},
                           {6000, Step::PortOk, {}},
                           {7000, Step::PortOk, {}}}
            << QStringList{"1000 port_failed raised @1000 No such file or directory",
                           "6000 port_failed cleared @6000 "}
            << QStringList{};

        QTest::newRow("link back before its first frame")
            << 3000 << 3000 << QList<Step>{lost(5000), {7000, Step::Back, {}}}
            << QStringList{"5000 link_lost raised @5000 ", "7000 link_lost cleared @7000 "}
            << QStringList{};
    }

    void timelines()
    {
        QFETCH(int, qualifyMs);
        QFETCH(int, clearMs);
        QFETCH(QList<Step>, steps);
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
            const QDateTime now = timeline.clock.at;
            switch (step.what) {
            case Step::Frame:
                monitor.statusUpdated({now, LinkKind::Serial, step.record});
                break;
            case Step::Reply:
                monitor.statusUpdated({now, LinkKind::Gateway, step.record});
                break;
            case Step::Lost:
                monitor.linkLost();
                break;
            case Step::Back:
                monitor.linkRestored();
                break;
            case Step::PortFail:
                monitor.portFailed(QStringLiteral("No such file or directory"));
                break;
            case Step::PortOk:
                monitor.portWorking();
                break;
            }
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
        QCOMPARE(changes.count(), events.size());
    }

    void detailNamesTheRuleAndTheDelay()
    {
        Timeline<AlarmMonitor> timeline;
        AlarmMonitor monitor(timeline.clock, 3000, 3000);
        QSignalSpy events(&monitor, &AlarmMonitor::eventOccurred);
        monitor.statusUpdated({timeline.clock.at, LinkKind::Serial, hot("46.0")});
        timeline.advanceTo(monitor, 2000);
        monitor.statusUpdated({timeline.clock.at, LinkKind::Serial, hot("47.9")});
        timeline.advanceTo(monitor, 3000);
        QCOMPARE(events.count(), 1);
        QCOMPARE(events[0][0].value<EventRecord>().detail,
                 QStringLiteral("temperature above 45.0 C for 3 s (qualify time); 47.9 when "
                                "raised"));
    }

    // The timer itself: nothing else arrives, yet the alarm is raised.
    void raisedWithoutAFurtherReading()
    {
        SystemClock clock;
        AlarmMonitor monitor(clock, 50, 50);
        QSignalSpy events(&monitor, &AlarmMonitor::eventOccurred);
        monitor.statusUpdated({clock.now().toUTC(), LinkKind::Gateway, reading(false)});
        QVERIFY(events.isEmpty());
        QTRY_COMPARE(events.count(), 1);
        QCOMPARE(events[0][0].value<EventRecord>().event, alarm::OffAir);
    }
};

QTEST_GUILESS_MAIN(TestAlarmMonitor)
#include "tst_alarmmonitor.moc"
