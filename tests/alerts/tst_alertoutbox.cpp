// Alerts while the outbox cannot be written: each is sent at once from
// memory and retried from there; once the outbox works again what still
// waits moves into it, and no receiver gets anything twice. Memory keeps its
// bound by dropping reminders first, a first raise never while others remain.

#include "alerts/alertservice.h"
#include "alerts/memoryoutbox.h"
#include "alerttiming.h"
#include "config/qtsettingsstore.h"
#include "fakereceivers.h"
#include "shell/clock.h"

#include <QDir>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace zel;
using Mode = FakeReceiver::Mode;

namespace {

enum class Fault { ParentIsFile, DatabaseIsFolder, Damaged, Locked };

QSet<QString> column(const QString& path, const QString& sql)
{
    QSet<QString> values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("r"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql))
                while (q.next())
                    values << q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("r"));
    return values;
}

QSet<QString> ids(const QSignalSpy& spy)
{
    QSet<QString> all;
    for (const QList<QVariant>& call : spy)
        all << call.at(0).toString();
    return all;
}

QSet<QString> ids(const QStringList& list)
{
    return QSet<QString>(list.cbegin(), list.cend());
}

// The last figures told for channel: sent, failed, waiting.
QList<QVariant> lastCount(const QSignalSpy& counts, const QString& channel)
{
    QList<QVariant> last;
    for (const QList<QVariant>& call : counts) {
        if (call.at(0).toString() == channel)
            last = call.mid(1);
    }
    return last;
}

bool told(const QSignalSpy& notices, const char* words)
{
    for (const QList<QVariant>& call : notices) {
        if (call.at(0).toString().contains(QLatin1String(words)))
            return true;
    }
    return false;
}

} // namespace

