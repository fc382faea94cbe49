#include "alarms/currentuser.h"
#include "history/alertraise.h"
#include "history/historystore.h"
#include "history/historytime.h"
#include "historytestdata.h"
#include "shell/filelocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace zel;
using namespace zel::history;
using namespace zel::history::testdata;

namespace {

const qint64 NOW = 1796593406123;             // 2026-12-06T21:43:26.123Z
const qint64 S0 = 1796593380;                 // 2026-12-06T21:43:00Z
const qint64 LOCAL_MIDNIGHT = NOW - 81806123; // 2026-12-06T00:00+01:00
const qint64 SUMMER_NOON = 1782900000000;     // 2026-07-01T12:00+02:00

struct Result {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Result runCli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(ZEL_HISTORY_CLI), args);
    Result r;
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray golden(const QString& name)
{
    QFile f(QFINDTESTDATA(QStringLiteral("data/") + name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing golden file");
}

} // namespace

class TestHistoryCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db;

private Q_SLOTS:
    void initTestCase()
    {
        // Central European time, written out so that no zone database is needed;
        // the command lines started below inherit it.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        // The replay's saved limits: none, so the defaults.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
        m_db = m_dir.filePath(QStringLiteral("history.db"));
        QFile limits(m_dir.filePath(QStringLiteral("limits.ini")));
        QVERIFY(limits.open(QIODevice::WriteOnly));
        limits.write("[Limits]\ntemperature_c.high_warning=30.5\nreflected_w.high_critical=\n"
                     "[Setting]\nSETPOWERT=600\n");
        HistoryStore store(m_db);
        QVERIFY(!store.open());
        QList<SecondSample> seconds;
        for (qint64 t = S0; t < S0 + 120; ++t)
            seconds << second(t, 5000 + t % 3, 4990, 5012);
        seconds[1].gateway = true;
        seconds[1].onAir = false;
        seconds[1].value[std::size_t(Field::Temperature)].reset();
        seconds[1].deviceId.reset();
        seconds.removeAt(2);
        QList<EventRecord> events;
        for (const auto& [ms, state, detail] :
             {std::tuple{S0 * 1000 + 123, eventstate::Raised, QStringLiteral("reflected 41.5 W")},
              std::tuple{S0 * 1000 + 4567, eventstate::Cleared,
                         QStringLiteral("said \"ok\", fine")},
              std::tuple{S0 * 1000 + 9000, eventstate::Raised, QStringLiteral("two\nlines")}}) {
            EventRecord e;
            e.time = at(ms);
            e.event = alarm::HighReflect;
            e.state = state;
            e.value = QStringLiteral("41.5");
            e.detail = detail;
            e.severity = severity::Critical;
            events << e;
        }
        QVERIFY(!store.write(seconds, events, S0 + 122));
    }

    void timeArguments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ms"); // -1: refused
        QTest::newRow("with milliseconds") << "2026-12-06T21:43:26.123Z" << NOW;
        QTest::newRow("without milliseconds") << "2026-12-06T21:43:26Z" << NOW - 123;
        QTest::newRow("without Z") << "2026-12-06T21:43:26" << NOW - 123;
        QTest::newRow("minutes only") << "2026-12-06T21:43" << NOW - 26123;
        QTest::newRow("date: local midnight") << "2026-12-06" << LOCAL_MIDNIGHT;
        QTest::newRow("today") << "today" << LOCAL_MIDNIGHT;
        QTest::newRow("yesterday") << "yesterday" << LOCAL_MIDNIGHT - 86400000;
        QTest::newRow("now") << "now" << NOW;
        QTest::newRow("local") << "2026-12-06 22:43:26.123" << NOW;
        QTest::newRow("local minutes") << "2026-12-06 22:43" << NOW - 26123;
        QTest::newRow("local in summer") << "2026-07-01 12:00" << SUMMER_NOON;
        QTest::newRow("space and Z") << "2026-12-06 21:43:26.123Z" << NOW;
        QTest::newRow("offset") << "2026-12-06T23:43:26.123+02:00" << NOW;
        QTest::newRow("offset, no colon") << "2026-12-06 16:43:26-0500" << NOW - 123;
        QTest::newRow("offset, hours") << "2026-12-06 16:43-05" << NOW - 26123;
        QTest::newRow("skipped by the clock") << "2026-03-29 02:30" << qint64(-1);
        QTest::newRow("passed twice: the later")
            << "2026-10-25 02:30" << qint64(1792891800000); // 01:30Z
        QTest::newRow("no such offset") << "2026-12-06T21:43+15:00" << qint64(-1);
        QTest::newRow("other separator") << "2026-12-06_21:43" << qint64(-1);
        QTest::newRow("-90s") << "-90s" << NOW - 90000;
        QTest::newRow("-30m") << "-30m" << NOW - 1800000;
        QTest::newRow("-2h") << "-2h" << NOW - 7200000;
        QTest::newRow("-7d") << "-7d" << NOW - 7 * 86400000LL;
        QTest::newRow("no unit") << "-2" << qint64(-1);
        QTest::newRow("weeks") << "-2w" << qint64(-1);
        QTest::newRow("forward in time") << "+2h" << qint64(-1);
        QTest::newRow("no such day") << "2026-02-30" << qint64(-1);
        QTest::newRow("no such hour") << "2026-12-06T25:00:00Z" << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
    }
    void timeArguments()
    {
        QFETCH(QString, text);
        QFETCH(qint64, ms);
        QCOMPARE(parseTimeArgument(text, NOW).value_or(-1), ms);
        if (ms >= 0 && text.contains(u'T') && text.endsWith(u'Z'))
            QCOMPARE(formatTime(ms).left(text.size() - 1), text.left(text.size() - 1));
    }

