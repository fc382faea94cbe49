// The real monitor without a window, killed with an alert in its outbox and
// started again: the alert goes out after the restart, with the id it was
// stored with, and the alarm resumed from the log sends no second one.

#include "fakereceivers.h"
#include "support/headlessenv.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// The first column of every row the query gives.
QStringList column(const QString& path, const QString& sql)
{
    QStringList ids;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("o"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql))
                while (q.next())
                    ids << q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("o"));
    return ids;
}

QStringList waitingIds(const QString& path)
{
    return column(path, QStringLiteral("SELECT id FROM outbox"));
}

} // namespace

class TestAlertRestart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void queuedAlertSurvivesKill9()
    {
        FakeWebhook webhook;
        webhook.setMode(FakeReceiver::Mode::Refuse);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("config/ZEL")));
        QFile ini(dir.filePath(QStringLiteral("config/ZEL/ZEL.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        // With no qualify time a port that cannot be opened raises port_failed at once.
        ini.write("[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=" +
                  dir.filePath(QStringLiteral("no-such-tty")).toLocal8Bit() +
                  "\n[Alarms]\nQualifySeconds=0\n[Alerts]\nWebhookUrl=http://127.0.0.1:" +
                  QByteArray::number(webhook.port()) + "/hook\n");
        ini.close();
        const QString database = dir.filePath(QStringLiteral("data/ZEL/history.db"));

        QProcess monitor;
        monitor.setProcessEnvironment(headlessEnvironment(dir));
        monitor.start(QStringLiteral(ZEL_MONITOR_PATH), {QStringLiteral("--headless")});
        QVERIFY(monitor.waitForStarted());
        QStringList stored;
        QTRY_VERIFY_WITH_TIMEOUT(!(stored = waitingIds(database)).isEmpty(), 15000);
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += monitor.readAllStandardError()).contains("webhook"),
                                 10000);
        // The alarm reached the log too, so the restart resumes it.
        QTRY_VERIFY_WITH_TIMEOUT(!column(database, QStringLiteral("SELECT id FROM events WHERE "
                                                                  "event = 'port_failed'"))
                                      .isEmpty(),
                                 10000);
        ::kill(pid_t(monitor.processId()), SIGKILL);
        QVERIFY(monitor.waitForFinished(10000));

        webhook.setMode(FakeReceiver::Mode::Accept);
        monitor.start(QStringLiteral(ZEL_MONITOR_PATH), {QStringLiteral("--headless")});
        QVERIFY(monitor.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(webhook.accepted(), stored, 15000);
        QTRY_VERIFY(waitingIds(database).isEmpty());
        QTest::qWait(500); // a second port_failed alert would arrive by now
        QCOMPARE(webhook.accepted(), stored);
        ::kill(pid_t(monitor.processId()), SIGTERM);
        QVERIFY(monitor.waitForFinished(10000));
        QCOMPARE(monitor.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAlertRestart)
#include "tst_alertrestart.moc"
