#include "alarms/readbackwatch.h"
#include "timeline.h"

#include <QTest>

using namespace zel;

namespace {

// A set command (carrier, frequency in 10 kHz) or a reading (on air, frequency text).
struct Step {
    qint64 ms;
    bool isSet;
    bool on;
    QString frequency;
};

Step set(qint64 ms, bool on, const QString& mhz)
{
    return {ms, true, on, mhz};
}

Step seen(qint64 ms, bool on, const QString& mhz)
{
    return {ms, false, on, mhz};
}

SetValues values(bool on, const QString& mhz)
{
    SetValues v;
    v.carrierOn = on;
    v.frequency10kHz = qRound(mhz.toDouble() * 100);
    v.forwardW = 500;
    v.reflectLimitW = 100;
    v.tempLimitC = 45;
    return v;
}

} // namespace

class TestReadback : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Events are written "emitted-at state @event-time value | detail".
    void watches_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("notices");

        QTest::newRow("confirmed as soon as seen")
            << QList<Step>{set(0, true, "98.50"), seen(400, false, "98.50"),
                           seen(1200, true, "98.50"), seen(1600, true, "98.50")}
            << QStringList{"1200 confirmed @1200 carrier ON, 98.50 MHz | asked carrier ON, "
                           "98.50 MHz; seen after 1.2 s"}
            << QStringList{"Readback confirmed: carrier ON, 98.50 MHz"};

        QTest::newRow("carrier OFF asked and seen")
            << QList<Step>{set(0, false, "100.05"), seen(900, false, "100.05")}
            << QStringList{"900 confirmed @900 carrier OFF, 100.05 MHz | asked carrier OFF, "
                           "100.05 MHz; seen after 0.9 s"}
            << QStringList{"Readback confirmed: carrier OFF, 100.05 MHz"};

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

        QTest::newRow("a new command replaces the watch, which ends unannounced")
            << QList<Step>{set(0, true, "101.30"), seen(1000, true, "98.50"),
                           set(2000, true, "98.50"), seen(2500, true, "98.50")}
            << QStringList{"2000 not_confirmed @2000 carrier ON, 98.50 MHz | asked carrier ON, "
                           "101.30 MHz; not seen within 2.0 s; replaced by a newer set command",
                           "2500 confirmed @2500 carrier ON, 98.50 MHz | asked carrier ON, "
                           "98.50 MHz; seen after 0.5 s"}
            << QStringList{"Readback confirmed: carrier ON, 98.50 MHz"};
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

        for (const Step& step : steps) {
            timeline.advanceTo(watch, step.ms);
            if (step.isSet) {
                watch.watch(values(step.on, step.frequency));
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
        QVERIFY(!SetValues::fromCommand(QByteArray::fromHex("012C")));
    }
};

QTEST_GUILESS_MAIN(TestReadback)
#include "tst_readback.moc"
