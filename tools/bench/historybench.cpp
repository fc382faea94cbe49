// The history's figures: database growth and CPU cost at line rate through
// the real recorder and writer, trend query times on a synthetic year, and
// the feeder that tools/bench/historykill kills.
//
//   zel-bench-history growth FOLDER     an hour at 80 frames/s on a fake clock
//   zel-bench-history query DB          trend reductions for 24 h, 30 d, 1 y
//   zel-bench-history size DB           bytes per row of each table
//   zel-bench-history replay DB         the default limits over the last 30
//                                       days of seconds, and the bare read
//   zel-bench-history feed DB           80 frames/s in real time until killed

#include "history/historyreader.h"
#include "history/historyservice.h"
#include "history/limitreplay.h"
#include "simcodec.h"
#include "simtransmitter.h"
#include "telemetry/statusframe.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <optional>
#include <vector>

using namespace zel;
using namespace zel::history;

namespace {

QTextStream out(stdout);

class FakeClock final : public Clock {
public:
    qint64 ms = 0;
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC); }
    qint64 monotonicMs() const override { return ms; }
};

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// One frame of the simulator's model, decoded as the monitor decodes it.
class FrameSource {
public:
    FrameSource() { m_model.settle(); }
    TransmitterStatus next()
    {
        m_model.step(1.0 / 80);
        DecodeStatusFrame(sim::encodeStatusFrame(m_model.sample()), m_status);
        return m_status;
    }

private:
    sim::Transmitter m_model{7};
    TransmitterStatus m_status;
};

struct TableSize {
    qint64 rows = 0;
    qint64 bytes = 0;     // whole pages
    qint64 usedBytes = 0; // pages less their free space
};

TableSize tableSize(const QString& path, const QString& table)
{
    TableSize s;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("size"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) && q.next())
                s.rows = q.value(0).toLongLong();
            if (q.exec(QStringLiteral(
                           "SELECT SUM(pgsize), SUM(pgsize - unused) FROM dbstat WHERE name = '%1'")
                           .arg(table)) &&
                q.next()) {
                s.bytes = q.value(0).toLongLong();
                s.usedBytes = q.value(1).toLongLong();
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("size"));
    return s;
}

void printSize(const QString& path, const QString& table)
{
    const TableSize s = tableSize(path, table);
    if (s.rows == 0)
        return;
    out << table << "_rows " << s.rows << '\n'
        << table << "_bytes_per_row " << QString::number(double(s.bytes) / s.rows, 'f', 1) << '\n'
        << table << "_used_bytes_per_row " << QString::number(double(s.usedBytes) / s.rows, 'f', 1)
        << '\n';
}

int growth(const QString& folder)
{
    const QString path = folder + QStringLiteral("/growth.db");
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    FakeClock clock;
    clock.ms = QDateTime::currentSecsSinceEpoch() / 3600 * 3600 * 1000 - 3600 * 1000;
    HistoryRecorder recorder(clock);
    HistoryWriter::Options options;
    options.path = path;
    HistoryWriter writer(options);
    // Same thread, direct: every byte of work shows in this thread's CPU time.
    QObject::connect(&recorder, &HistoryRecorder::batchReady, &writer, &HistoryWriter::write);
    QObject::connect(&writer, &HistoryWriter::problem,
                     [](const QString& m) { out << "problem " << m << '\n'; });
    FrameSource frames;
    const int seconds = 3600 + 62; // and the last minute rolled up
    double cpu = 0;
    for (int s = 0; s < seconds; ++s) {
        for (int f = 0; f < 80; ++f) {
            const StatusUpdate update{clock.now(), LinkKind::Serial, frames.next()};
            const double t0 = threadCpuSeconds();
            recorder.record(update);
            cpu += threadCpuSeconds() - t0;
            clock.ms += f == 79 ? 1000 - 79 * 12 : 12;
        }
        const double t0 = threadCpuSeconds();
        recorder.handOver();
        cpu += threadCpuSeconds() - t0;
    }
    out << "frames " << seconds * 80 << "\ncpu_s " << QString::number(cpu, 'f', 3)
        << "\ncpu_percent " << QString::number(cpu / seconds * 100, 'f', 4) << '\n';
    printSize(path, QStringLiteral("seconds"));
    printSize(path, QStringLiteral("minutes"));
    return 0;
}