class TestAlertOutbox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sentFromMemoryThenMoved_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("database folder's parent is a file") << int(Fault::ParentIsFile);
        QTest::newRow("database is a folder") << int(Fault::DatabaseIsFolder);
        QTest::newRow("database damaged") << int(Fault::Damaged);
        QTest::newRow("database locked by another writer") << int(Fault::Locked);
    }
    void sentFromMemoryThenMoved()
    {
        QFETCH(int, fault);
        FakeMailServer mailServer;
        FakeWebhook webhook;
        webhook.setMode(Mode::Error500); // so alerts stay waiting for it
        QTemporaryDir dir;
        QtSettingsStore settings(dir.filePath(QStringLiteral("ZEL.ini")));
        settings.write(keys::AlertsSection, keys::MailUrl,
                       QStringLiteral("smtp://127.0.0.1:%1").arg(mailServer.port()));
        settings.write(keys::AlertsSection, keys::MailTo, QStringLiteral("duty@example.org"));
        // The fake server speaks no TLS.
        settings.write(keys::AlertsSection, QStringLiteral("MailSecurity"), QStringLiteral("none"));
        settings.write(keys::AlertsSection, keys::WebhookUrl,
                       QStringLiteral("http://127.0.0.1:%1/hook").arg(webhook.port()));

        const QString blocker = dir.filePath(QStringLiteral("data"));
        QString database = dir.filePath(QStringLiteral("history.db"));
        if (Fault(fault) == Fault::ParentIsFile) {
            database = blocker + QStringLiteral("/history.db");
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (Fault(fault) == Fault::DatabaseIsFolder) {
            QVERIFY(QDir().mkpath(database));
        } else if (Fault(fault) == Fault::Damaged) {
            QFile file(database);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        }

        SystemClock clock;
        AlertService alerts(settings, database, clock, quickDelivery());
        QSignalSpy composed(&alerts.composer(), &AlertComposer::alert);
        QSignalSpy notices(&alerts, &AlertService::operatorNotice);
        QSignalSpy counts(&alerts, &AlertService::deliveryCounted);
        alerts.start();

        std::optional<QSqlDatabase> writer;
        if (Fault(fault) == Fault::Locked) {
            alerts.composer().eventOccurred(raisedNow(alarm::OffAir));
            QTRY_COMPARE_WITH_TIMEOUT(column(database, QStringLiteral("SELECT id FROM outbox")),
                                      ids(composed), 10000);
            writer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("w"));
            writer->setDatabaseName(database);
            QVERIFY(writer->open());
            QVERIFY(QSqlQuery(*writer).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        }
        for (const QString& kind : {alarm::OverTemperature, alarm::LinkLost, alarm::PortFailed})
            alerts.composer().eventOccurred(raisedNow(kind));

        // Sent at once, though nothing could be stored.
        QTRY_COMPARE_WITH_TIMEOUT(ids(mailServer.accepted()), ids(composed), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(told(notices, "sent from memory"), 10000);

        if (Fault(fault) == Fault::ParentIsFile) {
            QVERIFY(QFile::remove(blocker));
        } else if (Fault(fault) == Fault::DatabaseIsFolder) {
            QVERIFY(QDir(database).removeRecursively());
        } else if (Fault(fault) == Fault::Damaged) {
            QVERIFY(QFile::remove(database));
        } else {
            QVERIFY(writer->rollback());
            writer->close();
            writer.reset();
            QSqlDatabase::removeDatabase(QStringLiteral("w"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(told(notices, "stored in the outbox again"), 15000);
        // What the failing webhook still waits for is in the outbox now.
        QCOMPARE(
            column(database, QStringLiteral("SELECT id FROM outbox WHERE channel = 'webhook'")),
            ids(composed));

        webhook.setMode(Mode::Accept);
        QTRY_COMPARE_WITH_TIMEOUT(ids(webhook.accepted()), ids(composed), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(
            column(database, QStringLiteral("SELECT id FROM outbox")).isEmpty(), 10000);
        QCOMPARE(webhook.accepted().size(), composed.size());
        QCOMPARE(mailServer.accepted().size(), composed.size());
        // The metrics' figures: every alert sent, the refusals counted.
        const auto n = quint64(composed.size());
        QTRY_COMPARE_WITH_TIMEOUT(lastCount(counts, channel::Webhook).value(0).toULongLong(), n,
                                  10000);
        QVERIFY(lastCount(counts, channel::Webhook).value(1).toULongLong() > 0);
        QCOMPARE(lastCount(counts, channel::Webhook).value(2).toInt(), 0);
        QCOMPARE(lastCount(counts, channel::Mail).value(0).toULongLong(), n);
    }

    void memoryBound_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("rest");
        QTest::addColumn<int>("reminderAt"); // -1: none
        QTest::addColumn<int>("dropped");
        QTest::newRow("a reminder goes first") << "raised"
                                               << "cleared" << 700 << 700;
        QTest::newRow("then the oldest follow-up") << "raised"
                                                   << "cleared" << -1 << 1;
        QTest::newRow("first raises only: the oldest, the bound holds") << "raised"
                                                                        << "flapping" << -1 << 0;
    }
    void memoryBound()
    {
        QFETCH(QString, first);
        QFETCH(QString, rest);
        QFETCH(int, reminderAt);
        QFETCH(int, dropped);
        MemoryOutbox memory;
        QString gone;
        for (int i = 0; i <= MemoryOutbox::Capacity; ++i) {
            const QString state = i == 0 ? first : i == reminderAt ? "reminder" : rest;
            gone = memory.add({QString::number(i), {channel::Mail}, i, {}, rankOf(state)});
            if (i < MemoryOutbox::Capacity)
                QVERIFY(gone.isEmpty());
        }
        QCOMPARE(gone, QString::number(dropped));
        QCOMPARE(memory.alerts().size(), MemoryOutbox::Capacity);
        QCOMPARE(memory.holds(QStringLiteral("0")), dropped != 0);
    }
    // The outbox can be the first to open the record (its thread starts
    // before the history writer's): the record is then the owner's alone too.
    void outboxFirstMakesTheRecordPrivate()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.db"));
        const mode_t umaskBefore = ::umask(0);
        OutboxStore store(path);
        const QString why = store.open();
        ::umask(umaskBefore);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QVERIFY(store.add(QStringLiteral("a1"), {channel::Mail}, 1, "{}"));
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            struct stat st {};
            QVERIFY2(::stat(QFile::encodeName(path + suffix).constData(), &st) == 0,
                     qPrintable(suffix));
            QCOMPARE(QString::number(st.st_mode & 0777, 8), QStringLiteral("600"));
        }
    }
};

QTEST_GUILESS_MAIN(TestAlertOutbox)
#include "tst_alertoutbox.moc"
