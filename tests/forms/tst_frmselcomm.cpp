#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "config/settingskeys.h"
#include "forms/frmselcomm.h"
#include "support/fakes.h"
#include "support/pty.h"
#include "telemetry/qtserialport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;

namespace {

// Port 4 is a pty, port 5 a device that does not exist. The serial control
// starts on port `number`, open or not, as the main window left it.
struct Rig {
    QTemporaryDir dir;
    PtyPair pty;
    std::unique_ptr<QtSettingsStore> store;
    std::unique_ptr<QtSerialPort> port;
    FakeDialogs dialogs;
    std::unique_ptr<FrmSelComm> dialog;

    Rig(int number, bool open, const QString& vCommport, QList<SerialDevice> devices = {})
    {
        QFile ini(dir.filePath(QStringLiteral("ZEL.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Ports]\n4=" + pty.devicePath().toLocal8Bit() + "\n5=/dev/zel-missing\n");
        ini.close();
        store = std::make_unique<QtSettingsStore>(ini.fileName());
        port =
            std::make_unique<QtSerialPort>([this](int n) { return serialDeviceName(n, *store); });
        port->setCommPort(number);
        port->setPortOpen(open);
        dialog = std::make_unique<FrmSelComm>(*port, *store, vCommport, dialogs, nullptr,
                                              [devices] { return devices; });
        dialog->show();
    }
    QString stored(const QString& key) const
    {
        return store->read(keys::Section, key, QStringLiteral("absent"));
    }
    QString ticks() const
    {
        QString s;
        for (const QCheckBox* box : {dialog->Check1(), dialog->Check2(), dialog->Check3()})
            s += box->isChecked() ? u'1' : u'0';
        return s;
    }
    static void click(QCheckBox* box)
    {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    }
    bool onThePty()
    {
        QByteArray got;
        return port->portOpen() && port->output("ok") &&
               QTest::qWaitFor([&] { return (got += pty.readAvailable()) == "ok"; }, 2000);
    }
};

} // namespace

class TestFrmSelComm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void atMostOneBoxTicked()
    {
        Rig rig(1, false, QStringLiteral("0"));
        Rig::click(rig.dialog->Check1());
        Rig::click(rig.dialog->Check2());
        QCOMPARE(rig.ticks(), QStringLiteral("010"));
        Rig::click(rig.dialog->Check3());
        QCOMPARE(rig.ticks(), QStringLiteral("001"));
        Rig::click(rig.dialog->Check3());
        QCOMPARE(rig.ticks(), QStringLiteral("000"));
        // Esc closes nothing: the dialog has no cancel button.
        QTest::keyClick(rig.dialog->Text1(), Qt::Key_Escape);
        QTest::keyClick(rig.dialog->Text1(), Qt::Key_Return);
        QVERIFY(rig.dialog->isVisible());
    }

    // Flags as stored, one digit per box; the ticks as the dialog shows them.
    void filledFromTheMainWindow_data()
    {
        QTest::addColumn<QString>("vCommport");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("ticks");
        const auto row = [](const char* name, const char* port, const char* flags, int entry,
                            const char* ticks) {
            QTest::newRow(name) << QString::fromLatin1(port) << QString::fromLatin1(flags) << entry
                                << QString::fromLatin1(ticks);
        };
        row("port 3, serial", "3", "100", 2, "100");
        row("all flags on: the last wins", "3", "111", 2, "001");
        row("no port stored", "0", "010", -1, "010");
        row("port above the list", "16", "100", -1, "100");
        row("flag above 1", "15", "200", 14, "000");
    }
    void filledFromTheMainWindow()
    {
        QFETCH(QString, vCommport);
        QFETCH(QString, flags);
        LinkSettings link;
        link.vCommON = std::uint8_t(flags[0].digitValue());
        link.vTCPON = std::uint8_t(flags[1].digitValue());
        link.vDDNSON = std::uint8_t(flags[2].digitValue());
        link.vDDNSURL = QStringLiteral("fm.example.net");
        link.vCommport = vCommport;
        Rig rig(1, false, vCommport);
        rig.dialog->fillFrom(link);
        QTEST(rig.dialog->listIndex(), "entry");
        QTEST(rig.ticks(), "ticks");
        QCOMPARE(rig.dialog->Text3()->text(), link.vDDNSURL);
    }

    void okSavesTheLink_data()
    {
        QTest::addColumn<bool>("serial");
        QTest::newRow("serial on port 4") << true;
        QTest::newRow("design values, nothing ticked") << false;
    }
    void okSavesTheLink()
    {
        QFETCH(bool, serial);
        Rig rig(2, false, QStringLiteral("0"));
        if (serial) {
            Rig::click(rig.dialog->Check1());
            rig.dialog->Combo1()->setCurrentIndex(3);
        }
        QTest::mouseClick(rig.dialog->OKButton(), Qt::LeftButton);
        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.onThePty(), serial);
        QStringList stored;
        for (const QString& key : {keys::CommPort, keys::CommON, keys::TCPON, keys::IP, keys::PORT,
                                   keys::DDNS_URL, keys::DDNS_PORT})
            stored << rig.stored(key);
        QCOMPARE(stored, QStringList({serial ? "4" : "2", serial ? "1" : "0", "0", "0.0.0.0", "0",
                                      "", "0"}));
    }

