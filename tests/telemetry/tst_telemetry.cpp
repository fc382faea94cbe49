#include "telemetry/framereceiver.h"
#include "telemetry/statusframe.h"

#include <QSignalSpy>
#include <QTest>

using namespace zel;

namespace {

const QByteArray workedFrame =
    QByteArray::fromHex("1F4101222E01C350015E013205C8004B0009006400630D0A");

QByteArray withBytes(QByteArray frame, int firstByteNumber, const QByteArray& bytes)
{
    frame.replace(firstByteNumber - 1, bytes.size(), bytes);
    return frame;
}

} // namespace

class TestTelemetry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workedExample()
    {
        TransmitterStatus s;
        DecodeStatusFrame(workedFrame, s);
        QCOMPARE(s.DeviceId, QStringLiteral("08001"));
        QVERIFY(s.OnAir);
        QCOMPARE(s.FrequencyMHz, QStringLiteral("87.50"));
        QVERIFY(s.FreqLock);
        QCOMPARE(s.ForwardW, QStringLiteral("5000.0"));
        QCOMPARE(s.ReflectW, QStringLiteral("35.0"));
        QCOMPARE(s.TemperatureC, QStringLiteral("30.6"));
        QCOMPARE(s.VoltageV, QStringLiteral("148.0"));
        QCOMPARE(s.CurrentA, QStringLiteral("7.5"));
        QCOMPARE(s.ModPercent, QStringLiteral("9"));
        QCOMPARE(s.AudioLeft, QStringLiteral("100"));
        QCOMPARE(s.AudioRight, QStringLiteral("99"));
    }

    void fieldEdges_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("deviceId");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("temperature");
        QTest::addColumn<bool>("onAir");
        QTest::addColumn<bool>("lock");
        QTest::newRow("id 0") << withBytes(workedFrame, 1, QByteArray::fromHex("0000")) << "00000"
                              << "87.50"
                              << "30.6" << true << true;
        QTest::newRow("id 32767") << withBytes(workedFrame, 1, QByteArray::fromHex("7FFF"))
                                  << "32767"
                                  << "87.50"
                                  << "30.6" << true << true;
        QTest::newRow("id high byte 0x80 keeps old")
            << withBytes(workedFrame, 1, QByteArray::fromHex("8000")) << "-----"
            << "87.50"
            << "30.6" << true << true;
        QTest::newRow("frequency 7FFF")
            << withBytes(workedFrame, 4, QByteArray::fromHex("7FFF")) << "08001"
            << "327.67"
            << "30.6" << true << true;
        QTest::newRow("temperature 0")
            << withBytes(workedFrame, 11, QByteArray::fromHex("0000")) << "08001"
            << "87.50"
            << "0.0" << true << true;
        QTest::newRow("temperature overflow keeps old")
            << withBytes(workedFrame, 11, QByteArray::fromHex("FF01")) << "08001"
            << "87.50"
            << "---.-" << true << true;
        QTest::newRow("flags other than 1 are false")
            << withBytes(withBytes(workedFrame, 3, QByteArray::fromHex("02")), 6,
                         QByteArray::fromHex("FF"))
            << "08001"
            << "87.50"
            << "30.6" << false << false;
    }
    void fieldEdges()
    {
        QFETCH(QByteArray, frame);
        TransmitterStatus s;
        ClearStatus(s);
        DecodeStatusFrame(frame, s);
        QTEST(s.DeviceId, "deviceId");
        QTEST(s.FrequencyMHz, "frequency");
        QTEST(s.TemperatureC, "temperature");
        QTEST(s.OnAir, "onAir");
        QTEST(s.FreqLock, "lock");
        QCOMPARE(s.ForwardW, QStringLiteral("5000.0")); // full range group always decodes
    }

    // Reads as the port delivers them; which of them complete a frame.
    void framing_data()
    {
        const QByteArray f = workedFrame;
        QByteArray crlfInside = withBytes(f, 7, QByteArray::fromHex("0D0A"));
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("leftInBuffer");
        QTest::newRow("whole frame") << QList<QByteArray>{f} << 1 << 0;
        QTest::newRow("split 10 + 14") << QList<QByteArray>{f.left(10), f.mid(10)} << 1 << 0;
        QTest::newRow("byte by byte") << [&] {
            QList<QByteArray> r;
            for (char c : f)
                r << QByteArray(1, c);
            return r;
        }() << 1 << 0;
        QTest::newRow("two frames in one read") << QList<QByteArray>{f + f} << 0 << 0;
        QTest::newRow("frame end and next start, then resync")
            << QList<QByteArray>{f.left(20), f.mid(20) + f.left(5), f.mid(5), f} << 1 << 0;
        QTest::newRow("CR LF inside data, one read") << QList<QByteArray>{crlfInside} << 1 << 0;
        QTest::newRow("read stops after inner CR LF")
            << QList<QByteArray>{crlfInside.left(8), crlfInside.mid(8), f} << 1 << 0;
        QTest::newRow("23 bytes") << QList<QByteArray>{f.mid(1)} << 0 << 0;
        QTest::newRow("25 bytes") << QList<QByteArray>{"x" + f} << 0 << 0;
        QTest::newRow("no end yet") << QList<QByteArray>{f.left(12)} << 0 << 12;
    }
    void framing()
    {
        QFETCH(QList<QByteArray>, reads);
        FrameReceiver rx;
        QSignalSpy frames(&rx, &FrameReceiver::frameReceived);
        for (const QByteArray& r : reads)
            rx.onComm(FrameReceiver::ReceiveEvent, r);
        QTEST(int(frames.count()), "frames");
        QTEST(int(rx.buffer().size()), "leftInBuffer");
        for (const auto& args : frames)
            QCOMPARE(args.at(0).toByteArray().size(), 24);
    }

    void otherEventsChangeNothing()
    {
        FrameReceiver rx;
        rx.onComm(FrameReceiver::ReceiveEvent, workedFrame.left(5));
        rx.onComm(3, workedFrame.mid(5));
        QCOMPARE(rx.buffer(), workedFrame.left(5));
    }

    // A line that never ends a frame must not grow the buffer without end,
    // yet a frame right after the noise is still found.
    void capOnNoise()
    {
        FrameReceiver rx(64);
        QSignalSpy frames(&rx, &FrameReceiver::frameReceived);
        for (int i = 0; i < 100; ++i)
            rx.onComm(FrameReceiver::ReceiveEvent, QByteArray(10, 'x'));
        QVERIFY(rx.buffer().size() <= 64);
        rx.onComm(FrameReceiver::ReceiveEvent, "\r\n");
        rx.onComm(FrameReceiver::ReceiveEvent, workedFrame);
        QCOMPARE(frames.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTelemetry)
#include "tst_telemetry.moc"
