#include "alarms/alarmsettings.h"
#include "alarms/eventlog.h"
#include "alarms/readbackwatch.h"
#include "config/qtsettingsstore.h"
#include "timeline.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace zel;

namespace {

const QDateTime Now(QDate(2026, 5, 4), QTime(10, 0, 5), Qt::UTC);

// A set command sent or a reading: carrier on, frequency text.
struct Step {
    qint64 ms;
    bool isSet;
    bool on;
    QString frequency;
    qint64 wallStepMs = 0; // neither: the wall clock is set by this much
};

Step set(qint64 ms, bool on, const QString& mhz)
{
    return {ms, true, on, mhz};
}

Step seen(qint64 ms, bool on, const QString& mhz)
{
    return {ms, false, on, mhz};
}

Step wallStep(qint64 ms, qint64 by)
{
    return {ms, false, false, QString(), by};
}

SetValues onAt9850()
{
    return *SetValues::fromCommand(QByteArray::fromHex("5331267A01F4642D0D"));
}

} // namespace

using Occurrence = std::function<void(EventLog&)>;

class TestOccurrences : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rows_data()
    {
        QTest::addColumn<Occurrence>("act");
        QTest::addColumn<QStringList>("row"); // event, state, value, detail, user

        QTest::newRow("set command that did not reach the gateway")
            << Occurrence([](EventLog& l) {
                   l.setCommand(onAt9850(), "gateway 10.0.0.5 port 5000", false,
                                "The set command was not sent to 10.0.0.5 port 5000: refused");
               })
            << QStringList{"set_command", "failed",
                           "carrier ON, 98.50 MHz, forward 500 W, reflect limit 100 W, "
                           "temperature limit 45 C",
                           "link gateway 10.0.0.5 port 5000; not sent; operator told \"The set "
                           "command was not sent to 10.0.0.5 port 5000: refused\"",
                           "op1"};
        QTest::newRow("login refused: the name typed, never the password")
            << Occurrence([](EventLog& l) { l.login(false, "admin"); })
            << QStringList{"login", "failed", "admin", "refused", "op1"};
        QTest::newRow("setup saved: old to new per key")
            << Occurrence([](EventLog& l) {
                   l.setupSaved({{"CommON", "1", "0"}, {"IP", "0.0.0.0", "10.0.0.5"}});
               })
            << QStringList{"setup", "info", "2 changed",
                           "CommON: \"1\" -> \"0\"; IP: \"0.0.0.0\" -> \"10.0.0.5\"", "op1"};
        QTest::newRow("acknowledged by the user given") << Occurrence([](EventLog& l) {
            l.acknowledge(42, "off_air", Now.addSecs(-125), "op2");
        }) << QStringList{"off_air", "acknowledged", "42", "alarm of 2026-05-04T09:58:00Z", "op2"};
    }

    void rows()
    {
        QFETCH(Occurrence, act);
        QFETCH(QStringList, row);
        FixedClock clock;
        clock.at = Now.toLocalTime();
        EventLog log(clock, QStringLiteral("op1"));
        QSignalSpy spy(&log, &EventLog::eventOccurred);
        act(log);
        QCOMPARE(spy.count(), 1);
        const auto e = spy[0][0].value<EventRecord>();
        QCOMPARE(e.time, Now);
        QCOMPARE(e.time.timeSpec(), Qt::UTC);
        QCOMPARE((QStringList{e.event, e.state, e.value, e.detail, e.user}), row);
    }

    // Events are written "emitted-at state @event-time value | detail".
    void watches_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("notices"); // warnings; information marked

        QTest::newRow("confirmed as soon as seen")
            << QList<Step>{set(0, true, "98.50"), seen(400, false, "98.50"),
                           seen(1200, true, "98.50"), seen(1600, true, "98.50")}
            << QStringList{"1200 confirmed @1200 carrier ON, 98.50 MHz | asked carrier ON, "
                           "98.50 MHz; seen after 1.2 s"}
            << QStringList{"information: Readback confirmed: carrier ON, 98.50 MHz"};

        QTest::newRow("not confirmed: the last reading is named")
            << QList<Step>{set(0, true, "101.30"), seen(1000, true, "101.29"),
                           seen(3000, false, "98.50")}
            << QStringList{"10000 not_confirmed @10000 carrier OFF, 98.50 MHz | asked carrier "
                           "ON, 101.30 MHz; not seen within 10.0 s"}
            << QStringList{"Readback not confirmed after 10 s: asked carrier ON, 101.30 MHz; the "
                           "transmitter reports carrier OFF, 98.50 MHz"};

        QTest::newRow("not confirmed: nothing arrived after the command")
            << QList<Step>{seen(0, true, "98.50"), set(500, true, "98.50")}
            << QStringList{"10500 not_confirmed @10500 no data | asked carrier ON, 98.50 MHz; "
                           "not seen within 10.0 s"}
            << QStringList{"Readback not confirmed after 10 s: asked carrier ON, 98.50 MHz; no "
                           "reading arrived from the transmitter"};

        QTest::newRow("wall clock set back 300 s: the limit still ends after 10 s")
            << QList<Step>{set(0, true, "98.50"), wallStep(2000, -300000),
                           seen(3000, false, "98.50")}
            << QStringList{"10000 not_confirmed @-290000 carrier OFF, 98.50 MHz | asked carrier "
                           "ON, 98.50 MHz; not seen within 10.0 s"}
            << QStringList{"Readback not confirmed after 10 s: asked carrier ON, 98.50 MHz; the "
                           "transmitter reports carrier OFF, 98.50 MHz"};

        QTest::newRow("a new command replaces the watch, which ends unannounced")
            << QList<Step>{set(0, true, "101.30"), seen(1000, true, "98.50"),
                           set(2000, true, "98.50"), seen(2500, true, "98.50")}
            << QStringList{"2000 not_confirmed @2000 carrier ON, 98.50 MHz | asked carrier ON, "
                           "101.30 MHz; not seen within 2.0 s; replaced by a newer set command",
                           "2500 confirmed @2500 carrier ON, 98.50 MHz | asked carrier ON, "
                           "98.50 MHz; seen after 0.5 s"}
            << QStringList{"information: Readback confirmed: carrier ON, 98.50 MHz"};
    }

    void watches()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(QStringList, events);
        QFETCH(QStringList, notices);

        Timeline<ReadbackWatch> timeline;
        ReadbackWatch watch(timeline.clock, 10000);
        QStringList gotEvents;
        QStringList gotNotices;
        connect(&watch, &ReadbackWatch::eventOccurred, this, [&](const EventRecord& e) {
            QCOMPARE(e.event, QStringLiteral("readback"));
            gotEvents << QStringLiteral("%1 %2 @%3 %4 | %5")
                             .arg(timeline.now())
                             .arg(e.state)
                             .arg(timeline.offset(e.time))
                             .arg(e.value, e.detail);
        });
        connect(&watch, &ReadbackWatch::operatorNotice, this,
                [&](const QString& text) { gotNotices << text; });
        connect(&watch, &ReadbackWatch::operatorInformation, this,
                [&](const QString& text) { gotNotices << QStringLiteral("information: ") + text; });

        for (const Step& step : steps) {
            timeline.advanceTo(watch, step.ms);
            if (step.wallStepMs != 0) {
                timeline.stepWall(step.wallStepMs);
            } else if (step.isSet) {
                watch.watch({step.on, qRound(step.frequency.toDouble() * 100), 500, 100, 45});
            } else {
                TransmitterStatus s;
                s.OnAir = step.on;
                s.FrequencyMHz = step.frequency;
                watch.statusUpdated({timeline.clock.at, LinkKind::Serial, s});
            }
        }
        timeline.advanceTo(watch, 60000);
        QCOMPARE(gotEvents, events);
        QCOMPARE(gotNotices, notices);
        QVERIFY(!watch.watching());
    }

    void commandBytesGiveTheValuesSent()
    {
        const auto serial = SetValues::fromCommand(QByteArray::fromHex("5331271503E8642D0D"));
        QVERIFY(serial);
        QCOMPARE(serial->text(), QStringLiteral("carrier ON, 100.05 MHz, forward 1000 W, reflect "
                                                "limit 100 W, temperature limit 45 C"));
        QCOMPARE(SetValues::fromCommand(QByteArray::fromHex("3D76393131271503E8642D0D0A")), serial);
        QVERIFY(!SetValues::fromCommand(QByteArray::fromHex("5332271503E8642D0D")));
    }

    void settings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QList<int>>("seconds"); // qualify, clear, readback
        QTest::addColumn<int>("problems");

        QTest::newRow("absent: defaults") << QByteArray() << QList<int>{3, 3, 10} << 0;
        QTest::newRow("set, 0 allowed")
            << QByteArray("[Alarms]\nQualifySeconds=0\nClearSeconds= 5 \nReadbackSeconds=30\n")
            << QList<int>{0, 5, 30} << 0;
        QTest::newRow("bad text keeps the default and says so")
            << QByteArray("[Alarms]\nQualifySeconds=2.5\nClearSeconds=-1\nReadbackSeconds=0\n")
            << QList<int>{3, 3, 10} << 3;
    }

    void settings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QList<int>, seconds);
        QFETCH(int, problems);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ZEL.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini);
        f.close();

        const AlarmSettings s = readAlarmSettings(QtSettingsStore(path));
        QCOMPARE((QList<int>{s.qualifySeconds, s.clearSeconds, s.readbackSeconds}), seconds);
        QCOMPARE(s.problems.size(), problems);
        for (const QString& line : s.problems)
            QVERIFY2(line.startsWith(QStringLiteral("[Alarms] ")), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestOccurrences)
#include "tst_occurrences.moc"
