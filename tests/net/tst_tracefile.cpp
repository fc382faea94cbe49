#include "net/tracefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace zel;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A gateway reply of `size` bytes, told apart by its number.
QByteArray reply(int n, int size)
{
    return QByteArray::number(n).rightJustified(size, ' ');
}

} // namespace

class TestTraceFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Records of 100 bytes with CR LF against a limit of 1 KiB: ten fit.
    void startsOverAtItsLimit_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("inCurrent"); // records in logs.txt at the end
        QTest::addColumn<int>("inOlder");   // in logs.txt.1; -1: no such file
        QTest::newRow("up to the limit") << 10 << 10 << -1;
        QTest::newRow("one past") << 11 << 1 << 10;
        QTest::newRow("several times past: one older file kept") << 35 << 5 << 10;
    }
    void startsOverAtItsLimit()
    {
        QFETCH(int, records);
        QFETCH(int, inCurrent);
        QFETCH(int, inOlder);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("logs.txt"));
        TraceFile trace(path, 1024);
        QByteArray all;
        for (int n = 0; n < records; ++n) {
            const QByteArray r = reply(n, 98);
            QCOMPARE(trace.append(r), std::nullopt);
            all += r + "\r\n";
        }
        // The records as they were, nothing lost from the newest two files'
        // worth, and no record cut between them.
        const QByteArray current = contents(path);
        QCOMPARE(current, all.right(inCurrent * 100));
        if (inOlder < 0) {
            QVERIFY(!QFile::exists(path + QStringLiteral(".1")));
        } else {
            QCOMPARE(contents(path + QStringLiteral(".1")),
                     all.chopped(inCurrent * 100).right(inOlder * 100));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), inOlder < 0 ? 1 : 2);
    }
    // A write that fails halfway (here a file-size limit, as a full disk
    // would) leaves no half record, and says why in words.
    void failedWriteLeavesNoHalfRecord()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("logs.txt"));
        TraceFile trace(path, 1 << 20);
        QCOMPARE(trace.append(reply(1, 98)), std::nullopt);
        const auto previous = ::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 150;
        ::setrlimit(RLIMIT_FSIZE, &small);
        const std::optional<QString> told = trace.append(reply(2, 98));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::signal(SIGXFSZ, previous);
        QVERIFY(told);
        QVERIFY2(told->contains(QStringLiteral("File too large")), qPrintable(*told));
        QCOMPARE(contents(path), reply(1, 98) + "\r\n");
    }
};

QTEST_GUILESS_MAIN(TestTraceFile)
#include "tst_tracefile.moc"
