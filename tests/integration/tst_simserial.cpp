#include "telemetry/framereceiver.h"
#include "telemetry/qtserialport.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;

// The monitor's receiver against the simulated controller, over a real pty:
// every frame sent at 50 frames per second must arrive and frame correctly.
class TestSimSerial : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyFrameAt50PerSecond()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyZEL"));
        const int sent = 200;
        QProcess sim;
        sim.start(QStringLiteral(ZEL_SIM_PATH),
                  {QStringLiteral("serial"), QStringLiteral("--link"), link,
                   QStringLiteral("--rate"), QStringLiteral("50"), QStringLiteral("--frames"),
                   QString::number(sent)});
        QVERIFY(sim.waitForReadyRead(5000));
        QVERIFY(sim.readLine().startsWith("ready serial"));

        QtSerialPort port([&](int) { return link; });
        FrameReceiver receiver;
        QObject::connect(&port, &SerialPort::onComm, &receiver,
                         [&](int event) { receiver.onComm(event, port.input()); });
        QSignalSpy frames(&receiver, &FrameReceiver::frameReceived);
        QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));

        QTRY_COMPARE_WITH_TIMEOUT(frames.count(), sent, 15000);
        QTest::qWait(100);
        QCOMPARE(frames.count(), sent);
        QVERIFY(receiver.buffer().isEmpty());

        sim.terminate();
        QVERIFY(sim.waitForFinished(3000));
        QVERIFY(!QFile::exists(link));
    }
};

QTEST_GUILESS_MAIN(TestSimSerial)
#include "tst_simserial.moc"
