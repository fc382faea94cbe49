// The real monitor without a window on a record it cannot write: a full
// disk, a file-size limit, a folder owned by someone else. The alarm's raise
// and clear still reach the webhook, the monitor keeps running and says once
// that the outbox is out of use.

#include "fakereceivers.h"
#include "support/headlessenv.h"
#include "support/pty.h"
#include "support/testframes.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zel::testframes;

namespace {

enum class Fault { FullDisk, FileSizeLimit, Unwritable };

// The alert states the webhook accepted, in order.
QStringList states(const FakeWebhook& webhook)
{
    QStringList out;
    for (const QByteArray& r : webhook.requests())
        for (const char* s : {"\"raised\"", "\"cleared\""})
            if (r.contains(s))
                out << QString::fromLatin1(s).remove(u'"');
    return out;
}

} // namespace

class TestAlertStorage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void alertsGoOutWithoutTheRecord_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("full disk") << int(Fault::FullDisk);
        QTest::newRow("file size limit") << int(Fault::FileSizeLimit);
        QTest::newRow("unwritable folder") << int(Fault::Unwritable);
    }
    void alertsGoOutWithoutTheRecord()
    {
        QFETCH(int, fault);
        if (fault != int(Fault::FileSizeLimit) && ::geteuid() != 0)
            QSKIP("needs root: a private tmpfs mount, or running the monitor as nobody");
        const passwd* nobody = ::getpwnam("nobody");
        if (fault == int(Fault::Unwritable) && !nobody)
            QSKIP("no user nobody on this machine");
        const uid_t nobodyUid = nobody ? nobody->pw_uid : 0;
        const gid_t nobodyGid = nobody ? nobody->pw_gid : 0;

        FakeWebhook webhook;
        PtyPair pty;
        QVERIFY(pty.isValid());
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("config/ZEL")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("data/ZEL")));
        QFile ini(dir.filePath(QStringLiteral("config/ZEL/ZEL.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=" + pty.devicePath().toLocal8Bit() +
                  "\n[Alarms]\nQualifySeconds=0\nClearSeconds=0\n[Alerts]\nWebhookUrl=http://"
                  "127.0.0.1:" +
                  QByteArray::number(webhook.port()) + "/hook\n");
        ini.close();
        const QString dataFolder = dir.filePath(QStringLiteral("data/ZEL"));

        QProcess monitor;
        monitor.setProcessEnvironment(headlessEnvironment(dir));
        QString program = QStringLiteral(ZEL_MONITOR_PATH);
        QStringList args{QStringLiteral("--headless")};
        if (fault == int(Fault::FullDisk)) {
            // A private mount namespace: the small tmpfs is seen by the
            // monitor alone and goes away with it.
            if (QProcess::execute(QStringLiteral("unshare"),
                                  {QStringLiteral("-m"), QStringLiteral("true")}) != 0)
                QSKIP("cannot make a private mount namespace here");
            args = QStringList{QStringLiteral("-m"),
                               QStringLiteral("--"),
                               QStringLiteral("sh"),
                               QStringLiteral("-c"),
                               QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$0\" || exit 97;"
                                              " dd if=/dev/zero of=\"$0/fill\" bs=4k 2>/dev/null;"
                                              " exec \"$@\""),
                               dataFolder,
                               program}
                   << args;
            program = QStringLiteral("unshare");
        } else if (fault == int(Fault::FileSizeLimit)) {
            monitor.setChildProcessModifier([] {
                const rlimit limit{16 * 1024, 16 * 1024};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        } else {
            // nobody runs a copy of the program (the build tree may be closed
            // to it) and cannot write in the data folder (root's, 0755).
            for (const QString& f : {dir.path(), dir.filePath(QStringLiteral("config")),
                                     dir.filePath(QStringLiteral("config/ZEL")),
                                     dir.filePath(QStringLiteral("data")), dataFolder})
                QVERIFY(::chmod(QFile::encodeName(f).constData(), 0755) == 0);
            // Its own settings and line, as a service user's would be.
            for (const QString& f : {ini.fileName(), pty.devicePath()})
                QVERIFY(::chown(QFile::encodeName(f).constData(), nobodyUid, nobodyGid) == 0);
            QVERIFY(::chmod(QFile::encodeName(ini.fileName()).constData(), 0600) == 0);
            const QString copy = dir.filePath(QStringLiteral("zel-fm-monitor"));
            QVERIFY(QFile::copy(program, copy));
            QVERIFY(::chmod(QFile::encodeName(copy).constData(), 0755) == 0);
            program = copy;
            monitor.setChildProcessModifier([nobodyUid, nobodyGid] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(nobodyGid) != 0 ||
                    ::setuid(nobodyUid) != 0)
                    ::_exit(98);
            });
        }
        monitor.start(program, args);
        QVERIFY(monitor.waitForStarted());
        QByteArray said;
        auto saying = [&] { return said += monitor.readAllStandardError(); };
        QTRY_VERIFY_WITH_TIMEOUT(
            saying().contains(" open") || monitor.state() == QProcess::NotRunning, 30000);
        if (fault == int(Fault::FullDisk) && monitor.exitCode() == 97)
            QSKIP("tmpfs cannot be mounted here");
        QVERIFY2(monitor.state() == QProcess::Running, said.constData());

        QTRY_VERIFY2_WITH_TIMEOUT((pty.write(hotFrame()), !webhook.requests().isEmpty()),
                                  saying().constData(), 30000);
        QTRY_VERIFY2_WITH_TIMEOUT((pty.write(goodFrame), webhook.requests().size() >= 2),
                                  saying().constData(), 30000);
        QCOMPARE(states(webhook), (QStringList{"raised", "cleared"}));
        QCOMPARE(webhook.accepted().size(), 2);
        QVERIFY2(monitor.state() == QProcess::Running, saying().constData());
        saying();
        QCOMPARE(said.count("Alerts cannot be stored in the outbox"), 1);

        ::kill(pid_t(monitor.processId()), SIGTERM);
        QVERIFY(monitor.waitForFinished(30000));
        QVERIFY2(monitor.exitStatus() == QProcess::NormalExit && monitor.exitCode() == 0,
                 saying().constData());
        qInfo().noquote() << "monitor said:\n" << said;
    }
};

QTEST_GUILESS_MAIN(TestAlertStorage)
#include "tst_alertstorage.moc"
