#include "support/fakes.h"
#include "telemetry/framereceiver.h"
#include "telemetry/statusframe.h"

#include <QSignalSpy>
#include <QTest>

using namespace zel;

namespace {

const QByteArray workedFrame =
    QByteArray::fromHex("1F4101222E01C350015E013205C8004B0009006400630D0A");

QByteArray withBytes(QByteArray frame, int firstByteNumber, const char* hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    return frame.replace(firstByteNumber - 1, bytes.size(), bytes);
}

} // namespace

class TestTelemetry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workedExample()
    {
        TransmitterStatus s;
        DecodeStatusFrame(workedFrame, s);
        QCOMPARE(statusFields(s), QStringList({"08001", "1", "87.50", "1", "5000.0", "35.0", "30.6",
                                               "148.0", "7.5", "9", "100", "99"}));
    }

    // Fields a frame cannot fill keep the placeholders of a cleared record.
    void fieldEdges_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("expected"); // id, on air, frequency, lock, temperature
        const auto row = [](const char* name, const QByteArray& frame, QStringList expected) {
            QTest::newRow(name) << frame << expected;
        };
        row("id 0", withBytes(workedFrame, 1, "0000"), {"00000", "1", "87.50", "1", "30.6"});
        row("id 32767", withBytes(workedFrame, 1, "7FFF"), {"32767", "1", "87.50", "1", "30.6"});
        row("id high byte 0x80", withBytes(workedFrame, 1, "8000"),
            {"-----", "1", "87.50", "1", "30.6"});
        row("frequency 7FFF", withBytes(workedFrame, 4, "7FFF"),
            {"08001", "1", "327.67", "1", "30.6"});
        row("temperature 0", withBytes(workedFrame, 11, "0000"),
            {"08001", "1", "87.50", "1", "0.0"});
        row("temperature overflow", withBytes(workedFrame, 11, "FF01"),
            {"08001", "1", "87.50", "1", "---.-"});
        row("flags other than 1 are false", withBytes(withBytes(workedFrame, 3, "02"), 6, "FF"),
            {"08001", "0", "87.50", "0", "30.6"});
    }
    void fieldEdges()
    {
        QFETCH(QByteArray, frame);
        TransmitterStatus s;
        ClearStatus(s);
        DecodeStatusFrame(frame, s);
        const QStringList f = statusFields(s);
        QTEST(QStringList({f[0], f[1], f[2], f[3], f[6]}), "expected");
        QCOMPARE(s.ForwardW, QStringLiteral("5000.0")); // full range group always decodes
    }

    // Reads as the port delivers them; which of them complete a frame.
    void framing_data()
    {
        const QByteArray f = workedFrame;
        const QByteArray crlfInside = withBytes(f, 7, "0D0A");
        QList<QByteArray> byByte;
        for (char c : f)
            byByte << QByteArray(1, c);
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("leftInBuffer");
        QTest::newRow("whole frame") << QList<QByteArray>{f} << 1 << 0;
        QTest::newRow("split 10 + 14") << QList<QByteArray>{f.left(10), f.mid(10)} << 1 << 0;
        QTest::newRow("byte by byte") << byByte << 1 << 0;
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
