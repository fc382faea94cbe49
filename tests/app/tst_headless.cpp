// The real monitor program without a window: no display, a serial link on a
// pty, a clean end on SIGTERM; and its command line.

#include "shell/commandline.h"
#include "support/headlessenv.h"
#include "support/pty.h"
#include "support/testframes.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <termios.h>

using namespace zel;
using namespace zel::testframes;
using Action = MonitorCommandLine::Action;

namespace {

// The headless monitor with its settings in dir, on serial port device;
// under a profile when one is named.
bool startOnPort(const QTemporaryDir& dir, const QString& device, QProcess& monitor,
                 const QString& profile = {})
{
    const QString folder =
        profile.isEmpty() ? QStringLiteral("config/ZEL") : QStringLiteral("config/ZEL/") + profile;
    QFile ini(dir.filePath(folder + QStringLiteral("/ZEL.ini")));
    if (!QDir(dir.path()).mkpath(folder) || !ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=" + device.toLocal8Bit() + "\n");
    ini.close();
    monitor.setProcessEnvironment(headlessEnvironment(dir));
    QStringList args{QStringLiteral("--headless")};
    if (!profile.isEmpty())
        args << QStringLiteral("--profile") << profile;
    monitor.start(QStringLiteral(ZEL_MONITOR_PATH), args);
    return monitor.waitForStarted();
}

} // namespace

class TestHeadless : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::newRow("none") << QStringList{} << int(Action::RunWindow);
        QTest::newRow("headless") << QStringList{"--headless"} << int(Action::RunHeadless);
        QTest::newRow("help wins") << QStringList{"--headless", "--help"} << int(Action::ShowHelp);
        QTest::newRow("version") << QStringList{"--version"} << int(Action::ShowVersion);
        QTest::newRow("qt option")
            << QStringList{"-platform", "offscreen"} << int(Action::RunWindow);
        QTest::newRow("qt option, no value") << QStringList{"-platform"} << int(Action::Refuse);
        QTest::newRow("unknown") << QStringList{"--frobnicate"} << int(Action::Refuse);
        QTest::newRow("stray") << QStringList{"now"} << int(Action::Refuse);
        QTest::newRow("add user") << QStringList{"--add-user", "ann", "--role", "viewer"}
                                  << int(Action::AddUser);
        QTest::newRow("role first")
            << QStringList{"--role", "admin", "--add-user", "ann"} << int(Action::AddUser);
        QTest::newRow("add user, no role")
            << QStringList{"--add-user", "ann"} << int(Action::Refuse);
        QTest::newRow("add user, no name") << QStringList{"--add-user"} << int(Action::Refuse);
        QTest::newRow("role without add")
            << QStringList{"--passwd", "ann", "--role", "admin"} << int(Action::Refuse);
        QTest::newRow("passwd") << QStringList{"--passwd", "ann"} << int(Action::ChangePassword);
        QTest::newRow("remove") << QStringList{"--remove-user", "ann"} << int(Action::RemoveUser);
        QTest::newRow("list") << QStringList{"--list-users"} << int(Action::ListUsers);
        QTest::newRow("two at once")
            << QStringList{"--list-users", "--remove-user", "ann"} << int(Action::Refuse);
        QTest::newRow("with headless")
            << QStringList{"--headless", "--list-users"} << int(Action::Refuse);
        QTest::newRow("headless twice")
            << QStringList{"--headless", "--headless"} << int(Action::RunHeadless);
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QCOMPARE(int(parseMonitorCommandLine(args).action), action);
    }

    void profileOnCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("profile");
        QTest::newRow("window") << QStringList{"--profile", "main"} << int(Action::RunWindow)
                                << "main";
        QTest::newRow("headless first") << QStringList{"--headless", "--profile", "Site-2_b"}
                                        << int(Action::RunHeadless) << "Site-2_b";
        QTest::newRow("add user") << QStringList{"--profile", "9",      "--add-user",
                                                 "ann",       "--role", "viewer"}
                                  << int(Action::AddUser) << "9";
        QTest::newRow("list users")
            << QStringList{"--list-users", "--profile", "a"} << int(Action::ListUsers) << "a";
        QTest::newRow("32 characters") << QStringList{"--profile", QString(32, u'x')}
                                       << int(Action::RunWindow) << QString(32, u'x');
        const auto refused = [](const char* name, const QStringList& args) {
            QTest::newRow(name) << args << int(Action::Refuse) << QString();
        };
        refused("no value", {"--headless", "--profile"});
        refused("33 characters", {"--profile", QString(33, u'x')});
        refused("empty", {"--profile", ""});
        refused("an option for a name", {"--profile", "--headless"});
        refused("leading underscore", {"--profile", "_a"});
        refused("a path", {"--profile", "../etc"});
        refused("a blank", {"--profile", "main b"});
        refused("a line end", {"--profile", "main\n"});
        refused("not ASCII", {"--profile", "s\u00e9"});
    }
    void profileOnCommandLine()
    {
        QFETCH(QStringList, args);
        const MonitorCommandLine command = parseMonitorCommandLine(args);
        QTEST(int(command.action), "action");
        QTEST(command.profile, "profile");
        // Refused for the profile, not for what follows it.
        if (command.action == Action::Refuse)
            QVERIFY2(command.error.contains(QStringLiteral("profile")), qPrintable(command.error));
    }

    // Two profiles on one PC side by side, each with its own files and
    // nothing in the folders without a profile; zel-fm-history reads each.
    void twoProfilesKeepTheirOwnFiles()
    {
        QTemporaryDir dir;
        PtyPair ptys[2];
        QProcess monitors[2];
        const QStringList profiles = {QStringLiteral("a"), QStringLiteral("b")};
        for (int i = 0; i < 2; ++i) {
            QVERIFY(ptys[i].isValid());
            QVERIFY(startOnPort(dir, ptys[i].devicePath(), monitors[i], profiles[i]));
        }
        for (int i = 0; i < 2; ++i) {
            const QString data = dir.filePath(QStringLiteral("data/ZEL/") + profiles[i]);
            QTRY_VERIFY_WITH_TIMEOUT(
                (ptys[i].write(goodFrame), QFile::exists(data + QStringLiteral("/Log-ZEL.txt"))),
                10000);
            ::kill(pid_t(monitors[i].processId()), SIGTERM);
            QVERIFY(monitors[i].waitForFinished(10000));
            QCOMPARE(monitors[i].exitCode(), 0);
            QVERIFY(QFile::exists(data + QStringLiteral("/history.db")));
            const QByteArray said = monitors[i].readAllStandardError();
            QVERIFY2(said.contains(", profile " + profiles[i].toUtf8() + "; history in " +
                                   data.toUtf8() + "/history.db"),
                     said.constData());
        }
        for (const char* folder : {"config/ZEL", "data/ZEL"})
            QCOMPARE(QDir(dir.filePath(QLatin1String(folder)))
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     profiles);

        // The record read by profile is the one named by path.
        const auto history = [&](const QStringList& args) {
            QProcess p;
            p.setProcessEnvironment(headlessEnvironment(dir));
            p.start(QStringLiteral(ZEL_HISTORY_CLI), args);
            return p.waitForFinished(10000) && p.exitCode() == 0 ? p.readAllStandardOutput()
                                                                 : p.readAllStandardError();
        };
        const QByteArray a = history({"--profile", "a", "events"});
        QVERIFY2(a.count('\n') > 1, a.constData());
        QCOMPARE(a, history({"--database", dir.filePath("data/ZEL/a/history.db"), "events"}));
        QVERIFY(a != history({"--profile", "b", "events"}));
        QVERIFY(history({"--profile", "a", "--database", "x.db", "events"})
                    .startsWith("zel-fm-history: --profile does not go with --database"));
        QVERIFY(history({"--profile", "a/b", "events"}).startsWith("zel-fm-history: profile name"));
    }

    void versionAndBadOptionWithoutDisplay()
    {
        QTemporaryDir dir;
        QProcess p;
        p.setProcessEnvironment(headlessEnvironment(dir));
        p.start(QStringLiteral(ZEL_MONITOR_PATH), {QStringLiteral("--version")});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput().trimmed(), monitorVersionLine().toUtf8());

        p.start(QStringLiteral(ZEL_MONITOR_PATH), {QStringLiteral("--no-such")});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().startsWith("zel-fm-monitor: unknown option --no-such\n"));
    }

    // The account commands on a file in the test's folder, the password
    // piped in: what each says, its status, and the file's mode.
    void accountCommands()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("config/ZEL/web-accounts"));
        const QByteArray secret = "correct horse 1";
        struct Step {
            QStringList args;
            QByteArray input;
            int status;
            QByteArray said; // the start of standard output, else of standard error
        };
        const QList<Step> steps = {
            {{"--add-user", "ann", "--role", "operator"},
             secret + "\n",
             0,
             "Added ann (operator) to "},
            {{"--add-user", "bob", "--role", "viewer"},
             "other pass 2\r\n",
             0,
             "Added bob (viewer)"},
            {{"--add-user", "ann", "--role", "admin"},
             secret,
             1,
             "zel-fm-monitor: account ann is in"},
            {{"--add-user", "cy", "--role", "boss"},
             secret,
             2,
             "zel-fm-monitor: unknown role boss"},
            {{"--add-user", "c y", "--role", "admin"}, secret, 2, "zel-fm-monitor: account name"},
            {{"--add-user", "cy", "--role", "admin"},
             "too short\n",
             1,
             "zel-fm-monitor: the password is shorter than 10 characters"},
            {{"--add-user", "cy", "--role", "admin"},
             "",
             1,
             "zel-fm-monitor: the password is empty"},
            {{"--passwd", "ann"}, "a new secret 3\n", 0, "Changed the password of ann in "},
            {{"--passwd", "dee"}, secret, 1, "zel-fm-monitor: there is no account dee in "},
            {{"--remove-user", "bob"}, {}, 0, "Removed bob from "},
            {{"--remove-user", "bob"}, {}, 1, "zel-fm-monitor: there is no account bob"},
            {{"--list-users"}, {}, 0, "ann operator\n"},
        };
        QByteArray everything;
        for (const Step& step : steps) {
            QProcess p;
            p.setProcessEnvironment(headlessEnvironment(dir));
            p.start(QStringLiteral(ZEL_MONITOR_PATH), step.args);
            QVERIFY(p.waitForStarted(10000));
            p.write(step.input);
            p.closeWriteChannel();
            QVERIFY(p.waitForFinished(30000));
            const QByteArray out = p.readAllStandardOutput();
            const QByteArray err = p.readAllStandardError();
            everything += out + err;
            const QString what = step.args.join(u' ');
            QVERIFY2(p.exitCode() == step.status, qPrintable(what + ": " + err));
            QVERIFY2((step.status == 0 ? out : err).startsWith(step.said), qPrintable(what));
            if (step.status == 0 && step.args.first() != "--list-users")
                QVERIFY2(out.trimmed().endsWith(file.toUtf8()), qPrintable(what));
        }
        // 0600, what the owner has only (Qt's "User" bits say what this process may).
        QCOMPARE(QFile::permissions(file) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        everything += written.readAll();
        QVERIFY(everything.contains("ann:operator:$argon2id$"));
        for (const QByteArray& password :
             {secret, QByteArray("other pass"), QByteArray("a new secret")})
            QVERIFY(!everything.contains(password));

        // On a terminal: asked twice without echo; the echo back even when
        // SIGINT ends the program at the prompt.
        PtyPair pty;
        QVERIFY(pty.isValid());
        termios mode{};
        QVERIFY(::tcgetattr(pty.masterFd(), &mode) == 0);
        mode.c_lflag |= ECHO | ICANON;
        QVERIFY(::tcsetattr(pty.masterFd(), TCSANOW, &mode) == 0);
        const auto echoing = [&] {
            return ::tcgetattr(pty.masterFd(), &mode) == 0 && (mode.c_lflag & ECHO);
        };
        for (const bool interrupt : {true, false}) {
            QProcess p;
            p.setProcessEnvironment(headlessEnvironment(dir));
            p.setStandardInputFile(pty.devicePath());
            p.start(QStringLiteral(ZEL_MONITOR_PATH), {"--passwd", "ann"});
            QByteArray err;
            QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()) == "Password for ann: ",
                                     10000);
            QVERIFY(!echoing());
            if (interrupt) {
                ::kill(pid_t(p.processId()), SIGINT);
                QVERIFY(p.waitForFinished(10000));
                QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            } else {
                pty.write("typed secret 4\n");
                QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).endsWith("Again: "),
                                         10000);
                pty.write("typed secret 4\n");
                QVERIFY(p.waitForFinished(30000));
                QCOMPARE(p.exitCode(), 0);
                QVERIFY(p.readAllStandardOutput().startsWith("Changed the password of ann"));
                QVERIFY(!pty.readAvailable().contains("typed secret"));
            }
            QVERIFY(echoing());
        }
    }

    // A serial port that cannot be opened is said once on standard error,
    // not as a trace line and again as a notice.
    void portProblemSaidOnce()
    {
        QTemporaryDir dir;
        QProcess monitor;
        QVERIFY(startOnPort(dir, dir.filePath(QStringLiteral("no-such-tty")), monitor));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT(
            (said += monitor.readAllStandardError()).contains("cannot be opened"), 10000);
        ::kill(pid_t(monitor.processId()), SIGTERM);
        QVERIFY(monitor.waitForFinished(10000));
        said += monitor.readAllStandardError();
        QCOMPARE(said.count("cannot be opened"), 1);
        QVERIFY(said.contains("Signal 15: stopping"));
    }

    void windowProgramEndsCleanlyOnSigterm()
    {
        // A desktop session ends its programs with SIGTERM.
        QTemporaryDir dir;
        QProcessEnvironment env = headlessEnvironment(dir);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess monitor;
        monitor.setProcessEnvironment(env);
        monitor.start(QStringLiteral(ZEL_MONITOR_PATH), QStringList{});
        QVERIFY(monitor.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(QStringLiteral("data/ZEL/history.db"))),
                                 20000);
        ::kill(pid_t(monitor.processId()), SIGTERM);
        QVERIFY(monitor.waitForFinished(20000));
        QCOMPARE(monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.exitCode(), 0);
    }

    void runsOnASerialLineAndEndsOnSigterm()
    {
        QTemporaryDir dir;
        PtyPair pty;
        QProcess monitor;
        QVERIFY(startOnPort(dir, pty.devicePath(), monitor));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += monitor.readAllStandardError()).contains(" open"), 10000);

        const QString log = dir.filePath(QStringLiteral("data/ZEL/Log-ZEL.txt"));
        QTRY_VERIFY_WITH_TIMEOUT((pty.write(goodFrame), QFile::exists(log)), 10000);
        QFile written(log);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("87.50 Mhz"));
        // A service without a display loads no widget or window-system library.
        QFile maps(QStringLiteral("/proc/%1/maps").arg(monitor.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(!mapped.contains("libQt6Widgets") && !mapped.contains("libxcb"));

        ::kill(pid_t(monitor.processId()), SIGTERM);
        QVERIFY(monitor.waitForFinished(10000));
        QCOMPARE(monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
