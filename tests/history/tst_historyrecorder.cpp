#include "history/historyrecorder.h"
#include "historytestdata.h"
#include "support/fakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace zel;
using namespace zel::history;
using namespace zel::history::testdata;

using Frames = QList<std::pair<int, QString>>;

namespace {
const qint64 T0 = 1796593406000; // 2026-12-06T21:43:26.000Z

qint64 value(const SecondSample& s, Field f)
{
    return s.at(f).value_or(-1);
}
} // namespace

class TestHistoryRecorder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Frames as (ms after T0, forward text); each finished second as
    // "t:last:min:max" of forward power in tenths.
    void foldsFramesIntoSeconds_data()
    {
        QTest::addColumn<Frames>("frames");
        QTest::addColumn<QStringList>("seconds");
        using F = Frames;
        QTest::newRow("one frame") << F{{100, "500.0"}} << QStringList{"0:5000:5000:5000"};
        QTest::newRow("last of the second, its range")
            << F{{0, "500.0"}, {300, "512.3"}, {600, "498.1"}, {990, "501.0"}}
            << QStringList{"0:5010:4981:5123"};
        QTest::newRow("a new second finishes the last")
            << F{{900, "500.0"}, {1000, "600.0"}, {1500, "400.0"}}
            << QStringList{"0:5000:5000:5000", "1:4000:4000:6000"};
        QTest::newRow("a gap leaves no row") << F{{0, "500.0"}, {3200, "501.0"}}
                                             << QStringList{"0:5000:5000:5000", "3:5010:5010:5010"};
        QTest::newRow("dashes only at the end: no value")
            << F{{0, "500.0"}, {500, "----.-"}} << QStringList{"0:-:0:0"};
        QTest::newRow("dashes before a value: range of the values")
            << F{{0, "----.-"}, {500, "501.0"}} << QStringList{"0:5010:5010:5010"};
    }
    void foldsFramesIntoSeconds()
    {
        QFETCH(Frames, frames);
        QFETCH(QStringList, seconds);
        FixedClock clock;
        HistoryRecorder recorder(clock);
        QSignalSpy batches(&recorder, &HistoryRecorder::batchReady);
        for (const auto& [ms, text] : frames)
            recorder.record(update(T0 + ms, text));
        clock.at = at(T0 + 10000);
        recorder.handOver();
        QCOMPARE(batches.size(), 1);
        QStringList got;
        for (const SecondSample& s : batches[0][0].value<HistoryBatch>().seconds) {
            const auto v = s.at(Field::Forward);
            got << QStringLiteral("%1:%2:%3:%4")
                       .arg(s.t - T0 / 1000)
                       .arg(v ? QString::number(*v) : QStringLiteral("-"))
                       .arg(s.min[1])
                       .arg(s.max[1]);
        }
        QCOMPARE(got, seconds);
    }

    void keepsTheRecordAndItsLink()
    {
        FixedClock clock;
        HistoryRecorder recorder(clock);
        QSignalSpy batches(&recorder, &HistoryRecorder::batchReady);
        recorder.record(update(T0 + 10, "500.0", LinkKind::Serial));
        StatusUpdate reply = update(T0 + 20, "250.5", LinkKind::Gateway);
        reply.record.OnAir = false;
        reply.record.TemperatureC = QStringLiteral("---.-");
        recorder.record(reply);
        recorder.record(update(T0 + 1010, "300.0", LinkKind::Serial));
        clock.at = at(T0 + 2000);
        recorder.handOver();
        const auto seconds = batches[0][0].value<HistoryBatch>().seconds;
        QCOMPARE(seconds.size(), 2);
        const SecondSample& first = seconds[0];
        QVERIFY(first.gateway);
        QVERIFY(!first.onAir);
        QVERIFY(first.locked);
        QCOMPARE(first.deviceId.value_or(-1), 8001);
        QCOMPARE(value(first, Field::Frequency), 9850);
        QCOMPARE(value(first, Field::Forward), 2505);
        QCOMPARE(first.min[1], 2505);
        QCOMPARE(first.max[1], 5000);
        QVERIFY(!first.at(Field::Temperature));
        QCOMPARE(value(first, Field::Current), 75);
        QCOMPARE(value(first, Field::AudioRight), 99);
        QVERIFY(!seconds[1].gateway);
    }

    // The second in progress stays until it has ended; events go with the
    // next hand-over; nothing is sent when nothing waits.
    void handsOverFinishedSecondsAndEvents()
    {
        FixedClock clock;
        HistoryRecorder recorder(clock);
        QSignalSpy batches(&recorder, &HistoryRecorder::batchReady);
        recorder.record(update(T0 + 100, "500.0"));
        clock.at = at(T0 + 900);
        recorder.handOver();
        QCOMPARE(batches.size(), 0);

        EventRecord e;
        e.event = alarm::OffAir;
        e.state = eventstate::Raised;
        recorder.recordEvent(e);
        clock.at = at(T0 + 1020);
        recorder.handOver();
        QCOMPARE(batches.size(), 1);
        const HistoryBatch batch = batches[0][0].value<HistoryBatch>();
        QCOMPARE(batch.seconds.size(), 1);
        QCOMPARE(batch.events.size(), 1);
        QCOMPARE(batch.nowS, T0 / 1000 + 1);

        recorder.handOver();
        QCOMPARE(batches.size(), 1);
        recorder.record(update(T0 + 1100, "500.0"));
        recorder.handOverAll();
        QCOMPARE(batches.size(), 2);
        QCOMPARE(batches[1][0].value<HistoryBatch>().seconds.size(), 1);
    }

    // The timer fires on its own just after the second ends.
    void timerHandsOver()
    {
        SystemClock clock;
        HistoryRecorder recorder(clock);
        QSignalSpy batches(&recorder, &HistoryRecorder::batchReady);
        recorder.record(StatusUpdate{QDateTime::currentDateTimeUtc(), LinkKind::Serial,
                                     record(QStringLiteral("500.0"))});
        QVERIFY(batches.wait(3000));
        QCOMPARE(batches[0][0].value<HistoryBatch>().seconds.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestHistoryRecorder)
#include "tst_historyrecorder.moc"
