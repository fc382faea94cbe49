#include "alarms/alarmsettings.h"
#include "alarms/currentuser.h"
#include "alarms/eventlog.h"
#include "config/qtsettingsstore.h"
#include "support/fakes.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace zel;

namespace {

const QDateTime Now(QDate(2026, 5, 4), QTime(10, 0, 5), Qt::UTC);

SetValues onAt9850()
{
    return *SetValues::fromCommand(QByteArray::fromHex("5331267A01F4642D0D"));
}

} // namespace

using Occurrence = std::function<void(EventLog&)>;

class TestEventLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rows_data()
    {
        QTest::addColumn<Occurrence>("act");
        QTest::addColumn<QStringList>("row"); // event, state, value, detail, user

        QTest::newRow("set command sent on the serial line, no message")
            << Occurrence([](EventLog& l) { l.setCommand(onAt9850(), "serial", true, {}); })
            << QStringList{"set_command", "info",
                           "carrier ON, 98.50 MHz, forward 500 W, reflect limit 100 W, "
                           "temperature limit 45 C",
                           "link serial; sent; no message shown", "op1"};
        QTest::newRow("set command that did not reach the gateway")
            << Occurrence([](EventLog& l) {
                   l.setCommand(onAt9850(), "gateway 10.0.0.5 port 5000", false,
                                "The set command was not sent to 10.0.0.5 port 5000: refused");
               })
            << QStringList{"set_command", "failed",
                           "carrier ON, 98.50 MHz, forward 500 W, reflect limit 100 W, "
                           "temperature limit 45 C",
                           "link gateway 10.0.0.5 port 5000; not sent; operator told \"The set "
                           "command was not sent to 10.0.0.5 port 5000: refused\"",
                           "op1"};
        QTest::newRow("address command")
            << Occurrence([](EventLog& l) { l.addressCommand("300", true, "Address sent"); })
            << QStringList{"address_command", "info", "300", "sent; operator told \"Address sent\"",
                           "op1"};
        QTest::newRow("login refused: the name typed, never the password")
            << Occurrence([](EventLog& l) { l.login(false, "admin"); })
            << QStringList{"login", "failed", "admin", "refused", "op1"};
        QTest::newRow("login succeeded")
            << Occurrence([](EventLog& l) { l.login(true, "admin"); })
            << QStringList{"login", "info", "admin", "succeeded", "op1"};
        QTest::newRow("setup saved: old to new per key")
            << Occurrence([](EventLog& l) {
                   l.setupSaved({{"CommON", "1", "0"}, {"IP", "0.0.0.0", "10.0.0.5"}});
               })
            << QStringList{"setup", "info", "2 changed",
                           "CommON: \"1\" -> \"0\"; IP: \"0.0.0.0\" -> \"10.0.0.5\"", "op1"};
        QTest::newRow("monitor started")
            << Occurrence([](EventLog& l) { l.monitorStarted(); })
            << QStringList{"monitor", "info", "2.0.3", "started", "op1"};
        QTest::newRow("acknowledged by the user given")
            << Occurrence([](EventLog& l) {
                   l.acknowledge(42, "off_air", QDateTime(QDate(2026, 5, 4), QTime(9, 58)), "op2");
               })
            << QStringList{
                   "off_air", "acknowledged", "42",
                   "alarm of " +
                       QDateTime(QDate(2026, 5, 4), QTime(9, 58)).toUTC().toString(Qt::ISODate),
                   "op2"};
    }

    void rows()
    {
        QFETCH(Occurrence, act);
        QFETCH(QStringList, row);
        FixedClock clock;
        clock.at = Now.toLocalTime();
        EventLog log(clock, QStringLiteral("op1"));
        QSignalSpy spy(&log, &EventLog::eventOccurred);
        act(log);
        QCOMPARE(spy.count(), 1);
        const auto e = spy[0][0].value<EventRecord>();
        QCOMPARE(e.time, Now);
        QCOMPARE(e.time.timeSpec(), Qt::UTC);
        QCOMPARE((QStringList{e.event, e.state, e.value, e.detail, e.user}), row);
    }

    void userNameFromTheEnvironment()
    {
        const QByteArray user = qgetenv("USER");
        const QByteArray logname = qgetenv("LOGNAME");
        qputenv("USER", "alice");
        qputenv("LOGNAME", "bob");
        QCOMPARE(currentUserName(), QStringLiteral("alice"));
        qunsetenv("USER");
        QCOMPARE(currentUserName(), QStringLiteral("bob"));
        qunsetenv("LOGNAME");
        QVERIFY(!currentUserName().isEmpty()); // the password database
        qputenv("USER", user);
        qputenv("LOGNAME", logname);
    }

    void settings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QList<int>>("seconds"); // qualify, clear, readback
        QTest::addColumn<int>("problems");

        QTest::newRow("absent: defaults") << QByteArray() << QList<int>{3, 3, 10} << 0;
        QTest::newRow("set, 0 allowed")
            << QByteArray("[Alarms]\nQualifySeconds=0\nClearSeconds= 5 \nReadbackSeconds=30\n")
            << QList<int>{0, 5, 30} << 0;
        QTest::newRow("bad text keeps the default and says so")
            << QByteArray("[Alarms]\nQualifySeconds=abc\nClearSeconds=-1\nReadbackSeconds=0\n")
            << QList<int>{3, 3, 10} << 3;
        QTest::newRow("fractions and huge values refused")
            << QByteArray("[Alarms]\nQualifySeconds=2.5\nClearSeconds=99999\n")
            << QList<int>{3, 3, 10} << 2;
    }

    void settings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QList<int>, seconds);
        QFETCH(int, problems);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ZEL.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini);
        f.close();

        const AlarmSettings s = readAlarmSettings(QtSettingsStore(path));
        QCOMPARE((QList<int>{s.qualifySeconds, s.clearSeconds, s.readbackSeconds}), seconds);
        QCOMPARE(s.problems.size(), problems);
        for (const QString& line : s.problems)
            QVERIFY2(line.startsWith(QStringLiteral("[Alarms] ")), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
