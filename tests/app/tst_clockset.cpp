// The real monitor without a window under libfaketime, its wall clock set
// back while it records: the step is logged and no recorded second changes.

#include "alarms/eventrecord.h"
#include "history/historyreader.h"
#include "support/headlessenv.h"
#include "support/pty.h"
#include "support/testframes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace zel;
using namespace zel::testframes;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Temperature in tenths by second.
QMap<qint64, qint64> temperatures(const QString& db)
{
    QMap<qint64, qint64> out;
    history::HistoryReader reader(db);
    if (reader.open())
        reader.forEachSecond(0, qint64(1) << 40, [&](const history::SecondSample& s) {
            out[s.t] = s.value[std::size_t(history::Field::Temperature)].value_or(-1);
        });
    return out;
}

QStringList clockSteps(const QString& db)
{
    QStringList out;
    history::HistoryReader reader(db);
    if (!reader.open())
        return out;
    for (const EventRecord& e : reader.events(0, qint64(1) << 50).value_or(QList<EventRecord>())) {
        if (e.event == QLatin1String("clock_step"))
            out << e.value;
    }
    return out;
}

} // namespace

class TestClockSet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void setBackWhileRecording()
    {
        const QString preload = QStringLiteral(ZEL_LIBFAKETIME);
        if (preload.isEmpty() || !QFile::exists(preload))
            QSKIP("needs libfaketime (Debian package faketime)");
        QTemporaryDir dir;
        PtyPair pty;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("config/ZEL")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("config/ZEL/ZEL.ini")),
                          "[Setting]\nCommON=1\nComm Port=3\n[Ports]\n3=" +
                              pty.devicePath().toLocal8Bit() + "\n"));
        const QString offset = dir.filePath(QStringLiteral("faketime"));
        QVERIFY(writeFile(offset, "+0\n"));

        QProcessEnvironment env = headlessEnvironment(dir);
        followWallClockFile(env, preload, offset);

        QProcess monitor;
        monitor.setProcessEnvironment(env);
        monitor.start(QStringLiteral(ZEL_MONITOR_PATH), {QStringLiteral("--headless")});
        QVERIFY(monitor.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += monitor.readAllStandardError()).contains(" open"), 20000);

        // The transmitter at 30.6 C, ten frames a second; 45.1 C once the clock is set back.
        QByteArray frame = goodFrame;
        QTimer feeder;
        connect(&feeder, &QTimer::timeout, this, [&] { pty.write(frame); });
        feeder.start(100);

        // Set back 8 s over the seconds recorded: the samples for them are
        // dropped until the clock has passed them.
        const QString db = dir.filePath(QStringLiteral("data/ZEL/history.db"));
        QTRY_VERIFY_WITH_TIMEOUT(temperatures(db).size() >= 12, 30000);
        QVERIFY(clockSteps(db).isEmpty());
        QVERIFY(writeFile(offset, "-8\n"));
        frame = hotFrame();
        const QMap<qint64, qint64> before = temperatures(db);

        QTRY_COMPARE_WITH_TIMEOUT(clockSteps(db), QStringList{QStringLiteral("-8 s")}, 30000);
        QTRY_VERIFY_WITH_TIMEOUT((said += monitor.readAllStandardError()).contains("were dropped"),
                                 30000);
        QVERIFY2(said.contains("set back over seconds already recorded"), said.constData());
        const QMap<qint64, qint64> after = temperatures(db);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(after.value(it.key()), it.value());
        QVERIFY(after.values().contains(451));

        feeder.stop();
        ::kill(pid_t(monitor.processId()), SIGTERM);
        QVERIFY(monitor.waitForFinished(20000));
        QCOMPARE(monitor.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestClockSet)
#include "tst_clockset.moc"
