#include "control/addresscommand.h"
#include "support/fakes.h"
#include "support/pty.h"
#include "telemetry/qtserialport.h"

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

// The bytes as they arrive at the far end of a pty, and what the operator is told.
class TestAddressCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sendsOrRefuses_data()
    {
        QTest::addColumn<QStringList>("answers"); // empty: the box was cancelled
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QStringList>("told"); // text and title
        QTest::addColumn<Icon>("icon");
        const auto row = [](const char* name, QStringList answers, const char* hex,
                            QStringList told, Icon icon = Icon::None) {
            QTest::newRow(name) << answers << QByteArray::fromHex(hex) << told << icon;
        };
        const QStringList done = {"Write Address ... Completed", "Completed"};
        const QStringList inputError = {"Input Error", "Error !!!"};
        row("lowest", {"2"}, "0002", done);
        row("highest", {"65534"}, "FFFE", done);
        row("checked before rounding, low", {"1.4"}, "0001", done);
        row("checked before rounding, high", {"65534.6"}, "FFFF", done);
        row("half to even", {"2.5"}, "0002", done);
        row("1", {"1"}, "", inputError);
        row("65535", {"65535"}, "", inputError);
        row("no number", {"abc"}, "", inputError);
        const QStringList noData = {"No Data for INPUT", "ERROR !!!"};
        row("cancelled", {}, "", noData, Icon::Critical);
        row("empty", {QString()}, "", noData, Icon::Critical);
    }
    void sendsOrRefuses()
    {
        QFETCH(QStringList, answers);
        QFETCH(QByteArray, wire);
        PtyPair pty;
        QtSerialPort port([&](int) { return pty.devicePath(); });
        QVERIFY(port.setPortOpen(true));
        FakeDialogs dialogs;
        dialogs.inputs = answers;
        Command2_Click(dialogs, port);

        QCOMPARE(dialogs.messages.size(), 1);
        QTEST(QStringList({dialogs.messages[0].text, dialogs.messages[0].title}), "told");
        QTEST(dialogs.messages[0].icon, "icon");
        QByteArray arrived;
        if (wire.isEmpty())
            QTest::qWait(50);
        QTRY_COMPARE(arrived += pty.readAvailable(), wire);
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
