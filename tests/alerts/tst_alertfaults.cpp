// Alerts against receivers that fail: refused, silent, dropped, login
// rejected, HTTP 500, slow, redirected. Once the fault clears every alert
// arrives, none lost, a repeat only with its own id; the operator hears of
// the trouble once and of the recovery once.

#include "alerts/alertservice.h"
#include "alerttiming.h"
#include "config/qtsettingsstore.h"
#include "fakereceivers.h"
#include "shell/clock.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;
using Mode = FakeReceiver::Mode;

class TestAlertFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deliveredOnceTheFaultClears_data()
    {
        QTest::addColumn<bool>("mail");
        QTest::addColumn<int>("fault");
        QTest::newRow("mail server refuses") << true << int(Mode::Refuse);
        QTest::newRow("mail server never answers") << true << int(Mode::Silent);
        QTest::newRow("mail server drops mid-message") << true << int(Mode::DropMidMessage);
        QTest::newRow("mail server rejects the login") << true << int(Mode::RejectLogin);
        QTest::newRow("webhook answers 500") << false << int(Mode::Error500);
        QTest::newRow("webhook answers too late") << false << int(Mode::Silent);
        QTest::newRow("webhook redirects") << false << int(Mode::Redirect);
    }
    void deliveredOnceTheFaultClears()
    {
        QFETCH(bool, mail);
        QFETCH(int, fault);
        FakeMailServer mailServer;
        FakeWebhook webhook;
        FakeReceiver& receiver = mail ? static_cast<FakeReceiver&>(mailServer) : webhook;
        receiver.setMode(Mode(fault));

        QTemporaryDir dir;
        QtSettingsStore settings(dir.filePath(QStringLiteral("ZEL.ini")));
        const QString address = QStringLiteral("127.0.0.1:%1").arg(receiver.port());
        if (mail) {
            settings.write(keys::AlertsSection, keys::MailUrl, QStringLiteral("smtp://") + address);
            settings.write(keys::AlertsSection, keys::MailTo, QStringLiteral("duty@example.org"));
            settings.write(keys::AlertsSection, keys::MailUser, QStringLiteral("monitor"));
            settings.write(keys::AlertsSection, keys::MailPassword, QStringLiteral("s3cret"));
            // The fake server speaks no TLS; a plain login is allowed on this machine only.
            settings.write(keys::AlertsSection, keys::MailSecurity, QStringLiteral("none"));
        } else {
            settings.write(keys::AlertsSection, keys::WebhookUrl,
                           QStringLiteral("http://") + address + QStringLiteral("/hook"));
        }
        SystemClock clock;
        AlertService alerts(settings, dir.filePath(QStringLiteral("history.db")), clock,
                            quickDelivery());
        QSignalSpy composed(&alerts.composer(), &AlertComposer::alert);
        QSignalSpy notices(&alerts, &AlertService::operatorNotice);
        alerts.start();
        for (const QString& kind : {alarm::OffAir, alarm::OverTemperature, alarm::LinkLost})
            alerts.composer().eventOccurred(raisedNow(kind));

        const bool redirect = Mode(fault) == Mode::Redirect;
        if (!redirect) {
            QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 1, 10000);
            QVERIFY2(notices.at(0).at(0).toString().contains(u"not getting through"),
                     qPrintable(notices.at(0).at(0).toString()));
            QVERIFY(!notices.at(0).at(0).toString().contains(u"s3cret"));
            receiver.setMode(Mode::Accept);
        }
        QStringList sent;
        for (const QList<QVariant>& call : composed)
            sent << call.at(0).toString();

        QTRY_COMPARE_WITH_TIMEOUT(
            QSet<QString>(receiver.accepted().cbegin(), receiver.accepted().cend()),
            QSet<QString>(sent.cbegin(), sent.cend()), 20000);
        // A repeat may only follow a lost answer, which these faults do not lose.
        QCOMPARE(receiver.accepted().size(), sent.size());
        if (!redirect) {
            QTRY_VERIFY(notices.size() >= 2);
            QStringList told;
            for (const QList<QVariant>& notice : notices)
                told << notice.at(0).toString();
            QVERIFY2(told.size() == 2 && told.at(1).contains(u"works again"),
                     qPrintable(told.join(u" | ")));
        }
        // The client says goodbye to a receiver that is still listening.
        QTRY_COMPARE_WITH_TIMEOUT(receiver.openConnections(), 0, 5000);
    }
};

QTEST_GUILESS_MAIN(TestAlertFaults)
#include "tst_alertfaults.moc"
