#include "logging/snapshotfile.h"
#include "logging/statuslog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>

using namespace zel;

namespace {

// The two ways a snapshot replaces the file: the writer the monitor keeps,
// and the new-file-and-rename it falls back on.
class Writer {
public:
    explicit Writer(bool keeps) : m_file(keeps ? std::make_unique<SnapshotFile>() : nullptr) {}
    bool replace(const QString& path, const QByteArray& content, QString* error)
    {
        return m_file ? m_file->replace(path, content, error)
                      : replaceFileAtomically(path, content, error);
    }

private:
    std::unique_ptr<SnapshotFile> m_file;
};

QByteArray snapshot(const char* deviceId, const char* mod)
{
    TransmitterStatus s;
    ClearStatus(s);
    s.DeviceId = QString::fromLatin1(deviceId);
    s.ModPercent = QString::fromLatin1(mod);
    return formatStatusLog(s, true, QDateTime(QDate(2026, 12, 4), QTime(1, 35, 12)));
}

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(cannot open)");
}

int filesIn(const QString& folder)
{
    return int(QDir(folder).entryList(QDir::Files | QDir::Hidden).size());
}

} // namespace

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

    void writers_data()
    {
        QTest::addColumn<bool>("keeps");
        QTest::newRow("kept spare") << true;
        QTest::newRow("new file each time") << false;
    }

    // Longer, shorter, equal: the file is always just the latest content,
    // even when the file or its folder vanished in between.
    void replacesWholeAndCreatesFolder_data() { writers_data(); }
    void replacesWholeAndCreatesFolder()
    {
        QFETCH(bool, keeps);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("new/folder"));
        const QString path = folder + QStringLiteral("/Log-ZEL.txt");
        QString error;
        {
            Writer writer(keeps);
            for (const QByteArray content : {"first", "a longer second", "third", "x", "y"}) {
                QVERIFY2(writer.replace(path, content, &error), qPrintable(error));
                QCOMPARE(contentOf(path), content);
            }
            QVERIFY(QFile::remove(path));
            QVERIFY(writer.replace(path, "after removal", &error));
            QCOMPARE(contentOf(path), QByteArray("after removal"));
            QVERIFY(QDir(folder).removeRecursively());
            QVERIFY(writer.replace(path, "after the folder went", &error));
            QCOMPARE(contentOf(path), QByteArray("after the folder went"));
            // A folder renamed away is noticed within a second of writing.
            QVERIFY(QDir().rename(folder, dir.filePath(QStringLiteral("moved"))));
            QElapsedTimer moving;
            moving.start();
            while (contentOf(path) != "after the folder moved" && moving.elapsed() < 3000) {
                QVERIFY(writer.replace(path, "after the folder moved", &error));
                QTest::qWait(20);
            }
            QCOMPARE(contentOf(path), QByteArray("after the folder moved"));
            QCOMPARE(QFileInfo(path).permissions() & QFileDevice::ReadOther,
                     QFileDevice::ReadOther);
        }
        // Nothing is left beside it once the writer is gone.
        QCOMPARE(filesIn(folder), 1);
    }

    // Works as root too: a file stands where the folder should be, or a
    // folder where the file should be. The next write after the cause is
    // gone succeeds.
    void failuresAreReported_data() { writers_data(); }
    void failuresAreReported()
    {
        QFETCH(bool, keeps);
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = dir.filePath(QStringLiteral("Log-ZEL.txt"));
        {
            Writer writer(keeps);
            QString error;
            QVERIFY(
                !writer.replace(dir.filePath(QStringLiteral("blocker/Log-ZEL.txt")), "x", &error));
            QVERIFY(!error.isEmpty());

            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Log-ZEL.txt")));
            error.clear();
            QVERIFY(!writer.replace(path, "x", &error));
            QVERIFY(!error.isEmpty());
            QVERIFY(QFileInfo(path).isDir());

            QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("Log-ZEL.txt")));
            QVERIFY(writer.replace(path, "back", &error));
            QCOMPARE(contentOf(path), QByteArray("back"));
        }
        QCOMPARE(filesIn(dir.path()), 2); // the blocker and the log
    }

    // Another program reading while snapshots of different lengths follow
    // each other as fast as they can: every read is one snapshot, whole.
    void readersAlwaysSeeAWholeSnapshot()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Log-ZEL.txt"));
        const QByteArray a = snapshot("08001", "9");
        const QByteArray b = snapshot("12345", "100");
        SnapshotFile file;
        QString error;
        QVERIFY(file.replace(path, a, &error));

        std::atomic<bool> stop = false;
        std::atomic<int> reads = 0;
        std::atomic<int> torn = 0;
        std::thread reader([&] {
            while (!stop) {
                const QByteArray seen = contentOf(path);
                if (seen != a && seen != b)
                    ++torn;
                ++reads;
            }
        });
        for (int i = 0; i < 10000 && torn == 0; ++i)
            file.replace(path, i % 2 ? a : b, &error);
        stop = true;
        reader.join();
        QVERIFY(reads > 0);
        QCOMPARE(int(torn), 0);
    }

    // A reader that opened the file and reads it later, after several newer
    // snapshots, finds the one it opened, untouched.
    void aHeldSnapshotStaysWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Log-ZEL.txt"));
        const QByteArray first = snapshot("00001", "1");
        SnapshotFile file;
        QString error;
        QVERIFY(file.replace(path, first, &error));
        QFile held(path);
        QVERIFY(held.open(QIODevice::ReadOnly));
        for (const char* id : {"00002", "00003", "00004", "00005"})
            QVERIFY(file.replace(path, snapshot(id, "100"), &error));
        QCOMPARE(held.readAll(), first);
        QCOMPARE(contentOf(path), snapshot("00005", "100"));
    }
};

QTEST_GUILESS_MAIN(TestStatusLog)
#include "tst_statuslog.moc"
