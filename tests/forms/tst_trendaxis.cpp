#include "forms/trendaxis.h"

#include <QDateTime>
#include <QTest>

#include <cmath>

using namespace zel;

class TestTrendAxis : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void valueScaleHoldsTheDataInRoundSteps_data()
    {
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<int>("maxTicks");
        QTest::addColumn<double>("minSpan");
        QTest::newRow("forward power") << 500.0 << 520.0 << 4 << 1.0;
        QTest::newRow("off air to full power") << -3.0 << 517.0 << 5 << 1.0;
        QTest::newRow("flat frequency") << 98.5 << 98.5 << 3 << 0.1;
        QTest::newRow("flat zero") << 0.0 << 0.0 << 2 << 10.0;
        QTest::newRow("one tick") << 7.1 << 7.9 << 1 << 1.0;
        QTest::newRow("temperature") << 33.7 << 48.2 << 3 << 1.0;
    }

    void valueScaleHoldsTheDataInRoundSteps()
    {
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(int, maxTicks);
        QFETCH(double, minSpan);
        const ValueScale s = niceScale(lo, hi, maxTicks, minSpan);
        QVERIFY(s.lo <= lo + 1e-9 && s.hi >= hi - 1e-9);
        QVERIFY(s.hi - s.lo >= minSpan - 1e-9);
        QVERIFY(std::lround((s.hi - s.lo) / s.step) <= maxTicks);
        // 1, 2, 2.5 or 5 times a power of ten, and both ends on a step.
        const double mantissa = s.step / std::pow(10.0, std::floor(std::log10(s.step)));
        QVERIFY2(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                     std::abs(mantissa - 2.5) < 1e-9 || std::abs(mantissa - 5) < 1e-9,
                 qPrintable(QString::number(s.step)));
        for (double end : {s.lo, s.hi})
            QVERIFY(std::abs(end / s.step - std::round(end / s.step)) < 1e-6);
    }

    void timeTicksFallOnRoundLocalTimes_data()
    {
        QTest::addColumn<qint64>("span");
        QTest::addColumn<int>("maxTicks");
        QTest::addColumn<int>("minuteStep"); // 0: midnights, -1: firsts of the month
        QTest::newRow("an hour") << qint64(3600) << 8 << 10;
        QTest::newRow("a day") << qint64(86400) << 9 << 180;
        QTest::newRow("a week") << qint64(7 * 86400) << 8 << 0;
        QTest::newRow("a year") << qint64(365 * 86400) << 7 << -1;
    }

    void timeTicksFallOnRoundLocalTimes()
    {
        QFETCH(qint64, span);
        QFETCH(int, maxTicks);
        QFETCH(int, minuteStep);
        const qint64 to = 1796593397; // 2026-12-06T21:43:17Z, nothing round
        const QList<TimeTick> ticks = timeTicks(to - span, to, maxTicks);
        QVERIFY(ticks.size() >= 2 && ticks.size() <= maxTicks);
        for (const TimeTick& tick : ticks) {
            QVERIFY(tick.t >= to - span && tick.t < to);
            QVERIFY(!tick.label.isEmpty());
            const QDateTime local = QDateTime::fromSecsSinceEpoch(tick.t);
            QCOMPARE(local.time().second(), 0);
            if (minuteStep > 0)
                QCOMPARE((local.time().hour() * 60 + local.time().minute()) % minuteStep, 0);
            else
                QCOMPARE(local.time(), QTime(0, 0));
            if (minuteStep < 0)
                QCOMPARE(local.date().day(), 1);
        }
    }
};

QTEST_MAIN(TestTrendAxis)
#include "tst_trendaxis.moc"
