#include "control/addresscommand.h"
#include "forms/qtserialport.h"
#include "support/fakes.h"
#include "support/pty.h"

#include <QTest>

using namespace zel;
using Icon = OperatorDialogs::Icon;

namespace {

// A port that takes nothing: a failed write cannot be forced on a real one.
class RefusingPort final : public SerialPort {
public:
    void setCommPort(int) override {}
    int commPort() const override { return 2; }
    QString deviceName() const override { return QStringLiteral("/dev/ttyS1"); }
    bool portOpen() const override { return true; }
    bool setPortOpen(bool) override { return true; }
    QString errorString() const override { return QStringLiteral("Input/output error"); }
    QByteArray input() override { return {}; }
    bool output(const QByteArray&) override { return false; }
};

} // namespace

class TestAddressCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sendsOrRefuses_data()
    {
        QTest::addColumn<QStringList>("answers"); // empty: the box was cancelled
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<Icon>("icon");

        const QString done = QStringLiteral("Write Address ... Completed");
        const QString completed = QStringLiteral("Completed");
        auto sent = [&](const char* row, const char* input, const char* hex) {
            QTest::newRow(row) << QStringList{QString::fromLatin1(input)}
                               << QByteArray::fromHex(hex) << done << completed << Icon::None;
        };
        sent("lowest", "2", "0002");
        sent("highest", "65534", "FFFE");
        sent("example", "300", "012C");
        sent("checked before rounding, low", "1.4", "0001");
        sent("checked before rounding, high", "65534.6", "FFFF");
        sent("half to even", "2.5", "0002");
        sent("trailing text", "300 xyz", "012C");

        auto refused = [&](const char* row, const char* input) {
            QTest::newRow(row) << QStringList{QString::fromLatin1(input)} << QByteArray()
                               << QStringLiteral("Input Error") << QStringLiteral("Error !!!")
                               << Icon::None;
        };
        refused("1", "1");
        refused("65535", "65535");
        refused("0", "0");
        refused("negative", "-5");
        refused("no number", "abc");

        for (const auto& [row, answers] :
             {std::pair{"cancelled", QStringList{}}, std::pair{"empty", QStringList{QString()}}})
            QTest::newRow(row) << answers << QByteArray() << QStringLiteral("No Data for INPUT")
                               << QStringLiteral("ERROR !!!") << Icon::Critical;
    }
    void sendsOrRefuses()
    {
        QFETCH(QStringList, answers);
        QFETCH(QByteArray, wire);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(Icon, icon);

        PtyPair pty;
        QtSerialPort port([&](int) { return pty.devicePath(); });
        QVERIFY(port.setPortOpen(true));
        FakeDialogs dialogs;
        dialogs.inputs = answers;
        Command2_Click(dialogs, port);

        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, text);
        QCOMPARE(dialogs.messages[0].title, title);
        QCOMPARE(dialogs.messages[0].icon, icon);
        QByteArray arrived;
        if (wire.isEmpty()) {
            QTest::qWait(50);
            QCOMPARE(pty.readAvailable(), QByteArray());
        } else {
            QTRY_COMPARE(arrived += pty.readAvailable(), wire);
        }
    }

    // Without a port that took the bytes there is no "Completed".
    void nothingConfirmedUnlessThePortTookIt()
    {
        PtyPair pty;
        QtSerialPort closed([&](int) { return pty.devicePath(); });
        closed.setCommPort(4);
        RefusingPort refusing;
        for (SerialPort* port : std::initializer_list<SerialPort*>{&closed, &refusing}) {
            FakeDialogs dialogs;
            dialogs.inputs = {QStringLiteral("300")};
            Command2_Click(dialogs, *port);
            QCOMPARE(dialogs.messages.size(), 1);
            QCOMPARE(dialogs.messages[0].title, QStringLiteral("Error !!!"));
            QVERIFY(dialogs.messages[0].text.contains(port->deviceName()));
        }
        QCOMPARE(pty.readAvailable(), QByteArray());
    }
};

QTEST_MAIN(TestAddressCommand)
#include "tst_addresscommand.moc"
