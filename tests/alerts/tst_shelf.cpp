// Shelving for maintenance: a shelf ends when its time is up on the monotonic
// clock or by hand, whatever the wall clock does, never later than the longest
// shelf; a shelved kind is logged, marked, and sends nothing.

#include "alarms/shelf.h"
#include "alerts/alertcomposer.h"
#include "alerts/alertdocument.h"
#include "support/fakes.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace zel;

namespace {

constexpr qint64 Minute = 60000;

} // namespace

class TestShelf : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Steps: "shelve KINDS MINUTES" (a row written then, as the command line
    // writes it), "unshelve KINDS", "expired KINDS MINUTES" (another
    // monitor's row for a shelf of that length from the start), "pass
    // MINUTES" (both clocks), "step MINUTES" (the wall clock alone).
    void expiry_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("shelved"); // after the steps
        QTest::addColumn<QStringList>("rows");    // the shelf's own, "state value"
        QTest::newRow("ends when its time is up") << QStringList{"shelve low_power 120", "pass 119"}
                                                  << QStringList{"low_power"} << QStringList{};
        QTest::newRow("ends once, logged")
            << QStringList{"shelve low_power,silence 120", "pass 121", "pass 60"} << QStringList{}
            << QStringList{"expired low_power,silence"};
        QStringList rest = alarm::all();
        rest.removeOne(alarm::LowPower);
        rest.sort();
        QTest::newRow("unshelved by hand, one kind of all")
            << QStringList{"shelve all 120", "unshelve low_power", "pass 10"} << rest
            << QStringList{};
        QTest::newRow("wall clock stepped forward: not early")
            << QStringList{"shelve silence 120", "step 180", "pass 60"} << QStringList{"silence"}
            << QStringList{};
        QTest::newRow("wall clock stepped back: not stretched")
            << QStringList{"shelve silence 120", "step -300", "pass 120"} << QStringList{}
            << QStringList{"expired silence"};
        QTest::newRow("longer than MaxShelveHours by hand: cut to it")
            << QStringList{"shelve silence 1200", "pass 719"} << QStringList{"silence"}
            << QStringList{};
        QTest::newRow("cut to MaxShelveHours, then ends")
            << QStringList{"shelve silence 1200", "pass 720"} << QStringList{}
            << QStringList{"expired silence"};
        QTest::newRow("an older shelf's end leaves the newer")
            << QStringList{"shelve low_power 60", "shelve low_power 120", "expired low_power 60"}
            << QStringList{"low_power"} << QStringList{};
        QTest::newRow("ended while the monitor was away: logged at once")
            << QStringList{"shelve low_power -10"} << QStringList{}
            << QStringList{"expired low_power"};
    }
    void expiry()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, shelved);
        QFETCH(QStringList, rows);
        FixedClock clock;
        const QDateTime start(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        clock.at = start;
        clock.monotonic = 0;
        Shelf shelf(clock, 12, QStringLiteral("alice"));
        QSignalSpy logged(&shelf, &Shelf::eventOccurred);
        qint64 id = 0;
        const auto found = [&](EventRecord row) {
            row.id = ++id;
            shelf.rowsFound({row});
        };
        for (const QString& step : steps) {
            const QStringList w = step.split(u' ');
            const qint64 minutes = w.size() > 2 ? w[2].toLongLong() : w.value(1).toLongLong();
            const QStringList kinds = shelfKinds(w.value(1));
            if (w[0] == u"shelve")
                found(shelvedRow(kinds, clock.at, clock.at.addMSecs(minutes * Minute),
                                 QStringLiteral("antenna work"), QStringLiteral("bob")));
            else if (w[0] == u"unshelve")
                found(unshelvedRow(kinds, clock.at, QStringLiteral("bob")));
            else if (w[0] == u"expired")
                found(expiredRow(kinds, clock.at,
                                 {0, start.addMSecs(minutes * Minute), "antenna work", "bob"}));
            if (w[0] == u"pass")
                *clock.monotonic += minutes * Minute;
            if (w[0] == u"pass" || w[0] == u"step")
                clock.at = clock.at.addMSecs(minutes * Minute);
            shelf.expire();
        }
        QCOMPARE(shelf.shelves().keys(), shelved);
        QStringList seen;
        for (const QList<QVariant>& row : logged) {
            const auto e = row.at(0).value<EventRecord>();
            seen << e.state + u' ' + e.value;
            // Read back from the log, the shelf's own row changes nothing.
            found(e);
        }
        QCOMPARE(seen, rows);
        QCOMPARE(shelf.shelves().keys(), shelved);
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("refusal"); // empty: a row is written
        QTest::newRow("all kinds, 12 h") << QStringList{} << "12h"
                                         << "mast"
                                         << "";
        QTest::newRow("past MaxShelveHours")
            << QStringList{"silence"} << "12h1m"
            << "mast"
            << "a shelf lasts at most 12 h ([Alarms] MaxShelveHours); 12h1m is longer";
        QTest::newRow("unknown kind") << QStringList{"overheat"} << "1h"
                                      << "mast"
                                      << "no alarm kind: overheat";
        QTest::newRow("no reason") << QStringList{"silence"} << "30m"
                                   << " \n"
                                   << "a shelf needs a reason";
        QTest::newRow("no time") << QStringList{"silence"} << "0m"
                                 << "mast"
                                 << "a shelf needs a time";
    }
    void refused()
    {
        QFETCH(QStringList, kinds);
        QFETCH(QString, duration);
        QFETCH(QString, reason);
        QFETCH(QString, refusal);
        FixedClock clock;
        clock.at = QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        Shelf shelf(clock, 12, QStringLiteral("alice"));
        QSignalSpy logged(&shelf, &Shelf::eventOccurred);
        QCOMPARE(shelf.shelve(kinds, parseShelfDuration(duration).value_or(0), reason), refusal);
        QCOMPARE(logged.size(), refusal.isEmpty() ? 1 : 0);
        if (refusal.isEmpty()) {
            const auto row = logged.at(0).at(0).value<EventRecord>();
            QCOMPARE(row.value, QStringLiteral("all"));
            QCOMPARE(row.detail, QStringLiteral("until 2026-12-08T00:00:00.000Z: mast"));
            QCOMPARE(row.user, QStringLiteral("alice"));
        }
    }

    // Every row of a shelved kind is marked and sends nothing, its reminders
    // included; another kind alerts as before. At the shelf's end an alarm
    // still raised is sent, and reminded of again.
    void shelvedKindSendsNothing()
    {
        FixedClock clock;
        clock.at = QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        clock.monotonic = 0;
        Shelf shelf(clock, 12, QStringLiteral("alice"));
        EventRecord row = shelvedRow({alarm::LowPower}, clock.at, clock.at.addSecs(7200),
                                     QStringLiteral("antenna work"), QStringLiteral("alice"));
        row.id = 1;
        shelf.rowsFound({row});
        AlertComposer composer(clock);
        composer.setShelf(&shelf);
        AlertSettings settings;
        settings.kinds = alertKinds();
        settings.repeatMinutes = 30;
        settings.station.name = QStringLiteral("Hilltop");
        composer.configure(settings);
        QSignalSpy alerts(&composer, &AlertComposer::alert);
        const auto occur = [&](const QString& kind, const QString& state, const QString& severity) {
            const EventRecord e = shelf.marked(
                {0, clock.at, kind, state, QStringLiteral("240.0 W"), "fell", QString(), severity});
            composer.eventOccurred(e);
            return e.detail;
        };
        // The test runs with TZ=CET-1.
        QCOMPARE(occur(alarm::LowPower, eventstate::Raised, severity::Warning),
                 QStringLiteral("fell; shelved until 15:00 by alice (antenna work)"));
        occur(alarm::LowPower, eventstate::Escalated, severity::Critical);
        QCOMPARE(occur(alarm::OffAir, eventstate::Raised, severity::Critical),
                 QStringLiteral("fell"));
        *clock.monotonic += 31 * Minute;
        composer.remind();
        QCOMPARE(alerts.size(), 2); // off_air's raise and reminder
        occur(alarm::LowPower, eventstate::Cleared, severity::Critical);
        occur(alarm::LowPower, eventstate::Raised, severity::Warning);
        QCOMPARE(alerts.size(), 2);
        *clock.monotonic += 120 * Minute;
        clock.at = clock.at.addSecs(7200);
        shelf.expire();
        // Still raised and nobody told: said as the shelf ends.
        QCOMPARE(alerts.size(), 3);
        QCOMPARE(alertSubject(QJsonDocument::fromJson(alerts.at(2).at(1).toByteArray()).object()),
                 QStringLiteral("RAISED WARNING Low power 240.0 W \u2014 Hilltop"));
        composer.remind();
        QCOMPARE(alerts.size(), 5); // both reminders now
    }
};

QTEST_GUILESS_MAIN(TestShelf)
#include "tst_shelf.moc"
