#include "common/digitformat.h"
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

    // Every raw value reads as the scaled number formatted to its pattern.
    void everyRawValueMatchesItsPattern()
    {
        for (int raw = 0; raw <= 0xFFFF; ++raw) {
            const char bytes[] = {char(raw >> 8), char(raw & 0xFF), 0};
            const QByteArray hex = QByteArray(bytes, 2).toHex();
            QByteArray frame = workedFrame;
            for (int first : {1, 4, 7, 17})
                frame = withBytes(frame, first, hex.constData());
            TransmitterStatus s;
            ClearStatus(s);
            DecodeStatusFrame(frame, s);
            QCOMPARE(s.ForwardW, formatDigits(raw * 0.1, u"0.0"));
            if (raw < 0x8000) {
                QCOMPARE(s.DeviceId, formatDigits(raw, u"00000"));
                QCOMPARE(s.FrequencyMHz, formatDigits(raw * 0.01, u"0.00"));
                QCOMPARE(s.ModPercent, formatDigits(raw, u"0"));
            }
        }
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

    // Reads as the port delivers them; which frames come out, in order, and
    // how many blocks are thrown away.
    void framing_data()
    {
        const QByteArray f = workedFrame;
        const QByteArray g = withBytes(f, 1, "0102");
        const QByteArray h = withBytes(f, 1, "0203");
        const QByteArray crlfInside = withBytes(f, 7, "0D0A");
        QList<QByteArray> byByte;
        for (char c : f)
            byByte << QByteArray(1, c);
        using Reads = QList<QByteArray>;
        QTest::addColumn<Reads>("reads");
        QTest::addColumn<Reads>("frames");
        QTest::addColumn<int>("dropped");
        QTest::addColumn<int>("leftInBuffer");
        QTest::newRow("whole frame") << Reads{f} << Reads{f} << 0 << 0;
        QTest::newRow("split 10 + 14") << Reads{f.left(10), f.mid(10)} << Reads{f} << 0 << 0;
        QTest::newRow("byte by byte") << byByte << Reads{f} << 0 << 0;
        QTest::newRow("two frames in one read") << Reads{f + g} << Reads{f, g} << 0 << 0;
        QTest::newRow("three frames, the last split")
            << Reads{f + g + h.left(3), h.mid(3)} << Reads{f, g, h} << 0 << 0;
        QTest::newRow("48 bytes, first 24 not ending in CR LF")
            << Reads{"x" + f + f.mid(1)} << Reads{} << 1 << 0;
        QTest::newRow("frame end and next start in one read")
            << Reads{f.left(20), f.mid(20) + g.left(5), g.mid(5)} << Reads{f, g} << 0 << 0;
        QTest::newRow("joined mid-frame, then resync")
            << Reads{f.mid(10) + g.left(5), g.mid(5), h} << Reads{h} << 1 << 0;
        QTest::newRow("CR LF inside data, one read")
            << Reads{crlfInside} << Reads{crlfInside} << 0 << 0;
        QTest::newRow("read stops after inner CR LF")
            << Reads{crlfInside.left(8), crlfInside.mid(8), f} << Reads{f} << 2 << 0;
        QTest::newRow("23 bytes") << Reads{f.mid(1)} << Reads{} << 1 << 0;
        QTest::newRow("25 bytes") << Reads{"x" + f} << Reads{} << 1 << 0;
        QTest::newRow("no end yet") << Reads{f.left(12)} << Reads{} << 0 << 12;
    }
    void framing()
    {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(QList<QByteArray>, frames);
        QFETCH(int, dropped);
        FrameReceiver rx;
        QList<QByteArray> seen;
        connect(&rx, &FrameReceiver::frameReceived, [&seen](const QByteArray& b) { seen << b; });
        QSignalSpy drops(&rx, &FrameReceiver::blockDropped);
        for (const QByteArray& r : reads)
            rx.onComm(FrameReceiver::ReceiveEvent, r);
        QCOMPARE(seen, frames);
        QCOMPARE(rx.framesDecoded(), quint64(frames.size()));
        QCOMPARE(rx.blocksDropped(), quint64(dropped));
        QCOMPARE(drops.count(), dropped);
        QTEST(int(rx.buffer().size()), "leftInBuffer");
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
        QVERIFY(rx.blocksDropped() >= 2); // the noise past the cap, and the stray CR LF
    }
};

QTEST_GUILESS_MAIN(TestTelemetry)
#include "tst_telemetry.moc"
