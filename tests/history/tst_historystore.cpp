#include "history/historyreader.h"
#include "history/historystore.h"
#include "history/rollup.h"
#include "history/rollupcodec.h"
#include "historytestdata.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace zel;
using namespace zel::history;
using namespace zel::history::testdata;

using Triples = QList<std::array<qint64, 3>>;

namespace {
const qint64 M0 = 1796593380; // 2026-12-06T21:43:00Z, a minute boundary
const qint64 H0 = 1796590800; // 2026-12-06T21:00:00Z

EventRecord eventAt(qint64 ms, const QString& kind, const QString& state, const QString& value = {})
{
    EventRecord e;
    e.time = at(ms);
    e.event = kind;
    e.state = state;
    e.value = value;
    return e;
}

// A store in a temporary folder, with helpers to write and read it back.
struct Fixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("ZEL/history.db"));
    HistoryStore store{path};

    Fixture() { QVERIFY2(!store.open(), "open"); }

    void write(const QList<SecondSample>& seconds, qint64 nowS, QList<EventRecord> events = {})
    {
        const StoreError e = store.write(seconds, events, nowS);
        QVERIFY2(!e, qPrintable(e.message));
    }
    QList<Rollup> rollups(Step step)
    {
        HistoryReader reader(path);
        [&] { QVERIFY2(reader.open(), qPrintable(reader.lastError())); }();
        QList<Rollup> out;
        reader.forEachRollup(step, 0, M0 * 2, [&](const Rollup& r) { out << r; });
        return out;
    }
    qsizetype secondsStored()
    {
        HistoryReader reader(path);
        reader.open();
        qsizetype n = 0;
        reader.forEachSecond(0, M0 * 2, [&](const SecondSample&) { ++n; });
        return n;
    }
};

} // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Forward power of each second as (last, min, max) in tenths; the minute's
    // (min, mean, max).
    void minuteRollup_data()
    {
        QTest::addColumn<Triples>("seconds");
        QTest::addColumn<FieldStats>("expected");
        using S = Triples;
        QTest::newRow("one second") << S{{5000, 4990, 5010}} << FieldStats{4990, 5000, 5010};
        QTest::newRow("mean of the last values, range of the ranges")
            << S{{5000, 5000, 5000}, {5002, 4900, 5003}, {5004, 5004, 5100}}
            << FieldStats{4900, 5002, 5100};
        QTest::newRow("mean rounds half away from zero")
            << S{{1, 1, 1}, {2, 2, 2}} << FieldStats{1, 2, 2};
        QTest::newRow("negative values") << S{{-3, -5, -3}, {-4, -4, 0}} << FieldStats{-5, -4, 0};
    }
    void minuteRollup()
    {
        QFETCH(Triples, seconds);
        QFETCH(FieldStats, expected);
        QList<SecondSample> in;
        for (const auto& [v, lo, hi] : seconds)
            in << second(M0 + in.size(), v, lo, hi);
        const Rollup r = rollupOfSeconds(M0, in);
        QCOMPARE(r.seconds, in.size());
        QCOMPARE(r.field[std::size_t(Field::Forward)], expected);
        QCOMPARE(r.field[std::size_t(Field::Frequency)], (FieldStats{9850, 9850, 9850}));
        // The packed form gives the same numbers back.
        auto back = decodeRollup(encodeRollup(r));
        QVERIFY(back);
        back->t = r.t;
        QCOMPARE(*back, r);
    }

    void hourWeighsMinutesBySeconds()
    {
        Rollup full;
        full.seconds = full.onAirSeconds = 60;
        full.field[1] = FieldStats{90, 100, 110};
        Rollup part;
        part.seconds = part.onAirSeconds = 20;
        part.gatewaySeconds = 20;
        part.field[1] = FieldStats{180, 200, 210};
        const Rollup h = rollupOfRollups(H0, {full, part});
        QCOMPARE(h.seconds, 80);
        QCOMPARE(h.onAirSeconds, 80);
        QCOMPARE(h.gatewaySeconds, 20);
        QCOMPARE(h.field[1], (FieldStats{90, 125, 210}));
        QVERIFY(!h.field[0]);
        auto back = decodeRollup(encodeRollup(h));
        QVERIFY(back);
        back->t = H0;
        QCOMPARE(*back, h);
        // Cut short or with bytes left over it is refused.
        const QByteArray bytes = encodeRollup(h);
        QVERIFY(!decodeRollup(bytes.left(bytes.size() - 1)));
        QVERIFY(!decodeRollup(bytes + '\0'));
    }

    // Minutes roll up once they have ended (and two seconds more), hours once
    // their minutes have; a late second (one the record lacked) rolls its
    // minute and hour again.
    void rollsUpMinutesAndHours()
    {
        Fixture f;
        QList<SecondSample> seconds;
        for (qint64 t = H0 + 3540; t < H0 + 3660; ++t) {
            if (t != H0 + 3599)
                seconds << second(t, 5000 + (t % 2), 4990, 5010);
        }
        f.write(seconds.mid(0, 59), H0 + 3601);
        QCOMPARE(f.rollups(Step::Minute).size(), 0);
        f.write(seconds.mid(59), H0 + 3602);
        QList<Rollup> minutes = f.rollups(Step::Minute);
        QCOMPARE(minutes.size(), 1);
        QCOMPARE(minutes[0].t, H0 + 3540);
        QCOMPARE(minutes[0].seconds, 59);
        QCOMPARE(f.rollups(Step::Hour).size(), 1);
        QCOMPARE(f.rollups(Step::Hour)[0].t, H0);

        f.write({}, H0 + 3662);
        QCOMPARE(f.rollups(Step::Minute).size(), 2);
        f.write({second(H0 + 3599, 7000, 7000, 7000)}, H0 + 3663);
        minutes = f.rollups(Step::Minute);
        QCOMPARE(minutes[0].seconds, 60);
        QCOMPARE(minutes[0].field[1]->max, 7000);
        QCOMPARE(f.rollups(Step::Hour)[0].field[1]->max, 7000);
    }

    void retentionDropsOldRows()
    {
        Fixture f;
        const qint64 now = M0;
        QList<SecondSample> seconds;
        for (qint64 t : {now - 3 * 86400, now - 86400 - 1, now - 86400, now - 10})
            seconds << second(t, 5000, 5000, 5000);
        f.write(seconds, now,
                {eventAt(now * 1000 - 5 * 86400000LL, alarm::OffAir, eventstate::Raised),
                 eventAt(now * 1000 - 5 * 86400000LL, QStringLiteral("login"), eventstate::Info),
                 eventAt(now * 1000 - 10, alarm::OffAir, eventstate::Cleared)});
        QCOMPARE(f.rollups(Step::Minute).size(), 3);
        QVERIFY(!f.store.applyRetention({1, 2, 0}, now));
        QCOMPARE(f.secondsStored(), 2);
        QCOMPARE(f.rollups(Step::Minute).size(), 2);
        HistoryReader reader(f.path);
        QVERIFY(reader.open());
        QCOMPARE(reader.events(0, now * 1000)->size(), 3); // kept for ever
        QVERIFY(!f.store.applyRetention({1, 2, 4}, now));
        // The alarm nobody acknowledged stays however old.
        QCOMPARE(reader.events(0, now * 1000)->size(), 2);
    }

    void acknowledgementsAndSpans()
    {
        Fixture f;
        const qint64 ms = M0 * 1000;
        f.write({}, M0,
                {eventAt(ms - 5000, alarm::HighReflect, eventstate::Raised),
                 eventAt(ms + 1000, alarm::OffAir, eventstate::Raised, QStringLiteral("0.0 W")),
                 eventAt(ms + 2000, alarm::HighReflect, eventstate::Cleared),
                 eventAt(ms + 3000, QStringLiteral("login"), eventstate::Info)});
        EventRecord ack;
        QVERIFY(!f.store.acknowledge(1, QStringLiteral("ops"), at(ms + 4000), &ack));
        QCOMPARE(ack.id, 5);
        QCOMPARE(ack.value, QStringLiteral("1"));
        QCOMPARE(ack.user, QStringLiteral("ops"));
        QCOMPARE(ack.state, eventstate::Acknowledged);
        for (const auto& [id, why] : {std::pair{1, "acknowledged already"},
                                      std::pair{3, "no raised alarm"}, std::pair{99, "no event"}}) {
            const StoreError e = f.store.acknowledge(id, {}, at(ms), nullptr);
            QVERIFY2(e.message.contains(QLatin1String(why)), qPrintable(e.message));
        }

        HistoryReader reader(f.path);
        QVERIFY(reader.open());
        const auto open = reader.activeAlarms();
        QCOMPARE(open->size(), 1);
        QCOMPARE(open->first().alarm.id, 2);
        QCOMPARE(open->first().state, AlarmState::RaisedUnacknowledged);
        QCOMPARE(reader.unacknowledgedCount(), 1);

        // From a moment inside the reflected-power alarm: it started before.
        const auto spans = reader.alarmSpans(ms, ms + 10000);
        QCOMPARE(spans->size(), 2);
        QCOMPARE(spans->at(0).event, alarm::HighReflect);
        QCOMPARE(spans->at(0).start, at(ms - 5000));
        QCOMPARE(spans->at(0).end, at(ms + 2000));
        QCOMPARE(spans->at(1).raisedId, 2);
        QVERIFY(!spans->at(1).end);
        // What a restart shows again for the alarm it resumes.
        QCOMPARE(spans->at(1).value, QStringLiteral("0.0 W"));
    }

    // Short ranges come from the seconds, longer ones from the roll-ups;
    // where the seconds are gone the minutes answer.
    void trendPicksTheTable()
    {
        Fixture f;
        QList<SecondSample> seconds;
        for (qint64 t = M0; t < M0 + 180; ++t)
            seconds << second(t, 5000 + (t - M0), 5000 + (t - M0) - 2, 5000 + (t - M0) + 1);
        f.write(seconds, M0 + 190);
        HistoryReader reader(f.path);
        QVERIFY(reader.open());
        auto b = reader.trend(Field::Forward, M0, M0 + 180, 18);
        QVERIFY2(b, qPrintable(reader.lastError()));
        QCOMPARE(b->size(), 18);
        QCOMPARE(b->at(1), (TrendBucket{M0 + 10, 5008, 5020, 5019}));
        b = reader.trend(Field::Forward, M0, M0 + 180, 2);
        QCOMPARE(b->size(), 2);
        QCOMPARE(b->at(0), (TrendBucket{M0, 4998, 5120, 5090}));
        QCOMPARE(b->at(1), (TrendBucket{M0 + 90, 5118, 5180, 5150}));

        QVERIFY(!f.store.applyRetention({1, 0, 0}, M0 + 2 * 86400));
        b = reader.trend(Field::Forward, M0, M0 + 180, 18);
        QCOMPARE(b->size(), 3);
        QCOMPARE(b->at(0), (TrendBucket{M0, 4998, 5060, 5030}));
    }

    // A database kept from an earlier run opens with its rows, and a newer
    // one is refused rather than written.
    void reopensAndRefusesNewerSchema()
    {
        Fixture f;
        f.write({second(M0, 5000, 5000, 5000)}, M0);
        f.store.close();
        QVERIFY(!f.store.open());
        QCOMPARE(f.secondsStored(), 1);
        f.store.close();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "newer");
            db.setDatabaseName(f.path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("INSERT INTO schema_version VALUES (99)")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("newer"));
        const StoreError e = f.store.open();
        QVERIFY(e);
        QVERIFY2(e.message.contains(QLatin1String("newer version")), qPrintable(e.message));
    }

    // The record's files never open to every user, whatever the umask.
    void fileModes_data()
    {
        QTest::addColumn<bool>("service"); // new files readable by the group
        QTest::addColumn<int>("existing"); // a file there before; 0: none
        QTest::addColumn<int>("expected");
        QTest::newRow("desktop") << false << 0 << 0600;
        QTest::newRow("service") << true << 0 << 0640;
        QTest::newRow("older file open to all") << false << 0644 << 0640;
    }
    void fileModes()
    {
        QFETCH(bool, service);
        QFETCH(int, existing);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.db"));
        if (existing) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.close();
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(existing)) == 0);
        }
        const mode_t umaskBefore = ::umask(0);
        HistoryStore store(path);
        const QFileDevice::Permissions owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        store.setFileMode(service ? owner | QFileDevice::ReadGroup : owner);
        const StoreError e = store.open();
        ::umask(umaskBefore);
        QVERIFY2(!e, qPrintable(e.message));
        QList<EventRecord> none;
        QVERIFY(!store.write({second(M0, 5000, 5000, 5000)}, none, M0));
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            struct stat st {};
            QVERIFY2(::stat(QFile::encodeName(path + suffix).constData(), &st) == 0,
                     qPrintable(suffix));
            QCOMPARE(QString::number(st.st_mode & 0777, 8), QString::number(expected, 8));
        }
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
