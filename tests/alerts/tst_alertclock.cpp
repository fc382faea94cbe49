// Alert delays on the monotonic clock: a wall clock set back or forward
// neither holds a retry back nor gives an alert up early, while the give-up
// still comes on time, even for an attempt that hangs; an attempt that
// outlives its time-out is ended and said.

#include "alerts/alertdispatcher.h"
#include "fakereceivers.h"
#include "support/fakes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;
using Mode = FakeReceiver::Mode;

class TestAlertClock : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void steppedWallClock_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<qint64>("wallStepS");
        QTest::addColumn<qint64>("monotonicStepMs");
        QTest::addColumn<bool>("givenUp");
        QTest::addColumn<bool>("failingTold");
        const qint64 day = 24 * 3600;
        const qint64 pause = 1000;
        const qint64 maxAge = day * 1000;
        QTest::newRow("wall back 300 s: retried")
            << int(Mode::Error500) << -300LL << pause + 1 << false << true;
        QTest::newRow("wall forward 40 days: retried, not given up")
            << int(Mode::Error500) << 40 * day << pause + 1 << false << true;
        QTest::newRow("wall back, a day on: given up")
            << int(Mode::Error500) << -300LL << maxAge + 1 << true << true;
        QTest::newRow("attempt hangs a day: ended, given up")
            << int(Mode::Silent) << 0LL << maxAge + 1 << true << false;
        QTest::newRow("attempt hangs past its time-out: ended, said")
            << int(Mode::Silent) << 0LL << qint64(60000 + 30000 + 1) << false << true;
    }
    void steppedWallClock()
    {
        QFETCH(int, fault);
        QFETCH(qint64, wallStepS);
        QFETCH(qint64, monotonicStepMs);
        QFETCH(bool, givenUp);
        QFETCH(bool, failingTold);
        FakeWebhook webhook;
        webhook.setMode(Mode(fault));
        FixedClock clock;
        clock.at = QDateTime(QDate(2026, 12, 7), QTime(3, 0), Qt::UTC);
        clock.monotonic = 5'000'000;
        DeliveryTiming timing;
        timing.firstPauseMs = 1000;
        timing.webhookTimeoutMs = 60000; // never reached in real time here
        QTemporaryDir dir;
        AlertDispatcher dispatcher(dir.filePath(QStringLiteral("history.db")), timing, clock);
        QSignalSpy failing(&dispatcher, &AlertDispatcher::channelFailing);
        QSignalSpy gaveUp(&dispatcher, &AlertDispatcher::gaveUp);
        QSignalSpy delivered(&dispatcher, &AlertDispatcher::delivered);
        Destinations to;
        to.webhookUrl = QStringLiteral("http://127.0.0.1:%1/hook").arg(webhook.port());
        dispatcher.configure(to);
        dispatcher.start();
        dispatcher.enqueue(QStringLiteral("a1"), R"({"state":"raised","alarm":"off_air"})", {}, 0);
        if (Mode(fault) == Mode::Error500)
            QVERIFY(failing.wait(15000));
        else
            QTRY_COMPARE_WITH_TIMEOUT(webhook.openConnections(), 1, 15000);

        clock.at = clock.at.addSecs(wallStepS);
        *clock.monotonic += monotonicStepMs;
        webhook.setMode(Mode::Accept);
        dispatcher.start(); // what the timer does when it fires

        if (givenUp) {
            QCOMPARE(gaveUp.size(), 1);
            QCOMPARE(gaveUp.at(0).at(0).toString(), QStringLiteral("a1"));
        } else if (Mode(fault) == Mode::Error500) {
            QTRY_COMPARE_WITH_TIMEOUT(webhook.accepted(), QStringList{"a1"}, 15000);
            QTRY_COMPARE(delivered.size(), 1);
        }
        QCOMPARE(gaveUp.size(), givenUp ? 1 : 0);
        QCOMPARE(failing.size(), failingTold ? 1 : 0);
        // A hanging attempt is ended, not left holding a connection.
        QTRY_COMPARE_WITH_TIMEOUT(webhook.openConnections(), 0, 15000);
    }

    // An alert from before a restart is aged from its stored wall-clock time,
    // once: a clock set back since makes it new, not immortal.
    void agedAfterRestart_data()
    {
        QTest::addColumn<qint64>("storedAgeS");
        QTest::addColumn<bool>("givenUpAtOnce");
        QTest::addColumn<bool>("givenUpADayOn");
        QTest::newRow("25 h old") << 25 * 3600LL << true << true;
        QTest::newRow("an hour old") << 3600LL << false << true;
        QTest::newRow("stored 40 days ahead of the clock") << -40 * 24 * 3600LL << false << true;
    }
    void agedAfterRestart()
    {
        QFETCH(qint64, storedAgeS);
        QFETCH(bool, givenUpAtOnce);
        QFETCH(bool, givenUpADayOn);
        FixedClock clock;
        clock.at = QDateTime(QDate(2026, 12, 7), QTime(3, 0), Qt::UTC);
        clock.monotonic = 5'000'000;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.db"));
        {
            OutboxStore before(path);
            QCOMPARE(before.open(), QString());
            QVERIFY(before.add(QStringLiteral("a1"), {channel::Webhook},
                               clock.at.addSecs(-storedAgeS).toMSecsSinceEpoch(), "{}"));
        }
        // The webhook is off: nothing is sent, the alert is only aged.
        AlertDispatcher dispatcher(path, DeliveryTiming(), clock);
        QSignalSpy gaveUp(&dispatcher, &AlertDispatcher::gaveUp);
        dispatcher.start();
        QCOMPARE(gaveUp.size(), givenUpAtOnce ? 1 : 0);
        *clock.monotonic += DeliveryTiming().maxAgeMs + 1;
        dispatcher.start();
        QCOMPARE(gaveUp.size(), givenUpADayOn ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestAlertClock)
#include "tst_alertclock.moc"
