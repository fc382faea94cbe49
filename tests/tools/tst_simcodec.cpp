#include "simexamples.h"

#include "simcodec.h"
#include "simtransmitter.h"

#include <QTest>

using namespace zel::sim;

namespace {

// One feed step: delay since the previous step in ms, then the bytes.
using Feed = QList<QPair<int, QByteArray>>;

Feed oneByOne(const QByteArray& bytes, int gapMs)
{
    Feed feed;
    for (const char b : bytes)
        feed.append({gapMs, QByteArray(1, b)});
    return feed;
}

QStringList lines(const QList<CommandEvent>& events)
{
    QStringList out;
    for (const CommandEvent& e : events)
        out << e.logLine();
    return out;
}

} // namespace

class TestSimCodec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusFrame_data()
    {
        QTest::addColumn<Reading>("in");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("worked example")
            << Reading{8001, true, 87.50, true, 5000.0, 35.0, 30.6, 148.0, 7.5, 9, 100, 99}
            << QByteArray::fromHex("1F4101222E01C350015E013205C8004B0009006400630D0A");
        // Binary data may hold CR LF; the frame is still 24 bytes.
        QTest::newRow("off air, data bytes CR LF")
            << Reading{0x0D0A, false, 0.0, false, 0.0, 0.0, 0.0, 0.0, 0.0, 0, 0, 0}
            << QByteArray::fromHex("0D0A00000000000000000000000000000000000000000D0A");
        QTest::newRow("out of range clamps to 16 bits")
            << Reading{65535, true, 98.5, true, 7000.0, -3.0, 25.0, 48.0, 15.0, 0, 120, 0}
            << QByteArray::fromHex("FFFF01267A01FFFF000000FA01E000960000007800000D0A");
    }
    void statusFrame()
    {
        QFETCH(Reading, in);
        QFETCH(QByteArray, frame);
        QCOMPARE(encodeStatusFrame(in).toHex(' '), frame.toHex(' '));
    }

    void statusReply_data()
    {
        QTest::addColumn<Reading>("in");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("worked example")
            << Reading{12345, true, 101.10, true, 123.4, 1.2, 34.5, 48.0, 15.0, 85, 70, 65}
            << QByteArray("12345 1 10110 1 1234 012 345 480 150 085 070 065\r\n");
        QTest::newRow("values wider than their columns clamp")
            << Reading{8001, false, 98.5, false, 1500.0, 120.0, 100.0, 150.0, 312.4, 1000, 120, 99}
            << QByteArray("08001 0 09850 0 9999 999 999 999 999 999 120 099\r\n");
    }
    void statusReply()
    {
        QFETCH(Reading, in);
        QFETCH(QByteArray, reply);
        QCOMPARE(encodeStatusReply(in), reply);
        QCOMPARE(reply.size(), 50);
    }

    void serialCommands_data()
    {
        QTest::addColumn<Feed>("feed");
        QTest::addColumn<QStringList>("expected");
        const QByteArray address300 = QByteArray::fromHex("012C");
        QTest::newRow("set, paced 120 ms") << oneByOne(kSetOn, 120) << QStringList{kSetOnLine};
        QTest::newRow("address, paced 120 ms")
            << oneByOne(address300, 120) << QStringList{"address 300"};
        QTest::newRow("set then address in one read")
            << Feed{{0, kSetOn + address300}} << QStringList{kSetOnLine, "address 300"};
        QTest::newRow("address that looks like a set start")
            << Feed{{0, "S1"}, {600, address300}} << QStringList{"address 21297", "address 300"};
        QTest::newRow("frequency below 87 MHz")
            << Feed{{0, QByteArray::fromHex("5330210C03E8642D0D")}}
            << QStringList{"rejected frequency 84.60 MHz outside 87.00..108.00: 53 30 21 0C 03 E8 "
                           "64 2D 0D"};
        QTest::newRow("CR LF in power, accepted")
            << Feed{{0, QByteArray::fromHex("533121FC0D0A00280D")}}
            << QStringList{"set carrier=ON freq=87.00 power=3338 reflect=0 temp=40"};
        QTest::newRow("partial set rejected after silence, next one decoded")
            << Feed{{0, kSetOn.first(4)}, {600, kSetOn}}
            << QStringList{"rejected incomplete command (4 bytes): 53 31 27 15", kSetOnLine};
        QTest::newRow("set without CR")
            << Feed{{0, QByteArray::fromHex("5331271503E8642D0A")}}
            << QStringList{"rejected set command not ending in CR: 53 31 27 15 03 E8 64 2D 0A"};
    }
    void serialCommands()
    {
        QFETCH(Feed, feed);
        QFETCH(QStringList, expected);
        SerialCommandDecoder decoder;
        QList<CommandEvent> events;
        qint64 now = 1000;
        for (const auto& [delay, bytes] : feed) {
            now += delay;
            events += decoder.feed(bytes, now);
        }
        events += decoder.expire(now + SerialCommandDecoder::kTimeoutMs);
        QCOMPARE(lines(events), expected);
        QVERIFY(!decoder.deadline());
    }

    void gatewayCommands_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("poll in pieces")
            << QList<QByteArray>{kPoll.first(5), kPoll.mid(5, 6), kPoll.mid(11)}
            << QStringList{"poll"};
        QTest::newRow("poll, set, poll in one read")
            << QList<QByteArray>{kPoll + kRemoteSetOn + kPoll}
            << QStringList{"poll", kSetOnLine, "poll"};
        QTest::newRow("CR LF inside the values")
            << QList<QByteArray>{QByteArray::fromHex("3D7639313021FC0D0A64280D0A")}
            << QStringList{"set carrier=OFF freq=87.00 power=3338 reflect=100 temp=40"};
        QTest::newRow("junk before a poll")
            << QList<QByteArray>{"junk" + kPoll}
            << QStringList{"rejected unexpected bytes: 6A 75 6E 6B", "poll"};
    }
    void gatewayCommands()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QStringList, expected);
        GatewayCommandDecoder decoder;
        QStringList got;
        for (const QByteArray& chunk : chunks)
            got += lines(decoder.feed(chunk));
        QCOMPARE(got, expected);
    }

    // Every scenario must show the alarm the panel is meant to raise for it,
    // a timed one in each of its phases (at: seconds since it started).
    // forward: share of the 500 W target; audio: channels carrying programme;
    // efficiency: PA efficiency against the scenario's start, 0 unchecked.
    void scenarios_data()
    {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<double>("at");
        QTest::addColumn<bool>("onAir");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("hot");
        QTest::addColumn<bool>("highReflect");
        QTest::addColumn<double>("forward");
        QTest::addColumn<QString>("audio");
        QTest::addColumn<double>("efficiency");
        // flags: a on air, l locked, h hot, r high reflect.
        const auto row = [](const char* name, Scenario s, double at, QByteArrayView flags,
                            double forward, const char* audio, double efficiency = 0) {
            QTest::newRow(name) << s << at << flags.contains('a') << flags.contains('l')
                                << flags.contains('h') << flags.contains('r') << forward
                                << QString::fromLatin1(audio) << efficiency;
        };
        row("normal", Scenario::Normal, 0, "al", 1.0, "LR", 1.0);
        row("overheat", Scenario::Overheat, 0, "alh", 1.0, "LR");
        row("high-reflect", Scenario::HighReflect, 0, "alr", 1.0, "LR");
        row("unlock", Scenario::Unlock, 0, "a", 1.0, "LR");
        row("off-air", Scenario::OffAir, 0, "l", 0.0, "");
        row("foldback 60%", Scenario::Foldback, 25, "al", 0.6, "LR");
        row("foldback 40%", Scenario::Foldback, 85, "al", 0.4, "LR");
        row("foldback over, starts again", Scenario::Foldback, 145, "al", 1.0, "LR");
        row("silence", Scenario::Silence, 25, "al", 1.0, "");
        row("silence over", Scenario::Silence, 82, "al", 1.0, "LR");
        row("channel-loss", Scenario::ChannelLoss, 25, "al", 1.0, "L");
        row("pa-drift half way", Scenario::PaDrift, 300, "al", 1.0, "LR", 0.95);
        row("pa-drift held", Scenario::PaDrift, 900, "al", 1.0, "LR", 0.9);
        row("carrier-trip reflect", Scenario::CarrierTrip, 25, "alr", 1.0, "LR");
        row("carrier-trip off air", Scenario::CarrierTrip, 45, "lr", 0.0, "");
        row("carrier-trip back on", Scenario::CarrierTrip, 75, "al", 1.0, "LR");
    }
    void scenarios()
    {
        QFETCH(Scenario, scenario);
        QFETCH(double, at);
        QFETCH(bool, onAir);
        QFETCH(bool, locked);
        QFETCH(bool, hot);
        QFETCH(bool, highReflect);
        QFETCH(double, forward);
        QFETCH(QString, audio);
        QFETCH(double, efficiency);
        // PA efficiency is judged on sums of 100 samples: the current's noise
        // alone moves single ones by a percent.
        const auto paEfficiency = [](const Reading& r) {
            return r.forwardW / (r.voltageV * r.currentA);
        };
        // Programme well above the monitor's silence levels; a silent channel
        // on air reads 0, off air the meters show their noise.
        const auto meter = [&](int level, QChar channel) {
            return audio.contains(channel) ? level > 15 && level <= 120
                                           : level <= 15 && (!onAir || level == 0);
        };
        Transmitter tx(7);
        tx.setScenario(scenario);
        tx.settle();
        double startEfficiency = 0;
        for (int i = 0; i < 100; ++i)
            startEfficiency += paEfficiency(tx.sample());
        double efficiencySum = 0;
        for (int i = 0; i < qRound(at * 10); ++i)
            tx.step(0.1);
        tx.takeEvents();                // the timed scenario's phase changes
        for (int i = 0; i < 100; ++i) { // ten seconds of noise and drift
            tx.step(0.1);
            const Reading r = tx.sample();
            QCOMPARE(r.onAir, onAir);
            QCOMPARE(r.locked, locked);
            QCOMPARE(r.temperatureC > 45.0, hot);
            QCOMPARE(r.reflectW > 0.06 * r.forwardW && r.forwardW > 0, highReflect);
            QVERIFY2(qAbs(r.forwardW / 500 - forward) < 0.05,
                     qPrintable(QString::number(r.forwardW)));
            QVERIFY(r.forwardW < 999.9 && r.temperatureC < 99.9 && r.currentA < 99.9);
            QVERIFY2(meter(r.audioLeft, u'L') && meter(r.audioRight, u'R'),
                     qPrintable(QStringLiteral("%1 %2").arg(r.audioLeft).arg(r.audioRight)));
            QCOMPARE(r.modPercent == 0, !onAir);
            efficiencySum += paEfficiency(r);
        }
        if (efficiency > 0)
            QVERIFY2(qAbs(efficiencySum / startEfficiency - efficiency) < 0.01,
                     qPrintable(QString::number(efficiencySum / startEfficiency)));
        QVERIFY(tx.takeEvents().isEmpty());
    }

    // Set commands move the model as a controller would: frequency and power
    // follow, a low reflected limit folds power back, carrier off drops it,
    // and overheating drops the carrier until the temperature is back.
    void controllerFollowsCommands()
    {
        Transmitter tx(7);
        tx.apply(SetCommand{true, 10005, 1000, 100, 50});
        tx.step(0.1);
        QVERIFY(!tx.sample().locked);
        for (int i = 0; i < 50; ++i)
            tx.step(0.1);
        Reading r = tx.sample();
        QVERIFY(r.locked);
        QCOMPARE(qRound(r.frequencyMHz * 100), 10005);
        QVERIFY(qAbs(r.forwardW - 1000) < 50);

        tx.apply(SetCommand{true, 10005, 1000, 5, 50});
        tx.settle();
        r = tx.sample();
        QVERIFY2(r.reflectW < 5.5 && r.forwardW < 400, qPrintable(QString::number(r.forwardW)));

        tx.apply(SetCommand{false, 10005, 1000, 100, 50});
        tx.settle();
        QCOMPARE(tx.sample().forwardW, 0.0);

        tx.apply(SetCommand{true, 9850, 500, 100, 45});
        tx.setScenario(Scenario::Overheat);
        for (int i = 0; i < 100 && tx.sample().onAir; ++i)
            tx.step(0.1);
        QVERIFY(!tx.sample().onAir);
        tx.setScenario(Scenario::Normal);
        for (int i = 0; i < 300 && !tx.sample().onAir; ++i)
            tx.step(0.1);
        QVERIFY(tx.sample().onAir);
    }
};

QTEST_GUILESS_MAIN(TestSimCodec)
#include "tst_simcodec.moc"
