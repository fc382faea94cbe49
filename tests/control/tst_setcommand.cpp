#include "control/setcommand.h"

#include <QTest>

using namespace zel;

class TestSetCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Frequency, power, reflect and temperature as typed; the hex of bytes 3
    // to 8, or the refusal.
    void encoding_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, QStringList typed, const char* expected) {
            QTest::newRow(name) << typed << QString::fromUtf8(expected);
        };
        row("worked example", {"100.05", "1000", "100", "45"}, "271503E8642D");
        row("87 MHz", {"87", "0", "0", "40"}, "21FC00000028");
        row("108 MHz", {"108", "9999", "0", "50"}, "2A30270F0032");
        row("98.125 halves to even", {"98.125", "", "", "45"}, "26540000002D");
        row("98.135 single product", {"98.135", "5.5", "8.5", "45"}, "26560006082D");
        row("unit typed after", {"98.5 MHz", "250W", "5", "45"}, "267A00FA052D");
        const char* badFrequency = "ความถี่ไม่ถูกต้อง";
        row("86.99", {"86.99", "0", "0", "45"}, badFrequency);
        row("108.01", {"108.01", "0", "0", "45"}, badFrequency);
        row("no number", {"FM", "0", "0", "45"}, badFrequency);
        row("9999.4 checked before rounding", {"100", "9999.4", "0", "45"},
            "กำลังส่งเกิน [MAX 9999 W]");
        row("negative power", {"100", "-1", "0", "45"}, "FORWARD TARGET(W) cannot be negative");
        row("100.4 reflect", {"100", "0", "100.4", "45"}, "REFLECT เกิน [MAX 100 W]");
        row("negative reflect", {"100", "0", "-0.2", "45"},
            "REFLECT TARGET (W) cannot be negative");
        row("39.9", {"100", "0", "0", "39.9"}, "TEMP PROTECTION [40 - 50 C]");
        row("50.1", {"100", "0", "0", "50.1"}, "TEMP PROTECTION [40 - 50 C]");
    }
    void encoding()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, expected);
        const SetCommandResult r = buildSetCommand({true, typed[0], typed[1], typed[2], typed[3]});
        if (!r.ok()) {
            QCOMPARE(r.refusal, expected);
            QVERIFY(r.command.isEmpty());
            return;
        }
        QCOMPARE(r.command.size(), 9);
        QCOMPARE(r.command.left(2), QByteArray("S1"));
        QCOMPARE(QString::fromLatin1(r.command.mid(2, 6).toHex().toUpper()), expected);
        QCOMPARE(r.command.back(), '\r');
    }

    void carrierAndRemoteForm()
    {
        QCOMPARE(buildSetCommand({std::nullopt, "100", "0", "0", "45"}).refusal,
                 QStringLiteral("Please Select Power Option!"));
        const QByteArray off = buildSetCommand({false, "100.05", "1000", "100", "45"}).command;
        QCOMPARE(off.left(2), QByteArray("S0"));
        const QByteArray on = buildSetCommand({true, "100.05", "1000", "100", "45"}).command;
        QCOMPARE(remoteSetCommand(on).toHex(' ').toUpper(),
                 QByteArray("3D 76 39 31 31 27 15 03 E8 64 2D 0D 0A"));
    }
};

QTEST_GUILESS_MAIN(TestSetCommand)
#include "tst_setcommand.moc"
