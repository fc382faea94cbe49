#include "alarms/shelf.h"
#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "forms/accountlogindialog.h"
#include "forms/digitbox.h"
#include "forms/form1.h"
#include "forms/frmselcomm.h"
#include "forms/ledindicator.h"
#include "forms/setparameterpanel.h"
#include "forms/statuspanel.h"
#include "forms/traymenu.h"
#include "support/monitorrig.h"
#include "support/testframes.h"
#include "telemetry/qtserialport.h"
#include "web/accountfile.h"
#include "web/operatorlock.h"
#include "web/passwordhash.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace zel;
using namespace zel::testframes;

namespace {

// On air and locked, temperature 30.6, forward 5000 W, reflect 35 W: no alarm.
// The variants below each raise one alarm.
QByteArray alarmFrame(const char* kind)
{
    QByteArray f = goodFrame;
    if (qstrcmp(kind, "off air") == 0)
        f[2] = 0;
    else if (qstrcmp(kind, "unlocked") == 0)
        f[5] = 0;
    else if (qstrcmp(kind, "hot") == 0)
        f.replace(10, 2, QByteArray::fromHex("01C3")); // 45.1
    else if (qstrcmp(kind, "reflect") == 0)
        f.replace(8, 2, QByteArray::fromHex("0BB9")); // 300.1 W of 5000 W
    return f;
}

const QByteArray serialIni = "[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=@PTY@\n";

// The monitor on the serial link with the window's lock, one operator "op".
struct LockedRig {
    MonitorRig rig;
    OperatorLock lock;
    LockedRig(const QByteArray& requireLogin, const QByteArray& hash)
        : rig(serialIni + "[Control]\nRequireLogin=" + requireLogin + "\n"),
          lock(*rig.settings, accountFilePath(rig.iniPath()))
    {
        if (!hash.isEmpty()) {
            AccountFile accounts(accountFilePath(rig.iniPath()));
            accounts.add({QStringLiteral("op"), Role::Operator, hash});
            accounts.save(nullptr);
        }
        rig.form->setOperatorLock(&lock);
        rig.form->Form_Load();
        SetParameterPanel& panel = *rig.form->setParameterPanel();
        panel.optionOn()->setChecked(true);
        panel.frequency()->setText(QStringLiteral("87.50"));
        panel.bytePause()->setText(QStringLiteral("1"));
    }
    AccountLoginDialog* signIn() const { return rig.form->findChild<AccountLoginDialog*>(); }
    // The set command as it reached the transmitter's end.
    QByteArray sent()
    {
        QByteArray got;
        (void)QTest::qWaitFor([&] { return (got += rig.pty.readAvailable()).size() >= 9; }, 5000);
        return got;
    }
};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsInTrayWithSettingsLoaded()
    {
        MonitorRig rig("");
        rig.form->start();
        // The drawn icon at every designed size, not the empty default.
        const QList<QSize> sizes = rig.form->windowIcon().availableSizes();
        for (int px : {16, 32, 48})
            QVERIFY(sizes.contains(QSize(px, px)));
        QVERIFY(!rig.tray->icon.isNull());
        QVERIFY(rig.tray->shows >= 1);
        QVERIFY(!rig.form->isVisible());
        QVERIFY(rig.form->timer1().isActive());
        QVERIFY(!rig.form->tmGetTcp().isActive());
        QCOMPARE(rig.form->status().DeviceId, QStringLiteral("-----"));
        QVERIFY(rig.form->setParameterPanel()->optionOff()->isChecked());
    }

