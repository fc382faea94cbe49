#include "forms/qtserialport.h"
#include "support/pty.h"

#include <QSignalSpy>
#include <QTest>

using namespace zel;

class TestQtSerialPort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void receivesAndSendsRawBytes()
    {
        PtyPair pty;
        QVERIFY(pty.isValid());
        QtSerialPort port([&](int) { return pty.devicePath(); });
        port.setCommPort(3);
        QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));

        QSignalSpy events(&port, &SerialPort::onComm);
        const QByteArray frame = QByteArray::fromHex("1F41 01 222E 01 C350 015E 0132 05C8 004B "
                                                     "0009 0064 0063 0D0A 80FF00");
        pty.write(frame);
        QByteArray got;
        QTRY_VERIFY((got += port.input()).size() >= frame.size());
        QCOMPARE(got, frame);
        QCOMPARE(events.first().at(0).toInt(), 2);

        const QByteArray out = QByteArray::fromHex("53312715 03E8642D0D");
        QVERIFY(port.output(out));
        QByteArray sent;
        QTRY_COMPARE(sent += pty.readAvailable(), out);
    }

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

    void missingDeviceFailsWithReason()
    {
        QtSerialPort port([](int) { return QStringLiteral("/dev/zel-no-such-port"); });
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(!port.errorString().isEmpty());
        QVERIFY(!port.portOpen());
        QVERIFY(!port.output("x"));
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
