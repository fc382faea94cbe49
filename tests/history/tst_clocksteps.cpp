// The record when the wall clock is set under a running writer: nothing
// recorded is replaced, nothing deleted on the word of a clock just set.

#include "history/historyreader.h"
#include "history/historywriter.h"
#include "historytestdata.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;
using namespace zel::history;
using namespace zel::history::testdata;

namespace {

const qint64 M0 = 1796593380; // a minute boundary

// The writer fed one second at a time as the recorder does, with the clocks'
// readings: the wall clock may be set apart from the monotonic one.
struct Feed {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("history.db"));
    std::unique_ptr<HistoryWriter> writer;
    qint64 wallMs = 0;
    qint64 monoMs = 5000000;

    Feed(qint64 startS, const RetentionPolicy& retention = {})
    {
        HistoryWriter::Options o;
        o.path = path;
        o.retention = retention;
        writer = std::make_unique<HistoryWriter>(o);
        wallMs = startS * 1000;
    }
    // The second now ending, with forward power fwd, then the clocks move 1 s.
    void second(qint64 fwd, QList<EventRecord> events = {})
    {
        HistoryBatch b;
        b.seconds << testdata::second(wallMs / 1000, fwd, fwd, fwd);
        b.events = events;
        wallMs += 1000;
        monoMs += 1000;
        b.nowS = wallMs / 1000;
        b.clock = ClockReading{wallMs, monoMs};
        writer->write(b);
    }
    QMap<qint64, qint64> forwardBySecond() const
    {
        QMap<qint64, qint64> out;
        HistoryReader reader(path);
        if (reader.open())
            reader.forEachSecond(0, wallMs / 500, [&](const SecondSample& s) {
                out[s.t] = *s.value[std::size_t(Field::Forward)];
            });
        return out;
    }
    QStringList events() const
    {
        HistoryReader reader(path);
        QStringList out;
        if (reader.open())
            for (const EventRecord& e : reader.events(0, wallMs * 2).value_or(QList<EventRecord>()))
                out << e.event + u' ' + e.state;
        return out;
    }
};

EventRecord row(qint64 s, const QString& kind, const QString& state)
{
    return {0, at(s * 1000), kind, state, QString(), QString(), QString(), QString()};
}

} // namespace

class TestClockSteps : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // 120 seconds at 500.0 W, the clock set back, then 7000 tenths for what
    // follows: the seconds recorded keep their values, and so do their minutes.
    void setBackOverRecordedSeconds_data()
    {
        QTest::addColumn<int>("backS");
        QTest::newRow("100 s") << 100;
        QTest::newRow("3 s") << 3;
    }
    void setBackOverRecordedSeconds()
    {
        QFETCH(int, backS);
        Feed feed(M0);
        QSignalSpy problems(feed.writer.get(), &HistoryWriter::problem);
        QSignalSpy recoveries(feed.writer.get(), &HistoryWriter::recovered);
        for (int i = 0; i < 120; ++i)
            feed.second(5000);
        feed.wallMs -= backS * 1000;
        for (int i = 0; i < backS + 20; ++i)
            feed.second(7000);

        const auto stored = feed.forwardBySecond();
        QCOMPARE(stored.size(), 140);
        for (qint64 t = M0; t < M0 + 120; ++t)
            QCOMPARE(stored.value(t), 5000);
        QCOMPARE(stored.value(M0 + 120), 7000);
        QCOMPARE(problems.count(), 1);
        QCOMPARE(recoveries.count(), 1);
        QVERIFY2(recoveries[0][0].toString().contains(QStringLiteral("; %1 samples").arg(backS)),
                 qPrintable(recoveries[0][0].toString()));

        HistoryReader reader(feed.path);
        QVERIFY(reader.open());
        QList<Rollup> minutes;
        reader.forEachRollup(Step::Minute, M0, M0 + 120, [&](const Rollup& r) { minutes << r; });
        QCOMPARE(minutes.size(), 2);
        for (const Rollup& m : minutes)
            QCOMPARE(m.field[std::size_t(Field::Forward)]->max, 5000);
    }

    // Set forward 40 days: the old rows look past keeping, but nothing goes
    // until the clock has held for 10 minutes, and an alarm nobody has
    // acknowledged never goes.
    void setForwardPastRetention()
    {
        const qint64 start = QDateTime::currentSecsSinceEpoch() / 60 * 60;
        Feed feed(start, RetentionPolicy{1, 2, 30});
        QSignalSpy stored(feed.writer.get(), &HistoryWriter::eventsStored);
        feed.second(5000, {row(start, alarm::OffAir, eventstate::Raised),
                           row(start, alarm::Unlocked, eventstate::Raised),
                           row(start, QStringLiteral("login"), eventstate::Info)});
        feed.second(5000, {row(start + 1, alarm::OffAir, eventstate::Cleared),
                           row(start + 1, alarm::Unlocked, eventstate::Cleared)});
        feed.writer->acknowledge(2, QStringLiteral("ops"));
        QCOMPARE(feed.events().size(), 6);

        feed.wallMs += 40 * 86400000LL;
        feed.second(5000);
        feed.monoMs += HistoryWriter::ClockSettleMs - 2000;
        feed.wallMs += HistoryWriter::ClockSettleMs - 2000;
        feed.second(5000);
        QCOMPARE(feed.forwardBySecond().size(), 4);
        QCOMPARE(feed.events().size(), 6);

        feed.second(5000);
        QCOMPARE(feed.forwardBySecond().size(), 3);
        QCOMPARE(feed.events(), (QStringList{"off_air raised", "off_air cleared"}));
    }
};

QTEST_GUILESS_MAIN(TestClockSteps)
#include "tst_clocksteps.moc"
