#include "control/setcommand.h"

#include <QTest>

using namespace zel;

class TestSetCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encoding_data()
    {
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("power");
        QTest::addColumn<QString>("reflect");
        QTest::addColumn<QString>("temp");
        QTest::addColumn<QByteArray>("expected"); // hex of bytes 3..8, or the refusal
        QTest::newRow("worked example") << "100.05"
                                        << "1000"
                                        << "100"
                                        << "45" << QByteArray("271503E8642D");
        QTest::newRow("87 MHz") << "87"
                                << "0"
                                << "0"
                                << "40" << QByteArray("21FC00000028");
        QTest::newRow("108 MHz") << "108"
                                 << "9999"
                                 << "0"
                                 << "50" << QByteArray("2A30270F0032");
        QTest::newRow("98.125 halves to even") << "98.125"
                                               << ""
                                               << ""
                                               << "45" << QByteArray("26540000002D");
        QTest::newRow("98.135 single product") << "98.135"
                                               << "5.5"
                                               << "8.5"
                                               << "45" << QByteArray("26560006082D");
        QTest::newRow("unit typed after") << "98.5 MHz"
                                          << "250W"
                                          << "5"
                                          << "45" << QByteArray("267A00FA052D");
        QTest::newRow("86.99") << "86.99"
                               << "0"
                               << "0"
                               << "45" << QByteArray("ความถี่ไม่ถูกต้อง");
        QTest::newRow("108.01") << "108.01"
                                << "0"
                                << "0"
                                << "45" << QByteArray("ความถี่ไม่ถูกต้อง");
        QTest::newRow("no number") << "FM"
                                   << "0"
                                   << "0"
                                   << "45" << QByteArray("ความถี่ไม่ถูกต้อง");
        QTest::newRow("9999.4 checked before rounding")
            << "100"
            << "9999.4"
            << "0"
            << "45" << QByteArray("กำลังส่งเกิน [MAX 9999 W]");
        QTest::newRow("negative power")
            << "100"
            << "-1"
            << "0"
            << "45" << QByteArray("FORWARD TARGET(W) cannot be negative");
        QTest::newRow("100.4 reflect") << "100"
                                       << "0"
                                       << "100.4"
                                       << "45" << QByteArray("REFLECT เกิน [MAX 100 W]");
        QTest::newRow("negative reflect")
            << "100"
            << "0"
            << "-0.2"
            << "45" << QByteArray("REFLECT TARGET (W) cannot be negative");
        QTest::newRow("39.9") << "100"
                              << "0"
                              << "0"
                              << "39.9" << QByteArray("TEMP PROTECTION [40 - 50 C]");
        QTest::newRow("50.1") << "100"
                              << "0"
                              << "0"
                              << "50.1" << QByteArray("TEMP PROTECTION [40 - 50 C]");
    }
    void encoding()
    {
        QFETCH(QString, frequency);
        QFETCH(QString, power);
        QFETCH(QString, reflect);
        QFETCH(QString, temp);
        QFETCH(QByteArray, expected);
        const SetCommandResult r = buildSetCommand({true, frequency, power, reflect, temp});
        if (!r.ok()) {
            QCOMPARE(r.refusal, QString::fromUtf8(expected));
            QVERIFY(r.command.isEmpty());
            return;
        }
        QCOMPARE(r.command.size(), 9);
        QCOMPARE(r.command.left(2), QByteArray("S1"));
        QCOMPARE(r.command.mid(2, 6).toHex().toUpper(), expected);
        QCOMPARE(r.command.back(), '\r');
    }

    void carrierAndRemoteForm()
    {
        QCOMPARE(buildSetCommand({std::nullopt, "100", "0", "0", "45"}).refusal,
                 QStringLiteral("Please Select Power Option!"));
        const QByteArray off = buildSetCommand({false, "100.05", "1000", "100", "45"}).command;
        QCOMPARE(off.left(2), QByteArray("S0"));
        const QByteArray on = buildSetCommand({true, "100.05", "1000", "100", "45"}).command;
        QCOMPARE(on.toHex(' ').toUpper(), QByteArray("53 31 27 15 03 E8 64 2D 0D"));
        QCOMPARE(remoteSetCommand(on).toHex(' ').toUpper(),
                 QByteArray("3D 76 39 31 31 27 15 03 E8 64 2D 0D 0A"));
    }
};

QTEST_GUILESS_MAIN(TestSetCommand)
#include "tst_setcommand.moc"
