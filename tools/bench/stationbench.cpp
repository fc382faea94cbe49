// CPU of the monitor's core at the line's full rate with the station record
// (alarm rules, readback, event log, history) on, and the same run with it
// off; with it on, also whether every second in which the status log was
// rewritten has its 1-second sample, holding that second's last record.
// The core runs as `zel-fm-monitor --headless` runs it, on a real pty.
//
//   zel-bench-station on|off [SECONDS]     (default 60, 80 frames per second)

#include "app/standardparts.h"
#include "app/stationservices.h"
#include "benchsupport.h"
#include "core/monitorcore.h"
#include "history/historyreader.h"
#include "shell/stderrdialogs.h"

#include <QCoreApplication>

#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <thread>
#include <time.h>
#include <unistd.h>

using namespace zel;

namespace {

std::int64_t processCpuNs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (std::int64_t(u.ru_utime.tv_sec) + u.ru_stime.tv_sec) * 1'000'000'000 +
           (std::int64_t(u.ru_utime.tv_usec) + u.ru_stime.tv_usec) * 1000;
}

std::int64_t threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const bool withRecord = argc > 1 && std::strcmp(argv[1], "on") == 0;
    if (argc < 2 || (!withRecord && std::strcmp(argv[1], "off") != 0)) {
        std::fprintf(stderr, "usage: zel-bench-station on|off [SECONDS]\n");
        return 2;
    }
    const int seconds = std::clamp(argc > 2 ? std::atoi(argv[2]) : 60, 5, 300);
    constexpr int kWarmUpS = 3;
    constexpr std::int64_t kPeriodNs = 12'500'000; // 80 frames per second
    const int count = (seconds + kWarmUpS + 1) * 80;

    bench::Pty pty;
    bench::requireScratchProfile(
        "[Setting]\nCommON=1\nComm Port=1\n\n[Ports]\n1=" + pty.devicePath().toLocal8Bit() + "\n");
    MonitorCore core(standardCoreParts(std::make_unique<StderrDialogs>()));
    std::unique_ptr<StationServices> services;
    if (withRecord)
        services = std::make_unique<StationServices>(core);

    // The last device ID the status log was rewritten with, per second.
    std::map<qint64, int> lastIdOfSecond;
    int framesLogged = 0;
    QObject::connect(&core, &MonitorCore::statusUpdated, &app, [&](const StatusUpdate& u) {
        lastIdOfSecond[u.time.toSecsSinceEpoch()] = u.record.DeviceId.toInt();
        ++framesLogged;
    });

    if (services)
        services->start();
    core.start();
    if (!bench::waitUntil([&] { return pty.deviceOpen(); }, 5000)) {
        std::fprintf(stderr, "the monitor did not open %s\n", qPrintable(pty.devicePath()));
        return 1;
    }

    const auto frames = bench::statusFrames(count, 1);
    std::atomic<std::int64_t> writerCpuNs{0};
    std::atomic<bool> stopWriting{false};
    std::atomic<int> writtenCount{0};
    std::thread writer([&] {
        const std::int64_t start = bench::monotonicNs() + kPeriodNs;
        for (int i = 0; i < count && !stopWriting; ++i) {
            const std::int64_t due = start + i * kPeriodNs;
            const timespec at{time_t(due / 1'000'000'000), long(due % 1'000'000'000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
            const QByteArray& frame = frames[std::size_t(i)];
            if (::write(pty.master(), frame.constData(), std::size_t(frame.size())) < 0)
                break;
            ++writtenCount;
            writerCpuNs = threadCpuNs();
        }
    });

    bench::waitUntil([] { return false; }, kWarmUpS * 1000);
    const std::int64_t cpu0 = processCpuNs(), writer0 = writerCpuNs, wall0 = bench::monotonicNs();
    bench::waitUntil([] { return false; }, seconds * 1000);
    const std::int64_t cpu1 = processCpuNs(), writer1 = writerCpuNs, wall1 = bench::monotonicNs();
    stopWriting = true;
    writer.join();
    bench::waitUntil([] { return false; }, 200); // the last frame written is read

    // The harness's own transmitter thread is not the monitor's cost.
    const double cpuPercent =
        double((cpu1 - cpu0) - (writer1 - writer0)) / double(wall1 - wall0) * 100.0;
    std::printf("cpu_percent %.3f\nframes_written %d\nframes_logged %d\n", cpuPercent,
                writtenCount.load(), framesLogged);

    core.stop();
    if (!services)
        return 0;
    services->stop(); // everything recorded reaches the database
    history::HistoryReader reader(services->historyPath());
    if (!reader.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(reader.lastError()));
        return 1;
    }
    std::map<qint64, std::optional<int>> sampled;
    const qint64 first = lastIdOfSecond.begin()->first, last = lastIdOfSecond.rbegin()->first;
    reader.forEachSecond(first, last + 1,
                         [&](const history::SecondSample& s) { sampled[s.t] = s.deviceId; });
    int missing = 0, wrong = 0;
    for (const auto& [second, id] : lastIdOfSecond) {
        const auto found = sampled.find(second);
        if (found == sampled.end())
            ++missing;
        else if (found->second != id)
            ++wrong;
    }
    std::printf("seconds_logged %zu\nseconds_missing %d\nseconds_wrong %d\n", lastIdOfSecond.size(),
                missing, wrong);
    return missing + wrong == 0 ? 0 : 1;
}
