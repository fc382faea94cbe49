// Latency from a status frame's last byte written to the pty to the end of
// the panel update that shows it. A writer thread plays the transmitter at
// the line rate; the window runs as in the program, on a real serial port.
//
//   zel-bench-latency [FRAMES] [metrics|scrape|hostile]
//
// FRAMES defaults to 2000, at 80 frames per second. With a second word the
// metrics endpoint runs beside the window: "metrics" only publishes,
// "scrape" adds a client scraping /metrics 50 times a second, and "hostile"
// adds clients that try to starve it (see ScrapeLoad).

#include "benchsupport.h"
#include "metrics/metricsservice.h"
#include "scrapeload.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace zel;

namespace {

// When the event loop last saw a descriptor become ready: splits the latency
// into the wake-up and the work the window does for the frame.
class SocketWake : public QObject {
public:
    std::int64_t last = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::SockAct)
            last = bench::monotonicNs();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int count = std::clamp(argc > 1 ? std::atoi(argv[1]) : 2000, 1, 0x7fff - 1);
    constexpr std::int64_t kPeriodNs = 12'500'000; // 80 frames per second

    const char* mode = argc > 2 ? argv[2] : "";
    const bool metricsOn = *mode != 0;

    bench::Pty pty;
    bench::requireScratchProfile(
        "[Setting]\nCommON=1\nComm Port=1\n\n[Ports]\n1=" + pty.devicePath().toLocal8Bit() +
        (metricsOn ? "\n[Metrics]\nListen=127.0.0.1:0\n" : "\n"));
    auto form = bench::makeMonitor();
    // The alarms the endpoint reports, fed as the station services feed them.
    std::unique_ptr<AlarmMonitor> alarms;
    std::unique_ptr<MetricsService> metrics;
    if (metricsOn) {
        alarms = std::make_unique<AlarmMonitor>(form->core().clock());
        QObject::connect(&form->core(), &MonitorCore::statusUpdated, alarms.get(),
                         &AlarmMonitor::statusUpdated);
        metrics = std::make_unique<MetricsService>(form->core(), *alarms);
        rlimit r{};
        getrlimit(RLIMIT_NOFILE, &r);
        r.rlim_cur = r.rlim_max;
        setrlimit(RLIMIT_NOFILE, &r);
        metrics->start();
    }
    form->start();
    if (!bench::waitUntil([&] { return pty.deviceOpen(); }, 5000)) {
        std::fprintf(stderr, "the monitor did not open %s\n", qPrintable(pty.devicePath()));
        return 1;
    }

    // Frame i carries device ID i, so each panel update names its own frame.
    const auto frames = bench::statusFrames(count, 1);
    std::vector<std::int64_t> written(std::size_t(count) + 1, 0);
    std::vector<std::int64_t> shown(std::size_t(count) + 1, 0);
    std::vector<std::int64_t> woken(std::size_t(count) + 1, 0);
    int shownCount = 0;
    SocketWake wake;
    app.installEventFilter(&wake);
    QObject::connect(form.get(), &Form1::panelUpdated, form.get(), [&] {
        const std::int64_t now = bench::monotonicNs();
        // The watchdog's own update runs with its timer stopped: no frame.
        if (!form->timer1().isActive())
            return;
        const int id = form->status().DeviceId.toInt();
        if (id >= 1 && id <= count && shown[std::size_t(id)] == 0) {
            shown[std::size_t(id)] = now;
            woken[std::size_t(id)] = wake.last;
            ++shownCount;
        }
    });

    std::unique_ptr<bench::ScrapeLoad> scrapes;
    if (std::strcmp(mode, "scrape") == 0 || std::strcmp(mode, "hostile") == 0)
        scrapes = std::make_unique<bench::ScrapeLoad>(metrics->endpoint().port(), 50,
                                                      std::strcmp(mode, "hostile") == 0);

    std::thread writer([&] {
        const std::int64_t start = bench::monotonicNs() + kPeriodNs;
        for (int i = 0; i < count; ++i) {
            const std::int64_t due = start + i * kPeriodNs;
            const timespec at{time_t(due / 1'000'000'000), long(due % 1'000'000'000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
            const QByteArray& frame = frames[std::size_t(i)];
            // Stamped just before the write: the latency read is, if anything,
            // a few microseconds long.
            written[std::size_t(i) + 1] = bench::monotonicNs();
            if (::write(pty.master(), frame.constData(), std::size_t(frame.size())) != frame.size())
                written[std::size_t(i) + 1] = 0;
        }
    });

    // Bounded: the run lasts count / 80 s; a frame not shown 2 s later is lost.
    bench::waitUntil([&] { return shownCount == count; },
                     int(count * kPeriodNs / 1'000'000) + 3000);
    writer.join();
    if (scrapes) {
        scrapes->stop();
        auto& ms = scrapes->latenciesMs();
        std::printf("scrapes_ok %zu\nscrapes_failed %d\nscrape_first_failure %s\n", ms.size(),
                    scrapes->failures(), scrapes->firstFailure().c_str());
        const double p50 = bench::percentile(ms, 50);
        const double p99 = bench::percentile(ms, 99);
        std::printf("scrape_p50_ms %.3f\nscrape_p99_ms %.3f\nscrape_max_ms %.3f\n", p50, p99,
                    ms.empty() ? 0.0 : ms.back());
        std::printf("rss_quiet_kb %ld\nrss_hostile_kb %ld\nheader_flood_bytes %lld\n",
                    scrapes->quietKb(), scrapes->hostileKb(), scrapes->headerBytes());
    }

    std::vector<double> latencyMs, wakeMs, workMs;
    int writtenCount = 0;
    for (std::size_t id = 1; id <= std::size_t(count); ++id) {
        if (written[id] != 0)
            ++writtenCount;
        if (written[id] != 0 && shown[id] != 0) {
            latencyMs.push_back(double(shown[id] - written[id]) / 1e6);
            if (woken[id] >= written[id]) {
                wakeMs.push_back(double(woken[id] - written[id]) / 1e6);
                workMs.push_back(double(shown[id] - woken[id]) / 1e6);
            }
        }
    }
    std::printf("wake_p50_ms %.3f\nwork_p50_ms %.3f\nwork_p99_ms %.3f\n",
                bench::percentile(wakeMs, 50), bench::percentile(workMs, 50),
                bench::percentile(workMs, 99));
    std::printf("frames_written %d\nframes_shown %d\n", writtenCount, shownCount);
    // A lost frame, and how long after the frame before it was written: a
    // frame that followed its predecessor closely points at the two having
    // been read in one piece.
    std::printf("lost");
    for (std::size_t id = 1, told = 0; id <= std::size_t(count) && told < 12; ++id)
        if (shown[id] == 0 && ++told)
            std::printf(" %zu(+%.1fms)", id,
                        id > 1 ? double(written[id] - written[id - 1]) / 1e6 : 0.0);
    std::printf("\n");
    const double p50 = bench::percentile(latencyMs, 50);
    const double p99 = bench::percentile(latencyMs, 99);
    std::printf("p50_ms %.3f\np99_ms %.3f\nmax_ms %.3f\n", p50, p99,
                latencyMs.empty() ? 0.0 : latencyMs.back());
    return shownCount == count ? 0 : 1;
}