// The end of the newest hour as "now": the synthetic year ends where it was
// made. -1 on a read error, told on the output.
qint64 recordEnd(HistoryReader& reader)
{
    if (!reader.open()) {
        out << "error " << reader.lastError() << '\n';
        return -1;
    }
    qint64 end = 0;
    reader.forEachRollup(Step::Hour, 0, std::numeric_limits<qint64>::max() / 2,
                         [&](const Rollup& r) { end = std::max(end, r.t + 3600); });
    return end;
}

int query(const QString& path)
{
    HistoryReader reader(path);
    const qint64 end = recordEnd(reader);
    if (end < 0)
        return 1;
    const int buckets = 1000; // about the width of the trend in pixels
    for (const auto& [name, span] : {std::pair{"24h", 86400LL}, std::pair{"30d", 30 * 86400LL},
                                     std::pair{"1y", 365 * 86400LL}}) {
        std::vector<double> ms;
        qsizetype count = 0;
        for (int run = 0; run < 7; ++run) {
            QElapsedTimer t;
            t.start();
            const auto b = reader.trend(Field::Forward, end - span, end, buckets);
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
            count = b ? b->size() : -1;
        }
        std::sort(ms.begin(), ms.end());
        out << "trend_" << name << "_ms " << QString::number(ms[ms.size() / 2], 'f', 1)
            << "\ntrend_" << name << "_max_ms " << QString::number(ms.back(), 'f', 1) << "\ntrend_"
            << name << "_buckets " << count << '\n';
    }
    return 0;
}

// The limit replay over the newest 30 days of 1-second rows, beside a bare
// read of the same rows: what the limits themselves add to the reading.
int replay(const QString& path)
{
    HistoryReader reader(path);
    const qint64 endS = recordEnd(reader);
    if (endS < 0)
        return 1;
    const qint64 fromS = endS - 30 * 86400;
    QElapsedTimer t;
    t.start();
    double cpu = threadCpuSeconds();
    qint64 rows = 0;
    const bool read = reader.forEachSecondValues(fromS, endS, [&](const SecondSample&) { ++rows; });
    const double readS = double(t.nsecsElapsed()) / 1e9;
    const double readCpuS = threadCpuSeconds() - cpu;
    const LimitSettings limits = defaultLimitSettings(AlarmSettings{});
    QString error;
    t.restart();
    cpu = threadCpuSeconds();
    const auto result =
        replayLimits(reader, limits, 500.0, fromS * 1000, endS * 1000, nullptr, &error);
    const double replayS = double(t.nsecsElapsed()) / 1e9;
    const double replayCpuS = threadCpuSeconds() - cpu;
    if (!read || !result) {
        out << "error " << (read ? error : reader.lastError()) << '\n';
        return 1;
    }
    int raises = 0;
    for (const ReplayCount& c : result->counts)
        raises += c.raisedCount;
    out << "replay_seconds " << result->secondsReplayed << "\nreplay_s "
        << QString::number(replayS, 'f', 2) << "\nreplay_cpu_s "
        << QString::number(replayCpuS, 'f', 2) << "\nread_s " << QString::number(readS, 'f', 2)
        << "\nread_cpu_s " << QString::number(readCpuS, 'f', 2) << "\nreplay_ns_per_second "
        << QString::number(replayS * 1e9 / double(std::max<qint64>(1, rows)), 'f', 0)
        << "\nreplay_raises " << raises << '\n';
    return 0;
}

int size(const QString& path)
{
    for (const char* table : {"seconds", "minutes", "hours", "events"})
        printSize(path, QLatin1String(table));
    return 0;
}

// Real time, real thread: what the monitor will do. Prints "ready" once the
// first batch has been handed over.
int feed(const QString& path)
{
    SystemClock clock;
    HistoryWriter::Options options;
    options.path = path;
    HistoryService service(options, clock);
    QObject::connect(&service, &HistoryService::problem,
                     [](const QString& m) { QTextStream(stderr) << m << '\n'; });
    QObject::connect(&service.recorder(), &HistoryRecorder::batchReady, [] {
        static bool said = false;
        if (!said) {
            said = true;
            out << "ready" << Qt::endl;
        }
    });
    FrameSource frames;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        service.record(
            StatusUpdate{QDateTime::currentDateTimeUtc(), LinkKind::Serial, frames.next()});
    });
    timer.start(12);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("growth"))
        return growth(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("query"))
        return query(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("size"))
        return size(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("replay"))
        return replay(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("feed"))
        return feed(args[2]);
    QTextStream(stderr)
        << "usage: zel-bench-history growth FOLDER | query DB | size DB | replay DB | feed DB\n";
    return 2;
}
