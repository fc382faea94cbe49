// An alarm that keeps raising and clearing: more than four changes in ten
// minutes send one FLAPPING alert instead of a mail per change, and once it
// has been steady ten minutes one summary; other kinds go on as before.

#include "alerts/alertcomposer.h"
#include "alerts/alertdocument.h"
#include "alerts/flapdetector.h"
#include "history/alertraise.h"
#include "support/fakes.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace zel;
using Verdict = FlapDetector::Verdict;

namespace {

constexpr qint64 Minute = 60000;

QString subjectOf(const QList<QVariant>& alert)
{
    return alertSubject(QJsonDocument::fromJson(alert.at(1).toByteArray()).object());
}

// Every kind alerts, from station.
AlertSettings settingsFor(const QString& station, int repeatMinutes,
                          const QString& minSeverity = severity::Warning)
{
    AlertSettings settings;
    settings.station.name = station;
    settings.repeatMinutes = repeatMinutes;
    settings.kinds = alertKinds();
    settings.minSeverity = minSeverity;
    return settings;
}

} // namespace

class TestAlertFlapping : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Changes alternate raise, clear, ... at the given minutes.
    void detector_data()
    {
        QTest::addColumn<QList<qint64>>("minutes");
        QTest::addColumn<QString>("verdicts"); // P pass, F flapping, H held
        QTest::addColumn<qint64>("settleAt");  // minutes
        QTest::addColumn<int>("raises");       // in the summary; -1: none
        QTest::addColumn<qint64>("raisedMinutes");
        QTest::newRow("4 changes: not flapping")
            << QList<qint64>{0, 1, 2, 3} << "PPPP" << 13LL << -1 << 0LL;
        QTest::newRow("5 changes spread over 10 min: not flapping")
            << QList<qint64>{0, 3, 5, 8, 10} << "PPPPP" << 20LL << -1 << 0LL;
        QTest::newRow("5 changes in 10 min: flapping, not yet steady")
            << QList<qint64>{0, 1, 2, 3, 4} << "PPPPF" << 13LL << -1 << 0LL;
        QTest::newRow("steady 10 min: one summary, still raised")
            << QList<qint64>{0, 1, 2, 3, 4, 5, 6} << "PPPPFHH" << 16LL << 4 << 13LL;
        QTest::newRow("steady 10 min: one summary, cleared")
            << QList<qint64>{0, 1, 2, 3, 4, 5} << "PPPPFH" << 15LL << 3 << 3LL;
    }
    void detector()
    {
        QFETCH(QList<qint64>, minutes);
        QFETCH(QString, verdicts);
        QFETCH(qint64, settleAt);
        QFETCH(int, raises);
        QFETCH(qint64, raisedMinutes);
        const QString kind = QStringLiteral("over_temperature");
        FlapDetector flaps(4, 10 * Minute);
        QString seen;
        for (qsizetype i = 0; i < minutes.size(); ++i) {
            const Verdict v = flaps.change(kind, i % 2 == 0, minutes[i] * Minute);
            seen += v == Verdict::Pass ? u'P' : v == Verdict::Flapping ? u'F' : u'H';
        }
        QCOMPARE(seen, verdicts);
        // Another kind is never held by it.
        QCOMPARE(flaps.change(QStringLiteral("off_air"), true, minutes.last() * Minute),
                 Verdict::Pass);
        const auto summaries = flaps.settle(settleAt * Minute);
        QCOMPARE(summaries.size(), raises < 0 ? 0 : 1);
        if (raises >= 0) {
            QCOMPARE(summaries[0].raises, raises);
            QCOMPARE(summaries[0].raisedMs, raisedMinutes * Minute);
            QCOMPARE(summaries[0].raised, minutes.size() % 2 == 1);
            QVERIFY(flaps.settle(settleAt * Minute + Minute).isEmpty()); // told once
            QCOMPARE(flaps.change(kind, true, settleAt * Minute + Minute), Verdict::Pass);
        }
    }

    // The alerts the composer sends, wall clock stepped back meanwhile: the
    // flap is judged on the monotonic clock.
    void composer()
    {
        FixedClock clock;
        clock.at = QDateTime(QDate(2026, 12, 7), QTime(3, 0), Qt::UTC);
        clock.monotonic = 0;
        AlertComposer composer(clock);
        composer.configure(settingsFor(QStringLiteral("Studio A"), 0));
        QSignalSpy alerts(&composer, &AlertComposer::alert);
        for (int i = 0; i < 7; ++i) {
            *clock.monotonic = i * Minute;
            clock.at = clock.at.addSecs(-300);
            composer.eventOccurred({0, clock.at, alarm::OverTemperature,
                                    i % 2 == 0 ? eventstate::Raised : eventstate::Cleared,
                                    QStringLiteral("47.9"), QString(), QString(), QString()});
        }
        composer.eventOccurred({0, clock.at, alarm::OffAir, eventstate::Raised,
                                QStringLiteral("OFF"), QString(), QString(), QString()});
        QCOMPARE(alerts.size(), 6);
        QCOMPARE(subjectOf(alerts.at(4)),
                 QStringLiteral("FLAPPING Over temperature: 5 changes in 10 min"));
        QCOMPARE(subjectOf(alerts.at(5)), QStringLiteral("RAISED Off air OFF \u2014 Studio A"));
        // Its id names the raise, which the command line acknowledges by.
        QVERIFY(history::raiseInAlertId(alerts.at(5).at(0).toString()) ==
                history::AlarmRaise(alarm::OffAir, clock.at.toMSecsSinceEpoch()));

        *clock.monotonic = 16 * Minute;
        composer.settleFlaps();
        QCOMPARE(alerts.size(), 7);
        QCOMPARE(subjectOf(alerts.at(6)),
                 QStringLiteral("STEADY Over temperature: 4 raises, raised 13 min in all, now "
                                "raised"));
    }

    // One alarm's rows, a minute apart ("state severity" each), then half an
    // hour for a reminder while it is still raised: the subjects sent.
    void severities_data()
    {
        QTest::addColumn<QString>("minSeverity");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("subjects");
        const QString tail = QStringLiteral(" 240.0 W \u2014 Hilltop");
        QTest::newRow("warning raised and cleared")
            << "warning" << QStringList{"raised warning", "cleared warning"}
            << QStringList{"RAISED WARNING Low power" + tail, "CLEARED WARNING Low power" + tail};
        QTest::newRow("warning below MinSeverity=critical: nothing")
            << "critical" << QStringList{"raised warning", "suspended warning", "cleared warning"}
            << QStringList{};
        QTest::newRow("escalated: one alert, none for easing, reminder as it stands")
            << "warning"
            << QStringList{"raised warning", "escalated critical", "suspended critical",
                           "eased warning"}
            << QStringList{"RAISED WARNING Low power" + tail, "ESCALATED CRITICAL Low power" + tail,
                           "REMINDER WARNING Low power" + tail};
        QTest::newRow("escalated past MinSeverity: told, cleared told too")
            << "critical"
            << QStringList{"raised warning", "escalated critical", "eased warning",
                           "cleared warning"}
            << QStringList{"ESCALATED CRITICAL Low power" + tail,
                           "CLEARED WARNING Low power" + tail};
    }
    void severities()
    {
        QFETCH(QString, minSeverity);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, subjects);
        FixedClock clock;
        clock.at = QDateTime(QDate(2026, 12, 7), QTime(3, 0), Qt::UTC);
        clock.monotonic = 0;
        AlertComposer composer(clock);
        composer.configure(settingsFor(QStringLiteral("Hilltop"), 30, minSeverity));
        QSignalSpy alerts(&composer, &AlertComposer::alert);
        for (const QString& row : rows) {
            *clock.monotonic += Minute;
            const QStringList words = row.split(u' ');
            composer.eventOccurred({0, clock.at, alarm::LowPower, words[0],
                                    QStringLiteral("240.0 W"), QString(), QString(), words[1]});
        }
        *clock.monotonic += 30 * Minute;
        composer.remind();
        QStringList sent;
        for (const QList<QVariant>& alert : alerts)
            sent << subjectOf(alert);
        QCOMPARE(sent, subjects);
    }
};

QTEST_GUILESS_MAIN(TestAlertFlapping)
#include "tst_alertflapping.moc"
