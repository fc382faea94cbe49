#include "forms/statuspanel.h"
#include "support/monitorrig.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace zel;

namespace {

// The simulated gateway, misbehaving as asked; its port is kept across
// restarts so the monitor's settings stay valid.
struct SimGateway {
    QProcess process;
    quint16 port = 0;

    bool start(const QString& fault, quint16 onPort = 0)
    {
        process.start(QStringLiteral(ZEL_SIM_PATH),
                      {QStringLiteral("gateway"), QStringLiteral("--port"), QString::number(onPort),
                       QStringLiteral("--fault"), fault});
        if (!process.waitForReadyRead(5000))
            return false;
        port = process.readLine().trimmed().split(' ').last().toUShort();
        return port != 0;
    }
    ~SimGateway()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
};

Form1Parts quickPolling()
{
    Form1Parts parts;
    parts.remote.limits.connectLimitSeconds = 1;
    parts.remote.limits.sendSettleMs = 300;
    parts.remote.limits.closeSettleMs = 10;
    parts.remote.tcpIntervalMs = 60000; // ticks are driven by the test
    return parts;
}

// One poll, to the end of its exchange.
bool poll(MonitorRig& rig)
{
    QSignalSpy finished(&rig.form->remoteLink(), &RemoteLink::exchangeFinished);
    rig.form->remoteLink().TMgetTCP_Timer();
    return finished.wait(10000);
}

} // namespace

// Whatever the gateway does, the monitor keeps running, says what happened in
// the trace, and takes the values again as soon as the gateway behaves.
class TestGatewayFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void survivesAndRecovers_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("traced");
        QTest::addColumn<bool>("decoded");
        const auto row = [](const char* name, const char* fault, const char* traced, bool decoded) {
            QTest::newRow(name) << QString::fromLatin1(fault) << QString::fromLatin1(traced)
                                << decoded;
        };
        row("refuse", "refuse", "Error[9]", false);
        row("never answers", "silent", "send >", false);
        row("answers too late", "late", "Closed", false);
        // Half a reply is still a reply: decoded at the close, missing fields 0.
        row("resets mid-reply", "reset", "send >", true);
        row("split reply", "split", "08001", true);
        row("a megabyte of garbage", "garbage", "", true);
    }
    void survivesAndRecovers()
    {
        QFETCH(QString, fault);
        QFETCH(QString, traced);
        QFETCH(bool, decoded);
        SimGateway bad;
        QVERIFY(bad.start(fault));
        MonitorRig rig("[Setting]\nTCPON=1\nIP=127.0.0.1\nPORT=" + QByteArray::number(bad.port) +
                           "\n",
                       true, {}, quickPolling());
        rig.form->start();
        QVERIFY(poll(rig));
        QVERIFY2(rig.trace().contains(traced), qPrintable(rig.trace().left(300)));
        QCOMPARE(rig.form->powerOn(), decoded);
        if (fault == QStringLiteral("split"))
            QCOMPARE(rig.form->status().DeviceId, QStringLiteral("08001"));
        // The trace area and the trace file stay bounded whatever arrived: a
        // reply is recorded up to 256 bytes and a note of the rest.
        QVERIFY(rig.form->findChild<QPlainTextEdit*>()->blockCount() <= 1000);
        QVERIFY2(rig.trace().size() < 1000, qPrintable(rig.trace().right(80)));
        QCOMPARE(rig.trace().contains(QStringLiteral(" more bytes dropped]")),
                 fault == QStringLiteral("garbage"));
        QVERIFY(QFileInfo(rig.form->remoteLink().traceFile().path()).size() < 1000);

        const quint16 port = bad.port;
        bad.process.terminate();
        QVERIFY(bad.process.waitForFinished(3000));
        SimGateway good;
        QVERIFY(good.start(QStringLiteral("none"), port));
        rig.form->Timer1_Timer(); // PowerOn back to false
        QVERIFY(poll(rig));
        QVERIFY(rig.form->powerOn());
        QCOMPARE(rig.form->status().DeviceId, QStringLiteral("08001"));
    }
};

QTEST_MAIN(TestGatewayFaults)
#include "tst_gatewayfaults.moc"