    // Beside the chosen entry, the device it maps to; a device of the system
    // chosen for it is mapped on OK, and the port opens there.
    void deviceChosenForThePort_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void deviceChosenForThePort()
    {
        QFETCH(bool, ok);
        PtyPair adapter;
        Rig rig(2, false, QStringLiteral("0"),
                {{QStringLiteral("/dev/ttyS0"), QString()},
                 {adapter.devicePath(), QStringLiteral("USB serial adapter")}});
        QComboBox* devices = rig.dialog->DeviceList();
        QCOMPARE(devices->count(), 2);
        QCOMPARE(devices->itemText(1), adapter.devicePath() + " (USB serial adapter)");
        rig.dialog->Combo1()->setCurrentIndex(3);
        QCOMPARE(rig.dialog->PortDevice()->text(), "Port 4: " + rig.pty.devicePath());
        rig.dialog->Combo1()->setCurrentIndex(0);
        QCOMPARE(rig.dialog->PortDevice()->text(), QStringLiteral("Port 1: /dev/ttyS0"));
        QCOMPARE(devices->currentIndex(), 0);
        rig.dialog->Combo1()->setCurrentIndex(5);
        QCOMPARE(devices->currentIndex(), -1);
        QTest::keyClick(devices, Qt::Key_Down);
        QTest::keyClick(devices, Qt::Key_Down);
        QCOMPARE(rig.dialog->PortDevice()->text(), "Port 6: " + adapter.devicePath());
        Rig::click(rig.dialog->Check1());
        QTest::mouseClick(ok ? rig.dialog->OKButton() : rig.dialog->CancelButton(), Qt::LeftButton);
        QVERIFY(rig.dialogs.messages.isEmpty());
        QCOMPARE(rig.store->read(keys::PortsSection, QStringLiteral("6"), QStringLiteral("none")),
                 ok ? adapter.devicePath() : QStringLiteral("none"));
        QCOMPARE(rig.stored(keys::CommPort), ok ? QStringLiteral("6") : QStringLiteral("absent"));
        QCOMPARE(rig.port->portOpen(), ok);
        if (ok) {
            QVERIFY(rig.port->output("ok"));
            QByteArray got;
            QVERIFY(
                QTest::qWaitFor([&] { return (got += adapter.readAvailable()) == "ok"; }, 5000));
        }
    }

    // The operator is told, nothing is saved, the dialog stays; Cancel then
    // puts the link back on the port it had.
    void okThatCannotOpenKeepsTheDialog_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("typed");
        QTest::newRow("device missing") << 4 << QString();
        // Entry 3 would open: only the typing stands in the way.
        QTest::newRow("no entry, text typed") << 3 << QStringLiteral("COM4");
    }
    void okThatCannotOpenKeepsTheDialog()
    {
        QFETCH(int, entry);
        QFETCH(QString, typed);
        Rig rig(4, true, QStringLiteral("4"));
        Rig::click(rig.dialog->Check1());
        rig.dialog->Combo1()->setCurrentIndex(entry);
        if (!typed.isEmpty()) {
            rig.dialog->Combo1()->lineEdit()->clear();
            QTest::keyClicks(rig.dialog->Combo1()->lineEdit(), typed);
        }
        QTest::mouseClick(rig.dialog->OKButton(), Qt::LeftButton);
        QCOMPARE(rig.dialogs.messages.size(), 1);
        const auto& told = rig.dialogs.messages[0];
        QCOMPARE(told.title, QStringLiteral("Error !!!"));
        QVERIFY(told.text.startsWith(QStringLiteral("Error : ")) && told.text.size() > 8);
        QVERIFY(told.text.endsWith(QStringLiteral("\r\nPlease select another port.")));
        QVERIFY(rig.dialog->isVisible());
        // With no entry there was nothing to switch to: the link kept running.
        QCOMPARE(rig.port->portOpen(), !typed.isEmpty());
        QCOMPARE(rig.stored(keys::CommPort), QStringLiteral("absent"));
        QCOMPARE(rig.stored(keys::CommON), QStringLiteral("absent"));

        QTest::mouseClick(rig.dialog->CancelButton(), Qt::LeftButton);
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.port->commPort(), 4);
        QVERIFY(rig.onThePty());
    }

    void cancelReopensTheStoredPort_data()
    {
        QTest::addColumn<int>("saved");
        QTest::addColumn<QString>("vCommport");
        QTest::addColumn<bool>("closeBox");
        QTest::addColumn<bool>("reopened");
        QTest::newRow("stored port reopened") << 4 << "4" << false << true;
        QTest::newRow("close box acts as Cancel") << 4 << "4" << true << true;
        QTest::newRow("no port stored") << 4 << "0" << false << false;
        QTest::newRow("reopening fails") << 5 << "5" << false << false;
    }
    void cancelReopensTheStoredPort()
    {
        QFETCH(int, saved);
        QFETCH(QString, vCommport);
        QFETCH(bool, closeBox);
        QFETCH(bool, reopened);
        Rig rig(saved, false, vCommport);
        if (closeBox)
            rig.dialog->close();
        else
            QTest::mouseClick(rig.dialog->CancelButton(), Qt::LeftButton);
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.onThePty(), reopened);
        // A port that will not reopen is said, and the program goes on.
        QCOMPARE(rig.dialogs.messages.size(), saved == 5 ? 1 : 0);
        if (saved == 5)
            QVERIFY(rig.dialogs.messages[0].text.startsWith(QStringLiteral("Error : ")));
    }
};

QTEST_MAIN(TestFrmSelComm)
#include "tst_frmselcomm.moc"
