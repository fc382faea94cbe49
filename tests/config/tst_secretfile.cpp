#include "alerts/alertsettings.h"
#include "config/qtsettingsstore.h"
#include "config/secretfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace zel;

namespace {

int modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

class TestSecretFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // `mode` is given to the file that holds the secret (the settings file,
    // or the password file it names), and that file's mode is checked after.
    void keptFromOtherUsers_data()
    {
        QTest::addColumn<QByteArray>("secret"); // the [Alerts] line
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("owner"); // self, other, group given
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("warned");
        const QByteArray password = "MailPassword=hunter2";
        const QByteArray webhook = "WebhookUrl=https://hooks.example/t/0123456789";
        const QByteArray file = "MailPasswordFile=";
        QTest::newRow("desktop default: tightened") << password << 0644 << "self" << 0600 << false;
        QTest::newRow("webhook token: tightened") << webhook << 0644 << "self" << 0600 << false;
        QTest::newRow("group read: left") << webhook << 0640 << "self" << 0640 << false;
        QTest::newRow("no secret: left")
            << QByteArray("MailUser=ops") << 0644 << "self" << 0644 << false;
        QTest::newRow("service set-up: quiet") << password << 0640 << "other" << 0640 << false;
        QTest::newRow("someone else's, open to all") << password << 0644 << "other" << 0644 << true;
        QTest::newRow("a group given keeps its read")
            << password << 0644 << "group given" << 0640 << false;
        QTest::newRow("password file: tightened") << file << 0644 << "self" << 0600 << false;
        QTest::newRow("password file, service set-up") << file << 0640 << "other" << 0640 << false;
    }
    void keptFromOtherUsers()
    {
        QFETCH(QByteArray, secret);
        QFETCH(int, mode);
        QFETCH(QString, owner);
        QFETCH(int, after);
        QFETCH(bool, warned);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("ZEL.ini"));
        const QString passwordFile = dir.filePath(QStringLiteral("password"));
        QString holder = ini;
        if (secret.endsWith('=')) {
            secret += QFile::encodeName(passwordFile);
            holder = passwordFile;
        }
        for (const auto& [path, text] : {std::pair{ini, "[Alerts]\n" + secret + '\n'},
                                         std::pair{passwordFile, QByteArray("hunter2\n")}}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        QVERIFY(::chmod(QFile::encodeName(holder).constData(), mode_t(mode)) == 0);

        FileIdentity self = FileIdentity::ofProcess();
        if (owner == QLatin1String("other"))
            self.uid += 1;
        else if (owner == QLatin1String("group given"))
            self.gid += 1;
        const QtSettingsStore store(ini);
        const QString warning = protectSettingsFile(store, readAlertSettings(store), self);
        QCOMPARE(QString::number(modeOf(holder), 8), QString::number(after, 8));
        QCOMPARE(!warning.isEmpty(), warned);
        if (warned) {
            QVERIFY2(warning.contains(holder) && warning.contains(QLatin1String("chmod o-rwx")),
                     qPrintable(warning));
            QVERIFY(!warning.contains(QLatin1String("hunter2")));
        }
    }
};

QTEST_GUILESS_MAIN(TestSecretFile)
#include "tst_secretfile.moc"
