#include "support/pty.h"
#include "telemetry/qtserialport.h"

#include <QSignalSpy>
#include <QTest>

using namespace zel;

// Bytes both ways through the adapter and a device that will not open are
// covered end to end by the window, address and setup dialog tests.
class TestQtSerialPort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A pulled adapter: Qt keeps reporting read errors while the port reads as
    // open. The port must close and say so once, not spin.
    void vanishedDeviceClosesOnce()
    {
        PtyPair pty;
        QtSerialPort port([&](int) { return pty.devicePath(); });
        QVERIFY(port.setPortOpen(true));
        QSignalSpy failed(&port, &SerialPort::portFailed);
        pty.closeMaster();
        QTRY_COMPARE(failed.count(), 1);
        QTest::qWait(100);
        QCOMPARE(failed.count(), 1);
        QVERIFY(!port.portOpen());
        QVERIFY(!port.output("x"));
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
