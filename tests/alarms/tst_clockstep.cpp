#include "alarms/clockstep.h"
#include "alarms/clockstepwatch.h"
#include "support/fakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace zel;

class TestClockStep : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // How far the wall clock moved while the monotonic one moved 1 s.
    void thresholds_data()
    {
        QTest::addColumn<qint64>("wallMovedMs");
        QTest::addColumn<QString>("step"); // empty: none

        QTest::newRow("in step") << qint64(1000) << QString();
        QTest::newRow("1.9 s back: slewing") << qint64(1000 - 1900) << QString();
        QTest::newRow("2.1 s back") << qint64(1000 - 2100) << QStringLiteral("-2.1 s");
        QTest::newRow("300 s back") << qint64(1000 - 300000) << QStringLiteral("-300 s");
        QTest::newRow("59 min forward: a suspend") << qint64(1000 + 59 * 60000) << QString();
        QTest::newRow("61 min forward") << qint64(1000 + 61 * 60000) << QStringLiteral("+3660 s");
        QTest::newRow("40 days forward")
            << qint64(1000 + 40 * 86400000LL) << QStringLiteral("+3456000 s");
    }
    void thresholds()
    {
        QFETCH(qint64, wallMovedMs);
        QFETCH(QString, step);
        const qint64 wall = 1796593380000;
        ClockStepDetector detector;
        QVERIFY(!detector.observe({wall, 5000}));
        const auto got = detector.observe({wall + wallMovedMs, 6000});
        QCOMPARE(got ? stepText(*got) : QString(), step);

        // Retention trusts the clock again only after 10 minutes in step.
        QCOMPARE(detector.steadyFor(1), step.isEmpty());
        detector.observe({wall + wallMovedMs + 599999, 6000 + 599999});
        QCOMPARE(detector.steadyFor(600000), step.isEmpty());
        detector.observe({wall + wallMovedMs + 600000, 6000 + 600000});
        QVERIFY(detector.steadyFor(600000));
    }

    // Each step is one row and one sentence, not one per check.
    void watchTellsEachStepOnce()
    {
        FixedClock clock;
        clock.at = QDateTime(QDate(2026, 12, 7), QTime(13, 0), Qt::UTC);
        clock.monotonic = 1000;
        ClockStepWatch watch(clock, 3600 * 1000);
        QSignalSpy rows(&watch, &ClockStepWatch::eventOccurred);
        QSignalSpy notices(&watch, &ClockStepWatch::operatorNotice);

        clock.at = clock.at.addSecs(-300);
        for (int i = 0; i < 3; ++i) {
            watch.check();
            *clock.monotonic += 1000;
            clock.at = clock.at.addSecs(1);
        }
        QCOMPARE(rows.count(), 1);
        QCOMPARE(notices.count(), 1);
        const auto row = rows[0][0].value<EventRecord>();
        QCOMPARE(row.event, QStringLiteral("clock_step"));
        QCOMPARE(row.value, QStringLiteral("-300 s"));
        QCOMPARE(row.time, QDateTime(QDate(2026, 12, 7), QTime(12, 55), Qt::UTC));
        QVERIFY2(row.detail.contains(QLatin1String("set back by about 5 minutes")),
                 qPrintable(row.detail));
    }
};

QTEST_GUILESS_MAIN(TestClockStep)
#include "tst_clockstep.moc"
