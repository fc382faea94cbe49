// What an alert says and where its settings and outbox live: the subject a
// phone shows, the mail as the server gets it, the [Alerts] group read and
// written, and the outbox added to a database from before alerts.

#include "alerts/alertdocument.h"
#include "alerts/alertsettings.h"
#include "alerts/outboxstore.h"
#include "config/qtsettingsstore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;

namespace {

StatusUpdate reading()
{
    StatusUpdate u;
    u.time = QDateTime(QDate(2026, 12, 7), QTime(2, 40), Qt::UTC);
    u.record = {"A1",   true,   " 98.50", true, "480.0", "12.5",
                "47.9", "48.0", "--",     "75", "50",    "49"};
    return u;
}

AlertFacts facts(const QString& state, const QString& alarm, const QString& value,
                 const QString& severity = QString(), const QString& site = QString(),
                 const QString& role = QStringLiteral("single"))
{
    const QDateTime t(QDate(2026, 12, 7), QTime(2, 41), Qt::UTC);
    return {QStringLiteral("0b7c"),
            state,
            alarm,
            QStringLiteral("Studio A"),
            t,
            t,
            value,
            QString(),
            reading(),
            severity,
            site,
            role};
}

} // namespace

class TestAlerts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void subject_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("alarm");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("subject");
        // The webhook's value and unit, as compact JSON.
        QTest::addColumn<QString>("valueAndUnit");
        QTest::addColumn<QString>("severity");
        QTest::newRow("raised, with unit")
            << "raised"
            << "over_temperature"
            << "47.9" << QStringLiteral("RAISED Over temperature 47.9 C \u2014 Studio A")
            << R"([47.9,"C"])" << QString();
        QTest::newRow("reminder") << "reminder"
                                  << "off_air"
                                  << "OFF" << QStringLiteral("REMINDER Off air OFF \u2014 Studio A")
                                  << R"(["OFF",null])" << QString();
        QTest::newRow("frequency")
            << "raised"
            << "unlocked"
            << "98.50 MHz" << QStringLiteral("RAISED Frequency unlocked 98.50 MHz \u2014 Studio A")
            << R"([98.5,"MHz"])" << QString();
        QTest::newRow("reflect") << "raised"
                                 << "high_reflect"
                                 << "35.0 W of 500.0 W"
                                 << QStringLiteral("RAISED High reflected power 35.0 W of 500.0 W "
                                                   "\u2014 Studio A")
                                 << R"([35,"W"])" << QString();
        QTest::newRow("readback") << "not_confirmed"
                                  << "readback"
                                  << "carrier ON, 98.50 MHz"
                                  << QStringLiteral("NOT CONFIRMED Readback carrier ON, 98.50 MHz "
                                                    "\u2014 Studio A")
                                  << R"(["carrier ON, 98.50 MHz",null])" << QString();
        QTest::newRow("no value") << "cleared"
                                  << "link_lost"
                                  << "" << QStringLiteral("CLEARED Link lost \u2014 Studio A")
                                  << R"(["",null])" << QString();
        // An alert stored before the value became a number still reads.
        QTest::newRow("stored before")
            << "raised"
            << "stored"
            << "47.9 C" << QStringLiteral("RAISED stored 47.9 C \u2014 Studio A")
            << R"(["47.9 C",null])" << QString();
        QTest::newRow("critical, a new kind")
            << "raised"
            << "low_power"
            << "240.0 W of 500 W target"
            << QStringLiteral("RAISED CRITICAL Low power 240.0 W of 500 W target \u2014 Studio A")
            << R"(["240.0 W of 500 W target",null])"
            << "critical";
        QTest::newRow("escalated, a reading's own limit")
            << "escalated"
            << "pa_voltage_v_low"
            << "41.0 V"
            << QStringLiteral("ESCALATED CRITICAL pa_voltage_v low 41.0 V \u2014 Studio A")
            << R"(["41.0 V",null])"
            << "critical";
        QTest::newRow("warning reminder")
            << "reminder"
            << "silence"
            << "" << QStringLiteral("REMINDER WARNING Silence \u2014 Studio A") << R"(["",null])"
            << "warning";
    }
    void subject()
    {
        QFETCH(QString, state);
        QFETCH(QString, alarm);
        QFETCH(QString, value);
        QFETCH(QString, subject);
        QFETCH(QString, valueAndUnit);
        QFETCH(QString, severity);
        QJsonObject d = alertDocument(facts(state, alarm, value, severity));
        // The webhook carries it too, null where the row has none.
        QCOMPARE(d.value("severity").toString(), severity);
        QCOMPARE(d.value("severity").isNull(), severity.isEmpty());
        if (alarm == u"stored")
            d.remove(QStringLiteral("value_text"));
        QCOMPARE(alertSubject(d), subject);
        QCOMPARE(QJsonDocument(QJsonArray{d.value("value"), d.value("unit")})
                     .toJson(QJsonDocument::Compact),
                 valueAndUnit.toUtf8());
    }

    // The id a receiver drops repeats by, a subject that survives 7-bit
    // headers, and dashes as null rather than a number.
    void mailAndDocument()
    {
        QJsonObject d = alertDocument(facts("raised", "over_temperature", "47.9"));
        QCOMPARE(d.value("record").toObject().value("pa_current_a").type(), QJsonValue::Null);
        QCOMPARE(d.value("record").toObject().value("frequency_mhz").toDouble(), 98.5);
        const QByteArray m =
            mailMessage(d, "monitor@example.org", {"a@example.org", "b@example.org"}, QDateTime());
        QVERIFY(m.contains("\r\nMessage-ID: <0b7c@zel-fm-monitor>\r\n"));
        QVERIFY(m.contains("\r\nTo: a@example.org, b@example.org\r\n"));
        QVERIFY(m.contains("\r\nSubject: =?UTF-8?B?"));
        QVERIFY(m.contains("Device ID:     A1\r\n"));
        QVERIFY(m.contains("\r\nX-Zel-Alarm: over_temperature\r\n"));
        QVERIFY(m.contains("Alarm:         Over temperature (over_temperature) raised\r\n"));
        // The test runs with TZ=CET-1: local time beside UTC.
        QVERIFY(m.contains(
            "Started:       2026-12-07T02:41:00.000Z (2026-12-07 03:41:00 CET here)\r\n"));
        // The record is a minute older than the alert.
        QVERIFY(m.contains("serial link; no data for 60 s):"));
        QVERIFY(!m.contains("\n\n")); // bare line feeds upset strict servers
        QVERIFY(m.contains("  Forward:     480.0 W\r\n"));
        // The raise's row once the history holds it: what the command line takes.
        d.insert("event_id", 42);
        QVERIFY(mailMessage(d, "m@example.org", {"a@example.org"}, QDateTime())
                    .contains("\r\nEvent 42 in the log; zel-fm-history ack 42 acknowledges it."));
    }

    // Where the transmitter stands and its role, in the mail and the
    // webhook; a single one without a site reads as before.
    void siteAndRole_data()
    {
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("json");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("single, no site") << ""
                                         << "single"
                                         << R"([null,"single"])" << QStringList{};
        QTest::newRow("standby at a site")
            << "North Ridge"
            << "standby"
            << R"(["North Ridge","standby"])"
            << QStringList{"Site:          North Ridge", "Role:          standby"};
        QTest::newRow("main") << ""
                              << "main"
                              << R"([null,"main"])" << QStringList{"Role:          main"};
    }
    void siteAndRole()
    {
        QFETCH(QString, site);
        QFETCH(QString, role);
        QFETCH(QStringList, lines);
        const QJsonObject d =
            alertDocument(facts("raised", "over_temperature", "47.9", {}, site, role));
        QTEST(QString::fromUtf8(QJsonDocument(QJsonArray{d.value("site"), d.value("role")})
                                    .toJson(QJsonDocument::Compact)),
              "json");
        QCOMPARE(alertSubject(d), QStringLiteral("RAISED Over temperature 47.9 C \u2014 Studio A"));
        const QStringList body = alertBody(d).split(u'\n');
        QCOMPARE(body.mid(1, lines.size()), lines);
        QVERIFY(body.at(lines.size() + 1).startsWith(u"Device ID:"));
    }

    void settings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<int>("repeat");
        QTest::addColumn<int>("problems");
        const QStringList all = alertKinds();
        QTest::newRow("defaults") << QByteArray() << all << 30 << 0;
        QTest::newRow("chosen kinds, no reminders")
            << QByteArray("Kinds=\"off_air, readback\"\nRepeatMinutes=0\n")
            << QStringList{"off_air", "readback"} << 0 << 0;
        QTest::newRow("unknown kind, bad repeat")
            << QByteArray("Kinds=off_air,overheat\nRepeatMinutes=-5\n") << QStringList{"off_air"}
            << 30 << 2;
        QTest::newRow("mail without recipients")
            << QByteArray("MailUrl=smtp://mail.example.org\n") << all << 30 << 1;
        QTest::newRow("not a mail address")
            << QByteArray("MailUrl=http://x\nMailTo=a@b\nWebhookUrl=ftp://y\n") << all << 30 << 2;
        QTest::newRow("flap limits out of range")
            << QByteArray("FlapChanges=many\nFlapMinutes=0\n") << all << 30 << 2;
        QTest::newRow("min severity unknown")
            << QByteArray("MinSeverity=major\n") << all << 30 << 1;
    }
    void settings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, kinds);
        QFETCH(int, repeat);
        QFETCH(int, problems);
        QTemporaryDir dir;
        QFile file(dir.filePath("ZEL.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Alerts]\n" + ini);
        file.close();
        const AlertSettings s = readAlertSettings(QtSettingsStore(file.fileName()));
        QCOMPARE(s.kinds, kinds);
        QCOMPARE(s.repeatMinutes, repeat);
        QCOMPARE(s.problems.size(), problems);
        QVERIFY(!s.station.name.isEmpty());
    }

    // Kept private even when the program saves other settings afterwards.
    void passwordKeptFromOthers()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("ZEL.ini");
        QtSettingsStore store(path);
        store.write("Setting", "CommON", "1");
        QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOther));
        AlertSettings s;
        s.mailPassword = "s3cret";
        QString problem;
        QVERIFY2(writeAlertSettings(store, s, &problem), qPrintable(problem));
        store.write("Setting", "CommON", "0");
        const auto ownerOnly =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(QFile::permissions(path) & ~ownerOnly, QFile::Permissions());

        QFile secret(dir.filePath("password"));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("from file\n");
        secret.close();
        s.mailPasswordFile = secret.fileName();
        QCOMPARE(mailPassword(s, &problem), QStringLiteral("from file"));
    }

    // A database from before alerts gains the outbox and keeps its log,
    // which the outbox reads to drop reminders of acknowledged alarms.
    void outboxJoinsAnOlderDatabase()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("history.db");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "old");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (const char* sql :
                 {"CREATE TABLE schema_version (version INTEGER NOT NULL)",
                  "INSERT INTO schema_version VALUES (1)",
                  "CREATE TABLE events (id INTEGER PRIMARY KEY AUTOINCREMENT, t INTEGER NOT NULL,"
                  " event TEXT NOT NULL, state TEXT NOT NULL, value TEXT NOT NULL DEFAULT '',"
                  " detail TEXT NOT NULL DEFAULT '', user TEXT NOT NULL DEFAULT '', ack_of "
                  "INTEGER)",
                  "INSERT INTO events (t, event, state) VALUES (1000, 'off_air', 'raised')",
                  "INSERT INTO events (t, event, state) VALUES (2000, 'unlocked', 'raised')",
                  "INSERT INTO events (t, event, state, ack_of) VALUES (3000, 'off_air', "
                  "'acknowledged', 1)",
                  // Raised again since: its latest raise is not acknowledged.
                  "INSERT INTO events (t, event, state) VALUES (4000, 'off_air', 'raised')",
                  "INSERT INTO events (t, event, state) VALUES (5000, 'high_reflect', 'raised')",
                  "INSERT INTO events (t, event, state, ack_of) VALUES (6000, 'high_reflect', "
                  "'acknowledged', 5)"})
                QVERIFY2(q.exec(sql), sql);
        }
        QSqlDatabase::removeDatabase("old");

        OutboxStore outbox(path);
        QCOMPARE(outbox.open(), QString());
        QVERIFY(outbox.acknowledged("off_air", 1000));
        QVERIFY(!outbox.acknowledged("unlocked", 2000));
        QCOMPARE(outbox.acknowledgedKinds(), QStringList{"high_reflect"});
        QVERIFY(outbox.add("x", {"mail", "webhook"}, 5000, "{}"));
        QCOMPARE(outbox.oldest("webhook")->id, QStringLiteral("x"));
    }
};

QTEST_GUILESS_MAIN(TestAlerts)
#include "tst_alerts.moc"
