// The monitor without a window, its metrics port flooded with idle
// connections from many addresses while an alarm goes out to a webhook: the
// alert arrives, scrapes are answered again, and the monitor lives on. The
// flood once took every descriptor and the first webhook post killed it.

#include "alerts/fakereceivers.h"
#include "http/httpprobe.h"
#include "support/headlessenv.h"
#include "support/pty.h"
#include "support/testframes.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace zel::testframes;

namespace {

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

int descriptorsOf(qint64 pid)
{
    return int(
        QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::Files | QDir::System).size());
}

} // namespace

class TestMetricsFlood : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void alertGoesOutThroughAFlood()
    {
        // The flood is this process's; the monitor keeps the usual 1,024.
        raiseDescriptorLimit();

        QTemporaryDir dir;
        PtyPair pty;
        FakeWebhook webhook;
        const int port = freePort();
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("config/ZEL")));
        QFile ini(dir.filePath(QStringLiteral("config/ZEL/ZEL.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=" + pty.devicePath().toLocal8Bit() +
                  "\n[Alarms]\nQualifySeconds=0\nClearSeconds=0\n[Metrics]\nListen=127.0.0.1:" +
                  QByteArray::number(port) + "\n[Alerts]\nWebhookUrl=http://127.0.0.1:" +
                  QByteArray::number(webhook.port()) + "/hook\n");
        ini.close();

        QProcess monitor;
        monitor.setProcessEnvironment(headlessEnvironment(dir));
        monitor.setChildProcessModifier([] {
            const rlimit usual{1024, 1024};
            setrlimit(RLIMIT_NOFILE, &usual);
        });
        monitor.start(QStringLiteral(ZEL_MONITOR_PATH), {QStringLiteral("--headless")});
        QVERIFY(monitor.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(httpRequest(port, "GET", "/metrics")), 200, 20000);

        // Eleven addresses, a hundred connections each: over the limits both
        // per address and in all.
        std::vector<int> crowd;
        for (int i = 0; i < 1100; ++i)
            crowd.push_back(
                idleConnection(port, ("127.0.0." + QByteArray::number(10 + i % 11)).constData()));
        QTest::qWait(1000);
        const int held = descriptorsOf(monitor.processId());
        QVERIFY2(held < 400, qPrintable(QString::number(held)));

        pty.write(goodFrame);
        pty.write(hotFrame());
        QTRY_VERIFY_WITH_TIMEOUT(!webhook.accepted().isEmpty(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(httpRequest(port, "GET", "/metrics")), 200, 20000);
        QCOMPARE(monitor.state(), QProcess::Running);

        for (int fd : crowd)
            ::close(fd);
        ::kill(pid_t(monitor.processId()), SIGTERM);
        QVERIFY(monitor.waitForFinished(10000));
        QCOMPARE(monitor.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMetricsFlood)
#include "tst_metricsflood.moc"
