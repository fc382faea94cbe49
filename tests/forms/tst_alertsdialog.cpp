// The Alerts page of the station record's settings: "Send test" reports each channel in plain words
// while the window stays usable, and Save writes the keys the service reads.

#include "alerts/fakereceivers.h"
#include "config/qtsettingsstore.h"
#include "forms/alertspage.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zel;
using Mode = FakeReceiver::Mode;

class TestAlertsDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sendTestTellsEachChannel_data()
    {
        QTest::addColumn<int>("mailMode");
        QTest::addColumn<int>("hookMode");
        QTest::addColumn<QString>("mailSays");
        QTest::addColumn<QString>("hookSays");
        QTest::newRow("both accept")
            << int(Mode::Accept) << int(Mode::Accept) << "accepted the message"
            << "accepted the alert (HTTP 200)";
        QTest::newRow("login rejected, webhook refuses")
            << int(Mode::RejectLogin) << int(Mode::Refuse) << "authentication failed"
            << "refused the connection";
        QTest::newRow("mail refuses, webhook fails")
            << int(Mode::Refuse) << int(Mode::Error500) << "refused the connection"
            << "HTTP 500";
    }
    void sendTestTellsEachChannel()
    {
        QFETCH(int, mailMode);
        QFETCH(int, hookMode);
        QFETCH(QString, mailSays);
        QFETCH(QString, hookSays);
        FakeMailServer mail;
        FakeWebhook hook;
        mail.setMode(Mode(mailMode));
        hook.setMode(Mode(hookMode));
        QTemporaryDir dir;
        QtSettingsStore store(dir.filePath("ZEL.ini"));
        AlertsPage dialog(store, nullptr, 2000);
        dialog.findChild<QLineEdit*>(keys::MailUrl)
            ->setText(QStringLiteral("smtp://127.0.0.1:%1").arg(mail.port()));
        dialog.findChild<QLineEdit*>(keys::MailUser)->setText("monitor");
        dialog.findChild<QLineEdit*>(keys::MailPassword)->setText("s3cret");
        // The fake server speaks no TLS; a plain login is allowed on this machine only.
        auto* security = dialog.findChild<QComboBox*>(keys::MailSecurity);
        security->setCurrentIndex(security->findData(int(MailSecurity::None)));
        dialog.findChild<QLineEdit*>(keys::MailTo)->setText("duty@example.org");
        dialog.findChild<QLineEdit*>(keys::WebhookUrl)
            ->setText(QStringLiteral("http://127.0.0.1:%1/hook").arg(hook.port()));
        QTest::mouseClick(dialog.findChild<QPushButton*>("sendTest"), Qt::LeftButton);
        QTRY_VERIFY2(dialog.mailOutcome()->text().contains(mailSays),
                     qPrintable(dialog.mailOutcome()->text()));
        QTRY_VERIFY2(dialog.webhookOutcome()->text().contains(hookSays),
                     qPrintable(dialog.webhookOutcome()->text()));
        QTRY_COMPARE(mail.openConnections(), 0);
    }

    void saveWritesWhatTheServiceReads()
    {
        QTemporaryDir dir;
        QtSettingsStore store(dir.filePath("ZEL.ini"));
        AlertsPage dialog(store, nullptr);
        dialog.findChild<QLineEdit*>(keys::MailTo)->setText("a@example.org, b@example.org");
        dialog.findChild<QSpinBox*>(keys::RepeatMinutes)->setValue(0);
        dialog.findChild<QCheckBox*>("readback")->setChecked(false);
        auto* security = dialog.findChild<QComboBox*>(keys::MailSecurity);
        security->setCurrentIndex(security->findData(int(MailSecurity::Tls)));
        QVERIFY(dialog.save());
        const AlertSettings s = readAlertSettings(store);
        QCOMPARE(s.mailTo, QStringList({"a@example.org", "b@example.org"}));
        QCOMPARE(s.repeatMinutes, 0);
        QVERIFY(!s.kinds.contains("readback"));
        QVERIFY(s.kinds.contains("off_air"));
        QCOMPARE(s.mailSecurity, MailSecurity::Tls);
    }
};

QTEST_MAIN(TestAlertsDialog)
#include "tst_alertsdialog.moc"
