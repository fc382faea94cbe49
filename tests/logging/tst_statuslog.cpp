#include "logging/statuslog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;

class TestStatusLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bytesMatchGolden()
    {
        TransmitterStatus s;
        s.DeviceId = QStringLiteral("08001");
        s.FrequencyMHz = QStringLiteral("87.50");
        s.ForwardW = QStringLiteral("5000.0");
        s.ReflectW = QStringLiteral("35.0");
        s.TemperatureC = QStringLiteral("30.6");
        s.VoltageV = QStringLiteral("148.0");
        s.CurrentA = QStringLiteral("7.5");
        s.ModPercent = QStringLiteral("9");
        const QDateTime at(QDate(2026, 12, 4), QTime(1, 35, 12));

        QFile golden(QFINDTESTDATA("data/status-log.golden"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        QCOMPARE(formatStatusLog(s, true, at), golden.readAll());
    }

    void replacesWholeAndCreatesFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new/folder/Log-ZEL.txt"));
        QString error;
        QVERIFY(replaceFileAtomically(path, "first", &error));
        QVERIFY(replaceFileAtomically(path, "second", &error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("second"));
        // No temporary files are left beside it.
        QCOMPARE(QDir(dir.filePath(QStringLiteral("new/folder"))).entryList(QDir::Files).size(), 1);
    }

    // Works as root too: a file stands where the folder should be, or a
    // folder where the file should be.
    void failuresAreReported()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QString error;
        QVERIFY(!replaceFileAtomically(dir.filePath(QStringLiteral("blocker/Log-ZEL.txt")), "x",
                                       &error));
        QVERIFY(!error.isEmpty());

        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Log-ZEL.txt")));
        error.clear();
        QVERIFY(!replaceFileAtomically(dir.filePath(QStringLiteral("Log-ZEL.txt")), "x", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1); // only the blocker
    }
};

QTEST_GUILESS_MAIN(TestStatusLog)
#include "tst_statuslog.moc"