    void timeOutput_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<bool>("local");
        QTest::addColumn<bool>("spreadsheet");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTC") << NOW << false << false << "2026-12-06T21:43:26.123Z";
        QTest::newRow("local") << NOW << true << false << "2026-12-06T22:43:26.123+01:00";
        QTest::newRow("local in summer")
            << SUMMER_NOON << true << false << "2026-07-01T12:00:00.000+02:00";
        QTest::newRow("spreadsheet") << NOW << false << true << "2026-12-06 21:43:26";
        QTest::newRow("spreadsheet, local") << NOW << true << true << "2026-12-06 22:43:26";
    }
    void timeOutput()
    {
        QFETCH(qint64, ms);
        QFETCH(bool, local);
        QFETCH(bool, spreadsheet);
        QFETCH(QString, text);
        QCOMPARE(formatTime(ms, {local, spreadsheet}), text);
        if (!spreadsheet)
            QCOMPARE(parseTimeArgument(text, 0).value_or(-1), ms);
    }

    void csvMatchesGolden_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        const QString from = QStringLiteral("2026-12-06T21:43:00Z");
        QTest::newRow("seconds") << QStringList{"samples", "--from", from, "--to",
                                                "2026-12-06T21:43:04.000Z"}
                                 << "samples-1s.csv";
        QTest::newRow("minutes") << QStringList{"samples", "--step",          "1m", "--from", from,
                                                "--to",    "2026-12-06T21:45"}
                                 << "samples-1m.csv";
        QTest::newRow("minutes, filled")
            << QStringList{"samples", "--step", "1m",   "--fill",
                           "--from",  from,     "--to", "2026-12-06T21:47"}
            << "samples-1m-filled.csv";
        QTest::newRow("seconds, filled, local, for spreadsheets")
            << QStringList{"samples",          "--fill",      "--local",
                           "--time-format",    "spreadsheet", "--from",
                           "2026-12-06 22:43", "--to",        "2026-12-06 22:43:04"}
            << "samples-1s-filled-local.csv";
        QTest::newRow("events") << QStringList{"events"} << "events.csv";
        QTest::newRow("events, local") << QStringList{"events", "--local"} << "events-local.csv";
        QTest::newRow("unacknowledged")
            << QStringList{"events", "--unacknowledged", "--from", "2026-12-06T21:43:05"}
            << "events-unacknowledged.csv";
        QTest::newRow("alarms") << QStringList{"alarms"} << "alarms.csv";
        const QString to = QStringLiteral("2026-12-06T21:45:00Z");
        QTest::newRow("replay of the saved limits")
            << QStringList{"replay", "--from", from, "--to", to} << "replay.csv";
        QTest::newRow("replay of a limits file, local")
            << QStringList{"replay",  "--limits", m_dir.filePath(QStringLiteral("limits.ini")),
                           "--local", "--from",   from,
                           "--to",    to}
            << "replay-limits-local.csv";
    }
    void csvMatchesGolden()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        const Result r = runCli(QStringList{"--database", m_db} + args);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.code, 0);
        if (qEnvironmentVariableIsSet("ZEL_WRITE_GOLDEN")) {
            // For a deliberate change of format: review the diff before committing.
            QFile f(QStringLiteral(QT_TESTCASE_SOURCEDIR "/data/") + file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(r.out);
        }
        QCOMPARE(r.out, golden(file));
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says"); // on stderr, or stdout when 0
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage:";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "zel-fm-history 2.0.3";
        QTest::newRow("no command") << QStringList{} << 2 << "no command";
        QTest::newRow("unknown command") << QStringList{"plot"} << 2 << "unknown command";
        QTest::newRow("bad time") << QStringList{"samples", "--from", "last week"} << 2
                                  << "cannot read \"last week\"";
        QTest::newRow("bad time format")
            << QStringList{"events", "--time-format", "excel"} << 2 << "--time-format";
        QTest::newRow("fill on events")
            << QStringList{"events", "--fill"} << 2 << "not valid for events";
        QTest::newRow("fill of a year") << QStringList{"samples", "--fill", "--from", "-365d"} << 2
                                        << "--fill: the range holds 31536000 rows";
        QTest::newRow("fill of a year of hours")
            << QStringList{"samples",           "--fill", "--step",           "1h", "--from",
                           "2026-12-06T21:43Z", "--to",   "2027-12-06T21:43Z"}
            << 0 << "2027-12-06T21:00:00.000Z,,,";
        QTest::newRow("bad step") << QStringList{"samples", "--step", "5m"} << 2 << "--step";
        QTest::newRow("unknown option") << QStringList{"events", "--colour"} << 2 << "colour";
        QTest::newRow("step on events")
            << QStringList{"events", "--step", "1m"} << 2 << "not valid for events";
        QTest::newRow("alarms in a range")
            << QStringList{"alarms", "--from", "-1h"} << 2 << "not valid for alarms";
        QTest::newRow("limits on events")
            << QStringList{"events", "--limits", "x.ini"} << 2 << "not valid for events";
        QTest::newRow("replay of a missing limits file")
            << QStringList{"replay", "--limits", "/nonexistent/limits.ini"} << 1
            << "cannot read the limits file /nonexistent/limits.ini";
        QTest::newRow("ack without id") << QStringList{"ack"} << 2 << "needs the alarm's id";
        QTest::newRow("ack of a word") << QStringList{"ack", "one"} << 2 << "no event id";
        QTest::newRow("ack of a cleared row") << QStringList{"ack", "2"} << 1 << "no raised alarm";
        QTest::newRow("ack of no row") << QStringList{"ack", "77"} << 1 << "no event 77";
        QTest::newRow("ack of a test alert's id")
            << QStringList{"ack", "0b7c52a4-1d2e-4f60-9a3b-5c6d7e8f9a0b"} << 2
            << "nor an alarm alert's id";
        QTest::newRow("ack of an alert with no raise")
            << QStringList{"ack", alertIdFor({"over_temperature", 5000})} << 1 << "no raised alarm";
        QTest::newRow("shelf past MaxShelveHours")
            << QStringList{"shelve", "--for", "12h30m", "--reason", "mast"} << 2
            << "a shelf lasts at most 12 h ([Alarms] MaxShelveHours); 12h30m is longer";
        QTest::newRow("shelf of no kind")
            << QStringList{"shelve", "--for", "1h", "--reason", "mast", "overheat"} << 2
            << "no alarm kind \"overheat\"; the kinds are off_air, unlocked,";
        QTest::newRow("shelf without a reason")
            << QStringList{"shelve", "--for", "1h", "silence"} << 2 << "shelve needs --reason";
        QTest::newRow("shelf for a while")
            << QStringList{"shelve", "--for", "a while", "--reason", "mast"} << 2
            << "cannot read \"a while\" as a time";
        QTest::newRow("nothing shelved")
            << QStringList{"shelved"} << 0 << "kind,until,reason,user\n";
    }
    void exitStatus()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        const Result r = runCli(QStringList{"--database", m_db} + args);
        QCOMPARE(r.code, code);
        const QString text = QString::fromUtf8(code == 0 ? r.out : r.err);
        QVERIFY2(text.contains(says), qPrintable(text));
        // One line, not the whole help.
        if (code == 2)
            QVERIFY2(text.endsWith(QLatin1String("; see --help\n")) && text.count(u'\n') == 1,
                     qPrintable(text));
    }

    // A limit that cannot be used is told, and the rest replayed.
    void replayTellsProblems()
    {
        QFile bad(m_dir.filePath(QStringLiteral("bad.ini")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("[Limits]\ntemperature_c.high_critical=hot\n");
        bad.close();
        const Result r = runCli({"--database", m_db, "replay", "--limits", bad.fileName(), "--from",
                                 "2026-12-06T21:43Z", "--to", "2026-12-06T21:45Z"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("bad.ini: [Limits] temperature_c.high_critical = \"hot\" is not a "
                                "number; this limit is off\n"),
                 r.err.constData());
        QVERIFY(r.out.contains("\nhigh_reflect,critical,1,"));
    }

    void missingOrUnreadableDatabase()
    {
        const QString missing = m_dir.filePath(QStringLiteral("none.db"));
        for (const char* command : {"samples", "events"}) {
            const Result r = runCli({"--database", missing, command});
            QCOMPARE(r.code, 1);
            QVERIFY(r.err.contains("no history database"));
        }
        QCOMPARE(runCli({"--database", missing, "ack", "1"}).code, 1);
        QVERIFY(!QFile::exists(missing));

        const QString garbage = m_dir.filePath(QStringLiteral("garbage.db"));
        QFile f(garbage);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        const Result r = runCli({"--database", garbage, "events"});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.count('\n'), 1);

        // The default place follows XDG_DATA_HOME.
        if (QFileInfo(serviceHistoryDatabasePath()).isReadable())
            QSKIP("this machine's service history would be read instead");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZEL_HISTORY_CLI), {QStringLiteral("events")});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("/data/ZEL/history.db"));
    }

    // Without --database: the user's own history, else the service's if readable.
    void defaultDatabase_data()
    {
        QTest::addColumn<bool>("own");
        QTest::addColumn<bool>("service");
        QTest::addColumn<bool>("readsService");
        QTest::newRow("own only") << true << false << false;
        QTest::newRow("both") << true << true << false;
        QTest::newRow("service's only") << false << true << true;
        QTest::newRow("neither") << false << false << false;
    }
    void defaultDatabase()
    {
        QFETCH(bool, own);
        QFETCH(bool, service);
        QFETCH(bool, readsService);
        QTemporaryDir dir;
        const QString ownPath = dir.filePath(QStringLiteral("own.db"));
        const QString servicePath = dir.filePath(QStringLiteral("var/lib/zel/ZEL/history.db"));
        QVERIFY(QDir().mkpath(QFileInfo(servicePath).path()));
        for (const auto& [made, path] :
             {std::pair{own, ownPath}, std::pair{service, servicePath}}) {
            QFile f(path);
            QVERIFY(!made || f.open(QIODevice::WriteOnly));
        }
        const HistoryDatabaseChoice c = chooseHistoryDatabase(ownPath, servicePath);
        QCOMPARE(c.path, readsService ? servicePath : ownPath);
        QCOMPARE(c.service, readsService);
        QCOMPARE(c.blocked, QString());
    }

    // A reader whose output nobody reads must not hold the monitor's
    // write-ahead log: it would grow for as long as the pipe stays full.
    void stalledReaderLeavesTheLogBounded()
    {
        const QString path = m_dir.filePath(QStringLiteral("stalled.db"));
        HistoryStore store(path);
        QVERIFY(!store.open());
        QList<EventRecord> none;
        QList<SecondSample> seconds;
        for (qint64 t = S0; t < S0 + 20000; ++t)
            seconds << second(t, 5000, 4990, 5012);
        QVERIFY(!store.write(seconds, none, S0 + 20002));

        // A child whose standard output is a pipe this test never reads.
        int out[2];
        QVERIFY(::pipe(out) == 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const QByteArray program = ZEL_HISTORY_CLI;
        const QByteArray db = QFile::encodeName(path);
        QByteArrayList words{program,  "--database", db,     "samples",
                             "--from", "2026-12-06", "--to", "2027-01-01"};
        std::vector<char*> argv;
        for (QByteArray& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        QCOMPARE(
            ::posix_spawn(&child, program.constData(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        const auto cleanup = qScopeGuard([&] {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            ::close(out[0]);
        });
        pollfd ready{out[0], POLLIN, 0};
        QVERIFY2(::poll(&ready, 1, 60000) == 1, "the reader wrote nothing");

        // The monitor goes on writing: about 15 MB through the log.
        qint64 largest = 0;
        for (qint64 t = S0 + 20000; t < S0 + 20000 + 1500 * 20; t += 20) {
            seconds.clear();
            for (qint64 s = t; s < t + 20; ++s)
                seconds << second(s, 5000, 4990, 5012);
            QVERIFY(!store.write(seconds, none, t + 22));
            largest = std::max(largest, QFileInfo(path + QStringLiteral("-wal")).size());
        }
        QVERIFY2(largest < 3 * 1024 * 1024, qPrintable(QString::number(largest)));
    }

    // Runs last: it changes the database.
    void acknowledgesOnce()
    {
        // The caller's environment names no one: the system's user is recorded.
        qputenv("USER", "someone");
        qputenv("LOGNAME", "someone");
        // By the id the alert's mail carries; then by the row, refused.
        const QDateTime raised =
            QDateTime::fromString("2026-12-06T21:43:00.123Z", Qt::ISODateWithMs);
        Result r = runCli(
            {"--database", m_db, "ack", alertIdFor({"high_reflect", raised.toMSecsSinceEpoch()})});
        QCOMPARE(r.code, 0);
        QVERIFY(!currentUserName().isEmpty());
        QVERIFY2(r.out.contains(",high_reflect,acknowledged,1,alarm 1 raised "
                                "2026-12-06T21:43:00.123Z," +
                                currentUserName().toUtf8() + ",\n"),
                 r.out.constData());
        r = runCli({"--database", m_db, "ack", "1"});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("acknowledged already"));
        r = runCli({"--database", m_db, "events", "--unacknowledged"});
        QCOMPARE(r.out.count('\n'), 3); // header and alarm 3, whose detail has two lines
        // Acknowledged while still raised: listed until it clears.
        QCOMPARE(runCli({"--database", m_db, "ack", "3"}).code, 0);
        r = runCli({"--database", m_db, "alarms"});
        QVERIFY2(r.out.endsWith(",raised_acknowledged,41.5,\"two\nlines\"," +
                                currentUserName().toUtf8() + ",critical\n"),
                 r.out.constData());
        QCOMPARE(r.out.count('\n'), 3);
    }

    // Runs last too: shelved and unshelved by hand, as the system's user.
    void shelvesForMaintenance()
    {
        Result r = runCli({"--database", m_db, "shelve", "--for", "1h30m", "--reason",
                           "antenna work", "silence", "low_power"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(",shelve,shelved,\"silence,low_power\",until "), r.out.constData());
        r = runCli({"--database", m_db, "shelved"});
        QCOMPARE(r.out.count('\n'), 3);
        QVERIFY(r.out.contains(",antenna work," + currentUserName().toUtf8() + "\n"));
        QCOMPARE(runCli({"--database", m_db, "unshelve", "silence"}).code, 0);
        r = runCli({"--database", m_db, "shelved"});
        QVERIFY2(r.out.count('\n') == 2 && r.out.contains("\nlow_power,"), r.out.constData());
    }
};

QTEST_GUILESS_MAIN(TestHistoryCli)
#include "tst_historycli.moc"