    // A first start has no link to lose: the window and the tray say where to
    // set one, and the watchdog raises no link_lost until one is chosen.
    void noLinkSaysWhereToSetIt_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("nothing set") << QByteArray("") << false;
        QTest::newRow("all switched off")
            << QByteArray("[Setting]\nCommON=0\nTCPON=0\nDDNSON=0\n") << false;
        QTest::newRow("serial") << serialIni << true;
        QTest::newRow("gateway") << QByteArray("[Setting]\nTCPON=1\nIP=127.0.0.1\nPORT=1\n")
                                 << true;
        QTest::newRow("host name")
            << QByteArray("[Setting]\nDDNSON=1\nDDNS_URL=127.0.0.1\nDDNS_PORT=1\n") << true;
    }
    void noLinkSaysWhereToSetIt()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, chosen);
        MonitorRig rig(ini);
        QSignalSpy lost(&rig.form->core(), &MonitorCore::linkLost);
        rig.form->start();
        rig.form->Timer1_Timer();
        QCOMPARE(lost.size(), chosen ? 1 : 0);
        auto* hint = rig.form->findChild<QLabel*>(QStringLiteral("NoLinkHint"));
        QCOMPARE(hint->isVisibleTo(rig.form.get()), !chosen);
        QCOMPARE(rig.tray->toolTip.contains(Form1::NoLinkHint), !chosen);
        QVERIFY(rig.tray->toolTip.startsWith(Form1::TrayToolTip));
    }

    // One of several monitors on the PC names its profile in the caption,
    // the tray's tooltip and its messages; without one they are as designed.
    void profileNamedInCaptionAndTray_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("design");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("none") << QString() << serialIni << "FM Monitor By ZEL Broadcast"
                              << "FM Monitor By ZEL Broadcast [ Version 2.0.3 ]"
                              << "ZEL FM Status";
        QTest::newRow("main") << "main" << serialIni << "FM Monitor By ZEL Broadcast — main"
                              << "FM Monitor By ZEL Broadcast — main [ Version 2.0.3 ]"
                              << "ZEL FM Status — main";
        QTest::newRow("main, no link")
            << "main" << QByteArray() << "FM Monitor By ZEL Broadcast — main"
            << "FM Monitor By ZEL Broadcast — main [ Version 2.0.3 ]"
            << "ZEL FM Status — main\nNo link is set: open Setup from the tray menu.";
    }
    void profileNamedInCaptionAndTray()
    {
        QFETCH(QString, profile);
        QFETCH(QByteArray, ini);
        MonitorRig rig(ini);
        rig.form->setProfile(profile);
        QTEST(rig.form->windowTitle(), "design");
        rig.form->start();
        QTEST(rig.form->windowTitle(), "caption");
        QTEST(rig.tray->toolTip, "toolTip");
        rig.form->notify(QStringLiteral("Readback not confirmed after 10 s"));
        QTEST(rig.tray->messageTitles.value(0), "design");
    }

    // A port that cannot be opened must not leave design texts such as
    // "1000" W in the fields, nor stop polling or the caption.
    void unopenablePortStillLoadsTheRest_data()
    {
        QTest::addColumn<bool>("trayAvailable");
        QTest::newRow("tray message") << true;
        QTest::newRow("notice without a tray") << false;
    }
    void unopenablePortStillLoadsTheRest()
    {
        QFETCH(bool, trayAvailable);
        MonitorRig rig("[Setting]\nCommON=1\nTCPON=1\nComm Port=7\nSETPOWERT=250\n"
                       "[Ports]\n7=/dev/zel-missing\n",
                       trayAvailable);
        rig.form->start();
        const QStringList& told = trayAvailable ? rig.tray->messages : rig.dialogs->notices;
        QCOMPARE(told.size(), 1);
        QVERIFY(told.first().contains(QStringLiteral("/dev/zel-missing")));
        QVERIFY(rig.trace().contains(QStringLiteral("cannot be opened")));
        QCOMPARE(rig.form->setParameterPanel()->forwardTarget()->text(), QStringLiteral("250"));
        QVERIFY(rig.form->tmGetTcp().isActive());
        QVERIFY(rig.form->windowTitle().endsWith(QStringLiteral("[ Version 2.0.3 ]")));
        QCOMPARE(rig.form->isVisible(), !trayAvailable);
    }

    // A confirmed readback is news, not trouble: the tray says it with the
    // information icon, and trouble keeps the warning.
    void newsAndTroubleHaveTheirIcons()
    {
        MonitorRig rig(serialIni);
        rig.form->notify(QStringLiteral("Readback not confirmed after 10 s"));
        rig.form->inform(QStringLiteral("Readback confirmed: carrier ON, 98.50 MHz"));
        QCOMPARE(rig.tray->messageIcons,
                 (QList<TrayIcon::MessageIcon>{TrayIcon::MessageIcon::Warning,
                                               TrayIcon::MessageIcon::Information}));
        QVERIFY(rig.trace().contains(QStringLiteral("Readback confirmed")));
    }

    // A settings file that cannot be read: said plainly, defaults used.
    void unreadableSettingsAreTold()
    {
        MonitorRig rig{QByteArray()};
        rig.form->start();
        QCOMPARE(rig.tray->messages.size(), 1);
        QVERIFY(rig.tray->messages.first().contains(QStringLiteral("cannot be read")));
        QCOMPARE(rig.form->setParameterPanel()->frequency()->text(), QStringLiteral("100.00"));
    }

    void framesReachPanelAndStatusLog()
    {
        MonitorRig rig(serialIni);
        rig.form->start();
        QVERIFY(rig.form->serialPort().portOpen());
        QVERIFY(rig.deliver(goodFrame));
        QCOMPARE(rig.box(1), QStringLiteral("87.50"));
        QCOMPARE(rig.box(4), QStringLiteral("5000.0"));
        QCOMPARE(rig.box(9), QStringLiteral("||||||||||:| "));
        QVERIFY(rig.form->statusPanel()->led(2)->isOn());
        QCOMPARE(rig.form->statusPanel()->deviceIdText(), QStringLiteral("08001"));
        QVERIFY(rig.log().contains("Frequency   \t87.50 Mhz\r\n"));

        // The watchdog's redraw does not log the same frame again.
        QFile::remove(rig.logPath());
        rig.form->Timer1_Timer();
        QVERIFY(!QFile::exists(rig.logPath()));

        QVERIFY(rig.deliver(alarmFrame("hot")));
        QVERIFY(rig.log().contains("Temperature \t45.1 C.\r\n"));
        QCOMPARE(rig.form->statusPanel()->digitBox(2)->digitcolor(), 2);
    }

    void watchdogFollowsTheLink()
    {
        MonitorRig rig(serialIni);
        rig.form->start();
        const qint64 silentIcon = rig.tray->icon.cacheKey();
        QVERIFY(rig.deliver(goodFrame));
        rig.form->Timer1_Timer();
        QVERIFY(rig.form->statusPanel()->led(1)->isOn());
        QVERIFY(rig.tray->icon.cacheKey() != silentIcon);
        QCOMPARE(rig.box(1), QStringLiteral("87.50"));
        QVERIFY(!rig.form->powerOn());

        // A silent interval: placeholders, dark lamps, the silent icon.
        rig.form->Timer1_Timer();
        QVERIFY(!rig.form->statusPanel()->led(1)->isOn());
        QCOMPARE(rig.tray->icon.cacheKey(), silentIcon);
        QCOMPARE(rig.box(1), QStringLiteral("---.--"));
        QCOMPARE(rig.box(4), QStringLiteral("----.-"));
        QCOMPARE(rig.box(8), QStringLiteral("          :  "));
        QVERIFY(!rig.form->statusPanel()->led(2)->isOn());
        QVERIFY(rig.form->timer1().isActive());
    }

    // An adapter pulled and plugged back in: told once, frames come back by
    // themselves.
    void serialLineComesBack()
    {
        QTemporaryDir links;
        const QString link = links.filePath(QStringLiteral("ttyUSB0"));
        auto first = std::make_unique<PtyPair>();
        QVERIFY(QFile::link(first->devicePath(), link));
        Form1Parts parts;
        parts.serialRetryMs = 50;
        MonitorRig rig("[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=" + link.toLocal8Bit() + "\n",
                       true, {}, std::move(parts));
        rig.form->start();
        QVERIFY(rig.form->serialPort().portOpen());

        // The device goes away, and its node with it: a pty number freed here
        // may be taken by another process at once.
        QFile::remove(link);
        first.reset();
        QTRY_COMPARE(rig.tray->messages.size(), 1);
        QVERIFY(rig.tray->messages.first().contains(QStringLiteral("failed")));
        QTest::qWait(200); // several retries, no more messages
        QCOMPARE(rig.tray->messages.size(), 1);

        PtyPair second;
        QVERIFY(QFile::link(second.devicePath(), link));
        QTRY_VERIFY(rig.form->serialPort().portOpen());
        QSignalSpy shown(rig.form.get(), &Form1::panelUpdated);
        second.write(goodFrame);
        QVERIFY(shown.wait(2000));
        QCOMPARE(rig.box(1), QStringLiteral("87.50"));
        QVERIFY(rig.trace().contains(QStringLiteral("open again")));
    }

    // Switched off while its device is missing, the port is not retried: a
    // device that turns up later must not feed the panel.
    void switchedOffLinkIsNotRetried()
    {
        QTemporaryDir links;
        const QString link = links.filePath(QStringLiteral("ttyUSB0"));
        Form1Parts parts;
        parts.serialRetryMs = 20;
        MonitorRig rig("[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=" + link.toLocal8Bit() + "\n",
                       true, {}, std::move(parts));
        rig.form->start();
        QVERIFY(!rig.form->serialPort().portOpen());

        rig.settings->write(QStringLiteral("Setting"), QStringLiteral("CommON"),
                            QStringLiteral("0"));
        rig.form->LoadSettings();
        PtyPair device;
        QVERIFY(QFile::link(device.devicePath(), link));
        QTest::qWait(150);
        QVERIFY(!rig.form->serialPort().portOpen());
    }

    void tickThatFailsKeepsTheWatchdog()
    {
        MonitorRig rig("");
        rig.form->start();
        rig.tray->failOnSetIcon = true;
        rig.form->Timer1_Timer();
        QVERIFY(rig.form->timer1().isActive());
        QVERIFY(!rig.form->powerOn());
        QVERIFY(rig.trace().contains(QStringLiteral("Watchdog tick failed")));
    }

    void raisesOnAlarmOnlyWhenMinimised_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("raises");
        // Shelved for maintenance: no window brought forward for it.
        QTest::addColumn<QString>("shelved");
        QTest::newRow("all well") << goodFrame << false << QString();
        for (const char* kind : {"off air", "unlocked", "hot", "reflect"})
            QTest::newRow(kind) << alarmFrame(kind) << true << QString();
        QTest::newRow("hot, shelved") << alarmFrame("hot") << false << alarm::OverTemperature;
        QTest::newRow("hot, another shelved") << alarmFrame("hot") << true << alarm::OffAir;
    }
    void raisesOnAlarmOnlyWhenMinimised()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, raises);
        QFETCH(QString, shelved);
        MonitorRig rig(serialIni);
        Shelf shelf(rig.form->core().clock(), 12, QStringLiteral("alice"));
        const auto unset = qScopeGuard([&rig] { rig.form->setShelf(nullptr); });
        if (!shelved.isEmpty()) {
            const QDateTime now = rig.form->core().clock().now();
            EventRecord row = shelvedRow({shelved}, now, now.addSecs(3600), "mast", "alice");
            row.id = 1;
            shelf.rowsFound({row});
            rig.form->setShelf(&shelf);
        }
        rig.form->start();
        QVERIFY(!rig.form->isVisible());
        QVERIFY(rig.deliver(frame));
        QCOMPARE(rig.form->isVisible(), raises);
        QCOMPARE(rig.form->isMinimized(), !raises);

        // Shown in its normal state, an alarm changes nothing about the window.
        rig.form->TrayRestore();
        QVERIFY(rig.deliver(frame));
        QVERIFY(rig.form->isVisible() && !rig.form->isMinimized());
    }

    void minimiseHidesOnlyWithATray_data()
    {
        QTest::addColumn<bool>("trayAvailable");
        QTest::newRow("tray") << true;
        QTest::newRow("no tray") << false;
    }
    void minimiseHidesOnlyWithATray()
    {
        QFETCH(bool, trayAvailable);
        MonitorRig rig("", trayAvailable);
        rig.form->start();
        rig.form->TrayRestore();
        QVERIFY(rig.form->isVisible());
        const int shows = rig.tray->shows;
        rig.form->showMinimized();
        QTest::qWait(20);
        QCOMPARE(rig.form->isVisible(), !trayAvailable);
        QCOMPARE(rig.tray->shows > shows, trayAvailable);
        // Without a tray the tray's menu is the window's own.
        QCOMPARE(rig.form->contextMenuPolicy(),
                 trayAvailable ? Qt::DefaultContextMenu : Qt::CustomContextMenu);
    }

    // An unwritable status log is said once, not for every frame, and the
    // panel goes on; when the folder comes back, so does the log.
    void statusLogFailureSaidOnce()
    {
        QTemporaryDir data;
        const QString folder = data.filePath(QStringLiteral("ZEL"));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        MonitorRig rig(serialIni, true, folder);
        rig.form->start();
        QVERIFY(rig.deliver(goodFrame));
        QVERIFY(rig.deliver(alarmFrame("hot")));
        QCOMPARE(rig.box(2), QStringLiteral("45.1"));
        QCOMPARE(rig.trace().count(QStringLiteral("not written")), 1);

        QVERIFY(blocker.remove());
        QVERIFY(rig.deliver(goodFrame));
        QVERIFY(QFile::exists(folder + QStringLiteral("/Log-ZEL.txt")));
        QCOMPARE(rig.trace().count(QStringLiteral("written again")), 1);
    }

    // "&Setup" moves the link to another port, and the panel follows at once.
    void setupSwitchesThePort()
    {
        PtyPair other;
        MonitorRig rig(serialIni + "4=" + other.devicePath().toLocal8Bit() + "\n");
        rig.form->start();
        bool dialogSeen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<FrmSelComm*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialogSeen = true;
            QCOMPARE(dialog->listIndex(), 2); // filled from the stored port 3
            QVERIFY(dialog->Check1()->isChecked());
            dialog->Combo1()->setCurrentIndex(3);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OKButton")),
                              Qt::LeftButton);
        });
        rig.form->mnutray_Click(TrayMenu::Setup);
        QVERIFY(dialogSeen);
        QVERIFY(rig.form->isVisible());
        QVERIFY(rig.form->timer1().isActive());
        QCOMPARE(rig.form->link().vCommport, QStringLiteral("4"));

        QSignalSpy shown(rig.form.get(), &Form1::panelUpdated);
        other.write(alarmFrame("hot"));
        QVERIFY(shown.wait(2000));
        QCOMPARE(rig.box(2), QStringLiteral("45.1"));
    }

    void exitStopsEverythingAtOnce()
    {
        MonitorRig rig(serialIni);
        rig.form->start();
        QVERIFY(rig.deliver(goodFrame));
        QFile::remove(rig.logPath());
        rig.form->mnutray_Click(TrayMenu::Exit);
        QVERIFY(!rig.form->timer1().isActive());
        QVERIFY(!rig.deliver(goodFrame));
        QVERIFY(!QFile::exists(rig.logPath()));
    }
    // [Control] RequireLogin with an account: SET, Set Address and Setup ask
    // for one first and do nothing meanwhile; without either, as designed.
    void lockAsksFirst_data()
    {
        QTest::addColumn<QByteArray>("requireLogin");
        QTest::addColumn<bool>("account");
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("asks");
        const int set = -1;
        QTest::newRow("SET, RequireLogin false") << QByteArray("false") << true << set << false;
        QTest::newRow("SET, no account") << QByteArray("true") << false << set << false;
        QTest::newRow("SET") << QByteArray("true") << true << set << true;
        QTest::newRow("Set Address")
            << QByteArray("true") << true << int(TrayMenu::SetAddress) << true;
        QTest::newRow("Setup") << QByteArray("true") << true << int(TrayMenu::Setup) << true;
    }
    void lockAsksFirst()
    {
        QFETCH(QByteArray, requireLogin);
        QFETCH(bool, account);
        QFETCH(int, item);
        QFETCH(bool, asks);
        const QByteArray someHash = "$argon2id$v=19$m=65536,t=2,p=1$c2FsdHNhbHQ$aGFzaGhhc2g";
        LockedRig locked(requireLogin, account ? someHash : QByteArray());
        MonitorRig& rig = locked.rig;
        QVERIFY(rig.form->serialPort().portOpen());
        rig.dialogs->inputs << QStringLiteral("300");
        if (item < 0)
            rig.form->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        else
            rig.form->trayMenu()->mnutray(item)->trigger();
        if (!asks) {
            QCOMPARE(locked.sent().left(2), QByteArray("S1"));
            QVERIFY(!locked.signIn());
            return;
        }
        QTRY_VERIFY(locked.signIn() && locked.signIn()->isVisible());
        QCOMPARE(locked.signIn()->windowTitle(), AccountLoginDialog::Caption);
        QTest::qWait(100);
        QCOMPARE(rig.pty.readAvailable(), QByteArray());
        QCOMPARE(rig.dialogs->inputs.size(), 1); // no address asked
        QVERIFY(rig.form->timer1().isActive());  // setup not begun
        QVERIFY(!rig.form->findChild<FrmSelComm*>());
        locked.signIn()->reject();
    }

    // Signed in, the act goes on as designed and is logged as the account's.
    void signInThenSet()
    {
        LockedRig locked("true", hashPassword("correct horse battery"));
        QSignalSpy ended(&locked.rig.form->core(), &MonitorCore::setCommandEnded);
        locked.rig.form->Command4_Click();
        QTRY_VERIFY(locked.signIn() && locked.signIn()->isVisible());
        AccountLoginDialog& dialog = *locked.signIn();
        dialog.account()->setText(QStringLiteral("op"));
        dialog.password()->setText(QStringLiteral("wrong password"));
        dialog.okButton()->click();
        QCOMPARE(dialog.status()->text(), AccountLoginDialog::CheckingText);
        QTRY_COMPARE_WITH_TIMEOUT(dialog.status()->text(),
                                  QStringLiteral("Wrong account or password."), 20000);
        QVERIFY(dialog.isVisible());
        QCOMPARE(ended.size(), 0);
        dialog.password()->setText(QStringLiteral("correct horse battery"));
        dialog.okButton()->click();
        // Polled: an earlier test's Exit leaves event loops quitting at once.
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 20000);
        QVERIFY(!locked.signIn() || !locked.signIn()->isVisible());
        const auto report = ended.first().first().value<SetCommandReport>();
        QCOMPARE(report.origin.user, QStringLiteral("op@window"));
        QCOMPARE(locked.sent(), report.command);
        // Within the idle time the next SET asks nothing.
        locked.rig.form->Command4_Click();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 2, 20000);
        QCOMPARE(ended.last().first().value<SetCommandReport>().origin.user,
                 QStringLiteral("op@window"));

        // A web panel's command leaves the window's fields showing what it
        // saved, so the next SET here does not send the old values back.
        SetParameterInput web;
        web.carrierOn = true;
        web.frequency = QStringLiteral("101.10");
        web.forwardTarget = QStringLiteral("300");
        web.reflectTarget = QStringLiteral("30");
        web.tempProtection = QStringLiteral("40");
        locked.rig.form->core().sendSetCommand(
            web, QStringLiteral("1"),
            SetOrigin{QStringLiteral("ann@web"), QStringLiteral("192.0.2.7")});
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 3, 20000);
        QCOMPARE(locked.rig.form->setParameterPanel()->frequency()->text(),
                 QStringLiteral("101.10"));
        QCOMPARE(locked.rig.form->setParameterPanel()->forwardTarget()->text(),
                 QStringLiteral("300"));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
