#include "history/historyreader.h"
#include "history/historywriter.h"
#include "historytestdata.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace zel;
using namespace zel::history;
using namespace zel::history::testdata;

namespace {

const qint64 S0 = 1796593380;

HistoryBatch batchOf(qint64 t, int seconds = 1)
{
    HistoryBatch b;
    for (int i = 0; i < seconds; ++i)
        b.seconds << second(t + i, 5000, 5000, 5000);
    b.nowS = t + seconds;
    return b;
}

qsizetype secondsIn(const QString& path)
{
    HistoryReader reader(path);
    if (!reader.open())
        return -1;
    qsizetype n = 0;
    reader.forEachSecond(0, S0 * 2, [&](const SecondSample&) { ++n; });
    return n;
}

bool run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A small file system of its own, so that "read-only" and "full" are real
// even for root. Without the right to mount, the test is skipped.
class Mount {
public:
    Mount(const QString& where, const QString& options) : m_where(where)
    {
        QDir().mkpath(where);
        m_mounted =
            geteuid() == 0 && run(QStringLiteral("mount"),
                                  {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                   QStringLiteral("-o"), options, QStringLiteral("tmpfs"), where});
    }
    ~Mount()
    {
        if (m_mounted)
            run(QStringLiteral("umount"), {QStringLiteral("-l"), m_where});
    }
    bool mounted() const { return m_mounted; }
    bool remount(const QString& options)
    {
        return run(QStringLiteral("mount"),
                   {QStringLiteral("-o"), QStringLiteral("remount,") + options, m_where});
    }

private:
    QString m_where;
    bool m_mounted = false;
};

struct Rig {
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<HistoryWriter> writer;
    std::unique_ptr<QSignalSpy> problems;
    std::unique_ptr<QSignalSpy> recoveries;

    explicit Rig(const QString& relative = QStringLiteral("ZEL/history.db"), int backlog = 3600)
        : path(dir.filePath(relative))
    {
        HistoryWriter::Options o;
        o.path = path;
        o.busyTimeoutMs = 20;
        o.backlogSeconds = backlog;
        writer = std::make_unique<HistoryWriter>(o);
        problems = std::make_unique<QSignalSpy>(writer.get(), &HistoryWriter::problem);
        recoveries = std::make_unique<QSignalSpy>(writer.get(), &HistoryWriter::recovered);
    }
    QString problem(int i) const { return problems->at(i).at(0).toString(); }
};

} // namespace

class TestHistoryFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A file where the folder should be: nothing can be created until it goes.
    void folderCannotBeCreated()
    {
        Rig rig;
        QFile blocker(rig.dir.filePath(QStringLiteral("ZEL")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        for (int i = 0; i < 3; ++i)
            rig.writer->write(batchOf(S0 + i));
        QCOMPARE(rig.problems->size(), 1);
        QVERIFY2(rig.problem(0).contains(QLatin1String("cannot be written")),
                 qPrintable(rig.problem(0)));
        QVERIFY(blocker.remove());
        rig.writer->write(batchOf(S0 + 3));
        QCOMPARE(rig.recoveries->size(), 1);
        QCOMPARE(secondsIn(rig.path), 4);
    }

    void readOnlyFolder()
    {
        Rig rig(QStringLiteral("ro/history.db"));
        const QString folder = rig.dir.filePath(QStringLiteral("ro"));
        Mount mount(folder, QStringLiteral("ro,size=1m"));
        if (!mount.mounted())
            QSKIP("needs the right to mount a small read-only file system");
        rig.writer->write(batchOf(S0));
        rig.writer->write(batchOf(S0 + 1));
        QCOMPARE(rig.problems->size(), 1);
        QVERIFY(mount.remount(QStringLiteral("rw")));
        rig.writer->write(batchOf(S0 + 2));
        QCOMPARE(rig.recoveries->size(), 1);
        QCOMPARE(secondsIn(rig.path), 3);
    }

    void diskFull()
    {
        Rig rig(QStringLiteral("small/history.db"));
        const QString folder = rig.dir.filePath(QStringLiteral("small"));
        Mount mount(folder, QStringLiteral("size=256k"));
        if (!mount.mounted())
            QSKIP("needs the right to mount a small file system");
        // About 50 bytes a second: 256 KiB fills within a few thousand.
        qint64 t = S0;
        for (int i = 0; i < 40 && rig.problems->isEmpty(); ++i, t += 300)
            rig.writer->write(batchOf(t, 300));
        QCOMPARE(rig.problems->size(), 1);
        QVERIFY2(rig.problem(0).contains(QLatin1String("disk is full")),
                 qPrintable(rig.problem(0)));
        const qsizetype waiting = rig.writer->backlog();
        QVERIFY(waiting > 0);
        rig.writer->write(batchOf(t, 1));
        QCOMPARE(rig.problems->size(), 1);
        QVERIFY(mount.remount(QStringLiteral("size=8m")));
        rig.writer->write(batchOf(t + 1, 1));
        QCOMPARE(rig.recoveries->size(), 1);
        QCOMPARE(rig.writer->backlog(), 0);
        QCOMPARE(secondsIn(rig.path), (t + 2 - S0));
    }

    // Garbage where the database should be: moved aside, a new one started.
    void damagedFileMovedAside()
    {
        Rig rig;
        QDir().mkpath(rig.dir.filePath(QStringLiteral("ZEL")));
        QFile garbage(rig.path);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, '\x5a'));
        garbage.close();
        rig.writer->write(batchOf(S0));
        QCOMPARE(rig.problems->size(), 1);
        QVERIFY2(rig.problem(0).contains(QLatin1String("moved it aside")),
                 qPrintable(rig.problem(0)));
        const QStringList aside = QDir(rig.dir.filePath(QStringLiteral("ZEL")))
                                      .entryList({QStringLiteral("history.db.corrupt-*")});
        QCOMPARE(aside.size(), 1);
        QFile kept(rig.dir.filePath(QStringLiteral("ZEL/") + aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray(8192, '\x5a'));
        QCOMPARE(secondsIn(rig.path), 1);
    }

    // Another program holds the write lock for long: the writer keeps a
    // bounded backlog, says so once, drops the oldest and catches up.
    void lockedByAnotherProgram()
    {
        Rig rig(QStringLiteral("ZEL/history.db"), 5);
        rig.writer->write(batchOf(S0));
        QCOMPARE(secondsIn(rig.path), 1);
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
            other.setDatabaseName(rig.path);
            QVERIFY(other.open());
            QSqlQuery lock(other);
            QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            for (int i = 1; i <= 8; ++i)
                rig.writer->write(batchOf(S0 + i));
            QCOMPARE(rig.problems->size(), 2);
            QVERIFY2(rig.problem(0).contains(QLatin1String("locked")), qPrintable(rig.problem(0)));
            QVERIFY2(rig.problem(1).contains(QLatin1String("dropping the oldest")),
                     qPrintable(rig.problem(1)));
            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        rig.writer->write(batchOf(S0 + 9));
        QCOMPARE(rig.recoveries->size(), 1);
        QVERIFY2(rig.recoveries->at(0).at(0).toString().contains(QLatin1String("4 older seconds")),
                 qPrintable(rig.recoveries->at(0).at(0).toString()));
        QCOMPARE(secondsIn(rig.path), 1 + 5);
    }
};

QTEST_GUILESS_MAIN(TestHistoryFaults)
#include "tst_historyfaults.moc"
